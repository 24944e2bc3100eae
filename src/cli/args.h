#pragma once
// A tiny reader of command-line words: positionals, flags and options with values.

#include <optional>
#include <string>
#include <vector>

namespace gvm::cli {

class Args {
public:
    explicit Args(std::vector<std::string> words) : words_(std::move(words)), used_(words_.size(), false) {}
    bool Flag(const std::string& name);
    std::optional<std::string> Option(const std::string& name);
    std::string Positional(const std::string& what);
    // Throws UsageError when a word was not used.
    void Done();

private:
    std::vector<std::string> words_;
    std::vector<bool> used_;
};

}  // namespace gvm::cli
