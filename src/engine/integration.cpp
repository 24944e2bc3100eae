// Integration loop: moves a group step by step along the grid from its start to the end or
// a standstill, and writes the result rows with their events: separation, switching,
// standstill, buffering, target. One step itself is in step.cpp.

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "base/datetime.h"
#include "base/errors.h"
#include "engine/engine.h"

namespace gvm::engine {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Puts the sentinel behind the last retarder for the run and takes it away afterwards, also
// when the run ends with an exception.
class SentinelScope {
public:
    explicit SentinelScope(TStrecke& g) : g_(g), slot_(static_cast<std::size_t>(g.Nxbr + 1)) {
        xbu_ = g.Xbu[slot_];
        xbo_ = g.Xbo[slot_];
    }
    ~SentinelScope() {
        g_.Xbu[slot_] = xbu_;
        g_.Xbo[slot_] = xbo_;
    }
    SentinelScope(const SentinelScope&) = delete;
    SentinelScope& operator=(const SentinelScope&) = delete;

private:
    TStrecke& g_;
    std::size_t slot_;
    double xbu_ = 0, xbo_ = 0;
};

}  // namespace

bool TEngine::Simulate(model::TWagenGruppeN& group, double xstartProfile, double vstart,
                       double xendAbscissa, double vziel) {
    work.Clear();
    work.Recording = true;
    result.Clear();
    result.ResultsMeldung = rmOK;
    if (!gitter.Bereit) throw EGravimont(" Die Simulation ist nicht vorbereitet!");
    if (!GroupUsable(group)) throw EGravimont(" Die Wagengruppe kann nicht simuliert werden!");
    if (!std::isfinite(xstartProfile) || !std::isfinite(vstart) || !std::isfinite(xendAbscissa))
        throw EGravimont(" Ungültige Start- oder Endwerte der Simulation!");
    gruppe = &group;
    Q = fall.Q > 0 ? fall.Q : 0.0001;
    if (vstart < 0)
        vstart = 0;  // the run operations refuse negative speeds; a direct call starts at rest

    // A group at rest whose centre of gravity stands where it cannot roll does not start.
    const double step = gitter.Schritt;
    const double k = (xstartProfile - gleis.Xgipf - group.Oq) / step;
    if (k > 0 && vstart == 0) {
        const double r = std::clamp(std::trunc(k) - gitter.C, 0.0, double{kGridSlots - 1});
        if (!(gitter.BStat[static_cast<std::size_t>(r)] > 0)) return false;
    }

    SentinelScope sentinel(gleis);
    InitRun(group, xstartProfile, vstart, xendAbscissa);
    VZiel = vziel;
    StepLoop(group);
    FinishRun(group);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Initialization

void TEngine::InitRun(model::TWagenGruppeN& group, double xs, double vs, double xeAbs) {
    const double step = gitter.Schritt;
    // An end before the start is taken as the start: the run ends where it begins.
    XEndeAbs = std::max(xeAbs, xs + gleis.Xnull);
    XEnde = XEndeAbs - gleis.Xnull;
    XStart = xs;
    VStart = vs;
    const double n = std::fabs(std::trunc((XEndeAbs - (xs + gleis.Xnull)) / step + 1));
    NSchritte = static_cast<int>(std::min(n, double{kMaxGridSteps}));

    InitRetarders(group, xs, XEnde);

    T = T0 = 0;
    V = V0 = Vm = vs;
    B0 = Bo = Bbr = 0;
    VV = vs * vs;
    Abloesung = xs > gleis.Xgipf + group.Oq ? 2 : 1;
    Bewegung = 1;
    Hemmschuh = false;
    KKHemmschuh = IbrHemmschuh = 0;
    RegelungGestartet = false;
    SchrittWirkt = SchrittRegelung = false;
    SchrittIbrMax = 0;
    BetaWind = gleis.Beta10;
    WindErst = true;
    CgVorher = -kInf;
    BogenCursor = LuftCursor = 1;
    Abloesungen.Clear();
    Stillstaende.Clear();
    Aufpufferungen.Clear();
    nPending_ = 0;
    XStop = xs;

    // Grid index at or before the start; kept inside the int range for absurd positions.
    KK0 = static_cast<int>(std::clamp(std::floor((xs - gleis.Xgipf) / step + 1e-9), -1e9, 1e9));
    KK = KK0;
    KopfVorher = xs;
    BsKopf = StatAt(xs);
    WindAt(xs - group.Oq);
    AirAt(vs);
    Row(xs + gleis.Xnull, BsKopf, vs, 0, 0, Wind, evNone);
}

void TEngine::InitRetarders(const model::TWagenGruppeN& group, double xs, double xe) {
    TStrecke& g = gleis;
    const int nx = g.Nxbr;
    const int nAchs = group.NAchs;
    const auto abs = [&](int k) { return group.Abszisse[static_cast<std::size_t>(k)]; };

    for (int i = 1; i <= nx + 1; ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Vaus[is] < 0) g.Vaus[is] = 0;
        TBremsZustand z;
        z.Aktiv = g.Kod[is] >= 0 && g.Wbr[is] > Q && g.Vaus[is] < kVausInactive;
        z.Geregelt = z.Aktiv && g.Kod[is] == 6;
        z.Ein = g.Xein[is] <= g.Xbu[is];
        br[is] = z;
    }
    // A skid as last retarder holds up to the end; the sentinel lies beyond the end.
    if (nx > 0 && g.Kod[static_cast<std::size_t>(nx)] == 0)
        g.Xbo[static_cast<std::size_t>(nx)] = xe;
    const auto spare = static_cast<std::size_t>(nx + 1);
    g.Xbu[spare] = g.Xbo[spare] = xe + 1;
    br[spare] = TBremsZustand{};

    // Axle-metre budgets: every axle through the whole retarder, or as far as it gets when the
    // group ends inside it; a coupled pair shares one budget.
    std::array<double, kBremsSlots> basis{};
    for (int i = 1; i <= nx; ++i) {
        const auto is = static_cast<std::size_t>(i);
        const double len = g.Xbo[is] - g.Xbu[is];
        basis[is] = nAchs * len;
        if (i <= g.Inxbr && xe > g.Xbu[is] && xe - group.Ok9() < g.Xbo[is]) {
            double teil = 0;
            for (int k = 1; k <= nAchs; ++k)
                teil += std::clamp(xe - abs(k) - g.Xbu[is], 0.0, std::max(len, 0.0));
            if (teil > 0) basis[is] = teil;
        }
    }
    for (int i = 1; i <= nx; ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Kodd[is] == 1)
            br[is].AmBudget = basis[is] + basis[is + 1];
        else if (g.Kodd[is] == 2 && i > 1)
            br[is].AmBudget = br[is - 1].AmBudget;
        else
            br[is].AmBudget = basis[is];
    }

    // Retarder range: the first one the group has not fully passed up to the first one its
    // head has yet to reach.
    if (g.IbrStart == 0) g.IbrStart = 1;
    Ibr1 = g.IbrStart;
    while (Ibr1 < nx && xs - group.Ok9() > g.Xbo[static_cast<std::size_t>(Ibr1)]) {
        TBremsZustand& z = br[static_cast<std::size_t>(Ibr1)];
        z.AmUsed = z.AmBudget;
        z.NIn = 0;
        z.NextAx = nAchs + 1;
        ++Ibr1;
    }
    int i2 = Ibr1;
    while (i2 < nx && xs - group.Ok1() >= g.Xbu[static_cast<std::size_t>(i2)]) ++i2;
    Ibr2 = std::min(i2, nx);

    for (int i = Ibr1; i <= Ibr2; ++i) {
        const auto is = static_cast<std::size_t>(i);
        TBremsZustand& z = br[is];
        for (int k = 1; k <= nAchs; ++k) {
            const double pos = xs - abs(k);
            if (pos > g.Xbo[is]) {
                z.AmUsed += g.Xbo[is] - g.Xbu[is];
                ++z.NextAx;
            } else if (pos >= g.Xbu[is]) {
                z.AmUsed += pos - g.Xbu[is];
                ++z.NIn;
                ++z.NextAx;
            } else {
                break;  // the axles behind stand before it too
            }
        }
        if (!z.Ein && xs - group.Ok1() > g.Xein[is]) z.Ein = true;
    }
    for (int i = Ibr1; i <= Ibr2; ++i) {
        const auto is = static_cast<std::size_t>(i);
        if (g.Kodd[is] == 1 && i < nx)
            br[is].AmUsed = br[is + 1].AmUsed = br[is].AmUsed + br[is + 1].AmUsed;
    }

    // Sized here, outside the step loop, which only copies between them.
    AchsZustand.assign(static_cast<std::size_t>(nAchs + 2), 0);
    achsSaved_.assign(AchsZustand.size(), 0);
    for (int k = 1; k <= nAchs; ++k) {
        const double pos = xs - abs(k);
        int st = 0;
        for (int i = Ibr1; i <= Ibr2 && st == 0; ++i) {
            const auto is = static_cast<std::size_t>(i);
            if (pos >= g.Xbu[is] && pos <= g.Xbo[is])
                st = i;
            else if (pos < g.Xbu[is])
                st = -i;
        }
        AchsZustand[static_cast<std::size_t>(k)] = st != 0 ? st : -(Ibr2 + 1);
    }
}

// ---------------------------------------------------------------------------------------------
// Step loop

void TEngine::StepLoop(model::TWagenGruppeN& group) {
    const double step = gitter.Schritt;
    bool loopEnds = false;
    while (!loopEnds && !(KK >= KK0 + NSchritte && (KopfVorher >= XEnde - Q || V <= 0))) {
        ++KK;
        const int pass = KK - KK0;
        if (work.NVyst >= kMaxRows || pass > kMaxRows + 2)
            throw EGravimont(" Zu viele Integrationsschritte!");

        // Head and step: the first pass evaluates the start itself, later passes end on grid
        // points, the last one on the end position.
        double head = 0;
        if (pass == 1) {
            head = XStart;
            Schritt = gleis.Xgipf + (KK0 + 1) * step - XStart;
            if (!(Schritt > 0) || Schritt > step) Schritt = step;
            BsKopf = StatAt(XStart);
        } else {
            head = gleis.Xgipf + (KK - 1) * step;
            Schritt = std::min(head - XStart, step);
            if (head > XEnde + Q) {
                Schritt -= head - XEnde;
                head = XEnde;
                BsKopf = StatAt(XEnde);
            } else {
                const int r = std::clamp(KK - 1 - gitter.C, 0, kGridSlots - 1);
                BsKopf = gitter.BStat[static_cast<std::size_t>(r)];
            }
        }
        const double xa = head - Schritt;
        const int firstRowOfStep = work.NVyst;

        WindAt(head - group.Oq);
        AirAt(V);
        Bo = BsKopf - Bl;

        teilZeit_ = false;
        if (Bewegung == 1 || Hemmschuh) V = IntegrateStep(group, head, pass);
        if (pass >= 2) SwitchOffUndershot();
        const bool freeBefore = Abloesung == 2;
        if (Abloesung == 1) Separation(head, xa, firstRowOfStep);

        bool stopped = false, atEnd = false;
        StandstillOrEnd(head, xa, pass, stopped, atEnd);
        if (pass >= 2 && !stopped && !atEnd && V > 0 && head < XEnde) {
            // A step with events keeps the time of its sub-intervals, so that its event rows and
            // its end agree; a smooth step takes the three-point rule.
            if (teilZeit_ && freeBefore && Abloesung == 2 && !Hemmschuh && tTeilEnde_ > T0)
                T = tTeilEnde_;
            else
                StepTime(Schritt, pass);
        }
        Buffering(group, head, xa, pass, stopped);
        loopEnds = atEnd || (stopped && Bewegung == 2);

        if (!stopped && !atEnd) {
            const int n = work.NVyst;
            const double headAbs = head + gleis.Xnull;
            const bool ahead = head > XStart || (head == XStart && n < 2);
            if ((n == 0 || work.Dist[static_cast<std::size_t>(n)] <= headAbs) && ahead) {
                Row(headAbs, Bo + Bbr, V, T, Bbr, Wind, evNone);
                if (SchrittRegelung) {
                    BkinaSatz.Kv = work.NVyst;
                    BkinaSatz.X = headAbs;
                    work.AddBKINA(BkinaSatz);
                }
            }
            if (V == 0 && !(Bo + Bbr > 0) && !Hemmschuh) loopEnds = true;
        }

        Vm = V0;
        V0 = V;
        T0 = T;
        B0 = Bo;
        KopfVorher = head;
    }
}

void TEngine::SwitchOffUndershot() {
    if (!(SchrittWirkt || (Hemmschuh && V < Q))) return;
    TStrecke& g = gleis;
    for (int i = std::max(Ibr1, 1); i <= std::min(Ibr2, g.Nxbr); ++i) {
        const auto is = static_cast<std::size_t>(i);
        const int kod = g.Kod[is];
        if (kod < 0 || kod > 2 || !(g.Vaus[is] < kVausInactive)) continue;
        if (!(V + Q < g.Vaus[is] || V + g.Vaus[is] < Q)) continue;
        g.Vaus[is] = kVausOff;
        br[is].Aktiv = false;
        if (kod == 0) {
            if (Bo > 0 && !Hemmschuh) {
                Hemmschuh = true;
                KKHemmschuh = KK;
                IbrHemmschuh = i;
            } else {
                Hemmschuh = false;
            }
        }
    }
}

void TEngine::Separation(double head, double xa, int firstRowOfStep) {
    const double nominal = gitter.Schritt;
    double xsep = 0, d = 0;
    if (B0 + Bbr <= 0 && Bo + Bbr > 0) {
        // The group leaves the train where its own acceleration turns positive.
        d = B0 == 0 ? nominal * ((B0 + Bo) / 2 + Bbr) / Bo : (Bo + Bbr) * nominal / (Bo - B0);
        xsep = head - d;
        // It cannot have rolled freely over more than it travelled since the start.
        d = std::clamp(d, 0.0, head - XStart);
        V = std::sqrt(std::max(0.0, (Bbr / 2 + Bo) * d + VStart * VStart));
    } else if (B0 + Bbr > 0) {
        xsep = std::max(xa, XStart);
        V = VStart;
    } else {
        V = VStart;  // still pushed
        return;
    }
    Abloesung = 2;
    if (xsep < XStart) return;  // it was free from the start: no separation row

    const double zeit = VStart > 0 ? (xsep - XStart) / VStart : 0.0;
    const double f = Schritt > 0 ? std::clamp((xsep - xa) / Schritt, 0.0, 1.0) : 1.0;
    const double besch = B0 + f * (Bo - B0) + Bbr;
    const int row = InsertRow(xsep + gleis.Xnull, besch, VStart, zeit, Bbr, Wind, evAbloesepunkt,
                              firstRowOfStep);
    Abloesungen.Add(row, xsep + gleis.Xnull, zeit);
    if (NaeherungsStart && row > 0) {
        // Started at the approximation speed: the time counts from the separation.
        work.Zeit[static_cast<std::size_t>(row)] = 0;
        const double dt = VStart > 0 ? nominal / (2 * VStart) : 0.0;
        for (int r = row - 1; r >= 1; --r)
            work.Zeit[static_cast<std::size_t>(r)] =
                work.Zeit[static_cast<std::size_t>(r + 1)] - dt;
        T0 = 0;
        T = 0;
        NaeherungsStart = false;
    }
}

void TEngine::StandstillOrEnd(double head, double xa, int pass, bool& stopped, bool& atEnd) {
    const TStrecke& g = gleis;
    const bool free = Abloesung == 2 || VStart <= 0;
    const bool endReached = head >= XEnde - Q || std::fabs(head - XEnde) < 1e-8;
    const double denom = 2 * Bbr + B0 + Bo;

    if (pass == 1) {
        // The start itself: a group without speed that cannot accelerate stands there.
        if (free && V <= 0 && !(Bo + Bbr > 0)) {
            Row(XStart + g.Xnull, Bo + Bbr, 0, 0, Bbr, Wind,
                Hemmschuh ? evStillstandHemmschuh : evStillstand);
            Stillstaende.Add(work.NVyst, XStart + g.Xnull, 0);
            XStop = XStart;
            Bewegung = 2;
            stopped = true;
            return;
        }
    } else if (free && (VV <= 0 || V <= 0)) {
        // The speed fell through the decisive exit speed in this step: that retarder switched
        // off where the speed reached it.
        const int ib = SchrittIbrMax;
        if (ib >= 1 && ib <= g.Nxbr && V < V0) {
            const auto is = static_cast<std::size_t>(ib);
            const double vx = g.Kod[is] > 2 ? g.Vaus[is] : std::max(V, 0.0);
            double dist = denom < 0 ? -(V0 * V0 - vx * vx) / denom : Schritt;
            dist = std::clamp(dist, std::clamp(LetzterTeilStart - xa, 0.0, Schritt), Schritt);
            DropRowsBeyond(xa + dist);
            const double zeit = V0 + vx > 0 ? T0 + 2 * dist / (V0 + vx) : T0;
            Row(xa + dist + g.Xnull, denom / 2, vx, zeit, Bbr, ib, evAusschalten);
            br[is].AusImLauf = true;
        }
        if (V <= 0) {
            double dist = VV == 0 || !(denom < 0) ? Schritt : -V0 * V0 / denom;
            dist = std::clamp(dist, 0.0, Schritt);
            XStop = std::max(xa + dist, XStart);
            const double zeit = V0 > 0 ? T0 + 2 * dist / V0 : T0;
            DropRowsBeyond(XStop);
            const double xAbs = XStop + g.Xnull;
            if (Hemmschuh) {
                Row(xAbs, denom / 2, 0, zeit, Bbr, Wind, evStillstandHemmschuh);
                if (IbrHemmschuh >= 1) gleis.Xbo[static_cast<std::size_t>(IbrHemmschuh)] = XStop;
            } else {
                Row(xAbs, denom / 2, 0, zeit, Bbr, Wind, evStillstand);
                const auto last = static_cast<std::size_t>(g.Nxbr);
                if (g.Nxbr > 0 && g.Kod[last] == 0 && g.Xbu[last] < XStop) gleis.Xbo[last] = XStop;
            }
            Stillstaende.Add(work.NVyst, xAbs, zeit);
            T = zeit;
            V = 0;
            Bewegung = 2;
            stopped = true;
            return;
        }
    }
    if (!endReached) return;

    // At the end: a target retarder last in the list hands the final speed to its last
    // sub-step row.
    const int ib = g.Inxbr;
    if (ib >= 1 && g.Kod[static_cast<std::size_t>(ib)] == 3 &&
        (std::fabs(V - VZiel) <= 0.1 || br[static_cast<std::size_t>(ib)].AusImLauf)) {
        const auto n = static_cast<std::size_t>(work.NVyst);
        if (n >= 1 && work.TeilSchr[n] == evEndeTeilschritt)
            work.Gesch[n] = V;
        else if (n >= 2 && work.TeilSchr[n - 1] == evEndeTeilschritt &&
                 work.Dist[n - 1] <= XEndeAbs)
            work.Gesch[n - 1] = V;
    }
    // End time: the trapezoid over the part of the last step up to the end position.
    const double d = std::max(0.0, XEnde - xa);
    T = pass >= 2 && V0 + V > 0 ? T0 + 2 * d / (V0 + V) : T0;
    Row(XEndeAbs, (B0 + Bo) / 2 + Bbr, V, T, Bbr, Wind, evZielErreicht);
    Bewegung = 2;
    atEnd = true;
}

void TEngine::StepTime(double s, int pass) {
    const int n = Hemmschuh ? KK - KKHemmschuh : pass;
    double dt = 0;
    if (Hemmschuh && n == 1) {
        dt = 2 * s / V;
    } else {
        if (n >= 3 && Vm > 0 && V0 > 0) dt = s * (-1 / Vm + 8 / V0 + 5 / V) / 12;
        // When the speed rose steeply the three-point rule can fail: take the trapezoid.
        if (!(dt > 0) || !std::isfinite(dt)) dt = V0 > 0 ? s * (1 / V0 + 1 / V) / 2 : s / V;
    }
    T = T0 + dt;
}

void TEngine::Buffering(const model::TWagenGruppeN& group, double head, double xa, int pass,
                        bool& stopped) {
    if (Abloesung != 2 || pass < 4 || !(head - gleis.Xgipf < group.Sx)) return;
    if (!(Bewegung == 1 || stopped)) return;
    // Time at which the pushing train reaches a position.
    const auto zug = [&](double x) {
        if (VStart > 0) return (x - XStart) / VStart;
        return V > 0 ? 2 * (x - XStart) / V : kInf;
    };
    // The group's time line in this step runs from T0 at xa to T at the head, or to the stop.
    const double xEnd = stopped ? XStop : head;
    const double tEnd = T;
    if (stopped && !(VStart > 0)) return;  // a train at rest never comes
    const double fa = T0 - zug(xa);
    const double fb = tEnd - zug(xEnd);
    if (!stopped && !(fb >= 0)) return;  // the group is still ahead of the train
    double xm = xEnd;
    if (fb > 0) xm = fa >= 0 || !(fb - fa > 0) ? xa : xa + (xEnd - xa) * (-fa) / (fb - fa);
    if (stopped && xm < XStop) {
        // The train reached the group before it came to rest: there was no standstill.
        DropRowsBeyond(xm);
        if (Stillstaende.N > 0) --Stillstaende.N;
    }
    T = zug(head);
    const double tm = zug(xm);
    const double f = Schritt > 0 ? std::clamp((xm - xa) / Schritt, 0.0, 1.0) : 1.0;
    const double bm = B0 + f * (Bo - B0) + Bbr;
    V = V0 = VStart;
    Abloesung = 1;
    Bewegung = 1;
    Row(xm + gleis.Xnull, bm, VStart, tm, Bbr, Wind, evAufpufferung);
    Aufpufferungen.Add(work.NVyst, xm + gleis.Xnull, tm);
    if (!stopped && bm >= 0 && Bo + Bbr >= 0) {
        // Still rolling away from the train: it separates again at once.
        Abloesung = 2;
        V = std::sqrt(std::max(0.0, VStart * VStart + (bm + Bo + Bbr) * (head - xm)));
        Row(xm + gleis.Xnull, bm, VStart, tm, Bbr, Wind, evAbloesepunkt);
        Abloesungen.Add(work.NVyst, xm + gleis.Xnull, tm);
    }
    stopped = false;
}

void TEngine::FinishRun(const model::TWagenGruppeN& group) {
    for (std::size_t i = 0; i < work.Vaus.size(); ++i) work.Vaus[i] = gleis.Vaus[i];
    work.NAus = gleis.Nxbr;
    result.DataSpeichern(work, group.Ok1(), group.Ok9(), group.Sx);
    result.Berechnet = true;
    result.ResXZiel = XEndeAbs;
    result.ResVZiel = VZiel;
    result.ZielEingegeben = VZiel >= 0;

    DateTimeText stamp = ShortDateTime(LocalNow());
    fall.TxtDatum = std::move(stamp.datum);
    fall.TxtTime = std::move(stamp.zeit);
}

// ---------------------------------------------------------------------------------------------
// Rows

void TEngine::Row(double xAbs, double besch, double gesch, double zeit, double bbrems, double vluft,
                  std::uint8_t ereignis) {
    work.AddRow(xAbs, besch, gesch, zeit, Bl, bbrems, vluft, Vr, ereignis);
}

void TEngine::Vormerken(double xProfile, double besch, double gesch, double zeit, double bbrems,
                        double vluft, std::uint8_t ereignis) {
    if (!work.Recording) return;
    if (nPending_ >= static_cast<int>(pending_.size())) return;
    pending_[static_cast<std::size_t>(nPending_++)] = {
        xProfile + gleis.Xnull, besch, gesch, zeit, Bl, bbrems, vluft, Vr, ereignis};
}

void TEngine::Flush() {
    for (int k = 0; k < nPending_; ++k) {
        const TZeile& z = pending_[static_cast<std::size_t>(k)];
        work.AddRow(z.Dist, z.Besch, z.Gesch, z.Zeit, z.Bluft, z.Bbrems, z.Vluft, z.Vrelat,
                    z.Ereignis);
    }
    nPending_ = 0;
}

bool TEngine::LastRowIsEvent() const {
    if (nPending_ > 0) return pending_[static_cast<std::size_t>(nPending_ - 1)].Ereignis != evNone;
    return work.NVyst > 0 && work.TeilSchr[static_cast<std::size_t>(work.NVyst)] != evNone;
}

int TEngine::InsertRow(double xAbs, double besch, double gesch, double zeit, double bbrems,
                       double vluft, std::uint8_t ereignis, int firstRowOfStep) {
    if (work.NVyst >= kMaxRows) return 0;
    // Rows of this step that lie beyond the new one move up by one.
    int pos = work.NVyst + 1;
    while (pos - 1 > firstRowOfStep && work.Dist[static_cast<std::size_t>(pos - 1)] > xAbs) --pos;
    for (auto* c : {&work.Dist, &work.Besch, &work.Gesch, &work.Zeit, &work.Bluft, &work.Bbrems,
                    &work.Vluft, &work.Vrelat})
        std::copy_backward(c->begin() + pos, c->begin() + work.NVyst + 1,
                           c->begin() + work.NVyst + 2);
    std::copy_backward(work.TeilSchr.begin() + pos, work.TeilSchr.begin() + work.NVyst + 1,
                       work.TeilSchr.begin() + work.NVyst + 2);
    for (int r = 1; r <= work.IvBKINA; ++r) {
        TBKINA& b = work.BKINARes[static_cast<std::size_t>(r)];
        if (b.Kv >= pos) ++b.Kv;
    }
    ++work.NVyst;
    const auto p = static_cast<std::size_t>(pos);
    work.Dist[p] = xAbs;
    work.Besch[p] = besch;
    work.Gesch[p] = gesch;
    work.Zeit[p] = zeit;
    work.Bluft[p] = Bl;
    work.Bbrems[p] = bbrems;
    work.Vluft[p] = vluft;
    work.Vrelat[p] = Vr;
    work.TeilSchr[p] = ereignis;
    return pos;
}

void TEngine::DropRowsBeyond(double xProfile) {
    const double xAbs = xProfile + gleis.Xnull;
    while (work.NVyst > 1 && work.Dist[static_cast<std::size_t>(work.NVyst)] > xAbs + 1e-9)
        --work.NVyst;
    while (work.IvBKINA > 0 &&
           work.BKINARes[static_cast<std::size_t>(work.IvBKINA)].Kv > work.NVyst)
        --work.IvBKINA;
}

}  // namespace gvm::engine
