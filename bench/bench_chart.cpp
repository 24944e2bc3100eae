// Painting the charts of a 30 000-row run (the design limit) with every chart and the track
// band shown: into a 1920 x 1080 raster image through the QPainter surface, and onto a surface
// that draws nothing, which leaves the chart engine's own cost.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <memory>

#include "base/recording_port.h"
#include "database/data_modules.h"
#include "database/gravimont_data_module.h"
#include "docgen.h"
#include "engine/run_modes.h"
#include "graphics/chart_painter.h"
#include "graphics/qt/qpainter_surface.h"
#include "graphics/qt/render_chart.h"
#include "model/sim_experiment.h"

namespace {

using namespace gvm;

// S1-GUT run from the crest, its rows resampled to 30 000 by linear interpolation.
struct LongRun {
    LongRun() {
        main.AttachDocument(tools::BuildDemoDocument());
        main.ProjektCDS.First();
        load.CloneFromMainCDS();
        load.cds.SimulationsFallCDS.Locate("Name", std::string("S1-GUT"));
        exp.FillFromCase(load.cds.SimulationsFallCDS, "11.12.2026", "12:00:00");
        exp._Xstart = exp.Gleis().Xgipf;
        engine::NormalRun(eng, *sets, exp, ctx, true);
        Resample(sets->current, engine::kMaxRows);
        in = graphics::ChartInputForExperiment(exp, *sets, exp.Gleis().VausGleis);
        chart.settings.ShowTime = chart.settings.ShowSpeed = chart.settings.ShowAccel = true;
        chart.settings.ShowAnim = chart.settings.ShowTrack = true;
        chart.SetArea({1920 - 3, 1080 - 3, 3, 3});
    }

    static void Resample(engine::TVysledky& r, int rows) {
        const engine::TVysledky src = Copy(r);
        const double x0 = src.Dist1(), x1 = src.DistEnd();
        for (int i = 1; i <= rows; ++i) {
            const double x = x0 + (x1 - x0) * (i - 1) / (rows - 1);
            const engine::TIndexR at = src.GetIndAtDist(x);
            const auto k = static_cast<std::size_t>(i);
            r.Dist[k] = x;
            r.Gesch[k] = src.GetGeschAtInd(at);
            r.Besch[k] = src.GetBeschlAtInd(at);
            r.Zeit[k] = src.GetZeitAtInd(at);
        }
        r.NVyst = rows;
    }
    static engine::TVysledky Copy(const engine::TVysledky& r) {
        engine::TVysledky c;
        c.Assign(r);
        return c;
    }

    RecordingPort port;
    db::TGravimontDataModule main{port, ProgramData{}};
    db::TDataLoadDM load{main};
    model::ModelContext ctx{load, port};
    model::TSimExperiment exp{ctx};
    engine::TEngine eng{port};
    std::unique_ptr<engine::TResultSets> sets = std::make_unique<engine::TResultSets>();
    graphics::ChartInput in;
    graphics::Chart chart;
};

// Draws nothing; text metrics as a 12 px sans font roughly has them.
class NullSurface : public graphics::Surface {
public:
    void Line(graphics::Point, graphics::Point) override { ++count; }
    void Polyline(std::span<const graphics::Point> p) override { count += static_cast<long>(p.size()); }
    void Polygon(std::span<const graphics::Point> p) override { count += static_cast<long>(p.size()); }
    void Ellipse(const graphics::Rect&) override { ++count; }
    void Rectangle(const graphics::Rect&) override { ++count; }
    void Text(graphics::Point, std::string_view) override { ++count; }
    graphics::TextSize TextExtent(std::string_view t) override { return {static_cast<int>(t.size()) * 7, 14}; }
    long count = 0;
};

void BM_ChartOnQImage(benchmark::State& state) {
    LongRun run;
    QImage image(1920, 1080, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        graphics::QPainterSurface surface(painter);
        run.chart.Open(run.in, surface);
    }
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        graphics::QPainterSurface surface(painter);
        run.chart.Paint(surface);
    }
    state.counters["rows"] = run.in.result->NVyst;
}
BENCHMARK(BM_ChartOnQImage)->Unit(benchmark::kMillisecond);

void BM_ChartOnNullSurface(benchmark::State& state) {
    LongRun run;
    NullSurface surface;
    run.chart.Open(run.in, surface);
    for (auto _ : state) {
        run.chart.Paint(surface);
        benchmark::DoNotOptimize(surface.count);
    }
    state.counters["rows"] = run.in.result->NVyst;
}
BENCHMARK(BM_ChartOnNullSurface)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    graphics::HeadlessGui gui;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
