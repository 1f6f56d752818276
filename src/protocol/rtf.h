// Rich text of notice bodies: the subset of RTF the notice editor writes and reads — GBK bytes as
// \'hh (code page 936), \uN with its \ucN fallback, \b \i \ul \fs \cf \f, the font and colour
// tables, \par, \line and \tab. Pictures (\pict), embedded objects (\object) and every other
// destination are skipped with their groups. The reader never fails and never recurses: groups
// nested deeper than a limit are read as text-less, an unterminated group ends with the input,
// and what it builds is bounded by the input's length.
//
// The document model holds its text as UTF-8 (it meets Unicode through \uN and Qt at the widget
// boundary); the bytes of the RTF itself are what travels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::protocol {

struct RtfRun {
    std::string text; // UTF-8; '\n' a line break inside the paragraph, '\t' a tab
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0; // \fs; 0 = the default size
    bool hasColour = false;
    uint32_t colour = 0; // 0xRRGGBB when hasColour
    std::string font;    // UTF-8 face name; empty = the default font

    bool sameLook(const RtfRun& o) const {
        return bold == o.bold && italic == o.italic && underline == o.underline &&
               halfPoints == o.halfPoints && hasColour == o.hasColour && colour == o.colour && font == o.font;
    }
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;

    // The text alone, paragraphs joined with "\n".
    std::string plainText() const;
};

struct RtfLimits {
    size_t maxDepth = 64; // deeper groups contribute no text
};

// Reads RTF (or, when the bytes do not begin with "{\rtf", plain GBK text with CR/LF line ends).
RtfDocument readRtf(std::string_view bytes, const RtfLimits& limits = {});
// Writes RTF that readRtf reads back to the same document (runs of the same look merged).
std::string writeRtf(const RtfDocument& doc);

} // namespace vantor::protocol
