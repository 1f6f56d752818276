#include "crypto/cipher.h"

#include <nettle/des.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace vantor::crypto {
namespace {

// The round keys are built afresh for every call from the first 8 key bytes, zero-padded.
// des_set_key reports weak keys through its result but builds the schedule all the same; a weak
// key enciphers by the standard like any other, so the result is deliberately not checked.
des_ctx prepareKey(std::string_view key) {
    std::array<uint8_t, DES_KEY_SIZE> k{};
    std::memcpy(k.data(), key.data(), std::min(key.size(), k.size()));
    des_ctx ctx;
    (void)des_set_key(&ctx, k.data());
    return ctx;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string DesEncryptText(std::string_view text, std::string_view key) {
    if (!text.empty() && text.back() == '\0') throw CipherError(kLastCharNull);
    des_ctx ctx = prepareKey(key);
    std::string out(text);
    out.resize((out.size() + DES_BLOCK_SIZE - 1) / DES_BLOCK_SIZE * DES_BLOCK_SIZE, '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    des_encrypt(&ctx, out.size(), p, p);
    return out;
}

std::string DesDecryptText(std::string_view cipher, std::string_view key) {
    des_ctx ctx = prepareKey(key);
    std::string out(cipher.substr(0, cipher.size() / DES_BLOCK_SIZE * DES_BLOCK_SIZE));
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    des_decrypt(&ctx, out.size(), p, p);
    while (!out.empty() && out.back() == '\0')
        out.pop_back();
    return out;
}

std::string DesEncryptHex(std::string_view text, std::string_view key) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::string bytes = DesEncryptText(text, key);
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

std::string DesDecryptHex(std::string_view hex, std::string_view key) {
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(char(HexPairToByte(hex.substr(i, 2))));
    return DesDecryptText(bytes, key);
}

uint32_t HexPairToByte(std::string_view digits) {
    uint32_t value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) throw CipherError(kNotHex);
        value = value * 16 + uint32_t(d);
    }
    return value;
}

} // namespace vantor::crypto
