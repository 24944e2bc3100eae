#include "base/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <system_error>

namespace gvm {

namespace {

// |v| = d0.d1d2... * 10^exp. Digits past the end of `digits` are zero; an empty `digits` is 0.
struct Decimal {
    std::string digits;
    int exp = 0;
    bool negative = false;

    bool IsZero() const { return digits.empty(); }
    // The digit standing for 10^pos.
    char At(int pos) const {
        const int i = exp - pos;
        return i >= 0 && i < static_cast<int>(digits.size()) ? digits[i] : '0';
    }
};

void StripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

// 17 significant digits identify every double and to_chars rounds them correctly from the
// binary value; all later rounding works on this digit string, as the Delphi runtime does.
Decimal ToDecimal(double v) {
    char buf[32];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 16);
    const std::string_view s(buf, res.ptr - buf);  // "d.dddddddddddddddde+XX"
    const auto e = s.find('e');
    Decimal d;
    d.negative = std::signbit(v);
    d.digits.reserve(e);
    d.digits.push_back(s[0]);
    d.digits.append(s.substr(2, e - 2));
    d.exp = std::atoi(std::string(s.substr(e + 1)).c_str());
    StripTrailingZeros(d);
    if (d.IsZero()) d.exp = 0;
    return d;
}

// Keeps `keep` significant digits, rounding half away from zero; keep <= 0 may round to zero
// or up to a single 1 in the next higher place.
void RoundTo(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    StripTrailingZeros(d);
}

std::optional<std::string> NonFinite(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    return std::nullopt;
}

std::string PadLeft(std::string s, int w) {
    if (static_cast<int>(s.size()) < w) s.insert(0, w - s.size(), ' ');
    return s;
}

}  // namespace

NumberFormat NumberFormat::FromSystemLocale() {
    NumberFormat nf;
    try {
        if (std::use_facet<std::numpunct<char>>(std::locale("")).decimal_point() == ',') {
            nf.decimalSeparator = ',';
        }
    } catch (const std::runtime_error&) {
        // LANG/LC_* names a locale that is not installed: keep '.'.
    }
    return nf;
}

std::string FormatFloatF(double v, int precision, int decimals, const NumberFormat& nf) {
    if (auto s = NonFinite(v)) return *s;
    precision = std::clamp(precision, 1, 18);
    decimals = std::clamp(decimals, 0, 18);
    Decimal d = ToDecimal(v);

    // The precision rounding decides the notation: 9999.6 with precision 4 is 1.000E+04.
    Decimal p = d;
    RoundTo(p, precision);
    if (!p.IsZero() && p.exp + 1 > precision) {
        std::string out = p.negative ? "-" : "";
        out += p.At(p.exp);
        if (precision > 1) out += nf.decimalSeparator;
        for (int i = 1; i < precision; ++i) out += p.At(p.exp - i);
        const int e = std::abs(p.exp);
        out += p.exp < 0 ? "E-" : "E+";
        if (e < 10) out += '0';
        return out + std::to_string(e);
    }

    // One rounding at whichever cut comes first, the significant digits or the decimals.
    RoundTo(d, std::min(precision, d.exp + 1 + decimals));
    std::string out = d.negative && !d.IsZero() ? "-" : "";
    for (int pos = std::max(d.exp, 0); pos >= 0; --pos) out += d.At(pos);
    if (decimals > 0) out += nf.decimalSeparator;
    for (int pos = -1; pos >= -decimals; --pos) out += d.At(pos);
    return out;
}

std::string FormatWD(double v, int w, int d, const NumberFormat& nf) {
    return PadLeft(FormatFloatF(v, w, d, nf), w);
}

std::string FormatGeneral(double v, const NumberFormat& nf) {
    constexpr int kPrecision = 15;
    if (auto s = NonFinite(v)) return *s;
    Decimal d = ToDecimal(v);
    RoundTo(d, kPrecision);
    if (d.IsZero()) return "0";

    std::string out = d.negative ? "-" : "";
    const int last = d.exp - static_cast<int>(d.digits.size()) + 1;  // lowest nonzero place
    if (d.exp >= kPrecision || d.exp < -4) {
        out += d.digits[0];
        if (d.digits.size() > 1) out += nf.decimalSeparator + d.digits.substr(1);
        return out + "E" + std::to_string(d.exp);
    }
    for (int pos = std::max(d.exp, 0); pos >= 0; --pos) out += d.At(pos);
    if (last < 0) out += nf.decimalSeparator;
    for (int pos = -1; pos >= last; --pos) out += d.At(pos);
    return out;
}

std::string FormatRoundTrip(double v) {
    if (v == 0) return "0";  // also for -0.0: the file format has no signed zero
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::optional<double> ParseFloat(std::string_view text, const NumberFormat& nf) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        // from_chars would accept the sign that follows: "+-1" is not a number.
        if (text.empty() || text.front() == '-') return std::nullopt;
    }

    std::string s(text);
    for (char& c : s) {
        if (c == nf.decimalSeparator) {
            c = '.';
        } else if (c == '.' || c == ',') {
            return std::nullopt;  // the other separator: "1.5" is not 1.5 for a ',' user
        }
    }
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string FormatIntW(long long v, int w) {
    return PadLeft(std::to_string(v), w);
}

}  // namespace gvm
