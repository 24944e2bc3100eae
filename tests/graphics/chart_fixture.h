#pragma once
// Chart test set-up: the demo case S1-GUT run from the crest as the run window runs it, its
// chart input, and hand-built series for the cases the demo run does not show.

#include <memory>
#include <vector>

#include "engine/engine_fixture.h"
#include "graphics/chart_input.h"
#include "graphics/chart_painter.h"
#include "graphics/recording_surface.h"

namespace gvm::test {

// A normal run of a demo case and the charts of it on a 1600 x 900 area.
struct DemoChart {
    explicit DemoChart(const std::string& name = "S1-GUT") : c(name) {
        engine::NormalRun(c.engine, *c.sets, c.exp, c.ctx, true);
        in = graphics::ChartInputForExperiment(c.exp, *c.sets, c.exp.Gleis().VausGleis);
        chart.SetArea({1600 - 3, 900 - 3, 3, 3});
    }
    void Open() { chart.Open(in, surface); }
    void Paint() {
        surface.Clear();
        chart.Paint(surface);
    }
    model::TGleis& gleis() { return c.exp.Gleis(); }

    DemoExperiment c;
    graphics::ChartInput in;
    graphics::Chart chart;
    graphics::RecordingSurface surface;
};

// A series of rows {distance [m], speed [m/s], acceleration [m/s2], time [s]}.
struct SeriesRow {
    double dist, gesch, besch, zeit;
};

inline std::unique_ptr<engine::TVysledky> Series(const std::vector<SeriesRow>& rows, double sx = 15) {
    auto r = std::make_unique<engine::TVysledky>();
    int i = 0;
    for (const SeriesRow& row : rows) {
        const auto k = static_cast<std::size_t>(++i);
        r->Dist[k] = row.dist;
        r->Gesch[k] = row.gesch;
        r->Besch[k] = row.besch;
        r->Zeit[k] = row.zeit;
    }
    r->NVyst = i;
    r->SxF = sx;
    r->Ok1 = 1.65;
    r->Ok9 = sx - 1.65;
    r->Berechnet = r->Bereit = true;
    return r;
}

// Rows every `dx` metres from x0 to x1 at constant speed v, accelerating by a.
inline std::vector<SeriesRow> Uniform(double x0, double x1, double dx, double v, double a = 0) {
    std::vector<SeriesRow> rows;
    for (double x = x0; x <= x1 + 1e-9; x += dx) rows.push_back({x, v, a, (x - x0) / v});
    return rows;
}

}  // namespace gvm::test
