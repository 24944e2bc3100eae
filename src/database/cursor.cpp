#include "database/cursor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/errors.h"
#include "base/numfmt.h"
#include "base/text.h"
#include "database/filter.h"

namespace gvm::db {

namespace {

const Value kNull{};

[[noreturn]] void Fail(const std::string& text) { throw EDatabaseError(text); }

// Floats become integers the way the Delphi predecessor's Round did: halves to the even
// neighbour (2.5 -> 2, 3.5 -> 4). Done by hand so the FPU rounding mode cannot change it.
long double RoundHalfEven(double d) {
    const long double x = d;
    const long double f = std::floor(x);
    const long double diff = x - f;
    if (diff < 0.5L) return f;
    if (diff > 0.5L) return f + 1;
    return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

std::int64_t CheckRange(const FieldDef& fd, long double v) {
    long double lo = std::numeric_limits<std::int32_t>::min();
    long double hi = std::numeric_limits<std::int32_t>::max();
    if (fd.kind == FieldKind::SmallInt) {
        lo = -32768;
        hi = 32767;
    }
    if (!(v >= lo && v <= hi)) {
        Fail(FormatGeneral(static_cast<double>(v)) + " ist kein gültiger Wert für Feld '" + fd.name +
             "'. Der erlaubte Bereich ist " + FormatGeneral(static_cast<double>(lo)) + " bis " +
             FormatGeneral(static_cast<double>(hi)));
    }
    return static_cast<std::int64_t>(v);
}

// Converts a value to what a field of the given definition stores.
Value ConvertFor(const FieldDef& fd, const Value& v) {
    if (IsNull(v)) return v;
    switch (fd.kind) {
        case FieldKind::Dataset:
            Fail("Feld '" + fd.name + "' ist eine Datenmenge und hat keinen Wert");
        case FieldKind::Integer:
        case FieldKind::SmallInt:
        case FieldKind::AutoInc: {
            if (const auto* i = std::get_if<std::int64_t>(&v)) return CheckRange(fd, *i);
            if (const auto* d = std::get_if<double>(&v)) {
                if (!std::isfinite(*d)) Fail("Ungültiger Wert für Feld '" + fd.name + "'");
                // Range first: converting a huge double to an integer type is undefined.
                return CheckRange(fd, RoundHalfEven(*d));
            }
            const std::string text = Trim(std::get<std::string>(v));
            if (text.empty()) return Value{};
            long long parsed = 0;
            const char* end = text.data() + text.size();
            auto [p, ec] = std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), end, parsed);
            if (ec != std::errc() || p != end) Fail("'" + text + "' ist kein gültiger Integerwert");
            return CheckRange(fd, parsed);
        }
        case FieldKind::Float: {
            double d = 0;
            if (const auto* i = std::get_if<std::int64_t>(&v)) {
                d = static_cast<double>(*i);
            } else if (const auto* f = std::get_if<double>(&v)) {
                d = *f;
            } else {
                const std::string text = Trim(std::get<std::string>(v));
                if (text.empty()) return Value{};
                auto parsed = ParseFloat(text);
                if (!parsed) Fail("'" + text + "' ist kein gültiger Gleitkommawert");
                d = *parsed;
            }
            if (!std::isfinite(d)) Fail("Ungültiger Gleitkommawert für Feld '" + fd.name + "'");
            return d;
        }
        case FieldKind::WideString:
            return fd.size > 0 ? Value{Utf8Left(ValueText(v), static_cast<std::size_t>(fd.size))}
                               : Value{ValueText(v)};
        case FieldKind::WideMemo:
            return ValueText(v);
    }
    return v;
}

}  // namespace

// ----------------------------------------------------------------------------------------
// Field

const std::string& Field::Name() const { return cursor_->FieldNameAt(index_); }

FieldKind Field::Kind() const {
    const TableDef* def = cursor_->Def();
    if (index_ < def->FieldCount()) return def->Field(index_).kind;
    return cursor_->extras_[static_cast<std::size_t>(index_ - def->FieldCount())].kind;
}

int Field::Size() const {
    const TableDef* def = cursor_->Def();
    return index_ < def->FieldCount() ? def->Field(index_).size : 0;
}

bool Field::IsLookup() const {
    const TableDef* def = cursor_->Def();
    return index_ >= def->FieldCount() &&
           cursor_->extras_[static_cast<std::size_t>(index_ - def->FieldCount())].lookup != nullptr;
}

bool Field::IsCalculated() const {
    const TableDef* def = cursor_->Def();
    return index_ >= def->FieldCount() && !IsLookup();
}

bool Field::IsNull() const { return gvm::db::IsNull(cursor_->ReadValue(index_)); }
Value Field::AsVariant() const { return cursor_->ReadValue(index_); }

std::int64_t Field::AsInteger() const {
    const Value v = cursor_->ReadValue(index_);
    if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (const auto* d = std::get_if<double>(&v)) {
        const long double r = RoundHalfEven(*d);
        if (!(std::fabs(r) < 9.2e18L)) Fail(FormatGeneral(*d) + " ist kein gültiger Integerwert");
        return static_cast<std::int64_t>(r);
    }
    if (const auto* s = std::get_if<std::string>(&v)) {
        long long parsed = 0;
        const std::string t = Trim(*s);
        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), parsed);
        if (ec != std::errc() || p != t.data() + t.size())
            Fail("'" + *s + "' ist kein gültiger Integerwert");
        return parsed;
    }
    return 0;
}

double Field::AsFloat() const {
    const Value v = cursor_->ReadValue(index_);
    if (auto n = NumberOf(v)) return *n;
    if (const auto* s = std::get_if<std::string>(&v)) {
        auto parsed = ParseFloat(*s);
        if (!parsed) Fail("'" + *s + "' ist kein gültiger Gleitkommawert");
        return *parsed;
    }
    return 0.0;
}

std::string Field::AsString() const { return ValueText(cursor_->ReadValue(index_)); }
void Field::SetValue(const Value& v) const { cursor_->WriteValue(index_, v); }

bool Field::ReadOnly() const {
    const auto& s = cursor_->Settings(index_);
    return s.readOnly.value_or(cursor_->DefaultReadOnly(index_));
}
void Field::SetReadOnly(bool readOnly) const { cursor_->Settings(index_).readOnly = readOnly; }
bool Field::Required() const { return cursor_->Settings(index_).required; }
void Field::SetRequired(bool required) const { cursor_->Settings(index_).required = required; }

// ----------------------------------------------------------------------------------------
// Cursor: data

Cursor::Cursor(std::string name) : name_(std::move(name)) {}

Cursor::Cursor(std::string name, Cursor& master, std::string nestedField)
    : name_(std::move(name)), master_(&master), nestedField_(std::move(nestedField)) {
    master_->details_.push_back(this);
    state_ = DsState::Browse;  // reported as Inactive while the master is
}

Cursor::~Cursor() {
    if (master_) std::erase(master_->details_, this);
    for (Cursor* d : details_) d->master_ = nullptr;
}

void Cursor::CreateDataSet(std::shared_ptr<const TableDef> def) {
    Attach(std::make_shared<Store>(std::move(def)));
}

void Cursor::Attach(std::shared_ptr<Store> store) {
    if (master_) Fail(name_ + ": eine untergeordnete Datenmenge kann keine eigenen Daten laden");
    Close();
    store_ = std::move(store);
    state_ = DsState::Browse;
    RebuildView(false);
    Notify(CursorChange::DataChanged);
}

void Cursor::CloneCursor(const Cursor& source) {
    if (source.IsNested()) Fail(name_ + ": nur eine Hauptdatenmenge kann geklont werden");
    if (!source.GetStore()) Fail(name_ + ": Datenmenge " + source.Name() + " ist nicht geöffnet");
    Attach(source.GetStore());
}

void Cursor::Close() {
    for (Cursor* d : details_) d->Cancel();
    pending_.reset();
    editBuffer_.clear();
    editSerial_ = 0;
    if (!master_) store_.reset();
    state_ = master_ ? DsState::Browse : DsState::Inactive;
    view_.clear();
    viewRows_ = nullptr;
    viewOwner_ = 0;
    viewDef_ = nullptr;
    SetPos(-1);
    eof_ = bof_ = true;
}

bool Cursor::Active() const {
    if (master_) return master_->Active() && Def() != nullptr;
    return store_ != nullptr;
}

const std::shared_ptr<Store>& Cursor::GetStore() const {
    return master_ ? master_->GetStore() : store_;
}

const TableDef* Cursor::Def() const {
    if (!master_) return store_ ? store_->rootDef.get() : nullptr;
    const TableDef* md = master_->Def();
    if (!md) return nullptr;
    const int idx = md->IndexOf(nestedField_);
    if (idx < 0 || md->Field(idx).kind != FieldKind::Dataset) return nullptr;
    return md->Field(idx).nested.get();
}

void Cursor::RequireActive() const {
    if (!Active()) Fail(name_ + ": Operation bei geschlossener Datenmenge nicht möglich");
}

// ----------------------------------------------------------------------------------------
// Cursor: the view of the source rows
//
// view_ holds the source's records in this cursor's order. It is rebuilt when the source
// changed under the cursor (another cursor posted or deleted, the master moved); the
// cursor's own posts and deletes update it in place, so filling a table stays linear.
// Pointers in view_ may dangle once the source's version has moved on: nothing reads
// through them before Sync() has rebuilt the view.

RowSet* Cursor::SourceRows(std::uint64_t* ownerSerial) {
    if (!master_) {
        if (!store_) return nullptr;
        *ownerSerial = store_->rootSerial;
        return &store_->root;
    }
    const TableDef* md = master_->Def();
    if (!md) return nullptr;
    Record* m = master_->CurrentRecord();
    if (!m) return nullptr;
    const int idx = md->IndexOf(nestedField_);
    if (idx < 0 || md->NestedSlot(idx) < 0) return nullptr;
    *ownerSerial = m->serial;
    return &m->nested[static_cast<std::size_t>(md->NestedSlot(idx))];
}

void Cursor::Sync() {
    std::uint64_t owner = 0;
    RowSet* rows = SourceRows(&owner);
    if (!rows) {
        if (viewRows_ || !view_.empty()) {
            view_.clear();
            viewRows_ = nullptr;
            viewOwner_ = 0;
            SetPos(-1);
            eof_ = bof_ = true;
        }
        return;
    }
    // The owner's serial tells a different parent record apart even when a freed row set's
    // address comes back for a new one.
    if (rows != viewRows_ || owner != viewOwner_ || Def() != viewDef_)
        RebuildView(false);
    else if (rows->version != viewVersion_)
        RebuildView(true);
}

void Cursor::SetPos(int pos) {
    pos_ = pos;
    posSerial_ = pos >= 0 ? view_[static_cast<std::size_t>(pos)]->serial : 0;
}

void Cursor::RebuildView(bool keepPosition) {
    const std::uint64_t keepSerial = keepPosition ? posSerial_ : 0;
    const int oldPos = pos_;
    std::uint64_t owner = 0;
    RowSet* rows = SourceRows(&owner);
    const TableDef* def = Def();
    view_.clear();
    viewRows_ = rows;
    viewOwner_ = rows ? owner : 0;
    viewVersion_ = rows ? rows->version : 0;
    viewDef_ = def;
    indexSlot_ = def && !indexField_.empty() ? def->IndexOf(indexField_) : -1;
    for (auto& term : filter_) term.index = def ? def->IndexOf(term.field) : -1;
    if (rows) {
        view_.reserve(rows->rows.size());
        for (auto& rec : rows->rows)
            if (Passes(*rec)) view_.push_back(rec.get());
        if (indexSlot_ >= 0)
            std::stable_sort(view_.begin(), view_.end(),
                             [this](const Record* a, const Record* b) { return Before(a, b); });
    }
    const int n = static_cast<int>(view_.size());
    if (n == 0) {
        SetPos(-1);
        eof_ = bof_ = true;
        return;
    }
    if (!keepPosition) {
        SetPos(0);
        bof_ = true;
        eof_ = false;
        return;
    }
    if (keepSerial != 0) {
        for (int i = 0; i < n; ++i) {
            if (view_[static_cast<std::size_t>(i)]->serial == keepSerial) {
                SetPos(i);  // still on its record: Eof/Bof stay as they were
                return;
            }
        }
    }
    // The current record is gone: take the one now at its place.
    SetPos(std::clamp(oldPos, 0, n - 1));
    eof_ = bof_ = false;
}

bool Cursor::Passes(const Record& rec) const {
    if (filtered_) {
        for (const auto& term : filter_)
            if (!Matches(term, rec)) return false;
    }
    if (range_ && indexSlot_ >= 0) {
        const Value& v = rec.values[static_cast<std::size_t>(indexSlot_)];
        if (CompareValues(v, range_->first) < 0 || CompareValues(v, range_->second) > 0) return false;
    }
    return true;
}

bool Cursor::Before(const Record* a, const Record* b) const {
    const auto slot = static_cast<std::size_t>(indexSlot_);
    return CompareValues(a->values[slot], b->values[slot]) < 0;
}

// Position in view_[lo, hi) of the first record stored after `rec`; that part of the view
// must be in stored order (equal keys, or the whole view without an order).
std::size_t Cursor::StoredPosition(const Record* rec, std::size_t lo, std::size_t hi) const {
    const int stored = viewRows_->IndexOf(rec);
    const auto first = view_.begin() + static_cast<std::ptrdiff_t>(lo);
    const auto last = view_.begin() + static_cast<std::ptrdiff_t>(hi);
    return static_cast<std::size_t>(
        std::partition_point(first, last, [&](const Record* r) { return viewRows_->IndexOf(r) < stored; }) -
        view_.begin());
}

// Puts a record this cursor just posted into its view (which does not hold it) and makes it
// current. `oldPos` is where an edited record was (-1 for a new one); `sameKey` says its
// place in the order cannot have changed; `appended` that it is last in stored order.
void Cursor::PlaceInView(Record* rec, int oldPos, bool sameKey, bool appended) {
    if (!Passes(*rec)) {
        // Filtered out or out of range: stay where the record was, or on the current one.
        const int n = static_cast<int>(view_.size());
        SetPos(n == 0 ? -1 : std::clamp(oldPos >= 0 ? oldPos : pos_, 0, n - 1));
        eof_ = bof_ = n == 0;
        return;
    }
    std::size_t at = 0;
    if (oldPos >= 0 && sameKey) {
        at = static_cast<std::size_t>(oldPos);
    } else if (indexSlot_ < 0) {
        at = appended ? view_.size() : StoredPosition(rec, 0, view_.size());
    } else {
        auto cmp = [this](const Record* a, const Record* b) { return Before(a, b); };
        const auto [lo, hi] = std::equal_range(view_.begin(), view_.end(), rec, cmp);
        const auto loIdx = static_cast<std::size_t>(lo - view_.begin());
        const auto hiIdx = static_cast<std::size_t>(hi - view_.begin());
        // Equal keys keep stored order; an appended record is stored after all of them.
        at = appended || loIdx == hiIdx ? hiIdx : StoredPosition(rec, loIdx, hiIdx);
    }
    view_.insert(view_.begin() + static_cast<std::ptrdiff_t>(at), rec);
    SetPos(static_cast<int>(at));
    eof_ = bof_ = false;
}

void Cursor::SetIndexFieldNames(std::string fieldName) {
    if (const TableDef* def = Def(); def && !fieldName.empty() && def->IndexOf(fieldName) < 0)
        Fail(name_ + ": Feld '" + fieldName + "' nicht gefunden.");
    if (Active()) CheckBrowseMode();
    indexField_ = std::move(fieldName);
    if (Active()) {
        RebuildView(true);
        Notify(CursorChange::DataChanged);
    }
}

void Cursor::SetFilter(std::string expression) {
    auto terms = ParseFilter(expression);
    // A misspelt field would otherwise just hide every record.
    if (const TableDef* def = Def()) {
        for (const auto& term : terms)
            if (def->IndexOf(term.field) < 0)
                Fail(name_ + ": Feld '" + term.field + "' im Filter nicht gefunden.");
    }
    if (Active() && filtered_) CheckBrowseMode();
    filter_ = std::move(terms);
    filterText_ = std::move(expression);
    if (Active() && filtered_) {
        RebuildView(false);
        Notify(CursorChange::DataChanged);
    }
}

void Cursor::SetFiltered(bool filtered) {
    if (Active()) CheckBrowseMode();
    filtered_ = filtered;
    if (Active()) {
        RebuildView(false);
        Notify(CursorChange::DataChanged);
    }
}

void Cursor::SetRange(Value low, Value high) {
    if (Active()) CheckBrowseMode();
    range_ = std::make_pair(std::move(low), std::move(high));
    if (Active()) {
        RebuildView(false);
        Notify(CursorChange::DataChanged);
    }
}

void Cursor::CancelRange() {
    if (Active()) CheckBrowseMode();
    range_.reset();
    if (Active()) {
        RebuildView(true);
        Notify(CursorChange::DataChanged);
    }
}

// ----------------------------------------------------------------------------------------
// Cursor: navigation

Record* Cursor::CurrentRecord() {
    if (state_ == DsState::Insert) return pending_.get();
    if (state_ == DsState::Edit) return EditedRecord();
    Sync();
    return pos_ >= 0 ? view_[static_cast<std::size_t>(pos_)] : nullptr;
}

// The record in Edit state; null when another cursor deleted it meanwhile.
Record* Cursor::EditedRecord() {
    Sync();
    if (pos_ >= 0 && view_[static_cast<std::size_t>(pos_)]->serial == editSerial_)
        return view_[static_cast<std::size_t>(pos_)];
    for (Record* r : view_)
        if (r->serial == editSerial_) return r;
    return nullptr;
}

void Cursor::CheckBrowseMode() {
    for (Cursor* d : details_) d->CheckBrowseMode();
    if (state_ == DsState::Edit || state_ == DsState::Insert) Post();
}

void Cursor::First() {
    RequireActive();
    CheckBrowseMode();
    Sync();
    SetPos(view_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = view_.empty();
    Notify(CursorChange::Scrolled);
}

void Cursor::Last() {
    RequireActive();
    CheckBrowseMode();
    Sync();
    SetPos(static_cast<int>(view_.size()) - 1);
    eof_ = true;
    bof_ = view_.empty();
    Notify(CursorChange::Scrolled);
}

void Cursor::Next() {
    RequireActive();
    CheckBrowseMode();
    Sync();
    if (pos_ + 1 < static_cast<int>(view_.size())) {
        SetPos(pos_ + 1);
        bof_ = eof_ = false;
        Notify(CursorChange::Scrolled);
    } else {
        eof_ = true;
        bof_ = view_.empty();
    }
}

void Cursor::Prior() {
    RequireActive();
    CheckBrowseMode();
    Sync();
    if (pos_ > 0) {
        SetPos(pos_ - 1);
        bof_ = eof_ = false;
        Notify(CursorChange::Scrolled);
    } else {
        bof_ = true;
        eof_ = view_.empty();
    }
}

bool Cursor::Eof() {
    if (!Active()) return true;
    Sync();
    return eof_ || view_.empty();
}

bool Cursor::Bof() {
    if (!Active()) return true;
    Sync();
    return bof_ || view_.empty();
}

bool Cursor::IsEmpty() { return RecordCount() == 0 && state_ != DsState::Insert; }

int Cursor::RecordCount() {
    if (!Active()) return 0;
    Sync();
    return static_cast<int>(view_.size());
}

int Cursor::RecNo() {
    if (!Active()) return 0;
    Sync();
    return pos_ + 1;
}

void Cursor::SetRecNo(int recNo) {
    RequireActive();
    CheckBrowseMode();
    Sync();
    if (view_.empty()) return;
    SetPos(std::clamp(recNo, 1, static_cast<int>(view_.size())) - 1);
    eof_ = bof_ = false;
    Notify(CursorChange::Scrolled);
}

bool Cursor::Locate(std::string_view fieldName, const Value& value) {
    RequireActive();
    CheckBrowseMode();
    const int idx = FieldByName(fieldName).Index();
    Sync();
    const int stored = Def()->FieldCount();
    const int old = pos_;
    for (int i = 0; i < static_cast<int>(view_.size()); ++i) {
        // Lookup and calculated fields read the current record, so move onto each in turn.
        SetPos(i);
        const Value& v = idx < stored ? view_[static_cast<std::size_t>(i)]->values[static_cast<std::size_t>(idx)]
                                      : ReadValue(idx);
        if (SameValue(v, value)) {
            eof_ = bof_ = false;
            Notify(CursorChange::Scrolled);
            return true;
        }
    }
    SetPos(std::min(old, static_cast<int>(view_.size()) - 1));
    return false;
}

Bookmark Cursor::GetBookmark() {
    Record* rec = CurrentRecord();
    return rec ? rec->serial : 0;
}

bool Cursor::BookmarkValid(Bookmark bookmark) {
    if (!Active() || bookmark == 0) return false;
    Sync();
    return std::any_of(view_.begin(), view_.end(), [&](const Record* r) { return r->serial == bookmark; });
}

bool Cursor::GotoBookmark(Bookmark bookmark) {
    RequireActive();
    CheckBrowseMode();
    Sync();
    for (int i = 0; i < static_cast<int>(view_.size()); ++i) {
        if (view_[static_cast<std::size_t>(i)]->serial == bookmark) {
            SetPos(i);
            eof_ = bof_ = false;
            Notify(CursorChange::Scrolled);
            return true;
        }
    }
    return false;
}

// ----------------------------------------------------------------------------------------
// Cursor: editing

void Cursor::StartInsert(bool append) {
    RequireActive();
    CheckBrowseMode();
    Sync();
    std::uint64_t owner = 0;
    if (!SourceRows(&owner)) Fail(name_ + ": kein übergeordneter Datensatz");
    editSerial_ = append || pos_ < 0 ? 0 : view_[static_cast<std::size_t>(pos_)]->serial;
    pending_ = NewRecord(*Def());
    state_ = DsState::Insert;
    try {
        if (OnNewRecord) OnNewRecord(*this);
    } catch (...) {
        // A failing OnNewRecord leaves no half-made record behind.
        pending_.reset();
        editSerial_ = 0;
        state_ = DsState::Browse;
        throw;
    }
    if (AfterInsert) AfterInsert(*this);
    Notify(CursorChange::StateChanged);
}

void Cursor::Append() { StartInsert(true); }
void Cursor::Insert() { StartInsert(false); }

void Cursor::Edit() {
    RequireActive();
    if (state_ == DsState::Edit || state_ == DsState::Insert) return;
    Sync();
    if (view_.empty()) {
        Append();
        return;
    }
    const Record* rec = view_[static_cast<std::size_t>(pos_)];
    editSerial_ = rec->serial;
    editBuffer_ = rec->values;
    state_ = DsState::Edit;
    if (AfterEdit) AfterEdit(*this);
    Notify(CursorChange::StateChanged);
}

void Cursor::Post() {
    if (state_ != DsState::Edit && state_ != DsState::Insert) return;
    for (Cursor* d : details_) d->CheckBrowseMode();
    if (BeforePost) BeforePost(*this);
    const TableDef* def = Def();
    const std::vector<Value>& values = state_ == DsState::Edit ? editBuffer_ : pending_->values;
    for (int i = 0; i < def->FieldCount(); ++i) {
        auto it = settings_.find(AsciiLower(def->Field(i).name));
        if (it != settings_.end() && it->second.required && IsNull(values[static_cast<std::size_t>(i)]))
            Fail("Feld '" + def->Field(i).name + "' muss einen Wert haben.");
    }
    // Bring the view up to date with what other cursors did, so the post can update it in
    // place. In Insert state this follows the master's new record, not the cursor's own.
    Sync();
    RowSet* rows = viewRows_;
    if (!rows) Fail(name_ + ": kein übergeordneter Datensatz");
    Record* rec = nullptr;
    int oldPos = -1;
    bool sameKey = false, appended = false;
    if (state_ == DsState::Insert) {
        rec = pending_.get();
        auto before = rows->rows.end();
        if (editSerial_ != 0)
            before = std::find_if(rows->rows.begin(), rows->rows.end(),
                                  [&](const auto& r) { return r->serial == editSerial_; });
        appended = before == rows->rows.end();
        rows->rows.insert(before, std::move(pending_));
    } else {
        rec = EditedRecord();
        if (!rec) Fail(name_ + ": Datensatz nicht gefunden; er wurde inzwischen gelöscht");
        oldPos = pos_ >= 0 && view_[static_cast<std::size_t>(pos_)] == rec
                     ? pos_
                     : static_cast<int>(std::find(view_.begin(), view_.end(), rec) - view_.begin());
        sameKey = indexSlot_ < 0 || CompareValues(rec->values[static_cast<std::size_t>(indexSlot_)],
                                                  editBuffer_[static_cast<std::size_t>(indexSlot_)]) == 0;
        for (int i = 0; i < def->FieldCount(); ++i)
            if (def->Field(i).kind != FieldKind::Dataset)
                rec->values[static_cast<std::size_t>(i)] = std::move(editBuffer_[static_cast<std::size_t>(i)]);
        editBuffer_.clear();
        view_.erase(view_.begin() + oldPos);
    }
    ++rows->version;
    viewVersion_ = rows->version;
    editSerial_ = 0;
    state_ = DsState::Browse;
    PlaceInView(rec, oldPos, sameKey, appended);
    if (AfterPost) AfterPost(*this);
    Notify(CursorChange::RecordChanged);
}

void Cursor::Cancel() {
    if (state_ != DsState::Edit && state_ != DsState::Insert) return;
    // Records appended below a new master record go with it.
    for (Cursor* d : details_) d->Cancel();
    pending_.reset();
    editBuffer_.clear();
    editSerial_ = 0;
    state_ = DsState::Browse;
    if (AfterCancel) AfterCancel(*this);
    Notify(CursorChange::StateChanged);
}

bool Cursor::Delete() {
    RequireActive();
    if (state_ == DsState::Insert) {
        Cancel();
        return true;
    }
    if (state_ == DsState::Edit) Cancel();
    Sync();
    if (view_.empty()) Fail(name_ + ": Löschen bei leerer Datenmenge nicht möglich");
    for (Cursor* d : details_) d->CheckBrowseMode();
    if (BeforeDelete && !BeforeDelete(*this)) return false;
    Sync();  // BeforeDelete may have changed the table
    if (view_.empty()) return false;
    RowSet* rows = viewRows_;
    Record* rec = view_[static_cast<std::size_t>(pos_)];
    const int stored = rows->IndexOf(rec);
    view_.erase(view_.begin() + pos_);
    rows->rows.erase(rows->rows.begin() + stored);  // frees the record with its children
    ++rows->version;
    viewVersion_ = rows->version;
    const int n = static_cast<int>(view_.size());
    const bool wasLast = pos_ >= n;
    SetPos(n == 0 ? -1 : std::min(pos_, n - 1));
    eof_ = n == 0 || wasLast;
    bof_ = n == 0;
    if (AfterDelete) AfterDelete(*this);
    Notify(CursorChange::DataChanged);
    return true;
}

void Cursor::DeleteNestedRecords() {
    RequireActive();
    Record* rec = CurrentRecord();
    if (!rec) return;
    for (Cursor* d : details_) d->Cancel();
    for (RowSet& child : rec->nested) {
        child.rows.clear();
        ++child.version;
    }
    Notify(CursorChange::DataChanged);
}

void Cursor::EmptyDataSet() {
    RequireActive();
    Cancel();
    std::uint64_t owner = 0;
    if (RowSet* rows = SourceRows(&owner)) {
        rows->rows.clear();
        ++rows->version;
    }
    Sync();
    Notify(CursorChange::DataChanged);
}

// ----------------------------------------------------------------------------------------
// Cursor: fields

const std::string& Cursor::FieldNameAt(int index) const {
    const TableDef* def = Def();
    if (index < def->FieldCount()) return def->Field(index).name;
    return extras_[static_cast<std::size_t>(index - def->FieldCount())].name;
}

int Cursor::FieldIndex(std::string_view fieldName) {
    const TableDef* def = Def();
    if (!def) return -1;
    if (def != nameCacheDef_) {
        nameCache_.clear();
        nameCacheDef_ = def;
    }
    std::string key(fieldName);
    if (auto it = nameCache_.find(key); it != nameCache_.end()) return it->second;
    int idx = def->IndexOf(fieldName);
    if (idx < 0) {
        for (std::size_t k = 0; k < extras_.size(); ++k)
            if (IEquals(extras_[k].name, fieldName)) idx = def->FieldCount() + static_cast<int>(k);
    }
    nameCache_.emplace(std::move(key), idx);
    return idx;
}

std::optional<Field> Cursor::FindField(std::string_view fieldName) {
    const int idx = FieldIndex(fieldName);
    if (idx < 0) return std::nullopt;
    return Field(*this, idx);
}

Field Cursor::FieldByName(std::string_view fieldName) {
    const int idx = FieldIndex(fieldName);
    if (idx < 0) Fail(name_ + ": Feld '" + std::string(fieldName) + "' nicht gefunden.");
    return Field(*this, idx);
}

int Cursor::FieldCount() {
    const TableDef* def = Def();
    return def ? def->FieldCount() + static_cast<int>(extras_.size()) : 0;
}

void Cursor::AddLookupField(std::string name, std::string keyField, Cursor& lookup,
                            std::string lookupKey, std::string resultField) {
    ExtraField e;
    e.name = std::move(name);
    e.kind = FieldKind::WideString;
    e.keyField = std::move(keyField);
    e.lookup = &lookup;
    e.lookupKey = std::move(lookupKey);
    e.resultField = std::move(resultField);
    extras_.push_back(std::move(e));
    nameCacheDef_ = nullptr;
}

void Cursor::AddCalcField(std::string name, FieldKind kind, std::function<Value(Cursor&)> calc) {
    ExtraField e;
    e.name = std::move(name);
    e.kind = kind;
    e.calc = std::move(calc);
    extras_.push_back(std::move(e));
    nameCacheDef_ = nullptr;
}

const Value& Cursor::ReadStored(int index) {
    const auto i = static_cast<std::size_t>(index);
    if (state_ == DsState::Edit) return editBuffer_[i];
    Record* rec = CurrentRecord();
    return rec ? rec->values[i] : kNull;
}

Value Cursor::ReadValue(int index) {
    const TableDef* def = Def();
    if (!def) return Value{};
    if (index < def->FieldCount()) return ReadStored(index);
    const ExtraField& e = extras_[static_cast<std::size_t>(index - def->FieldCount())];
    if (e.calc) return e.calc(*this);
    const Value key = FieldByName(e.keyField).AsVariant();
    if (IsNull(key) || !e.lookup->Active()) return Value{};
    std::uint64_t owner = 0;
    RowSet* rows = e.lookup->SourceRows(&owner);
    const TableDef* ldef = e.lookup->Def();
    if (!rows || !ldef) return Value{};
    const int k = ldef->IndexOf(e.lookupKey), r = ldef->IndexOf(e.resultField);
    if (k < 0 || r < 0) return Value{};
    for (const auto& rec : rows->rows)
        if (SameValue(rec->values[static_cast<std::size_t>(k)], key))
            return rec->values[static_cast<std::size_t>(r)];
    return Value{};
}

void Cursor::WriteValue(int index, const Value& v) {
    const TableDef* def = Def();
    if (!def) Fail(name_ + ": Operation bei geschlossener Datenmenge nicht möglich");
    if (index >= def->FieldCount())
        Fail("Feld '" + FieldNameAt(index) + "' kann nicht verändert werden");
    if (state_ != DsState::Edit && state_ != DsState::Insert)
        Fail(name_ + ": Datenmenge nicht im Bearbeitungs- oder Einfügemodus");
    const FieldDef& fd = def->Field(index);
    FieldSettings& s = Settings(index);
    if (s.readOnly.value_or(DefaultReadOnly(index)))
        Fail("Feld '" + fd.name + "' kann nicht verändert werden");
    Value converted = ConvertFor(fd, v);
    const auto i = static_cast<std::size_t>(index);
    if (state_ == DsState::Edit)
        editBuffer_[i] = std::move(converted);
    else
        pending_->values[i] = std::move(converted);
    if (s.onChange) s.onChange(Field(*this, index));
    Notify(CursorChange::RecordChanged);
}

Cursor::FieldSettings& Cursor::Settings(int index) { return settings_[AsciiLower(FieldNameAt(index))]; }

bool Cursor::DefaultReadOnly(int index) const {
    const TableDef* def = Def();
    if (index >= def->FieldCount()) return true;
    return def->Field(index).kind == FieldKind::AutoInc;
}

void Cursor::SetOnFieldChange(std::string_view fieldName, std::function<void(Field)> handler) {
    settings_[AsciiLower(fieldName)].onChange = std::move(handler);
}

// ----------------------------------------------------------------------------------------
// Cursor: notifications

int Cursor::Subscribe(std::function<void(CursorChange)> observer) {
    observers_.emplace_back(nextToken_, std::move(observer));
    return nextToken_++;
}

void Cursor::Unsubscribe(int token) {
    std::erase_if(observers_, [token](const auto& o) { return o.first == token; });
}

void Cursor::EnableControls() {
    if (controlsDisabled_ > 0 && --controlsDisabled_ == 0) Notify(CursorChange::DataChanged);
}

void Cursor::Notify(CursorChange change) {
    if (controlsDisabled_ > 0 || observers_.empty()) return;
    // An observer may unsubscribe (or subscribe) while being told.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers) observer(change);
}

}  // namespace gvm::db
