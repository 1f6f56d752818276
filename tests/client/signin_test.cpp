// Signing in fills the whole directory through the session's dispatch; signing out, however it
// happens, leaves no directory, no channel and no queued message behind.
#include "client_fixture.h"

#include "protocol/text.h"

namespace vantor::testing {
namespace {

using protocol::fromGbk;

TEST_F(ClientTest, SignInLoadsTheWholeOrganisation) {
    struct Case {
        const char* account;
        uint32_t id;
        const char* name;
        uint32_t department;
        int departmentSize;
        size_t contactGroups;
        size_t discussionGroups;
    } cases[] = {
        {"zhangwei", 1001, "张伟", 1, 3, 2, 1}, // 管理团队, 常用同事; 年会筹备
        {"yanglei", 1006, "杨磊", 3, 6, 2, 1},  // 客户端, 服务端; 研发周会
        {"hanbing", 1025, "韩冰", 6, 7, 0, 1},  // no contact groups; 年会筹备
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.account);
        TestClient& client = signIn(c.account, std::string(c.account) + "123");
        ASSERT_TRUE(client.messenger().SignedIn());

        const directory::Directory& d = client.dir();
        EXPECT_EQ(d.users().size(), 30u);
        EXPECT_EQ(d.departments().size(), 6u);
        EXPECT_EQ(d.contactGroups().size(), c.contactGroups);
        EXPECT_EQ(d.discussionGroups().size(), c.discussionGroups);
        ASSERT_NE(d.ownUser(), nullptr);
        EXPECT_EQ(d.ownUser()->id(), c.id);
        EXPECT_EQ(fromGbk(d.ownUser()->record.name), c.name);
        // The session took the own record from the directory.
        ASSERT_TRUE(client.messenger().OwnUser);
        EXPECT_EQ(client.messenger().OwnUser->userId, c.id);
        EXPECT_TRUE(client.messenger().UserKnown(1030));
        EXPECT_FALSE(client.messenger().UserKnown(4242));

        // The tree: the four top departments, the own one counting the own user online.
        EXPECT_GE(client.tree().rowCount(), 4);
        EXPECT_EQ(client.departmentRow(c.department), fromGbk(d.findDepartment(c.department)->record.name) +
                                                          " (1/" + std::to_string(c.departmentSize) + ")");
        EXPECT_EQ(client.userRow(c.id), c.name);
        EXPECT_EQ(client.departmentRow(2), "研发中心 (" + std::string(c.id == 1006 ? "1" : "0") + "/14)");

        // The directory's window: the own state after the sign-in and the tree made current.
        ASSERT_FALSE(client.directoryView.ownStates.empty());
        EXPECT_TRUE(client.directoryView.ownStates.back().signedIn);
        EXPECT_EQ(fromGbk(client.directoryView.ownStates.back().statusLabel), "[在线]");
        EXPECT_FALSE(client.directoryView.views.empty());
        EXPECT_TRUE(client.view.has("balloon 登录成功||15|error")) << "balloon";

        // Gone before the next one signs in, so that its counters count only itself.
        clients_.clear();
        ASSERT_TRUE(
            drive([&] { return !server().call([&](server::Server& s) { return s.isOnline(c.id); }); }));
    }
}

TEST_F(ClientTest, SignOutLeavesNoDirectoryChannelOrQueuedMessage) {
    struct Case {
        const char* how;
        std::function<void(TestClient&)> signOut;
    } cases[] = {
        {"by the user", [](TestClient& c) { c.messenger().LogoutMenuClicked(); }},
        {"after a failure", [](TestClient& c) { c.messenger().SignOut(false); }},
        // Last: the account is gone afterwards.
        {"removed by the server",
         [this](TestClient&) { server().call([](server::Server& s) { return s.removeColleague(1001); }); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        TestClient& client = signIn("zhangwei", "zhangwei123");
        ASSERT_TRUE(client.messenger().SignedIn());
        client.peers().ensureChatChannel(1002);
        client.peers().ensureChatChannel(1003);
        protocol::ChatMessage m;
        m.recipientId = 1002;
        m.senderId = 1001;
        client.peers().queueChat(m);
        ASSERT_EQ(client.peers().channels().size(), 2u);

        c.signOut(client);
        ASSERT_TRUE(drive([&] { return !client.messenger().SignedIn(); }));

        EXPECT_TRUE(client.dir().users().empty());
        EXPECT_TRUE(client.dir().departments().empty());
        EXPECT_EQ(client.dir().ownUser(), nullptr);
        // Only the (empty) catch-all node stays in the tree.
        for (int r = 0; r < client.tree().rowCount(); ++r) {
            const QModelIndex i = client.tree().index(r, 0);
            EXPECT_EQ(i.data(directory::TreeModel::KindRole).toInt(), directory::TreeModel::CatchAllItem);
            EXPECT_EQ(client.tree().rowCount(i), 0);
        }
        EXPECT_TRUE(client.peers().channels().empty());
        EXPECT_EQ(client.peers().chatChannel(1002), nullptr);
        EXPECT_EQ(client.peers().pending().size(), 0u);
        EXPECT_FALSE(client.core().statusTimerActive());
        EXPECT_FALSE(client.messenger().OwnUser);
        EXPECT_FALSE(client.directoryView.ownStates.back().signedIn);
    }
}

} // namespace
} // namespace vantor::testing
