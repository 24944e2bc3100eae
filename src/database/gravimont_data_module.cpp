#include "database/gravimont_data_module.h"

#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <limits>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/numfmt.h"
#include "base/text.h"
#include "database/datapacket.h"
#include "database/schema.h"

namespace gvm::db {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& p) { return "\"" + DisplayName(p) + "\""; }

fs::path WithExtension(fs::path p, const std::string& ext) { return p.replace_extension(ext); }

}  // namespace

TGravimontDataModule::TGravimontDataModule(MessagePort& port, ProgramData data)
    : port_(port), data_(std::move(data)) {}

TGravimontDataModule::~TGravimontDataModule() {
    if (!saveOnDestroy_ || !IsOpen()) return;
    try {
        SaveInfoCDS();
    } catch (const std::exception& e) {
        port_.Error(e.what());
    }
}

void TGravimontDataModule::Close() {
    InfoDBCDS.Close();
    fFileName.clear();
}

void TGravimontDataModule::AttachDocument(std::shared_ptr<Store> store) {
    Close();
    const std::int64_t largest = LargestIdentifier(store->root, *store->rootDef);
    InfoDBCDS.Attach(std::move(store));
    InfoDBCDS.First();
    const auto stored = InfoDBCDS.FieldByName("MaxAutoInc").AsInteger();
    fAutoIncValue = static_cast<std::int32_t>(std::max<std::int64_t>(largest, stored));
}

// ---------------------------------------------------------------------------------------
// Open and save

void TGravimontDataModule::Load(Cursor& root, const fs::path& fileName) {
    LoadResult loaded = LoadDataPacket(fileName, DocumentSchema().get());
    if (loaded.store->root.rows.empty())
        throw EDatabaseError("Die Datei enthält keinen Stammdatensatz.");
    for (const auto& w : loaded.warnings) port_.Warning(w);
    // A counter below the largest identifier would hand out identifiers twice.
    const Value& max = loaded.store->root.rows.front()->values[static_cast<std::size_t>(
        loaded.store->rootDef->IndexOf("MaxAutoInc"))];
    std::int64_t counter = std::get_if<std::int64_t>(&max) ? std::get<std::int64_t>(max) : 0;
    counter = std::max(counter, LargestIdentifier(loaded.store->root, *loaded.store->rootDef));
    root.Attach(std::move(loaded.store));
    root.First();
    if (&root == &InfoDBCDS) {
        fAutoIncValue = static_cast<std::int32_t>(
            std::min<std::int64_t>(counter, std::numeric_limits<std::int32_t>::max()));
        fFileName = fs::absolute(fileName);
    }
}

int TGravimontDataModule::OpenCDS(Cursor& root, const fs::path& fileName, bool tryToConvert) {
    root.Close();
    if (&root == &InfoDBCDS) fFileName.clear();
    try {
        Load(root, fileName);
        return 0;
    } catch (const std::exception& e) {
        root.Close();
        if (tryToConvert) {
            if (Convert(fileName) != 0) return -1;
            return OpenCDS(root, fileName, false);
        }
        port_.Error("Datenbank " + Quoted(fileName) + " konnte nicht geöffnet werden.\n\r" + e.what());
        return -1;
    }
}

int TGravimontDataModule::SaveCDS(Cursor& root) {
    // Only an open document may replace the backup: a save after a failed open would
    // otherwise copy the unreadable file over the last good ".bak".
    if (!root.Active() || fFileName.empty()) return 0;
    CopyFileSilent(fFileName, WithExtension(fFileName, ".bak"));
    root.First();
    root.Edit();
    root.FieldByName("MaxAutoInc").SetInteger(fAutoIncValue);
    root.Post();
    const Store& store = *root.GetStore();
    WriteFileAtomic(fFileName, [&](std::ostream& out) { WriteDataPacket(store, out); });
    return 0;
}

std::int32_t TGravimontDataModule::GetNextAutoIncValue() {
    if (fAutoIncValue == std::numeric_limits<std::int32_t>::max())
        throw EDatabaseError(
            "Der Identifikatorzähler der Datenbank hat seinen Höchstwert erreicht; es können "
            "keine neuen Datensätze angelegt werden.");
    return ++fAutoIncValue;
}

void TGravimontDataModule::DeleteNestedRecords(Cursor& cursor) { cursor.DeleteNestedRecords(); }

// ---------------------------------------------------------------------------------------
// Version probe and conversion

int TGravimontDataModule::ProbeVersion(const fs::path& fileName) {
    pugi::xml_document doc;
    // Plain parsing: no document type declarations, no entities beyond the built-in ones.
    if (!doc.load_file(fileName.c_str(), pugi::parse_minimal | pugi::parse_escapes)) return 0;
    const pugi::xml_attribute version =
        doc.document_element().child("ROWDATA").child("ROW").attribute("Version");
    if (!version) return 0;
    const std::string text = Trim(version.value());
    if (text == "1.05") return 15;
    int v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size() || text.empty()) return 0;
    return v;
}

int TGravimontDataModule::Convert(const fs::path& fileName) {
    BusyScope busy(port_);
    try {
        const int version = ProbeVersion(fileName);
        int current = 0;
        std::from_chars(data_.fileVersion.data(), data_.fileVersion.data() + data_.fileVersion.size(),
                        current);
        if (version > current)
            throw EGravimont("Die Datei hat die Fileversion " + std::to_string(version) +
                             "; diese Programmversion kennt Fileversionen bis " +
                             std::to_string(current) + ".");
        LoadResult source = LoadDataPacket(fileName, nullptr);
        LoadResult target = LoadDataPacket(data_.TemplateFile(), DocumentSchema().get());
        CopyIntoTemplate(*source.store, *target.store);
        // The old file is kept under ".dat" + its version; without that copy nothing is written.
        const fs::path kept = WithExtension(fileName, ".dat" + std::to_string(version));
        if (!CopyFileSilent(fileName, kept))
            throw EGravimont("Die Kopie " + Quoted(kept) +
                             " der alten Datei konnte nicht angelegt werden; die Datei bleibt "
                             "unverändert.");
        WriteFileAtomic(fileName, [&](std::ostream& out) { WriteDataPacket(*target.store, out); });
        return 0;
    } catch (const std::exception& e) {
        port_.Error("Konvertierung von Datei " + Quoted(fileName) +
                    " auf die neue Fileversion war nicht erfolgreich!\n\r" + e.what());
        return -1;
    }
}

namespace {

// The value of an old field as the template's field stores it.
Value Coerce(const FieldDef& target, const Value& v) {
    if (IsNull(v)) return v;
    if (IsIntegerKind(target.kind) || target.kind == FieldKind::Float) {
        std::optional<double> number = NumberOf(v);
        if (!number) {
            const std::string text = Trim(ValueText(v));
            if (text.empty()) return Value{};
            number = ParseFloat(text);
        }
        if (!number || !std::isfinite(*number))
            throw EDatabaseError("Der Wert \"" + ValueText(v) + "\" passt nicht in das Feld " + target.name);
        if (target.kind == FieldKind::Float) return *number;
        return static_cast<std::int64_t>(std::llround(*number));
    }
    if (target.kind == FieldKind::WideString && target.size > 0)
        return Utf8Left(ValueText(v), static_cast<std::size_t>(target.size));
    return ValueText(v);
}

void CopyRows(const RowSet& src, const TableDef& sdef, RowSet& dst, const TableDef& tdef, bool isRoot) {
    for (const auto& srec : src.rows) {
        if (!isRoot || dst.rows.empty()) dst.rows.push_back(NewRecord(tdef));
        Record& trec = isRoot ? *dst.rows.front() : *dst.rows.back();
        for (int i = 0; i < sdef.FieldCount(); ++i) {
            const FieldDef& sf = sdef.Field(i);
            const int ti = tdef.IndexOf(IEquals(sf.name, "SimFallName") ? "SimExpName" : sf.name);
            if (ti < 0) continue;
            const FieldDef& tf = tdef.Field(ti);
            if (sf.kind == FieldKind::Dataset && tf.kind == FieldKind::Dataset) {
                CopyRows(srec->nested[static_cast<std::size_t>(sdef.NestedSlot(i))], *sf.nested,
                         trec.nested[static_cast<std::size_t>(tdef.NestedSlot(ti))], *tf.nested, false);
                continue;
            }
            if (sf.kind == FieldKind::Dataset || tf.kind == FieldKind::Dataset) continue;
            if (IEquals(tf.name, "Version")) continue;
            Value& slot = trec.values[static_cast<std::size_t>(ti)];
            const bool always = tf.kind == FieldKind::WideMemo || IEquals(tf.name, "MaxAutoInc");
            if (!always && !IsNull(slot)) continue;
            slot = Coerce(tf, srec->values[static_cast<std::size_t>(i)]);
        }
    }
    ++dst.version;
}

}  // namespace

void CopyIntoTemplate(const Store& source, Store& target) {
    CopyRows(source.root, *source.rootDef, target.root, *target.rootDef, true);
}

}  // namespace gvm::db
