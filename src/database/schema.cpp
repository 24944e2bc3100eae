#include "database/schema.h"

#include <algorithm>

#include "database/store.h"

namespace gvm::db {

namespace {

std::shared_ptr<const TableDef> Sections(const char* name, const char* owner,
                                         std::initializer_list<const char*> floats) {
    TableBuilder b(name);
    b.AutoInc("ID").Int(owner).Float("Xu").Float("Xo");
    for (const char* f : floats) b.Float(f);
    return b.Done();
}

std::shared_ptr<const TableDef> ForceTable(const char* name, const char* prefix) {
    TableBuilder b(name);
    b.AutoInc("ID").Int("ID_BauartKod").Float("Gu").Float("Go");
    for (int i = 1; i <= 9; ++i) b.Float(std::string(prefix) + std::to_string(i));
    return b.Done();
}

std::shared_ptr<const TableDef> WagenKatalog() {
    return TableBuilder("WagenKatalog")
        .AutoInc("ID_WagenTyp").Str("Name", 10).Small("Naw").Float("Vu")
        .Float("Dx1").Float("Dx2").Float("Dx3").Float("Dx4").Float("Dx5")
        .Float("Hu").Float("Achs").Float("Rho").Float("G").Float("W0grund")
        .Int("Mdw").Int("Info_Code")
        .Done();
}

std::shared_ptr<const TableDef> BremsKatalog() {
    return TableBuilder("BremsKatalog")
        .AutoInc("ID_BauartKod").Str("Name", 10).Float("A0").Float("A1").Float("A2")
        .Float("VausPlus").Float("VausMinus").Str("Kommentar", 30)
        .Float("B0").Float("B1").Float("B2").Float("B3").Float("C0").Float("C1")
        .Int("Info_Code")
        .Nested(ForceTable("LeerLaufKraft", "Cc"))
        .Nested(ForceTable("BremsKrafte", "Bb"))
        .Done();
}

std::shared_ptr<const TableDef> Rollote() {
    TableBuilder b("Rollote");
    b.AutoInc("ID_Rollot").Str("Name", 10).Float("Cct").Float("Fl");
    for (int i = 1; i <= 10; ++i) b.Float("ct" + std::to_string(i));
    b.Int("Info_Code");
    b.Nested(TableBuilder("Wagen")
                 .Int("ID_Rollot").AutoInc("ID_Wagen").Int("ID_WagenTyp").Int("Ord")
                 .Float("G").Float("W0grund")
                 .Done());
    return b.Done();
}

// A variant table of a project: own identifier, owning project, name, own fields and the
// nested section table.
TableBuilder Variant(const char* name, const char* id) {
    TableBuilder b(name);
    b.AutoInc(id).Int("ID_Projekt").Str("Name", 10);
    return b;
}

std::shared_ptr<const TableDef> SimFallResult() {
    auto vstup = TableBuilder("ResVstup")
                     .Int("ID_Result").Memo("resAlg").Memo("resWagGr").Memo("resNeig")
                     .Memo("resBogen").Memo("resWeich").Memo("resRoll").Memo("resLuft")
                     .Memo("resBrems").Memo("resBremBau").Memo("resWirk")
                     .Done();
    auto bremsTyp = TableBuilder("ResBremsTyp")
                        .Int("ID_Result").Str("BremsName1", 5).Str("BremsName2", 5)
                        .Str("BremsName3", 5).Str("BremsName4", 5)
                        .Done();
    TableBuilder bkina("ResBKINA");
    bkina.Int("ID_Result").Small("Schritt").Float("DistanzSpitze");
    for (int i = 1; i <= 4; ++i) bkina.Float("Bremse" + std::to_string(i));
    for (int i = 1; i <= 4; ++i) bkina.Float("AnzahlAchs" + std::to_string(i));
    bkina.Float("BeschlOhneBKINA").Float("ZulasVerBschl").Float("VerwBeschl");
    auto tracing = TableBuilder("ResTracing")
                       .Int("ID_Result").Small("Schritt").Float("DistanzSpitze")
                       .Float("BeschlGesamt").Float("BeschlBO").Float("BeschlBrems")
                       .Float("Geschwind").Float("Zeit").Float("BeschlLuft").Float("GeschwLuft")
                       .Float("GeschwRelLuft").Str("Udalost", 30)
                       .Done();
    return TableBuilder("SimFallResult")
        .Int("ID_Simfall").AutoInc("ID_Result").Int("ID_Rollot").Int("ID_Gleis")
        .Str("SimExpName", 50).Str("Datum", 15).Str("Zeit", 15)
        .Float("Xtot").Float("Vab").Float("Ddx").Float("Q").Float("XStart")
        .Int("ID_Wg2").Int("ID_WgZug").Int("ID_WGo1").Int("ID_WGo2").Int("ID_WGo3").Int("ID_WGo4")
        .Float("XZielbrems").Float("VZielbrems").Float("XZulaufStart").Float("VZulaufStart")
        .Float("XZulaufEnde").Float("VZulaufEnde").Float("XEinschalt").Float("Zeitversatz2WG")
        .Int("XStartEdited").Int("Flags")
        .Nested(vstup).Nested(bremsTyp).Nested(bkina.Done()).Nested(tracing)
        .Done();
}

std::shared_ptr<const TableDef> Projekten() {
    auto wirk = Variant("WirkZonen", "ID_WirkZon").Str("Kommentar", 30)
                    .Nested(TableBuilder("WirkAbsch")
                                .AutoInc("ID").Int("ID_WirkZon").Float("Xu").Float("Xo")
                                .Str("Kommentar", 30)
                                .Done())
                    .Done();
    auto bremsen = Variant("Bremsen", "ID_Brems").Str("Kommentar", 30)
                       .Nested(TableBuilder("BremsAbsch")
                                   .AutoInc("ID").Int("ID_Brems").Int("ID_BauartKod")
                                   .Float("Xu").Float("Xo").Float("Vaus").Float("Xein")
                                   .Float("Wbr").Float("Wir")
                                   .Done())
                       .Done();
    auto roll = Variant("RollWider", "ID_RollW").Str("Kommentar", 30)
                    .Nested(Sections("RollAbsch", "ID_Roll", {"Wru", "Wro"})).Done();
    auto luft = Variant("LuftWid", "ID_Luft").Float("Beta0").Float("Vl")
                    .Nested(Sections("LuftAbsch", "ID_Luft", {"Vlu", "Vlo"})).Done();
    auto weichen = Variant("Weichen", "ID_Weich").Str("Kommentar", 30)
                       .Nested(Sections("WeichAbsch", "ID_Weich", {"Ww", "XGrenz"})).Done();
    auto neigung = Variant("Neigung", "ID_Neig").Float("Xtot").Float("Xgipf")
                       .Nested(Sections("NeigAbsch", "ID_Neig", {"Su", "So"})).Done();
    auto gleis = TableBuilder("Gleis")
                     .AutoInc("ID_Gleis").Int("ID_Projekt").Str("Name", 10)
                     .Str("Bahnhof", 30).Str("Berggleis", 30).Str("Richtungsgleis", 30)
                     .Str("Variante", 30).Str("Bemerkung", 30)
                     .Int("ID_Neig").Int("ID_Bogen").Int("ID_Brems").Int("ID_Weich")
                     .Int("ID_RollW").Int("ID_Luft").Int("ID_WirkZon")
                     .Done();
    auto fall = TableBuilder("SimulationsFall")
                    .Int("ID_Projekt").Str("Name", 50).Int("ID_Gleis").Int("ID_Rollot")
                    .Float("Lfwg").Float("Vab").Float("Ddx").Float("Q")
                    .AutoInc("ID_Simulationsfall").Float("ZielGeschw0")
                    .Nested(SimFallResult())
                    .Done();
    auto bogen = Variant("Bogen", "ID_Bogen").Float("Eps0").Float("Eps1")
                     .Nested(Sections("BogenAbsch", "ID_Bogen", {"R"})).Done();
    return TableBuilder("Projekten")
        .Str("ProjektName", 12).AutoInc("ID_Projekt").Int("Info_Code")
        .Nested(wirk).Nested(bremsen).Nested(roll).Nested(luft).Nested(weichen)
        .Nested(neigung).Nested(gleis).Nested(fall).Nested(bogen)
        .Done();
}

}  // namespace

std::shared_ptr<const TableDef> DocumentSchema() {
    static const std::shared_ptr<const TableDef> schema =
        TableBuilder("InfoDB")
            .AutoInc("Info_Code").Str("Version", 10).Memo("Info").Int("MaxAutoInc")
            .Nested(WagenKatalog()).Nested(BremsKatalog()).Nested(Rollote()).Nested(Projekten())
            .Done();
    return schema;
}

std::int64_t LargestIdentifier(const RowSet& rows, const TableDef& def) {
    std::int64_t largest = 0;
    for (const auto& rec : rows.rows) {
        for (int i = 0; i < def.FieldCount(); ++i) {
            const FieldDef& fd = def.Field(i);
            if (fd.kind == FieldKind::AutoInc) {
                if (const auto* v = std::get_if<std::int64_t>(&rec->values[static_cast<std::size_t>(i)]))
                    largest = std::max(largest, *v);
            } else if (fd.kind == FieldKind::Dataset) {
                largest = std::max(largest, LargestIdentifier(rec->nested[static_cast<std::size_t>(def.NestedSlot(i))],
                                                               *fd.nested));
            }
        }
    }
    return largest;
}

}  // namespace gvm::db
