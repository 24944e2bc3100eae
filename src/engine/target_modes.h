#pragma once
// Target braking (mode 1) and the run-in process (mode 2): which exit speeds must the
// retarders give so that the group arrives at a target with a given speed. Both check the
// start, lower the retarder range to what the group reaches before the target, run the
// exit-speed search and grade the outcome. Also the mode switch of the run window and the
// experiment slots of the optimisation.

#include <vector>

#include "engine/engine.h"
#include "engine/run_modes.h"
#include "engine/series.h"
#include "model/model_context.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::engine {

// Target braking: the second group (when chosen) and the first group are searched from
// Xstart at Vab to XZielbrems with VZielbrems. With `recalculate` false nothing is run.
// The first group's maximum entry speed goes to `sets.MaxEinlauf`.
void TargetBraking(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                   model::ModelContext& ctx, bool recalculate);

// The target-braking run of a prepared group: start checks, the search from `x0` [m, track
// abscissa] at `v` [m/s] to `xz` [m, track abscissa] with `vz` [m/s], the grading; the
// result goes into the engine result, the target-braking set, the current set and
// `groupResult`.
void TargetBrakingRun(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
                      TVysledky& groupResult, bool recalculate, double vz, double xz, double v,
                      double x0);

// Run-in process: the first group with the train group appended (when chosen) is searched
// over the retarders before the crest from (XZulaufStart, VZulaufStart) to (XZulaufEnde,
// VZulaufEnde). The maximum entry speed goes to `exp._ZulaufVmaxStart`.
void RunInProcess(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                  model::ModelContext& ctx, bool recalculate);

// The run-in run of a prepared group from `xs` at `vs` to `xe` with `ve` (positions as track
// abscissae [m], speeds [m/s]); the result goes into the engine result, the run-in set, the
// current set and `groupResult`.
void RunInRun(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
              TVysledky& groupResult, bool recalculate, double ve, double xe, double vs, double xs);

// The run window's mode switch: shows the result of mode 0, 1 or 2 in the current set.
// Modes 1 and 2 only when their set is ready. Answers whether the current set changed.
bool SelectModeResult(TResultSets& sets, int mode);

// One run of a slot: rows 1..N of the distance [m], time [s] and speed [m/s] columns
// (slot 0 unused; the speed is kept only where the optimisation reads it).
struct TSlotLauf {
    std::vector<double> Dist, Zeit, Gesch;
    int N = 0;
};

// An experiment slot of the optimisation: its group, that group's own result, and the
// runs the optimisation compares.
struct TExperimentSlot {
    model::TWagenGruppeN group;
    TVysledky resultate;
    TSlotLauf main;                    // the entered exit speeds
    TSlotLauf second;                  // controlled retarders raised by their tolerance (follower)
    TSlotLauf third;                   // controlled retarders lowered by their tolerance (leader)
    double Ok1 = 0, Ok9 = 0, SxF = 0;  // first and last axle, length [m]
    // Start [m, profile], push-off speed [m/s] and end [m, track abscissa] of the main run.
    double Xstart = 0, Vab = 0, Xtot = 0;
};

// Fills a slot from an experiment: the main run and the two tolerance runs of the slot's
// group, then target braking, whose run goes into `zielKopie.main`. False when the group
// cannot be read or prepared (the slot's runs are then left as they were).
bool SlotPrepare(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                 model::ModelContext& ctx, TExperimentSlot& slot, TExperimentSlot& zielKopie);

// Runs the slot's group again with the engine's current Vaus from the slot's Xstart at its
// Vab to its Xtot into the slot's main run; answers its number of rows (0 when the group cannot be
// prepared).
int SlotRerun(TEngine& engine, TExperimentSlot& slot);

}  // namespace gvm::engine
