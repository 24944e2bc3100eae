#include "database/document_cursors.h"

#include "base/text.h"

namespace gvm::db {

DocumentCursors::DocumentCursors(Profile profile) {
    const bool byName = profile != Profile::Loading;
    WagKatCDS.SetIndexFieldNames("Name");
    BremsenKatCDS.SetIndexFieldNames("Name");
    RolloteCDS.SetIndexFieldNames("Name");
    SimulationsFallCDS.SetIndexFieldNames("Name");
    LeerLaufKraftCDS.SetIndexFieldNames("Gu");
    BremsKrafteCDS.SetIndexFieldNames("Gu");
    WagenCDS.SetIndexFieldNames("Ord");
    for (Cursor* c : {&NeigAbschCDS, &BogenAbschCDS, &WeichAbschCDS, &RollAbschCDS, &LuftAbschCDS,
                      &BremsAbschCDS, &WirkAbschCDS})
        c->SetIndexFieldNames("Xu");
    ResBKINACDS.SetIndexFieldNames("Schritt");
    ResTracingCDS.SetIndexFieldNames("Schritt");
    if (byName) {
        ProjektCDS.SetIndexFieldNames("ProjektName");
        for (Cursor* c : {&NeigungCDS, &WeichenCDS, &RollWiderCDS, &LuftWidCDS, &WirkZonenCDS, &GleisCDS})
            c->SetIndexFieldNames("Name");
    }
    if (profile == Profile::Editing) {
        BogenCDS.SetIndexFieldNames("Name");
        BremsenCDS.SetIndexFieldNames("Name");
    }

    WagenCDS.AddLookupField("WagenTypName", "ID_WagenTyp", WagKatCDS, "ID_WagenTyp", "Name");
    BremsAbschCDS.AddLookupField("BauartName", "ID_BauartKod", BremsenKatCDS, "ID_BauartKod", "Name");
    SimulationsFallCDS.AddLookupField("GleisName", "ID_Gleis", GleisCDS, "ID_Gleis", "Name");
    SimulationsFallCDS.AddLookupField("RollotName", "ID_Rollot", RolloteCDS, "ID_Rollot", "Name");
    // Wind speed of a step for the views: only on rows without an event text.
    ResTracingCDS.AddCalcField("GeswLuftPom", FieldKind::Float, [](Cursor& c) -> Value {
        if (!Trim(c.FieldByName("Udalost").AsString()).empty()) return 0.0;
        return c.FieldByName("GeschwLuft").AsVariant();
    });
}

std::vector<Cursor*> DocumentCursors::All() {
    return {&InfoDBCDS,     &WagKatCDS,       &BremsenKatCDS, &LeerLaufKraftCDS, &BremsKrafteCDS,
            &RolloteCDS,    &WagenCDS,        &ProjektCDS,    &WirkZonenCDS,     &WirkAbschCDS,
            &BremsenCDS,    &BremsAbschCDS,   &RollWiderCDS,  &RollAbschCDS,     &LuftWidCDS,
            &LuftAbschCDS,  &WeichenCDS,      &WeichAbschCDS, &NeigungCDS,       &NeigAbschCDS,
            &GleisCDS,      &SimulationsFallCDS, &SimFallResultCDS, &ResVstupCDS, &ResBremsTypCDS,
            &ResBKINACDS,   &ResTracingCDS,   &BogenCDS,      &BogenAbschCDS};
}

Cursor* DocumentCursors::Detail(const Cursor& master, std::string_view field) {
    for (Cursor* c : All())
        if (c->Master() == &master && IEquals(c->NestedField(), field)) return c;
    return nullptr;
}

void DocumentCursors::CloneFrom(const Cursor& source) {
    InfoDBCDS.CloneCursor(source);
    InfoDBCDS.First();
}

bool DocumentCursors::LocateProject(std::int64_t idProjekt) {
    return ProjektCDS.Locate("ID_Projekt", Value{idProjekt});
}

}  // namespace gvm::db
