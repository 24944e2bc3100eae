// Storing an experiment: the record, its result rows and protocols as a reopened file shows
// them, replacing by name, and the failures of a post.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/recording_port.h"
#include "base/rtf.h"
#include "database/data_modules.h"
#include "engine/protocols.h"
#include "engine/result_storage.h"
#include "engine/run_modes.h"
#include "support/repo_data.h"
#include "support/test_support.h"

namespace gvm::engine {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

struct StoredRow {
    int schritt;
    double dist, besch, bo, brems, v, t, luft, wind, rel;
    std::string udalost;
};

struct StoredControl {
    int schritt = 0;
    double dist = 0, bremse1 = 0, achsen1 = 0, ohne = 0, zulas = 0, verw = 0;
};

// A stored experiment as a freshly opened file shows it.
struct StoredExperiment {
    int records = 0;  // records of that name
    std::int64_t idResult = 0;
    std::vector<std::pair<std::string, db::Value>> fields;
    std::vector<StoredRow> rows;
    int bkina = 0;
    StoredControl bkinaFirst;
    int bremsTypRows = 0;
    std::vector<std::string> bremsNamen;
    std::vector<std::string> protocols;

    db::Value Field(const std::string& name) const {
        for (const auto& [n, v] : fields)
            if (n == name) return v;
        return {};
    }
    double Number(const std::string& name) const {
        return db::NumberOf(Field(name)).value_or(-999);
    }
    std::string Text(const std::string& name) const { return db::ValueText(Field(name)); }
};

double F(db::Cursor& c, const char* name) {
    return c.FieldByName(name).AsFloat();
}

void ReadRows(db::DocumentCursors& c, StoredExperiment& e) {
    for (db::Cursor& t = c.ResTracingCDS; !t.Eof(); t.Next())
        e.rows.push_back({static_cast<int>(t.FieldByName("Schritt").AsInteger()),
                          F(t, "DistanzSpitze"), F(t, "BeschlGesamt"), F(t, "BeschlBO"),
                          F(t, "BeschlBrems"), F(t, "Geschwind"), F(t, "Zeit"), F(t, "BeschlLuft"),
                          F(t, "GeschwLuft"), F(t, "GeschwRelLuft"),
                          t.FieldByName("Udalost").AsString()});
    db::Cursor& b = c.ResBKINACDS;
    e.bkina = b.RecordCount();
    if (e.bkina > 0) {
        b.First();
        e.bkinaFirst = {static_cast<int>(b.FieldByName("Schritt").AsInteger()),
                        F(b, "DistanzSpitze"),
                        F(b, "Bremse1"),
                        F(b, "AnzahlAchs1"),
                        F(b, "BeschlOhneBKINA"),
                        F(b, "ZulasVerBschl"),
                        F(b, "VerwBeschl")};
    }
    db::Cursor& n = c.ResBremsTypCDS;
    e.bremsTypRows = n.RecordCount();
    if (e.bremsTypRows > 0)
        for (const char* f : {"BremsName1", "BremsName2", "BremsName3", "BremsName4"})
            e.bremsNamen.push_back(n.FieldByName(f).AsString());
    db::Cursor& v = c.ResVstupCDS;
    if (v.RecordCount() > 0)
        for (const char* f : kProtokollFelder) e.protocols.push_back(v.FieldByName(f).AsString());
}

// The demo database copied into a temporary folder and opened as the program does, a demo
// case current in the simulation module, and a fresh experiment "E1" of it.
struct StoreFixture {
    explicit StoreFixture(std::string fallName = "S1-GUT") : fall(std::move(fallName)) {
        fs::copy_file(test::RepoData().DemoDatabase(), file);
        main.SetSaveOnDestroy(false);
        EXPECT_EQ(main.OpenCDS(main.InfoDBCDS, file, false), 0);
        main.ProjektCDS.Locate("ProjektName", std::string("Demo"));
        load.CloneFromMainCDS();
        sim.CloneFromMainCDS();
        EXPECT_TRUE(sim.cds.SimulationsFallCDS.Locate("Name", fall));
        db::Cursor& c = load.cds.SimulationsFallCDS;
        EXPECT_TRUE(c.Locate("Name", fall));
        exp.FillFromCase(c, "01.02.2025", "10:00:00");
        exp._Xstart = exp.Gleis().Xgipf;
        exp._NSimExperiment = "E1";
        port.Clear();
    }

    void Run() {
        NormalRun(engine, *sets, exp, ctx, true);
        ASSERT_TRUE(sets->normal.Berechnet);
        port.Clear();
    }
    TStoreInput Input() const {
        return {exp, sets->wg1, ctx.lastRun, engine, sets->normal, {}, "01.02.2025", "10:00:00"};
    }

    // The experiment of that name in the file as it is on disk now.
    StoredExperiment ReadBack(const std::string& name = "E1") const {
        RecordingPort p;
        db::TGravimontDataModule dm(p, test::RepoData());
        dm.SetSaveOnDestroy(false);
        StoredExperiment e;
        if (dm.OpenCDS(dm.InfoDBCDS, file, false) != 0) return e;
        dm.ProjektCDS.Locate("ProjektName", std::string("Demo"));
        db::DocumentCursors& c = dm.cds;
        if (!c.SimulationsFallCDS.Locate("Name", fall)) return e;
        db::Cursor& r = c.SimFallResultCDS;
        for (r.First(); !r.Eof(); r.Next())
            if (r.FieldByName("SimExpName").AsString() == name) ++e.records;
        if (!r.Locate("SimExpName", name)) return e;
        e.idResult = r.FieldByName("ID_Result").AsInteger();
        for (int i = 0; i < r.FieldCount(); ++i) {
            const db::Field f = r.Fields(i);
            if (f.Kind() != db::FieldKind::Dataset) e.fields.emplace_back(f.Name(), f.AsVariant());
        }
        ReadRows(c, e);
        return e;
    }

    std::string fall;
    test::TempDir dir;
    fs::path file = dir / "demo.gvm";
    RecordingPort port;
    db::TGravimontDataModule main{port, test::RepoData()};
    db::TDataLoadDM load{main};
    db::TSimDM sim{main};
    model::ModelContext ctx{load, port};
    model::TSimExperiment exp{ctx};
    TEngine engine{port};
    std::unique_ptr<TResultSets> sets = std::make_unique<TResultSets>();
};

TEST(EventText, BuildsTheTextOfEachCode) {
    const struct {
        int code;
        double param;
        const char* text;
    } cases[] = {
        {evNone, 0.0, " "},
        {evEinlaufAchse, 3.02, "Einlauf Achse 3 auf Bremse 2"},
        {evAuslaufAchse, 12.5, "Auslauf Achse 12 aus Bremse 50"},
        // The retarder number is rounded half to even.
        {evEinlaufAchse, 3.125, "Einlauf Achse 3 auf Bremse 12"},
        {evEinlaufAchse, 3.375, "Einlauf Achse 3 auf Bremse 38"},
        {evAusschalten, 4.0, "Ausschalten   der Bremse 4"},
        {evEinschalten, 11.0, "Einschalten   der Bremse 11"},
        {evAbloesepunkt, 1.7, "Ablösepunkt  "},
        {evStillstandHemmschuh, 0.0, "Stillstand - Hemmschuh"},
        {evZielErreicht, 2.5, "Zielposition erreicht"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EventText(c.code, c.param), c.text) << c.code << " " << c.param;
}

TEST(Storage, StoresTheRecordTheRowsAndTheProtocols) {
    StoreFixture f;
    f.Run();
    const TVysledky& s = f.sets->normal;
    ASSERT_GT(s.NVyst, 100);
    const TStoreInput in = f.Input();
    const TStoreResult r = StoreExperiment(f.sim, f.port, f.exp, &in);
    EXPECT_TRUE(r.stored);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(r.droppedRows, 0);
    EXPECT_THAT(f.port.texts(), IsEmpty());

    const StoredExperiment back = f.ReadBack();
    ASSERT_EQ(back.records, 1);
    EXPECT_EQ(back.idResult, r.idResult);
    EXPECT_EQ(back.Text("Datum"), "01.02.2025");
    EXPECT_EQ(back.Number("Vab"), 1.4);
    EXPECT_EQ(back.Number("Xtot"), 600);
    EXPECT_EQ(back.Number("ID_Gleis"), f.exp.IDGleis());
    EXPECT_EQ(back.Number("ID_Rollot"), f.exp._IDWG1);
    EXPECT_EQ(back.Number("Flags"), model::kNormalLauf);

    ASSERT_EQ(static_cast<int>(back.rows.size()), s.NVyst);
    int events = 0;
    for (int k = 1; k <= s.NVyst; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const StoredRow& row = back.rows[i - 1];
        ASSERT_EQ(row.schritt, k);
        EXPECT_EQ(row.dist, s.Dist[i]);
        EXPECT_EQ(row.besch, s.Besch[i]);
        EXPECT_EQ(row.bo, s.Besch[i] - s.Bbrems[i] + s.Bluft[i]) << k;
        EXPECT_EQ(row.brems, s.Bbrems[i]);
        EXPECT_EQ(row.v, s.Gesch[i]);
        EXPECT_EQ(row.t, s.Zeit[i]);
        EXPECT_EQ(row.rel, s.Vrelat[i]);
        EXPECT_EQ(row.udalost, EventText(s.TeilSchr[i], s.Vluft[i])) << k;
        if (s.TeilSchr[i] == evNone)
            EXPECT_EQ(row.wind, s.Vluft[i]) << k;
        else
            ++events;
    }
    EXPECT_GT(events, 5);
    // A normal run of the demo track has no controlled retarder.
    EXPECT_EQ(back.bkina, 0);
    EXPECT_THAT(back.bremsNamen, ElementsAre("", "", "", ""));
    ASSERT_EQ(back.protocols.size(), 10u);
    for (int i = 0; i < kProtokolle; ++i)
        EXPECT_EQ(RtfToText(back.protocols[static_cast<std::size_t>(i)]),
                  BuildProtocol(in, i).PlainText())
            << i;
}

TEST(Storage, StoresTheControlRecordsOfAControlledRetarder) {
    StoreFixture f("S4-BKINA");
    f.Run();
    const TVysledky& s = f.sets->normal;
    ASSERT_GT(s.IvBKINA, 0);
    const TStoreInput in = f.Input();
    StoreExperiment(f.sim, f.port, f.exp, &in);
    const StoredExperiment back = f.ReadBack();
    ASSERT_EQ(back.bkina, s.IvBKINA);
    const TBKINA& first = s.BKINARes[1];
    EXPECT_EQ(back.bkinaFirst.schritt, first.Kv);
    EXPECT_EQ(back.bkinaFirst.dist, first.X);
    EXPECT_EQ(back.bkinaFirst.bremse1, first.Bki[0]);
    EXPECT_EQ(back.bkinaFirst.achsen1, first.Nb[0]);
    EXPECT_EQ(back.bkinaFirst.ohne, first.Bki0);
    EXPECT_EQ(back.bkinaFirst.zulas, first.Sbkb);
    EXPECT_EQ(back.bkinaFirst.verw, first.Sbkm);
}

TEST(Storage, EventRowsGetTheWindBetweenTheirOrdinaryNeighbours) {
    StoreFixture f;
    f.Run();
    auto s = std::make_unique<TVysledky>();
    // dist, wind (or event parameter), event code
    const struct {
        double dist, vluft;
        int ev;
    } rows[] = {
        {5, 3.02, evEinlaufAchse},  // no ordinary row before: the following one's wind
        {10, 2.0, evNone},
        {15, 1.01, evEinlaufAchse},
        {20, 4.0, evNone},
        {20, 2.01, evAuslaufAchse},  // neighbours at the same distance: the earlier one's wind
        {20, 5.0, evNone},
        {25, 6.0, evNone},
        {30, 2.0, evStillstand},  // no ordinary row after: the one before
    };
    for (const auto& r : rows) {
        const auto k = static_cast<std::size_t>(++s->NVyst);
        s->Dist[k] = r.dist;
        s->Vluft[k] = r.vluft;
        s->TeilSchr[k] = static_cast<std::uint8_t>(r.ev);
    }
    TStoreInput in = f.Input();
    TStoreInput custom{in.exp, in.group, in.run, in.engine, *s, in.nf, in.datum, in.zeit};
    StoreExperiment(f.sim, f.port, f.exp, &custom);

    std::vector<double> wind;
    for (const StoredRow& row : f.ReadBack().rows) wind.push_back(row.wind);
    EXPECT_THAT(wind, ElementsAre(2.0, 2.0, 3.0, 4.0, 4.0, 5.0, 6.0, 6.0));
    EXPECT_EQ(s->Vluft[3], 1.01) << "the series keeps its event parameters";
}

TEST(Storage, CutsEventTextsToTheFieldLength) {
    StoreFixture f;
    auto s = std::make_unique<TVysledky>();
    s->NVyst = 1;
    s->TeilSchr[1] = evEinlaufAchse;
    s->Vluft[1] = 120.12;
    TStoreInput in = f.Input();
    TStoreInput custom{in.exp, in.group, in.run, in.engine, *s, in.nf, in.datum, in.zeit};
    StoreExperiment(f.sim, f.port, f.exp, &custom);
    EXPECT_EQ(f.ReadBack().rows.at(0).udalost, "Einlauf Achse 120 auf Bremse 1");
}

TEST(Storage, StoringUnderTheSameNameReplacesTheExperiment) {
    StoreFixture f;
    f.Run();
    const TStoreInput in = f.Input();
    const TStoreResult first = StoreExperiment(f.sim, f.port, f.exp, &in);

    auto shorter = std::make_unique<TVysledky>();
    shorter->NVyst = 3;
    for (std::size_t k = 1; k <= 3; ++k) shorter->Dist[k] = 10.0 * static_cast<double>(k);
    f.exp._Vab = 1.7;
    TStoreInput custom{in.exp, in.group, in.run, in.engine, *shorter, in.nf, in.datum, in.zeit};
    const TStoreResult second = StoreExperiment(f.sim, f.port, f.exp, &custom);

    EXPECT_EQ(second.idResult, first.idResult);
    const StoredExperiment back = f.ReadBack();
    EXPECT_EQ(back.records, 1);
    EXPECT_EQ(back.Number("Vab"), 1.7);
    EXPECT_EQ(back.rows.size(), 3u);
    EXPECT_EQ(back.protocols.size(), 10u) << "one protocol record, not two";

    // Another name adds a second experiment.
    f.exp._NSimExperiment = "E2";
    const TStoreResult other = StoreExperiment(f.sim, f.port, f.exp, nullptr);
    EXPECT_NE(other.idResult, first.idResult);
    EXPECT_EQ(f.ReadBack().records, 1);
    EXPECT_EQ(f.ReadBack("E2").records, 1);
}

TEST(Storage, WithoutTheFullResultEarlierRowsAreDeleted) {
    StoreFixture f;
    f.Run();
    const TStoreInput in = f.Input();
    StoreExperiment(f.sim, f.port, f.exp, &in);
    ASSERT_FALSE(f.ReadBack().rows.empty());

    const TStoreResult r = StoreExperiment(f.sim, f.port, f.exp, nullptr);
    EXPECT_TRUE(r.stored);
    EXPECT_TRUE(r.saved);
    const StoredExperiment back = f.ReadBack();
    EXPECT_EQ(back.records, 1);
    EXPECT_TRUE(back.rows.empty());
    EXPECT_TRUE(back.protocols.empty());
    EXPECT_EQ(back.bremsTypRows, 0);
}

TEST(Storage, AFailedExperimentPostIsReportedAndStoresNothing) {
    StoreFixture f;
    f.Run();
    const TStoreInput in = f.Input();
    StoreExperiment(f.sim, f.port, f.exp, &in);
    const StoredExperiment before = f.ReadBack();

    // Both an edited and a new record.
    for (const char* name : {"E1", "NEU"}) {
        f.port.Clear();
        f.sim.cds.SimFallResultCDS.BeforePost = [](db::Cursor&) {
            throw EDatabaseError("Schlüsselverletzung");
        };
        f.exp._NSimExperiment = name;
        f.exp._Vab = 2.5;
        const TStoreResult r = StoreExperiment(f.sim, f.port, f.exp, &in);
        EXPECT_FALSE(r.stored) << name;
        EXPECT_FALSE(r.saved) << name;
        ASSERT_EQ(f.port.messages().size(), 1u) << name;
        EXPECT_EQ(f.port.messages()[0].kind, MsgKind::Error);
        EXPECT_THAT(f.port.messages()[0].text, HasSubstr(std::string("\"") + name + "\""));
        EXPECT_THAT(f.port.messages()[0].text, HasSubstr("Schlüsselverletzung"));
        EXPECT_EQ(f.sim.cds.SimFallResultCDS.State(), db::DsState::Browse);
    }
    f.sim.cds.SimFallResultCDS.BeforePost = nullptr;
    const StoredExperiment after = f.ReadBack();
    EXPECT_EQ(after.Number("Vab"), before.Number("Vab"));
    EXPECT_EQ(after.rows.size(), before.rows.size());
    EXPECT_EQ(f.ReadBack("NEU").records, 0);
    // The module holds no half-made record either.
    EXPECT_FALSE(f.sim.cds.SimFallResultCDS.Locate("SimExpName", std::string("NEU")));
}

TEST(Storage, FailedRowPostsAreCountedInOneMessage) {
    StoreFixture f;
    f.Run();
    const TStoreInput in = f.Input();
    f.sim.cds.ResTracingCDS.BeforePost = [](db::Cursor& c) {
        const auto k = c.FieldByName("Schritt").AsInteger();
        if (k == 2 || k == 7 || k == 9) throw EDatabaseError("Key violation");
    };
    const TStoreResult r = StoreExperiment(f.sim, f.port, f.exp, &in);
    EXPECT_TRUE(r.stored);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(r.droppedRows, 3);
    ASSERT_EQ(f.port.messages().size(), 1u);
    EXPECT_THAT(f.port.messages()[0].text, HasSubstr("Primary key violation"));
    EXPECT_THAT(f.port.messages()[0].text, HasSubstr("3"));

    const StoredExperiment back = f.ReadBack();
    EXPECT_EQ(static_cast<int>(back.rows.size()), f.sets->normal.NVyst - 3);
    EXPECT_EQ(back.rows.at(1).schritt, 3);
    EXPECT_EQ(back.protocols.size(), 10u);
}

}  // namespace
}  // namespace gvm::engine
