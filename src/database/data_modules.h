#pragma once
// The three working modules on the one database document. Each holds the full cursor tree
// on a clone of the main module's root, positioned on the current project:
//  - TEditDataModule: editing input data and project import; carries the document's rules
//    (identifiers, defaults, empty numbers, delete guards);
//  - TDataLoadDM: reading input data into the simulation model, optimisation, export;
//  - TSimDM: reading and storing simulation experiments and their results.

#include <cstdint>

#include "database/document_cursors.h"
#include "database/gravimont_data_module.h"

namespace gvm::db {

class TDataModuleBase {
public:
    TDataModuleBase(TGravimontDataModule& main, DocumentCursors::Profile profile);
    virtual ~TDataModuleBase() = default;
    TDataModuleBase(const TDataModuleBase&) = delete;
    TDataModuleBase& operator=(const TDataModuleBase&) = delete;

    // Makes the root a clone of the main module's root, on its current record, and puts
    // ProjektCDS on the main module's current project.
    void CloneFromMainCDS();

    TGravimontDataModule& Main() { return main_; }

    DocumentCursors cds;
    Cursor& InfoDBCDS = cds.InfoDBCDS;
    Cursor& ProjektCDS = cds.ProjektCDS;

protected:
    TGravimontDataModule& main_;
};

class TEditDataModule : public TDataModuleBase {
public:
    explicit TEditDataModule(TGravimontDataModule& main);
    ~TEditDataModule() override;

    std::int32_t GetNextAutoIncValue() { return main_.GetNextAutoIncValue(); }
    // Saves the document through the main module when this module's root is open; 0.
    int SaveInfoCDS();
    void DeleteNestedRecords(Cursor& cursor) { main_.DeleteNestedRecords(cursor); }
    // True: new retarder types get their identifier only (import); false: with defaults.
    void SetBresenKatNewRecordForImport(bool enable) { bremsKatForImport_ = enable; }
    // While importing, wagons keep the G and W0grund they bring along.
    void SetWagonDefaults(bool enable) { wagonDefaults_ = enable; }

    bool Modified() const { return fModified; }
    void SetModified(bool modified) { fModified = modified; }

    Cursor TempCDS{"TempCDS"};
    Cursor TempCDS2{"TempCDS2"};

private:
    void InstallRules();
    void NewRecordRule(Cursor& c);
    void EmptyNumbersRule(Cursor& c);
    bool VariantGuard(Cursor& c, const char* referringTable, const char* field, const char* message);
    bool CatalogueGuard(Cursor& c, const char* message);
    bool NestedDelete(Cursor& c);

    bool fModified = false;
    bool bremsKatForImport_ = false;
    bool wagonDefaults_ = true;
};

class TDataLoadDM : public TDataModuleBase {
public:
    explicit TDataLoadDM(TGravimontDataModule& main);
};

class TSimDM : public TDataModuleBase {
public:
    explicit TSimDM(TGravimontDataModule& main);
    int SaveInfoCDS();
};

// The guard messages of deletes that other records still refer to ("%s": the name).
namespace guard_text {
inline constexpr const char* kGleis =
    "Gleisvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Simulationsfälle verwenden diese Gleisvariante.";
inline constexpr const char* kBogen =
    "Bogenvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese Bogenvariante.";
inline constexpr const char* kBremsen =
    "Bremsenvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese Bremsenvariante.";
inline constexpr const char* kLuft =
    "Luftwiderstandvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese "
    "Luftwiderstandvariante.";
inline constexpr const char* kNeigung =
    "Neigungvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese Neigungvariante.";
inline constexpr const char* kRoll =
    "Rollwiderstandvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese "
    "Rollwiderstandvariante.";
inline constexpr const char* kWeichen =
    "Weichenvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese Weichenvariante.";
inline constexpr const char* kWirk =
    "Wirkzonenvariante \"%s\" kann nicht gelöscht werden.\n\rAndere Gleise verwenden diese WirkZonenvariante";
inline constexpr const char* kRollot =
    "Rollot \"%s\" kann nicht gelöscht werden.\n\rAndere Simulationsfälle verwenden dieser Rollot.";
inline constexpr const char* kBremsKat =
    "Katalogbremse \"%s\" kann nicht gelöscht werden.\n\rAndere Bremsenabschnitte verwenden diese Bremse.";
inline constexpr const char* kWagKat =
    "Wagentyp \"%s\" kann nicht gelöscht werden.\n\rAndere Rollöte verwenden diesen Wagentyp.";
}  // namespace guard_text

}  // namespace gvm::db
