#include "protocol/text.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

using namespace vantor::wire;
using vantor::protocol::toGbk;

namespace {

// "中" is D6 D0 in GBK; "丂" is 81 40, a character whose trail byte is an ASCII '@'.
const std::string kZhong = "\xD6\xD0";
const std::string kTrail40 = "\x81\x40";

TEST(GbkCut, WalksLeadBytesNotHighBytes) {
    struct Case {
        std::string text;
        size_t n;
        size_t expect;
    };
    const Case cases[] = {
        {"abc", 5, 3},
        {"abc", 2, 2},
        {kZhong + kZhong, 3, 2}, // the second character would straddle
        {kZhong + kZhong, 4, 4},
        {"a" + kZhong, 2, 1},
        // Counting high bytes would take 0x40 for a character of its own and split the next one.
        {kTrail40 + kZhong, 3, 2},
        {kTrail40 + "ab", 3, 3},
        {kTrail40 + kTrail40, 3, 2},
        {"", 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gbkCutLength(c.text, c.n), c.expect) << c.text.size() << "/" << c.n;
}

TEST(GbkCut, CutTextKeepsStraddlingCharacterWholeAndAppendsEllipsis) {
    EXPECT_EQ(cutText("abcdef", 3), "abc...");
    EXPECT_EQ(cutText("abc", 3), "abc");
    EXPECT_EQ(cutText("a" + kZhong + "b", 2), "a" + kZhong + "...");
    EXPECT_EQ(cutText(kTrail40 + kZhong + "x", 3), kTrail40 + kZhong + "...");
}

TEST(WireText, WriterCutsOnCharacterBoundaryAndReaderClampsLength) {
    WireWriter w(1 + 3);
    w.text(3, kZhong + kZhong); // 4 bytes do not fit in 3: only the first character goes
    const std::string b = w.bytes();
    EXPECT_EQ(b, std::string("\x02", 1) + kZhong + std::string(1, '\0'));

    // A length byte above the capacity is clamped to the capacity; the next field is not eaten.
    const std::string in = std::string("\xFF", 1) + "abc" + "\x07";
    WireReader r(in);
    std::string t;
    uint8_t next = 0;
    r.text(3, t);
    r.u8(next);
    EXPECT_EQ(t, "abc");
    EXPECT_EQ(next, 7);
    EXPECT_FALSE(r.truncated());
}

TEST(WireReader, ShortInputLeavesZeroAndFlags) {
    WireReader r(std::string_view("\x01\x02", 2));
    uint32_t v = 99;
    r.u32(v);
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(r.truncated());
}

TEST(WireIntegers, LittleEndianAtExactOffsets) {
    WireWriter w(15);
    w.u8(0xAB);
    w.u16(0x1234);
    w.u32(0xDEADBEEF);
    w.f64(1.0);
    EXPECT_EQ(w.bytes(), std::string("\xAB\x34\x12\xEF\xBE\xAD\xDE\x00\x00\x00\x00\x00\x00\xF0\x3F", 15));
}

TEST(Guid, WindowsLayoutAndTextForms) {
    Guid g;
    ASSERT_TRUE(Guid::fromString("{00112233-4455-6677-8899-AABBCCDDEEFF}", g));
    const auto b = g.toBytes();
    const uint8_t expect[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(0, memcmp(b.data(), expect, 16));
    EXPECT_EQ(g.toString(), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_EQ(g.toHex(), "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(Guid::fromBytes(expect), g);

    Guid lower;
    EXPECT_TRUE(Guid::fromString("00112233-4455-6677-8899-aabbccddeeff", lower));
    EXPECT_EQ(lower, g);
    for (const char* bad : {"", "{00112233-4455-6677-8899-AABBCCDDEEF}", "00112233445566778899AABBCCDDEEFF",
                            "{00112233-4455-6677-8899-AABBCCDDEEFG}"})
        EXPECT_FALSE(Guid::fromString(bad, lower)) << bad;
}

TEST(GbkText, RoundTripsChineseAndReplacesWhatGbkCannotHold) {
    EXPECT_EQ(toGbk("中"), kZhong);
    EXPECT_EQ(vantor::protocol::fromGbk(kZhong), "中");
    EXPECT_EQ(toGbk("a😀b"), "a?b");
    EXPECT_EQ(vantor::protocol::fromGbk("a\xFF"), "a\xEF\xBF\xBD");
}

} // namespace
