#pragma once
// Opening a database file as the programs do it: the file must exist, files of the older
// database generation are referred to the conversion tool, and the document is opened with
// the conversion of older file structures.

#include <filesystem>

#include "database/gravimont_data_module.h"

namespace gvm::db {

// True when the document is open. Without `silent` a missing file is reported.
bool OpenDatabase(TGravimontDataModule& dm, const std::filesystem::path& fileName, bool silent);

}  // namespace gvm::db
