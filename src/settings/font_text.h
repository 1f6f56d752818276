// The text form of the conversation input box's font: "face,colour,size,pitch,styles", e.g.
// "宋体,clBlack,9,d,b" or "Arial,$00123456,12,v,iu".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::settings {

enum class FontPitch { Default, Variable, Fixed }; // "d", "v", "f"

struct FontSpec {
    std::string face;    // GBK
    uint32_t colour = 0; // 0x00BBGGRR
    int size = 9;        // points
    FontPitch pitch = FontPitch::Default;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// A named colour ("clBlack", ... "clWhite" and "clMoneyGreen", "clSkyBlue", "clCream",
// "clMedGray") when one has this value, else "$" and 8 uppercase hexadecimal digits.
std::string colourToText(uint32_t colour);
// A colour name (any letter case), "$" and 1 to 8 hexadecimal digits, or a decimal number in the
// 32-bit range (negative values keep their bit pattern). nullopt for anything else.
std::optional<uint32_t> colourFromText(std::string_view text);

// Face, colour, size, pitch letter and the style letters b, i, u, s in that order, joined by
// commas. The face is written as it is; a face holding a comma cannot be read back whole.
std::string fontToText(const FontSpec& font);

// Applies a font text to `font`. The fields are cut at successive commas; reading stops, keeping
// what was applied so far, at a missing comma or at a colour or size that does not convert. Face,
// colour and size are applied as they are read, the pitch when its letter is known; after the
// fourth comma the styles are cleared and rebuilt from the letters b, i, u, s in any order (other
// characters are ignored).
void applyFontText(std::string_view text, FontSpec& font);

} // namespace vantor::settings
