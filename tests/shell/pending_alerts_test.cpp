#include "fake_shell_view.h"
#include "platform/clock.h"
#include "platform/sound.h"
#include "shell/desktop_notices.h"
#include "shell/pending_alerts.h"
#include "shell/siblings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace vantor::shell {
namespace {

class Windows : public client::IConversationWindows {
  public:
    void openWith(uint32_t) override {}
    void showConversation(int id) override { shown.push_back(id); }
    void openHistory(uint32_t) override {}
    std::vector<int> shown;
};

class PendingAlertsTest : public ::testing::Test {
  protected:
    PendingAlertsTest() { alerts.setWindows(&windows); }
    test::FakeShellView view;
    platform::ManualClock clock;
    platform::RecordingSoundPlayer sound;
    TrayFlasher flasher{view, clock};
    QString soundFile = QStringLiteral("/prog/Sound/msg.wav");
    PendingAlerts alerts{
        view,
        flasher,
        sound,
        {[](const client::ConversationAlert& a) { return QStringLiteral("pic%1").arg(a.senderId); },
         [this] { return soundFile; }}};
    Windows windows;
};

TEST_F(PendingAlertsTest, ASecondMessageForAPendingConversationAddsNothing) {
    alerts.alertConversation({1, 7, {}});
    alerts.alertConversation({1, 7, {}});
    EXPECT_EQ(alerts.count(), 1u);
    EXPECT_EQ(view.attentionRequests, 1) << "the window manager's hint once per pending conversation";
    EXPECT_EQ(sound.played, QStringList{soundFile});
    EXPECT_EQ(view.pendingCount, 1);
    EXPECT_TRUE(view.marks[1]);
    alerts.alertConversation({2, 8, {}});
    EXPECT_EQ(sound.played.size(), 2);
    EXPECT_EQ(view.pendingCount, 2);
    // The tray keeps the first sender's picture while it is the oldest.
    EXPECT_EQ(view.alertPicture, QStringLiteral("pic7"));
}

TEST_F(PendingAlertsTest, TheTrayFlashesEvery400Ms) {
    alerts.alertConversation({1, 7, {}});
    ASSERT_TRUE(flasher.flashing());
    view.frames.clear();
    clock.advance(399);
    EXPECT_TRUE(view.frames.empty());
    clock.advance(1);
    clock.advance(400);
    clock.advance(400);
    EXPECT_EQ(view.frames, (std::vector<bool>{false, true, false}));
}

TEST_F(PendingAlertsTest, OpeningGoesOldestFirstAndTheLastOneStopsTheFlashing) {
    alerts.alertConversation({1, 7, {}});
    alerts.alertConversation({2, 0, 55});
    alerts.alertConversation({3, 9, {}});
    EXPECT_TRUE(alerts.OpenOldest());
    EXPECT_EQ(windows.shown, std::vector<int>{1});
    EXPECT_FALSE(view.marks[1]);
    EXPECT_EQ(view.pendingCount, 2);
    EXPECT_EQ(view.alertPicture, QStringLiteral("pic0")); // the group is the oldest now
    EXPECT_TRUE(flasher.flashing());

    EXPECT_TRUE(alerts.OpenPendingConversation(3)); // not the oldest: the picture stays
    EXPECT_EQ(view.alertPicture, QStringLiteral("pic0"));
    EXPECT_FALSE(alerts.OpenPendingConversation(3));
    EXPECT_EQ(view.statusIconRestored, 0);

    EXPECT_TRUE(alerts.OpenOldest());
    EXPECT_EQ(windows.shown, (std::vector<int>{1, 3, 2}));
    EXPECT_FALSE(flasher.flashing());
    EXPECT_EQ(view.statusIconRestored, 1);
    EXPECT_EQ(view.pendingCount, 0);
    EXPECT_FALSE(alerts.OpenOldest());
    // No timer keeps running once nothing is pending.
    view.frames.clear();
    clock.advance(2000);
    EXPECT_TRUE(view.frames.empty());
}

TEST_F(PendingAlertsTest, AClosedConversationLeavesAndSignOutClearsAll) {
    alerts.alertConversation({1, 7, {}});
    alerts.alertConversation({2, 8, {}});
    alerts.conversationClosed(1);
    EXPECT_EQ(alerts.count(), 1u);
    EXPECT_EQ(view.alertPicture, QStringLiteral("pic8"));
    EXPECT_TRUE(windows.shown.empty());
    alerts.clear();
    EXPECT_TRUE(alerts.empty());
    EXPECT_FALSE(flasher.flashing());
    EXPECT_FALSE(view.marks[2]);
    EXPECT_EQ(view.pendingCount, 0);
    // A new message after sign-out alerts again, with sound.
    alerts.alertConversation({2, 8, {}});
    EXPECT_EQ(sound.played.size(), 3);
}

TEST_F(PendingAlertsTest, OpeningAColleagueByHandTakesOnlyTheirConversationOff) {
    alerts.alertConversation({1, 7, {}});
    alerts.alertConversation({2, 0, 7}); // a group whose id happens to equal the colleague's
    alerts.alertConversation({3, 8, {}});
    alerts.forgetConversationWith(7);
    ASSERT_EQ(alerts.count(), 2u);
    EXPECT_EQ(alerts.pending().front().conversationId, 2);
    EXPECT_TRUE(windows.shown.empty()); // the opener shows it already
    EXPECT_EQ(view.pendingCount, 2);
    alerts.forgetConversationWith(8);
    alerts.forgetConversationWith(9);
    EXPECT_EQ(alerts.count(), 1u);
    EXPECT_TRUE(flasher.flashing());
}

TEST_F(PendingAlertsTest, NoSoundWhenTheAccountTurnedItOff) {
    soundFile.clear();
    alerts.alertConversation({1, 7, {}});
    EXPECT_TRUE(sound.played.isEmpty());
    EXPECT_TRUE(flasher.flashing());
}

TEST(DesktopNotices, OnePerConversationFirstLineQuietWhenBusyGoneWhenOpened) {
    platform::RecordingDesktopNotifier notifier;
    bool quiet = false;
    std::vector<int> opened;
    DesktopNotices notices(notifier, {[&] { return quiet; }, [&](int id) { opened.push_back(id); }});

    notices.messageArrived(3, QStringLiteral("王芳"), QStringLiteral("  下午开会\r\n带上材料"));
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].title, QStringLiteral("王芳"));
    EXPECT_EQ(notifier.shown[0].body, QStringLiteral("下午开会"));
    EXPECT_EQ(firstLine(QString(100, QChar(0x5B57))).size(), 81) << "80 characters and the ellipsis";

    quiet = true; // "忙碌", "请勿打扰" and the like
    notices.messageArrived(4, QStringLiteral("李娜"), QStringLiteral("在吗"));
    EXPECT_EQ(notifier.shown.size(), 1u);
    for (uint8_t status = 0; status <= 10; ++status)
        EXPECT_EQ(quietStatus(status), status == 1 || status == 4 || status == 6 || status == 7)
            << int(status);

    notifier.onActivated(3);
    EXPECT_EQ(opened, std::vector<int>{3});
    notices.conversationOpened(3); // already gone with the click
    EXPECT_TRUE(notifier.withdrawn.empty());

    quiet = false;
    notices.messageArrived(5, QStringLiteral("李娜"), QStringLiteral("一"));
    notices.messageArrived(6, QStringLiteral("讨论组"), QStringLiteral("二"));
    notices.conversationOpened(5);
    EXPECT_EQ(notifier.withdrawn, std::vector<int>{5});
    notices.clear(); // sign-out
    EXPECT_EQ(notifier.withdrawn, (std::vector<int>{5, 6}));
}

TEST(SiblingPrograms, ExactArgumentsAndAMissingProgramIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile exe(dir.filePath(QLatin1String(kNetFolderProgram)));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("#!/bin/sh\n");
    exe.close();
    exe.setPermissions(QFile::ReadOwner | QFile::ExeOwner);

    test::FakeShellView view;
    platform::RecordingProcessLauncher launcher;
    SiblingPrograms siblings(launcher, view, dir.path());
    wire::Guid session;
    ASSERT_TRUE(wire::Guid::fromString("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", session));
    EXPECT_TRUE(siblings.start(kNetFolderProgram,
                               netFolderArguments(12, -3, 1001, session, true, QStringLiteral("10.0.0.5"))));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, dir.filePath(QLatin1String(kNetFolderProgram)));
    EXPECT_EQ(launcher.starts[0].arguments,
              (QStringList{"12", "-3", "1001", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "-1", "10.0.0.5",
                           "9203"}));
    EXPECT_EQ(netFolderArguments(0, 0, 1, session, false, {}).at(4), QStringLiteral("0"));
    EXPECT_EQ(autostartArguments(true, QStringLiteral("vantor")), (QStringList{"1", "vantor"}));
    EXPECT_EQ(workStateArguments(QStringLiteral("wang fang"), QStringLiteral("p w")),
              (QStringList{"wang fang", "p w"}));

    EXPECT_FALSE(siblings.start(kWorkStateProgram, {}));
    EXPECT_EQ(launcher.starts.size(), 1u);
    ASSERT_EQ(view.problems.size(), 1);
    EXPECT_EQ(view.problems[0], QStringLiteral("提示: 岗位状态程序没有安装"))
        << "the user's words, no build path";

    launcher.result = false; // present but does not start
    EXPECT_FALSE(siblings.start(kNetFolderProgram, {}));
    ASSERT_EQ(view.problems.size(), 2);
    EXPECT_EQ(view.problems[1], QStringLiteral("提示: 文件管理程序无法启动"));
}

// A real process: the stand-in writes the arguments it got, one per line. A text with spaces and
// shell characters arrives as the one argument it was.
TEST(SiblingPrograms, AStandInGetsEachArgumentWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString record = dir.filePath(QStringLiteral("argv.txt"));
    QFile exe(dir.filePath(QLatin1String(kNetFolderProgram)));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.argv\"\n"
              "mv \"$0.argv\" \"$(dirname \"$0\")/argv.txt\"\n");
    exe.close();
    exe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    test::FakeShellView view;
    platform::QtProcessLauncher launcher;
    SiblingPrograms siblings(launcher, view, dir.path());
    wire::Guid group;
    ASSERT_TRUE(wire::Guid::fromString("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", group));
    ASSERT_TRUE(siblings.start(kNetFolderProgram, netFolderArguments(12, -3, 1001, group, false,
                                                                     QStringLiteral("files; rm -rf *"))));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(record) && t.elapsed() < 10000)
        QThread::msleep(20);
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the stand-in did not run";
    EXPECT_EQ(
        QString::fromUtf8(f.readAll()),
        QStringLiteral("12\n-3\n1001\n{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\n0\nfiles; rm -rf *\n9203\n"));
    EXPECT_TRUE(view.problems.isEmpty());
}

} // namespace
} // namespace vantor::shell
