#pragma once
// Table definitions of the nested-table store: field kinds, fields and tables.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gvm::db {

enum class FieldKind {
    Integer,     // 32-bit signed
    SmallInt,    // 16-bit signed
    Float,       // 64-bit IEEE
    WideString,  // Unicode text of at most `size` characters
    WideMemo,    // Unicode text of any length
    AutoInc,     // 32-bit identifier, written by the program from the document counter
    Dataset,     // nested table
};

const char* KindName(FieldKind kind);
inline bool IsIntegerKind(FieldKind k) {
    return k == FieldKind::Integer || k == FieldKind::SmallInt || k == FieldKind::AutoInc;
}
inline bool IsTextKind(FieldKind k) { return k == FieldKind::WideString || k == FieldKind::WideMemo; }

struct TableDef;

struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::Integer;
    int size = 0;                            // characters, for WideString
    std::shared_ptr<const TableDef> nested;  // for Dataset
};

// A table's stored fields. Built once, then shared read-only by every record and cursor.
struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;

    // Index of a field by name, letter case ignored; -1 when there is none.
    int IndexOf(std::string_view fieldName) const;
    // Slot of a dataset field among the record's nested tables; -1 for other fields.
    int NestedSlot(int fieldIndex) const { return nestedSlot_[static_cast<std::size_t>(fieldIndex)]; }
    int NestedCount() const { return nestedCount_; }
    const FieldDef& Field(int i) const { return fields[static_cast<std::size_t>(i)]; }
    int FieldCount() const { return static_cast<int>(fields.size()); }

    // Builds the lookup indexes; call once after the fields are complete.
    void Finish();

private:
    std::unordered_map<std::string, int> byLowerName_;
    std::vector<int> nestedSlot_;
    int nestedCount_ = 0;
};

// Small builder used by the schema and by tests: Table("Wagen").Int("Ord").Float("G").Done().
class TableBuilder {
public:
    explicit TableBuilder(std::string name);
    TableBuilder& AutoInc(std::string name);
    TableBuilder& Int(std::string name);
    TableBuilder& Small(std::string name);
    TableBuilder& Float(std::string name);
    TableBuilder& Str(std::string name, int size);
    TableBuilder& Memo(std::string name);
    TableBuilder& Nested(std::shared_ptr<const TableDef> table);
    std::shared_ptr<const TableDef> Done();

private:
    TableBuilder& Add(std::string name, FieldKind kind, int size = 0);
    std::shared_ptr<TableDef> def_;
};

}  // namespace gvm::db
