// Greeting, version check, sign-in with its directory load, refusals, hand-over to a newer
// sign-in, heartbeat, presence, and the directory requests of a signed-in client.
#include "protocol/chat.h"
#include "protocol/group.h"
#include "server/client_input.h"
#include "server/password.h"
#include "server_fixture.h"

namespace vantor::testing {
namespace {

using protocol::UserItem;

TEST_F(ServerTest, SignInLoadsTheDirectoryAndEndsWithLoginComplete) {
    WireClient c;
    ASSERT_TRUE(c.connectTo(server_->port()));
    const SignInResult r = c.signIn("a", "pa", protocol::kBusy);
    ASSERT_TRUE(r.reply.success) << reasonOf(r.reply);
    EXPECT_EQ(r.version.updateFlag, 0);
    EXPECT_EQ(r.version.filePort, server_->filePort());
    EXPECT_FALSE(r.reply.sessionId.isNull());
    EXPECT_TRUE(r.reply.settings.mayCreateGroups);
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.load.back().cmd(), Cmd::LoginComplete);

    int departments = 0, groups = 0;
    std::vector<UserItem> users;
    std::vector<protocol::ContactGroup> contactGroups;
    std::vector<protocol::ContactLink> links;
    for (const auto& m : r.load) {
        if (m.cmd() == Cmd::DepartmentItem) ++departments;
        if (m.cmd() == Cmd::UserItem) {
            UserItem u;
            ASSERT_TRUE(UserItem::decodeBody(m.body, u));
            EXPECT_EQ(u.position, users.size());
            users.push_back(u);
        }
        if (m.cmd() == Cmd::GroupItem) {
            protocol::GroupItem g;
            ASSERT_TRUE(wire::decode(m.body, g));
            EXPECT_EQ(g.group.guid, groupGuid());
            EXPECT_EQ(g.group.creatorId, 11u);
            EXPECT_EQ(g.group.memberCount, 4u);
            ++groups;
        }
        if (m.cmd() == Cmd::ContactGroups) {
            ASSERT_TRUE(protocol::decodeList(m.body, contactGroups));
        }
        if (m.cmd() == Cmd::Contacts) {
            ASSERT_TRUE(protocol::decodeList(m.body, links));
        }
    }
    EXPECT_EQ(departments, 2);
    EXPECT_EQ(groups, 1);
    ASSERT_EQ(users.size(), 45u);
    for (const auto& u : users) {
        EXPECT_EQ(u.loadCount, 45u);
        EXPECT_EQ(u.user.isOwn, u.user.userId == 11) << u.user.userId;
        EXPECT_EQ(u.user.frequent, u.user.userId == 12) << u.user.userId;
        if (u.user.userId == 11) {
            EXPECT_EQ(u.user.status, protocol::kBusy);
            EXPECT_EQ(protocol::fromGbk(u.user.name), "张三");
        }
        if (u.user.userId == 12) {
            EXPECT_EQ(u.user.contactGroupId, 1u);
        }
    }
    ASSERT_EQ(contactGroups.size(), 1u);
    EXPECT_EQ(protocol::fromGbk(contactGroups[0].name), "朋友");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].userId, 12u);
}

TEST_F(ServerTest, WrongAccountsAreRefusedAndClosed) {
    const struct {
        const char* account;
        const char* password;
    } cases[] = {{"a", "wrong"}, {"nobody", "pa"}, {"", ""}, {"a", ""}};
    for (const auto& k : cases) {
        WireClient c;
        ASSERT_TRUE(c.connectTo(server_->port()));
        const SignInResult r = c.signIn(k.account, k.password);
        ASSERT_TRUE(r.answered) << k.account;
        EXPECT_FALSE(r.reply.success) << k.account;
        EXPECT_EQ(reasonOf(r.reply), "用户名或者密码输入错误！") << k.account;
        EXPECT_TRUE(c.closedWithin()) << k.account;
    }
}

TEST_F(ServerTest, ANewerSignInReplacesTheSessionAndTheOldOneIsTold) {
    auto first = signedIn('a');
    auto watcher = signedIn('b');
    auto second = signedIn('a');

    const auto told = first->waitFor(Cmd::LoginReply);
    ASSERT_TRUE(told);
    protocol::LoginReply reply;
    ASSERT_TRUE(wire::decode(told->body, reply));
    EXPECT_FALSE(reply.success);
    EXPECT_EQ(reasonOf(reply), "相同的用户在其它位置刚刚登录！");
    EXPECT_TRUE(first->closedWithin());

    // The account stays online through the newer session, which is answered.
    EXPECT_TRUE(server_->call([](server::Server& s) { return s.isOnline(11); }));
    second->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(second->waitFor(Cmd::Heartbeat));
    // The watcher never sees the account go offline.
    while (auto m = watcher->next(300)) {
        protocol::StatusRecord s;
        if (m->cmd() == Cmd::Status && protocol::StatusRecord::decodeBody(m->body, s) && s.userId == 11) {
            EXPECT_NE(s.status, protocol::kOffline);
        }
    }
}

TEST_F(ServerTest, StatusIsEchoedToTheSenderAndToldToColleagues) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    // a learns that b signed in.
    auto m = a->waitFor(Cmd::Status);
    ASSERT_TRUE(m);
    protocol::StatusRecord s;
    ASSERT_TRUE(protocol::StatusRecord::decodeBody(m->body, s));
    EXPECT_EQ(s.userId, 12u);
    EXPECT_EQ(s.status, protocol::kOnline);

    protocol::StatusRecord change;
    change.userId = 11;
    change.status = protocol::kAway;
    change.textKind = uint8_t(protocol::TextKind::Signature);
    change.text = protocol::toGbk("开会中");
    a->send(Message{uint8_t(Cmd::Status), change.encodeBody()});
    for (WireClient* c : {a.get(), b.get()}) {
        const auto got = c->waitFor(Cmd::Status);
        ASSERT_TRUE(got);
        ASSERT_TRUE(protocol::StatusRecord::decodeBody(got->body, s));
        EXPECT_EQ(s.userId, 11u);
        EXPECT_EQ(s.status, protocol::kAway);
        EXPECT_EQ(protocol::fromGbk(s.text), "开会中");
    }
    // A status in someone else's name is not taken.
    change.userId = 12;
    a->send(Message{uint8_t(Cmd::Status), change.encodeBody()});
    EXPECT_TRUE(b->quiet());

    // The signature is kept, and leaving makes the colleague offline for the others.
    a->send(protocol::emptyMessage(Cmd::Logout));
    EXPECT_TRUE(a->closedWithin());
    const auto gone = b->waitFor(Cmd::Status);
    ASSERT_TRUE(gone);
    ASSERT_TRUE(protocol::StatusRecord::decodeBody(gone->body, s));
    EXPECT_EQ(s.userId, 11u);
    EXPECT_EQ(s.status, protocol::kOffline);
    EXPECT_EQ(protocol::fromGbk(
                  server_->call([](server::Server& sv) { return sv.directory().user(11)->signature; })),
              "开会中");
}

TEST_F(ServerTest, HeartbeatUserQueryAndSearchAreAnswered) {
    auto a = signedIn('a');
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    EXPECT_TRUE(a->waitFor(Cmd::Heartbeat));

    Message q{uint8_t(Cmd::UserQuery), std::string(4, '\0')};
    wire::storeU32(q.body.data(), 13);
    a->send(q);
    const auto rec = a->waitFor(Cmd::UserQuery);
    ASSERT_TRUE(rec);
    protocol::UserRecord u;
    ASSERT_TRUE(wire::decode(rec->body, u));
    EXPECT_EQ(u.userId, 13u);
    EXPECT_EQ(protocol::fromGbk(u.name), "王五");

    // 45 colleagues: page 1 has 30 rows, page 2 the other 15.
    for (const auto& [page, rows] : {std::pair{1u, 30u}, std::pair{2u, 15u}}) {
        protocol::UserSearchRequest req;
        req.ownId = 11;
        req.page = page;
        a->send(protocol::makeMessage(Cmd::UserSearch, req));
        uint32_t got = 0;
        while (auto m = a->next(300)) {
            protocol::UserSearchResult res;
            ASSERT_TRUE(wire::decode(m->body, res));
            EXPECT_EQ(res.page, page);
            ++got;
        }
        EXPECT_EQ(got, rows) << "page " << page;
    }
    protocol::UserSearchRequest byDept;
    byDept.department = protocol::toGbk("总部");
    a->send(protocol::makeMessage(Cmd::UserSearch, byDept));
    const auto one = a->waitFor(Cmd::UserSearch);
    ASSERT_TRUE(one);
    protocol::UserSearchResult res;
    ASSERT_TRUE(wire::decode(one->body, res));
    EXPECT_EQ(protocol::fromGbk(res.department), "总部");
    while (a->next(300)) {
    }

    // The text also finds colleagues by account: "c" is 王五's account and in no one's name; "3" is
    // in the names 同事3, 同事13… and in no account.
    for (const auto& [text, expected] :
         {std::pair{"c", std::vector<uint32_t>{13}},
          std::pair{
              "3", std::vector<uint32_t>{103, 113, 123, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139}}}) {
        protocol::UserSearchRequest byText;
        byText.name = text;
        a->send(protocol::makeMessage(Cmd::UserSearch, byText));
        std::vector<uint32_t> ids;
        while (auto m = a->next(300)) {
            protocol::UserSearchResult r;
            ASSERT_TRUE(wire::decode(m->body, r));
            ids.push_back(r.userId);
        }
        EXPECT_EQ(ids, expected) << text;
    }
}

} // namespace
} // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(ServerTest, NameAndPasswordChangesAreConfirmedByARename) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    const struct {
        const char* name;
        const char* newPassword; // nullptr: the name alone
        const char* signInWith;
    } cases[] = {{"张三丰", nullptr, "pa"}, {"张三", "new secret", "new secret"}};
    for (const auto& c : cases) {
        server::ChangeNamePassword change;
        change.userId = 11;
        change.name = protocol::toGbk(c.name);
        if (c.newPassword) change.digest = server::passwordDigest(c.newPassword);
        a->send(protocol::makeMessage(Cmd::ChangeNamePassword, change));
        for (WireClient* w : {a.get(), b.get()}) {
            const auto m = w->waitFor(Cmd::UserRenamed);
            ASSERT_TRUE(m) << c.name;
            protocol::UserRenamed r;
            ASSERT_TRUE(wire::decode(m->body, r));
            EXPECT_EQ(r.userId, 11u);
            EXPECT_EQ(protocol::fromGbk(r.name), c.name);
        }
        WireClient again;
        ASSERT_TRUE(again.connectTo(server_->port()));
        EXPECT_TRUE(again.signIn("a", c.signInWith).reply.success) << c.name;
        a = std::make_unique<WireClient>(); // the old session was replaced
        ASSERT_TRUE(a->connectTo(server_->port()));
        ASSERT_TRUE(a->signIn("a", c.signInWith).complete);
        b->skipped.clear();
    }
    WireClient old;
    ASSERT_TRUE(old.connectTo(server_->port()));
    EXPECT_FALSE(old.signIn("a", "pa").reply.success);
}

} // namespace
} // namespace vantor::testing

namespace vantor::testing {
namespace {

TEST_F(ServerTest, OlderClientsAreToldToUpdate) {
    const struct {
        const char* minimum;
        uint8_t flag;
    } cases[] = {{"", 0}, {"1.5", 0}, {"1.5.0.0", 0}, {"1.5.0.1", 1}, {"1.10", 1}, {"2", 1}};
    for (const auto& c : cases) {
        server_.reset();
        config_.minimumVersion = c.minimum;
        startServer();
        WireClient w;
        ASSERT_TRUE(w.connectTo(server_->port()));
        const SignInResult r = w.signIn("a", "pa"); // the client's version is 1.5.0.0
        EXPECT_EQ(r.version.updateFlag, c.flag) << c.minimum;
    }
}

TEST_F(ServerTest, ContactsWorkStateMembersAndGroupSearchAreKept) {
    auto a = signedIn('a');
    // A new contact group, 13 put into it, 12 taken out of "朋友".
    a->send(protocol::makeMessage(Cmd::Contacts,
                                  protocol::ContactsChange{11, 0, 0, protocol::toGbk("项目"), 0, 0}));
    a->send(protocol::makeMessage(Cmd::Contacts,
                                  protocol::ContactsChange{11, 13, 0, protocol::toGbk("项目"), 0, 1}));
    a->send(protocol::makeMessage(Cmd::Contacts, protocol::ContactsChange{11, 12, 1, {}, 1, 1}));
    protocol::WorkStateRecord ws;
    ws.name = protocol::toGbk("开会");
    a->send(protocol::makeMessage(Cmd::WorkState, ws));
    const auto sync = a->waitFor(Cmd::WorkStateSync);
    ASSERT_TRUE(sync);
    protocol::WorkStateRecord echoed;
    ASSERT_TRUE(wire::decode(sync->body, echoed));
    EXPECT_EQ(protocol::fromGbk(echoed.name), "开会");

    protocol::GroupMembersQuery q;
    q.ownId = 11;
    q.guid = groupGuid();
    q.count = 3;
    q.ids[0] = 13;
    q.ids[1] = 999; // unknown: left out
    q.ids[2] = 14;
    a->send(protocol::makeMessage(Cmd::GroupMembers, q));
    const auto members = a->waitFor(Cmd::GroupMembers);
    ASSERT_TRUE(members);
    wire::Guid g;
    std::vector<protocol::UserRecord> users;
    ASSERT_TRUE(protocol::decodeGroupMembersReply(members->body, g, users));
    EXPECT_EQ(g, groupGuid());
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[1].userId, 14u);

    protocol::GroupSearchRequest search;
    search.keyword = protocol::toGbk("讨论");
    a->send(protocol::makeMessage(Cmd::GroupSearch, search));
    const auto found = a->waitFor(Cmd::GroupSearch);
    ASSERT_TRUE(found);
    protocol::GroupSearchResult res;
    ASSERT_TRUE(wire::decode(found->body, res));
    EXPECT_EQ(res.guid, groupGuid());
    EXPECT_NE(res.groupNumber, 0u);

    // The next sign-in loads the changed contacts and the work state.
    SignInResult r;
    auto again = signedIn('a', &r);
    std::vector<protocol::ContactGroup> groups;
    std::vector<protocol::ContactLink> links;
    for (const auto& m : r.load) {
        if (m.cmd() == Cmd::ContactGroups) {
            ASSERT_TRUE(protocol::decodeList(m.body, groups));
        }
        if (m.cmd() == Cmd::Contacts) {
            ASSERT_TRUE(protocol::decodeList(m.body, links));
        }
        protocol::UserItem item;
        if (m.cmd() == Cmd::UserItem && protocol::UserItem::decodeBody(m.body, item) &&
            item.user.userId == 11) {
            EXPECT_EQ(protocol::fromGbk(item.user.workState), "开会");
        }
    }
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(protocol::fromGbk(groups[1].name), "项目");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].userId, 13u);
    EXPECT_EQ(links[0].groupId, groups[1].groupId);
}

} // namespace
} // namespace vantor::testing
