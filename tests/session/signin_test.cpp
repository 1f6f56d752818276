#include "session_fixture.h"

#include "protocol/text.h"
#include "session/participant.h"
#include "settings/profile_file.h"

#include <QDir>
#include <QFile>

namespace vantor::testing {
namespace {

using session::LoginStep;
using session::SignOutStep;

class Steps : public session::SessionParticipant {
  public:
    std::vector<int> login;
    std::vector<std::pair<int, bool>> signOut;
    void loginStep(LoginStep s) override { login.push_back(int(s)); }
    void signOutStep(SignOutStep s, bool byUser) override { signOut.emplace_back(int(s), byUser); }
};

TEST_F(SessionTest, SignInFromThePanelLoadsTheDirectoryAndStartsTheSession) {
    auto& c = makeClient();
    Steps steps;
    c.addParticipant(&steps);
    // The directory registers its own handlers; the department items reach this one.
    int departments = 0;
    c.registerHandler(protocol::Cmd::DepartmentItem, [&](const protocol::Message&) {
        ++departments;
        c.RestartLoginWatchdog();
    });
    clock_.advance(500); // start-up timer: nothing remembered, so the panel
    ASSERT_TRUE(view_.has("sign-in panel"));

    clickSignIn(u("a"), u("pa  "), true, u("忙碌"));
    EXPECT_TRUE(view_.has("sign-in progress 正在登录..."));
    EXPECT_TRUE(view_.has("connect entry 取消登录(&I)"));
    ASSERT_TRUE(waitSignedIn(c));

    EXPECT_EQ(c.OwnUser->userId, 11u);
    EXPECT_EQ(departments, 2);
    EXPECT_TRUE(view_.has("balloon 登录成功||15|error"));
    EXPECT_TRUE(view_.has("my state 正在登录..."));
    EXPECT_TRUE(view_.has("views shown"));
    EXPECT_TRUE(view_.has("connect entry 登录(&I) disabled"));
    EXPECT_TRUE(view_.has("session entries"));
    EXPECT_TRUE(view_.has("sign-in panel hidden"));
    EXPECT_TRUE(c.SignedInOnce);
    EXPECT_TRUE(c.HartTimer->isActive());
    EXPECT_FALSE(c.TimerLoging->isActive());
    EXPECT_FALSE(c.TimerAutoConnect->isActive());
    EXPECT_FALSE(c.SessionId.isNull());

    // What the panel's sign-in wrote, and what the reply wrote.
    EXPECT_EQ(machineValue("Login", "UserName"), "a");
    EXPECT_EQ(machineValue("Login", "SavePass"), "1");
    EXPECT_EQ(machineValue("Login", "LoginState"), protocol::toGbk("忙碌"));
    EXPECT_FALSE(machineValue("Login", "Password").empty());
    EXPECT_EQ(machineValue("Login", "LoginToken"), c.SignInToken + ",");

    // The account's folders and settings file, and the history migration sibling.
    const QString account = documents_ + QStringLiteral("/KZQ/11/");
    for (const char* sub : {"Cache", "History", "Images", "UserPic", "CustomFace", "UserHead"})
        EXPECT_TRUE(QDir(account + QLatin1String(sub)).exists()) << sub;
    settings::ProfileFile user((account + QStringLiteral("IM.Dat")).toStdString());
    EXPECT_EQ(user.readString("Init", "NetFileServer"), c.FileServerAddress);
    EXPECT_EQ(user.readInteger("Init", "NetFilePort", 0), server_->server().filePort());
    EXPECT_EQ(user.readString("Init", "isCopyed"), "1");
    ASSERT_EQ(launcher_.starts.size(), 1u);
    EXPECT_EQ(launcher_.starts[0].program, program_ + QStringLiteral("/Logscribe"));
    EXPECT_EQ(launcher_.starts[0].arguments, QStringList{QStringLiteral("11")});

    // The participants saw the completion's steps in order.
    const std::vector<int> expected = {int(LoginStep::OwnStatus),    int(LoginStep::Mailbox),
                                       int(LoginStep::ListViews),    int(LoginStep::StatusTimer),
                                       int(LoginStep::ViewTabs),     int(LoginStep::PeerKeepAlive),
                                       int(LoginStep::PrepareLists), int(LoginStep::ToolbarPictures)};
    EXPECT_EQ(steps.login, expected);
    EXPECT_TRUE(server_->server().isOnline(11));

    // 注销(N): sign-out by the user, in its order; the token leaves the list.
    c.LogoutMenuClicked();
    EXPECT_FALSE(c.OwnUser.has_value());
    EXPECT_EQ(machineValue("Login", "LoginToken"), "");
    const std::vector<std::pair<int, bool>> out = {
        {int(SignOutStep::StatusTimer), true},   {int(SignOutStep::Mailbox), true},
        {int(SignOutStep::Alerts), true},        {int(SignOutStep::RecentContacts), true},
        {int(SignOutStep::Conversations), true}, {int(SignOutStep::Sessions), true},
        {int(SignOutStep::SessionObjects), true}};
    EXPECT_EQ(steps.signOut, out);
    EXPECT_TRUE(view_.has("re-login by user"));
    EXPECT_TRUE(view_.has("badges hidden"));
    EXPECT_TRUE(view_.has("width sign-in"));
    EXPECT_FALSE(c.SignedInOnce);
    EXPECT_FALSE(c.TimerAutoConnect->isActive());
    EXPECT_TRUE(waitFor([&] { return !server_->server().isOnline(11); }));
}

TEST_F(SessionTest, HeartbeatAnswersKeepTheSessionAndAreRecorded) {
    auto& c = makeClient("loginuser=b&loginpwd=pb");
    ASSERT_TRUE(waitSignedIn(c));
    const int64_t signedInAt = c.LastServerSign;
    for (int tick = 1; tick <= 8; ++tick) {
        clock_.advance(30000);
        ASSERT_TRUE(waitFor([&] { return c.LastServerSign == clock_.nowMs(); })) << "tick " << tick;
    }
    EXPECT_GT(c.LastServerSign, signedInAt);
    EXPECT_TRUE(c.SignedIn());
}

TEST_F(SessionTest, CommandLineSignInUsesTheSettingsServerAndWritesNothing) {
    auto& c = makeClient("loginuser= c &loginpwd= pc ");
    EXPECT_TRUE(c.CommandLineLogin);
    EXPECT_EQ(c.Account, "c");
    EXPECT_EQ(c.PasswordText, "pc");
    ASSERT_TRUE(waitSignedIn(c));
    EXPECT_EQ(c.OwnUser->userId, 13u);
    clock_.advance(500); // the start-up timer does nothing more
    EXPECT_FALSE(view_.has("sign-in panel"));
    EXPECT_EQ(machineValue("Login", "UserName"), "");
}

struct StartCase {
    const char* what;
    const char* argument;
    bool savedPassword;
    bool autoLogin;
    bool connects;
};

class StartUpDecision : public SessionTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartUpDecision, PanelOrAutomaticSignIn) {
    const StartCase& p = GetParam();
    setMachine("UserName", "d");
    // A remembered password is stored enciphered: let the panel store it.
    if (p.savedPassword) {
        auto& first = makeClient();
        clickSignIn(u("d"), u("pd"), true);
        ASSERT_TRUE(waitSignedIn(first));
        first.LogoutMenuClicked();
        client_.reset();
        view_.calls.clear();
    }
    settings::ProfileFile(machineFile()).writeBool("Login", "isAutoLogin", p.autoLogin);
    auto& c = makeClient(p.argument);
    EXPECT_EQ(c.StartHidden, std::string(p.argument) == "min");
    clock_.advance(500);
    EXPECT_EQ(view_.has("sign-in panel"), !p.connects) << p.what;
    if (p.connects) {
        ASSERT_TRUE(waitSignedIn(c)) << p.what;
        EXPECT_EQ(view_.has("hidden"), std::string(p.argument) == "min") << p.what;
    } else {
        spin(200);
        EXPECT_FALSE(c.ConnectionOpen()) << p.what;
    }
    EXPECT_EQ(view_.has("shadow"), std::string(p.argument) != "min") << p.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartUpDecision,
    ::testing::Values(StartCase{"nothing remembered", "", false, false, false},
                      StartCase{"remembered, automatic sign-in off", "", true, false, false},
                      StartCase{"remembered, automatic sign-in on", "", true, true, true},
                      StartCase{"min with a remembered password", "min", true, false, true},
                      StartCase{"automatic sign-in without a password", "", false, true, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(SessionTest, SignInButtonChecksItsInputs) {
    auto& c = makeClient();
    clock_.advance(500);
    struct Case {
        QString account, password;
        const char* call;
    } cases[] = {
        {u(""), u("pa"), "message 提示|请输入用户名及密码！"},
        {u("a"), u("   "), "message 提示|请输入用户名及密码！"},
    };
    for (const auto& k : cases) {
        view_.calls.clear();
        clickSignIn(k.account, k.password);
        EXPECT_TRUE(view_.has(k.call));
        EXPECT_FALSE(c.ConnectionOpen() || c.connection().isOpening());
    }
    // No server configured: the settings dialog instead.
    c.Machine.HostName = " ";
    view_.calls.clear();
    clickSignIn(u("a"), u("pa"));
    EXPECT_TRUE(view_.has("settings dialog"));
    EXPECT_FALSE(c.connection().isOpening());
}

TEST_F(SessionTest, UntickingRememberClearsTheStoredPassword) {
    auto& c = makeClient();
    clock_.advance(500);
    clickSignIn(u("a"), u("pa"), true, u("离开"));
    ASSERT_TRUE(waitSignedIn(c));
    EXPECT_NE(machineValue("Login", "Password"), "");
    c.LogoutMenuClicked();
    clickSignIn(u("a"), u("pa"), false, u("离开"));
    EXPECT_EQ(machineValue("Login", "Password"), "");
    EXPECT_EQ(machineValue("Login", "SavePass"), "0");
    EXPECT_EQ(machineValue("Login", "LoginState"), protocol::toGbk("在线"));
    ASSERT_TRUE(waitSignedIn(c));
}

} // namespace
} // namespace vantor::testing
