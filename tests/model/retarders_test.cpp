// Reading retarders and their catalogue types: the per-retarder arrays, type codes, force
// tables, the type table limit, pairing of double retarders, the checks after reading and
// retarders whose type cannot be used.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "model/sim_experiment.h"
#include "model/track_reading.h"
#include "support/doc_fixture.h"

namespace gvm::model {
namespace {

using test::CompleteTrack;
using test::DocFixture;
using test::ForceRow;
using test::kNoVariant;
using test::Row;
using test::Slots;
using test::TrackReader;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using SectionRows = std::vector<std::vector<db::Value>>;

// A retarder row: type, bounds, exit speed 2 m/s, no switch-on point, full effect.
std::vector<db::Value> At(std::int64_t type, double xu, double xo) { return {type, xu, xo, 2.0, 0.0, 100.0, 100.0}; }

// A type with one weight class of healthy forces.
std::int64_t Type(DocFixture& fx, const std::string& name, double a0 = 1, double a1 = 0, double a2 = 0) {
    return fx.RetarderType(name, {Row(0, 100, 500)}, {Row(0, 100, 10)}, a0, a1, a2);
}

// Retarders on a track from -100 m (crest at profile position 100) to 900 m.
std::int64_t HumpTrack(DocFixture& fx, const SectionRows& retarders) {
    return CompleteTrack(fx, {.neig = fx.Gradients("N", 900, 0, {{-100.0, 900.0, 0.0, 0.0}}),
                              .brems = fx.Retarders("BR", retarders)});
}

TEST(Retarders, ValuesOfRetardersAndTypes) {
    DocFixture fx;
    const auto bb = fx.RetarderType("1BB24X", {Row(0, 8, 700), Row(8, 16, 1400)},
                                    {Row(0, 8, 12), Row(8, 16, 16), Row(16, 25, 20)}, 1, 0.5, 0.25, 0.3, 0.2);
    const auto last = Type(fx, "9X");
    const auto track = CompleteTrack(
        fx, {.neig = fx.Gradients("N", 900, 0, {{-60.0, 900.0, 0.0, 0.0}}),
             .brems = fx.Retarders("BR", {{bb, -48.0, -36.0, 1.2, 0.0, 90.0, 80.0},
                                          {bb, 68.0, 92.0, 6.0, 58.0, 100.0, 100.0},
                                          {last, 200.0, 210.0, 3.0, 0.0, 100.0, 100.0}})});
    TrackReader r(fx);
    const TGleis& g = r.Read(track);
    EXPECT_THAT(fx.port.texts(), IsEmpty());
    EXPECT_EQ(g.NBrems, "BR");
    EXPECT_EQ(g.KommBrems, "B");
    ASSERT_EQ(g.Nxbr, 3);
    EXPECT_EQ(g.Inxbr, 2);  // a code 9 at the end is not counted
    EXPECT_EQ(g.IbrStart, 2);
    EXPECT_THAT((std::vector<int>{g.Io1, g.Io2, g.Io3, g.Io4}), ElementsAre(2, 3, 4, 5));

    EXPECT_THAT(Slots(g.Xbu, 1, 3), ElementsAre(12, 128, 260));
    EXPECT_THAT(Slots(g.Xbo, 1, 3), ElementsAre(24, 152, 270));
    EXPECT_THAT(Slots(g.Xein, 1, 3), ElementsAre(0, 118, 0));  // 0: no switch-on point
    EXPECT_THAT(Slots(g.Vaus, 1, 3), ElementsAre(1.2, 6, 3));
    EXPECT_EQ(g.VausGleis, g.Vaus);
    EXPECT_THAT(Slots(g.Wbr, 1, 3), ElementsAre(90, 100, 100));
    EXPECT_THAT(Slots(g.Wir, 1, 3), ElementsAre(80, 100, 100));
    EXPECT_THAT(Slots(g.IDBauart, 1, 3), ElementsAre(bb, bb, last));
    EXPECT_THAT(Slots(g.Bauart, 1, 3), ElementsAre("1BB24", "1BB24", "9X"));
    EXPECT_THAT(Slots(g.Kod, 1, 3), ElementsAre(1, 1, 9));
    EXPECT_THAT(Slots(g.Lbr, 1, 3), ElementsAre(2, 2, 1));
    EXPECT_THAT(Slots(g.Lcbr, 1, 3), ElementsAre(3, 3, 1));
    EXPECT_THAT(Slots(g.A1, 1, 2), ElementsAre(1, 1));
    EXPECT_THAT(Slots(g.A2, 1, 2), ElementsAre(0.5, 0.5));
    EXPECT_THAT(Slots(g.A3, 1, 2), ElementsAre(0.25, 0.25));
    EXPECT_EQ(g.Vaus_plus[2], 0.3);
    EXPECT_EQ(g.Vaus_minus[2], 0.2);
    EXPECT_EQ(g.KommBrmar[1], "Typ 1BB24X");

    ASSERT_EQ(g.NBremsArt, 2);
    EXPECT_THAT(Slots(g.BremsArtNo, 1, 3), ElementsAre(1, 1, 2));
    EXPECT_THAT(Slots(g.IDBremsTyp, 1, 2), ElementsAre(bb, last));
    const TBremsArt& art = *g.Bremsen[1];
    EXPECT_EQ(art.Name, "1BB24");
    ASSERT_EQ(art.NKraft, 2);
    EXPECT_EQ(art.Kraft[2].Go, 16);
    EXPECT_EQ(art.Kraft[2].Wert[9], 1400);
    ASSERT_EQ(art.NLeerlauf, 3);
    EXPECT_EQ(art.Leerlauf[3].Go, 25);
    EXPECT_EQ(art.Leerlauf[3].Wert[1], 20);
}

TEST(Retarders, TypeCodeFromTheName) {
    struct Case {
        const char* name;
        int kod;
    };
    for (const Case c : {Case{"1BB", 1}, Case{"A1", 0}, Case{"aBC", 0}, Case{"3", 3}, Case{"6", 6}, Case{"62D", 6},
                         Case{"8KB", 8}}) {
        SCOPED_TRACE(c.name);
        DocFixture fx;
        const auto type = Type(fx, c.name);
        TrackReader r(fx);
        const TGleis& g = r.Read(HumpTrack(fx, {At(type, 20, 30)}));
        EXPECT_THAT(fx.port.texts(), IsEmpty());
        EXPECT_EQ(g.Kod[1], c.kod);
        EXPECT_EQ(g.Lbr[1], 1);
        EXPECT_EQ(g.Kodd[1], 0);  // a double retarder needs a partner
    }
}

TEST(Retarders, Code8TakesTheAxleLoadCoefficients) {
    DocFixture fx;
    const auto type = Type(fx, "8KB");
    DocFixture::Set(fx.main.cds.BremsenKatCDS,
                    {{"B0", 1.5}, {"B1", 0.25}, {"B2", -0.125}, {"B3", 0.5}, {"C0", -2.0}, {"C1", 0.75}});
    const auto other = Type(fx, "1BB");
    TrackReader r(fx);
    const TGleis& g = r.Read(HumpTrack(fx, {At(type, 20, 30), At(other, 40, 50)}));
    EXPECT_THAT((std::vector<double>{g.FaB0[1], g.FaB1[1], g.FaB2[1], g.FaB3[1], g.FdC0[1], g.FdC1[1]}),
                ElementsAre(1.5, 0.25, -0.125, 0.5, -2.0, 0.75));
    EXPECT_EQ(g.FaB0[2], 0);  // other codes leave them alone
}

TEST(Retarders, DoubleRetardersArePairedByDistance) {
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> bounds;
        std::vector<int> kodd;
    };
    const Case cases[] = {
        {"2 m apart", {{100, 110}, {112, 122}}, {1, 2}},
        {"8 m apart", {{100, 110}, {118, 128}}, {0, 0}},
        {"exactly 5 m apart", {{100, 110}, {115, 125}}, {1, 2}},
        {"three in a row", {{100, 110}, {112, 122}, {124, 134}}, {1, 2, 0}},
        // The walk goes on after the partner, so the second and third are not paired.
        {"unpaired start takes its follower along", {{100, 110}, {120, 130}, {132, 142}}, {0, 0, 0}},
        {"alone at the end", {{100, 110}}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto type = Type(fx, "62DX");
        SectionRows rows;
        for (auto [u, o] : c.bounds) rows.push_back(At(type, u, o));
        TrackReader r(fx);
        const TGleis& g = r.Read(HumpTrack(fx, rows));
        EXPECT_THAT(fx.port.texts(), IsEmpty());
        const int n = static_cast<int>(c.bounds.size());
        EXPECT_THAT(Slots(g.Kodd, 1, n), ElementsAreArray(c.kodd));
        EXPECT_THAT(Slots(g.Kod, 1, n), testing::Each(6));
        EXPECT_EQ(g.Kodd[n + 1], 0);
    }
}

TEST(Retarders, FirstRetarderBeyondTheCrest) {
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> bounds;
        int ibrStart;
    };
    const Case cases[] = {
        {"no retarders", {}, 0},
        {"first beyond the crest", {{-10, 5}, {20, 30}}, 1},
        {"second beyond the crest", {{-30, -20}, {20, 30}}, 2},
        {"ends at the crest", {{-30, 0}, {20, 30}}, 2},
        {"all before the crest: empty range", {{-50, -40}, {-30, -20}}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto type = Type(fx, "1BB");
        SectionRows rows;
        for (auto [u, o] : c.bounds) rows.push_back(At(type, u, o));
        TrackReader r(fx);
        const TGleis& g = r.Read(HumpTrack(fx, rows));
        EXPECT_EQ(g.IbrStart, c.ibrStart);
        EXPECT_EQ(g.Io1, c.ibrStart);
        EXPECT_EQ(g.Io4, c.ibrStart + 3);
    }
}

TEST(Retarders, BkinaBeforeTheCrestBecomesCode3) {
    DocFixture fx;
    const auto bkina = Type(fx, "6KB");
    const auto main = Type(fx, "1BB");
    const auto track = HumpTrack(fx, {At(bkina, -50, -40), At(main, -35, -30), At(bkina, -20, -10), At(main, 20, 30),
                                      At(bkina, 40, 50)});
    const std::string message =
        "Die Dateneingabe der Bremsen in Zulaufbereich kann \r\n"
        "keine BKINA Bremse enthalten. Die Bremse 1\r\n"
        "wird auf Typ \"3\" umgewandelt.\r\n\r\n"
        "Die Dateneingabe der Bremsen in Zulaufbereich kann \r\n"
        "keine BKINA Bremse enthalten. Die Bremse 3\r\n"
        "wird auf Typ \"3\" umgewandelt.\r\n\r\n";
    TrackReader r(fx);
    // A second reading tells the same, not the first reading's message again.
    for (int reading = 1; reading <= 2; ++reading) {
        SCOPED_TRACE(reading);
        fx.port.Clear();
        const TGleis& g = r.Read(track);
        EXPECT_THAT(Slots(g.Kod, 1, 5), ElementsAre(3, 1, 3, 1, 6));
        ASSERT_THAT(fx.port.texts(), ElementsAre(message));
        EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Warning);
        EXPECT_EQ(fx.port.messages()[0].buttons, MsgButtons::Ok);
        EXPECT_TRUE(g.DatenBereit());
    }
}

TEST(Retarders, InvertedBoundsAreSilentForATypes) {
    struct Case {
        const char* type;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"A1", {}},
        {"1BB",
         {"Bremseabschnitt Nr. 1 hat untere Grenze Xu= 50,\r\ndie größer als die obere Grenze Xo= 45 ist.\r\n"
          " Die obere Grenze wird auf Xo= 50 gesetzt."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        DocFixture fx;
        const auto type = Type(fx, c.type);
        TrackReader r(fx);
        const TGleis& g = r.Read(HumpTrack(fx, {At(type, 50, 45)}));
        EXPECT_EQ(fx.port.texts(), c.messages);
        EXPECT_EQ(g.Xbu[1], 150);
        EXPECT_EQ(g.Xbo[1], 150);
    }
}

TEST(Retarders, SixteenTypesShareTheFifteenthTables) {
    DocFixture fx;
    std::vector<std::int64_t> types;
    for (int k = 1; k <= 16; ++k) {
        // Type 15 has two weight classes, type 16 three: the sharing shows in Lbr.
        std::vector<ForceRow> braking{Row(0, 10, 100.0 * k)};
        if (k >= 15) braking.push_back(Row(10, 20, 2000));
        if (k == 16) braking.push_back(Row(20, 30, 3000));
        types.push_back(fx.RetarderType("1T" + std::to_string(k), braking, {Row(0, 30, 10)}));
    }
    SectionRows rows;
    for (int k = 0; k < 16; ++k) rows.push_back(At(types[static_cast<std::size_t>(k)], 10.0 * k, 10.0 * k + 5));
    rows.push_back(At(types[15], 200, 205));  // the sixteenth type again
    rows.push_back(At(types[0], 210, 215));   // a known type still finds its own slot
    TrackReader r(fx);
    const TGleis& g = r.Read(HumpTrack(fx, rows));
    EXPECT_THAT(fx.port.texts(), ElementsAre("Zu viele Bremsentypen verwendet - max. !\r15 Typen möglich!"));
    EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Error);
    ASSERT_EQ(g.NBremsArt, 15);
    EXPECT_THAT(Slots(g.BremsArtNo, 14, 18), ElementsAre(14, 15, 15, 15, 1));
    EXPECT_EQ(g.Bremsen[15]->Name, "1T15");
    EXPECT_EQ(g.Bremsen[15]->Kraft[1].Wert[1], 1500);
    EXPECT_EQ(g.Bauart[16], "1T16");
    EXPECT_THAT(Slots(g.Lbr, 15, 17), ElementsAre(2, 2, 2));
    EXPECT_EQ(g.Lbr[18], 1);
    EXPECT_EQ(g.IDBremsTyp[15], types[14]);
}

TEST(Retarders, WeightClassesMustGrowUpToNine) {
    struct Case {
        const char* what;
        std::vector<ForceRow> braking, idle;
        std::vector<std::string> messages;
        int nKraft, nLeerlauf;
        double lastBrakingGo;
    };
    const auto classes = [](int n) {
        std::vector<ForceRow> rows;
        for (int j = 0; j < n; ++j) rows.push_back(Row(10.0 * j, 10.0 * j + 10, 500));
        return rows;
    };
    const Case cases[] = {
        {"repeated braking class",
         {Row(0, 8, 500), Row(8, 8, 600), Row(9, 16, 700)},
         {Row(0, 8, 10)},
         {"Massenstufe Nr. 2 der Bremse 1BB nicht grösser als die vorherige"},
         2, 1, 16},
        {"falling idle class",
         {Row(0, 8, 500)},
         {Row(0, 8, 10), Row(8, 6, 12)},
         {"Massenstufe Nr. 2 des Leerlaufes 1BB nicht grösser als die vorherige"},
         1, 1, 8},
        {"ten braking classes", classes(10), {Row(0, 8, 10)}, {"Anzahl der Massenstufen der Bremse 1BB grosser als 9"},
         9, 1, 90},
        {"ten idle classes", {Row(0, 8, 500)}, classes(10),
         {"Anzahl der Massenstufen des Leerlaufes 1BB grosser als 9"}, 1, 9, 8},
        {"nine of each", classes(9), classes(9), {}, 9, 9, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto type = fx.RetarderType("1BB", c.braking, c.idle);
        TrackReader r(fx);
        // Two retarders of the type: its tables are read (and complained about) once.
        const TGleis& g = r.Read(HumpTrack(fx, {At(type, 20, 30), At(type, 40, 50)}));
        EXPECT_EQ(fx.port.texts(), c.messages);
        for (const auto& m : fx.port.messages()) EXPECT_EQ(m.kind, MsgKind::Error);
        const TBremsArt& art = *g.Bremsen[1];
        EXPECT_EQ(art.NKraft, c.nKraft);
        EXPECT_EQ(art.NLeerlauf, c.nLeerlauf);
        EXPECT_EQ(art.Kraft[art.NKraft].Go, c.lastBrakingGo);
        EXPECT_EQ(art.Kraft[10].Go, 0);
        EXPECT_THAT(Slots(g.Lbr, 1, 2), testing::Each(c.nKraft));
        EXPECT_THAT(Slots(g.Lcbr, 1, 2), testing::Each(c.nLeerlauf));
    }
}

TEST(Retarders, ZeroReductionCoefficientsAreAskedFor) {
    struct Case {
        const char* type;
        double a0, a1;
        MsgAnswer answer;
        bool asked;
        bool ends;
    };
    const Case cases[] = {
        {"2TB", 0, 0, MsgAnswer::Yes, true, false},
        {"4TB", 0, 0, MsgAnswer::Yes, true, false},
        {"9TB", 0, 0, MsgAnswer::No, true, true},
        {"2TB", 0, 0.5, MsgAnswer::Yes, false, false},  // one coefficient is enough
        {"1BB", 0, 0, MsgAnswer::Yes, false, false},    // other codes do not use them
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + ToString(c.answer));
        DocFixture fx;
        const auto type = Type(fx, c.type, c.a0, c.a1);
        const auto track = HumpTrack(fx, {At(type, 20, 30)});
        TrackReader r(fx);
        fx.port.Script(c.answer);
        const std::string text = std::string("Bei der Bremse ") + c.type + "\t von Typ " + c.type[0] +
                                 " dürfen alle Verminderungskoeffiziente A0, A1, A2 nicht gleichzeitig Null sein.\r\n"
                                 "Soll der Koeffizient A0 auf 1 gesetzt werden [Ja]?\r\n"
                                 "Sonst wird das Programm beendet [Nein].\r\n";
        if (c.ends) {
            try {
                r.Read(track);
                ADD_FAILURE() << "the program goes on";
            } catch (const EProgramEnd& e) {
                EXPECT_EQ(e.what(), text);
            }
        } else {
            const TGleis& g = r.Read(track);
            EXPECT_EQ(g.A1[1], c.asked ? 1 : c.a0);
            EXPECT_EQ(g.A2[1], c.a1);
            EXPECT_EQ(g.A3[1], 0);
        }
        if (c.asked) {
            ASSERT_THAT(fx.port.texts(), ElementsAre(text));
            EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Error);
            EXPECT_EQ(fx.port.messages()[0].buttons, MsgButtons::YesNo);
        } else {
            EXPECT_THAT(fx.port.texts(), IsEmpty());
        }
        // The catalogue keeps its values.
        ASSERT_TRUE(fx.main.cds.BremsenKatCDS.Locate("ID_BauartKod", type));
        EXPECT_EQ(fx.main.cds.BremsenKatCDS.FieldByName("A0").AsFloat(), c.a0);
    }
}

TEST(Retarders, LastTypeNeedsBrakingForce) {
    const std::string warning = "Bremskraft der Bremse 1BB soll nicht Null sein.\r\nDas Programm wird beendet.";
    ForceRow gap = Row(0, 8, 500);
    gap.forces[4] = 0;
    ForceRow laterGap = gap;
    laterGap.gu = 8;
    laterGap.go = 16;
    struct Case {
        const char* what;
        const char* lastType;
        std::vector<ForceRow> lastBraking;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"zero in the first class", "1BB", {gap, Row(8, 16, 900)}, {warning}},
        {"no braking classes", "1BB", {}, {warning}},
        {"zero in a later class only", "1BB", {Row(0, 8, 500), laterGap}, {}},
        {"A type", "A1", {gap}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        ForceRow firstZero = Row(0, 8, 0);
        const auto first = fx.RetarderType("1ZE", {firstZero}, {Row(0, 8, 10)});  // not the last: not checked
        const auto last = fx.RetarderType(c.lastType, c.lastBraking, {Row(0, 8, 10)});
        TrackReader r(fx);
        const TGleis& g = r.Read(HumpTrack(fx, {At(first, 20, 30), At(last, 40, 50)}));
        EXPECT_EQ(fx.port.texts(), c.messages);
        for (const auto& m : fx.port.messages()) {
            EXPECT_EQ(m.kind, MsgKind::Warning);
            EXPECT_EQ(m.buttons, MsgButtons::Ok);
        }
        EXPECT_TRUE(g.DatenBereit());
    }
}

TEST(Retarders, UnusableTypesMakeTheRetarderInert) {
    struct Case {
        const char* what;
        const char* name;  // null: the type is not in the catalogue
        std::string message;
    };
    const Case cases[] = {
        {"not in the catalogue", nullptr, "Daten der Bremse  sind unbekannt!"},
        {"odd first character", "X1", "Der Name des Bremsentyps \"X1\" beginnt weder mit einer Ziffer noch mit \"A\"."},
        {"empty name", "", "Der Name des Bremsentyps \"\" beginnt weder mit einer Ziffer noch mit \"A\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DocFixture fx;
        const auto bad = c.name ? Type(fx, c.name, 0, 0, 0) : kNoVariant;
        const auto good = Type(fx, "1BB");
        TrackReader r(fx);
        for (bool badLast : {false, true}) {
            SCOPED_TRACE(badLast);
            fx.port.Clear();
            // Two retarders of the unusable type: one message for the type.
            const TGleis& g = r.Read(HumpTrack(fx, badLast ? SectionRows{At(good, 0, 10), At(bad, 20, 30), At(bad, 40, 50)}
                                                           : SectionRows{At(bad, 0, 10), At(bad, 20, 30), At(good, 40, 50)}));
            ASSERT_THAT(fx.port.texts(), ElementsAre(c.message));
            EXPECT_EQ(fx.port.messages()[0].kind, MsgKind::Error);
            EXPECT_TRUE(g.DatenBereit());
            const int goodAt = badLast ? 1 : 3;
            for (int i = 1; i <= 3; ++i) {
                SCOPED_TRACE(i);
                if (i == goodAt) {
                    EXPECT_EQ(g.Kod[i], 1);
                    EXPECT_EQ(g.Lbr[i], 1);
                    EXPECT_EQ(g.Wbr[i], 100);
                } else {
                    EXPECT_EQ(g.Kod[i], -1);
                    EXPECT_EQ(g.Lbr[i], 0);
                    EXPECT_EQ(g.Lcbr[i], 0);
                    EXPECT_EQ(g.Wbr[i], 0);
                    EXPECT_EQ(g.Wir[i], 0);
                    EXPECT_EQ(g.A1[i], 0);
                }
            }
        }
    }
}

// A second reading starts from nothing: codes, pairs, names and reused type records.
TEST(Retarders, NothingLeaksIntoTheNextReading) {
    DocFixture fx;
    const auto dbl = fx.RetarderType("62DX", {Row(0, 8, 500), Row(8, 16, 900), Row(16, 25, 1200)}, {Row(0, 8, 10)});
    const auto eight = Type(fx, "8KB");
    const auto single = fx.RetarderType("1BB", {Row(0, 12, 400)}, {Row(0, 12, 10)});
    const auto first = HumpTrack(fx, {At(dbl, 20, 30), At(dbl, 32, 42), At(eight, 60, 70)});
    const auto second = HumpTrack(fx, {At(single, 20, 30)});
    TrackReader r(fx);
    r.Read(first);
    ASSERT_EQ(r.exp.Gleis().Kodd[1], 1);
    ASSERT_NE(r.exp.Gleis().FaB0[3], 0);
    const TGleis& g = r.Read(second);
    EXPECT_THAT(fx.port.texts(), IsEmpty());
    EXPECT_EQ(g.Nxbr, 1);
    EXPECT_THAT(Slots(g.Kod, 1, 3), ElementsAre(1, 0, 0));
    EXPECT_THAT(Slots(g.Kodd, 1, 2), ElementsAre(0, 0));
    EXPECT_THAT(Slots(g.Bauart, 1, 3), ElementsAre("1BB", "", ""));
    EXPECT_EQ(g.FaB0[3], 0);
    ASSERT_EQ(g.NBremsArt, 1);
    const TBremsArt& art = *g.Bremsen[1];
    EXPECT_EQ(art.Name, "1BB");
    EXPECT_EQ(art.NKraft, 1);
    EXPECT_EQ(art.Kraft[1].Go, 12);
    EXPECT_EQ(art.Kraft[2].Go, 0);
}

}  // namespace
}  // namespace gvm::model
