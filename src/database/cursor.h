#pragma once
// A cursor on a table of a Store: its own position, order, filter and range, editing with
// before/after events, and field access by name. A root cursor shows the root table; a
// nested cursor shows the children of its master cursor's current record and follows the
// master as it moves. Clones share the data of their source and keep their own position.
//
// Positions follow the familiar record-cursor semantics: First/Next/Prior/Last with Bof and
// Eof flags, RecNo 1-based in the current order. Navigating while editing posts first.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/filter.h"
#include "database/store.h"

namespace gvm::db {

enum class DsState { Inactive, Browse, Edit, Insert };

class Cursor;

// A handle on one field of a cursor's current record. Cheap to copy; valid while the
// cursor's table definition stays the same.
class Field {
public:
    Field(Cursor& cursor, int index) : cursor_(&cursor), index_(index) {}

    const std::string& Name() const;
    FieldKind Kind() const;
    int Size() const;  // characters of a WideString field
    bool IsLookup() const;
    bool IsCalculated() const;
    int Index() const { return index_; }

    bool IsNull() const;
    Value AsVariant() const;
    std::int64_t AsInteger() const;  // null reads 0; floats are rounded, halves to even
    double AsFloat() const;          // null reads 0
    std::string AsString() const;    // null reads ""

    // Writes need the cursor in Edit or Insert state; strings are cut to the field's size.
    void SetValue(const Value& v) const;
    void SetInteger(std::int64_t v) const { SetValue(Value{v}); }
    void SetFloat(double v) const { SetValue(Value{v}); }
    void SetString(std::string_view v) const { SetValue(Value{std::string(v)}); }
    void Clear() const { SetValue(Value{}); }

    bool ReadOnly() const;
    void SetReadOnly(bool readOnly) const;
    bool Required() const;
    void SetRequired(bool required) const;

private:
    Cursor* cursor_;
    int index_;  // stored fields first, then the cursor's lookup and calculated fields
};

using Bookmark = std::uint64_t;

enum class CursorChange { Scrolled, StateChanged, RecordChanged, DataChanged };

class Cursor {
public:
    // A root cursor, inactive until it is given data (CreateDataSet, Attach, CloneCursor).
    explicit Cursor(std::string name);
    // A nested cursor on the dataset field `nestedField` of `master`.
    Cursor(std::string name, Cursor& master, std::string nestedField);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    const std::string& Name() const { return name_; }

    // --- Data (root cursors) ---------------------------------------------------------
    void CreateDataSet(std::shared_ptr<const TableDef> def);  // new empty data
    void Attach(std::shared_ptr<Store> store);                // data read from a file
    void CloneCursor(const Cursor& source);                   // share the source's data
    void Close();
    bool Active() const;
    const std::shared_ptr<Store>& GetStore() const;
    // The table this cursor shows; null when inactive or the master has no such field.
    const TableDef* Def() const;
    bool IsNested() const { return master_ != nullptr; }
    Cursor* Master() const { return master_; }
    const std::string& NestedField() const { return nestedField_; }

    // --- Order, filter, range ---------------------------------------------------------
    void SetIndexFieldNames(std::string fieldName);  // "" = stored order
    const std::string& IndexFieldNames() const { return indexField_; }
    // "Field = 'text' AND Other <> 5": comparisons (= <> < > <= >=) joined by AND.
    void SetFilter(std::string expression);
    void SetFiltered(bool filtered);
    bool Filtered() const { return filtered_; }
    // Records whose order-field value lies in [low, high].
    void SetRange(Value low, Value high);
    void CancelRange();

    // --- Navigation -------------------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof();
    bool Bof();
    bool IsEmpty();
    int RecordCount();
    int RecNo();  // 1-based, 0 when empty
    void SetRecNo(int recNo);
    bool Locate(std::string_view fieldName, const Value& value);
    Bookmark GetBookmark();
    bool GotoBookmark(Bookmark bookmark);
    bool BookmarkValid(Bookmark bookmark);

    // --- Editing ----------------------------------------------------------------------
    DsState State() const { return Active() ? state_ : DsState::Inactive; }
    void Append();  // new record at the end of stored order
    void Insert();  // new record before the current one in stored order
    void Edit();    // on an empty table the same as Append
    void Post();
    void Cancel();
    // Deletes the current record with its nested tables; false when BeforeDelete refused.
    bool Delete();
    // Deletes, depth first, every record of every nested table of the current record.
    void DeleteNestedRecords();
    void EmptyDataSet();

    // --- Fields -----------------------------------------------------------------------
    Field FieldByName(std::string_view fieldName);  // throws EDatabaseError when missing
    std::optional<Field> FindField(std::string_view fieldName);
    int FieldCount();
    Field Fields(int index) { return Field(*this, index); }

    // A lookup field shows `resultField` of the first record of `lookup`'s table whose
    // `lookupKey` equals this record's `keyField`.
    void AddLookupField(std::string name, std::string keyField, Cursor& lookup,
                        std::string lookupKey, std::string resultField);
    // A calculated field computed from the current record on every read.
    void AddCalcField(std::string name, FieldKind kind, std::function<Value(Cursor&)> calc);

    // --- Events -------------------------------------------------------------------------
    std::function<void(Cursor&)> OnNewRecord;
    std::function<void(Cursor&)> AfterInsert;
    std::function<void(Cursor&)> AfterEdit;
    std::function<void(Cursor&)> BeforePost;  // may throw to refuse the post
    std::function<void(Cursor&)> AfterPost;
    std::function<bool(Cursor&)> BeforeDelete;  // false refuses the delete silently
    std::function<void(Cursor&)> AfterDelete;
    std::function<void(Cursor&)> AfterCancel;
    void SetOnFieldChange(std::string_view fieldName, std::function<void(Field)> handler);

    // --- Change notifications for bound views -------------------------------------------
    int Subscribe(std::function<void(CursorChange)> observer);
    void Unsubscribe(int token);
    void DisableControls() { ++controlsDisabled_; }
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }

    // The record the fields read (edit buffer aside); null when there is none.
    Record* CurrentRecord();

private:
    friend class Field;

    struct ExtraField {
        std::string name;
        FieldKind kind;
        // lookup
        std::string keyField;
        Cursor* lookup = nullptr;
        std::string lookupKey, resultField;
        // calculated
        std::function<Value(Cursor&)> calc;
    };
    struct FieldSettings {
        std::optional<bool> readOnly;
        bool required = false;
        std::function<void(Field)> onChange;
    };

    // Source table of the cursor: the rows and the serial of their owner.
    RowSet* SourceRows(std::uint64_t* ownerSerial);
    void Sync();
    void RebuildView(bool keepPosition);
    bool Passes(const Record& rec) const;
    bool Before(const Record* a, const Record* b) const;
    void SetPos(int pos);
    std::size_t StoredPosition(const Record* rec, std::size_t lo, std::size_t hi) const;
    void PlaceInView(Record* rec, int oldPos, bool sameKey, bool appended);
    Record* EditedRecord();
    void CheckBrowseMode();
    void RequireActive() const;
    void StartInsert(bool append);
    void Notify(CursorChange change);

    const Value& ReadStored(int index);
    Value ReadValue(int index);
    void WriteValue(int index, const Value& v);
    FieldSettings& Settings(int index);
    const std::string& FieldNameAt(int index) const;
    int FieldIndex(std::string_view fieldName);
    bool DefaultReadOnly(int index) const;

    std::string name_;
    Cursor* master_ = nullptr;
    std::string nestedField_;
    std::shared_ptr<Store> store_;  // root cursors only
    std::vector<Cursor*> details_;  // nested cursors bound to this one

    std::string indexField_;
    int indexSlot_ = -1;  // index field in the current definition, -1 for stored order
    std::string filterText_;
    std::vector<FilterTerm> filter_;
    bool filtered_ = false;
    std::optional<std::pair<Value, Value>> range_;

    // The order of the source's records as this cursor shows them.
    std::vector<Record*> view_;
    RowSet* viewRows_ = nullptr;
    std::uint64_t viewOwner_ = 0;
    std::uint64_t viewVersion_ = 0;
    const TableDef* viewDef_ = nullptr;
    int pos_ = -1;
    std::uint64_t posSerial_ = 0;  // the current record, found again after a rebuild
    bool eof_ = true, bof_ = true;

    DsState state_ = DsState::Inactive;
    std::unique_ptr<Record> pending_;  // record being inserted
    std::vector<Value> editBuffer_;    // values of the record being edited
    // Edit: the record being edited. Insert: the record the new one goes before (0 = append).
    // Kept by serial: another cursor may delete that record meanwhile.
    std::uint64_t editSerial_ = 0;

    std::vector<ExtraField> extras_;
    std::unordered_map<std::string, FieldSettings> settings_;  // by lower-case field name
    std::unordered_map<std::string, int> nameCache_;
    const TableDef* nameCacheDef_ = nullptr;

    std::vector<std::pair<int, std::function<void(CursorChange)>>> observers_;
    int nextToken_ = 1;
    int controlsDisabled_ = 0;
};

}  // namespace gvm::db
