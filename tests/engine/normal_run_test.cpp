// The normal run: the demo cases end plausibly with every event in place, and the start
// checks, grades and messages of the operation, with what it leaves in the result sets.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine_fixture.h"

namespace gvm::engine {
namespace {

using test::A;
using test::DocFixture;
using test::NaeherungsMessage;
using test::P;
using test::EventRows;
using test::RowAt;
using test::RowView;
using test::SeriesRows;
using testing::ElementsAre;
using testing::IsEmpty;

// A demo case read into a fresh experiment as the run window does, started at the crest.
struct DemoCase {
    explicit DemoCase(const std::string& name) : ctx(Load(fx), fx.port), exp(ctx), engine(fx.port) {
        db::Cursor& fall = ctx.load.cds.SimulationsFallCDS;
        EXPECT_TRUE(fall.Locate("Name", name)) << name;
        exp.FillFromCase(fall, "01.02.2025", "10:00:00");
        exp._Xstart = exp.Gleis().Xgipf;
        fx.port.Clear();
    }
    static db::TDataLoadDM& Load(DocFixture& fx) {
        test::AttachDemo(fx);
        return fx.Loaded();
    }
    int RunId(const std::string& name) {
        return static_cast<int>(test::IdByName(ctx.load.cds.RolloteCDS, name, "ID_Rollot"));
    }
    void Run(bool recalculate = true) { NormalRun(engine, *sets, exp, ctx, recalculate); }
    const TVysledky& normal() { return sets->normal; }

    DocFixture fx;
    model::ModelContext ctx;
    model::TSimExperiment exp;
    TEngine engine;
    std::unique_ptr<TResultSets> sets = std::make_unique<TResultSets>();
};


struct DemoExpectation {
    const char* name;
    int lastRetarder;            // retarders IbrStart (2) .. lastRetarder are passed
    std::vector<int> switchOff;  // retarders that brake the group down to their exit speed
    double vEndMin, vEndMax;     // speed at the end of the run [m/s]
    bool controlled;             // a controlled (code 6) retarder pair brakes
};

void PrintTo(const DemoExpectation& x, std::ostream* os) {
    *os << x.name;
}

class DemoRun : public testing::TestWithParam<DemoExpectation> {};

TEST_P(DemoRun, EndsPlausiblyWithEveryEvent) {
    const DemoExpectation& x = GetParam();
    DemoCase c(x.name);
    c.Run();
    EXPECT_THAT(c.fx.port.texts(), IsEmpty()) << "no corrections, no questions";
    const TVysledky& r = c.normal();
    EXPECT_EQ(r.ResultsMeldung, rmOK);
    EXPECT_EQ(r.WarnungMessage, "");
    EXPECT_TRUE(r.Berechnet);
    EXPECT_TRUE(r.Bereit);
    EXPECT_EQ(c.sets->current.NumVyst(), r.NumVyst());
    EXPECT_EQ(c.sets->group1.NumVyst(), r.NumVyst());
    EXPECT_EQ(c.exp._Flags, model::kNormalLauf);

    // Pushed over the crest, it separates within a few metres.
    const auto sep = EventRows(r, evAbloesepunkt);
    ASSERT_EQ(sep.size(), 1u);
    EXPECT_GT(sep[0].dist, 0);
    EXPECT_LT(sep[0].dist, 20);
    EXPECT_TRUE(EventRows(r, evAufpufferung).empty());

    // Each axle enters and leaves each retarder after the crest once, in order.
    const model::TWagenGruppeN& g = c.sets->wg1;
    const TStrecke& t = c.engine.gleis;
    for (int i = 2; i <= x.lastRetarder; ++i) {
        for (int k = 1; k <= g.NAchs; ++k) {
            SCOPED_TRACE(testing::Message() << "retarder " << i << " axle " << k);
            const double param = k + i / 100.0;
            int in = 0, out = 0;
            for (const RowView& row : SeriesRows(r)) {
                if (std::fabs(row.param - param) > 1e-9) continue;
                if (row.ev == evEinlaufAchse) {
                    ++in;
                    // An entry within Q (in metres) after a grid point is taken at that point.
                    const double at = t.Xbu[static_cast<std::size_t>(i)] + t.Xnull +
                                      g.Abszisse[static_cast<std::size_t>(k)];
                    EXPECT_NEAR(row.dist, at, c.exp._Q + 1e-9);
                }
                if (row.ev == evAuslaufAchse) ++out;
            }
            EXPECT_EQ(in, 1);
            EXPECT_EQ(out, 1);
        }
    }
    // The retarders that brake take the speed down to their exit speed and release there.
    for (int i = 2; i <= x.lastRetarder; ++i) {
        SCOPED_TRACE(testing::Message() << "retarder " << i);
        const auto vaus = t.VausGleis[static_cast<std::size_t>(i)];
        bool off = false;
        for (const RowView& row : EventRows(r, evAusschalten)) {
            if (row.param != i) continue;
            off = true;
            EXPECT_EQ(row.gesch, vaus);
        }
        const bool expected =
            std::find(x.switchOff.begin(), x.switchOff.end(), i) != x.switchOff.end();
        EXPECT_EQ(off, expected);
        // The group leaves no retarder much faster than its exit speed (a controlled pair is
        // checked as a whole below).
        if (t.Kod[static_cast<std::size_t>(i)] == 6) continue;
        const double lastAxle = g.NAchs + i / 100.0;
        for (const RowView& row : EventRows(r, evAuslaufAchse)) {
            if (std::fabs(row.param - lastAxle) < 1e-9) {
                EXPECT_LE(row.gesch, vaus + 0.05) << row;
            }
        }
    }
    if (x.controlled) {
        EXPECT_GT(r.IvBKINA, 0);
        const double lastAxle = g.NAchs + x.lastRetarder / 100.0;
        for (const RowView& row : EventRows(r, evAuslaufAchse)) {
            if (std::fabs(row.param - lastAxle) < 1e-9) {
                EXPECT_NEAR(row.gesch, 2.0, 0.02) << "controlled to its exit speed";
            }
        }
    } else {
        EXPECT_EQ(r.IvBKINA, 0);
    }

    const RowView last = RowAt(r, r.NumVyst());
    EXPECT_EQ(last.ev, evZielErreicht);
    EXPECT_EQ(last.dist, c.exp._Xtot);
    EXPECT_GE(last.gesch, x.vEndMin);
    EXPECT_LE(last.gesch, x.vEndMax);
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoRun,
                         testing::Values(
                             // The easy runner needs all three retarders.
                             DemoExpectation{"S1-GUT", 4, {2, 3, 4}, 1.4, 2.0, false},
                             // The hard runner passes the primary retarder released and ends slow.
                             DemoExpectation{"S2-SCHLECHT", 4, {3, 4}, 0.1, 1.0, false},
                             DemoExpectation{"S3-GRUPPE", 4, {2, 3, 4}, 1.2, 1.8, false},
                             // The target retarder is a controlled pair (retarders 4 and 5).
                             DemoExpectation{"S4-BKINA", 5, {2, 3}, 1.4, 2.0, true}),
                         [](const testing::TestParamInfo<DemoExpectation>& p) {
                             std::string n = p.param.name;
                             n.erase(std::remove(n.begin(), n.end(), '-'), n.end());
                             return n;
                         });

TEST(NormalRun, EndBeyondWhereTheGroupStopsIsAWarning) {
    // The hard runner stops in the classification track, well short of 700 m.
    DemoCase c("S2-SCHLECHT");
    c.exp._Xtot = 700;
    c.Run();
    const TVysledky& r = c.normal();
    const RowView last = RowAt(r, r.NumVyst());
    EXPECT_EQ(last.ev, evStillstand);
    EXPECT_GT(last.dist, 380);
    EXPECT_LT(last.dist, 470);
    EXPECT_EQ(r.ResultsMeldung, rmWarn);
    EXPECT_EQ(r.WarnungMessage,
              "Das Profil der Strecke erlaubt nicht die gewünschte Endposition 700.00 m zu "
              "erreichen. \rDie Wagengruppe wird an der Position " +
                  P(last.dist) + " m zum Stillstand kommen.\r\r");
    EXPECT_EQ(c.sets->current.WarnungMessage, r.WarnungMessage);
    EXPECT_TRUE(r.Berechnet);
}

TEST(NormalRun, NegativePushOffSpeedIsRefusedAndLeavesNoRows) {
    DemoCase c("S1-GUT");
    c.Run();
    ASSERT_GT(c.normal().NumVyst(), 0) << "an earlier run";
    c.exp._Vab = -0.5;
    c.Run();
    const std::string text =
        "Der Simulationslauf kann nicht mit negative \rAbdrückgeschwindigkeit realisiert "
        "werden!\r\r";
    for (const TVysledky* s : {&c.engine.result, &c.sets->current}) {
        EXPECT_EQ(s->WarnungMessage, text);
        EXPECT_EQ(s->ResultsMeldung, rmError);
        EXPECT_EQ(s->NumVyst(), 0);
    }
    EXPECT_EQ(c.normal().NumVyst(), 0);
    EXPECT_FALSE(c.normal().Berechnet);
    EXPECT_FALSE(c.normal().Bereit);
    EXPECT_EQ(c.exp._Flags, model::kNormalLauf);
}

TEST(NormalRun, AFailedGroupLeavesNoEarlierRowsBehind) {
    DemoCase c("S1-GUT");
    c.Run();
    ASSERT_GT(c.normal().NumVyst(), 0);
    c.exp._IDWG1 = 999999;
    c.Run();
    EXPECT_THAT(c.fx.port.texts(), ElementsAre("Daten der Wagengruppe sind nicht vorhanden !"));
    for (const TVysledky* s : {&c.engine.result, &c.sets->current, &c.sets->normal}) {
        EXPECT_EQ(s->NumVyst(), 0);
        EXPECT_FALSE(s->Berechnet);
    }
    EXPECT_EQ(c.exp._Flags, model::kNormalLauf);
}

TEST(NormalRun, WithoutRecalculationACalculatedRunIsKept) {
    DemoCase c("S1-GUT");
    c.Run();
    const int rows = c.normal().NumVyst();
    const double vEnd = RowAt(c.normal(), rows).gesch;
    c.exp._Vab = 0.8;
    c.exp._Flags = model::kZielbremsung;
    c.Run(false);
    EXPECT_EQ(c.normal().NumVyst(), rows);
    EXPECT_EQ(RowAt(c.normal(), rows).gesch, vEnd);
    EXPECT_EQ(c.exp._Flags, model::kNormalLauf);
}

TEST(NormalRun, SecondGroupRunsFromTheSameStartIntoItsOwnSet) {
    DemoCase c("S1-GUT");
    c.exp._IDWG2 = c.RunId("SCHL-GBS");
    c.Run();
    const TVysledky& second = c.sets->group2;
    const TVysledky& first = c.sets->group1;
    ASSERT_GT(second.NumVyst(), 10);
    EXPECT_EQ(second.Dist1(), 0);
    EXPECT_EQ(RowAt(second, second.NumVyst()).ev, evStillstand)
        << "the hard runner stops short of 600 m";
    EXPECT_DOUBLE_EQ(second.Sx(), 14.02) << "the Gbs group";
    EXPECT_EQ(first.DistEnd(), 600);
    EXPECT_DOUBLE_EQ(first.Sx(), c.sets->wg1.Sx);
    EXPECT_EQ(first.NumVyst(), c.normal().NumVyst());
}

TEST(NormalRun, StartFarBeforeTheCrestAsksWhetherTheRunInRetardersTakePart) {
    struct Case {
        MsgAnswer answer;
        bool runInRetarder;
    };
    for (const Case& k : {Case{MsgAnswer::Yes, true}, Case{MsgAnswer::No, false}}) {
        SCOPED_TRACE(ToString(k.answer));
        DemoCase c("S1-GUT");
        c.exp._Xstart = c.exp.Gleis().Xgipf - 55;  // 55 m before the crest
        c.exp._Xtot = 100;
        c.fx.port.Script(k.answer);
        c.Run();
        ASSERT_FALSE(c.fx.port.messages().empty());
        const auto& q = c.fx.port.messages()[0];
        EXPECT_EQ(q.kind, MsgKind::Warning);
        EXPECT_EQ(q.buttons, MsgButtons::YesNo);
        EXPECT_EQ(q.text,
                  "Die Startposition des Rollots ist vor dem Gipfel in der Zulaufzone. Die Bremse "
                  "vor dem "
                  "Gippfel werden auch eingeschaltet. ");
        bool entered = false;
        for (const RowView& row : EventRows(c.normal(), evEinlaufAchse))
            if (std::fabs(row.param - (1 + 1 / 100.0)) < 1e-9) entered = true;
        EXPECT_EQ(entered, k.runInRetarder);
        EXPECT_EQ(c.engine.gleis.IbrStart, k.runInRetarder ? 1 : 2);
    }
}

// A small track in code (rolling resistance 100 %, no air) and one bogie wagon, run normally.
struct StartCheck {
    struct Ids {
        std::int64_t track = 0, run = 0;
    };
    static Ids Build(DocFixture& fx, const test::SectionRows& neig) {
        test::TrackParts parts;
        parts.neig = neig;
        parts.xtot = 200;
        return {test::MakeTrack(fx, parts), test::RunOf(fx, test::BogieWagon(fx), 1, 20, 2, 0)};
    }
    StartCheck(const test::SectionRows& neig, double xstartAbs, double vab)
        : ids(Build(fx, neig)), ctx(fx.Loaded(), fx.port), exp(ctx), engine(fx.port) {
        exp.Set_IDGleis(static_cast<int>(ids.track));
        exp._IDWG1 = static_cast<int>(ids.run);
        exp._Xtot = 150;
        exp._Vab = vab;
        exp._Ddx0 = 0.5;
        exp._Q = 0.001;
        exp._Xstart = xstartAbs - exp.Gleis().Xnull;
        fx.port.Clear();
        NormalRun(engine, *sets, exp, ctx, true);
    }
    DocFixture fx;
    Ids ids;
    model::ModelContext ctx;
    model::TSimExperiment exp;
    TEngine engine;
    std::unique_ptr<TResultSets> sets = std::make_unique<TResultSets>();
};

TEST(NormalRun, PushOffAtRestOnLevelGroundStartsWithTheApproximationSpeed) {
    // Level for 20 m behind the crest, then falling: the train pushes at 0.1 m/s until the
    // group rolls, and the time counts from that separation.
    StartCheck c({{0.0, 20.0, 0.0, 0.0}, {20.0, 200.0, -30.0, -30.0}}, 0, 0);
    const TVysledky& r = c.sets->normal;
    const TStartBeschleunigung a0 = StartBeschleunigung(c.engine, c.engine.fall.Xstart);
    EXPECT_LT(a0.Summe, 0);
    EXPECT_EQ(r.ResultsMeldung, rmWarn);
    EXPECT_EQ(r.WarnungMessage,
              NaeherungsMessage(a0.Summe));
    EXPECT_EQ(r.Gesch[1], kNaeherungsSpeed);
    const auto sep = EventRows(r, evAbloesepunkt);
    ASSERT_EQ(sep.size(), 1u);
    EXPECT_EQ(sep[0].zeit, 0);
    // Earlier rows count back by half a step at the approximation speed each.
    for (int i = sep[0].i - 1; i >= 1; --i)
        EXPECT_NEAR(r.Zeit[static_cast<std::size_t>(i)],
                    r.Zeit[static_cast<std::size_t>(i + 1)] - 0.5 / (2 * 0.1), 1e-9)
            << i;
    for (int i = sep[0].i + 1; i <= r.NumVyst(); ++i)
        EXPECT_GT(r.Zeit[static_cast<std::size_t>(i)], 0) << i;
    EXPECT_FALSE(c.engine.NaeherungsStart) << "the mark is used up";
    EXPECT_EQ(r.DistEnd(), 150);
}

TEST(NormalRun, GroupThatCannotStartGetsTheStandstillMessage) {
    // Level to 20 m, then steep: with its head at 28 m the group itself would roll, but its
    // centre of gravity stands on the level part, so the run does not start.
    StartCheck c({{0.0, 20.0, 0.0, 0.0}, {20.0, 200.0, -60.0, -60.0}}, 28, 0);
    const TVysledky& r = c.sets->normal;
    const TStartBeschleunigung a0 = StartBeschleunigung(c.engine, c.engine.fall.Xstart);
    EXPECT_GT(a0.Summe, 0) << "no approximation speed";
    EXPECT_EQ(r.NumVyst(), 0);
    EXPECT_EQ(r.ResultsMeldung, rmWarn);
    EXPECT_EQ(r.WarnungMessage,
              "Die Wagengruppe steht im Stillstand an der Position 28.00 m, weil Rollwiderstand " +
                  A(a0.Roll) + " m/s^2 grösser \rals Neigungskraft " + A(a0.Neig) +
                  " m/s^2 ist. Insgesamt ist die Anfangsbeschleunigung " + A(a0.Summe) +
                  " m/s^2.\r\r");
    EXPECT_TRUE(r.Berechnet);
    EXPECT_EQ(c.sets->current.WarnungMessage, r.WarnungMessage);
}

}  // namespace
}  // namespace gvm::engine
