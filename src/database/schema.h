#pragma once
// The structure of a database document: the nested tables under the root record InfoDB.
// Defined here once; the file layer checks files against it and every module's cursors
// are built on it.

#include <cstdint>
#include <memory>

#include "database/schema_types.h"

namespace gvm::db {

// The root table (one record: Info_Code, Version, Info, MaxAutoInc and the four top-level
// tables WagenKatalog, BremsKatalog, Rollote, Projekten).
std::shared_ptr<const TableDef> DocumentSchema();

// The largest value of any AutoInc field anywhere below the given rows (0 when none).
struct RowSet;
std::int64_t LargestIdentifier(const RowSet& rows, const TableDef& def);

}  // namespace gvm::db
