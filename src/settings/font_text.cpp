#include "settings/font_text.h"

#include "settings/ini_text.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace vantor::settings {
namespace {

struct NamedColour {
    std::string_view name;
    uint32_t value;
};

constexpr std::array<NamedColour, 20> kNamedColours{{
    {"clBlack", 0x000000},      {"clMaroon", 0x000080},  {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000},       {"clPurple", 0x800080},  {"clTeal", 0x808000},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},     {"clRed", 0x0000FF},     {"clLime", 0x00FF00},  {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},       {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},  {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
}};

// Cuts the next field off `rest` at its first comma; false when there is no comma.
bool nextField(std::string_view& rest, std::string_view& field) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return false;
    field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return true;
}

} // namespace

std::string colourToText(uint32_t colour) {
    for (const NamedColour& c : kNamedColours)
        if (c.value == colour) return std::string(c.name);
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(colour));
    return buf;
}

std::optional<uint32_t> colourFromText(std::string_view text) {
    for (const NamedColour& c : kNamedColours)
        if (ini::sameName(c.name, text)) return c.value;
    if (!text.empty() && text.front() == '$') {
        const std::string_view digits = text.substr(1);
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        const std::optional<int64_t> v = ini::parseInteger("0x" + std::string(digits));
        if (!v) return std::nullopt;
        return static_cast<uint32_t>(*v);
    }
    const std::optional<int64_t> v = ini::parseDecimal(text);
    if (!v || *v < INT32_MIN || *v > int64_t(UINT32_MAX)) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

std::string fontToText(const FontSpec& font) {
    static constexpr char kPitch[] = {'d', 'v', 'f'};
    std::string text = font.face + "," + colourToText(font.colour) + "," + std::to_string(font.size) + ",";
    text += kPitch[static_cast<int>(font.pitch)];
    text += ",";
    if (font.bold) text += 'b';
    if (font.italic) text += 'i';
    if (font.underline) text += 'u';
    if (font.strike) text += 's';
    return text;
}

void applyFontText(std::string_view text, FontSpec& font) {
    std::string_view rest = text, field;
    if (!nextField(rest, field)) return;
    font.face = std::string(field);

    if (!nextField(rest, field)) return;
    const std::optional<uint32_t> colour = colourFromText(field);
    if (!colour) return;
    font.colour = *colour;

    if (!nextField(rest, field)) return;
    const std::optional<int64_t> size = ini::parseDecimal(field);
    if (!size || *size < INT32_MIN || *size > INT32_MAX) return;
    font.size = static_cast<int>(*size);

    if (!nextField(rest, field)) return;
    if (field == "d") font.pitch = FontPitch::Default;
    if (field == "v") font.pitch = FontPitch::Variable;
    if (field == "f") font.pitch = FontPitch::Fixed;

    font.bold = font.italic = font.underline = font.strike = false;
    for (char c : rest) {
        if (c == 'b') font.bold = true;
        if (c == 'i') font.italic = true;
        if (c == 'u') font.underline = true;
        if (c == 's') font.strike = true;
    }
}

} // namespace vantor::settings
