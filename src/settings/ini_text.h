// Pure text operations on the contents of a private-profile (INI) file: find one key's value,
// set one key while keeping every other byte of the file, and the value encodings.
//
// Reading rules, applied line by line (lines end at LF; a CR before the LF belongs to the line end):
// - blanks (space, tab, CR, VT, FF) around a line are ignored;
// - a line starting with '[' opens a section named by the text up to the last ']' on the line
//   (the rest of the line when there is none), blanks trimmed;
// - a line starting with ';' is a comment; any other line with '=' is a key line: the key is the
//   text before the first '=', the value the text after it, both with blanks trimmed; a value
//   enclosed in a matching pair of double or single quotes loses the quotes; a value is cut at a
//   zero byte; lines before the first section and lines without '=' are kept but never match;
// - section and key names match without regard to ASCII letter case (bytes of GBK double-byte
//   characters compare exactly); the first matching key line of any matching section counts.
// Everything runs in one pass over the text, linear in its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::settings::ini {

// Value of [section] key as a reader sees it, or nullopt when the key is absent.
std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key);

// The file text with [section] key set to `value`. The first matching key line is replaced (its key
// spelling and its line end kept); otherwise the key is added after the last non-blank line of the
// first matching section; otherwise the section and key are appended at the end. New lines use the
// file's line end (the first one found; CRLF for a file without any). Every other byte stays.
// The names must satisfy validSection/validKey.
std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value);

// What a write stores for `value`: the text up to the first CR, LF or zero byte, so that a value
// (from a server, say) can never add lines, sections or keys to the file.
std::string_view storedForm(std::string_view value);

// Names that can be written and read back: not empty, no blanks at either end, no CR, LF or zero
// byte; a section without ']', a key without '=' that does not start with '[' or ';'.
bool validSection(std::string_view section);
bool validKey(std::string_view key);

// Integer encoding: optional blanks, then either "0x"/"0X" and 1 or more hexadecimal digits, or an
// optional '+'/'-' and 1 or more decimal digits, then optional blanks, nothing else. "12abc", "",
// "0x", "1e3", "-0x10" and values outside the 64-bit range are not numbers (nullopt).
std::optional<int64_t> parseInteger(std::string_view text);

// The same, for the decimal form only (colours and sizes in texts that are not profile integers).
std::optional<int64_t> parseDecimal(std::string_view text);

// Case-insensitive comparison used for section and key names (see above).
bool sameName(std::string_view a, std::string_view b);

} // namespace vantor::settings::ini
