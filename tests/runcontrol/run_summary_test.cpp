// The run summary from small hand-built inputs: which retarders it shows in which row with
// which label, the speeds it reads from the series, and the status line.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "runcontrol/run_summary.h"

namespace gvm::runcontrol {
namespace {

using engine::TVysledky;

struct Retarder {
    int k;
    double xbo;  // [m, profile]
    const char* type;
    int kodd = 0;
    double vausGleis = 2.0, wbr = 100, vaus = 2.0;
};

TSummaryRetarders Track(int ibrStart, int inxbr, std::initializer_list<Retarder> list) {
    TSummaryRetarders t;
    t.IbrStart = ibrStart;
    t.Inxbr = inxbr;
    for (const Retarder& r : list) {
        const auto k = static_cast<std::size_t>(r.k);
        t.Xbo[k] = r.xbo;
        t.TypName[k] = r.type;
        t.Kodd[k] = r.kodd;
        t.VausGleis[k] = r.vausGleis;
        t.Wbr[k] = r.wbr;
        t.Vaus[k] = r.vaus;
    }
    return t;
}

// A run from 0 to `end` m in steps of 1 m, its speed falling from 5 m/s by 0.01 m/s per metre.
std::unique_ptr<TVysledky> Series(int end) {
    auto s = std::make_unique<TVysledky>();
    s->NVyst = end + 1;
    for (int i = 1; i <= s->NVyst; ++i) {
        const auto k = static_cast<std::size_t>(i);
        s->Dist[k] = i - 1;
        s->Gesch[k] = 5.0 - 0.01 * (i - 1);
    }
    s->Berechnet = s->Bereit = true;
    return s;
}

struct Summary {
    explicit Summary(int mode, TSummaryRetarders track, int end = 200) : cur(Series(end)) { Build(mode, track); }
    void Build(int mode, TSummaryRetarders track) {
        const TSummaryInput in{.mode = mode,
                               .outdated = outdated,
                               .current = *cur,
                               .modeSet = *cur,
                               .track = std::move(track),
                               .ddx = 1.0,
                               .q = 0.001,
                               .Xtot = 150,
                               .XZielbrems = 180,
                               .VZielbrems = 1.4,
                               .XZulaufEnde = 120,
                               .VZulaufEnde = 1.2,
                               .ZulaufVmaxStart = 0,
                               .MaxEinlauf = 2.3456,
                               .nf = {}};
        s = BuildRunSummary(in);
    }
    std::unique_ptr<TVysledky> cur;
    bool outdated = false;
    TRunSummary s;
};

std::vector<std::string> Labels(const TRunSummary& s) {
    return {s.rows[0].label, s.rows[1].label, s.rows[2].label};
}

TEST(RunSummaryRows, PicksRetardersAndLabelsTheirRows) {
    struct Case {
        const char* what;
        int mode;
        TSummaryRetarders track;
        std::vector<std::string> labels;  // top, middle, bottom
    };
    const Case cases[] = {
        {"two retarders are numbered from the first picked, bottom row blank", 0,
         Track(1, 2, {{1, 40, "1BB24"}, {2, 80, "3RGB2"}}), {"2. Bremse  3RGB2", "1. Bremse  1BB24", ""}},
        {"a single retarder stands in the middle row", 0, Track(1, 1, {{1, 40, "1BB24"}}),
         {"", "1. Bremse  1BB24", ""}},
        {"a double retarder counts once, under its second part", 0,
         Track(1, 3, {{1, 40, "1BB24"}, {2, 80, "6KD12", 1}, {3, 90, "6KD12", 2}}),
         {"2. Bremse  6KD12", "1. Bremse  1BB24", ""}},
        {"three retarders carry their names", 0,
         Track(2, 4, {{1, 5, "1ZB12"}, {2, 40, "1BB24"}, {3, 80, "2TB30"}, {4, 120, "3RGB2"}}),
         {"Richtungsbremse 3RGB2", "Talbremse 2TB30", "Hauptbremse 1BB24"}},
        {"the fourth retarder is left out", 1,
         Track(1, 4, {{1, 40, "1BB24"}, {2, 80, "2TB30"}, {3, 120, "3RGB2"}, {4, 150, "3RGB2"}}),
         {"Richtungsbremse 3RGB2", "Talbremse 2TB30", "Hauptbremse 1BB24"}},
        {"the run-in process shows the retarders before the first one after the crest", 2,
         Track(4, 4, {{1, 5, "1ZB12"}, {2, 10, "1ZB12"}, {3, 20, "1ZB13"}, {4, 40, "1BB24"}}),
         {"Zulaufbremse 1ZB13", "Hilfsbremse 1ZB12", "Einlaufbremse 1ZB12"}},
        {"one run-in retarder", 2, Track(2, 4, {{1, 5, "1ZB12"}, {2, 40, "1BB24"}}),
         {"", "1. Bremse  1ZB12", ""}},
        {"no retarder at all", 0, Track(0, 0, {}), {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Summary x(c.mode, c.track);
        EXPECT_EQ(Labels(x.s), c.labels);
        for (const TSummaryRow& r : x.s.rows) EXPECT_EQ(r.visible, !r.label.empty());
    }
}

TEST(RunSummaryRows, TheSearchsPairMarkMovesOnlyTheFirstPick) {
    TSummaryRetarders t = Track(1, 3, {{1, 40, "1BB24"}, {2, 44, "1BB24"}, {3, 90, "3RGB2"}});
    t.Paar[1] = 1;
    t.Paar[2] = 2;
    EXPECT_EQ(Labels(Summary(1, t).s), (std::vector<std::string>{"2. Bremse  3RGB2", "1. Bremse  1BB24", ""}));
    EXPECT_EQ(Summary(1, t).s.rows[1].retarder, 2);
}

TEST(RunSummaryRows, ValuesOfTheRetarderRowsInTheNormalRun) {
    // The run ends at 100 m; the last axle leaves the second retarder at 150 m.
    const Summary x(0, Track(1, 2, {{1, 40, "1BB24", 0, 6.0, 87.5}, {2, 140, "3RGB2", 0, 2.0, 100}}), 100);
    const TSummaryRow& first = x.s.rows[1];
    const TSummaryRow& never = x.s.rows[0];
    EXPECT_EQ(first.distance, "40.00");
    EXPECT_EQ(first.speed, "4.6000");
    EXPECT_EQ(first.entered, "6.00");
    EXPECT_EQ(first.second, "87.5");
    EXPECT_EQ(never.distance, "140.00");
    EXPECT_EQ(never.speed, "-") << "never reached";
    EXPECT_EQ(never.second, "100");
    EXPECT_FALSE(never.distanceRed || never.speedRed);
    EXPECT_EQ(x.s.secondHeading, "\nWirkungsgrad der Bremse\n[%]");
    EXPECT_EQ(x.s.startDistance, "0.00");
    EXPECT_EQ(x.s.startSpeed, "5.0000");
    EXPECT_EQ(x.s.endDistance, "100.00");
    EXPECT_EQ(x.s.endSpeed, "4.0000");
    EXPECT_EQ(x.s.targetSpeed, "-") << "the run stops before Xtot";
    EXPECT_FALSE(x.s.maxVisible);
    EXPECT_FALSE(x.s.checkBoxVisible);
    EXPECT_FALSE(x.s.overhangVisible);
}

TEST(RunSummaryRows, TargetBrakingShowsTheFoundExitSpeedsAndMarksTheTopRow) {
    Summary x(1, Track(1, 2, {{1, 40, "1BB24", 0, 6.0, 100, 5.5}, {2, 150, "3RGB2", 0, 2.0, 100, 0.05}}));
    x.cur->Vaus[1] = 5.4321;
    x.cur->Vaus[2] = 1.9;
    x.Build(1, Track(1, 2, {{1, 40, "1BB24", 0, 6.0, 100, 5.5}, {2, 150, "3RGB2", 0, 2.0, 100, 0.05}}));
    const TRunSummary& s = x.s;
    EXPECT_EQ(s.secondHeading, "Ermittelte Auslauf- geschwindigkeit [m/s]");
    EXPECT_EQ(s.rows[1].second, "5.4321");
    EXPECT_EQ(s.rows[0].second, "0.0000") << "the working exit speed of the top retarder is below 0.1";
    EXPECT_TRUE(s.rows[0].distanceRed && s.rows[0].speedRed) << "the run went beyond it";
    EXPECT_FALSE(s.rows[1].distanceRed);
    EXPECT_EQ(s.endDistance, "180.00");
    EXPECT_EQ(s.endSpeed, "3.2000");
    EXPECT_EQ(s.targetSpeed, "1.40");
    EXPECT_EQ(s.maxLabel, "Maximale Einlaufgeschwindigkeit");
    EXPECT_EQ(s.maxValue, "2.35");
    EXPECT_TRUE(s.checkBoxVisible);

    x.cur->Bereit = false;
    x.Build(1, Track(1, 2, {{1, 40, "1BB24"}, {2, 150, "3RGB2"}}));
    EXPECT_EQ(x.s.rows[1].second, "-");
    EXPECT_EQ(x.s.targetSpeed, "-");
    EXPECT_EQ(x.s.endDistance, "-");

    // A run ending before the top retarder: its speed is that at the end of the run.
    Summary shortRun(1, Track(1, 2, {{1, 40, "1BB24"}, {2, 150, "3RGB2"}}), 100);
    EXPECT_EQ(shortRun.s.rows[0].speed, "4.0000");
    EXPECT_FALSE(shortRun.s.rows[0].speedRed);
}

TEST(RunSummaryRows, RunInShowsTheOverhangBehindTheLastRetarder) {
    Summary x(2, Track(3, 4, {{1, 20, "1ZB12"}, {2, 60, "1ZB13"}, {3, 90, "1BB24"}}));
    EXPECT_EQ(x.s.overhang, "140.00");  // end 200 m, last run-in retarder ends at 60 m
    EXPECT_TRUE(x.s.overhangVisible);
    EXPECT_EQ(x.s.endDistance, "120.00");
    EXPECT_EQ(x.s.targetSpeed, "1.20");
    EXPECT_EQ(x.s.maxLabel, "Max. Auslaufgschw. der Einlaufbremse");
    EXPECT_EQ(x.s.maxValue, "-") << "no maximum exit speed found";
}

TEST(RunSummaryStatus, FollowsTheMessageAndTheGrade) {
    struct Case {
        std::string message;
        engine::TResMeldung grade;
        std::string status;
        TStatusColour colour;
        bool bold, box;
    };
    const Case cases[] = {
        {"", engine::rmOK, "Resultate OK", TStatusColour::WindowText, false, false},
        {"Hinweis\r\r", engine::rmBemerk, "Resultate erzielt mit Bemerkungen", TStatusColour::Green, true, true},
        {"Warnung\r\r", engine::rmWarn, "Resultate sind unkorrekt", TStatusColour::Red, true, true},
        {"Fehler\r\r", engine::rmError, "Resultate sind unkorrekt", TStatusColour::Red, true, true},
        // A failed run without a message never reads as a success.
        {"", engine::rmError, "Resultate sind unkorrekt", TStatusColour::Red, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status + " " + c.message);
        Summary x(0, Track(0, 0, {}));
        x.cur->WarnungMessage = c.message;
        x.cur->ResultsMeldung = c.grade;
        x.Build(0, Track(0, 0, {}));
        EXPECT_EQ(x.s.status, c.status);
        EXPECT_EQ(x.s.statusColour, c.colour);
        EXPECT_EQ(x.s.statusBold, c.bold);
        EXPECT_EQ(x.s.messageVisible, c.box);
        EXPECT_EQ(x.s.message, c.box ? c.message : "");
        EXPECT_TRUE(x.s.detailsVisible);
    }
}

TEST(RunSummaryStatus, OutdatedResultsHideTheDetails) {
    Summary x(0, Track(1, 1, {{1, 40, "1BB24"}}));
    x.cur->WarnungMessage = "Warnung\r\r";
    x.cur->ResultsMeldung = engine::rmWarn;
    x.outdated = true;
    x.Build(0, Track(1, 1, {{1, 40, "1BB24"}}));
    EXPECT_EQ(x.s.status, "Resultate noch nicht ermittelt");
    EXPECT_EQ(x.s.statusColour, TStatusColour::Red);
    EXPECT_FALSE(x.s.detailsVisible);
    EXPECT_FALSE(x.s.messageVisible);
    EXPECT_EQ(SummaryText(x.s), "Resultate noch nicht ermittelt\n");
}

TEST(RunSummaryText, LaysTheRowsOutTopToBottom) {
    Summary x(2, Track(2, 4, {{1, 5, "1ZB12"}, {2, 40, "1BB24"}}));
    x.cur->WarnungMessage = "Erste Zeile\rZweite Zeile\r\r";
    x.cur->ResultsMeldung = engine::rmBemerk;
    x.Build(2, Track(2, 4, {{1, 5, "1ZB12"}, {2, 40, "1BB24"}}));
    const std::string text = SummaryText(x.s);
    const std::vector<std::string> order = {"Resultate erzielt mit Bemerkungen\n", "  Erste Zeile\n  Zweite Zeile\n",
                                            "Position [m]", "1. Bremse  1ZB12", "Simulationsstart",
                                            "Simulationsende", "Zielgeschwindigkeit [m/s]",
                                            "Überhang nach der letzten Bremse",
                                            "Max. Auslaufgschw. der Einlaufbremse",
                                            "(1) Eingegebene Auslauf- geschwindigkeit [m/s]",
                                            "(2) Ermittelte Auslauf- geschwindigkeit [m/s]"};
    std::size_t at = 0;
    for (const std::string& piece : order) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << piece << "\n" << text;
        at = found + piece.size();
    }
}

}  // namespace
}  // namespace gvm::runcontrol
