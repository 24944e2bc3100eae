// gravimont-cli summary: a stored experiment of a case calculated again, shown as the run
// window's summary.
#include <algorithm>

#include "cli/case_run.h"
#include "cli/commands.h"
#include "runcontrol/run_summary.h"

namespace gvm::cli {

using nlohmann::ordered_json;

int CmdSummary(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const bool answerNo = args.Flag("--no");
    const auto fallId = args.Option("--case");
    const auto experiment = args.Option("--experiment");
    const auto modeWord = args.Option("--mode");
    const RunOptions options = RunOptions::Read(args);
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!fallId) throw UsageError("--case ID is required");
    const std::optional<int> mode = modeWord ? std::optional<int>(ModeNumber(*modeWord)) : std::nullopt;
    const std::int64_t id = ParseId(*fallId, "--case");

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    CaseRun run(s);
    if (!run.Open(id)) return 1;
    runcontrol::TRunController& rc = run.rc();
    if (experiment) {
        rc.DropDownExperiments();
        const auto& names = rc.Experiments();
        if (std::find(names.begin(), names.end(), *experiment) == names.end()) {
            s.port.Error("Simulationsexperiment \"" + *experiment + "\" existiert nicht.");
            return 1;
        }
        rc.ChooseExperiment(*experiment);
    }
    ApplyRunOptions(rc, options, mode);
    rc.SetStoreOnCalculate(false);
    if (!rc.Berechnen()) return 1;

    const engine::TVysledky& r = run.sets().current;
    if (json) {
        ordered_json j;
        j["case"] = id;
        j["experiment"] = rc.NameText();
        j["mode"] = ModeWord(rc.Mode());
        j["grade"] = engine::ToString(r.ResultsMeldung);
        j["summary"] = SummaryJson(rc.Summary());
        ctx.out << j.dump(2) << "\n";
    } else {
        ctx.out << "experiment: " << rc.NameText() << "\nmode: " << ModeWord(rc.Mode()) << "\n\n"
                << runcontrol::SummaryText(rc.Summary());
    }
    return r.ResultsMeldung == engine::rmError ? 1 : 0;
}

}  // namespace gvm::cli
