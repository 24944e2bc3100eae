#pragma once
// Axes of the charts, drawn in the world window of a view with tick marks one font size long
// at every multiple of the step and their labels. The sign of the step says on which side the
// labels stand.

#include <string>

#include "base/numfmt.h"
#include "graphics/chart_view.h"
#include "graphics/surface.h"

namespace gvm::graphics {

struct AxisStyle {
    Color color = 0;
    int fontSize = 12;  // tick length [px]
    NumberFormat nf;
};

// Horizontal axis at y = YMin when the window lies wholly above 0, at YMax when wholly below,
// else at y = 0, over the whole x window. Labels below the axis for a positive step, above it
// for a negative one. Answers the device y of the axis line.
int DrawDistanceAxis(Surface& s, const ChartView& v, double step, const AxisStyle& st);

// Vertical axis at the left end of the x window (positive step, labels left of it) or at its
// right end (negative step, labels right of it), moved by `shiftPx`. Answers the device x of
// the axis line.
int DrawValueAxis(Surface& s, const ChartView& v, double step, const AxisStyle& st, int shiftPx = 0);

// Label text of a tick value.
std::string AxisLabel(double value, int decimals, const NumberFormat& nf);

}  // namespace gvm::graphics
