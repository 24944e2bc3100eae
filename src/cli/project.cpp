// gravimont-cli project list|new|rename|delete: the project commands of the main window.
#include <nlohmann/json.hpp>

#include "cli/args.h"
#include "cli/session.h"
#include "database/projects.h"

namespace gvm::cli {

namespace {

int List(Context& ctx, Session& s, bool json) {
    db::ProjectManager pm(s.dm, s.current);
    const auto projects = pm.List();
    if (json) {
        nlohmann::ordered_json j = nlohmann::ordered_json::array();
        for (const auto& [id, name] : projects) j.push_back({{"id", id}, {"name", name}});
        ctx.out << j.dump(2) << "\n";
    } else {
        for (const auto& [id, name] : projects) ctx.out << id << " " << name << "\n";
    }
    return 0;
}

}  // namespace

int CmdProject(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool answerNo = args.Flag("--no");
    const bool json = args.Flag("--json");
    const std::string action = args.Positional("ACTION (list, new, rename, delete)");
    std::string name;
    std::int64_t id = -1;
    if (action == "new") {
        name = args.Positional("NAME");
    } else if (action == "rename") {
        id = ParseId(args.Positional("ID"), "ID");
        name = args.Positional("NAME");
    } else if (action == "delete") {
        id = ParseId(args.Positional("ID"), "ID");
    } else if (action != "list") {
        throw UsageError("unknown project action '" + action + "'");
    }
    const std::string file = args.Positional("FILE");
    args.Done();

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    if (action == "list") {
        s.dm.SetSaveOnDestroy(false);
        return List(ctx, s, json);
    }
    s.dm.SaveInfoCDS();  // as the main window does before every project command
    db::ProjectManager pm(s.dm, s.current);
    if (action == "new") {
        if (!pm.New(name)) return 1;
        if (json)
            ctx.out << nlohmann::ordered_json{{"id", s.current.ProjektID}, {"name", name}}.dump(2) << "\n";
        else
            ctx.out << s.current.ProjektID << " " << name << "\n";
        return 0;
    }
    if (action == "rename") {
        if (!s.dm.ProjektCDS.Locate("ID_Projekt", id)) {
            s.port.Error("Projekt " + std::to_string(id) + " existiert nicht.");
            return 1;
        }
        pm.Select(id);
        return pm.Rename(name) ? 0 : 1;
    }
    if (!s.dm.ProjektCDS.Locate("ID_Projekt", id)) {
        s.port.Error("Projekt " + std::to_string(id) + " existiert nicht.");
        return 1;
    }
    return pm.Delete(id) ? 0 : 1;
}

}  // namespace gvm::cli
