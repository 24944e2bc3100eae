// gravimont-cli as a process: exit codes, what it prints, and what it does to the files.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"

namespace gvm::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ReadBytes;
using test::TempDir;

using Result = clitest::CliResult;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { fs::copy_file(fs::path(GVM_SOURCE_DATA_DIR) / "demo.gvm", demo); }

    // Runs the program in the test folder with the shipped data.
    Result Run(const std::vector<std::string>& args) { return clitest::RunCli(dir.path(), args); }

    json Info(const std::string& file) {
        const Result r = Run({"info", file, "--json"});
        EXPECT_EQ(r.code, 0) << r.err;
        return json::parse(r.out);
    }

    // Names of the projects' tracks and cases, which a faithful import copies.
    static std::vector<std::string> Contents(const json& project) {
        std::vector<std::string> out;
        for (const auto& t : project["tracks"]) out.push_back(std::string("track ") + t["name"].get<std::string>());
        for (const auto& c : project["cases"]) out.push_back(std::string("case ") + c["name"].get<std::string>());
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir dir;
    fs::path demo = dir / "demo.gvm";
};

TEST_F(CliTest, InfoDescribesTheDatabaseAndChangesNothing) {
    const std::string before = ReadBytes(demo);
    const json j = Info("demo.gvm");
    for (const char* key : {"file_version", "version", "info", "max_auto_inc", "wagon_types", "retarder_types",
                            "runs", "projects"})
        EXPECT_TRUE(j.contains(key)) << key;
    EXPECT_EQ(j["file_version"], 17);
    EXPECT_EQ(j["version"], "17");
    EXPECT_EQ(j["wagon_types"], 4);
    EXPECT_EQ(j["retarder_types"], 5);
    EXPECT_EQ(j["runs"], 4);
    ASSERT_EQ(j["projects"].size(), 1u);
    const json& p = j["projects"][0];
    EXPECT_EQ(p["name"], "Demo");
    EXPECT_TRUE(p["id"].is_number_integer());
    EXPECT_EQ(Contents(p), (std::vector<std::string>{"case S1-GUT", "case S2-SCHLECHT", "case S3-GRUPPE",
                                                     "case S4-BKINA", "track HUMP-BKINA", "track HUMP-DEMO"}));
    for (const auto& c : p["cases"]) {
        EXPECT_TRUE(c["id"].is_number_integer());
        EXPECT_TRUE(c["experiments"].is_array());
    }
    EXPECT_EQ(Run({"info", "demo.gvm"}).code, 0);
    EXPECT_EQ(ReadBytes(demo), before);

    // A file of an older structure is converted on opening, as everywhere; the old file
    // is kept as ".dat" + its version.
    std::string old = before;
    const auto at = old.find("Version=\"17\"");
    ASSERT_NE(at, std::string::npos);
    old.replace(at, 12, "Version=\"16\"");
    const auto field = old.find("attrname=\"SimExpName\"");
    ASSERT_NE(field, std::string::npos);
    old.replace(field, std::string("attrname=\"SimExpName\"").size(), "attrname=\"SimFallName\"");
    test::WriteBytes(dir / "alt.gvm", old);
    const json converted = Info("alt.gvm");
    EXPECT_EQ(converted["file_version"], 16);
    EXPECT_EQ(converted["version"], "17");
    EXPECT_EQ(ReadBytes(dir / "alt.dat16"), old);
    EXPECT_EQ(Info("alt.gvm")["file_version"], 17);

    const Result missing = Run({"info", "fehlt.gvm"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("Datenbank fehlt.gvm existiert nicht."), std::string::npos) << missing.err;
    EXPECT_TRUE(missing.out.empty());

    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir.path())) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"alt.dat16", "alt.gvm", "demo.gvm"}));
}

TEST_F(CliTest, ProjectCommandsChangeTheFileAndKeepABackup) {
    const struct {
        const char* what;
        std::vector<std::string> args;  // "ID" stands for the demo project's identifier
        int code;
        std::vector<std::string> projects;
    } cases[] = {
        {"new", {"project", "new", "Neu", "demo.gvm"}, 0, {"Demo", "Neu"}},
        {"rename", {"project", "rename", "ID", "Umbenannt", "demo.gvm"}, 0, {"Umbenannt"}},
        {"delete", {"project", "delete", "ID", "demo.gvm"}, 0, {}},
        {"delete answered no", {"project", "delete", "ID", "demo.gvm", "--no"}, 1, {"Demo"}},
        {"delete unknown", {"project", "delete", "99999", "demo.gvm"}, 1, {"Demo"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::copy_file(fs::path(GVM_SOURCE_DATA_DIR) / "demo.gvm", demo, fs::copy_options::overwrite_existing);
        fs::remove(dir / "demo.bak");
        const std::string id = std::to_string(Info("demo.gvm")["projects"][0]["id"].get<long long>());
        std::vector<std::string> args = c.args;
        std::replace(args.begin(), args.end(), std::string("ID"), id);
        const Result r = Run(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        const json after = Info("demo.gvm");
        std::vector<std::string> names;
        for (const auto& p : after["projects"]) names.push_back(p["name"]);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.projects);
        EXPECT_TRUE(fs::exists(dir / "demo.bak"));
    }
}

TEST_F(CliTest, ExportAndImportCarryAProjectBetweenDatabases) {
    const json source = Info("demo.gvm");
    const std::string id = std::to_string(source["projects"][0]["id"].get<long long>());
    const Result exported = Run({"export", "demo.gvm", "--project", id, "--to", "export.gvm"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const json file = Info("export.gvm");
    EXPECT_EQ(file["runs"], 3) << "only the runs the cases use";
    EXPECT_EQ(file["wagon_types"], 4);
    EXPECT_EQ(file["retarder_types"], 5);
    EXPECT_EQ(file["max_auto_inc"], source["max_auto_inc"]);
    ASSERT_EQ(file["projects"].size(), 1u);
    EXPECT_EQ(file["projects"][0], source["projects"][0]) << "identifiers kept";

    // Back into the same database: a second project, the catalogues reused.
    const Result imported = Run({"import", "demo.gvm", "--from", "export.gvm", "--new-project", "Kopie"});
    ASSERT_EQ(imported.code, 0) << imported.err;
    const json after = Info("demo.gvm");
    for (const char* key : {"wagon_types", "retarder_types", "runs"}) EXPECT_EQ(after[key], source[key]) << key;
    ASSERT_EQ(after["projects"].size(), 2u);
    const json& copy = after["projects"][0]["name"] == "Kopie" ? after["projects"][0] : after["projects"][1];
    EXPECT_EQ(copy["name"], "Kopie");
    EXPECT_EQ(imported.out, std::string("imported into project ") + std::to_string(copy["id"].get<long long>()) + "\n");
    EXPECT_EQ(Contents(copy), Contents(source["projects"][0]));
    EXPECT_GT(copy["id"].get<long long>(), source["max_auto_inc"].get<long long>());
    EXPECT_TRUE(fs::exists(dir / "demo.bak"));

    // Refused: no name for the new project, and a file that is no database.
    EXPECT_EQ(Run({"import", "demo.gvm", "--from", "export.gvm", "--new-project", ""}).code, 1);
    test::WriteBytes(dir / "text.gvm", "keine Datenbank");
    const Result bad = Run({"import", "demo.gvm", "--from", "text.gvm", "--new-project", "Leer"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("Import Datenbank konnte nicht geöffnet werden."), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace gvm::cli

namespace gvm::cli {
namespace {

TEST_F(CliTest, RunCalculatesADemoCaseAndWritesItsRows) {
    const json info = Info("demo.gvm");
    std::string caseId;
    for (const auto& c : info["projects"][0]["cases"])
        if (c["name"] == "S1-GUT") caseId = std::to_string(c["id"].get<long long>());
    ASSERT_FALSE(caseId.empty());
    const std::string before = ReadBytes(demo);

    const Result r = Run({"run", "demo.gvm", "--case", caseId, "--xstart", "0", "--json", "--rows", "rows.csv"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    for (const char* key : {"mode", "grade", "message", "rows", "dist_start", "dist_end", "speed_end", "time_end",
                            "events", "exit_speeds"})
        EXPECT_TRUE(j.contains(key)) << key;
    EXPECT_EQ(j["mode"], "normal");
    EXPECT_EQ(j["grade"], "rmOK");
    EXPECT_DOUBLE_EQ(j["dist_start"].get<double>(), 0.0);
    EXPECT_DOUBLE_EQ(j["dist_end"].get<double>(), 600.0);
    EXPECT_EQ(j["exit_speeds"].size(), 4u);
    const json& events = j["events"];
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front()["code"], 5) << "separation comes first";
    EXPECT_EQ(events.back()["code"], 13);
    EXPECT_EQ(events.back()["text"], "Zielposition erreicht");

    const std::string csv = ReadBytes(dir / "rows.csv");
    EXPECT_EQ(csv.rfind("distance;speed;acceleration;time;air;brake;wind;relative air speed;event code;event text\n", 0),
              0u);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), j["rows"].get<long>() + 1);
    EXPECT_EQ(ReadBytes(demo), before) << "a run without storing changes nothing";

    const Result target = Run({"run", "demo.gvm", "--case", caseId, "--xstart", "0", "--mode", "target", "--json"});
    ASSERT_EQ(target.code, 0) << target.err;
    const json t = json::parse(target.out);
    EXPECT_EQ(t["mode"], "target");
    EXPECT_EQ(t["grade"], "rmOK") << t["message"];
    EXPECT_NEAR(t["speed_at_target"].get<double>(), 1.4, 0.01);
    EXPECT_EQ(t["found_exit_speeds"].size(), 4u);
    EXPECT_GT(t["max_entry_speed"].get<double>(), 0.0);

    const Result bad = Run({"run", "demo.gvm", "--case", caseId, "--vab", "-1", "--json"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(json::parse(bad.out)["grade"], "rmError");
    EXPECT_EQ(Run({"run", "demo.gvm", "--case", "99999"}).code, 1);
}

}  // namespace
}  // namespace gvm::cli
