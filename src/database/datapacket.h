#pragma once
// The XML data packet: the file format of database documents. Reads what the client
// dataset component of older versions wrote (attributes in any order, absent attributes as
// null, RowState and change log, UTF-8 with or without BOM, Windows-1252 files) and writes
// the same layout with UTF-8 and round-trip numbers.

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "database/store.h"

namespace gvm::db {

// The file's structure differs from the expected one (a missing, renamed or retyped field).
class EStructureMismatch : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

struct LoadResult {
    std::shared_ptr<Store> store;
    std::vector<std::string> warnings;  // things tolerated while reading, e.g. the encoding
};

// Reads a data packet. With `expected`, the file's fields must match it (names, letter case
// aside, and compatible types, recursively; EStructureMismatch otherwise) and the rows are
// read into that layout; without it the layout is taken from the file's metadata.
// Every other failure throws EDatabaseError with a message that names the place.
LoadResult ParseDataPacket(std::string bytes, const TableDef* expected, std::string_view sourceName);
LoadResult LoadDataPacket(const std::filesystem::path& path, const TableDef* expected = nullptr);

// Builds a table definition from a packet's METADATA alone (used to describe a file).
std::shared_ptr<const TableDef> ReadPacketStructure(std::string bytes, std::string_view sourceName);

// Writes the whole store as a data packet.
void WriteDataPacket(const Store& store, std::ostream& out);
std::string DataPacketText(const Store& store);

}  // namespace gvm::db
