// The directory built from the server's messages: the load in any order, later changes, the
// catch-all node, contact-group mode, unknown users and the messages held for them.
#include "fakes.h"
#include "model_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;

namespace {

// Departments 10 总部 > 11 研发部 > 12 测试组, 10 > 13 财务部; colleagues in them, one in an
// unknown department, one without a department and one kept out of the tree.
std::vector<protocol::Message> organisation() {
    std::vector<protocol::Message> m = {
        departmentItem(10, 0, "总部"),
        departmentItem(11, 10, "研发部"),
        departmentItem(12, 11, "测试组"),
        departmentItem(13, 10, "财务部"),
    };
    auto own = user(1, 10, "我自己", 0);
    own.isOwn = true;
    auto hidden = user(7, 11, "孙八", 0);
    hidden.notInTree = true;
    for (const auto& u : {own, user(2, 11, "张三", 0), user(3, 12, "李四", 1), user(4, 13, "王五", 8),
                          user(5, 99, "赵六", 0), user(6, 0, "钱七", 8), hidden, user(8, 11, "周九", 3)})
        m.push_back(userItem(u));
    return m;
}

const char* const kOrganisationTree = "总部 (4/5)\n"
                                      "  研发部 (3/3)\n"
                                      "    测试组 (1/1)\n"
                                      "      李四（忙碌）\n"
                                      "    张三\n"
                                      "    周九（离开）\n"
                                      "  财务部 (0/1)\n"
                                      "    王五\n"
                                      "  我自己\n"
                                      "外部联系人 (1/2)\n"
                                      "  赵六\n"
                                      "  钱七\n";

} // namespace

TEST(DirectoryLoad, BuildsTheTreeWithCountersAndTheCatchAllNode) {
    Harness h;
    for (const auto& m : organisation())
        ASSERT_TRUE(h.feed(m));
    EXPECT_EQ(dump(h.core.tree()), kOrganisationTree);
    ASSERT_NE(h.dir().ownUser(), nullptr);
    EXPECT_EQ(h.dir().ownUser()->id(), 1u);
    EXPECT_EQ(h.host.watchdogRestarts, 12); // every item of the load
}

TEST(DirectoryLoad, AnyArrivalOrderGivesTheSameTree) {
    Harness reference;
    for (const auto& m : organisation())
        reference.feed(m);
    const std::string expected = canonical(reference.core.tree());

    std::mt19937 random(7);
    auto messages = organisation();
    std::vector<std::vector<protocol::Message>> orders = {{messages.rbegin(), messages.rend()}};
    for (int i = 0; i < 40; ++i) {
        std::shuffle(messages.begin(), messages.end(), random);
        orders.push_back(messages);
    }
    for (const auto& order : orders) {
        Harness h;
        for (const auto& m : order)
            h.feed(m);
        EXPECT_EQ(canonical(h.core.tree()), expected);
    }
}

TEST(DirectoryLoad, PositionZeroOfALoadStartsTheListsAfresh) {
    Harness h;
    for (const auto& m : organisation())
        h.feed(m);
    h.feed(departmentItem(20, 0, "新部门", protocol::kItemLoad, 0));
    h.feed(userItem(user(30, 20, "新人", 0), protocol::kItemLoad, 0));
    EXPECT_EQ(dump(h.core.tree()), "新部门 (1/1)\n  新人\n外部联系人 (0/0)\n");
    EXPECT_EQ(h.dir().users().size(), 1u);
    EXPECT_EQ(h.dir().ownUser(), nullptr);
}

TEST(DirectoryChanges, LiveItemsAddRemoveAndReplace) {
    Harness h;
    for (const auto& m : organisation())
        h.feed(m);
    // A live change arrives with position 0: it must not wipe the lists.
    h.feed(userItem(user(9, 13, "吴十", 0), protocol::kItemAdded, 0));
    h.feed(userItem(user(2, 11, "张三", 0), protocol::kItemRemoved, 0));
    h.feed(departmentItem(12, 11, "测试组", protocol::kItemRemoved, 0));
    h.feed(departmentItem(77, 0, "未知", protocol::kItemRemoved, 0)); // unknown: nothing changes
    EXPECT_EQ(dump(h.core.tree()), "总部 (3/4)\n"
                                   "  研发部 (1/1)\n"
                                   "    周九（离开）\n"
                                   "  财务部 (1/2)\n"
                                   "    吴十\n"
                                   "    王五\n"
                                   "  我自己\n"
                                   "外部联系人 (2/3)\n"
                                   "  赵六\n"
                                   "  李四（忙碌）\n"
                                   "  钱七\n");
    EXPECT_EQ(h.dir().findUser(2), nullptr);
    EXPECT_EQ(h.dir().departments().size(), 3u);
    // The department comes back: its colleague returns under it.
    h.feed(departmentItem(12, 11, "测试组", protocol::kItemAdded, 0));
    EXPECT_EQ(h.core.tree().data(h.core.tree().indexOfDepartment(12)).toString().toStdString(),
              "测试组 (1/1)");
    EXPECT_EQ(h.core.tree().parent(h.core.tree().indexOfUser(3)), h.core.tree().indexOfDepartment(12));
    EXPECT_EQ(h.host.watchdogRestarts, 12); // live changes do not restart the watchdog
}

TEST(DirectoryChanges, ARecordForAKnownIdReplacesIt) {
    Harness h;
    h.feed(departmentItem(10, 0, "总部"));
    h.feed(userItem(user(2, 10, "张三", 0)));
    h.feed(userItem(user(2, 10, "张三丰", 8), protocol::kItemAdded, 5));
    EXPECT_EQ(h.dir().users().size(), 1u);
    EXPECT_EQ(dump(h.core.tree()), "总部 (0/1)\n  张三丰\n外部联系人 (0/0)\n");
}

TEST(DirectoryChanges, FrequentContactActionReplacesTheRecordAndShowsTheBalloon) {
    Harness h;
    h.signIn();
    h.feed(contactGroups({{5, g("同事")}}));
    h.feed(userItem(user(2, 10, "张三", 0)));
    auto added = user(2, 10, "张三", 0);
    added.frequent = true;
    added.contactGroupId = 5;
    added.signature = g("新签名");
    h.feed(userItem(added, protocol::kItemFrequent, 0));
    EXPECT_EQ(h.dir().users().size(), 2u);
    EXPECT_EQ(h.dir().findUser(2)->record.signature, g("新签名"));
    EXPECT_EQ(h.dir().contactGroupOf(2), 5u);
    ASSERT_EQ(h.view.balloons.size(), 1u);
    EXPECT_EQ(h.view.balloons[0].title, g("张三"));
    EXPECT_EQ(h.view.balloons[0].text, g("已加入联系人列表"));
    EXPECT_EQ(h.view.balloons[0].seconds, 15);
    EXPECT_EQ(h.view.balloons[0].icon, BalloonIcon::Information);
}

TEST(DirectoryChanges, RenameUpdatesTheRowAndTheConversations) {
    Harness h;
    h.feed(departmentItem(10, 0, "总部"));
    h.feed(userItem(user(2, 10, "张三", 1)));
    h.feed(protocol::makeMessage(protocol::Cmd::UserRenamed, protocol::UserRenamed{2, g("张三丰")}));
    h.feed(protocol::makeMessage(protocol::Cmd::UserRenamed, protocol::UserRenamed{99, g("无名")}));
    EXPECT_EQ(h.core.tree().data(h.core.tree().indexOfUser(2)).toString().toStdString(), "张三丰（忙碌）");
    ASSERT_EQ(h.host.changed.size(), 1u);
    EXPECT_EQ(h.host.changed[0], std::make_pair(2u, false));
}

struct CatchAllCase {
    const char* name;
    bool contactGroupMode;
    const char* expected;
    friend void PrintTo(const CatchAllCase& c, std::ostream* os) { *os << c.name; }
};

class CatchAll : public ::testing::TestWithParam<CatchAllCase> {};

TEST_P(CatchAll, UnknownDepartmentGoesUnderTheCatchAllNode) {
    Harness h;
    h.dir().setContactGroupMode(GetParam().contactGroupMode);
    h.signIn(1, 0);
    h.feed(userItem(user(2, 4242, "外人", 0)));
    EXPECT_EQ(dump(h.core.tree()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, CatchAll,
                         ::testing::Values(CatchAllCase{"organisation", false,
                                                        "外部联系人 (2/2)\n  外人\n  我自己\n"},
                                           // the owner is not listed among the own contact groups
                                           CatchAllCase{"contactGroups", true, "其他联系人 (1/1)\n  外人\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContactGroupMode, TheOwnersGroupsTakeThePlaceOfTheDepartments) {
    Harness h;
    h.dir().setContactGroupMode(true);
    h.feed(departmentItem(10, 0, "总部"));
    h.signIn(1, 10);
    h.feed(userItem(user(2, 5, "张三", 0)));
    h.feed(userItem(user(3, 6, "李四", 8)));
    h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}}));
    EXPECT_EQ(dump(h.core.tree()), "同事 (1/1)\n  张三\n朋友 (0/1)\n  李四\n其他联系人 (0/0)\n");
    ASSERT_EQ(h.dir().departments().size(), 2u);
    EXPECT_EQ(h.dir().departments()[0]->record.reserved, 1u);

    // Adding a colleague to a group moves it there at once.
    h.core.directory().AddContactToGroup(3, 5);
    EXPECT_EQ(dump(h.core.tree()), "同事 (1/2)\n  张三\n  李四\n朋友 (0/0)\n其他联系人 (0/0)\n");
}

TEST(UnknownUsers, HeldMessagesAreReplayedWhenTheRecordArrives) {
    Harness h;
    h.signIn();
    protocol::ChatMessage first, second, other;
    first.senderId = 50;
    first.sendTick = 1;
    second.senderId = 50;
    second.sendTick = 2;
    other.senderId = 60;
    h.dir().HoldMessage(first);
    h.dir().HoldMessage(other);
    h.dir().HoldMessage(second);

    // One query per unknown sender and session.
    const auto queries = h.server.take(protocol::Cmd::UserQuery);
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[0].body, std::string("\x32\0\0\0", 4));
    EXPECT_EQ(queries[1].body, std::string("\x3c\0\0\0", 4));

    auto record = user(50, 10, "外来者", 0);
    record.isOwn = true; // must not take over the own record
    h.feed(protocol::Message{uint8_t(protocol::Cmd::UserQuery), wire::encode(record)});
    ASSERT_EQ(h.host.delivered.size(), 2u);
    EXPECT_EQ(h.host.delivered[0].sendTick, 1u);
    EXPECT_EQ(h.host.delivered[1].sendTick, 2u);
    EXPECT_EQ(h.dir().heldMessageCount(), 1u);
    EXPECT_EQ(h.host.arrived, std::vector<uint32_t>{50});
    EXPECT_TRUE(h.dir().findUser(50)->record.notInTree);
    EXPECT_EQ(h.dir().ownUser()->id(), 1u);
    EXPECT_FALSE(h.core.tree().indexOfUser(50).isValid());

    h.dir().QueryUser(50);
    EXPECT_EQ(h.server.take(protocol::Cmd::UserQuery).size(), 2u);
}

TEST(UnknownUsers, AnAnswerForAColleagueInTheTreeLeavesItThere) {
    Harness h;
    h.feed(departmentItem(10, 0, "总部"));
    h.feed(userItem(user(2, 10, "张三", 0)));
    h.feed(protocol::Message{uint8_t(protocol::Cmd::UserQuery), wire::encode(user(2, 10, "张三", 0))});
    EXPECT_TRUE(h.core.tree().indexOfUser(2).isValid());
    EXPECT_FALSE(h.dir().findUser(2)->record.notInTree);
}

TEST(DirectoryMessages, MalformedBodiesChangeNothing) {
    Harness h;
    EXPECT_FALSE(h.feed({uint8_t(protocol::Cmd::DepartmentItem), std::string(20, '\0')}));
    EXPECT_FALSE(h.feed({uint8_t(protocol::Cmd::ContactGroups), std::string("\xff\xff\0\0", 4)}));
    EXPECT_FALSE(h.feed({uint8_t(protocol::Cmd::Heartbeat), {}}));
    EXPECT_TRUE(h.dir().departments().empty());
}

TEST(DirectoryMessages, SignOutFreesEverything) {
    Harness h;
    for (const auto& m : organisation())
        h.feed(m);
    h.dir().QueryUser(77);
    h.core.SignedOut();
    EXPECT_TRUE(h.dir().users().empty());
    EXPECT_TRUE(h.dir().departments().empty());
    EXPECT_TRUE(h.dir().queriedUsers().empty());
    EXPECT_EQ(h.dir().ownUser(), nullptr);
    EXPECT_EQ(dump(h.core.tree()), "外部联系人 (0/0)\n");
    ASSERT_FALSE(h.view.ownStates.empty());
    EXPECT_EQ(h.view.ownStates.back().statusLabel, g("[未登录]"));
}
