#include "database/projects.h"

#include "base/text.h"
#include "database/record_helpers.h"

namespace gvm::db {

bool ProjectManager::Select(std::optional<std::int64_t> idProjekt) {
    if (idProjekt && main_.ProjektCDS.Locate("ID_Projekt", *idProjekt))
        current_.SetProject(*idProjekt, main_.ProjektCDS.FieldByName("ProjektName").AsString());
    return true;
}

bool ProjectManager::CheckLength(std::string_view name) {
    if (Utf8Length(name) <= kProjektNameLength) return true;
    main_.Port().Error("Der Projektname darf höchstens " + std::to_string(kProjektNameLength) +
                       " Zeichen lang sein.");
    return false;
}

bool ProjectManager::New(std::string_view name) {
    if (name.empty()) {
        main_.Port().Error("Kein Name");
        return false;
    }
    if (!CheckLength(name)) return false;
    const std::int64_t id = AppendRecord(main_.ProjektCDS, [this] { return main_.GetNextAutoIncValue(); },
                                         {{"ProjektName", std::string(name)}});
    main_.SaveInfoCDS();
    current_.SetProject(id, std::string(name));
    RestoreProjectCursor();
    return true;
}

bool ProjectManager::Delete(std::int64_t idProjekt) {
    Cursor& projects = main_.ProjektCDS;
    if (!projects.Locate("ID_Projekt", idProjekt)) return false;
    const std::string name = projects.FieldByName("ProjektName").AsString();
    if (main_.Port().Show(MsgKind::Confirmation, "Möchten Sie wirklich das Projekt " + name + " löschen?",
                          MsgButtons::YesNo) != MsgAnswer::Yes) {
        RestoreProjectCursor();
        return false;
    }
    main_.DeleteNestedRecords(projects);
    projects.Delete();
    if (current_.ProjektID == idProjekt) current_.ClearProject();
    RestoreProjectCursor();
    return true;
}

bool ProjectManager::Rename(std::string_view newName) {
    if (!current_.HasProject()) {
        main_.Port().Error("Wählen Sie, bitte, zuerst ein aktuelles Projekt");
        return false;
    }
    if (newName.empty()) {
        main_.Port().Error("Bitte geben Sie eine neue Name ein");
        return false;
    }
    if (!CheckLength(newName)) return false;
    Cursor& projects = main_.ProjektCDS;
    if (!projects.Locate("ID_Projekt", current_.ProjektID)) return false;
    projects.Edit();
    projects.FieldByName("ProjektName").SetString(newName);
    projects.Post();
    current_.ProjektName = std::string(newName);
    current_.ProjektChanged = true;
    return true;
}

void ProjectManager::RestoreProjectCursor() {
    if (current_.HasProject()) main_.ProjektCDS.Locate("ID_Projekt", current_.ProjektID);
}

std::vector<std::pair<std::int64_t, std::string>> ProjectManager::List() {
    std::vector<std::pair<std::int64_t, std::string>> out;
    Cursor& p = main_.ProjektCDS;
    const Bookmark keep = p.GetBookmark();
    for (p.First(); !p.Eof(); p.Next())
        out.emplace_back(p.FieldByName("ID_Projekt").AsInteger(), p.FieldByName("ProjektName").AsString());
    p.GotoBookmark(keep);
    return out;
}

namespace {

// One step of shortening the folder part: "\a\b\" -> "\...\b\", "\...\b\" -> "\...\", "\" -> "".
std::string ShortenDirectory(std::string dir) {
    if (dir == "\\") return {};
    const bool leadingSlash = !dir.empty() && dir[0] == '\\';
    if (leadingSlash) dir.erase(0, 1);
    if (dir.rfind("...\\", 0) == 0) dir.erase(0, 4);
    const auto slash = dir.find('\\');
    dir = slash == std::string::npos ? std::string() : dir.substr(slash + 1);
    if (slash != std::string::npos) dir = "...\\" + dir;
    if (leadingSlash) dir = "\\" + dir;
    return dir;
}

}  // namespace

std::string ShortenPath(std::string_view path, const std::function<int(std::string_view)>& width, int maxWidth) {
    std::string drive, dir, file;
    std::string rest(path);
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const auto lastSlash = rest.find_last_of('\\');
    if (lastSlash == std::string::npos) {
        file = rest;
    } else {
        dir = rest.substr(0, lastSlash + 1);
        file = rest.substr(lastSlash + 1);
    }
    while ((!drive.empty() || !dir.empty()) && width(drive + dir + file) > maxWidth) {
        if (dir == "\\...\\") {
            drive.clear();
            dir = "...\\";
        } else if (!dir.empty()) {
            dir = ShortenDirectory(dir);
        } else {
            drive.clear();
        }
    }
    return drive + dir + file;
}

}  // namespace gvm::db
