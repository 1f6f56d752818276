// The contact operations of the view menus: what each sends, what it asks and what it refuses.
#include "fakes.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;

namespace {

class Contacts : public ::testing::Test {
  protected:
    void SetUp() override {
        h.signIn();
        auto zhang = user(2, 10, "张三", 0);
        zhang.frequent = true;
        zhang.contactGroupId = 5;
        h.feed(userItem(zhang));
        h.feed(userItem(user(3, 10, "李四", 0)));
        h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}}));
        h.feed(contactLinks({{2, 5}}));
        h.core.frequent().Fill(true);
    }

    std::vector<protocol::ContactsChange> sent() {
        std::vector<protocol::ContactsChange> out;
        for (const auto& m : h.server.take(protocol::Cmd::Contacts)) {
            protocol::ContactsChange c;
            EXPECT_TRUE(wire::decode(m.body, c));
            out.push_back(c);
        }
        h.server.sent.clear();
        return out;
    }

    Harness h;
};

void expectChange(const protocol::ContactsChange& c, uint32_t contact, uint32_t group,
                  const std::string& name, uint8_t cls, uint8_t op) {
    EXPECT_EQ(c.ownId, 1u);
    EXPECT_EQ(c.contactId, contact);
    EXPECT_EQ(c.groupId, group);
    EXPECT_EQ(c.groupName, name);
    EXPECT_EQ(c.operationClass, cls);
    EXPECT_EQ(c.operation, op);
}

} // namespace

TEST_F(Contacts, AddContactGroupSendsTheTrimmedName) {
    h.view.textAnswer = g("  新组 ");
    h.dir().AddContactGroup();
    EXPECT_EQ(h.view.prompts, std::vector<std::string>{g("请输入新建的分组名称:")});
    const auto msgs = h.server.take(protocol::Cmd::Contacts);
    ASSERT_EQ(msgs.size(), 1u);
    std::string expected("\x01\0\0\0"
                         "\0\0\0\0"
                         "\0\0\0\0"
                         "\x04\xD0\xC2\xD7\xE9",
                         17);
    expected += std::string(36, '\0') + std::string("\0\0", 2);
    EXPECT_EQ(msgs[0].body, expected);
    ASSERT_NE(h.dir().findContactGroup(g("新组")), nullptr);
    EXPECT_EQ(h.dir().findContactGroup(g("新组"))->groupId, 7u);
    EXPECT_TRUE(h.core.frequent().indexOfSection(7).isValid());
}

TEST_F(Contacts, AddContactGroupRefusals) {
    struct Case {
        std::optional<std::string> answer;
        bool error;
    };
    const Case cases[] = {{std::nullopt, false}, {g("   "), false}, {g("同事"), true}};
    for (const auto& c : cases) {
        h.view.messages.clear();
        h.view.textAnswer = c.answer;
        h.dir().AddContactGroup();
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(h.dir().contactGroups().size(), 2u);
        if (c.error) {
            ASSERT_EQ(h.view.messages.size(), 1u);
            EXPECT_EQ(h.view.messages[0].title, g("错误"));
            EXPECT_EQ(h.view.messages[0].text, g("已有相同的组存在！"));
            EXPECT_EQ(h.view.messages[0].icon, MessageIcon::Error);
        } else {
            EXPECT_TRUE(h.view.messages.empty());
        }
    }
}

TEST_F(Contacts, DeleteContactGroupRefusesAGroupWithContacts) {
    h.dir().DeleteContactGroup(g("同事"));
    EXPECT_TRUE(sent().empty());
    ASSERT_EQ(h.view.messages.size(), 1u);
    EXPECT_EQ(h.view.messages[0].title, g("提示"));
    EXPECT_EQ(h.view.messages[0].text, g("请先删除组内联系人后，再删除本组"));
    EXPECT_TRUE(h.view.questions.empty());
}

TEST_F(Contacts, DeleteContactGroupAsksFirst) {
    h.view.answers = {false, true};
    h.dir().DeleteContactGroup(g("朋友"));
    EXPECT_TRUE(sent().empty());
    h.dir().DeleteContactGroup(g("朋友"));
    ASSERT_EQ(h.view.questions.size(), 2u);
    EXPECT_EQ(h.view.questions[0].title, g("提示"));
    EXPECT_EQ(h.view.questions[0].text, g("是否删除 朋友 组？"));
    EXPECT_EQ(h.view.questions[0].buttons, Question::YesNo);
    const auto s = sent();
    ASSERT_EQ(s.size(), 1u);
    expectChange(s[0], 0, 0, g("朋友"), 1, 0);
    EXPECT_EQ(h.dir().findContactGroup(6), nullptr);
    EXPECT_FALSE(h.core.frequent().indexOfSection(6).isValid());
    h.dir().DeleteContactGroup(g("不存在")); // names compare exactly; unknown names do nothing
    EXPECT_EQ(h.view.questions.size(), 2u);
}

TEST_F(Contacts, AddContactToGroupSendsTheEntrysGroup) {
    h.dir().AddContactToGroup(3, 6);
    h.dir().AddContactToGroup(1, 6); // not for the own user
    const auto s = sent();
    ASSERT_EQ(s.size(), 1u);
    expectChange(s[0], 3, 6, g("朋友"), 0, 1);
    EXPECT_EQ(h.dir().findUser(3)->record.departmentId, 10u); // departments stay outside contact-group mode
}

TEST_F(Contacts, MoveContactReplacesTheLinkAndCreatesMissingGroups) {
    h.dir().MoveContact(2, g("朋友"));
    EXPECT_EQ(h.dir().contactGroupOf(2), 6u);
    EXPECT_EQ(h.dir().findUser(2)->record.contactGroupId, 6u);
    EXPECT_EQ(h.dir().contactLinkCount(5), 0);
    EXPECT_EQ(h.core.frequent().indexOfUser(2).parent(), h.core.frequent().indexOfSection(6));
    h.dir().MoveContact(2, g("新的"));
    const auto s = sent();
    ASSERT_EQ(s.size(), 2u);
    expectChange(s[0], 2, 6, g("朋友"), 0, 1);
    expectChange(s[1], 2, 7, g("新的"), 0, 1);
    // The group it left is empty now, so it can be deleted.
    h.dir().DeleteContactGroup(g("同事"));
    EXPECT_EQ(sent().size(), 1u);
}

TEST_F(Contacts, DeleteContactAsksForAFrequentContact) {
    h.view.answers = {false, true};
    h.dir().DeleteContact(2);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(h.dir().contactGroupOf(2), 5u);
    h.dir().DeleteContact(2);
    ASSERT_EQ(h.view.questions.size(), 2u);
    EXPECT_EQ(h.view.questions[0].title, g("联系人删除确认"));
    EXPECT_EQ(h.view.questions[0].text, g("确定要删除 张三 吗？"));
    EXPECT_EQ(h.view.questions[0].buttons, Question::OkCancel);
    const auto s = sent();
    ASSERT_EQ(s.size(), 1u);
    expectChange(s[0], 2, 0, "", 1, 1);
    const User* u = h.dir().findUser(2);
    EXPECT_EQ(u->record.contactGroupId, 0u);
    EXPECT_TRUE(u->record.notInTree);
    EXPECT_FALSE(h.core.frequent().indexOfUser(2).isValid());
    EXPECT_FALSE(h.core.tree().indexOfUser(2).isValid());
    EXPECT_EQ(h.dir().contactLinkCount(5), 0);
}

TEST_F(Contacts, DeleteContactOfAnOrdinaryColleagueAsksNothing) {
    h.dir().DeleteContact(3);
    h.dir().DeleteContact(1); // not for the own user
    EXPECT_TRUE(h.view.questions.empty());
    const auto s = sent();
    ASSERT_EQ(s.size(), 1u);
    expectChange(s[0], 3, 0, "", 1, 1);
    EXPECT_TRUE(h.core.tree().indexOfUser(3).isValid());
}

TEST_F(Contacts, ServerRemovalForgetsTheContactWithoutAsking) {
    h.core.recent().FillRecent(",2,3,");
    h.feed(userItem(user(2, 10, "张三", 0), protocol::kItemRemoved, 0));
    EXPECT_TRUE(h.view.questions.empty());
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(h.dir().contactLinkCount(5), 0);
    EXPECT_EQ(h.core.recent().recentText(), ",3,");
    EXPECT_EQ(h.core.frequent().indexOfSection(5).data().toString().toStdString(), "同事(0/0)");
}
