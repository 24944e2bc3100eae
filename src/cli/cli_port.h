#pragma once
// The command line's messages port: every message goes to stderr with its kind, questions
// are answered "yes/OK" by default and "no/cancel" with --no.

#include <ostream>

#include "base/messages.h"

namespace gvm::cli {

class CliPort : public MessagePort {
public:
    explicit CliPort(std::ostream& err, bool answerNo = false) : err_(err), answerNo_(answerNo) {}
    MsgAnswer Show(MsgKind kind, std::string_view text, MsgButtons buttons, std::string_view caption) override;
    void ProgressOpen(int maximum, std::string_view caption, std::string_view text) override;
    void ProgressStep(int position, std::string_view text) override;
    void ProgressClose() override;

private:
    std::ostream& err_;
    bool answerNo_;
    int progressMax_ = 0;
};

// The system's line breaks ("\n\r", "\r\n", "\r") as terminal line breaks.
std::string TerminalText(std::string_view text);

}  // namespace gvm::cli
