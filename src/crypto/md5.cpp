#include "crypto/md5.h"

#include <cstring>

namespace vantor::crypto {

void Md5Init(Md5Context& context) {
    md5_init(&context.state);
}

void Md5Update(Md5Context& context, const void* bytes, size_t length) {
    if (length == 0) return;
    md5_update(&context.state, length, static_cast<const uint8_t*>(bytes));
}

Md5Digest Md5Final(Md5Context& context) {
    Md5Digest digest{};
    md5_digest(&context.state, digest.size(), digest.data());
    explicit_bzero(&context, sizeof context);
    return digest;
}

Md5Digest Md5OfText(std::string_view text) {
    Md5Context context;
    Md5Init(context);
    Md5Update(context, text.data(), text.size());
    return Md5Final(context);
}

bool Md5Equal(const Md5Digest& a, const Md5Digest& b) {
    return a == b;
}

std::string Md5Hex(const Md5Digest& digest) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(32);
    for (uint8_t b : digest) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

} // namespace vantor::crypto
