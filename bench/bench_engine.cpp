// The engine on the demo hump: a normal run of each demo case, and the run preparation alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "base/recording_port.h"
#include "database/data_modules.h"
#include "database/gravimont_data_module.h"
#include "docgen.h"
#include "engine/engine.h"
#include "engine/run_modes.h"
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
