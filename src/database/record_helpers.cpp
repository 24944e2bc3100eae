#include "database/record_helpers.h"

namespace gvm::db {

std::int64_t AppendRecord(Cursor& cursor, const std::function<std::int32_t()>& nextId,
                          FieldValues fields) {
    cursor.Append();
    std::int64_t first = 0;
    const TableDef* def = cursor.Def();
    for (int i = 0; i < def->FieldCount(); ++i) {
        if (def->Field(i).kind != FieldKind::AutoInc) continue;
        const Field f = cursor.Fields(i);
        const bool readOnly = f.ReadOnly();
        f.SetReadOnly(false);
        const std::int32_t id = nextId();
        f.SetInteger(id);
        f.SetReadOnly(readOnly);
        if (first == 0) first = id;
    }
    for (const auto& [name, value] : fields) cursor.FieldByName(name).SetValue(value);
    cursor.Post();
    return first;
}

}  // namespace gvm::db
