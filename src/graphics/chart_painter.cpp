#include "graphics/chart_painter.h"

#include <algorithm>
#include <cmath>

#include "graphics/axes.h"
#include "graphics/chart_marks.h"
#include "graphics/chart_ranges.h"
#include "graphics/track_band.h"
#include "graphics/wagon_drawing.h"

namespace gvm::graphics {

namespace {

std::size_t Ix(int i) {
    return static_cast<std::size_t>(i);
}

Rect Grow(Rect r, int by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

// A y window over the plot: from (left, y0) to (right, y1).
void Target(ChartView& v, const ChartLayout& l, int y0, int y1, const ChartRange& x, const ChartRange& y) {
    v.x0 = l.plot.left;
    v.x1 = l.plot.right;
    v.y0 = y0;
    v.y1 = y1;
    v.SetWorld(x.Von, x.Bis, y.Von, y.Bis);
}

}  // namespace

void Chart::SetArea(const PaintArea& area) {
    area_ = area;
    view.SetArea(area.width - area.marginLeft, area.height - area.marginTop, area.marginLeft, area.marginTop);
}

void Chart::Open(const ChartInput& in, Surface& metrics) {
    in_ = in;
    if (in_.gleis != nullptr) profile_.Build(*in_.gleis);
    settings.ShowUp = true;
    settings.ResetAutomatic();
    RecomputeRanges(metrics);
    Head1 = in_.HasRows() ? in_.result->Dist1() : in_.XStart;
    Head2 = Head1 - (in_.group != nullptr ? in_.group->Sx : 0.0);
}

void Chart::RecomputeRanges(Surface& metrics) {
    SurfaceStateGuard guard(metrics);
    layout_ = ComputeLayout(metrics, settings, area_);
    ComputeRanges(settings, in_, LengthsOf(layout_), view);
}

void Chart::Layout(Surface& s) {
    layout_ = ComputeLayout(s, settings, area_);
    const ChartLayout& l = layout_;
    Target(timeView_, l, l.plot.top, l.plot.bottom, settings.Dist, settings.Time);
    Target(speedView_, l, l.plot.bottom, l.speedTop, settings.Dist, settings.Speed);
    Target(accelView_, l, l.plot.bottom, l.accelTop, settings.Dist, settings.Accel);
}

void Chart::Background(Surface& s) {
    const ChartLayout& l = layout_;
    s.SetPen({settings.colors.Background, 1, PenStyle::None});
    s.SetBrush({settings.colors.Background, BrushStyle::Solid});
    s.Rectangle(l.area);
    if (area_.printing && !area_.frames) return;
    s.SetPen({settings.colors.Frame, 1, PenStyle::Solid});
    s.SetBrush({settings.colors.Background, BrushStyle::None});
    if (l.hasBand) s.Rectangle(l.band);
    if (l.hasDiagram) s.Rectangle(l.diagramBand);
}

void Chart::Paint(Surface& s) {
    SurfaceStateGuard guard(s);
    Layout(s);
    Background(s);
    if (in_.gleis == nullptr) return;
    const PaintContext c{s, settings, in_, layout_, profile_};
    if (layout_.hasBand) {
        SetProfileView(c, profileView_);
        DrawTrackBand(c, profileView_);
    }
    DistanceAxis(s);
    if (settings.ShowTime && in_.HasRows()) TimeChart(s);
    if (settings.ShowSpeed) SpeedChart(s);
    if (settings.ShowAccel) AccelChart(s);
    view.UseWindowOf(settings.ShowTime ? timeView_ : (settings.ShowSpeed ? speedView_ : accelView_));
    if (settings.ShowAnim && layout_.hasBand) Groups(s);
}

void Chart::DistanceAxis(Surface& s) {
    const ChartLayout& l = layout_;
    AxisStyle st{settings.colors.DistAxis, settings.FontSize, settings.nf};
    double step = settings.Dist.Schritt;
    ChartView v = settings.ShowTime ? timeView_ : (settings.ShowSpeed ? speedView_ : accelView_);
    if (!l.hasDiagram) {
        // Just below the track band, labels below.
        v = speedView_;
        v.y0 = v.y1 = l.plot.top + settings.FontSize;
        v.SetWorld(settings.Dist.Von, settings.Dist.Bis, 0, 1);
    }
    if (settings.ShowTime) step = -step;
    const int y = DrawDistanceAxis(s, v, step, st);
    const int half = settings.FontSize / 2;
    const int th = l.textHeight;
    const Point title = step < 0 ? Point{l.plot.right, y - half - th - 1} : Point{l.plot.right, y + half + th + 1};
    ChartView::PlaceText(s, title, "Distanz [m]", 2, step < 0 ? 0 : 2);
    if (settings.ShowTime) {
        s.SetFont({settings.colors.Time, settings.FontSize, false});
        ChartView::PlaceText(s, {l.plot.right + half + 2, y - half - th - 1}, "Zeit [s]", 0, 0);
    }
}

CurveData Chart::Column(const engine::TVysledky& r, const std::vector<double>& y, double yShift) const {
    return {r.Dist.data(), y.data(), r.NVyst, 0.0, yShift};
}

void Chart::TimeChart(Surface& s) {
    AxisStyle st{settings.colors.Time, settings.FontSize, settings.nf};
    DrawValueAxis(s, timeView_, -settings.Time.Schritt, st);
    SurfaceStateGuard guard(s);
    s.SetClip(Grow(layout_.plot, 1));
    TimeCurves(s, *in_.result, in_.group != nullptr ? in_.group->Barva : settings.colors.Time, 0);
    if (settings.ShowSecond && in_.HasSecond())
        TimeCurves(s, *in_.result2, in_.group2 != nullptr ? in_.group2->Barva : settings.colors.Mark2, in_.Zeitversatz);
    if (settings.ShowLength && settings.Wirkzonen) EffectZones(s);
}

void Chart::TimeCurves(Surface& s, const engine::TVysledky& r, Color color, double shift) {
    if (settings.ShowLength) LengthLines(s, r, shift);
    s.SetPen({color, settings.TimeWidth, PenStyle::Solid});
    curves_.Draw(s, timeView_, Column(r, r.Zeit, shift));
    if (!settings.ShowLength) return;
    CurveData end = Column(r, r.Zeit, shift);
    end.xShift = -r.Sx();
    curves_.Draw(s, timeView_, end);
}

// A line from the group's end to its head at every row; rows that fall on the same pixel row
// are drawn as one line over their joint extent.
void Chart::LengthLines(Surface& s, const engine::TVysledky& r, double shift) {
    const ChartView& v = timeView_;
    const int first = FirstRowAtOrBeyond(r, v.XMin);
    const int last = LastRowAtOrBefore(r, v.XMax + r.Sx());
    s.SetPen({settings.colors.Length, 1, PenStyle::Solid});
    bool open = false;
    int y = 0, xa = 0, xb = 0;
    for (int i = first; i <= last; ++i) {
        const double head = r.Dist[Ix(i)];
        if (head < v.XMin) continue;
        const int Y = v.ToY(r.Zeit[Ix(i)] + shift);
        const int a = v.ToX(std::max(head - r.Sx(), v.XMin)), b = v.ToX(std::min(head, v.XMax));
        if (open && Y == y) {
            xa = std::min(xa, a);
            xb = std::max(xb, b);
            continue;
        }
        if (open) s.Line({xa, y}, {xb, y});
        open = true;
        y = Y;
        xa = a;
        xb = b;
    }
    if (open) s.Line({xa, y}, {xb, y});
}

void Chart::EffectZones(Surface& s) {
    const model::TGleis& g = *in_.gleis;
    const engine::TVysledky& r = *in_.result;
    const ChartView& v = timeView_;
    s.SetPen({settings.colors.Wirkzone, 2, PenStyle::Solid});
    for (int i = 1; i <= std::min(g.Nxwi, model::kMaxAbsch); ++i) {
        const double xe = g.XwiE[Ix(i)] + g.Xnull, xa = g.XwiA[Ix(i)] + g.Xnull;
        if (xe < settings.Dist.Von) continue;
        const double headIn = xe + r.Ok1, headOut = xa + r.Ok9;
        if (headIn < r.Dist1() || headOut > r.DistEnd()) continue;
        const double t1 = r.GetZeitAtDist(headIn), t2 = r.GetZeitAtDist(headOut);
        const auto inside = [&](double t) { return t >= settings.Time.Von && t <= settings.Time.Bis; };
        if (!inside(t1) || !inside(t2)) continue;
        const Point a = v.ToDevice(xe, t1), b = v.ToDevice(xe, t2), e = v.ToDevice(xa, t2);
        s.Line(a, b);
        s.Line(b, e);
    }
}

void Chart::SpeedChart(Surface& s) {
    const ChartLayout& l = layout_;
    AxisStyle st{settings.colors.Speed, settings.FontSize, settings.nf};
    const int x = DrawValueAxis(s, speedView_, settings.Speed.Schritt, st);
    ChartView::PlaceText(s, {x - settings.FontSize / 2 - 2, l.speedTop - l.textHeight / 2 - 2}, "Geschw [m/s]", 2, 0);
    const PaintContext c{s, settings, in_, layout_, profile_};
    SurfaceStateGuard guard(s);
    s.SetClip(l.diagramBand);
    if (in_.gleis != nullptr) DrawExitSpeedMarks(c, speedView_);
    s.SetClip(Grow(l.plot, 1));
    if (in_.HasRows()) {
        const engine::TVysledky& r = *in_.result;
        const bool target = in_.Modus == model::kZielbremsung || in_.Modus == model::kZulaufprozess;
        const Color color = target ? settings.colors.Mark1 : settings.colors.Speed;
        if (r.Bereit)
            s.SetPen({color, settings.SpeedWidth, PenStyle::Solid});
        else
            s.SetPen({color, 1, PenStyle::Dot});
        curves_.Draw(s, speedView_, Column(r, r.Gesch));
        if (target && !settings.ShowAnim && in_.probe != nullptr && in_.probe->NVyst > 0) {
            s.SetPen({settings.colors.Speed, 1, PenStyle::Dot});
            curves_.Draw(s, speedView_, Column(*in_.probe, in_.probe->Gesch));
        }
    }
    if (settings.ShowSecond && in_.HasSecond()) {
        s.SetPen({settings.colors.Mark2, settings.SpeedWidth, PenStyle::Solid});
        curves_.Draw(s, speedView_, Column(*in_.result2, in_.result2->Gesch));
    }
    s.SetClip(l.diagramBand);
    DrawStartTargetMarks(c, speedView_);
}

void Chart::AccelChart(Surface& s) {
    const ChartLayout& l = layout_;
    AxisStyle st{settings.colors.Accel, settings.FontSize, settings.nf};
    const int x = DrawValueAxis(s, accelView_, settings.Accel.Schritt, st, -l.accelShift);
    if (accelView_.YMin < 0 && accelView_.YMax > 0) {
        // The zero line with the distance ticks, unlabelled.
        const int y = accelView_.ToY(0);
        s.Line({l.plot.left, y}, {l.plot.right, y});
    }
    // Beside the speed axis the title starts at the margin, where the left title room is.
    const int titleRight = x - settings.FontSize / 2 - 2;
    const int titleWidth = s.TextExtent("Beschl [m/s^2] ").width;
    const Point title{std::max(titleRight, l.area.left + titleWidth), l.accelTop - l.textHeight / 2 - 2};
    ChartView::PlaceText(s, title, "Beschl [m/s^2] ", 2, 0);
    if (!in_.HasRows()) return;
    SurfaceStateGuard guard(s);
    s.SetClip(Grow(l.plot, 1));
    s.SetPen({settings.colors.Accel, settings.AccelWidth, PenStyle::Solid});
    curves_.Draw(s, accelView_, Column(*in_.result, in_.result->Besch));
}

void Chart::Groups(Surface& s) {
    SurfaceStateGuard guard(s);
    s.SetClip(layout_.band);
    if (in_.group != nullptr) DrawWagons(s, profileView_, profile_, *in_.group, Head1);
    if (settings.ShowSecond && in_.HasSecond() && in_.group2 != nullptr)
        DrawWagons(s, profileView_, profile_, *in_.group2, Head2);
}

}  // namespace gvm::graphics
