#include "graphics/curves.h"

#include <algorithm>

namespace gvm::graphics {

namespace {

double Interpolate(const CurveData& c, int i, double x) {
    const double xa = c.x[i] + c.xShift, xb = c.x[i + 1] + c.xShift;
    const double ya = c.y[i], yb = c.y[i + 1];
    const double f = xb == xa ? 0.0 : (x - xa) / (xb - xa);
    return ya + f * (yb - ya) + c.yShift;
}

}  // namespace

std::pair<int, int> CurveDrawer::VisibleRows(const ChartView& v, const CurveData& c) {
    if (c.n <= 0 || c.x == nullptr) return {0, -1};
    const double* first = c.x + 1;
    const double* last = c.x + 1 + c.n;
    // First row at or beyond XMin, last row at or before XMax.
    const int i0 = static_cast<int>(std::lower_bound(first, last, v.XMin - c.xShift) - c.x);
    const int i1 = static_cast<int>(std::upper_bound(first, last, v.XMax - c.xShift) - c.x) - 1;
    return {i0, i1};
}

void CurveDrawer::Add(Point p) {
    if (!buffer_.empty() && buffer_.back() == p) return;
    buffer_.push_back(p);
}

void CurveDrawer::Draw(Surface& s, const ChartView& v, const CurveData& c) {
    buffer_.clear();
    const auto [i0, i1] = VisibleRows(v, c);
    if (c.n <= 0) return;
    if (i0 > i1) {
        // No row inside: the curve may still cross the whole range between two rows.
        if (i0 >= 2 && i0 <= c.n) {
            Add(v.ToDevice(v.XMin, Interpolate(c, i0 - 1, v.XMin)));
            Add(v.ToDevice(v.XMax, Interpolate(c, i0 - 1, v.XMax)));
        }
    } else {
        if (i0 > 1) Add(v.ToDevice(v.XMin, Interpolate(c, i0 - 1, v.XMin)));
        for (int i = i0; i <= i1; ++i) Add(v.ToDevice(c.x[i] + c.xShift, c.y[i] + c.yShift));
        if (i1 < c.n) Add(v.ToDevice(v.XMax, Interpolate(c, i1, v.XMax)));
    }
    if (buffer_.size() >= 2) s.Polyline(buffer_);
}

}  // namespace gvm::graphics
