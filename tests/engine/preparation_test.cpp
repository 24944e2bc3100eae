// Run preparation: the step grid and its limits with their messages, the retarder table
// check against the group's axle loads, the static tables, and the groups and tracks the
// preparation refuses.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine_fixture.h"

namespace gvm::engine {
namespace {

using test::DocFixture;
using test::EngineSetup;
using test::MakeTrack;
using test::TrackParts;
using testing::ElementsAre;
using testing::IsEmpty;

// A profile from -60 m (the run-in ramp) over the crest to 200 m.
TrackParts Hump() {
    TrackParts p;
    p.neig = {{-60.0, 0.0, 20.0, 20.0}, {0.0, 200.0, -10.0, -10.0}};
    p.xtot = 200;
    return p;
}

struct Prepared {
    explicit Prepared(const TrackParts& parts, double xtot = 150, double ddx = 1, double g = 20) {
        const auto track = MakeTrack(fx, parts);
        const auto run = test::RunOf(fx, test::BogieWagon(fx), 2, g);
        s = std::make_unique<EngineSetup>(fx, track, run, xtot, 1.2, ddx, 0.001);
        fx.port.Clear();
    }
    TEngine& e() { return s->engine; }
    DocFixture fx;
    std::unique_ptr<EngineSetup> s;
};

TEST(Preparation, GridStartsAtTheProfileStartAndTablesFollowTheGroup) {
    Prepared p(Hump(), 0);  // Xtot 0: the profile length, without a word
    ASSERT_TRUE(p.s->Prepare());
    EXPECT_THAT(p.fx.port.texts(), IsEmpty());
    const TEngine& e = p.e();
    EXPECT_EQ(e.fall.Xtot, 200);
    EXPECT_EQ(e.gitter.C, -60);
    EXPECT_EQ(e.gitter.N, 201);
    EXPECT_EQ(e.gitter.M, 201);
    EXPECT_EQ(e.gitter.Abszisse[0], -60);
    EXPECT_EQ(e.gitter.Abszisse[60], 0) << "the crest";
    // Each table entry is the group's static acceleration with its head on the grid point.
    for (int r : {0, 30, 60, 75, 200, 260}) {
        const TStatAnteile a = e.StatAnteile(p.s->group, e.gleis.Xgipf + (e.gitter.C + r) * 1.0);
        const auto rs = static_cast<std::size_t>(r);
        EXPECT_DOUBLE_EQ(e.gitter.BStat[rs], a.Summe()) << r;
        EXPECT_DOUBLE_EQ(e.gitter.BNeig[rs], a.Neig) << r;
        EXPECT_DOUBLE_EQ(e.gitter.BRoll[rs], a.Roll) << r;
    }
    EXPECT_LT(e.gitter.BStat[30], 0) << "on the ramp";
    EXPECT_GT(e.gitter.BStat[100], 0) << "on the falling side";
    EXPECT_EQ(e.gitter.BStat[262], 0) << "beyond the profile the tables are cleared";
    for (int i : {0, 59, 60, 150}) {
        const auto is = static_cast<std::size_t>(i);
        EXPECT_NEAR(e.gitter.Energie[is + 1] - e.gitter.Energie[is], e.gitter.BStat[is], 1e-12)
            << i;
    }
}

TEST(Preparation, SectionsShorterThanTheStepAreReadWhereTheAxleStands) {
    // Steps of 2 m over sections of 0.5 m: every grid point takes the section that holds
    // the axle, however many sections lie between two grid points.
    DocFixture fx;
    TrackParts parts;
    parts.neig = {{0.0, 1.0, -10.0, -10.0}, {1.0, 1.5, -20.0, -20.0}, {1.5, 2.0, -30.0, -30.0},
                  {2.0, 2.5, -40.0, -40.0}, {2.5, 3.5, -50.0, -50.0}, {3.5, 200.0, -60.0, -60.0}};
    parts.xtot = 200;
    const auto track = MakeTrack(fx, parts);
    const auto run = test::RunOf(fx, fx.WagonType("Ein", 1, 1.0, {}, 1.0, 1.0, 0.0), 1);
    EngineSetup s(fx, track, run, 150, 1.2, 2, 0.001);
    ASSERT_TRUE(s.Prepare());
    const double fm = s.group.Wagen(1).Fm;
    // The head at 2, 4 and 6 m puts the axle at 1, 3 and 5 m.
    EXPECT_NEAR(s.engine.gitter.BNeig[1], 15 / fm, 1e-12) << "on the bound of 0..1 and 1..1.5";
    EXPECT_NEAR(s.engine.gitter.BNeig[2], 50 / fm, 1e-12);
    EXPECT_NEAR(s.engine.gitter.BNeig[3], 60 / fm, 1e-12);
}

TEST(Preparation, UnusableStepIsTakenAsOneMetre) {
    for (double ddx : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        Prepared p(Hump(), 150, ddx);
        ASSERT_TRUE(p.s->Prepare()) << ddx;
        EXPECT_EQ(p.e().gitter.Schritt, 1) << ddx;
        EXPECT_EQ(p.e().gitter.C, -60) << ddx;
    }
}

TEST(Preparation, RunLongerThanTheProfileIsShortenedWithAWarning) {
    Prepared p(Hump(), 250);
    ASSERT_TRUE(p.s->Prepare());
    ASSERT_EQ(p.fx.port.messages().size(), 1u);
    EXPECT_EQ(p.fx.port.messages()[0].kind, MsgKind::Warning);
    EXPECT_EQ(p.fx.port.messages()[0].text,
              "Totallaufweg länger als Streckendefinition in Neigungsdatei\r\nwird auf definierte "
              "Länge von 200 "
              "verkürzt !");
    EXPECT_EQ(p.e().fall.Xtot, 200);
}

TEST(Preparation, StepLimitShortensOrRefusesTheRun) {
    struct Case {
        const char* what;
        TrackParts track;
        double ddx;
        bool prepared;
        std::string message;
    };
    TrackParts longRunIn = Hump();
    longRunIn.neig[0][0] = -100.0;
    const Case cases[] = {
        // Steps of 1/128 m: 7 680 points before the crest, 25 601 over the profile.
        {"too many profile points: cut to the limit", Hump(), 1.0 / 128, true,
         "Zu viele Simulationsschritte!\r\nWird auf maximale Anzahl von 22319 Schritte begrenzt!"},
        // Steps of 1/1024 m: 102 400 points before the crest alone.
        {"the run-in alone exceeds the limit: refused", longRunIn, 1.0 / 1024, false,
         "Zu viele Simulationsschritte!\r\nSimulation wird nicht durchgeführt!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepared p(c.track, 150, c.ddx);
        EXPECT_EQ(p.s->Prepare(), c.prepared);
        ASSERT_EQ(p.fx.port.messages().size(), 1u);
        EXPECT_EQ(p.fx.port.messages()[0].kind, MsgKind::Error);
        EXPECT_EQ(p.fx.port.messages()[0].text, c.message);
        EXPECT_EQ(p.e().gitter.Bereit, c.prepared);
    }
}

TEST(Preparation, HeavyAxlesRaiseTheLastWeightClassOncePerType) {
    // Two retarders of one braking type and a skid whose tables end at 22.5 t; axles of 25 t.
    TrackParts parts = Hump();
    DocFixture fx;
    const auto brake = fx.RetarderType("1BB", {test::Row(0, 10, 800), test::Row(10, 22.5, 1500)},
                                       {test::Row(0, 22.5, 20)});
    const auto skid = fx.RetarderType("AHS", {test::Row(0, 22.5, 0.2)}, {test::Row(0, 22.5, 1)});
    parts.retarders = {test::Retarder(skid, 20, 25, 0), test::Retarder(brake, 40, 60, 5),
                       test::Retarder(brake, 80, 100, 4)};
    const auto track = MakeTrack(fx, parts);
    const auto run = test::RunOf(fx, test::BogieWagon(fx), 1, 25);
    EngineSetup s(fx, track, run, 150, 1.2, 1, 0.001);
    fx.port.Clear();
    ASSERT_TRUE(s.Prepare());
    // Type 1 is the skid (retarder 1, code 0): only its idle table is reported.
    EXPECT_THAT(
        fx.port.texts(),
        ElementsAre(
            "Max. Massenstufe des Leerlaufes AHS kleiner als max. Achslast.\r\nWird auf 25 "
            "gesetzt.",
            "Max. Massenstufe der Bremse 1BB kleiner als max. Achslast.\r\nWird auf 25 gesetzt.",
            "Max. Massenstufe des Leerlaufes 1BB kleiner als max. Achslast.\r\nWird auf 25 "
            "gesetzt."));
    for (const auto& m : fx.port.messages()) EXPECT_EQ(m.kind, MsgKind::Error);
    const TStrecke& g = s.engine.gleis;
    EXPECT_DOUBLE_EQ(g.Typ[1].Kraft[1].Go, 25.001);
    EXPECT_DOUBLE_EQ(g.Typ[1].Leerlauf[1].Go, 25.001);
    EXPECT_DOUBLE_EQ(g.Typ[2].Kraft[2].Go, 25.001);
    EXPECT_DOUBLE_EQ(g.Typ[2].Kraft[1].Go, 10) << "only the last class moves";
    EXPECT_DOUBLE_EQ(g.Typ[2].Leerlauf[1].Go, 25.001);
}

TEST(Preparation, RefusesTracksNotReadyAndGroupsThatCannotRoll) {
    DocFixture fx;
    const auto good = MakeTrack(fx, Hump());
    const auto run = test::RunOf(fx, test::BogieWagon(fx), 1);

    {
        SCOPED_TRACE("track without gradients");
        const auto broken = fx.Track("T", test::Complete(fx, {.neig = test::kNoVariant}));
        EngineSetup s(fx, broken, run, 150, 1.2, 1, 0.001);
        fx.port.Clear();
        EXPECT_FALSE(s.Prepare());
        EXPECT_THAT(fx.port.texts(), IsEmpty()) << "the reader has reported it";
    }
    {
        SCOPED_TRACE("reset group");
        EngineSetup s(fx, good, run, 150, 1.2, 1, 0.001);
        s.engine.PrepareCase(s.exp, 0);
        s.group.ResetValues();
        fx.port.Clear();
        EXPECT_FALSE(s.engine.PrepareGroup(s.group));
        EXPECT_THAT(fx.port.texts(), IsEmpty());
    }
    {
        SCOPED_TRACE("group with a broken mass factor");
        EngineSetup s(fx, good, run, 150, 1.2, 1, 0.001);
        s.engine.PrepareCase(s.exp, 0);
        ASSERT_TRUE(model::RollotEinlesen(s.ctx, s.group, static_cast<int>(run), true, 0));
        s.group.Fmq = 0;
        fx.port.Clear();
        EXPECT_FALSE(s.engine.PrepareGroup(s.group));
        EXPECT_THAT(fx.port.texts(),
                    ElementsAre("Die Daten der Wagengruppe sind unvollständig.\r\nSimulation wird "
                                "nicht durchgeführt!"));
    }
}

}  // namespace
}  // namespace gvm::engine
