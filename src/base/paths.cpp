#include "base/paths.h"

#include <cstdlib>
#include <system_error>

namespace gvm {

namespace fs = std::filesystem;

ProgramData ProgramData::Locate(const char* argv0) {
    ProgramData data;
    if (const char* env = std::getenv("GRAVIMONT_DATA_DIR"); env && *env) {
        data.folder = env;
        return data;
    }
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec && argv0) exe = fs::absolute(argv0, ec);
    const fs::path installed = exe.parent_path().parent_path() / "share" / "gravimont";
    if (!exe.empty() && fs::is_directory(installed / "Dat", ec)) {
        data.folder = installed;
        return data;
    }
    if (fs::is_directory(fs::path(GVM_INSTALL_DATA_DIR) / "Dat", ec) &&
        !fs::is_directory(fs::path(GVM_SOURCE_DATA_DIR), ec)) {
        data.folder = GVM_INSTALL_DATA_DIR;
        return data;
    }
    data.folder = GVM_SOURCE_DATA_DIR;
    return data;
}

}  // namespace gvm
