#pragma once
// What the commands run, summary and chart share: the run window of one case as the controller,
// the run options of the command line, and the summary as JSON.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/args.h"
#include "cli/session.h"
#include "engine/engine.h"
#include "engine/run_modes.h"
#include "runcontrol/run_controller.h"

namespace gvm::cli {

// Values of the experiment given on the command line; unset ones keep the experiment's.
struct RunOptions {
    std::optional<double> xstart, vab, xtot, targetX, targetV;
    std::optional<double> runinStartX, runinStartV, runinTargetX, runinTargetV;
    std::optional<std::string> respect, train;

    // Reads --xstart, --vab, ..., --train; UsageError for a value that is no number.
    static RunOptions Read(Args& args);
};

// "normal", "target", "runin" as modes 0, 1, 2; UsageError for another word.
int ModeNumber(const std::string& word);
const char* ModeWord(int mode);

// The run window of one case of the session's database, activated on it.
class CaseRun {
public:
    explicit CaseRun(Session& session);
    // Makes the case and its project current and activates the window on it; false after
    // the message when there is no such case.
    bool Open(std::int64_t idSimFall);

    runcontrol::TRunController& rc() { return *rc_; }
    engine::TEngine& engine() { return engine_; }
    engine::TResultSets& sets() { return *sets_; }

private:
    Session& session_;
    NumberFormat nf_;
    engine::TEngine engine_;
    std::unique_ptr<engine::TResultSets> sets_;
    std::unique_ptr<runcontrol::TRunController> rc_;
};

// Chooses the train group (when given) and the mode, then sets the given values.
void ApplyRunOptions(runcontrol::TRunController& rc, const RunOptions& o, std::optional<int> mode);

nlohmann::ordered_json SummaryJson(const runcontrol::TRunSummary& s);

}  // namespace gvm::cli
