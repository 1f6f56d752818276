#include "settings/skin_settings.h"

#include "settings/ini_text.h"
#include "settings/profile_file.h"

#include <cstdint>
#include <optional>

namespace vantor::settings {
namespace {

// The file that holds a key: the overlay when it has it, else the skin file.
const ProfileFile& holder(const ProfileFile& skin, const ProfileFile* overlay, std::string_view section,
                          std::string_view key) {
    static constexpr std::string_view kAbsent = "\x01"
                                                "absent";
    if (overlay && overlay->readString(section, key, kAbsent) != kAbsent) return *overlay;
    return skin;
}

int readRanged(const ProfileFile& f, std::string_view key, int fallback, int64_t min, int64_t max) {
    const int64_t v = f.readInteger("Init", key, fallback);
    return (v < min || v > max) ? fallback : static_cast<int>(v);
}

uint32_t readColour(const ProfileFile& f, std::string_view key, uint32_t fallback) {
    const std::optional<int64_t> v =
        ini::parseDecimal(f.readString("FontColor", key, std::to_string(fallback)));
    return (!v || *v < INT32_MIN || *v > int64_t(UINT32_MAX)) ? fallback : static_cast<uint32_t>(*v);
}

} // namespace

SkinSettings loadSkinSettings(const std::string& skinFile) {
    return loadSkinSettings(skinFile, {});
}

SkinSettings loadSkinSettings(const std::string& skinFile, const std::string& overlayFile) {
    const ProfileFile f(skinFile);
    const ProfileFile o(overlayFile);
    const ProfileFile* overlay = overlayFile.empty() ? nullptr : &o;
    const auto init = [&](std::string_view key) -> const ProfileFile& {
        return holder(f, overlay, "Init", key);
    };
    const auto colour = [&](std::string_view key) -> const ProfileFile& {
        return holder(f, overlay, "FontColor", key);
    };
    SkinSettings s;
    s.H = readRanged(init("H"), "H", 0, -180, 180);
    s.S = readRanged(init("S"), "S", 0, -100, 100);
    s.B = readRanged(init("B"), "B", 0, -100, 100);
    s.ALphaBlend = readRanged(init("ALphaBlend"), "ALphaBlend", 255, 0, 255);
    s.Name = readColour(colour("Name"), "Name", s.Name);
    s.Memo = readColour(colour("Memo"), "Memo", s.Memo);
    s.Border = readColour(colour("Border"), "Border", s.Border);
    s.FormBG = readColour(colour("FormBG"), "FormBG", s.FormBG);
    return s;
}

void saveSkinSettings(const std::string& skinFile, const SkinSettings& skin) {
    const ProfileFile f(skinFile);
    f.writeInteger("Init", "H", skin.H);
    f.writeInteger("Init", "S", skin.S);
    f.writeInteger("Init", "B", skin.B);
    f.writeInteger("Init", "ALphaBlend", skin.ALphaBlend);
    f.writeString("FontColor", "Name", std::to_string(skin.Name));
    f.writeString("FontColor", "Memo", std::to_string(skin.Memo));
}

} // namespace vantor::settings
