#pragma once
// The one way the core talks to the user: modal messages, progress and busy state.
// The desktop program shows message boxes, the command line prints to stderr and answers
// from its options, tests record the texts and script the answers.

#include <string>
#include <string_view>

namespace gvm {

enum class MsgKind { Error, Warning, Information, Confirmation, Plain };
enum class MsgButtons { Ok, OkCancel, YesNo, YesCancel, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

const char* ToString(MsgKind kind);
const char* ToString(MsgAnswer answer);

class MessagePort {
public:
    virtual ~MessagePort() = default;

    // Shows one modal message with its exact text and returns the button chosen.
    virtual MsgAnswer Show(MsgKind kind, std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                           std::string_view caption = {}) = 0;

    // Progress window of long operations (open with a maximum, step, close).
    virtual void ProgressOpen(int /*maximum*/, std::string_view /*caption*/,
                              std::string_view /*text*/) {}
    virtual void ProgressStep(int /*position*/, std::string_view /*text*/) {}
    virtual void ProgressClose() {}

    // Busy (hourglass) state around work that shows no progress.
    virtual void SetBusy(bool /*busy*/) {}

    // Lets the user interface breathe during long searches; true when a stop was requested.
    virtual bool ProcessEvents() { return false; }

    // Shorthands for the common boxes.
    void Error(std::string_view text) { Show(MsgKind::Error, text); }
    void Warning(std::string_view text) { Show(MsgKind::Warning, text); }
    void Info(std::string_view text) { Show(MsgKind::Information, text); }
};

// Marks a stretch of busy work; the port shows the hourglass for its lifetime.
class BusyScope {
public:
    explicit BusyScope(MessagePort& port) : port_(port) { port_.SetBusy(true); }
    ~BusyScope() { port_.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    MessagePort& port_;
};

// A port that shows nothing and answers every question with its default (OK / Yes).
class SilentPort : public MessagePort {
public:
    MsgAnswer Show(MsgKind, std::string_view, MsgButtons buttons, std::string_view) override;
};

// The positive answer for a set of buttons (OK or Yes), and the negative one (Cancel or No).
MsgAnswer PositiveAnswer(MsgButtons buttons);
MsgAnswer NegativeAnswer(MsgButtons buttons);

}  // namespace gvm
