// gravimont-cli info FILE [--json]: what a database file holds, without changing it.
#include <nlohmann/json.hpp>

#include "cli/args.h"
#include "cli/cli_port.h"
#include "cli/commands.h"
#include "database/gravimont_data_module.h"
#include "database/open_database.h"

namespace gvm::cli {

namespace {

using nlohmann::ordered_json;

ordered_json IdNameList(db::Cursor& c, const char* idField, const char* nameField) {
    ordered_json list = ordered_json::array();
    for (c.First(); !c.Eof(); c.Next())
        list.push_back({{"id", c.FieldByName(idField).AsInteger()}, {"name", c.FieldByName(nameField).AsString()}});
    return list;
}

ordered_json Describe(db::TGravimontDataModule& dm, int probed) {
    auto& c = dm.cds;
    ordered_json j;
    j["file"] = dm.FileName().string();
    j["file_version"] = probed;
    j["version"] = c.InfoDBCDS.FieldByName("Version").AsString();
    j["info"] = c.InfoDBCDS.FieldByName("Info").AsString();
    j["max_auto_inc"] = c.InfoDBCDS.FieldByName("MaxAutoInc").AsInteger();
    j["wagon_types"] = c.WagKatCDS.RecordCount();
    j["retarder_types"] = c.BremsenKatCDS.RecordCount();
    j["runs"] = c.RolloteCDS.RecordCount();
    ordered_json projects = ordered_json::array();
    for (c.ProjektCDS.First(); !c.ProjektCDS.Eof(); c.ProjektCDS.Next()) {
        ordered_json p;
        p["id"] = c.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
        p["name"] = c.ProjektCDS.FieldByName("ProjektName").AsString();
        p["tracks"] = IdNameList(c.GleisCDS, "ID_Gleis", "Name");
        ordered_json cases = ordered_json::array();
        auto& fall = c.SimulationsFallCDS;
        for (fall.First(); !fall.Eof(); fall.Next()) {
            cases.push_back({{"id", fall.FieldByName("ID_Simulationsfall").AsInteger()},
                             {"name", fall.FieldByName("Name").AsString()},
                             {"experiments", IdNameList(c.SimFallResultCDS, "ID_Result", "SimExpName")}});
        }
        p["cases"] = std::move(cases);
        projects.push_back(std::move(p));
    }
    j["projects"] = std::move(projects);
    return j;
}

void PrintText(std::ostream& out, const ordered_json& j) {
    out << "file:           " << j["file"].get<std::string>() << "\n"
        << "file version:   " << j["file_version"].get<int>() << "\n"
        << "version:        " << j["version"].get<std::string>() << "\n"
        << "info:           " << TerminalText(j["info"].get<std::string>()) << "\n"
        << "MaxAutoInc:     " << j["max_auto_inc"].get<long long>() << "\n"
        << "wagon types:    " << j["wagon_types"].get<int>() << "\n"
        << "retarder types: " << j["retarder_types"].get<int>() << "\n"
        << "runs:           " << j["runs"].get<int>() << "\n";
    for (const auto& p : j["projects"]) {
        out << "project " << p["id"].get<long long>() << " \"" << p["name"].get<std::string>() << "\"\n";
        for (const auto& t : p["tracks"])
            out << "  track " << t["id"].get<long long>() << " " << t["name"].get<std::string>() << "\n";
        for (const auto& cs : p["cases"]) {
            out << "  case " << cs["id"].get<long long>() << " " << cs["name"].get<std::string>() << " ("
                << cs["experiments"].size() << " stored experiments)\n";
            for (const auto& e : cs["experiments"])
                out << "    experiment " << e["id"].get<long long>() << " " << e["name"].get<std::string>() << "\n";
        }
    }
}

}  // namespace

int CmdInfo(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool json = args.Flag("--json");
    const std::string file = args.Positional("FILE");
    args.Done();

    CliPort port(ctx.err);
    const int probed = db::TGravimontDataModule::ProbeVersion(file);
    db::TGravimontDataModule dm(port, ctx.data);
    dm.SetSaveOnDestroy(false);  // info only reads
    if (!db::OpenDatabase(dm, file, false)) return 1;
    const ordered_json j = Describe(dm, probed);
    if (json)
        ctx.out << j.dump(2) << "\n";
    else
        PrintText(ctx.out, j);
    return 0;
}

}  // namespace gvm::cli
