// The input protocols: the demo case's ten protocols against golden texts, the rich-text
// form of tables and headings, and the rules of particular tables.

#include "engine/protocols.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/rtf.h"
#include "engine/run_modes.h"
#include "engine_fixture.h"
#include "support/test_support.h"

namespace gvm::engine {
namespace {

namespace fs = std::filesystem;
using test::DocFixture;
using test::EngineSetup;
using test::TrackParts;
using testing::HasSubstr;
using testing::Not;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

TStoreInput InputOf(const EngineSetup& s, const TVysledky& series, NumberFormat nf = {}) {
    return {s.exp, s.group, s.ctx.lastRun, s.engine, series, nf, "01.02.2025", "10:00:00"};
}

// The demo case S1-GUT after a normal run, its protocols as the result views read them back.
class DemoProtocols : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(c.found);
        c.exp._NSimExperiment = "S1-GUT-NORMAL";
        NormalRun(c.engine, *c.sets, c.exp, c.ctx, true);
        ASSERT_TRUE(c.sets->normal.Berechnet);
    }
    TStoreInput Input() const {
        return {c.exp,          c.sets->wg1, c.ctx.lastRun, c.engine,
                c.sets->normal, {},          "01.02.2025",  "10:00:00"};
    }
    test::DemoExperiment c{"S1-GUT"};
};

TEST_F(DemoProtocols, MatchTheGoldenTexts) {
    // GVM_UPDATE_GOLDEN=1 writes the texts instead of comparing them.
    const bool update = std::getenv("GVM_UPDATE_GOLDEN") != nullptr;
    const auto rtf = BuildProtocols(Input());
    for (int i = 0; i < kProtokolle; ++i) {
        const std::string text = RtfToText(rtf[static_cast<std::size_t>(i)]);
        const fs::path golden = fs::path(GVM_GOLDEN_DIR) / ("demo-" + std::to_string(i) + ".txt");
        if (update) {
            test::WriteBytes(golden, text);
            continue;
        }
        ASSERT_TRUE(fs::exists(golden)) << golden;
        const auto expected = Lines(test::ReadBytes(golden));
        const auto actual = Lines(text);
        for (std::size_t k = 0; k < std::max(expected.size(), actual.size()); ++k) {
            ASSERT_EQ(k < actual.size() ? actual[k] : "<none>",
                      k < expected.size() ? expected[k] : "<none>")
                << "protocol " << i << " (" << ProtocolTitle(i) << "), line " << k + 1;
        }
    }
}

TEST_F(DemoProtocols, RichTextCarriesStopsAndHeadings) {
    const TStoreInput in = Input();
    const std::string rtf = BuildProtocol(in, 2).ToRtf();
    EXPECT_THAT(rtf, HasSubstr("{\\fonttbl{\\f0\\fswiss\\fcharset0 Tahoma;}}"));
    EXPECT_THAT(rtf, HasSubstr("\\plain\\f0\\fs16 "));
    // Header cells centred on the stops, numbers aligned on their decimal point.
    EXPECT_THAT(
        rtf,
        HasSubstr("\\pard\\tqc\\tx300\\tqc\\tx1200\\tqc\\tx2200\\tqc\\tx3200\\tqc\\tx4200\\plain"));
    EXPECT_THAT(rtf, HasSubstr("\\pard\\tqdec\\tx300\\tqdec\\tx1200\\tqdec\\tx2200\\tqdec\\tx3200\\"
                               "tqdec\\tx4200\\plain"));
    // Heading: the label 5 pt larger, the name bold and 5 pt larger, the next line normal.
    EXPECT_THAT(rtf, HasSubstr("{\\fs26 Eingabedaten der Neigungen: }{\\b\\fs26 NEIG-DEMO}\\par\r\n"
                               "\\pard\\plain\\f0\\fs16  \\par"));
    EXPECT_THAT(rtf, HasSubstr("Verwendete Abk\\'fcrzungen:"));
    EXPECT_THAT(rtf, HasSubstr("[\\'89]"));
    // The stop of an explanation block lies behind its abbreviations, not behind its prose.
    const std::string curves = BuildProtocol(in, 3).ToRtf();
    const std::size_t formula = curves.find("\\tab \\tab Wr = (Eps0");
    ASSERT_NE(formula, std::string::npos);
    const std::string stops = "\\pard\\tx200\\tx";
    const std::size_t stop = curves.rfind(stops, formula);
    ASSERT_NE(stop, std::string::npos);
    EXPECT_LT(std::stoi(curves.substr(stop + stops.size())), 1200) << curves.substr(stop, 40);
    // The run summary has no heading rule.
    EXPECT_THAT(BuildProtocol(in, 0).ToRtf(), Not(HasSubstr("\\fs26")));
}

TEST_F(DemoProtocols, RunSummaryListsTheEventsSlotBySlot) {
    c.engine.Abloesungen.Clear();
    c.engine.Abloesungen.Add(18, 7.9, 5.6429);
    c.engine.Abloesungen.Add(600, 450, 90);
    c.engine.Stillstaende.Add(500, 400, 80);
    c.engine.Aufpufferungen.Add(120, 250.5, 33.25);
    const auto lines = Lines(BuildProtocol(Input(), 0).PlainText());
    const auto first = std::find(lines.begin(), lines.end(),
                                 "\tAblösepunkt\t     18\t   7.90\t  0.00000\t   1.4000\t  5.6429");
    ASSERT_NE(first, lines.end());
    // A buffering shows the push-off speed: the engine keeps no speed of it.
    EXPECT_THAT(
        std::vector<std::string>(first + 1, first + 4),
        testing::ElementsAre("\tStillstand\t    500\t 400.00\t  0.00000\t   0.0000\t 80.0000",
                             "\tAufpufferung\t    120\t 250.50\t  0.00000\t   1.4000\t 33.2500",
                             "\tAblösepunkt\t    600\t 450.00\t  0.00000\t   1.4000\t 90.0000"));
}

TEST_F(DemoProtocols, RunInProcessShowsItsStartSpeedAsPushOffSpeed) {
    c.exp._Flags = model::kZulaufprozess;
    c.engine.fall.VZulaufStart = 0.8;
    EXPECT_THAT(Lines(BuildProtocol(Input(), 0).PlainText()),
                testing::Contains("\tAbdrückgeschwindigkeit:\t  0.80\t[m/s]"));
    EXPECT_THAT(Lines(BuildProtocol(Input(), 1).PlainText()),
                testing::Contains("\tVab:\t   0.800\t[m/s]\tAbdrückgeschwindigkeit"));
}

TEST_F(DemoProtocols, NumbersUseTheLocaleDecimalSeparator) {
    TStoreInput in = Input();
    in.nf.decimalSeparator = ',';
    const auto lines = Lines(BuildProtocol(in, 2).PlainText());
    EXPECT_THAT(lines, testing::Contains("\t  1\t -60,00\t  -6,00\t  20,00\t  20,00"));
}

// A document with one run of two bogie wagons and a track built in code; protocols of an
// experiment on it.
struct SmallTrack {
    void Build(TrackParts parts) {
        if (parts.neig.empty()) {
            parts.neig = {{0.0, 100.0, -10.0, -10.0}};
            parts.xtot = 100;
        }
        track = test::MakeTrack(fx, parts);
        run = test::RunOf(fx, test::BogieWagon(fx), 2);
    }
    // The protocol of a run whose result is `series` (none by default).
    std::string Text(int which, const TVysledky* series = nullptr) {
        EngineSetup s(fx, track, run, 100, 1.2, 0.5, 0.01);
        EXPECT_TRUE(s.Prepare());
        return BuildProtocol(InputOf(s, series ? *series : s.engine.result), which).PlainText();
    }
    DocFixture fx;
    std::int64_t track = 0, run = 0;
};

TEST(Protocols, ForceTablePrintsWholeKilogramsUnlessTheSecondForceIsSmallAndFractional) {
    const struct {
        double second;
        const char* first;  // the first force as printed
        const char* secondText;
    } cases[] = {
        {12.5, "   20", "   13"},   // at least 10: whole kilograms
        {0.35, "20.000", "0.350"},  // fractional below 10: three decimals
        {5.005, "   20", "    5"},  // a fraction of at most 0.01 counts as whole
        {9.5, "20.000", "9.500"},
    };
    for (const auto& c : cases) {
        SmallTrack t;
        TrackParts p;
        const auto type =
            t.fx.RetarderType("1X", {{0, 8, {20, c.second, 1, 1, 1, 1, 1, 1, 1}}}, {});
        p.retarders = {test::Retarder(type, 20, 30, 3.0)};
        t.Build(p);
        const auto lines = Lines(t.Text(8));
        const std::string prefix =
            std::string("\t1X\t 0.00\t 8.00\t\t") + c.first + "\t" + c.secondText + "\t";
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }))
            << c.second << "\n"
            << testing::PrintToString(lines);
    }
}

TEST(Protocols, ForceTableListsEveryWeightClassFromThePreviousBound) {
    SmallTrack t;
    const std::array<double, 9> f{100, 90, 80, 70, 60, 50, 40, 30, 20};
    const auto type = t.fx.RetarderType("2TB", {{0, 8, f}, {8, 16, f}, {16, 25, f}},
                                        {{0, 25, {1, 1, 1, 1, 1, 1, 1, 1, 1}}});
    TrackParts p;
    p.retarders = {test::Retarder(type, 20, 30, 3.0)};
    t.Build(p);
    const auto lines = Lines(t.Text(8));
    const std::string forces = "\t  100\t   90\t   80\t   70\t   60\t   50\t   40\t   30\t   20";
    EXPECT_THAT(lines, testing::Contains("\t2TB\t 0.00\t 8.00\t" + forces));
    EXPECT_THAT(lines, testing::Contains("\t\t 8.00\t16.00\t" + forces));
    EXPECT_THAT(lines, testing::Contains("\t\t16.00\t25.00\t" + forces));
    EXPECT_THAT(lines, testing::Contains("Eingabedaten der BremsenBauarten - Leerlaufkräfte: BR"));
    EXPECT_THAT(lines, testing::Contains("\t2TB\t 0.00\t25.00\t\t    1\t    1\t    1\t    1\t    "
                                         "1\t    1\t    1\t    1\t    1"));
}

TEST(Protocols, RetarderOfCodeEightGetsItsCoefficientLine) {
    SmallTrack t;
    const auto type =
        t.fx.RetarderType("8K", {{0, 25, {500, 500, 500, 500, 500, 500, 500, 500, 500}}}, {});
    TrackParts p;
    p.neig = {{-20.0, 100.0, -10.0, -10.0}};
    p.xtot = 100;
    p.retarders = {{type, 20.0, 30.0, 3.0, 15.0, 100.0, 90.0}};
    t.Build(p);
    auto series = std::make_unique<TVysledky>();
    series->Vaus[1] = 2.75;
    const auto lines = Lines(t.Text(7, series.get()));
    // Positions are database positions; the exit speed is the one the run used.
    EXPECT_THAT(lines, testing::Contains("\t  1\t8K\t 8\t   1\t20.00\t 30.00\t 2.75\t  15.00\t "
                                         "1.00\t 0.00\t 0.00\t100.00\t 90.00"));
    EXPECT_THAT(lines,
                testing::Contains(
                    " \tB0 = 3.6467   B1 = 0.05409   B2 = -0.0008172   B3 = 0.0   C0 = -0.06469   "
                    "C1 = -0.00003621"));
}

TEST(Protocols, EmptyListsLeaveOutTheirTables) {
    SmallTrack t;
    t.Build({});
    const auto retarders = Lines(t.Text(7));
    EXPECT_EQ(retarders, (std::vector<std::string>{"  ", "Eingabedaten der Bremsen: BR / B", " "}));
    const auto types = Lines(t.Text(8));
    EXPECT_EQ(types,
              (std::vector<std::string>{"  ", "Eingabedaten der BremsenBauarten - Bremskräfte: BR",
                                        " ", "Keine Bremsen"}));
    for (int which : {6, 9}) {
        const std::string text = t.Text(which);
        EXPECT_THAT(text, HasSubstr("Verwendete Abkürzungen:")) << which;
        EXPECT_THAT(text, Not(HasSubstr("\tNr\tX"))) << which;
    }
}

TEST(Protocols, SectionTablesShowDatabasePositions) {
    TrackParts p;
    p.neig = {{-20.0, 0.0, 20.0, 0.0}, {0.0, 100.0, -10.0, -10.0}};
    p.xtot = 100;
    p.curves = {{10.0, 30.0, 250.0}, {50.0, 60.0, -500.0}};
    p.switches = {{40.0, 60.0, 1.5, 70.0}, {60.0, 80.0, 2.0, 0.0}};
    p.air = {{-20.0, 50.0, 100.0, 80.0}};
    p.vl = 3.0;
    SmallTrack t;
    t.Build(p);
    EXPECT_THAT(Lines(t.Text(2)), testing::Contains("\t  1\t -20.00\t   0.00\t  20.00\t   0.00"));
    const auto curves = Lines(t.Text(3));
    EXPECT_THAT(curves, testing::Contains("\t  1\t  10.00\t  30.00\t 250.00"));
    EXPECT_THAT(curves, testing::Contains("\t  2\t  50.00\t  60.00\t-500.00"));
    const auto switches = Lines(t.Text(4));
    EXPECT_THAT(switches, testing::Contains("\t  1\t  40.00\t  60.00\t 1.50\t   70.00"));
    // Without a stored clearance mark the section's end stands for it.
    EXPECT_THAT(switches, testing::Contains("\t  2\t  60.00\t  80.00\t 2.00\t   80.00"));
    EXPECT_THAT(Lines(t.Text(6)), testing::Contains("\t  1\t -20.00\t 100.00\t 100.00\t  80.00"));
}

}  // namespace
}  // namespace gvm::engine
