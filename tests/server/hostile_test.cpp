// Clients that try to starve the others: connections that never sign in, floods of held
// messages, password guessing.
#include "missing_tool.h"
#include "protocol/chat.h"
#include "server/store.h"
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
    VANTOR_NEEDS_TOOL(l.rlim_max == RLIM_INFINITY || l.rlim_max <= 600
                          ? std::string("a finite hard descriptor limit above 600")
                          : std::string());
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

// An unknown account costs as much as a wrong password, so timing tells no account apart.
TEST(StoreTest, UnknownAccountsCostWhatWrongPasswordsCost) {
    QTemporaryDir dir;
    std::string error;
    auto store = server::Store::open(dir.filePath("s.db").toStdString(), &error);
    ASSERT_TRUE(store) << error;
    server::Organisation org = testOrganisation();
    org.hashIterations = 100000;
    ASSERT_TRUE(store->importOrganisation(org, &error)) << error;
    auto cost = [&](const char* account) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 5; ++i)
            EXPECT_FALSE(store->authenticate(account, "wrong"));
        return t.nsecsElapsed();
    };
    cost("nobody"); // the first call also finds the iteration count
    const qint64 wrong = cost("a"), unknown = cost("nobody");
    EXPECT_GT(unknown, wrong / 3) << "wrong password " << wrong << " ns, unknown account " << unknown
                                  << " ns";
}

TEST_F(ServerTest, FailedSignInsSlowFurtherAttemptsWithoutLockingTheOwnerOut) {
    server_.reset();
    config_.freeFailuresPerAccount = 2;
    config_.signInDelayMs = 300;
    startServer();
    auto b = signedIn('b');
    auto attempt = [&](const char* password, const char* source, qint64* ms) {
        WireClient c;
        EXPECT_TRUE(c.connectTo(server_->port(), true, source));
        QElapsedTimer t;
        t.start();
        const SignInResult r = c.signIn("a", password);
        *ms = t.elapsed();
        EXPECT_TRUE(r.answered);
        return r.reply.success;
    };
    qint64 ms = 0;
    // Two free failures, then 300, 600 ms, from any address.
    EXPECT_FALSE(attempt("guess1", "127.0.0.2", &ms));
    EXPECT_FALSE(attempt("guess2", "127.0.0.3", &ms));
    EXPECT_FALSE(attempt("guess3", "127.0.0.4", &ms));
    EXPECT_GE(ms, 200);
    // While an attempt waits, everybody else is served at once.
    WireClient waiting;
    ASSERT_TRUE(waiting.connectTo(server_->port(), true, "127.0.0.5"));
    protocol::VersionCheckRequest vc;
    waiting.send(protocol::makeMessage(Cmd::VersionCheck, vc));
    ASSERT_TRUE(waiting.waitFor(Cmd::VersionCheck));
    protocol::LoginRequest login;
    login.account = "a";
    login.password = "guess4";
    QElapsedTimer t;
    t.start();
    waiting.send(protocol::makeMessage(Cmd::Login, login));
    b->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(b->waitFor(Cmd::Heartbeat));
    EXPECT_LT(t.elapsed(), 250);
    ASSERT_TRUE(waiting.waitFor(Cmd::LoginReply, 5000));
    EXPECT_GE(t.elapsed(), 500);
    // The right password still gets in when its turn comes, and resets the account's count.
    EXPECT_TRUE(attempt("pa", "127.0.0.6", &ms));
    EXPECT_GE(ms, 1000);
    EXPECT_FALSE(attempt("guess5", "127.0.0.7", &ms));
    EXPECT_LT(ms, 250);
    // Guessing on the account from elsewhere does not hold back the machine it was used from…
    EXPECT_FALSE(attempt("guess6", "127.0.0.8", &ms));
    EXPECT_FALSE(attempt("guess7", "127.0.0.9", &ms));
    EXPECT_TRUE(attempt("pa", "127.0.0.6", &ms));
    EXPECT_LT(ms, 250);
    // … while a new address still waits its turn behind the guesses.
    EXPECT_FALSE(attempt("guess8", "127.0.0.10", &ms));
    EXPECT_FALSE(attempt("guess9", "127.0.0.11", &ms));
    EXPECT_FALSE(attempt("guess10", "127.0.0.12", &ms));
    EXPECT_TRUE(attempt("pa", "127.0.0.13", &ms));
    EXPECT_GE(ms, 200);
}

} // namespace
} // namespace vantor::testing
