#include "database/references.h"

#include "base/text.h"

namespace gvm::db {

namespace {

bool Holds(const TableDef& def, std::string_view table) {
    if (IEquals(def.name, table)) return true;
    for (const auto& f : def.fields)
        if (f.kind == FieldKind::Dataset && Holds(*f.nested, table)) return true;
    return false;
}

}  // namespace

bool RecordRefers(const Record& rec, const TableDef& def, std::string_view table,
                  std::initializer_list<std::string_view> fields, const Value& id) {
    if (IEquals(def.name, table)) {
        for (std::string_view name : fields) {
            const int i = def.IndexOf(name);
            if (i >= 0 && SameValue(rec.values[static_cast<std::size_t>(i)], id)) return true;
        }
    }
    for (int i = 0; i < def.FieldCount(); ++i) {
        const FieldDef& f = def.Field(i);
        if (f.kind != FieldKind::Dataset || !Holds(*f.nested, table)) continue;
        if (RowsRefer(rec.nested[static_cast<std::size_t>(def.NestedSlot(i))], *f.nested, table, fields, id))
            return true;
    }
    return false;
}

bool RowsRefer(const RowSet& rows, const TableDef& def, std::string_view table,
               std::initializer_list<std::string_view> fields, const Value& id) {
    for (const auto& rec : rows.rows)
        if (RecordRefers(*rec, def, table, fields, id)) return true;
    return false;
}

bool StoreRefers(const Store& store, std::string_view table, std::initializer_list<std::string_view> fields,
                 const Value& id) {
    return RowsRefer(store.root, *store.rootDef, table, fields, id);
}

const RowSet* TopLevelRows(const Store& store, std::string_view table, const TableDef** def) {
    if (store.root.rows.empty()) return nullptr;
    const int i = store.rootDef->IndexOf(table);
    if (i < 0 || store.rootDef->NestedSlot(i) < 0) return nullptr;
    if (def) *def = store.rootDef->Field(i).nested.get();
    return &store.root.rows.front()->nested[static_cast<std::size_t>(store.rootDef->NestedSlot(i))];
}

RowSet* TopLevelRows(Store& store, std::string_view table, const TableDef** def) {
    return const_cast<RowSet*>(TopLevelRows(static_cast<const Store&>(store), table, def));
}

const Record* FindTopLevel(const Store& store, std::string_view table, std::string_view field,
                           const Value& value) {
    const TableDef* def = nullptr;
    const RowSet* rows = TopLevelRows(store, table, &def);
    if (!rows) return nullptr;
    const int i = def->IndexOf(field);
    if (i < 0) return nullptr;
    for (const auto& rec : rows->rows)
        if (SameValue(rec->values[static_cast<std::size_t>(i)], value)) return rec.get();
    return nullptr;
}

}  // namespace gvm::db
