// The real main window over the client core, driven the way a person drives it.
#include "../../platform/test_net.h"
#include "directory/sectioned_model.h"
#include "directory/tree_model.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "shell/shell_core.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/org_tree.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>

#include <cstring>

namespace vantor::testing {
namespace {

QAction* menuEntry(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

TEST_F(MainWindowTest, SignsInFromThePanelAndOutAgainFromTheMenu) {
    startDesktop();
    ASSERT_TRUE(signInFromPanel(QStringLiteral("zhangwei"), QStringLiteral("zhangwei123")));
    EXPECT_TRUE(drive([&] { return seen("TrevUserList"); }));
    EXPECT_FALSE(seen("SignInPanel"));
    EXPECT_EQ(find<QLabel>("LblMyState")->text(), QStringLiteral("[在线]"));
    EXPECT_EQ(find<QLabel>("Lb_UserName")->text(), QStringLiteral("张伟"));
    EXPECT_EQ(find<QLabel>("Lb_UserMemo")->text(), QStringLiteral("欢迎大家随时找我沟通"));
    EXPECT_TRUE(window().shown().trayHint.endsWith(QStringLiteral("张伟 [在线]")))
        << window().shown().trayHint.toStdString();
    EXPECT_EQ(window().shown().balloonTitle, QStringLiteral("登录成功"));
    EXPECT_EQ(window().shown().trayIconIndex, 1);

    QMenu* menu = window().trayMenu();
    QAction* connect = menuEntry(menu, QStringLiteral("登录(&I)"));
    ASSERT_TRUE(connect);
    EXPECT_FALSE(connect->isEnabled());
    QAction* logout = menuEntry(menu, QStringLiteral("注销(N)"));
    ASSERT_TRUE(logout);
    EXPECT_TRUE(logout->isEnabled());
    for (const char* entry : {"主页...", "系统设置(&C)...", "更改名称/密码(&P)", "我的状态(&S)", "退出(&X)"})
        EXPECT_TRUE(menuEntry(menu, QString::fromUtf8(entry))) << entry;

    logout->trigger();
    EXPECT_TRUE(drive([&] { return signInPanelShown(); }));
    EXPECT_FALSE(logout->isEnabled());
    EXPECT_TRUE(connect->isEnabled());
    EXPECT_EQ(find<QLabel>("LblMyState")->text(), QStringLiteral("[未登录]"));
    EXPECT_EQ(window().width(), settings::kSignInWidth);
    // The remembered account is in the panel, the password is not.
    EXPECT_EQ(find<QLineEdit>("Edt_UserName")->text(), QStringLiteral("zhangwei"));
}

TEST_F(MainWindowTest, TheSignInPanelShowsTheLogoOfTheProgramFolder) {
    // The window reads SysImages/login_Logo.png when it is built.
    const QString logo = dir_.filePath(QStringLiteral("desktop/program/SysImages/login_Logo.png"));
    QDir().mkpath(QFileInfo(logo).path());
    QImage picture(97, 31, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(logo));
    startDesktop();
    EXPECT_EQ(find<QLabel>("Img_Logo")->pixmap().size(), QSize(97, 31));
    desktop.reset();
    QFile::remove(logo);
    startDesktop();
    EXPECT_NE(find<QLabel>("Img_Logo")->pixmap().size(), QSize(97, 31));
    EXPECT_FALSE(find<QLabel>("Img_Logo")->pixmap().isNull());
}

TEST_F(MainWindowTest, WhatTheSignInPanelRefuses) {
    struct Case {
        const char* what;
        bool host;
        const char* account;
        const char* password;
        const char* message; // the message box, or empty
        bool settingsDialog; // the settings dialog opened instead
        const char* balloon; // the balloon's title and text, or empty
    };
    const Case cases[] = {
        {"no account", true, "", "zhangwei123", "请输入用户名及密码！", false, ""},
        {"a password of spaces", true, "zhangwei", "     ", "请输入用户名及密码！", false, ""},
        {"no server", false, "zhangwei", "zhangwei123", "", true, ""},
        {"a wrong password", true, "zhangwei", "wrong", "", false, "登录失败 用户名或者密码输入错误！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startDesktop({}, c.host);
        ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
        find<QLineEdit>("Edt_UserName")->setText(QString::fromUtf8(c.account));
        find<QLineEdit>("Edt_Password")->setText(QString::fromUtf8(c.password));
        find<QPushButton>("btn_Login")->click();
        if (*c.balloon) {
            EXPECT_TRUE(drive([&] {
                return window().shown().balloonTitle + QLatin1Char(' ') + window().shown().balloonText ==
                       QString::fromUtf8(c.balloon);
            }));
        } else {
            drive([] { return false; }, 200);
        }
        EXPECT_EQ(window().shown().messageText, QString::fromUtf8(c.message));
        if (*c.message) {
            EXPECT_EQ(window().shown().messageTitle, QStringLiteral("提示"));
        }
        EXPECT_EQ(window().shown().settingsDialogOpened, c.settingsDialog ? 1 : 0);
        EXPECT_FALSE(messenger().SignedIn());
        EXPECT_TRUE(signInPanelShown());
        desktop.reset();
        QDir(folder).removeRecursively();
    }
}

TEST_F(MainWindowTest, ASilentServerKeepsTheProgressUntilCancelledOrTheWatchdog) {
    // A server that takes the connection and never answers.
    QTcpServer silent;
    std::vector<QTcpSocket*> held;
    QObject::connect(&silent, &QTcpServer::newConnection,
                     [&] { held.push_back(silent.nextPendingConnection()); });
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, freeLowPort()));
    startDesktop({}, true, silent.serverPort());
    ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
    find<QLineEdit>("Edt_UserName")->setText(QStringLiteral("zhangwei"));
    find<QLineEdit>("Edt_Password")->setText(QStringLiteral("zhangwei123"));
    find<QPushButton>("btn_Login")->click();
    EXPECT_TRUE(drive([&] { return seen("lb_Cancel") && !held.empty(); }, 8000, 0));
    EXPECT_FALSE(seen("btn_Login"));
    EXPECT_EQ(find<QLabel>("lb_Logining")->text(), QStringLiteral("正在登录..."));
    EXPECT_EQ(menuEntry(window().trayMenu(), QStringLiteral("取消登录(&I)")) != nullptr, true);

    // Cancelled: the inputs come back.
    emit find<QLabel>("lb_Cancel")->linkActivated(QStringLiteral("#"));
    EXPECT_TRUE(drive([&] { return seen("btn_Login"); }, 3000, 0));
    EXPECT_FALSE(seen("lb_Cancel"));
    EXPECT_TRUE(menuEntry(window().trayMenu(), QStringLiteral("登录(&I)")));

    // Again, and this time the watchdog gives up after 15 s with the balloon.
    find<QPushButton>("btn_Login")->click();
    EXPECT_TRUE(drive([&] { return seen("lb_Cancel") && held.size() == 2; }, 3000, 0));
    drive([] { return false; }, 100, 0); // the client takes the opened connection in
    clock_.advance(15000);
    EXPECT_TRUE(drive([&] { return seen("btn_Login"); }, 3000, 0));
    EXPECT_EQ(window().shown().balloonTitle, QStringLiteral("连接失败"));
    EXPECT_EQ(window().shown().balloonText, QStringLiteral("未能连接至服务器，请检查网络设置！"));
    qDeleteAll(held);
}

TEST_F(MainWindowTest, TreeTextsAndCountersFollowColleaguesAndTheOwnStatus) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    // The wide separator goes with the CJK sans face the window uses.
    EXPECT_EQ(departmentRow(1), QStringLiteral("总经理办公室  (1/3)"));
    EXPECT_EQ(userRow(1002), QStringLiteral("王芳"));

    TestClient& wang = signIn("wangfang", "wangfang123");
    EXPECT_TRUE(drive([&] { return departmentRow(1) == QStringLiteral("总经理办公室  (2/3)"); }));

    struct Step {
        uint8_t status;
        const char* row;
        const char* department;
    };
    const Step steps[] = {
        {1, "王芳（忙碌）", "总经理办公室  (2/3)"},
        {7, "王芳（请勿打扰）", "总经理办公室  (2/3)"},
        {9, "王芳", "总经理办公室  (1/3)"},
        {0, "王芳", "总经理办公室  (2/3)"},
    };
    for (const Step& s : steps) {
        wang.core().directory().presence().SetOwnStatus(s.status, std::nullopt, std::nullopt, false);
        EXPECT_TRUE(drive([&] {
            return userRow(1002) == QString::fromUtf8(s.row) &&
                   departmentRow(1) == QString::fromUtf8(s.department);
        })) << int(s.status)
            << ": " << userRow(1002).toStdString() << " " << departmentRow(1).toStdString();
    }
    // The parent department counts its sub-departments.
    EXPECT_TRUE(departmentRow(2).endsWith(QStringLiteral("(0/14)"))) << departmentRow(2).toStdString();

    // The own status from the status menu under LblMyState: shown once the server echoes it.
    QMenu* states = window().findChild<QMenu*>(QStringLiteral("PpMenuStates"));
    ASSERT_TRUE(states);
    menuEntry(states, QStringLiteral("离开"))->trigger();
    EXPECT_TRUE(drive([&] { return find<QLabel>("LblMyState")->text() == QStringLiteral("[离开]"); }));
    EXPECT_TRUE(menuEntry(states, QStringLiteral("离开"))->isChecked());
    EXPECT_EQ(window().shown().trayIconIndex, 2);
    EXPECT_TRUE(drive([&] { return wang.userRow(1001) == "张伟（离开）"; }));
}

TEST_F(MainWindowTest, TheSignatureIsEditedInPlaceAndShownOnceTheServerEchoesIt) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    TestClient& wang = signIn("wangfang", "wangfang123");
    auto* memo = find<QLabel>("Lb_UserMemo");
    auto* edit = find<QLineEdit>("Edt_UserMemo");
    QTest::mouseClick(memo, Qt::LeftButton);
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("欢迎大家随时找我沟通"));
    EXPECT_EQ(edit->maxLength(), 100);
    edit->setText(QStringLiteral("  今天在上海出差  "));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_TRUE(drive([&] { return memo->text() == QStringLiteral("今天在上海出差"); }));
    // The colleague sees it beside the name.
    EXPECT_TRUE(drive([&] {
        return wang.tree().indexOfUser(1001).data(directory::TreeModel::SignatureRole).toString() ==
               QStringLiteral("今天在上海出差");
    }));
}

TEST_F(MainWindowTest, TheTabsShowTheirViewsAndKeepTheChoice) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    auto* views = window().tree()->parentWidget();
    auto* stack = qobject_cast<QStackedWidget*>(views);
    ASSERT_TRUE(stack);
    struct Tab {
        const char* name;
        const char* hint;
        int view;
    };
    const Tab tabs[] = {{"Btn_QQView", "常用联系人", 1},
                        {"Btn_History", "最近联系人", 2},
                        {"Btn_Group", "讨论组", 3},
                        {"Btn_TreeView", "组织人员", 0}};
    for (const Tab& t : tabs) {
        auto* b = find<QToolButton>(t.name);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(t.hint));
        b->click();
        EXPECT_EQ(stack->currentIndex(), t.view) << t.name;
        EXPECT_TRUE(b->isChecked()) << t.name;
        EXPECT_EQ(desktop->client().directory().currentView(), t.view) << t.name;
    }
    find<QToolButton>("Btn_QQView")->click();
    settings::ProfileFile user(desktop->client().messenger().environment().layout.userFile(1001));
    EXPECT_EQ(user.readString("Init", "ViewStyle", ""), "FaceView");
}

TEST_F(MainWindowTest, TheSearchDropDownSelectsItsSingleMatch) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    auto* box = find<QLineEdit>("Edt_Search");
    QListWidget* drop = window().searchDrop();
    EXPECT_EQ(box->placeholderText(), QStringLiteral("搜索联系人等信息，可简拼查询"));

    QTest::keyClicks(box, QStringLiteral("wf")); // 王芳 by the initials of her name
    ASSERT_TRUE(drop->isVisible());
    ASSERT_EQ(drop->count(), 1);
    EXPECT_EQ(drop->currentRow(), 0);
    EXPECT_EQ(drop->item(0)->text(), QStringLiteral("王芳"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(windows.opened, std::vector<uint32_t>{1002});
    EXPECT_FALSE(drop->isVisible());
    EXPECT_TRUE(box->text().isEmpty());

    // Several matches: none is chosen for the user, and Enter opens nothing.
    QTest::keyClicks(box, QStringLiteral("l"));
    ASSERT_TRUE(drop->isVisible());
    EXPECT_GT(drop->count(), 1);
    EXPECT_EQ(drop->currentItem(), nullptr);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(windows.opened.size(), 1u);
    // No match: no drop-down.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("qqq"));
    EXPECT_FALSE(drop->isVisible());
}

TEST_F(MainWindowTest, TreeClicksAndKeys) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    ui::OrgTreeView* tree = window().tree();
    EXPECT_EQ(tree->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto& model = desktop->client().directory().tree();
    const QModelIndex market = model.indexOfDepartment(5);
    ASSERT_TRUE(market.isValid());
    tree->scrollTo(market);
    const bool wasOpen = tree->isExpanded(market);
    const QPoint at = tree->visualRect(market).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_NE(tree->isExpanded(market), wasOpen);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(tree->isExpanded(market), wasOpen);

    // Enter on a colleague opens the conversation; on oneself nothing.
    tree->setCurrentIndex(model.indexOfUser(1003));
    QTest::keyClick(tree, Qt::Key_Return);
    tree->setCurrentIndex(model.indexOfUser(1001));
    QTest::keyClick(tree, Qt::Key_Enter);
    EXPECT_EQ(windows.opened, std::vector<uint32_t>{1003});
    // A double click opens too.
    tree->scrollTo(model.indexOfUser(1002));
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                       tree->visualRect(model.indexOfUser(1002)).center());
    EXPECT_EQ(windows.opened, (std::vector<uint32_t>{1003, 1002}));
}

TEST_F(MainWindowTest, AlertsFlashAndTheIndicatorOpensTheOldestFirst) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    desktop->alerts().alertConversation({7, 1002, {}});
    desktop->alerts().alertConversation({8, 1003, {}});
    desktop->alerts().alertConversation({7, 1002, {}});
    EXPECT_EQ(sound.played.size(), 2);
    EXPECT_TRUE(seen("btn_MsgAlert"));
    EXPECT_EQ(find<QLabel>("lb_MsgAlert")->text(), QStringLiteral("2"));
    EXPECT_TRUE(window().shown().trayFlashPicture);
    clock_.advance(400);
    EXPECT_FALSE(window().shown().trayFlashPicture);
    clock_.advance(400);
    EXPECT_TRUE(window().shown().trayFlashPicture);

    find<QToolButton>("btn_MsgAlert")->click();
    EXPECT_EQ(windows.shown, std::vector<int>{7});
    EXPECT_EQ(find<QLabel>("lb_MsgAlert")->text(), QStringLiteral("1"));
    EXPECT_TRUE(desktop->shell().flasher().flashing());
    find<QToolButton>("btn_MsgAlert")->click();
    EXPECT_EQ(windows.shown, (std::vector<int>{7, 8}));
    EXPECT_FALSE(seen("btn_MsgAlert"));
    EXPECT_FALSE(desktop->shell().flasher().flashing());
    EXPECT_FALSE(window().shown().trayFlashPicture);
    // A conversation opened by hand from the tree is no longer pending.
    desktop->alerts().alertConversation({9, 1002, {}});
    window().tree()->setCurrentIndex(desktop->client().directory().tree().indexOfUser(1002));
    QTest::keyClick(window().tree(), Qt::Key_Return);
    EXPECT_EQ(windows.opened, std::vector<uint32_t>{1002});
    EXPECT_FALSE(seen("btn_MsgAlert"));
    EXPECT_FALSE(desktop->shell().flasher().flashing());
    // A group's conversation marks the group in the group list, by the group's identifier.
    client::ConversationAlert group{10, 0, {}};
    ASSERT_TRUE(wire::Guid::fromString("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}", group.groupId));
    desktop->alerts().alertConversation(group);
    auto* groups = find<ui::TUserListBox>("UserListGroups");
    EXPECT_TRUE(groups->isMarked(QStringLiteral("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}")));
    find<QToolButton>("btn_MsgAlert")->click();
    EXPECT_FALSE(groups->isMarked(QStringLiteral("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}")));
    // Ctrl+Q with nothing pending shows the main window from the tray.
    window().hide();
    desktop->shell().hotKey(platform::HotKey::CtrlQ);
    EXPECT_TRUE(window().isVisible());
}

std::string pendingCounts(uint8_t kind, uint8_t op, uint8_t value) {
    std::string b(45, '\0');
    b[33] = char(kind);
    b[37] = char(op);
    b[41] = char(value);
    return b;
}

std::string toolbarLink(const std::string& hint, const std::string& link, uint8_t kind) {
    std::string b(416, '\0');
    b[4] = char(hint.size());
    std::memcpy(&b[5], hint.data(), hint.size());
    b[156] = char(link.size());
    std::memcpy(&b[157], link.data(), link.size());
    b[412] = char(kind);
    return b;
}

TEST_F(MainWindowTest, BadgesAndServerToolbarButtons) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    struct Case {
        uint8_t kind, op, value;
        const char* picture;
        const char* number;
        bool visible;
        const char* text;
    };
    const Case cases[] = {
        {2, 0, 100, "ImgPP1", "labelPP1", true, "99+"}, {2, 2, 2, "ImgPP1", "labelPP1", true, "98"},
        {2, 2, 200, "ImgPP1", "labelPP1", false, ""},   {2, 1, 7, "ImgPP1", "labelPP1", true, "7"},
        {1, 0, 6, "ImgPP", "labelPP", true, "5"},       {1, 0, 1, "ImgPP", "labelPP", false, ""},
    };
    for (const Case& c : cases) {
        deliver(protocol::Cmd::PendingCounts, pendingCounts(c.kind, c.op, c.value));
        EXPECT_EQ(seen(c.picture), c.visible) << c.picture << " " << int(c.value);
        if (c.visible) {
            EXPECT_EQ(find<QLabel>(c.number)->text(), QString::fromUtf8(c.text));
        }
    }

    deliver(protocol::Cmd::ToolbarLink,
            toolbarLink(protocol::toGbk("网上报销"), "https://oa.local/sso?u=%s&p=%s", 3));
    EXPECT_TRUE(seen("Image5"));
    EXPECT_FALSE(seen("Image4"));
    EXPECT_EQ(find<QToolButton>("Image5")->toolTip(), QStringLiteral("网上报销"));
    find<QToolButton>("Image5")->click();
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].toString(), QStringLiteral("https://oa.local/sso?u=zhangwei&p=zhangwei123"));
    // The message-centre button's link zeroes its badge.
    deliver(protocol::Cmd::ToolbarLink, toolbarLink("", "http://mc.local/", 1));
    find<QToolButton>("btn_Polymerize")->click();
    EXPECT_FALSE(seen("ImgPP1"));
    EXPECT_EQ(links.size(), 2u);

    menuEntry(window().trayMenu(), QStringLiteral("注销(N)"))->trigger();
    EXPECT_FALSE(seen("Image5"));
    EXPECT_EQ(desktop->shell().toolbarLinks().size(), 0u);
}

// Sends a mouse event with a global position to a widget, as the window system would.
void mouse(QWidget* w, QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons) {
    QMouseEvent e(type, w->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(MainWindowTest, DraggedToTheTopItDocksAndSlidesOutOfTheWay) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().show();
    window().setScreenWidthForTests(1280);
    window().setGeometry(300, 200, 240, 500);
    const int h = window().height();
    const QPoint grip = window().geometry().topLeft() + QPoint(60, 10); // on the top bar
    mouse(&window(), QEvent::MouseButtonPress, grip, Qt::LeftButton);
    mouse(&window(), QEvent::MouseMove, grip + QPoint(0, -195), Qt::LeftButton);
    mouse(&window(), QEvent::MouseButtonRelease, grip + QPoint(0, -195), Qt::NoButton);
    EXPECT_EQ(window().y(), 5);
    EXPECT_EQ(desktop->shell().docking().state().edges, shell::DockTop);

    // The cursor elsewhere: the next tick leaves a strip of 2 pixels at the top.
    QCursor::setPos(900, 700);
    clock_.advance(shell::kAutoHideIntervalMs);
    EXPECT_EQ(window().y(), 2 - h);
    // Back onto the strip: it slides in.
    QCursor::setPos(400, 1);
    clock_.advance(shell::kAutoHideIntervalMs);
    EXPECT_EQ(window().y(), 0);

    // A press on the border resizes instead of dragging: the window does not move.
    const QPoint border = window().geometry().topLeft() + QPoint(2, 200);
    mouse(&window(), QEvent::MouseButtonPress, border, Qt::LeftButton);
    mouse(&window(), QEvent::MouseMove, border + QPoint(100, 0), Qt::LeftButton);
    mouse(&window(), QEvent::MouseButtonRelease, border + QPoint(100, 0), Qt::NoButton);
    EXPECT_EQ(window().x(), 300);
}

TEST_F(MainWindowTest, TheDesktopsOwnConversationWindowsOpenFromTheTreeAndTheHistoryButton) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    if (!desktop->chatWindows()) GTEST_SKIP() << "built without the conversation windows";
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    desktop->setConversationWindows(nullptr); // back to the desktop's own windows
    window().show();
    auto visibleWindow = [](const char* className) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && QLatin1String(w->metaObject()->className()) == QLatin1String(className))
                return w;
        return static_cast<QWidget*>(nullptr);
    };
    ui::OrgTreeView* tree = window().tree();
    tree->setCurrentIndex(desktop->client().directory().tree().indexOfUser(1002));
    QTest::keyClick(tree, Qt::Key_Return);
    QWidget* chat = visibleWindow("vantor::ui::TfrmChatForm");
    ASSERT_TRUE(chat);
    EXPECT_TRUE(chat->windowTitle().contains(QStringLiteral("王芳"))) << chat->windowTitle().toStdString();
    find<QToolButton>("ImgBtn_Search")->click();
    EXPECT_TRUE(visibleWindow("vantor::ui::THistoryForm"));
}

TEST_F(MainWindowTest, TheCloseButtonHidesTheSignedInWindowIntoTheTray) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    bool tray = true;
    window().trayAvailable = [&] { return tray; };
    window().show();
    find<QToolButton>("M_Close")->click();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(messenger().WindowHidden);
    EXPECT_TRUE(menuEntry(window().trayMenu(), QStringLiteral("打开主界面(&O)"))->isVisible());
    menuEntry(window().trayMenu(), QStringLiteral("打开主界面(&O)"))->trigger();
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(messenger().WindowHidden);
    EXPECT_TRUE(messenger().SignedIn());
    EXPECT_FALSE(menuEntry(window().trayMenu(), QStringLiteral("打开主界面(&O)"))->isVisible());

    // Without a notification area the window is only minimised, so the desktop can bring it back.
    tray = false;
    find<QToolButton>("M_Min")->click();
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().isMinimized());
    EXPECT_TRUE(messenger().WindowHidden);
    desktop->shell().trayDoubleClicked();
    EXPECT_FALSE(window().isMinimized());
}

} // namespace
} // namespace vantor::testing
