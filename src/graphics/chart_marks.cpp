#include "graphics/chart_marks.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/numfmt.h"

namespace gvm::graphics {

namespace {

constexpr Color kNavy = 0x000080;
constexpr Color kMaroon = 0x800000;
constexpr Color kBlue = 0x0000FF;
constexpr Color kWhite = 0xFFFFFF;
constexpr double kNah = 5.0;  // retarders closer than this [m] share the room for labels

std::size_t Ix(int i) {
    return static_cast<std::size_t>(i);
}

// One exit-speed line of retarder i: where it runs and where its label goes.
struct MarkGeometry {
    double xs = 0, xe = 0;  // line [m]
    Point label;
    int ha = 1;
};

MarkGeometry Geometry(const PaintContext& c, const ChartView& v, int i, int y, bool above) {
    const model::TGleis& g = *c.in.gleis;
    const int n = g.Nxbr;
    MarkGeometry m;
    m.xs = c.Abs(g.Xbu[Ix(i)]);
    const int endRetarder = (g.Kodd[Ix(i)] != 0 && i < n) ? i + 1 : i;
    const double xeFull = c.Abs(g.Xbo[Ix(endRetarder)]);
    m.xe = std::min(xeFull, v.XMax);
    const bool closeBefore = i > 1 && g.Xbu[Ix(i)] - g.Xbo[Ix(i - 1)] < kNah;
    const bool closeAfter = endRetarder < n && g.Xbu[Ix(endRetarder + 1)] - g.Xbo[Ix(endRetarder)] < kNah;
    const int yText = above ? y - 3 : y + 3;
    if (closeBefore) {
        m.label = {v.ToX(m.xs), yText};
        m.ha = 0;
    } else if (closeAfter) {
        m.label = {v.ToX(m.xe), yText};
        m.ha = 2;
    } else {
        m.label = {v.ToX((m.xs + m.xe) / 2), yText};
        m.ha = 1;
    }
    return m;
}

// A mark of retarder i at speed `speed`: a 2 px line and its label. A speed above the chart
// is drawn at its top in grey with "^ " before the label.
void Mark(const PaintContext& c, const ChartView& v, int i, double speed, Color color, bool above,
          const std::string& text, bool forceUp = false) {
    bool up = forceUp;
    double y = speed;
    if (speed > v.YMax) {
        y = v.YMax;
        up = true;
        color = c.set.colors.Grey;
    }
    const int Y = v.ToY(y);
    const MarkGeometry m = Geometry(c, v, i, Y, above);
    c.UsePen(color, 2);
    c.s.Line({v.ToX(m.xs), Y}, {v.ToX(m.xe), Y});
    c.UseFont(color);
    ChartView::PlaceText(c.s, m.label, (up ? "^ " : "") + text, m.ha, above ? 0 : 2);
}

bool Visible(const PaintContext& c, const ChartView& v, int i) {
    const model::TGleis& g = *c.in.gleis;
    const double xs = c.Abs(g.Xbu[Ix(i)]);
    const int kodd = g.Kodd[Ix(i)];
    return (kodd == 0 || kodd == 1) && xs >= v.XMin && xs <= v.XMax;
}

// Retarder in which the run starts (0 when none).
int StartRetarder(const PaintContext& c) {
    const model::TGleis& g = *c.in.gleis;
    for (int i = 1; i <= g.Nxbr; ++i)
        if (c.Abs(g.Xbu[Ix(i)]) <= c.in.XStart && c.in.XStart <= c.Abs(g.Xbo[Ix(i)])) return i;
    return 0;
}

void Legend(const PaintContext& c) {
    const std::string a = "____ optimierte Vaus", b = "____ eingebene Vaus";
    const TextSize ta = c.s.TextExtent(a), tb = c.s.TextExtent(b);
    const int w = std::max(ta.width, tb.width) + 8;
    const int right = c.lay.plot.right - 8;
    const int top = c.lay.diagramBand.top + 42;
    c.UsePen(c.set.colors.Grey);
    c.s.SetBrush({kWhite, BrushStyle::Solid});
    c.s.Rectangle({right - w, top, right, top + ta.height + tb.height + 6});
    c.UseFont(c.set.colors.Mark1);
    c.s.Text({right - w + 4, top + 3}, a);
    c.UseFont(c.set.colors.Grey);
    c.s.Text({right - w + 4, top + 3 + ta.height}, b);
}

}  // namespace

std::string VausLabel(double v, const NumberFormat& nf) {
    return "Vaus " + FormatWD(v, 5, 2, nf);
}

void DrawExitSpeedMarks(const PaintContext& c, const ChartView& v) {
    const model::TGleis& g = *c.in.gleis;
    const NumberFormat& nf = c.set.nf;
    const int n = std::min(g.Nxbr, model::kMaxBremsen);
    const int startRetarder = (c.in.result != nullptr && c.in.result->VausOhneLimit) ? StartRetarder(c) : 0;
    bool entered = false;
    for (int i = 1; i <= n; ++i) {
        if (!Visible(c, v, i)) continue;
        const double run = c.in.Vaus[Ix(i)], input = c.in.VausGleis[Ix(i)];
        const bool free = i == startRetarder;
        Mark(c, v, i, run, free ? c.set.colors.Grey : c.set.colors.Mark1, run > input, VausLabel(run, nf), free);
        if (input != run) {
            const bool grey = !c.in.VausGleisRespect || (i == g.Nxbr && g.Kod[Ix(i)] == 9);
            Mark(c, v, i, input, grey ? c.set.colors.Grey : kBlue, input > run, VausLabel(input, nf));
            entered = true;
        }
    }
    if (entered) Legend(c);
    if (!(c.set.ShowSecond && c.in.HasSecond())) return;
    for (int i = 1; i <= n; ++i) {
        const double v2 = c.in.Vaus2[Ix(i)];
        if (!Visible(c, v, i) || v2 >= engine::kVausInactive) continue;
        const int Y = v.ToY(std::min(v2, v.YMax));
        const MarkGeometry m = Geometry(c, v, i, Y, false);
        c.UsePen(c.set.colors.Mark2, 2);
        c.s.Line({v.ToX(m.xs), Y}, {v.ToX(m.xe), Y});
        c.UseFont(g.Kod[Ix(i)] == 9 ? kNavy : kMaroon);
        ChartView::PlaceText(c.s, m.label, "Vsoll " + FormatWD(v2, 5, 2, nf), m.ha, 2);
    }
}

namespace {

std::string SpeedText(double v, const NumberFormat& nf) {
    return FormatFloatF(v, 15, 2, nf) + " m/s";
}

// A point mark: a circle of radius 3 and a stack of texts, left-aligned beside the circle
// (ha 0), centred (ha 1) or right-aligned (ha 2), above or below it.
void PointMark(const PaintContext& c, const ChartView& v, double x, double speed, Color color,
               const std::vector<std::string>& lines, int ha, bool above) {
    if (x < v.XMin || x > v.XMax) return;
    const Rect plot = c.lay.plot;
    const Point p = v.ToDevice(x, std::min(speed, v.YMax));
    c.UsePen(color);
    c.s.SetBrush({color, BrushStyle::Solid});
    c.s.Ellipse({p.x - 3, p.y - 3, p.x + 4, p.y + 4});
    c.UseFont(color, true);
    int th = 0, width = 0;
    for (const std::string& t : lines) {
        const TextSize ts = c.s.TextExtent(t);
        th = ts.height;
        width = std::max(width, ts.width);
    }
    const int total = th * static_cast<int>(lines.size());
    int x0 = ha == 0 ? p.x + 5 : (ha == 1 ? p.x - width / 2 : p.x - 5 - width);
    // Moved left where it would cross the plot's right edge (the time axis stands there).
    x0 = std::clamp(x0, c.lay.area.left, std::max(c.lay.area.left, plot.right - width - 2));
    int y = above ? p.y - 5 - total : p.y + 5;
    y = std::max(y, plot.top - th);
    for (const std::string& t : lines) {
        c.s.Text({x0, y}, t);
        y += th;
    }
}

bool RoomAbove(const PaintContext& c, const ChartView& v, double speed, int lines) {
    const int th = c.lay.textHeight;
    return v.ToY(std::min(speed, v.YMax)) - 5 - lines * th >= c.lay.plot.top;
}

double SpeedAt(const engine::TVysledky& r, double x) {
    if (x >= r.DistEnd()) return r.Gesch[Ix(r.NVyst)];
    if (x <= r.Dist1()) return r.Gesch[1];
    return r.GetGeschAtInd(r.GetIndAtDist(x));
}

// Input mark in grey and computed mark in the mark colour; when the two lie close, the input
// texts go above and the computed ones below.
void Pair(const PaintContext& c, const ChartView& v, double x, double vin, double vcalc, const char* inText,
          const char* calcText, int ha) {
    const NumberFormat& nf = c.set.nf;
    const bool inAbove = RoomAbove(c, v, vin, 2) || vin > v.YMax;
    std::string first = inText;
    if (vin > v.YMax) first = " ^ " + first;
    PointMark(c, v, x, vin, c.set.colors.Grey, {first, SpeedText(vin, nf)}, ha, inAbove);
    const bool close = std::abs(v.ToY(std::min(vin, v.YMax)) - v.ToY(std::min(vcalc, v.YMax))) < 2 * c.lay.textHeight;
    const bool calcAbove = close ? !inAbove : RoomAbove(c, v, vcalc, 2);
    PointMark(c, v, x, vcalc, c.set.colors.Mark1, {calcText, SpeedText(vcalc, nf)}, ha, calcAbove);
}

}  // namespace

void DrawStartTargetMarks(const PaintContext& c, const ChartView& v) {
    const ChartInput& in = c.in;
    if (in.HasRows()) {
        const engine::TVysledky& r = *in.result;
        Pair(c, v, in.XStart, in.VStart, r.Gesch[1], "Start-ein:", "Start:", 0);
        if (in.VZiel >= 0) Pair(c, v, in.XZiel, in.VZiel, SpeedAt(r, in.XZiel), "Ziel_ein:", "Ziel:", 1);
    }
    if (!(c.set.ShowSecond && in.HasSecond())) return;
    const engine::TVysledky& r2 = *in.result2;
    const double vs = r2.Gesch[1], ve = r2.Gesch[Ix(r2.NVyst)];
    PointMark(c, v, r2.Dist1(), vs, c.set.colors.Mark2, {"Start2"}, 0, RoomAbove(c, v, vs, 1));
    PointMark(c, v, r2.DistEnd(), ve, c.set.colors.Mark2, {"Ziel2"}, 1, RoomAbove(c, v, ve, 1));
}

}  // namespace gvm::graphics
