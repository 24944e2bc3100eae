// The run controller on the demo database (a copy, since storing saves the file) and on small
// documents built in code: loading a case, the parameter edits, the modes, "Berechnen" with
// storing, refused runs, the proposals, deleting experiments and the group choices.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "database/open_database.h"
#include "engine/engine_fixture.h"
#include "runcontrol/run_controller.h"
#include "support/test_support.h"

namespace gvm::runcontrol {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::DocFixture;

// 01.02.2025 10:00:00
std::tm Clock() {
    std::tm t{};
    t.tm_mday = 1;
    t.tm_mon = 1;
    t.tm_year = 125;
    t.tm_hour = 10;
    return t;
}

// One stored experiment as a fresh program reads it from the file.
struct Stored {
    int records = 0;  // stored experiments of that name
    int flags = -1;
    double vab = 0;
    std::string datum, zeit;
    int rows = 0, protocols = 0;
};

Stored ReadBack(const fs::path& file, const std::string& fall, const std::string& name) {
    RecordingPort p;
    db::TGravimontDataModule dm(p, test::RepoData());
    dm.SetSaveOnDestroy(false);
    Stored s;
    if (dm.OpenCDS(dm.InfoDBCDS, file, false) != 0) return s;
    dm.ProjektCDS.Locate("ProjektName", std::string("Demo"));
    db::DocumentCursors& c = dm.cds;
    if (!c.SimulationsFallCDS.Locate("Name", fall)) return s;
    db::Cursor& r = c.SimFallResultCDS;
    for (r.First(); !r.Eof(); r.Next()) s.records += r.FieldByName("SimExpName").AsString() == name;
    if (!r.Locate("SimExpName", name)) return s;
    s.flags = static_cast<int>(r.FieldByName("Flags").AsInteger());
    s.vab = r.FieldByName("Vab").AsFloat();
    s.datum = r.FieldByName("Datum").AsString();
    s.zeit = r.FieldByName("Zeit").AsString();
    s.rows = c.ResTracingCDS.RecordCount();
    s.protocols = c.ResVstupCDS.RecordCount();
    return s;
}

// The demo database copied into a temporary folder and opened, its project "Demo" and a case
// current, and the run controller activated on them.
struct DemoRun {
    explicit DemoRun(const std::string& fallName = "S1-GUT", NumberFormat nf = {}) : fall(fallName), engine(port, nf) {
        fs::copy_file(test::RepoData().DemoDatabase(), file);
        main.SetSaveOnDestroy(false);
        EXPECT_TRUE(db::OpenDatabase(main, file, false));
        main.ProjektCDS.Locate("ProjektName", std::string("Demo"));
        current.ProjektID = main.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
        EXPECT_TRUE(main.cds.SimulationsFallCDS.Locate("Name", fall));
        current.SimFallID = main.cds.SimulationsFallCDS.FieldByName("ID_Simulationsfall").AsInteger();
        rc = std::make_unique<TRunController>(main, current, engine, *sets, port, TRunOptions{nf, Clock});
        rc->OnChange = [this](TRunChange c) { changes.push_back(c); };
        rc->Activate();
        port.Clear();
    }
    int RunId(const std::string& name) {
        EXPECT_TRUE(main.cds.RolloteCDS.Locate("Name", name));
        return static_cast<int>(main.cds.RolloteCDS.FieldByName("ID_Rollot").AsInteger());
    }
    // Calculates the current mode under `name`; the first parameters as typed.
    void Calculate(const std::string& name, const std::vector<std::pair<TParam, std::string>>& edits = {}) {
        for (const auto& [p, text] : edits) EXPECT_TRUE(rc->EditParameter(p, text)) << text;
        rc->SetNameText(name);
        ASSERT_TRUE(rc->Berechnen());
    }
    Stored Back(const std::string& name) const { return ReadBack(file, fall, name); }

    std::string fall;
    test::TempDir dir;
    fs::path file = dir / "demo.gvm";
    RecordingPort port;
    db::TGravimontDataModule main{port, test::RepoData()};
    db::TCurrentSelection current;
    engine::TEngine engine;
    std::unique_ptr<engine::TResultSets> sets = std::make_unique<engine::TResultSets>();
    std::unique_ptr<TRunController> rc;
    std::vector<TRunChange> changes;
};

// The demo's proposed start: behind the primary retarder (ends at 92 m) by the first axle of
// GUT-ZAC1 at or behind its centre of gravity (11.65 m).
constexpr const char* kDemoStart = "   103.65";

TEST(RunController, ActivationLoadsTheCaseWithItsDefaults) {
    DemoRun d;
    TRunController& rc = *d.rc;
    EXPECT_EQ(rc.Caption(), "Simulationslauf - S1-GUT");
    EXPECT_TRUE(rc.PanelsVisible());
    EXPECT_EQ(rc.Cases().size(), 4u);
    EXPECT_THAT(rc.Experiments(), IsEmpty());
    EXPECT_EQ(rc.NameText(), "S1-GUT/wg:GUT-ZAC1");
    EXPECT_EQ(rc.Mode(), 0);
    EXPECT_TRUE(rc.Outdated());
    EXPECT_EQ(rc.Summary().status, "Resultate noch nicht ermittelt");

    const struct {
        TParam p;
        const char* caption;
        const char* text;
        bool enabled;
    } params[] = {
        {TParam::Iterationsschritt, "Iterationsschritt", "0.5", true},
        {TParam::Iterationsgenauigkeit, "Iterationsgenauigkeit", "0.01", true},
        {TParam::Position1, "Startposition", kDemoStart, true},
        {TParam::Speed1, "Abdrückgeschw.", "     1.40", true},
        {TParam::Position2, "Laufweg", "   600.00", true},
        {TParam::Speed2, "Zielgeschwindigkeit", "-", false},
        {TParam::Zeitversatz, "Zeitversatz", "  0.00", false},
    };
    for (const auto& x : params) {
        EXPECT_EQ(rc.Param(x.p).caption, x.caption);
        EXPECT_EQ(rc.Param(x.p).text, x.text) << x.caption;
        EXPECT_EQ(rc.Param(x.p).enabled, x.enabled) << x.caption;
    }
    const model::TSimExperiment& e = rc.Experiment();
    EXPECT_EQ(e._TxtDatum, "01.02.2025");
    EXPECT_EQ(e._TxtTime, "10:00:00");
    EXPECT_EQ(e._XZulaufStart, -60);
    EXPECT_DOUBLE_EQ(e._XZulaufEnde, 103.65);
    EXPECT_EQ(e._XZielbrems, 600);

    EXPECT_EQ(rc.Track().Bahnhof, "Demo");
    EXPECT_EQ(rc.Track().Richtungsgleis, "12");
    EXPECT_EQ(rc.Track().Neigung, "NEIG-DEMO");
    EXPECT_EQ(rc.Track().Bremsen, "BREMS-DEMO");
    EXPECT_EQ(rc.Track().Wirkzonen, "WZ-DEMO");
    EXPECT_EQ(rc.Group1().panel, "21.50 t/Achse");
    EXPECT_FALSE(rc.Group2().checked);
    EXPECT_EQ(rc.Runs().size(), 4u);
}

TEST(RunController, ChoosingAnotherCaseLoadsItInTheNormalRun) {
    DemoRun d;
    TRunController& rc = *d.rc;
    rc.ChangeMode(2);
    const auto id = [&](const std::string& name) {
        for (const TListItem& c : rc.Cases())
            if (c.name == name) return c.id;
        return std::int64_t{-1};
    };
    rc.SelectCase(id("S2-SCHLECHT"));
    EXPECT_EQ(rc.CaseId(), id("S2-SCHLECHT"));
    EXPECT_EQ(rc.Caption(), "Simulationslauf - S2-SCHLECHT");
    EXPECT_EQ(rc.Mode(), 0);
    EXPECT_EQ(rc.NameText(), "S2-SCHLECHT/wg:SCHL-GBS");
    EXPECT_EQ(rc.Param(TParam::Position2).text, "   400.00");
    EXPECT_EQ(rc.Group1().panel, "6.45 t/Achse");

    // Another window made a case current: the next activation follows it.
    d.current.SimFallID = id("S3-GRUPPE");
    d.current.SimFallChanged = true;
    rc.Activate();
    EXPECT_EQ(rc.Caption(), "Simulationslauf - S3-GRUPPE");
    EXPECT_FALSE(d.current.SimFallChanged);
    EXPECT_EQ(rc.Param(TParam::Iterationsschritt).text, "0.25");
}

struct ModeCase {
    int mode;
    std::vector<std::pair<TParam, std::string>> edits;
    std::vector<std::string> labels;  // summary rows, top to bottom
};

TEST(RunController, EachModeCalculatesAndStoresItsExperiment) {
    const ModeCase cases[] = {
        {0, {{TParam::Position1, "0"}}, {"Richtungsbremse 3RGB2", "Talbremse 2TB30", "Hauptbremse 1BB24"}},
        {1, {{TParam::Position1, "0"}}, {"Richtungsbremse 3RGB2", "Talbremse 2TB30", "Hauptbremse 1BB24"}},
        // The run-in target lies before the crest.
        {2,
         {{TParam::Position1, "-60"}, {TParam::Speed1, "1.2"}, {TParam::Position2, "-30"}, {TParam::Speed2, "1.2"}},
         {"", "1. Bremse  1ZB12", ""}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.mode);
        DemoRun d;
        TRunController& rc = *d.rc;
        rc.ChangeMode(c.mode);
        d.Calculate("E", c.edits);
        EXPECT_THAT(d.port.texts(), IsEmpty());
        const engine::TVysledky& cur = d.sets->current;
        EXPECT_TRUE(cur.Berechnet);
        EXPECT_EQ(cur.ResultsMeldung, engine::rmOK) << cur.WarnungMessage;
        EXPECT_FALSE(rc.Outdated());
        EXPECT_EQ(rc.Summary().status, "Resultate OK");
        EXPECT_EQ(rc.Summary().rows[0].label, c.labels[0]);
        EXPECT_EQ(rc.Summary().rows[1].label, c.labels[1]);
        EXPECT_EQ(rc.Summary().rows[2].label, c.labels[2]);
        EXPECT_NE(rc.Summary().startSpeed, "-");
        EXPECT_TRUE(rc.LastStore().stored);
        EXPECT_TRUE(rc.LastStore().saved);
        EXPECT_EQ(rc.Experiment()._IDSimExp, rc.LastStore().idResult);
        EXPECT_THAT(rc.Experiments(), ElementsAre("E"));
        EXPECT_EQ(rc.ExperimentIndex(), 0);

        const Stored back = d.Back("E");
        EXPECT_EQ(back.records, 1);
        EXPECT_EQ(back.flags, c.mode);
        EXPECT_EQ(back.datum, "01.02.2025");
        EXPECT_EQ(back.zeit, "10:00:00");
        const engine::TVysledky& groupSeries = c.mode == 2 ? d.sets->runIn : d.sets->group1;
        EXPECT_EQ(back.rows, groupSeries.NVyst);
        EXPECT_GT(back.rows, 10);
        EXPECT_EQ(back.protocols, 1);
    }
}

TEST(RunController, SameNameReplacesAnotherNameAdds) {
    DemoRun d;
    d.Calculate("A", {{TParam::Position1, "0"}});
    d.Calculate("A", {{TParam::Speed1, "1.2"}});
    Stored a = d.Back("A");
    EXPECT_EQ(a.records, 1);
    EXPECT_EQ(a.vab, 1.2);
    d.Calculate("B");
    EXPECT_EQ(d.Back("A").records, 1);
    EXPECT_EQ(d.Back("B").records, 1);
    EXPECT_THAT(d.rc->Experiments(), ElementsAre("A", "B"));
    EXPECT_EQ(d.rc->ExperimentIndex(), 1);

    // Without "Vollständige Resultate speichern" only the experiment record is kept.
    d.rc->SetAlleResSpeichern(false);
    d.Calculate("C");
    const Stored c = d.Back("C");
    EXPECT_EQ(c.records, 1);
    EXPECT_EQ(c.rows, 0);
    EXPECT_EQ(c.protocols, 0);
}

TEST(RunController, ARefusedRunIsStoredWithoutResultsAndShowsWhy) {
    struct Case {
        const char* what;
        int mode;
        std::function<void(model::TSimExperiment&)> change;
        const char* message;
    };
    const Case cases[] = {
        // The run-in target defaults to the proposed start, beyond the primary retarder.
        {"run-in target behind the next retarder", 2, [](model::TSimExperiment&) {},
         "Die eingegebene Zulaufposition 103.70 m kann nicht weiter als die untere Grenze der Hauptbremse "
         "68.00 m liegen!\r\rDie eingegebene Zulaufposition 103.70 m kann nicht nach dem Auslauf der "
         "Wagengruppe aus der Zulaufbremse -22.55 m liegen!\rSonst würde die Wagengruppe ungesteuert "
         "beschleunigen!\r\r"},
        {"negative push-off speed", 0, [](model::TSimExperiment& e) { e._Vab = -1; },
         "Der Simulationslauf kann nicht mit negative \rAbdrückgeschwindigkeit realisiert werden!\r\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DemoRun d;
        TRunController& rc = *d.rc;
        rc.ChangeMode(c.mode);
        rc.ChangeExperiment(c.change);
        rc.SetGraphWindow(true);
        d.Calculate("F");
        const engine::TVysledky& cur = d.sets->current;
        EXPECT_FALSE(cur.Berechnet);
        EXPECT_EQ(cur.NVyst, 0);
        EXPECT_EQ(cur.ResultsMeldung, engine::rmError);
        EXPECT_EQ(cur.WarnungMessage, c.message);
        EXPECT_FALSE(rc.Outdated());
        EXPECT_EQ(rc.Summary().status, "Resultate sind unkorrekt");
        EXPECT_EQ(rc.Summary().statusColour, TStatusColour::Red);
        EXPECT_TRUE(rc.Summary().messageVisible);
        EXPECT_EQ(rc.Summary().message, c.message);
        EXPECT_FALSE(rc.ResultWindows().graphOpen);
        EXPECT_FALSE(rc.ResultWindows().calculated);

        EXPECT_TRUE(rc.LastStore().stored);
        const Stored back = d.Back("F");
        EXPECT_EQ(back.records, 1);
        EXPECT_EQ(back.flags, c.mode);
        EXPECT_EQ(back.rows, 0);
        EXPECT_EQ(back.protocols, 0);
    }
}

TEST(RunController, WithoutANameNothingIsCalculated) {
    DemoRun d;
    const std::string before = test::ReadBytes(d.file);
    d.rc->SetNameText("");
    EXPECT_FALSE(d.rc->Berechnen());
    EXPECT_THAT(d.port.texts(), ElementsAre("Der Name von Simulationsexperiment muß eingegeben werden."));
    EXPECT_EQ(d.port.messages()[0].kind, MsgKind::Warning);
    EXPECT_EQ(d.rc->Focus(), TFocus::NameBox);
    EXPECT_FALSE(d.sets->current.Berechnet);
    EXPECT_TRUE(d.rc->Outdated());
    EXPECT_EQ(test::ReadBytes(d.file), before);
}

TEST(RunController, CalculatingWithoutStoringLeavesTheFileAlone) {
    DemoRun d;
    const std::string before = test::ReadBytes(d.file);
    d.rc->SetStoreOnCalculate(false);
    d.Calculate("Probe", {{TParam::Position1, "0"}});
    EXPECT_TRUE(d.sets->current.Berechnet);
    EXPECT_FALSE(d.rc->LastStore().stored);
    EXPECT_EQ(d.rc->NameText(), "Probe");
    EXPECT_THAT(d.rc->Experiments(), IsEmpty());
    EXPECT_EQ(test::ReadBytes(d.file), before);
}

TEST(RunController, ParameterEditsAreValidatedOnLeaving) {
    struct Case {
        int mode;
        TParam p;
        std::string text;
        bool accepted;
        double model::TSimExperiment::*field;
        double value;      // the field afterwards
        std::string shown;  // the edit's text afterwards ("" : as typed)
    };
    using E = model::TSimExperiment;
    const Case cases[] = {
        {0, TParam::Iterationsschritt, "0.01", true, &E::_Ddx0, 0.05, "0.05"},
        {0, TParam::Iterationsschritt, "200000", false, &E::_Ddx0, 0.5, "     0.50"},
        {0, TParam::Iterationsgenauigkeit, "0.002", true, &E::_Q, 0.002, ""},
        {0, TParam::Speed1, "-", true, &E::_Vab, 0.0, ""},
        {0, TParam::Speed1, "", true, &E::_Vab, 0.0, ""},
        {0, TParam::Speed1, "abc", false, &E::_Vab, 1.4, "     1.40"},
        {0, TParam::Speed1, "-0.5", false, &E::_Vab, 1.4, "     1.40"},
        {0, TParam::Speed1, " 1,25 ", true, &E::_Vab, 1.25, ""},  // the other separator
        {0, TParam::Position1, "12.5", true, &E::_Xstart, 72.5, ""},  // shown from the crest, kept from Xnull
        {0, TParam::Position2, "-100001", false, &E::_Xtot, 600, "   600.00"},
        {1, TParam::Position2, "550", true, &E::_XZielbrems, 550, ""},
        {1, TParam::Speed2, "-", true, &E::_VZielbrems, 0.0, ""},
        {2, TParam::Position1, "-60", true, &E::_XZulaufStart, -60, ""},
        {2, TParam::Speed2, "1.1", true, &E::_VZulaufEnde, 1.1, ""},
        {2, TParam::Position2, "-30", true, &E::_XZulaufEnde, -30, ""},
    };
    DemoRun d;
    TRunController& rc = *d.rc;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " '" + c.text + "'");
        rc.ChangeMode(c.mode);
        d.port.Clear();
        const double before = rc.Experiment().*c.field;
        EXPECT_EQ(rc.EditParameter(c.p, c.text), c.accepted);
        EXPECT_DOUBLE_EQ(rc.Experiment().*c.field, c.value);
        EXPECT_EQ(rc.Param(c.p).text, c.shown.empty() ? c.text : c.shown);
        if (c.accepted) {
            EXPECT_THAT(d.port.texts(), IsEmpty());
            EXPECT_EQ(rc.Focus(), TFocus::None);
            rc.ChangeExperiment([&](E& e) { e.*c.field = before; });
            continue;
        }
        EXPECT_THAT(d.port.texts(), ElementsAre("Unkorrekte Eingabe: " + c.text));
        EXPECT_EQ(d.port.messages()[0].kind, MsgKind::Error);
        EXPECT_EQ(rc.Focus(), TFocus::Param);
        EXPECT_EQ(rc.FocusedParam(), c.p);
        // Leaving again validates the kept value, which is accepted.
        EXPECT_TRUE(rc.LeaveEdit(c.p));
        EXPECT_EQ(d.port.texts().size(), 1u);
    }
}

TEST(RunController, EditingMarksResultsOutdatedAndTheModeSetNotCalculated) {
    DemoRun d;
    TRunController& rc = *d.rc;
    d.Calculate("E", {{TParam::Position1, "0"}});
    ASSERT_TRUE(d.sets->normal.Berechnet);
    rc.EnterEdit(TParam::Speed1);
    rc.ChangeEditText(TParam::Speed1, rc.Param(TParam::Speed1).text);
    EXPECT_FALSE(rc.Outdated()) << "the same text";
    rc.ChangeEditText(TParam::Speed1, "1.3");
    EXPECT_TRUE(rc.Outdated());
    EXPECT_TRUE(rc.BerechnenEmphasized());
    EXPECT_EQ(rc.Summary().status, "Resultate noch nicht ermittelt");
    EXPECT_TRUE(rc.LeaveEdit(TParam::Speed1));
    EXPECT_FALSE(d.sets->normal.Berechnet);
}

TEST(RunController, ACommaLocaleAcceptsThePointToo) {
    DemoRun d("S1-GUT", NumberFormat{','});
    TRunController& rc = *d.rc;
    EXPECT_EQ(rc.fDecimalSeparator, ',');
    EXPECT_EQ(rc.fNeplatSeparator, '.');
    EXPECT_EQ(rc.Param(TParam::Speed1).text, "     1,40");
    EXPECT_TRUE(rc.EditParameter(TParam::Speed1, "1.5"));
    EXPECT_EQ(rc.Experiment()._Vab, 1.5);
    EXPECT_TRUE(rc.EditParameter(TParam::Speed1, "1,6"));
    EXPECT_EQ(rc.Experiment()._Vab, 1.6);
    EXPECT_FALSE(rc.EditParameter(TParam::Speed1, "1.6.1"));
    EXPECT_THAT(d.port.texts(), ElementsAre("Unkorrekte Eingabe: 1.6.1"));
    EXPECT_EQ(rc.Param(TParam::Speed1).text, "     1,60");
}

TEST(RunController, ModeSwitchShowsTheModesFieldsAndItsResult) {
    DemoRun d;
    TRunController& rc = *d.rc;
    rc.ChangeMode(1);
    EXPECT_EQ(rc.Param(TParam::Position2).caption, "Zielposition");
    EXPECT_EQ(rc.Param(TParam::Speed2).caption, "Zielgeschwindigkeit");
    EXPECT_EQ(rc.Param(TParam::Speed2).text, "     1.40");
    EXPECT_TRUE(rc.Param(TParam::Zeitversatz).visible);
    EXPECT_TRUE(rc.VausGueltigVisible());
    EXPECT_TRUE(rc.Group2().visible);
    EXPECT_FALSE(rc.TrainGroup().visible);
    EXPECT_TRUE(rc.Summary().maxVisible);

    rc.ChangeMode(2);
    EXPECT_EQ(rc.Param(TParam::Position1).text, "   -60.00");
    EXPECT_EQ(rc.Param(TParam::Speed1).caption, "Startgeschwindigkeit");
    EXPECT_EQ(rc.Param(TParam::Speed2).caption, "Zulaufgeschw.");
    EXPECT_FALSE(rc.Param(TParam::Zeitversatz).visible);
    EXPECT_FALSE(rc.Group2().visible);
    EXPECT_TRUE(rc.TrainGroup().visible);
    EXPECT_EQ(rc.Summary().maxLabel, "Max. Auslaufgschw. der Einlaufbremse");

    // With a calculated normal run, switching back shows it again; target braking has none.
    rc.ChangeMode(0);
    d.Calculate("E", {{TParam::Position1, "0"}});
    const int rows = d.sets->normal.NVyst;
    rc.ChangeMode(1);
    EXPECT_TRUE(rc.Outdated());
    EXPECT_EQ(d.sets->current.NVyst, 0);
    EXPECT_FALSE(d.sets->current.Berechnet);
    rc.ChangeMode(0);
    EXPECT_FALSE(rc.Outdated());
    EXPECT_EQ(d.sets->current.NVyst, rows);
    EXPECT_EQ(d.sets->group1.NVyst, rows);
    EXPECT_EQ(rc.Summary().status, "Resultate OK");
    EXPECT_DOUBLE_EQ(rc.WegA1(), 0.0);

    // Switching the mode checks "Auslaufgeschwindigkeit gültig" again, as a click would.
    rc.SetVausGueltig(false);
    EXPECT_FALSE(rc.VausGueltigChecked());
    rc.ChangeMode(0);
    EXPECT_TRUE(rc.VausGueltigChecked());
    EXPECT_TRUE(rc.Outdated());
}

TEST(RunController, CalculatedResultsFeedTheOpenGraphWindow) {
    DemoRun d;
    TRunController& rc = *d.rc;
    rc.ChangeMode(1);
    rc.SetGraphWindow(true);
    EXPECT_FALSE(rc.ResultWindows().graphOpen) << "nothing calculated to show";
    d.Calculate("Z", {{TParam::Position1, "0"}});
    rc.SetGraphWindow(true);
    const TResultWindows& w = rc.ResultWindows();
    EXPECT_TRUE(w.graphOpen);
    EXPECT_TRUE(w.draw);
    EXPECT_EQ(w.graphCaption, "Graphische Ausgabe - Z - Zielbremsung");
    EXPECT_FALSE(w.chart.runInGroup);
    EXPECT_EQ(w.chart.vziel, 1.4);
    EXPECT_EQ(w.chart.xend, 600);
    EXPECT_EQ(w.chart.vstart, 1.4);
    EXPECT_DOUBLE_EQ(w.chart.xstart, 0);
    EXPECT_TRUE(d.sets->current.ZielEingegeben);
    EXPECT_EQ(d.engine.work.NVyst, d.sets->current.NVyst) << "the current set is the working series again";
    EXPECT_NE(std::find(d.changes.begin(), d.changes.end(), TRunChange::Summary), d.changes.end());
}

TEST(RunController, DeletingTheLastExperimentProposesTheAutomaticName) {
    DemoRun d;
    TRunController& rc = *d.rc;
    d.Calculate("A", {{TParam::Position1, "0"}});
    ASSERT_THAT(rc.Experiments(), ElementsAre("A"));
    rc.ExperimentLoeschen();
    EXPECT_THAT(rc.Experiments(), IsEmpty());
    EXPECT_EQ(rc.ExperimentIndex(), -1);
    EXPECT_EQ(rc.NameText(), "S1-GUT/wg:GUT-ZAC1");
    EXPECT_EQ(rc.Param(TParam::Position1).text, kDemoStart) << "a new experiment with the case's values";
    EXPECT_TRUE(rc.Outdated());
    EXPECT_EQ(d.Back("A").records, 1) << "the deletion is saved with the next save";
}

TEST(RunController, AStoredExperimentLoadsWithItsOwnValues) {
    DemoRun d;
    d.rc->ChangeMode(1);
    d.Calculate("Z1", {{TParam::Position1, "0"}, {TParam::Speed1, "1.2"}});
    d.rc->ChangeMode(0);
    d.Calculate("N1", {{TParam::Position1, "5"}});

    // A second window on the same document loads the first stored experiment.
    auto sets = std::make_unique<engine::TResultSets>();
    db::TCurrentSelection current = d.current;
    TRunController rc(d.main, current, d.engine, *sets, d.port, TRunOptions{{}, Clock});
    rc.Activate();
    EXPECT_THAT(rc.Experiments(), ElementsAre("Z1", "N1"));
    EXPECT_EQ(rc.NameText(), "Z1");
    EXPECT_EQ(rc.Mode(), 1);
    EXPECT_EQ(rc.Param(TParam::Position1).text, "     0.00") << "the stored start, not a proposal";
    EXPECT_EQ(rc.Param(TParam::Speed1).text, "     1.20");
    EXPECT_TRUE(rc.Outdated());
    rc.DropDownExperiments();
    rc.ChooseExperiment("N1");
    EXPECT_EQ(rc.Mode(), 0);
    EXPECT_EQ(rc.Param(TParam::Position1).text, "     5.00");
    EXPECT_EQ(rc.NameText(), "N1");
    EXPECT_EQ(rc.ExperimentIndex(), 1);

    rc.DatenRuecksetzen();
    EXPECT_EQ(rc.Param(TParam::Position1).text, kDemoStart);
    EXPECT_EQ(rc.Param(TParam::Speed1).text, "     1.40");
}

TEST(RunController, GroupChoices) {
    DemoRun d;
    TRunController& rc = *d.rc;
    rc.SelectGroup2(d.RunId("SCHL-GBS"));
    EXPECT_TRUE(rc.ZweiteWG());
    EXPECT_TRUE(rc.Group2().enabled);
    EXPECT_TRUE(rc.Param(TParam::Zeitversatz).enabled);
    // GUT-ZAC1 is 15.1 m long, pushed off at 1.4 m/s.
    EXPECT_EQ(rc.Param(TParam::Zeitversatz).text, " 10.79");
    EXPECT_EQ(rc.NameText(), "S1-GUT/wg:GUT-ZAC1") << "the second group does not enter the name";

    rc.SetGroup2Checked(false);
    EXPECT_EQ(rc.Experiment()._IDWG2, -1);
    EXPECT_EQ(rc.Group2().id, -1);
    EXPECT_FALSE(rc.Group2().enabled);
    EXPECT_FALSE(rc.ZweiteWG());
    EXPECT_FALSE(rc.Param(TParam::Zeitversatz).enabled);
    EXPECT_EQ(rc.Param(TParam::Zeitversatz).text, "  0.00");

    rc.SelectTrainGroup(d.RunId("ZUG-10"));
    EXPECT_EQ(rc.NameText(), "S1-GUT/wg:GUT-ZAC1/zg:ZUG-10");
    EXPECT_EQ(rc.TrainGroup().panel, "800.0 t");
    rc.SelectGroup2(d.RunId("GRP-3"));
    // A new first group clears the other two choices.
    rc.SelectGroup1(d.RunId("GRP-3"));
    EXPECT_EQ(rc.Experiment()._IDWG2, -1);
    EXPECT_EQ(rc.Experiment()._IDWGZug, -1);
    EXPECT_FALSE(rc.TrainGroup().checked);
    EXPECT_EQ(rc.NameText(), "S1-GUT/wg:GRP-3");
    EXPECT_TRUE(rc.Outdated());

    rc.SetAutoSuggestName(false);
    rc.SetNameText("eigener Name");
    rc.SelectGroup1(d.RunId("GUT-ZAC1"));
    EXPECT_EQ(rc.NameText(), "eigener Name");
}

// ---------------------------------------------------------------------------------------------
// Documents built in code

TEST(RunControllerProposal, StartAtTheCrestOrBehindTheFirstRetarderAfterIt) {
    test::DocFixture fx;
    const auto brake = fx.RetarderType("3RG", {test::Row(0, 30, 1500)}, {test::Row(0, 30, 15)});
    const auto track = [&](test::SectionRows retarders) {
        test::TrackParts p;
        p.xtot = 300;
        p.neig = {{-50.0, 0.0, 0.0, 0.0}, {0.0, 300.0, -10.0, -10.0}};
        p.retarders = std::move(retarders);
        return test::MakeTrack(fx, p);
    };
    const auto none = track({});
    const auto after = track({test::Retarder(brake, 60, 70, 3.0)});
    const auto before = track({test::Retarder(brake, -40, -30, 1.0), test::Retarder(brake, 60, 70, 3.0)});
    const auto wagon = test::BogieWagon(fx);
    const auto run = test::RunOf(fx, wagon, 1);
    const auto fall = fx.Case("Fall", none, run, 300);

    db::TCurrentSelection current;
    current.ProjektID = fx.project;
    current.SimFallID = fall;
    engine::TEngine engine(fx.port);
    auto sets = std::make_unique<engine::TResultSets>();
    TRunController rc(fx.main, current, engine, *sets, fx.port, TRunOptions{{}, Clock});
    rc.Activate();
    EXPECT_EQ(rc.NameText(), "Fall/wg:R" + std::to_string(wagon) + "x1");
    const struct {
        std::int64_t track;
        int ibrStart;
        const char* start;
    } cases[] = {
        {none, 0, "     0.00"},
        {after, 1, "     0.00"},
        // Behind the retarder's end at 70 m by the first axle at or behind the centre of gravity.
        {before, 2, "    81.65"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ibrStart);
        rc.SelectTrack(c.track);
        EXPECT_EQ(rc.Experiment().Gleis().IbrStart, c.ibrStart);
        EXPECT_EQ(rc.Param(TParam::Position1).text, c.start);
        EXPECT_EQ(rc.Param(TParam::Position2).text, "   300.00");
        EXPECT_EQ(rc.Experiment()._XZulaufStart, -50);
        EXPECT_EQ(rc.Track().Bremsen, "BR");
    }

    // A reference that finds no list shows "---".
    DocFixture::TrackRefs refs;
    refs.bogen = test::kNoVariant;
    const auto gap = fx.Track("Luecke", test::Complete(fx, refs));
    rc.SelectTrack(gap);
    EXPECT_EQ(rc.Track().Bogen, "---");
    EXPECT_EQ(rc.Track().Neigung, "N");
}

TEST(RunControllerProject, ACaselessProjectHidesThePanels) {
    test::DocFixture fx;
    db::TCurrentSelection current;
    current.ProjektID = fx.project;
    current.SimFallID = 12345;
    engine::TEngine engine(fx.port);
    auto sets = std::make_unique<engine::TResultSets>();
    TRunController rc(fx.main, current, engine, *sets, fx.port, TRunOptions{{}, Clock});
    rc.Activate();
    EXPECT_FALSE(rc.PanelsVisible());
    EXPECT_EQ(current.SimFallID, -1);
    EXPECT_EQ(rc.Caption(), "Simulationslauf");
    EXPECT_THAT(rc.Cases(), IsEmpty());
    EXPECT_THAT(fx.port.texts(), IsEmpty());
}

}  // namespace
}  // namespace gvm::runcontrol
