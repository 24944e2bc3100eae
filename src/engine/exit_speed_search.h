#pragma once
// Exit-speed search: for every retarder between a start and a target, the exit speed that
// brings the group to the target with the target speed. It works backwards from the target,
// one segment (retarder to next retarder) at a time, with short trial runs of the
// integration judged by the speed-at-position lookup.

#include "engine/engine.h"
#include "engine/series.h"
#include "model/wagon_group.h"

namespace gvm::engine {

inline constexpr double kSuchGrenze = 10.0;  // upper end of every search interval [m/s]

// Speed [m/s] of a series at track abscissa x [m]. Before the second nominal step it is the
// first row's speed; inside it is interpolated between rows; beyond the end (more than q
// after the last row) it is the negative of the speed as far before the end, so that a
// search sees how far short the run stopped. An empty series answers -1. `ddx` is the
// nominal step the series was run with [m], `q` the position tolerance [m].
double SpeedAtPosition(const TVysledky& set, double x, double ddx, double q);
// The same with the step and precision of the engine's prepared case.
double SpeedAtPosition(const TEngine& engine, const TVysledky& set, double x);

// Lowers Inxbr to the last retarder whose entry the group's first axle reaches before its
// head reaches `xz` [m, track abscissa], never below IbrStart.
void LowerLastRetarder(TEngine& engine, const model::TWagenGruppeN& group, double xz);

// Searches the exit speeds of the retarders IbrStart..Inxbr for the prepared group so that,
// pushed off at `v` [m/s] from `x0` [m, track abscissa], it reaches `xz` [m, track abscissa]
// with `vz` [m/s], then makes the final run with them; when that run misses vz by more than
// 0.01 m/s, full runs correct the last retarder's exit speed (not beyond an entered, respected
// one) if a bracket exists. Answers the final run's speed at xz
// (negative when it stopped short).
// Leaves: Vaus and VausGefunden at the exit speeds found, VausGleis[IbrStart - 1] = v, the
// segment records, the maximum entry speed and the too-fast mark in `engine.suche`, the final
// run in `engine.result`. Throws EGravimont when a run overflows.
double ExitSpeedSearch(TEngine& engine, model::TWagenGruppeN& group, double vz, double xz, double v,
                       double x0);

}  // namespace gvm::engine
