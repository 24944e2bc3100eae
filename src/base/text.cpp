#include "base/text.h"

#include <array>

namespace gvm {

std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, char32_t* codePoint) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        if (codePoint) *codePoint = b0;
        return 1;
    }
    std::size_t n;
    char32_t cp;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::array<char32_t, 5> kMin{0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF) return 0;
    if (codePoint) *codePoint = cp;
    return n;
}

namespace {

std::size_t SequenceLength(std::string_view s, std::size_t i) { return Utf8SequenceAt(s, i, nullptr); }

}  // namespace

std::size_t Utf8Length(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const std::size_t n = SequenceLength(s, i);
        i += n == 0 ? 1 : n;
    }
    return count;
}

std::string Utf8Left(std::string_view s, std::size_t maxChars) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size() && count < maxChars; ++count) {
        const std::size_t n = SequenceLength(s, i);
        i += n == 0 ? 1 : n;
    }
    return std::string(s.substr(0, i));
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    const std::size_t size = s.size();
    while (i < size) {
        // Fast path over plain ASCII, eight bytes at a time.
        while (i + 8 <= size) {
            unsigned long long word = 0;
            for (int k = 0; k < 8; ++k)
                word |= static_cast<unsigned long long>(static_cast<unsigned char>(s[i + k]));
            if (word & 0x80) break;
            i += 8;
        }
        if (i >= size) break;
        const std::size_t n = SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Cp1252ToUtf8(std::string_view s) {
    // 0x80..0x9F differ from Latin-1; undefined slots map to themselves.
    static constexpr std::array<char16_t, 32> kHigh{
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else if (b < 0xA0)
            AppendUtf8(out, kHigh[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string Substitute(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    auto arg = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
            arg != args.end()) {
            out += *arg++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace gvm
