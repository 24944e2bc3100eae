// gravimont-cli run --store and summary on a copy of the demo database: the stored experiment
// reaches the file, and summary calculates it again without writing anything.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace gvm::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class RunStoreCommand : public ::testing::Test {
protected:
    void SetUp() override { fs::copy_file(fs::path(GVM_SOURCE_DATA_DIR) / "demo.gvm", demo); }

    using Result = clitest::CliResult;
    Result Run(const std::string& args) { return clitest::RunCli(dir.path(), args); }
    // The stored experiments of the demo case S1-GUT, and its identifier.
    json Experiments() {
        const Result r = Run("info demo.gvm --json");
        EXPECT_EQ(r.code, 0) << r.err;
        const json info = json::parse(r.out);
        for (const auto& c : info["projects"][0]["cases"])
            if (c["name"] == "S1-GUT") {
                caseId = std::to_string(c["id"].get<long long>());
                return c["experiments"];
            }
        return json::array();
    }

    test::TempDir dir;
    fs::path demo = dir / "demo.gvm";
    std::string caseId;
};

TEST_F(RunStoreCommand, RunStoresTheExperimentAndSummaryCalculatesItAgain) {
    ASSERT_TRUE(Experiments().empty());
    const Result run = Run("run demo.gvm --case " + caseId + " --xstart 0 --json --store E1");
    ASSERT_EQ(run.code, 0) << run.err;
    const json j = json::parse(run.out);
    EXPECT_EQ(j["grade"], "rmOK");
    EXPECT_EQ(j["dist_end"], 600.0);
    EXPECT_EQ(j["summary"]["status"], "Resultate OK");
    EXPECT_EQ(j["summary"]["rows"][2]["label"], "Hauptbremse 1BB24");
    const json stored = Experiments();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]["name"], "E1");
    EXPECT_EQ(stored[0]["id"], j["experiment_id"]);
    EXPECT_TRUE(fs::exists(dir / "demo.bak"));

    // Storing under the same name replaces the experiment.
    const Result again = Run("run demo.gvm --case " + caseId + " --xstart 0 --vab 1.2 --json --store E1");
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(json::parse(again.out)["experiment_id"], j["experiment_id"]);
    EXPECT_EQ(Experiments().size(), 1u);

    const std::string before = test::ReadBytes(demo);
    const Result summary = Run("summary demo.gvm --case " + caseId + " --json");
    ASSERT_EQ(summary.code, 0) << summary.err;
    const json s = json::parse(summary.out);
    EXPECT_EQ(s["experiment"], "E1");
    EXPECT_EQ(s["mode"], "normal");
    EXPECT_EQ(s["summary"]["status"], "Resultate OK");
    EXPECT_EQ(s["summary"]["start"]["speed"], "1.2000") << "the stored push-off speed";
    EXPECT_EQ(s["summary"]["start"]["distance"], "0.00") << "the stored start";

    const Result target = Run("summary demo.gvm --case " + caseId + " --experiment E1 --mode target");
    ASSERT_EQ(target.code, 0) << target.err;
    EXPECT_NE(target.out.find("Resultate OK\n"), std::string::npos) << target.out;
    EXPECT_NE(target.out.find("Maximale Einlaufgeschwindigkeit"), std::string::npos);
    EXPECT_NE(target.out.find("(2) Ermittelte Auslauf- geschwindigkeit [m/s]"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(demo), before) << "summary never writes";

    const Result missing = Run("summary demo.gvm --case " + caseId + " --experiment NIX");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("existiert nicht"), std::string::npos) << missing.err;
}

TEST_F(RunStoreCommand, ARefusedRunIsStoredAndFails) {
    Experiments();
    const Result r = Run("run demo.gvm --case " + caseId + " --vab -1 --json --store BAD");
    EXPECT_EQ(r.code, 1);
    const json j = json::parse(r.out);
    EXPECT_EQ(j["grade"], "rmError");
    EXPECT_EQ(j["summary"]["status"], "Resultate sind unkorrekt");
    EXPECT_EQ(j["summary"]["message"], j["message"]);
    const json stored = Experiments();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]["name"], "BAD");
}

TEST_F(RunStoreCommand, ChartDrawsACalculatedOrAStoredExperiment) {
    Experiments();
    const Result run = Run("run demo.gvm --case " + caseId + " --mode target --xstart 0 --json --store T");
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string id = std::to_string(json::parse(run.out)["experiment_id"].get<long long>());
    const std::string before = test::ReadBytes(demo);

    const Result stored = Run("chart demo.gvm --experiment " + id + " --png t.png --size 800x500");
    ASSERT_EQ(stored.code, 0) << stored.err;
    EXPECT_NE(stored.out.find("target"), std::string::npos) << "the stored mode: " << stored.out;
    EXPECT_EQ(test::ReadBytes(dir / "t.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

    const Result svg = Run("chart demo.gvm --case " + caseId + " --xstart 0 --svg n.svg --show speed,wagons");
    ASSERT_EQ(svg.code, 0) << svg.err;
    const std::string picture = test::ReadBytes(dir / "n.svg");
    EXPECT_NE(picture.find("<svg"), std::string::npos);
    EXPECT_NE(picture.find("Geschw [m/s]"), std::string::npos);
    EXPECT_EQ(picture.find("Zeit [s]"), std::string::npos) << "the time chart is not shown";
    EXPECT_EQ(test::ReadBytes(demo), before) << "charts never write the database";

    const struct {
        std::string args;
        int code;
        std::string err;
    } refused[] = {
        {"chart demo.gvm --case " + caseId, 2, "--png OUT"},
        {"chart demo.gvm --case " + caseId + " --png a.png --svg b.svg", 2, "one of"},
        {"chart demo.gvm --case " + caseId + " --png a.png --size 0x5", 2, "--size"},
        {"chart demo.gvm --experiment 99999 --png a.png", 1, "99999"},
        {"chart demo.gvm --case " + caseId + " --png nowhere/a.png", 1, "nowhere/a.png"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.args);
        const Result res = Run(r.args);
        EXPECT_EQ(res.code, r.code);
        EXPECT_NE(res.err.find(r.err), std::string::npos) << res.err;
    }
}

}  // namespace
}  // namespace gvm::cli
