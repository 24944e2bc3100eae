// Writing data packets straight from the records into the stream, in the layout the client
// dataset component writes. The text is built in a large string and handed to the stream
// in blocks: stored experiments make files of several hundred megabytes.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "base/text.h"
#include "database/datapacket.h"

namespace gvm::db {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

// Length of the UTF-8 sequence at s[i] if it is a non-ASCII character XML may contain, else 0.
std::size_t XmlCharLength(std::string_view s, std::size_t i) {
    char32_t cp = 0;
    const std::size_t n = Utf8SequenceAt(s, i, &cp);
    if (n < 2 || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return n;
}

// Bytes that cannot be copied as they are: markup characters, control characters and the
// start of every multi-byte sequence (checked, so the file stays well-formed).
constexpr bool NeedsCare(unsigned char c) {
    return c < 0x20 || c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
}

// The name as an XML name: characters a name cannot hold become _xHHHH_, and the field
// then also gets `fieldname` with its real name. Our own names never need this.
std::string XmlName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool letter =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (letter || (i > 0 && other)) {
            out += static_cast<char>(c);
        } else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "_x%04X_", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

class PacketWriter {
  public:
    explicit PacketWriter(std::ostream* out) : out_(out) {
        if (out_) buf_.reserve(kBlockSize + kBlockSize / 4);
    }

    void Write(const Store& store) {
        buf_ +=
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<DATAPACKET Version=\"2.0\"><METADATA>";
        Fields(*store.rootDef);
        buf_ += "</METADATA>\n<ROWDATA>";
        Rows(*store.rootDef, store.root, "ROW", true);
        buf_ += "</ROWDATA></DATAPACKET>\n";
        Flush();
    }

    std::string& Text() { return buf_; }

  private:
    void Fields(const TableDef& def) {
        buf_ += "<FIELDS>";
        const std::vector<std::string>& names = Layout(def).names;
        for (std::size_t f = 0; f < def.fields.size(); ++f) {
            const FieldDef& fd = def.fields[f];
            buf_ += "<FIELD ";
            if (names[f] != fd.name) {
                buf_ += "fieldname=\"";
                Escaped(fd.name);
                buf_ += "\" ";
            }
            buf_ += "attrname=\"";
            buf_ += names[f];
            switch (fd.kind) {
                case FieldKind::AutoInc:
                    buf_ += "\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>";
                    break;
                case FieldKind::Integer:
                    buf_ += "\" fieldtype=\"i4\"/>";
                    break;
                case FieldKind::SmallInt:
                    buf_ += "\" fieldtype=\"i2\"/>";
                    break;
                case FieldKind::Float:
                    buf_ += "\" fieldtype=\"r8\"/>";
                    break;
                case FieldKind::WideString:
                    // WIDTH counts bytes of UTF-16 text.
                    buf_ += "\" fieldtype=\"string.uni\" WIDTH=\"";
                    buf_ += std::to_string(2 * fd.size);
                    buf_ += "\"/>";
                    break;
                case FieldKind::WideMemo:
                    buf_ += "\" fieldtype=\"bin.hex\" SUBTYPE=\"WideText\"/>";
                    break;
                case FieldKind::Dataset:
                    buf_ += "\" fieldtype=\"nested\">";
                    if (fd.nested)
                        Fields(*fd.nested);
                    else
                        buf_ += "<FIELDS></FIELDS><PARAMS/>";
                    buf_ += "</FIELD>";
                    break;
            }
        }
        buf_ += "</FIELDS><PARAMS/>";
    }

    void Rows(const TableDef& def, const RowSet& rows, std::string_view rowName, bool topLevel) {
        const TableLayout& layout = Layout(def);
        for (const auto& rec : rows.rows) {
            buf_ += '<';
            buf_ += rowName;
            for (std::size_t i = 0; i < def.fields.size(); ++i) {
                if (!layout.prefix[i].empty())
                    Attribute(def.fields[i].kind, layout.prefix[i], rec->values[i]);
            }
            if (def.NestedCount() == 0) {
                buf_ += "/>";
            } else {
                buf_ += '>';
                for (std::size_t i = 0; i < def.fields.size(); ++i) {
                    const FieldDef& fd = def.fields[i];
                    if (fd.kind != FieldKind::Dataset || !fd.nested) continue;
                    buf_ += '<';
                    buf_ += layout.names[i];
                    buf_ += '>';
                    Rows(*fd.nested,
                         rec->nested[static_cast<std::size_t>(def.NestedSlot(static_cast<int>(i)))],
                         layout.rowNames[i], false);
                    buf_ += "</";
                    buf_ += layout.names[i];
                    buf_ += '>';
                }
                buf_ += "</";
                buf_ += rowName;
                buf_ += '>';
            }
            if (topLevel) buf_ += '\n';
            if (out_ && buf_.size() >= kBlockSize) Flush();
        }
    }

    // Null values are left out; that is how the format writes them.
    void Attribute(FieldKind kind, const std::string& prefix, const Value& v) {
        char num[32];
        switch (v.index()) {
            case 0:
                return;
            case 1:
                buf_ += prefix;
                buf_.append(
                    num, std::to_chars(num, num + sizeof num, *std::get_if<std::int64_t>(&v)).ptr);
                break;
            case 2: {
                const double d = *std::get_if<double>(&v);
                // Infinities and NaN have no text the reader accepts (the cursors never store
                // them). An integer field holding a float gets it rounded, so it reads back.
                if (!std::isfinite(d)) return;
                buf_ += prefix;
                if (IsIntegerKind(kind)) {
                    buf_.append(num, std::to_chars(num, num + sizeof num, std::llround(d)).ptr);
                } else if (d == 0) {
                    buf_ += '0';
                } else {
                    // FormatRoundTrip's text, without its temporary string: millions of these.
                    buf_.append(num, std::to_chars(num, num + sizeof num, d).ptr);
                }
                break;
            }
            default:
                buf_ += prefix;
                Escaped(*std::get_if<std::string>(&v));
                break;
        }
        buf_ += '"';
    }

    void Escaped(std::string_view s) {
        std::size_t run = 0;  // start of the bytes not yet copied
        for (std::size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (!NeedsCare(c)) {
                ++i;
                continue;
            }
            if (c >= 0x80) {
                if (const std::size_t n = XmlCharLength(s, i)) {
                    i += n;  // valid UTF-8: written as it is
                    continue;
                }
            }
            buf_.append(s.data() + run, i - run);
            switch (c) {
                case '&':
                    buf_ += "&amp;";
                    break;
                case '<':
                    buf_ += "&lt;";
                    break;
                case '>':
                    buf_ += "&gt;";
                    break;
                case '"':
                    buf_ += "&quot;";
                    break;
                case '\'':
                    buf_ += "&apos;";
                    break;
                // References, so attribute value normalisation of other readers keeps them.
                case '\r':
                    buf_ += "&#013;";
                    break;
                case '\n':
                    buf_ += "&#010;";
                    break;
                case '\t':
                    buf_ += "&#009;";
                    break;
                default:
                    // Other control characters are not allowed in XML 1.0, not even as
                    // references: they are dropped. Broken UTF-8 becomes U+FFFD.
                    if (c >= 0x80) buf_ += "\xEF\xBF\xBD";
                    break;
            }
            run = ++i;
        }
        buf_.append(s.data() + run, s.size() - run);
    }

    // Names and attribute openings of a table's fields, made once per table.
    struct TableLayout {
        std::vector<std::string> names;     // XML names
        std::vector<std::string> prefix;    // ' name="' of value fields, empty for datasets
        std::vector<std::string> rowNames;  // "ROW" + name of dataset fields
    };

    const TableLayout& Layout(const TableDef& def) {
        auto [it, fresh] = layouts_.try_emplace(&def);
        if (fresh) {
            TableLayout& l = it->second;
            for (const FieldDef& fd : def.fields) {
                l.names.push_back(XmlName(fd.name));
                const bool nested = fd.kind == FieldKind::Dataset;
                l.prefix.push_back(nested ? std::string() : " " + l.names.back() + "=\"");
                l.rowNames.push_back(nested ? "ROW" + l.names.back() : std::string());
            }
        }
        return it->second;
    }

    void Flush() {
        if (!out_) return;
        out_->write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        buf_.clear();
        if (!*out_) throw EDatabaseError("Das Datenpaket konnte nicht geschrieben werden.");
    }

    std::ostream* out_;
    std::string buf_;
    std::unordered_map<const TableDef*, TableLayout> layouts_;
};

}  // namespace

void WriteDataPacket(const Store& store, std::ostream& out) {
    PacketWriter writer(&out);
    writer.Write(store);
    out.flush();
    if (!out) throw EDatabaseError("Das Datenpaket konnte nicht geschrieben werden.");
}

std::string DataPacketText(const Store& store) {
    PacketWriter writer(nullptr);
    writer.Write(store);
    return std::move(writer.Text());
}

}  // namespace gvm::db
