#include "protocol/text.h"
#include "scripted_server.h"
#include "session_fixture.h"

namespace vantor::testing {
namespace {

using protocol::Cmd;
using protocol::Message;

// A server that signs account "a" in as user 11 and keeps the connection for the test to push on.
class ReaderTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        scripted_.onMessage = [this](QTcpSocket* s, const Message& m) {
            if (m.cmd() == Cmd::VersionCheck) {
                ScriptedServer::send(s,
                                     protocol::makeMessage(Cmd::VersionCheck, protocol::VersionCheckReply{}));
            } else if (m.cmd() == Cmd::Login) {
                socket_ = s;
                protocol::LoginReply r;
                r.success = true;
                r.tokenOrReason = "T";
                ScriptedServer::send(s, protocol::makeMessage(Cmd::LoginReply, r));
                protocol::UserItem own;
                own.loadCount = 1;
                own.user.userId = 11;
                own.user.isOwn = true;
                ScriptedServer::send(s, Message{uint8_t(Cmd::UserItem), own.encodeBody()});
                ScriptedServer::send(s, protocol::emptyMessage(Cmd::LoginComplete));
            }
        };
        setMachineInt("AutoConnect", 1);
        client_ = nullptr;
        makeClient("loginuser=a&loginpwd=pa", scripted_.port());
        ASSERT_TRUE(waitSignedIn(*client_));
    }

    // Writes the messages as one block.
    void push(const std::vector<Message>& ms) {
        std::string block;
        for (const auto& m : ms)
            block += protocol::frameMessage(m);
        socket_->write(block.data(), qint64(block.size()));
    }
    static Message renamed(uint32_t id) {
        protocol::UserRenamed r;
        r.userId = id;
        return protocol::makeMessage(Cmd::UserRenamed, r);
    }

    ScriptedServer scripted_;
    QPointer<QTcpSocket> socket_;
};

TEST_F(ReaderTest, HandlersRunInArrivalOrderAndHeartbeatsAreRecordedAtOnce) {
    auto& c = *client_;
    std::vector<uint32_t> order;
    int64_t heartbeatSeenInFirstHandler = -2;
    c.registerHandler(Cmd::UserRenamed, [&](const Message& m) {
        protocol::UserRenamed r;
        wire::decode(m.body, r);
        if (order.empty()) heartbeatSeenInFirstHandler = c.LastServerSign;
        order.push_back(r.userId);
        if (r.userId == 2) {
            // A handler that runs an event loop: what arrives meanwhile waits its turn.
            push({renamed(100), renamed(101)});
            spin(100);
        }
        if (r.userId == 3) throw std::runtime_error("handler failed");
    });
    c.LastServerSign = -1;
    clock_.advance(1234);
    // The heartbeat sits behind the first message of the block.
    push({renamed(1), protocol::emptyMessage(Cmd::Heartbeat), renamed(2), renamed(3), renamed(4)});
    ASSERT_TRUE(waitFor([&] { return order.size() == 6; })) << ::testing::PrintToString(order);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 3, 4, 100, 101}));
    EXPECT_EQ(heartbeatSeenInFirstHandler, clock_.nowMs());
    EXPECT_TRUE(c.SignedIn());
}

TEST_F(ReaderTest, HandlerReadCodesArriveWhole) {
    auto& c = *client_;
    std::vector<protocol::ContactLink> links;
    c.registerHandler(Cmd::Contacts, [&](const Message& m) { protocol::decodeList(m.body, links); });
    std::vector<protocol::ContactLink> sent;
    for (uint32_t i = 0; i < 300; ++i)
        sent.push_back({i, i % 7});
    const Message m{uint8_t(Cmd::Contacts), protocol::encodeList(sent)};
    const std::string frame = protocol::frameStream(m.bytes());
    // In small pieces, as a slow network delivers them.
    for (size_t i = 0; i < frame.size(); i += 97) {
        socket_->write(frame.data() + i, qint64(std::min<size_t>(97, frame.size() - i)));
        socket_->flush();
        spin(1);
    }
    ASSERT_TRUE(waitFor([&] { return links.size() == 300; }));
    EXPECT_EQ(links[299].userId, 299u);
    EXPECT_EQ(links[299].groupId, 299u % 7);
}

// A status text longer than its cap in a frame whose header says where it ends is skipped whole:
// the session goes on. The same message behind a header without the frame marker leaves nothing to
// follow the stream by: the connection is closed and made again.
TEST_F(ReaderTest, AnOversizedCountIsSkippedByItsFrameOrClosesTheConnection) {
    auto& c = *client_;
    std::vector<uint32_t> renames;
    c.registerHandler(Cmd::UserRenamed, [&](const Message& m) {
        protocol::UserRenamed r;
        wire::decode(m.body, r);
        renames.push_back(r.userId);
    });
    session::ServerReader* first = c.connection().reader();
    ASSERT_NE(first, nullptr);
    QPointer<session::ServerReader> firstGuard(first);
    std::string body(4 + 13 + 500, '\0');
    wire::storeU32(body.data(), 500);
    const Message oversized{uint8_t(Cmd::Status), body};
    push({renamed(1), oversized, renamed(2)});
    ASSERT_TRUE(waitFor([&] { return renames.size() == 2; }));
    EXPECT_EQ(renames, (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(c.SignedIn());
    EXPECT_EQ(c.connection().reader(), first);

    std::string unframed = protocol::frameStream(oversized.bytes());
    wire::storeU32(unframed.data(), 0); // no marker: a header that cannot be believed
    socket_->write(unframed.data(), qint64(unframed.size()));
    ASSERT_TRUE(waitFor([&] { return !c.SignedIn(); }));
    EXPECT_FALSE(c.ConnectionOpen());
    EXPECT_TRUE(view_.has("re-login lost"));
    ASSERT_TRUE(c.TimerAutoConnect->isActive());
    advance(c.TimerAutoConnect->interval(), c.TimerAutoConnect->interval());
    ASSERT_TRUE(waitSignedIn(*client_));
    EXPECT_EQ(scripted_.connections(), 2);
    EXPECT_TRUE(waitFor([&] { return firstGuard.isNull(); })) << "the old reader has ended";
    EXPECT_NE(c.connection().reader(), nullptr);
}

TEST_F(ReaderTest, LoginCompleteBeforeTheOwnRecordDoesNothing) {
    auto& c = *client_;
    c.LogoutMenuClicked();
    scripted_.onMessage = [this](QTcpSocket* s, const Message& m) {
        if (m.cmd() == Cmd::VersionCheck) {
            ScriptedServer::send(s, protocol::makeMessage(Cmd::VersionCheck, protocol::VersionCheckReply{}));
        } else if (m.cmd() == Cmd::Login) {
            protocol::LoginReply r;
            r.success = true;
            ScriptedServer::send(s, protocol::makeMessage(Cmd::LoginReply, r));
            ScriptedServer::send(s, protocol::emptyMessage(Cmd::LoginComplete));
        }
    };
    clickSignIn(u("a"), u("pa"));
    auto logins = [&] {
        return std::count_if(scripted_.received.begin(), scripted_.received.end(),
                             [](const Message& m) { return m.cmd() == Cmd::Login; });
    };
    ASSERT_TRUE(waitFor([&] { return logins() == 2; }));
    spin(100);
    EXPECT_FALSE(c.SignedIn());
    EXPECT_TRUE(c.ConnectionOpen());
    advance(15000, 15000); // the watchdog ends it
    EXPECT_FALSE(c.ConnectionOpen());
}

} // namespace
} // namespace vantor::testing
