// gravimont-cli protocol on a copy of the demo database with experiments stored by the engine.

#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

#include "base/recording_port.h"
#include "base/rtf.h"
#include "database/data_modules.h"
#include "engine/protocols.h"
#include "engine/result_storage.h"
#include "engine/run_modes.h"
#include "support/repo_data.h"
#include "cli/cli_runner.h"
#include "support/test_support.h"

namespace gvm::cli {
namespace {

namespace fs = std::filesystem;

class ProtocolCommand : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(fs::path(GVM_SOURCE_DATA_DIR) / "demo.gvm", demo);
        RecordingPort port;
        db::TGravimontDataModule dm(port, test::RepoData());
        dm.SetSaveOnDestroy(false);
        ASSERT_EQ(dm.OpenCDS(dm.InfoDBCDS, demo, false), 0);
        dm.ProjektCDS.Locate("ProjektName", std::string("Demo"));
        db::TDataLoadDM load(dm);
        db::TSimDM sim(dm);
        load.CloneFromMainCDS();
        sim.CloneFromMainCDS();
        ASSERT_TRUE(load.cds.SimulationsFallCDS.Locate("Name", std::string("S1-GUT")));
        ASSERT_TRUE(sim.cds.SimulationsFallCDS.Locate("Name", std::string("S1-GUT")));
        model::ModelContext ctx(load, port);
        model::TSimExperiment exp(ctx);
        exp.FillFromCase(load.cds.SimulationsFallCDS, "01.02.2025", "10:00:00");
        exp._Xstart = exp.Gleis().Xgipf;
        engine::TEngine engine(port);
        auto sets = std::make_unique<engine::TResultSets>();
        engine::NormalRun(engine, *sets, exp, ctx, true);
        const engine::TStoreInput in{exp,          sets->wg1, ctx.lastRun,  engine,
                                     sets->normal, {},        "01.02.2025", "10:00:00"};
        exp._NSimExperiment = "MIT";
        const engine::TStoreResult full = engine::StoreExperiment(sim, port, exp, &in);
        exp._NSimExperiment = "OHNE";
        const engine::TStoreResult bare = engine::StoreExperiment(sim, port, exp, nullptr);
        ASSERT_TRUE(full.saved && bare.saved);
        withProtocols = full.idResult;
        without = bare.idResult;
        gradients = engine::BuildProtocol(in, 2).PlainText();
    }

    using Result = clitest::CliResult;
    Result Run(const std::string& args) { return clitest::RunCli(dir.path(), args); }
    std::string Id(std::int64_t id) { return std::to_string(id); }

    test::TempDir dir;
    fs::path demo = dir / "demo.gvm";
    std::int64_t withProtocols = 0, without = 0;
    std::string gradients;
};

TEST_F(ProtocolCommand, PrintsTheStoredProtocols) {
    const Result one = Run("protocol demo.gvm --experiment " + Id(withProtocols) + " --which 2");
    EXPECT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(one.out, gradients);

    const Result all = Run("protocol demo.gvm --experiment " + Id(withProtocols));
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_NE(all.out.find(
                  "=== 0 Gesamtausgabe (resAlg) ===\n \nSIMEXPERIMENT: MIT\t\tDATUM: 01.02.2025"),
              std::string::npos);
    EXPECT_NE(
        all.out.find("=== 9 Wirkzonen (resWirk) ===\n  \nEingabedaten der Wirkzonen: WZ-DEMO"),
        std::string::npos);

    const Result rtf =
        Run("protocol demo.gvm --experiment " + Id(withProtocols) + " --which 7 --format rtf");
    EXPECT_EQ(rtf.code, 0) << rtf.err;
    EXPECT_EQ(rtf.out.rfind("{\\rtf1\\ansi", 0), 0u);
    EXPECT_NE(RtfToText(rtf.out).find("Eingabedaten der Bremsen: BREMS-DEMO"), std::string::npos);
}

TEST_F(ProtocolCommand, RefusesMissingExperimentsAndProtocols) {
    const Result unknown = Run("protocol demo.gvm --experiment 999999");
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("Das Simulationsexperiment 999999 ist nicht vorhanden."),
              std::string::npos)
        << unknown.err;

    const Result bare = Run("protocol demo.gvm --experiment " + Id(without));
    EXPECT_EQ(bare.code, 1);
    EXPECT_NE(bare.err.find("\"OHNE\" sind keine Protokolle gespeichert"), std::string::npos)
        << bare.err;
    EXPECT_TRUE(bare.out.empty());

    EXPECT_EQ(Run("protocol demo.gvm --experiment " + Id(withProtocols) + " --which 10").code, 2);
}

}  // namespace
}  // namespace gvm::cli
