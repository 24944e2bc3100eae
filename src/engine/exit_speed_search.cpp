// Exit-speed search: segment records, close pairs, the backward pass with its passability
// runs and the two halving searches, and the final run; the speed-at-position lookup.

#include "engine/exit_speed_search.h"

#include <algorithm>
#include <cmath>

namespace gvm::engine {

namespace {

constexpr double kAufgeben = 9.9;       // raising gives up above this exit speed [m/s]
constexpr double kSprung = 9.5;         // from here raising jumps to the limit [m/s]
constexpr double kGenauigkeit = 0.01;   // halving stops below it; acceptance band [m/s]
constexpr double kToleranzAus = 0.002;  // above the required speed, exit search [m/s]
constexpr double kToleranzEin = 0.05;   // above the required speed, entry search [m/s]
constexpr double kEngesPaar = 5.0;      // next retarder begins less than this after [m]
constexpr int kMaxAnhebungen = 32;      // raising reaches the limit after 8; guards NaN
constexpr int kMaxHalbierungen = 16;    // halving needs 10 trials; guards the loop
constexpr double kNachStufe = 0.2;      // bracketing step of the final correction [m/s]
constexpr double kNachZiel = 0.005;     // the correction stops this close to the target [m/s]
constexpr int kMaxNachLaeufe = 12;      // full runs the correction may spend

double RowValue(const std::vector<double>& c, int i) {
    return c[static_cast<std::size_t>(i)];
}

// The lookup for a position not beyond the end: a first guess of the row from the nominal
// step, jumps forward while rows lie before x, then the interpolation.
double SpeedInside(const TVysledky& s, int n, double x, double ddx) {
    const double guess = std::trunc((x - RowValue(s.Dist, 1)) / ddx);
    if (!(guess >= 1)) return RowValue(s.Gesch, 1);
    int k = static_cast<int>(std::min(guess, static_cast<double>(n)));
    // Rows lie at most one nominal step apart, so the guess and each jump stay at or before x.
    while (k < n && x > RowValue(s.Dist, k + 1)) {
        const double jump = std::trunc((x - RowValue(s.Dist, k + 1)) / ddx);
        k += static_cast<int>(std::min(jump, static_cast<double>(n))) + 1;
    }
    k = std::min(k, n);
    // A series run with a coarser step than `ddx` may put the guess beyond x.
    while (k > 1 && RowValue(s.Dist, k) > x) --k;
    if (k == n) return RowValue(s.Gesch, k);
    const double d0 = RowValue(s.Dist, k), d1 = RowValue(s.Dist, k + 1);
    if (std::fabs(d1 - d0) < 1e-12) return RowValue(s.Gesch, k);
    const double g0 = RowValue(s.Gesch, k), g1 = RowValue(s.Gesch, k + 1);
    return g0 + (g1 - g0) * (x - d0) / (d1 - d0);
}

// The backward search over the segment records of one call.
class Search {
  public:
    Search(TEngine& e, model::TWagenGruppeN& group, double vz, double xz, double v, double x0)
        : e_(e), g_(e.gleis), group_(group), vz_(vz), xz_(xz), v_(v), x0_(x0) {}

    double Run() {
        Prepare();
        BackwardPass();
        for (int i = 0; i <= model::kMaxBremsen; ++i) {
            const auto is = static_cast<std::size_t>(i);
            g_.VausGefunden[is] = vaus_[is];
        }
        return Correct(FinalRun());
    }

  private:
    TSuchSegment& Seg(int i) { return e_.suche.Segment[static_cast<std::size_t>(i)]; }
    double& Vaus(int i) { return vaus_[static_cast<std::size_t>(i)]; }
    double VausGleis(int i) const { return g_.VausGleis[static_cast<std::size_t>(i)]; }
    // Head positions [m, track abscissa] where the first axle reaches and the last axle leaves
    // retarder i.
    double Einfahrt(int i) const {
        return std::min(g_.Xbu[static_cast<std::size_t>(i)] + g_.Xnull + group_.Ok1(), xz_);
    }
    double Ausfahrt(int i) const {
        return g_.Xbo[static_cast<std::size_t>(i)] + g_.Xnull + group_.Ok9();
    }

    void Prepare() {
        naeherung_ = e_.NaeherungsStart;
        g_.Nxbr = std::clamp(g_.Nxbr, 0, model::kMaxBremsen);
        g_.Inxbr = std::clamp(g_.Inxbr, 0, g_.Nxbr);
        if (g_.IbrStart == 0) g_.IbrStart = 1;
        g_.IbrStart = std::clamp(g_.IbrStart, 1, g_.Nxbr + 1);
        first_ = g_.IbrStart - 1;
        last_ = std::max(g_.Inxbr, first_);
        g_.VausGleis[static_cast<std::size_t>(first_)] = v_;

        // The search's own exit speeds: the integration switches retarders off in the working
        // list, so every trial starts again from these.
        vaus_ = g_.Vaus;
        for (int i = first_; i <= last_; ++i) Vaus(i) = VausGleis(i);
        e_.suche.Segment.fill(TSuchSegment{});
        e_.suche.MaxEinlauf = 0;
        e_.suche.ZuSchnell = false;
        MarkClosePairs();
        FillRecords();
    }

    // Greedily from the first retarder: a retarder is never the second of one pair and the
    // first of the next.
    void MarkClosePairs() {
        for (int i = g_.IbrStart; i < last_;) {
            const auto is = static_cast<std::size_t>(i);
            if (g_.Xbu[is + 1] < g_.Xbo[is] + kEngesPaar) {
                Seg(i).Paar = 1;
                Seg(i + 1).Paar = 2;
                i += 2;
            } else {
                ++i;
            }
        }
    }

    void FillRecords() {
        for (int i = first_; i <= last_; ++i) {
            TSuchSegment& s = Seg(i);
            if (i == first_) {
                s.XEin = s.XAus = x0_;
                s.VEin = s.VAus = v_;
            } else {
                s.XEin = Einfahrt(i);
                s.XAus = Ausfahrt(i);
                s.VEin = s.VAus = VausGleis(i);
            }
            s.XEnde = i == last_ ? xz_ : Einfahrt(i + 1);
            s.VEnde = i == last_ ? vz_ : VausGleis(i + 1);
            if (xz_ <= s.XAus) {
                s.XAus = xz_;
                s.VAus = vz_;
            }
        }
    }

    void BackwardPass() {
        for (int i = last_; i >= first_; --i) {
            e_.suche.ZuSchnell = false;
            Vaus(i) = VausGleis(i);
            Seg(i).VEin = Vaus(i);
            if (Seg(i).Paar == 2 && i > g_.IbrStart) {
                // The pair is searched as one retarder from the first's entry to the second's
                // exit.
                TSuchSegment& a = Seg(i - 1);
                const TSuchSegment& b = Seg(i);
                a.XAus = b.XAus;
                a.VAus = b.VAus;
                a.XEnde = b.XEnde;
                a.VEnde = b.VEnde;
                Vaus(i) = Vaus(i - 1);
                --i;
            }
            Passability(i);
            const double exit = Halving(Seg(i).XAus, Seg(i).XEnde, Seg(i).VEnde, kToleranzAus);
            if (i == first_) {
                e_.suche.MaxEinlauf = exit;
            } else {
                TakeExitSpeed(i, exit);
                SearchEntrySpeed(i);
            }
        }
    }

    // Raises the exit speed until the group, entering at it, reaches the end of the segment;
    // at the limit the too-fast mark is set instead.
    void Passability(int i) {
        const TSuchSegment& s = Seg(i);
        Trial(s.XEin, Vaus(i), s.XEnde, s.VEnde);
        bool lastRunAtCurrent = true;  // a repeat of an identical run would change nothing
        for (int n = 0; n < kMaxAnhebungen && !Reached(s.XEnde) && !e_.suche.ZuSchnell; ++n) {
            if (!lastRunAtCurrent) Trial(s.XEin, Vaus(i), s.XEnde, s.VEnde);
            if (Vaus(i) > kAufgeben) {
                e_.suche.ZuSchnell = true;
            } else {
                Vaus(i) = Vaus(i) >= kSprung ? kSuchGrenze : (Vaus(i) + kSuchGrenze) / 2;
                if (s.Paar == 1) Vaus(i + 1) = Vaus(i);
            }
            lastRunAtCurrent = false;
        }
    }

    void TakeExitSpeed(int i, double exit) {
        if (e_.fall.VausGleisRespect && exit > VausGleis(i)) exit = VausGleis(i);
        Vaus(i) = exit;
        if (Seg(i).Paar == 1) Vaus(i + 1) = exit;
        Seg(i).VAus = exit;
    }

    void SearchEntrySpeed(int i) {
        TSuchSegment& s = Seg(i);
        if (e_.fall.VausGleisRespect && VausGleis(i) <= s.VAus) {
            // The entered exit speed binds: the next segment gets what the group brings at it.
            Trial(s.XEin, s.VAus, s.XEnde, s.VEnde);
            s.VEnde = SpeedAt(s.XEnde);
            if (s.Paar == 1) Seg(i + 1).VEnde = s.VEnde;
        }
        const double entry = Halving(s.XEin, s.XEnde, s.VEnde, kToleranzEin);
        s.VEin = entry;
        if (s.Paar == 1) Seg(i + 1).VEin = entry;
        Seg(i - 1).VEnde = entry;
        if (Seg(i - 1).Paar == 2) Seg(i - 2).VEnde = entry;
    }

    // Largest start speed at p in (0, 10] whose run reaches e no faster than w + tol, to
    // 0.01 m/s. Without an accepted trial: the start speed of the trial that came closest to
    // w among those that reached e, or the limit.
    double Halving(double p, double e, double w, double tol) {
        double result = 0, best = kSuchGrenze, bestErr = kSuchGrenze;
        bool accepted = false;
        double u = kSuchGrenze, h = kSuchGrenze;
        for (int n = 0; n < kMaxHalbierungen && !(h < kGenauigkeit); ++n) {
            h /= 2;
            const double x = u - h;
            Trial(p, x, e, w);
            const double sp = SpeedAt(e);
            const double err = std::fabs(sp - w);
            if (err < bestErr && Reached(e)) {
                best = SpeedAt(p);
                bestErr = err;
            }
            if (sp > w + tol) {
                u = x;
            } else if (err < kGenauigkeit) {
                result = SpeedAt(p);
                accepted = true;
            }
        }
        if (!accepted) result = best;
        return std::min(result, kSuchGrenze);
    }

    double FinalRun() {
        Trial(x0_, v_, xz_, vz_, naeherung_);
        // Target braking leaves Vaus at the exit speeds found, not as the run switched them.
        g_.Vaus = vaus_;
        return SpeedAt(xz_);
    }

    // A long group is still braked after the head passed the point the segment search judged
    // by, so it may leave the last retarder slower than found and miss the target. Secant
    // steps on full runs move that retarder's exit speed until the target speed is met; without
    // a bracket (target out of reach) the search's result stays.
    double Correct(double s) {
        const auto li = static_cast<std::size_t>(last_);
        const int kod = g_.Kod[li];
        if (last_ <= first_ || kod <= 0 || kod == 9 || !Reached(xz_) ||
            !(std::fabs(s - vz_) > kGenauigkeit))
            return s;
        const bool pair = Seg(last_).Paar == 2;
        double hi = kSuchGrenze;
        if (e_.fall.VausGleisRespect) {
            hi = std::min(hi, VausGleis(last_));
            if (pair) hi = std::min(hi, VausGleis(last_ - 1));
        }
        const double u0 = Vaus(last_);
        int runs = 0;
        // Misfit of a full run with exit speed u: negative when slow or stopped short.
        auto misfit = [&](double u) {
            Vaus(last_) = u;
            if (pair) Vaus(last_ - 1) = u;
            ++runs;
            return FinalRun() - vz_;
        };
        double bestU = u0, bestF = s - vz_, curU = u0;
        auto note = [&](double u, double f) {
            curU = u;
            if (Reached(xz_) && std::fabs(f) < std::fabs(bestF)) {
                bestU = u;
                bestF = f;
            }
        };
        // Bracket: the misfit rises with the exit speed.
        double a = u0, fa = s - vz_, b = u0, fb = fa;
        const double dir = fa < 0 ? 1.0 : -1.0;
        bool bracket = false;
        while (runs < kMaxNachLaeufe) {
            const double u = std::clamp(a + dir * kNachStufe, 0.0, hi);
            if (u == a) break;
            b = u;
            fb = misfit(b);
            note(b, fb);
            if ((fb < 0) != (fa < 0) || std::fabs(fb) <= kNachZiel) {
                bracket = true;
                break;
            }
            a = b;
            fa = fb;
        }
        // Secant inside the bracket, halving when it would leave it or stall.
        while (bracket && runs < kMaxNachLaeufe && !(std::fabs(bestF) <= kNachZiel)) {
            double u = a - fa * (b - a) / (fb - fa);
            const double lo = std::min(a, b), up = std::max(a, b);
            if (!std::isfinite(u) || u <= lo || u >= up) u = (a + b) / 2;
            const double f = misfit(u);
            note(u, f);
            if ((f < 0) == (fa < 0)) {
                a = u;
                fa = f;
            } else {
                b = u;
                fb = f;
            }
        }
        if (!bracket) {
            // The engine result must hold the search's own final run again.
            if (runs > 0) s = misfit(u0) + vz_;
            return s;
        }
        s = curU != bestU ? misfit(bestU) + vz_ : bestF + vz_;
        g_.VausGefunden[li] = Vaus(last_);
        if (pair) g_.VausGefunden[li - 1] = Vaus(last_ - 1);
        return s;
    }

    // One run from p at speed v to e [m, track abscissa] with required speed w. A segment
    // that ends at or before its start (a group longer than the gap between two retarders)
    // is not integrated: its result is one row at the start.
    void Trial(double p, double v, double e, double w, bool naeherung = false) {
        g_.Vaus = vaus_;
        // Only the final run may use up the approximate-start mark.
        e_.NaeherungsStart = naeherung;
        if (e <= p) {
            OneRow(p, v);
        } else {
            e_.Simulate(group_, p - g_.Xnull, v, e, w);
        }
        e_.NaeherungsStart = false;
    }

    void OneRow(double p, double v) {
        TWorkSeries& w = e_.work;
        w.Clear();
        w.AddRow(p, e_.StatAt(p - g_.Xnull), v, 0, 0, 0, 0, 0, evNone);
        e_.result.Clear();
        e_.result.DataSpeichern(w, group_.Ok1(), group_.Ok9(), group_.Sx);
        e_.result.Berechnet = true;
    }

    double SpeedAt(double x) const { return SpeedAtPosition(e_, e_.result, x); }
    bool Reached(double x) const { return e_.result.NumVyst() > 0 && e_.result.DistEnd() >= x; }

    TEngine& e_;
    TStrecke& g_;
    model::TWagenGruppeN& group_;
    const double vz_, xz_, v_, x0_;
    int first_ = 0, last_ = 0;  // start record and last retarder record
    bool naeherung_ = false;    // the caller's approximate-start mark, for the final run
    decltype(TStrecke::Vaus) vaus_{};
};

}  // namespace

double SpeedAtPosition(const TVysledky& set, double x, double ddx, double q) {
    const int n = std::clamp(set.NVyst, 0, kMaxRows);
    if (n == 0) return -1;
    if (!(ddx > 0)) ddx = 1;
    const double end = RowValue(set.Dist, n);
    if (x > end + q) return -SpeedInside(set, n, 2 * end - x, ddx);
    return SpeedInside(set, n, x, ddx);
}

double SpeedAtPosition(const TEngine& engine, const TVysledky& set, double x) {
    const double q = engine.fall.Q > 0 ? engine.fall.Q : 0.0001;
    return SpeedAtPosition(set, x, engine.gitter.Schritt, q);
}

void LowerLastRetarder(TEngine& engine, const model::TWagenGruppeN& group, double xz) {
    TStrecke& g = engine.gleis;
    g.Inxbr = std::clamp(g.Inxbr, 0, std::clamp(g.Nxbr, 0, model::kMaxBremsen));
    while (g.Inxbr > g.IbrStart &&
           g.Xbu[static_cast<std::size_t>(g.Inxbr)] + g.Xnull > xz - group.Ok1())
        --g.Inxbr;
}

double ExitSpeedSearch(TEngine& engine, model::TWagenGruppeN& group, double vz, double xz, double v,
                       double x0) {
    return Search(engine, group, vz, xz, v, x0).Run();
}

}  // namespace gvm::engine
