#include "database/schema_types.h"

#include "base/text.h"

namespace gvm::db {

const char* KindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer: return "Integer";
        case FieldKind::SmallInt: return "Smallint";
        case FieldKind::Float: return "Float";
        case FieldKind::WideString: return "WideString";
        case FieldKind::WideMemo: return "WideMemo";
        case FieldKind::AutoInc: return "AutoInc";
        case FieldKind::Dataset: return "Dataset";
    }
    return "?";
}

int TableDef::IndexOf(std::string_view fieldName) const {
    auto it = byLowerName_.find(AsciiLower(fieldName));
    return it == byLowerName_.end() ? -1 : it->second;
}

void TableDef::Finish() {
    byLowerName_.clear();
    nestedSlot_.assign(fields.size(), -1);
    nestedCount_ = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        byLowerName_.emplace(AsciiLower(fields[i].name), static_cast<int>(i));
        if (fields[i].kind == FieldKind::Dataset) nestedSlot_[i] = nestedCount_++;
    }
}

TableBuilder::TableBuilder(std::string name) : def_(std::make_shared<TableDef>()) {
    def_->name = std::move(name);
}

TableBuilder& TableBuilder::Add(std::string name, FieldKind kind, int size) {
    def_->fields.push_back(FieldDef{std::move(name), kind, size, nullptr});
    return *this;
}

TableBuilder& TableBuilder::AutoInc(std::string name) { return Add(std::move(name), FieldKind::AutoInc); }
TableBuilder& TableBuilder::Int(std::string name) { return Add(std::move(name), FieldKind::Integer); }
TableBuilder& TableBuilder::Small(std::string name) { return Add(std::move(name), FieldKind::SmallInt); }
TableBuilder& TableBuilder::Float(std::string name) { return Add(std::move(name), FieldKind::Float); }
TableBuilder& TableBuilder::Str(std::string name, int size) {
    return Add(std::move(name), FieldKind::WideString, size);
}
TableBuilder& TableBuilder::Memo(std::string name) { return Add(std::move(name), FieldKind::WideMemo); }

TableBuilder& TableBuilder::Nested(std::shared_ptr<const TableDef> table) {
    def_->fields.push_back(FieldDef{table->name, FieldKind::Dataset, 0, std::move(table)});
    return *this;
}

std::shared_ptr<const TableDef> TableBuilder::Done() {
    def_->Finish();
    return def_;
}

}  // namespace gvm::db
