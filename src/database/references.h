#pragma once
// Searches of the whole document tree for records that refer to an identifier, without
// moving any cursor.

#include <initializer_list>
#include <string_view>

#include "database/store.h"

namespace gvm::db {

// True when a record of a table named `table` below `rows` (of table `def`) holds `id` in
// one of `fields`. Only the branches of the tree that can hold such a table are walked.
bool RowsRefer(const RowSet& rows, const TableDef& def, std::string_view table,
               std::initializer_list<std::string_view> fields, const Value& id);
// The same below one record (its own values included when it is of that table).
bool RecordRefers(const Record& rec, const TableDef& def, std::string_view table,
                  std::initializer_list<std::string_view> fields, const Value& id);
// The same in the whole document.
bool StoreRefers(const Store& store, std::string_view table, std::initializer_list<std::string_view> fields,
                 const Value& id);

// The first record of a top-level table (WagenKatalog, BremsKatalog, Rollote, Projekten)
// whose `field` equals `value`; null when there is none.
const Record* FindTopLevel(const Store& store, std::string_view table, std::string_view field,
                           const Value& value);

// The rows of a top-level table; null when the document has no root record.
const RowSet* TopLevelRows(const Store& store, std::string_view table, const TableDef** def = nullptr);
RowSet* TopLevelRows(Store& store, std::string_view table, const TableDef** def = nullptr);

}  // namespace gvm::db
