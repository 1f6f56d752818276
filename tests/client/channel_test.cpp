// Two signed-in clients chat: a typed message reaches the other side once (directly after
// punching, or through the server), its acknowledgement empties the sender's resend queue, and
// both accounts keep it in their message store.
#include "client_fixture.h"

#include "peer/channel.h"

namespace vantor::testing {
namespace {

TEST_F(ClientTest, ChatBetweenTwoClientsDirectOrRelayed) {
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

        // Each side learns its public address from the server's echo, announces it and punches;
        // without echoes nothing is punched and both stay relayed.
        peer::TMySocket& toB = a.peers().ensureChatChannel(1002);
        peer::TMySocket& toA = b.peers().ensureChatChannel(1001);
        if (c.directPaths)
            EXPECT_TRUE(drive([&] { return !toB.ViaServer() && !toA.ViaServer(); }));
        else
            EXPECT_TRUE(drive([&] { return toB.handshakeIdle() && toA.handshakeIdle(); }, 5000, 50));
        EXPECT_EQ(!toB.ViaServer(), c.directPaths);

        conversation::Conversation& ab = a.openWith(1002);
        a.say(ab, "你好，王芳");
        EXPECT_EQ(a.peers().pending().size(), 1u);
        ASSERT_TRUE(drive([&] { return !b.received().empty(); })) << "nothing reached b";
        EXPECT_TRUE(drive([&] { return a.peers().pending().size() == 0; })) << "no acknowledgement";
        drive([] { return false; }, 200);
        EXPECT_EQ(b.received(), std::vector<std::string>{"你好，王芳"});

        // b answers in the conversation the message opened.
        ASSERT_EQ(b.core().conversations().all().size(), 1u);
        conversation::Conversation& ba = *b.core().conversations().all().front();
        EXPECT_EQ(ba.peerId, 1001u);
        b.say(ba, "收到");
        ASSERT_TRUE(drive([&] { return !a.received().empty(); }));
        EXPECT_TRUE(drive([&] { return b.peers().pending().size() == 0; }));
        EXPECT_EQ(a.received(), std::vector<std::string>{"收到"});

        const std::vector<std::string> both{"你好，王芳", "收到"};
        EXPECT_EQ(a.stored(1002), both);
        EXPECT_EQ(b.stored(1001), both);
        EXPECT_TRUE(a.messenger().SignedIn() && b.messenger().SignedIn());
        clients_.clear();
    }
}

} // namespace
} // namespace vantor::testing
