// Force model: the angle helpers and the air coefficient, the relative wind, the retarder
// force tables, the static acceleration of a group on small tracks filled in code, the wind
// along a curving track, and the retarder accelerations by code.

#include "engine/force_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "engine_fixture.h"

namespace gvm::engine {
namespace {

using test::DocFixture;
using test::EngineSetup;

constexpr double kPi = std::numbers::pi;

// Air coefficients of the demo run GUT-ZAC1 (index i: i x 10 degrees, [10] mirrors [8]).
constexpr std::array<double, 11> kCt = {0.59, 0.82, 0.96, 0.96, 0.78, 0.59,
                                        0.39, 0.19, 0.12, 0.05, 0.12};

// Value of the parabola through three points, in Lagrange form (independent of the Newton
// form the code uses).
double Lagrange(double x0, double y0, double x1, double y1, double x2, double y2, double x) {
    return y0 * (x - x1) * (x - x2) / ((x0 - x1) * (x0 - x2)) +
           y1 * (x - x0) * (x - x2) / ((x1 - x0) * (x1 - x2)) +
           y2 * (x - x0) * (x - x1) / ((x2 - x0) * (x2 - x1));
}

TEST(ForceModel, ArcSinFullCoversTheWholeCircleWithTheRoundedConstants) {
    struct Case {
        double a, expected;
    };
    const Case cases[] = {
        {0, 0},
        {0.5, std::asin(0.5)},
        {1, 1.570796},
        {3, 1.570796},
        {-0.5, 6.283185 - std::asin(0.5)},
        {-1, 4.712389},
        {-7, 4.712389},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(ArcSinFull(c.a), c.expected) << c.a;
}

TEST(ForceModel, AirCoefficientByAngleOfAttack) {
    struct Case {
        const char* what;
        double alpha, expected;
    };
    const double at30 = 0.5235988;  // a scale point: its own value, no interpolation
    const double mid = 0.45;        // between 20 and 30 degrees: parabola through 20, 30, 40
    const Case cases[] = {
        {"head-on", 0, kCt[0]},
        {"on a scale point", at30, kCt[3]},
        {"between scale points", mid,
         Lagrange(kCtWinkel[3], kCt[2], kCtWinkel[4], kCt[3], kCtWinkel[5], kCt[4], mid)},
        {"negative angle mirrors the sign", -at30, -kCt[3]},
        {"exactly across: no air force", kPi / 2, 0},
        {"exactly from behind pushes", kPi, -kCt[0]},
        {"from behind and aside pushes", kPi - at30, -kCt[3]},
        {"beyond pi folds back", 2 * kPi - at30, kCt[3]},
    };
    for (const Case& c : cases) EXPECT_NEAR(CtAt(c.alpha, kCt), c.expected, 1e-12) << c.what;
}

TEST(ForceModel, RelativeWindAndTheSignOfTheAirForce) {
    struct Case {
        const char* what;
        double v, w, beta;
        bool luft;
        double vr, alpha;
        int sign;  // of the air deceleration: +1 brakes, -1 pushes, 0 none
    };
    const double pi = kPi;
    const Case cases[] = {
        {"no air sections: only the own speed", 5, 4, 0.3, false, 5, 0, +1},
        {"head wind adds up", 5, 4, 0, true, 9, 0, +1},
        {"group faster than a tail wind still meets air", 6, 4, pi, true, 2, 0, +1},
        {"tail wind faster than the group pushes", 1, 4, pi, true, 3, pi, -1},
        {"group at rest in a cross wind", 0, 4, 1.570796, true, 4, 1.570796, +1},
        {"air at rest relative to the group: no force", 4, 4, pi, true, 0, 1.570796, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TRelWind r = RelativeWind(c.v, c.w, c.beta, c.luft);
        EXPECT_NEAR(r.Vr, c.vr, 1e-9);
        EXPECT_NEAR(r.Alpha, c.alpha, 1e-6);
        const double bl =
            r.OhneKraft ? 0.0 : AirDeceleration(CtAt(r.Alpha, kCt), 8.5, r.Vr, 104, 86);
        EXPECT_EQ((bl > 0) - (bl < 0), c.sign) << bl;
        if (c.sign != 0) {
            EXPECT_NEAR(std::fabs(bl),
                        std::fabs(CtAt(r.Alpha, kCt)) * 8.5 * c.vr * c.vr / (16 * 104 * 86), 1e-12);
        }
    }
}

TEST(ForceModel, SpeedClassPicksThreeTablePointsAroundTheSpeed) {
    const std::pair<double, int> cases[] = {{-1, 2},  {0, 2},   {0.1, 2}, {0.2, 3}, {0.99, 5},
                                            {1.0, 6}, {5.9, 8}, {6.0, 8}, {25, 8}};
    for (const auto& [v, j] : cases) EXPECT_EQ(SpeedClass(v), j) << v;
}

TEST(ForceModel, TableForceByWeightClassAndQuadraticInSpeed) {
    // Classes up to 8 t, 16 t and 25 t; forces rise with the class and fall with speed.
    std::array<model::TMassenstufe, 11> rows{};
    const double go[] = {8, 16, 25};
    for (int k = 1; k <= 3; ++k) {
        rows[static_cast<std::size_t>(k)].Go = go[k - 1];
        for (int p = 1; p <= 9; ++p)
            rows[static_cast<std::size_t>(k)].Wert[static_cast<std::size_t>(p)] =
                1000 * k - 10 * p * p;
    }
    const auto value = [&](int k, int p) {
        return rows[static_cast<std::size_t>(k)].Wert[static_cast<std::size_t>(p)];
    };
    struct Case {
        const char* what;
        double load, v;
        double expected;
    };
    const Case cases[] = {
        {"light axle, on a speed point", 5, 1.0, value(1, 5)},
        {"a class reaches up to its bound, exclusive", 8, 1.0, value(2, 5)},
        {"heaviest class", 20, 1.0, value(3, 5)},
        {"heavier than every class: the highest class", 30, 1.0, value(3, 5)},
        {"between points 1 and 2 m/s: parabola through 1, 2, 4 m/s", 20, 1.5,
         Lagrange(1, value(3, 5), 2, value(3, 6), 4, value(3, 7), 1.5)},
        {"above 10 m/s: the last three points", 20, 12,
         Lagrange(4, value(3, 7), 6, value(3, 8), 10, value(3, 9), 12)},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(TableForce(rows, 3, c.load, c.v, SpeedClass(c.v)), c.expected, 1e-9) << c.what;
    EXPECT_EQ(TableForce(rows, 0, 20, 3, SpeedClass(3)), 0) << "a type without rows gives no force";
}

// ---------------------------------------------------------------------------------------------
// Static acceleration on tracks filled in code

enum class Wagon { Bogie, OneAxle };

// One group on a track whose lists the test fills directly in the engine's copy.
struct StaticWorld {
    explicit StaticWorld(Wagon kind, int wagons = 1, double g = 20, double w0 = 2) {
        const std::int64_t type = kind == Wagon::Bogie
                                      ? test::BogieWagon(fx)
                                      : fx.WagonType("Ein", 1, 1.0, {}, 1.0, 1.0, 0.0);
        run = test::RunOf(fx, type, wagons, g, w0);
        s = std::make_unique<EngineSetup>(fx, test::CompleteTrack(fx, {}), run, 500, 1, 1, 0.001);
        s->engine.PrepareCase(s->exp, 0);
        model::RollotEinlesen(s->ctx, s->group, static_cast<int>(run), true, 0);
        // Level, straight, no switches, full rolling resistance over 0..1000 m.
        TStrecke& t = gleis();
        t.Nxs = 1;
        t.X[1] = 0;
        t.X[2] = 1000;
        t.S1[1] = t.S2[1] = 0;
        t.Nbog = 2;
        t.Xr[1] = 0;
        t.Xr[2] = 1000;
        t.Rb[1] = 0;
        t.Nxw = t.NSegW = 0;
        t.Nxwr = 1;
        t.Xrw[1] = 0;
        t.Xrw[2] = 1000;
        t.W1[1] = t.W2[1] = 100;
        t.Nxl = 0;
    }
    TStrecke& gleis() { return s->engine.gleis; }
    model::TWagenGruppeN& group() { return s->group; }
    const model::TWagenN& wagon(int i = 1) { return s->group.Wagen(i); }
    TStatAnteile At(double head) { return s->engine.StatAnteile(s->group, head); }

    DocFixture fx;
    std::int64_t run = 0;
    std::unique_ptr<EngineSetup> s;
};

TEST(StaticAcceleration, LevelStraightTrackGivesTheRollingResistanceOnly) {
    StaticWorld w(Wagon::Bogie, 3, 20, 2.5);
    const TStatAnteile a = w.At(500);
    EXPECT_EQ(a.Neig, 0);
    EXPECT_EQ(a.Bogen, 0);
    EXPECT_EQ(a.Weich, 0);
    // Every wagon alike: -W0 / Fm, whatever the number of wagons.
    EXPECT_NEAR(a.Roll, -2.5 / w.wagon().Fm, 1e-12);
    EXPECT_NEAR(a.Summe(), a.Roll, 1e-15);
}

TEST(StaticAcceleration, GradientFollowsTheSectionsAxleByAxle) {
    // A one-axle wagon (front overhang 1 m) reads the gradient at exactly one point.
    StaticWorld w(Wagon::OneAxle);
    TStrecke& t = w.gleis();
    // 0..50 falling from 0 to -20, 50..50 a corrected zero-length section, 50..100 at -30.
    t.Nxs = 3;
    t.X[1] = 0, t.X[2] = 50, t.X[3] = 50, t.X[4] = 100;
    t.S1[1] = 0, t.S2[1] = -20;
    t.S1[2] = -99, t.S2[2] = -99;
    t.S1[3] = -30, t.S2[3] = -30;
    const double fm = w.wagon().Fm;
    struct Case {
        const char* what;
        double axle;  // position of the axle
        double s;     // gradient there [per mille]
    };
    const Case cases[] = {
        {"inside a section: linear", 25, -10},
        {"exactly on a bound: mean of both sides", 50, (-20 + -30) / 2.0},
        {"in the last section", 75, -30},
        {"before the profile start: first section's start value", -5, 0},
        {"beyond the profile end: last section's end value", 130, -30},
    };
    for (const Case& c : cases) {
        const double neig = w.At(c.axle + 1.0).Neig;
        EXPECT_TRUE(std::isfinite(neig)) << c.what;
        EXPECT_NEAR(neig, -c.s / fm, 1e-12) << c.what;
    }
}

TEST(StaticAcceleration, ReverseCurveUnderOneWagonCancelsPartly) {
    StaticWorld w(Wagon::Bogie);
    TStrecke& t = w.gleis();
    // Straight to 100, right-hand R 200 to 200, left-hand R 200 to 300, straight to 1000.
    t.Nbog = 5;
    t.Xr[1] = 0, t.Xr[2] = 100, t.Xr[3] = 200, t.Xr[4] = 300, t.Xr[5] = 1000;
    t.Rb[1] = 0, t.Rb[2] = 1.0 / 200, t.Rb[3] = -1.0 / 200, t.Rb[4] = 0;
    t.Epsio = 500;
    t.Epsi1 = 100;
    const model::TWagenN& wg = w.wagon();
    ASSERT_DOUBLE_EQ(wg.Sax, 11.8);
    const double perKappa = (100 * wg.Achs + 500) * wg.WagenMasse / (w.group().WGMasse * wg.Fm);
    struct Case {
        const char* what;
        double front;  // front axle position
        double kappa;  // |mean curvature| over the wheelbase [1/m]
    };
    const Case cases[] = {
        {"inside the right-hand curve", 150, 1.0 / 200},
        {"inside the left-hand curve", 250, 1.0 / 200},
        {"half in each: the curvatures cancel", 205.9, 0},
        {"three quarters in the second", 208.85, 0.5 / 200},
        {"half on the straight before", 105.9, 0.5 / 200},
    };
    for (const Case& c : cases) {
        const double bogen = w.At(c.front + wg.AbszisseWG[1]).Bogen;
        EXPECT_NEAR(bogen, -c.kappa * perKappa, 1e-9) << c.what;
    }
    EXPECT_GT(w.At(208.85 + wg.AbszisseWG[1]).Bogen, w.At(150 + wg.AbszisseWG[1]).Bogen)
        << "the reverse curve costs less than either curve";
}

TEST(StaticAcceleration, OneAxleWagonTakesTheCurveAndSwitchAtItsAxle) {
    // Sax = 0: no wheelbase to average over, and no division by it.
    StaticWorld w(Wagon::OneAxle);
    TStrecke& t = w.gleis();
    t.Nbog = 3;
    t.Xr[1] = 0, t.Xr[2] = 100, t.Xr[3] = 1000;
    t.Rb[1] = 0, t.Rb[2] = 1.0 / 250;
    t.Epsio = 500;
    t.Epsi1 = 100;
    t.Nxw = 1;
    t.NSegW = 3;
    t.Xw[1] = 0, t.Xw[2] = 100, t.Xw[3] = 127, t.Xw[4] = 1000;
    t.W[1] = 0, t.W[2] = 1.5, t.W[3] = 0;
    const model::TWagenN& wg = w.wagon();
    ASSERT_EQ(wg.Sax, 0);
    const TStatAnteile a = w.At(111);  // axle at 110
    EXPECT_NEAR(a.Bogen, -(1.0 / 250) * (100 * wg.Achs + 500) / wg.Fm, 1e-12);
    EXPECT_NEAR(a.Weich, -1.5 / wg.Fm, 1e-12);
    const TStatAnteile before = w.At(51);
    EXPECT_EQ(before.Bogen, 0);
    EXPECT_EQ(before.Weich, 0);
}

TEST(StaticAcceleration, SwitchResistanceIsAveragedOverTheWheelbase) {
    StaticWorld w(Wagon::Bogie);
    TStrecke& t = w.gleis();
    t.Nxw = 1;
    t.NSegW = 3;
    t.Xw[1] = 0, t.Xw[2] = 100, t.Xw[3] = 127, t.Xw[4] = 1000;
    t.W[1] = 0, t.W[2] = 1.0, t.W[3] = 0;
    const model::TWagenN& wg = w.wagon();
    const double full = -1.0 * wg.WagenMasse / (w.group().WGMasse * wg.Fm);
    EXPECT_NEAR(w.At(120 + wg.AbszisseWG[1]).Weich, full, 1e-12);
    // Front axle 5.9 m into the switch: half the wheelbase on it.
    EXPECT_NEAR(w.At(105.9 + wg.AbszisseWG[1]).Weich, full / 2, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// Wind along the track

TEST(Wind, AngleTurnsWithTheCurvesPassedAndFlipsForNegativeWind) {
    StaticWorld w(Wagon::Bogie);
    TStrecke& t = w.gleis();
    t.Nbog = 4;
    t.Xr[1] = 0, t.Xr[2] = 100, t.Xr[3] = 150, t.Xr[4] = 1000;
    t.Rb[1] = 0, t.Rb[2] = 0.01, t.Rb[3] = 0;
    t.Nxl = 2;
    t.Vlg = 4;
    t.Xl[1] = 0, t.Xl[2] = 200, t.Xl[3] = 1000;
    t.Vlu[1] = 100, t.Vlo[1] = 50;
    t.Vlu[2] = -50, t.Vlo[2] = -50;
    TEngine& e = w.s->engine;
    e.BetaWind = 1.0;
    e.WindErst = true;
    e.CgVorher = -1e300;
    e.BogenCursor = e.LuftCursor = 1;

    e.WindAt(90);  // first evaluation on the straight: no turn
    EXPECT_DOUBLE_EQ(e.BetaArbeit, 1.0);
    EXPECT_DOUBLE_EQ(e.Wind, 4 * (100 + (50 - 100) * 90 / 200.0) / 100);
    e.WindAt(120);  // 20 m of curve
    EXPECT_NEAR(e.BetaArbeit, 1.0 - 0.2, 1e-12);
    e.WindAt(160);  // the rest of the curve (30 m), then straight
    EXPECT_NEAR(e.BetaArbeit, 1.0 - 0.5, 1e-12);
    e.WindAt(200);  // exactly on an air bound: mean of both sides
    EXPECT_NEAR(e.Wind, 4 * (-50 + 50) / 2.0 / 100, 1e-12);
    e.WindAt(300);  // negative wind: the angle is taken from the other side
    EXPECT_NEAR(e.Wind, -2, 1e-12);
    EXPECT_NEAR(e.BetaArbeit, kPi - 0.5, 1e-12);
}

TEST(Wind, NoAirSectionsMeansNoWind) {
    StaticWorld w(Wagon::Bogie);
    TEngine& e = w.s->engine;
    e.gruppe = &w.group();
    e.WindAt(100);
    EXPECT_EQ(e.Wind, 0);
    e.AirAt(5);
    EXPECT_EQ(e.Vr, 5);
    EXPECT_NEAR(e.Bl, w.group().Ct[0] * w.group().Fl * 25 / (16 * w.group().Fmq * w.group().Sg),
                1e-15);
}

// ---------------------------------------------------------------------------------------------
// Retarder accelerations

// One retarder of a given code on the level track, with a type of three weight classes whose
// braking forces fall with speed and whose idle forces are a tenth of them.
struct RetarderWorld : StaticWorld {
    explicit RetarderWorld(int kod, double vaus = 2.0) : StaticWorld(Wagon::Bogie, 2, 20, 2) {
        TStrecke& t = gleis();
        t.Nxbr = t.Inxbr = 1;
        t.IbrStart = 1;
        t.Kod[1] = kod;
        t.Kodd[1] = 0;
        t.BremsArtNo[1] = 1;
        t.NBremsArt = 1;
        t.Xbu[1] = 100;
        t.Xbo[1] = 130;
        t.Vaus[1] = t.VausGleis[1] = vaus;
        t.Wbr[1] = 80;
        t.Wir[1] = 50;
        t.A1[1] = 1;
        t.A2[1] = 0.25;
        t.A3[1] = 0;
        // Code 8: axle-load factor 1 and wheel-diameter factor 1, so each axle's own exit
        // speed is the retarder's (plus Q).
        t.FaB0[1] = 4.25;
        model::TBremsArt& typ = t.Typ[1];
        typ.Name = "T";
        typ.NKraft = typ.NLeerlauf = 3;
        const double go[] = {8, 16, 25};
        for (std::size_t k = 1; k <= 3; ++k) {
            typ.Kraft[k].Go = typ.Leerlauf[k].Go = go[k - 1];
            for (std::size_t p = 1; p <= 9; ++p) {
                typ.Kraft[k].Wert[p] =
                    1000.0 * static_cast<double>(k) - 20.0 * static_cast<double>(p);
                typ.Leerlauf[k].Wert[p] = typ.Kraft[k].Wert[p] / 10;
            }
        }
        TEngine& e = s->engine;
        e.gruppe = &group();
        e.Q = 0.001;
        e.Ibr1 = e.Ibr2 = 1;
        e.B0 = e.Bo = 0;
        TBremsZustand& z = e.br[1];
        z = TBremsZustand{};
        z.Aktiv = z.Ein = true;
        z.NIn = 3;  // axles 2..4 inside
        z.NextAx = 5;
    }
    // Sum of the table forces [kg] of the axles inside at speed v.
    double Sum(bool idle, double v) {
        const model::TBremsArt& typ = gleis().Typ[1];
        double sum = 0;
        for (int k = 2; k <= 4; ++k) {
            const double load = group().AchsenLast[static_cast<std::size_t>(k)];
            sum += idle ? TableForce(typ.Leerlauf, 3, load, v, SpeedClass(v))
                        : TableForce(typ.Kraft, 3, load, v, SpeedClass(v));
        }
        return sum;
    }
    double Mass() { return group().Sg * group().Fmq; }
};

TEST(RetarderForces, EachCodeActsAsItsTableSays) {
    struct Case {
        const char* what;
        int kod;
        double v, vA;
        double expected;  // brake acceleration times Sg * Fmq [kg]
    };
    // Exit speed 2 m/s, Q 0.001, Wbr 80 %, Wir 50 %, reduction 1 + 0.25 n with n = 3 axles.
    RetarderWorld probe(1);
    const double fb3 = probe.Sum(false, 3), fi3 = probe.Sum(true, 3), fb1 = probe.Sum(false, 1);
    const double red = 1 + 0.25 * 3;
    const Case cases[] = {
        {"code 1 above its exit speed brakes", 1, 3, 3, -fb3 * 0.8},
        {"code 1 at its exit speed does nothing", 1, 2.0005, 3, 0},
        {"code 3 brakes like code 1", 3, 3, 3, -fb3 * 0.8},
        {"code 2 is reduced by the axles inside", 2, 3, 3, -fb3 * 0.8 / red},
        {"code 5 entering fast brakes", 5, 3, 3, -fb3 * 0.8},
        {"code 5 from below its exit speed pushes with its idle force", 5, 3, 1.5, fi3 * 0.5},
        {"code 5 below its exit speed is skipped", 5, 1.5, 1.5, 0},
        {"code 7 below its exit speed drags with its idle force", 7, 1, 1,
         -probe.Sum(true, 1) * 0.5},
        {"code 9 pushes a slow group", 9, 1, 1, fb1 * 0.8 / red},
        {"code 9 leaves a fast group alone", 9, 3, 3, 0},
        {"code 8 axles faster than their own exit speed brake", 8, 3, 3, -fb3 * 0.8},
        {"code 8 axles slower than it drag with their idle force", 8, 1, 1,
         -probe.Sum(true, 1) * 0.5},
        // The skid: first axle's load x the first class's first force x 9.81 x Wbr.
        {"code 0 (skid)", 0, 3, 3, -20 * 980 * 9.81 * 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RetarderWorld w(c.kod);
        const double bbr = w.s->engine.BremsKraefte(c.v, c.vA);
        EXPECT_NEAR(bbr * w.Mass(), c.expected, 1e-6);
    }
}

TEST(RetarderForces, HeavierAxlesThanEveryClassUseTheHighestClass) {
    RetarderWorld w(1);
    const double at25 = w.s->engine.BremsKraefte(3, 3) * w.Mass();
    for (int k = 1; k <= 8; ++k) w.group().AchsenLast[static_cast<std::size_t>(k)] = 40;
    w.group().Sg = w.group().WGMasse = 320;
    const double at40 = w.s->engine.BremsKraefte(3, 3) * w.Mass();
    EXPECT_NEAR(at40, at25, 1e-9) << "same class, same force per axle";
    EXPECT_NE(at25, 0);
}

TEST(RetarderForces, ReductionThatVanishesBrakesUnreduced) {
    // A1 + A2 n + A3 n^2 = 1 - 0.5 * 2 = 0 with two axles inside: no division by zero.
    RetarderWorld w(2);
    w.gleis().A2[1] = -0.5;
    w.s->engine.br[1].NIn = 2;
    w.s->engine.br[1].NextAx = 4;
    const double bbr = w.s->engine.BremsKraefte(3, 3);
    EXPECT_TRUE(std::isfinite(bbr));
    EXPECT_LT(bbr, 0);
}

TEST(RetarderForces, InertOrInactiveRetardersDoNothing) {
    struct Case {
        const char* what;
        int kod;
        bool aktiv, ein;
    };
    const Case cases[] = {{"no usable type", -1, true, true},
                          {"switched off", 1, false, true},
                          {"not yet switched on", 1, true, false}};
    for (const Case& c : cases) {
        RetarderWorld w(c.kod);
        w.s->engine.br[1].Aktiv = c.aktiv;
        w.s->engine.br[1].Ein = c.ein;
        EXPECT_EQ(w.s->engine.BremsKraefte(3, 3), 0) << c.what;
        EXPECT_FALSE(w.s->engine.Wirkt) << c.what;
    }
}

TEST(RetarderForces, DecisiveExitSpeedIsTheLargestOfTheActingBrakes) {
    RetarderWorld w(1, 2.5);
    w.s->engine.BremsKraefte(3, 3);
    EXPECT_TRUE(w.s->engine.Wirkt);
    EXPECT_EQ(w.s->engine.IbrMax, 1);
    EXPECT_EQ(w.s->engine.VausMax, 2.5);
    RetarderWorld conveyor(9, 2.5);
    conveyor.s->engine.BremsKraefte(1, 1);
    EXPECT_EQ(conveyor.s->engine.IbrMax, 0) << "a conveyor never decides the exit speed";
}

TEST(RetarderForces, ConveyorPushesNoFasterThanItsExitSpeed) {
    // A weak push over a long sub-interval stays as it is; a strong push over it would carry
    // the group beyond the exit speed and is cut to what reaches it.
    struct Case {
        const char* what;
        double len;
        bool limited;
    };
    for (const Case& c :
         {Case{"short sub-interval", 0.1, false}, Case{"long sub-interval", 100, true}}) {
        RetarderWorld w(9, 2.5);
        TEngine& e = w.s->engine;
        double xa = 110, va = 1, ta = 0;
        const double bbr = e.TeilBremsung(xa, va, ta, 110 + c.len, 1);
        EXPECT_GT(bbr, 0) << c.what;
        if (c.limited)
            EXPECT_NEAR(bbr, (2.5 - 1) / c.len, 1e-12) << c.what;
        else
            EXPECT_LE(c.len * bbr + va, 2.5) << c.what;
    }
}

}  // namespace
}  // namespace gvm::engine
