// Discussion groups through the assembled client against the reference server: creation with
// members online and offline, talking, the group's texts, leaving, removal and dismissal with
// windows open, quick creation from a one-to-one window, unknown members asked for once, and the
// 200 member slots.
#include "client_fixture.h"

#include "crypto/cipher.h"
#include "groups/group_fanout.h"
#include "groups/texts.h"
#include "history/message_store.h"
#include "protocol/text.h"
#include "server/server.h"

#include <map>

namespace vantor::testing {
namespace {

using protocol::Cmd;

// What the group windows were told.
struct RecordingGroupView : groups::IGroupView {
    std::map<int, groups::GroupWindowState> state; // the last header per window
    std::map<int, std::vector<uint32_t>> members;  // the last member panel per window
    std::map<int, std::vector<std::string>> lines; // system lines (UTF-8)
    std::vector<int> closed;
    void showGroup(conversation::Conversation& c, const groups::GroupWindowState& s) override {
        state[c.id] = s;
        if (!s.membersRebuilt) return;
        auto& ids = members[c.id];
        ids.clear();
        for (const auto& row : s.members)
            ids.push_back(row.id);
    }
    void systemLine(conversation::Conversation& c, const std::string& line) override {
        lines[c.id].push_back(protocol::fromGbk(line));
    }
    void closeConversation(conversation::Conversation& c) override { closed.push_back(c.id); }
    bool saw(int id, const std::string& text) const {
        const auto it = lines.find(id);
        if (it == lines.end()) return false;
        for (const auto& l : it->second)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
};

std::vector<uint32_t> idsOf(const protocol::Group& g) {
    std::vector<uint32_t> ids;
    for (uint32_t id : g.members)
        if (id) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> storedInGroup(TestClient& c, const protocol::Guid& guid) {
    std::vector<std::string> texts;
    const auto location = c.core().historyLocation();
    if (!location) return texts;
    c.core().finishHistoryWrites();
    for (const auto& r : history::ReadHistoryPage(*location, history::GroupKey(guid), 0).records)
        texts.push_back(protocol::fromGbk(crypto::DesDecryptText(r.text)));
    return texts;
}

std::string utf8(const std::string& gbk) {
    return protocol::fromGbk(gbk);
}

class GroupsTest : public ClientTest {
  protected:
    TestClient& member(const std::string& account) {
        TestClient& c = signIn(account, account + "123");
        views_.push_back(std::make_unique<RecordingGroupView>());
        c.core().setGroupView(views_.back().get());
        return c;
    }
    RecordingGroupView& viewOf(size_t i) { return *views_[i]; }
    // The server's copy of a group, taken on its thread.
    std::optional<server::DiscussionGroup> onServer(const protocol::Guid& guid) {
        return server().call([&](server::Server& s) -> std::optional<server::DiscussionGroup> {
            if (const server::DiscussionGroup* g = s.directory().group(guid)) return *g;
            return std::nullopt;
        });
    }
    std::vector<std::unique_ptr<RecordingGroupView>> views_;
};

// 张伟 (1001) creates a group with 王芳 (1002, online) and 李娜 (1003, offline), then talks,
// changes its texts, adds 刘洋 (1004); 王芳 leaves; 张伟 removes 李娜 and dismisses the group,
// each while the others have the group's window open.
TEST_F(GroupsTest, AGroupFromCreationToDismissal) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = member("zhangwei");
    TestClient& b = member("wangfang");

    const groups::GroupOutcome created = a.core().groups().CreateGroupFromDialog(
        protocol::toGbk("项目组"), protocol::toGbk("周报"), false, {1002, 1003, 1001, 1002});
    ASSERT_TRUE(created.done);
    EXPECT_EQ(utf8(created.text), "创建讨论组成功！");
    const protocol::Guid guid = *created.group;
    // The creator's copy arrives with the invitation the server sends back.
    ASSERT_TRUE(
        drive([&] { return a.core().groups().FindGroup(guid) && b.core().groups().FindGroup(guid); }));
    EXPECT_EQ(idsOf(*a.core().groups().FindGroup(guid)), (std::vector<uint32_t>{1001, 1002, 1003}));
    EXPECT_EQ(a.core().groups().FindGroup(guid)->creatorId, 1001u);
    EXPECT_EQ(utf8(b.core().groups().FindGroup(guid)->topic), "周报");

    // The offline member gets the group at sign-in.
    TestClient& c = member("lina");
    ASSERT_NE(c.core().groups().FindGroup(guid), nullptr);
    EXPECT_EQ(utf8(c.core().groups().FindGroup(guid)->name), "项目组");

    conversation::Conversation* wa = a.core().groups().OpenGroup(guid);
    conversation::Conversation* wb = b.core().groups().OpenGroup(guid);
    conversation::Conversation* wc = c.core().groups().OpenGroup(guid);
    ASSERT_TRUE(wa && wb && wc);
    EXPECT_EQ(viewOf(0).members[wa->id], (std::vector<uint32_t>{1002, 1003, 1001}));
    EXPECT_TRUE(viewOf(0).state[wa->id].ownIsCreator);
    EXPECT_FALSE(viewOf(1).state[wb->id].ownIsCreator);
    a.say(*wa, "大家好");
    ASSERT_TRUE(drive([&] { return !b.received().empty() && !c.received().empty(); }));
    EXPECT_EQ(b.received(), std::vector<std::string>{"大家好"});
    EXPECT_EQ(c.received(), std::vector<std::string>{"大家好"});
    for (TestClient* t : {&a, &b, &c})
        EXPECT_EQ(storedInGroup(*t, guid), std::vector<std::string>{"大家好"});

    // New texts: every member's copy and open window take them; the hidden flag stays each one's own.
    ASSERT_TRUE(a.core()
                    .groups()
                    .UpdateGroupInfo(*wa, protocol::toGbk("项目组二"), protocol::toGbk("新主题"),
                                     protocol::toGbk("周五交周报"), true)
                    .done);
    ASSERT_TRUE(drive([&] { return utf8(c.core().groups().FindGroup(guid)->name) == "项目组二"; }));
    EXPECT_EQ(utf8(c.core().groups().FindGroup(guid)->notice), "周五交周报");
    EXPECT_FALSE(c.core().groups().FindGroup(guid)->hidden);
    EXPECT_TRUE(a.core().groups().FindGroup(guid)->hidden);
    ASSERT_TRUE(drive([&] { return utf8(viewOf(1).state[wb->id].memo) == "主题：新主题"; }));
    EXPECT_EQ(utf8(viewOf(1).state[wb->id].notice), "周五交周报");
    ASSERT_TRUE(drive([&] { return utf8(onServer(guid)->notice) == "周五交周报"; }));

    // Adding: one already in is skipped, the new one is invited and saved.
    ASSERT_TRUE(a.core().groups().QuickCreateOrAddMembers(*wa, {1002, 1004}).done);
    ASSERT_TRUE(drive([&] { return idsOf(*b.core().groups().FindGroup(guid)).size() == 4; }));
    EXPECT_EQ(idsOf(*b.core().groups().FindGroup(guid)), (std::vector<uint32_t>{1001, 1002, 1003, 1004}));
    ASSERT_TRUE(drive([&] { return onServer(guid)->members.size() == 4; }));

    // 王芳 leaves: her window closes and her copy goes; the others clear her slot.
    const int wbId = wb->id;
    ASSERT_TRUE(b.core().groups().LeaveGroup(*wb).done);
    EXPECT_EQ(viewOf(1).closed, std::vector<int>{wbId});
    EXPECT_EQ(b.core().groups().FindGroup(guid), nullptr);
    EXPECT_EQ(b.core().conversations().byId(wbId), nullptr);
    ASSERT_TRUE(drive([&] { return idsOf(*c.core().groups().FindGroup(guid)).size() == 3; }));
    ASSERT_TRUE(drive([&] { return viewOf(0).members[wa->id].size() == 3; }));

    // 张伟 removes 李娜, whose window stays open, read-only, with a line that says why.
    ASSERT_TRUE(a.core().groups().RemoveMember(*wa, 1003).done);
    ASSERT_TRUE(drive([&] { return c.core().groups().FindGroup(guid) == nullptr; }));
    EXPECT_TRUE(wc->readOnly);
    EXPECT_TRUE(viewOf(2).saw(wc->id, "您已被移出本讨论组"));
    EXPECT_EQ(c.core().chat().send(*wc, protocol::toGbk("还在吗"), conversation::ChatFont{}),
              conversation::ChatCore::SendResult::Ignored);
    ASSERT_TRUE(drive([&] { return onServer(guid)->members.size() == 2; }));

    // Dismissal, with 刘洋's window open.
    TestClient& d = member("liuyang");
    conversation::Conversation* wd = d.core().groups().OpenGroup(guid);
    ASSERT_NE(wd, nullptr);
    ASSERT_TRUE(a.core().groups().DismissGroup(*wa).done);
    ASSERT_TRUE(drive([&] { return d.core().groups().FindGroup(guid) == nullptr; }));
    EXPECT_TRUE(wd->readOnly);
    EXPECT_TRUE(viewOf(3).saw(wd->id, "本讨论组已被解散"));
    EXPECT_TRUE(wa->readOnly);
    ASSERT_TRUE(drive([&] { return !onServer(guid).has_value(); }));
}

TEST_F(GroupsTest, AOneToOneWindowBecomesAGroupWindowForGood) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = member("zhangwei");
    TestClient& b = member("wangfang");
    TestClient& c = member("lina");
    conversation::Conversation& ab = a.openWith(1002);
    const int id = ab.id;
    // The picker's ticks may hold oneself and the peer: they are not new.
    const groups::GroupOutcome o = a.core().groups().QuickCreateOrAddMembers(ab, {1001, 1002, 1003});
    ASSERT_TRUE(o.done);
    EXPECT_EQ(ab.kind(), protocol::kGroupConversation);
    EXPECT_EQ(ab.peerId, 0u);
    EXPECT_EQ(ab.key.groupId, *o.group);
    EXPECT_EQ(a.core().conversations().byId(id), &ab);
    const protocol::Group* g = a.core().groups().FindGroup(*o.group);
    ASSERT_NE(g, nullptr); // at once, not only when the server answers
    EXPECT_EQ(utf8(g->name), "讨论组");
    EXPECT_EQ(utf8(g->topic), "张伟 创建的话题...");
    EXPECT_EQ(idsOf(*g), (std::vector<uint32_t>{1001, 1002, 1003}));
    ASSERT_TRUE(drive(
        [&] { return b.core().groups().FindGroup(*o.group) && c.core().groups().FindGroup(*o.group); }));

    a.say(ab, "转为群聊");
    ASSERT_TRUE(drive([&] { return !b.received().empty() && !c.received().empty(); }));
    const conversation::Conversation* atB =
        b.core().conversations().byId(b.conversationView.shown.back().conversation);
    ASSERT_NE(atB, nullptr);
    EXPECT_EQ(atB->kind(), protocol::kGroupConversation);
    EXPECT_EQ(atB->key.groupId, *o.group);

    // Nobody new ticked: nothing is sent, the window stays what it is.
    EXPECT_FALSE(a.core().groups().QuickCreateOrAddMembers(ab, {1002, 1003}).done);
    EXPECT_EQ(ab.key.groupId, *o.group);
}

// Members the client does not know are asked for once; a reply counts only for the ids asked.
TEST_F(GroupsTest, UnknownMembersAreAskedForOnce) {
    TestClient& a = member("zhangwei");
    protocol::GroupRecord invite;
    invite.targetId = 1001;
    invite.creatorId = 1001;
    invite.name = protocol::toGbk("外部组");
    invite.count = 4;
    invite.members = {1001, 1002, 7001, 7002};
    invite.key.groupId = groups::newGroupGuid();
    invite.key.kind = protocol::kGroupConversation;
    const protocol::Guid guid = invite.key.groupId;
    ASSERT_TRUE(server().call([&](server::Server& s) {
        return s.pushRecord(1001, protocol::makeMessage(Cmd::GroupInvite, invite));
    }));
    ASSERT_TRUE(drive([&] { return a.core().groups().FindGroup(guid) != nullptr; }));
    conversation::Conversation* w = a.core().groups().OpenGroup(guid);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(viewOf(0).members[w->id], (std::vector<uint32_t>{1001, 1002}));
    EXPECT_EQ(a.core().groups().outstandingQueries(guid), 2u);

    // The server knows neither; a reply naming one asked id and one not asked.
    auto user = [](uint32_t id, const char* name) {
        protocol::UserRecord u;
        u.userId = id;
        u.name = protocol::toGbk(name);
        u.status = 0;
        return u;
    };
    const std::string reply =
        protocol::encodeGroupMembersReply(guid, {user(7001, "外援"), user(7003, "路人")});
    ASSERT_TRUE(server().call([&](server::Server& s) {
        return s.pushRecord(1001, protocol::Message{uint8_t(Cmd::GroupMembers), reply});
    }));
    ASSERT_TRUE(drive([&] { return a.dir().findUser(7001) != nullptr; }));
    EXPECT_TRUE(a.dir().findUser(7001)->record.notInTree);
    EXPECT_EQ(a.dir().findUser(7003), nullptr);
    EXPECT_EQ(viewOf(0).members[w->id], (std::vector<uint32_t>{1001, 1002, 7001}));
    // 7002 never comes: rebuilding does not ask again.
    a.core().groups().RefreshGroupWindow(*w, true);
    a.core().groups().RefreshGroupWindow(*w, true);
    EXPECT_EQ(a.core().groups().outstandingQueries(guid), 1u);
}

// A group holds 200 members: what does not fit is refused with a text, never written past the last
// slot and never saved.
TEST_F(GroupsTest, TheTwoHundredSlotsBoundEveryAddition) {
    TestClient& a = member("zhangwei");
    auto others = [](uint32_t first, size_t n) {
        std::vector<uint32_t> ids;
        for (uint32_t id = first; ids.size() < n; ++id)
            ids.push_back(id);
        return ids;
    };
    const auto refused =
        a.core().groups().CreateGroupFromDialog(protocol::toGbk("大组"), {}, false, others(1002, 200));
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, groups::texts::tooManyToCreate());

    const auto created =
        a.core().groups().CreateGroupFromDialog(protocol::toGbk("大组"), {}, false, others(1002, 199));
    ASSERT_TRUE(created.done);
    ASSERT_TRUE(drive([&] { return a.core().groups().FindGroup(*created.group) != nullptr; }));
    conversation::Conversation* w = a.core().groups().OpenGroup(*created.group);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(idsOf(*a.core().groups().FindGroup(*created.group)).size(), protocol::kGroupSlots);
    const auto full = a.core().groups().QuickCreateOrAddMembers(*w, {9999});
    EXPECT_FALSE(full.done);
    EXPECT_EQ(full.text, groups::texts::notAdded(1));
    EXPECT_FALSE(groups::hasMember(a.core().groups().FindGroup(*created.group)->members, 9999));

    // Quick creation: oneself and the peer take two slots, so 198 of 200 ticked colleagues fit.
    conversation::Conversation& ab = a.openWith(1002);
    const std::vector<uint32_t> ticked = others(1003, 200);
    const auto quick = a.core().groups().QuickCreateOrAddMembers(ab, ticked);
    ASSERT_TRUE(quick.done);
    EXPECT_EQ(quick.text, groups::texts::notAdded(2));
    const protocol::Group* g = a.core().groups().FindGroup(*quick.group);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(idsOf(*g).size(), protocol::kGroupSlots);
    EXPECT_TRUE(groups::hasMember(g->members, 1001));
    EXPECT_TRUE(groups::hasMember(g->members, 1002));
    EXPECT_FALSE(groups::hasMember(g->members, ticked[198]));
    EXPECT_FALSE(groups::hasMember(g->members, ticked[199]));
}

// With the connection gone an operation reports its failure and changes nothing.
TEST_F(GroupsTest, OperationsWithoutAConnectionReportFailure) {
    TestClient& a = member("zhangwei");
    conversation::Conversation& ab = a.openWith(1002);
    a.messenger().SignOut(false);
    ASSERT_TRUE(drive([&] { return !a.messenger().ConnectionOpen(); }));
    const auto create = a.core().groups().CreateGroupFromDialog(protocol::toGbk("组"), {}, false, {1002});
    EXPECT_FALSE(create.done);
    EXPECT_EQ(create.text, groups::texts::notConnected());
    const auto quick = a.core().groups().QuickCreateOrAddMembers(ab, {1003});
    EXPECT_FALSE(quick.done);
    EXPECT_EQ(quick.text, groups::texts::notConnected());
    EXPECT_EQ(ab.kind(), protocol::kOneToOne);
}

} // namespace
} // namespace vantor::testing
