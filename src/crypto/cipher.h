// The text cipher: single DES in ECB mode over whole 8-byte blocks with zero-byte padding, in a
// binary and a hexadecimal form. Protects chat texts, stored message texts and stored passwords.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantor::crypto {

// The one key the client uses everywhere. Only its first 8 bytes take part in the cipher.
inline constexpr std::string_view kClientKey = "Quorvel7Lantern2";

// Raised with exactly kLastCharNull or kNotHex as what(); nothing is returned in that case.
struct CipherError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
inline constexpr const char* kLastCharNull = "Error: the last char is NULL char.";
inline constexpr const char* kNotHex = "Error: not a Hex String";

// Enciphers `text` (whose last byte must not be zero) padded with zero bytes to whole blocks.
// An empty text gives an empty result. Key bytes beyond the eighth are ignored; a shorter key is
// padded with zero bytes; parity bits are not checked.
std::string DesEncryptText(std::string_view text, std::string_view key = kClientKey);
// Deciphers the whole blocks of `cipher` (a trailing part block is ignored) and removes every
// trailing zero byte.
std::string DesDecryptText(std::string_view cipher, std::string_view key = kClientKey);
// DesEncryptText written as two lowercase hexadecimal digits per byte.
std::string DesEncryptHex(std::string_view text, std::string_view key = kClientKey);
// DesDecryptText of the bytes that the digit pairs of `hex` stand for (either case; an odd last
// digit is ignored). Throws CipherError(kNotHex) on a character that is not a hexadecimal digit.
std::string DesDecryptHex(std::string_view hex, std::string_view key = kClientKey);
// The value of a string of hexadecimal digits (either case; empty gives 0; wraps beyond 8 digits).
// Throws CipherError(kNotHex) on any other character.
uint32_t HexPairToByte(std::string_view digits);

} // namespace vantor::crypto
