#include "graphics/axes.h"

#include <cmath>
#include <utility>

#include "graphics/ticks.h"

namespace gvm::graphics {

namespace {

// Tick indices k (value k * step) from the upper end down to the lower end.
struct TickIndices {
    long long top = 0, bottom = 1;  // empty when bottom > top
};

TickIndices Ticks(double lo, double hi, double step) {
    if (step == 0) return {};
    const double a = std::fabs(step);
    if (hi < lo) std::swap(lo, hi);
    // A range far too fine for its step is not ticked (it would hang the drawing).
    if ((hi - lo) / a > 10000) return {};
    return {static_cast<long long>(std::floor(hi / a + 1e-9)),
            static_cast<long long>(std::ceil(lo / a - 1e-9))};
}

void UseStyle(Surface& s, const AxisStyle& st) {
    s.SetPen({st.color, 1, PenStyle::Solid});
    Font f = s.font();
    f.color = st.color;
    f.size = st.fontSize;
    s.SetFont(f);
}

}  // namespace

std::string AxisLabel(double value, int decimals, const NumberFormat& nf) {
    return FormatFloatF(value, 15, decimals, nf);
}

int DrawDistanceAxis(Surface& s, const ChartView& v, double step, const AxisStyle& st) {
    UseStyle(s, st);
    const double yAxis = (v.YMin > 0 || v.YMax < 0) ? (v.YMin > 0 ? v.YMin : v.YMax) : 0.0;
    const int y = v.ToY(yAxis);
    s.Line({v.ToX(v.XMin), y}, {v.ToX(v.XMax), y});
    const TickIndices t = Ticks(v.XMin, v.XMax, step);
    const double a = std::fabs(step);
    const int half = st.fontSize / 2;
    const int decimals = DistanceDecimals(a);
    for (long long k = t.top; k >= t.bottom; --k) {
        const double x = static_cast<double>(k) * a;
        const int X = v.ToX(x);
        s.Line({X, y - half}, {X, y + st.fontSize - half});
        const std::string label = AxisLabel(x, decimals, st.nf);
        if (step > 0)
            ChartView::PlaceText(s, {X, y + half + 1}, label, 1, 2);
        else
            ChartView::PlaceText(s, {X, y - half - 1}, label, 1, 0);
    }
    return y;
}

int DrawValueAxis(Surface& s, const ChartView& v, double step, const AxisStyle& st, int shiftPx) {
    UseStyle(s, st);
    const int x = (step >= 0 ? v.ToX(v.XMin) : v.ToX(v.XMax)) + shiftPx;
    s.Line({x, v.ToY(v.YMin)}, {x, v.ToY(v.YMax)});
    const TickIndices t = Ticks(v.YMin, v.YMax, step);
    const double a = std::fabs(step);
    const int half = st.fontSize / 2;
    const int decimals = ValueDecimals(a);
    for (long long k = t.top; k >= t.bottom; --k) {
        const double y = static_cast<double>(k) * a;
        const int Y = v.ToY(y);
        s.Line({x - half, Y}, {x + st.fontSize - half, Y});
        const std::string label = AxisLabel(y, decimals, st.nf);
        if (step > 0)
            ChartView::PlaceText(s, {x - half - 2, Y}, label, 2, 1);
        else
            ChartView::PlaceText(s, {x + half + 2, Y}, label, 0, 1);
    }
    return x;
}

}  // namespace gvm::graphics
