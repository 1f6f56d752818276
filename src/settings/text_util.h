// Small helpers for GBK byte texts held in settings: trimming and cutting without splitting a
// double-byte character.
#pragma once

#include <cstddef>
#include <string_view>

namespace vantor::settings {

// Removes every byte at or below the space (blanks and control characters) from both ends, as the
// sign-in panel trims the account, password and status texts.
std::string_view trimText(std::string_view text);

// The longest prefix of `text` of at most `n` bytes that does not end inside a GBK double-byte
// character (a lead byte 0x81..0xFE takes the next byte with it).
std::string_view gbkPrefix(std::string_view text, size_t n);

} // namespace vantor::settings
