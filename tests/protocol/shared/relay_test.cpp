#include "bytes.h"
#include "protocol/chat.h"
#include "protocol/codes.h"
#include "protocol/relay.h"

#include <gtest/gtest.h>

namespace vantor::protocol {
namespace {

using testbytes::Bytes;

TEST(RelayTest, EveryRelayedCodeHasARoute) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(isRelayed(uint8_t(c)), relayRoute(uint8_t(c)) != nullptr) << codeName(uint8_t(c));
}

// A body of the code's sent size whose first words are given.
std::string body(Cmd code, std::initializer_list<std::pair<size_t, uint32_t>> words) {
    std::string b(codeInfo(code)->sent.head, '\0');
    for (auto [off, v] : words)
        wire::storeU32(b.data() + off, v);
    return b;
}

TEST(RelayTest, FindsReceiverAndSender) {
    struct Case {
        const char* what;
        Cmd code;
        std::string body;
        RelayTarget::Kind kind;
        uint32_t receiver;
        bool hasSender;
        uint32_t sender;
    };
    const Case cases[] = {
        {"chat ack goes to the message's sender", Cmd::ChatAck, body(Cmd::ChatAck, {{0, 5}, {4, 6}}),
         RelayTarget::User, 5, true, 6},
        {"file reply carries no sender", Cmd::FileReply, body(Cmd::FileReply, {{0, 5}}), RelayTarget::User, 5,
         false, 0},
        {"file complete names its sender at 85", Cmd::FileComplete,
         body(Cmd::FileComplete, {{0, 5}, {85, 6}}), RelayTarget::User, 5, true, 6},
        {"remote input goes to the sharer", Cmd::RemoteInput, body(Cmd::RemoteInput, {{0, 5}, {4, 6}}),
         RelayTarget::User, 5, true, 6},
        {"contact request goes to the target", Cmd::AddContactRequest,
         body(Cmd::AddContactRequest, {{0, 5}, {4, 6}}), RelayTarget::User, 6, true, 5},
        {"contact answer goes to the requester", Cmd::AddContactRequest,
         body(Cmd::AddContactRequest, {{0, 5}, {4, 6}, {12, 1}}), RelayTarget::User, 5, true, 6},
        {"join answer goes to the requester", Cmd::GroupJoinRequest,
         body(Cmd::GroupJoinRequest, {{0, 5}, {257, 2}}), RelayTarget::User, 5, false, 0},
        {"receiver 0 without a group key names nobody", Cmd::FileData, body(Cmd::FileData, {}),
         RelayTarget::None, 0, false, 0},
        {"short record names nobody", Cmd::ChatAck, std::string(15, '\1'), RelayTarget::None, 0, false, 0},
    };
    for (const auto& c : cases) {
        const RelayTarget t = relayTarget(uint8_t(c.code), c.body);
        EXPECT_EQ(t.kind, c.kind) << c.what;
        EXPECT_EQ(t.userId, c.receiver) << c.what;
        EXPECT_EQ(t.hasSender, c.hasSender) << c.what;
        EXPECT_EQ(t.senderId, c.sender) << c.what;
    }
}

TEST(RelayTest, GroupSendsNameTheirGroup) {
    wire::Guid g;
    ASSERT_TRUE(wire::Guid::fromString("{11111111-2222-3333-4444-555555555555}", g));

    ChatMessage m;
    m.senderId = 7;
    m.key.groupId = g;
    m.key.kind = kGroupConversation;
    m.text = "x";
    RelayTarget t = relayTarget(uint8_t(Cmd::ChatMessage), m.encodeBody());
    EXPECT_EQ(t.kind, RelayTarget::Group);
    EXPECT_EQ(t.group, g);
    EXPECT_EQ(t.senderId, 7u);

    std::string offer = body(Cmd::FileOffer, {{0, 0xFFFFFFFF}, {4, 7}});
    const auto gb = g.toBytes();
    offer.replace(232, 16, reinterpret_cast<const char*>(gb.data()), 16);
    offer[232 + 16] = 1;
    t = relayTarget(uint8_t(Cmd::FileOffer), offer);
    EXPECT_EQ(t.kind, RelayTarget::Group);
    EXPECT_EQ(t.group, g);

    std::string join = body(Cmd::GroupJoinRequest, {{0, 5}});
    join.replace(79, 16, reinterpret_cast<const char*>(gb.data()), 16);
    t = relayTarget(uint8_t(Cmd::GroupJoinRequest), join);
    EXPECT_EQ(t.kind, RelayTarget::GroupCreator);
    EXPECT_EQ(t.group, g);
    EXPECT_EQ(t.senderId, 5u);

    // A one-to-one message to user 0 is not a group send.
    m.key.kind = kOneToOne;
    EXPECT_EQ(relayTarget(uint8_t(Cmd::ChatMessage), m.encodeBody()).kind, RelayTarget::None);
}

} // namespace
} // namespace vantor::protocol
