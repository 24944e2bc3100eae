#include "database/store.h"

#include <atomic>

namespace gvm::db {

std::uint64_t NewSerial() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

int RowSet::IndexOf(const Record* rec) const {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].get() == rec) return static_cast<int>(i);
    return -1;
}

std::unique_ptr<Record> NewRecord(const TableDef& def) {
    auto rec = std::make_unique<Record>();
    rec->serial = NewSerial();
    rec->values.resize(def.fields.size());
    rec->nested.resize(static_cast<std::size_t>(def.NestedCount()));
    return rec;
}

std::unique_ptr<Record> CopyRecord(const Record& rec) {
    auto copy = std::make_unique<Record>();
    copy->serial = NewSerial();
    copy->values = rec.values;
    copy->nested.resize(rec.nested.size());
    for (std::size_t k = 0; k < rec.nested.size(); ++k) {
        copy->nested[k].rows.reserve(rec.nested[k].rows.size());
        for (const auto& child : rec.nested[k].rows) copy->nested[k].rows.push_back(CopyRecord(*child));
    }
    return copy;
}

}  // namespace gvm::db
