#pragma once
// Project export and import. An export file is an ordinary database file made from the
// template that holds one project with the runs, wagon types and retarder types it uses
// (or all of them), with every identifier kept. Import adds the first project of any
// database file to a new or an existing project: every record gets a new identifier,
// every reference is rewritten, and catalogue entries and runs that exist already in the
// same form are reused.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "database/current_selection.h"
#include "database/data_modules.h"

namespace gvm::db {

// One identifier of the source and the one it became in the target.
struct TIDRec {
    TIDRec(std::int32_t paOld, std::int32_t paNew) : OldID(paOld), NewID(paNew) {}
    std::int32_t OldID;
    std::int32_t NewID;
    bool Imported = true;  // false once matched to an existing record
};

// The identifier map of one table kind.
class TIDList {
public:
    // Registers a pair unless the old identifier is known already (the first one wins).
    void AddRecord(std::int32_t paOldValue, std::int32_t paNewValue);
    // The new identifier of an old one; -1 for -1 and for an unknown one.
    std::int32_t GetID(std::int32_t paOldID) const;
    // Points an old identifier to another new one (a matched existing record).
    void ReplaceID(std::int32_t paOld, std::int32_t paNew);
    const std::vector<TIDRec>& List() const { return List_; }
    void Clear() { List_.clear(); }

private:
    std::vector<TIDRec> List_;
};

enum class TOperationMode { oCopy, oReplace, oStore };
enum class TtFieldType { oInteger, oFloat, oString };

struct TFieldsRecord {
    std::string FieldName;
    TOperationMode OperationMode = TOperationMode::oCopy;
    TIDList* IDList = nullptr;
    TtFieldType FieldType = TtFieldType::oInteger;
};

// The copy rules of one step, found by exact field name.
struct TFieldsArray {
    std::array<TFieldsRecord, 20> Fields;
    int Count = 0;

    TFieldsArray() = default;
    TFieldsArray(std::initializer_list<TFieldsRecord> rules);
    const TFieldsRecord* Find(std::string_view fieldName) const;
};

struct ExportOptions {
    bool allRuns = false;       // "Alle Rollöte "
    bool allRetarders = false;  // "Alle Bremsen aus Katalog "
    bool allWagons = false;     // "Alle Wagen aus Katalog "
    bool noResults = false;     // "Ohne Resultaten"
};

class ProjectExport {
public:
    ProjectExport(TGravimontDataModule& main, TDataLoadDM& load, TSimDM& sim) : main_(main), load_(load), sim_(sim) {}

    // "Export": writes the project to the file. False when nothing was written.
    bool Run(std::optional<std::int64_t> idProjekt, const std::filesystem::path& exportFile,
             const ExportOptions& options);

    TIDList BremsKatalogIDList, WagenKatalogIDList, RollotIDList;

private:
    bool Refused(const std::filesystem::path& exportFile);
    void Export(const Record& project, Store& target, const ExportOptions& options);

    TGravimontDataModule& main_;
    TDataLoadDM& load_;
    TSimDM& sim_;
};

struct ImportTarget {
    bool newProject = true;                  // "Neues Projekt" (else "Existierendes Projekt")
    std::string name;                        // name of the new project
    std::optional<std::int64_t> idProjekt;   // the existing project chosen
};

class ProjectImport {
public:
    ProjectImport(TGravimontDataModule& main, TEditDataModule& edit, TDataLoadDM& load, TCurrentSelection& current)
        : main_(main), edit_(edit), load_(load), current_(current) {}

    // "Import": imports the first project of the file. False when nothing was imported.
    bool Run(const std::filesystem::path& importFile, const ImportTarget& target);

    TIDList BremsKatalogIDList, WagenKatalogIDList, RollotIDList, BremsenIDList, NeigungIDList, BogenIDList,
        WeichenIDList, RollWiderIDList, LuftWiderIDList, WirkZonenIDList, GleisIDList, SimfallIDList;

private:
    std::optional<std::int64_t> ChooseTarget(const std::filesystem::path& importFile, const ImportTarget& target);
    bool Import(const std::filesystem::path& importFile);
    void CopySteps(std::int64_t targetProject);
    void CopyTable(Cursor& source, Cursor& target, const TFieldsArray& rules, const char* ownerField,
                   std::int64_t ownerId);
    void Match(TIDList& list, const char* table, const char* idField);
    void RollBack(std::int32_t counterAtStart);

    TGravimontDataModule& main_;
    TEditDataModule& edit_;
    TDataLoadDM& load_;
    TCurrentSelection& current_;
};

}  // namespace gvm::db
