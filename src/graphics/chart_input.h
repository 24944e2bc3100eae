#pragma once
// What the charts of one run show: the run's series, its group and track, the exit speeds,
// the start and target of the run, and optionally a second (following) group and the trial
// run of target braking or the run-in process. The input refers to objects it does not own;
// they must outlive the chart's use of them.

#include <array>

#include "engine/run_modes.h"
#include "engine/series.h"
#include "model/gleis.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::graphics {

using ExitSpeeds = model::Arr<model::kMaxBremsen + 1>;  // by retarder 1..50 [m/s]

struct ChartInput {
    const model::TGleis* gleis = nullptr;  // positions shifted by Xnull
    const engine::TVysledky* result = nullptr;
    model::TWagenGruppeN* group = nullptr;  // drawn by the animation

    ExitSpeeds Vaus{};       // exit speeds the run worked with (>= 1000: not acting)
    ExitSpeeds VausGleis{};  // exit speeds entered for the track
    bool VausGleisRespect = true;

    double XStart = 0, VStart = 0;  // start of the head [m, track abscissa], input speed [m/s]
    double XZiel = 0, VZiel = -1;   // target [m, track abscissa] and speed [m/s]; -1: none
    double XLetzte = 0;             // last distance of the run [m, track abscissa]
    int Modus = model::kNormalLauf;
    double Vab = 0;  // push-off speed [m/s], moves the second group behind the first

    const engine::TVysledky* result2 = nullptr;  // second group, when there is one
    model::TWagenGruppeN* group2 = nullptr;
    ExitSpeeds Vaus2{};
    double Zeitversatz = 0;  // start of the second group after the first [s]

    const engine::TVysledky* probe = nullptr;  // trial run of modes 1 and 2, drawn dotted

    bool HasRows() const { return result != nullptr && result->Berechnet && result->NVyst > 0; }
    bool HasSecond() const { return result2 != nullptr && result2->NVyst > 1; }
};

// The exit speeds a run worked with: the series' list, where a retarder that the run
// switched off (kVausOff) takes the speed the run started with (`started`: the entered
// exit speeds of a normal run, those found by the search after target braking).
ExitSpeeds RunExitSpeeds(const engine::TVysledky& r, const ExitSpeeds& started);

// The charts of an experiment's current result as the run window opens them: mode 0 the
// first group from the start at the push-off speed to Xtot without a target, mode 1 with the
// target of target braking, mode 2 the run-in group from the run-in start to its target. The
// second group (modes 0 and 1, when one was run) follows after `_Zeitversatz2WG`. `started`
// as for RunExitSpeeds.
ChartInput ChartInputForExperiment(const model::TSimExperiment& exp, engine::TResultSets& sets,
                                   const ExitSpeeds& started);

}  // namespace gvm::graphics
