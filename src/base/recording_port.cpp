#include "base/recording_port.h"

namespace gvm {

MsgAnswer RecordingPort::Show(MsgKind kind, std::string_view text, MsgButtons buttons,
                              std::string_view caption) {
    messages_.push_back({kind, std::string(text), buttons, std::string(caption)});
    if (!script_.empty()) {
        MsgAnswer a = script_.front();
        script_.pop_front();
        return a;
    }
    return defaultAnswer.value_or(PositiveAnswer(buttons));
}

void RecordingPort::ProgressOpen(int maximum, std::string_view caption, std::string_view text) {
    progress_.push_back("open " + std::to_string(maximum) + " " + std::string(caption) + ": " +
                        std::string(text));
}

void RecordingPort::ProgressStep(int position, std::string_view text) {
    progress_.push_back("step " + std::to_string(position) + " " + std::string(text));
}

void RecordingPort::ProgressClose() { progress_.push_back("close"); }

std::vector<std::string> RecordingPort::texts() const {
    std::vector<std::string> out;
    out.reserve(messages_.size());
    for (const auto& m : messages_) out.push_back(m.text);
    return out;
}

void RecordingPort::Clear() {
    messages_.clear();
    progress_.clear();
    script_.clear();
}

}  // namespace gvm
