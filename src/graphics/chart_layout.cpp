#include "graphics/chart_layout.h"

#include <cmath>
#include <string>

#include "base/numfmt.h"

namespace gvm::graphics {

namespace {

int R(double v) {
    return static_cast<int>(std::lround(v));
}

int TrackBandHeight(const ChartLayout& l, const ChartSettings& s) {
    if (!l.hasBand) return 0;
    double t = 24 * l.u;
    if (s.ShowTrack && l.hasDiagram) t += R(10.5 * l.u) + l.L;
    if (s.ShowTrack && !l.hasDiagram) t += R(12.5 * l.u) + 2 * l.L;
    if (!s.ShowTrack && !l.hasDiagram) t += 4 * l.u;
    return R(t);
}

int LeftTitleWidth(Surface& m, const ChartSettings& s, bool band) {
    if (s.ShowSpeed && s.ShowAccel) return m.TextExtent("Beschl [m/s^2]     ").width;
    if (s.ShowSpeed) return m.TextExtent("Geschw [m/s] ").width;
    if (s.ShowAccel) return m.TextExtent("Beschl [m/s^2]   ").width;
    if (!s.ShowTime && band) return m.TextExtent("Neig [‰]").width;
    return 8;
}

}  // namespace

std::string SampleLabel(const NumberFormat& nf) {
    return FormatWD(0, 6, 2, nf);
}

ChartLayout ComputeLayout(Surface& metrics, const ChartSettings& s, const PaintArea& a) {
    Font f = metrics.font();
    f.size = s.FontSize;
    f.bold = false;
    metrics.SetFont(f);

    ChartLayout l;
    const TextSize sample = metrics.TextExtent(SampleLabel(s.nf));
    l.textHeight = sample.height;
    l.L = sample.width;
    l.u = 2.0 * sample.height / 3.0;
    l.fontSize = s.FontSize;
    l.hasDiagram = s.DiagramShown();
    l.hasBand = s.TrackBandShown();
    l.hasStrips = l.hasBand && s.ShowTrack;
    l.printing = a.printing;
    l.area = {a.marginLeft, a.marginTop, a.width, a.height};

    const int h = a.height - a.marginTop;
    const int t = TrackBandHeight(l, s);
    if (l.hasBand) {
        const int top = (l.hasDiagram || a.printing) ? a.marginTop : a.marginTop + (h - t) / 2;
        l.band = {a.marginLeft, top, a.width, top + t};
        l.profileTop = top + R(4 * l.u);
        l.profileBottom = top + R(13 * l.u);
        l.stripsTop = l.profileBottom + R(5 * l.u);
    }

    l.leftTitle = LeftTitleWidth(metrics, s, l.hasBand);
    l.rightTitle = s.ShowTime ? metrics.TextExtent("Zeit [s]").width : 8;
    const int fs = s.FontSize;
    const int left = a.marginLeft + l.leftTitle + fs;
    const int right = a.width - l.rightTitle - fs;

    if (l.hasDiagram) {
        const int top = l.hasBand ? l.band.bottom + R(l.u) : a.marginTop;
        l.diagramBand = {a.marginLeft, top, a.width, a.height};
        const int insetTop = s.ShowTime ? 2 * l.textHeight + fs : R(1.5 * fs);
        const int insetBottom = s.ShowTime ? R(1.5 * fs) : 2 * l.textHeight + fs;
        l.plot = {left, top + insetTop, right, a.height - insetBottom};
    } else {
        // Without charts the distance axis stands under the track band.
        const int bottom = l.hasBand ? l.band.bottom : a.height;
        l.plot = {left, bottom, right, bottom};
    }
    const int ph = l.plot.Height();
    l.speedTop = l.plot.top + ph / 10;
    l.accelTop = l.plot.top + ph / 5;
    l.accelShift = (s.ShowSpeed && s.ShowAccel) ? 30 : 0;
    return l;
}

AxisLengths LengthsOf(const ChartLayout& l) {
    AxisLengths len;
    len.dist = l.plot.Width();
    len.speed = l.plot.bottom - l.speedTop;
    len.accel = l.plot.bottom - l.accelTop;
    len.time = l.plot.Height();
    len.areaWidth = std::max(1, l.area.Width());
    len.areaHeight = std::max(1, l.area.Height());
    return len;
}

}  // namespace gvm::graphics
