#include "base/fileio.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "base/errors.h"

namespace gvm {

namespace fs = std::filesystem;

namespace {

fs::path TempNameBeside(const fs::path& target) {
    std::random_device rd;
    const auto tag = std::to_string(rd() % 1000000);
    return target.parent_path() / (target.filename().string() + ".~" + tag + ".tmp");
}

// Flushes a written file's data to the disk before the rename makes it visible.
bool SyncFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string DisplayName(const fs::path& path) { return path.string(); }

void WriteFileAtomic(const fs::path& target, const std::function<void(std::ostream&)>& write) {
    const fs::path temp = TempNameBeside(target);
    const auto fail = [&](const std::string& reason) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw EGravimont("Die Datei \"" + DisplayName(target) + "\" konnte nicht gespeichert werden: " +
                         reason);
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) fail(std::strerror(errno));
        try {
            write(out);
        } catch (const std::exception& e) {
            out.close();
            fail(e.what());
        }
        out.flush();
        if (!out) fail("Schreibfehler (Disk voll?)");
    }
    if (!SyncFile(temp)) fail("Die Daten konnten nicht auf die Disk geschrieben werden");
    std::error_code ec;
    // Keep the permissions of the file being replaced.
    if (fs::exists(target, ec)) fs::permissions(temp, fs::status(target, ec).permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) fail(ec.message());
}

bool CopyFileSilent(const fs::path& from, const fs::path& to) {
    try {
        std::error_code ec;
        if (!fs::is_regular_file(from, ec)) return false;
        if (fs::equivalent(from, to, ec)) return true;
        const fs::path temp = TempNameBeside(to);
        if (!fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec) || ec) {
            fs::remove(temp, ec);
            return false;
        }
        fs::rename(temp, to, ec);
        if (ec) {
            fs::remove(temp, ec);
            return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EGravimont("Die Datei \"" + DisplayName(path) + "\" kann nicht gelesen werden: " +
                              std::strerror(errno));
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    std::string bytes;
    if (!ec) bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size())
        throw EGravimont("Die Datei \"" + DisplayName(path) + "\" kann nicht gelesen werden.");
    return bytes;
}

}  // namespace gvm
