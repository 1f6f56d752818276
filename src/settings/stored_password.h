// Passwords kept in settings files (Login/Password, Init/POP3Pass): the text cipher in its
// hexadecimal form under the client key.
#pragma once

#include "settings/profile_file.h"

#include <string>
#include <string_view>

namespace vantor::settings {

// The deciphered password, or empty when the value is empty or is not valid hexadecimal (a
// damaged or hand-edited file then means "no remembered password" instead of a failed start).
std::string readStoredPassword(const ProfileFile& file, std::string_view section, std::string_view key);

// The stored form of a password: lowercase hex cipher text; empty for an empty password.
// Trailing zero bytes, which the cipher refuses and which deciphering drops anyway, are left out.
std::string storedPasswordText(std::string_view password);

} // namespace vantor::settings
