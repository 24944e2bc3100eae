#pragma once
// The data of one nested-table document: records with their values and nested tables.
// Cursors (cursor.h) navigate and change it; the file layer (datapacket.h) reads and
// writes it. Every cursor on the same Store sees every posted change at once.

#include <cstdint>
#include <memory>
#include <vector>

#include "database/schema_types.h"
#include "database/value.h"

namespace gvm::db {

struct RowSet;

// One record: a value per field of its table (dataset fields hold null) and one child
// table per dataset field. `serial` identifies it for bookmarks and cursor positions.
struct Record {
    std::uint64_t serial = 0;
    std::vector<Value> values;
    std::vector<RowSet> nested;
};

// The records of one table (root, or the children of one parent record) in stored order.
// `version` changes with every posted change, so cursors know when to rebuild their order.
struct RowSet {
    std::vector<std::unique_ptr<Record>> rows;
    std::uint64_t version = 0;

    // Position of a record in stored order, -1 when it is not here.
    int IndexOf(const Record* rec) const;
};

// Serials are unique in the process, so a cursor can tell any two records apart.
std::uint64_t NewSerial();

// A new record of the given table with all values null and empty child tables.
std::unique_ptr<Record> NewRecord(const TableDef& def);

struct Store {
    explicit Store(std::shared_ptr<const TableDef> def) : rootDef(std::move(def)) {}
    std::shared_ptr<const TableDef> rootDef;
    RowSet root;
    std::uint64_t rootSerial = NewSerial();  // identifies the root table as a cursor source
};

// Deep copy of a record's values and child tables (new serials).
std::unique_ptr<Record> CopyRecord(const Record& rec);

}  // namespace gvm::db
