#pragma once
// Marks in the speed chart: the exit speeds of the retarders (those of the run, the entered
// ones where they differ, those of the second group) and the start and target of the run.

#include <string>

#include "graphics/chart_view.h"
#include "graphics/paint_context.h"

namespace gvm::graphics {

// `v` is the speed chart's view.
void DrawExitSpeedMarks(const PaintContext& c, const ChartView& v);
void DrawStartTargetMarks(const PaintContext& c, const ChartView& v);

// Label of an exit speed: "Vaus " and the speed with 2 decimals in 5 places.
std::string VausLabel(double v, const NumberFormat& nf);

}  // namespace gvm::graphics
