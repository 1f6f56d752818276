// Discussion groups through the assembled desktop against vantor-server: the group list's "+"
// opens the setup dialog, the picker chooses the members, the group reaches them; the creator's
// window shows the notice and the members, edits the texts in the manage dialog and removes a
// member from the member menu; a one-to-one window turns into a group window with its toolbar.
// Every dialog and question is window-modal and answered here by pressing its buttons.
#include "groups/group_fanout.h"
#include "people/people_core.h"
#include "protocol/text.h"
#include "ui/chat/chat_windows.h"
#include "ui/groups/group_setup_form.h"
#include "ui/groups/sel_user_form.h"
#include "ui/lists/user_list_box.h"
#include "window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002, kLi = 1003;

class GroupWindowsTest : public MainWindowTest {
  protected:
    void signInDesktop() {
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        window().resize(260, 560);
    }
    groups::GroupsCore& groupsOf(TestClient& c) { return c.core().groups(); }
    groups::GroupsCore& ownGroups() { return desktop->client().groups(); }
    // The only group of a client's store with this name (UTF-8).
    const protocol::Group* groupNamed(const directory::Directory& d, const char* name) {
        for (const auto& g : d.discussionGroups())
            if (g.name == protocol::toGbk(name)) return &g;
        return nullptr;
    }
    ui::TfrmChatForm* formOf(int conversationId) { return desktop->chatWindows()->existing(conversationId); }
    static QStringList rows(QTreeWidget* list) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0);
        return out;
    }
    static QMessageBox* box(QWidget* over, const char* name = nullptr) {
        for (QMessageBox* b : over->findChildren<QMessageBox*>())
            if (b->isVisible() && (!name || b->objectName() == QLatin1String(name))) return b;
        return nullptr;
    }
};

TEST_F(GroupWindowsTest, TheListsButtonCreatesAGroupWithThePickersColleagues) {
    signInDesktop();
    TestClient& wang = signIn("wangfang", "wangfang123");
    find<QToolButton>("Btn_Group")->click();
    auto* list = find<ui::TUserListBox>("UserListGroups");
    ASSERT_TRUE(drive([&] { return list->sectionButtonRect(0).isValid(); }));
    QTest::mouseMove(list->viewport(), list->sectionButtonRect(0).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->sectionButtonRect(0).center());
    ui::TfrmGroupSetup* setup = desktop->groupCreationDialog();
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->mode(), ui::TfrmGroupSetup::Mode::Create);
    EXPECT_EQ(setup->windowModality(), Qt::WindowModal);
    EXPECT_EQ(setup->windowTitle(), QStringLiteral("创建讨论组"));
    EXPECT_FALSE(setup->findChild<QTextEdit*>(QStringLiteral("Memo_GroupMsg"))->isVisibleTo(setup));
    desktop->openGroupCreation();
    EXPECT_EQ(desktop->groupCreationDialog(), setup) << "one at a time";

    // The empty name, then no members: each says so; the second opens the picker.
    auto* create = setup->findChild<QPushButton*>(QStringLiteral("btn_CreateGroup"));
    create->click();
    ASSERT_NE(setup->lastBox(), nullptr);
    EXPECT_EQ(setup->lastBox()->text(), QStringLiteral("请输入讨论组名称！"));
    setup->lastBox()->close();
    setup->findChild<QLineEdit*>(QStringLiteral("edt_GroupName"))->setText(QStringLiteral("项目组"));
    setup->findChild<QLineEdit*>(QStringLiteral("edt_GroupMemo"))->setText(QStringLiteral("新版本"));
    create->click();
    EXPECT_EQ(setup->lastBox()->text(), QStringLiteral("请选择讨论组人员！"));
    setup->lastBox()->close();
    ui::TSelUserForm* picker = setup->picker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择讨论组人员"));
    EXPECT_TRUE(picker->isVisible());

    // Ticks through the tree's boxes: the department ticks its people; unticking oneself unticks
    // the department; the chosen list and its count follow.
    QTreeWidgetItem* office = picker->itemOf(picker->picker().parent(picker->picker().nodeOfUser(kZhang)));
    ASSERT_NE(office, nullptr);
    EXPECT_EQ(office->text(0), QStringLiteral("总经理办公室"));
    office->setCheckState(0, Qt::Checked);
    EXPECT_EQ(picker->itemOfUser(kLi)->checkState(0), Qt::Checked);
    EXPECT_EQ(picker->selectedList()->count(), 3);
    EXPECT_EQ(picker->countLabel()->text(), QStringLiteral("3"));
    picker->itemOfUser(kZhang)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(office->checkState(0), Qt::Unchecked);
    EXPECT_EQ(picker->countLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(picker->selectedList()->item(0)->text(), QStringLiteral("王芳"));
    picker->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->click();
    EXPECT_EQ(setup->selectedIds(), (std::vector<uint32_t>{kWang, kLi}));

    create->click();
    ASSERT_TRUE(drive([&] { return groupNamed(wang.core().directory().directory(), "项目组") != nullptr; }));
    EXPECT_EQ(window().findChild<QMessageBox*>()->text(), QStringLiteral("创建讨论组成功！"));
    ASSERT_TRUE(drive([&] { return desktop->groupCreationDialog() == nullptr; })) << "the dialog closes";
    const protocol::Group* g = groupNamed(wang.core().directory().directory(), "项目组");
    EXPECT_EQ(g->creatorId, kZhang);
    EXPECT_EQ(g->topic, protocol::toGbk("新版本"));
    EXPECT_TRUE(groups::hasMember(g->members, kLi) && groups::hasMember(g->members, kZhang));
    const wire::Guid guid = g->guid;
    ASSERT_TRUE(drive([&] { return ownGroups().FindGroup(guid) != nullptr; }));
    // 李娜 was offline: the group is hers at sign-in.
    TestClient& li = signIn("lina", "lina123");
    EXPECT_NE(groupsOf(li).FindGroup(guid), nullptr);
}

TEST_F(GroupWindowsTest, TheCreatorEditsTheTextsAndRemovesAMemberFromTheMemberMenu) {
    signInDesktop();
    TestClient& wang = signIn("wangfang", "wangfang123");
    const groups::GroupOutcome created =
        ownGroups().CreateGroupFromDialog(protocol::toGbk("周报组"), {}, false, {kWang, kLi});
    ASSERT_TRUE(created.done);
    const wire::Guid guid = *created.group;
    ASSERT_TRUE(drive([&] { return ownGroups().FindGroup(guid) && groupsOf(wang).FindGroup(guid); }));

    desktop->chatWindows()->openGroup(guid);
    const int id = desktop->client().conversations().all().back()->id;
    ui::TfrmChatForm* form = formOf(id);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->groupPanel()->isVisible());
    EXPECT_FALSE(form->windowIcon().isNull()) << "the group picture";
    // Online members first in slot order (the creator's own id follows the chosen ones), the
    // creator marked; 李娜 (offline) last.
    EXPECT_EQ(rows(form->memberList()), (QStringList{QStringLiteral("王芳"), QStringLiteral("张伟  [管理员]"),
                                                     QStringLiteral("李娜")}));
    EXPECT_EQ(form->width(), 640);
    // 李娜 signs in: her row moves up among the online members.
    signIn("lina", "lina123");
    ASSERT_TRUE(drive([&] { return rows(form->memberList()).indexOf(QStringLiteral("李娜")) == 1; }));
    EXPECT_EQ(rows(form->memberList()), (QStringList{QStringLiteral("王芳"), QStringLiteral("李娜"),
                                                     QStringLiteral("张伟  [管理员]")}));

    // "讨论组设置": the manage dialog over the window; "更新信息" changes the texts everywhere.
    form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_GroupSetup"))->click();
    auto* setup = form->findChild<ui::TfrmGroupSetup*>();
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->mode(), ui::TfrmGroupSetup::Mode::Manage);
    EXPECT_EQ(setup->windowTitle(), QStringLiteral("讨论组管理"));
    EXPECT_EQ(setup->windowModality(), Qt::WindowModal);
    EXPECT_EQ(setup->findChild<QLineEdit*>(QStringLiteral("edt_GroupName"))->text(),
              QStringLiteral("周报组"));
    setup->findChild<QLineEdit*>(QStringLiteral("edt_GroupMemo"))->setText(QStringLiteral("每周五"));
    setup->findChild<QTextEdit*>(QStringLiteral("Memo_GroupMsg"))
        ->setPlainText(QStringLiteral("周五前交周报"));
    setup->findChild<QPushButton*>(QStringLiteral("btn_Update"))->click();
    EXPECT_EQ(form->groupNotice()->toPlainText(), QStringLiteral("周五前交周报"));
    EXPECT_EQ(form->memoLabel()->text(), QStringLiteral("每周五"));
    ASSERT_TRUE(drive([&] {
        const protocol::Group* g = groupsOf(wang).FindGroup(guid);
        return g && g->notice == protocol::toGbk("周五前交周报");
    }));

    // The member menu: none on one's own entry; "发送消息" and "从讨论组中删除" on another's.
    EXPECT_EQ(form->memberMenu(kZhang), nullptr);
    QMenu* menu = form->memberMenu(kWang);
    ASSERT_NE(menu, nullptr);
    QAction* remove = menu->findChild<QAction*>(QStringLiteral("N15"));
    ASSERT_NE(remove, nullptr);
    QAction* send = menu->findChild<QAction*>(QStringLiteral("N14"));
    ASSERT_NE(send, nullptr);
    send->trigger(); // the one-to-one conversation with 王芳
    ASSERT_NE(desktop->client().conversations().findOrCreate(
                  [&] {
                      protocol::ConversationKey k;
                      k.userA = kZhang;
                      k.userB = kWang;
                      return k;
                  }(),
                  false),
              nullptr);
    remove->trigger();
    QMessageBox* ask = box(form, "ConfirmRemoveBox");
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->windowModality(), Qt::WindowModal);
    EXPECT_EQ(ask->text(), QStringLiteral("确定要将 [王芳] 移出本讨论组吗？"));
    EXPECT_TRUE(groups::hasMember(ownGroups().FindGroup(guid)->members, kWang)) << "nothing before OK";
    ask->button(QMessageBox::Ok)->click();
    EXPECT_EQ(rows(form->memberList()),
              (QStringList{QStringLiteral("李娜"), QStringLiteral("张伟  [管理员]")}));
    ASSERT_TRUE(drive([&] { return groupsOf(wang).FindGroup(guid) == nullptr; }));
    menu->deleteLater();

    // "解散群" asks first; the window stays, read-only, and says why.
    form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_GroupSetup"))->click();
    setup = nullptr;
    for (auto* d : form->findChildren<ui::TfrmGroupSetup*>())
        if (d->isVisible()) setup = d;
    ASSERT_NE(setup, nullptr);
    setup->findChild<QPushButton*>(QStringLiteral("btn_Destroy"))->click();
    QMessageBox* dismiss = box(setup, "ConfirmDismissBox");
    ASSERT_NE(dismiss, nullptr);
    EXPECT_EQ(dismiss->text(), QStringLiteral("确定要解散本讨论组吗？"));
    EXPECT_NE(ownGroups().FindGroup(guid), nullptr) << "nothing before OK";
    dismiss->button(QMessageBox::Ok)->click();
    EXPECT_EQ(ownGroups().FindGroup(guid), nullptr);
    EXPECT_TRUE(form->input()->isReadOnly());
    EXPECT_TRUE(
        form->display()->toPlainText().contains(QStringLiteral("本讨论组已被解散，不能再发送信息。")));
}

// Without a connection the dialog says the group was not created, and stays open.
TEST_F(GroupWindowsTest, CreationOverAClosedConnectionIsReportedAsFailed) {
    signInDesktop();
    ui::TfrmGroupSetup* setup = desktop->openGroupCreation();
    setup->findChild<QLineEdit*>(QStringLiteral("edt_GroupName"))->setText(QStringLiteral("项目组"));
    setup->setSelected({kWang});
    EXPECT_EQ(setup->findChild<QListWidget*>(QStringLiteral("LV_SelUser"))->item(0)->text(),
              QStringLiteral("王芳"));
    messenger().SignOut(false);
    setup->findChild<QPushButton*>(QStringLiteral("btn_CreateGroup"))->click();
    ASSERT_NE(setup->lastBox(), nullptr);
    EXPECT_EQ(setup->lastBox()->text(), QStringLiteral("与服务器连接已经断开，讨论组操作没有完成。"));
    EXPECT_TRUE(setup->isVisible());
    EXPECT_EQ(desktop->groupCreationDialog(), setup);
}

TEST_F(GroupWindowsTest, QuickCreationTurnsTheOneToOneWindowIntoAGroupWindow) {
    signInDesktop();
    TestClient& wang = signIn("wangfang", "wangfang123");
    desktop->chatWindows()->openWith(kWang);
    const int id = desktop->client().conversations().all().back()->id;
    ui::TfrmChatForm* form = formOf(id);
    ASSERT_NE(form, nullptr);
    EXPECT_NE(form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_Audio")), nullptr);
    EXPECT_FALSE(form->groupPanel()->isVisible());

    form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_AddUser"))->click();
    auto* picker = form->findChild<ui::TSelUserForm*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("快速创建讨论组"));
    picker->itemOfUser(kLi)->setCheckState(0, Qt::Checked);
    picker->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->click();

    EXPECT_EQ(form->conversation()->kind(), protocol::kGroupConversation);
    EXPECT_EQ(form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_Audio")), nullptr);
    EXPECT_NE(form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_GroupSetup")), nullptr);
    EXPECT_TRUE(form->groupPanel()->isVisible());
    EXPECT_EQ(form->memberList()->topLevelItemCount(), 3);
    EXPECT_EQ(form->nameLabel()->text(), QStringLiteral("讨论组"));
    const wire::Guid guid = form->conversation()->key.groupId;
    ASSERT_TRUE(drive([&] { return groupsOf(wang).FindGroup(guid) != nullptr; }));

    // Adding from the group window: the members are ticked already; the new one joins.
    form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_AddUser"))->click();
    picker = nullptr;
    for (auto* p : form->findChildren<ui::TSelUserForm*>())
        if (p->isVisible()) picker = p;
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("添加讨论组人员"));
    EXPECT_EQ(picker->chosenIds(), (std::vector<uint32_t>{kZhang, kWang, kLi}));
    picker->itemOfUser(1004)->setCheckState(0, Qt::Checked);
    picker->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->click();
    EXPECT_EQ(form->memberList()->topLevelItemCount(), 4);
    ASSERT_TRUE(drive([&] {
        const protocol::Group* g = groupsOf(wang).FindGroup(guid);
        return g && groups::hasMember(g->members, 1004);
    }));
}

// Where the deployment shows branches, the picker also lists the colleagues by the organisation of
// their detail record, under their top-level department; those without one are left out, and
// switching the mode clears the ticks.
TEST_F(GroupWindowsTest, ThePickerByPersonGroupsColleaguesByTheirOrganisation) {
    signInDesktop();
    auto unitOf = [&](uint32_t id, const char* unit) {
        protocol::UserDetail d;
        d.userId = id;
        d.unit = protocol::toGbk(unit);
        desktop->client().people().setDetail(d);
    };
    unitOf(kWang, "总公司");
    unitOf(1006, "总公司"); // 客户端组, under 研发中心
    unitOf(kLi, "分公司");
    desktop->client().messenger().Machine.ShowBranch = true;
    std::vector<std::vector<uint32_t>> answers;
    ui::TSelUserForm* picker =
        ui::pickUsers(&window(), desktop->client(), QStringLiteral("选择接收人"), {kWang},
                      [&](const std::vector<uint32_t>& ids) { answers.push_back(ids); });
    auto* byPerson = picker->findChild<QToolButton*>(QStringLiteral("imgbtn_4"));
    ASSERT_TRUE(byPerson->isVisibleTo(picker));
    EXPECT_FALSE(picker->findChild<QLabel*>(QStringLiteral("Label1"))->isVisibleTo(picker));
    EXPECT_EQ(picker->chosenIds(), std::vector<uint32_t>{kWang});
    byPerson->click();
    EXPECT_TRUE(picker->chosenIds().empty()) << "switching clears the ticks";
    QStringList paths;
    for (uint32_t id : {kWang, 1006u, kLi}) {
        QTreeWidgetItem* item = picker->itemOfUser(id);
        ASSERT_NE(item, nullptr) << id;
        paths << item->parent()->parent()->text(0) + QLatin1Char('/') + item->parent()->text(0) +
                     QLatin1Char('/') + item->text(0);
    }
    EXPECT_EQ(paths,
              (QStringList{QStringLiteral("总公司/总经理办公室/王芳"), QStringLiteral("总公司/研发中心/杨磊"),
                           QStringLiteral("分公司/总经理办公室/李娜")}));
    EXPECT_EQ(picker->itemOfUser(kZhang), nullptr) << "no organisation known";
    picker->itemOfUser(kLi)->parent()->parent()->setCheckState(0, Qt::Checked);
    picker->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->click();
    EXPECT_EQ(answers, (std::vector<std::vector<uint32_t>>{{kLi}}));
}

} // namespace
} // namespace vantor::testing
