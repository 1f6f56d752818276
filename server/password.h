// Salted password hashes for the accounts of the organisation: PBKDF2 with HMAC-SHA-256.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::server {

struct PasswordHash {
    std::string salt; // 16 random bytes
    std::string hash; // 32 bytes
    uint32_t iterations = 0;
};

inline constexpr uint32_t kDefaultHashIterations = 20000;

// Hashes `password` (the GBK bytes the client sends) under a fresh random salt.
PasswordHash hashPassword(std::string_view password, uint32_t iterations = kDefaultHashIterations);
// Compares in constant time.
bool verifyPassword(std::string_view password, const PasswordHash& stored);
// Random bytes from the system's generator.
std::string randomBytes(size_t n);

} // namespace vantor::server
