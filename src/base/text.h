#pragma once
// Small text helpers: UTF-8 character counts, case-insensitive names, "%s" substitution.

#include <initializer_list>
#include <string>
#include <string_view>

namespace gvm {

// Number of Unicode characters of a UTF-8 text (invalid bytes count one each).
std::size_t Utf8Length(std::string_view s);
// The first `maxChars` characters of a UTF-8 text, never cutting a character in two.
std::string Utf8Left(std::string_view s, std::size_t maxChars);
// Length of the well-formed UTF-8 sequence at s[i] (1 for ASCII), 0 when there is none;
// surrogate halves count as well-formed (the file reader combines them). The code point
// goes to `codePoint` when given.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, char32_t* codePoint = nullptr);
// True when `s` is well-formed UTF-8.
bool IsValidUtf8(std::string_view s);
// Decodes Windows-1252 bytes into UTF-8.
std::string Cp1252ToUtf8(std::string_view s);
// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string& out, char32_t cp);

// ASCII letter case folded; field and table names are ASCII.
std::string AsciiLower(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);

// Replaces each "%s" of `pattern` in turn by the next argument, as plain text: an argument
// that itself holds "%s" or "%d" is never read as a format.
std::string Substitute(std::string_view pattern, std::initializer_list<std::string_view> args);

std::string Trim(std::string_view s);

}  // namespace gvm
