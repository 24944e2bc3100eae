#include "base/numfmt.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <optional>
#include <string>

namespace gvm {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const NumberFormat kComma{','};

struct FixedCase {
    double v;
    int precision;
    int decimals;
    const char* expected;
};

TEST(FormatFloatF, RoundsLikeDelphi) {
    const FixedCase cases[] = {
        {123.456, 4, 2, "123.50"},  // precision cuts before the decimals, zeros fill
        {12.3456, 4, 2, "12.35"},
        {1.23456, 4, 2, "1.23"},  // a single rounding at the earlier cut, not 1.235 -> 1.24
        {0.5, 4, 0, "1"},         // ties go away from zero
        {1.5, 4, 0, "2"},
        {2.5, 4, 0, "3"},
        {-2.5, 4, 0, "-3"},
        {0.125, 4, 2, "0.13"},  // exact binary tie
        {2.675, 4, 2, "2.67"},  // binary value is 2.67499999...
        {1.005, 4, 2, "1.00"},  // binary value is 1.00499999...
        {0.005, 4, 2, "0.01"},  // binary value is 0.00500000...01
        {0.4, 4, 0, "0"},
        {9.996, 4, 2, "10.00"},   // carry adds an integer digit
        {99.5, 2, 0, "1.0E+02"},  // carry pushes past the precision
        {0.000123456, 3, 6, "0.000123"},
        {1000000000000000.5, 18, 0, "1000000000000001"},
        {-3.14159, 18, 18, "-3.141589999999999900"},  // 17 digits of the binary value, then zeros
        {7, 1, 3, "7.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloatF(c.v, c.precision, c.decimals), c.expected)
            << c.v << " p=" << c.precision << " d=" << c.decimals;
    }
}

TEST(FormatFloatF, ZeroIsNeverNegative) {
    for (double v : {0.0, -0.0, -0.001, -0.004999, -1e-300}) {
        EXPECT_EQ(FormatFloatF(v, 4, 2), "0.00") << v;
        EXPECT_EQ(FormatFloatF(v, 4, 0), "0") << v;
    }
}

TEST(FormatFloatF, TooManyIntegerDigitsUseExponent) {
    const FixedCase cases[] = {
        {123456, 4, 2, "1.235E+05"}, {-123456, 4, 2, "-1.235E+05"}, {100000, 4, 0, "1.000E+05"},
        {9999.6, 4, 2, "1.000E+04"},  // only the rounded value has 5 integer digits
        {9999.4, 4, 2, "9999.00"},   {12, 1, 0, "1E+01"},           {1.5e123, 3, 1, "1.50E+123"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloatF(c.v, c.precision, c.decimals), c.expected)
            << c.v << " p=" << c.precision << " d=" << c.decimals;
    }
}

TEST(FormatFloatF, ClampsArguments) {
    EXPECT_EQ(FormatFloatF(2.5, 0, -1), "3");  // precision 1, no decimals
    EXPECT_EQ(FormatFloatF(0.1, 40, 30), FormatFloatF(0.1, 18, 18));
}

TEST(FormatFloatF, NonFiniteAndSeparator) {
    EXPECT_EQ(FormatFloatF(kNaN, 4, 2), "NAN");
    EXPECT_EQ(FormatFloatF(kInf, 4, 2), "INF");
    EXPECT_EQ(FormatFloatF(-kInf, 4, 2), "-INF");
    EXPECT_EQ(FormatFloatF(-12.3456, 4, 2, kComma), "-12,35");
    EXPECT_EQ(FormatFloatF(123456, 4, 2, kComma), "1,235E+05");
}

TEST(FormatWD, PadsButNeverCuts) {
    EXPECT_EQ(FormatWD(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(FormatWD(-1, 6, 1), "  -1.0");
    EXPECT_EQ(FormatWD(2.5, 5, 1, kComma), "  2,5");
    EXPECT_EQ(FormatWD(123456, 4, 2), "1.235E+05");
    EXPECT_EQ(FormatWD(999.0, 3, 1), "999.0");
}

struct GeneralCase {
    double v;
    const char* expected;
};

TEST(FormatGeneral, MatchesFloatToStr) {
    const GeneralCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {0.1, "0.1"},
        {100, "100"},
        {-2.5, "-2.5"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.1 + 0.2, "0.3"},  // the binary noise lies past digit 15
        {1e-4, "0.0001"},
        {-0.000123, "-0.000123"},
        {1e-5, "1E-5"},  // below 1E-4 Delphi switches to scientific
        {5e-5, "5E-5"},
        {-1.2345e-7, "-1.2345E-7"},
        {999999999999999.0, "999999999999999"},
        {999999999999999.9, "1E15"},  // rounding reaches the limit
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1234567890.123456789, "1234567890.12346"},
        {1e100, "1E100"},
        {DBL_MIN, "2.2250738585072E-308"},
        // Exact value 0.46629907748964349867...: the 17-digit pre-rounding makes it a tie.
        {0.4662990774896435, "0.466299077489644"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.v), c.expected) << c.v;
}

TEST(FormatGeneral, NonFiniteAndSeparator) {
    EXPECT_EQ(FormatGeneral(kNaN), "NAN");
    EXPECT_EQ(FormatGeneral(kInf), "INF");
    EXPECT_EQ(FormatGeneral(-kInf), "-INF");
    EXPECT_EQ(FormatGeneral(-2.5, kComma), "-2,5");
    EXPECT_EQ(FormatGeneral(1.5e20, kComma), "1,5E20");
}

TEST(FormatRoundTrip, ReadsBackBitIdentical) {
    const double values[] = {0.1,    1.0 / 3, -2.5,    599,        1e22,      1e-300,
                             5e-324, DBL_MAX, DBL_MIN, 123456.789, 0.1 + 0.2, -7e-12};
    for (double v : values) {
        const std::string s = FormatRoundTrip(v);
        double back = 0;
        const auto res = std::from_chars(s.data(), s.data() + s.size(), back);
        ASSERT_EQ(res.ec, std::errc()) << s;
        EXPECT_EQ(res.ptr, s.data() + s.size()) << s;
        EXPECT_EQ(std::bit_cast<unsigned long long>(back), std::bit_cast<unsigned long long>(v))
            << s;
    }
}

TEST(FormatRoundTrip, ShortestForms) {
    EXPECT_EQ(FormatRoundTrip(599), "599");
    EXPECT_EQ(FormatRoundTrip(0.1), "0.1");
    EXPECT_EQ(FormatRoundTrip(-0.0), "0");
    EXPECT_EQ(FormatRoundTrip(1e22), "1e+22");
    EXPECT_EQ(FormatRoundTrip(1.5e-9), "1.5e-09");
}

struct ParseCase {
    const char* text;
    char separator;
    std::optional<double> expected;
};

TEST(ParseFloat, AcceptsOnlyCompleteNumbers) {
    const ParseCase cases[] = {
        {"1.5", '.', 1.5},
        {"  1.5\t", '.', 1.5},
        {"1,5", ',', 1.5},
        {"-2,5e2", ',', -250},
        {"+3", '.', 3},
        {".5", '.', 0.5},
        {"7.", '.', 7},
        {"1e3", '.', 1000},
        {"1.5", ',', std::nullopt},  // wrong separator must not silently read as 15 or 1
        {"1,5", '.', std::nullopt},
        {"1.000,5", ',', std::nullopt},
        {"", '.', std::nullopt},
        {"   ", '.', std::nullopt},
        {"1.5x", '.', std::nullopt},
        {"1 5", '.', std::nullopt},
        {"1e", '.', std::nullopt},
        {"+", '.', std::nullopt},
        {"+-1", '.', std::nullopt},
        {"--1", '.', std::nullopt},
        {"abc", '.', std::nullopt},
        {"0x10", '.', std::nullopt},
        {"inf", '.', std::nullopt},
        {"nan", '.', std::nullopt},
        {"1e400", '.', std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFloat(c.text, NumberFormat{c.separator}), c.expected)
            << '"' << c.text << "\" sep=" << c.separator;
    }
}

TEST(ParseFloat, ReadsBackFormattedTexts) {
    for (double v : {0.1, -2.5, 1.0 / 3, 1.5e20, -1e-5}) {
        for (const NumberFormat& nf : {NumberFormat{}, kComma}) {
            const std::string text = FormatGeneral(v, nf);
            const auto back = ParseFloat(text, nf);
            ASSERT_TRUE(back.has_value()) << text;
            EXPECT_NEAR(*back, v, std::fabs(v) * 1e-14) << text;  // 15 significant digits
        }
    }
}

TEST(FormatIntW, PadsButNeverCuts) {
    EXPECT_EQ(FormatIntW(7, 4), "   7");
    EXPECT_EQ(FormatIntW(-12, 4), " -12");
    EXPECT_EQ(FormatIntW(12345, 3), "12345");
    EXPECT_EQ(FormatIntW(0, 0), "0");
    EXPECT_EQ(FormatIntW(std::numeric_limits<long long>::min(), 1), "-9223372036854775808");
}

// Sets LC_ALL for one scope; std::locale("") reads it on each call.
class ScopedLcAll {
  public:
    explicit ScopedLcAll(const char* value) {
        if (const char* old = std::getenv("LC_ALL")) old_ = old;
        setenv("LC_ALL", value, 1);
    }
    ~ScopedLcAll() {
        if (old_) {
            setenv("LC_ALL", old_->c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    ScopedLcAll(const ScopedLcAll&) = delete;
    ScopedLcAll& operator=(const ScopedLcAll&) = delete;

  private:
    std::optional<std::string> old_;
};

TEST(NumberFormat, FromSystemLocale) {
    {
        ScopedLcAll lc("C");
        EXPECT_EQ(NumberFormat::FromSystemLocale().decimalSeparator, '.');
    }
    {
        ScopedLcAll lc("xx_NOWHERE.UTF-8");  // not installed: must not throw
        EXPECT_EQ(NumberFormat::FromSystemLocale().decimalSeparator, '.');
    }
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        try {
            std::locale probe(name);
        } catch (const std::runtime_error&) {
            continue;
        }
        ScopedLcAll lc(name);
        EXPECT_EQ(NumberFormat::FromSystemLocale().decimalSeparator, ',') << name;
    }
}

}  // namespace
}  // namespace gvm
