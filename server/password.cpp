#include "server/password.h"

#include <nettle/md5.h>
#include <nettle/pbkdf2.h>

#include <cstdio>
#include <random>
#include <stdexcept>

namespace vantor::server {

namespace {
std::string derive(std::string_view password, std::string_view salt, uint32_t iterations) {
    std::string out(32, '\0');
    pbkdf2_hmac_sha256(password.size(), reinterpret_cast<const uint8_t*>(password.data()),
                       iterations == 0 ? 1 : iterations, salt.size(),
                       reinterpret_cast<const uint8_t*>(salt.data()), out.size(),
                       reinterpret_cast<uint8_t*>(out.data()));
    return out;
}
} // namespace

std::string passwordDigest(std::string_view password) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, password.size(), reinterpret_cast<const uint8_t*>(password.data()));
    uint8_t d[MD5_DIGEST_SIZE];
    md5_digest(&ctx, sizeof d, d);
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : d) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

std::string randomBytes(size_t n) {
    std::string s(n, '\0');
    if (FILE* f = std::fopen("/dev/urandom", "rb")) {
        const size_t got = std::fread(s.data(), 1, n, f);
        std::fclose(f);
        if (got == n) return s;
    }
    std::random_device rd;
    for (auto& c : s)
        c = static_cast<char>(rd());
    return s;
}

PasswordHash hashPassword(std::string_view password, uint32_t iterations) {
    PasswordHash h;
    h.salt = randomBytes(16);
    h.iterations = iterations == 0 ? 1 : iterations;
    h.hash = derive(password, h.salt, h.iterations);
    return h;
}

bool verifyPassword(std::string_view password, const PasswordHash& stored) {
    if (stored.hash.size() != 32) return false;
    const std::string h = derive(password, stored.salt, stored.iterations);
    unsigned char diff = 0;
    for (size_t i = 0; i < h.size(); ++i)
        diff |= static_cast<unsigned char>(h[i] ^ stored.hash[i]);
    return diff == 0;
}

} // namespace vantor::server
