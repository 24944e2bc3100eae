#pragma once
// A document built in code for the tests: an empty database with one current project, and
// a few calls that add catalogue entries, runs, variants, tracks and cases through the
// main module's cursors with identifiers from the counter.

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/recording_port.h"
#include "database/data_modules.h"
#include "database/gravimont_data_module.h"
#include "database/record_helpers.h"
#include "docgen.h"
#include "support/repo_data.h"

namespace gvm::test {

struct ForceRow {
    double gu, go;
    std::array<double, 9> forces;
};

struct WagonSpec {
    std::int64_t type;
    double g, w0;
};

class DocFixture {
public:
    DocFixture() : main(port, Data()), load(main) {
        main.AttachDocument(tools::BuildTemplateDocument());
        project = Append(main.ProjektCDS, {{"ProjektName", "Test"}, {"Info_Code", std::int64_t{0}}});
    }

    static ProgramData Data() { return RepoData(); }

    std::int64_t Append(db::Cursor& c, db::FieldValues fields) {
        return db::AppendRecord(c, [this] { return main.GetNextAutoIncValue(); }, fields);
    }

    // Sets further fields of the record a cursor stands on.
    static void Set(db::Cursor& c, const std::vector<std::pair<std::string, db::Value>>& fields) {
        c.Edit();
        for (const auto& [name, value] : fields) c.FieldByName(name).SetValue(value);
        c.Post();
    }

    std::int64_t WagonType(const std::string& name, int naw, double vu, std::vector<double> dx, double hu,
                           double achs = 1.8, double rho = 2.0, double g = 20.0, double w0 = 1.5,
                           std::int64_t mdw = 880) {
        dx.resize(5, 0.0);
        return Append(main.cds.WagKatCDS,
                      {{"Name", name}, {"Naw", std::int64_t{naw}}, {"Vu", vu}, {"Dx1", dx[0]}, {"Dx2", dx[1]},
                       {"Dx3", dx[2]}, {"Dx4", dx[3]}, {"Dx5", dx[4]}, {"Hu", hu}, {"Achs", achs}, {"Rho", rho},
                       {"G", g}, {"W0grund", w0}, {"Mdw", mdw}});
    }

    std::int64_t RetarderType(const std::string& name, std::vector<ForceRow> braking, std::vector<ForceRow> idle,
                              double a0 = 1, double a1 = 0, double a2 = 0, double vausPlus = 0.1,
                              double vausMinus = 0.1) {
        auto& c = main.cds;
        const std::int64_t id = Append(c.BremsenKatCDS,
                                       {{"Name", name}, {"A0", a0}, {"A1", a1}, {"A2", a2}, {"VausPlus", vausPlus},
                                        {"VausMinus", vausMinus}, {"Kommentar", "Typ " + name}, {"B0", 3.6467},
                                        {"B1", 0.05409}, {"B2", -0.0008172}, {"B3", 0.0}, {"C0", -0.06469},
                                        {"C1", -0.000036208}});
        ForceRows(c.BremsKrafteCDS, "Bb", id, braking);
        ForceRows(c.LeerLaufKraftCDS, "Cc", id, idle);
        return id;
    }

    std::int64_t Run(const std::string& name, const std::vector<WagonSpec>& wagons, double cct = 1.0,
                     double fl = 8.0) {
        auto& c = main.cds;
        const std::int64_t id = Append(c.RolloteCDS, {{"Name", name}, {"Cct", cct}, {"Fl", fl}});
        std::vector<std::pair<std::string, db::Value>> ct;
        for (int i = 1; i <= 10; ++i) ct.emplace_back("ct" + std::to_string(i), 0.1 * i);
        Set(c.RolloteCDS, ct);
        std::int64_t ord = 1;
        for (const auto& w : wagons)
            Append(c.WagenCDS, {{"ID_Rollot", id}, {"ID_WagenTyp", w.type}, {"Ord", ord++}, {"G", w.g},
                                {"W0grund", w.w0}});
        return id;
    }

    // A variant of the current project with its sections; each row gives the section
    // fields in the order of `sectionFields`.
    std::int64_t Variant(db::Cursor& variant, db::Cursor& sections, const std::string& name,
                         const std::vector<std::pair<std::string, db::Value>>& variantFields,
                         const std::vector<std::string>& sectionFields,
                         const std::vector<std::vector<db::Value>>& rows) {
        locateProject();
        const std::int64_t id = Append(variant, {{"Name", name}, {"ID_Projekt", project}});
        Set(variant, variantFields);
        for (const auto& row : rows) {
            Append(sections, {});
            std::vector<std::pair<std::string, db::Value>> f;
            for (std::size_t i = 0; i < row.size(); ++i) f.emplace_back(sectionFields[i], row[i]);
            Set(sections, f);
        }
        return id;
    }

    std::int64_t Gradients(const std::string& name, double xtot, double xgipf,
                           const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.NeigungCDS, main.cds.NeigAbschCDS, name, {{"Xtot", xtot}, {"Xgipf", xgipf}},
                       {"Xu", "Xo", "Su", "So"}, rows);
    }
    std::int64_t Curves(const std::string& name, const std::vector<std::vector<db::Value>>& rows,
                        double eps0 = 500, double eps1 = 100) {
        return Variant(main.cds.BogenCDS, main.cds.BogenAbschCDS, name, {{"Eps0", eps0}, {"Eps1", eps1}},
                       {"Xu", "Xo", "R"}, rows);
    }
    std::int64_t Switches(const std::string& name, const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.WeichenCDS, main.cds.WeichAbschCDS, name, {{"Kommentar", "W"}},
                       {"Xu", "Xo", "Ww", "XGrenz"}, rows);
    }
    std::int64_t Rolling(const std::string& name, const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.RollWiderCDS, main.cds.RollAbschCDS, name, {{"Kommentar", "R"}},
                       {"Xu", "Xo", "Wru", "Wro"}, rows);
    }
    std::int64_t Air(const std::string& name, double beta0, double vl, const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.LuftWidCDS, main.cds.LuftAbschCDS, name, {{"Beta0", beta0}, {"Vl", vl}},
                       {"Xu", "Xo", "Vlu", "Vlo"}, rows);
    }
    // Rows: ID_BauartKod, Xu, Xo, Vaus, Xein, Wbr, Wir.
    std::int64_t Retarders(const std::string& name, const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.BremsenCDS, main.cds.BremsAbschCDS, name, {{"Kommentar", "B"}},
                       {"ID_BauartKod", "Xu", "Xo", "Vaus", "Xein", "Wbr", "Wir"}, rows);
    }
    // Rows: Xu, Xo, Kommentar.
    std::int64_t Zones(const std::string& name, const std::vector<std::vector<db::Value>>& rows) {
        return Variant(main.cds.WirkZonenCDS, main.cds.WirkAbschCDS, name, {{"Kommentar", "Z"}},
                       {"Xu", "Xo", "Kommentar"}, rows);
    }

    struct TrackRefs {
        std::int64_t neig = 0, bogen = 0, brems = 0, weich = 0, roll = 0, luft = 0, wirk = 0;
    };
    std::int64_t Track(const std::string& name, const TrackRefs& r) {
        locateProject();
        return Append(main.cds.GleisCDS, {{"Name", name}, {"ID_Projekt", project}, {"ID_Neig", r.neig},
                                          {"ID_Bogen", r.bogen}, {"ID_Brems", r.brems}, {"ID_Weich", r.weich},
                                          {"ID_RollW", r.roll}, {"ID_Luft", r.luft}, {"ID_WirkZon", r.wirk}});
    }

    std::int64_t Case(const std::string& name, std::int64_t gleis, std::int64_t rollot, double lfwg = 500,
                      double vab = 1.2, double ddx = 0.5, double q = 0.001, double ziel = 1.4) {
        locateProject();
        return Append(main.cds.SimulationsFallCDS,
                      {{"Name", name}, {"ID_Projekt", project}, {"ID_Gleis", gleis}, {"ID_Rollot", rollot},
                       {"Lfwg", lfwg}, {"Vab", vab}, {"Ddx", ddx}, {"Q", q}, {"ZielGeschw0", ziel}});
    }

    // The loading module on the current project, as the run window clones it.
    db::TDataLoadDM& Loaded() {
        locateProject();
        load.CloneFromMainCDS();
        return load;
    }

    RecordingPort port;
    db::TGravimontDataModule main;
    db::TDataLoadDM load;
    std::int64_t project = 0;

private:
    void ForceRows(db::Cursor& c, const std::string& prefix, std::int64_t type,
                          const std::vector<ForceRow>& rows);
    void locateProject() { main.ProjektCDS.Locate("ID_Projekt", project); }
};

inline void DocFixture::ForceRows(db::Cursor& c, const std::string& prefix, std::int64_t type,
                                  const std::vector<ForceRow>& rows) {
    for (const auto& r : rows) {
        Append(c, {{"ID_BauartKod", type}, {"Gu", r.gu}, {"Go", r.go}});
        std::vector<std::pair<std::string, db::Value>> f;
        for (std::size_t k = 0; k < 9; ++k) f.emplace_back(prefix + std::to_string(k + 1), r.forces[k]);
        Set(c, f);
    }
}

}  // namespace gvm::test
