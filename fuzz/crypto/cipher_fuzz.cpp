// The cipher's readers on arbitrary text: only CipherError may come out, and enciphering then
// deciphering gives the text back.
#include "crypto/cipher.h"
#include "crypto/md5.h"

#include <cstdlib>
#include <string>

using namespace vantor::crypto;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        (void)DesDecryptHex(text);
    } catch (const CipherError&) {
    }
    try {
        (void)HexPairToByte(text);
    } catch (const CipherError&) {
    }
    (void)DesDecryptText(text, text);
    if (!text.empty() && text.back() != '\0') {
        if (DesDecryptHex(DesEncryptHex(text, text), text) != text) std::abort();
        if (DesDecryptText(DesEncryptText(text)) != text) std::abort();
    }
    Md5Context ctx;
    Md5Init(ctx);
    Md5Update(ctx, data, size / 2);
    Md5Update(ctx, data + size / 2, size - size / 2);
    if (!Md5Equal(Md5Final(ctx), Md5OfText(text))) std::abort();
    return 0;
}
