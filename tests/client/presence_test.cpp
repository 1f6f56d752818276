// What one client does reaches the other's tree: a colleague signing in, changing status and
// signing out; and changes made on the server (colleagues added, removed, renamed, status pushed).
#include "client_fixture.h"

#include "protocol/text.h"
#include "server/organisation.h"

namespace vantor::testing {
namespace {

using protocol::fromGbk;
using protocol::toGbk;

TEST_F(ClientTest, AColleaguesSessionShowsInTheOthersTree) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient* b = nullptr;

    struct Step {
        const char* what;
        std::function<void()> act;
        const char* row;        // 王芳's row in a's tree
        const char* department; // 总经理办公室's row in a's tree
        int status;             // 王芳's status in a's directory
    } steps[] = {
        {"signs in", [&] { b = &signIn("wangfang", "wangfang123"); }, "王芳", "总经理办公室 (2/3)", 0},
        {"goes away",
         [&] { b->core().directory().presence().SetOwnStatus(3, std::nullopt, std::nullopt, false); },
         "王芳（离开）", "总经理办公室 (2/3)", 3},
        {"is busy",
         [&] { b->core().directory().presence().SetOwnStatus(1, std::nullopt, std::nullopt, false); },
         "王芳（忙碌）", "总经理办公室 (2/3)", 1},
        {"signs out", [&] { b->messenger().LogoutMenuClicked(); }, "王芳", "总经理办公室 (1/3)", 8},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(drive([&] { return a.dir().findUser(1002)->record.status == s.status; }))
            << int(a.dir().findUser(1002)->record.status);
        EXPECT_EQ(a.userRow(1002), s.row);
        EXPECT_EQ(a.departmentRow(1), s.department);
        EXPECT_EQ(a.tree().indexOfUser(1002).data(directory::TreeModel::StatusRole).toInt(), s.status);
    }
}

TEST_F(ClientTest, AStatusChangeShowsOnlyOnceTheServerEchoesIt) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    const size_t shown = b.directoryView.ownStates.size();
    ASSERT_TRUE(b.core().directory().presence().SetOwnStatus(3, std::nullopt, std::nullopt, false));
    // Nothing changes before the echo comes back.
    EXPECT_EQ(b.dir().ownUser()->record.status, 0);
    EXPECT_EQ(b.directoryView.ownStates.size(), shown);

    ASSERT_TRUE(drive([&] { return b.dir().ownUser()->record.status == 3; }));
    EXPECT_EQ(fromGbk(b.directoryView.ownStates.back().statusLabel), "[离开]");
    // The session's copy of the own record follows.
    EXPECT_EQ(b.messenger().OwnUser->status, 3);
    EXPECT_TRUE(drive([&] { return a.userRow(1002) == "王芳（离开）"; })) << a.userRow(1002);
}

TEST_F(ClientTest, ChangesMadeOnTheServerReachTheDirectory) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    struct Case {
        const char* what;
        std::function<void(server::Server&)> change;
        std::function<bool()> shown;
    } cases[] = {
        {"a colleague is added",
         [](server::Server& s) {
             server::Colleague c;
             c.id = 1031;
             c.department = 5;
             c.name = toGbk("新同事");
             s.addColleague(c, "xintongshi", "xintongshi123");
         },
         [&] { return a.userRow(1031) == "新同事" && a.departmentRow(5) == "市场部 (0/7)"; }},
        {"a colleague is renamed", [](server::Server& s) { s.renameColleague(1003, toGbk("李娜娜")); },
         [&] {
             return a.userRow(1003) == "李娜娜" && fromGbk(a.dir().findUser(1003)->record.name) == "李娜娜";
         }},
        {"a status is pushed", [](server::Server& s) { s.pushStatus(1004, 2); },
         [&] { return a.userRow(1004) == "刘洋（马上回来）" && a.departmentRow(2) == "研发中心 (1/14)"; }},
        {"a colleague is removed", [](server::Server& s) { s.removeColleague(1002); },
         [&] {
             return a.dir().findUser(1002) == nullptr && !a.tree().indexOfUser(1002).isValid() &&
                    a.departmentRow(1) == "总经理办公室 (1/2)";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server().call(c.change);
        EXPECT_TRUE(drive(c.shown));
    }
    EXPECT_TRUE(a.messenger().SignedIn());
}

TEST_F(ClientTest, AColleagueLeavingFreesItsChatChannel) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    struct Case {
        const char* what;
        uint8_t status;
        bool freed;
    } cases[] = {
        {"away", 3, false},
        {"offline", 8, true},
        {"on a phone", 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server().call([](server::Server& s) { s.pushStatus(1004, 0); });
        ASSERT_TRUE(drive([&] { return a.dir().findUser(1004)->record.status == 0; }));
        a.peers().ensureChatChannel(1004);
        server().call([&](server::Server& s) { s.pushStatus(1004, c.status); });
        ASSERT_TRUE(drive([&] { return a.dir().findUser(1004)->record.status == c.status; }));
        EXPECT_EQ(a.peers().chatChannel(1004) == nullptr, c.freed);
    }
}

} // namespace
} // namespace vantor::testing
