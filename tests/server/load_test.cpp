// A directory load larger than the socket buffers: it arrives whole and in order while the client
// reads slowly, and presence changes during it end consistent.
#include "server/store.h"
#include "server_fixture.h"

#include <QThread>

#include <map>

namespace vantor::testing {
namespace {

constexpr uint32_t kUsers = 60000; // about 11 MB of user items
constexpr uint32_t kFirstId = 1000;

class LargeLoadTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        server_.reset();
        server::Organisation org;
        org.hashIterations = 1;
        org.departments = {{1, 0, protocol::toGbk("总部")}};
        for (uint32_t i = 0; i < kUsers; ++i) {
            server::Colleague c;
            c.id = kFirstId + i;
            c.department = 1;
            c.name = "u" + std::to_string(c.id);
            c.signature = std::string(i % 101, 's');
            org.colleagues.push_back(c);
        }
        org.accounts = {{"first", kFirstId, "pw"}, {"last", kFirstId + kUsers - 1, "pw"}};
        std::string error;
        auto store = server::Store::open(config_.dbPath, &error);
        ASSERT_TRUE(store && store->importOrganisation(org, &error)) << error;
        store.reset();
        startServer();
    }
};

TEST_F(LargeLoadTest, ArrivesWholeInOrderAndConsistentWithChangesMadeMeanwhile) {
    WireClient c;
    ASSERT_TRUE(c.connectTo(server_->port()));
    protocol::LoginRequest login;
    login.account = "first";
    login.password = "pw";
    c.send(protocol::makeMessage(Cmd::Login, login));
    // Let the server fill every buffer, then change colleagues both behind and ahead of the load.
    QThread::msleep(300);
    const uint32_t early = kFirstId + 3, late = kFirstId + kUsers - 2;
    server_->call([&](server::Server& s) {
        s.pushStatus(early, protocol::kBusy);
        s.pushStatus(late, protocol::kAway);
    });

    std::map<uint32_t, uint8_t> status;
    uint32_t expected = 0;
    bool complete = false;
    while (auto m = c.next(5000)) {
        if (m->cmd() == Cmd::UserItem) {
            protocol::UserItem item;
            ASSERT_TRUE(protocol::UserItem::decodeBody(m->body, item)) << expected;
            ASSERT_EQ(item.position, expected);
            ASSERT_EQ(item.user.userId, kFirstId + expected);
            ASSERT_EQ(item.user.signature, std::string(expected % 101, 's'));
            EXPECT_EQ(item.user.isOwn, expected == 0);
            status[item.user.userId] = item.user.status;
            ++expected;
        } else if (m->cmd() == Cmd::Status) {
            protocol::StatusRecord s;
            ASSERT_TRUE(protocol::StatusRecord::decodeBody(m->body, s));
            EXPECT_TRUE(complete) << "a change overtook the load";
            status[s.userId] = s.status;
        } else if (m->cmd() == Cmd::LoginComplete) {
            complete = true;
        }
        if (complete && status[early] == protocol::kBusy && status[late] == protocol::kAway) break;
    }
    EXPECT_EQ(expected, kUsers);
    EXPECT_TRUE(complete);
    EXPECT_EQ(status[early], protocol::kBusy);
    EXPECT_EQ(status[late], protocol::kAway);
}

TEST_F(LargeLoadTest, ANewerSignInCutsAnUnreadLoadShort) {
    WireClient slow;
    ASSERT_TRUE(slow.connectTo(server_->port()));
    protocol::LoginRequest login;
    login.account = "first";
    login.password = "pw";
    slow.send(protocol::makeMessage(Cmd::Login, login));
    QThread::msleep(200);

    WireClient fresh;
    ASSERT_TRUE(fresh.connectTo(server_->port()));
    const SignInResult r = fresh.signIn("first", "pw");
    ASSERT_TRUE(r.complete);
    // The old connection gets what was already on its way, then the refusal, then its end.
    const auto told = slow.waitFor(Cmd::LoginReply, 10000); // its own acceptance
    ASSERT_TRUE(told);
    const auto refused = slow.waitFor(Cmd::LoginReply, 10000);
    ASSERT_TRUE(refused);
    protocol::LoginReply reply;
    ASSERT_TRUE(wire::decode(refused->body, reply));
    EXPECT_EQ(reasonOf(reply), "相同的用户在其它位置刚刚登录！");
    EXPECT_TRUE(slow.closedWithin());
}

} // namespace
} // namespace vantor::testing
