#pragma once
// Engine test set-up: a document built in code (or the demo database), an experiment on one
// of its tracks, a group read from one of its runs, and an engine on the fixture's port.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/numfmt.h"
#include "docgen.h"
#include "engine/engine.h"
#include "engine/run_modes.h"
#include "model/sim_experiment.h"
#include "model/track_reading.h"
#include "model/wagon_group.h"
#include "support/doc_fixture.h"

namespace gvm::test {

// Numbers as the engine's messages write them: positions and speeds, accelerations.
inline std::string P(double v) { return FormatFloatF(v, 4, 2); }
inline std::string A(double v) { return FormatFloatF(v, 6, 4); }

// The message of a start at rest at 0.00 m whose static acceleration `a0` cannot move it.
inline std::string NaeherungsMessage(double a0) {
    return "Die Wagengruppe steht im Stillstand an der Position 0.00 m, weil "
           "Abdrückgeschwindigkeit gleich Null und auch die Anfangsbeschleunigung " +
           A(a0) +
           " m/s^2  nicht positive ist.\r\rDer Simulationslauf wird mit einer "
           "Näherungsgeschwindigkeit 0.10 m/s gestartet werden.\r\r";
}

// An experiment with its track read, the case values set, and an engine beside it.
struct EngineSetup {
    EngineSetup(DocFixture& fx, std::int64_t gleis, std::int64_t rollot, double xtot, double vab,
                double ddx, double q)
        : fix(fx),
          ctx(fx.Loaded(), fx.port),
          exp(ctx),
          engine(fx.port),
          sets(std::make_unique<engine::TResultSets>()) {
        exp._Q = q;
        exp.Set_IDGleis(static_cast<int>(gleis));
        exp._IDWG1 = static_cast<int>(rollot);
        exp._Xtot = xtot;
        exp._Vab = vab;
        exp._Ddx0 = ddx;
        exp._Xstart = exp.Gleis().Xgipf;  // the crest
    }

    // Case and group prepared as a run operation does.
    bool Prepare() {
        engine.PrepareCase(exp, 0);
        return model::RollotEinlesen(ctx, group, exp._IDWG1, true, 0) && engine.PrepareGroup(group);
    }
    // Prepares and runs from the case's start at its push-off speed to its end.
    bool Run() {
        if (!Prepare()) return false;
        engine.gleis.Vaus = engine.gleis.VausGleis;
        return engine.Simulate(group, engine.fall.Xstart, engine.fall.Vab, engine.fall.Xtot, -1);
    }
    void NormalRun() { engine::NormalRun(engine, *sets, exp, ctx, true); }

    DocFixture& fix;
    model::ModelContext ctx;
    model::TSimExperiment exp;
    engine::TEngine engine;
    model::TWagenGruppeN group;
    std::unique_ptr<engine::TResultSets> sets;
};

// One result row, for readable expectations and failure output.
struct RowView {
    int i;
    double dist, gesch, zeit, besch;
    int ev;
    double param;
};

inline RowView RowAt(const engine::TSeriesData& s, int i) {
    const auto k = static_cast<std::size_t>(i);
    return {i, s.Dist[k], s.Gesch[k], s.Zeit[k], s.Besch[k], s.TeilSchr[k], s.Vluft[k]};
}

inline std::vector<RowView> SeriesRows(const engine::TSeriesData& s) {
    std::vector<RowView> rows;
    for (int i = 1; i <= s.NVyst; ++i) rows.push_back(RowAt(s, i));
    return rows;
}

inline std::vector<RowView> EventRows(const engine::TSeriesData& s, int ev) {
    std::vector<RowView> rows;
    for (int i = 1; i <= s.NVyst; ++i)
        if (s.TeilSchr[static_cast<std::size_t>(i)] == ev) rows.push_back(RowAt(s, i));
    return rows;
}

inline std::ostream& operator<<(std::ostream& os, const RowView& r) {
    return os << "#" << r.i << " x=" << r.dist << " v=" << r.gesch << " t=" << r.zeit
              << " a=" << r.besch << " ev=" << r.ev << " p=" << r.param;
}

// Wagon types of the tests: a four-axle bogie wagon (Sx 15.1 m) and a two-axle wagon (Sx 14 m).
inline std::int64_t BogieWagon(DocFixture& fx) {
    return fx.WagonType("Zacns", 4, 1.65, {1.8, 8.2, 1.8}, 1.65, 1.8, 2.0);
}
inline std::int64_t TwoAxleWagon(DocFixture& fx) {
    return fx.WagonType("Gbs", 2, 3.0, {8.0}, 3.0, 8.0, 6.7);
}

// A run of `n` equal wagons of a type with axle load g [t] and basic resistance w0 [kg/t].
inline std::int64_t RunOf(DocFixture& fx, std::int64_t type, int n, double g = 20.0,
                          double w0 = 2.0, double fl = 8.0) {
    std::vector<WagonSpec> wagons(static_cast<std::size_t>(n), WagonSpec{type, g, w0});
    std::string name = "R";
    name += std::to_string(type);
    name += "x";
    name += std::to_string(n);
    return fx.Run(name, wagons, 1.0, fl);
}

// Gradient rows {Xu, Xo, Su, So}; a track whose other kinds are empty unless given.
using SectionRows = std::vector<std::vector<db::Value>>;

// The lists of a track built in code; a kind left empty gets an empty variant, except the
// rolling resistance, which is 100 % over the whole profile unless given.
struct TrackParts {
    SectionRows neig;       // {Xu, Xo, Su, So}
    double xtot = 0;        // run length of the gradient variant [m]
    SectionRows roll;       // {Xu, Xo, Wru, Wro}
    SectionRows curves;     // {Xu, Xo, R}
    SectionRows switches;   // {Xu, Xo, Ww, XGrenz}
    SectionRows retarders;  // {ID_BauartKod, Xu, Xo, Vaus, Xein, Wbr, Wir}
    SectionRows air;        // {Xu, Xo, Vlu, Vlo}
    double beta0 = 0, vl = 0;
};

inline std::int64_t MakeTrack(DocFixture& fx, const TrackParts& p) {
    DocFixture::TrackRefs r;
    r.neig = fx.Gradients("N", p.xtot, 0, p.neig);
    SectionRows roll = p.roll;
    if (roll.empty() && !p.neig.empty())
        roll = {{p.neig.front()[0], p.neig.back()[1], 100.0, 100.0}};
    r.roll = fx.Rolling("R", roll);
    r.bogen = fx.Curves("B", p.curves);
    r.weich = fx.Switches("W", p.switches);
    r.brems = fx.Retarders("BR", p.retarders);
    r.luft = fx.Air("L", p.beta0, p.vl, p.air);
    return CompleteTrack(fx, r);
}

// A retarder row of a type: bounds, exit speed, full effect, no switch-on point.
inline std::vector<db::Value> Retarder(std::int64_t type, double xu, double xo, double vaus,
                                       double wbr = 100) {
    return {type, xu, xo, vaus, 0.0, wbr, 100.0};
}

// The demo database with its project "Demo" current.
inline void AttachDemo(DocFixture& fx) {
    fx.main.AttachDocument(tools::BuildDemoDocument());
    fx.main.ProjektCDS.Locate("ProjektName", std::string("Demo"));
    fx.project = fx.main.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
}

// Identifier of the record named `name` in a cursor of the loading module.
inline std::int64_t IdByName(db::Cursor& c, const std::string& name, const std::string& idField) {
    if (!c.Locate("Name", name)) return -1;
    return c.FieldByName(idField).AsInteger();
}

// A demo case read into a fresh experiment as the run window does, started at the crest,
// with an engine and the result sets of the run operations.
struct DemoExperiment {
    explicit DemoExperiment(const std::string& name)
        : ctx(Load(fx), fx.port), exp(ctx), engine(fx.port) {
        db::Cursor& fall = ctx.load.cds.SimulationsFallCDS;
        found = fall.Locate("Name", name);
        exp.FillFromCase(fall, "01.02.2025", "10:00:00");
        exp._Xstart = exp.Gleis().Xgipf;
        fx.port.Clear();
    }
    static db::TDataLoadDM& Load(DocFixture& f) {
        AttachDemo(f);
        return f.Loaded();
    }
    int RunId(const std::string& name) {
        return static_cast<int>(IdByName(ctx.load.cds.RolloteCDS, name, "ID_Rollot"));
    }

    DocFixture fx;
    model::ModelContext ctx;
    model::TSimExperiment exp;
    engine::TEngine engine;
    std::unique_ptr<engine::TResultSets> sets = std::make_unique<engine::TResultSets>();
    bool found = false;
};

}  // namespace gvm::test
