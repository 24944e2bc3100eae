#pragma once
// A messages port for tests: records every message and progress call and answers
// questions from a script (first scripted answer first), else with the default.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"

namespace gvm {

class RecordingPort : public MessagePort {
public:
    struct Message {
        MsgKind kind;
        std::string text;
        MsgButtons buttons;
        std::string caption;
    };

    MsgAnswer Show(MsgKind kind, std::string_view text, MsgButtons buttons,
                   std::string_view caption) override;
    void ProgressOpen(int maximum, std::string_view caption, std::string_view text) override;
    void ProgressStep(int position, std::string_view text) override;
    void ProgressClose() override;
    void SetBusy(bool busy) override { busy_ = busy; }
    bool ProcessEvents() override { return stopRequested; }

    // Answers for the next questions, used in order.
    void Script(MsgAnswer answer) { script_.push_back(answer); }
    // Answer when the script is empty; unset means the positive answer (OK / Yes).
    std::optional<MsgAnswer> defaultAnswer;
    bool stopRequested = false;

    const std::vector<Message>& messages() const { return messages_; }
    std::vector<std::string> texts() const;
    // Progress calls as readable lines: "open 3 Projekt Import: Importieren", "step 1 ...", "close".
    const std::vector<std::string>& progress() const { return progress_; }
    bool busy() const { return busy_; }
    void Clear();

private:
    std::vector<Message> messages_;
    std::vector<std::string> progress_;
    std::deque<MsgAnswer> script_;
    bool busy_ = false;
};

}  // namespace gvm
