#include "settings/stored_password.h"

#include "crypto/cipher.h"

namespace vantor::settings {

std::string readStoredPassword(const ProfileFile& file, std::string_view section, std::string_view key) {
    const std::string hex = file.readString(section, key);
    if (hex.empty()) return {};
    try {
        return crypto::DesDecryptHex(hex);
    } catch (const crypto::CipherError&) {
        return {};
    }
}

std::string storedPasswordText(std::string_view password) {
    while (!password.empty() && password.back() == '\0')
        password.remove_suffix(1);
    return crypto::DesEncryptHex(password);
}

} // namespace vantor::settings
