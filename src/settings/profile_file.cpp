#include "settings/profile_file.h"

#include "settings/ini_text.h"
#include "settings/settings_file_io.h"
#include "settings/text_util.h"

#include <optional>

namespace vantor::settings {
namespace {

std::optional<std::string> lookUp(const std::string& path, std::string_view section, std::string_view key) {
    std::string text;
    if (readWholeFile(path, text) != ReadStatus::Ok) return std::nullopt;
    return ini::findValue(text, section, key);
}

} // namespace

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const std::optional<std::string> value = lookUp(path_, section, key);
    return std::string(gbkPrefix(value ? std::string_view(*value) : fallback, kMaxStringBytes));
}

int64_t ProfileFile::readInteger(std::string_view section, std::string_view key, int64_t fallback) const {
    const std::optional<std::string> value = lookUp(path_, section, key);
    if (!value) return fallback;
    return ini::parseInteger(gbkPrefix(*value, kMaxStringBytes)).value_or(fallback);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value) const {
    if (!ini::validSection(section) || !ini::validKey(key))
        throw std::invalid_argument("settings name cannot be stored: [" + std::string(section) + "] " +
                                    std::string(key));
    std::string text;
    const ReadStatus status = readWholeFile(path_, text);
    if (status == ReadStatus::Unusable) throw SettingsError("Unable to write to " + path_);
    std::string updated = ini::setValue(text, section, key, value);
    if (status == ReadStatus::Ok && updated == text) return; // already on disk
    if (!replaceWholeFile(path_, updated)) throw SettingsError("Unable to write to " + path_);
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, int64_t value) const {
    writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) const {
    writeString(section, key, value ? "1" : "0");
}

} // namespace vantor::settings
