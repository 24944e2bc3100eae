#pragma once
// Number texts for messages, protocols and tables. The wording of these texts comes from the
// Delphi predecessor, so FormatFloatF/FormatGeneral reproduce FloatToStrF(ffFixed)/FloatToStr.

#include <optional>
#include <string>
#include <string_view>

namespace gvm {

struct NumberFormat {
    char decimalSeparator = '.';
    // The user's "" locale decides between '.' and ','; anything else, or a broken locale
    // setting, falls back to '.'.
    static NumberFormat FromSystemLocale();
};

// Fixed point with `decimals` decimals (0..18) after rounding to at most `precision` significant
// digits (1..18); out-of-range arguments are clamped. Rounding is half away from zero on the
// 17-significant-digit decimal form of the value, as Delphi does, so 2.675 (binary
// 2.67499999...) gives "2.67" while 0.125 gives "0.13". Never "-0.00".
// More integer digits than `precision` switch to "d.dddE+XX" with `precision` digits.
// NaN -> "NAN", infinities -> "INF"/"-INF".
std::string FormatFloatF(double v, int precision, int decimals, const NumberFormat& nf = {});

// FormatFloatF(v, w, d) right-aligned in `w` characters; a longer text is never cut.
std::string FormatWD(double v, int w, int d, const NumberFormat& nf = {});

// Delphi FloatToStr: 15 significant digits, no trailing zeros. Fixed notation for
// 1E-4 <= |v| < 1E15 and for 0 (Delphi's real threshold: 0.00005 gives "5E-5"), otherwise
// "1.5E20"/"-1E-5" with no exponent padding.
std::string FormatGeneral(double v, const NumberFormat& nf = {});

// Shortest text that reads back to the identical double; always '.', "599" for whole numbers,
// exponent ("1e+20") where shorter. -0.0 gives "0".
std::string FormatRoundTrip(double v);

// A user-typed number written with `nf.decimalSeparator` (the other separator is rejected).
// Surrounding blanks and a leading '+' are accepted; partial, out-of-range or non-finite
// input gives nullopt. Independent of the process locale.
std::optional<double> ParseFloat(std::string_view text, const NumberFormat& nf = {});

// Integer right-aligned in `w` characters (step numbers); never cut.
std::string FormatIntW(long long v, int w);

}  // namespace gvm
