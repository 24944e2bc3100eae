#include <gtest/gtest.h>

#include "base/text.h"
#include "cli/cli_port.h"

namespace gvm {
namespace {

TEST(Text, SubstituteInsertsArgumentsAsPlainText) {
    const struct {
        const char* pattern;
        std::initializer_list<std::string_view> args;
        const char* expected;
    } cases[] = {
        {"Gleisvariante \"%s\" kann nicht gelöscht werden.", {"G1"}, "Gleisvariante \"G1\" kann nicht gelöscht werden."},
        // A name that looks like a format is never read as one.
        {"Rollot \"%s\"", {"%s%d%n"}, "Rollot \"%s%d%n\""},
        {"%s und %s", {"A", "B"}, "A und B"},
        {"%s und %s", {"A"}, "A und %s"},
        {"100 % sicher", {"x"}, "100 % sicher"},
    };
    for (const auto& c : cases) EXPECT_EQ(Substitute(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(Text, Utf8CountsAndCutsWholeCharacters) {
    EXPECT_EQ(Utf8Length("Rollöte"), 7u);
    EXPECT_EQ(Utf8Left("Rollöte", 5), "Rollö");
    EXPECT_EQ(Utf8Left("Rollöte", 4), "Roll");
    EXPECT_EQ(Utf8Left("€€€", 2), "€€");
    EXPECT_EQ(Utf8Left("abc", 10), "abc");
    EXPECT_TRUE(IsValidUtf8("Größe 😀 und mehr Text über acht Bytes"));
    EXPECT_FALSE(IsValidUtf8("Gr\xF6\xDF" "e"));        // Windows-1252 bytes
    EXPECT_FALSE(IsValidUtf8("abcdefgh\xC3"));          // cut after a lead byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));              // overlong
}

TEST(Text, Cp1252DecodesTheWindowsCodePage) {
    EXPECT_EQ(Cp1252ToUtf8("Gr\xF6\xDF" "e \x80 \x84" "a\x93"), "Größe € „a“");
}

TEST(Text, NamesCompareWithoutLetterCase) {
    EXPECT_TRUE(IEquals("ID_Gleis", "id_gleis"));
    EXPECT_FALSE(IEquals("ID_Gleis", "ID_Gleise"));
    EXPECT_EQ(AsciiLower("SimFallName"), "simfallname");
}

TEST(Text, TerminalTextTurnsTheSystemsLineBreaksIntoNewlines) {
    EXPECT_EQ(cli::TerminalText("a\n\rb\r\nc\rd\ne"), "a\nb\nc\nd\ne");
    EXPECT_EQ(cli::TerminalText("a\n\r\n\rb"), "a\n\nb");
}

}  // namespace
}  // namespace gvm
