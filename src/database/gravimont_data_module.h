#pragma once
// The main data module: owns the open database file, the document with its tree of
// cursors, and the document-wide identifier counter. Opens (converting older files),
// saves with a ".bak" copy, and deletes nested records.

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/messages.h"
#include "base/paths.h"
#include "database/document_cursors.h"

namespace gvm::db {

class TGravimontDataModule {
public:
    TGravimontDataModule(MessagePort& port, ProgramData data);
    // Saves the open document (SaveCDS of the root) unless saving on close was switched off;
    // a failure is reported through the port, never thrown.
    ~TGravimontDataModule();
    TGravimontDataModule(const TGravimontDataModule&) = delete;
    TGravimontDataModule& operator=(const TGravimontDataModule&) = delete;

    DocumentCursors cds{DocumentCursors::Profile::Main};
    Cursor& InfoDBCDS = cds.InfoDBCDS;
    Cursor& ProjektCDS = cds.ProjektCDS;

    // Opens a document file into the root cursor; 0 on success, -1 on failure (after a
    // message). With `tryToConvert` a file of another structure is converted first.
    int OpenCDS(Cursor& root, const std::filesystem::path& fileName, bool tryToConvert);
    // Writes the document back to the open file after copying it to ".bak"; 0. Errors of
    // the write are thrown (the file on disk stays intact).
    int SaveCDS(Cursor& root);
    int SaveInfoCDS() { return SaveCDS(InfoDBCDS); }
    // Increments the counter and returns the new identifier; throws when it is exhausted.
    std::int32_t GetNextAutoIncValue();
    std::int32_t AutoIncValue() const { return fAutoIncValue; }
    // Deletes every record nested below the cursor's current record (the record stays).
    void DeleteNestedRecords(Cursor& cursor);
    // Closes the document without saving.
    void Close();
    // Makes an in-memory document the open one, without a file (tools and tests); the
    // counter continues from its largest identifier.
    void AttachDocument(std::shared_ptr<Store> store);

    const std::filesystem::path& FileName() const { return fFileName; }
    bool IsOpen() const { return InfoDBCDS.Active(); }
    const ProgramData& Data() const { return data_; }
    MessagePort& Port() { return port_; }
    void SetSaveOnDestroy(bool save) { saveOnDestroy_ = save; }

    // File version of a document file: "1.05" is 15, else the root's Version as a whole
    // number; 0 when the file or the attribute cannot be read.
    static int ProbeVersion(const std::filesystem::path& fileName);

private:
    void Load(Cursor& root, const std::filesystem::path& fileName);
    int Convert(const std::filesystem::path& fileName);

    MessagePort& port_;
    ProgramData data_;
    std::filesystem::path fFileName;
    std::int32_t fAutoIncValue = 0;
    bool saveOnDestroy_ = true;
};

// Copies an old document into the (empty) template document: fields by name, "SimFallName"
// into "SimExpName", identifiers kept, the template's Version kept.
void CopyIntoTemplate(const Store& source, Store& target);

}  // namespace gvm::db
