// The chat font's text form.
#include "settings/font_text.h"

#include <gtest/gtest.h>

namespace vantor::settings {
namespace {

TEST(FontText, Writing) {
    struct Case {
        FontSpec font;
        const char* text;
    };
    const Case cases[] = {
        {{"\xCB\xCE\xCC\xE5", 0x000000, 9, FontPitch::Default}, "\xCB\xCE\xCC\xE5,clBlack,9,d,"},
        {{"Arial", 0x123456, 12, FontPitch::Variable, true, true, true, true}, "Arial,$00123456,12,v,bius"},
        {{"Mono", 0xFF0000, 10, FontPitch::Fixed, false, true, false, true}, "Mono,clBlue,10,f,is"},
        {{"X", 0xC0DCC0, -11, FontPitch::Default, false, false, true}, "X,clMoneyGreen,-11,d,u"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fontToText(c.font), c.text);
        FontSpec back;
        applyFontText(c.text, back);
        EXPECT_EQ(back, c.font) << c.text;
    }
}

TEST(FontText, ColourNames) {
    struct Case {
        const char* name;
        uint32_t value;
    };
    const Case cases[] = {
        {"clBlack", 0x000000},   {"clMaroon", 0x000080},  {"clGreen", 0x008000},   {"clOlive", 0x008080},
        {"clNavy", 0x800000},    {"clPurple", 0x800080},  {"clTeal", 0x808000},    {"clGray", 0x808080},
        {"clSilver", 0xC0C0C0},  {"clRed", 0x0000FF},     {"clLime", 0x00FF00},    {"clYellow", 0x00FFFF},
        {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},    {"clWhite", 0xFFFFFF},
        {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF},   {"clMedGray", 0xA4A0A0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(colourToText(c.value), c.name);
        EXPECT_EQ(colourFromText(c.name), c.value) << c.name;
    }
    EXPECT_EQ(colourFromText("CLRED"), 0x0000FFu);
    EXPECT_EQ(colourFromText("$FF"), 0xFFu);
    EXPECT_EQ(colourFromText("255"), 0xFFu);
    EXPECT_EQ(colourFromText("-16777201"), 0xFF00000Fu);
    for (const char* bad : {"", "$", "$123456789", "$GG", "clNothing", "12abc"})
        EXPECT_EQ(colourFromText(bad), std::nullopt) << bad;
}

TEST(FontText, ReadingStopsAndKeepsWhatWasRead) {
    const FontSpec start{"Old", 0x111111, 8, FontPitch::Fixed, true, false, false, false};
    struct Case {
        const char* name;
        const char* text;
        FontSpec expected;
    };
    const Case cases[] = {
        {"no comma at all", "Arial", start},
        {"face only", "Arial,clRed", {"Arial", 0x111111, 8, FontPitch::Fixed, true}},
        {"bad colour stops", "Arial,pink,12,d,i", {"Arial", 0x111111, 8, FontPitch::Fixed, true}},
        {"bad size stops", "Arial,clRed,big,d,i", {"Arial", 0x0000FF, 8, FontPitch::Fixed, true}},
        {"pitch needs the fourth comma", "Arial,clRed,12,v", {"Arial", 0x0000FF, 12, FontPitch::Fixed, true}},
        {"unknown pitch kept, styles rebuilt",
         "Arial,clRed,12,x,u",
         {"Arial", 0x0000FF, 12, FontPitch::Fixed, false, false, true}},
        {"styles in any order, others ignored",
         "A,clRed,12,d,s?bz,i",
         {"A", 0x0000FF, 12, FontPitch::Default, true, true, false, true}},
        {"empty styles clear", "A,$00000001,7,d,", {"A", 1, 7, FontPitch::Default}},
    };
    for (const auto& c : cases) {
        FontSpec font = start;
        applyFontText(c.text, font);
        EXPECT_EQ(font, c.expected) << c.name;
    }
}

} // namespace
} // namespace vantor::settings
