// The desktop client put together (client core, main window, conversation windows, history
// viewer) against the reference server: what one view does reaches the others.
#include "directory/sectioned_model.h"
#include "directory/tree_model.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "shell/shell_core.h"
#include "transfer/offline_files.h"
#include "transfer/transfers.h"
#include "ui/chat/chat_windows.h"
#include "ui/chat/file_list_box.h"
#include "ui/chat/info_center.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/org_tree.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002, kLi = 1003;

class DesktopWiringTest : public MainWindowTest {
  protected:
    QString programFolder() const { return dir_.filePath(QStringLiteral("desktop/program/")); }

    // A one-colour face picture in the program's head-picture folder.
    void writeFace(const QString& name, QColor colour) {
        QDir().mkpath(programFolder() + QStringLiteral("UserHead"));
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(programFolder() + QStringLiteral("UserHead/") + name, "BMP"));
    }

    // Signed in as zhangwei, with the desktop's own conversation windows.
    void startSignedIn() {
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        ASSERT_TRUE(desktop->chatWindows()) << "built without the conversation windows";
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        desktop->setConversationWindows(nullptr);
        window().show();
    }

    // Enter on the colleague's row of the organisation tree; the window that opens.
    ui::TfrmChatForm* openFromTree(uint32_t userId) {
        window().tree()->setCurrentIndex(desktop->client().directory().tree().indexOfUser(userId));
        QTest::keyClick(window().tree(), Qt::Key_Return);
        for (const auto& c : desktop->client().conversations().all())
            if (c->peerId == userId) return desktop->chatWindows()->existing(c->id);
        return nullptr;
    }

    template <class T>
    T* in(QWidget* w, const char* name) {
        T* child = w->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(child) << name;
        return child;
    }

    static QColor headColour(ui::TfrmChatForm* f) {
        const QImage image = f->headLabel()->pixmap().toImage();
        return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
    }

    // The contact group names the server keeps for zhangwei.
    std::vector<std::string> serverGroups() {
        return server().call([](server::Server& s) {
            std::vector<std::string> names;
            for (const auto& g : s.directory().contactGroupsOf(kZhang))
                names.push_back(protocol::fromGbk(g.name));
            return names;
        });
    }
    std::vector<std::string> localGroups() {
        std::vector<std::string> names;
        for (const auto& g : desktop->client().directory().directory().contactGroups())
            names.push_back(protocol::fromGbk(g.name));
        return names;
    }
    static bool has(const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    }
};

TEST_F(DesktopWiringTest, AnOpenWindowFollowsTheColleagueAndPunchesBeforeTheFirstMessage) {
    writeFace(QStringLiteral("7.bmp"), Qt::red); // 王芳's face picture in the sample organisation
    writeFace(QStringLiteral("12.bmp"), Qt::blue);
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    ASSERT_TRUE(drive([&] { return userRow(kWang) == QStringLiteral("王芳"); }));

    ui::TfrmChatForm* f = openFromTree(kWang);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(headColour(f), QColor(Qt::red)) << "the colleague's picture, not the default head";
    EXPECT_FALSE(f->smsBox()->isVisibleTo(f)) << "the server does not offer mobile texts";
    // Opening the window started the chat channel: the path is direct before anything is sent.
    EXPECT_TRUE(drive([&] {
        peer::TMySocket* channel = desktop->client().peers().chatChannel(kWang);
        return channel && !channel->ViaServer();
    }));

    // Status, signature, head picture and name, as the colleague and the server change them.
    auto* memo = in<QLabel>(f, "Lb_UserMemo");
    auto* status = in<QLabel>(f, "Image_Status");
    wang.core().directory().presence().SetOwnStatus(7, protocol::toGbk("出差中"), std::nullopt, false);
    EXPECT_TRUE(drive([&] { return memo->text() == QStringLiteral("出差中"); }));
    EXPECT_EQ(status->text(), QStringLiteral("勿"));
    wang.core().directory().presence().SetOwnStatus(7, std::nullopt, std::string("12"), false);
    EXPECT_TRUE(drive([&] { return headColour(f) == QColor(Qt::blue); }));
    server().call([](server::Server& s) { s.renameColleague(kWang, protocol::toGbk("王小芳")); });
    EXPECT_TRUE(drive([&] { return f->nameLabel()->text() == QStringLiteral("王小芳 "); }));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("王小芳 "));
    wang.core().directory().presence().SetOwnStatus(9, std::nullopt, std::nullopt, false);
    EXPECT_TRUE(drive([&] { return f->headLabel()->property("grey").toBool(); }));
}

TEST_F(DesktopWiringTest, TheAddButtonOpensOneSearchWizard) {
    startSignedIn();
    auto* add = window().findChild<QToolButton*>(QStringLiteral("btn_AddUser"));
    ASSERT_TRUE(add);
    ASSERT_TRUE(drive([&] { return add->isVisibleTo(&window()); })); // the server lets us add contacts
    auto wizards = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->objectName() == QStringLiteral("TfrmSearchAddUser") && w->isVisible();
        return n;
    };
    add->click();
    add->click();
    EXPECT_EQ(wizards(), 1);
}

TEST_F(DesktopWiringTest, AColleaguesPictureInTheTreeShowsTheCardAndTheOwnPictureTheDialog) {
    TestClient& wang = signIn("wangfang", "wangfang123");
    protocol::UserDetail d;
    d.company = protocol::toGbk("示例科技");
    d.officePhone = "010-6000 1002";
    wang.core().sendToServer(protocol::makeMessage(protocol::Cmd::UserDetailSave, d));
    startSignedIn();
    auto topLevel = [](const char* name) -> QWidget* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        return nullptr;
    };
    ui::OrgTreeView* tree = window().tree();
    const QModelIndex row = desktop->client().directory().tree().indexOfUser(kWang);
    tree->scrollTo(row);
    const int y = tree->visualRect(row).center().y();
    auto moveTo = [&](int x) {
        const QPoint at(x, y);
        QMouseEvent move(QEvent::MouseMove, at, tree->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
    };
    // The first rest over her picture asks for her details; once they are there, the card.
    moveTo(30);
    ASSERT_TRUE(drive([&] { return desktop->client().people().detail(kWang) != nullptr; }));
    moveTo(100);
    EXPECT_FALSE(topLevel("TfrmUserInfo"));
    moveTo(40);
    QWidget* card = topLevel("TfrmUserInfo");
    ASSERT_TRUE(card);
    EXPECT_EQ(card->x(), window().frameGeometry().left() - card->width() + 20);
    moveTo(60);
    EXPECT_FALSE(card->isVisible());

    QTest::mouseClick(window().findChild<QLabel*>(QStringLiteral("Img_Head")), Qt::LeftButton);
    EXPECT_TRUE(topLevel("TfrmUsePic"));
}

TEST_F(DesktopWiringTest, AnOfflineFileBringsTheSidePanelWhereItIsSavedWhole) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    // 王芳 leaves a file on the file server for 张伟.
    const QString path = dir_.filePath(QStringLiteral("季度报告.doc"));
    QByteArray bytes(3 * 4096 + 1, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 31 + 7);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    conversation::Conversation& c = wang.openWith(kZhang);
    transfer::TTransmitFile* t = wang.core().transfers().offer(c.key, kZhang, path);
    ASSERT_NE(t, nullptr);
    const uint64_t serial = t->serial;
    std::string id;
    ASSERT_TRUE(drive([&] {
        for (const auto& x : wang.core().transfers().all())
            if (x->serial == serial && !x->transmitId.empty()) id = x->transmitId;
        return !id.empty();
    }));
    ASSERT_TRUE(wang.core().offlineSends().start(id));

    // The notice brings the side panel, beside the main window, with the file.
    ASSERT_TRUE(drive([&] { return desktop->infoCenter() && desktop->infoCenter()->isVisible(); }, 30000));
    auto* panel = static_cast<ui::TfrmInfoCenter*>(desktop->infoCenter());
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    ASSERT_TRUE(drive([&] { return panel->opacityStep() == 190; }));
    ui::TFileListBox* list = panel->fileList();
    ASSERT_TRUE(drive([&] { return list->panelOf(id) != nullptr; }));
    const QString target = dir_.filePath(QStringLiteral("inbox/季度报告.doc"));
    QDir().mkpath(dir_.filePath(QStringLiteral("inbox")));
    list->askPath = [&](const QString&, std::function<void(const QString&, bool)> save) {
        save(target, false);
    };
    auto* saveAs = list->panelOf(id)->findChild<QPushButton*>(QStringLiteral("btn_SaveAs"));
    ASSERT_TRUE(saveAs);
    saveAs->click();
    ASSERT_TRUE(drive([&] { return desktop->client().offlineFiles().notHandled() == 0; }, 30000));
    QFile got(target);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), bytes);

    // M_Close fades it out and frees it.
    panel->findChild<QPushButton*>(QStringLiteral("M_Close"))->click();
    QPointer<QWidget> gone(panel);
    EXPECT_TRUE(drive([&] {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return gone.isNull();
    }));
}

TEST_F(DesktopWiringTest, TheSmsBoxAppearsWhenTheServerOffersItAndAsksTheServerToForward) {
    server().call([](server::Server& s) { s.setMobileTexts(true); });
    QDir().mkpath(dir_.filePath(QStringLiteral("desktop/Documents/KZQ")));
    settings::ProfileFile(dir_.filePath(QStringLiteral("desktop/Documents/KZQ/IM.Dat")).toStdString())
        .writeBool("Other", "ShowSMS", true);
    startSignedIn();

    ui::TfrmChatForm* f = openFromTree(kWang);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->smsBox()->isVisibleTo(f));
    EXPECT_EQ(f->smsBox()->text(), QStringLiteral("同时发送短信"));
    EXPECT_FALSE(f->smsBox()->isChecked());
    f->smsBox()->setChecked(true);
    f->input()->insertPlainText(QStringLiteral("明天上午九点见"));
    f->sendClick();

    std::deque<std::string> requests;
    ASSERT_TRUE(drive([&] {
        requests = server().call([](server::Server& s) { return s.smsRequests(); });
        return !requests.empty();
    }));
    const std::string& body = requests.front();
    ASSERT_EQ(body.size(), 355u);
    EXPECT_EQ(wire::loadU32(body.data()), kZhang);
    EXPECT_EQ(wire::loadU32(body.data() + 58), kWang);
    const std::string text = body.substr(100, uint8_t(body[99]));
    EXPECT_EQ(protocol::fromGbk(text), "明天上午九点见") << "the plain text";
}

TEST_F(DesktopWiringTest, AMinimisedWindowIsAlertedAndRestoringItStopsTheFlashing) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    ui::TfrmChatForm* f = openFromTree(kWang);
    ASSERT_TRUE(f);
    f->showMinimized();

    wang.say(wang.openWith(kZhang), "在吗？");
    const int id = f->conversationId();
    ASSERT_TRUE(drive([&] { return desktop->shell().alerts().isPending(id); }))
        << "a minimised window counts as hidden";
    EXPECT_TRUE(desktop->shell().flasher().flashing());
    EXPECT_TRUE(f->display()->toPlainText().contains(QStringLiteral("在吗？")));

    f->showNormal();
    EXPECT_FALSE(desktop->shell().alerts().isPending(id));
    EXPECT_FALSE(desktop->shell().flasher().flashing());
    EXPECT_FALSE(seen("btn_MsgAlert"));

    // Seen, a further message does not alert.
    wang.say(wang.openWith(kZhang), "好的");
    ASSERT_TRUE(drive([&] { return f->display()->toPlainText().contains(QStringLiteral("好的")); }));
    EXPECT_FALSE(desktop->shell().flasher().flashing());
}

TEST_F(DesktopWiringTest, DeleteGroupActsOnTheHeadingItWasChosenFrom) {
    startSignedIn();
    std::vector<QString> questions;
    window().textAsker = [](const QString&, std::function<void(std::optional<QString>)> answered) {
        answered(QStringLiteral("新组"));
    };
    window().asker = [&](const QString&, const QString& text, directory::Question,
                         std::function<void(bool)> answered) {
        questions.push_back(text);
        answered(true);
    };
    find<QToolButton>("Btn_QQView")->click();
    auto* list = find<ui::TUserListBox>("UserListFrequent");
    QAbstractItemModel* model = list->model();
    auto section = [&](const QString& name) {
        for (int r = 0; r < model->rowCount(); ++r) {
            const QModelIndex i = model->index(r, 0);
            if (i.data(directory::SectionedListModel::NameRole).toString() == name) return i;
        }
        return QModelIndex();
    };
    // The view menu opened by a right click at a row (or, invalid, below the rows).
    auto menuAt = [&](const QModelIndex& i) -> QMenu* {
        const QPoint pos =
            i.isValid() ? list->visualRect(i).center() : QPoint(5, list->viewport()->height() - 2);
        QContextMenuEvent e(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list->viewport(), &e);
        for (QMenu* m : window().findChildren<QMenu*>(QStringLiteral("PpMenuView")))
            if (m->isVisible()) return m;
        return nullptr;
    };
    auto entry = [](QMenu* m, const QString& text) -> QAction* {
        for (QAction* a : m->actions())
            if (a->text() == text) return a;
        return nullptr;
    };

    list->collapseAll(); // room below the headings
    QMenu* menu = menuAt(QModelIndex());
    ASSERT_TRUE(menu);
    EXPECT_FALSE(entry(menu, QStringLiteral("删除此分组"))->isEnabled()) << "no heading chosen";
    entry(menu, QStringLiteral("添加分组"))->trigger();
    menu->close();
    ASSERT_TRUE(
        drive([&] { return section(QStringLiteral("新组")).isValid() && has(serverGroups(), "新组"); }));

    // Another group is current; the right click is on the new group's heading.
    list->setCurrentIndex(section(QStringLiteral("常用同事")));
    menu = menuAt(section(QStringLiteral("新组")));
    ASSERT_TRUE(menu);
    QAction* del = entry(menu, QStringLiteral("删除此分组"));
    ASSERT_TRUE(del && del->isEnabled());
    del->trigger();
    menu->close();
    EXPECT_EQ(questions, std::vector<QString>{QStringLiteral("是否删除 新组 组？")});
    EXPECT_FALSE(section(QStringLiteral("新组")).isValid());
    EXPECT_TRUE(section(QStringLiteral("常用同事")).isValid());
    EXPECT_TRUE(drive([&] { return !has(serverGroups(), "新组"); }));
    EXPECT_TRUE(has(serverGroups(), "常用同事"));
}

TEST_F(DesktopWiringTest, QuestionsAnsweredAfterTheDirectoryChangedActOnWhatIsThereNow) {
    startSignedIn();
    std::vector<std::function<void(bool)>> open;
    std::vector<std::function<void(std::optional<QString>)>> openText;
    window().asker = [&](const QString&, const QString&, directory::Question, std::function<void(bool)> a) {
        open.push_back(std::move(a));
    };
    window().textAsker = [&](const QString&, std::function<void(std::optional<QString>)> a) {
        openText.push_back(std::move(a));
    };
    directory::Directory& dir = desktop->client().directory().directory();
    ASSERT_TRUE(dir.findUser(kWang) && dir.findUser(kWang)->record.frequent);

    // "删除联系人" asks; meanwhile the server replaces the colleague's record (a new name).
    dir.DeleteContact(kWang);
    ASSERT_EQ(open.size(), 1u);
    protocol::UserItem item;
    item.action = protocol::kItemAdded;
    item.user = dir.findUser(kWang)->record;
    item.user.name = protocol::toGbk("王芳芳");
    deliver(protocol::Cmd::UserItem, item.encodeBody());
    ASSERT_EQ(userRow(kWang), QStringLiteral("王芳芳"));
    open.back()(true);
    EXPECT_EQ(dir.contactGroupOf(kWang), 0u) << "the record there now left the contacts";
    EXPECT_TRUE(drive([&] {
        return server().call([](server::Server& s) {
            for (const auto& l : s.directory().contactLinksOf(kZhang))
                if (l.userId == kWang) return false;
            return true;
        });
    }));

    // A colleague removed by the server while the question is open: the answer finds no one.
    dir.DeleteContact(kLi);
    ASSERT_EQ(open.size(), 2u);
    ASSERT_TRUE(server().call([](server::Server& s) { return s.removeColleague(kLi); }));
    ASSERT_TRUE(drive([&] { return dir.findUser(kLi) == nullptr; }));
    open.back()(true);
    EXPECT_EQ(dir.findUser(kLi), nullptr);

    // "添加分组" and "删除此分组" open across a sign-out and a new sign-in: their answers are dropped.
    dir.AddContactGroup();
    dir.DeleteContactGroup(protocol::toGbk("管理团队")); // not empty: told so, nothing asked
    EXPECT_EQ(open.size(), 2u);
    ASSERT_EQ(openText.size(), 1u);
    messenger().SignOut(true);
    ASSERT_TRUE(signInFromPanel(QStringLiteral("zhangwei"), QStringLiteral("zhangwei123")));
    openText.back()(QStringLiteral("迟到的组"));
    EXPECT_FALSE(has(localGroups(), "迟到的组"));
    EXPECT_TRUE(has(localGroups(), "管理团队"));
    ASSERT_TRUE(drive([&] { return has(serverGroups(), "常用同事"); }));
    EXPECT_FALSE(has(serverGroups(), "迟到的组"));
}

TEST_F(DesktopWiringTest, TheHistoryViewerListsOutsidersGroupsAndTheServiceCentre) {
    writeFace(QStringLiteral("51.bmp"), Qt::green); // shown while no partner is chosen
    writeFace(QStringLiteral("7.bmp"), Qt::red);
    server().call([](server::Server& s) { s.setServiceDesk(true); });
    startSignedIn();
    server::Colleague outsider;
    outsider.id = 2001;
    outsider.department = 99; // no such department
    outsider.name = protocol::toGbk("外援");
    ASSERT_TRUE(
        server().call([&](server::Server& s) { return s.addColleague(outsider, "waiyuan", "waiyuan123"); }));
    client::ServicePointEntry point;
    ASSERT_TRUE(wire::Guid::fromString("{5D0C1B2A-3948-4756-A1B2-C3D4E5F60718}", point.guid));
    point.name = protocol::toGbk("IT服务台");
    point.description = protocol::toGbk("电脑与网络");
    const protocol::Message pushed{uint8_t(protocol::Cmd::ServicePoint), wire::encode(point)};
    ASSERT_TRUE(server().call([&](server::Server& s) { return s.pushRecord(kZhang, pushed); }));
    ASSERT_TRUE(drive([&] {
        return desktop->client().directory().directory().findUser(2001) &&
               !desktop->client().servicePoints().empty();
    }));

    find<QToolButton>("ImgBtn_Search")->click();
    QWidget* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QStringLiteral("THistoryForm")) viewer = w;
    ASSERT_TRUE(viewer);
    auto* head = in<QLabel>(viewer, "Image_Head");
    EXPECT_EQ(head->pixmap().toImage().pixelColor(14, 14), QColor(Qt::green));

    auto* tree = in<QTreeWidget>(viewer, "TrevPartner");
    auto top = [&](const QString& name) -> QTreeWidgetItem* {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == name) return tree->topLevelItem(i);
        return nullptr;
    };
    auto children = [](QTreeWidgetItem* item) {
        QStringList names;
        for (int i = 0; item && i < item->childCount(); ++i)
            names << item->child(i)->text(0);
        return names;
    };
    QTreeWidgetItem* outside = top(QStringLiteral("外部联系人"));
    ASSERT_TRUE(outside);
    EXPECT_EQ(tree->indexOfTopLevelItem(outside),
              tree->indexOfTopLevelItem(top(QStringLiteral("讨论组（群）"))) - 1)
        << "the catch-all comes after the departments";
    EXPECT_EQ(children(outside), QStringList{QStringLiteral("外援")});
    EXPECT_EQ(children(top(QStringLiteral("讨论组（群）"))), QStringList{QStringLiteral("年会筹备")});
    EXPECT_EQ(children(top(QStringLiteral("客服中心"))), QStringList{QStringLiteral("IT服务台")});

    // A colleague's face picture when there is no photo.
    QTreeWidgetItem* office = top(QStringLiteral("总经理办公室"));
    ASSERT_TRUE(office);
    QTreeWidgetItem* wang = nullptr;
    for (int i = 0; i < office->childCount(); ++i)
        if (office->child(i)->text(0) == QStringLiteral("王芳")) wang = office->child(i);
    ASSERT_TRUE(wang);
    emit tree->itemClicked(wang, 0);
    EXPECT_EQ(head->pixmap().toImage().pixelColor(14, 14), QColor(Qt::red));
    QTreeWidgetItem* desk = top(QStringLiteral("客服中心"))->child(0);
    emit tree->itemClicked(desk, 0);
    EXPECT_EQ(in<QLabel>(viewer, "Lb_Memo")->text(), QStringLiteral("电脑与网络"));
}

TEST_F(DesktopWiringTest, StatusCodesWithoutANameShowEmptyBracketsAndCountAsOnline) {
    startSignedIn();
    ASSERT_EQ(departmentRow(1), QStringLiteral("总经理办公室  (1/3)"));
    server().call([](server::Server& s) { s.pushStatus(kWang, 11); });
    EXPECT_TRUE(drive([&] {
        return userRow(kWang) == QStringLiteral("王芳（）") &&
               departmentRow(1) == QStringLiteral("总经理办公室  (2/3)");
    })) << userRow(kWang).toStdString();
    const QModelIndex row = desktop->client().directory().tree().indexOfUser(kWang);
    EXPECT_EQ(row.data(directory::TreeModel::PictureIndexRole).toInt(), 2 + 2);
    const int before = row.data(directory::TreeModel::StateIndexRole).toInt();
    EXPECT_EQ(before, 100) << "offline before; a code without a name leaves the index";
    server().call([](server::Server& s) { s.pushStatus(kWang, 1); });
    EXPECT_TRUE(drive([&] { return userRow(kWang) == QStringLiteral("王芳（忙碌）"); }));
    server().call([](server::Server& s) { s.pushStatus(kWang, 12); });
    EXPECT_TRUE(drive([&] { return userRow(kWang) == QStringLiteral("王芳（）"); }));
    EXPECT_EQ(desktop->client()
                  .directory()
                  .tree()
                  .indexOfUser(kWang)
                  .data(directory::TreeModel::StateIndexRole)
                  .toInt(),
              91);
}

} // namespace
} // namespace vantor::testing
