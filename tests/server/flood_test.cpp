// Floods of changes: a colleague's changes are told within a budget, and a reader that falls
// behind gets only the latest record of each colleague.
#include "server/client_input.h"
#include "server_fixture.h"

#include <QElapsedTimer>

#include <map>

namespace vantor::testing {
namespace {

Message status(uint32_t user, uint8_t value, uint8_t textKind = 0, const std::string& text = {}) {
    protocol::StatusRecord r;
    r.userId = user;
    r.status = value;
    r.textKind = textKind;
    r.text = text;
    return Message{uint8_t(Cmd::Status), r.encodeBody()};
}

// Everything that arrives until the connection is quiet for a while.
std::vector<Message> drain(WireClient& c, int quietMs = 700) {
    std::vector<Message> all = std::move(c.skipped);
    c.skipped.clear();
    while (auto m = c.next(quietMs))
        all.push_back(std::move(*m));
    return all;
}

TEST_F(ServerTest, ChangeFloodsAreToldWithinABudgetAndEndOnTheLatest) {
    server_.reset();
    config_.changesPerSecond = 2;
    config_.changeBurst = 5;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    for (int i = 0; i < 2000; ++i) {
        a->send(status(11, i % 2 ? 0 : 2));
        if (i % 100 == 0) a->send(status(11, i % 2 ? 0 : 2, 2, "sig" + std::to_string(i)));
        if (i % 40 == 0) {
            server::ChangeNamePassword c;
            c.userId = 11;
            c.name = "name" + std::to_string(i);
            a->send(Message{uint8_t(Cmd::ChangeNamePassword), wire::encode(c)});
        }
    }
    a->send(status(11, 3, 2, "last words"));
    int statuses = 0, renames = 0;
    protocol::StatusRecord lastPlain, lastSignature;
    std::string lastName;
    for (const Message& m : drain(*b, 1500)) {
        protocol::StatusRecord r;
        if (m.cmd() == Cmd::Status && protocol::StatusRecord::decodeBody(m.body, r) && r.userId == 11) {
            ++statuses;
            (r.textKind == 2 ? lastSignature : lastPlain) = r;
        }
        protocol::UserRenamed n;
        if (m.cmd() == Cmd::UserRenamed && wire::decode(m.body, n) && n.userId == 11) {
            ++renames;
            lastName = n.name;
        }
    }
    EXPECT_LE(statuses, 40);
    EXPECT_LE(renames, 15);
    EXPECT_EQ(lastSignature.text, "last words");
    EXPECT_EQ(lastSignature.status, 3);
    EXPECT_EQ(lastName, "name1960");
    // The colleague's record holds the latest, and the flooder was never cut off.
    EXPECT_EQ(server_->call([](server::Server& s) { return s.directory().user(11)->status; }), 3);
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(a->waitFor(Cmd::Heartbeat, 5000));
}

TEST_F(ServerTest, AReaderThatFallsBehindGetsOnlyTheLatestStatusOfEachColleague) {
    auto b = signedIn('b');
    // Far more than any socket buffer holds, told at once while b reads nothing.
    server_->call([](server::Server& s) {
        for (int round = 0; round < 4000; ++round)
            for (uint32_t user = 100; user < 130; ++user)
                s.pushStatus(user, uint8_t(round % 3));
        for (uint32_t user = 100; user < 130; ++user)
            s.pushStatus(user, 6);
    });
    std::map<uint32_t, uint8_t> last;
    size_t count = 0;
    for (const Message& m : drain(*b)) {
        protocol::StatusRecord r;
        if (m.cmd() != Cmd::Status || !protocol::StatusRecord::decodeBody(m.body, r)) continue;
        ++count;
        last[r.userId] = r.status;
    }
    EXPECT_LT(count, size_t(20000)); // of 120 030 changes
    ASSERT_EQ(last.size(), size_t(30));
    for (auto [user, value] : last)
        EXPECT_EQ(value, 6) << user;
    b->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(b->waitFor(Cmd::Heartbeat));
}

TEST_F(ServerTest, AClientSendingFasterThanItsBudgetIsReadMoreSlowlyWhileOthersAreServed) {
    server_.reset();
    config_.messagesPerSecond = 1000;
    config_.messageBurst = 100;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    drain(*a, 300);
    std::string burst;
    for (int i = 0; i < 2000; ++i)
        burst += protocol::frameMessage(protocol::emptyMessage(Cmd::Heartbeat));
    a->sendAll(burst);
    // The colleague next to it is answered at once.
    QElapsedTimer t;
    t.start();
    b->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(b->waitFor(Cmd::Heartbeat, 2000));
    EXPECT_LT(t.elapsed(), 500);
    // The sender is served at its budget's pace: far from all of it after half a second …
    int answered = 0;
    while (t.elapsed() < 500)
        if (auto m = a->next(50); m && m->cmd() == Cmd::Heartbeat) ++answered;
    EXPECT_LT(answered, 1000);
    // … yet everything it sent is answered, and it is never cut off.
    while (answered < 2000)
        if (auto m = a->next(3000); m && m->cmd() == Cmd::Heartbeat)
            ++answered;
        else if (!m)
            break;
    EXPECT_EQ(answered, 2000);
    EXPECT_TRUE(a->connected());
}

} // namespace
} // namespace vantor::testing
