// Project export and import: what an export file holds, how an import rewrites references
// and reuses catalogue entries, and what refused or failed transfers leave behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include "base/recording_port.h"
#include "database/data_modules.h"
#include "database/datapacket.h"
#include "database/gravimont_data_module.h"
#include "database/project_transfer.h"
#include "database/record_helpers.h"
#include "database/references.h"
#include "database/schema.h"
#include "docgen.h"
#include "support/test_support.h"

namespace gvm::db {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

ProgramData DataIn(const fs::path& folder) {
    ProgramData d;
    d.folder = folder;
    return d;
}

// ---------------------------------------------------------------------------------------
// Reading stores

// A record with its table.
struct Row {
    const Record* rec;
    const TableDef* def;

    const Value& operator[](std::string_view field) const {
        const int i = def->IndexOf(field);
        if (i < 0) throw std::out_of_range("no field " + std::string(field) + " in " + def->name);
        return rec->values[static_cast<std::size_t>(i)];
    }
    std::string Text(std::string_view field) const { return ValueText((*this)[field]); }
    std::vector<Row> Rows(std::string_view table) const {
        const int i = def->IndexOf(table);
        if (i < 0 || def->NestedSlot(i) < 0) throw std::out_of_range("no table " + std::string(table));
        std::vector<Row> out;
        for (const auto& r : rec->nested[static_cast<std::size_t>(def->NestedSlot(i))].rows)
            out.push_back({r.get(), def->Field(i).nested.get()});
        return out;
    }
};

Row RootOf(const Store& s) { return {s.root.rows.front().get(), s.rootDef.get()}; }

std::optional<Row> Find(const std::vector<Row>& rows, std::string_view field, const Value& v) {
    for (const Row& r : rows)
        if (SameValue(r[field], v)) return r;
    return std::nullopt;
}

Row ProjectOf(const Store& s, std::string_view name) {
    const auto p = Find(RootOf(s).Rows("Projekten"), "ProjektName", std::string(name));
    if (!p) throw std::out_of_range("no project " + std::string(name));
    return *p;
}

std::vector<std::string> Names(const Store& s, std::string_view table) {
    std::vector<std::string> out;
    for (const Row& r : RootOf(s).Rows(table)) out.push_back(r.Text("Name"));
    std::sort(out.begin(), out.end());
    return out;
}

int Count(const Store& s, std::string_view table, std::string_view name) {
    const auto names = Names(s, table);
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

std::string NameIn(const std::vector<Row>& rows, std::string_view idField, const Value& id) {
    const auto r = Find(rows, idField, id);
    return r ? r->Text("Name") : "-";
}

const struct {
    const char* table;
    const char* idField;
} kVariants[] = {{"Neigung", "ID_Neig"},   {"Bogen", "ID_Bogen"}, {"Bremsen", "ID_Brems"},  {"Weichen", "ID_Weich"},
                 {"RollWider", "ID_RollW"}, {"LuftWid", "ID_Luft"}, {"WirkZonen", "ID_WirkZon"}};

// Words joined by blanks.
std::string Line(std::initializer_list<std::string> words) {
    std::string out;
    for (const std::string& w : words) {
        if (!out.empty()) out += ' ';
        out += w;
    }
    return out;
}

// A project as the engineer sees it: every reference spelled by the name of what it names,
// runs with their wagons. Equal for a project and its faithful copy in any document.
std::vector<std::string> Describe(const Store& s, const Row& project) {
    const Row root = RootOf(s);
    const auto runs = root.Rows("Rollote");
    const auto wagonTypes = root.Rows("WagenKatalog");
    const auto retarderTypes = root.Rows("BremsKatalog");
    const auto run = [&](const Value& id) {
        const auto r = Find(runs, "ID_Rollot", id);
        if (!r) return std::string("-");
        auto wagons = r->Rows("Wagen");
        std::sort(wagons.begin(), wagons.end(),
                  [](const Row& a, const Row& b) { return CompareValues(a["Ord"], b["Ord"]) < 0; });
        std::string t = Line({r->Text("Name"), r->Text("ct5")});
        for (const Row& w : wagons)
            t += Line({";", NameIn(wagonTypes, "ID_WagenTyp", w["ID_WagenTyp"]), w.Text("G"), w.Text("W0grund")});
        return t;
    };
    std::vector<std::string> out;
    for (const auto& v : kVariants) {
        for (const Row& variant : project.Rows(v.table)) {
            std::size_t sections = 0;
            for (const FieldDef& f : variant.def->fields)
                if (f.kind == FieldKind::Dataset) sections += variant.Rows(f.name).size();
            out.push_back(Line({v.table, variant.Text("Name"), std::to_string(sections)}));
        }
    }
    for (const Row& bremsen : project.Rows("Bremsen"))
        for (const Row& a : bremsen.Rows("BremsAbsch"))
            out.push_back(Line({"BremsAbsch", bremsen.Text("Name"), a.Text("Xu"),
                                NameIn(retarderTypes, "ID_BauartKod", a["ID_BauartKod"])}));
    const auto tracks = project.Rows("Gleis");
    for (const Row& t : tracks) {
        std::string line = Line({"Gleis", t.Text("Name")});
        for (const auto& v : kVariants) {
            line += ' ';
            line += NameIn(project.Rows(v.table), v.idField, t[v.idField]);
        }
        out.push_back(line);
    }
    for (const Row& c : project.Rows("SimulationsFall")) {
        out.push_back(Line({"SimulationsFall", c.Text("Name"), NameIn(tracks, "ID_Gleis", c["ID_Gleis"]),
                            run(c["ID_Rollot"]), c.Text("Lfwg")}));
        for (const Row& e : c.Rows("SimFallResult"))
            out.push_back(Line({"SimFallResult", c.Text("Name"), e.Text("SimExpName"),
                                NameIn(tracks, "ID_Gleis", e["ID_Gleis"]), run(e["ID_Rollot"]), run(e["ID_Wg2"]),
                                run(e["ID_WgZug"]), std::to_string(e.Rows("ResTracing").size()),
                                std::to_string(e.Rows("ResVstup").size())}));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Nested rows that name their owner, and the owner's identifier field.
const struct {
    const char* table;
    const char* field;
    const char* ownerId;
} kOwners[] = {
    {"WirkZonen", "ID_Projekt", "ID_Projekt"},  {"Bremsen", "ID_Projekt", "ID_Projekt"},
    {"RollWider", "ID_Projekt", "ID_Projekt"},  {"LuftWid", "ID_Projekt", "ID_Projekt"},
    {"Weichen", "ID_Projekt", "ID_Projekt"},    {"Neigung", "ID_Projekt", "ID_Projekt"},
    {"Gleis", "ID_Projekt", "ID_Projekt"},      {"SimulationsFall", "ID_Projekt", "ID_Projekt"},
    {"Bogen", "ID_Projekt", "ID_Projekt"},      {"WirkAbsch", "ID_WirkZon", "ID_WirkZon"},
    {"BremsAbsch", "ID_Brems", "ID_Brems"},     {"RollAbsch", "ID_Roll", "ID_RollW"},
    {"LuftAbsch", "ID_Luft", "ID_Luft"},        {"WeichAbsch", "ID_Weich", "ID_Weich"},
    {"NeigAbsch", "ID_Neig", "ID_Neig"},        {"BogenAbsch", "ID_Bogen", "ID_Bogen"},
    {"SimFallResult", "ID_Simfall", "ID_Simulationsfall"},
    {"ResVstup", "ID_Result", "ID_Result"},     {"ResBremsTyp", "ID_Result", "ID_Result"},
    {"ResBKINA", "ID_Result", "ID_Result"},     {"ResTracing", "ID_Result", "ID_Result"},
    {"Wagen", "ID_Rollot", "ID_Rollot"},        {"BremsKrafte", "ID_BauartKod", "ID_BauartKod"},
    {"LeerLaufKraft", "ID_BauartKod", "ID_BauartKod"},
};

// Every row below `parent` that names its owner names the record it is stored under, and
// no identifier occurs twice.
void CheckTree(const Row& parent, std::multiset<std::int64_t>& ids) {
    for (int i = 0; i < parent.def->FieldCount(); ++i) {
        const FieldDef& f = parent.def->Field(i);
        if (f.kind == FieldKind::AutoInc) {
            if (const auto* id = std::get_if<std::int64_t>(&parent.rec->values[static_cast<std::size_t>(i)])) {
                EXPECT_EQ(ids.count(*id), 0u) << "identifier " << *id << " twice, in " << parent.def->name;
                ids.insert(*id);
            }
        }
        if (f.kind != FieldKind::Dataset) continue;
        const auto* owner = std::find_if(std::begin(kOwners), std::end(kOwners),
                                         [&](const auto& o) { return f.name == o.table; });
        for (const Row& child : parent.Rows(f.name)) {
            if (owner != std::end(kOwners)) {
                EXPECT_TRUE(SameValue(child[owner->field], parent[owner->ownerId]))
                    << f.name << "." << owner->field << " = " << child.Text(owner->field) << " under "
                    << parent.def->name << " " << parent.Text(owner->ownerId);
            }
            CheckTree(child, ids);
        }
    }
}

void CheckTree(const Store& s) {
    std::multiset<std::int64_t> ids;
    CheckTree(RootOf(s), ids);
}

// Identifiers of the records of a project, itself included.
void CollectIds(const Row& r, std::vector<std::int64_t>& ids) {
    for (int i = 0; i < r.def->FieldCount(); ++i) {
        const FieldDef& f = r.def->Field(i);
        if (f.kind == FieldKind::AutoInc) {
            if (const auto* id = std::get_if<std::int64_t>(&r.rec->values[static_cast<std::size_t>(i)]))
                ids.push_back(*id);
        } else if (f.kind == FieldKind::Dataset) {
            for (const Row& child : r.Rows(f.name)) CollectIds(child, ids);
        }
    }
}

// Equal in every value and every nested row, in stored order.
bool SameTree(const Row& a, const Row& b) {
    if (a.rec->values.size() != b.rec->values.size()) return false;
    for (std::size_t i = 0; i < a.rec->values.size(); ++i)
        if (IsNull(a.rec->values[i]) != IsNull(b.rec->values[i]) ||
            (!IsNull(a.rec->values[i]) && !SameValue(a.rec->values[i], b.rec->values[i])))
            return false;
    for (int i = 0; i < a.def->FieldCount(); ++i) {
        if (a.def->Field(i).kind != FieldKind::Dataset) continue;
        const auto ra = a.Rows(a.def->Field(i).name), rb = b.Rows(a.def->Field(i).name);
        if (ra.size() != rb.size()) return false;
        for (std::size_t k = 0; k < ra.size(); ++k)
            if (!SameTree(ra[k], rb[k])) return false;
    }
    return true;
}

std::shared_ptr<Store> LoadStore(const fs::path& file) { return LoadDataPacket(file, DocumentSchema().get()).store; }

// The document's text with one project taken out: what an import that failed must leave,
// apart from the project created for it.
std::string TextWithout(const Store& s, std::string_view project) {
    auto copy = ParseDataPacket(DataPacketText(s), DocumentSchema().get(), "copy").store;
    const TableDef* def = nullptr;
    RowSet& projects = *TopLevelRows(*copy, "Projekten", &def);
    const auto before = projects.rows.size();
    std::erase_if(projects.rows, [&](const auto& r) { return Row{r.get(), def}.Text("ProjektName") == project; });
    EXPECT_EQ(projects.rows.size() + 1, before) << "project " << project;
    return DataPacketText(*copy);
}

// ---------------------------------------------------------------------------------------
// Documents and files

// The demo with what makes an export's choice visible: a stored experiment in S1-GUT whose
// second group is a run of its own (NUR-EXP, of a wagon type nothing else uses) and whose
// train is the otherwise unused ZUG-10; a wagon type and a retarder type nothing uses.
std::string DemoText() {
    auto store = tools::BuildDemoDocument();
    DocumentCursors c(DocumentCursors::Profile::Loading);
    c.InfoDBCDS.Attach(store);
    c.InfoDBCDS.First();
    auto counter = static_cast<std::int32_t>(c.InfoDBCDS.FieldByName("MaxAutoInc").AsInteger());
    const auto next = [&] { return ++counter; };
    const auto idOf = [](Cursor& cur, const char* field, const char* name) {
        EXPECT_TRUE(cur.Locate("Name", std::string(name))) << name;
        return cur.FieldByName(field).AsInteger();
    };
    const std::int64_t extra = AppendRecord(
        c.WagKatCDS, next, {{"Name", "Extra"}, {"Naw", std::int64_t{2}}, {"G", 12.0}, {"W0grund", 3.0}});
    AppendRecord(c.WagKatCDS, next, {{"Name", "Leer"}, {"Naw", std::int64_t{4}}, {"G", 20.0}});
    const std::int64_t unused = AppendRecord(c.BremsenKatCDS, next, {{"Name", "UNBENUTZT"}, {"A0", 1.0}});
    AppendRecord(c.BremsKrafteCDS, next, {{"ID_BauartKod", unused}, {"Gu", 0.0}, {"Go", 25.0}, {"Bb1", 100.0}});
    const std::int64_t onlyExp =
        AppendRecord(c.RolloteCDS, next, {{"Name", "NUR-EXP"}, {"Cct", 1.0}, {"Fl", 8.0}, {"ct5", 0.5}});
    AppendRecord(c.WagenCDS, next,
                 {{"ID_Rollot", onlyExp}, {"ID_WagenTyp", extra}, {"Ord", std::int64_t{1}}, {"G", 12.0}, {"W0grund", 3.0}});
    const std::int64_t gut = idOf(c.RolloteCDS, "ID_Rollot", "GUT-ZAC1");
    const std::int64_t zug = idOf(c.RolloteCDS, "ID_Rollot", "ZUG-10");
    c.ProjektCDS.First();
    const std::int64_t hump = idOf(c.GleisCDS, "ID_Gleis", "HUMP-DEMO");
    const std::int64_t fall = idOf(c.SimulationsFallCDS, "ID_Simulationsfall", "S1-GUT");
    const std::int64_t result = AppendRecord(c.SimFallResultCDS, next,
                                             {{"ID_Simfall", fall}, {"ID_Rollot", gut}, {"ID_Gleis", hump},
                                              {"SimExpName", "E1"}, {"ID_Wg2", onlyExp}, {"ID_WgZug", zug}});
    for (std::int64_t step = 1; step <= 2; ++step)
        AppendRecord(c.ResTracingCDS, next, {{"ID_Result", result}, {"Schritt", step}, {"Geschwind", 1.5}});
    AppendRecord(c.ResVstupCDS, next, {{"ID_Result", result}, {"resAlg", "Euler"}});
    c.InfoDBCDS.Edit();
    c.InfoDBCDS.FieldByName("MaxAutoInc").SetInteger(counter);
    c.InfoDBCDS.Post();
    return DataPacketText(*store);
}

// Changes a database file through its cursors (no editing rules) and writes it back.
void Rewrite(const fs::path& file, const std::function<void(DocumentCursors&)>& change) {
    auto store = LoadStore(file);
    {
        DocumentCursors c(DocumentCursors::Profile::Loading);
        c.InfoDBCDS.Attach(store);
        c.InfoDBCDS.First();
        c.ProjektCDS.First();
        change(c);
    }
    WriteBytes(file, DataPacketText(*store));
}

// Sets one field of the record of `cursor` whose `key` is `keyValue`.
void Set(Cursor& cursor, const char* key, const Value& keyValue, const char* field, const Value& v) {
    ASSERT_TRUE(cursor.Locate(key, keyValue)) << cursor.Name() << " " << ValueText(keyValue);
    cursor.Edit();
    cursor.FieldByName(field).SetValue(v);
    cursor.Post();
}

void ReplaceText(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// A database opened as the main window holds it, with the application's selection.
struct OpenDoc {
    OpenDoc(MessagePort& port, const ProgramData& data, const fs::path& file) : dm(port, data) {
        dm.SetSaveOnDestroy(false);
        EXPECT_EQ(dm.OpenCDS(dm.InfoDBCDS, file, false), 0) << file;
    }
    bool Export(std::optional<std::int64_t> project, const fs::path& to, const ExportOptions& options = {}) {
        TDataLoadDM load(dm);
        TSimDM sim(dm);
        ProjectExport exporter(dm, load, sim);
        return exporter.Run(project, to, options);
    }
    Store& store() { return *dm.InfoDBCDS.GetStore(); }
    std::int64_t ProjectId(std::string_view name) {
        return std::get<std::int64_t>(ProjectOf(store(), name)["ID_Projekt"]);
    }
    std::int64_t CursorProject() { return dm.ProjektCDS.FieldByName("ID_Projekt").AsInteger(); }

    TGravimontDataModule dm;
    TCurrentSelection current;
};

// The import dialog's objects on one document; one importer may run several imports.
struct Importer {
    explicit Importer(OpenDoc& d) : edit(d.dm), load(d.dm), run(d.dm, edit, load, d.current) {}
    bool operator()(const fs::path& file, const ImportTarget& target) { return run.Run(file, target); }

    TEditDataModule edit;
    TDataLoadDM load;
    ProjectImport run;
};

ImportTarget NewProject(std::string name) { return {true, std::move(name), std::nullopt}; }
ImportTarget Into(std::optional<std::int64_t> id) { return {false, "", id}; }

const std::vector<std::string> kImportProgress{"open 3 Projekt Import: Importieren",
                                               "step 1 Opening Gravimont XML Datenbank", "step 2 Daten Import",
                                               "step 3 Datenbank speichern", "close"};
const char* kCannotOpen = "Import Datenbank konnte nicht geöffnet werden.\n\rImport unterbrochen.";

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(data.TemplateFolder());
        fs::copy_file(DataIn(GVM_SOURCE_DATA_DIR).TemplateFile(), data.TemplateFile());
        WriteBytes(demo, DemoText());
    }

    fs::path Copy(const fs::path& from, const std::string& name) {
        fs::copy_file(from, dir / name, fs::copy_options::overwrite_existing);
        return dir / name;
    }
    fs::path EmptyDocument(const std::string& name = "leer.gvm") { return Copy(data.TemplateFile(), name); }
    // The demo project exported, by default with its stored experiments.
    fs::path ExportDemo(const std::string& name, const ExportOptions& options = {}) {
        OpenDoc src(port, data, demo);
        EXPECT_TRUE(src.Export(src.ProjectId("Demo"), dir / name, options)) << testing::PrintToString(port.texts());
        port.Clear();
        return dir / name;
    }

    TempDir dir;
    ProgramData data = DataIn(dir / "data");
    fs::path demo = dir / "demo.gvm";
    RecordingPort port;
};

// ---------------------------------------------------------------------------------------
// Export

TEST_F(TransferTest, ExportHoldsTheProjectAsItIsAndOnlyTheCatalogueEntriesItUses) {
    using V = std::vector<std::string>;
    const V demoRetarders{"1BB24", "1ZB12", "2TB30", "3RGB20", "6KD12"};
    const struct {
        const char* what;
        ExportOptions options;
        V runs, wagonTypes, retarderTypes;
    } cases[] = {
        {"used only", {}, {"GRP-3", "GUT-ZAC1", "NUR-EXP", "SCHL-GBS", "ZUG-10"},
         {"Eaos", "Extra", "Gbs", "Res", "Zacns"}, demoRetarders},
        {"without results", {.noResults = true}, {"GRP-3", "GUT-ZAC1", "SCHL-GBS"},
         {"Eaos", "Gbs", "Res", "Zacns"}, demoRetarders},
        {"all runs", {.allRuns = true, .noResults = true}, {"GRP-3", "GUT-ZAC1", "NUR-EXP", "SCHL-GBS", "ZUG-10"},
         {"Eaos", "Extra", "Gbs", "Res", "Zacns"}, demoRetarders},
        {"all wagon types", {.allWagons = true, .noResults = true}, {"GRP-3", "GUT-ZAC1", "SCHL-GBS"},
         {"Eaos", "Extra", "Gbs", "Leer", "Res", "Zacns"}, demoRetarders},
        {"all retarder types", {.allRetarders = true, .noResults = true}, {"GRP-3", "GUT-ZAC1", "SCHL-GBS"},
         {"Eaos", "Gbs", "Res", "Zacns"}, {"1BB24", "1ZB12", "2TB30", "3RGB20", "6KD12", "UNBENUTZT"}},
    };
    const auto templ = LoadStore(data.TemplateFile());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenDoc src(port, data, demo);
        // The counter runs ahead of the stored MaxAutoInc: the file must carry the counter.
        src.dm.GetNextAutoIncValue();
        src.dm.GetNextAutoIncValue();
        const fs::path file = dir / "export.gvm";
        fs::remove(file);
        port.Clear();
        ASSERT_TRUE(src.Export(src.ProjectId("Demo"), file, c.options)) << testing::PrintToString(port.texts());
        EXPECT_EQ(port.texts(), V{"Export beendet."});
        EXPECT_EQ(port.progress(), (V{"open 10 Projekt Export: Exportieren", "close"}));

        const auto out = LoadStore(file);
        EXPECT_EQ(Names(*out, "Rollote"), c.runs);
        EXPECT_EQ(Names(*out, "WagenKatalog"), c.wagonTypes);
        EXPECT_EQ(Names(*out, "BremsKatalog"), c.retarderTypes);
        const Row root = RootOf(*out);
        EXPECT_EQ(root.Text("Version"), RootOf(*templ).Text("Version"));
        EXPECT_EQ(root.Text("Info"), RootOf(*templ).Text("Info"));
        EXPECT_EQ(root.Text("MaxAutoInc"), std::to_string(src.dm.AutoIncValue()));

        // Everything exported is the source record, identifiers included.
        auto expected = CopyRecord(*ProjectOf(src.store(), "Demo").rec);
        const Row project = RootOf(*out).Rows("Projekten").at(0);
        ASSERT_EQ(RootOf(*out).Rows("Projekten").size(), 1u);
        if (c.options.noResults) {
            const TableDef& fall = *project.def->Field(project.def->IndexOf("SimulationsFall")).nested;
            const int slot = project.def->NestedSlot(project.def->IndexOf("SimulationsFall"));
            for (auto& f : expected->nested[static_cast<std::size_t>(slot)].rows)
                f->nested[static_cast<std::size_t>(fall.NestedSlot(fall.IndexOf("SimFallResult")))].rows.clear();
        }
        EXPECT_TRUE(SameTree(project, {expected.get(), project.def}));
        for (const auto& [table, id] : {std::pair{"Rollote", "ID_Rollot"}, std::pair{"WagenKatalog", "ID_WagenTyp"},
                                       std::pair{"BremsKatalog", "ID_BauartKod"}}) {
            for (const Row& r : RootOf(*out).Rows(table)) {
                const auto original = Find(RootOf(src.store()).Rows(table), id, r[id]);
                ASSERT_TRUE(original) << table << " " << r.Text("Name");
                EXPECT_TRUE(SameTree(r, *original)) << table << " " << r.Text("Name");
            }
        }
    }
}


TEST_F(TransferTest, ExportNeverOverwritesTheOpenDatabaseTheTemplateOrAFileWithoutAYes) {
    const std::string other = "keine Datenbank";
    const struct {
        const char* what;
        std::function<fs::path()> target;
        std::optional<MsgAnswer> answer;
        bool written;
        MsgKind kind;
    } cases[] = {
        {"the open database", [&] { return demo; }, std::nullopt, false, MsgKind::Error},
        {"the open database by another path", [&] { return dir / "." / "demo.gvm"; }, std::nullopt, false,
         MsgKind::Error},
        {"the template", [&] { return data.TemplateFile(); }, std::nullopt, false, MsgKind::Error},
        {"another file, answer No", [&] { return dir / "other.gvm"; }, MsgAnswer::No, false, MsgKind::Confirmation},
        {"another file, answer Yes", [&] { return dir / "other.gvm"; }, MsgAnswer::Yes, true, MsgKind::Confirmation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir / "other.gvm", other);
        const fs::path target = c.target();
        const std::string before = ReadBytes(target);
        OpenDoc src(port, data, demo);
        port.Clear();
        if (c.answer) port.Script(*c.answer);
        EXPECT_EQ(src.Export(src.ProjectId("Demo"), target), c.written);
        ASSERT_FALSE(port.messages().empty());
        EXPECT_EQ(port.messages().front().kind, c.kind) << port.messages().front().text;
        if (c.kind == MsgKind::Confirmation) {
            EXPECT_EQ(port.messages().front().text,
                      "Die Datei \"" + target.string() + "\" existiert bereits.\n\rWollen Sie sie ersetzen?");
        }
        if (c.written) {
            EXPECT_EQ(RootOf(*LoadStore(target)).Rows("Projekten").size(), 1u);
        } else {
            EXPECT_EQ(ReadBytes(target), before);
        }
        EXPECT_EQ(port.progress().back(), "close");
    }
    EXPECT_EQ(ReadBytes(data.TemplateFile()), ReadBytes(DataIn(GVM_SOURCE_DATA_DIR).TemplateFile()));
}

TEST_F(TransferTest, ExportWithoutProjectFileNameOrTemplateWritesNothing) {
    const struct {
        const char* what;
        std::optional<std::int64_t> project;  // unset: the demo project
        bool noProject;
        const char* file;
        bool templateMissing;
        MsgKind kind;
        const char* message;
    } cases[] = {
        {"no project chosen", std::nullopt, true, "out.gvm", false, MsgKind::Error, "Nichts zu exportieren!"},
        {"unknown project", 9999, false, "out.gvm", false, MsgKind::Error, "Nichts zu exportieren!"},
        {"empty file name", std::nullopt, false, "", false, MsgKind::Plain, "Export beendet."},
        {"template missing", std::nullopt, false, "out.gvm", true, MsgKind::Plain,
         "Die Datenbank konnte nicht gespeichert werden. Musterdatei nicht vorhanden oder Disk voll?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenDoc src(port, c.templateMissing ? DataIn(dir / "nowhere") : data, demo);
        port.Clear();
        const std::optional<std::int64_t> project =
            c.noProject ? std::nullopt : std::optional<std::int64_t>(c.project.value_or(src.ProjectId("Demo")));
        EXPECT_FALSE(src.Export(project, *c.file ? dir / c.file : fs::path()));
        ASSERT_EQ(port.messages().size(), 1u) << testing::PrintToString(port.texts());
        EXPECT_EQ(port.messages()[0].kind, c.kind);
        EXPECT_EQ(port.messages()[0].text, c.message);
        EXPECT_FALSE(fs::exists(dir / "out.gvm"));
        const auto& progress = port.progress();
        EXPECT_EQ(std::count(progress.begin(), progress.end(), "close"),
                  std::count_if(progress.begin(), progress.end(), [](const std::string& p) { return p.starts_with("open"); }));
    }
}

// ---------------------------------------------------------------------------------------
// Import

TEST_F(TransferTest, ImportRewritesEveryReferenceToTheImportedOrReusedRecords) {
    const fs::path file = ExportDemo("export.gvm");
    const auto source = LoadStore(file);
    const auto sourceView = Describe(*source, ProjectOf(*source, "Demo"));
    const struct {
        const char* what;
        bool intoDemo;   // the demo itself (catalogues reused), else an empty document
        bool existing;   // into the demo project while another project is current
    } cases[] = {
        {"new project of an empty document", false, false},
        {"new project of the same document", true, false},
        {"existing project", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = c.intoDemo ? Copy(demo, "target.gvm") : EmptyDocument("target.gvm");
        OpenDoc doc(port, data, target);
        const auto catalogues = [&] {
            return std::vector{Names(doc.store(), "WagenKatalog"), Names(doc.store(), "BremsKatalog"),
                               Names(doc.store(), "Rollote")};
        };
        const auto cataloguesBefore = catalogues();
        std::vector<std::string> expected = sourceView;
        std::int64_t other = -1;
        if (c.existing) {
            const auto demoBefore = Describe(doc.store(), ProjectOf(doc.store(), "Demo"));
            expected.insert(expected.end(), demoBefore.begin(), demoBefore.end());
            std::sort(expected.begin(), expected.end());
            other = AppendRecord(doc.dm.ProjektCDS, [&] { return doc.dm.GetNextAutoIncValue(); },
                                 {{"ProjektName", "Andere"}});
            doc.current.SetProject(other, "Andere");
        }
        const std::int32_t counter = doc.dm.AutoIncValue();
        std::vector<std::int64_t> oldIds;
        CollectIds(RootOf(doc.store()), oldIds);
        port.Clear();

        Importer importer(doc);
        ASSERT_TRUE(importer(file, c.existing ? Into(doc.ProjectId("Demo")) : NewProject("Kopie")))
            << testing::PrintToString(port.texts());
        EXPECT_EQ(port.texts(), std::vector<std::string>{"Import beendet."});
        EXPECT_EQ(port.progress(), kImportProgress);

        const std::string name = c.existing ? "Demo" : "Kopie";
        EXPECT_EQ(Describe(doc.store(), ProjectOf(doc.store(), name)), expected);
        CheckTree(doc.store());
        if (c.intoDemo) {
            EXPECT_EQ(catalogues(), cataloguesBefore) << "catalogue entries and runs are reused";
        } else {
            EXPECT_EQ(Names(doc.store(), "Rollote"), Names(*source, "Rollote"));
            EXPECT_EQ(Names(doc.store(), "WagenKatalog"), Names(*source, "WagenKatalog"));
            EXPECT_EQ(Names(doc.store(), "BremsKatalog"), Names(*source, "BremsKatalog"));
        }
        // Every record added has a new identifier from the counter.
        std::vector<std::int64_t> ids;
        CollectIds(RootOf(doc.store()), ids);
        for (std::int64_t id : ids) {
            if (std::find(oldIds.begin(), oldIds.end(), id) == oldIds.end()) {
                EXPECT_GT(id, counter);
            }
        }
        if (c.existing) {
            EXPECT_EQ(doc.current.ProjektID, other);
            EXPECT_EQ(doc.CursorProject(), other);
        } else {
            EXPECT_EQ(doc.current.ProjektID, counter + 1);
            EXPECT_EQ(doc.current.ProjektName, "Kopie");
            EXPECT_EQ(doc.current.SimFallID, -1);
            EXPECT_EQ(doc.CursorProject(), counter + 1);
        }
        // The import saved the document.
        const auto saved = LoadStore(target);
        EXPECT_EQ(Describe(*saved, ProjectOf(*saved, name)), expected);
    }
}

TEST_F(TransferTest, SameFileTwiceAddsCatalogueEntriesOnceAndTheProjectTwice) {
    const fs::path file = ExportDemo("export.gvm");
    const auto source = LoadStore(file);
    OpenDoc doc(port, data, EmptyDocument());
    Importer importer(doc);  // one importer for both: nothing of the first may leak into the second
    ASSERT_TRUE(importer(file, NewProject("Eins")));
    const auto once = std::vector{Names(doc.store(), "WagenKatalog"), Names(doc.store(), "BremsKatalog"),
                                  Names(doc.store(), "Rollote")};
    ASSERT_TRUE(importer(file, NewProject("Zwei")));
    EXPECT_EQ((std::vector{Names(doc.store(), "WagenKatalog"), Names(doc.store(), "BremsKatalog"),
                           Names(doc.store(), "Rollote")}),
              once);
    EXPECT_EQ(Names(doc.store(), "Rollote"), Names(*source, "Rollote"));
    const auto expected = Describe(*source, ProjectOf(*source, "Demo"));
    EXPECT_EQ(Describe(doc.store(), ProjectOf(doc.store(), "Eins")), expected);
    EXPECT_EQ(Describe(doc.store(), ProjectOf(doc.store(), "Zwei")), expected);
    CheckTree(doc.store());
}

TEST_F(TransferTest, MatchingReusesOnlyWhatIsAlikeInEveryComparedValue) {
    using Change = std::function<void(DocumentCursors&)>;
    const auto force = [](const char* table, double gu, const char* field, double v) {
        return [=](DocumentCursors& c) {
            ASSERT_TRUE(c.BremsenKatCDS.Locate("Name", std::string("1BB24")));
            Set(std::string_view(table) == "BremsKrafte" ? c.BremsKrafteCDS : c.LeerLaufKraftCDS, "Gu", gu, field, v);
        };
    };
    const auto wagon = [](const char* run, std::int64_t ord, const char* field, const Value& v) {
        return [=](DocumentCursors& c) {
            ASSERT_TRUE(c.RolloteCDS.Locate("Name", std::string(run)));
            Set(c.WagenCDS, "Ord", ord, field, v);
        };
    };
    const struct {
        const char* what;
        Change change;
        std::map<std::string, int> expected;  // "table name" -> records of that name afterwards
    } cases[] = {
        {"unchanged", [](DocumentCursors&) {},
         {{"BremsKatalog 1BB24", 1}, {"WagenKatalog Zacns", 1}, {"Rollote GUT-ZAC1", 1}, {"Rollote GRP-3", 1}}},
        {"one braking force differs", force("BremsKrafte", 8.0, "Bb5", 1381.0), {{"BremsKatalog 1BB24", 2}}},
        {"one idle force differs", force("LeerLaufKraft", 16.0, "Cc9", 29.0), {{"BremsKatalog 1BB24", 2}}},
        {"one force row fewer",
         [](DocumentCursors& c) {
             ASSERT_TRUE(c.BremsenKatCDS.Locate("Name", std::string("1BB24")));
             ASSERT_TRUE(c.LeerLaufKraftCDS.Locate("Gu", 16.0));
             c.LeerLaufKraftCDS.Delete();
         },
         {{"BremsKatalog 1BB24", 2}}},
        {"a coefficient differs",
         [](DocumentCursors& c) { Set(c.BremsenKatCDS, "Name", std::string("1BB24"), "B0", 3.5); },
         {{"BremsKatalog 1BB24", 2}}},
        // The demo stores B3 = 0 for 1BB24 and no comment for UNBENUTZT.
        {"empty number equals 0, empty text equals no text",
         [](DocumentCursors& c) {
             Set(c.BremsenKatCDS, "Name", std::string("1BB24"), "B3", Value{});
             Set(c.BremsenKatCDS, "Name", std::string("UNBENUTZT"), "Kommentar", std::string());
         },
         {{"BremsKatalog 1BB24", 1}, {"BremsKatalog UNBENUTZT", 1}}},
        {"wagon type differs, and so the run that uses it",
         [](DocumentCursors& c) { Set(c.WagKatCDS, "Name", std::string("Zacns"), "G", 21.6); },
         {{"WagenKatalog Zacns", 2}, {"Rollote GUT-ZAC1", 2}, {"Rollote SCHL-GBS", 1}}},
        {"empty wagon type value equals 0",
         [](DocumentCursors& c) { Set(c.WagKatCDS, "Name", std::string("Zacns"), "Dx5", Value{}); },
         {{"WagenKatalog Zacns", 1}, {"Rollote GUT-ZAC1", 1}}},
        {"run value differs",
         [](DocumentCursors& c) { Set(c.RolloteCDS, "Name", std::string("GUT-ZAC1"), "ct10", 0.06); },
         {{"Rollote GUT-ZAC1", 2}, {"WagenKatalog Zacns", 1}}},
        {"a wagon's own G differs", wagon("GRP-3", 3, "G", 11.6), {{"Rollote GRP-3", 2}, {"WagenKatalog Gbs", 1}}},
        {"rows stored in another order",
         [](DocumentCursors& c) {
             ASSERT_TRUE(c.RolloteCDS.Locate("Name", std::string("GRP-3")));
             ASSERT_TRUE(c.BremsenKatCDS.Locate("Name", std::string("1BB24")));
             for (Record* r : {c.RolloteCDS.CurrentRecord(), c.BremsenKatCDS.CurrentRecord()}) {
                 for (RowSet& rows : r->nested) {
                     std::reverse(rows.rows.begin(), rows.rows.end());
                     ++rows.version;
                 }
             }
         },
         {{"Rollote GRP-3", 1}, {"BremsKatalog 1BB24", 1}}},
        {"a wagon moves to the end", wagon("GRP-3", 1, "Ord", std::int64_t{4}), {{"Rollote GRP-3", 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = ExportDemo("export.gvm", {.allRetarders = true, .noResults = true});
        Rewrite(file, c.change);
        const fs::path target = Copy(demo, "target.gvm");
        OpenDoc doc(port, data, target);
        Importer importer(doc);
        ASSERT_TRUE(importer(file, NewProject("Kopie"))) << testing::PrintToString(port.texts());
        for (const auto& [key, n] : c.expected) {
            const auto space = key.find(' ');
            EXPECT_EQ(Count(doc.store(), key.substr(0, space), key.substr(space + 1)), n) << key;
        }
        // The new project names the record of each name that came last: the added copy, or
        // the only one when it was reused.
        const Row root = RootOf(doc.store());
        const auto newest = [&](const char* table, const char* idField, const Value& id) {
            const auto rows = root.Rows(table);
            const std::string name = NameIn(rows, idField, id);
            std::int64_t last = -1;
            for (const Row& r : rows)
                if (r.Text("Name") == name) last = std::max(last, std::get<std::int64_t>(r[idField]));
            return SameValue(id, last);
        };
        const Row project = ProjectOf(doc.store(), "Kopie");
        for (const Row& b : project.Rows("Bremsen"))
            for (const Row& a : b.Rows("BremsAbsch"))
                EXPECT_TRUE(newest("BremsKatalog", "ID_BauartKod", a["ID_BauartKod"])) << a.Text("Xu");
        for (const Row& f : project.Rows("SimulationsFall"))
            EXPECT_TRUE(newest("Rollote", "ID_Rollot", f["ID_Rollot"])) << f.Text("Name");
        CheckTree(doc.store());
    }
}

TEST_F(TransferTest, ImportTakesTheFirstProjectAndMarksMissingVariantsMinusOne) {
    const fs::path file = ExportDemo("export.gvm");
    Rewrite(file, [](DocumentCursors& c) {
        // A second project that sorts first by name but is stored second.
        const std::int64_t second =
            AppendRecord(c.ProjektCDS, [] { return 5000; }, {{"ProjektName", "AAA"}});
        AppendRecord(c.GleisCDS, [] { return 5001; }, {{"ID_Projekt", second}, {"Name", "NUR-AAA"}});
        c.ProjektCDS.First();
        ASSERT_TRUE(c.GleisCDS.Locate("Name", std::string("HUMP-DEMO")));
        c.GleisCDS.Edit();
        c.GleisCDS.FieldByName("ID_Neig").SetInteger(4711);
        c.GleisCDS.FieldByName("ID_Luft").Clear();
        c.GleisCDS.Post();
    });
    OpenDoc doc(port, data, EmptyDocument());
    Importer importer(doc);
    ASSERT_TRUE(importer(file, NewProject("Kopie")));
    const Row project = ProjectOf(doc.store(), "Kopie");
    std::vector<std::string> tracks;
    for (const Row& t : project.Rows("Gleis")) tracks.push_back(t.Text("Name"));
    std::sort(tracks.begin(), tracks.end());
    EXPECT_EQ(tracks, (std::vector<std::string>{"HUMP-BKINA", "HUMP-DEMO"}));
    const auto hump = Find(project.Rows("Gleis"), "Name", std::string("HUMP-DEMO"));
    ASSERT_TRUE(hump);
    EXPECT_TRUE(SameValue((*hump)["ID_Neig"], std::int64_t{-1}));
    EXPECT_TRUE(SameValue((*hump)["ID_Luft"], std::int64_t{-1}));
    EXPECT_EQ(NameIn(project.Rows("Bogen"), "ID_Bogen", (*hump)["ID_Bogen"]), "BOG-DEMO");
}

TEST_F(TransferTest, ImportedRecordsKeepTheirValuesAndGetNoEditorDefaults) {
    // A file of another layout: retarder types without the coefficient fields, and wagons
    // whose G and W0grund come before their type (so a type rule would act last).
    const fs::path file = ExportDemo("export.gvm", {.allRetarders = true});
    std::string text = ReadBytes(file);
    ReplaceText(text,
                "<FIELD attrname=\"ID_WagenTyp\" fieldtype=\"i4\"/><FIELD attrname=\"Ord\" fieldtype=\"i4\"/>"
                "<FIELD attrname=\"G\" fieldtype=\"r8\"/><FIELD attrname=\"W0grund\" fieldtype=\"r8\"/>",
                "<FIELD attrname=\"G\" fieldtype=\"r8\"/><FIELD attrname=\"W0grund\" fieldtype=\"r8\"/>"
                "<FIELD attrname=\"ID_WagenTyp\" fieldtype=\"i4\"/><FIELD attrname=\"Ord\" fieldtype=\"i4\"/>");
    for (const char* f : {"B0", "B1", "B2", "C0", "C1"}) {
        ReplaceText(text, std::string("<FIELD attrname=\"") + f + "\" fieldtype=\"r8\"/>", "");
        text = std::regex_replace(text, std::regex(std::string(" ") + f + "=\"[^\"]*\""), "");
    }
    WriteBytes(file, text);
    OpenDoc doc(port, data, EmptyDocument());
    Importer importer(doc);
    ASSERT_TRUE(importer(file, NewProject("Kopie"))) << testing::PrintToString(port.texts());
    const auto types = RootOf(doc.store()).Rows("BremsKatalog");
    ASSERT_EQ(types.size(), 6u);
    for (const Row& t : types) {
        EXPECT_TRUE(SameValue(t["B0"], 0.0)) << t.Text("Name") << " B0 " << t.Text("B0");
        EXPECT_TRUE(SameValue(t["C1"], 0.0)) << t.Text("Name") << " C1 " << t.Text("C1");
    }
    const auto grp = Find(RootOf(doc.store()).Rows("Rollote"), "Name", std::string("GRP-3"));
    ASSERT_TRUE(grp);
    const auto gbs = Find(grp->Rows("Wagen"), "Ord", std::int64_t{3});
    ASSERT_TRUE(gbs);
    EXPECT_TRUE(SameValue((*gbs)["G"], 11.5)) << "the wagon's own G, not its type's 6.45";
    EXPECT_TRUE(SameValue((*gbs)["W0grund"], 2.2));
}

TEST_F(TransferTest, RefusedImportCreatesNothing) {
    ExportDemo("export.gvm");
    const struct {
        const char* what;
        const char* file;
        ImportTarget target;
        const char* message;  // null: any error
    } cases[] = {
        {"no file", "", NewProject("Neu"), "Nichts zu importieren!"},
        {"new project without a name", "export.gvm", NewProject(""), "Kein Projekt ausgewählt!"},
        {"no existing project chosen", "export.gvm", Into(std::nullopt), "Kein Projekt ausgewählt!"},
        {"unknown existing project", "export.gvm", Into(9999), "Kein Projekt ausgewählt!"},
        {"name longer than a project name", "export.gvm", NewProject("Dreizehn-Zchn"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = Copy(demo, "target.gvm");
        OpenDoc doc(port, data, target);
        doc.current.SetProject(doc.ProjectId("Demo"), "Demo");
        const std::string before = DataPacketText(doc.store());
        port.Clear();
        Importer importer(doc);
        EXPECT_FALSE(importer(*c.file ? dir / c.file : fs::path(), c.target));
        ASSERT_EQ(port.messages().size(), 1u) << testing::PrintToString(port.texts());
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error);
        if (c.message) {
            EXPECT_EQ(port.messages()[0].text, c.message);
        }
        EXPECT_TRUE(port.progress().empty());
        EXPECT_EQ(DataPacketText(doc.store()), before);
        EXPECT_EQ(doc.current.ProjektID, doc.ProjectId("Demo"));
        EXPECT_EQ(ReadBytes(target), ReadBytes(demo));
    }
}

TEST_F(TransferTest, UnreadableFileLeavesOnlyTheNewProject) {
    const fs::path exported = ExportDemo("export.gvm");
    const std::string bytes = ReadBytes(exported);
    const struct {
        const char* what;
        std::function<fs::path()> file;
        std::string message;
    } cases[] = {
        {"missing file", [&] { return dir / "fehlt.gvm"; }, kCannotOpen},
        {"no XML",
         [&] {
             WriteBytes(dir / "text.gvm", "Dies ist keine Datenbank.");
             return dir / "text.gvm";
         },
         kCannotOpen},
        {"cut off",
         [&] {
             WriteBytes(dir / "cut.gvm", bytes.substr(0, bytes.size() / 2));
             return dir / "cut.gvm";
         },
         kCannotOpen},
        {"no project in it", [&] { return data.TemplateFile(); },
         "Die Importdatei enthält kein Projekt.\n\rImport unterbrochen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = Copy(demo, "target.gvm");
        OpenDoc doc(port, data, target);
        const std::string before = DataPacketText(doc.store());
        port.Clear();
        Importer importer(doc);
        EXPECT_FALSE(importer(c.file(), NewProject("Neu")));
        EXPECT_EQ(port.texts(), (std::vector<std::string>{c.message, "Import beendet."}));
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error);
        EXPECT_EQ(port.progress(), (std::vector<std::string>{kImportProgress[0], kImportProgress[1], "close"}));
        EXPECT_TRUE(ProjectOf(doc.store(), "Neu").Rows("Gleis").empty());
        EXPECT_EQ(TextWithout(doc.store(), "Neu"), before);
        EXPECT_EQ(doc.current.ProjektName, "Neu");
        EXPECT_EQ(doc.CursorProject(), doc.current.ProjektID);
    }
}

TEST_F(TransferTest, FailedImportRemovesEverythingItAddedAndLeavesTheFileAlone) {
    const fs::path good = ExportDemo("export.gvm");
    // A changed catalogue entry, so that the import into the demo adds catalogue entries too.
    Rewrite(good, [](DocumentCursors& cur) { Set(cur.WagKatCDS, "Name", std::string("Gbs"), "G", 6.5); });
    const struct {
        const char* what;
        bool intoDemo;  // into the demo project of the demo, else a new project of an empty document
        std::string from, to;     // metadata change
        std::string row, badRow;  // row value change
        const char* reason;       // part of the error's text
    } cases[] = {
        // Early: the second catalogue fails after the retarder types were copied.
        {"wagon type value out of range", false, "<FIELD attrname=\"Naw\" fieldtype=\"i2\"/>",
         "<FIELD attrname=\"Naw\" fieldtype=\"r8\"/>", "Naw=\"4\"", "Naw=\"1000000000\"", "Naw"},
        // Late: the cases fail after catalogues, runs, variants and tracks were copied.
        {"case value no number", true, "<FIELD attrname=\"Vab\" fieldtype=\"r8\"/>",
         "<FIELD attrname=\"Vab\" fieldtype=\"string.uni\" WIDTH=\"20\"/>", "Vab=\"1.1\"", "Vab=\"schnell\"",
         "schnell"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = ReadBytes(good);
        ReplaceText(text, c.from, c.to);
        ReplaceText(text, c.row, c.badRow);
        const fs::path bad = dir / "bad.gvm";
        WriteBytes(bad, text);

        const fs::path target = c.intoDemo ? Copy(demo, "target.gvm") : EmptyDocument("target.gvm");
        const std::string onDisk = ReadBytes(target);
        OpenDoc doc(port, data, target);
        std::int64_t other = -1;
        if (c.intoDemo) {
            other = AppendRecord(doc.dm.ProjektCDS, [&] { return doc.dm.GetNextAutoIncValue(); },
                                 {{"ProjektName", "Andere"}});
            doc.current.SetProject(other, "Andere");
        }
        const std::string before = DataPacketText(doc.store());
        port.Clear();
        Importer importer(doc);
        EXPECT_FALSE(importer(bad, c.intoDemo ? Into(doc.ProjectId("Demo")) : NewProject("Neu")));

        ASSERT_EQ(port.messages().size(), 2u) << testing::PrintToString(port.texts());
        const std::string& error = port.messages()[0].text;
        EXPECT_EQ(port.messages()[0].kind, MsgKind::Error);
        EXPECT_TRUE(error.starts_with("Fehler beim import.\n\r")) << error;
        EXPECT_TRUE(error.ends_with("\n\r")) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(port.texts().back(), "Import beendet.");
        EXPECT_EQ(port.progress().back(), "close");
        EXPECT_EQ(c.intoDemo ? DataPacketText(doc.store()) : TextWithout(doc.store(), "Neu"), before);
        EXPECT_EQ(ReadBytes(target), onDisk);
        EXPECT_EQ(doc.CursorProject(), doc.current.ProjektID);

        // The same importer then imports a good file as if nothing had happened.
        port.Clear();
        ASSERT_TRUE(importer(good, NewProject("Danach"))) << testing::PrintToString(port.texts());
        const auto source = LoadStore(good);
        EXPECT_EQ(Describe(doc.store(), ProjectOf(doc.store(), "Danach")),
                  Describe(*source, ProjectOf(*source, "Demo")));
        CheckTree(doc.store());
    }
}

}  // namespace
}  // namespace gvm::db
