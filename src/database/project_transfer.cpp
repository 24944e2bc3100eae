#include "database/project_transfer.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/text.h"
#include "database/datapacket.h"
#include "database/projects.h"
#include "database/record_helpers.h"
#include "database/references.h"
#include "database/schema.h"

namespace gvm::db {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Identifier lists and rules

void TIDList::AddRecord(std::int32_t paOldValue, std::int32_t paNewValue) {
    if (std::any_of(List_.begin(), List_.end(), [&](const TIDRec& r) { return r.OldID == paOldValue; })) return;
    List_.emplace_back(paOldValue, paNewValue);
}

std::int32_t TIDList::GetID(std::int32_t paOldID) const {
    if (paOldID == -1) return -1;
    for (const auto& r : List_)
        if (r.OldID == paOldID) return r.NewID;
    return -1;
}

void TIDList::ReplaceID(std::int32_t paOld, std::int32_t paNew) {
    for (auto& r : List_) {
        if (r.OldID == paOld) {
            r.NewID = paNew;
            r.Imported = false;
            return;
        }
    }
}

TFieldsArray::TFieldsArray(std::initializer_list<TFieldsRecord> rules) {
    for (const auto& r : rules) Fields[static_cast<std::size_t>(Count++)] = r;
}

const TFieldsRecord* TFieldsArray::Find(std::string_view fieldName) const {
    for (int i = 0; i < Count; ++i)
        if (Fields[static_cast<std::size_t>(i)].FieldName == fieldName) return &Fields[static_cast<std::size_t>(i)];
    return nullptr;
}

namespace {

TFieldsRecord Rule(const char* field, TOperationMode mode, TIDList& list) { return {field, mode, &list, {}}; }

std::int32_t IntOf(const Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<std::int32_t>(*i);
    if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int32_t>(std::llround(*d));
    return 0;  // an empty reference reads 0, which no list knows
}

const Value& ValueOf(const Record& rec, const TableDef& def, std::string_view field) {
    static const Value kNull;
    const int i = def.IndexOf(field);
    return i < 0 ? kNull : rec.values[static_cast<std::size_t>(i)];
}

const RowSet* NestedOf(const Record& rec, const TableDef& def, std::string_view field, const TableDef** child) {
    const int i = def.IndexOf(field);
    if (i < 0 || def.NestedSlot(i) < 0) return nullptr;
    *child = def.Field(i).nested.get();
    return &rec.nested[static_cast<std::size_t>(def.NestedSlot(i))];
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Export

namespace {

// Copies rows with every field unchanged (identifiers included). In a selective step a
// top-level record whose oCopy field names nothing registered is left out; nested rows
// always go with their parent.
void ExportRows(const RowSet& src, const TableDef& sdef, RowSet& dst, const TableDef& tdef,
                const TFieldsArray& rules, bool selective, bool noResults) {
    const TFieldsRecord* selector = nullptr;
    if (selective)
        for (int i = 0; i < rules.Count; ++i)
            if (rules.Fields[static_cast<std::size_t>(i)].OperationMode == TOperationMode::oCopy)
                selector = &rules.Fields[static_cast<std::size_t>(i)];
    for (const auto& srec : src.rows) {
        if (selector && selector->IDList->GetID(IntOf(ValueOf(*srec, sdef, selector->FieldName))) == -1) continue;
        auto trec = NewRecord(tdef);
        for (int i = 0; i < sdef.FieldCount(); ++i) {
            const FieldDef& sf = sdef.Field(i);
            const int ti = tdef.IndexOf(sf.name);
            if (ti < 0) continue;
            const FieldDef& tf = tdef.Field(ti);
            if (sf.kind == FieldKind::Dataset || tf.kind == FieldKind::Dataset) {
                if (sf.kind != tf.kind || (noResults && sf.name == "SimFallResult")) continue;
                ExportRows(srec->nested[static_cast<std::size_t>(sdef.NestedSlot(i))], *sf.nested,
                           trec->nested[static_cast<std::size_t>(tdef.NestedSlot(ti))], *tf.nested, rules, false,
                           noResults);
                continue;
            }
            const Value& v = srec->values[static_cast<std::size_t>(i)];
            trec->values[static_cast<std::size_t>(ti)] = v;
            const TFieldsRecord* rule = rules.Find(sf.name);
            if (rule && rule->OperationMode == TOperationMode::oStore && IntOf(v) > 0)
                rule->IDList->AddRecord(IntOf(v), IntOf(v));
        }
        dst.rows.push_back(std::move(trec));
    }
    ++dst.version;
}

}  // namespace

bool ProjectExport::Refused(const fs::path& exportFile) {
    std::error_code ec;
    MessagePort& port = main_.Port();
    if (fs::equivalent(exportFile, main_.FileName(), ec)) {
        port.Error("Die geöffnete Datenbank kann nicht als Exportdatei verwendet werden.");
        return true;
    }
    if (fs::equivalent(exportFile, main_.Data().TemplateFile(), ec)) {
        port.Error("Die Musterdatei kann nicht als Exportdatei verwendet werden.");
        return true;
    }
    if (fs::exists(exportFile, ec) &&
        port.Show(MsgKind::Confirmation,
                  "Die Datei \"" + DisplayName(exportFile) + "\" existiert bereits.\n\rWollen Sie sie ersetzen?",
                  MsgButtons::YesNo) != MsgAnswer::Yes)
        return true;
    return false;
}

bool ProjectExport::Run(std::optional<std::int64_t> idProjekt, const fs::path& exportFile,
                        const ExportOptions& options) {
    MessagePort& port = main_.Port();
    const Record* project =
        idProjekt ? FindTopLevel(*main_.InfoDBCDS.GetStore(), "Projekten", "ID_Projekt", *idProjekt) : nullptr;
    if (!project) {
        port.Error("Nichts zu exportieren!");
        return false;
    }
    port.ProgressOpen(10, "Projekt Export", "Exportieren");
    struct CloseProgress {
        MessagePort& p;
        ~CloseProgress() { p.ProgressClose(); }
    } closeProgress{port};
    if (exportFile.empty()) {
        port.Show(MsgKind::Plain, "Export beendet.");
        return false;
    }
    if (Refused(exportFile)) return false;
    if (!CopyFileSilent(main_.Data().TemplateFile(), exportFile)) {
        port.Show(MsgKind::Plain, "Die Datenbank konnte nicht gespeichert werden. Musterdatei nicht vorhanden oder Disk voll?");
        return false;
    }
    try {
        sim_.InfoDBCDS.Attach(LoadDataPacket(exportFile, DocumentSchema().get()).store);
    } catch (const std::exception&) {
        port.Error("Export Datenbank konnte nicht geöffnet werden.\n\rExport unterbrochen.");
        return false;
    }
    Store& target = *sim_.InfoDBCDS.GetStore();
    // The lists belong to one export: entries of an earlier one would select its records.
    for (TIDList* list : {&BremsKatalogIDList, &WagenKatalogIDList, &RollotIDList}) list->Clear();
    try {
        Export(*project, target, options);
        WriteFileAtomic(exportFile, [&](std::ostream& out) { WriteDataPacket(target, out); });
    } catch (...) {
        // Reported by the caller; the simulation module must not keep the half-built file.
        sim_.InfoDBCDS.Close();
        throw;
    }
    sim_.InfoDBCDS.Close();
    port.Show(MsgKind::Plain, "Export beendet.");
    return true;
}

void ProjectExport::Export(const Record& project, Store& target, const ExportOptions& options) {
    const Store& source = *main_.InfoDBCDS.GetStore();
    if (target.root.rows.empty()) throw EDatabaseError("Die Musterdatei enthält keinen Stammdatensatz.");
    Record& root = *target.root.rows.front();
    root.values[static_cast<std::size_t>(target.rootDef->IndexOf("MaxAutoInc"))] =
        std::int64_t{main_.AutoIncValue()};

    const TableDef *sdef = nullptr, *tdef = nullptr;

    // The project with all below it; its retarder sections and cases (and the runs of its
    // experiments, the second group and the train included) name what the catalogues give.
    RowSet one;
    TopLevelRows(source, "Projekten", &sdef);
    RowSet& projects = *TopLevelRows(target, "Projekten", &tdef);
    one.rows.push_back(CopyRecord(project));
    ExportRows(one, *sdef, projects, *tdef,
               TFieldsArray{Rule("ID_BauartKod", TOperationMode::oStore, BremsKatalogIDList),
                            Rule("ID_Rollot", TOperationMode::oStore, RollotIDList),
                            Rule("ID_Wg2", TOperationMode::oStore, RollotIDList),
                            Rule("ID_WgZug", TOperationMode::oStore, RollotIDList)},
               false, options.noResults);

    const struct {
        const char* table;
        TFieldsArray rules;
        bool all;
    } steps[] = {
        {"Rollote",
         {Rule("ID_WagenTyp", TOperationMode::oStore, WagenKatalogIDList),
          Rule("ID_Rollot", TOperationMode::oCopy, RollotIDList)},
         options.allRuns},
        {"WagenKatalog", {Rule("ID_WagenTyp", TOperationMode::oCopy, WagenKatalogIDList)}, options.allWagons},
        {"BremsKatalog", {Rule("ID_BauartKod", TOperationMode::oCopy, BremsKatalogIDList)}, options.allRetarders},
    };
    for (const auto& step : steps) {
        const RowSet& src = *TopLevelRows(source, step.table, &sdef);
        RowSet& dst = *TopLevelRows(target, step.table, &tdef);
        ExportRows(src, *sdef, dst, *tdef, step.rules, !step.all, false);
    }
}

// ---------------------------------------------------------------------------------------
// Import

std::optional<std::int64_t> ProjectImport::ChooseTarget(const fs::path& importFile, const ImportTarget& target) {
    MessagePort& port = main_.Port();
    if (importFile.empty()) {
        port.Error("Nichts zu importieren!");
        return std::nullopt;
    }
    if (target.newProject && !target.name.empty()) {
        if (Utf8Length(target.name) > kProjektNameLength) {
            port.Error("Der Projektname darf höchstens " + std::to_string(kProjektNameLength) + " Zeichen lang sein.");
            return std::nullopt;
        }
        const std::int64_t id = AppendRecord(main_.ProjektCDS, [this] { return main_.GetNextAutoIncValue(); },
                                             {{"ProjektName", target.name}});
        current_.SetProject(id, target.name);
        return id;
    }
    if (!target.newProject && target.idProjekt && main_.ProjektCDS.Locate("ID_Projekt", *target.idProjekt))
        return *target.idProjekt;
    port.Error("Kein Projekt ausgewählt!");
    return std::nullopt;
}

bool ProjectImport::Run(const fs::path& importFile, const ImportTarget& target) {
    const std::optional<std::int64_t> project = ChooseTarget(importFile, target);
    if (!project) return false;
    MessagePort& port = main_.Port();
    port.ProgressOpen(3, "Projekt Import", "Importieren");
    bool imported = false;
    try {
        imported = Import(importFile);
    } catch (...) {
        port.ProgressClose();
        throw;
    }
    port.ProgressClose();
    port.Show(MsgKind::Plain, "Import beendet.");
    // Import into an existing project moved the main project cursor: back to the current one.
    if (current_.HasProject()) main_.ProjektCDS.Locate("ID_Projekt", current_.ProjektID);
    current_.ProjektChanged = current_.SimFallChanged = true;
    return imported;
}

bool ProjectImport::Import(const fs::path& importFile) {
    MessagePort& port = main_.Port();
    port.ProgressStep(1, "Opening Gravimont XML Datenbank");
    edit_.CloneFromMainCDS();
    const std::int64_t targetProject = edit_.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
    try {
        load_.InfoDBCDS.Attach(LoadDataPacket(importFile, nullptr).store);
        load_.InfoDBCDS.First();
    } catch (const std::exception&) {
        port.Error("Import Datenbank konnte nicht geöffnet werden.\n\rImport unterbrochen.");
        return false;
    }
    if (load_.ProjektCDS.Def() == nullptr || load_.ProjektCDS.IsEmpty()) {
        load_.InfoDBCDS.Close();
        port.Error("Die Importdatei enthält kein Projekt.\n\rImport unterbrochen.");
        return false;
    }
    load_.ProjektCDS.First();  // the first project in stored order

    // The lists belong to one import: an old identifier registered by an earlier one would
    // win over this file's own (the first registration wins).
    for (TIDList* list : {&BremsKatalogIDList, &WagenKatalogIDList, &RollotIDList, &BremsenIDList, &NeigungIDList,
                          &BogenIDList, &WeichenIDList, &RollWiderIDList, &LuftWiderIDList, &WirkZonenIDList,
                          &GleisIDList, &SimfallIDList})
        list->Clear();
    const std::int32_t counterAtStart = main_.AutoIncValue();
    try {
        port.ProgressStep(2, "Daten Import");
        CopySteps(targetProject);
        load_.InfoDBCDS.Close();
        port.ProgressStep(3, "Datenbank speichern");
        edit_.SaveInfoCDS();
        return true;
    } catch (const EAbort&) {
        RollBack(counterAtStart);
        return false;
    } catch (const std::exception& e) {
        RollBack(counterAtStart);
        port.Error(std::string("Fehler beim import.\n\r") + e.what() + "\n\r");
        return false;
    }
}

void ProjectImport::CopySteps(std::int64_t targetProject) {
    auto& src = load_.cds;
    auto& dst = edit_.cds;
    using M = TOperationMode;
    struct EditRulesOff {
        TEditDataModule& e;
        EditRulesOff(TEditDataModule& m) : e(m) {
            e.SetBresenKatNewRecordForImport(true);
            e.SetWagonDefaults(false);
        }
        ~EditRulesOff() {
            e.SetBresenKatNewRecordForImport(false);
            e.SetWagonDefaults(true);
        }
    } rulesOff{edit_};

    CopyTable(src.BremsenKatCDS, dst.BremsenKatCDS, {Rule("ID_BauartKod", M::oStore, BremsKatalogIDList)}, nullptr, 0);
    edit_.SetBresenKatNewRecordForImport(false);
    Match(BremsKatalogIDList, "BremsKatalog", "ID_BauartKod");
    CopyTable(src.WagKatCDS, dst.WagKatCDS, {Rule("ID_WagenTyp", M::oStore, WagenKatalogIDList)}, nullptr, 0);
    Match(WagenKatalogIDList, "WagenKatalog", "ID_WagenTyp");
    CopyTable(src.RolloteCDS, dst.RolloteCDS,
              {Rule("ID_Rollot", M::oStore, RollotIDList), Rule("ID_WagenTyp", M::oReplace, WagenKatalogIDList)},
              nullptr, 0);
    Match(RollotIDList, "Rollote", "ID_Rollot");

    const auto variant = [&](Cursor& s, Cursor& d, TFieldsArray rules) {
        CopyTable(s, d, rules, "ID_Projekt", targetProject);
    };
    variant(src.BremsenCDS, dst.BremsenCDS,
            {Rule("ID_Brems", M::oStore, BremsenIDList), Rule("ID_BauartKod", M::oReplace, BremsKatalogIDList)});
    variant(src.NeigungCDS, dst.NeigungCDS, {Rule("ID_Neig", M::oStore, NeigungIDList)});
    variant(src.BogenCDS, dst.BogenCDS, {Rule("ID_Bogen", M::oStore, BogenIDList)});
    variant(src.WeichenCDS, dst.WeichenCDS, {Rule("ID_Weich", M::oStore, WeichenIDList)});
    variant(src.RollWiderCDS, dst.RollWiderCDS, {Rule("ID_RollW", M::oStore, RollWiderIDList)});
    variant(src.LuftWidCDS, dst.LuftWidCDS, {Rule("ID_Luft", M::oStore, LuftWiderIDList)});
    variant(src.WirkZonenCDS, dst.WirkZonenCDS, {Rule("ID_WirkZon", M::oStore, WirkZonenIDList)});
    variant(src.GleisCDS, dst.GleisCDS,
            {Rule("ID_Gleis", M::oStore, GleisIDList), Rule("ID_Neig", M::oReplace, NeigungIDList),
             Rule("ID_Bogen", M::oReplace, BogenIDList), Rule("ID_Brems", M::oReplace, BremsenIDList),
             Rule("ID_Weich", M::oReplace, WeichenIDList), Rule("ID_RollW", M::oReplace, RollWiderIDList),
             Rule("ID_Luft", M::oReplace, LuftWiderIDList), Rule("ID_WirkZon", M::oReplace, WirkZonenIDList)});
    // Stored experiments come along with their cases; their second group and train run are
    // rewritten like their run.
    variant(src.SimulationsFallCDS, dst.SimulationsFallCDS,
            {Rule("ID_Simulationsfall", M::oStore, SimfallIDList), Rule("ID_Gleis", M::oReplace, GleisIDList),
             Rule("ID_Rollot", M::oReplace, RollotIDList), Rule("ID_Wg2", M::oReplace, RollotIDList),
             Rule("ID_WgZug", M::oReplace, RollotIDList)});
}

namespace {

// The field of a nested row that names its owner: the owner's identifier field by name,
// with the two tables that spell it differently.
std::string OwnerField(const TableDef& child, const char* parentIdField) {
    if (IEquals(child.name, "RollAbsch")) return "ID_Roll";
    if (IEquals(child.name, "SimFallResult")) return "ID_Simfall";
    return child.IndexOf(parentIdField) >= 0 ? parentIdField : "";
}

const char* IdentifierName(const TableDef& def) {
    for (const auto& f : def.fields)
        if (f.kind == FieldKind::AutoInc) return f.name.c_str();
    return nullptr;
}

}  // namespace

// Copies every record of `source` (the file) into `target` (the open document): new
// identifiers from the editing module's rules, references through the rules, owner
// references to the owner's new identifier, nested tables with the same rules.
void ProjectImport::CopyTable(Cursor& source, Cursor& target, const TFieldsArray& rules, const char* ownerField,
                              std::int64_t ownerId) {
    const TableDef* sdef = source.Def();
    const TableDef* tdef = target.Def();
    if (!sdef || !tdef) return;
    const std::string owner = ownerField ? OwnerField(*tdef, ownerField) : std::string();
    for (source.First(); !source.Eof(); source.Next()) {
        target.Append();
        const Value newId = IdentifierOf(target);
        for (int i = 0; i < sdef->FieldCount(); ++i) {
            const FieldDef& sf = sdef->Field(i);
            const int ti = tdef->IndexOf(sf.name);
            if (ti < 0 || sf.kind == FieldKind::Dataset) continue;
            const FieldDef& tf = tdef->Field(ti);
            if (tf.kind == FieldKind::Dataset) continue;
            const Value v = source.Fields(i).AsVariant();
            if (!owner.empty() && IEquals(sf.name, owner)) {
                target.Fields(ti).SetInteger(ownerId);
                continue;
            }
            const TFieldsRecord* rule = rules.Find(sf.name);
            if (tf.kind == FieldKind::AutoInc) {
                if (rule && rule->OperationMode == TOperationMode::oStore && !IsNull(newId))
                    rule->IDList->AddRecord(IntOf(v), IntOf(newId));
                continue;
            }
            if (rule && rule->OperationMode == TOperationMode::oReplace)
                target.Fields(ti).SetInteger(rule->IDList->GetID(IntOf(v)));
            else if (!rule || rule->OperationMode == TOperationMode::oCopy)
                target.Fields(ti).SetValue(v);
        }
        const char* idName = IdentifierName(*tdef);
        for (int i = 0; i < sdef->FieldCount(); ++i) {
            if (sdef->Field(i).kind != FieldKind::Dataset) continue;
            Cursor* sdetail = load_.cds.Detail(source, sdef->Field(i).name);
            Cursor* tdetail = edit_.cds.Detail(target, sdef->Field(i).name);
            if (sdetail && tdetail)
                CopyTable(*sdetail, *tdetail, rules, idName, IsNull(newId) ? 0 : std::get<std::int64_t>(newId));
        }
        target.Post();
    }
}

namespace {

// Equal after the editor's filling: an empty number equals 0, an empty text "".
bool EqualAfterFill(const Value& a, const Value& b) {
    if (IsNull(a) && IsNull(b)) return true;
    if (IsNull(a) || IsNull(b)) {
        const Value& other = IsNull(a) ? b : a;
        if (const auto n = NumberOf(other)) return *n == 0.0;
        return std::get<std::string>(other).empty();
    }
    return SameValue(a, b);
}

bool AlikeFields(const Record& a, const TableDef& da, const Record& b, const TableDef& db,
                 std::initializer_list<const char*> fields) {
    for (const char* f : fields)
        if (!EqualAfterFill(ValueOf(a, da, f), ValueOf(b, db, f))) return false;
    return true;
}

std::vector<const Record*> Ordered(const RowSet* rows, const TableDef* def, const char* order) {
    std::vector<const Record*> out;
    if (!rows) return out;
    for (const auto& r : rows->rows) out.push_back(r.get());
    std::stable_sort(out.begin(), out.end(), [&](const Record* x, const Record* y) {
        return CompareValues(ValueOf(*x, *def, order), ValueOf(*y, *def, order)) < 0;
    });
    return out;
}

bool AlikeRows(const Record& a, const TableDef& da, const Record& b, const TableDef& db, const char* table,
               const char* order, std::initializer_list<const char*> fields) {
    const TableDef *ca = nullptr, *cb = nullptr;
    const RowSet* rowsA = NestedOf(a, da, table, &ca);
    const RowSet* rowsB = NestedOf(b, db, table, &cb);
    const auto ra = Ordered(rowsA, ca, order);
    const auto rb = Ordered(rowsB, cb, order);
    if (ra.size() != rb.size()) return false;
    for (std::size_t i = 0; i < ra.size(); ++i)
        if (!AlikeFields(*ra[i], *ca, *rb[i], *cb, fields)) return false;
    return true;
}

bool Alike(std::string_view table, const Record& a, const TableDef& da, const Record& b, const TableDef& db) {
    if (table == "BremsKatalog")
        return AlikeFields(a, da, b, db,
                           {"A0", "A1", "A2", "VausPlus", "VausMinus", "Kommentar", "B0", "B1", "B2", "B3", "C0",
                            "C1"}) &&
               AlikeRows(a, da, b, db, "BremsKrafte", "Gu",
                         {"Gu", "Go", "Bb1", "Bb2", "Bb3", "Bb4", "Bb5", "Bb6", "Bb7", "Bb8", "Bb9"}) &&
               AlikeRows(a, da, b, db, "LeerLaufKraft", "Gu",
                         {"Gu", "Go", "Cc1", "Cc2", "Cc3", "Cc4", "Cc5", "Cc6", "Cc7", "Cc8", "Cc9"});
    if (table == "WagenKatalog")
        return AlikeFields(a, da, b, db,
                           {"Naw", "Vu", "Dx1", "Dx2", "Dx3", "Dx4", "Dx5", "Hu", "Achs", "Rho", "G", "W0grund",
                            "Mdw"});
    return AlikeFields(a, da, b, db, {"Cct", "Fl", "ct1", "ct2", "ct3", "ct4", "ct5", "ct6", "ct7", "ct8", "ct9", "ct10"}) &&
           AlikeRows(a, da, b, db, "Wagen", "Ord", {"ID_WagenTyp", "Ord", "G", "W0grund"});
}

}  // namespace

// Reuses an existing catalogue entry or run of the same name that is alike in every
// compared value, and drops the new copy.
void ProjectImport::Match(TIDList& list, const char* table, const char* idField) {
    const Store& file = *load_.InfoDBCDS.GetStore();
    const Store& doc = *main_.InfoDBCDS.GetStore();
    const TableDef *fileDef = nullptr, *docDef = nullptr;
    TopLevelRows(file, table, &fileDef);
    const RowSet* docRows = TopLevelRows(doc, table, &docDef);
    Cursor& cursor = std::string_view(table) == "BremsKatalog" ? edit_.cds.BremsenKatCDS
                     : std::string_view(table) == "WagenKatalog" ? edit_.cds.WagKatCDS
                                                                  : edit_.cds.RolloteCDS;
    const bool runs = std::string_view(table) == "Rollote";
    for (const TIDRec entry : std::vector<TIDRec>(list.List())) {
        // Runs are compared as copied (their wagon types already the document's).
        const Record* rec = runs ? FindTopLevel(doc, table, idField, std::int64_t{entry.NewID})
                                 : FindTopLevel(file, table, idField, std::int64_t{entry.OldID});
        if (!rec) continue;
        const TableDef& recDef = runs ? *docDef : *fileDef;
        const Value name = ValueOf(*rec, recDef, "Name");
        for (const Record* cand : Ordered(docRows, docDef, "Name")) {
            const Value candId = ValueOf(*cand, *docDef, idField);
            if (!SameValue(ValueOf(*cand, *docDef, "Name"), name) || IntOf(candId) == entry.NewID) continue;
            if (!Alike(table, *rec, recDef, *cand, *docDef)) continue;
            list.ReplaceID(entry.OldID, IntOf(candId));
            if (cursor.Locate(idField, std::int64_t{entry.NewID})) {
                edit_.DeleteNestedRecords(cursor);
                cursor.Delete();
            }
            break;
        }
    }
}

namespace {

// Removes every record whose identifier lies above `counter`, with what is below it.
void RemoveNewer(RowSet& rows, const TableDef& def, std::int64_t counter) {
    const int id = [&] {
        for (int i = 0; i < def.FieldCount(); ++i)
            if (def.Field(i).kind == FieldKind::AutoInc) return i;
        return -1;
    }();
    const auto before = rows.rows.size();
    if (id >= 0)
        std::erase_if(rows.rows, [&](const std::unique_ptr<Record>& r) {
            const auto* v = std::get_if<std::int64_t>(&r->values[static_cast<std::size_t>(id)]);
            return v && *v > counter;
        });
    if (rows.rows.size() != before) ++rows.version;
    for (auto& r : rows.rows)
        for (int i = 0; i < def.FieldCount(); ++i)
            if (def.Field(i).kind == FieldKind::Dataset)
                RemoveNewer(r->nested[static_cast<std::size_t>(def.NestedSlot(i))], *def.Field(i).nested, counter);
}

}  // namespace

// A failed import leaves nothing half-copied behind: everything it added carries an
// identifier above the counter's value at its start. A project created for it stays.
void ProjectImport::RollBack(std::int32_t counterAtStart) {
    auto all = edit_.cds.All();
    for (auto it = all.rbegin(); it != all.rend(); ++it) (*it)->Cancel();
    load_.InfoDBCDS.Close();
    Store& doc = *main_.InfoDBCDS.GetStore();
    RemoveNewer(doc.root, *doc.rootDef, counterAtStart);
}

}  // namespace gvm::db
