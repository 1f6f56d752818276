// Names of conversation pictures: which names may be looked up in the account's Images folder, and
// how the client names a picture it stores there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::conversation {

// The longest picture name we accept (the capacity of the name in a picture request).
inline constexpr size_t kMaxPictureNameLength = 80;

// True for a plain file name: 1 to 80 bytes of ASCII letters, digits, '.', '-' and '_', not starting
// or ending with '.' and without "..". Only such names are ever looked up in (or sent from) the
// Images folder; names from peers and servers that are not plain show the error picture.
bool isPlainPictureName(std::string_view name);

// The name under which a picture inserted from a file is stored: the upper-case hexadecimal MD5 of
// (the file name without its folder + the decimal file size), followed by the file's own extension.
// `fileName` is GBK; its folder (up to the last '/' or '\') is dropped. An extension that is not a
// '.' followed by 1 to 7 ASCII letters or digits is left off, so the name always stays plain.
std::string pictureNameForFile(std::string_view fileName, uint64_t fileSize);

// The name of a pasted bitmap: "PC" + the decimal tick count + ".JPG".
std::string pastedPictureName(uint32_t tick);

} // namespace vantor::conversation
