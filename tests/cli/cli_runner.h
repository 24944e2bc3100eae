#pragma once
// Runs the built gravimont-cli as a user would: in a test folder, with the shipped data,
// capturing its exit code, standard output and standard error.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace gvm::clitest {

struct CliResult {
    int code = -1;
    std::string out, err;
};

// A word quoted for the shell.
inline std::string Quote(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `args` as typed on a shell command line after the program name.
inline CliResult RunCli(const std::filesystem::path& dir, const std::string& args) {
    const std::filesystem::path out = dir / "cli-out.txt", err = dir / "cli-err.txt";
    const std::string cmd = "cd " + Quote(dir.string()) + " && GRAVIMONT_DATA_DIR=" + Quote(GVM_SOURCE_DATA_DIR) +
                            " " + Quote(GVM_CLI) + " " + args + " >" + Quote(out.string()) + " 2>" +
                            Quote(err.string());
    const int status = std::system(cmd.c_str());
    CliResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, gvm::test::ReadBytes(out), gvm::test::ReadBytes(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

// Each word quoted.
inline CliResult RunCli(const std::filesystem::path& dir, const std::vector<std::string>& words) {
    std::string args;
    for (const auto& w : words) args += Quote(w) + " ";
    return RunCli(dir, args);
}

}  // namespace gvm::clitest
