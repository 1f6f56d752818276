// Bad input from one client closes that client's connection and nothing else.
#include "server_fixture.h"

namespace vantor::testing {
namespace {

std::string header(uint32_t length) {
    std::string h(20, '\0');
    wire::storeU32(h.data(), 1001);
    wire::storeU32(h.data() + 4, length);
    return h;
}

std::string frame(uint8_t code, const std::string& body) {
    return header(uint32_t(1 + body.size())) + char(code) + body;
}

std::string countedChat(uint32_t count, size_t textBytes) {
    std::string body(4 + 88 + textBytes, '\0');
    wire::storeU32(body.data(), count);
    return frame(uint8_t(Cmd::ChatMessage), body);
}

TEST_F(ServerTest, BadInputClosesOnlyThatConnection) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    const std::string hello = protocol::greeting();
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"garbage instead of the greeting", std::string(40, '\xFF')},
        {"frame of length zero", hello + header(0)},
        {"frame longer than allowed", hello + header(0x7FFFFFFF)},
        {"short fixed record", hello + frame(uint8_t(Cmd::VersionCheck), std::string(10, '\0'))},
        {"long fixed record", hello + frame(uint8_t(Cmd::Heartbeat), "x")},
        {"impossible count", hello + countedChat(5000, 5000)},
        {"count that disagrees with the frame", hello + countedChat(3, 10)},
        {"code that clients never send", hello + frame(uint8_t(Cmd::LoginReply), std::string(561, '\0'))},
        {"code that does not exist", hello + frame(0x53, "")},
        {"relay that names nobody", hello + frame(uint8_t(Cmd::ChatAck), std::string(16, '\0'))},
        {"nothing at all", ""},
        {"half a greeting", hello.substr(0, 20)},
    };
    for (const auto& c : cases) {
        WireClient bad;
        ASSERT_TRUE(bad.connectTo(server_->port(), false)) << c.what;
        bad.sendRaw(c.bytes);
        EXPECT_TRUE(bad.closedWithin(3000)) << c.what;
        for (WireClient* good : {a.get(), b.get()}) {
            good->send(protocol::emptyMessage(Cmd::Heartbeat));
            EXPECT_TRUE(good->waitFor(Cmd::Heartbeat)) << c.what;
        }
    }
    // The signed-in clients never noticed.
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(a->waitFor(Cmd::Heartbeat));
    std::string ack(16, '\0');
    wire::storeU32(ack.data(), 12);
    wire::storeU32(ack.data() + 4, 11);
    a->send(Message{uint8_t(Cmd::ChatAck), ack});
    EXPECT_TRUE(b->waitFor(Cmd::ChatAck));
}

TEST_F(ServerTest, RecordsBeforeSignInAreNotRelayed) {
    auto b = signedIn('b');
    WireClient stranger;
    ASSERT_TRUE(stranger.connectTo(server_->port()));
    std::string ack(16, '\0');
    wire::storeU32(ack.data(), 12);
    stranger.send(Message{uint8_t(Cmd::ChatAck), ack});
    EXPECT_TRUE(b->quiet(300));
    stranger.send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(stranger.waitFor(Cmd::Heartbeat));
}

TEST_F(ServerTest, SilentAndUnfinishedConnectionsAreClosedByTheirTimers) {
    server_.reset();
    config_.idleTimeoutMs = 1000;
    startServer();
    WireClient silent, unfinished;
    ASSERT_TRUE(silent.connectTo(server_->port(), false));
    ASSERT_TRUE(unfinished.connectTo(server_->port(), true));
    unfinished.sendRaw(header(50).substr(0, 12));
    EXPECT_TRUE(silent.closedWithin(3000));
    EXPECT_TRUE(unfinished.closedWithin(3000));
}

} // namespace
} // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(ServerTest, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    server_.reset();
    config_.maxConnections = 2;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    WireClient third;
    ASSERT_TRUE(third.connectTo(server_->port()));
    EXPECT_TRUE(third.closedWithin());
    for (WireClient* c : {a.get(), b.get()}) {
        c->send(protocol::emptyMessage(Cmd::Heartbeat));
        EXPECT_TRUE(c->waitFor(Cmd::Heartbeat));
    }
}

} // namespace
} // namespace vantor::testing
