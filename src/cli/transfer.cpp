// gravimont-cli export / import: a project with what it uses to and from a database file.
#include "cli/args.h"
#include "cli/session.h"
#include "database/data_modules.h"
#include "database/project_transfer.h"

namespace gvm::cli {

int CmdExport(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool answerNo = args.Flag("--no");
    const auto project = args.Option("--project");
    const auto to = args.Option("--to");
    db::ExportOptions options;
    options.allRuns = args.Flag("--all-runs");
    options.allRetarders = args.Flag("--all-retarders");
    options.allWagons = args.Flag("--all-wagons");
    options.noResults = args.Flag("--no-results");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!project) throw UsageError("--project ID is required");
    if (!to) throw UsageError("--to OUT is required");

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SaveInfoCDS();
    db::TDataLoadDM load(s.dm);
    db::TSimDM sim(s.dm);
    db::ProjectExport exporter(s.dm, load, sim);
    return exporter.Run(ParseId(*project, "--project"), *to, options) ? 0 : 1;
}

int CmdImport(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool answerNo = args.Flag("--no");
    const auto from = args.Option("--from");
    const auto newProject = args.Option("--new-project");
    const auto into = args.Option("--into");
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!from) throw UsageError("--from IN is required");
    if (newProject.has_value() == into.has_value()) throw UsageError("give either --new-project NAME or --into ID");

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SaveInfoCDS();
    db::ImportTarget target;
    target.newProject = newProject.has_value();
    if (newProject) target.name = *newProject;
    if (into) target.idProjekt = ParseId(*into, "--into");
    db::TEditDataModule edit(s.dm);
    db::TDataLoadDM load(s.dm);
    db::ProjectImport importer(s.dm, edit, load, s.current);
    const bool ok = importer.Run(*from, target);
    if (ok && s.current.HasProject()) ctx.out << "imported into project " << s.current.ProjektID << "\n";
    return ok ? 0 : 1;
}

}  // namespace gvm::cli
