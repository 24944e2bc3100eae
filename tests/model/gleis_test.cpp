// Reading a track's section lists into the track model: the shift by Xnull, the bound
// corrections with their exact warnings, the segment lists of curves and switches, the
// limits, and missing variants.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "model/sim_experiment.h"
#include "model/track_reading.h"
#include "support/doc_fixture.h"

namespace gvm::model {
namespace {

using test::Complete;
using test::CompleteTrack;
using test::DocFixture;
using test::kNoVariant;
using test::Rows;
using test::Slots;
using test::TrackReader;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using Refs = DocFixture::TrackRefs;
using SectionRows = std::vector<std::vector<db::Value>>;

TEST(GleisGradients, BoundCorrections) {
    struct Case {
        const char* what;
        SectionRows rows;
        char separator;
        std::vector<std::string> messages;
        std::vector<double> x;  // X[1..Nxs+1]
    };
    const Case cases[] = {
        {"gap closed",
         {{0.0, 100.0, 1.0, 1.0}, {105.0, 200.0, 2.0, 2.0}},
         '.',
         {"Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 105,\r\n"
          "die größer als die obere Grenze des vorherigen Abschnittes Xo= 100 ist.\r\n"
          " Die untere Grenze wird auf Xu= 100 gesetzt."},
         {0, 100, 200}},
        {"overlap cut",
         {{0.0, 100.0, 1.0, 1.0}, {95.0, 200.0, 2.0, 2.0}},
         '.',
         {"Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 95,\r\n"
          "die kleiner als die obere Grenze des vorherigen Abschnittes Xo= 100 ist.\r\n"
          " Die untere Grenze wird auf Xu= 100 gesetzt."},
         {0, 100, 200}},
        {"inverted section",
         {{0.0, 100.0, 1.0, 1.0}, {100.0, 90.0, 2.0, 2.0}},
         '.',
         {"Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 100,\r\n"
          "die größer als die obere Grenze Xo= 90 ist.\r\n"
          " Die obere Grenze wird auf Xo= 100 gesetzt."},
         {0, 100, 100}},
        {"gap within Q",
         {{0.0, 100.0, 1.0, 1.0}, {100.0005, 200.0, 2.0, 2.0}},
         '.',
         {},
         {0, 100.0005, 200}},
        // The corrected bound of one section is what the next one is checked against.
        {"chain of corrections",
         {{0.0, 100.0, 1.0, 1.0}, {50.0, 80.0, 2.0, 2.0}, {80.0, 200.0, 3.0, 3.0}},
         '.',
         {"Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 50,\r\n"
          "die kleiner als die obere Grenze des vorherigen Abschnittes Xo= 100 ist.\r\n"
          " Die untere Grenze wird auf Xu= 100 gesetzt.",
          "Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 100,\r\n"
          "die größer als die obere Grenze Xo= 80 ist.\r\n"
          " Die obere Grenze wird auf Xo= 100 gesetzt.",
          "Neigungsabschnitt Nr. 3 hat untere Grenze Xu= 80,\r\n"
          "die kleiner als die obere Grenze des vorherigen Abschnittes Xo= 100 ist.\r\n"
          " Die untere Grenze wird auf Xu= 100 gesetzt."},
         {0, 100, 100, 200}},
        // Messages show database positions with the locale's separator; X is shifted.
        {"decimal comma, shifted track",
         {{-60.5, 100.0, 1.0, 1.0}, {105.25, 200.0, 2.0, 2.0}},
         ',',
         {"Neigungsabschnitt Nr. 2 hat untere Grenze Xu= 105,25,\r\n"
          "die größer als die obere Grenze des vorherigen Abschnittes Xo= 100 ist.\r\n"
          " Die untere Grenze wird auf Xu= 100 gesetzt."},
         {0, 160.5, 260.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto track = CompleteTrack(fx, {.neig = fx.Gradients("N", 1000, 0, c.rows)});
        TrackReader r(fx, NumberFormat{c.separator});
        const TGleis& g = r.Read(track);
        EXPECT_EQ(fx.port.texts(), c.messages);
        for (const auto& m : fx.port.messages()) {
            EXPECT_EQ(m.kind, MsgKind::Warning);
            EXPECT_EQ(m.buttons, MsgButtons::Ok);
        }
        EXPECT_TRUE(g.DatenBereit());
        const int n = static_cast<int>(c.rows.size());
        ASSERT_EQ(g.Nxs, n);
        EXPECT_THAT(Slots(g.X, 1, n + 1), ElementsAreArray(c.x));
        EXPECT_EQ(g.Xend, c.x.back());
        EXPECT_EQ(g.S1[n], n);
        EXPECT_EQ(g.S2[n], n);
    }
}

TEST(GleisGradients, TrackStartingBeforeTheCrest) {
    struct Case {
        double xtot;
        double expectedXtot;
    };
    // The run length is cut to the track described beyond the crest (last Xo 100).
    for (const Case c : {Case{700, 100}, Case{50, 50}}) {
        SCOPED_TRACE(c.xtot);
        DocFixture fx;
        const auto neig = fx.Gradients("NEIG", c.xtot, -20,
                                       {{-60.0, -6.0, 20.0, 20.0}, {-6.0, 0.0, 20.0, 0.0}, {0.0, 100.0, 0.0, -10.0}});
        TrackReader r(fx);
        const TGleis& g = r.Read(CompleteTrack(fx, {.neig = neig}));
        EXPECT_THAT(fx.port.texts(), IsEmpty());
        EXPECT_EQ(g.NNeig, "NEIG");
        EXPECT_EQ(g.Xnull, -60);
        EXPECT_EQ(g.Xgipf, 60);
        EXPECT_EQ(g.Xstart, 40);  // the variant's Xgipf, shifted
        EXPECT_EQ(g.Xend, 160);
        EXPECT_EQ(g.XtotNeig, c.expectedXtot);
        ASSERT_EQ(g.Nxs, 3);
        EXPECT_EQ(g.X[0], 3);
        EXPECT_THAT(Slots(g.X, 1, 4), ElementsAre(0, 54, 60, 160));
        EXPECT_THAT(Slots(g.S1, 1, 3), ElementsAre(20, 20, 0));
        EXPECT_THAT(Slots(g.S2, 1, 3), ElementsAre(20, 0, -10));
        EXPECT_EQ(g.Xs, g.X);
    }
}

TEST(GleisGradients, MissingOrEmptyVariantOrTrack) {
    struct Case {
        const char* what;
        bool emptyVariant;
        bool unknownTrack;
        const char* message;
    };
    const Case cases[] = {
        {"no such variant", false, false, "Daten der Neigung sind nicht vorhanden !"},
        {"variant without sections", true, false, "Daten der Neigung sind nicht vorhanden !"},
        {"no such track", false, true, "Daten des Gleises sind nicht vorhanden !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto neig = c.emptyVariant ? fx.Gradients("N", 100, 0, {}) : kNoVariant;
        const auto track = CompleteTrack(fx, {.neig = neig});
        TrackReader r(fx);
        const TGleis& g = r.Read(c.unknownTrack ? kNoVariant : track);
        ASSERT_EQ(fx.port.messages().size(), 1u);
        EXPECT_EQ(fx.port.messages()[0].text, c.message);
        EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Error);
        EXPECT_EQ(fx.port.messages()[0].buttons, MsgButtons::Ok);
        EXPECT_FALSE(g.DatenBereit());
        EXPECT_EQ(g.Nxs, 0);
    }
}

TEST(GleisCurves, SegmentsCoverTheWholeTrack) {
    struct Case {
        const char* what;
        SectionRows rows;
        std::vector<double> xr;  // Xr[1..Nbog]
        std::vector<double> rb;  // Rb[1..Nbog-1]
    };
    const Case cases[] = {
        {"one curve in the middle", {{20.0, 50.0, 500.0}}, {0, 20, 50, 1000}, {0, 0.002, 0}},
        {"curve from the start", {{0.0, 30.0, -250.0}}, {0, 30, 1000}, {-0.004, 0}},
        {"adjacent sections, R 0 is straight",
         {{20.0, 50.0, 500.0}, {50.0, 80.0, 0.0}},
         {0, 20, 50, 80, 1000},
         {0, 0.002, 0, 0}},
        {"no sections", {}, {0, 1000}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        TrackReader r(fx);
        const TGleis& g = r.Read(CompleteTrack(fx, {.bogen = fx.Curves("BOG", c.rows, 450, 90)}));
        EXPECT_THAT(fx.port.texts(), IsEmpty());
        EXPECT_EQ(g.NBogn, "BOG");
        EXPECT_EQ(g.Epsio, 450);
        EXPECT_EQ(g.Epsi1, 90);
        EXPECT_EQ(g.Nxr, static_cast<int>(c.rows.size()));
        ASSERT_EQ(g.Nbog, static_cast<int>(c.xr.size()));
        EXPECT_THAT(Slots(g.Xr, 1, g.Nbog), ElementsAreArray(c.xr));
        EXPECT_THAT(Slots(g.Rb, 1, g.Nbog - 1), testing::Pointwise(testing::DoubleEq(), c.rb));
    }
}

// The turning of the track up to the crest goes into the wind direction at the start.
TEST(GleisCurves, TurningUpToTheCrestTurnsTheWind) {
    DocFixture fx;
    const auto neig = fx.Gradients("N", 800, 0, {{-100.0, 900.0, 0.0, 0.0}});
    const auto bogen = fx.Curves("B", {{-80.0, -40.0, 200.0},   // wholly before the crest: 40/200
                                       {-20.0, 20.0, -400.0},   // crest inside: 20/-400
                                       {40.0, 60.0, 100.0}});   // after the crest: not counted
    const auto luft = fx.Air("L", 30, 4, {{-100.0, 0.0, 100.0, 100.0}, {0.0, 900.0, 80.0, 60.0}});
    TrackReader r(fx);
    const TGleis& g = r.Read(CompleteTrack(fx, {.neig = neig, .bogen = bogen, .luft = luft}));
    EXPECT_THAT(fx.port.texts(), IsEmpty());
    EXPECT_DOUBLE_EQ(g.Beta1g, 0.2 - 0.05);
    EXPECT_EQ(g.NLuft, "L");
    EXPECT_EQ(g.Beta0, 30);
    EXPECT_EQ(g.Vlg, 4);
    EXPECT_DOUBLE_EQ(g.Beta10, std::numbers::pi / 6 + 0.15);
    ASSERT_EQ(g.Nxl, 2);
    EXPECT_THAT(Slots(g.Xl, 1, 3), ElementsAre(0, 100, 1000));
    EXPECT_THAT(Slots(g.Vlu, 1, 2), ElementsAre(100, 80));
    EXPECT_THAT(Slots(g.Vlo, 1, 2), ElementsAre(100, 60));
}

TEST(GleisSwitches, SegmentsAndClearanceMarks) {
    DocFixture fx;
    const auto neig = fx.Gradients("N", 100, 0, {{-10.0, 100.0, 0.0, 0.0}});
    // The second switch starts exactly where the first ends and has no clearance mark.
    const auto weich = fx.Switches("WEI", {{0.0, 20.0, 1.0, 30.0}, {20.0, 40.0, 2.0}, {50.0, 60.0, 1.5, 70.0}});
    TrackReader r(fx);
    const TGleis& g = r.Read(CompleteTrack(fx, {.neig = neig, .weich = weich}));
    EXPECT_THAT(fx.port.texts(), IsEmpty());
    EXPECT_EQ(g.NWeich, "WEI");
    EXPECT_EQ(g.KommWeich, "W");
    ASSERT_EQ(g.Nxw, 3);
    EXPECT_THAT(Slots(g.Xw, 1, 8), ElementsAre(0, 10, 30, 30, 50, 60, 70, 110));
    EXPECT_THAT(Slots(g.W, 0, 7), ElementsAre(0, 0, 1, 0, 2, 0, 1.5, 0));
    EXPECT_THAT(Slots(g.Xgrenz, 1, 7), ElementsAre(0, 0, 40, 0, 50, 0, 80));
}

TEST(GleisLists, RollingResistanceAndZonesAreShifted) {
    DocFixture fx;
    const auto neig = fx.Gradients("N", 100, 0, {{-10.0, 100.0, 0.0, 0.0}});
    const auto roll = fx.Rolling("ROLL", {{-10.0, 50.0, 100.0, 100.0}, {50.0, 100.0, 110.0, 120.0}});
    const auto wirk = fx.Zones("WZ", {{5.0, 20.0, "1BB24"}, {25.0, 40.0, "2TB30"}});
    TrackReader r(fx);
    const TGleis& g = r.Read(CompleteTrack(fx, {.neig = neig, .roll = roll, .wirk = wirk}));
    EXPECT_THAT(fx.port.texts(), IsEmpty());
    EXPECT_EQ(g.NRolw, "ROLL");
    EXPECT_EQ(g.KommRoll, "R");
    ASSERT_EQ(g.Nxwr, 2);
    EXPECT_THAT(Slots(g.Xrw, 1, 3), ElementsAre(0, 60, 110));
    EXPECT_THAT(Slots(g.W1, 1, 2), ElementsAre(100, 110));
    EXPECT_THAT(Slots(g.W2, 1, 2), ElementsAre(100, 120));
    EXPECT_EQ(g.NWirk, "WZ");
    EXPECT_EQ(g.KommentWirk, "Z");
    ASSERT_EQ(g.Nxwi, 2);
    EXPECT_THAT(Slots(g.XwiE, 1, 2), ElementsAre(15, 35));
    EXPECT_THAT(Slots(g.XwiA, 1, 2), ElementsAre(30, 50));
    EXPECT_THAT(Slots(g.KommWirk, 1, 2), ElementsAre("1BB24", "2TB30"));
}

// One reader's list: a variant with sections at the given bounds.
using ListBuilder = std::function<Refs(DocFixture&, const std::vector<std::pair<double, double>>&)>;

struct ListKind {
    const char* label;
    ListBuilder build;
};

std::vector<ListKind> SectionLists() {
    return {
        {"Bogenabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({u, o, 300.0});
             return Refs{.bogen = fx.Curves("B", rows)};
         }},
        {"Weichenabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({u, o, 1.0});
             return Refs{.weich = fx.Switches("W", rows)};
         }},
        {"Rollwiderstandsabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({u, o, 100.0, 100.0});
             return Refs{.roll = fx.Rolling("R", rows)};
         }},
        {"Luftwiderstandsabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({u, o, 100.0, 100.0});
             return Refs{.luft = fx.Air("L", 0, 2, rows)};
         }},
        {"Bremseabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             const auto type = fx.RetarderType("1BB", {test::Row(0, 100, 500)}, {test::Row(0, 100, 10)});
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({type, u, o, 2.0, 0.0, 100.0, 100.0});
             return Refs{.brems = fx.Retarders("BR", rows)};
         }},
        {"Wirkzonenabschnitt Nr. ",
         [](DocFixture& fx, const auto& b) {
             SectionRows rows;
             for (auto [u, o] : b) rows.push_back({u, o, "Z"});
             return Refs{.wirk = fx.Zones("Z", rows)};
         }},
    };
}

TEST(GleisLists, OverlapsAreCutAndGapsAllowedInEveryList) {
    for (const ListKind& kind : SectionLists()) {
        SCOPED_TRACE(kind.label);
        {
            DocFixture fx;
            const auto track = CompleteTrack(fx, kind.build(fx, {{0, 50}, {40, 100}}));
            TrackReader r(fx);
            EXPECT_TRUE(r.Read(track).DatenBereit());
            EXPECT_THAT(fx.port.texts(),
                        ElementsAre(std::string(kind.label) +
                                    "2 hat untere Grenze Xu= 40,\r\n"
                                    "die kleiner als die obere Grenze des vorherigen Abschnittes Xo= 50 ist.\r\n"
                                    " Die untere Grenze wird auf Xu= 50 gesetzt."));
        }
        {
            DocFixture fx;
            const auto track = CompleteTrack(fx, kind.build(fx, {{0, 50}, {70, 100}}));
            TrackReader r(fx);
            r.Read(track);
            EXPECT_THAT(fx.port.texts(), IsEmpty());
        }
    }
}

TEST(GleisLists, TooManySectionsUseTheFirstOnes) {
    struct Case {
        const char* what;
        int limit;
        const char* message;
        std::function<Refs(DocFixture&, int)> build;
        std::function<int(const TGleis&)> count;
        std::function<void(const TGleis&)> more;
    };
    // Sections of 5 m every 10 m: each leaves a gap before it, the most segments a list can need.
    const auto spaced = [](int n, auto tail) {
        return Rows(n, [&](int j) {
            std::vector<db::Value> row{10.0 * j + 2, 10.0 * j + 7};
            for (const auto& v : tail) row.push_back(v);
            return row;
        });
    };
    const Case cases[] = {
        {"gradients", 100, "Zu viele Neigungsabschnitte !",
         [](DocFixture& fx, int n) {
             return Refs{.neig = fx.Gradients("N", 2000, 0,
                                              Rows(n, [](int j) {
                                                  return std::vector<db::Value>{10.0 * j, 10.0 * j + 10, 1.0, 1.0};
                                              }))};
         },
         [](const TGleis& g) { return g.Nxs; },
         [](const TGleis& g) {
             EXPECT_EQ(g.Xend, 1000);
             EXPECT_EQ(g.X[101], 1000);
         }},
        {"curves", 50, "Zu viele Bogenabschnitte !",
         [&](DocFixture& fx, int n) { return Refs{.bogen = fx.Curves("B", spaced(n, std::vector<db::Value>{100.0}))}; },
         [](const TGleis& g) { return g.Nxr; },
         [](const TGleis& g) {
             ASSERT_EQ(g.Nbog, 102);
             EXPECT_EQ(g.Xr[101], 497);
             EXPECT_EQ(g.Rb[101], 0);
             EXPECT_EQ(g.Xr[102], 1000);
         }},
        {"switches", 50, "Zu viele Weichenabschnitte !",
         [&](DocFixture& fx, int n) { return Refs{.weich = fx.Switches("W", spaced(n, std::vector<db::Value>{1.0}))}; },
         [](const TGleis& g) { return g.Nxw; },
         [](const TGleis& g) {
             EXPECT_EQ(g.Xw[101], 497);
             EXPECT_EQ(g.W[100], 1);
             EXPECT_EQ(g.W[101], 0);
             EXPECT_EQ(g.Xw[102], 1000);
         }},
        {"rolling resistance", 50, "Zu viele Rollwiderstandsabschnitte !",
         [&](DocFixture& fx, int n) {
             return Refs{.roll = fx.Rolling("R", spaced(n, std::vector<db::Value>{100.0, 100.0}))};
         },
         [](const TGleis& g) { return g.Nxwr; }, [](const TGleis& g) { EXPECT_EQ(g.Xrw[51], 1000); }},
        {"air resistance", 20, "Zu viele Luftwiderstandsabschnitte !",
         [&](DocFixture& fx, int n) {
             return Refs{.luft = fx.Air("L", 0, 1, spaced(n, std::vector<db::Value>{100.0, 100.0}))};
         },
         [](const TGleis& g) { return g.Nxl; }, [](const TGleis& g) { EXPECT_EQ(g.Xl[21], 1000); }},
        {"effect zones", 50, "Zu viele Wirkzonenabschnitte !",
         [&](DocFixture& fx, int n) { return Refs{.wirk = fx.Zones("Z", spaced(n, std::vector<db::Value>{"Z"}))}; },
         [](const TGleis& g) { return g.Nxwi; }, [](const TGleis& g) { EXPECT_EQ(g.XwiA[50], 497); }},
        {"retarders", 50, "Zu viele Bremsen!",
         [&](DocFixture& fx, int n) {
             const auto type = fx.RetarderType("1BB", {test::Row(0, 100, 500)}, {test::Row(0, 100, 10)});
             return Refs{.brems = fx.Retarders(
                             "BR", Rows(n, [&](int j) {
                                 return std::vector<db::Value>{type, 10.0 * j + 2, 10.0 * j + 7, 2.0, 0.0, 100.0, 100.0};
                             }))};
         },
         [](const TGleis& g) { return g.Nxbr; },
         [](const TGleis& g) {
             EXPECT_EQ(g.Xbo[50], 497);
             EXPECT_EQ(g.Xbu[51], 0);  // the spare slot stays empty
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int n : {c.limit, c.limit + 1}) {
            SCOPED_TRACE(n);
            DocFixture fx;
            const auto track = CompleteTrack(fx, c.build(fx, n));
            TrackReader r(fx);
            const TGleis& g = r.Read(track);
            std::vector<std::string> expected;
            if (n > c.limit) expected.push_back(c.message);
            EXPECT_EQ(fx.port.texts(), expected);
            for (const auto& m : fx.port.messages()) EXPECT_EQ(m.kind, MsgKind::Error);
            EXPECT_TRUE(g.DatenBereit());
            EXPECT_EQ(c.count(g), c.limit);
            c.more(g);
        }
    }
}

TEST(GleisLists, MissingVariantsAreAskedFor) {
    struct Case {
        const char* what;
        std::int64_t Refs::*ref;
        const char* message;
        std::function<int(const TGleis&)> count;
    };
    const Case cases[] = {
        {"curves", &Refs::bogen,
         "Daten der Bogen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Bogen) ersetzt !",
         [](const TGleis& g) { return g.Nxr; }},
        {"switches", &Refs::weich,
         "Daten der Weichen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Weichen) ersetzt !",
         [](const TGleis& g) { return g.Nxw; }},
        {"rolling resistance", &Refs::roll,
         "Daten des Rollwiderstands sind nicht vorhanden !\r\nwerden durch implizite Werte (kein Rollwiderstand) "
         "ersetzt !",
         [](const TGleis& g) { return g.Nxwr; }},
        {"air resistance", &Refs::luft,
         "Daten des Luftwiderstands sind nicht vorhanden !\r\nwerden durch implizite Werte (kein Luftwiderstand) "
         "ersetzt !",
         [](const TGleis& g) { return g.Nxl; }},
        {"retarders", &Refs::brems,
         "Daten der Bremsen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Bremsen) ersetzt !",
         [](const TGleis& g) { return g.Nxbr; }},
        {"effect zones", &Refs::wirk,
         "Daten der Wirkzonen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Wirkzonen) ersetzt !",
         [](const TGleis& g) { return g.Nxwi; }},
    };
    struct Answer {
        std::int64_t id;  // 0: the kind switched off in the editor
        MsgAnswer answer;
        bool ready;
    };
    for (const Case& c : cases) {
        for (const Answer a : {Answer{kNoVariant, MsgAnswer::Ok, true}, Answer{0, MsgAnswer::Cancel, false}}) {
            SCOPED_TRACE(std::string(c.what) + " " + ToString(a.answer));
            DocFixture fx;
            Refs refs = Complete(fx, {});
            refs.*c.ref = a.id;
            const auto track = fx.Track("G", refs);
            TrackReader r(fx);
            fx.port.Script(a.answer);
            const TGleis& g = r.Read(track);
            ASSERT_EQ(fx.port.messages().size(), 1u);
            EXPECT_EQ(fx.port.messages()[0].text, c.message);
            EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Warning);
            EXPECT_EQ(fx.port.messages()[0].buttons, MsgButtons::OkCancel);
            EXPECT_EQ(g.DatenBereit(), a.ready);
            EXPECT_EQ(c.count(g), 0);
        }
    }
}

// Nothing of the track read before may survive in the lists of a track without them.
TEST(GleisLists, MissingVariantsLeaveNothingOfTheTrackBefore) {
    DocFixture fx;
    const auto type = fx.RetarderType("62D", {test::Row(0, 100, 500)}, {test::Row(0, 100, 10)});
    const auto full = CompleteTrack(
        fx,
        {.bogen = fx.Curves("B", {{20.0, 50.0, 500.0}}),
         .brems = fx.Retarders("BR", {{type, 100.0, 110.0, 2.0, 0.0, 100.0, 100.0},
                                      {type, 112.0, 122.0, 2.0, 0.0, 100.0, 100.0}}),
         .weich = fx.Switches("W", {{10.0, 20.0, 1.0, 25.0}}),
         .roll = fx.Rolling("R", {{0.0, 1000.0, 100.0, 100.0}}),
         .wirk = fx.Zones("Z", {{10.0, 30.0, "62D"}})});
    const auto bare = fx.Track("BARE", {.neig = fx.Gradients("N2", 500, 0, {{0.0, 500.0, 0.0, 0.0}}),
                                        .bogen = kNoVariant,
                                        .brems = kNoVariant,
                                        .weich = kNoVariant,
                                        .roll = kNoVariant,
                                        .luft = kNoVariant,
                                        .wirk = kNoVariant});
    TrackReader r(fx);
    r.Read(full);
    ASSERT_EQ(r.exp.Gleis().Nbog, 4);
    ASSERT_EQ(r.exp.Gleis().Kodd[2], 2);
    fx.port.Clear();

    const TGleis& g = r.Read(bare);
    EXPECT_EQ(fx.port.texts().size(), 6u);
    EXPECT_TRUE(g.DatenBereit());
    EXPECT_EQ(g.Nbog, 2);
    EXPECT_THAT(Slots(g.Xr, 1, 2), ElementsAre(0, 500));
    EXPECT_EQ(g.Rb[1], 0);
    EXPECT_EQ(g.NBogn, "");
    EXPECT_EQ(g.Nxw, 0);
    EXPECT_EQ(g.Nxwr, 0);
    EXPECT_EQ(g.Nxwi, 0);
    EXPECT_EQ(g.Nxbr, 0);
    EXPECT_EQ(g.Inxbr, 0);
    EXPECT_EQ(g.IbrStart, 0);
    EXPECT_EQ(g.NBremsArt, 0);
    EXPECT_EQ(g.Kod[1], 0);
    EXPECT_EQ(g.Kodd[2], 0);
    EXPECT_EQ(g.Bauart[1], "");
}

TEST(GleisReading, CorrectionsStayInMemory) {
    DocFixture fx;
    const auto track = CompleteTrack(fx, {.neig = fx.Gradients("N", 500, 0, {{0.0, 100.0, 1.0, 1.0},
                                                                             {105.0, 200.0, 2.0, 2.0}})});
    TrackReader r(fx);
    EXPECT_EQ(r.Read(track).X[2], 100);
    auto& main = fx.main.cds;
    ASSERT_TRUE(main.GleisCDS.Locate("ID_Gleis", track));
    ASSERT_TRUE(main.NeigungCDS.Locate("ID_Neig", main.GleisCDS.FieldByName("ID_Neig").AsInteger()));
    main.NeigAbschCDS.Last();
    EXPECT_EQ(main.NeigAbschCDS.FieldByName("Xu").AsFloat(), 105);
}

// The shipped demo project reads with plausible values. Its effect zones overlap one
// another, which the reader reports like any other overlap: those warnings are the only
// messages allowed.
TEST(GleisReading, DemoDatabase) {
    DocFixture fx;
    fx.main.AttachDocument(tools::BuildDemoDocument());
    ASSERT_TRUE(fx.main.ProjektCDS.Locate("ProjektName", std::string("Demo")));
    fx.project = fx.main.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
    TrackReader r(fx);
    const auto trackId = [&](const char* name) {
        db::Cursor& gleis = r.ctx.load.cds.GleisCDS;
        EXPECT_TRUE(gleis.Locate("Name", std::string(name)));
        return gleis.FieldByName("ID_Gleis").AsInteger();
    };
    struct Case {
        const char* track;
        int nxbr;
        std::vector<int> kod;
        std::vector<int> kodd;
    };
    for (const Case& c : {Case{"HUMP-DEMO", 4, {1, 1, 2, 3}, {0, 0, 0, 0}},
                          Case{"HUMP-BKINA", 5, {1, 1, 2, 6, 6}, {0, 0, 0, 1, 2}}}) {
        SCOPED_TRACE(c.track);
        fx.port.Clear();
        const TGleis& g = r.Read(trackId(c.track));
        EXPECT_THAT(fx.port.texts(), testing::IsEmpty());
        EXPECT_TRUE(g.DatenBereit());
        EXPECT_EQ(g.Nxs, 13);
        EXPECT_EQ(g.Xnull, -60);
        EXPECT_EQ(g.Xgipf, 60);
        EXPECT_EQ(g.Xend, 760);
        EXPECT_EQ(g.XtotNeig, 700);
        EXPECT_EQ(g.Nxr, 3);
        EXPECT_EQ(g.Nbog, 8);
        EXPECT_EQ(g.Nxw, 5);
        EXPECT_EQ(g.Nxwr, 2);
        EXPECT_EQ(g.Nxl, 3);
        EXPECT_EQ(g.Nxwi, 5);
        EXPECT_EQ(g.Nxbr, c.nxbr);
        EXPECT_EQ(g.Inxbr, c.nxbr);
        EXPECT_EQ(g.IbrStart, 2);
        EXPECT_EQ(g.Io4, 5);
        EXPECT_THAT(Slots(g.Kod, 1, c.nxbr), ElementsAreArray(c.kod));
        EXPECT_THAT(Slots(g.Kodd, 1, c.nxbr), ElementsAreArray(c.kodd));
        EXPECT_EQ(g.Xbu[1], 12);
        EXPECT_EQ(g.Xein[2], 118);
        for (int i = 1; i <= c.nxbr; ++i) {
            EXPECT_EQ(g.Lbr[i], 3) << i;
            EXPECT_EQ(g.Lcbr[i], 3) << i;
        }
    }
}

}  // namespace
}  // namespace gvm::model
