#include "base/messages.h"

namespace gvm {

const char* ToString(MsgKind kind) {
    switch (kind) {
        case MsgKind::Error: return "error";
        case MsgKind::Warning: return "warning";
        case MsgKind::Information: return "information";
        case MsgKind::Confirmation: return "confirmation";
        case MsgKind::Plain: return "message";
    }
    return "message";
}

const char* ToString(MsgAnswer answer) {
    switch (answer) {
        case MsgAnswer::Ok: return "OK";
        case MsgAnswer::Cancel: return "Cancel";
        case MsgAnswer::Yes: return "Yes";
        case MsgAnswer::No: return "No";
    }
    return "OK";
}

MsgAnswer PositiveAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel: return MsgAnswer::Ok;
        default: return MsgAnswer::Yes;
    }
}

MsgAnswer NegativeAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::OkCancel:
        case MsgButtons::YesCancel: return MsgAnswer::Cancel;
        default: return MsgAnswer::No;
    }
}

MsgAnswer SilentPort::Show(MsgKind, std::string_view, MsgButtons buttons, std::string_view) {
    return PositiveAnswer(buttons);
}

}  // namespace gvm
