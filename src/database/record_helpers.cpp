#include "database/record_helpers.h"

namespace gvm::db {

void AssignIdentifiers(Cursor& cursor, const std::function<std::int32_t()>& nextId) {
    const TableDef* def = cursor.Def();
    for (int i = 0; i < def->FieldCount(); ++i) {
        if (def->Field(i).kind != FieldKind::AutoInc) continue;
        const Field f = cursor.Fields(i);
        const bool readOnly = f.ReadOnly();
        f.SetReadOnly(false);
        f.SetInteger(nextId());
        f.SetReadOnly(readOnly);
    }
}

Value IdentifierOf(Cursor& cursor) {
    const TableDef* def = cursor.Def();
    for (int i = 0; i < def->FieldCount(); ++i)
        if (def->Field(i).kind == FieldKind::AutoInc) return cursor.Fields(i).AsVariant();
    return Value{};
}

std::int64_t AppendRecord(Cursor& cursor, const std::function<std::int32_t()>& nextId,
                          FieldValues fields) {
    cursor.Append();
    // A module's own new-record rule may have given the identifiers already.
    const Value given = IdentifierOf(cursor);
    if (IsNull(given)) AssignIdentifiers(cursor, nextId);
    for (const auto& [name, value] : fields) cursor.FieldByName(name).SetValue(value);
    const Value id = IdentifierOf(cursor);
    cursor.Post();
    return IsNull(id) ? 0 : std::get<std::int64_t>(id);
}

}  // namespace gvm::db
