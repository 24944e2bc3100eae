#include "graphics/wagon_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gvm::graphics {

namespace {

constexpr double kRadMm = 460;     // wheel radius [mm]
constexpr double kHoheMm = 3900;   // top of a wagon body above the rail [mm]
constexpr double kSpaltM = 0.35;   // body ends this far inside the buffer planes [m]

struct Vec {
    double x = 0, y = 0;
};

Point At(Vec origin, Vec dir, Vec up, double along, double height) {
    return {static_cast<int>(std::lround(origin.x + dir.x * along + up.x * height)),
            static_cast<int>(std::lround(origin.y + dir.y * along + up.y * height))};
}

}  // namespace

Color AxleLoadColor(double achsLast) {
    static constexpr std::array<Color, 7> kClasses = {0xF4D5B5, 0xF4D5B5, 0xEEBA86, 0xE79F58,
                                                     0xE08529, 0xBA6A1B, 0x8B5014};
    const double c = std::trunc(achsLast / 4);
    if (c <= 1) return kClasses[1];
    if (c > 6) return 0x000000;
    return kClasses[static_cast<std::size_t>(c)];
}

int WheelRadius(const ChartView& pv) {
    const double r = std::min(kRadMm * std::fabs(pv.SY), 0.5 * std::fabs(pv.SX));
    return std::max(2, static_cast<int>(std::lround(r)));
}

void DrawWagons(Surface& s, const ChartView& pv, const Profile& profile, model::TWagenGruppeN& group,
                double head, std::optional<Color> erase) {
    const int rad = WheelRadius(pv);
    const double hoehe = std::max(4.0 * rad, kHoheMm * std::fabs(pv.SY));
    const Color outline = erase.value_or(group.Barva);
    for (int w = 1; w <= group.WagenAnzahl(); ++w) {
        model::TWagenN& wg = group.Wagen(w);
        const double xf = head - wg.AbszisseWagen[0];
        const double xr = xf - wg.Sx;
        const Point pf = pv.ToDevice(xf, profile.HeightAt(xf));
        const Point pr = pv.ToDevice(xr, profile.HeightAt(xr));
        const double dx = pf.x - pr.x, dy = pf.y - pr.y;
        const double len = std::hypot(dx, dy);
        if (len < 1 || wg.Sx <= 0) continue;
        const Vec dir{dx / len, dy / len};
        const Vec up{dir.y, -dir.x};
        const double perM = len / wg.Sx;  // pixels per metre along the wagon
        wg.LangW = len;
        wg.CosW = dir.x;
        wg.SinW = dir.y;
        wg.HoheW = hoehe;
        wg.VorW = wg.Vu * perM;
        wg.HinterW = wg.Hu * perM;
        wg.Px = pf.x;
        wg.XPuff = 2.0 * rad;
        wg.RadX = rad;

        const Vec origin{static_cast<double>(pr.x), static_cast<double>(pr.y)};
        const double gap = std::min(kSpaltM * perM, len / 10);
        const std::array<Point, 4> body = {At(origin, dir, up, gap, wg.XPuff), At(origin, dir, up, len - gap, wg.XPuff),
                                           At(origin, dir, up, len - gap, hoehe), At(origin, dir, up, gap, hoehe)};
        s.SetPen({outline, 1, PenStyle::Solid});
        s.SetBrush({erase.value_or(AxleLoadColor(wg.AchsLast)), BrushStyle::Solid});
        s.Polygon(body);
        s.SetBrush({erase.value_or(0xFFFFFF), BrushStyle::Solid});
        for (int k = 1; k <= wg.NAchs && k <= model::kMaxAchsenProWagen; ++k) {
            const double along = len - wg.AbszisseWagen[static_cast<std::size_t>(k)] * perM;
            const Point c = At(origin, dir, up, along, rad);
            s.Ellipse({c.x - rad, c.y - rad, c.x + rad + 1, c.y + rad + 1});
        }
    }
}

}  // namespace gvm::graphics
