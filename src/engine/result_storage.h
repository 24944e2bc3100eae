#pragma once
// Storing a simulation experiment of the current case: the SimFallResult record with the
// experiment's values and, on request, the full result of the run: every result row
// (ResTracing), the retarder-control records (ResBKINA), the names of controlled retarder
// types (ResBremsTyp) and the ten input protocols (ResVstup, RTF in the memo fields).

#include <cstdint>
#include <string>

#include "base/messages.h"
#include "base/numfmt.h"
#include "database/data_modules.h"
#include "engine/engine.h"
#include "engine/series.h"
#include "model/model_context.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::engine {

inline constexpr int kUdalostLaenge = 30;  // characters of a stored event text

// Event text of a result row from its code and parameter (the row's Vluft): codes 1 and 2
// "Einlauf Achse 3 auf Bremse 2" from 3.02, codes 3 and 4 "Ausschalten der Bremse 4",
// codes 5..13 the first text alone; one blank for code 0.
std::string EventText(int code, double parameter);

// What the full result of an experiment documents: the experiment with its track model, the
// group that ran, the run read last, the engine that ran it (its history of separations,
// standstills and bufferings) and the finished series.
struct TStoreInput {
    const model::TSimExperiment& exp;
    const model::TWagenGruppeN& group;
    const model::TLastRun& run;
    const TEngine& engine;
    const TVysledky& series;
    NumberFormat nf;
    // Date and time of writing shown in the run protocol; empty: now, in short local forms.
    std::string datum, zeit;
};

struct TStoreResult {
    bool stored = false;          // the experiment record was posted
    std::int64_t idResult = 0;    // its identifier (0 when not stored)
    int droppedRows = 0;          // result rows whose post failed
    bool saved = false;           // the document was written
};

// Stores `exp` under its name _NSimExperiment as a stored experiment of the case the
// simulation module's SimulationsFallCDS stands on: replaces a stored experiment of that
// name (its identifier stays) or appends one, deletes its earlier result rows, writes the
// full result when `full` is given, and saves the document. A failing record post cancels
// the edit, reports it through the port and stores nothing else.
TStoreResult StoreExperiment(db::TSimDM& sim, MessagePort& port,
                             const model::TSimExperiment& exp, const TStoreInput* full);

}  // namespace gvm::engine
