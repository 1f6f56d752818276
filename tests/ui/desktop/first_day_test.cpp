// What stopped a new user on their first day, through the assembled desktop against the reference
// server on an X server of the test's own: buttons of features still to come say so, every picture
// button has its hint, a missing sibling program is named in the user's words, the remembered
// password shows one dot per character and goes when it is not to be remembered, the tree keeps
// its open departments across sign-outs, Esc closes a conversation window, and a conversation
// window that opens again shows its last stored messages under a date line.
#include "../main/window_fixture.h"
#include "directory/tree_model.h"
#include "groups/groups_core.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "settings/stored_password.h"
#include "ui/chat/chat_windows.h"
#include "ui/main/org_tree.h"
#include "ui/notice/notice_form.h"
#include "ui/notice/notice_windows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002;

class FirstDayTest : public MainWindowTest {
  protected:
    void signInHere() {
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        desktop->setConversationWindows(nullptr); // the desktop's own conversation windows
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    }
    ui::TfrmChatForm* formWith(uint32_t userId) {
        for (const auto& c : desktop->client().conversations().all())
            if (c->peerId == userId) return desktop->chatWindows()->existing(c->id);
        return nullptr;
    }
    // The text of the newest box a button opened on its own (not the main window's).
    QString newestInformation() {
        QString text;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w);
                box && box->objectName() == QLatin1String("InformationBox")) {
                text = box->text();
                box->close();
            }
        return text;
    }
};

TEST_F(FirstDayTest, ButtonsOfFeaturesStillToComeSaySoAndEveryPictureButtonHasItsHint) {
    signInHere();
    // Each click opens a box of the main window's of its own.
    auto saysNotProvided = [&](const std::function<void()>& click) {
        for (QMessageBox* box : window().findChildren<QMessageBox*>(QStringLiteral("MessageBox")))
            delete box;
        click();
        const auto boxes = window().findChildren<QMessageBox*>(QStringLiteral("MessageBox"));
        return boxes.size() == 1 && boxes.front()->text() == QStringLiteral("此功能尚未提供");
    };
    // (btn_AddUser opens the search wizard.)
    for (const char* name : {"btn_MsgCenter"}) {
        auto* b = find<QToolButton>(name);
        ASSERT_TRUE(b);
        EXPECT_TRUE(saysNotProvided([b] { b->click(); })) << name;
    }
    // The skin button opens the skin dialog, without a box.
    for (QMessageBox* box : window().findChildren<QMessageBox*>(QStringLiteral("MessageBox")))
        delete box;
    find<QToolButton>("btn_ConverSkin")->click();
    EXPECT_TRUE(window().findChildren<QMessageBox*>(QStringLiteral("MessageBox")).isEmpty());
    QWidget* skinDialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("TfrmColor")) skinDialog = w;
    ASSERT_NE(skinDialog, nullptr);
    EXPECT_TRUE(skinDialog->isVisible());
    skinDialog->hide();
    // The notice button opens the notice reader, and no box.
    EXPECT_FALSE(saysNotProvided([&] { find<QToolButton>("Btn_Notice")->click(); }));
    ASSERT_TRUE(desktop->notices().reader());
    desktop->notices().reader()->close();
    for (QToolButton* b : window().findChildren<QToolButton*>())
        EXPECT_FALSE(b->toolTip().isEmpty()) << qPrintable(b->objectName());
    EXPECT_FALSE(find<QWidget>("Image_Tel")->toolTip().isEmpty());

    desktop->chatWindows()->openWith(kWang);
    ui::TfrmChatForm* form = formWith(kWang);
    ASSERT_NE(form, nullptr);
    for (QToolButton* b : form->findChildren<QToolButton*>())
        EXPECT_FALSE(b->toolTip().isEmpty()) << qPrintable(b->objectName());
    // Files are there: the button opens the chooser beside the window, which goes on working.
    form->findChild<QToolButton*>(QStringLiteral("ImgBtn_SendFile"))->click();
    auto* chooser = form->findChild<QFileDialog*>(QStringLiteral("SendFileDialog"));
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->fileMode(), QFileDialog::ExistingFiles);
    chooser->reject();
    for (const char* name :
         {"ImgBtn_RemoteDesktop", "ImgBtn_Audio", "ImgBtn_Video", "Image_CopyScreen", "Image_Card"}) {
        SCOPED_TRACE(name);
        auto* b = form->findChild<QToolButton*>(QLatin1String(name));
        ASSERT_TRUE(b);
        b->click();
        EXPECT_EQ(newestInformation(), QStringLiteral("此功能尚未提供"));
    }
}

TEST_F(FirstDayTest, AMissingSiblingIsNamedInTheUsersWords) {
    signInHere();
    find<QToolButton>("btn_NetFile")->click();
    ASSERT_FALSE(window().shown().problems.isEmpty());
    EXPECT_EQ(window().shown().problems.back(), QStringLiteral("文件管理程序没有安装"));
    EXPECT_FALSE(window().shown().messageText.contains(QLatin1Char('/'))) << "no build path";
}

// "群文件共享" of a group window starts the network-folder program with the main window's place,
// the own id, the group's identifier, the network-folder flag, the file server and 9203, one
// argument each; without the program the user is told.
TEST_F(FirstDayTest, AGroupsFileSharingStartsTheSiblingWithTheGroupsIdentifier) {
    signInHere();
    groups::GroupsCore& groups = desktop->client().groups();
    const groups::GroupOutcome created =
        groups.CreateGroupFromDialog(protocol::toGbk("共享组"), {}, false, {kWang});
    ASSERT_TRUE(created.done);
    ASSERT_TRUE(drive([&] { return groups.FindGroup(*created.group) != nullptr; }));
    conversation::Conversation* c = groups.OpenGroup(*created.group);
    ASSERT_NE(c, nullptr);
    ui::TfrmChatForm* form = desktop->chatWindows()->form(c->id);
    ASSERT_NE(form, nullptr);
    auto* share = form->findChild<QToolButton*>(QStringLiteral("ImgBtn_Dirhaven"));
    ASSERT_NE(share, nullptr);

    share->click();
    ASSERT_FALSE(window().shown().problems.isEmpty());
    EXPECT_EQ(window().shown().problems.back(), QStringLiteral("文件管理程序没有安装"));

    // A stand-in for the program: started with exactly these arguments.
    QFile standIn(folder + QStringLiteral("/program/Dirhaven"));
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    standIn.write("#!/bin/sh\nexit 0\n");
    standIn.close();
    standIn.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    launcher.starts.clear();
    share->click();
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, folder + QStringLiteral("/program/Dirhaven"));
    const session::TMessengerX& m = messenger();
    EXPECT_EQ(launcher.starts[0].arguments,
              (QStringList{QString::number(window().x()), QString::number(window().y()),
                           QStringLiteral("1001"), QString::fromStdString(created.group->toString()),
                           m.ServerSettings.netFolderFlag ? QStringLiteral("-1") : QStringLiteral("0"),
                           QString::fromStdString(m.FileServerAddress), QStringLiteral("9203")}));
}

TEST_F(FirstDayTest, RememberedPasswordShowsItsOwnLengthAndAForgottenOneGoesAtSignOut) {
    // A password remembered from an earlier run.
    const QString machineFile = dir_.filePath(QStringLiteral("desktop/Documents/KZQ/IM.Dat"));
    QDir().mkpath(QFileInfo(machineFile).path());
    {
        settings::ProfileFile machine(machineFile.toStdString());
        machine.writeString("Login", "UserName", "zhangwei");
        machine.writeString("Login", "Password", settings::storedPasswordText("zhangwei123"));
        machine.writeInteger("Login", "SavePass", 1);
    }
    startDesktop();
    ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
    auto* password = find<QLineEdit>("Edt_Password");
    EXPECT_EQ(password->text(), QStringLiteral("zhangwei123")) << "one dot per character";
    EXPECT_EQ(password->displayText().size(), 11);

    // Signed in without remembering: after the sign-out the box is empty.
    find<QCheckBox>("Cb_SavePass")->setChecked(false);
    find<QPushButton>("btn_Login")->click();
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_EQ(find<QLineEdit>("Edt_UserName")->text(), QStringLiteral("zhangwei"));
}

TEST_F(FirstDayTest, TheTreeKeepsItsOpenDepartmentsAcrossSignOuts) {
    signInHere();
    ui::OrgTreeView* tree = window().tree();
    auto& model = desktop->client().directory().tree();
    auto isOpen = [&](uint32_t department) { return tree->isExpanded(model.indexOfDepartment(department)); };
    ASSERT_TRUE(drive([&] { return model.indexOfDepartment(3).isValid(); }));
    tree->expand(model.indexOfDepartment(1));
    tree->collapse(model.indexOfDepartment(1));
    tree->expand(model.indexOfDepartment(2));
    tree->expand(model.indexOfDepartment(3));
    messenger().LogoutMenuClicked();
    ASSERT_TRUE(signInFromPanel(QStringLiteral("zhangwei"), QStringLiteral("zhangwei123")));
    ASSERT_TRUE(drive([&] { return model.indexOfDepartment(3).isValid(); }));
    EXPECT_FALSE(isOpen(1));
    EXPECT_TRUE(isOpen(2));
    EXPECT_TRUE(isOpen(3));
    EXPECT_FALSE(isOpen(4));
}

TEST_F(FirstDayTest, EscClosesAndAReopenedConversationShowsItsRecentMessages) {
    signInHere();
    TestClient& wang = signIn("wangfang", "wangfang123");
    conversation::Conversation& toZhang = wang.openWith(kZhang);
    for (int i = 1; i <= 7; ++i)
        wang.say(toZhang, "第" + std::to_string(i) + "条消息");
    ASSERT_TRUE(drive([&] {
        ui::TfrmChatForm* f = formWith(kWang);
        return f && f->display()->toPlainText().contains(QStringLiteral("第7条消息"));
    }));
    desktop->chatWindows()->openWith(kWang);
    ui::TfrmChatForm* form = formWith(kWang);
    ASSERT_TRUE(form && form->isVisible());
    QTest::keyClick(form->input(), Qt::Key_Escape);
    ASSERT_TRUE(drive([&] { return formWith(kWang) == nullptr; })) << "Esc closed the window";

    desktop->chatWindows()->openWith(kWang);
    form = formWith(kWang);
    ASSERT_TRUE(form);
    QStringList lines;
    for (QTextBlock b = form->display()->document()->begin(); b.isValid(); b = b.next())
        if (!b.text().trimmed().isEmpty()) lines << b.text();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.front().startsWith(QStringLiteral("以下记录日期："))) << qPrintable(lines.join('\n'));
    const QString shown = lines.join(QLatin1Char('\n'));
    EXPECT_FALSE(shown.contains(QStringLiteral("第2条消息")));
    for (int i = 3; i <= 7; ++i)
        EXPECT_TRUE(shown.contains(QStringLiteral("第%1条消息").arg(i))) << i;
    EXPECT_TRUE(shown.contains(QStringLiteral("王芳 "))) << "under the sender's name";
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    form->resize(590, 510);
    form->grab().save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/conversation-reopened.png"));
}

} // namespace
} // namespace vantor::testing
