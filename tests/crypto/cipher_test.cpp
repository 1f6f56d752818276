// Text cipher: published DES vector, known answers under the client key, padding and hex rules.
#include "crypto/cipher.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vantor::crypto {
namespace {

std::string bytesOf(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(char(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string hexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

// Known answers. The expected cipher texts were produced independently of this code with
//   printf '<plain, zero-padded>' |
//       openssl enc -des-ecb -K <key hex> -nopad -provider legacy -provider default | xxd -p
// (OpenSSL 3.0). "Quorvel7" is 51756f7276656c37; GBK "密码" is c3dc c2eb.
struct KnownAnswer {
    const char* name;
    std::string key;
    std::string plain;
    const char* cipherHex;
};

TEST(DesText, KnownAnswers) {
    const KnownAnswer cases[] = {
        {"published vector", bytesOf("133457799BBCDFF1"), bytesOf("0123456789ABCDEF"), "85e813540f0ab405"},
        {"weak key still enciphers", bytesOf("0101010101010101"), std::string(7, '\0') + "\x01",
         "166b40b44aba4bd6"},
        {"another weak key", bytesOf("FEFEFEFEFEFEFEFE"), "abcdefgh", "bb6bf1593cf73c70"},
        {"client key, exactly one block", std::string(kClientKey), "abcdefgh", "8036ea675e7fcfbd"},
        {"parity bits ignored", "Ptnswdm6", "abcdefgh", "8036ea675e7fcfbd"},
        {"client key, one block", std::string(kClientKey), "hello", "a4278f7f2d649afd"},
        {"client key, GBK text, two blocks", std::string(kClientKey), bytesOf("c3dcc2eb50617373313233"),
         "799bc2e7e5358ac29561bcbfab381232"},
        {"short key padded with zeros", "AB", "abc", "64d21ef66d8b6505"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cipher = DesEncryptText(c.plain, c.key);
        EXPECT_EQ(hexOf(cipher), c.cipherHex);
        EXPECT_EQ(DesEncryptHex(c.plain, c.key), hexOf(cipher));
        EXPECT_EQ(DesDecryptText(cipher, c.key), c.plain);
        EXPECT_EQ(DesDecryptHex(hexOf(cipher), c.key), c.plain);
    }
}

TEST(DesText, LengthsAndPadding) {
    struct Case {
        const char* name;
        std::string plain;
        size_t cipherSize;
        std::string decrypted;
    };
    const Case cases[] = {
        {"empty", "", 0, ""},
        {"one byte", "x", 8, "x"},
        {"exactly one block", "12345678", 8, "12345678"},
        {"nine bytes", "123456789", 16, "123456789"},
        {"zero inside kept", std::string("a\0b", 3), 8, std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cipher = DesEncryptText(c.plain);
        EXPECT_EQ(cipher.size(), c.cipherSize);
        EXPECT_EQ(DesEncryptHex(c.plain).size(), c.cipherSize * 2);
        EXPECT_EQ(DesDecryptText(cipher), c.decrypted);
    }
}

TEST(DesText, TrailingZerosAfterDecipheringAreRemoved) {
    // Under the weak key 0101010101010101, 8ca64de9c1b123a7 is the all-zero block (openssl, as above):
    // a whole trailing block of zeros goes, the zeros in front of the 0x01 stay.
    const std::string key = bytesOf("0101010101010101");
    EXPECT_EQ(DesDecryptText(bytesOf("166b40b44aba4bd68ca64de9c1b123a7"), key),
              std::string(7, '\0') + "\x01");
    EXPECT_EQ(DesDecryptText(bytesOf("8ca64de9c1b123a7"), key), "");
}

TEST(DesText, PartBlockIgnored) {
    const std::string cipher = DesEncryptText("abcdefgh12");
    ASSERT_EQ(cipher.size(), 16u);
    EXPECT_EQ(DesDecryptText(cipher.substr(0, 13)), "abcdefgh");
    EXPECT_EQ(DesDecryptText(cipher.substr(0, 7)), "");
}

TEST(DesText, OnlyFirstEightKeyBytesCount) {
    EXPECT_EQ(DesEncryptText("secret", "Quorvel7"), DesEncryptText("secret"));
    EXPECT_EQ(DesEncryptText("secret", "Quorvel7anything else"), DesEncryptText("secret"));
    EXPECT_NE(DesEncryptText("secret", "Quorvel8"), DesEncryptText("secret"));
    EXPECT_EQ(DesEncryptText("secret", "abc"), DesEncryptText("secret", std::string("abc\0\0\0\0\0", 8)));
    EXPECT_EQ(DesEncryptText("secret", ""), DesEncryptText("secret", std::string(8, '\0')));
}

TEST(DesText, Failures) {
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {"text ending in zero", [] { DesEncryptText(std::string("abc\0", 4)); }, kLastCharNull},
        {"hex form of text ending in zero", [] { DesEncryptHex(std::string(1, '\0')); }, kLastCharNull},
        {"0g", [] { DesDecryptHex("0g"); }, kNotHex},
        {"space in hex", [] { DesDecryptHex("a4278f7f 2d649afd"); }, kNotHex},
        {"sign in digits", [] { HexPairToByte("-1"); }, kNotHex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "no error";
        } catch (const CipherError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(DesHex, ReaderRules) {
    EXPECT_EQ(DesDecryptHex("A4278F7F2D649AFD"), "hello");
    EXPECT_EQ(DesDecryptHex("a4278f7f2d649afd7"), "hello"); // odd last digit ignored
    EXPECT_EQ(DesDecryptHex("a4278f7f2d649afdZ"), "hello"); // even when it is no digit at all
    EXPECT_EQ(DesDecryptHex(""), "");
}

TEST(HexPairToByte, Values) {
    struct Case {
        const char* digits;
        uint32_t value;
    };
    const Case cases[] = {{"", 0},         {"0", 0},    {"0f", 15},     {"F0", 240},
                          {"ff", 255},     {"aB", 171}, {"123", 0x123}, {"FFFFFFFF", 0xFFFFFFFF},
                          {"100000000", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(HexPairToByte(c.digits), c.value) << c.digits;
}

} // namespace
} // namespace vantor::crypto
