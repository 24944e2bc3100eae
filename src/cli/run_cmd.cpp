// gravimont-cli run: one simulation experiment of a case, calculated (and on request stored) as
// the run window does it.
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/errors.h"
#include "base/numfmt.h"
#include "base/text.h"
#include "cli/args.h"
#include "cli/session.h"
#include "cli/case_run.h"
#include "engine/exit_speed_search.h"
#include "engine/result_storage.h"
#include "model/sim_experiment.h"
#include "runcontrol/run_summary.h"

namespace gvm::cli {

namespace {

using nlohmann::ordered_json;

// The event of a row in words as stored, with single blanks: "Einlauf Achse 3 auf Bremse 2",
// "Ausschalten der Bremse 4".
std::string EventWords(int code, double parameter) {
    std::string words;
    for (char c : engine::EventText(code, parameter))
        if (c != ' ' || (!words.empty() && words.back() != ' ')) words += c;
    return Trim(words);
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

}  // namespace

int CmdRun(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const bool answerNo = args.Flag("--no");
    const auto fallId = args.Option("--case");
    const std::string modeWord = args.Option("--mode").value_or("normal");
    const auto rowsFile = args.Option("--rows");
    const auto storeName = args.Option("--store");
    const RunOptions options = RunOptions::Read(args);
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!fallId) throw UsageError("--case ID is required");
    const int mode = ModeNumber(modeWord);
    if (storeName && Trim(*storeName).empty()) throw UsageError("--store needs a name");

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    CaseRun run(s);
    if (!run.Open(ParseId(*fallId, "--case"))) return 1;
    runcontrol::TRunController& rc = run.rc();
    // The experiment comes from the case, as the window's "Daten rücksetzen" fills it.
    rc.DatenRuecksetzen();
    ApplyRunOptions(rc, options, mode);
    if (storeName) rc.SetNameText(*storeName);
    rc.SetStoreOnCalculate(storeName.has_value());
    if (!rc.Berechnen()) return 1;

    const model::TSimExperiment& exp = rc.Experiment();
    const engine::TEngine& eng = run.engine();
    const engine::TVysledky& r = run.sets().current;
    double targetPosition = exp._Xtot;
    double maxEntry = 0;
    if (mode == model::kZielbremsung) {
        targetPosition = exp._XZielbrems;
        maxEntry = run.sets().MaxEinlauf;
    } else if (mode == model::kZulaufprozess) {
        targetPosition = exp._XZulaufEnde;
        maxEntry = exp._ZulaufVmaxStart;
    }
    ordered_json j = Describe(r, exp.Gleis(), modeWord.c_str());
    ordered_json found = ordered_json::array();
    for (int i = 1; i <= eng.gleis.Nxbr && i <= model::kMaxBremsen; ++i)
        found.push_back(eng.gleis.VausGefunden[static_cast<std::size_t>(i)]);
    j["found_exit_speeds"] = std::move(found);
    j["max_entry_speed"] = maxEntry;
    j["speed_at_target"] = r.NVyst > 0 ? engine::SpeedAtPosition(eng, r, targetPosition) : 0.0;
    j["summary"] = SummaryJson(rc.Summary());
    const engine::TStoreResult& stored = rc.LastStore();
    if (storeName) j["experiment_id"] = stored.idResult;
    if (json) {
        ctx.out << j.dump(2) << "\n";
    } else {
        PrintText(ctx.out, j);
        ctx.out << "\n" << runcontrol::SummaryText(rc.Summary());
        if (storeName && stored.stored)
            ctx.out << "stored as \"" << *storeName << "\" (experiment " << stored.idResult << ")\n";
    }
    if (rowsFile) WriteRows(*rowsFile, r);
    if (storeName && !(stored.stored && stored.saved)) return 1;
    return r.ResultsMeldung == engine::rmError ? 1 : 0;
}

}  // namespace gvm::cli
