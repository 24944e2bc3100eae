#pragma once
// File operations that never lose the user's data: atomic replacement and silent copies.

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace gvm {

// Writes a file through a temporary file in the same folder: `write` fills the stream, the
// data is flushed to disk, then the temporary file replaces `target` in one rename. On any
// failure the temporary file is removed, `target` is left as it was, and EGravimont is
// thrown with the reason.
void WriteFileAtomic(const std::filesystem::path& target,
                     const std::function<void(std::ostream&)>& write);

// Copies a file, overwriting the destination, without asking and without messages; the
// destination is replaced atomically too. Returns false when the copy failed.
bool CopyFileSilent(const std::filesystem::path& from, const std::filesystem::path& to);

// Reads a whole file; throws EGravimont with the reason when it cannot.
std::string ReadFileBytes(const std::filesystem::path& path);

// The file name as the user sees it in messages.
std::string DisplayName(const std::filesystem::path& path);

}  // namespace gvm
