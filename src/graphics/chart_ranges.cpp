#include "graphics/chart_ranges.h"

#include <algorithm>

#include "graphics/ticks.h"

namespace gvm::graphics {

namespace {

struct MinMax {
    double min = 0, max = 0;
};

MinMax Extremes(const std::vector<double>& column, int n) {
    const auto first = column.begin() + 1;
    const auto [lo, hi] = std::minmax_element(first, first + n);
    return {*lo, *hi};
}

void Widen(ChartRange& r, int lengthPx, int areaPx) {
    if (!r.AutoStep) return;
    double lo = r.Von, hi = r.Bis;
    r.Schritt = TickStep(lo, hi, lengthPx, areaPx);
    if (r.AutoRange) {
        r.Von = lo;
        r.Bis = hi;
    }
}

// The run's distance range, widened to whole steps when the step is automatic.
MinMax DistanceRange(ChartRange& d, const ChartInput& in, int lengthPx, int areaPx) {
    MinMax m;
    if (in.HasRows()) {
        const engine::TVysledky& r = *in.result;
        m.min = std::min(0.0, r.Dist1());
        m.max = r.DistEnd();
        if (m.max == 0 && r.NVyst > 1) m.max = r.Dist[static_cast<std::size_t>(r.NVyst - 1)];
    } else {
        m.min = std::min(in.XStart, in.XLetzte);
        m.max = std::max(in.XStart, in.XLetzte);
    }
    if (m.max < 1e-6) m.max = 10;
    if (d.AutoStep) d.Schritt = TickStep(m.min, m.max, lengthPx, areaPx);
    return m;
}

void SpeedRange(ChartRange& v, const ChartInput& in, bool second) {
    if (!v.AutoRange) return;
    MinMax m;
    if (in.HasRows()) m = Extremes(in.result->Gesch, in.result->NVyst);
    if (m.min > 0) m.min = 0;
    if (m.max < 5) m.max = 5;
    if (second) m.max = std::max(m.max, Extremes(in.result2->Gesch, in.result2->NVyst).max);
    v.Von = m.min;
    v.Bis = m.max;
}

void AccelRange(ChartRange& a, const ChartInput& in, bool second) {
    if (!a.AutoRange) return;
    MinMax m;
    if (in.HasRows()) m = Extremes(in.result->Besch, in.result->NVyst);
    if (m.min > 0) m.min = 0;
    if (m.max < 0) m.max = 0;
    if (second) {
        const MinMax m2 = Extremes(in.result2->Besch, in.result2->NVyst);
        m.min = std::min(m.min, m2.min);
        m.max = std::max(m.max, m2.max);
    }
    a.Von = m.min;
    a.Bis = m.max;
}

double ZeitAt(const engine::TVysledky& r, double x) {
    if (x >= r.DistEnd()) return r.ZeitEnd();
    return r.GetZeitAtDist(x);
}

void TimeRange(ChartRange& t, const ChartInput& in, const ChartRange& d, bool second) {
    if (!t.AutoRange) return;
    t.Von = t.Bis = 0;
    if (!in.HasRows()) return;
    const engine::TVysledky& r = *in.result;
    t.Von = r.Zeit[static_cast<std::size_t>(LastRowAtOrBefore(r, d.Von))];
    t.Bis = r.Zeit[static_cast<std::size_t>(FirstRowAtOrBeyond(r, d.Bis))];
    if (second) t.Bis = std::max(t.Bis, ZeitAt(*in.result2, d.Bis) + in.Zeitversatz);
}

}  // namespace

int FirstRowAtOrBeyond(const engine::TVysledky& r, double x) {
    if (r.NVyst <= 0) return 1;
    const auto first = r.Dist.begin() + 1;
    const auto last = first + r.NVyst;
    const auto it = std::lower_bound(first, last, x);
    return it == last ? r.NVyst : static_cast<int>(it - r.Dist.begin());
}

int LastRowAtOrBefore(const engine::TVysledky& r, double x) {
    if (r.NVyst <= 0) return 1;
    const auto first = r.Dist.begin() + 1;
    const auto last = first + r.NVyst;
    const auto it = std::upper_bound(first, last, x);
    return it == first ? 1 : static_cast<int>(it - r.Dist.begin()) - 1;
}

void ComputeRanges(ChartSettings& s, const ChartInput& in, const AxisLengths& len, ChartView& view) {
    const bool second = s.ShowSecond && in.HasSecond();
    const MinMax full = DistanceRange(s.Dist, in, len.dist, len.areaWidth);
    if (s.Dist.AutoRange) {
        s.Dist.Von = full.min;
        s.Dist.Bis = full.max;
    }
    SpeedRange(s.Speed, in, second);
    Widen(s.Speed, len.speed, len.areaHeight);
    AccelRange(s.Accel, in, second);
    Widen(s.Accel, len.accel, len.areaHeight);
    TimeRange(s.Time, in, s.Dist, second);
    Widen(s.Time, len.time, len.areaHeight);

    view.SetWorld(s.Dist.Von, s.Dist.Bis, view.YMin, view.YMax);
    view.SetFullRange(full.min, full.max);
}

}  // namespace gvm::graphics
