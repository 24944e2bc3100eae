#pragma once
// A small rich-text document of paragraphs (lines) with per-paragraph tab stops and runs of
// bold or larger text, written as RTF 1.x; and a reader that turns RTF back into plain text.
// Texts are UTF-8; the RTF holds cp1252 characters as \'xx and the rest as \uN.

#include <string>
#include <string_view>
#include <vector>

namespace gvm {

enum class TabAlign { Left, Center, Right, Decimal };

struct TabStop {
    double pos = 0;  // from the left margin [pt]
    TabAlign align = TabAlign::Left;
};

struct RtfRun {
    std::string text;  // UTF-8, may hold tabs
    bool bold = false;
    double size = 0;  // [pt]; 0: the document's size
};

struct RtfParagraph {
    std::vector<TabStop> tabs;
    std::vector<RtfRun> runs;
    std::string Text() const;
};

class TRichText {
public:
    explicit TRichText(std::string font = "Tahoma", double size = 8)
        : font_(std::move(font)), size_(size) {}

    // Tab stops of the paragraphs added from now on.
    void SetTabs(std::vector<TabStop> tabs) { tabs_ = std::move(tabs); }
    const std::vector<TabStop>& Tabs() const { return tabs_; }
    // Adds one paragraph in normal text; a line feed in `line` is kept as part of the text.
    void Add(std::string_view line);

    // Formats the bytes [from, to) of the whole text (paragraphs joined by '\n'): bold and
    // `sizeDelta` points larger than the document's size.
    void Format(std::size_t from, std::size_t to, bool bold, double sizeDelta);

    const std::vector<RtfParagraph>& Paragraphs() const { return paras_; }
    const std::string& Font() const { return font_; }
    double Size() const { return size_; }

    // Every paragraph followed by '\n'.
    std::string PlainText() const;
    std::string ToRtf() const;

private:
    std::string font_;
    double size_;
    std::vector<TabStop> tabs_;
    std::vector<RtfParagraph> paras_;
};

// Estimated printed width [pt] of a UTF-8 text in Tahoma of `size` points. Errs on the wide
// side, so that stops computed from it also hold with a wider substitute font.
double TextWidth(std::string_view text, double size = 8);

// The plain text of an RTF document: '\t' for tabs, '\n' for paragraph and line ends,
// \'xx (cp1252) and \uN decoded to UTF-8; font, colour and style tables, \* destinations,
// pictures and document information skipped.
std::string RtfToText(std::string_view rtf);

}  // namespace gvm
