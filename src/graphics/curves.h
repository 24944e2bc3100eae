#pragma once
// Curves of a series over the distance, clipped to the visible distance range and drawn as one
// polyline each through a buffer that is reused from curve to curve.

#include <utility>
#include <vector>

#include "graphics/chart_view.h"
#include "graphics/surface.h"

namespace gvm::graphics {

// One curve: rows 1..n of x[] and y[] (slot 0 unused, x non-decreasing), with `xShift` added
// to every x and `yShift` to every y.
struct CurveData {
    const double* x = nullptr;
    const double* y = nullptr;
    int n = 0;
    double xShift = 0, yShift = 0;
};

class CurveDrawer {
public:
    CurveDrawer() { buffer_.reserve(4096); }
    // Draws the rows whose x lies inside [XMin, XMax] of the view, cut at both ends by linear
    // interpolation to the limits, in the surface's current pen.
    void Draw(Surface& s, const ChartView& v, const CurveData& c);
    // Visible row range of a curve: first and last row that the polyline uses (0, -1 when none).
    static std::pair<int, int> VisibleRows(const ChartView& v, const CurveData& c);

private:
    void Add(Point p);
    std::vector<Point> buffer_;
};

}  // namespace gvm::graphics
