// Run preparation: working copies of the case and the track, the retarder table check, the
// step grid with its limits, and the static acceleration tables of one group.

#include <algorithm>
#include <cmath>
#include <string>

#include "base/errors.h"
#include "engine/engine.h"

namespace gvm::engine {

namespace {

// The number of switch segments the reader built: the last one ends at the track end.
int SwitchSegments(const model::TGleis& g) {
    if (g.Nxw < 1) return 0;
    int k = 1;
    while (k < model::kSegmentSlots - 1 && g.Xw[static_cast<std::size_t>(k + 1)] < g.Xend) ++k;
    return k;
}

}  // namespace

bool GroupUsable(const model::TWagenGruppeN& g) {
    if (g.WagenListe.empty() || g.NAchs < 1 || !(g.Sx > 0)) return false;
    const auto slots = static_cast<std::size_t>(g.NAchs + 2);
    if (g.Abszisse.size() < slots || g.AchsenLast.size() < slots || g.RadDurchMesser.size() < slots)
        return false;
    if (!(g.WGMasse > 0) || !(g.Sg > 0) || !(g.Fmq > 0) || !std::isfinite(g.Oq)) return false;
    int achsen = 0;
    for (const auto& w : g.WagenListe) {
        if (!w || w->NAchs < 1 || w->NAchs > model::kMaxAchsenProWagen || !(w->Fm > 0))
            return false;
        achsen += w->NAchs;
    }
    return achsen == g.NAchs;
}

TEngine::TEngine(MessagePort& port, NumberFormat nf) : port_(port), nf_(nf) {
    for (auto* t : {&gitter.BStat, &gitter.BNeig, &gitter.BBogen, &gitter.BWeich, &gitter.BRoll,
                    &gitter.Abszisse, &gitter.Energie})
        t->assign(kGridSlots, 0.0);
    AchsZustand.reserve(64);
    achsSaved_.reserve(64);
}

void TEngine::PrepareCase(const model::TSimExperiment& exp, int mode) {
    TFallDaten& f = fall;
    f.Xtot = exp._Xtot;
    f.Vab = exp._Vab;
    f.Ddx = exp._Ddx0;
    f.Q = exp._Q;
    f.Xstart = exp._Xstart;
    f.IDWG1 = exp._IDWG1;
    f.IDWG2 = exp._IDWG2;
    f.IDWGZug = exp._IDWGZug;
    f.ZweiteWG = exp._IDWG2 > 0;
    f.Zeitversatz2WG = mode == 0 || mode == 1 ? exp._Zeitversatz2WG : 0.0;
    f.XZielbrems = exp._XZielbrems;
    f.VZielbrems = exp._VZielbrems;
    f.XZulaufStart = exp._XZulaufStart;
    f.VZulaufStart = exp._VZulaufStart;
    f.XZulaufEnde = exp._XZulaufEnde;
    f.VZulaufEnde = exp._VZulaufEnde;
    f.XEinschalt = exp._XEinschalt;
    f.VausGleisRespect = exp._VausGleisRespect;
    f.NSimFall = exp._NSimFall;
    f.NSimExperiment = exp._NSimExperiment;
    f.TxtDatum = exp._TxtDatum;
    f.TxtTime = exp._TxtTime;
    f.Modus = mode;

    // The experiment owns its track; reading it is not const, copying from it is.
    const model::TGleis& src = exp.Gleis();
    TStrecke& g = gleis;
    g.DatenBereit = src.DatenBereit();
    g.Xgipf = src.Xgipf;
    g.Xnull = src.Xnull;
    g.Xend = src.Xend;
    g.XtotNeig = src.XtotNeig;
    g.Beta10 = src.Beta10;
    g.Beta0 = src.Beta0;
    g.Nxs = std::clamp(src.Nxs, 0, model::kMaxNeigAbsch);
    g.X = src.X;
    g.S1 = src.S1;
    g.S2 = src.S2;
    g.Nxr = src.Nxr;
    g.Nbog = std::clamp(src.Nbog, 0, model::kSegmentSlots);
    g.Xr = src.Xr;
    g.Rb = src.Rb;
    g.Epsio = src.Epsio;
    g.Epsi1 = src.Epsi1;
    g.Nxw = src.Nxw;
    g.NSegW = SwitchSegments(src);
    g.Xw = src.Xw;
    g.W = src.W;
    g.Nxwr = std::clamp(src.Nxwr, 0, model::kMaxAbsch);
    g.Xrw = src.Xrw;
    g.W1 = src.W1;
    g.W2 = src.W2;
    g.Nxl = std::clamp(src.Nxl, 0, model::kMaxLuftAbsch);
    g.Vlg = src.Vlg;
    g.Xl = src.Xl;
    g.Vlu = src.Vlu;
    g.Vlo = src.Vlo;

    g.Nxbr = std::clamp(src.Nxbr, 0, model::kMaxBremsen);
    g.Inxbr = std::clamp(src.Inxbr, 0, g.Nxbr);
    g.IbrStart = std::clamp(src.IbrStart, 0, g.Nxbr + 1);
    g.Io1 = src.Io1;
    g.Io2 = src.Io2;
    g.Io3 = src.Io3;
    g.Io4 = src.Io4;
    g.Kod = src.Kod;
    g.Kodd = src.Kodd;
    g.Lbr = src.Lbr;
    g.Lcbr = src.Lcbr;
    g.BremsArtNo = src.BremsArtNo;
    g.Xbu = src.Xbu;
    g.Xbo = src.Xbo;
    g.Xein = src.Xein;
    g.Vaus = src.Vaus;
    g.VausGleis = src.VausGleis;
    g.Vaus_plus = src.Vaus_plus;
    g.Vaus_minus = src.Vaus_minus;
    g.Wbr = src.Wbr;
    g.Wir = src.Wir;
    g.A1 = src.A1;
    g.A2 = src.A2;
    g.A3 = src.A3;
    g.FaB0 = src.FaB0;
    g.FaB1 = src.FaB1;
    g.FaB2 = src.FaB2;
    g.FaB3 = src.FaB3;
    g.FdC0 = src.FdC0;
    g.FdC1 = src.FdC1;
    g.VausKopie = src.Vaus;
    g.VausGefunden = src.VausGleis;
    g.Bauart = src.Bauart;
    g.NBremsArt = std::clamp(src.NBremsArt, 0, model::kMaxBremsArt);
    for (int k = 1; k <= model::kMaxBremsArt; ++k) {
        const auto ks = static_cast<std::size_t>(k);
        g.Typ[ks] = k <= g.NBremsArt && src.Bremsen[ks] ? *src.Bremsen[ks] : model::TBremsArt{};
        g.Typ[ks].NKraft = std::clamp(g.Typ[ks].NKraft, 0, model::kMaxMassenstufen);
        g.Typ[ks].NLeerlauf = std::clamp(g.Typ[ks].NLeerlauf, 0, model::kMaxMassenstufen);
    }
    // The spare slot behind the last retarder is read as "the next one": keep it neutral.
    const auto spare = static_cast<std::size_t>(g.Nxbr + 1);
    g.Kod[spare] = -1;
    g.Kodd[spare] = 0;

    // Modes 1 and 2 run over the whole profile.
    if (mode == 1 || mode == 2) f.Xtot = g.XtotNeig;
    gitter.Bereit = false;
}

void TEngine::RetarderTableCheck(const model::TWagenGruppeN& group) {
    double maxLast = 0;
    for (int k = 1; k <= group.NAchs; ++k)
        maxLast = std::max(maxLast, group.AchsenLast[static_cast<std::size_t>(k)]);
    TStrecke& g = gleis;
    for (int t = 1; t <= g.Nxbr; ++t) {
        if (t > g.NBremsArt) break;
        model::TBremsArt& typ = g.Typ[static_cast<std::size_t>(t)];
        if (typ.NKraft >= 1) {
            model::TMassenstufe& top = typ.Kraft[static_cast<std::size_t>(typ.NKraft)];
            if (maxLast > top.Go) {
                if (g.Kod[static_cast<std::size_t>(t)] != 0)
                    port_.Show(MsgKind::Error,
                               "Max. Massenstufe der Bremse " + typ.Name +
                                   " kleiner als max. Achslast." + "\r\n" + "Wird auf " +
                                   FormatFloatF(maxLast, 3, 0, nf_) + " gesetzt.",
                               MsgButtons::Ok);
                top.Go = maxLast + 0.001;
            }
        }
        if (typ.NLeerlauf >= 1) {
            model::TMassenstufe& top = typ.Leerlauf[static_cast<std::size_t>(typ.NLeerlauf)];
            if (maxLast > top.Go) {
                port_.Show(MsgKind::Error,
                           "Max. Massenstufe des Leerlaufes " + typ.Name +
                               " kleiner als max. Achslast." + "\r\n" + "Wird auf " +
                               FormatFloatF(maxLast, 2, 0, nf_) + " gesetzt.",
                           MsgButtons::Ok);
                top.Go = maxLast + 0.001;
            }
        }
    }
}

bool TEngine::GridAndLimits() {
    TFallDaten& f = fall;
    const TStrecke& g = gleis;
    if (g.XtotNeig < f.Xtot) {
        port_.Show(MsgKind::Warning,
                   "Totallaufweg länger als Streckendefinition in Neigungsdatei\r\nwird auf "
                   "definierte Länge von " +
                       FormatFloatF(g.XtotNeig, 4, 0, nf_) + " verkürzt !",
                   MsgButtons::Ok);
        f.Xtot = g.XtotNeig;
    }
    if (!(f.Xtot > 0)) f.Xtot = g.XtotNeig;
    // A step that is zero, negative or not a number is taken as 1 m.
    if (!(f.Ddx > 0) || !std::isfinite(f.Ddx)) f.Ddx = 1;

    TGitter& gt = gitter;
    // Trunc of a quotient, kept inside the int range for absurd inputs.
    const auto truncated = [](double x) {
        if (!std::isfinite(x)) return x > 0 ? 1e9 : -1e9;
        return std::clamp(std::trunc(x), -1e9, 1e9);
    };
    double n = std::min(truncated(f.Xtot / f.Ddx + 1), double{kMaxGridSteps});
    double m = truncated(g.XtotNeig / f.Ddx + 1);
    const double c = truncated(-g.Xgipf / f.Ddx);
    gt.Schritt = f.Ddx;
    if (n - c > kMaxGridSteps) n = c + kMaxGridSteps - 1;
    if (m - c > kMaxGridSteps) {
        m = c + kMaxGridSteps - 1;
        if (m <= 0) {
            port_.Show(MsgKind::Error,
                       "Zu viele Simulationsschritte!\r\nSimulation wird nicht durchgeführt!",
                       MsgButtons::Ok);
            return false;
        }
        port_.Show(MsgKind::Error,
                   "Zu viele Simulationsschritte!\r\nWird auf maximale Anzahl von " +
                       std::to_string(static_cast<long long>(m)) + " Schritte begrenzt!",
                   MsgButtons::Ok);
    }
    gt.N = static_cast<int>(n);
    gt.M = static_cast<int>(m);
    gt.C = static_cast<int>(c);
    for (auto* t :
         {&gt.BStat, &gt.BNeig, &gt.BBogen, &gt.BWeich, &gt.BRoll, &gt.Abszisse, &gt.Energie})
        std::fill(t->begin(), t->end(), 0.0);
    return true;
}

void TEngine::FillTables(const model::TWagenGruppeN& group) {
    TGitter& gt = gitter;
    const double step = gt.Schritt;
    const auto position = [&](int r) { return gleis.Xgipf + (gt.C + r) * step; };
    const int lastProfile = std::min(gt.M - gt.C, kGridSlots - 1);
    const int lastRun = std::min(gt.N - gt.C - 1, kGridSlots - 1);
    for (int r = 0; r <= std::max(lastProfile, lastRun); ++r) {
        const auto rs = static_cast<std::size_t>(r);
        const TStatAnteile a = StatAnteile(group, position(r));
        if (r <= lastProfile) {
            gt.BNeig[rs] = a.Neig;
            gt.BRoll[rs] = a.Roll;
        }
        if (r <= lastRun) {
            gt.BBogen[rs] = a.Bogen;
            gt.BWeich[rs] = a.Weich;
        }
        gt.BStat[rs] = gt.BNeig[rs] + gt.BBogen[rs] + gt.BWeich[rs] + gt.BRoll[rs];
    }
    for (int i = 0; i < kMaxGridSteps; ++i) {
        const auto is = static_cast<std::size_t>(i);
        gt.Abszisse[is] = gleis.Xnull + i * step;
        gt.Energie[is + 1] = gt.Energie[is] + gt.BStat[is] * step;
    }
}

bool TEngine::PrepareGroup(model::TWagenGruppeN& group) {
    gitter.Bereit = false;
    if (!gleis.DatenBereit) return false;
    if (!GroupUsable(group)) {
        // A reset group was reported by its reader; one filled with broken values was not.
        if (!group.WagenListe.empty())
            port_.Show(MsgKind::Error,
                       "Die Daten der Wagengruppe sind unvollständig.\r\nSimulation wird nicht "
                       "durchgeführt!",
                       MsgButtons::Ok);
        return false;
    }
    RetarderTableCheck(group);
    if (!GridAndLimits()) return false;
    FillTables(group);
    gruppe = &group;
    gitter.Bereit = true;
    return true;
}

int TEngine::GridIndex(double p) const {
    const double u = std::floor((p - gleis.Xgipf) / gitter.Schritt + 1e-9) - gitter.C;
    if (!(u > 0)) return 0;
    return static_cast<int>(std::min(u, double{kGridSlots - 1}));
}

double TEngine::StatAt(double p) const {
    const double u = (p - gleis.Xgipf) / gitter.Schritt - gitter.C;
    if (!(u > 0)) return gitter.BStat[0];
    if (u >= kGridSlots - 1) return gitter.BStat[kGridSlots - 1];
    const double r0 = std::floor(u);
    const auto i = static_cast<std::size_t>(r0);
    const double f = u - r0;
    return f == 0 ? gitter.BStat[i] : gitter.BStat[i] + f * (gitter.BStat[i + 1] - gitter.BStat[i]);
}

}  // namespace gvm::engine
