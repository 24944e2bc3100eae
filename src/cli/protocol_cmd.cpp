// gravimont-cli protocol: the input protocols stored with an experiment, as the result
// views show them (plain text) or as stored (RTF).
#include <optional>

#include "base/rtf.h"
#include "cli/args.h"
#include "cli/session.h"
#include "engine/protocols.h"

namespace gvm::cli {

namespace {

std::optional<int> Which(Args& args) {
    const auto text = args.Option("--which");
    if (!text) return std::nullopt;
    const std::int64_t which = ParseId(*text, "--which");
    if (which < 0 || which >= engine::kProtokolle)
        throw UsageError("--which is a number from 0 to 9");
    return static_cast<int>(which);
}

}  // namespace

int CmdProtocol(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const auto experiment = args.Option("--experiment");
    const std::optional<int> which = Which(args);
    const std::string format = args.Option("--format").value_or("text");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!experiment) throw UsageError("--experiment ID is required");
    if (format != "text" && format != "rtf")
        throw UsageError("--format is text or rtf, not '" + format + "'");
    const std::int64_t id = ParseId(*experiment, "--experiment");

    Session s(ctx, false);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    if (!LocateExperiment(s.dm, id)) {
        s.port.Error("Das Simulationsexperiment " + std::to_string(id) + " ist nicht vorhanden.");
        return 1;
    }
    db::Cursor& vstup = s.dm.cds.ResVstupCDS;
    if (vstup.IsEmpty()) {
        s.port.Error("Zum Simulationsexperiment \"" +
                     s.dm.cds.SimFallResultCDS.FieldByName("SimExpName").AsString() +
                     "\" sind keine Protokolle gespeichert.\n\rBitte \"Vollständige Resultate "
                     "speichern\" auswählen "
                     "und die Resultate neu berechnen.");
        return 1;
    }
    vstup.First();
    for (int i = 0; i < engine::kProtokolle; ++i) {
        if (which && *which != i) continue;
        const std::string memo =
            vstup.FieldByName(engine::kProtokollFelder[static_cast<std::size_t>(i)]).AsString();
        if (!which)
            ctx.out << "=== " << i << " " << engine::ProtocolTitle(i) << " ("
                    << engine::kProtokollFelder[static_cast<std::size_t>(i)] << ") ===\n";
        ctx.out << (format == "rtf" ? memo : RtfToText(memo));
    }
    return 0;
}

}  // namespace gvm::cli
