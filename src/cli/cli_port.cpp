#include "cli/cli_port.h"

#include <string>

namespace gvm::cli {

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if ((next == '\n' || next == '\r') && next != c) ++i;
            out += '\n';
        } else {
            out += c;
        }
    }
    return out;
}

MsgAnswer CliPort::Show(MsgKind kind, std::string_view text, MsgButtons buttons, std::string_view caption) {
    const MsgAnswer answer = answerNo_ ? NegativeAnswer(buttons) : PositiveAnswer(buttons);
    err_ << ToString(kind) << ": ";
    if (!caption.empty()) err_ << "[" << caption << "] ";
    err_ << TerminalText(text);
    if (buttons != MsgButtons::Ok) err_ << " -> " << ToString(answer);
    err_ << "\n";
    return answer;
}

void CliPort::ProgressOpen(int maximum, std::string_view caption, std::string_view text) {
    progressMax_ = maximum;
    err_ << "progress: " << caption << ": " << text << "\n";
}

void CliPort::ProgressStep(int position, std::string_view text) {
    err_ << "progress: [" << position << "/" << progressMax_ << "] " << text << "\n";
}

void CliPort::ProgressClose() {}

}  // namespace gvm::cli
