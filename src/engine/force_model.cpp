// Force model: static acceleration (gradient, curves, switches, rolling resistance), wind and
// air resistance, and the retarder forces with the control of code-6 retarders.

#include "engine/force_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/engine.h"

namespace gvm::engine {

namespace {

constexpr double kPi = std::numbers::pi;

// sign(w) applied to x: +|x| for w > 0, -|x| for w < 0, x itself for w = 0.
double SignOf(double w, double x) {
    if (w > 0) return std::fabs(x);
    if (w < 0) return -std::fabs(x);
    return x;
}

double SqrtPos(double x) {
    return x > 0 ? std::sqrt(x) : 0.0;
}

// Linear profile over sections 1..n with lower bounds b[1..n+1], values lo at the lower and hi
// at the upper bound. Exactly on a bound between two sections the mean of both sides; before
// the first section its start value, beyond the last its end value.
template <typename Arr>
double LinearProfile(const Arr& b, const Arr& lo, const Arr& hi, int n, double x) {
    if (n < 1) return 0.0;
    if (!(x >= b[1])) return lo[1];
    if (x >= b[static_cast<std::size_t>(n + 1)]) return hi[static_cast<std::size_t>(n)];
    // Largest section whose lower bound is at or before x.
    const auto first = b.begin() + 1;
    const auto last = b.begin() + n + 1;
    const int k = static_cast<int>(std::upper_bound(first, last, x) - b.begin()) - 1;
    const auto ks = static_cast<std::size_t>(k);
    if (x == b[ks] && k > 1) {
        // On the bound that ends the previous (non-empty) section.
        int m = k - 1;
        while (m > 1 && b[static_cast<std::size_t>(m)] == b[static_cast<std::size_t>(m + 1)]) --m;
        return (hi[static_cast<std::size_t>(m)] + lo[ks]) / 2;
    }
    const double len = b[ks + 1] - b[ks];
    if (!(len > 0)) return lo[ks];
    return lo[ks] + (x - b[ks]) * (hi[ks] - lo[ks]) / len;
}

// Mean of a piecewise constant value (segments 1..n from b[k] to b[k+1]) over [a, e]; a point
// (e <= a) takes the value of the segment that holds it. Outside the segments the value is 0.
template <typename Arr>
double MeanOver(const Arr& b, const Arr& val, int n, double a, double e) {
    if (n < 1) return 0.0;
    const double len = e - a;
    if (!(len > 0)) {
        for (int k = 1; k <= n; ++k) {
            const auto ks = static_cast<std::size_t>(k);
            if (e >= b[ks] && e < b[ks + 1]) return val[ks];
        }
        return 0.0;
    }
    double sum = 0;
    for (int k = 1; k <= n; ++k) {
        const auto ks = static_cast<std::size_t>(k);
        if (b[ks] >= e) break;
        const double covered = std::min(e, b[ks + 1]) - std::max(a, b[ks]);
        if (covered > 0) sum += covered * val[ks];
    }
    return sum / len;
}

}  // namespace

double ArcSinFull(double a) {
    if (a == 0) return 0;
    if (a > 0 && a < 1) return std::asin(a);
    if (a >= 1) return kPiHalbGerundet;
    if (a > -1) return kZweiPiGerundet - std::asin(std::fabs(a));
    return kDreiPiHalbGerundet;
}

double Quadratic(double x0, double y0, double x1, double y1, double x2, double y2, double x) {
    const double d01 = (y1 - y0) / (x1 - x0);
    const double d12 = (y2 - y1) / (x2 - x1);
    const double d012 = (d12 - d01) / (x2 - x0);
    return y0 + d01 * (x - x0) + d012 * (x - x0) * (x - x1);
}

double CtAt(double alpha, const std::array<double, 11>& ct) {
    double s = alpha >= 0 ? 1.0 : -1.0;
    double a = std::fabs(alpha);
    if (a > kPi) a = 2 * kPi - a;
    if (a == kPi) return -s * ct[0];
    if (a > kPi / 2) {
        a = kPi - a;  // a wind from behind pushes
        s = -s;
    }
    if (a == kPi / 2) return 0;
    if (a == 0) return s * ct[0];
    int j = 2;
    while (j < 10 && kCtWinkel[static_cast<std::size_t>(j)] < a) ++j;
    const auto js = static_cast<std::size_t>(j);
    if (kCtWinkel[js] == a) return s * ct[js - 1];
    return s * Quadratic(kCtWinkel[js - 1], ct[js - 2], kCtWinkel[js], ct[js - 1],
                         kCtWinkel[js + 1], ct[js], a);
}

TRelWind RelativeWind(double v, double w, double beta, bool mitLuft) {
    TRelWind r;
    if (!mitLuft) {
        r.Vr = v;
        return r;
    }
    if (beta > kPi) beta = kZweiPiGerundet - beta;
    if (beta < kPiHalbGerundet) {
        if (beta == 0) {
            r.Vr = v + w;
        } else {
            r.Vr = SignOf(w, SqrtPos(v * v + w * w + 2 * v * std::fabs(w) * std::cos(beta)));
            if (r.Vr != 0) r.Alpha = ArcSinFull(std::sin(beta) * w / r.Vr);
        }
    } else if (beta == kPiHalbGerundet) {
        r.Vr = SignOf(w, SqrtPos(v * v + w * w));
        if (r.Vr != 0) r.Alpha = ArcSinFull(w / r.Vr);
    } else {
        const double gamma = kPi - beta;
        r.Vr = SignOf(w, SqrtPos(v * v + w * w - 2 * v * std::fabs(w) * std::cos(gamma)));
        if (r.Vr == 0) {
            r.Alpha = kPiHalbGerundet;
            r.OhneKraft = true;
            return r;
        }
        const double q = std::sin(gamma) * w / r.Vr;
        if (q >= 1) {
            r.Alpha = kPiHalbGerundet;
        } else {
            const double t = std::fabs(std::cos(gamma) * w) - v;
            if (t < 0)
                r.Alpha = ArcSinFull(q);
            else if (t > 0)
                r.Alpha = kPi - ArcSinFull(q);
            else
                r.Alpha = kPiHalbGerundet;
        }
    }
    return r;
}

double AirDeceleration(double ctAtAlpha, double fl, double vr, double fmq, double sg) {
    const double m = 16 * fmq * sg;
    if (!(m != 0)) return 0;
    return ctAtAlpha * fl * vr * vr / m;
}

int SpeedClass(double v) {
    if (v <= 0) return 2;
    int i = 1;
    while (i < 7 && kTabellenSpeed[static_cast<std::size_t>(i + 1)] <= v) ++i;
    return i + 1;
}

double TableForce(const std::array<model::TMassenstufe, 11>& rows, int n, double load, double v,
                  int j) {
    n = std::clamp(n, 0, model::kMaxMassenstufen);
    if (n == 0) return 0;
    int k = 1;
    while (k < n && !(rows[static_cast<std::size_t>(k)].Go > load)) ++k;
    const auto& w = rows[static_cast<std::size_t>(k)].Wert;
    const auto js = static_cast<std::size_t>(std::clamp(j, 2, 8));
    return Quadratic(kTabellenSpeed[js - 1], w[js - 1], kTabellenSpeed[js], w[js],
                     kTabellenSpeed[js + 1], w[js + 1], v);
}

// ---------------------------------------------------------------------------------------------
// Static acceleration

TStatAnteile TEngine::StatAnteile(const model::TWagenGruppeN& group, double p) const {
    TStatAnteile a;
    const TStrecke& g = gleis;
    const double masse = group.WGMasse;
    for (const auto& wp : group.WagenListe) {
        const model::TWagenN& w = *wp;
        if (!(w.Fm != 0) || !(masse != 0)) continue;
        const double perAxle = w.AchsLast / (w.Fm * masse);
        for (int l = 1; l <= w.NAchs; ++l) {
            const double x = p - w.AbszisseWG[static_cast<std::size_t>(l)];
            // Before the profile start an axle stands on the first section's start values.
            const double s =
                x < 0 ? (g.Nxs >= 1 ? g.S1[1] : 0.0) : LinearProfile(g.X, g.S1, g.S2, g.Nxs, x);
            const double r =
                x < 0 ? (g.Nxwr >= 1 ? g.W1[1] : 0.0) : LinearProfile(g.Xrw, g.W1, g.W2, g.Nxwr, x);
            a.Neig -= s * perAxle;
            a.Roll -= w.Wr0 * (r / 100) * perAxle;
        }
        // Curves and switches: means over the wheelbase, rear axle to front axle.
        const double front = p - w.AbszisseWG[1];
        const double rear = front - w.Sax;
        const double perWagon = w.WagenMasse / (masse * w.Fm);
        const double kappa = MeanOver(g.Xr, g.Rb, g.Nbog - 1, rear, front);
        a.Bogen -= std::fabs(kappa) * (g.Epsi1 * w.Achs + g.Epsio) * perWagon;
        if (g.Nxw >= 1) a.Weich -= MeanOver(g.Xw, g.W, g.NSegW, rear, front) * perWagon;
    }
    return a;
}

// ---------------------------------------------------------------------------------------------
// Wind and air

void TEngine::WindAt(double cg) {
    const TStrecke& g = gleis;
    if (g.Nxl < 1) {
        Wind = 0;
        BetaArbeit = 0;
        return;
    }
    // The track turns under the wind: the angle falls by length x curvature of every curve
    // segment passed since the last evaluation (the first one counts from its segment's start).
    const int nSeg = g.Nbog - 1;
    if (nSeg >= 1 && cg >= g.Xr[1]) {
        auto segEnd = [&](int k) { return g.Xr[static_cast<std::size_t>(k + 1)]; };
        if (WindErst) {
            BogenCursor = 1;
            while (BogenCursor < nSeg && cg >= segEnd(BogenCursor)) ++BogenCursor;
            const auto k = static_cast<std::size_t>(BogenCursor);
            if (cg < segEnd(BogenCursor)) BetaWind -= (cg - g.Xr[k]) * g.Rb[k];
        } else if (cg > CgVorher) {
            double from = std::max(CgVorher, g.Xr[1]);
            while (BogenCursor < nSeg && cg >= segEnd(BogenCursor)) {
                const auto k = static_cast<std::size_t>(BogenCursor);
                BetaWind -= std::max(0.0, segEnd(BogenCursor) - std::max(from, g.Xr[k])) * g.Rb[k];
                from = segEnd(BogenCursor);
                ++BogenCursor;
            }
            const auto k = static_cast<std::size_t>(BogenCursor);
            if (cg < segEnd(BogenCursor)) BetaWind -= (cg - std::max(from, g.Xr[k])) * g.Rb[k];
        }
    }
    WindErst = false;
    CgVorher = std::max(CgVorher, cg);
    BetaArbeit = std::fabs(BetaWind);

    // Wind speed of the air section that holds the centre of gravity; none outside them.
    double vl = 0;
    const auto last = static_cast<std::size_t>(g.Nxl + 1);
    if (cg >= g.Xl[1] && cg < g.Xl[last]) {
        while (LuftCursor < g.Nxl && cg >= g.Xl[static_cast<std::size_t>(LuftCursor + 1)])
            ++LuftCursor;
        const auto n = static_cast<std::size_t>(LuftCursor);
        const double len = g.Xl[n + 1] - g.Xl[n];
        if (cg == g.Xl[n] && n > 1)
            vl = (g.Vlu[n] + g.Vlo[n - 1]) / 2;
        else if (len > 0)
            vl = g.Vlu[n] + (g.Vlo[n] - g.Vlu[n]) * (cg - g.Xl[n]) / len;
        else
            vl = g.Vlu[n];
    }
    Wind = g.Vlg * vl / 100;
    if (Wind < 0) BetaArbeit = std::fabs(std::numbers::pi - BetaArbeit);
}

void TEngine::AirAt(double v) {
    const TRelWind r = RelativeWind(v, Wind, BetaArbeit, gleis.Nxl >= 1);
    Vr = r.Vr;
    Alpha = r.Alpha;
    if (r.OhneKraft || gruppe == nullptr) {
        Bl = 0;
        return;
    }
    Bl = AirDeceleration(CtAt(Alpha, gruppe->Ct), gruppe->Fl, Vr, gruppe->Fmq, gruppe->Sg);
}

// ---------------------------------------------------------------------------------------------
// Retarders

double TEngine::BremsKraefte(double v, double vA) {
    Bbr = 0;
    Wirkt = false;
    Regelung = false;
    VausMax = -1;
    IbrMax = 0;
    if (gruppe == nullptr) return 0;
    const model::TWagenGruppeN& grp = *gruppe;
    TStrecke& g = gleis;
    const int j = SpeedClass(v);
    const int last = std::min(Ibr2, g.Nxbr);
    for (int i = std::max(Ibr1, 1); i <= last; ++i) {
        const auto is = static_cast<std::size_t>(i);
        TBremsZustand& z = br[is];
        if (z.NIn <= 0) continue;
        const int kod = g.Kod[is];
        if (kod < 0) continue;  // a retarder without a usable type
        z.FBr = 0;
        const double vaus = g.Vaus[is];
        const bool belowExit = v <= vaus + Q;
        if (belowExit && kod != 6 && kod != 7 && kod != 8 && !(kod == 9 && vA < vaus - Q)) continue;
        if (!z.Aktiv || !z.Ein) continue;

        const int typNo = g.BremsArtNo[is];
        const model::TBremsArt* typ = typNo >= 1 && typNo <= model::kMaxBremsArt
                                          ? &g.Typ[static_cast<std::size_t>(typNo)]
                                          : nullptr;
        double sumFb = 0, sumFi = 0, sum8 = 0;
        double fb = 0, fi = 0;
        double prevLoad = std::numeric_limits<double>::quiet_NaN();
        const int firstAx = std::max(1, z.NextAx - z.NIn);
        const int lastAx = std::min(grp.NAchs, z.NextAx - 1);
        for (int k = firstAx; k <= lastAx; ++k) {
            const double load = grp.AchsenLast[static_cast<std::size_t>(k)];
            if (!(load == prevLoad)) {
                fb = typ ? TableForce(typ->Kraft, typ->NKraft, load, v, j) : 0.0;
                fi = typ ? TableForce(typ->Leerlauf, typ->NLeerlauf, load, v, j) : 0.0;
                prevLoad = load;
            }
            if (kod != 8) {
                sumFb += fb;
                sumFi += fi;
            } else {
                // Axle-specific exit speed from axle load and wheel diameter.
                const double d = 920 - grp.RadDurchMesser[static_cast<std::size_t>(k)];
                const double p =
                    (((g.FaB3[is] * load + g.FaB2[is]) * load + g.FaB1[is]) * load + g.FaB0[is]) /
                    4.25;
                const double c = (d * (g.FdC1[is] * d + g.FdC0[is]) + 100) / 100;
                if (vaus * p * c + Q >= v)
                    sum8 += fi * g.Wir[is] / 100;
                else
                    sum8 += fb * g.Wbr[is] / 100;
            }
        }
        if (kod == 0) {
            const double bb1 = typ && typ->NKraft >= 1 ? typ->Kraft[1].Wert[1] : 0.0;
            sumFb = grp.AchsenLast[1] * bb1 * 9.81 * g.Wbr[is];
        }
        const int n = z.NIn;
        const double reduktion = g.A1[is] + g.A2[is] * n + g.A3[is] * n * n;
        // A reduction that is not positive would divide by zero or turn braking into pushing:
        // such a retarder brakes unreduced.
        const double faktor = reduktion > 0 ? 1 / reduktion : 1.0;
        switch (kod) {
            case 0:
                Bbr -= sumFb;
                break;
            case 1:
            case 3:
                Bbr -= sumFb * g.Wbr[is] / 100;
                break;
            case 2:
            case 4:
                Bbr -= sumFb * g.Wbr[is] / 100 * faktor;
                break;
            case 5:
                if (vA > vaus + Q)
                    Bbr -= sumFb * g.Wbr[is] / 100;
                else if (vA <= vaus - Q)
                    Bbr += sumFi * g.Wir[is] / 100;
                break;
            case 6:
                z.FBr = -sumFb;
                Regelung = true;
                break;
            case 7:
                if (vA > vaus + Q)
                    Bbr -= sumFb * g.Wbr[is] / 100;
                else
                    Bbr -= sumFi * g.Wir[is] / 100;
                break;
            case 8:
                Bbr -= sum8;
                break;
            case 9:
                if (vA <= vaus - Q && reduktion != 0) Bbr += sumFb * g.Wbr[is] / (100 * reduktion);
                break;
            default:
                break;
        }
        Wirkt = true;
        if (z.Aktiv && vaus > VausMax && (kod < 5 || (kod == 7 && vA > vaus + Q))) {
            VausMax = vaus;
            IbrMax = i;
        }
    }
    const double m = grp.Sg * grp.Fmq;
    Bbr = m != 0 ? Bbr / m : 0.0;
    return Bbr;
}

double TEngine::TeilBremsung(double& xa, double& va, double& ta, double xj, double vGuess) {
    BremsKraefte((va + vGuess) / 2, va);
    if (gruppe == nullptr) return Bbr;
    const model::TWagenGruppeN& grp = *gruppe;
    TStrecke& g = gleis;
    const double ohneBremsen = (B0 + Bo) / 2;
    const double masse = grp.Sg * grp.Fmq;
    const int last = std::min(Ibr2, g.Nxbr);
    const int first = std::max(Ibr1, 1);

    // Controlled retarders (code 6) whose start the first axle has reached.
    bool any6 = false;
    for (int i = first; i <= last; ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Kod[is] != 6 || xj - grp.Ok1() + Q < g.Xbu[is]) continue;
        any6 = true;
        TBremsZustand& z = br[is];
        const double vaus = g.Vaus[is];
        if (g.Xein[is] > g.Xgipf && std::fabs(g.Xein[is] - xa) <= Q) z.Ein = true;
        const double rest = z.AmBudget - z.AmUsed;
        if (vaus < va && z.BSoll == -1 && rest != 0) {
            z.BSoll = -(va * va - vaus * vaus) / 2 / rest;
            if (i == first) RegelungGestartet = true;
        }
        // A slow group that reaches the exit speed inside the sub-interval starts the control
        // there.
        const double bm = ohneBremsen + Bbr;
        if (!RegelungGestartet && va < vaus && bm > 0) {
            const double d = (vaus * vaus - va * va) / 2 / bm;
            if (d <= xj - xa) {
                if (va + vaus > 0) ta += 2 * d / (va + vaus);
                xa += d;
                va = vaus;
                z.BSoll = 0;
                if (g.Kodd[is] == 1 && i + 1 < kBremsSlots) br[is + 1].BSoll = 0;
                RegelungGestartet = true;
            }
        }
    }
    if (any6) {
        int nBrems = 0;
        double vSollMin = 100;
        for (int i = first; i <= last; ++i) {
            const auto is = static_cast<std::size_t>(i);
            TBremsZustand& z = br[is];
            z.NbBr = 0;
            z.BBki = 99;
            if (g.Kod[is] != 6 || !z.Geregelt) continue;
            const double rest = z.AmBudget - z.AmUsed;
            const double vaus = g.Vaus[is];
            z.VZiel =
                rest <= 0 ? va + 1 : std::sqrt(std::max(0.0, vaus * vaus - 2 * rest * z.BSoll));
            if (z.VZiel - Q <= va) z.NbBr = z.NIn;
            nBrems += z.NbBr;
            vSollMin = std::min(vSollMin, z.VZiel);
        }
        if (Regelung) {
            // Share the deceleration the remaining axle-metres need among the braking axles,
            // each retarder limited by its capacity; the record goes with the step's row.
            const double bm = ohneBremsen + Bbr;
            double erlaubt = 0;
            BkinaSatz = TBKINA{};
            int slot = 0;
            for (int i = first; i <= last; ++i) {
                const auto is = static_cast<std::size_t>(i);
                if (g.Kod[is] != 6) continue;
                TBremsZustand& z = br[is];
                const double rest = z.AmBudget - z.AmUsed;
                if (nBrems > 0 && rest > 0 && z.NbBr > 0) {
                    const double vaus = g.Vaus[is];
                    const double b = -(va * va - vaus * vaus) / 2 / rest;
                    const double m = bm / nBrems;
                    double verz = 0;
                    if (!(m < b)) {
                        const double kapazitaet =
                            masse != 0 ? z.FBr / masse * g.Wbr[is] / 100 : 0.0;
                        verz = std::max((b - m) * z.NbBr, kapazitaet);
                    }
                    z.BBki = verz;
                    erlaubt += verz;
                }
                if (slot < 4) {
                    BkinaSatz.Bki[static_cast<std::size_t>(slot)] = z.NbBr > 0 ? z.BBki : 99;
                    BkinaSatz.Nb[static_cast<std::size_t>(slot)] = z.NbBr;
                    ++slot;
                }
            }
            for (int k = slot; k < 4; ++k) BkinaSatz.Bki[static_cast<std::size_t>(k)] = 99;
            const double verwendet = bm + erlaubt;
            BkinaSatz.Bki0 = bm;
            BkinaSatz.Sbkb = erlaubt;
            BkinaSatz.Sbkm = verwendet;
            BkinaSatz.VSoll = RegelungGestartet ? vSollMin : 99;
            SchrittRegelung = true;
            if (erlaubt != 0) Bbr = verwendet - ohneBremsen;
        }
    }

    // Conveyor limit: a conveyor pushes up to its exit speed, not beyond.
    const double len = xj - xa;
    for (int i = first; i <= last; ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Kod[is] != 9 || br[is].NIn <= 0 || !(len > 0)) continue;
        if (Bbr > 0 && len * Bbr + va > g.Vaus[is]) Bbr = (g.Vaus[is] - va) / len - ohneBremsen;
    }
    return Bbr;
}

}  // namespace gvm::engine
