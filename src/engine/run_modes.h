#pragma once
// Run operations: turn a simulation experiment into result series. Each operation prepares
// the case and the group, checks the start, runs the integration, grades its outcome with
// German messages and hands the engine result to the result sets. The normal run and the
// pieces the operations share are here; target braking, the run-in process and the
// optimisation slots are in target_modes.h.

#include <string>

#include "engine/engine.h"
#include "engine/series.h"
#include "model/model_context.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::engine {

// The process-wide result sets of the run operations, and the groups they read fresh for
// every run. Each set holds a few MB: keep the object on the heap.
struct TResultSets {
    TVysledky normal;                 // normal run (mode 0)
    TVysledky ziel;                   // target braking (mode 1)
    TVysledky zulauf;                 // run-in process (mode 2)
    TVysledky current;                // what the summary, the numeric view and the charts show
    TVysledky group1, group2, runIn;  // each group's own copy of its last run

    // First, second, train and run-in group.
    model::TWagenGruppeN wg1, wg2, wgZug, wgRunIn;

    // Largest push-off speed of the first group that its first retarder can still brake to
    // the speed the target needs, from the last target braking [m/s] ("Maximale
    // Einlaufgeschwindigkeit").
    double MaxEinlauf = 0;
};

// A group reference of an experiment names a run; 0 and -1 (and anything below) name none.
inline bool GroupChosen(int idRollot) {
    return idRollot > 0;
}

// Message text and grade of one operation; the grade only rises.
struct TMeldung {
    std::string text;
    TResMeldung grade = rmOK;
    void Raise(TResMeldung g) {
        if (g > grade) grade = g;
    }
    void Set(std::string t, TResMeldung g) {
        text = std::move(t);
        Raise(g);
    }
    void Append(const std::string& t, TResMeldung g) {
        text += t;
        Raise(g);
    }
};

// Numbers in messages: positions and speeds with precision 4 and 2 decimals, accelerations
// with precision 6 and 4.
std::string FormatPos(const TEngine& engine, double v);
std::string FormatAcc(const TEngine& engine, double v);

// The message of a start at rest that cannot roll: the run starts at the approximation speed.
std::string NaeherungsText(const TEngine& engine, double startAbs, double besch);

// Message text and grade into a result set.
void Deliver(TVysledky& set, const TMeldung& m);

// A start refused with rmError: no rows of an earlier run stay visible in the engine result,
// the mode's set and the current set; the message goes into the engine result and the
// current set.
// Hands the engine result with the operation's message and grade to the mode's set, the
// current set and the group's own copy.
void HandOver(TEngine& engine, TVysledky& modeSet, TVysledky& current, TVysledky& groupResult,
              const TMeldung& m);

void RefuseStart(TEngine& engine, TVysledky& modeSet, TVysledky& current, const TMeldung& m);

// Asks whether the retarders before the crest take part when the start lies more than 50 m
// before it; Yes widens the retarder range to the first retarder. Target braking words the
// question without the final blank.
void StartBeforeCrestQuestion(TEngine& engine, bool zielbremsung);

// Static acceleration [m/s2] of the prepared group at the grid point at or before its start
// [m, profile]: total, gradient and rolling-resistance terms.
struct TStartBeschleunigung {
    double Summe = 0, Neig = 0, Roll = 0;
};
TStartBeschleunigung StartBeschleunigung(const TEngine& engine, double xstartProfile);

// Normal run (mode 0): the second group (when chosen) and the first group are pushed off at
// Vab from Xstart and roll to Xtot with the track's exit speeds. With `recalculate` false a
// calculated normal-run set is kept.
void NormalRun(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
               model::ModelContext& ctx, bool recalculate);

// The normal-run core for a prepared group: start checks, the run, the grading; the result
// goes into the engine result, the normal-run set, the current set and `groupResult`.
void NormalRunCore(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
                   TVysledky& groupResult, double vstart, double xstartProfile);

}  // namespace gvm::engine
