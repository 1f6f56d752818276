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

// What an account's hash is taken of: the MD5 of the password as 32 upper-case hexadecimal digits.
// Clients sign in with the password itself but change it by sending this digest, so the store keeps
// a salted hash of the digest and a sign-in digests the typed password first.
std::string passwordDigest(std::string_view password);

// Hashes `secret` under a fresh random salt.
PasswordHash hashPassword(std::string_view secret, uint32_t iterations = kDefaultHashIterations);
// Compares in constant time.
bool verifyPassword(std::string_view secret, const PasswordHash& stored);
// Random bytes from the system's generator.
std::string randomBytes(size_t n);

} // namespace vantor::server
