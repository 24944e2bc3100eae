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

// Parses a whole number argument; UsageError when it is none.
std::int64_t ParseId(const std::string& text, const std::string& what);

}  // namespace gvm::cli
