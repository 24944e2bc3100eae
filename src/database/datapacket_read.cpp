// Reading data packets: the whole buffer goes through pugixml, then the DOM is turned into
// records in one pass and released. Files of several hundred megabytes are normal (stored
// experiments), so the row loop avoids temporary strings and repeated name lookups.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "database/datapacket.h"

namespace gvm::db {

namespace {

constexpr int kMaxNesting = 64;  // the component's own parser stops there too
// The file does not name the table of the ROW level; this name stands for it in messages
// when no expected structure supplies one.
constexpr const char* kRootTableName = "ROWDATA";
constexpr const char* kRowStateAttr = "RowState";

// RowState bits of rows that are not part of the current data: the original copy of a
// changed row, a deleted row and an unused slot.
constexpr unsigned kStateOriginal = 1, kStateDeleted = 2, kStateModified = 8, kStateUnused = 32;

const char* const kCp1252Warning =
    "Die Datei ist nicht UTF-8-kodiert und wurde als Windows-1252 gelesen.";

[[noreturn]] void Fail(const std::string& text) {
    throw EDatabaseError(text);
}
[[noreturn]] void Mismatch(const std::string& text) {
    throw EStructureMismatch(text);
}

// ---------------------------------------------------------------------------------------
// Buffer preparation: byte order mark, encoding

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The encoding named by the XML declaration, empty when there is none.
std::string DeclaredEncoding(std::string_view s) {
    if (!StartsWith(s, "<?xml")) return {};
    const std::size_t end = s.find("?>");
    if (end == std::string_view::npos || end > 1024) return {};
    const std::string_view decl = s.substr(0, end);
    std::size_t p = decl.find("encoding");
    if (p == std::string_view::npos) return {};
    p += 8;
    while (p < decl.size() &&
           (decl[p] == ' ' || decl[p] == '\t' || decl[p] == '\r' || decl[p] == '\n'))
        ++p;
    if (p >= decl.size() || decl[p] != '=') return {};
    ++p;
    while (p < decl.size() &&
           (decl[p] == ' ' || decl[p] == '\t' || decl[p] == '\r' || decl[p] == '\n'))
        ++p;
    if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\'')) return {};
    const char quote = decl[p++];
    const std::size_t close = decl.find(quote, p);
    if (close == std::string_view::npos) return {};
    return AsciiLower(decl.substr(p, close - p));
}

bool IsBlank(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

// The document text ready for pugixml. `text` points into `bytes` (or into its Windows-1252
// decoding, which then replaces it); `skipped` counts the file bytes in front of it, so
// parse error offsets can be given as file positions.
struct Prepared {
    char* text = nullptr;
    std::size_t size = 0;
    std::size_t skipped = 0;
    pugi::xml_encoding encoding = pugi::encoding_utf8;
};

Prepared PrepareBuffer(std::string& bytes, std::vector<std::string>& warnings) {
    Prepared p;
    std::string_view body(bytes);
    if (StartsWith(body, "\xEF\xBB\xBF")) {
        p.skipped = 3;
        body.remove_prefix(3);
    } else if (StartsWith(body, "\xFF\xFE") || StartsWith(body, "\xFE\xFF")) {
        // UTF-16 with byte order mark: pugixml converts it.
        p.text = bytes.data();
        p.size = bytes.size();
        p.encoding = pugi::encoding_auto;
        return p;
    }
    if (IsBlank(body)) Fail("Die Datei ist leer.");

    const std::string declared = DeclaredEncoding(body);
    const bool declaredUtf8 = declared.empty() || declared == "utf-8" || declared == "utf8" ||
                              StartsWith(declared, "utf-16") || declared == "ucs-2";
    if (!declaredUtf8 || !IsValidUtf8(body)) {
        // Older files were written in the Windows code page; Latin-1 is its subset.
        bytes = Cp1252ToUtf8(body);
        warnings.emplace_back(kCp1252Warning);
        p.skipped = 0;
        p.text = bytes.data();
        p.size = bytes.size();
        return p;
    }
    p.text = bytes.data() + p.skipped;
    p.size = body.size();
    return p;
}

// Escapes on; no attribute whitespace normalisation, which would turn the CR LF written as
// &#013;&#010; into blanks. A DOCTYPE is skipped, its entities are never expanded.
constexpr unsigned kParseOptions = pugi::parse_escapes | pugi::parse_eol;

void LoadDocument(pugi::xml_document& doc, const Prepared& p) {
    const pugi::xml_parse_result res =
        doc.load_buffer_inplace(p.text, p.size, kParseOptions, p.encoding);
    if (!res) {
        Fail(Substitute(
            "Die Datei ist kein gültiges XML-Datenpaket: %s (Byte %s)",
            {res.description(), std::to_string(static_cast<std::size_t>(res.offset) + p.skipped)}));
    }
}

struct PacketNodes {
    pugi::xml_node fields;
    pugi::xml_node params;
    pugi::xml_node rowData;
};

PacketNodes FindNodes(const pugi::xml_document& doc, bool needRows) {
    const pugi::xml_node root = doc.document_element();
    if (!root || std::strcmp(root.name(), "DATAPACKET") != 0) {
        Fail(Substitute(
            "Die Datei ist kein Datenpaket: Das Wurzelelement ist <%s> statt <DATAPACKET>.",
            {root ? root.name() : ""}));
    }
    const pugi::xml_node meta = root.child("METADATA");
    if (!meta) Fail("Die Datei ist kein gültiges Datenpaket: Das Element METADATA fehlt.");
    PacketNodes n;
    n.fields = meta.child("FIELDS");
    if (!n.fields) Fail("Die Datei ist kein gültiges Datenpaket: Das Element FIELDS fehlt.");
    n.params = meta.child("PARAMS");
    n.rowData = root.child("ROWDATA");
    if (needRows && !n.rowData)
        Fail("Die Datei ist kein gültiges Datenpaket: Das Element ROWDATA fehlt.");
    return n;
}

// ---------------------------------------------------------------------------------------
// Structure as the file describes it

// How a file field's values are written, whatever the schema makes of them.
enum class Form { Integer, Boolean, Float, Text, Binary, Nested };

struct FileTable;

struct FileField {
    std::string attr;     // name of the row attribute, or of the nested table's element
    std::string name;     // the field's own name: `fieldname` when the attribute name was cleaned
    std::string type;     // fieldtype as written, for messages
    std::string subtype;  // SUBTYPE as written
    Form form = Form::Text;
    std::int64_t lo = 0, hi = 0;  // value range of integer types
    int width = 0;                // WIDTH, 0 when absent
    std::unique_ptr<FileTable> nested;
};

struct FileTable {
    std::string name;
    std::vector<FileField> fields;
};

struct TypeInfo {
    const char* name;
    Form form;
    std::int64_t lo, hi;
};

constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();

constexpr TypeInfo kTypes[] = {
    {"i1", Form::Integer, -128, 127},
    {"i2", Form::Integer, -32768, 32767},
    {"i4", Form::Integer, kI32Min, kI32Max},
    {"i8", Form::Integer, kI64Min, kI64Max},
    {"ui1", Form::Integer, 0, 255},
    {"ui2", Form::Integer, 0, 65535},
    {"ui4", Form::Integer, 0, 4294967295LL},
    {"boolean", Form::Boolean, 0, 1},
    {"r4", Form::Float, 0, 0},
    {"r8", Form::Float, 0, 0},
    {"fixed", Form::Float, 0, 0},
    {"string.uni", Form::Text, 0, 0},
    {"string", Form::Text, 0, 0},
    {"date", Form::Text, 0, 0},
    {"time", Form::Text, 0, 0},
    {"dateTime", Form::Text, 0, 0},
    {"bin.hex", Form::Binary, 0, 0},
    {"nested", Form::Nested, 0, 0},
};

bool IsTextSubtype(std::string_view subtype) {
    return IEquals(subtype, "WideText") || IEquals(subtype, "Text");
}

std::unique_ptr<FileTable> ReadFields(pugi::xml_node fields, std::string tableName, int depth) {
    if (depth > kMaxNesting) {
        Fail(Substitute("Die Tabellen des Datenpakets sind tiefer als %s Ebenen verschachtelt.",
                        {std::to_string(kMaxNesting)}));
    }
    auto table = std::make_unique<FileTable>();
    table->name = std::move(tableName);
    std::unordered_set<std::string> names, attrs;
    for (pugi::xml_node f = fields.child("FIELD"); f; f = f.next_sibling("FIELD")) {
        FileField ff;
        ff.attr = f.attribute("attrname").value();
        ff.name = f.attribute("fieldname").value();
        if (ff.attr.empty()) ff.attr = ff.name;
        if (ff.attr.empty())
            Fail(Substitute("Ein Feld der Tabelle %s hat keinen Namen.", {table->name}));
        if (ff.name.empty()) ff.name = ff.attr;
        if (!names.insert(AsciiLower(ff.name)).second || !attrs.insert(ff.attr).second) {
            Fail(Substitute("Feld \"%s\" kommt in Tabelle %s mehrfach vor.",
                            {ff.name, table->name}));
        }
        ff.type = f.attribute("fieldtype").value();
        ff.subtype = f.attribute("SUBTYPE").value();
        ff.width = f.attribute("WIDTH").as_int(0);
        const TypeInfo* info = nullptr;
        for (const TypeInfo& t : kTypes)
            if (IEquals(ff.type, t.name)) info = &t;
        if (!info) {
            Fail(Substitute("Feld \"%s\" in Tabelle %s hat den unbekannten Typ \"%s\".",
                            {ff.name, table->name, ff.type}));
        }
        ff.form = info->form;
        ff.lo = info->lo;
        ff.hi = info->hi;
        if (ff.form == Form::Nested) {
            const pugi::xml_node sub = f.child("FIELDS");
            if (!sub) {
                Fail(Substitute("Die Tabelle \"%s\" in Tabelle %s hat keine Felder (FIELDS fehlt).",
                                {ff.name, table->name}));
            }
            ff.nested = ReadFields(sub, ff.name, depth + 1);
        }
        table->fields.push_back(std::move(ff));
    }
    return table;
}

// What a file field becomes when the file alone defines the structure.
FieldDef DerivedField(const FileField& ff);

std::shared_ptr<const TableDef> DerivedTable(const FileTable& ft) {
    auto def = std::make_shared<TableDef>();
    def->name = ft.name;
    for (const FileField& ff : ft.fields) def->fields.push_back(DerivedField(ff));
    def->Finish();
    return def;
}

FieldDef DerivedField(const FileField& ff) {
    FieldDef fd;
    fd.name = ff.name;
    switch (ff.form) {
        case Form::Integer:
            if (IEquals(ff.type, "i2"))
                fd.kind = FieldKind::SmallInt;
            else if (IEquals(ff.type, "i4") && IEquals(ff.subtype, "Autoinc"))
                fd.kind = FieldKind::AutoInc;
            else
                fd.kind = FieldKind::Integer;
            break;
        case Form::Boolean:
            fd.kind = FieldKind::Integer;
            break;
        case Form::Float:
            fd.kind = FieldKind::Float;
            break;
        case Form::Text:
            if (IsTextSubtype(ff.subtype)) {
                fd.kind = FieldKind::WideMemo;  // older writers marked memos this way
            } else {
                fd.kind = FieldKind::WideString;
                // WIDTH counts bytes: two per character in string.uni.
                if (ff.width <= 0)
                    fd.size = 255;
                else
                    fd.size = IEquals(ff.type, "string.uni") ? (ff.width + 1) / 2 : ff.width;
            }
            break;
        case Form::Binary:
            fd.kind = FieldKind::WideMemo;
            break;
        case Form::Nested:
            fd.kind = FieldKind::Dataset;
            fd.nested = DerivedTable(*ff.nested);
            break;
    }
    return fd;
}

// ---------------------------------------------------------------------------------------
// Reading plan: for every table, how each attribute of a row lands in a record

enum class Conv : std::uint8_t { Integer, Boolean, Float, Text };

struct TablePlan;

struct Column {
    const FileField* file = nullptr;
    int target = 0;  // field index in the record
    Conv conv = Conv::Text;
    std::int64_t lo = 0, hi = 0;
    // Dataset columns
    int slot = -1;
    std::string rowName;  // "ROW" + attribute name
    std::unique_ptr<TablePlan> nested;
};

constexpr int kUnknownAttr = -1;
constexpr int kRowStateCol = -2;

struct TablePlan {
    const TableDef* def = nullptr;
    std::vector<Column> values;
    std::vector<Column> tables;
    std::unordered_map<std::string_view, int> byAttr;  // attribute name -> values index
    // Attribute names of the previous row, in order, with their columns: rows of one table
    // nearly always repeat the same order, so one strcmp usually replaces the hash lookup.
    std::vector<std::pair<const char*, int>> lastOrder;
    std::unordered_set<std::string> reported;  // unknown attributes and elements warned about
};

std::pair<std::int64_t, std::int64_t> KindRange(FieldKind kind) {
    if (kind == FieldKind::SmallInt) return {-32768, 32767};
    return {kI32Min, kI32Max};
}

Column MakeColumn(const FileField& ff, const TableDef& def, int target) {
    Column col;
    col.file = &ff;
    col.target = target;
    const FieldKind kind = def.Field(target).kind;
    if (IsIntegerKind(kind)) {
        col.conv = ff.form == Form::Boolean ? Conv::Boolean : Conv::Integer;
        const auto [lo, hi] = KindRange(kind);
        col.lo = std::max(lo, ff.lo);
        col.hi = std::min(hi, ff.hi);
    } else if (kind == FieldKind::Float) {
        col.conv = Conv::Float;
    } else {
        col.conv = Conv::Text;
    }
    return col;
}

void AddColumn(TablePlan& plan, Column col) {
    if (col.file->form == Form::Nested) {
        col.slot = plan.def->NestedSlot(col.target);
        col.rowName = "ROW" + col.file->attr;
        plan.tables.push_back(std::move(col));
    } else {
        plan.values.push_back(std::move(col));
    }
}

void FinishPlan(TablePlan& plan) {
    for (std::size_t i = 0; i < plan.values.size(); ++i)
        plan.byAttr.emplace(plan.values[i].file->attr, static_cast<int>(i));
    plan.byAttr.emplace(kRowStateAttr, kRowStateCol);  // a field of that name would win
}

// Plan for a structure taken from the file itself.
std::unique_ptr<TablePlan> DerivedPlan(const FileTable& ft, const TableDef& def) {
    auto plan = std::make_unique<TablePlan>();
    plan->def = &def;
    for (std::size_t i = 0; i < ft.fields.size(); ++i) {
        const FileField& ff = ft.fields[i];
        Column col = MakeColumn(ff, def, static_cast<int>(i));
        if (ff.form == Form::Nested)
            col.nested = DerivedPlan(*ff.nested, *def.Field(col.target).nested);
        AddColumn(*plan, std::move(col));
    }
    FinishPlan(*plan);
    return plan;
}

bool Compatible(FieldKind kind, const FileField& ff) {
    switch (kind) {
        case FieldKind::Integer:
        case FieldKind::SmallInt:
        case FieldKind::AutoInc:
            return ff.form == Form::Integer || ff.form == Form::Boolean;
        case FieldKind::Float:
            return ff.form == Form::Float || ff.form == Form::Integer;
        case FieldKind::WideString:
        case FieldKind::WideMemo:
            return ff.form == Form::Text || (ff.form == Form::Binary && IsTextSubtype(ff.subtype));
        case FieldKind::Dataset:
            return ff.form == Form::Nested;
    }
    return false;
}

// Plan for an expected structure; the file must match it.
std::unique_ptr<TablePlan> ExpectedPlan(const FileTable& ft, const TableDef& def) {
    auto plan = std::make_unique<TablePlan>();
    plan->def = &def;
    std::vector<bool> used(ft.fields.size(), false);
    for (int t = 0; t < def.FieldCount(); ++t) {
        const FieldDef& fd = def.Field(t);
        std::size_t i = 0;
        while (i < ft.fields.size() && !IEquals(ft.fields[i].name, fd.name)) ++i;
        if (i == ft.fields.size())
            Mismatch(Substitute("Feld \"%s\" fehlt in Tabelle %s", {fd.name, def.name}));
        const FileField& ff = ft.fields[i];
        used[i] = true;
        if (!Compatible(fd.kind, ff)) {
            const std::string type =
                ff.subtype.empty() ? ff.type : ff.type + " (" + ff.subtype + ")";
            Mismatch(Substitute("Feld \"%s\" in Tabelle %s hat den Typ %s, erwartet %s",
                                {fd.name, def.name, type, KindName(fd.kind)}));
        }
        Column col = MakeColumn(ff, def, t);
        if (fd.kind == FieldKind::Dataset) {
            if (!fd.nested)
                Fail(Substitute("Feld \"%s\" in Tabelle %s hat keine Tabellendefinition",
                                {fd.name, def.name}));
            col.nested = ExpectedPlan(*ff.nested, *fd.nested);
        }
        AddColumn(*plan, std::move(col));
    }
    for (std::size_t i = 0; i < ft.fields.size(); ++i) {
        if (!used[i]) {
            Mismatch(Substitute("Feld \"%s\" ist in Tabelle %s nicht bekannt",
                                {ft.fields[i].name, def.name}));
        }
    }
    FinishPlan(*plan);
    return plan;
}

// ---------------------------------------------------------------------------------------
// Values

// pugixml encodes each numeric reference to a UTF-16 surrogate half (as the component writes
// characters beyond U+FFFF) as its own three-byte sequence ED A0..BF xx. Pairs become the
// real four-byte character, lone halves U+FFFD. Works in place: the text never grows.
void CombineSurrogates(std::string& s) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto halfAt = [&](std::size_t i) -> char32_t {
        if (i + 2 >= s.size()) return 0;
        if (byte(i) != 0xED || (byte(i + 1) & 0xE0) != 0xA0 || (byte(i + 2) & 0xC0) != 0x80)
            return 0;
        return 0xD000 | (static_cast<char32_t>(byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
    };
    std::size_t w = 0;
    for (std::size_t r = 0; r < s.size();) {
        const char32_t hi = halfAt(r);
        if (hi == 0) {
            s[w++] = s[r++];
            continue;
        }
        char32_t cp = 0xFFFD;
        std::size_t used = 3;
        if (hi < 0xDC00) {
            const char32_t lo = halfAt(r + 3);
            if (lo >= 0xDC00) {
                cp = 0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00);
                used = 6;
            }
        }
        char buf[4];
        std::size_t n;
        if (cp == 0xFFFD) {
            buf[0] = '\xEF', buf[1] = '\xBF', buf[2] = '\xBD', n = 3;
        } else {
            buf[0] = static_cast<char>(0xF0 | (cp >> 18));
            buf[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf[3] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        for (std::size_t k = 0; k < n; ++k) s[w++] = buf[k];
        r += used;
    }
    s.resize(w);
}

// The records' change log, needed only for files that carry one.
struct ChangeLog {
    // Record numbers count the row elements of all levels in document order, from 1.
    std::unordered_map<const void*, int> numberOf;
    std::vector<pugi::xml_node> rowByNumber;  // index number - 1
    std::unordered_map<int, int> previous;    // record number -> number of its previous version

    pugi::xml_node Row(int number) const {
        return number >= 1 && static_cast<std::size_t>(number) <= rowByNumber.size()
                   ? rowByNumber[static_cast<std::size_t>(number - 1)]
                   : pugi::xml_node();
    }
    int Previous(int number) const {
        const auto it = previous.find(number);
        return it == previous.end() ? 0 : it->second;
    }
};

std::unordered_map<int, int> ParseChangeLog(const char* text) {
    std::unordered_map<int, int> previous;
    std::vector<int> nums;
    const char* p = text;
    const char* end = text + std::strlen(text);
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
        if (p == end) break;
        int v = 0;
        const auto res = std::from_chars(p, end, v);
        if (res.ec != std::errc())
            Fail("Das Änderungsprotokoll (CHANGE_LOG) des Datenpakets ist fehlerhaft.");
        nums.push_back(v);
        p = res.ptr;
    }
    if (nums.size() % 3 != 0)
        Fail("Das Änderungsprotokoll (CHANGE_LOG) des Datenpakets ist fehlerhaft.");
    for (std::size_t i = 0; i < nums.size(); i += 3)
        if (nums[i] > 0 && nums[i + 1] > 0) previous[nums[i]] = nums[i + 1];
    return previous;
}

class RowReader {
  public:
    RowReader(std::vector<std::string>& warnings, const ChangeLog* log)
        : warnings_(warnings), log_(log) {}

    void ReadRows(TablePlan& plan, pugi::xml_node container, const char* rowName, RowSet& out);

  private:
    struct Hit {
        const char* value;
        int col;
    };

    int Resolve(TablePlan& plan, std::size_t pos, const char* name);
    void SetValue(const TablePlan& plan, const Column& col, const char* text, Record& rec,
                  int rowNo);
    [[noreturn]] void BadValue(const TablePlan& plan, const Column& col, std::string_view text,
                               int rowNo);
    std::unique_ptr<Record> ReadRow(TablePlan& plan, pugi::xml_node row, int rowNo,
                                    std::vector<Hit>& hits);
    void ReadNested(TablePlan& plan, pugi::xml_node row, Record& rec, std::vector<bool>* seen);
    void FillFromPrevious(TablePlan& plan, pugi::xml_node row, Record& rec, int rowNo,
                          const std::vector<Hit>& hits, std::vector<bool>& seenTables);
    void Report(TablePlan& plan, const std::string& key, const std::string& text);

    std::vector<std::string>& warnings_;
    const ChangeLog* log_;
};

void RowReader::Report(TablePlan& plan, const std::string& key, const std::string& text) {
    if (plan.reported.insert(key).second) warnings_.push_back(text);
}

int RowReader::Resolve(TablePlan& plan, std::size_t pos, const char* name) {
    if (pos < plan.lastOrder.size()) {
        const auto& [cached, col] = plan.lastOrder[pos];
        if (cached && std::strcmp(cached, name) == 0) return col;
    }
    const auto it = plan.byAttr.find(std::string_view(name));
    if (pos >= plan.lastOrder.size()) plan.lastOrder.resize(pos + 1);
    if (it == plan.byAttr.end()) {
        plan.lastOrder[pos] = {nullptr, kUnknownAttr};
        Report(plan, std::string("@") + name,
               Substitute("Das Attribut \"%s\" in Tabelle %s ist kein Feld und wurde übergangen.",
                          {name, plan.def->name}));
        return kUnknownAttr;
    }
    // it->first views a string owned by the plan or a literal, so the pointer stays valid.
    plan.lastOrder[pos] = {it->first.data(), it->second};
    return it->second;
}

void RowReader::BadValue(const TablePlan& plan, const Column& col, std::string_view text,
                         int rowNo) {
    std::string shown = Utf8Left(text, 60);
    if (shown.size() < text.size()) shown += "…";
    Fail(Substitute(
        "Ungültiger Wert \"%s\" im Feld %s der Tabelle %s (Zeile %s)",
        {shown, plan.def->Field(col.target).name, plan.def->name, std::to_string(rowNo)}));
}

void RowReader::SetValue(const TablePlan& plan, const Column& col, const char* text, Record& rec,
                         int rowNo) {
    Value& dst = rec.values[static_cast<std::size_t>(col.target)];
    const std::size_t n = std::strlen(text);
    if (col.conv == Conv::Text) {
        std::string& s = dst.emplace<std::string>(text, n);
        if (std::memchr(text, '\xED', n)) CombineSurrogates(s);
        return;
    }
    if (n == 0) {
        dst = Value{};
        return;
    }
    switch (col.conv) {
        case Conv::Integer: {
            std::int64_t v = 0;
            const auto res = std::from_chars(text, text + n, v);
            if (res.ec != std::errc() || res.ptr != text + n || v < col.lo || v > col.hi)
                BadValue(plan, col, {text, n}, rowNo);
            dst.emplace<std::int64_t>(v);
            break;
        }
        case Conv::Boolean:
            // The component writes TRUE/FALSE and looks only at the first letter.
            if (text[0] == 'T' || text[0] == 't')
                dst.emplace<std::int64_t>(1);
            else if (text[0] == 'F' || text[0] == 'f')
                dst.emplace<std::int64_t>(0);
            else
                BadValue(plan, col, {text, n}, rowNo);
            break;
        case Conv::Float: {
            double v = 0;
            const auto res = std::from_chars(text, text + n, v);
            if (res.ec != std::errc() || res.ptr != text + n || !std::isfinite(v))
                BadValue(plan, col, {text, n}, rowNo);
            dst.emplace<double>(v);
            break;
        }
        case Conv::Text:
            break;
    }
}

// Row recursion follows the table structure, whose depth ReadFields has limited.
void RowReader::ReadRows(TablePlan& plan, pugi::xml_node container, const char* rowName,
                         RowSet& out) {
    std::vector<Hit> hits;
    int rowNo = 0;
    for (pugi::xml_node node = container.first_child(); node;) {
        const pugi::xml_node next = node.next_sibling();
        if (node.type() == pugi::node_element) {
            if (std::strcmp(node.name(), rowName) == 0) {
                if (auto rec = ReadRow(plan, node, ++rowNo, hits))
                    out.rows.push_back(std::move(rec));
            } else {
                Report(plan, std::string("<") + rowName + ">" + node.name(),
                       Substitute(
                           "Das Element <%s> in Tabelle %s ist keine Zeile und wurde übergangen.",
                           {node.name(), plan.def->name}));
            }
        }
        // A row's DOM is freed as soon as it is read, so the memory serves the records that
        // follow: this keeps the peak of a large file near the size of text plus DOM. The
        // change log refers to earlier rows by position, so it keeps them.
        if (!log_) container.remove_child(node);
        node = next;
    }
}

// The record of one row element; nothing for rows that are not current data.
std::unique_ptr<Record> RowReader::ReadRow(TablePlan& plan, pugi::xml_node row, int rowNo,
                                           std::vector<Hit>& hits) {
    hits.clear();
    const char* stateText = nullptr;
    std::size_t pos = 0;
    for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute(), ++pos) {
        const int col = Resolve(plan, pos, a.name());
        if (col >= 0)
            hits.push_back({a.value(), col});
        else if (col == kRowStateCol)
            stateText = a.value();
    }
    unsigned state = 0;
    if (stateText && *stateText) {
        const char* end = stateText + std::strlen(stateText);
        const auto res = std::from_chars(stateText, end, state);
        if (res.ec != std::errc() || res.ptr != end) {
            Fail(Substitute("Ungültiger Wert \"%s\" im Feld RowState der Tabelle %s (Zeile %s)",
                            {stateText, plan.def->name, std::to_string(rowNo)}));
        }
    }
    if (state & (kStateOriginal | kStateDeleted | kStateUnused)) return nullptr;

    auto rec = NewRecord(*plan.def);
    for (const Hit& h : hits)
        SetValue(plan, plan.values[static_cast<std::size_t>(h.col)], h.value, *rec, rowNo);
    if ((state & kStateModified) && log_) {
        std::vector<bool> seenTables(plan.tables.size(), false);
        ReadNested(plan, row, *rec, &seenTables);
        FillFromPrevious(plan, row, *rec, rowNo, hits, seenTables);
    } else if (!plan.tables.empty() || row.first_child()) {
        ReadNested(plan, row, *rec, nullptr);
    }
    return rec;
}

void RowReader::ReadNested(TablePlan& plan, pugi::xml_node row, Record& rec,
                           std::vector<bool>* seen) {
    for (pugi::xml_node child = row.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        std::size_t k = 0;
        while (k < plan.tables.size() &&
               std::strcmp(plan.tables[k].file->attr.c_str(), child.name()) != 0)
            ++k;
        if (k == plan.tables.size()) {
            Report(
                plan, std::string("<") + child.name(),
                Substitute("Das Element <%s> in Tabelle %s ist keine Tabelle und wurde übergangen.",
                           {child.name(), plan.def->name}));
            continue;
        }
        Column& col = plan.tables[k];
        ReadRows(*col.nested, child, col.rowName.c_str(),
                 rec.nested[static_cast<std::size_t>(col.slot)]);
        if (seen) (*seen)[k] = true;
    }
}

// A modified row (RowState 8) carries only what changed; the rest comes from its previous
// version, which the change log names (following the chain when that one changed too).
void RowReader::FillFromPrevious(TablePlan& plan, pugi::xml_node row, Record& rec, int rowNo,
                                 const std::vector<Hit>& hits, std::vector<bool>& seenTables) {
    const auto it = log_->numberOf.find(row.internal_object());
    if (it == log_->numberOf.end()) return;
    std::vector<bool> seen(plan.values.size(), false);
    for (const Hit& h : hits) seen[static_cast<std::size_t>(h.col)] = true;
    int number = it->second;
    for (std::size_t steps = 0; steps < log_->rowByNumber.size(); ++steps) {
        number = log_->Previous(number);
        const pugi::xml_node prev = log_->Row(number);
        if (!prev) break;
        for (std::size_t c = 0; c < plan.values.size(); ++c) {
            if (seen[c]) continue;
            const pugi::xml_attribute a = prev.attribute(plan.values[c].file->attr.c_str());
            if (!a) continue;
            SetValue(plan, plan.values[c], a.value(), rec, rowNo);
            seen[c] = true;
        }
        for (std::size_t k = 0; k < plan.tables.size(); ++k) {
            if (seenTables[k]) continue;
            Column& col = plan.tables[k];
            const pugi::xml_node child = prev.child(col.file->attr.c_str());
            if (!child) continue;
            ReadRows(*col.nested, child, col.rowName.c_str(),
                     rec.nested[static_cast<std::size_t>(col.slot)]);
            seenTables[k] = true;
        }
    }
}

// Numbers every row element of every level in document order, as the change log counts them.
void NumberRows(const TablePlan& plan, pugi::xml_node container, const char* rowName,
                ChangeLog& log) {
    for (pugi::xml_node row = container.child(rowName); row; row = row.next_sibling(rowName)) {
        log.rowByNumber.push_back(row);
        log.numberOf.emplace(row.internal_object(), static_cast<int>(log.rowByNumber.size()));
        for (pugi::xml_node child = row.first_child(); child; child = child.next_sibling()) {
            for (const Column& col : plan.tables) {
                if (col.file->attr == child.name()) {
                    NumberRows(*col.nested, child, col.rowName.c_str(), log);
                    break;
                }
            }
        }
    }
}

std::string Prefixed(std::string_view sourceName, const char* text) {
    if (sourceName.empty()) return text;
    return std::string(sourceName) + ": " + text;
}

// Runs `body`, putting the source name in front of any database error's text.
template <class F>
auto WithSource(std::string_view sourceName, F&& body) {
    try {
        return body();
    } catch (const EStructureMismatch& e) {
        throw EStructureMismatch(Prefixed(sourceName, e.what()));
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(Prefixed(sourceName, e.what()));
    }
}

LoadResult Parse(std::string& bytes, const TableDef* expected) {
    LoadResult result;
    const Prepared prepared = PrepareBuffer(bytes, result.warnings);
    auto doc = std::make_unique<pugi::xml_document>();
    LoadDocument(*doc, prepared);
    const PacketNodes nodes = FindNodes(*doc, true);

    if (std::strcmp(nodes.params.attribute("DATASET_DELTA").value(), "1") == 0)
        Fail("Die Datei ist ein Änderungspaket und keine Datenbank.");

    const std::string rootName = expected ? expected->name : kRootTableName;
    const std::unique_ptr<FileTable> fileRoot = ReadFields(nodes.fields, rootName, 1);
    std::shared_ptr<const TableDef> def;
    std::unique_ptr<TablePlan> plan;
    if (expected) {
        // The caller's definition is not owned by a shared_ptr; the store gets a copy.
        def = std::make_shared<const TableDef>(*expected);
        plan = ExpectedPlan(*fileRoot, *def);
    } else {
        def = DerivedTable(*fileRoot);
        plan = DerivedPlan(*fileRoot, *def);
    }

    std::unique_ptr<ChangeLog> log;
    if (const char* changes = nodes.params.attribute("CHANGE_LOG").value(); *changes) {
        log = std::make_unique<ChangeLog>();
        log->previous = ParseChangeLog(changes);
        if (!log->previous.empty())
            NumberRows(*plan, nodes.rowData, "ROW", *log);
        else
            log.reset();
    }

    auto store = std::make_shared<Store>(def);
    RowReader reader(result.warnings, log.get());
    reader.ReadRows(*plan, nodes.rowData, "ROW", store->root);

    // The DOM and the text it points into are no longer needed: give the memory back before
    // the caller starts working with the records.
    log.reset();
    doc.reset();
    std::string().swap(bytes);
    result.store = std::move(store);
    return result;
}

}  // namespace

LoadResult ParseDataPacket(std::string bytes, const TableDef* expected,
                           std::string_view sourceName) {
    return WithSource(sourceName, [&] { return Parse(bytes, expected); });
}

LoadResult LoadDataPacket(const std::filesystem::path& path, const TableDef* expected) {
    const std::string source = path.string();
    std::string bytes;
    {
        std::FILE* f = std::fopen(source.c_str(), "rb");
        if (!f) Fail(Substitute("Die Datei %s kann nicht geöffnet werden.", {source}));
        bool ok = std::fseek(f, 0, SEEK_END) == 0;
        const long size = ok ? std::ftell(f) : -1;
        ok = size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
        if (ok) {
            bytes.resize(static_cast<std::size_t>(size));
            ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
        }
        std::fclose(f);
        if (!ok) Fail(Substitute("Die Datei %s kann nicht gelesen werden.", {source}));
    }
    return ParseDataPacket(std::move(bytes), expected, path.filename().string());
}

std::shared_ptr<const TableDef> ReadPacketStructure(std::string bytes,
                                                    std::string_view sourceName) {
    return WithSource(sourceName, [&] {
        std::vector<std::string> warnings;
        Prepared prepared = PrepareBuffer(bytes, warnings);
        auto doc = std::make_unique<pugi::xml_document>();
        // Only METADATA is needed: parse the text up to ROWDATA when that yields a complete
        // document, which spares building the rows' DOM of a large file.
        const std::string_view text(prepared.text, prepared.size);
        if (prepared.encoding == pugi::encoding_utf8) {
            if (const std::size_t cut = text.find("<ROWDATA"); cut != std::string_view::npos) {
                std::string head(text.substr(0, cut));
                head += "</DATAPACKET>";
                if (doc->load_buffer(head.data(), head.size(), kParseOptions,
                                     pugi::encoding_utf8) &&
                    doc->document_element().child("METADATA")) {
                    const PacketNodes nodes = FindNodes(*doc, false);
                    return DerivedTable(*ReadFields(nodes.fields, kRootTableName, 1));
                }
            }
        }
        LoadDocument(*doc, prepared);
        const PacketNodes nodes = FindNodes(*doc, false);
        return DerivedTable(*ReadFields(nodes.fields, kRootTableName, 1));
    });
}

}  // namespace gvm::db
