// One settings file, read and written key by key. Nothing is cached: every read opens and parses
// the file, so a value written by a sibling program a moment ago is seen, and every write reaches
// the disk before it returns. Texts are GBK bytes and pass through untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantor::settings {

// A write that did not reach the disk; what() is "Unable to write to <path>".
struct SettingsError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A string read back holds at most this many bytes (cut so that no GBK character is split).
inline constexpr size_t kMaxStringBytes = 2047;

class ProfileFile {
  public:
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The value, or `fallback` when the key, the section or the file is absent or the file cannot
    // be read. Either is cut to kMaxStringBytes.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Decimal, or hexadecimal after "0x"/"0X" (see ini::parseInteger); anything else, "12abc"
    // included, gives `fallback`.
    int64_t readInteger(std::string_view section, std::string_view key, int64_t fallback) const;
    // An integer as above; non-zero is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    // Sets one key, creating the file, the section and the key as needed and keeping every other
    // byte of the file (comments, other sections, order, line ends). The value is stored up to its
    // first CR, LF or zero byte. The file is replaced atomically. Throws SettingsError when the
    // file cannot be read back or written (missing folder, no permission, ...), and
    // std::invalid_argument for a section or key name that cannot be stored.
    void writeString(std::string_view section, std::string_view key, std::string_view value) const;
    // Written in decimal.
    void writeInteger(std::string_view section, std::string_view key, int64_t value) const;
    // Written as "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value) const;

  private:
    std::string path_;
};

} // namespace vantor::settings
