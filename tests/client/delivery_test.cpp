// Nothing lost through the whole client against vantor-server: messages in flight when the server
// connection breaks (the failure sign-out keeps them in the account's journal, the next sign-in
// sends them again, the colleague shows each once), and a server message with a count over its cap
// (skipped by its frame; the session goes on).
#include "client_fixture.h"

#include "../platform/test_net.h"
#include "protocol/text.h"
#include "settings/profile_file.h"

#include <algorithm>

namespace vantor::testing {
namespace {

TEST_F(ClientTest, MessagesInFlightAtAForcedReconnectArriveOnce) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TcpPipe pipe(server().port());
    const QString folder = dir_.filePath(QStringLiteral("client%1").arg(clientsMade_++));
    clients_.push_back(std::make_unique<TestClient>(folder, clock_, pipe.port()));
    TestClient& a = *clients_.back();
    settings::ProfileFile(folder.toStdString() + "/Documents/KZQ/IM.Dat")
        .writeInteger("Login", "AutoConnectInterval", 1);
    a.start("zhangwei", "zhangwei123");
    ASSERT_TRUE(drive([&] { return a.messenger().SignedIn(); }));
    TestClient& b = signIn("wangfang", "wangfang123");

    conversation::Conversation& ab = a.openWith(1002);
    // Nothing the server sends reaches the sender until the cut: every acknowledgement is lost.
    pipe.setSilent(true);
    std::vector<std::string> sent;
    for (int i = 0; i < 30; ++i) {
        sent.push_back("第" + std::to_string(i) + "条消息");
        a.say(ab, sent.back());
    }
    // Some have arrived, none is acknowledged; the others may still be on their way at the cut.
    ASSERT_TRUE(drive([&] { return b.received().size() >= 3; }, 8000, 0));
    pipe.cut();
    pipe.setSilent(false);
    EXPECT_EQ(a.peers().pending().size(), sent.size()) << "an acknowledgement got through";
    ASSERT_TRUE(drive([&] { return !a.messenger().SignedIn(); }, 8000, 0));
    EXPECT_EQ(a.peers().pending().size(), 0u) << "the signed-out session still holds the queue";

    // Automatic re-connection, the sign-in, then the resend queue's next rounds.
    ASSERT_TRUE(drive([&] { return a.messenger().SignedIn(); }, 15000, 20));
    EXPECT_EQ(pipe.connections(), 2);
    ASSERT_TRUE(drive([&] { return a.peers().pending().size() == 0 && b.received().size() >= sent.size(); },
                      20000, 20));
    drive([] { return false; }, 1500, 20); // some 15 s more: no late copy may show
    std::vector<std::string> got = b.received();
    std::sort(got.begin(), got.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(got, sent);
    EXPECT_EQ(b.stored(1001).size(), sent.size());
    ASSERT_NE(a.peers().journal(), nullptr);
    EXPECT_EQ(a.peers().journal()->live(), 0u);
}

TEST_F(ClientTest, AServerMessageWithAnOversizedCountIsSkippedAndTheSessionGoesOn) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    std::string body(4 + 13 + 500, '\0');
    wire::storeU32(body.data(), 500);
    wire::storeU32(body.data() + 4, 1002);
    ASSERT_TRUE(server().call([&](server::Server& s) {
        return s.pushRecord(1001, protocol::Message{uint8_t(protocol::Cmd::Status), body});
    }));
    ASSERT_TRUE(
        server().call([](server::Server& s) { return s.renameColleague(1002, protocol::toGbk("王芳芳")); }));
    ASSERT_TRUE(drive([&] { return protocol::fromGbk(a.dir().findUser(1002)->record.name) == "王芳芳"; }));
    EXPECT_TRUE(a.messenger().SignedIn());
    EXPECT_TRUE(a.messenger().ConnectionOpen());
}

} // namespace
} // namespace vantor::testing
