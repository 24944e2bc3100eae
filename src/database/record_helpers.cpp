#include "database/record_helpers.h"

namespace gvm::db {

void AssignIdentifiers(Cursor& cursor, const std::function<std::int32_t()>& nextId) {
    const TableDef* def = cursor.Def();
    for (int i = 0; i < def->FieldCount(); ++i) {
        if (def->Field(i).kind != FieldKind::AutoInc) continue;
        // Taken before the field is opened for writing: an exhausted counter must not
        // leave the identifier editable.
        const std::int32_t id = nextId();
        const Field f = cursor.Fields(i);
        const bool readOnly = f.ReadOnly();
        f.SetReadOnly(false);
        try {
            f.SetInteger(id);
        } catch (...) {
            f.SetReadOnly(readOnly);
            throw;
        }
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
    try {
        // A module's own new-record rule may have given the identifiers already.
        const Value given = IdentifierOf(cursor);
        if (IsNull(given)) AssignIdentifiers(cursor, nextId);
        for (const auto& [name, value] : fields) cursor.FieldByName(name).SetValue(value);
        const Value id = IdentifierOf(cursor);
        cursor.Post();
        return IsNull(id) ? 0 : std::get<std::int64_t>(id);
    } catch (...) {
        // Left in Insert state, the half-made record would be posted by the next move.
        cursor.Cancel();
        throw;
    }
}

}  // namespace gvm::db
