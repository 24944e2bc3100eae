#include "graphics/track_band.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "base/numfmt.h"

namespace gvm::graphics {

namespace {

constexpr Color kGreen = 0x008000;
constexpr Color kNavy = 0x000080;
constexpr Color kMaroon = 0x800000;
constexpr Color kBlack = 0x000000;
constexpr Color kGradientFill = 0xF2C8C8;
constexpr Color kCurveFill = 0xD8D8D8;

std::size_t Ix(int i) {
    return static_cast<std::size_t>(i);
}

Point OnProfile(const PaintContext& c, const ChartView& pv, double x) {
    return pv.ToDevice(x, c.profile.HeightAt(x));
}

void ProfileLine(const PaintContext& c, const ChartView& pv) {
    std::vector<Point> line;
    line.reserve(static_cast<std::size_t>(c.profile.Sections()) + 2);
    line.push_back(OnProfile(c, pv, pv.XMin));
    for (int i = 1; i <= c.profile.Sections() + 1; ++i) {
        const double x = c.profile.Bound(i);
        if (x > pv.XMin && x < pv.XMax) line.push_back(OnProfile(c, pv, x));
    }
    line.push_back(OnProfile(c, pv, pv.XMax));
    c.UsePen(c.set.colors.Profile, 2);
    c.s.Polyline(line);
    c.UsePen(kGreen);
    for (int i = 1; i <= c.profile.Sections() + 1; ++i) {
        const double x = c.profile.Bound(i);
        if (x < pv.XMin || x > pv.XMax) continue;
        const Point p = OnProfile(c, pv, x);
        c.s.Line({p.x, p.y}, {p.x, p.y + 4});
    }
}

void Retarders(const PaintContext& c, const ChartView& pv) {
    const model::TGleis& g = *c.in.gleis;
    const int depth = std::max(1, c.set.FontSize / (c.lay.printing ? 2 : 4));
    for (int i = 1; i <= std::min(g.Nxbr, model::kMaxBremsen); ++i) {
        const double xs = c.Abs(g.Xbu[Ix(i)]);
        if (xs < pv.XMin || xs > pv.XMax) continue;
        const double xe = std::min(c.Abs(g.Xbo[Ix(i)]), pv.XMax);
        const Point a = OnProfile(c, pv, xs), b = OnProfile(c, pv, xe);
        const Color col = g.Kod[Ix(i)] == 9 ? kNavy : kMaroon;
        c.UsePen(col);
        c.s.SetBrush({col, BrushStyle::Solid});
        const std::array<Point, 4> quad = {a, b, Point{b.x, b.y + depth}, Point{a.x, a.y + depth}};
        c.s.Polygon(quad);
    }
    const int n = g.Nxbr;
    if (n >= 1 && n <= model::kMaxBremsen && g.Kod[Ix(n)] == 0) {
        const double xe = c.Abs(g.Xbo[Ix(n)]);
        if (xe >= pv.XMin && xe <= pv.XMax) {
            c.UseFont(kMaroon);
            const Point p = OnProfile(c, pv, xe);
            ChartView::PlaceText(c.s, {p.x + 4, p.y + depth + 2}, HemmschuhLabel(g.Xbo[Ix(n)] - g.Xbu[Ix(n)], c.set.nf), 0, 2);
        }
    }
}

// One strip: its rows and title.
struct Strip {
    int top = 0, bottom = 0;  // bar rows
};

Strip PlaceStrip(const PaintContext& c, int top, int height, const char* title) {
    const int th = c.lay.textHeight;
    c.UseFont(kBlack);
    Strip st{top, top + height};
    if (c.set.ShowUp) {
        c.s.Text({c.lay.plot.left, top}, title);
        st.top = top + th;
    } else {
        ChartView::PlaceText(c.s, {c.lay.plot.left - c.set.FontSize / 2, top + height / 2}, title, 2, 1);
    }
    return st;
}

void GradientStrip(const PaintContext& c, const ChartView& pv, Strip st) {
    const Profile& p = c.profile;
    const double lo = std::min(p.SMin, 0.0), hi = std::max(p.SMax, 0.0);
    ChartView v = pv;
    v.SetDevice(pv.x0, st.bottom, pv.x1, st.top);
    v.SetWorld(pv.XMin, pv.XMax, lo, hi > lo ? hi : lo + 1);
    c.UsePen(c.set.colors.Profile);
    c.s.SetBrush({kGradientFill, BrushStyle::Solid});
    for (int i = 1; i <= p.Sections(); ++i) {
        const double xa = std::max(p.Bound(i), pv.XMin), xb = std::min(p.Bound(i + 1), pv.XMax);
        if (xb <= xa) continue;
        const double len = p.Bound(i + 1) - p.Bound(i);
        const auto s = [&](double x) { return p.Gradient1(i) + (p.Gradient2(i) - p.Gradient1(i)) * (x - p.Bound(i)) / len; };
        const std::array<Point, 4> bar = {v.ToDevice(xa, 0), v.ToDevice(xa, s(xa)), v.ToDevice(xb, s(xb)), v.ToDevice(xb, 0)};
        c.s.Polygon(bar);
    }
    c.UseFont(c.set.colors.Profile);
    for (int i = 1; i <= p.Sections(); ++i) {
        if (p.Gradient1(i) != p.Gradient2(i)) continue;
        const double xa = std::max(p.Bound(i), pv.XMin), xb = std::min(p.Bound(i + 1), pv.XMax);
        const std::string text = FormatWD(p.Gradient1(i), 4, 2, c.set.nf) + "‰";
        if (v.ToX(xb) - v.ToX(xa) < c.s.TextExtent(text).width + 4) continue;
        ChartView::PlaceText(c.s, {v.ToX((xa + xb) / 2), (st.top + st.bottom) / 2}, text, 1, 1);
    }
}

void CurveStrip(const PaintContext& c, const ChartView& pv, Strip st) {
    const model::TGleis& g = *c.in.gleis;
    const int last = std::min(g.Nbog, model::kSegmentSlots);
    double maxRb = 0;
    for (int k = 1; k < last; ++k) maxRb = std::max(maxRb, std::fabs(g.Rb[Ix(k)]));
    const int mid = (st.top + st.bottom) / 2;
    c.UsePen(kBlack);
    c.s.Line({pv.x0, mid}, {pv.x1, mid});
    if (maxRb <= 0) return;
    ChartView v = pv;
    v.SetDevice(pv.x0, st.bottom, pv.x1, st.top);
    v.SetWorld(pv.XMin, pv.XMax, -maxRb, maxRb);
    c.s.SetBrush({kCurveFill, BrushStyle::Solid});
    for (int k = 1; k < last; ++k) {
        const double rb = g.Rb[Ix(k)];
        const double xa = std::max(c.Abs(g.Xr[Ix(k)]), pv.XMin), xb = std::min(c.Abs(g.Xr[Ix(k + 1)]), pv.XMax);
        if (rb == 0 || xb <= xa) continue;
        const Rect r{v.ToX(xa), std::min(v.ToY(rb), v.ToY(0)), v.ToX(xb) + 1, std::max(v.ToY(rb), v.ToY(0)) + 1};
        c.UsePen(kBlack);
        c.s.Rectangle(r);
        const std::string text = FormatFloatF(1 / rb, 15, 0, c.set.nf);
        if (r.Width() >= c.s.TextExtent(text).width + 4) {
            c.UseFont(kBlack);
            ChartView::PlaceText(c.s, {(r.left + r.right) / 2, rb > 0 ? mid + 1 : mid - 1}, text, 1, rb > 0 ? 2 : 0);
        }
    }
}

void RetarderStrip(const PaintContext& c, const ChartView& pv, Strip st) {
    const model::TGleis& g = *c.in.gleis;
    c.UsePen(kMaroon);
    c.s.SetBrush({kMaroon, BrushStyle::Solid});
    for (int i = 1; i <= std::min(g.Nxbr, model::kMaxBremsen); ++i) {
        const double xa = std::max(c.Abs(g.Xbu[Ix(i)]), pv.XMin), xb = std::min(c.Abs(g.Xbo[Ix(i)]), pv.XMax);
        if (xb < xa) continue;
        c.s.Rectangle({pv.ToX(xa), st.top, pv.ToX(xb) + 1, st.bottom});
    }
}

void SwitchStrip(const PaintContext& c, const ChartView& pv, Strip st) {
    const model::TGleis& g = *c.in.gleis;
    c.UseFont(kGreen);
    for (int k = 1; k + 1 <= model::kSegmentSlots; ++k) {
        if (g.W[Ix(k)] <= 0) continue;
        const double xa = std::max(c.Abs(g.Xw[Ix(k)]), pv.XMin), xb = std::min(c.Abs(g.Xw[Ix(k + 1)]), pv.XMax);
        if (xb <= xa) continue;
        const Rect r{pv.ToX(xa), st.top, pv.ToX(xb) + 1, st.bottom};
        c.UsePen(kGreen);
        c.s.SetBrush({kGreen, BrushStyle::None});
        c.s.Rectangle(r);
        ChartView::PlaceText(c.s, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, "W", 1, 1);
    }
}

void Strips(const PaintContext& c, const ChartView& pv) {
    const int top = c.lay.stripsTop;
    const int bottom = c.lay.band.bottom - static_cast<int>(std::lround(c.lay.u));
    const int share = (bottom - top) / 4;
    if (share < 4) return;
    const int gap = std::max(2, share / 8);
    GradientStrip(c, pv, PlaceStrip(c, top, share - gap, "Neig [‰]"));
    CurveStrip(c, pv, PlaceStrip(c, top + share, share - gap, "Radius [m]"));
    RetarderStrip(c, pv, PlaceStrip(c, top + 2 * share, share - gap, "Bremsen"));
    SwitchStrip(c, pv, PlaceStrip(c, top + 3 * share, share - gap, "Weichen"));
}

}  // namespace

std::string HemmschuhLabel(double length, const NumberFormat& nf) {
    return "Hemmschuheweg = " + FormatWD(length, 8, 2, nf);
}

void SetProfileView(const PaintContext& c, ChartView& pv) {
    pv.x0 = c.lay.plot.left;
    pv.x1 = c.lay.plot.right;
    pv.y0 = c.lay.profileBottom;
    pv.y1 = c.lay.profileTop;
    pv.SetWorld(c.set.Dist.Von, c.set.Dist.Bis, c.profile.HMin, c.profile.HMax + kWagenRaum);
}

void DrawTrackBand(const PaintContext& c, const ChartView& pv) {
    SurfaceStateGuard guard(c.s);
    c.s.SetClip(c.lay.band);
    ProfileLine(c, pv);
    Retarders(c, pv);
    if (c.set.ShowTrack) Strips(c, pv);
}

}  // namespace gvm::graphics
