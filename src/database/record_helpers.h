#pragma once
// Appending whole records in one call, with identifiers from the document counter: used by
// the data tools and by test fixtures.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "database/cursor.h"

namespace gvm::db {

using FieldValues = std::initializer_list<std::pair<std::string_view, Value>>;

// Gives every AutoInc field of the record being inserted the next identifier.
void AssignIdentifiers(Cursor& cursor, const std::function<std::int32_t()>& nextId);

// The value of the first AutoInc field of the current record (the record's identifier).
Value IdentifierOf(Cursor& cursor);

// Appends a record to `cursor`: every AutoInc field gets `nextId()`, then the given fields
// are set, then the record is posted. Returns the identifier of the first AutoInc field
// (0 when the table has none). The cursor stays on the new record.
std::int64_t AppendRecord(Cursor& cursor, const std::function<std::int32_t()>& nextId,
                          FieldValues fields);

}  // namespace gvm::db
