// The working modules on one document: shared data and positions, each module's orders,
// and the editing module's rules (identifiers, defaults, empty numbers, wagon values,
// required case fields, the modified flag and the delete guards).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/recording_port.h"
#include "base/text.h"
#include "database/data_modules.h"
#include "database/datapacket.h"
#include "database/record_helpers.h"
#include "database/references.h"
#include "docgen.h"
#include "support/repo_data.h"
#include "support/test_support.h"

namespace gvm::db {
namespace {

namespace fs = std::filesystem;

using test::RepoData;

Value I(std::int64_t v) { return Value{v}; }

// Puts the cursor on the first record whose field holds the value; a missing record is a
// broken fixture, not a finding.
Cursor& Go(Cursor& c, std::string_view field, const Value& v) {
    if (!c.Locate(field, v))
        throw std::runtime_error(c.Name() + ": no record with " + std::string(field) + " = " + ValueText(v));
    return c;
}

// One field of every record, in the cursor's order.
std::vector<std::string> Column(Cursor& c, std::string_view field) {
    std::vector<std::string> out;
    for (c.First(); !c.Eof(); c.Next()) out.push_back(c.FieldByName(field).AsString());
    return out;
}

// A main module on a document file in a temporary folder, never saved back, and the three
// working modules cloned from it.
class ModulesTest : public ::testing::Test {
protected:
    ModulesTest() : ModulesTest(DataPacketText(*tools::BuildDemoDocument())) {}
    explicit ModulesTest(const std::string& document) {
        const fs::path file = dir / "doc.gvm";
        test::WriteBytes(file, document);
        main.SetSaveOnDestroy(false);
        if (main.OpenCDS(main.InfoDBCDS, file, false) != 0) throw std::runtime_error("document does not open");
        if (main.ProjektCDS.Locate("ProjektName", Value{"Demo"})) CloneAll();
    }

    void CloneAll() {
        for (TDataModuleBase* m : Modules()) m->CloneFromMainCDS();
    }
    std::vector<TDataModuleBase*> Modules() { return {&edit, &load, &sim}; }

    // Appends with identifiers from the document counter (a module's own rule may give them).
    std::int64_t Add(Cursor& c, FieldValues fields) {
        return AppendRecord(c, [this] { return main.GetNextAutoIncValue(); }, fields);
    }
    std::int64_t Id(std::string_view table, std::string_view idField, const char* name) {
        const Record* rec = FindTopLevel(*main.InfoDBCDS.GetStore(), table, "Name", Value{name});
        if (!rec) throw std::runtime_error(std::string(table) + ": no " + name);
        const TableDef* def = nullptr;
        TopLevelRows(*main.InfoDBCDS.GetStore(), table, &def);
        return std::get<std::int64_t>(rec->values[static_cast<std::size_t>(def->IndexOf(idField))]);
    }
    // A stored experiment below the editing module's current case, written through the
    // simulation module, so every table of the tree has a master record.
    std::int64_t AddExperiment() {
        const std::int64_t fall = edit.cds.SimulationsFallCDS.FieldByName("ID_Simulationsfall").AsInteger();
        Go(sim.cds.SimulationsFallCDS, "ID_Simulationsfall", I(fall));
        Cursor& results = sim.cds.SimFallResultCDS;
        results.Append();
        const std::int64_t id = results.FieldByName("ID_Result").AsInteger();
        results.FieldByName("ID_Simfall").SetInteger(fall);
        results.Post();
        return id;
    }

    struct Refused {
        const char* what;
        std::function<Cursor&(DocumentCursors&)> cursor;  // puts it on the record to delete
        const char* name;
        const char* message;
    };
    // Refused with one error box and no exception; nothing changed, still on the record.
    void ExpectRefused(const Refused& c) {
        Cursor& cursor = c.cursor(edit.cds);
        const std::string before = DataPacketText(*cursor.GetStore());
        port.Clear();
        bool deleted = true;
        ASSERT_NO_THROW(deleted = cursor.Delete()) << c.what;
        EXPECT_FALSE(deleted) << c.what;
        ASSERT_EQ(port.messages().size(), 1u) << c.what;
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error) << c.what;
        EXPECT_EQ(port.messages()[0].text, Substitute(c.message, {c.name})) << c.what;
        EXPECT_EQ(cursor.FieldByName("Name").AsString(), c.name) << c.what;
        EXPECT_EQ(DataPacketText(*cursor.GetStore()), before) << c.what;
    }

    test::TempDir dir;
    RecordingPort port;
    TGravimontDataModule main{port, RepoData()};
    TEditDataModule edit{main};
    TDataLoadDM load{main};
    TSimDM sim{main};
};

Cursor& Named(Cursor& c, const char* name) { return Go(c, "Name", Value{name}); }

// ---------------------------------------------------------------------------------------
// Shared data and positions

TEST_F(ModulesTest, EveryModuleStandsOnTheProjectOfTheMainModule) {
    const std::int64_t demo = main.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
    // Last in stored order but first by name: a module must find it by identifier.
    const std::int64_t alpha = Add(main.ProjektCDS, {{"ProjektName", "Alpha"}});
    Add(main.cds.GleisCDS, {{"ID_Projekt", I(alpha)}, {"Name", "ALPHA-1"}});
    const struct {
        std::int64_t project;
        std::vector<std::string> tracks;
    } rows[] = {{alpha, {"ALPHA-1"}}, {demo, {"HUMP-DEMO", "HUMP-BKINA"}}, {alpha, {"ALPHA-1"}}};
    for (const auto& r : rows) {
        Go(main.ProjektCDS, "ID_Projekt", I(r.project));
        for (TDataModuleBase* m : Modules()) {
            const std::string which = m == &edit ? "editing" : m == &load ? "loading" : "simulation";
            m->CloneFromMainCDS();
            EXPECT_EQ(m->InfoDBCDS.GetStore(), main.InfoDBCDS.GetStore()) << which;
            EXPECT_EQ(m->InfoDBCDS.GetBookmark(), main.InfoDBCDS.GetBookmark()) << which;
            EXPECT_EQ(m->ProjektCDS.FieldByName("ID_Projekt").AsInteger(), r.project) << which;
            std::vector<std::string> tracks = Column(m->cds.GleisCDS, "Name");
            std::sort(tracks.begin(), tracks.end());
            std::vector<std::string> expected = r.tracks;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(tracks, expected) << which;
        }
    }
}

TEST_F(ModulesTest, ChangesThroughAnyModuleAreSeenByAll) {
    const std::int64_t run = Id("Rollote", "ID_Rollot", "GUT-ZAC1");
    int round = 0;
    for (TDataModuleBase* writer : Modules()) {
        const std::string name = "RUN-" + std::to_string(++round);
        Cursor& runs = Go(writer->cds.RolloteCDS, "ID_Rollot", I(run));
        runs.Edit();
        runs.FieldByName("Name").SetString(name);
        runs.Post();
        const std::int64_t track = Add(writer->cds.GleisCDS, {{"Name", name}});
        for (DocumentCursors* reader : {&main.cds, &edit.cds, &load.cds, &sim.cds}) {
            EXPECT_TRUE(reader->RolloteCDS.Locate("Name", Value{name})) << name;
            EXPECT_TRUE(reader->GleisCDS.Locate("ID_Gleis", I(track))) << name;
        }
    }
}

// Projects created as B, A stand A, B by name in the main module but B, A in stored order.
class ModulesOnEmptyDocumentTest : public ModulesTest {
protected:
    ModulesOnEmptyDocumentTest() : ModulesTest(test::ReadBytes(RepoData().TemplateFile())) {}
};

TEST_F(ModulesOnEmptyDocumentTest, ModulesFindTheCurrentProjectWhateverTheirOrder) {
    CloneAll();  // as at start-up, before there is any project
    for (const char* name : {"B", "A"}) {
        const std::int64_t p = Add(main.ProjektCDS, {{"ProjektName", name}});
        Add(main.cds.GleisCDS, {{"ID_Projekt", I(p)}, {"Name", std::string("G") + name}});
    }
    Go(main.ProjektCDS, "ProjektName", Value{"A"});
    ASSERT_EQ(main.ProjektCDS.RecNo(), 1);
    CloneAll();
    for (TDataModuleBase* m : Modules()) {
        EXPECT_EQ(m->ProjektCDS.FieldByName("ProjektName").AsString(), "A");
        EXPECT_EQ(Column(m->cds.GleisCDS, "Name"), std::vector<std::string>{"GA"});
    }
}

// ---------------------------------------------------------------------------------------
// Orders

TEST_F(ModulesTest, EachModuleShowsItsTablesInItsOwnOrder) {
    // Records added last that sort first wherever an order applies.
    Add(main.ProjektCDS, {{"ProjektName", "Alpha"}});
    const std::int64_t demo = Go(main.ProjektCDS, "ProjektName", Value{"Demo"}).FieldByName("ID_Projekt").AsInteger();
    Cursor DocumentCursors::*const variants[] = {&DocumentCursors::NeigungCDS,   &DocumentCursors::BogenCDS,
                                                 &DocumentCursors::BremsenCDS,   &DocumentCursors::RollWiderCDS,
                                                 &DocumentCursors::LuftWidCDS,   &DocumentCursors::WeichenCDS,
                                                 &DocumentCursors::WirkZonenCDS};
    for (auto v : variants) Add(main.cds.*v, {{"ID_Projekt", I(demo)}, {"Name", "AAA"}});
    Add(main.cds.SimulationsFallCDS, {{"ID_Projekt", I(demo)}, {"Name", "A-NEU"}});
    Named(main.cds.BogenCDS, "BOG-DEMO");
    Add(main.cds.BogenAbschCDS, {{"Xu", -100.0}, {"Xo", -90.0}});
    Named(main.cds.RolloteCDS, "GRP-3");
    Add(main.cds.WagenCDS, {{"Ord", I(0)}});
    Named(main.cds.BremsenKatCDS, "1BB24");
    Add(main.cds.BremsKrafteCDS, {{"Gu", 4.0}, {"Go", 6.0}});
    Add(main.cds.LeerLaufKraftCDS, {{"Gu", 4.0}, {"Go", 6.0}});

    using Names = std::vector<std::string>;
    using C = DocumentCursors;
    const auto inDemo = [](Cursor C::*cursor) {
        return [cursor](C& c) -> Cursor& {
            Go(c.ProjektCDS, "ProjektName", Value{"Demo"});
            return c.*cursor;
        };
    };
    const auto top = [](Cursor C::*cursor) { return [cursor](C& c) -> Cursor& { return c.*cursor; }; };
    const auto below = [](Cursor C::*master, const char* name, Cursor C::*detail) {
        return [=](C& c) -> Cursor& {
            Go(c.ProjektCDS, "ProjektName", Value{"Demo"});
            Named(c.*master, name);
            return c.*detail;
        };
    };
    const Names cases{"A-NEU", "S1-GUT", "S2-SCHLECHT", "S3-GRUPPE", "S4-BKINA"};
    const Names runs{"GRP-3", "GUT-ZAC1", "SCHL-GBS", "ZUG-10"};
    const Names wagonTypes{"Eaos", "Gbs", "Res", "Zacns"};
    const Names retarderTypes{"1BB24", "1ZB12", "2TB30", "3RGB20", "6KD12"};
    const Names forces{"0", "4", "8", "16"};
    const struct {
        std::function<Cursor&(C&)> cursor;
        const char* field;
        Names inMain, editing, loading;  // the simulation module as the loading module
    } rows[] = {
        {top(&C::ProjektCDS), "ProjektName", {"Alpha", "Demo"}, {"Alpha", "Demo"}, {"Demo", "Alpha"}},
        {inDemo(&C::NeigungCDS), "Name", {"AAA", "NEIG-DEMO"}, {"AAA", "NEIG-DEMO"}, {"NEIG-DEMO", "AAA"}},
        {inDemo(&C::WeichenCDS), "Name", {"AAA", "WEI-DEMO"}, {"AAA", "WEI-DEMO"}, {"WEI-DEMO", "AAA"}},
        {inDemo(&C::RollWiderCDS), "Name", {"AAA", "ROLL-DEMO"}, {"AAA", "ROLL-DEMO"}, {"ROLL-DEMO", "AAA"}},
        {inDemo(&C::LuftWidCDS), "Name", {"AAA", "WIND-G4"}, {"AAA", "WIND-G4"}, {"WIND-G4", "AAA"}},
        {inDemo(&C::WirkZonenCDS), "Name", {"AAA", "WZ-DEMO"}, {"AAA", "WZ-DEMO"}, {"WZ-DEMO", "AAA"}},
        {inDemo(&C::BogenCDS), "Name", {"BOG-DEMO", "AAA"}, {"AAA", "BOG-DEMO"}, {"BOG-DEMO", "AAA"}},
        {inDemo(&C::BremsenCDS), "Name", {"BREMS-DEMO", "BKINA-DEMO", "AAA"}, {"AAA", "BKINA-DEMO", "BREMS-DEMO"},
         {"BREMS-DEMO", "BKINA-DEMO", "AAA"}},
        {inDemo(&C::GleisCDS), "Name", {"HUMP-BKINA", "HUMP-DEMO"}, {"HUMP-BKINA", "HUMP-DEMO"},
         {"HUMP-DEMO", "HUMP-BKINA"}},
        {inDemo(&C::SimulationsFallCDS), "Name", cases, cases, cases},
        {below(&C::BogenCDS, "BOG-DEMO", &C::BogenAbschCDS), "Xu", {"-100", "114", "240", "305"},
         {"-100", "114", "240", "305"}, {"-100", "114", "240", "305"}},
        {top(&C::RolloteCDS), "Name", runs, runs, runs},
        {below(&C::RolloteCDS, "GRP-3", &C::WagenCDS), "Ord", {"0", "1", "2", "3"}, {"0", "1", "2", "3"},
         {"0", "1", "2", "3"}},
        {top(&C::WagKatCDS), "Name", wagonTypes, wagonTypes, wagonTypes},
        {top(&C::BremsenKatCDS), "Name", retarderTypes, retarderTypes, retarderTypes},
        {below(&C::BremsenKatCDS, "1BB24", &C::BremsKrafteCDS), "Gu", forces, forces, forces},
        {below(&C::BremsenKatCDS, "1BB24", &C::LeerLaufKraftCDS), "Gu", forces, forces, forces},
    };
    for (const auto& r : rows) {
        const struct {
            const char* module;
            C& cds;
            const Names& expected;
        } views[] = {{"main", main.cds, r.inMain},
                     {"editing", edit.cds, r.editing},
                     {"loading", load.cds, r.loading},
                     {"simulation", sim.cds, r.loading}};
        for (const auto& v : views) {
            Cursor& c = r.cursor(v.cds);
            EXPECT_EQ(Column(c, r.field), v.expected) << v.module << " " << c.Name();
        }
    }
}

// ---------------------------------------------------------------------------------------
// Editing module: new records

TEST_F(ModulesTest, EveryNewRecordTakesItsIdentifiersFromTheDocumentCounter) {
    edit.cds.SimulationsFallCDS.First();
    const std::int32_t before = main.AutoIncValue();
    EXPECT_EQ(AddExperiment(), before + 1) << "simulation module, SimFallResultCDS";
    for (Cursor* c : edit.cds.All()) {
        std::int32_t expected = main.AutoIncValue();
        c->Append();
        const TableDef& def = *c->Def();
        for (int i = 0; i < def.FieldCount(); ++i)
            if (def.Field(i).kind == FieldKind::AutoInc) {
                EXPECT_EQ(c->Fields(i).AsInteger(), ++expected) << c->Name() << "." << def.Field(i).name;
            }
        EXPECT_EQ(main.AutoIncValue(), expected) << c->Name();
        c->Cancel();
    }
}

TEST_F(ModulesTest, NewRetarderTypeStartsWithTheStandardCoefficientsUnlessImported) {
    const struct {
        const char* field;
        double value;
    } defaults[] = {{"A0", 0},          {"A1", 0},         {"A2", 0},         {"VausPlus", 0},
                    {"VausMinus", 0},   {"B3", 0},         {"B0", 3.6467},    {"B1", 0.05409},
                    {"B2", -0.0008172}, {"C0", -0.06469},  {"C1", -0.000036208}};
    Cursor& kat = edit.cds.BremsenKatCDS;
    for (bool import : {false, true}) {
        edit.SetBresenKatNewRecordForImport(import);
        kat.Append();
        EXPECT_EQ(kat.FieldByName("ID_BauartKod").AsInteger(), main.AutoIncValue()) << import;
        for (const auto& d : defaults) {
            const Value expected = import ? Value{} : Value{d.value};
            EXPECT_EQ(kat.FieldByName(d.field).AsVariant(), expected) << d.field << (import ? " (import)" : "");
        }
        kat.Cancel();
    }
}

// The demo as stored by a program whose counter has run out.
std::string DemoWithCounterAtItsEnd() {
    auto store = tools::BuildDemoDocument();
    Cursor root("InfoDBCDS");
    root.Attach(store);
    root.Edit();
    root.FieldByName("MaxAutoInc").SetInteger(std::numeric_limits<std::int32_t>::max());
    root.Post();
    return DataPacketText(*store);
}

class ModulesOnExhaustedCounterTest : public ModulesTest {
protected:
    ModulesOnExhaustedCounterTest() : ModulesTest(DemoWithCounterAtItsEnd()) {}
};

TEST_F(ModulesOnExhaustedCounterTest, NewRecordIsRefusedAndTheIdentifierStaysReadOnly) {
    Cursor& runs = edit.cds.RolloteCDS;
    const int count = runs.RecordCount();
    EXPECT_THROW(runs.Append(), EDatabaseError);
    EXPECT_EQ(runs.State(), DsState::Browse);
    EXPECT_EQ(runs.RecordCount(), count);
    runs.Edit();
    EXPECT_THROW(runs.FieldByName("ID_Rollot").SetInteger(5), EDatabaseError);
    runs.Cancel();
}

// ---------------------------------------------------------------------------------------
// Editing module: before posting

TEST_F(ModulesTest, EmptyNumbersArePostedAsZeroExceptInCasesAndResults) {
    auto& c = edit.cds;
    // Emptied while editing a stored record.
    Cursor& runs = Named(c.RolloteCDS, "GRP-3");
    runs.Edit();
    runs.FieldByName("Cct").Clear();
    runs.FieldByName("Info_Code").Clear();
    runs.Post();
    EXPECT_EQ(runs.FieldByName("Cct").AsVariant(), Value{0.0});
    EXPECT_EQ(runs.FieldByName("Info_Code").AsVariant(), I(0));

    // Left empty on a new record of every table; a new retarder type without its defaults.
    edit.SetBresenKatNewRecordForImport(true);
    c.SimulationsFallCDS.First();
    AddExperiment();
    const std::vector<Cursor*> keepEmpty{&c.SimulationsFallCDS, &c.SimFallResultCDS, &c.ResVstupCDS,
                                         &c.ResBremsTypCDS,     &c.ResBKINACDS,      &c.ResTracingCDS};
    std::vector<Cursor*> all = c.All();
    // Details first: a new master record would leave its details on an empty table.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        Cursor& cursor = **it;
        const bool keeps = std::find(keepEmpty.begin(), keepEmpty.end(), &cursor) != keepEmpty.end();
        cursor.Append();
        const bool isCase = &cursor == &c.SimulationsFallCDS;
        if (isCase) {
            cursor.FieldByName("ID_Gleis").SetInteger(1);
            cursor.FieldByName("ID_Rollot").SetInteger(1);
        }
        ASSERT_NO_THROW(cursor.Post()) << cursor.Name();
        const TableDef& def = *cursor.Def();
        for (int i = 0; i < def.FieldCount(); ++i) {
            const FieldDef& f = def.Field(i);
            if (f.kind != FieldKind::Float && f.kind != FieldKind::Integer && f.kind != FieldKind::SmallInt) continue;
            if (isCase && (f.name == "ID_Gleis" || f.name == "ID_Rollot")) continue;
            const Value zero = f.kind == FieldKind::Float ? Value{0.0} : I(0);
            EXPECT_EQ(cursor.Fields(i).AsVariant(), keeps ? Value{} : zero) << cursor.Name() << "." << f.name;
        }
    }
}

TEST_F(ModulesTest, RetarderOfAnATypeNeverEndsBeforeItStarts) {
    for (const char* name : {"A-TYP", "a-typ", "B-TYP", "BA"}) Add(edit.cds.BremsenKatCDS, {{"Name", name}});
    const struct {
        const char* type;
        Value xu, xo;
        double expected;
    } cases[] = {
        {"A-TYP", 10.0, 5.0, 10.0},    {"a-typ", 10.0, 5.0, 10.0},  {"A-TYP", 10.0, Value{}, 10.0},
        {"A-TYP", -5.0, Value{}, 0.0}, {"A-TYP", 5.0, 10.0, 10.0},  {"B-TYP", 10.0, 5.0, 5.0},
        {"BA", 10.0, 5.0, 5.0},
    };
    Cursor& sections = edit.cds.BremsAbschCDS;
    for (const auto& c : cases) {
        const std::int64_t type = Id("BremsKatalog", "ID_BauartKod", c.type);
        const std::string what = std::string(c.type) + " " + ValueText(c.xu) + ".." + ValueText(c.xo);
        Add(sections, {{"ID_BauartKod", I(type)}, {"Xu", c.xu}, {"Xo", c.xo}});
        EXPECT_EQ(sections.FieldByName("Xo").AsFloat(), c.expected) << "new " << what;
        sections.Edit();
        sections.FieldByName("Xo").SetValue(c.xo);
        sections.Post();
        EXPECT_EQ(sections.FieldByName("Xo").AsFloat(), c.expected) << "edited " << what;
    }
}

TEST_F(ModulesTest, WagonTakesTheValuesOfItsTypeOnlyWhenTheTypeChanges) {
    const std::int64_t gbs = Id("WagenKatalog", "ID_WagenTyp", "Gbs");    // G 6.45, W0grund 4.5
    const std::int64_t eaos = Id("WagenKatalog", "ID_WagenTyp", "Eaos");  // G 20, W0grund 1.4
    Cursor& wagons = edit.cds.WagenCDS;
    const auto retype = [&] { wagons.FieldByName("ID_WagenTyp").SetInteger(eaos); };
    const auto renumber = [&] { wagons.FieldByName("Ord").SetInteger(7); };
    const struct {
        const char* what;
        bool defaults;
        bool newWagon;
        std::function<void()> change;
        double g, w0;
    } cases[] = {
        {"new wagon", true, true, retype, 20.0, 1.4},
        {"type changed", true, false, retype, 20.0, 1.4},
        {"renumbered", true, false, renumber, 11.5, 2.2},
        {"renumbered, type written back unchanged", true, false,
         [&] {
             renumber();
             wagons.FieldByName("ID_WagenTyp").SetInteger(gbs);
         },
         11.5, 2.2},
        {"imported wagon", false, true,
         [&] {
             wagons.FieldByName("G").SetFloat(9.0);
             wagons.FieldByName("W0grund").SetFloat(3.0);
             retype();
         },
         9.0, 3.0},
        {"type changed while importing", false, false, retype, 11.5, 2.2},
    };
    int n = 0;
    for (const auto& c : cases) {
        // Each case on a run of its own: one Gbs loaded to 11.5 t with 2.2 kg/t, its own values.
        const std::string run = "W" + std::to_string(++n);
        const std::int64_t id = Add(main.cds.RolloteCDS, {{"Name", run}});
        Add(main.cds.WagenCDS,
            {{"ID_Rollot", I(id)}, {"ID_WagenTyp", I(gbs)}, {"Ord", I(1)}, {"G", 11.5}, {"W0grund", 2.2}});
        edit.SetWagonDefaults(c.defaults);
        Named(edit.cds.RolloteCDS, run.c_str());
        if (c.newWagon)
            wagons.Append();
        else
            wagons.Edit();
        c.change();
        wagons.Post();
        EXPECT_EQ(wagons.FieldByName("G").AsFloat(), c.g) << c.what;
        EXPECT_EQ(wagons.FieldByName("W0grund").AsFloat(), c.w0) << c.what;
    }
}

TEST_F(ModulesTest, CaseNeedsItsTrackAndItsRun) {
    Cursor& cases = edit.cds.SimulationsFallCDS;
    const int count = cases.RecordCount();
    const struct {
        const char* given;
        const char* missing;
    } rows[] = {{"ID_Rollot", "ID_Gleis"}, {"ID_Gleis", "ID_Rollot"}};
    for (const auto& r : rows) {
        cases.Append();
        cases.FieldByName("Name").SetString("OHNE");
        cases.FieldByName(r.given).SetInteger(1);
        try {
            cases.Post();
            ADD_FAILURE() << "posted without " << r.missing;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Feld '") + r.missing + "' muss einen Wert haben.");
        }
        cases.Cancel();
        EXPECT_EQ(cases.RecordCount(), count);
    }
    Add(cases, {{"Name", "MIT"}, {"ID_Gleis", I(1)}, {"ID_Rollot", I(1)}});
    EXPECT_EQ(cases.RecordCount(), count + 1);
}

TEST_F(ModulesTest, AnyInsertEditOrDeleteMarksTheDocumentModified) {
    auto& c = edit.cds;
    const struct {
        const char* what;
        bool modifies;
        std::function<void()> act;
    } cases[] = {
        {"browsing", false, [&] {
             Column(c.NeigAbschCDS, "Xu");
             Named(c.RolloteCDS, "ZUG-10");
         }},
        {"insert", true, [&] { Add(c.RolloteCDS, {{"Name", "NEU"}}); }},
        {"edit", true, [&] {
             c.NeigAbschCDS.Edit();
             c.NeigAbschCDS.FieldByName("Su").SetFloat(21.0);
             c.NeigAbschCDS.Post();
         }},
        {"delete", true, [&] { c.WirkAbschCDS.Delete(); }},
    };
    for (const auto& r : cases) {
        edit.SetModified(false);
        r.act();
        EXPECT_EQ(edit.Modified(), r.modifies) << r.what;
    }
}

// ---------------------------------------------------------------------------------------
// Editing module: delete guards

TEST_F(ModulesTest, VariantUsedByATrackIsKeptAndAFreeOneGoesWithItsSections) {
    using C = DocumentCursors;
    const struct {
        Cursor C::*variant;
        Cursor C::*sections;
        const char* used;
        const char* message;
    } rows[] = {
        {&C::BogenCDS, &C::BogenAbschCDS, "BOG-DEMO", guard_text::kBogen},
        {&C::BremsenCDS, &C::BremsAbschCDS, "BREMS-DEMO", guard_text::kBremsen},
        {&C::BremsenCDS, &C::BremsAbschCDS, "BKINA-DEMO", guard_text::kBremsen},
        {&C::LuftWidCDS, &C::LuftAbschCDS, "WIND-G4", guard_text::kLuft},
        {&C::NeigungCDS, &C::NeigAbschCDS, "NEIG-DEMO", guard_text::kNeigung},
        {&C::RollWiderCDS, &C::RollAbschCDS, "ROLL-DEMO", guard_text::kRoll},
        {&C::WeichenCDS, &C::WeichAbschCDS, "WEI-DEMO", guard_text::kWeichen},
        {&C::WirkZonenCDS, &C::WirkAbschCDS, "WZ-DEMO", guard_text::kWirk},
    };
    for (const auto& r : rows) {
        Cursor& variant = edit.cds.*r.variant;
        Cursor& sections = edit.cds.*r.sections;
        ExpectRefused({r.used, [&](C& c) -> Cursor& { return Named(c.*r.variant, r.used); }, r.used, r.message});

        const int count = variant.RecordCount();
        Add(variant, {{"Name", "FREI"}});
        const std::int64_t section = Add(sections, {{"Xu", 1.0}, {"Xo", 2.0}});
        const std::string table = sections.Def()->name;
        port.Clear();
        EXPECT_TRUE(Named(variant, "FREI").Delete()) << variant.Name();
        EXPECT_TRUE(port.messages().empty()) << variant.Name();
        EXPECT_EQ(variant.RecordCount(), count) << variant.Name();
        EXPECT_FALSE(variant.Locate("Name", Value{"FREI"})) << variant.Name();
        EXPECT_FALSE(StoreRefers(*main.InfoDBCDS.GetStore(), table, {"ID"}, I(section))) << table;
    }
}

TEST_F(ModulesTest, CatalogueEntriesInUseAreKeptAndFreeOnesGoWithTheirTables) {
    using C = DocumentCursors;
    const Refused used[] = {
        {"track of a case", [](C& c) -> Cursor& { return Named(c.GleisCDS, "HUMP-BKINA"); }, "HUMP-BKINA",
         guard_text::kGleis},
        {"run of a case", [](C& c) -> Cursor& { return Named(c.RolloteCDS, "SCHL-GBS"); }, "SCHL-GBS",
         guard_text::kRollot},
        {"retarder type of a section", [](C& c) -> Cursor& { return Named(c.BremsenKatCDS, "6KD12"); }, "6KD12",
         guard_text::kBremsKat},
        {"wagon type of a run", [](C& c) -> Cursor& { return Named(c.WagKatCDS, "Res"); }, "Res",
         guard_text::kWagKat},
    };
    for (const auto& u : used) ExpectRefused(u);

    const struct {
        Cursor C::*cursor;
        Cursor C::*nested;  // a table that goes with the entry, if any
        const char* nestedField;
        std::string nestedTable;
    } free[] = {
        {&C::GleisCDS, nullptr, nullptr, ""},
        {&C::RolloteCDS, &C::WagenCDS, "ID_Wagen", "Wagen"},
        {&C::BremsenKatCDS, &C::BremsKrafteCDS, "ID", "BremsKrafte"},
        {&C::WagKatCDS, nullptr, nullptr, ""},
    };
    for (const auto& f : free) {
        Cursor& c = edit.cds.*f.cursor;
        const int count = c.RecordCount();
        Add(c, {{"Name", "FREI"}});
        const std::int64_t nested = f.nested ? Add(edit.cds.*f.nested, {}) : 0;
        port.Clear();
        EXPECT_TRUE(Named(c, "FREI").Delete()) << c.Name();
        EXPECT_TRUE(port.messages().empty()) << c.Name();
        EXPECT_EQ(c.RecordCount(), count) << c.Name();
        if (f.nested) {
            EXPECT_FALSE(StoreRefers(*main.InfoDBCDS.GetStore(), f.nestedTable, {f.nestedField}, I(nested)));
        }
    }
}

TEST_F(ModulesTest, TrackIsFreeOnceNoCaseOrStoredExperimentOfTheProjectUsesIt) {
    const std::int64_t bkina = Named(edit.cds.GleisCDS, "HUMP-BKINA").FieldByName("ID_Gleis").AsInteger();
    // S4-BKINA runs on the track, and an experiment of S1-GUT was run on it.
    Named(edit.cds.SimulationsFallCDS, "S1-GUT");
    const std::int64_t experiment = Add(edit.cds.SimFallResultCDS, {{"ID_Gleis", I(bkina)}});
    const Refused track{"track", [](DocumentCursors& c) -> Cursor& { return Named(c.GleisCDS, "HUMP-BKINA"); },
                        "HUMP-BKINA", guard_text::kGleis};

    ExpectRefused(track);
    // A case goes without asking; the experiment still holds the track.
    ASSERT_TRUE(Named(edit.cds.SimulationsFallCDS, "S4-BKINA").Delete());
    ExpectRefused(track);
    // S1-GUT goes with its experiments; nothing holds the track any more.
    ASSERT_TRUE(Named(edit.cds.SimulationsFallCDS, "S1-GUT").Delete());
    EXPECT_FALSE(StoreRefers(*main.InfoDBCDS.GetStore(), "SimFallResult", {"ID_Result"}, I(experiment)));
    port.Clear();
    EXPECT_TRUE(Named(edit.cds.GleisCDS, "HUMP-BKINA").Delete());
    EXPECT_TRUE(port.messages().empty());
}

TEST_F(ModulesTest, RunIsKeptWhileACaseOrExperimentOfAnyProjectUsesIt) {
    const std::int64_t zug = Id("Rollote", "ID_Rollot", "ZUG-10");  // no case of the demo uses it
    const std::int64_t gut = Id("Rollote", "ID_Rollot", "GUT-ZAC1");
    // Each reference lives in another project than the editing module's.
    const struct {
        const char* what;
        bool onCase;
        const char* resultField;
    } refs[] = {
        {"case", true, nullptr},
        {"experiment's run", false, "ID_Rollot"},
        {"experiment's second wagon", false, "ID_Wg2"},
        {"experiment's train", false, "ID_WgZug"},
    };
    Cursor& projects = main.ProjektCDS;
    for (const auto& r : refs) {
        Add(projects, {{"ProjektName", "Andere"}});
        Add(main.cds.SimulationsFallCDS, {{"Name", "F"}, {"ID_Gleis", I(1)}, {"ID_Rollot", I(r.onCase ? zug : gut)}});
        if (r.resultField) Add(main.cds.SimFallResultCDS, {{r.resultField, I(zug)}});
        ASSERT_EQ(edit.ProjektCDS.FieldByName("ProjektName").AsString(), "Demo");
        ExpectRefused({r.what, [](DocumentCursors& c) -> Cursor& { return Named(c.RolloteCDS, "ZUG-10"); }, "ZUG-10",
                       guard_text::kRollot});
        Go(projects, "ProjektName", Value{"Andere"}).DeleteNestedRecords();
        projects.Delete();
    }
    port.Clear();
    EXPECT_TRUE(Named(edit.cds.RolloteCDS, "ZUG-10").Delete());
    EXPECT_TRUE(port.messages().empty());
    EXPECT_FALSE(StoreRefers(*main.InfoDBCDS.GetStore(), "Wagen", {"ID_Rollot"}, I(zug)));
}

TEST_F(ModulesTest, RetarderTypeIsKeptWhileASectionOfAnyProjectUsesIt) {
    // The module stands on a project without retarders; the demo's sections still count.
    Add(main.ProjektCDS, {{"ProjektName", "Leer"}});
    CloneAll();
    ASSERT_EQ(edit.cds.BremsenCDS.RecordCount(), 0);
    ExpectRefused({"section of another project",
                   [](DocumentCursors& c) -> Cursor& { return Named(c.BremsenKatCDS, "1ZB12"); }, "1ZB12",
                   guard_text::kBremsKat});
}

}  // namespace
}  // namespace gvm::db
