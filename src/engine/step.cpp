// One integration step: the sub-interval points where axles enter or leave retarders, the
// iteration on the step's end speed, and the sub-intervals with their retarder forces and
// event rows.

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/errors.h"
#include "engine/engine.h"

namespace gvm::engine {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Square root of a squared speed; below the precision the group stands.
double SpeedOf(double vv, double q) {
    return vv < q ? 0.0 : std::sqrt(vv);
}

}  // namespace

double TEngine::IntegrateStep(const model::TWagenGruppeN& group, double head, int pass) {
    const double xa = head - Schritt;
    double guess = V;
    if (pass > 2) guess = SpeedOf(std::fabs(V0 * V0 + (B0 + Bo) * Schritt), Q);
    SchrittWirkt = SchrittRegelung = false;
    SchrittIbrMax = 0;
    Bbr = 0;
    if (pass <= 1) {
        // The first pass only evaluates the start.
        VV = guess * guess;
        return guess;
    }
    NPunkte = 0;
    if (gleis.Nxbr > 0) CollectPoints(group, xa, head);

    SaveStepState();

    // Fixed-point iteration on the end speed; when the deviation stops shrinking an interval
    // takes over.
    double previous = 10, a = 1, b = 0;
    double v1 = guess;
    for (int it = 0; it < kMaxIterationen; ++it) {
        RestoreStepState();
        for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, gleis.Nxbr); ++i) {
            const auto is = static_cast<std::size_t>(i);
            const int kod = gleis.Kod[is];
            if ((kod == 3 || kod == 4) && br[is].Ein && gleis.Vaus[is] + Q < guess)
                br[is].AusErfasst = false;
        }
        const double vTry = guess;
        AirAt(vTry);
        Bo = BsKopf - Bl;
        nPending_ = 0;
        SchrittWirkt = SchrittRegelung = false;
        SchrittIbrMax = 0;
        if (gleis.Nxbr == 0) {
            v1 = SpeedOf(V0 * V0 + (B0 + Bo) * Schritt, Q);
            Bbr = 0;
        } else {
            v1 = IntegrateSubIntervals(group, xa, head, vTry, pass);
        }
        VV = V0 * V0 + (2 * Bbr + B0 + Bo) * Schritt;
        if (!std::isfinite(v1))
            throw EGravimont(" Die Geschwindigkeit ist nicht berechenbar an der Position " +
                             FormatFloatF(head + gleis.Xnull, 4, 2, nf_) + " m!");
        const double dv = v1 - vTry;
        if (std::fabs(dv) <= Q) break;
        if (std::fabs(dv) < std::fabs(previous)) {
            previous = dv;
            guess = v1;
        } else {
            if (previous != 0) {
                previous = 0;
                a = v1;
                b = vTry;
            } else if (std::fabs(vTry - b) <= std::fabs(vTry - a)) {
                a = vTry;
            } else {
                b = vTry;
            }
            guess = (a + b) / 2;
        }
        if (std::fabs(a - b) < Q / 10) break;
    }
    Flush();
    AirAt(v1);
    Bo = BsKopf - Bl;
    while (Ibr1 < Ibr2 && Ibr1 <= gleis.Nxbr && Passed(group, Ibr1, head)) ++Ibr1;
    return v1;
}

// An iteration changes only the retarders of the current range and the one behind it (the
// second of a coupled pair): saving just those keeps the many short runs of a search cheap.
void TEngine::SaveStepState() {
    savedLo_ = std::max(Ibr1, 1);
    savedHi_ = std::min(std::max(Ibr2, 0) + 1, kBremsSlots - 1);
    for (int i = savedLo_; i <= savedHi_; ++i) {
        const auto is = static_cast<std::size_t>(i);
        brSaved_[is] = br[is];
        vausSaved_[is] = gleis.Vaus[is];
    }
    std::copy(AchsZustand.begin(), AchsZustand.end(), achsSaved_.begin());
    regelungSaved_ = RegelungGestartet;
}

void TEngine::RestoreStepState() {
    for (int i = savedLo_; i <= savedHi_; ++i) {
        const auto is = static_cast<std::size_t>(i);
        br[is] = brSaved_[is];
        gleis.Vaus[is] = vausSaved_[is];
    }
    std::copy(achsSaved_.begin(), achsSaved_.end(), AchsZustand.begin());
    RegelungGestartet = regelungSaved_;
}

bool TEngine::Passed(const model::TWagenGruppeN& group, int i, double head) const {
    const auto is = static_cast<std::size_t>(i);
    if (gleis.Kod[is] < 0) return head - group.Ok9() > gleis.Xbo[is];
    return br[is].NextAx > group.NAchs && br[is].NIn == 0;
}

void TEngine::CollectPoints(const model::TWagenGruppeN& group, double xa, double head) {
    const TStrecke& g = gleis;
    const double limit = head + Q;
    const auto at = [&](double x) { return std::clamp(x, xa, head); };
    for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, g.Nxbr); ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Kod[is] < 0) {
            // Nothing acts here, but the range moves on past it.
            if (i == Ibr2 && Ibr2 < g.Inxbr && g.Xbu[is] + group.Ok1() <= limit) ++Ibr2;
            continue;
        }
        const TBremsZustand& z = br[is];
        int ne = z.NextAx, nl = z.NextAx - z.NIn;
        for (;;) {
            const double xEin =
                ne <= group.NAchs ? g.Xbu[is] + group.Abszisse[static_cast<std::size_t>(ne)] : kInf;
            const double xAus =
                nl < ne ? g.Xbo[is] + group.Abszisse[static_cast<std::size_t>(nl)] : kInf;
            if (!(std::min(xEin, xAus) <= limit)) break;
            if (xEin <= xAus) {
                AddPoint({at(xEin), ne, i, TTeilPunkt::Einlauf});
                if (ne == 1 && i == Ibr2 && Ibr2 < g.Inxbr) ++Ibr2;
                ++ne;
            } else {
                AddPoint({at(xAus), nl, i, TTeilPunkt::Auslauf});
                ++nl;
            }
        }
        if (!z.Ein && g.Xein[is] <= limit)
            AddPoint({at(g.Xein[is]), 0, i, TTeilPunkt::Einschalten});
    }
}

void TEngine::AddPoint(const TTeilPunkt& p) {
    int pos = NPunkte;
    while (pos > 0 && Punkte[static_cast<std::size_t>(pos - 1)].X > p.X) --pos;
    if (p.Achse == 0) {
        for (int k = 0; k < NPunkte; ++k) {
            const TTeilPunkt& q = Punkte[static_cast<std::size_t>(k)];
            if (q.Achse == 0 && q.X == p.X) return;
        }
    }
    // The step end is a point too.
    if (NPunkte + 2 >= kMaxTeilPunkte) throw EGravimont(" Zu viele Teilintervalle !");
    for (int k = NPunkte; k > pos; --k)
        Punkte[static_cast<std::size_t>(k)] = Punkte[static_cast<std::size_t>(k - 1)];
    Punkte[static_cast<std::size_t>(pos)] = p;
    ++NPunkte;
}

double TEngine::IntegrateSubIntervals(const model::TWagenGruppeN& group, double xa, double head,
                                      double guess, int pass) {
    const TStrecke& g = gleis;
    double x = xa, v = V0, t = T0, sum = 0;
    for (int k = 0; k <= NPunkte; ++k) {
        const bool stepEnd = k == NPunkte;
        const double xj = stepEnd ? head : Punkte[static_cast<std::size_t>(k)].X;
        LetzterTeilStart = x;
        const double bj = SubInterval(x, v, t, xj, stepEnd, guess, xa);
        const double len = xj - x;
        if (len > 0) sum += bj * len;

        // Axle-metres used by controlled retarders; a coupled pair uses one budget.
        if (len > 0) {
            for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, g.Nxbr); ++i) {
                const auto is = static_cast<std::size_t>(i);
                if (g.Kod[is] != 6) continue;
                if (g.Kodd[is] == 1 && i < g.Nxbr) {
                    const double used = br[is].AmUsed + len * (br[is].NIn + br[is + 1].NIn);
                    br[is].AmUsed = br[is + 1].AmUsed = used;
                } else if (!(g.Kodd[is] == 2 && i > Ibr1)) {
                    br[is].AmUsed += len * br[is].NIn;
                }
            }
        }
        if (!stepEnd) {
            ApplyPoint(group, Punkte[static_cast<std::size_t>(k)], v, t, bj);
        } else if (pass > 2 && LastRowIsEvent()) {
            Vormerken(head, (B0 + Bo) / 2 + bj, v, t, bj, Wind, evEndeTeilschritt);
        }
        // The decisive retarder of codes 0..2 lets go once its exit speed is undershot.
        if (IbrMax >= 1 && IbrMax <= g.Nxbr) {
            const auto is = static_cast<std::size_t>(IbrMax);
            if (g.Kod[is] >= 0 && g.Kod[is] <= 2 && v + Q < g.Vaus[is]) br[is].Aktiv = false;
        }
        x = xj;
    }
    Bbr = Schritt > 0 ? sum / Schritt : 0.0;
    teilZeit_ = NPunkte > 0 || nPending_ > 0;
    tTeilEnde_ = t;
    return v;
}

double TEngine::SubInterval(double& xa, double& va, double& ta, double xj, bool stepEnd,
                            double guess, double xaStep) {
    TStrecke& g = gleis;
    const double ohneBremsen = (B0 + Bo) / 2;
    const double vGuess = stepEnd ? guess : SpeedOf(V0 * V0 + (B0 + Bo) * (xj - xaStep), Q);

    // A retarder released below its exit speed grips again once the speed is above it.
    for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, g.Nxbr); ++i) {
        TBremsZustand& z = br[static_cast<std::size_t>(i)];
        if (z.AusPending && g.Vaus[static_cast<std::size_t>(i)] + Q < va) {
            z.AusPending = false;
            z.AusErfasst = false;
            Vormerken(xa, ohneBremsen, va, ta, 0, i, evEinschalten);
        }
    }
    Wirkt = false;
    IbrMax = 0;
    if (!(xj - xa > 0))
        return 0;  // an event at the start of the sub-interval: nothing to integrate

    double bj = TeilBremsung(xa, va, ta, xj, vGuess);
    double len = xj - xa;
    const bool wirkt = Wirkt;
    const double vx = VausMax;
    const int ibx = IbrMax;
    if (wirkt) {
        SchrittWirkt = true;
        if (ibx > 0) SchrittIbrMax = ibx;
    }
    double denom = 2 * bj + B0 + Bo;
    double v = SpeedOf(std::fabs(va) * va + denom * len, Q);

    if (wirkt && vx > 0 && v < vx + Q) {
        // A target retarder last in the range brakes to reach its exit speed exactly at the end.
        const auto last = static_cast<std::size_t>(std::clamp(Ibr2, 0, g.Nxbr));
        if (last >= 1 && g.Kod[last] == 3 && XEnde > xa && XEnde <= xj) {
            bj = -(va * va - vx * vx) / 2 / (XEnde - xa) - ohneBremsen;
            denom = 2 * bj + B0 + Bo;
            v = SpeedOf(std::fabs(va) * va + denom * len, Q);
        }
        const double dx = denom < 0 ? -(va * va - vx * vx) / denom : -1.0;
        if (dx >= 0 && dx <= len) {
            // The exit speed is reached inside: the retarders below it switch off there.
            const double xs = xa + dx;
            const double ts = va + vx > 0 ? ta + 2 * dx / (va + vx) : ta;
            for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, g.Nxbr); ++i) {
                const auto is = static_cast<std::size_t>(i);
                TBremsZustand& z = br[is];
                const int kod = g.Kod[is];
                if (kod < 0 || kod >= 5 || z.NIn <= 0 || z.AusErfasst) continue;
                if (!(g.Vaus[is] < va && v < g.Vaus[is] + Q)) continue;
                Vormerken(xs, denom / 2, vx, ts, bj, i, evAusschalten);
                z.AusErfasst = true;
                z.AusImLauf = true;
                if (kod <= 2) z.AusPending = true;
                if (kod == 0 && i == ibx) g.Vaus[is] = kVausOff;
            }
            // The rest of the sub-interval: with the forces at the new speed, so that the
            // retarders that reached their exit speed no longer grip.
            double xr = xs, vr = vx, tr = ts;
            double b2 = 0;
            if (xj - xr > 0) {
                b2 = TeilBremsung(xr, vr, tr, xj, vx);
                if (Wirkt) SchrittWirkt = true;
            }
            const double rest = xj - xr;
            v = rest > 0 ? SpeedOf(std::fabs(vr) * vr + (2 * b2 + B0 + Bo) * rest, Q) : vr;
            ta = rest > 0 && vr + v > 0 ? tr + 2 * rest / (vr + v) : tr;
            va = v;
            Wirkt = wirkt;
            VausMax = vx;
            IbrMax = ibx;
            return len > 0 ? (dx * bj + std::max(rest, 0.0) * b2) / len : bj;
        }
    }
    ta = va + v > 0 ? ta + 2 * len / (va + v) : ta;
    va = v;
    return bj;
}

void TEngine::ApplyPoint(const model::TWagenGruppeN& group, const TTeilPunkt& p, double& v,
                         double t, double bbrJ) {
    TStrecke& g = gleis;
    const auto is = static_cast<std::size_t>(p.Ibr);
    TBremsZustand& z = br[is];
    const double besch = (B0 + Bo) / 2 + bbrJ;
    const double parameter = p.Achse + p.Ibr / 100.0;
    switch (p.Typ) {
        case TTeilPunkt::Einlauf:
            ++z.NIn;
            z.NextAx = std::max(z.NextAx, p.Achse + 1);
            AchsZustand[static_cast<std::size_t>(p.Achse)] = p.Ibr;
            if (p.Achse == 1 && g.Kod[is] == 0)
                Vormerken(p.X, besch, v, t, bbrJ, 1.01, evEinlaufHemmschuh);
            else
                Vormerken(p.X, besch, v, t, bbrJ, parameter, evEinlaufAchse);
            break;
        case TTeilPunkt::Auslauf:
            z.NIn = std::max(0, z.NIn - 1);
            AchsZustand[static_cast<std::size_t>(p.Achse)] = -(p.Ibr + 1);
            // The last axle leaving a target retarder that switched off leaves at its exit speed.
            if (p.Achse == group.NAchs && (g.Kod[is] == 3 || g.Kod[is] == 4) && z.AusErfasst &&
                std::fabs(v - g.Vaus[is]) <= 0.01 && !suche.FirstOfClosePair(p.Ibr))
                v = g.Vaus[is];
            Vormerken(p.X, besch, v, t, bbrJ, parameter, evAuslaufAchse);
            break;
        case TTeilPunkt::Einschalten:
            z.Ein = true;
            Vormerken(p.X, besch, v, t, bbrJ, p.Ibr, evEinschalten);
            break;
    }
}

}  // namespace gvm::engine
