// Reading runs into wagon groups: axle geometry, masses and weighted means, append mode,
// and the runs that are refused (the group is then an empty one-axle dummy).

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/wagon_group.h"
#include "support/doc_fixture.h"

namespace gvm::model {
namespace {

using test::DocFixture;

constexpr double kEps = 1e-9;
constexpr double kFm = 101.9368;

// What every successful reading must leave, whatever the wagons.
void ExpectConsistent(const TWagenGruppeN& g) {
    ASSERT_GE(g.WagenAnzahl(), 1);
    ASSERT_EQ(g.Abszisse.size(), static_cast<std::size_t>(g.NAchs + 2));
    ASSERT_EQ(g.AchsenLast.size(), g.Abszisse.size());
    ASSERT_EQ(g.RadDurchMesser.size(), g.Abszisse.size());
    EXPECT_EQ(g.Abszisse[static_cast<std::size_t>(g.NAchs + 1)], kAbszisseSentinel);

    int axles = 0;
    double wagonLength = 0, axleMass = 0;
    std::size_t k = 0;
    for (int i = 1; i <= g.WagenAnzahl(); ++i) {
        const TWagenN& w = g.Wagen(i);
        axles += w.NAchs;
        EXPECT_NEAR(w.AbszisseWagen[0], wagonLength, kEps) << "wagon " << i << " does not start where the last ended";
        wagonLength += w.Sx;
        for (int l = 1; l <= w.NAchs; ++l) {
            ++k;
            EXPECT_EQ(g.Abszisse[k], w.AbszisseWG[static_cast<std::size_t>(l)]);
            if (l > 1) {
                EXPECT_GT(g.Abszisse[k], g.Abszisse[k - 1]) << "axle " << k << " within wagon " << i;
            } else if (k > 1) {
                EXPECT_GE(g.Abszisse[k], g.Abszisse[k - 1]) << "axle " << k;
            }
        }
    }
    for (std::size_t a = 1; a <= static_cast<std::size_t>(g.NAchs); ++a) axleMass += g.AchsenLast[a];
    EXPECT_EQ(g.NAchs, axles);
    EXPECT_NEAR(g.Sx, wagonLength, kEps);
    EXPECT_NEAR(g.WGMasse, axleMass, kEps);
    EXPECT_EQ(g.Sg, g.WGMasse);
    EXPECT_EQ(g.Ok1(), g.Abszisse[1]);
}

void ExpectDummy(const TWagenGruppeN& g) {
    EXPECT_EQ(g.WagenAnzahl(), 0);
    EXPECT_EQ(g.NAchs, 1);
    EXPECT_EQ(g.Sx, 0.0);
    EXPECT_EQ(g.WGMasse, 0.0);
    EXPECT_EQ(g.Abszisse, (std::vector<double>{0.0, 0.0, kAbszisseSentinel}));
    EXPECT_EQ(g.AchsenLast.size(), 3u);
    EXPECT_EQ(g.RadDurchMesser.size(), 3u);
}

TEST(WagonGroup, TwoFourAxleWagonsGiveTheAxleListOfTheGroup) {
    DocFixture fx;
    const auto type = fx.WagonType("Eanos", 4, 1.5, {1.8, 6.0, 1.8}, 1.5, 1.8, 2.0, 20.0, 1.5, 880);
    fx.WagonType("Other", 2, 1.0, {5.0}, 1.0);
    const auto run = fx.Run("GRP-2", {{type, 20.0, 1.5}, {type, 22.5, 1.7}}, 1.25, 9.5);
    ModelContext ctx(fx.Loaded(), fx.port);
    // The catalogue cursor is shared with the windows: reading must leave it in place.
    ctx.load.cds.WagKatCDS.Last();
    const auto katPosition = ctx.load.cds.WagKatCDS.GetBookmark();

    TWagenGruppeN g;
    ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(run), true, 0xFF0000));
    EXPECT_TRUE(fx.port.messages().empty());
    ExpectConsistent(g);
    EXPECT_EQ(ctx.load.cds.WagKatCDS.GetBookmark(), katPosition);

    const std::vector<double> axles{0, 1.5, 3.3, 9.3, 11.1, 14.1, 15.9, 21.9, 23.7, kAbszisseSentinel};
    ASSERT_EQ(g.Abszisse.size(), axles.size());
    for (std::size_t k = 0; k < axles.size(); ++k) EXPECT_NEAR(g.Abszisse[k], axles[k], kEps) << "axle " << k;
    EXPECT_EQ(g.AchsenLast, (std::vector<double>{0, 20, 20, 20, 20, 22.5, 22.5, 22.5, 22.5, 0}));
    EXPECT_EQ(g.RadDurchMesser, (std::vector<double>{0, 880, 880, 880, 880, 880, 880, 880, 880, 0}));

    for (int i = 1; i <= 2; ++i) {
        EXPECT_NEAR(g.Wagen(i).Sx, 12.6, kEps);
        EXPECT_NEAR(g.Wagen(i).Sax, 9.6, kEps);
        EXPECT_NEAR(g.Wagen(i).Oq, 6.3, kEps) << "wagon Oq counts from the wagon's own front";
        EXPECT_EQ(g.Wagen(i).Barva, 0xFF0000u);
    }
    EXPECT_NEAR(g.Wagen(2).AbszisseWagen[0], 12.6, kEps);
    EXPECT_NEAR(g.Wagen(2).WagenMasse, 90.0, kEps);
    EXPECT_NEAR(g.Wagen(2).Wr0, 1.7, kEps);

    EXPECT_EQ(g.NameWG, "GRP-2");
    EXPECT_NEAR(g.Sx, 25.2, kEps);
    EXPECT_EQ(g.NAchs, 8);
    EXPECT_NEAR(g.WGMasse, 170.0, kEps);
    EXPECT_EQ(g.AchsLast, 22.5);
    EXPECT_EQ(g.Vu, 1.5);
    EXPECT_EQ(g.Hu, 1.5);
    EXPECT_EQ(g.Ok9(), g.Abszisse[8]);
    EXPECT_EQ(g.Cct, 1.25);
    EXPECT_EQ(g.Fl, 9.5);
    for (std::size_t i = 0; i < 10; ++i) EXPECT_NEAR(g.Ct[i], 0.1 * static_cast<double>(i + 1), kEps);
    EXPECT_EQ(g.Ct[10], g.Ct[8]) << "100 degrees mirrors 80 degrees";

    EXPECT_EQ(ctx.lastRun.Name, "GRP-2");
    EXPECT_EQ(ctx.lastRun.WagenAnzahl, 2);
    EXPECT_NEAR(ctx.lastRun.Laenge, 25.2, kEps);
    EXPECT_EQ(ctx.lastRun.MaxAchsLast, 22.5);
}

TEST(WagonGroup, WagonTypeGeometryAndCatalogueDefaults) {
    struct Case {
        const char* what;
        int naw;
        double vu;
        std::vector<double> dx;
        double hu, rho;
        std::int64_t mdw;
        double sx, sax, mdwRead, fm;
    };
    const Case cases[] = {
        {"one axle: no wheelbase", 1, 2.0, {}, 3.0, 0.0, 900, 5.0, 0.0, 900.0, kFm},
        {"stored diameter 0 means 920 mm", 2, 1.0, {4.0}, 1.2, 5.0, 0, 6.2, 4.0, 920.0, 1.05 * kFm},
        {"six axles use all five spacings", 6, 1.0, {1.5, 1.5, 5.0, 1.5, 1.5}, 1.0, -10.0, 840, 13.0, 11.0, 840.0,
         0.9 * kFm},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto type = fx.WagonType("T", c.naw, c.vu, c.dx, c.hu, 1.8, c.rho, 20.0, 1.5, c.mdw);
        const auto run = fx.Run("R", {{type, 10.0, 1.5}});
        ModelContext ctx(fx.Loaded(), fx.port);
        TWagenGruppeN g;
        ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(run), true, 0));
        ExpectConsistent(g);
        const TWagenN& w = g.Wagen(1);
        EXPECT_EQ(w.NAchs, c.naw);
        EXPECT_NEAR(w.Sx, c.sx, kEps);
        EXPECT_NEAR(w.Sax, c.sax, kEps);
        EXPECT_EQ(w.Mdw, c.mdwRead);
        EXPECT_EQ(g.RadDurchMesser[1], c.mdwRead);
        EXPECT_NEAR(w.Fm, c.fm, 1e-9);
        EXPECT_NEAR(g.Fmq, c.fm, 1e-9);
        EXPECT_NEAR(g.Sx, c.sx, kEps);
        EXPECT_NEAR(g.Ok9() - g.Ok1(), c.sax, kEps);
    }
}

TEST(WagonGroup, CentreOfGravityAndMassFactorAreWeightedByMass) {
    DocFixture fx;
    const auto light = fx.WagonType("L", 2, 1.0, {4.0}, 1.0, 1.8, 0.0);
    const auto heavy = fx.WagonType("H", 2, 2.0, {6.0}, 2.0, 1.8, 10.0);
    // Stored out of order: the group follows Ord, not the order of entry.
    const auto run = fx.Run("MIX", {});
    fx.Append(fx.main.cds.WagenCDS, {{"ID_Rollot", run}, {"ID_WagenTyp", heavy}, {"Ord", std::int64_t{2}},
                                     {"G", 20.0}, {"W0grund", 1.5}});
    fx.Append(fx.main.cds.WagenCDS, {{"ID_Rollot", run}, {"ID_WagenTyp", light}, {"Ord", std::int64_t{1}},
                                     {"G", 10.0}, {"W0grund", 1.5}});
    ModelContext ctx(fx.Loaded(), fx.port);
    TWagenGruppeN g;
    ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(run), true, 0));
    ExpectConsistent(g);

    // Light wagon: axles at 1 and 5 (20 t); heavy wagon from 6: axles at 8 and 14 (40 t).
    EXPECT_EQ(g.Wagen(1).AchsLast, 10.0);
    EXPECT_NEAR(g.Wagen(2).Oq, 5.0, kEps);
    EXPECT_NEAR(g.Oq, (1 * 10 + 5 * 10 + 8 * 20 + 14 * 20) / 60.0, kEps);
    EXPECT_NEAR(g.Fmq, (20 * kFm + 40 * 1.1 * kFm) / 60.0, 1e-9);
    EXPECT_EQ(g.Vu, 1.0);
    EXPECT_EQ(g.Hu, 2.0);
    EXPECT_EQ(g.AchsLast, 20.0);
    EXPECT_EQ(ctx.lastRun.MaxAchsLast, 20.0);
}

TEST(WagonGroup, AppendModeExtendsTheGroupBehindItsLastWagon) {
    DocFixture fx;
    const auto four = fx.WagonType("Four", 4, 1.5, {1.8, 6.0, 1.8}, 1.5);
    const auto two = fx.WagonType("Two", 2, 1.0, {5.0}, 2.0, 1.8, 0.0, 20.0, 1.5, 0);
    const auto first = fx.Run("FIRST", {{four, 22.0, 1.5}}, 1.1, 7.0);
    const auto train = fx.Run("TRAIN", {{two, 15.0, 1.5}, {two, 16.0, 1.5}}, 2.2, 11.0);
    DocFixture::Set(fx.main.cds.RolloteCDS, {{"ct1", 5.0}, {"ct9", 7.0}});
    ModelContext ctx(fx.Loaded(), fx.port);

    TWagenGruppeN g;
    ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(first), true, 0x00FF00));
    ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(train), false, 0x0000FF));
    ExpectConsistent(g);

    EXPECT_EQ(g.NameWG, "TRAIN");
    EXPECT_EQ(g.Cct, 1.1);
    EXPECT_EQ(g.Fl, 7.0);
    EXPECT_NEAR(g.Ct[0], 0.1, kEps);
    EXPECT_NEAR(g.Ct[10], 0.9, kEps);

    ASSERT_EQ(g.WagenAnzahl(), 3);
    EXPECT_EQ(g.NAchs, 8);
    // FIRST is 12.6 m long; each Two wagon 8 m.
    const std::vector<double> axles{0, 1.5, 3.3, 9.3, 11.1, 13.6, 18.6, 21.6, 26.6, kAbszisseSentinel};
    ASSERT_EQ(g.Abszisse.size(), axles.size());
    for (std::size_t k = 0; k < axles.size(); ++k) EXPECT_NEAR(g.Abszisse[k], axles[k], kEps) << "axle " << k;
    EXPECT_EQ(g.RadDurchMesser[4], 880.0);
    EXPECT_EQ(g.RadDurchMesser[5], 920.0);
    EXPECT_NEAR(g.Sx, 28.6, kEps);
    EXPECT_NEAR(g.WGMasse, 4 * 22.0 + 2 * 15.0 + 2 * 16.0, kEps);
    EXPECT_NEAR(g.Oq, (22.0 * (1.5 + 3.3 + 9.3 + 11.1) + 15.0 * (13.6 + 18.6) + 16.0 * (21.6 + 26.6)) / 150.0,
                kEps);
    EXPECT_EQ(g.Vu, 1.5);
    EXPECT_EQ(g.Hu, 2.0);
    EXPECT_EQ(g.Wagen(1).Barva, 0x00FF00u);
    EXPECT_EQ(g.Wagen(3).Barva, 0x0000FFu);

    EXPECT_EQ(ctx.lastRun.Name, "TRAIN");
    EXPECT_EQ(ctx.lastRun.WagenAnzahl, 3);
    EXPECT_NEAR(ctx.lastRun.Laenge, 28.6, kEps);
    EXPECT_EQ(ctx.lastRun.MaxAchsLast, 22.0) << "the largest load of the whole group, earlier wagons included";
}

TEST(WagonGroup, RefusedRunsLeaveAnEmptyDummyGroup) {
    struct Case {
        const char* what;
        bool clear;
        // Adds the run to read and returns its identifier.
        std::function<std::int64_t(DocFixture&)> run;
        std::string message;
    };
    const Case cases[] = {
        {"run not found", true, [](DocFixture&) { return std::int64_t{424242}; },
         "Daten der Wagengruppe sind nicht vorhanden !"},
        {"wagon type missing from the catalogue", true,
         [](DocFixture& fx) {
             const auto t = fx.WagonType("Gbs", 2, 1, {5}, 1);
             return fx.Run("GRP-3", {{t, 20, 1.5}, {t, 20, 1.5}, {987654, 20, 1.5}});
         },
         "Der Wagen Nr. 3 des Rollots \"GRP-3\" hat einen unbekannten Wagentyp."},
        {"unknown type appended", false,
         [](DocFixture& fx) { return fx.Run("APP", {{987654, 20, 1.5}}); },
         "Der Wagen Nr. 1 des Rollots \"APP\" hat einen unbekannten Wagentyp."},
        {"run without wagons", true, [](DocFixture& fx) { return fx.Run("X", {}); },
         "Das Rollot \"X\" enthält keine Wagen."},
        {"seven axles", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Gbs", 7, 1, {1, 1, 1, 1, 1}, 1), 20, 1.5}}); },
         "Der Wagentyp \"Gbs\" hat 7 Achsen; zulässig sind 1 bis 6."},
        {"no axles", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Null", 0, 1, {}, 1), 20, 1.5}}); },
         "Der Wagentyp \"Null\" hat 0 Achsen; zulässig sind 1 bis 6."},
        {"zero axle load", true,
         [](DocFixture& fx) {
             const auto t = fx.WagonType("Gbs", 2, 1, {5}, 1);
             return fx.Run("X", {{t, 20, 1.5}, {t, 0, 1.5}});
         },
         "Der Wagen Nr. 2 des Rollots \"X\" hat keine positive Achslast."},
        {"negative axle load", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Gbs", 2, 1, {5}, 1), -3, 1.5}}); },
         "Der Wagen Nr. 1 des Rollots \"X\" hat keine positive Achslast."},
        {"rotating mass cancels the mass", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Rho", 2, 1, {5}, 1, 1.8, -100), 20, 1.5}}); },
         "Der Wagentyp \"Rho\" hat einen Drehmassenzuschlag von -100 %; zulässig sind Werte über -100 %."},
        {"zero axle spacing", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Dx", 3, 1, {2, 0}, 1), 20, 1.5}}); },
         "Der Wagentyp \"Dx\" hat keinen positiven Achsabstand Dx2."},
        {"negative overhang", true,
         [](DocFixture& fx) { return fx.Run("X", {{fx.WagonType("Vu", 2, -0.5, {5}, 1), 20, 1.5}}); },
         "Der Wagentyp \"Vu\" hat einen negativen Überhang."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto good = fx.Run("GOOD", {{fx.WagonType("Ok", 2, 1, {5}, 1), 20, 1.5}});
        const auto bad = c.run(fx);
        ModelContext ctx(fx.Loaded(), fx.port);
        TWagenGruppeN g;
        ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(good), true, 0));
        fx.port.Clear();

        EXPECT_FALSE(RollotEinlesen(ctx, g, static_cast<int>(bad), c.clear, 0));
        ASSERT_EQ(fx.port.messages().size(), 1u);
        EXPECT_EQ(fx.port.messages()[0].text, c.message);
        EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Error);
        EXPECT_EQ(fx.port.messages()[0].buttons, MsgButtons::Ok);
        ExpectDummy(g);
        EXPECT_EQ(g.Ok1(), 0.0);
        EXPECT_EQ(g.Abszisse[static_cast<std::size_t>(g.NAchs + 1)], kAbszisseSentinel);
    }
}

TEST(WagonGroup, ReadingAfterARefusalStartsAfresh) {
    DocFixture fx;
    const auto t = fx.WagonType("Ok", 2, 1, {5}, 1);
    const auto good = fx.Run("GOOD", {{t, 20, 1.5}});
    ModelContext ctx(fx.Loaded(), fx.port);
    TWagenGruppeN g;
    EXPECT_FALSE(RollotEinlesen(ctx, g, 424242, true, 0));
    // Appending to the dummy puts the run at the front, not behind a phantom wagon.
    ASSERT_TRUE(RollotEinlesen(ctx, g, static_cast<int>(good), false, 0));
    ExpectConsistent(g);
    EXPECT_EQ(g.Abszisse[1], 1.0);
    EXPECT_EQ(g.WagenAnzahl(), 1);
}

}  // namespace
}  // namespace gvm::model
