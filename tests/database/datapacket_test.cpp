#include "database/datapacket.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

namespace gvm::db {
namespace {

using ::testing::HasSubstr;

std::string Fixture(const char* name) {
    std::ifstream in(std::string(GVM_TEST_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Packet(std::string_view fields, std::string_view rows,
                   std::string_view params = "<PARAMS/>") {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    s += fields;
    s += "</FIELDS>";
    s += params;
    s += "</METADATA><ROWDATA>";
    s += rows;
    s += "</ROWDATA></DATAPACKET>";
    return s;
}

const Value& V(const Record& r, const TableDef& def, std::string_view field) {
    const int i = def.IndexOf(field);
    EXPECT_GE(i, 0) << field;
    return r.values.at(static_cast<std::size_t>(i));
}

const RowSet& Nested(const Record& r, const TableDef& def, std::string_view field) {
    return r.nested.at(static_cast<std::size_t>(def.NestedSlot(def.IndexOf(field))));
}

const TableDef& NestedDef(const TableDef& def, std::string_view field) {
    return *def.Field(def.IndexOf(field)).nested;
}

Value I(std::int64_t v) {
    return Value{v};
}
Value D(double v) {
    return Value{v};
}
Value S(std::string v) {
    return Value{std::move(v)};
}
const Value kNull{};

// The structure of legacy.xml, with the fields in another order than the file has them.
std::shared_ptr<const TableDef> LegacySchema() {
    auto gleise = TableBuilder("Gleise").Float("Laenge").Small("Gleis Nr").Str("Name", 20).Done();
    auto wagen = TableBuilder("Wagen").Int("Ord").Float("Masse").Done();
    auto projekten = TableBuilder("Projekten")
                         .AutoInc("ID_Projekt")
                         .Str("ProjektName", 40)
                         .Float("Gewicht")
                         .Nested(wagen)
                         .Nested(gleise)
                         .Done();
    return TableBuilder("InfoDB")
        .Int("MaxAutoInc")
        .AutoInc("Info_Code")
        .Str("Version", 10)
        .Memo("Info")
        .Nested(projekten)
        .Done();
}

// Checks the data of legacy.xml, read with or without the expected structure.
void ExpectLegacyData(const Store& store) {
    const TableDef& root = *store.rootDef;
    ASSERT_EQ(store.root.rows.size(), 2u);
    const Record& info = *store.root.rows[0];
    EXPECT_EQ(V(info, root, "Info_Code"), I(1));
    EXPECT_EQ(V(info, root, "Version"), S("17"));
    EXPECT_EQ(V(info, root, "MaxAutoInc"), I(812));
    EXPECT_EQ(V(info, root, "Info"),
              S("Zeile 1\r\n<b> & \"x\" 'y'\tTab\r\nM\u00fcller \\ \U0001F600"));

    const TableDef& proj = NestedDef(root, "Projekten");
    const RowSet& projekte = Nested(info, root, "Projekten");
    ASSERT_EQ(projekte.rows.size(), 2u);
    const Record& p1 = *projekte.rows[0];
    EXPECT_EQ(V(p1, proj, "ID_Projekt"), I(7));
    EXPECT_EQ(V(p1, proj, "ProjektName"), S("Ablaufberg S\u00fcd"));
    EXPECT_EQ(V(p1, proj, "Gewicht"), D(1e-5));
    EXPECT_TRUE(Nested(p1, proj, "Wagen").rows.empty());

    const TableDef& gleisDef = NestedDef(proj, "Gleise");
    const RowSet& gleise = Nested(p1, proj, "Gleise");
    ASSERT_EQ(gleise.rows.size(), 2u);
    EXPECT_EQ(V(*gleise.rows[0], gleisDef, "Gleis Nr"), I(1));
    EXPECT_EQ(V(*gleise.rows[0], gleisDef, "Laenge"), D(599));
    EXPECT_EQ(V(*gleise.rows[0], gleisDef, "Name"), S("Gleis 1"));
    EXPECT_EQ(V(*gleise.rows[1], gleisDef, "Gleis Nr"), I(2));
    EXPECT_EQ(V(*gleise.rows[1], gleisDef, "Laenge"), D(-0.5));
    EXPECT_EQ(V(*gleise.rows[1], gleisDef, "Name"), kNull);

    // The inserted row (RowState 4) is current data; it has no Gleise element at all.
    const Record& p2 = *projekte.rows[1];
    EXPECT_EQ(V(p2, proj, "ID_Projekt"), I(8));
    EXPECT_EQ(V(p2, proj, "ProjektName"), S(""));
    EXPECT_EQ(V(p2, proj, "Gewicht"), kNull);
    EXPECT_TRUE(Nested(p2, proj, "Gleise").rows.empty());
    const TableDef& wagenDef = NestedDef(proj, "Wagen");
    const RowSet& wagen = Nested(p2, proj, "Wagen");
    ASSERT_EQ(wagen.rows.size(), 1u);
    EXPECT_EQ(V(*wagen.rows[0], wagenDef, "Ord"), I(1));
    EXPECT_EQ(V(*wagen.rows[0], wagenDef, "Masse"), D(22.5));

    const Record& second = *store.root.rows[1];
    EXPECT_EQ(V(second, root, "Info_Code"), I(2));
    EXPECT_EQ(V(second, root, "Info"), kNull);
    EXPECT_TRUE(Nested(second, root, "Projekten").rows.empty());
}

TEST(DataPacketRead, LegacyFileIntoExpectedLayout) {
    const auto schema = LegacySchema();
    const LoadResult r = ParseDataPacket(Fixture("legacy.xml"), schema.get(), "legacy.xml");
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.store->rootDef->IndexOf("MaxAutoInc"), 0);  // the expected order, not the file's
    ExpectLegacyData(*r.store);
}

TEST(DataPacketRead, LegacyFileWithStructureFromMetadata) {
    const LoadResult r = ParseDataPacket(Fixture("legacy.xml"), nullptr, "legacy.xml");
    const TableDef& root = *r.store->rootDef;
    EXPECT_EQ(root.Field(0).name, "Info_Code");
    EXPECT_EQ(root.Field(0).kind, FieldKind::AutoInc);
    EXPECT_EQ(root.Field(1).size, 10);  // WIDTH counts bytes of UTF-16
    EXPECT_EQ(root.Field(2).kind, FieldKind::WideMemo);
    const TableDef& gleise = NestedDef(NestedDef(root, "Projekten"), "Gleise");
    EXPECT_EQ(gleise.name, "Gleise");
    EXPECT_EQ(gleise.Field(0).name, "Gleis Nr");  // `fieldname`, not the cleaned attribute name
    EXPECT_EQ(gleise.Field(0).kind, FieldKind::SmallInt);
    ExpectLegacyData(*r.store);
}

TEST(DataPacketRead, ChangeLogKeepsTheCurrentRows) {
    const LoadResult r = ParseDataPacket(Fixture("changelog.xml"), nullptr, "changelog.xml");
    const TableDef& def = *r.store->rootDef;
    const TableDef& teile = NestedDef(def, "Teile");
    struct Expect {
        Value id, name, wert;
        std::vector<std::int64_t> teile;
    };
    const Expect expected[] = {
        {I(1), S("A"), D(1.5), {1}},
        {I(2), S("B2"), D(2.5), {2}},  // missing values and details from its previous version
        {I(4), S("D"), kNull, {6}},
    };
    ASSERT_EQ(r.store->root.rows.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const Record& rec = *r.store->root.rows[i];
        EXPECT_EQ(V(rec, def, "ID"), expected[i].id);
        EXPECT_EQ(V(rec, def, "Name"), expected[i].name);
        EXPECT_EQ(V(rec, def, "Wert"), expected[i].wert);
        std::vector<std::int64_t> n;
        for (const auto& t : Nested(rec, def, "Teile").rows)
            n.push_back(std::get<std::int64_t>(V(*t, teile, "N")));
        EXPECT_EQ(n, expected[i].teile);
    }
}

// --- Encodings and character references -------------------------------------------------

std::string OneText(std::string_view value, std::string_view declaration = "encoding=\"UTF-8\"") {
    std::string s = Packet("<FIELD attrname=\"T\" fieldtype=\"string.uni\" WIDTH=\"200\"/>",
                           "<ROW T=\"" + std::string(value) + "\"/>");
    s.replace(s.find("encoding=\"UTF-8\""), 16, declaration);
    return s;
}

std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(DataPacketRead, EncodingsAndReferences) {
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
        bool cp1252Warning;
    };
    const Case cases[] = {
        {"utf-8", OneText("M\xC3\xBCller"), "M\u00fcller", false},
        {"byte order mark", bom + OneText("a"), "a", false},
        {"invalid utf-8", OneText("M\xFCller \x80"), "M\u00fcller \u20ac", true},
        {"declared windows-1252", OneText("\xC3\xBC", "encoding=\"windows-1252\""), "\u00c3\u00bc",
         true},
        {"declared ISO-8859-1", OneText("\xFC", "encoding='ISO-8859-1'"), "\u00fc", true},
        {"no declaration",
         Packet("<FIELD attrname=\"T\" fieldtype=\"string.uni\"/>", "<ROW T=\"x\"/>").substr(56),
         "x", false},
        {"utf-16 with byte order mark", Utf16Le(OneText("&#252;", "encoding=\"UTF-16\"")), "\u00fc",
         false},
        {"surrogate pair", OneText("&#55357;&#56832;!"), "\U0001F600!", false},
        {"lone high surrogate", OneText("a&#55357;b"), "a\uFFFDb", false},
        {"lone low surrogate", OneText("&#56832;&#55357;"), "\uFFFD\uFFFD", false},
        {"surrogate halves as raw bytes", OneText("\xED\xA0\xBD\xED\xB8\x80"), "\U0001F600", false},
        {"line breaks as references survive", OneText("a&#13;&#10;b&#9;c"), "a\r\nb\tc", false},
        {"literal line break", OneText("a\r\nb"), "a\nb", false},
        {"hex reference", OneText("&#x20AC;"), "\u20ac", false},
        {"doctype entities are not expanded",
         "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [<!ENTITY e \"boom\">]>" +
             Packet("<FIELD attrname=\"T\" fieldtype=\"string.uni\"/>", "<ROW T=\"&e;\"/>")
                 .substr(56),
         "&e;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadResult r = ParseDataPacket(c.bytes, nullptr, "t.gvm");
        ASSERT_EQ(r.store->root.rows.size(), 1u);
        EXPECT_EQ(r.store->root.rows[0]->values[0], S(c.text));
        EXPECT_EQ(r.warnings.size(), c.cp1252Warning ? 1u : 0u);
        if (c.cp1252Warning) {
            EXPECT_THAT(r.warnings[0], HasSubstr("Windows-1252"));
        }
    }
}

// --- Values ---------------------------------------------------------------------------

TEST(DataPacketRead, ValuesByFieldType) {
    struct Case {
        const char* field;  // FIELD attributes after attrname="F"
        const char* text;   // value of the third row's attribute, nullptr: absent
        Value value;        // expected unless `error`
        bool error = false;
    };
    const Case cases[] = {
        {R"(fieldtype="i4")", "-5", I(-5)},
        {R"(fieldtype="i4")", "2147483647", I(2147483647)},
        {R"(fieldtype="i4")", "2147483648", kNull, true},
        {R"(fieldtype="i4")", "", kNull},
        {R"(fieldtype="i4")", nullptr, kNull},
        {R"(fieldtype="i4")", "1.0", kNull, true},
        {R"(fieldtype="i4")", " 1", kNull, true},
        {R"(fieldtype="i2")", "-32768", I(-32768)},
        {R"(fieldtype="i2")", "40000", kNull, true},
        {R"(fieldtype="ui1")", "256", kNull, true},
        {R"(fieldtype="ui4")", "4294967295", kNull, true},  // read as Integer: beyond its range
        {R"(fieldtype="i8")", "-7", I(-7)},
        {R"(fieldtype="boolean")", "TRUE", I(1)},
        {R"(fieldtype="boolean")", "false", I(0)},
        {R"(fieldtype="boolean")", "ja", kNull, true},
        {R"(fieldtype="r8")", "1E-5", D(1e-5)},
        {R"(fieldtype="r8")", "599", D(599)},
        {R"(fieldtype="r8")", "-0.5", D(-0.5)},
        {R"(fieldtype="r8")", "0.30000000000000004", D(0.30000000000000004)},
        {R"(fieldtype="r8")", "1,5", kNull, true},
        {R"(fieldtype="r8")", "abc", kNull, true},
        {R"(fieldtype="r8")", "inf", kNull, true},
        {R"(fieldtype="r8")", "1e999", kNull, true},
        {R"(fieldtype="r8")", "", kNull},
        {R"(fieldtype="fixed" DECIMALS="2")", "12.25", D(12.25)},
        {R"(fieldtype="string.uni" WIDTH="4")", "", S("")},
        {R"(fieldtype="string.uni" WIDTH="4")", "longer than two",
         S("longer than two")},  // never cut
        {R"(fieldtype="date")", "20240131", S("20240131")},
        {R"(fieldtype="bin.hex" SUBTYPE="Text")", "", S("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + (c.text ? c.text : "(absent)"));
        const std::string row3 = c.text ? std::string("<ROW F=\"") + c.text + "\"/>" : "<ROW/>";
        const std::string bytes = Packet(std::string("<FIELD attrname=\"F\" ") + c.field + "/>",
                                         "<ROW/><ROW RowState=\"2\" F=\"x\"/>" + row3);
        if (c.error) {
            try {
                ParseDataPacket(bytes, nullptr, "");
                ADD_FAILURE() << "no error";
            } catch (const EDatabaseError& e) {
                // Row numbers count the rows as the file has them, deleted ones too.
                EXPECT_EQ(e.what(), std::string("Ungültiger Wert \"") + c.text +
                                        "\" im Feld F der Tabelle ROWDATA (Zeile 3)");
            }
        } else {
            const LoadResult r = ParseDataPacket(bytes, nullptr, "");
            ASSERT_EQ(r.store->root.rows.size(), 2u);
            EXPECT_EQ(r.store->root.rows[1]->values[0], c.value);
        }
    }
}

TEST(DataPacketRead, BadValueInNestedTableNamesItsTableAndRow) {
    const std::string bytes = Packet(
        R"(<FIELD attrname="Wagen" fieldtype="nested"><FIELDS><FIELD attrname="Naw" fieldtype="i2"/></FIELDS><PARAMS/></FIELD>)",
        R"(<ROW><Wagen><ROWWagen Naw="1"/><ROWWagen Naw="abc"/></Wagen></ROW>)");
    EXPECT_THROW(
        {
            try {
                ParseDataPacket(bytes, nullptr, "x.gvm");
            } catch (const EDatabaseError& e) {
                EXPECT_STREQ(
                    e.what(),
                    "x.gvm: Ungültiger Wert \"abc\" im Feld Naw der Tabelle Wagen (Zeile 2)");
                throw;
            }
        },
        EDatabaseError);
}

TEST(DataPacketRead, UnknownAttributesAndElementsAreReported) {
    const std::string bytes =
        Packet(R"(<FIELD attrname="A" fieldtype="i4"/>)",
               R"(<ROW Extra="1" A="1"><Stray/></ROW><ROW A="2" Extra="3"/>)");
    const LoadResult r = ParseDataPacket(bytes, nullptr, "");
    ASSERT_EQ(r.store->root.rows.size(), 2u);
    EXPECT_EQ(r.store->root.rows[1]->values[0], I(2));
    ASSERT_EQ(r.warnings.size(), 2u);  // once each, not per row
    EXPECT_THAT(r.warnings[0], HasSubstr("\"Extra\""));
    EXPECT_THAT(r.warnings[1], HasSubstr("<Stray>"));
}

// --- Structure ------------------------------------------------------------------------

TEST(DataPacketRead, StructureTakenFromTheFile) {
    struct Case {
        const char* field;
        FieldKind kind;
        int size;
    };
    const Case cases[] = {
        {R"(fieldtype="i4" readonly="true" SUBTYPE="Autoinc")", FieldKind::AutoInc, 0},
        {R"(fieldtype="i4")", FieldKind::Integer, 0},
        {R"(fieldtype="i2")", FieldKind::SmallInt, 0},
        {R"(fieldtype="i1")", FieldKind::Integer, 0},
        {R"(fieldtype="i8")", FieldKind::Integer, 0},
        {R"(fieldtype="ui2")", FieldKind::Integer, 0},
        {R"(fieldtype="boolean")", FieldKind::Integer, 0},
        {R"(fieldtype="r8")", FieldKind::Float, 0},
        {R"(fieldtype="r4")", FieldKind::Float, 0},
        {R"(fieldtype="fixed" DECIMALS="4")", FieldKind::Float, 0},
        {R"(fieldtype="string.uni" WIDTH="20")", FieldKind::WideString, 10},
        {R"(fieldtype="string.uni")", FieldKind::WideString, 255},
        {R"(fieldtype="string" WIDTH="30")", FieldKind::WideString, 30},
        {R"(fieldtype="dateTime")", FieldKind::WideString, 255},
        {R"(fieldtype="string.uni" SUBTYPE="WideText")", FieldKind::WideMemo, 0},
        {R"(fieldtype="bin.hex" SUBTYPE="WideText")", FieldKind::WideMemo, 0},
        {R"(fieldtype="bin.hex" SUBTYPE="Text")", FieldKind::WideMemo, 0},
        {R"(fieldtype="bin.hex" SUBTYPE="Binary")", FieldKind::WideMemo, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const auto def = ReadPacketStructure(
            Packet(std::string("<FIELD attrname=\"F\" ") + c.field + "/>", ""), "");
        ASSERT_EQ(def->FieldCount(), 1);
        EXPECT_EQ(def->Field(0).kind, c.kind);
        EXPECT_EQ(def->Field(0).size, c.size);
    }
}

TEST(DataPacketRead, StructureOfAFileWithRowsComesFromItsMetadata) {
    const auto def = ReadPacketStructure(Fixture("legacy.xml"), "legacy.xml");
    EXPECT_EQ(def->FieldCount(), 5);
    EXPECT_EQ(NestedDef(NestedDef(*def, "Projekten"), "Gleise").FieldCount(), 3);
}

// A small file with a nested table, and expected structures that do or do not fit it.
const char* const kSmallFields =
    R"(<FIELD attrname="Name" fieldtype="string.uni" WIDTH="20"/><FIELD attrname="Naw" fieldtype="i2"/>)"
    R"(<FIELD attrname="Wagen" fieldtype="nested"><FIELDS><FIELD attrname="G" fieldtype="i4"/>)"
    R"(<FIELD attrname="Text" fieldtype="bin.hex" SUBTYPE="Text"/></FIELDS><PARAMS/></FIELD>)";

TEST(DataPacketRead, ExpectedStructureMustMatch) {
    struct Case {
        const char* name;
        std::shared_ptr<const TableDef> schema;
        const char* message;  // empty: compatible
    };
    const auto wagen = TableBuilder("Wagen").Int("G").Memo("Text").Done();
    const Case cases[] = {
        {"same fields, other order and letter case",
         TableBuilder("WagenKatalog").Nested(wagen).Int("NAW").Str("name", 5).Done(), ""},
        {"wider types",
         TableBuilder("WagenKatalog")
             .Memo("Name")
             .Float("Naw")
             .Nested(TableBuilder("Wagen").Float("G").Str("Text", 9).Done())
             .Done(),
         ""},
        {"missing field",
         TableBuilder("WagenKatalog")
             .Str("Name", 10)
             .Small("Naw")
             .Int("Extra")
             .Nested(wagen)
             .Done(),
         "Feld \"Extra\" fehlt in Tabelle WagenKatalog"},
        {"field the schema lacks",
         TableBuilder("WagenKatalog").Str("Name", 10).Nested(wagen).Done(),
         "Feld \"Naw\" ist in Tabelle WagenKatalog nicht bekannt"},
        {"text for integer",
         TableBuilder("WagenKatalog").Int("Name").Small("Naw").Nested(wagen).Done(),
         "Feld \"Name\" in Tabelle WagenKatalog hat den Typ string.uni, erwartet Integer"},
        {"nested table for integer",
         TableBuilder("WagenKatalog").Str("Name", 10).Small("Naw").Int("Wagen").Done(),
         "Feld \"Wagen\" in Tabelle WagenKatalog hat den Typ nested, erwartet Integer"},
        {"mismatch inside the nested table",
         TableBuilder("WagenKatalog")
             .Str("Name", 10)
             .Small("Naw")
             .Nested(TableBuilder("Wagen").Small("G").Int("Text").Done())
             .Done(),
         "Feld \"Text\" in Tabelle Wagen hat den Typ bin.hex (Text), erwartet Integer"},
        {"missing nested field",
         TableBuilder("WagenKatalog")
             .Str("Name", 10)
             .Small("Naw")
             .Nested(TableBuilder("Wagen").Int("G").Memo("Text").Float("X").Done())
             .Done(),
         "Feld \"X\" fehlt in Tabelle Wagen"},
    };
    const std::string bytes = Packet(
        kSmallFields, R"(<ROW Name="A" Naw="3"><Wagen><ROWWagen G="5" Text="t"/></Wagen></ROW>)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.message == '\0') {
            const LoadResult r = ParseDataPacket(bytes, c.schema.get(), "");
            const TableDef& def = *r.store->rootDef;
            const Record& rec = *r.store->root.rows.at(0);
            EXPECT_EQ(V(rec, def, "Name"), S("A"));
            EXPECT_TRUE(V(rec, def, "Naw") == I(3) || V(rec, def, "Naw") == D(3));
            const Record& w = *Nested(rec, def, "Wagen").rows.at(0);
            EXPECT_TRUE(V(w, NestedDef(def, "Wagen"), "G") == I(5) ||
                        V(w, NestedDef(def, "Wagen"), "G") == D(5));
            EXPECT_EQ(V(w, NestedDef(def, "Wagen"), "Text"), S("t"));
        } else {
            try {
                ParseDataPacket(bytes, c.schema.get(), "");
                ADD_FAILURE() << "no error";
            } catch (const EStructureMismatch& e) {
                EXPECT_EQ(std::string(e.what()), c.message);
            }
        }
    }
}

TEST(DataPacketRead, FloatColumnIsNotReadAsSmallint) {
    const std::string bytes = Packet(R"(<FIELD attrname="Naw" fieldtype="r8"/>)", "");
    const auto schema = TableBuilder("WagenKatalog").Small("Naw").Done();
    try {
        ParseDataPacket(bytes, schema.get(), "");
        ADD_FAILURE() << "no error";
    } catch (const EStructureMismatch& e) {
        EXPECT_STREQ(e.what(),
                     "Feld \"Naw\" in Tabelle WagenKatalog hat den Typ r8, erwartet Smallint");
    }
}

// --- Files that are no database --------------------------------------------------------

std::string DeepPacket(int levels) {
    std::string fields = R"(<FIELD attrname="X" fieldtype="i4"/>)";
    for (int i = 0; i < levels; ++i)
        fields = "<FIELD attrname=\"N" + std::to_string(i) + "\" fieldtype=\"nested\"><FIELDS>" +
                 fields + "</FIELDS><PARAMS/></FIELD>";
    return Packet(fields, "<ROW/>");
}

TEST(DataPacketRead, RefusesWhatIsNoDatabase) {
    const std::string legacy = Fixture("legacy.xml");
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "Die Datei ist leer."},
        {"blanks and a byte order mark", "\xEF\xBB\xBF \r\n", "Die Datei ist leer."},
        {"not XML", "Gleis 1;599;0.5\n", "kein gültiges XML-Datenpaket"},
        {"truncated", legacy.substr(0, legacy.size() / 2), "(Byte "},
        // The offset is the file's, byte order mark included: the mismatching end tag's name.
        {"tags mismatch after a byte order mark", "\xEF\xBB\xBF<DATAPACKET><METADATA></DATAPACKET>",
         "Start-end tags mismatch (Byte 27)"},
        {"other root", "<?xml version=\"1.0\"?><Projekt/>", "Wurzelelement ist <Projekt>"},
        {"no METADATA", "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>", "METADATA fehlt"},
        {"no FIELDS", "<DATAPACKET><METADATA><PARAMS/></METADATA><ROWDATA/></DATAPACKET>",
         "FIELDS fehlt"},
        {"no ROWDATA", "<DATAPACKET><METADATA><FIELDS/><PARAMS/></METADATA></DATAPACKET>",
         "ROWDATA fehlt"},
        {"update packet",
         Packet(R"(<FIELD attrname="A" fieldtype="i4"/>)", "", R"(<PARAMS DATASET_DELTA="1"/>)"),
         "Die Datei ist ein Änderungspaket und keine Datenbank."},
        {"unknown field type", Packet(R"(<FIELD attrname="A" fieldtype="ui8"/>)", ""),
         "unbekannten Typ \"ui8\""},
        {"field without name", Packet(R"(<FIELD fieldtype="i4"/>)", ""), "hat keinen Namen"},
        {"duplicate field",
         Packet(R"(<FIELD attrname="A" fieldtype="i4"/><FIELD attrname="a" fieldtype="r8"/>)", ""),
         "mehrfach"},
        {"nested without FIELDS", Packet(R"(<FIELD attrname="N" fieldtype="nested"/>)", ""),
         "FIELDS fehlt"},
        {"broken change log",
         Packet(R"(<FIELD attrname="A" fieldtype="i4"/>)", "", R"(<PARAMS CHANGE_LOG="1 2"/>)"),
         "CHANGE_LOG"},
        {"nested deeper than 64 levels", DeepPacket(64), "64 Ebenen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ParseDataPacket(c.bytes, nullptr, "");
            ADD_FAILURE() << "no error";
        } catch (const EStructureMismatch& e) {
            ADD_FAILURE() << "structure error: " << e.what();
        } catch (const EDatabaseError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.message));
        }
    }
    EXPECT_NO_THROW(ParseDataPacket(DeepPacket(63), nullptr, ""));
}

TEST(DataPacketRead, MissingFileNamesIt) {
    try {
        LoadDataPacket(std::string(GVM_TEST_FIXTURES) + "/no-such-file.gvm");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_THAT(e.what(), HasSubstr("no-such-file.gvm"));
    }
}

// --- Writing --------------------------------------------------------------------------

TEST(DataPacketWrite, ExactLayout) {
    auto wagen = TableBuilder("Wagen").Small("Ord").Done();
    auto def = TableBuilder("InfoDB")
                   .AutoInc("Info_Code")
                   .Str("Version", 10)
                   .Memo("Info")
                   .Float("G")
                   .Nested(wagen)
                   .Done();
    Store store(def);
    for (int i = 0; i < 2; ++i) store.root.rows.push_back(NewRecord(*def));
    store.root.rows[0]->values = {I(1), S("17"), S("a\r\nb"), D(0.1), kNull};
    store.root.rows[0]->nested[0].rows.push_back(NewRecord(*wagen));
    store.root.rows[0]->nested[0].rows[0]->values = {I(3)};
    store.root.rows[1]->values = {I(2), kNull, kNull, D(-0.0), kNull};

    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"Info_Code\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>"
        "<FIELD attrname=\"Version\" fieldtype=\"string.uni\" WIDTH=\"20\"/>"
        "<FIELD attrname=\"Info\" fieldtype=\"bin.hex\" SUBTYPE=\"WideText\"/>"
        "<FIELD attrname=\"G\" fieldtype=\"r8\"/>"
        "<FIELD attrname=\"Wagen\" fieldtype=\"nested\"><FIELDS>"
        "<FIELD attrname=\"Ord\" fieldtype=\"i2\"/></FIELDS><PARAMS/></FIELD>"
        "</FIELDS><PARAMS/></METADATA>\n"
        "<ROWDATA>"
        "<ROW Info_Code=\"1\" Version=\"17\" Info=\"a&#013;&#010;b\" G=\"0.1\"><Wagen><ROWWagen "
        "Ord=\"3\"/></Wagen></ROW>\n"
        "<ROW Info_Code=\"2\" G=\"0\"><Wagen></Wagen></ROW>\n"
        "</ROWDATA></DATAPACKET>\n";
    EXPECT_EQ(DataPacketText(store), expected);
    std::ostringstream out;
    WriteDataPacket(store, out);
    EXPECT_EQ(out.str(), expected);
}

TEST(DataPacketWrite, TextEscapes) {
    struct Case {
        const char* name;
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        {"markup", "<a href='x'>&\"", "&lt;a href=&apos;x&apos;&gt;&amp;&quot;"},
        {"line breaks and tab", "a\r\nb\tc", "a&#013;&#010;b&#009;c"},
        {"control characters XML cannot hold", std::string("a\x01\x1F") + '\0' + "b", "ab"},
        {"umlauts and emoji as UTF-8", "M\u00fcller \U0001F600", "M\u00fcller \U0001F600"},
        {"broken UTF-8", "a\xFF\xC3", "a\uFFFD\uFFFD"},
        {"encoded surrogate half", "\xED\xA0\xBD", "\uFFFD\uFFFD\uFFFD"},
        {"backslash", "C:\\Daten", "C:\\Daten"},
    };
    auto def = TableBuilder("T").Memo("M").Done();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store store(def);
        store.root.rows.push_back(NewRecord(*def));
        store.root.rows[0]->values[0] = S(c.text);
        EXPECT_THAT(DataPacketText(store), HasSubstr("<ROW M=\"" + c.written + "\"/>"));
    }
}

// Compares two row sets of the same structure; doubles must agree bit for bit.
void ExpectSameRows(const RowSet& a, const RowSet& b, const TableDef& def,
                    const std::string& where) {
    ASSERT_EQ(a.rows.size(), b.rows.size()) << where;
    for (std::size_t r = 0; r < a.rows.size(); ++r) {
        for (int f = 0; f < def.FieldCount(); ++f) {
            const std::string at = where + "/" + std::to_string(r) + "." + def.Field(f).name;
            const Value& x = a.rows[r]->values[static_cast<std::size_t>(f)];
            const Value& y = b.rows[r]->values[static_cast<std::size_t>(f)];
            EXPECT_EQ(x.index(), y.index()) << at;
            if (std::holds_alternative<double>(x) && std::holds_alternative<double>(y))
                EXPECT_EQ(std::bit_cast<std::uint64_t>(std::get<double>(x)),
                          std::bit_cast<std::uint64_t>(std::get<double>(y)))
                    << at;
            else
                EXPECT_EQ(x, y) << at;
            if (def.Field(f).kind == FieldKind::Dataset) {
                const auto slot = static_cast<std::size_t>(def.NestedSlot(f));
                ExpectSameRows(a.rows[r]->nested[slot], b.rows[r]->nested[slot],
                               *def.Field(f).nested, at);
            }
        }
    }
}

TEST(DataPacketWrite, RoundTripKeepsEveryValue) {
    auto gleise = TableBuilder("Gleise").Small("Gleis Nr").Float("Laenge").Str("Name", 20).Done();
    auto projekten = TableBuilder("Projekten").AutoInc("ID").Memo("Notiz").Nested(gleise).Done();
    auto def = TableBuilder("InfoDB").Int("N").Float("X").Str("S", 40).Nested(projekten).Done();

    const double doubles[] = {0.1,
                              1.0 / 3,
                              -2.5e-300,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest(),
                              123456789012345678.0,
                              599};
    const std::string texts[] = {"", "Zeile 1\r\nZeile 2\n\tEingerückt",
                                 "<&>\"' M\u00fcller \u00df \u20ac \U0001F600", "  Blanks  ",
                                 "&#013; literal"};
    Store store(def);
    for (std::size_t i = 0; i < std::size(doubles); ++i) {
        auto rec = NewRecord(*def);
        rec->values[0] =
            i == 0 ? kNull : I(i % 2 ? std::numeric_limits<std::int32_t>::min() : 2147483647);
        rec->values[1] = D(doubles[i]);
        rec->values[2] = i < std::size(texts) ? S(texts[i]) : kNull;
        for (std::size_t p = 0; p < i % 3; ++p) {
            auto proj = NewRecord(*projekten);
            proj->values[0] = I(static_cast<std::int64_t>(10 * i + p));
            proj->values[1] = S(texts[(i + p) % std::size(texts)]);
            for (std::size_t g = 0; g < p + 1; ++g) {
                auto gl = NewRecord(*gleise);
                gl->values = {I(-32768 + static_cast<std::int64_t>(g)),
                              D(doubles[(i + g) % std::size(doubles)]),
                              g ? S(texts[g % std::size(texts)]) : kNull};
                proj->nested[0].rows.push_back(std::move(gl));
            }
            rec->nested[0].rows.push_back(std::move(proj));
        }
        store.root.rows.push_back(std::move(rec));
    }

    const std::string text = DataPacketText(store);
    // "Gleis Nr" is no XML name: the file carries it as `fieldname`.
    EXPECT_THAT(
        text,
        HasSubstr("<FIELD fieldname=\"Gleis Nr\" attrname=\"Gleis_x0020_Nr\" fieldtype=\"i2\"/>"));
    const LoadResult back = ParseDataPacket(text, def.get(), "");
    EXPECT_TRUE(back.warnings.empty());
    ExpectSameRows(store.root, back.store->root, *def, "InfoDB");
    EXPECT_EQ(DataPacketText(*back.store), text);

    const LoadResult untyped = ParseDataPacket(text, nullptr, "");
    ExpectSameRows(store.root, untyped.store->root, *def, "InfoDB");
}

TEST(DataPacketWrite, NonFiniteFloatsAreLeftOut) {
    auto def = TableBuilder("T").Float("F").Int("I").Done();
    Store store(def);
    store.root.rows.push_back(NewRecord(*def));
    store.root.rows[0]->values = {D(std::numeric_limits<double>::quiet_NaN()), D(2.6)};
    EXPECT_THAT(DataPacketText(store), HasSubstr("<ROW I=\"3\"/>"));
}

TEST(DataPacketWrite, FailingStreamIsAnError) {
    auto def = TableBuilder("T").Int("I").Done();
    Store store(def);
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(WriteDataPacket(store, out), EDatabaseError);
}

}  // namespace
}  // namespace gvm::db
