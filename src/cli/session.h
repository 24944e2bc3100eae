#pragma once
// One database opened by a command as the main window would hold it: the main data module,
// the current selection and the port that answers questions from the command's options.

#include <memory>
#include <string>

#include "cli/cli_port.h"
#include "cli/commands.h"
#include "database/current_selection.h"
#include "database/gravimont_data_module.h"

namespace gvm::cli {

class Session {
public:
    // --no answers every question with No/Cancel.
    Session(Context& ctx, bool answerNo);
    // Opens the file (converting an older one); false after the message when it cannot.
    bool Open(const std::string& file);

    CliPort port;
    db::TGravimontDataModule dm;
    db::TCurrentSelection current;
};

// Puts the main project cursor on the project whose table `rows` (a nested cursor of the
// main module's ProjektCDS) holds a record with `idField` = `id`; false when none does.
bool LocateProjectHolding(db::TGravimontDataModule& dm, db::Cursor& rows, const char* idField, std::int64_t id);

// Puts the main module's cursors on the stored experiment with this identifier, searching
// every case of every project; false when there is none.
bool LocateExperiment(db::TGravimontDataModule& dm, std::int64_t id);

// Parses a whole number argument; UsageError when it is none.
std::int64_t ParseId(const std::string& text, const std::string& what);

}  // namespace gvm::cli
