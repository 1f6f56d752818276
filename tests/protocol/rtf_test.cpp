// The notice body's rich text: a table of RTF inputs and what they read as (GBK escapes, \uN with
// its fallback, formatting, tables, skipped destinations, broken and hostile input), and writing
// a document back.
#include "protocol/rtf.h"

#include <gtest/gtest.h>

using namespace vantor::protocol;

namespace {

// Paragraphs as "|"-joined text, runs marked: *bold*, /italic/, _underline_, [size], <#rrggbb>.
std::string describe(const RtfDocument& d) {
    std::string s;
    for (size_t i = 0; i < d.paragraphs.size(); ++i) {
        if (i) s += "|";
        for (const auto& r : d.paragraphs[i].runs) {
            std::string t = r.text;
            if (r.bold) t = "*" + t + "*";
            if (r.italic) t = "/" + t + "/";
            if (r.underline) t = "_" + t + "_";
            if (r.halfPoints) t = "[" + std::to_string(r.halfPoints) + "]" + t;
            if (r.hasColour) {
                char c[16];
                std::snprintf(c, sizeof c, "<#%06x>", r.colour);
                t = c + t;
            }
            if (!r.font.empty()) t = "{" + r.font + "}" + t;
            s += t;
        }
    }
    return s;
}

TEST(Rtf, ReadsTheSubsetNoticesUse) {
    struct Case {
        const char* what;
        std::string rtf;
        std::string expected;
    } cases[] = {
        {"plain", "{\\rtf1 Hello}", "Hello"},
        {"GBK escapes", "{\\rtf1\\ansi\\ansicpg936 \\'c4\\'da\\'b2\\'bf}", "内部"},
        {"\\u with fallback", "{\\rtf1\\uc1 \\u36890?\\u30693?}", "通知"},
        {"\\u negative, two fallback bytes", "{\\rtf1\\uc2 \\u-2\\'3f\\'3fx}",
         "\xEF\xBF\xBE"
         "x"},
        {"bold, italic, underline", "{\\rtf1 a\\b b\\b0 \\i c\\i0 \\ul d\\ulnone e}", "a*b*/c/_d_e"},
        {"size and colour",
         "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\fs28\\cf2 x\\cf1 "
         "y\\cf0\\fs0 z}",
         "<#0000ff>[28]x<#ff0000>[28]yz"},
        {"font table in GBK",
         "{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fswiss Arial;}}\\f1 a\\f0 "
         "b}",
         "{Arial}a{宋体}b"},
        {"groups restore the look", "{\\rtf1 a{\\b b}c}", "a*b*c"},
        {"paragraphs and lines", "{\\rtf1 a\\par b\\line c\\par}", "a|b\nc"},
        {"escaped braces", "{\\rtf1 \\{x\\}\\\\}", "{x}\\"},
        {"picture skipped", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "ab"},
        {"object skipped", "{\\rtf1 a{\\object{\\*\\objdata 0102}{\\result r}}b}", "ab"},
        {"unknown ignorable destination", "{\\rtf1 a{\\*\\generator x y;}{\\*\\zzz q}b}", "ab"},
        {"a link keeps its text, not its target",
         "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"file:///etc\"}{\\fldrslt here}} now}",
         "see here now"},
        {"unterminated group", "{\\rtf1 a{\\b b", "a*b*"},
        {"stray closing braces", "{\\rtf1 a}}}b", "ab"},
        {"cut escape", "{\\rtf1 a\\'c", "a"},
        {"huge numbers clamp", "{\\rtf1\\fs99999999999999 x}", "[3276]x"},
        {"not rtf: plain GBK lines", "line1\r\n\xc4\xda", "line1|内"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(readRtf(c.rtf)), c.expected) << c.what;
}

TEST(Rtf, DeepNestingIsBoundedAndDoesNotRecurse) {
    // A million open groups: no stack growth, text inside beyond the limit is dropped, the text
    // around it stays.
    std::string bomb = "{\\rtf1 a";
    bomb += std::string(1000000, '{') + "deep" + std::string(1000000, '}') + "b}";
    EXPECT_EQ(readRtf(bomb).plainText(), "ab");
    // Within the limit the text is kept.
    std::string ok = "{\\rtf1 " + std::string(30, '{') + "x" + std::string(30, '}') + "}";
    EXPECT_EQ(readRtf(ok).plainText(), "x");
}

TEST(Rtf, WritesWhatItReadsBack) {
    RtfDocument d;
    RtfRun a;
    a.text = "通知 {a\\b}";
    a.font = "宋体";
    a.halfPoints = 20;
    RtfRun b;
    b.text = "粗体";
    b.bold = true;
    b.hasColour = true;
    b.colour = 0x1D8AFA;
    RtfRun c;
    c.text = "emoji 😀 and ₩ mixed\tx";
    c.italic = true;
    c.underline = true;
    d.paragraphs.push_back({{a, b}});
    d.paragraphs.push_back({});
    d.paragraphs.push_back({{c}});
    const std::string rtf = writeRtf(d);
    for (char ch : rtf)
        ASSERT_LT(uint8_t(ch), 0x80) << "7-bit output";
    EXPECT_EQ(describe(readRtf(rtf)), describe(d));
}

} // namespace
