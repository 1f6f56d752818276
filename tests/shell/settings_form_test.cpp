// The settings dialog's behaviour: the ordered checks, the profile record, the autostart entry,
// and saves and name/password changes over a whole client signed in to the reference server.
#include "../client/client_fixture.h"
#include "crypto/md5.h"
#include "fake_shell_view.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "shell/settings_form.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vantor::shell {
namespace {

using F = SettingsField;
using P = SettingsPage;

SettingsValues valid() {
    SettingsValues v;
    v.net.host = "im.example";
    v.net.port = "8000";
    v.net.proxyPort = "1080";
    v.net.autoConnectInterval = "60";
    v.status.autoLeaveMinutes = "5";
    return v;
}

TEST(SettingsChecks, TheSixChecksInTheirOrder) {
    struct Case {
        const char* what;
        std::function<void(SettingsValues&)> edit;
        bool signedIn;
        std::optional<F> failed; // the field pointed at; none: accepted
    };
    const Case cases[] = {
        {"the held values", [](SettingsValues&) {}, true, std::nullopt},
        {"blank host", [](SettingsValues& v) { v.net.host = " \t"; }, false, F::HostName},
        {"blank host before a bad port", [](SettingsValues& v) { v.net.host = "", v.net.port = "0"; }, false,
         F::HostName},
        {"port empty", [](SettingsValues& v) { v.net.port = ""; }, false, F::ServerPort},
        {"port 0", [](SettingsValues& v) { v.net.port = "0"; }, false, F::ServerPort},
        {"port 1", [](SettingsValues& v) { v.net.port = "1"; }, false, std::nullopt},
        {"port 32767", [](SettingsValues& v) { v.net.port = "32767"; }, false, std::nullopt},
        {"port 32768", [](SettingsValues& v) { v.net.port = "32768"; }, false, F::ServerPort},
        {"port 99999", [](SettingsValues& v) { v.net.port = "99999"; }, false, F::ServerPort},
        {"port with a letter", [](SettingsValues& v) { v.net.port = "80a"; }, false, F::ServerPort},
        {"port of six digits", [](SettingsValues& v) { v.net.port = "000080"; }, false, F::ServerPort},
        {"no proxy: its address and port are not looked at",
         [](SettingsValues& v) { v.net.proxyAddress = "", v.net.proxyPort = ""; }, false, std::nullopt},
        {"SOCKS 5 without an address",
         [](SettingsValues& v) { v.net.proxyCategory = 3, v.net.proxyAddress = "  "; }, false,
         F::ProxyAddress},
        {"HTTP proxy port 0",
         [](SettingsValues& v) { v.net.proxyCategory = 4, v.net.proxyAddress = "p", v.net.proxyPort = "0"; },
         false, F::ProxyPort},
        {"HTTP proxy port empty",
         [](SettingsValues& v) { v.net.proxyCategory = 4, v.net.proxyAddress = "p", v.net.proxyPort = ""; },
         false, F::ProxyPort},
        {"SOCKS 4 proxy port 32767",
         [](SettingsValues& v) {
             v.net.proxyCategory = 1, v.net.proxyAddress = "p", v.net.proxyPort = "32767";
         },
         false, std::nullopt},
        {"re-connection after 0 s", [](SettingsValues& v) { v.net.autoConnectInterval = "0"; }, false,
         F::AutoConnectInterval},
        {"re-connection interval empty", [](SettingsValues& v) { v.net.autoConnectInterval = ""; }, false,
         F::AutoConnectInterval},
        {"no re-connection: the interval is not looked at",
         [](SettingsValues& v) { v.net.autoConnect = false, v.net.autoConnectInterval = ""; }, false,
         std::nullopt},
        {"away after 0 minutes", [](SettingsValues& v) { v.status.autoLeaveMinutes = "0"; }, true,
         F::AutoLeave},
        {"away minutes empty", [](SettingsValues& v) { v.status.autoLeaveMinutes = ""; }, true, F::AutoLeave},
        {"away minutes before sign-in (page not shown)",
         [](SettingsValues& v) { v.status.autoLeaveMinutes = ""; }, false, std::nullopt},
        {"away off: the minutes are not looked at",
         [](SettingsValues& v) { v.status.autoLeave = false, v.status.autoLeaveMinutes = "0"; }, true,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SettingsValues v = valid();
        c.edit(v);
        const auto failure = checkSettings(v, c.signedIn);
        ASSERT_EQ(failure.has_value(), c.failed.has_value()) << c.what;
        if (!failure) continue;
        EXPECT_EQ(failure->field, *c.failed) << c.what;
        EXPECT_EQ(failure->page, *c.failed == F::AutoLeave ? P::Status : P::Net) << c.what;
    }
    SettingsValues v = valid();
    v.net.port = "32768";
    EXPECT_STREQ(checkSettings(v, false)->message, "端口号必须为大于0且小于32768的数字！");
}

TEST(SettingsPages, WhatIsReachable) {
    const auto before = pageAccess(false, false);
    EXPECT_EQ(before.visible, (std::array<bool, 5>{true, false, false, false, false}));
    EXPECT_EQ(pageAccess(true, false).visible, (std::array<bool, 5>{true, true, true, true, true}));
    const auto notices = pageAccess(true, true);
    EXPECT_EQ(notices.visible, (std::array<bool, 5>{true, false, false, true, false}));
    EXPECT_TRUE(notices.notificationOnly);
}

TEST(ProfileRecord, BytesWrittenByHand) {
    ProfileValues p;
    p.female = true;
    p.company = std::string(49, 'c') + protocol::toGbk("中"); // 51 bytes: the character is dropped whole
    p.office = protocol::toGbk("经理");
    p.officePhone = "010-1";
    p.mobilePhone = std::string(25, '9');
    p.mail = "a@b";
    p.fax = "F";
    const std::string bytes = wire::encode(profileRecord(1001, p));
    std::string want(369, '\0');
    want[0] = char(0xE9), want[1] = char(0x03); // 1001
    want[4] = 1;
    want[5] = 49;
    want.replace(6, 49, std::string(49, 'c'));
    // 56…86: the unit, left zero
    want[87] = 4;
    want.replace(88, 4, protocol::toGbk("经理"));
    want[128] = 5;
    want.replace(129, 5, "010-1");
    want[149] = 20;
    want.replace(150, 20, std::string(20, '9'));
    want[170] = 3;
    want.replace(171, 3, "a@b");
    want[211] = 1;
    want[212] = 'F';
    EXPECT_EQ(bytes, want);
    // And back: the page shows what the record holds.
    protocol::UserDetail d;
    ASSERT_TRUE(wire::decode(bytes, d));
    EXPECT_TRUE(profileOf(d).female);
    EXPECT_EQ(profileOf(d).office, p.office);
}

TEST(PasswordDigest, UppercaseMd5OrNothing) {
    EXPECT_EQ(passwordDigest("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(passwordDigest(""), "");
}

TEST(XdgAutostart, EntryWrittenAndRemovedUnderHome) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    platform::XdgAutostart autostart;
    qputenv("HOME", oldHome);
    if (!oldXdg.isEmpty()) qputenv("XDG_CONFIG_HOME", oldXdg);
    const QString entry = home.path() + QStringLiteral("/.config/autostart/vantor.desktop");
    EXPECT_EQ(autostart.entryPath(), entry);
    EXPECT_FALSE(autostart.isRegistered());
    ASSERT_TRUE(autostart.setRegistered(true, QStringLiteral("/opt/my vantor/vantor")));
    EXPECT_TRUE(autostart.isRegistered());
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my vantor/vantor\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nIcon=org.vantor.Vantor\n")) << text.constData(); // the installed icon
    ASSERT_TRUE(autostart.setRegistered(false, {}));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(autostart.setRegistered(false, {})); // already gone
}

// ---- over a signed-in client ----

class SettingsFormTest : public testing::ClientTest {
  protected:
    void TearDown() override {
        form.reset();
        ClientTest::TearDown();
    }
    void start(const std::string& account, bool recordSends = false) {
        client = &signIn(account, account + "123");
        docking = std::make_unique<EdgeDocking>(view, clock_);
        autostart = std::make_unique<platform::XdgAutostart>(dir_.filePath(QStringLiteral("config")));
        form = std::make_unique<SettingsForm>(client->core(), view, *docking, *autostart,
                                              QStringLiteral("/usr/bin/vantor"));
        if (recordSends)
            form->send = [this](const protocol::Message& m) {
                sent.push_back(m);
                return true;
            };
    }
    std::string userFile() {
        auto& m = client->messenger();
        return m.environment().layout.userFile(m.OwnUser->userId);
    }
    std::string machineFile() { return client->messenger().environment().layout.machineFile(); }

    test::FakeShellView view;
    testing::TestClient* client = nullptr;
    std::unique_ptr<EdgeDocking> docking;
    std::unique_ptr<platform::XdgAutostart> autostart;
    std::unique_ptr<SettingsForm> form;
    std::vector<protocol::Message> sent;
};

TEST_F(SettingsFormTest, SaveWhileSignedInWritesBothFilesAndAppliesAtOnce) {
    start("zhangwei");
    ASSERT_TRUE(client->core().statusTimerActive());
    SettingsValues v = form->load();
    EXPECT_EQ(v.displayName, protocol::toGbk("张伟"));
    v.net.autoConnectInterval = "90";
    v.status.autoLeave = false;
    v.status.autoBusy = false;
    v.status.autoSort = false;
    v.status.msgSound = "  /tmp/ding.wav  ";
    v.other.onTop = true;
    v.other.autoRun = true;
    v.other.loginState = protocol::toGbk("忙碌");
    const auto r = form->save(v);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.profileSent); // no own record held: nothing to compare, nothing sent

    const settings::ProfileFile user(userFile()), machine(machineFile());
    EXPECT_EQ(user.readString("Init", "MsgSound"), "/tmp/ding.wav");
    EXPECT_EQ(user.readInteger("Init", "AutoLeave", -1), 0);
    EXPECT_EQ(user.readInteger("Init", "MainFormOnTop", -1), 1);
    EXPECT_EQ(machine.readInteger("Login", "AutoConnectInterval", -1), 90);
    EXPECT_EQ(machine.readString("Login", "LoginState"), protocol::toGbk("忙碌"));
    EXPECT_EQ(client->messenger().UserConfig.MsgSound, "/tmp/ding.wav");
    EXPECT_FALSE(client->core().statusTimerActive());
    EXPECT_FALSE(client->core().directory().settings().autoSort);
    EXPECT_EQ(view.topMost, std::vector<bool>{true});
    EXPECT_TRUE(autostart->isRegistered());

    v.other.autoRun = false;
    v.status.autoBusy = true;
    ASSERT_TRUE(form->save(v).ok());
    EXPECT_FALSE(autostart->isRegistered());
    EXPECT_TRUE(client->core().statusTimerActive());
    EXPECT_EQ(view.topMost.size(), 1u); // unchanged: not applied again
}

TEST_F(SettingsFormTest, ARefusedSaveChangesNothing) {
    start("zhangwei");
    const std::string before = client->messenger().Machine.HostName;
    SettingsValues v = form->load();
    v.net.host = "other.example";
    v.status.autoLeave = true;
    v.status.autoLeaveMinutes = "0"; // the last check fails
    const auto r = form->save(v);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->field, F::AutoLeave);
    EXPECT_EQ(client->messenger().Machine.HostName, before);
    EXPECT_EQ(settings::ProfileFile(machineFile()).readString("Login", "HostName"), before);
}

TEST_F(SettingsFormTest, TheProfileIsSentOnlyWhenItChanged) {
    start("zhangwei", true);
    protocol::UserDetail held;
    held.userId = 1001;
    held.company = protocol::toGbk("总公司");
    held.unit = "unit";
    held.rest = std::string(137, '\x05');
    form->setOwnDetail(held);
    SettingsValues v = form->load();
    ASSERT_TRUE(form->save(v).ok());
    EXPECT_TRUE(sent.empty());

    v.profile.mobilePhone = "13800000000";
    ASSERT_TRUE(form->save(v).profileSent);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, uint8_t(protocol::Cmd::UserDetailSave));
    protocol::UserDetail out;
    ASSERT_TRUE(wire::decode(sent[0].body, out));
    EXPECT_EQ(out.userId, 1001u);
    EXPECT_EQ(out.company, held.company);
    EXPECT_EQ(out.mobilePhone, "13800000000");
    // What the dialog does not show goes back as held, not as zero bytes: the server groups users
    // by the unit, and the bytes after the fax are not ours to clear.
    EXPECT_EQ(out.unit, "unit");
    EXPECT_EQ(out.rest, held.rest);
    // The sent record is now the held one: saving again sends nothing.
    ASSERT_TRUE(form->save(v).ok());
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(SettingsFormTest, RefusedNameAndPasswordChangesSendNothing) {
    start("zhangwei", true);
    struct Case {
        const char *name, *old, *fresh, *confirm;
        NameChangeOutcome outcome;
    } cases[] = {
        {"  ", "", "", "", NameChangeOutcome::EmptyName},
        {"张伟", "wrong", "a", "a", NameChangeOutcome::WrongOldPassword},
        {"张伟", " zhangwei123 ", " ", "", NameChangeOutcome::EmptyPassword},
        {"张伟", "zhangwei123", "new1", "new2", NameChangeOutcome::Mismatch},
    };
    for (const Case& c : cases)
        EXPECT_EQ(form->changeNamePassword(protocol::toGbk(c.name), c.old, c.fresh, c.confirm, {}), c.outcome)
            << c.old;
    EXPECT_TRUE(sent.empty());
}

TEST_F(SettingsFormTest, NameOnlySendsAnEmptyDigestAndTimesOutWithoutAnAnswer) {
    start("zhangwei", true);
    std::vector<NameChangeOutcome> done;
    ASSERT_EQ(form->changeNamePassword(protocol::toGbk(" 张大伟 "), "", "", "",
                                       [&](NameChangeOutcome o) { done.push_back(o); }),
              NameChangeOutcome::Waiting);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, uint8_t(protocol::Cmd::ChangeNamePassword));
    NameChangeRecord r;
    ASSERT_TRUE(wire::decode(sent[0].body, r));
    EXPECT_EQ(r.userId, 1001u);
    EXPECT_EQ(r.name, protocol::toGbk("张大伟"));
    EXPECT_EQ(r.digest, "");
    EXPECT_EQ(sent[0].body.size(), 78u);

    clock_.advance(SettingsForm::kConfirmationMs - 1);
    EXPECT_TRUE(done.empty());
    EXPECT_TRUE(form->waitingForConfirmation());
    clock_.advance(1);
    EXPECT_EQ(done, std::vector<NameChangeOutcome>{NameChangeOutcome::TimedOut});
    EXPECT_EQ(client->messenger().PasswordText, "zhangwei123");
    // A rename arriving late confirms nothing.
    client->messenger().dispatcher().dispatch(protocol::makeMessage(
        protocol::Cmd::UserRenamed, protocol::UserRenamed{1001, protocol::toGbk("张大伟")}));
    EXPECT_EQ(done.size(), 1u);
}

TEST_F(SettingsFormTest, TheServersRenameConfirmsAndTheTrimmedPasswordSignsIn) {
    start("zhangwei");
    std::vector<NameChangeOutcome> done;
    ASSERT_EQ(form->changeNamePassword(protocol::toGbk("张大伟"), "zhangwei123", "  fresh-pass ",
                                       "  fresh-pass ", [&](NameChangeOutcome o) { done.push_back(o); }),
              NameChangeOutcome::Waiting);
    ASSERT_TRUE(drive([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<NameChangeOutcome>{NameChangeOutcome::Confirmed});
    EXPECT_EQ(client->messenger().PasswordText, "fresh-pass");
    EXPECT_EQ(client->messenger().OwnUser->name, protocol::toGbk("张大伟"));
    // The server took the digest of the trimmed password: a second client signs in with it.
    testing::TestClient& again = signIn("zhangwei", "fresh-pass");
    EXPECT_TRUE(again.messenger().SignedIn());
}

} // namespace
} // namespace vantor::shell
