#include "bytes.h"
#include "protocol/chat.h"

#include <gtest/gtest.h>

namespace vantor::protocol {
namespace {

using testbytes::Bytes;

// A group message key: GUID 01..10, kind 1, sender 7.
std::string groupKeyBytes() {
    Bytes b;
    for (int i = 1; i <= 16; ++i)
        b.u8(uint8_t(i));
    b.u8(1).u8(0).u32(7).u32(0).zeros(4);
    return b.s;
}

TEST(ChatMessageTest, EncodesCountHeadAndTextOnly) {
    ChatMessage m;
    m.recipientId = 0;
    m.senderId = 7;
    m.sendTime = 0;
    m.sendTick = 0x01020304;
    m.fontName = "Song";
    m.fontColor = 0xFF;
    m.fontSize = 9;
    m.bold = true;
    m.serverDelivery = true;
    wire::Guid::fromString("{04030201-0605-0807-090A-0B0C0D0E0F10}", m.key.groupId);
    m.key.kind = kGroupConversation;
    m.key.userA = 7;
    m.text = "abc";

    Bytes want;
    want.u32(3);                                        // count
    want.u32(0).u32(7).u32(3).zeros(8).u32(0x01020304); // ids, length, time, tick
    want.text(20, "Song").u32(0xFF).u32(9);
    want.u8(1).u8(0).u8(0).u8(0).u8(1); // bold, italic, underline, strike-out, server delivery
    want.raw(groupKeyBytes()).raw("abc");
    ASSERT_EQ(want.s.size(), 4 + 88 + 3u);
    EXPECT_EQ(m.encodeBody(), want.s);

    ChatMessage back;
    ASSERT_TRUE(ChatMessage::decodeBody(want.s, back));
    EXPECT_EQ(back.senderId, 7u);
    EXPECT_EQ(back.sendTick, 0x01020304u);
    EXPECT_TRUE(back.serverDelivery);
    EXPECT_EQ(back.key.kind, kGroupConversation);
    EXPECT_EQ(back.key.groupId, m.key.groupId);
    EXPECT_EQ(back.text, "abc");
    EXPECT_EQ(static_cast<uint8_t>(want.s[4 + ChatMessage::kServerDeliveryOffset]), 1);
}

TEST(ChatMessageTest, RefusesShortBodiesAndOversizedCounts) {
    ChatMessage m;
    m.text = std::string(1200, 'x'); // cut to 1000 on encoding
    const std::string body = m.encodeBody();
    ASSERT_EQ(body.size(), 4 + 88 + 1000u);
    ChatMessage back;
    EXPECT_TRUE(ChatMessage::decodeBody(body, back));
    EXPECT_EQ(back.text.size(), 1000u);

    struct Case {
        const char* what;
        std::string body;
    };
    std::string over = body;
    over[0] = char(0xE9); // 1001
    over[1] = char(0x03);
    const Case cases[] = {
        {"no count", ""},
        {"head cut", body.substr(0, 50)},
        {"text cut", body.substr(0, body.size() - 1)},
        {"count over 1000", over + "x"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ChatMessage::decodeBody(c.body, back)) << c.what;
}

TEST(ChatRecordsTest, SmallRecordsMatchHandWrittenBytes) {
    ChatAck ack{5, 6, 7, 8};
    EXPECT_EQ(wire::encode(ack), Bytes().u32(5).u32(6).u32(7).u32(8).s);

    InputState typing;
    typing.receiverId = 2;
    typing.senderId = 3;
    typing.typing = true;
    typing.key.userA = 3;
    typing.key.userB = 2;
    Bytes key;
    key.zeros(16).u8(0).u8(0).u32(3).u32(2).zeros(4);
    EXPECT_EQ(wire::encode(typing), Bytes().u32(2).u32(3).u8(1).raw(key.s).s);

    Shake shake;
    shake.receiverId = 2;
    shake.senderId = 3;
    shake.key = typing.key;
    shake.remindKind = -1;
    EXPECT_EQ(wire::encode(shake), Bytes().u32(2).u32(3).raw(key.s).u32(0xFFFFFFFF).s);
    Shake back;
    ASSERT_TRUE(wire::decode(wire::encode(shake), back));
    EXPECT_EQ(back.remindKind, -1);
}

} // namespace
} // namespace vantor::protocol
