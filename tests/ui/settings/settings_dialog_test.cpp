// The settings dialog in the assembled desktop against the reference server: opened from the
// sign-in panel and the menus, the checks as the user meets them, saves before and after sign-in,
// and the change of display name and password with its confirmation and its time-out.
#include "../../platform/test_net.h"
#include "../main/window_fixture.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "shell/settings_form.h"
#include "ui/settings/system_set_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <set>

namespace vantor::testing {
namespace {

class SettingsDialogTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The autostart entry goes under a home of the test's own.
        oldHome_ = qgetenv("HOME");
        oldXdg_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", dir_.filePath(QStringLiteral("home")).toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        qputenv("HOME", oldHome_);
        if (!oldXdg_.isEmpty()) qputenv("XDG_CONFIG_HOME", oldXdg_);
    }
    ui::TSystemSetForm* dialog() { return desktop->settingsDialog(); }
    template <class T>
    T* in(const char* name) {
        T* w = dialog() ? dialog()->findChild<T*>(QLatin1String(name)) : nullptr;
        EXPECT_TRUE(w) << name;
        return w;
    }
    bool sideShown(const char* name) { return in<QWidget>(name)->isVisibleTo(dialog()); }
    void setText(const char* box, const QString& text) { in<QLineEdit>(box)->setText(text); }
    QAction* menuEntry(const QString& text) {
        for (QAction* a : window().trayMenu()->actions())
            if (a->text() == text) return a;
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
    QString machineFile() { return folder + QStringLiteral("/Documents/KZQ/IM.Dat"); }
    // The keys of a settings file, as "Section/Key".
    std::set<std::string> keysOf(const QString& file) {
        QFile f(file);
        std::set<std::string> keys;
        if (!f.open(QIODevice::ReadOnly)) return keys;
        std::string section;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith('['))
                section = line.mid(1, line.size() - 2).toStdString();
            else if (const int eq = int(line.indexOf('=')); eq > 0)
                keys.insert(section + "/" + line.left(eq).toStdString());
        }
        return keys;
    }

    QByteArray oldHome_, oldXdg_;
};

TEST_F(SettingsDialogTest, BeforeSignInTheServerIsSetFromTheSignInPanel) {
    // A new user: no server, and a port where nothing listens.
    startDesktop({}, false, freeLowPort());
    ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
    find<QLineEdit>("Edt_UserName")->setText(QStringLiteral("zhangwei"));
    find<QLineEdit>("Edt_Password")->setText(QStringLiteral("zhangwei123"));
    find<QPushButton>("btn_Login")->click(); // no server: the dialog comes instead
    ASSERT_TRUE(dialog());
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->currentPage(), shell::SettingsPage::Net);
    EXPECT_TRUE(sideShown("Imgbtn_Net"));
    for (const char* hidden : {"Imgbtn_Status", "Imgbtn_Userinfo", "Imgbtn_Other", "Imgbtn_Password"})
        EXPECT_FALSE(sideShown(hidden)) << hidden;
    // The panel's setup button brings up the same dialog.
    QPointer<ui::TSystemSetForm> first = dialog();
    find<QToolButton>("btn_LoginSetup")->click();
    EXPECT_EQ(dialog(), first.data());

    const auto keysBefore = keysOf(machineFile());
    // The checks as the user meets them: each refuses, names its box, and saves nothing.
    struct Case {
        const char *host, *port;
        const char* focused;
        const char* message;
    } cases[] = {
        {"  ", "8000", "EDHostName", "请输入服务器地址！"},
        {"127.0.0.1", "", "EDServerPort", "端口号必须为大于0且小于32768的数字！"},
        {"127.0.0.1", "0", "EDServerPort", "端口号必须为大于0且小于32768的数字！"},
        {"127.0.0.1", "32768", "EDServerPort", "端口号必须为大于0且小于32768的数字！"},
    };
    dialog()->activateWindow();
    for (const Case& c : cases) {
        setText("EDHostName", QString::fromUtf8(c.host));
        setText("EDServerPort", QString::fromUtf8(c.port));
        const int before = dialog()->lastMessage().count;
        in<QPushButton>("btn_Save")->click();
        EXPECT_EQ(dialog()->lastMessage().count, before + 1) << c.port;
        EXPECT_EQ(dialog()->lastMessage().text, QString::fromUtf8(c.message));
        EXPECT_EQ(dialog()->lastMessage().title, QStringLiteral("提示"));
        EXPECT_EQ(dialog()->focusWidget(), in<QWidget>(c.focused)) << c.focused;
        EXPECT_EQ(keysOf(machineFile()), keysBefore);
    }
    // The proxy choice sets its port box: HTTP 808, the others 1080; no proxy disables the group.
    auto* proxy = in<QComboBox>("CBProxyCategory");
    EXPECT_FALSE(in<QGroupBox>("GBProxy")->isEnabled());
    proxy->setCurrentIndex(4);
    emit proxy->activated(4);
    EXPECT_EQ(in<QLineEdit>("EDProxyPort")->text(), QStringLiteral("808"));
    EXPECT_TRUE(in<QGroupBox>("GBProxy")->isEnabled());
    proxy->setCurrentIndex(3);
    emit proxy->activated(3);
    EXPECT_EQ(in<QLineEdit>("EDProxyPort")->text(), QStringLiteral("1080"));
    proxy->setCurrentIndex(0);
    emit proxy->activated(0);
    setText("EDProxyPort", QString()); // no proxy: not looked at, the held port stays

    setText("EDHostName", QStringLiteral(" 127.0.0.1 "));
    setText("EDServerPort", QString::number(server().port()));
    in<QPushButton>("btn_Save")->click();
    ASSERT_TRUE(drive([&] { return !dialog(); })); // closed and freed

    // Only the sign-in keys were written; the stored sign-in options stayed.
    std::set<std::string> added;
    for (const std::string& k : keysOf(machineFile()))
        if (!keysBefore.count(k)) added.insert(k);
    for (const std::string& k : added)
        EXPECT_EQ(k.rfind("Login/", 0), 0u) << k;
    const settings::ProfileFile machine(machineFile().toStdString());
    EXPECT_EQ(machine.readString("Login", "HostName"), "127.0.0.1");
    EXPECT_EQ(machine.readInteger("Login", "ServerPort", 0), server().port());
    EXPECT_EQ(machine.readInteger("Login", "ProxyPort", 0), 1080);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/Documents/KZQ/1001/IM.Dat")));

    // The next sign-in goes to the new server.
    ASSERT_TRUE(signInFromPanel(QStringLiteral("zhangwei"), QStringLiteral("zhangwei123")));
}

TEST_F(SettingsDialogTest, SignedInEveryPageAndASaveThatAppliesAtOnce) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    menuEntry(QStringLiteral("系统设置(&C)..."))->trigger();
    ASSERT_TRUE(dialog());
    for (const char* side :
         {"Imgbtn_Net", "Imgbtn_Status", "Imgbtn_Userinfo", "Imgbtn_Other", "Imgbtn_Password"})
        EXPECT_TRUE(sideShown(side)) << side;
    in<QToolButton>("Imgbtn_Status")->click();
    EXPECT_EQ(dialog()->currentPage(), shell::SettingsPage::Status);
    // Muting disables the sound controls; the preview follows "提醒不显示详情".
    in<QCheckBox>("CB_DontPlaySound")->setChecked(true);
    EXPECT_FALSE(in<QWidget>("SBPlay")->isEnabled());
    in<QCheckBox>("CB_NotShowContent")->setChecked(true);
    EXPECT_EQ(in<QLabel>("Lb_RemindText")->text(), QStringLiteral("3:19 小王：给您发送了一条消息"));
    // The idle minutes are checked on their own page.
    setText("ED_AutoLeave", QStringLiteral("0"));
    in<QToolButton>("Imgbtn_Net")->click();
    in<QPushButton>("btn_Save")->click();
    EXPECT_EQ(dialog()->lastMessage().text, QStringLiteral("时间必须为大于0的数字！"));
    EXPECT_EQ(dialog()->currentPage(), shell::SettingsPage::Status);

    setText("ED_AutoLeave", QStringLiteral("7"));
    in<QCheckBox>("CB_AutoRun")->setChecked(true);
    in<QCheckBox>("CB_AutoSort")->setChecked(false);
    in<QPushButton>("btn_Save")->click();
    ASSERT_TRUE(drive([&] { return !dialog(); }));
    const settings::ProfileFile user((folder + QStringLiteral("/Documents/KZQ/1001/IM.Dat")).toStdString());
    EXPECT_EQ(user.readInteger("Init", "AutoLeaveInterval", 0), 7);
    EXPECT_EQ(user.readInteger("Init", "DontPlaySound", 0), 1);
    EXPECT_EQ(user.readInteger("Init", "AutoSort", 1), 0);
    EXPECT_TRUE(messenger().UserConfig.DontPlaySound);
    const QString entry = dir_.filePath(QStringLiteral("home/.config/autostart/vantor.desktop"));
    EXPECT_TRUE(QFile::exists(entry));

    // Unticked again: the entry goes.
    menuEntry(QStringLiteral("系统设置(&C)..."))->trigger();
    ASSERT_TRUE(dialog());
    in<QToolButton>("Imgbtn_Other")->click();
    EXPECT_TRUE(in<QCheckBox>("CB_AutoRun")->isChecked());
    in<QCheckBox>("CB_AutoRun")->setChecked(false);
    in<QPushButton>("btn_Save")->click();
    ASSERT_TRUE(drive([&] { return !dialog(); }));
    EXPECT_FALSE(QFile::exists(entry));
}

TEST_F(SettingsDialogTest, TheProfilePageEditsTheHeldRecordOnly) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    // The own record the server sends after the sign-in fills the page (the server's record of a
    // colleague who never saved one names its department as the company).
    ASSERT_TRUE(drive([&] { return desktop->settingsForm().ownDetail().has_value(); }));
    desktop->openSettings(shell::SettingsPage::Userinfo);
    EXPECT_TRUE(in<QLineEdit>("edt_Company")->isEnabled());
    EXPECT_EQ(in<QLineEdit>("edt_Company")->text(), QStringLiteral("总经理办公室"));
    dialog()->close();
    ASSERT_TRUE(drive([&] { return !dialog(); }));

    protocol::UserDetail held;
    held.userId = 1001;
    held.sex = 1;
    held.company = protocol::toGbk("总公司");
    desktop->settingsForm().setOwnDetail(held);
    desktop->openSettings(shell::SettingsPage::Userinfo);
    EXPECT_EQ(dialog()->currentPage(), shell::SettingsPage::Userinfo);
    EXPECT_TRUE(in<QRadioButton>("RadioButton2")->isChecked());
    EXPECT_EQ(in<QLineEdit>("edt_Company")->text(), QStringLiteral("总公司"));
    setText("edt_Fax", QStringLiteral("010-8888"));
    in<QPushButton>("btn_Save")->click();
    ASSERT_TRUE(drive([&] { return !dialog(); }));
    ASSERT_TRUE(desktop->settingsForm().ownDetail());
    EXPECT_EQ(desktop->settingsForm().ownDetail()->fax, "010-8888");
    EXPECT_EQ(desktop->settingsForm().ownDetail()->company, held.company);

    // ">> 设置照片" opens the one head-picture window.
    desktop->openSettings(shell::SettingsPage::Userinfo);
    auto* photo = in<QPushButton>("btn_Photo");
    ASSERT_TRUE(photo->isEnabled());
    photo->click();
    photo->click();
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->objectName() == QStringLiteral("TfrmUsePic") && w->isVisible();
    EXPECT_EQ(shown, 1);
}

TEST_F(SettingsDialogTest, NameChangeConfirmedByTheServer) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    menuEntry(QStringLiteral("更改名称/密码(&P)"))->trigger();
    ASSERT_TRUE(dialog());
    EXPECT_EQ(dialog()->currentPage(), shell::SettingsPage::Password);
    auto* ok = in<QPushButton>("BTOK");
    EXPECT_FALSE(ok->isVisibleTo(dialog()));
    auto* name = in<QLineEdit>("EDName");
    EXPECT_EQ(name->text(), QStringLiteral("张伟"));
    // Typed: the last key is a Backspace (the test's keyboard has no Chinese input).
    name->setText(QStringLiteral("张大伟x"));
    name->setFocus();
    name->end(false);
    QTest::keyClick(name, Qt::Key_Backspace);
    ASSERT_TRUE(ok->isVisibleTo(dialog()));
    EXPECT_EQ(ok->text(), QStringLiteral(">> 请点击这里提交本次修改"));
    ok->click();
    EXPECT_EQ(ok->text(), QStringLiteral("正在更新..."));
    EXPECT_FALSE(ok->isEnabled());
    ASSERT_TRUE(drive([&] { return dialog()->lastMessage().count > 0; }));
    EXPECT_EQ(dialog()->lastMessage().text, QStringLiteral("更改显示名/密码成功！"));
    EXPECT_FALSE(ok->isVisibleTo(dialog()));
    EXPECT_EQ(protocol::fromGbk(messenger().OwnUser->name), "张大伟");
    EXPECT_EQ(find<QLabel>("Lb_UserName")->text().contains(QStringLiteral("张大伟")), true);
}

// The connection goes while the dialog is open: the change is reported as failed, not as sent.
TEST_F(SettingsDialogTest, ANameChangeOverAClosedConnectionFails) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    desktop->openSettings(shell::SettingsPage::Password);
    auto* ok = in<QPushButton>("BTOK");
    setText("EDName", QStringLiteral("张大伟"));
    messenger().SignOut(false);
    ASSERT_FALSE(messenger().ConnectionOpen());
    ok->click();
    EXPECT_EQ(dialog()->lastMessage().text, QStringLiteral("更改呢称/密码失败！"));
    EXPECT_TRUE(dialog()->lastMessage().error);
    EXPECT_FALSE(desktop->settingsForm().waitingForConfirmation());
}

TEST_F(SettingsDialogTest, NameChangeTimesOutAndTheDialogMayCloseWhileWaiting) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    desktop->openSettings(shell::SettingsPage::Password);
    auto* ok = in<QPushButton>("BTOK");
    in<QCheckBox>("cb_CgPassword")->setChecked(true);
    EXPECT_TRUE(in<QLineEdit>("EDOldPassword")->isEnabled());
    QTest::keyClicks(in<QLineEdit>("EDOldPassword"), QStringLiteral("zhangwei123"));
    setText("EDPassword", QStringLiteral("newpass"));
    setText("EDConfirmPassword", QStringLiteral("newpass2"));
    ok->click();
    EXPECT_EQ(dialog()->lastMessage().text, QStringLiteral("两次输入的密码不一致！"));
    setText("EDConfirmPassword", QStringLiteral("newpass"));
    ok->click();
    // The fake clock runs out before the server's answer is read.
    clock_.advance(shell::SettingsForm::kConfirmationMs);
    EXPECT_EQ(dialog()->lastMessage().text, QStringLiteral("更改显示名/密码失败（超时）！"));
    EXPECT_TRUE(dialog()->lastMessage().error);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(ok->text(), QStringLiteral(">> 请点击这里提交本次修改"));
    EXPECT_EQ(messenger().PasswordText, "zhangwei123"); // not confirmed: the old one stays

    // Again, and the dialog goes before the answer: nothing reaches the freed dialog.
    ok->click();
    dialog()->close();
    ASSERT_TRUE(drive([&] { return !dialog(); }));
    EXPECT_FALSE(desktop->settingsForm().waitingForConfirmation());
    drive([] { return false; }, 300);
    EXPECT_TRUE(messenger().SignedIn());
}

} // namespace
} // namespace vantor::testing
