// gravimont-cli run: one simulation experiment of a case, as the run window calculates it.
#include <ctime>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/errors.h"
#include "base/numfmt.h"
#include "base/text.h"
#include "cli/args.h"
#include "cli/session.h"
#include "database/data_modules.h"
#include "engine/exit_speed_search.h"
#include "engine/run_modes.h"
#include "engine/target_modes.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::cli {

namespace {

using nlohmann::ordered_json;

// The event of a row in words: "Einlauf Achse 3 auf Bremse 2", "Ausschalten der Bremse 4".
std::string EventWords(int code, double parameter) {
    const std::string first = Trim(engine::EventText1(code));
    const std::string second = engine::EventText2(code);
    if (code == engine::evEinlaufAchse || code == engine::evAuslaufAchse) {
        const long axle = static_cast<long>(parameter + 1e-9);
        const long retarder = std::lround((parameter - static_cast<double>(axle)) * 100.0);
        return first + " " + std::to_string(axle) + " " + second + " " + std::to_string(retarder);
    }
    if (code == engine::evAusschalten || code == engine::evEinschalten)
        return first + " " + second + " " + std::to_string(std::lround(parameter));
    return first;
}

std::string Now(const char* format) {
    const std::time_t t = std::time(nullptr);
    char buf[32];
    std::strftime(buf, sizeof buf, format, std::localtime(&t));
    return buf;
}

ordered_json Describe(const engine::TVysledky& r, const model::TGleis& gleis, const char* mode) {
    ordered_json j;
    j["mode"] = mode;
    j["grade"] = engine::ToString(r.ResultsMeldung);
    j["message"] = r.WarnungMessage;
    j["rows"] = r.NVyst;
    const bool any = r.NVyst > 0;
    j["dist_start"] = any ? r.Dist1() : 0.0;
    j["dist_end"] = any ? r.DistEnd() : 0.0;
    j["speed_end"] = any ? r.Gesch[static_cast<std::size_t>(r.NVyst)] : 0.0;
    j["time_end"] = any ? r.ZeitEnd() : 0.0;
    ordered_json events = ordered_json::array();
    for (int i = 1; i <= r.NVyst; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int code = r.TeilSchr[k];
        if (code == engine::evNone) continue;
        events.push_back({{"row", i}, {"code", code}, {"text", EventWords(code, r.Vluft[k])},
                          {"dist", r.Dist[k]}, {"speed", r.Gesch[k]}, {"time", r.Zeit[k]}});
    }
    j["events"] = std::move(events);
    ordered_json exits = ordered_json::array();
    for (int i = 1; i <= gleis.Nxbr && i <= 50; ++i) exits.push_back(r.Vaus[static_cast<std::size_t>(i)]);
    j["exit_speeds"] = std::move(exits);
    return j;
}

void PrintText(std::ostream& out, const ordered_json& j) {
    out << "mode: " << j["mode"].get<std::string>() << "\n"
        << "grade: " << j["grade"].get<std::string>() << "\n";
    const std::string message = j["message"].get<std::string>();
    if (!message.empty()) out << "message:\n" << TerminalText(message) << "\n";
    out << "rows: " << j["rows"].get<int>() << "\n";
    for (const auto& e : j["events"])
        out << "  " << FormatIntW(e["row"].get<int>(), 6) << "  " << e["text"].get<std::string>()
            << "  x=" << FormatFloatF(e["dist"].get<double>(), 10, 2) << " m"
            << "  v=" << FormatFloatF(e["speed"].get<double>(), 10, 3) << " m/s"
            << "  t=" << FormatFloatF(e["time"].get<double>(), 10, 2) << " s\n";
    out << "end: x=" << FormatFloatF(j["dist_end"].get<double>(), 10, 2) << " m  v="
        << FormatFloatF(j["speed_end"].get<double>(), 10, 3) << " m/s  t="
        << FormatFloatF(j["time_end"].get<double>(), 10, 2) << " s\n";
    out << "exit speeds:";
    for (const auto& v : j["exit_speeds"]) out << " " << FormatGeneral(v.get<double>());
    out << "\n";
    if (j["mode"] != "normal") {
        out << "found exit speeds:";
        for (const auto& v : j["found_exit_speeds"]) out << " " << FormatFloatF(v.get<double>(), 6, 3);
        out << "\nmaximum entry speed: " << FormatFloatF(j["max_entry_speed"].get<double>(), 6, 3) << " m/s\n"
            << "speed at the target: " << FormatFloatF(j["speed_at_target"].get<double>(), 6, 3) << " m/s\n";
    }
}

void WriteRows(const std::string& file, const engine::TVysledky& r) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw EGravimont("Die Datei \"" + file + "\" kann nicht geschrieben werden.");
    out << "distance;speed;acceleration;time;air;brake;wind;relative air speed;event code;event text\n";
    for (int i = 1; i <= r.NVyst; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int code = r.TeilSchr[k];
        out << FormatRoundTrip(r.Dist[k]) << ';' << FormatRoundTrip(r.Gesch[k]) << ';'
            << FormatRoundTrip(r.Besch[k]) << ';' << FormatRoundTrip(r.Zeit[k]) << ';'
            << FormatRoundTrip(r.Bluft[k]) << ';' << FormatRoundTrip(r.Bbrems[k]) << ';'
            << FormatRoundTrip(r.Vluft[k]) << ';' << FormatRoundTrip(r.Vrelat[k]) << ';' << code << ';'
            << (code == engine::evNone ? "" : EventWords(code, r.Vluft[k])) << '\n';
    }
    if (!out) throw EGravimont("Die Datei \"" + file + "\" konnte nicht vollständig geschrieben werden.");
}

std::optional<double> NumberOption(Args& args, const std::string& name) {
    const auto text = args.Option(name);
    if (!text) return std::nullopt;
    const auto v = ParseFloat(*text);
    if (!v) throw UsageError(name + " needs a number: " + *text);
    return v;
}

}  // namespace

int CmdRun(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const bool answerNo = args.Flag("--no");
    const auto fallId = args.Option("--case");
    const std::string mode = args.Option("--mode").value_or("normal");
    const auto xstart = NumberOption(args, "--xstart");
    const auto vab = NumberOption(args, "--vab");
    const auto xtot = NumberOption(args, "--xtot");
    const auto rowsFile = args.Option("--rows");
    const auto targetX = NumberOption(args, "--target-x");
    const auto targetV = NumberOption(args, "--target-v");
    const auto respect = args.Option("--respect-exit-speeds");
    const auto runinStartX = NumberOption(args, "--runin-start-x");
    const auto runinStartV = NumberOption(args, "--runin-start-v");
    const auto runinTargetX = NumberOption(args, "--runin-target-x");
    const auto runinTargetV = NumberOption(args, "--runin-target-v");
    const auto train = args.Option("--train");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!fallId) throw UsageError("--case ID is required");
    if (mode != "normal" && mode != "target" && mode != "runin")
        throw UsageError("--mode is normal, target or runin, not '" + mode + "'");
    if (respect && *respect != "yes" && *respect != "no")
        throw UsageError("--respect-exit-speeds is yes or no");

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    const std::int64_t id = ParseId(*fallId, "--case");
    if (!LocateProjectHolding(s.dm, s.dm.cds.SimulationsFallCDS, "ID_Simulationsfall", id)) {
        s.port.Error("Simulationsfall " + std::to_string(id) + " existiert nicht.");
        return 1;
    }
    db::TDataLoadDM load(s.dm);
    load.CloneFromMainCDS();
    load.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", id);
    model::ModelContext mctx(load, s.port, NumberFormat::FromSystemLocale());
    model::TSimExperiment exp(mctx);
    exp.FillFromCase(load.cds.SimulationsFallCDS, Now("%d.%m.%Y"), Now("%H:%M:%S"));
    model::TWagenGruppeN first;
    if (exp._IDWG1 != -1 && model::RollotEinlesen(mctx, first, exp._IDWG1, true, 0xFF0000))
        exp._Xstart = model::ProposedStart(exp.Gleis(), first);
    if (xstart) exp._Xstart = *xstart - exp.Gleis().Xnull;
    if (vab) exp._Vab = *vab;
    if (xtot) exp._Xtot = *xtot;
    exp._XZulaufEnde = exp._Xstart + exp.Gleis().Xnull;
    if (targetX) exp._XZielbrems = *targetX;
    if (targetV) exp._VZielbrems = *targetV;
    if (respect) exp._VausGleisRespect = *respect == "yes";
    if (runinStartX) exp._XZulaufStart = *runinStartX;
    if (runinStartV) exp._VZulaufStart = *runinStartV;
    if (runinTargetX) exp._XZulaufEnde = *runinTargetX;
    if (runinTargetV) exp._VZulaufEnde = *runinTargetV;
    if (train) exp._IDWGZug = static_cast<int>(ParseId(*train, "--train"));

    engine::TEngine eng(s.port, mctx.numfmt);
    engine::TResultSets sets;
    double targetPosition = exp._Xtot;
    double maxEntry = 0;
    if (mode == "normal") {
        exp._Flags = model::kNormalLauf;
        engine::NormalRun(eng, sets, exp, mctx, true);
    } else if (mode == "target") {
        exp._Flags = model::kZielbremsung;
        engine::TargetBraking(eng, sets, exp, mctx, true);
        targetPosition = exp._XZielbrems;
        maxEntry = sets.MaxEinlauf;
    } else {
        exp._Flags = model::kZulaufprozess;
        engine::RunInProcess(eng, sets, exp, mctx, true);
        targetPosition = exp._XZulaufEnde;
        maxEntry = exp._ZulaufVmaxStart;
    }
    const engine::TVysledky& r = sets.current;
    ordered_json j = Describe(r, exp.Gleis(), mode.c_str());
    ordered_json found = ordered_json::array();
    for (int i = 1; i <= eng.gleis.Nxbr && i <= model::kMaxBremsen; ++i)
        found.push_back(eng.gleis.VausGefunden[static_cast<std::size_t>(i)]);
    j["found_exit_speeds"] = std::move(found);
    j["max_entry_speed"] = maxEntry;
    j["speed_at_target"] = r.NVyst > 0 ? engine::SpeedAtPosition(eng, r, targetPosition) : 0.0;
    if (json)
        ctx.out << j.dump(2) << "\n";
    else
        PrintText(ctx.out, j);
    if (rowsFile) WriteRows(*rowsFile, r);
    return r.ResultsMeldung == engine::rmError ? 1 : 0;
}

}  // namespace gvm::cli
