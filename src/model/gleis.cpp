#include "model/gleis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/numfmt.h"
#include "model/gleis_readers.h"
#include "model/sim_experiment.h"

namespace gvm::model {

namespace detail {

void SectionBounds::Check(int i, double& xu, double& xo, bool warnInverted) {
    const NumberFormat& nf = ctx_.numfmt;
    const auto lowerBoundWarning = [&](const char* relation) {
        ctx_.port.Show(MsgKind::Warning,
                       label_ + std::to_string(i) + " hat untere Grenze Xu= " + FormatGeneral(xu, nf) + "," +
                           "\r\n" + relation + FormatGeneral(prevXo_, nf) + " ist." + "\r\n" +
                           " Die untere Grenze wird auf Xu= " + FormatGeneral(prevXo_, nf) + " gesetzt.",
                       MsgButtons::Ok);
        xu = prevXo_;
    };
    if (i > 1) {
        if (prevXo_ > xu + q_)
            lowerBoundWarning("die kleiner als die obere Grenze des vorherigen Abschnittes Xo= ");
        else if (closeGaps_ && xu > prevXo_ + q_)
            lowerBoundWarning("die größer als die obere Grenze des vorherigen Abschnittes Xo= ");
    }
    if (xu > xo + q_) {
        if (warnInverted)
            ctx_.port.Show(MsgKind::Warning,
                           label_ + std::to_string(i) + " hat untere Grenze Xu= " + FormatGeneral(xu, nf) + "," +
                               "\r\n" + "die größer als die obere Grenze Xo= " + FormatGeneral(xo, nf) + " ist." +
                               "\r\n" + " Die obere Grenze wird auf Xo= " + FormatGeneral(xu, nf) + " gesetzt.",
                           MsgButtons::Ok);
        xo = xu;
    }
    prevXo_ = xo;
}

bool LocateVariant(db::Cursor& variant, std::string_view idField, int id) {
    return variant.Locate(idField, db::Value{std::int64_t{id}});
}

void AskMissingVariant(ModelContext& ctx, TGleis& g, std::string_view text) {
    if (ctx.port.Show(MsgKind::Warning, text, MsgButtons::OkCancel) == MsgAnswer::Cancel) g.fDatenBereit = false;
}

}  // namespace detail

namespace {

using detail::AskMissingVariant;
using detail::LocateVariant;
using detail::SectionBounds;

double F(db::Cursor& c, std::string_view field) { return c.FieldByName(field).AsFloat(); }
std::string S(db::Cursor& c, std::string_view field) { return c.FieldByName(field).AsString(); }

// Calls `section(i)` for the sections of the variant, i from 1, at most `limit` of them;
// when the table holds more the limit error is shown and the rest is left out.
template <typename Fn>
int ForEachSection(ModelContext& ctx, db::Cursor& sections, int limit, const char* limitMessage, Fn section) {
    int i = 0;
    for (sections.First(); !sections.Eof(); sections.Next()) {
        if (i == limit) {
            ctx.port.Show(MsgKind::Error, limitMessage, MsgButtons::Ok);
            break;
        }
        section(++i);
    }
    return i;
}

void ReadNeigung(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.X.begin() + 1, g.X.end(), 0.0);
    std::fill(g.S1.begin() + 1, g.S1.end(), 0.0);
    std::fill(g.S2.begin() + 1, g.S2.end(), 0.0);
    // Without sections there is no profile to place the track on: as bad as no variant.
    if (!LocateVariant(cds.NeigungCDS, "ID_Neig", id) || cds.NeigAbschCDS.IsEmpty()) {
        ctx.port.Show(MsgKind::Error, "Daten der Neigung sind nicht vorhanden !", MsgButtons::Ok);
        g.fDatenBereit = false;
        g.NNeig.clear();
        g.Nxs = 0;
        g.X[0] = 0;
        g.Xs = g.X;
        return;
    }
    db::Cursor& v = cds.NeigungCDS;
    db::Cursor& s = cds.NeigAbschCDS;
    g.NNeig = S(v, "Name");
    g.XtotNeig = F(v, "Xtot");
    g.Xstart = F(v, "Xgipf");
    s.First();
    g.Xnull = F(s, "Xu");

    SectionBounds bounds(ctx, "Neigungsabschnitt Nr. ", q, true);
    double lastXo = g.Xnull;
    const int n = ForEachSection(ctx, s, kMaxNeigAbsch, "Zu viele Neigungsabschnitte !", [&](int i) {
        double xu = F(s, "Xu"), xo = F(s, "Xo");
        bounds.Check(i, xu, xo);
        g.S1[i] = F(s, "Su");
        g.S2[i] = F(s, "So");
        g.X[i] = xu - g.Xnull;
        lastXo = xo;
    });
    g.Xend = lastXo - g.Xnull;
    g.Nxs = n;
    g.X[n + 1] = g.Xend;
    g.X[0] = n;
    g.Xs = g.X;

    g.Xgipf = -g.Xnull;
    g.Xstart -= g.Xnull;
    // The run cannot go on beyond the described track.
    g.XtotNeig = std::min(g.XtotNeig, g.Xend - g.Xgipf);
}

void ReadBogen(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.Xr.begin() + 1, g.Xr.end(), 0.0);
    std::fill(g.Rb.begin() + 1, g.Rb.end(), 0.0);
    g.Beta1g = 0;
    int k = 1;  // Xr[1] = 0: the segments start with the track
    if (!LocateVariant(cds.BogenCDS, "ID_Bogen", id)) {
        AskMissingVariant(ctx, g,
                          "Daten der Bogen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Bogen) "
                          "ersetzt !");
        g.NBogn.clear();
        g.Nxr = 0;
        g.Epsio = 0;
        g.Epsi1 = 0;
    } else {
        db::Cursor& v = cds.BogenCDS;
        db::Cursor& s = cds.BogenAbschCDS;
        g.NBogn = S(v, "Name");
        g.Epsio = F(v, "Eps0");
        g.Epsi1 = F(v, "Eps1");

        SectionBounds bounds(ctx, "Bogenabschnitt Nr. ", q);
        bool crestPassed = false;
        g.Nxr = ForEachSection(ctx, s, kMaxAbsch, "Zu viele Bogenabschnitte !", [&](int i) {
            double xu = F(s, "Xu"), xo = F(s, "Xo");
            bounds.Check(i, xu, xo);
            xu -= g.Xnull;
            xo -= g.Xnull;
            if (g.Xr[k] < xu) {  // straight up to the curve
                g.Rb[k] = 0;
                g.Xr[++k] = xu;
            }
            const double r = F(s, "R");
            const double rb = r != 0 ? 1.0 / r : 0.0;
            g.Rb[k] = rb;
            g.Xr[++k] = xo;
            // Turning of the track up to the crest, for the wind direction there.
            if (!crestPassed) {
                if (g.Xgipf > xo) {
                    g.Beta1g += rb * (xo - xu);
                } else {
                    if (g.Xgipf > xu) g.Beta1g += rb * (g.Xgipf - xu);
                    crestPassed = true;
                }
            }
        });
    }
    // Also when the variant is missing: a straight track, not the previous track's segments.
    g.Rb[k] = 0;
    g.Nbog = k + 1;
    g.Xr[g.Nbog] = g.Xend;
}

void ReadWeichen(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.Xw.begin() + 1, g.Xw.end(), 0.0);
    std::fill(g.Xgrenz.begin() + 1, g.Xgrenz.end(), 0.0);
    std::fill(g.W.begin() + 1, g.W.end(), 0.0);
    if (!LocateVariant(cds.WeichenCDS, "ID_Weich", id)) {
        AskMissingVariant(ctx, g,
                          "Daten der Weichen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Weichen) "
                          "ersetzt !");
        g.NWeich.clear();
        g.KommWeich.clear();
        g.Nxw = 0;
        return;
    }
    db::Cursor& v = cds.WeichenCDS;
    db::Cursor& s = cds.WeichAbschCDS;
    g.NWeich = S(v, "Name");
    g.KommWeich = S(v, "Kommentar");
    g.W[0] = 0;
    int k = 1;
    SectionBounds bounds(ctx, "Weichenabschnitt Nr. ", q);
    g.Nxw = ForEachSection(ctx, s, kMaxAbsch, "Zu viele Weichenabschnitte !", [&](int i) {
        double xu = F(s, "Xu"), xo = F(s, "Xo");
        bounds.Check(i, xu, xo);
        const double ww = F(s, "Ww");
        // Older files have no clearance mark; 0 means none is stored.
        const auto grenzField = s.FindField("XGrenz");
        double grenz = grenzField ? grenzField->AsFloat() : 0.0;
        xu -= g.Xnull;
        xo -= g.Xnull;
        if (grenz != 0) grenz -= g.Xnull;
        // The segment before the switch, zero-length when it starts where the last one ended.
        if (!(g.Xw[k] > xu)) {
            g.W[k] = 0;
            ++k;
            g.Xgrenz[k] = 0;
            g.Xw[k] = xu;
        }
        g.W[k] = ww;
        ++k;
        g.Xw[k] = xo;
        g.Xgrenz[k] = grenz != 0 ? grenz : xo;
    });
    if (g.Nxw > 0) {
        g.W[k] = 0;
        g.Xw[k + 1] = g.Xend;
    }
}

void ReadRollWider(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.Xrw.begin() + 1, g.Xrw.end(), 0.0);
    std::fill(g.W1.begin() + 1, g.W1.end(), 0.0);
    std::fill(g.W2.begin() + 1, g.W2.end(), 0.0);
    if (!LocateVariant(cds.RollWiderCDS, "ID_RollW", id)) {
        AskMissingVariant(ctx, g,
                          "Daten des Rollwiderstands sind nicht vorhanden !\r\nwerden durch implizite Werte (kein "
                          "Rollwiderstand) ersetzt !");
        g.NRolw.clear();
        g.KommRoll.clear();
        g.Nxwr = 0;
        return;
    }
    db::Cursor& v = cds.RollWiderCDS;
    db::Cursor& s = cds.RollAbschCDS;
    g.NRolw = S(v, "Name");
    g.KommRoll = S(v, "Kommentar");
    SectionBounds bounds(ctx, "Rollwiderstandsabschnitt Nr. ", q);
    g.Nxwr = ForEachSection(ctx, s, kMaxAbsch, "Zu viele Rollwiderstandsabschnitte !", [&](int i) {
        double xu = F(s, "Xu"), xo = F(s, "Xo");
        bounds.Check(i, xu, xo);
        g.W1[i] = F(s, "Wru");
        g.W2[i] = F(s, "Wro");
        g.Xrw[i] = xu - g.Xnull;
    });
    // Only lower bounds are kept: the last section reaches to the end of the track.
    g.Xrw[g.Nxwr + 1] = g.Xend;
}

void ReadLuftWid(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.Xl.begin(), g.Xl.end(), 0.0);
    std::fill(g.Vlu.begin(), g.Vlu.end(), 0.0);
    std::fill(g.Vlo.begin(), g.Vlo.end(), 0.0);
    g.Xl[kMaxLuftAbsch + 1] = g.Xend;
    if (!LocateVariant(cds.LuftWidCDS, "ID_Luft", id)) {
        AskMissingVariant(ctx, g,
                          "Daten des Luftwiderstands sind nicht vorhanden !\r\nwerden durch implizite Werte (kein "
                          "Luftwiderstand) ersetzt !");
        g.NLuft.clear();
        g.Nxl = 0;
        return;
    }
    db::Cursor& v = cds.LuftWidCDS;
    db::Cursor& s = cds.LuftAbschCDS;
    g.NLuft = S(v, "Name");
    g.Beta0 = F(v, "Beta0");
    g.Vlg = F(v, "Vl");
    SectionBounds bounds(ctx, "Luftwiderstandsabschnitt Nr. ", q);
    g.Nxl = ForEachSection(ctx, s, kMaxLuftAbsch, "Zu viele Luftwiderstandsabschnitte !", [&](int i) {
        double xu = F(s, "Xu"), xo = F(s, "Xo");
        bounds.Check(i, xu, xo);
        g.Vlu[i] = F(s, "Vlu");
        g.Vlo[i] = F(s, "Vlo");
        g.Xl[i] = xu - g.Xnull;
    });
    g.Xl[g.Nxl + 1] = g.Xend;
    // The wind direction is given at the crest; the track turns by Beta1g up to there.
    g.Beta10 = g.Beta0 * std::numbers::pi / 180.0 + g.Beta1g;
}

void ReadWirkZonen(ModelContext& ctx, TGleis& g, int id, double q) {
    auto& cds = ctx.load.cds;
    std::fill(g.XwiE.begin(), g.XwiE.end(), 0.0);
    std::fill(g.XwiA.begin(), g.XwiA.end(), 0.0);
    std::fill(g.KommWirk.begin(), g.KommWirk.end(), std::string());
    if (!LocateVariant(cds.WirkZonenCDS, "ID_WirkZon", id)) {
        AskMissingVariant(ctx, g,
                          "Daten der Wirkzonen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine "
                          "Wirkzonen) ersetzt !");
        g.NWirk.clear();
        g.KommentWirk.clear();
        g.Nxwi = 0;
        return;
    }
    db::Cursor& v = cds.WirkZonenCDS;
    db::Cursor& s = cds.WirkAbschCDS;
    g.NWirk = S(v, "Name");
    g.KommentWirk = S(v, "Kommentar");
    SectionBounds bounds(ctx, "Wirkzonenabschnitt Nr. ", q);
    g.Nxwi = ForEachSection(ctx, s, kMaxAbsch, "Zu viele Wirkzonenabschnitte !", [&](int i) {
        double xu = F(s, "Xu"), xo = F(s, "Xo");
        bounds.Check(i, xu, xo);
        g.XwiE[i] = xu - g.Xnull;
        g.XwiA[i] = xo - g.Xnull;
        g.KommWirk[i] = S(s, "Kommentar");
    });
}

}  // namespace

void TGleis::GleisDatenEinlesen(ModelContext& ctx, int paIDGleis) {
    fDatenBereit = true;
    db::Cursor& gleis = ctx.load.cds.GleisCDS;
    if (!LocateVariant(gleis, "ID_Gleis", paIDGleis)) {
        ctx.port.Show(MsgKind::Error, "Daten des Gleises sind nicht vorhanden !", MsgButtons::Ok);
        fDatenBereit = false;
        return;
    }
    const auto ref = [&](std::string_view field) { return static_cast<int>(gleis.FieldByName(field).AsInteger()); };
    const int idNeig = ref("ID_Neig"), idBogen = ref("ID_Bogen"), idWeich = ref("ID_Weich"),
              idRollW = ref("ID_RollW"), idLuft = ref("ID_Luft"), idBrems = ref("ID_Brems"),
              idWirk = ref("ID_WirkZon");
    const double q = fSimExp->_Q;

    // The gradients set Xnull, Xend and Xgipf for all later readers; the curves set Beta1g
    // for the air reader.
    ReadNeigung(ctx, *this, idNeig, q);
    ReadBogen(ctx, *this, idBogen, q);
    ReadWeichen(ctx, *this, idWeich, q);
    ReadRollWider(ctx, *this, idRollW, q);
    ReadLuftWid(ctx, *this, idLuft, q);
    detail::ReadBremsen(ctx, *this, idBrems);
    ReadWirkZonen(ctx, *this, idWirk, q);
    detail::CheckBremsen(ctx, *this);
}

}  // namespace gvm::model
