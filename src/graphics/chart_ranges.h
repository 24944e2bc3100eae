#pragma once
// The data ranges of the charts: distance, speed, acceleration and time from the run's series,
// each automatic range widened to whole tick steps over the length its axis has in the layout.

#include "graphics/chart_input.h"
#include "graphics/chart_settings.h"
#include "graphics/chart_view.h"

namespace gvm::graphics {

// Axis lengths [px] of the current layout and the area they relate to.
struct AxisLengths {
    int dist = 0, speed = 0, accel = 0, time = 0;
    int areaWidth = 1, areaHeight = 1;
};

// Recomputes the automatic ranges and steps of `s` from the input; manual ones stay as
// entered. The distance range also becomes the view's full range and sets its scroll unit.
void ComputeRanges(ChartSettings& s, const ChartInput& in, const AxisLengths& len, ChartView& view);

// Rows of a series: first row whose distance is at or beyond x (n when none), last row at or
// before x (1 when none). Distances grow along a run.
int FirstRowAtOrBeyond(const engine::TVysledky& r, double x);
int LastRowAtOrBefore(const engine::TVysledky& r, double x);

}  // namespace gvm::graphics
