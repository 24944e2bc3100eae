#pragma once
// The commands of gravimont-cli. Each takes its arguments (after the command name) and
// returns the process exit code; failures throw and are reported by main().

#include <ostream>
#include <string>
#include <vector>

#include "base/paths.h"

namespace gvm::cli {

struct Context {
    ProgramData data;
    std::ostream& out;
    std::ostream& err;
};

// Raised for wrong command-line words; main() prints the usage.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

int CmdInfo(Context& ctx, const std::vector<std::string>& args);
int CmdProject(Context& ctx, const std::vector<std::string>& args);
int CmdExport(Context& ctx, const std::vector<std::string>& args);
int CmdImport(Context& ctx, const std::vector<std::string>& args);
int CmdTrack(Context& ctx, const std::vector<std::string>& args);
int CmdGroup(Context& ctx, const std::vector<std::string>& args);
int CmdRun(Context& ctx, const std::vector<std::string>& args);
int CmdSummary(Context& ctx, const std::vector<std::string>& args);
int CmdProtocol(Context& ctx, const std::vector<std::string>& args);
int CmdChart(Context& ctx, const std::vector<std::string>& args);

}  // namespace gvm::cli
