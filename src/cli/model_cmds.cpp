// gravimont-cli track / group: the input model of a track or a run as the engine sees it.
#include <nlohmann/json.hpp>

#include "base/numfmt.h"
#include "cli/args.h"
#include "cli/session.h"
#include "database/data_modules.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::cli {

namespace {

using nlohmann::ordered_json;

template <typename A>
ordered_json Slice(const A& a, int from, int to) {
    ordered_json j = ordered_json::array();
    for (int i = from; i <= to; ++i) j.push_back(a[static_cast<std::size_t>(i)]);
    return j;
}

ordered_json TrackJson(const model::TGleis& g) {
    ordered_json j;
    j["ready"] = g.DatenBereit();
    j["variants"] = {{"gradient", g.NNeig}, {"curve", g.NBogn}, {"switch", g.NWeich}, {"rolling", g.NRolw},
                     {"air", g.NLuft},      {"retarder", g.NBrems}, {"zones", g.NWirk}};
    j["Xnull"] = g.Xnull;
    j["Xgipf"] = g.Xgipf;
    j["Xstart"] = g.Xstart;
    j["Xend"] = g.Xend;
    j["XtotNeig"] = g.XtotNeig;
    j["gradients"] = {{"Nxs", g.Nxs}, {"X", Slice(g.X, 1, g.Nxs + 1)}, {"S1", Slice(g.S1, 1, g.Nxs)},
                      {"S2", Slice(g.S2, 1, g.Nxs)}};
    j["curves"] = {{"Nxr", g.Nxr}, {"Nbog", g.Nbog}, {"Eps0", g.Epsio}, {"Eps1", g.Epsi1},
                   {"Xr", Slice(g.Xr, 1, g.Nbog)}, {"Rb", Slice(g.Rb, 1, std::max(g.Nbog - 1, 0))},
                   {"Beta1g", g.Beta1g}};
    // The switch segments end with the boundary at Xend.
    int segW = 0;
    for (int k = 2; g.Nxw > 0 && k <= model::kSegmentSlots; ++k) {
        if (g.Xw[static_cast<std::size_t>(k)] >= g.Xend) {
            segW = k;
            break;
        }
    }
    j["switches"] = {{"Nxw", g.Nxw}, {"Xw", Slice(g.Xw, 1, segW)}, {"W", Slice(g.W, 1, segW)},
                     {"Xgrenz", Slice(g.Xgrenz, 1, segW)}};
    j["rolling"] = {{"Nxwr", g.Nxwr}, {"Xrw", Slice(g.Xrw, 1, g.Nxwr + (g.Nxwr > 0 ? 1 : 0))},
                    {"W1", Slice(g.W1, 1, g.Nxwr)}, {"W2", Slice(g.W2, 1, g.Nxwr)}};
    j["air"] = {{"Nxl", g.Nxl}, {"Vl", g.Vlg}, {"Beta0", g.Beta0}, {"Beta10", g.Beta10},
                {"Xl", Slice(g.Xl, 1, g.Nxl + (g.Nxl > 0 ? 1 : 0))}, {"Vlu", Slice(g.Vlu, 1, g.Nxl)},
                {"Vlo", Slice(g.Vlo, 1, g.Nxl)}};
    ordered_json zones = ordered_json::array();
    for (int k = 1; k <= g.Nxwi; ++k) {
        const auto i = static_cast<std::size_t>(k);
        zones.push_back({{"entry", g.XwiE[i]}, {"exit", g.XwiA[i]}, {"comment", g.KommWirk[i]}});
    }
    j["zones"] = zones;
    ordered_json retarders = ordered_json::array();
    for (int k = 1; k <= g.Nxbr; ++k) {
        const auto i = static_cast<std::size_t>(k);
        ordered_json r = {{"type", g.Bauart[i]}, {"code", g.Kod[i]}, {"Kodd", g.Kodd[i]},
                          {"Xbu", g.Xbu[i]},     {"Xbo", g.Xbo[i]},  {"Xein", g.Xein[i]},
                          {"Vaus", g.Vaus[i]},   {"Wbr", g.Wbr[i]},  {"Wir", g.Wir[i]},
                          {"A", {g.A1[i], g.A2[i], g.A3[i]}}};
        const int art = g.BremsArtNo[i];
        if (art >= 1 && art <= model::kMaxBremsArt && g.Bremsen[static_cast<std::size_t>(art)]) {
            const model::TBremsArt& b = *g.Bremsen[static_cast<std::size_t>(art)];
            const auto classes = [](const std::array<model::TMassenstufe, 11>& rows, int n) {
                ordered_json list = ordered_json::array();
                for (int m = 1; m <= n; ++m) {
                    const auto& row = rows[static_cast<std::size_t>(m)];
                    list.push_back({{"Go", row.Go}, {"forces", Slice(row.Wert, 1, 9)}});
                }
                return list;
            };
            r["braking_classes"] = classes(b.Kraft, b.NKraft);
            r["idle_classes"] = classes(b.Leerlauf, b.NLeerlauf);
        }
        retarders.push_back(r);
    }
    j["retarders"] = {{"Nxbr", g.Nxbr}, {"Inxbr", g.Inxbr}, {"IbrStart", g.IbrStart}, {"list", retarders}};
    return j;
}

ordered_json GroupJson(const model::TWagenGruppeN& g) {
    ordered_json j;
    j["name"] = g.NameWG;
    j["Sx"] = g.Sx;
    j["Sg"] = g.Sg;
    j["Oq"] = g.Oq;
    j["Fmq"] = g.Fmq;
    j["Ok1"] = g.Ok1();
    j["Ok9"] = g.Ok9();
    j["NAchs"] = g.NAchs;
    j["Fl"] = g.Fl;
    j["Cct"] = g.Cct;
    j["Ct"] = g.Ct;
    ordered_json wagons = ordered_json::array();
    for (int i = 1; i <= g.WagenAnzahl(); ++i) {
        const model::TWagenN& w = g.Wagen(i);
        wagons.push_back({{"axles", w.NAchs},     {"front", w.AbszisseWagen[0]}, {"Sx", w.Sx},
                          {"Sax", w.Sax},         {"axle_load", w.AchsLast},     {"W0", w.Wr0},
                          {"Fm", w.Fm},           {"Mdw", w.Mdw}});
    }
    j["wagons"] = wagons;
    j["axles"] = Slice(g.Abszisse, 1, g.NAchs);
    j["axle_loads"] = Slice(g.AchsenLast, 1, g.NAchs);
    return j;
}

// Numbers in the shortest general form, as an engineer reads them.
std::string Text(const ordered_json& v) {
    if (v.is_number_float()) return FormatGeneral(v.get<double>());
    if (v.is_string()) return v.get<std::string>();
    if (v.is_array()) {
        std::string s;
        for (const auto& e : v) {
            if (!s.empty()) s += ' ';
            s += Text(e);
        }
        return s;
    }
    return v.dump();
}

void PrintFlat(std::ostream& out, const ordered_json& j, const std::string& prefix = "") {
    for (const auto& [key, value] : j.items()) {
        const std::string name = prefix.empty() ? key : prefix + "." + key;
        if (value.is_object()) {
            PrintFlat(out, value, name);
        } else if (value.is_array() && !value.empty() && value.front().is_object()) {
            for (std::size_t i = 0; i < value.size(); ++i) PrintFlat(out, value[i], name + "[" + std::to_string(i + 1) + "]");
        } else {
            out << name << ": " << Text(value) << "\n";
        }
    }
}

}  // namespace

int CmdTrack(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const auto track = args.Option("--track");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!track) throw UsageError("--track ID is required");
    const std::int64_t id = ParseId(*track, "--track");

    Session s(ctx, false);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    if (!LocateProjectHolding(s.dm, s.dm.cds.GleisCDS, "ID_Gleis", id)) {
        s.port.Error("Daten des Gleises sind nicht vorhanden !");
        return 1;
    }
    db::TDataLoadDM load(s.dm);
    load.CloneFromMainCDS();
    model::ModelContext mctx(load, s.port, NumberFormat::FromSystemLocale());
    model::TSimExperiment exp(mctx);
    exp.Set_IDGleis(static_cast<int>(id));
    const ordered_json j = TrackJson(exp.Gleis());
    if (json)
        ctx.out << j.dump(2) << "\n";
    else
        PrintFlat(ctx.out, j);
    return exp.Gleis().DatenBereit() ? 0 : 1;
}

int CmdGroup(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const auto run = args.Option("--run");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!run) throw UsageError("--run ID is required");

    Session s(ctx, false);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    db::TDataLoadDM load(s.dm);
    load.CloneFromMainCDS();
    model::ModelContext mctx(load, s.port, NumberFormat::FromSystemLocale());
    model::TWagenGruppeN group;
    const bool ok = model::RollotEinlesen(mctx, group, static_cast<int>(ParseId(*run, "--run")), true, 0x0000FF);
    if (!ok) return 1;
    const ordered_json j = GroupJson(group);
    if (json)
        ctx.out << j.dump(2) << "\n";
    else
        PrintFlat(ctx.out, j);
    return 0;
}

}  // namespace gvm::cli
