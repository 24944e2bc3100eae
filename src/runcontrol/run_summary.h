#pragma once
// The summary of the run window's group "Resultate" as data: a status line with the collected
// message, the start and end of the run and up to three retarders with their entered and
// determined exit speeds. One builder serves the window and the command line.

#include <array>
#include <string>

#include "base/numfmt.h"
#include "engine/series.h"
#include "model/gleis.h"

namespace gvm::engine {
class TEngine;
}

namespace gvm::runcontrol {

enum class TStatusColour { WindowText, Red, Green };

// One retarder row of the summary. A row without a retarder is blank and hides its values.
struct TSummaryRow {
    bool visible = false;
    int retarder = 0;  // index k in the retarder lists, 0 for none
    std::string label;
    std::string distance, speed;  // head position when the last axle leaves [m], speed there [m/s]
    std::string entered;          // entered exit speed VausGleis [m/s]
    std::string second;           // mode 0: efficiency Wbr [%]; modes 1, 2: exit speed found [m/s]
    bool distanceRed = false, speedRed = false;
};

struct TRunSummary {
    std::string status;
    TStatusColour statusColour = TStatusColour::WindowText;
    bool statusBold = false;
    bool detailsVisible = false;  // rows, start/end, target speed: hidden while outdated
    bool messageVisible = false;
    std::string message;

    std::string enteredHeading;  // "Eingegebene Auslauf- geschwindigkeit [m/s]"
    std::string secondHeading;   // by mode
    std::array<TSummaryRow, 3> rows;  // top, middle, bottom

    std::string startDistance, startSpeed, endDistance, endSpeed;
    std::string targetSpeed;  // "-" when not ready

    bool overhangVisible = false;  // mode 2 when ready
    std::string overhang;

    bool maxVisible = false;  // modes 1 and 2
    std::string maxLabel, maxValue;

    bool checkBoxVisible = false;  // "Auslaufgeschwindigkeit gültig", modes 1 and 2
};

// The retarder data the summary reads: index range and lists of the track model, the
// working exit speeds of the engine and the pair marks of the last exit-speed search.
// Slots 1..50 as the retarder arrays.
struct TSummaryRetarders {
    static constexpr int kSlots = model::kMaxBremsen + 2;
    int IbrStart = 0, Inxbr = 0;
    double Xnull = 0;  // [m]
    std::array<int, kSlots> Kodd{}, Paar{};
    std::array<double, kSlots> Xbo{};  // [m, profile]
    std::array<double, kSlots> VausGleis{}, Vaus{};  // [m/s]
    std::array<double, kSlots> Wbr{};  // [%]
    std::array<std::string, kSlots> TypName{};
};

// Takes the lists from the track model and the engine after a run.
TSummaryRetarders SummaryRetarders(const model::TGleis& gleis, const engine::TEngine& engine);

struct TSummaryInput {
    int mode = 0;  // 0 normal run, 1 target braking, 2 run-in process
    bool outdated = false;
    const engine::TVysledky& current;  // the current result set
    const engine::TVysledky& modeSet;  // the mode's result set (its readiness and found exit speeds)
    TSummaryRetarders track;
    double ddx = 1.0, q = 0.001;  // nominal step and position tolerance of the series' lookups [m]
    double Xtot = 0, XZielbrems = 0, VZielbrems = 0, XZulaufEnde = 0, VZulaufEnde = 0;
    double ZulaufVmaxStart = 0;  // [m/s]
    double MaxEinlauf = 0;       // maximum entry speed of the last target braking [m/s]
    NumberFormat nf;
};

TRunSummary BuildRunSummary(const TSummaryInput& in);

// The summary laid out as plain text, top to bottom as the window shows it.
std::string SummaryText(const TRunSummary& s);

}  // namespace gvm::runcontrol
