#include "docgen.h"

#include <cmath>
#include <string>
#include <vector>

#include "database/document_cursors.h"
#include "database/record_helpers.h"
#include "database/schema.h"

namespace gvm::tools {

using db::AppendRecord;
using db::Cursor;
using db::Value;

namespace {

using Row9 = std::vector<double>;

struct ForceClass {
    double gu, go;
    Row9 forces;
};

struct RetarderType {
    const char* name;
    const char* comment;
    double vausPlus, vausMinus, a0, a1, a2;
    std::vector<ForceClass> braking, idle;
};

struct WagonType {
    const char* name;
    int naw;
    double vu, dx1, dx2, dx3, hu, achs, rho, g, w0;
};

Row9 Scaled(const Row9& row, double factor) {
    Row9 out;
    for (double f : row) out.push_back(std::round(f * factor * 10.0) / 10.0);
    return out;
}

std::vector<ForceClass> Scaled(const std::vector<ForceClass>& classes, double factor) {
    std::vector<ForceClass> out;
    for (const auto& c : classes) out.push_back({c.gu, c.go, Scaled(c.forces, factor)});
    return out;
}

class DemoWriter {
public:
    DemoWriter(db::DocumentCursors& c, std::int32_t& counter) : c_(c), counter_(counter) {}

    std::int64_t Append(Cursor& cursor, db::FieldValues fields) {
        return AppendRecord(cursor, [this] { return ++counter_; }, fields);
    }

    std::int64_t WagonTypeRecord(const WagonType& w) {
        return Append(c_.WagKatCDS, {{"Name", w.name}, {"Naw", std::int64_t{w.naw}}, {"Vu", w.vu},
                                     {"Dx1", w.dx1}, {"Dx2", w.dx2}, {"Dx3", w.dx3}, {"Dx4", 0.0},
                                     {"Dx5", 0.0}, {"Hu", w.hu}, {"Achs", w.achs}, {"Rho", w.rho},
                                     {"G", w.g}, {"W0grund", w.w0}, {"Mdw", std::int64_t{880}},
                                     {"Info_Code", std::int64_t{0}}});
    }

    std::int64_t RetarderTypeRecord(const RetarderType& t) {
        const std::int64_t id = Append(
            c_.BremsenKatCDS,
            {{"Name", t.name}, {"A0", t.a0}, {"A1", t.a1}, {"A2", t.a2}, {"VausPlus", t.vausPlus},
             {"VausMinus", t.vausMinus}, {"Kommentar", t.comment}, {"B0", 3.6467}, {"B1", 0.05409},
             {"B2", -0.0008172}, {"B3", 0.0}, {"C0", -0.06469}, {"C1", -0.000036208},
             {"Info_Code", std::int64_t{0}}});
        ForceRows(c_.BremsKrafteCDS, "Bb", id, t.braking);
        ForceRows(c_.LeerLaufKraftCDS, "Cc", id, t.idle);
        return id;
    }

    void ForceRows(Cursor& cursor, const std::string& prefix, std::int64_t type,
                   const std::vector<ForceClass>& classes) {
        for (const auto& fc : classes) {
            Append(cursor, {{"ID_BauartKod", type}, {"Gu", fc.gu}, {"Go", fc.go}});
            cursor.Edit();
            for (std::size_t i = 0; i < fc.forces.size(); ++i)
                cursor.FieldByName(prefix + std::to_string(i + 1)).SetFloat(fc.forces[i]);
            cursor.Post();
        }
    }

    std::int64_t Run(const char* name, double cct, double fl, const Row9& ct,
                     const std::vector<std::tuple<std::int64_t, double, double>>& wagons) {
        const std::int64_t id = Append(c_.RolloteCDS, {{"Name", name}, {"Cct", cct}, {"Fl", fl},
                                                       {"Info_Code", std::int64_t{0}}});
        c_.RolloteCDS.Edit();
        for (std::size_t i = 0; i < ct.size(); ++i)
            c_.RolloteCDS.FieldByName("ct" + std::to_string(i + 1)).SetFloat(ct[i]);
        c_.RolloteCDS.Post();
        std::int64_t ord = 1;
        for (const auto& [type, g, w0] : wagons)
            Append(c_.WagenCDS, {{"ID_Rollot", id}, {"ID_WagenTyp", type}, {"Ord", ord++},
                                 {"G", g}, {"W0grund", w0}});
        return id;
    }

    // A variant with its sections; each section lists Xu, Xo and the section's own values.
    std::int64_t Variant(Cursor& variant, Cursor& sections, const char* idField, const char* ownerField,
                         db::FieldValues variantFields, const std::vector<std::string>& sectionFields,
                         const std::vector<std::vector<Value>>& rows) {
        const std::int64_t id = Append(variant, variantFields);
        variant.Edit();
        variant.FieldByName("ID_Projekt").SetInteger(project_);
        variant.Post();
        for (const auto& row : rows) {
            Append(sections, {{ownerField, id}});
            sections.Edit();
            for (std::size_t i = 0; i < row.size(); ++i) sections.FieldByName(sectionFields[i]).SetValue(row[i]);
            sections.Post();
        }
        (void)idField;
        return id;
    }

    void SetProject(std::int64_t id) { project_ = id; }
    std::int64_t Project() const { return project_; }

private:
    db::DocumentCursors& c_;
    std::int32_t& counter_;
    std::int64_t project_ = 0;
};

const std::vector<ForceClass> kIdleBB{{0, 8, {12, 12, 12, 12, 12, 13, 14, 15, 16}},
                                      {8, 16, {16, 16, 16, 16, 16, 17, 19, 20, 22}},
                                      {16, 25, {20, 20, 20, 20, 20, 21, 23, 25, 28}}};
const std::vector<ForceClass> kBrakeBB{
    {0, 8, {780, 770, 760, 750, 740, 720, 690, 660, 600}},
    {8, 16, {1450, 1430, 1410, 1400, 1380, 1340, 1280, 1230, 1120}},
    {16, 25, {2100, 2080, 2050, 2030, 2000, 1950, 1860, 1780, 1630}}};
const std::vector<ForceClass> kBrakeTB{
    {0, 8, {700, 690, 680, 675, 665, 650, 620, 595, 540}},
    {8, 16, {1300, 1285, 1270, 1260, 1240, 1205, 1150, 1105, 1000}},
    {16, 25, {1900, 1880, 1855, 1840, 1810, 1765, 1680, 1610, 1470}}};
const std::vector<ForceClass> kBrakeRGB{
    {0, 8, {620, 615, 610, 600, 590, 570, 540, 510, 460}},
    {8, 16, {1150, 1140, 1130, 1120, 1100, 1070, 1010, 960, 870}},
    {16, 25, {1700, 1690, 1670, 1650, 1620, 1570, 1490, 1410, 1280}}};
const std::vector<ForceClass> kIdleRGB{{0, 8, {9, 9, 9, 9, 9, 10, 11, 11, 12}},
                                       {8, 16, {12, 12, 12, 12, 12, 13, 14, 15, 16}},
                                       {16, 25, {15, 15, 15, 15, 15, 16, 17, 19, 21}}};

std::shared_ptr<db::Store> NewDocument(const char* info) {
    auto store = std::make_shared<db::Store>(db::DocumentSchema());
    Cursor root("InfoDBCDS");
    root.Attach(store);
    std::int32_t counter = 0;
    AppendRecord(root, [&] { return ++counter; },
                 {{"Version", kFileVersion}, {"Info", info}, {"MaxAutoInc", std::int64_t{counter + 1}}});
    return store;
}

void SetMaxAutoInc(Cursor& root, std::int32_t counter) {
    root.First();
    root.Edit();
    root.FieldByName("MaxAutoInc").SetInteger(counter);
    root.Post();
}

void FillProject(db::DocumentCursors& c, DemoWriter& w, std::int64_t gut, std::int64_t schl,
                 std::int64_t grp, const std::int64_t t[5]) {
    const std::int64_t project = w.Append(c.ProjektCDS, {{"ProjektName", "Demo"}, {"Info_Code", std::int64_t{0}}});
    w.SetProject(project);
    using V = std::vector<std::vector<Value>>;
    const std::int64_t neig = w.Variant(
        c.NeigungCDS, c.NeigAbschCDS, "ID_Neig", "ID_Neig",
        {{"Name", "NEIG-DEMO"}, {"Xtot", 700.0}, {"Xgipf", 0.0}}, {"Xu", "Xo", "Su", "So"},
        V{{-60.0, -6.0, 20.0, 20.0},   {-6.0, 0.0, 20.0, 0.0},      {0.0, 13.5, 0.0, -45.0},
          {13.5, 50.0, -45.0, -45.0},  {50.0, 60.0, -45.0, -15.0},  {60.0, 105.0, -15.0, -15.0},
          {105.0, 110.0, -15.0, -9.0}, {110.0, 215.0, -9.0, -9.0},  {215.0, 221.0, -9.0, -3.0},
          {221.0, 330.0, -3.0, -3.0},  {330.0, 370.0, -2.0, -2.0},  {370.0, 560.0, -1.2, -1.2},
          {560.0, 700.0, -0.6, -0.6}});
    const std::int64_t bogen = w.Variant(c.BogenCDS, c.BogenAbschCDS, "ID_Bogen", "ID_Bogen",
                                         {{"Name", "BOG-DEMO"}, {"Eps0", 500.0}, {"Eps1", 100.0}},
                                         {"Xu", "Xo", "R"},
                                         V{{114.0, 137.0, -190.0}, {240.0, 262.0, 190.0}, {305.0, 330.0, -250.0}});
    const std::int64_t weich = w.Variant(
        c.WeichenCDS, c.WeichAbschCDS, "ID_Weich", "ID_Weich",
        {{"Name", "WEI-DEMO"}, {"Kommentar", "Weichen des Verteilbereichs"}}, {"Xu", "Xo", "Ww", "XGrenz"},
        V{{110.0, 137.0, 1.0, 150.0}, {142.0, 169.0, 1.0, 182.0}, {235.0, 262.0, 1.0, 275.0},
          {268.0, 295.0, 1.0, 308.0}, {300.0, 327.0, 1.0, 340.0}});
    const std::int64_t roll = w.Variant(c.RollWiderCDS, c.RollAbschCDS, "ID_RollW", "ID_Roll",
                                        {{"Name", "ROLL-DEMO"}, {"Kommentar", "Richtungsgleise 110 bis 125 %"}},
                                        {"Xu", "Xo", "Wru", "Wro"},
                                        V{{-60.0, 345.0, 100.0, 100.0}, {345.0, 700.0, 110.0, 125.0}});
    const std::int64_t luft = w.Variant(c.LuftWidCDS, c.LuftAbschCDS, "ID_Luft", "ID_Luft",
                                        {{"Name", "WIND-G4"}, {"Beta0", 30.0}, {"Vl", 4.0}},
                                        {"Xu", "Xo", "Vlu", "Vlo"},
                                        V{{-60.0, 110.0, 100.0, 100.0}, {110.0, 345.0, 85.0, 85.0},
                                          {345.0, 700.0, 60.0, 60.0}});
    const std::vector<std::string> bremsFields{"ID_BauartKod", "Xu", "Xo", "Vaus", "Xein", "Wbr", "Wir"};
    const std::int64_t bremsDemo = w.Variant(
        c.BremsenCDS, c.BremsAbschCDS, "ID_Brems", "ID_Brems",
        {{"Name", "BREMS-DEMO"}, {"Kommentar", "Zulauf, Haupt, Tal, Richtung"}}, bremsFields,
        V{{t[4], -48.0, -36.0, 1.2, 0.0, 100.0, 100.0}, {t[0], 68.0, 92.0, 6.0, 58.0, 100.0, 100.0},
          {t[1], 185.0, 215.0, 5.0, 175.0, 100.0, 100.0}, {t[2], 345.0, 365.0, 2.0, 335.0, 100.0, 100.0}});
    const std::int64_t bremsBkina = w.Variant(
        c.BremsenCDS, c.BremsAbschCDS, "ID_Brems", "ID_Brems",
        {{"Name", "BKINA-DEMO"}, {"Kommentar", "Richtungsbremse als BKINA"}}, bremsFields,
        V{{t[4], -48.0, -36.0, 1.2, 0.0, 100.0, 100.0}, {t[0], 68.0, 92.0, 6.0, 58.0, 100.0, 100.0},
          {t[1], 185.0, 215.0, 5.0, 175.0, 100.0, 100.0}, {t[3], 343.0, 353.0, 2.0, 335.0, 100.0, 100.0},
          {t[3], 355.0, 365.0, 2.0, 335.0, 100.0, 100.0}});
    const std::int64_t wirk = w.Variant(
        c.WirkZonenCDS, c.WirkAbschCDS, "ID_WirkZon", "ID_WirkZon",
        {{"Name", "WZ-DEMO"}, {"Kommentar", "Trennstellen der Weichenzonen"}}, {"Xu", "Xo", "Kommentar"},
        // Each zone starts where the previous one ends: the track reader would cut an
        // overlap back to exactly that, with a warning.
        V{{105.0, 150.0, "1BB24"}, {150.0, 182.0, "1BB24"}, {232.0, 275.0, "2TB30"},
          {275.0, 308.0, "2TB30"}, {308.0, 340.0, "2TB30"}});

    const auto track = [&](const char* name, std::int64_t brems, const char* variante) {
        return w.Append(c.GleisCDS, {{"ID_Projekt", project}, {"Name", name}, {"Bahnhof", "Demo"},
                                     {"Berggleis", "1"}, {"Richtungsgleis", "12"}, {"Variante", variante},
                                     {"Bemerkung", ""}, {"ID_Neig", neig}, {"ID_Bogen", bogen},
                                     {"ID_Brems", brems}, {"ID_Weich", weich}, {"ID_RollW", roll},
                                     {"ID_Luft", luft}, {"ID_WirkZon", wirk}});
    };
    const std::int64_t hump = track("HUMP-DEMO", bremsDemo, "Balkenbremsen");
    const std::int64_t bkina = track("HUMP-BKINA", bremsBkina, "BKINA-Richtungsbremse");

    const auto fall = [&](const char* name, std::int64_t gleis, std::int64_t run, double lfwg, double vab,
                          double ddx) {
        w.Append(c.SimulationsFallCDS, {{"ID_Projekt", project}, {"Name", name}, {"ID_Gleis", gleis},
                                        {"ID_Rollot", run}, {"Lfwg", lfwg}, {"Vab", vab}, {"Ddx", ddx},
                                        {"Q", 0.01}, {"ZielGeschw0", 1.4}});
    };
    fall("S1-GUT", hump, gut, 600, 1.4, 0.5);
    fall("S2-SCHLECHT", hump, schl, 400, 1.1, 0.5);
    fall("S3-GRUPPE", hump, grp, 520, 1.4, 0.25);
    fall("S4-BKINA", bkina, gut, 600, 1.4, 0.5);
}

}  // namespace

std::shared_ptr<db::Store> BuildTemplateDocument() {
    return NewDocument("Gravimont Datenbank\r\nLeere Vorlage der Dateistruktur 17");
}

std::shared_ptr<db::Store> BuildDemoDocument() {
    auto store = NewDocument(
        "Gravimont Demo-Datenbank\r\nProjekt \"Demo\": ein europäischer Ablaufberg mit Zulauf-, "
        "Haupt-, Tal- und Richtungsbremse");
    db::DocumentCursors c(db::DocumentCursors::Profile::Main);
    c.InfoDBCDS.Attach(store);
    c.InfoDBCDS.First();
    std::int32_t counter = 1;  // the root record took 1
    DemoWriter w(c, counter);

    const std::int64_t gbs = w.WagonTypeRecord({"Gbs", 2, 3.01, 8.00, 0, 0, 3.01, 8.00, 6.7, 6.45, 4.5});
    const std::int64_t zacns = w.WagonTypeRecord({"Zacns", 4, 1.65, 1.80, 8.20, 1.80, 1.65, 1.80, 2.0, 21.5, 1.0});
    const std::int64_t eaos = w.WagonTypeRecord({"Eaos", 4, 1.62, 1.80, 7.20, 1.80, 1.62, 1.80, 2.2, 20.0, 1.4});
    const std::int64_t res = w.WagonTypeRecord({"Res", 4, 1.62, 1.80, 13.06, 1.80, 1.62, 1.80, 2.9, 15.0, 1.6});

    const std::int64_t types[5] = {
        w.RetarderTypeRecord({"1BB24", "Hauptbremse, Balkenbremse", 0.30, 0.20, 1, 0, 0, kBrakeBB, kIdleBB}),
        w.RetarderTypeRecord({"2TB30", "Talbremse", 0.25, 0.15, 0.90, 0.025, 0, kBrakeTB, kIdleBB}),
        w.RetarderTypeRecord({"3RGB20", "Richtungsgleisbremse", 0.10, 0.10, 1, 0, 0, kBrakeRGB, kIdleRGB}),
        w.RetarderTypeRecord({"6KD12", "Geregelte Doppelbremse", 0.10, 0.10, 1, 0, 0, Scaled(kBrakeRGB, 1.2), kIdleRGB}),
        w.RetarderTypeRecord({"1ZB12", "Zulaufbremse vor dem Gipfel", 0.20, 0.20, 1, 0, 0, Scaled(kBrakeBB, 0.6), kIdleBB}),
    };

    const Row9 ctGut{0.59, 0.82, 0.96, 0.96, 0.78, 0.59, 0.39, 0.19, 0.12, 0.05};
    const Row9 ctSchl{1.12, 1.46, 1.64, 1.58, 1.25, 0.92, 0.61, 0.29, 0.20, 0.10};
    const Row9 ctGrp{1.36, 1.68, 1.83, 1.76, 1.44, 1.11, 0.77, 0.43, 0.27, 0.10};
    const std::int64_t gut = w.Run("GUT-ZAC1", 1.00, 8.5, ctGut, {{zacns, 21.5, 1.0}});
    const std::int64_t schl = w.Run("SCHL-GBS", 1.00, 8.8, ctSchl, {{gbs, 6.45, 4.5}});
    const std::int64_t grp = w.Run("GRP-3", 1.50, 7.5, ctGrp, {{eaos, 20.0, 1.4}, {res, 15.0, 1.6}, {gbs, 11.5, 2.2}});
    w.Run("ZUG-10", 1.50, 8.5, ctGrp, std::vector<std::tuple<std::int64_t, double, double>>(10, {eaos, 20.0, 1.4}));

    FillProject(c, w, gut, schl, grp, types);
    SetMaxAutoInc(c.InfoDBCDS, counter);
    return store;
}

}  // namespace gvm::tools
