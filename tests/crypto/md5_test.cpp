// MD5: the RFC 1321 test suite, incremental updates, text form and wiping.
#include "crypto/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vantor::crypto {
namespace {

TEST(Md5, Rfc1321Suite) {
    struct Case {
        std::string text;
        const char* digest;
    };
    const Case cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Md5Hex(Md5OfText(c.text)), c.digest) << '"' << c.text << '"';
        // The same bytes fed in uneven pieces, across the 64-byte block edges.
        Md5Context ctx;
        Md5Init(ctx);
        for (size_t pos = 0, step = 1; pos < c.text.size(); pos += step, step = step * 3 % 17 + 1)
            Md5Update(ctx, c.text.data() + pos, std::min(step, c.text.size() - pos));
        Md5Update(ctx, nullptr, 0);
        EXPECT_TRUE(Md5Equal(Md5Final(ctx), Md5OfText(c.text))) << '"' << c.text << '"';
    }
}

TEST(Md5, FinalWipesContext) {
    Md5Context ctx;
    Md5Init(ctx);
    Md5Update(ctx, "abc", 3);
    Md5Final(ctx);
    const auto* raw = reinterpret_cast<const unsigned char*>(&ctx);
    EXPECT_EQ(std::count(raw, raw + sizeof ctx, 0), static_cast<long>(sizeof ctx));
}

TEST(Md5, EqualComparesAllBytes) {
    const Md5Digest a = Md5OfText("abc");
    for (size_t i = 0; i < a.size(); ++i) {
        Md5Digest b = a;
        b[i] ^= 0x80;
        EXPECT_FALSE(Md5Equal(a, b)) << i;
    }
    EXPECT_TRUE(Md5Equal(a, Md5OfText("abc")));
}

} // namespace
} // namespace vantor::crypto
