#include "base/rtf.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text.h"

namespace gvm {

// ---------------------------------------------------------------------------------------
// Document

std::string RtfParagraph::Text() const {
    std::string s;
    for (const RtfRun& r : runs) s += r.text;
    return s;
}

void TRichText::Add(std::string_view line) {
    RtfParagraph p;
    p.tabs = tabs_;
    p.runs.push_back({std::string(line), false, 0});
    paras_.push_back(std::move(p));
}

void TRichText::Format(std::size_t from, std::size_t to, bool bold, double sizeDelta) {
    std::size_t start = 0;  // offset of the current paragraph in the whole text
    for (RtfParagraph& p : paras_) {
        std::vector<RtfRun> runs;
        std::size_t pos = start;
        for (RtfRun& r : p.runs) {
            const std::size_t end = pos + r.text.size();
            const std::size_t a = std::clamp(from, pos, end), b = std::clamp(to, pos, end);
            if (a >= b) {
                runs.push_back(std::move(r));
            } else {
                if (a > pos) runs.push_back({r.text.substr(0, a - pos), r.bold, r.size});
                runs.push_back({r.text.substr(a - pos, b - a), bold, size_ + sizeDelta});
                if (b < end) runs.push_back({r.text.substr(b - pos), r.bold, r.size});
            }
            pos = end;
        }
        p.runs = std::move(runs);
        start = pos + 1;  // the line feed between paragraphs
    }
}

std::string TRichText::PlainText() const {
    std::string s;
    for (const RtfParagraph& p : paras_) s += p.Text() + '\n';
    return s;
}

// ---------------------------------------------------------------------------------------
// Writer

namespace {

// cp1252 byte of a code point, 0 when the code page has none.
unsigned char Cp1252Byte(char32_t cp) {
    if (cp >= 0xA0 && cp <= 0xFF) return static_cast<unsigned char>(cp);
    for (int b = 0x80; b < 0xA0; ++b) {
        char32_t mapped = 0;
        const std::string u = Cp1252ToUtf8(std::string(1, static_cast<char>(b)));
        if (Utf8SequenceAt(u, 0, &mapped) > 0 && mapped == cp && mapped != static_cast<char32_t>(b))
            return static_cast<unsigned char>(b);
    }
    return 0;
}

void AppendHex(std::string& out, unsigned char b) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\'";
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

void AppendUnicode(std::string& out, char32_t cp) {
    const auto unit = [&out](unsigned u) {
        out += "\\u";
        out += std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(u)));
        out += '?';
    };
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        unit(0xD800 + (cp >> 10));
        unit(0xDC00 + (cp & 0x3FF));
    } else {
        unit(cp);
    }
}

// Text of a run with RTF's special characters escaped.
std::string Escaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == '\\' || c == '{' || c == '}') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c == '\t') {
                out += "\\tab ";
            } else if (c == '\n') {
                out += "\\line ";
            } else if (c >= 0x20) {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t n = Utf8SequenceAt(s, i, &cp);
        if (n == 0) {  // a stray byte: taken as cp1252, as the file reader does
            AppendHex(out, c);
            ++i;
            continue;
        }
        if (const unsigned char b = Cp1252Byte(cp))
            AppendHex(out, b);
        else
            AppendUnicode(out, cp);
        i += n;
    }
    return out;
}

long Twips(double pt) {
    return std::lround(pt * 20.0);
}
long HalfPoints(double pt) {
    return std::lround(pt * 2.0);
}

std::string TabControls(const std::vector<TabStop>& tabs) {
    std::string out;
    for (const TabStop& t : tabs) {
        switch (t.align) {
            case TabAlign::Left:
                break;
            case TabAlign::Center:
                out += "\\tqc";
                break;
            case TabAlign::Right:
                out += "\\tqr";
                break;
            case TabAlign::Decimal:
                out += "\\tqdec";
                break;
        }
        out += "\\tx";
        out += std::to_string(Twips(t.pos));
    }
    return out;
}

}  // namespace

std::string TRichText::ToRtf() const {
    const std::string plainSize = std::to_string(HalfPoints(size_));
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss\\fcharset0 ";
    out += Escaped(font_);
    out += ";}}\r\n\\uc1\\viewkind4\r\n";
    for (const RtfParagraph& p : paras_) {
        out += "\\pard";
        out += TabControls(p.tabs);
        out += "\\plain\\f0\\fs";
        out += plainSize;
        out += ' ';
        for (const RtfRun& r : p.runs) {
            if (!r.bold && (r.size == 0 || r.size == size_)) {
                out += Escaped(r.text);
                continue;
            }
            out += "{";
            if (r.bold) out += "\\b";
            if (r.size != 0) {
                out += "\\fs";
                out += std::to_string(HalfPoints(r.size));
            }
            out += ' ';
            out += Escaped(r.text);
            out += '}';
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

// ---------------------------------------------------------------------------------------
// Widths

namespace {

// Advance widths of Tahoma [em] for ASCII 0x20..0x7E.
constexpr std::array<double, 95> kTahoma = {
    0.313, 0.332, 0.401, 0.728, 0.546, 0.977, 0.674, 0.211, 0.383, 0.383, 0.546, 0.728,
    0.303, 0.363, 0.303, 0.382, 0.546, 0.546, 0.546, 0.546, 0.546, 0.546, 0.546, 0.546,
    0.546, 0.546, 0.354, 0.354, 0.728, 0.728, 0.728, 0.474, 0.909, 0.600, 0.589, 0.601,
    0.678, 0.561, 0.521, 0.667, 0.675, 0.373, 0.417, 0.588, 0.498, 0.771, 0.667, 0.708,
    0.551, 0.708, 0.621, 0.557, 0.584, 0.656, 0.597, 0.902, 0.581, 0.576, 0.559, 0.383,
    0.382, 0.383, 0.728, 0.546, 0.546, 0.525, 0.553, 0.461, 0.553, 0.526, 0.318, 0.553,
    0.558, 0.229, 0.282, 0.498, 0.229, 0.840, 0.558, 0.543, 0.553, 0.553, 0.360, 0.446,
    0.334, 0.558, 0.498, 0.742, 0.495, 0.498, 0.444, 0.480, 0.382, 0.480, 0.728};

// Margin for a wider substitute font (DejaVu Sans runs about 15 % wider).
constexpr double kSubstituteMargin = 1.15;

}  // namespace

double TextWidth(std::string_view text, double size) {
    double em = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        std::size_t n = Utf8SequenceAt(text, i, &cp);
        if (n == 0) {
            n = 1;
            cp = static_cast<unsigned char>(text[i]);
        }
        if (cp >= 0x20 && cp < 0x7F)
            em += kTahoma[cp - 0x20];
        else if (cp == U'‰')
            em += 1.3;
        else if (cp >= 0x80)
            em += 0.65;  // umlauts and other letters
        i += n;
    }
    return em * size * kSubstituteMargin;
}

// ---------------------------------------------------------------------------------------
// Reader

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Destinations whose text is not document text.
bool SkippedDestination(std::string_view word) {
    static constexpr std::string_view kSkipped[] = {
        "fonttbl",      "colortbl",  "stylesheet",
        "info",         "pict",      "header",
        "headerl",      "headerr",   "headerf",
        "footer",       "footerl",   "footerr",
        "footerf",      "listtable", "listoverridetable",
        "rsidtbl",      "generator", "xmlnstbl",
        "latentstyles", "themedata", "colorschememapping",
        "datastore",    "filetbl",   "revtbl",
        "object",       "fldinst",   "pntext",
        "pntxta",       "pntxtb",    "footnote"};
    for (std::string_view s : kSkipped)
        if (word == s) return true;
    return false;
}

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : s_(rtf) {}

    std::string Run() {
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '{') {
                stack_.push_back(state_);
                groupStart_ = true;
                ++i_;
            } else if (c == '}') {
                if (!stack_.empty()) {
                    state_ = stack_.back();
                    stack_.pop_back();
                }
                groupStart_ = false;
                ++i_;
            } else if (c == '\\') {
                ++i_;
                Control();
            } else {
                ++i_;
                if (c != '\r' && c != '\n') Byte(static_cast<unsigned char>(c));
                groupStart_ = false;
            }
        }
        FlushSurrogate();
        return out_;
    }

private:
    struct State {
        bool skip = false;
        int uc = 1;
    };

    void Emit(std::string_view text) {
        if (state_.skip) return;
        FlushSurrogate();
        out_ += text;
    }

    // A character of text: a plain byte or \'xx, read as cp1252.
    void Byte(unsigned char b) {
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        if (b < 0x80)
            Emit(std::string(1, static_cast<char>(b)));
        else
            Emit(Cp1252ToUtf8(std::string(1, static_cast<char>(b))));
    }

    void Control() {
        if (i_ >= s_.size()) return;
        const char c = s_[i_];
        if (!IsLetter(c)) {
            ++i_;
            Symbol(c);
            groupStart_ = false;
            return;
        }
        const std::size_t w0 = i_;
        while (i_ < s_.size() && IsLetter(s_[i_])) ++i_;
        const std::string_view word = s_.substr(w0, i_ - w0);
        bool hasParam = false;
        long param = 0;
        const std::size_t p0 = i_;
        const auto digitAt = [this](std::size_t k) {
            return k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]));
        };
        if (digitAt(i_) || (i_ < s_.size() && s_[i_] == '-' && digitAt(i_ + 1))) {
            ++i_;
            while (digitAt(i_)) ++i_;
            param = std::strtol(std::string(s_.substr(p0, i_ - p0)).c_str(), nullptr, 10);
            hasParam = true;
        }
        if (i_ < s_.size() && s_[i_] == ' ') ++i_;
        if (groupStart_ && SkippedDestination(word)) state_.skip = true;
        groupStart_ = false;
        Word(word, hasParam, param);
    }

    void Symbol(char c) {
        switch (c) {
            case '\\':
            case '{':
            case '}':
                Byte(static_cast<unsigned char>(c));
                break;
            case '\'': {
                const std::string hex(s_.substr(i_, 2));
                i_ = std::min(i_ + 2, s_.size());
                const auto isHex = [](char h) {
                    return std::isxdigit(static_cast<unsigned char>(h)) != 0;
                };
                if (hex.size() == 2 && isHex(hex[0]) && isHex(hex[1]))
                    Byte(static_cast<unsigned char>(std::strtoul(hex.c_str(), nullptr, 16)));
                break;
            }
            case '*':
                if (groupStart_) state_.skip = true;
                break;
            case '~':
                Emit("\u00A0");
                break;
            case '_':
                Emit("-");
                break;
            case '\r':
            case '\n':
                Emit("\n");
                break;
            default:
                break;  // \- optional hyphen, \| and the rest
        }
    }

    void Word(std::string_view word, bool hasParam, long param) {
        if (word == "par" || word == "line" || word == "sect" || word == "page")
            Emit("\n");
        else if (word == "tab")
            Emit("\t");
        else if (word == "uc" && hasParam)
            state_.uc = static_cast<int>(param);
        else if (word == "u" && hasParam)
            Unicode(param);
        else if (word == "emdash")
            Emit("—");
        else if (word == "endash")
            Emit("–");
        else if (word == "lquote")
            Emit("‘");
        else if (word == "rquote")
            Emit("’");
        else if (word == "ldblquote")
            Emit("“");
        else if (word == "rdblquote")
            Emit("”");
        else if (word == "bullet")
            Emit("•");
    }

    void Unicode(long n) {
        const auto unit = static_cast<char32_t>(n < 0 ? n + 65536 : n);
        if (!state_.skip) {
            if (unit >= 0xD800 && unit < 0xDC00) {
                FlushSurrogate();
                highSurrogate_ = unit;
            } else if (unit >= 0xDC00 && unit < 0xE000 && highSurrogate_) {
                AppendUtf8(out_, 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                highSurrogate_ = 0;
            } else {
                FlushSurrogate();
                AppendUtf8(out_, unit);
            }
        }
        fallback_ = state_.uc;
    }

    // A high surrogate without its low half stands for nothing readable.
    void FlushSurrogate() {
        if (highSurrogate_) AppendUtf8(out_, U'\uFFFD');
        highSurrogate_ = 0;
    }

    std::string_view s_;
    std::size_t i_ = 0;
    State state_;
    std::vector<State> stack_;
    bool groupStart_ = false;
    int fallback_ = 0;  // characters still to skip after \u
    char32_t highSurrogate_ = 0;
    std::string out_;
};

}  // namespace

std::string RtfToText(std::string_view rtf) {
    return RtfReader(rtf).Run();
}

}  // namespace gvm
