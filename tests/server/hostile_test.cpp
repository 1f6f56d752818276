// Clients that try to starve the others: connections that never sign in, floods of held messages.
#include "protocol/chat.h"
#include "server_fixture.h"

#include <QElapsedTimer>
#include <QThread>

#include <sys/resource.h>

namespace vantor::testing {
namespace {

// Heartbeats are answered before the sign-in, but they do not buy a connection more time.
TEST_F(ServerTest, HeartbeatsDoNotExtendTheSignInDeadline) {
    server_.reset();
    config_.signInTimeoutMs = 800;
    startServer();
    WireClient idler;
    ASSERT_TRUE(idler.connectTo(server_->port()));
    QElapsedTimer t;
    t.start();
    bool closed = false;
    while (!closed && t.elapsed() < 3000) {
        idler.send(protocol::emptyMessage(Cmd::Heartbeat));
        closed = idler.closedWithin(200);
    }
    EXPECT_TRUE(closed);
    EXPECT_LT(t.elapsed(), 2000);
    // A connection that signs in in time stays.
    auto a = signedIn('a');
    QThread::msleep(1000);
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(a->waitFor(Cmd::Heartbeat));
}

TEST_F(ServerTest, IdleConnectionsNeverLockColleaguesOut) {
    server_.reset();
    config_.maxConnections = 12;
    config_.maxUnsignedConnections = 8;
    config_.maxUnsignedPerAddress = 3;
    startServer();
    // One address gets three waiting connections, the fourth is closed at once.
    std::vector<std::unique_ptr<WireClient>> idle;
    for (int i = 0; i < 3; ++i) {
        idle.push_back(std::make_unique<WireClient>());
        ASSERT_TRUE(idle.back()->connectTo(server_->port(), true, "127.0.0.2"));
    }
    WireClient fourth;
    ASSERT_TRUE(fourth.connectTo(server_->port(), true, "127.0.0.2"));
    EXPECT_TRUE(fourth.closedWithin());
    for (auto& c : idle) {
        c->send(protocol::emptyMessage(Cmd::Heartbeat));
        EXPECT_TRUE(c->waitFor(Cmd::Heartbeat));
    }
    // Many addresses fill every slot; colleagues still sign in, the oldest idle ones make room.
    const char* sources[] = {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7"};
    for (const char* source : sources)
        for (int i = 0; i < 3; ++i) {
            idle.push_back(std::make_unique<WireClient>());
            ASSERT_TRUE(idle.back()->connectTo(server_->port(), true, source));
        }
    std::vector<std::unique_ptr<WireClient>> colleagues;
    for (char account : {'a', 'b', 'c', 'd', 'e'})
        colleagues.push_back(signedIn(account));
    EXPECT_TRUE(idle.front()->closedWithin());
    EXPECT_LE(server_->call([](server::Server& s) { return s.sessionCount(); }), size_t(12));
    for (auto& c : colleagues) {
        c->send(protocol::emptyMessage(Cmd::Heartbeat));
        EXPECT_TRUE(c->waitFor(Cmd::Heartbeat));
    }
}

TEST_F(ServerTest, DescriptorLimitIsRaisedAtStart) {
    server_.reset();
    rlimit l{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &l), 0);
    if (l.rlim_max == RLIM_INFINITY || l.rlim_max <= 600)
        GTEST_SKIP() << "hard descriptor limit too low to test";
    rlimit low = l;
    low.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    startServer();
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &l), 0);
    EXPECT_EQ(l.rlim_cur, l.rlim_max);
    EXPECT_LE(server_->call([](server::Server& s) { return s.connectionLimit(); }), size_t(l.rlim_cur));
}

Message lastAttempt(uint32_t from, uint32_t to, uint32_t tick) {
    protocol::ChatMessage m;
    m.senderId = from;
    m.recipientId = to;
    m.sendTick = tick;
    m.serverDelivery = true;
    m.key.userA = from;
    m.key.userB = to;
    m.text = "#" + std::to_string(tick);
    return Message{uint8_t(Cmd::ChatMessage), m.encodeBody()};
}

Message contactRequest(uint32_t from, uint32_t to) {
    std::string b(protocol::codeInfo(Cmd::AddContactRequest)->sent.head, '\0');
    wire::storeU32(b.data(), from);
    wire::storeU32(b.data() + 4, to);
    return Message{uint8_t(Cmd::AddContactRequest), b};
}

// The acknowledgements the server sent for held last attempts, by send tick.
std::vector<uint32_t> acknowledgedTicks(WireClient& c) {
    c.send(protocol::emptyMessage(Cmd::Heartbeat));
    c.waitFor(Cmd::Heartbeat);
    std::vector<uint32_t> ticks;
    for (const auto& m : c.skipped)
        if (m.cmd() == Cmd::ChatAck) {
            protocol::ChatAck ack;
            if (wire::decode(m.body, ack)) ticks.push_back(ack.sendTick);
        }
    c.skipped.clear();
    return ticks;
}

TEST_F(ServerTest, OneSenderCannotCrowdOutTheHeldMessagesOfOthers) {
    server_.reset();
    config_.maxHeldPerSender = 4;
    config_.maxHeldPerUser = 6;
    config_.maxHeldNoticesPerSender = 1;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    auto e = signedIn('e');
    // 13 is offline. Its share of a's last attempts is full after four: the rest are not
    // acknowledged, so a's client keeps them.
    for (uint32_t tick = 1; tick <= 10; ++tick)
        a->send(lastAttempt(11, 13, tick));
    EXPECT_EQ(acknowledgedTicks(*a), (std::vector<uint32_t>{1, 2, 3, 4}));
    b->send(lastAttempt(12, 13, 100));
    EXPECT_EQ(acknowledgedTicks(*b), std::vector<uint32_t>{100});
    // The colleague's own bound: e gets the last place.
    e->send(lastAttempt(15, 13, 200));
    e->send(lastAttempt(15, 13, 201));
    EXPECT_EQ(acknowledgedTicks(*e), std::vector<uint32_t>{200});
    // Requests are kept apart from chat: a full chat box does not refuse them.
    a->send(contactRequest(11, 13));
    a->send(contactRequest(11, 13));
    b->send(contactRequest(12, 13));
    acknowledgedTicks(*a);
    acknowledgedTicks(*b);
    EXPECT_EQ(server_->call([](server::Server& s) { return s.heldCount(13); }), size_t(8));

    auto c = signedIn('c');
    std::vector<std::pair<uint32_t, uint32_t>> chats; // sender, tick
    int requests = 0;
    while (auto m = c->next(500)) {
        if (m->cmd() == Cmd::AddContactRequest) ++requests;
        protocol::ChatMessage chat;
        if (m->cmd() == Cmd::ChatMessage && protocol::ChatMessage::decodeBody(m->body, chat))
            chats.emplace_back(chat.senderId, chat.sendTick);
    }
    EXPECT_EQ(chats, (std::vector<std::pair<uint32_t, uint32_t>>{
                         {11, 1}, {11, 2}, {11, 3}, {11, 4}, {12, 100}, {15, 200}}));
    EXPECT_EQ(requests, 2);
    // Delivered messages free the shares.
    c.reset();
    for (int i = 0; i < 100 && server_->call([](server::Server& s) { return s.isOnline(13); }); ++i)
        QThread::msleep(20);
    a->send(lastAttempt(11, 13, 11));
    EXPECT_EQ(acknowledgedTicks(*a), std::vector<uint32_t>{11});
}

} // namespace
} // namespace vantor::testing
