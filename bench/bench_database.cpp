// Opening and saving a large database document: 200 stored experiments with 3000 result
// rows each, as an engineer's file grows after a season of studies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/fileio.h"
#include "database/datapacket.h"
#include "database/schema.h"
#include "docgen.h"

namespace {

namespace fs = std::filesystem;
using namespace gvm::db;

// Adds `experiments` stored experiments of `steps` result rows to the first case of the demo.
std::shared_ptr<Store> LargeDocument(int experiments, int steps) {
    auto store = gvm::tools::BuildDemoDocument();
    const TableDef& root = *store->rootDef;
    Record& info = *store->root.rows.front();
    const TableDef& proj = *root.Field(root.IndexOf("Projekten")).nested;
    Record& project = *info.nested[static_cast<std::size_t>(root.NestedSlot(root.IndexOf("Projekten")))].rows.front();
    const TableDef& fall = *proj.Field(proj.IndexOf("SimulationsFall")).nested;
    Record& firstCase = *project.nested[static_cast<std::size_t>(proj.NestedSlot(proj.IndexOf("SimulationsFall")))].rows.front();
    const TableDef& res = *fall.Field(fall.IndexOf("SimFallResult")).nested;
    RowSet& results = firstCase.nested[static_cast<std::size_t>(fall.NestedSlot(fall.IndexOf("SimFallResult")))];
    const TableDef& tracing = *res.Field(res.IndexOf("ResTracing")).nested;
    const TableDef& vstup = *res.Field(res.IndexOf("ResVstup")).nested;
    std::int64_t id = 100000;
    const std::string protocol(2000, 'x');
    for (int e = 0; e < experiments; ++e) {
        auto r = NewRecord(res);
        r->values[static_cast<std::size_t>(res.IndexOf("ID_Result"))] = ++id;
        r->values[static_cast<std::size_t>(res.IndexOf("SimExpName"))] = "Experiment " + std::to_string(e);
        r->values[static_cast<std::size_t>(res.IndexOf("Xtot"))] = 600.0;
        r->values[static_cast<std::size_t>(res.IndexOf("Flags"))] = std::int64_t{e % 3};
        auto& vrows = r->nested[static_cast<std::size_t>(res.NestedSlot(res.IndexOf("ResVstup")))];
        auto v = NewRecord(vstup);
        for (int f = 1; f < vstup.FieldCount(); ++f) v->values[static_cast<std::size_t>(f)] = protocol;
        vrows.rows.push_back(std::move(v));
        auto& trows = r->nested[static_cast<std::size_t>(res.NestedSlot(res.IndexOf("ResTracing")))];
        trows.rows.reserve(static_cast<std::size_t>(steps));
        for (int s = 0; s < steps; ++s) {
            auto t = NewRecord(tracing);
            const double x = -10.0 + s * 0.2;
            auto& vals = t->values;
            vals[0] = id;
            vals[1] = std::int64_t{s + 1};
            vals[2] = x;
            vals[3] = 0.1 * std::sin(x / 17.0) - 0.0123456789;
            vals[4] = 0.05 * std::cos(x / 13.0);
            vals[5] = s % 50 == 0 ? -0.35 : 0.0;
            vals[6] = 1.4 + 5.0 * std::sin(x / 300.0) * std::sin(x / 300.0);
            vals[7] = x / 3.7;
            vals[8] = -0.0004 * std::sqrt(1.0 + s);
            vals[9] = 4.0;
            vals[10] = 5.4 + std::sin(x);
            vals[11] = s % 100 == 0 ? std::string("Achse 1 in Bremse 2") : std::string();
            trows.rows.push_back(std::move(t));
        }
        results.rows.push_back(std::move(r));
    }
    return store;
}

const fs::path& LargeFile() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "gvm-bench-large.gvm";
        const auto store = LargeDocument(200, 3000);
        gvm::WriteFileAtomic(p, [&](std::ostream& out) { WriteDataPacket(*store, out); });
        return p;
    }();
    return path;
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void BM_OpenLargeDocument(benchmark::State& state) {
    const fs::path& file = LargeFile();
    for (auto _ : state) {
        LoadResult r = LoadDataPacket(file, DocumentSchema().get());
        benchmark::DoNotOptimize(r.store.get());
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1e3;
}
BENCHMARK(BM_OpenLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveLargeDocument(benchmark::State& state) {
    const LoadResult doc = LoadDataPacket(LargeFile(), DocumentSchema().get());
    const fs::path out = fs::temp_directory_path() / "gvm-bench-save.gvm";
    for (auto _ : state) {
        gvm::WriteFileAtomic(out, [&](std::ostream& o) { WriteDataPacket(*doc.store, o); });
    }
    fs::remove(out);
    state.counters["file_MB"] = static_cast<double>(fs::file_size(LargeFile())) / 1e6;
}
BENCHMARK(BM_SaveLargeDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenDemo(benchmark::State& state) {
    const fs::path file = fs::path(GVM_SOURCE_DATA_DIR) / "demo.gvm";
    for (auto _ : state) benchmark::DoNotOptimize(LoadDataPacket(file, DocumentSchema().get()).store.get());
}
BENCHMARK(BM_OpenDemo)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
