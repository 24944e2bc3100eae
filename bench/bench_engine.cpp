// The engine on the demo hump: a normal run of each demo case, target braking and the run-in
// process of the demo cases, and the run preparation alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "base/recording_port.h"
#include "database/data_modules.h"
#include "database/gravimont_data_module.h"
#include "docgen.h"
#include "engine/engine.h"
#include "engine/run_modes.h"
#include "engine/target_modes.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace {

using namespace gvm;

// The demo document with one case loaded into an experiment and its first group read.
struct DemoCase {
    explicit DemoCase(const char* caseName) {
        main.AttachDocument(tools::BuildDemoDocument());
        main.ProjektCDS.First();
        load.CloneFromMainCDS();
        load.cds.SimulationsFallCDS.Locate("Name", std::string(caseName));
        exp.FillFromCase(load.cds.SimulationsFallCDS, "11.12.2026", "12:00:00");
        model::RollotEinlesen(ctx, group, exp._IDWG1, true, 0xFF0000);
        exp._Xstart = exp.Gleis().Xgipf;  // pushed off at the crest
    }

    RecordingPort port;
    db::TGravimontDataModule main{port, ProgramData{}};
    db::TDataLoadDM load{main};
    model::ModelContext ctx{load, port};
    model::TSimExperiment exp{ctx};
    model::TWagenGruppeN group;
    engine::TEngine eng{port};
};

const char* const kCases[] = {"S1-GUT", "S2-SCHLECHT", "S3-GRUPPE", "S4-BKINA"};

void BM_NormalRun(benchmark::State& state) {
    DemoCase demo(kCases[state.range(0)]);
    engine::TEngine& eng = demo.eng;
    eng.PrepareCase(demo.exp, model::kNormalLauf);
    if (!eng.PrepareGroup(demo.group)) {
        state.SkipWithError("preparation failed");
        return;
    }
    int rows = 0;
    for (auto _ : state) {
        eng.gleis.Vaus = eng.gleis.VausGleis;  // a run switches retarders off in its copy
        eng.Simulate(demo.group, demo.exp._Xstart, demo.exp._Vab, demo.exp._Xtot, -1);
        rows = eng.work.NVyst;
        benchmark::DoNotOptimize(rows);
    }
    state.SetLabel(kCases[state.range(0)]);
    state.counters["rows"] = rows;
}
BENCHMARK(BM_NormalRun)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The whole operation as the run window starts it: case and group preparation, the exit-speed
// search over the three retarders after the crest and the final run.
void BM_TargetBraking(benchmark::State& state) {
    DemoCase demo(kCases[state.range(0)]);
    auto sets = std::make_unique<engine::TResultSets>();
    for (auto _ : state) {
        sets->ziel.Bereit = false;  // the run window clears it before each run
        engine::TargetBraking(demo.eng, *sets, demo.exp, demo.ctx, true);
        benchmark::DoNotOptimize(sets->ziel.NVyst);
    }
    state.SetLabel(kCases[state.range(0)]);
    state.counters["rows"] = sets->ziel.NVyst;
    state.counters["grade"] = sets->ziel.ResultsMeldung;
}
BENCHMARK(BM_TargetBraking)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The run-in retarder 1ZB12 (-48..-36 m): pushed from -60 m at 1.2 m/s to -30 m at 1.2 m/s.
void BM_RunInProcess(benchmark::State& state) {
    DemoCase demo(kCases[state.range(0)]);
    demo.exp._XZulaufStart = -60;
    demo.exp._VZulaufStart = 1.2;
    demo.exp._XZulaufEnde = -30;
    demo.exp._VZulaufEnde = 1.2;
    auto sets = std::make_unique<engine::TResultSets>();
    for (auto _ : state) {
        sets->zulauf.Bereit = false;
        engine::RunInProcess(demo.eng, *sets, demo.exp, demo.ctx, true);
        benchmark::DoNotOptimize(sets->zulauf.NVyst);
    }
    state.SetLabel(kCases[state.range(0)]);
    state.counters["rows"] = sets->zulauf.NVyst;
    state.counters["grade"] = sets->zulauf.ResultsMeldung;
}
BENCHMARK(BM_RunInProcess)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_PrepareGroup(benchmark::State& state) {
    DemoCase demo("S1-GUT");
    for (auto _ : state) {
        demo.eng.PrepareCase(demo.exp, model::kNormalLauf);
        benchmark::DoNotOptimize(demo.eng.PrepareGroup(demo.group));
    }
}
BENCHMARK(BM_PrepareGroup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
