// The MD5 message digest (RFC 1321) over byte strings: password changes, picture names, transfer
// identities and per-chunk checks. As text a digest is 32 uppercase hexadecimal digits.
#pragma once

#include <nettle/md5.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::crypto {

using Md5Digest = std::array<uint8_t, 16>;

// Running state of one digest; prepare it with Md5Init before use.
struct Md5Context {
    md5_ctx state;
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const void* bytes, size_t length);
// The digest of everything fed in; the context is overwritten with zeros afterwards.
Md5Digest Md5Final(Md5Context& context);
Md5Digest Md5OfText(std::string_view text);
bool Md5Equal(const Md5Digest& a, const Md5Digest& b);
// 32 uppercase hexadecimal digits, first byte first.
std::string Md5Hex(const Md5Digest& digest);

} // namespace vantor::crypto
