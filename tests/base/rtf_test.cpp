#include "base/rtf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace gvm {
namespace {

using testing::HasSubstr;

TEST(Rtf, TextSurvivesTheRoundTrip) {
    TRichText doc;
    const char* lines[] = {
        "\tNr\tXu\tS1[i]",
        "\t\t[m]\t[‰]",
        "Größe über Maß: 5 € „Zitat“",
        "{Klammern} und \\Backslash\\ und \\par als Text",
        "中文 und 😀",
        "",
        "  ",
    };
    for (const char* l : lines) doc.Add(l);
    doc.Format(3, 12, true, 5);
    const std::string expected =
        "\tNr\tXu\tS1[i]\n\t\t[m]\t[‰]\nGröße über Maß: 5 € „Zitat“\n{Klammern} und \\Backslash\\ "
        "und \\par als "
        "Text\n中文 und 😀\n\n  \n";
    EXPECT_EQ(doc.PlainText(), expected);
    const std::string rtf = doc.ToRtf();
    EXPECT_EQ(RtfToText(rtf), expected);
    // Plain 7-bit RTF: everything else is escaped.
    for (char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(Rtf, WritesStopsFontSizeAndFormattedRuns) {
    TRichText doc;
    doc.SetTabs({{10, TabAlign::Left},
                 {20, TabAlign::Center},
                 {30.5, TabAlign::Right},
                 {40, TabAlign::Decimal}});
    doc.Add("\ta\tb\tc\t1.5");
    doc.SetTabs({});
    doc.Add("Eingabedaten der Neigungen: N1");
    doc.Format(11, 11 + 28, false, 5);      // "Eingabedaten der Neigungen: "
    doc.Format(11 + 28, 11 + 30, true, 5);  // "N1"
    doc.Add("Ärger ‰ 中 😀 {x}");
    const std::string rtf = doc.ToRtf();
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0", 0), 0u);
    EXPECT_THAT(rtf, HasSubstr("{\\fonttbl{\\f0\\fswiss\\fcharset0 Tahoma;}}"));
    EXPECT_THAT(
        rtf,
        HasSubstr(
            "\\pard\\tx200\\tqc\\tx400\\tqr\\tx610\\tqdec\\tx800\\plain\\f0\\fs16 \\tab a\\tab b"));
    EXPECT_THAT(
        rtf,
        HasSubstr(
            "\\pard\\plain\\f0\\fs16 {\\fs26 Eingabedaten der Neigungen: }{\\b\\fs26 N1}\\par"));
    EXPECT_THAT(rtf, HasSubstr("\\'c4rger \\'89 \\u20013? \\u-10179?\\u-8704? \\{x\\}\\par"));
}

TEST(Rtf, FormatSplitsRunsAcrossParagraphs) {
    TRichText doc;
    doc.Add("abc");
    doc.Add("defgh");
    doc.Format(1, 6, true, 2);  // "bc", the line feed, "de"
    const auto& p = doc.Paragraphs();
    ASSERT_EQ(p[0].runs.size(), 2u);
    EXPECT_EQ(p[0].runs[0].text, "a");
    EXPECT_FALSE(p[0].runs[0].bold);
    EXPECT_EQ(p[0].runs[1].text, "bc");
    EXPECT_TRUE(p[0].runs[1].bold);
    EXPECT_EQ(p[0].runs[1].size, 10);
    ASSERT_EQ(p[1].runs.size(), 2u);
    EXPECT_EQ(p[1].runs[0].text, "de");
    EXPECT_TRUE(p[1].runs[0].bold);
    EXPECT_EQ(p[1].runs[1].text, "fgh");
    EXPECT_EQ(doc.PlainText(), "abc\ndefgh\n");
}

TEST(Rtf, ReadsWhatWordProcessorsWrite) {
    const struct {
        const char* rtf;
        const char* text;
    } cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 "
         "Tahoma;}}\r\n"
         "{\\colortbl ;\\red255\\green0\\blue0;}\r\n{\\*\\generator Riched20 "
         "10.0.19041}\\viewkind4\\uc1 \r\n"
         "\\pard\\tx200\\tqdec\\tx1200\\f0\\fs16 Gr\\'f6\\'dfe\\tab 5\\'89\\par\r\n{\\b "
         "fett}\\par\r\n}",
         "Größe\t5‰\nfett\n"},
        // \uN with its fallback characters, for \uc1, \uc0 and \uc2.
        {"{\\rtf1 a\\u8364?b\\par}", "a€b\n"},
        {"{\\rtf1\\uc0 a\\u8364 b\\par}", "a€b\n"},
        {"{\\rtf1\\uc2 a\\u8364\\'3f\\'3fb\\par}", "a€b\n"},
        {"{\\rtf1 {\\uc2 x\\u8364??}y\\u8364?z}", "x€y€z"},
        // Negative values and surrogate pairs.
        {"{\\rtf1 \\u-10179?\\u-8704?}", "😀"},
        // Escaped symbols, a line break, the info and \* groups skipped.
        {"{\\rtf1{\\info{\\title Titel}}\\{a\\}\\\\b\\line c{\\*\\unknown d}e\\~f}",
         "{a}\\b\nce\u00A0f"},
    };
    for (const auto& c : cases) EXPECT_EQ(RtfToText(c.rtf), c.text) << c.rtf;
}

TEST(Rtf, ReaderToleratesBrokenInput) {
    TRichText doc;
    doc.Add("Größe\t{x} 中 😀 ‰");
    doc.Format(0, 4, true, 5);
    const std::string rtf = doc.ToRtf();
    // Every cut of a document reads without running past its end.
    for (std::size_t n = 0; n <= rtf.size(); ++n) RtfToText(rtf.substr(0, n));
    EXPECT_EQ(RtfToText("a}}}b{{"), "ab");
    EXPECT_EQ(RtfToText("a\\u-x\\'4"), "a-x");
    EXPECT_EQ(RtfToText("\\u55357?"), "\uFFFD");  // a high surrogate alone
}

}  // namespace
}  // namespace gvm
