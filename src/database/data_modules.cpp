#include "database/data_modules.h"

#include <algorithm>

#include "base/errors.h"
#include "base/text.h"
#include "database/record_helpers.h"
#include "database/references.h"

namespace gvm::db {

// ---------------------------------------------------------------------------------------
// Common

TDataModuleBase::TDataModuleBase(TGravimontDataModule& main, DocumentCursors::Profile profile)
    : cds(profile), main_(main) {}

void TDataModuleBase::CloneFromMainCDS() {
    InfoDBCDS.CloneCursor(main_.InfoDBCDS);
    if (!InfoDBCDS.GotoBookmark(main_.InfoDBCDS.GetBookmark())) InfoDBCDS.First();
    if (Record* project = main_.ProjektCDS.CurrentRecord()) {
        if (!ProjektCDS.GotoBookmark(project->serial)) ProjektCDS.First();
    }
}

TDataLoadDM::TDataLoadDM(TGravimontDataModule& main) : TDataModuleBase(main, DocumentCursors::Profile::Loading) {}

TSimDM::TSimDM(TGravimontDataModule& main) : TDataModuleBase(main, DocumentCursors::Profile::Loading) {
    cds.SimFallResultCDS.OnNewRecord = [this](Cursor& c) {
        AssignIdentifiers(c, [this] { return main_.GetNextAutoIncValue(); });
    };
}

int TSimDM::SaveInfoCDS() {
    if (InfoDBCDS.Active()) main_.SaveInfoCDS();
    return 0;
}

// ---------------------------------------------------------------------------------------
// Editing module

TEditDataModule::TEditDataModule(TGravimontDataModule& main)
    : TDataModuleBase(main, DocumentCursors::Profile::Editing) {
    InstallRules();
}

TEditDataModule::~TEditDataModule() { InfoDBCDS.Close(); }

int TEditDataModule::SaveInfoCDS() {
    if (InfoDBCDS.Active()) main_.SaveInfoCDS();
    return 0;
}

void TEditDataModule::InstallRules() {
    Cursor* const resultTables[] = {&cds.SimFallResultCDS, &cds.ResVstupCDS, &cds.ResBremsTypCDS,
                                    &cds.ResBKINACDS, &cds.ResTracingCDS};
    for (Cursor* c : cds.All()) {
        c->OnNewRecord = [this](Cursor& cur) { NewRecordRule(cur); };
        c->AfterInsert = [this](Cursor&) { fModified = true; };
        c->AfterEdit = [this](Cursor&) { fModified = true; };
        c->AfterDelete = [this](Cursor&) { fModified = true; };
        const bool keepsEmpty =
            c == &cds.SimulationsFallCDS || std::find(std::begin(resultTables), std::end(resultTables), c) !=
                                                std::end(resultTables);
        if (!keepsEmpty) c->BeforePost = [this](Cursor& cur) { EmptyNumbersRule(cur); };
    }

    // A retarder of an "A" type never ends before it starts.
    cds.BremsAbschCDS.BeforePost = [this](Cursor& c) {
        EmptyNumbersRule(c);
        const std::string type = c.FieldByName("BauartName").AsString();
        if (!type.empty() && (type[0] == 'A' || type[0] == 'a') &&
            c.FieldByName("Xo").AsFloat() < c.FieldByName("Xu").AsFloat())
            c.FieldByName("Xo").SetFloat(c.FieldByName("Xu").AsFloat());
    };

    // A wagon takes G and W0grund from its type when the type changes (not when it is only
    // renumbered: that would overwrite values the engineer entered).
    cds.WagenCDS.SetOnFieldChange("ID_WagenTyp", [this](Field f) {
        if (!wagonDefaults_) return;
        Cursor& wagen = cds.WagenCDS;
        if (wagen.State() == DsState::Edit) {
            const Record* posted = wagen.CurrentRecord();
            if (posted && SameValue(posted->values[static_cast<std::size_t>(f.Index())], f.AsVariant())) return;
        }
        const Record* type = FindTopLevel(*InfoDBCDS.GetStore(), "WagenKatalog", "ID_WagenTyp", f.AsVariant());
        if (!type) return;
        const TableDef& def = *cds.WagKatCDS.Def();
        wagen.FieldByName("G").SetValue(type->values[static_cast<std::size_t>(def.IndexOf("G"))]);
        wagen.FieldByName("W0grund").SetValue(type->values[static_cast<std::size_t>(def.IndexOf("W0grund"))]);
    });

    // A case cannot be posted without its track and its run.
    cds.SimulationsFallCDS.BeforePost = [](Cursor& c) {
        for (const char* required : {"ID_Gleis", "ID_Rollot"})
            if (c.FieldByName(required).IsNull())
                throw EDatabaseError(std::string("Feld '") + required + "' muss einen Wert haben.");
    };

    const struct {
        Cursor* cursor;
        const char* table;
        const char* field;
        const char* message;
    } variantGuards[] = {
        {&cds.BogenCDS, "Gleis", "ID_Bogen", guard_text::kBogen},
        {&cds.BremsenCDS, "Gleis", "ID_Brems", guard_text::kBremsen},
        {&cds.LuftWidCDS, "Gleis", "ID_Luft", guard_text::kLuft},
        {&cds.NeigungCDS, "Gleis", "ID_Neig", guard_text::kNeigung},
        {&cds.RollWiderCDS, "Gleis", "ID_RollW", guard_text::kRoll},
        {&cds.WeichenCDS, "Gleis", "ID_Weich", guard_text::kWeichen},
        {&cds.WirkZonenCDS, "Gleis", "ID_WirkZon", guard_text::kWirk},
    };
    for (const auto& g : variantGuards) {
        g.cursor->BeforeDelete = [this, g](Cursor& c) { return VariantGuard(c, g.table, g.field, g.message); };
    }
    cds.GleisCDS.BeforeDelete = [this](Cursor& c) { return CatalogueGuard(c, guard_text::kGleis); };
    cds.RolloteCDS.BeforeDelete = [this](Cursor& c) { return CatalogueGuard(c, guard_text::kRollot); };
    cds.BremsenKatCDS.BeforeDelete = [this](Cursor& c) { return CatalogueGuard(c, guard_text::kBremsKat); };
    cds.WagKatCDS.BeforeDelete = [this](Cursor& c) { return CatalogueGuard(c, guard_text::kWagKat); };
    cds.SimulationsFallCDS.BeforeDelete = [this](Cursor& c) { return NestedDelete(c); };
}

void TEditDataModule::NewRecordRule(Cursor& c) {
    AssignIdentifiers(c, [this] { return main_.GetNextAutoIncValue(); });
    if (&c != &cds.BremsenKatCDS || bremsKatForImport_) return;
    for (const char* zero : {"A0", "A1", "A2", "VausPlus", "VausMinus", "B3"}) c.FieldByName(zero).SetFloat(0.0);
    c.FieldByName("B0").SetFloat(3.6467);
    c.FieldByName("B1").SetFloat(0.05409);
    c.FieldByName("B2").SetFloat(-0.0008172);
    c.FieldByName("C0").SetFloat(-0.06469);
    c.FieldByName("C1").SetFloat(-0.000036208);
}

void TEditDataModule::EmptyNumbersRule(Cursor& c) {
    const TableDef& def = *c.Def();
    for (int i = 0; i < def.FieldCount(); ++i) {
        const FieldKind k = def.Field(i).kind;
        if (k != FieldKind::Float && k != FieldKind::Integer && k != FieldKind::SmallInt) continue;
        const Field f = c.Fields(i);
        if (f.IsNull()) f.SetValue(k == FieldKind::Float ? Value{0.0} : Value{std::int64_t{0}});
    }
}

bool TEditDataModule::NestedDelete(Cursor& c) {
    DeleteNestedRecords(c);
    return true;
}

// A variant of the current project may go only when no track of that project uses it.
bool TEditDataModule::VariantGuard(Cursor& c, const char* referringTable, const char* field, const char* message) {
    const Record* project = ProjektCDS.CurrentRecord();
    const Value id = IdentifierOf(c);
    if (project && RecordRefers(*project, *ProjektCDS.Def(), referringTable, {field}, id)) {
        main_.Port().Error(Substitute(message, {c.FieldByName("Name").AsString()}));
        return false;
    }
    return NestedDelete(c);
}

// Tracks, runs and catalogue entries are looked for in every project and every stored
// experiment: a reference anywhere would be left dangling.
bool TEditDataModule::CatalogueGuard(Cursor& c, const char* message) {
    const Store& store = *InfoDBCDS.GetStore();
    bool used = false;
    if (&c == &cds.GleisCDS) {
        const Value id = c.FieldByName("ID_Gleis").AsVariant();
        const Record* project = ProjektCDS.CurrentRecord();
        used = project && (RecordRefers(*project, *ProjektCDS.Def(), "SimulationsFall", {"ID_Gleis"}, id) ||
                           RecordRefers(*project, *ProjektCDS.Def(), "SimFallResult", {"ID_Gleis"}, id));
    } else if (&c == &cds.RolloteCDS) {
        const Value id = c.FieldByName("ID_Rollot").AsVariant();
        used = StoreRefers(store, "SimulationsFall", {"ID_Rollot"}, id) ||
               StoreRefers(store, "SimFallResult", {"ID_Rollot", "ID_Wg2", "ID_WgZug"}, id);
    } else if (&c == &cds.BremsenKatCDS) {
        used = StoreRefers(store, "BremsAbsch", {"ID_BauartKod"}, c.FieldByName("ID_BauartKod").AsVariant());
    } else if (&c == &cds.WagKatCDS) {
        used = StoreRefers(store, "Wagen", {"ID_WagenTyp"}, c.FieldByName("ID_WagenTyp").AsVariant());
    }
    if (used) {
        main_.Port().Error(Substitute(message, {c.FieldByName("Name").AsString()}));
        return false;
    }
    return NestedDelete(c);
}

}  // namespace gvm::db
