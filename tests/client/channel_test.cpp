// Two signed-in clients open chat channels to each other: a chat record reaches the other side
// (through the server at least) and its acknowledgement empties the sender's resend queue.
#include "client_fixture.h"

#include "peer/channel.h"
#include "protocol/chat.h"

namespace vantor::testing {
namespace {

using protocol::Cmd;

std::string frame(Cmd code, const std::string& body) {
    return std::string(1, char(code)) + body;
}

TEST_F(ClientTest, ChatChannelsBetweenTwoClientsCarryRecordsBothWays) {
    struct Case {
        const char* what;
        bool directPaths;
    } cases[] = {
        {"the server only relays", false},
        {"the server helps punching", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server().call([&](server::Server& s) { s.setDirectPaths(c.directPaths); });
        TestClient& a = signIn("zhangwei", "zhangwei123");
        TestClient& b = signIn("wangfang", "wangfang123");
        ASSERT_TRUE(a.messenger().SignedIn() && b.messenger().SignedIn());

        // b answers every chat message with its acknowledgement, on its own channel to the sender.
        b.onRecord = [&](const protocol::Message& m) {
            protocol::ChatMessage chat;
            if (m.cmd() != Cmd::ChatMessage || !protocol::ChatMessage::decodeBody(m.body, chat)) return;
            const protocol::ChatAck ack{chat.senderId, chat.recipientId, chat.textLength, chat.sendTick};
            b.peers().ensureChatChannel(chat.senderId).SendData(frame(Cmd::ChatAck, wire::encode(ack)));
        };
        peer::TMySocket& toB = a.peers().ensureChatChannel(1002);
        b.peers().ensureChatChannel(1001);
        // Each side learns its public address from the server's echo, announces it and punches;
        // without echoes nothing is punched and both stay relayed.
        peer::TMySocket& toA = *b.peers().chatChannel(1001);
        if (c.directPaths)
            drive([&] { return !toB.ViaServer() && !toA.ViaServer(); });
        else
            EXPECT_TRUE(drive([&] { return toB.handshakeIdle() && toA.handshakeIdle(); }, 5000, 50));
        const bool direct = !toB.ViaServer();
        EXPECT_FALSE(direct && !c.directPaths);

        protocol::ChatMessage m;
        m.recipientId = 1002;
        m.senderId = 1001;
        m.text = "hello";
        m.sendTick = a.peers().tickCount();
        ASSERT_TRUE(toB.SendData(frame(Cmd::ChatMessage, m.encodeBody())));
        a.peers().queueChat(m);

        ASSERT_TRUE(drive([&] { return !b.records.empty(); })) << "nothing reached b";
        protocol::ChatMessage got;
        ASSERT_EQ(b.records.front().message.cmd(), Cmd::ChatMessage);
        ASSERT_TRUE(protocol::ChatMessage::decodeBody(b.records.front().message.body, got));
        EXPECT_EQ(got.senderId, 1001u);
        EXPECT_EQ(got.text, "hello");
        EXPECT_TRUE(drive([&] { return a.peers().pending().size() == 0; })) << "no acknowledgement";
        // A confirmed path carries the record as a datagram; otherwise the server forwarded it.
        EXPECT_EQ(b.records.front().byChannel, direct);
        EXPECT_TRUE(a.messenger().SignedIn() && b.messenger().SignedIn());
        clients_.clear();
    }
}

} // namespace
} // namespace vantor::testing
