#include "cli/args.h"

#include "cli/commands.h"

namespace gvm::cli {

bool Args::Flag(const std::string& name) {
    for (std::size_t i = 0; i < words_.size(); ++i) {
        if (!used_[i] && words_[i] == name) {
            used_[i] = true;
            return true;
        }
    }
    return false;
}

std::optional<std::string> Args::Option(const std::string& name) {
    for (std::size_t i = 0; i < words_.size(); ++i) {
        if (used_[i] || words_[i] != name) continue;
        if (i + 1 >= words_.size()) throw UsageError("option " + name + " needs a value");
        used_[i] = used_[i + 1] = true;
        return words_[i + 1];
    }
    return std::nullopt;
}

std::string Args::Positional(const std::string& what) {
    for (std::size_t i = 0; i < words_.size(); ++i) {
        if (used_[i] || (words_[i].size() > 1 && words_[i].rfind("--", 0) == 0)) continue;
        used_[i] = true;
        return words_[i];
    }
    throw UsageError("missing " + what);
}

void Args::Done() {
    for (std::size_t i = 0; i < words_.size(); ++i)
        if (!used_[i]) throw UsageError("unexpected argument '" + words_[i] + "'");
}

}  // namespace gvm::cli
