// Integration loop: the first step on and between grid points, closed-form runs on simple
// tracks, the events (separation, retarder switching, standstill, buffering, target), the
// physical invariants over a sweep of tracks and speeds, and bad input that must end with
// a message, an exception or a refusal, never a crash or an endless loop.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "base/errors.h"
#include "engine_fixture.h"

namespace gvm::engine {
namespace {

using test::DocFixture;
using test::EngineSetup;
using test::EventRows;
using test::MakeTrack;
using test::RowAt;
using test::RowView;
using test::SeriesRows;
using test::TrackParts;
using testing::HasSubstr;

// A track, a run of bogie wagons (no frontal area unless given) and an engine; runs go from
// a start abscissa at a speed to an end abscissa. Built in two steps when the track needs
// catalogue types of the same document.
struct World {
    World() = default;
    explicit World(const TrackParts& parts, int wagons = 1, double ddx = 0.5, double q = 0.001) {
        Build(parts, wagons, ddx, q);
    }
    void Build(const TrackParts& parts, int wagons = 1, double ddx = 0.5, double q = 0.001,
               double fl = 0) {
        const auto track = MakeTrack(fx, parts);
        run = test::RunOf(fx, test::BogieWagon(fx), wagons, 20, 2, fl);
        s = std::make_unique<EngineSetup>(fx, track, run, parts.xtot, 1.2, ddx, q);
        fx.port.Clear();
    }
    bool Prepare() { return s->Prepare(); }
    bool Run(double startAbs, double v, double endAbs) {
        if (!e().gitter.Bereit && !Prepare()) return false;
        e().gleis.Vaus = e().gleis.VausGleis;
        return e().Simulate(s->group, startAbs - e().gleis.Xnull, v, endAbs, -1);
    }
    TEngine& e() { return s->engine; }
    const TVysledky& result() { return s->engine.result; }
    RowView Last() { return RowAt(result(), result().NVyst); }

    DocFixture fx;
    std::int64_t run = 0;
    std::unique_ptr<EngineSetup> s;
};

// A straight track of one constant gradient [per mille] from 0 to 500 m.
TrackParts Slope(double s) {
    TrackParts p;
    p.neig = {{0.0, 500.0, s, s}};
    p.xtot = 500;
    return p;
}

// A ramp from -60 m to the crest, then falling at 10 per mille.
TrackParts Hump() {
    TrackParts p;
    p.neig = {{-60.0, 0.0, 20.0, 20.0}, {0.0, 500.0, -10.0, -10.0}};
    p.xtot = 500;
    return p;
}

TEST(Integration, FirstStepOnAGridPointIsFullBetweenGridPointsShorter) {
    // A gradient growing steeper, so that the static acceleration differs from point to point.
    TrackParts parts;
    parts.neig = {{0.0, 200.0, 0.0, -40.0}};
    parts.xtot = 200;
    struct Case {
        double start;
        double firstStep;
    };
    for (const Case& c : {Case{30.0, 1.0}, Case{30.3, 0.7}}) {
        SCOPED_TRACE(c.start);
        World w(parts, 1, 1.0);
        ASSERT_TRUE(w.Run(c.start, 2.0, 60));
        const auto rows = SeriesRows(w.result());
        ASSERT_GT(rows.size(), 4u);
        // Row 1 (initial) and row 2 (the evaluated start) stand at the start, row 3 on the
        // first grid point beyond it.
        EXPECT_EQ(rows[0].dist, c.start);
        EXPECT_EQ(rows[1].dist, c.start);
        EXPECT_DOUBLE_EQ(rows[2].dist, 31.0);
        EXPECT_NEAR(rows[2].dist - rows[1].dist, c.firstStep, 1e-12);
        // The start's static acceleration lies on the line between its grid points.
        const TGitter& gt = w.e().gitter;
        const double u = c.start - gt.C * gt.Schritt;  // table position of the start
        const auto i = static_cast<std::size_t>(std::floor(u));
        const double f = u - std::floor(u);
        EXPECT_NEAR(rows[0].besch, gt.BStat[i] + f * (gt.BStat[i + 1] - gt.BStat[i]), 1e-12);
        // First step: the trapezoid rule for the time.
        EXPECT_NEAR(rows[2].zeit, c.firstStep * (1 / 2.0 + 1 / rows[2].gesch) / 2, 1e-12);
    }
}

TEST(Integration, ConstantSlopeFollowsTheClosedFormula) {
    // No air (frontal area 0), no curves, constant gradient and resistance: constant
    // acceleration a, v^2 = v0^2 + 2 a s exactly per step, time within the step error. With
    // Q <= 0 the precision 0.0001 m/s is used.
    struct Case {
        double gradient, ddx, q, v0;
    };
    const Case cases[] = {{-20, 0.5, 0.001, 1.5}, {-12, 1.0, 0.0, 3.0}, {-20, 0.25, -1, 0.8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "gradient " << c.gradient << " step " << c.ddx << " Q " << c.q);
        World w(Slope(c.gradient), 1, c.ddx, c.q);
        ASSERT_TRUE(w.Run(20, c.v0, 400));
        EXPECT_EQ(w.e().Q, c.q > 0 ? c.q : 0.0001);
        const model::TWagenN& wg = w.s->group.Wagen(1);
        const double a = (-c.gradient - 2.0) / wg.Fm;  // W0 2 kg/t at 100 %
        for (const RowView& r : SeriesRows(w.result())) {
            const double s = r.dist - 20;
            const double v = std::sqrt(c.v0 * c.v0 + 2 * a * s);
            EXPECT_NEAR(r.gesch, v, 1e-9 * v) << r;
            EXPECT_NEAR(r.zeit, (v - c.v0) / a, 2e-3) << r;
            EXPECT_NEAR(r.besch, a, 1e-12) << r;
        }
        EXPECT_EQ(w.Last().ev, evZielErreicht);
        EXPECT_EQ(w.Last().dist, 400);
    }
}

TEST(Integration, TargetReachedExactlyAtTheEndAbscissa) {
    struct Case {
        const char* what;
        double start, end;
    };
    const Case cases[] = {
        {"end on a grid point", 20, 40},
        {"end between grid points", 20, 37.3},
        {"end before the first grid point", 20.3, 20.8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        World w(Slope(-15), 1, 1.0);
        ASSERT_TRUE(w.Run(c.start, 2, c.end));
        const auto rows = SeriesRows(w.result());
        const RowView& last = rows.back();
        EXPECT_EQ(last.ev, evZielErreicht);
        EXPECT_EQ(last.dist, c.end);
        EXPECT_EQ(w.result().DistEnd(), c.end);
        EXPECT_EQ(EventRows(w.result(), evZielErreicht).size(), 1u);
        const RowView& before = rows[rows.size() - 2];
        EXPECT_LE(before.dist, c.end);
        EXPECT_GE(last.zeit, before.zeit);
        EXPECT_GT(last.gesch, 2.0) << "it rolled downhill";
    }
}

// A strong code-1 retarder type: 3000 kg per axle at every speed.
std::int64_t StrongBrake(DocFixture& fx) {
    return fx.RetarderType("1ST", {test::Row(0, 30, 3000)}, {test::Row(0, 30, 30)});
}

TEST(Integration, StandstillInsideARetarderEndsTheRunThere) {
    TrackParts parts = Slope(0);
    World braked;
    parts.retarders = {test::Retarder(StrongBrake(braked.fx), 40, 80, 0)};
    braked.Build(parts);
    ASSERT_TRUE(braked.Run(20, 3, 300));
    const auto rows = SeriesRows(braked.result());
    const RowView stop = rows.back();
    EXPECT_EQ(stop.ev, evStillstand);
    EXPECT_EQ(stop.gesch, 0);
    EXPECT_EQ(EventRows(braked.result(), evStillstand).size(), 1u);
    // Inside the retarder, after the first axle entered it, and no row beyond the stop.
    const double ok1 = braked.s->group.Ok1();
    EXPECT_GT(stop.dist, 40 + ok1);
    EXPECT_LT(stop.dist, 80 + ok1);
    for (const RowView& r : rows) EXPECT_LE(r.dist, stop.dist) << r;
    // The stop lies within the last step, where the deceleration of that step takes the
    // speed of its start (the last step row) to 0.
    auto start = rows.rbegin() + 2;
    while (start->ev != evNone) ++start;
    EXPECT_GT(start->gesch, 0);
    EXPECT_LE(stop.dist - start->dist, braked.e().gitter.Schritt + 1e-12);
    EXPECT_NEAR(stop.dist, start->dist + start->gesch * start->gesch / (-2 * stop.besch), 1e-9);
    // A retarder deciding an exit speed of 0 switches off where the group stops.
    const RowView& off = rows[rows.size() - 2];
    EXPECT_EQ(off.ev, evAusschalten);
    EXPECT_EQ(off.dist, stop.dist);
    EXPECT_EQ(off.zeit, stop.zeit);
    EXPECT_GT(stop.zeit, start->zeit);
}

TEST(Integration, RetarderSwitchesOffWhereTheSpeedReachesItsExitSpeed) {
    TrackParts parts = Slope(-3);
    World w;
    parts.retarders = {test::Retarder(StrongBrake(w.fx), 40, 100, 3.0, 30)};
    w.Build(parts, 1, 1.0);
    ASSERT_TRUE(w.Run(20, 4, 300));
    const auto off = EventRows(w.result(), evAusschalten);
    ASSERT_FALSE(off.empty());
    const RowView first = off.front();
    EXPECT_EQ(first.param, 1) << "the retarder number";
    EXPECT_EQ(first.gesch, 3.0);
    EXPECT_GT(std::fabs(first.dist - std::round(first.dist)), 1e-6) << "not a grid point";
    // Between its neighbour rows, which bracket the exit speed.
    const RowView before = RowAt(w.result(), first.i - 1), after = RowAt(w.result(), first.i + 1);
    EXPECT_LE(before.dist, first.dist);
    EXPECT_GE(after.dist, first.dist);
    EXPECT_GT(before.gesch, 3.0);
    // The group is held near its exit speed while it is in the retarder and leaves at it.
    const auto out = EventRows(w.result(), evAuslaufAchse);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_NEAR(out.back().gesch, 3.0, 0.02);
    EXPECT_EQ(w.Last().ev, evZielErreicht);
}

TEST(Integration, EveryAxleEntersAndLeavesEveryRetarderInOrder) {
    TrackParts parts = Hump();
    World w;
    const auto brake = StrongBrake(w.fx);
    parts.retarders = {test::Retarder(brake, 30, 50, 3.5, 20),
                       test::Retarder(brake, 80, 81, 3.0, 20)};
    w.Build(parts, 2, 0.5);
    ASSERT_TRUE(w.Run(0, 1.2, 200));
    const auto in = EventRows(w.result(), evEinlaufAchse);
    const auto out = EventRows(w.result(), evAuslaufAchse);
    ASSERT_EQ(in.size(), 16u);
    ASSERT_EQ(out.size(), 16u);
    const model::TWagenGruppeN& g = w.s->group;
    for (int r = 1; r <= 2; ++r) {
        const double xu = r == 1 ? 30 : 80, xo = r == 1 ? 50 : 81;
        for (int k = 1; k <= 8; ++k) {
            const auto idx = static_cast<std::size_t>((r - 1) * 8 + k - 1);
            const double abs = g.Abszisse[static_cast<std::size_t>(k)];
            SCOPED_TRACE(testing::Message() << "retarder " << r << " axle " << k);
            // Axle events are ordered by retarder, axle and position; "Einlauf" at Xbu + the
            // axle's abscissa, "Auslauf" at Xbo + it, parameter axle + retarder / 100.
            EXPECT_NEAR(in[idx].dist, xu + abs, 1e-9);
            EXPECT_NEAR(out[idx].dist, xo + abs, 1e-9);
            EXPECT_NEAR(in[idx].param, k + r / 100.0, 1e-12);
            EXPECT_NEAR(out[idx].param, k + r / 100.0, 1e-12);
        }
    }
    // A step with events ends with an "Ende Teilschritt" row at its grid point.
    for (const RowView& r : EventRows(w.result(), evEndeTeilschritt)) {
        EXPECT_NEAR(r.dist * 2, std::round(r.dist * 2), 1e-9) << r;
        EXPECT_NE(RowAt(w.result(), r.i - 1).ev, evNone) << r;
    }
}

TEST(Integration, PushedOverTheCrestUntilItSeparates) {
    World w(Hump());
    ASSERT_TRUE(w.Run(0, 1.2, 100));
    const auto sep = EventRows(w.result(), evAbloesepunkt);
    ASSERT_EQ(sep.size(), 1u);
    EXPECT_GT(sep[0].dist, 0);
    EXPECT_LT(sep[0].dist, 15);
    EXPECT_NEAR(sep[0].zeit, sep[0].dist / 1.2, 1e-9) << "the train's time";
    EXPECT_NEAR(sep[0].besch, 0, 1e-9) << "its own acceleration turns positive there";
    for (const RowView& r : SeriesRows(w.result())) {
        if (r.i >= sep[0].i) break;
        EXPECT_EQ(r.gesch, 1.2) << r;
        EXPECT_NEAR(r.zeit, r.dist / 1.2, 1e-9) << r;
    }
    EXPECT_GT(w.Last().gesch, 3);
    EXPECT_EQ(w.e().Abloesungen.N, 1);
}

TEST(Integration, TrainCatchesUpWithAGroupThatStopsBehindTheCrest) {
    // A short drop behind the crest and then a steep climb: the group rolls free, stops, and
    // the pushing train reaches it while it is still within its length of the crest.
    TrackParts parts;
    parts.neig = {{-60.0, 0.0, 20.0, 20.0}, {0.0, 4.0, -80.0, -80.0}, {4.0, 200.0, 120.0, 120.0}};
    parts.xtot = 200;
    DocFixture fx;
    const auto track = MakeTrack(fx, parts);
    const auto run = test::RunOf(fx, test::TwoAxleWagon(fx), 1, 10, 2, 0);
    EngineSetup s(fx, track, run, 150, 1.2, 0.5, 0.001);
    ASSERT_TRUE(s.Prepare());
    ASSERT_TRUE(s.engine.Simulate(s.group, s.engine.gleis.Xgipf, 1.2, 150, -1));
    const auto buf = EventRows(s.engine.result, evAufpufferung);
    ASSERT_EQ(buf.size(), 1u);
    EXPECT_LT(buf[0].dist, s.group.Sx);
    EXPECT_EQ(buf[0].gesch, 1.2);
    EXPECT_NEAR(buf[0].zeit, buf[0].dist / 1.2, 1e-9) << "the train's time there";
    EXPECT_TRUE(EventRows(s.engine.result, evStillstand).empty())
        << "the train came before it stood";
    // Pushed again from there on.
    for (const RowView& r : SeriesRows(s.engine.result)) {
        if (r.i > buf[0].i) {
            EXPECT_EQ(r.gesch, 1.2) << r;
        }
    }
    EXPECT_EQ(s.engine.Aufpufferungen.N, 1);
}

// ---------------------------------------------------------------------------------------------
// Invariants over a sweep

TEST(Integration, InvariantsOverTracksSpeedsAndSteps) {
    // Without air (frontal area 0) no force adds energy: the kinetic energy never exceeds the
    // start's plus the work of the static forces (energy table); without retarders it equals
    // it. Time and distance never run backwards, the speed is never negative.
    struct Track {
        const char* what;
        bool retarders;
    };
    for (const Track& t :
         {Track{"no retarders", false}, Track{"retarders of codes 1, 2, 3", true}}) {
        for (double ddx : {0.25, 0.5, 1.0}) {
            for (double v0 : {0.5, 1.5, 3.0}) {
                SCOPED_TRACE(testing::Message() << t.what << ", step " << ddx << ", v0 " << v0);
                TrackParts parts;
                parts.neig = {{-60.0, 0.0, 20.0, 20.0},
                              {0.0, 40.0, -40.0, -40.0},
                              {40.0, 120.0, -10.0, -2.0},
                              {120.0, 400.0, -1.0, -1.0}};
                parts.xtot = 400;
                parts.curves = {{100.0, 130.0, 180.0}, {140.0, 170.0, -180.0}};
                parts.switches = {{90.0, 115.0, 1.0, 0.0}};
                World w;
                if (t.retarders) {
                    const auto t1 =
                        w.fx.RetarderType("1A", {test::Row(0, 30, 1500)}, {test::Row(0, 30, 15)});
                    const auto t2 = w.fx.RetarderType("2B", {test::Row(0, 30, 1300)},
                                                      {test::Row(0, 30, 15)}, 0.9, 0.025);
                    const auto t3 =
                        w.fx.RetarderType("3C", {test::Row(0, 30, 1200)}, {test::Row(0, 30, 12)});
                    parts.retarders = {test::Retarder(t1, 45, 70, 4.5),
                                       test::Retarder(t2, 100, 125, 3.5),
                                       test::Retarder(t3, 200, 215, 1.5)};
                }
                w.Build(parts, 2, ddx);
                ASSERT_TRUE(w.Run(25, v0, 380));
                // Work of the static forces from the start, by the trapezoid rule over the table
                // (the start and all rows but events lie on grid points).
                const TGitter& gt = w.e().gitter;
                const auto work = [&](double x) {
                    const auto index = [&](double p) {
                        return static_cast<int>(std::lround(p / gt.Schritt)) - gt.C;
                    };
                    double sum = 0;
                    for (int i = index(25); i < index(x); ++i)
                        sum += (gt.BStat[static_cast<std::size_t>(i)] +
                                gt.BStat[static_cast<std::size_t>(i + 1)]) /
                               2;
                    return sum * gt.Schritt;
                };
                const auto rows = SeriesRows(w.result());
                ASSERT_GT(rows.size(), 10u);
                for (std::size_t k = 1; k < rows.size(); ++k) {
                    const RowView& r = rows[k];
                    EXPECT_GE(r.dist, rows[k - 1].dist - 1e-9) << r;
                    EXPECT_GE(r.zeit, rows[k - 1].zeit - 1e-9) << r;
                    ASSERT_TRUE(std::isfinite(r.gesch) && std::isfinite(r.zeit)) << r;
                    EXPECT_GE(r.gesch, 0) << r;
                    if (r.ev != evNone) continue;  // events lie between grid points
                    const double kin = (r.gesch * r.gesch - v0 * v0) / 2;
                    const double w0 = work(r.dist);
                    EXPECT_LE(kin, w0 + 1e-9) << r;
                    if (!t.retarders) {
                        EXPECT_NEAR(kin, w0, 1e-9) << r;
                    }
                }
                EXPECT_TRUE(rows.back().ev == evZielErreicht || rows.back().ev == evStillstand);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Bad input

TEST(Integration, BadInputEndsWithAMessageAnExceptionOrARefusal) {
    enum class Outcome { Runs, Refused, Throws };
    struct Case {
        const char* what;
        std::function<void(TrackParts&)> track;
        std::function<void(World&)> before;  // after preparation, before the run
        double ddx, start, v0, end;
        int wagons;
        Outcome outcome;
        const char* message;  // part of the exception text
    };
    const auto none = [](World&) {};
    const auto same = [](TrackParts&) {};
    const Case cases[] = {
        {"zero-length gradient and rolling sections",
         [](TrackParts& p) {
             p.neig = {{0.0, 50.0, -10.0, -10.0},
                       {50.0, 50.0, -30.0, -30.0},
                       {50.0, 300.0, -10.0, -10.0}};
             p.roll = {{0.0, 100.0, 100.0, 100.0},
                       {100.0, 100.0, 50.0, 50.0},
                       {100.0, 300.0, 100.0, 100.0}};
         },
         none, 0.5, 20, 2, 200, 1, Outcome::Runs, ""},
        {"negative step", same, none, -0.5, 20, 2, 200, 1, Outcome::Runs, ""},
        {"group longer than the track before it", same, none, 0.5, 20, 2, 200, 12, Outcome::Runs,
         ""},
        {"end before the start", same, none, 0.5, 150, 2, 100, 1, Outcome::Runs, ""},
        {"start before the profile", same, none, 0.5, -30, 2, 100, 1, Outcome::Runs, ""},
        {"not a number in the gradients", same,
         [](World& w) {
             w.e().gitter.BStat.assign(kGridSlots, std::numeric_limits<double>::quiet_NaN());
         },
         0.5, 20, 2, 200, 1, Outcome::Throws, "nicht berechenbar"},
        {"at rest where it cannot roll, after an earlier run",
         [](TrackParts& p) {
             p.neig = {{0.0, 300.0, 5.0, 5.0}};
         },
         [](World& w) { ASSERT_TRUE(w.Run(60, 2, 100)); }, 0.5, 60, 0, 200, 1, Outcome::Refused,
         ""},
        {"not prepared", same, [](World& w) { w.e().gitter.Bereit = false; }, 0.5, 20, 2, 200, 1,
         Outcome::Throws, "nicht vorbereitet"},
        {"start speed not a number", same, none, 0.5, 20, std::numeric_limits<double>::quiet_NaN(),
         200, 1, Outcome::Throws, "Ungültige"},
        {"more rows than a run can hold", same, none, 0.005, 20, 2, 290, 1, Outcome::Throws,
         " Zu viele Integrationsschritte!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrackParts parts = Slope(-10);
        parts.xtot = 300;
        parts.neig = {{0.0, 300.0, -10.0, -10.0}};
        c.track(parts);
        World w(parts, c.wagons, c.ddx);
        ASSERT_TRUE(w.Prepare());
        c.before(w);
        try {
            const bool ran =
                w.e().Simulate(w.s->group, c.start - w.e().gleis.Xnull, c.v0, c.end, -1);
            EXPECT_EQ(ran, c.outcome == Outcome::Runs);
            if (ran) {
                for (const RowView& r : SeriesRows(w.result()))
                    ASSERT_TRUE(std::isfinite(r.gesch)) << r;
                EXPECT_TRUE(w.Last().ev == evZielErreicht || w.Last().ev == evStillstand)
                    << w.Last();
            } else {
                EXPECT_EQ(w.result().NumVyst(), 0);
                EXPECT_FALSE(w.result().Berechnet);
            }
        } catch (const EGravimont& ex) {
            EXPECT_EQ(c.outcome, Outcome::Throws) << ex.what();
            EXPECT_THAT(ex.what(), HasSubstr(c.message));
        }
    }
}

TEST(Integration, TooManySubIntervalsInOneStepIsAnEngineError) {
    // Steps of 60 m through six short retarders: about 16 axles of a 12-wagon group enter and
    // leave each of them within one step.
    TrackParts parts = Slope(-10);
    World w;
    const auto brake = StrongBrake(w.fx);
    for (int i = 0; i < 6; ++i)
        parts.retarders.push_back(test::Retarder(brake, 100 + 2 * i, 101 + 2 * i, 1));
    w.Build(parts, 12, 60);
    try {
        w.Run(0, 5, 480);
        ADD_FAILURE() << "no error";
    } catch (const EGravimont& ex) {
        EXPECT_STREQ(ex.what(), " Zu viele Teilintervalle !");
    }
}

TEST(Integration, HistoryKeepsFiveEntriesOfEachKind) {
    THistorie h;
    for (int i = 1; i <= 8; ++i) h.Add(i, 10.0 * i, i);
    EXPECT_EQ(h.N, kHistorie);
    EXPECT_EQ(h.E[5].Zeile, 5);
}

}  // namespace
}  // namespace gvm::engine
