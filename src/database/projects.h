#pragma once
// Project management: select, create, delete and rename projects of the open document.
// The dialogs collect the input; these operations check it, change the document and the
// current selection, and report through the messages port.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "database/current_selection.h"
#include "database/gravimont_data_module.h"

namespace gvm::db {

inline constexpr std::size_t kProjektNameLength = 12;

class ProjectManager {
public:
    ProjectManager(TGravimontDataModule& main, TCurrentSelection& current)
        : main_(main), current_(current) {}

    // OK of the selection dialog with the project row chosen (none when the grid is empty):
    // that project becomes current with no case. Always ends with OK (true).
    bool Select(std::optional<std::int64_t> idProjekt);

    // A new project with the next identifier, saved and made current. False (after the
    // message) when the name is empty or longer than a project name can be.
    bool New(std::string_view name);

    // Asks, then deletes the project with everything below it. False when the user said
    // no or there is no such project. The current project is cleared when it was deleted.
    bool Delete(std::int64_t idProjekt);

    // Renames the current project. False (after the message) without a current project or
    // with an empty or over-long name.
    bool Rename(std::string_view newName);

    // Puts the main module's project cursor back on the current project.
    void RestoreProjectCursor();

    // Identifier and name of every project, in the order of the main module's cursor.
    std::vector<std::pair<std::int64_t, std::string>> List();

private:
    bool CheckLength(std::string_view name);

    TGravimontDataModule& main_;
    TCurrentSelection& current_;
};

// Shortens a path to fit `maxWidth` (in the units of `width`, e.g. pixels of a font), by
// replacing leading folders with "...\"; ends as the file name alone when nothing fits.
std::string ShortenPath(std::string_view path, const std::function<int(std::string_view)>& width, int maxWidth);

}  // namespace gvm::db
