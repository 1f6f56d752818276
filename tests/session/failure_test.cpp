#include "protocol/text.h"
#include "scripted_server.h"
#include "session_fixture.h"

#include <QProcess>

namespace vantor::testing {
namespace {

using protocol::Cmd;
using protocol::toGbk;

const char* const kConnectFailed = "balloon 连接失败|未能连接至服务器，请检查网络设置！|10|error";

// Answers the version check, then refuses the sign-in with `reason` (UTF-8).
void refuseWith(ScriptedServer& s, const char* reason) {
    s.onMessage = [reason](QTcpSocket* socket, const protocol::Message& m) {
        if (m.cmd() == Cmd::VersionCheck) {
            ScriptedServer::send(socket,
                                 protocol::makeMessage(Cmd::VersionCheck, protocol::VersionCheckReply{}));
        } else if (m.cmd() == Cmd::Login) {
            protocol::LoginReply r;
            r.tokenOrReason = toGbk(reason);
            ScriptedServer::send(socket, protocol::makeMessage(Cmd::LoginReply, r));
        }
    };
}

struct RefusalCase {
    const char* reason;
    bool signsOutAtOnce;
    bool retries; // with AutoConnect set
};

class Refusal : public SessionTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, ReasonDecidesSignOutAndReconnection) {
    const RefusalCase& p = GetParam();
    ScriptedServer scripted;
    refuseWith(scripted, p.reason);
    setMachineInt("AutoConnect", 1);
    setMachineInt("AutoConnectInterval", 60);
    auto& c = makeClient({}, scripted.port());
    clock_.advance(500);
    clickSignIn(u("a"), u("pa"));
    const std::string balloon = std::string("balloon 登录失败|") + p.reason + "|15|information";
    ASSERT_TRUE(waitFor([&] { return view_.has(balloon); })) << p.reason;
    EXPECT_EQ(c.ConnectionOpen(), !p.signsOutAtOnce) << p.reason;
    EXPECT_EQ(c.TimerAutoConnect->isActive(), p.retries) << p.reason;
    if (p.retries) {
        EXPECT_EQ(c.TimerAutoConnect->interval(), 60000);
    }
    if (!p.signsOutAtOnce) {
        // The outdated client waits for the watchdog: 15 s after the connection opened.
        advance(14000);
        EXPECT_TRUE(c.ConnectionOpen());
        advance(1000);
        EXPECT_FALSE(c.ConnectionOpen());
        EXPECT_TRUE(view_.has(kConnectFailed));
        return;
    }
    EXPECT_EQ(view_.countPrefix("sign-in panel"), 2u); // shown at start and again by the sign-out
    advance(300000, 10000);
    if (p.retries) {
        EXPECT_GE(scripted.connections(), 4) << p.reason;
    } else {
        EXPECT_EQ(scripted.connections(), 1) << p.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(Reasons, Refusal,
                         ::testing::Values(RefusalCase{"用户名或者密码输入错误！", true, false},
                                           RefusalCase{"相同的用户在其它位置刚刚登录！", true, false},
                                           RefusalCase{"服务器已停止！", true, true},
                                           RefusalCase{"本软件已升级，请下载安装最新版程序！", false, false},
                                           RefusalCase{"帐号已被停用", true, false}),
                         [](const auto& info) { return "reason" + std::to_string(info.index); });

TEST_F(SessionTest, WrongPasswordAtTheRealServerDoesNotRetry) {
    setMachineInt("AutoConnect", 1);
    auto& c = makeClient();
    clock_.advance(500);
    clickSignIn(u("a"), u("wrong"));
    ASSERT_TRUE(
        waitFor([&] { return view_.has("balloon 登录失败|用户名或者密码输入错误！|15|information"); }));
    EXPECT_FALSE(c.TimerAutoConnect->isActive());
    EXPECT_FALSE(c.ConnectionOpen());
}

TEST_F(SessionTest, ServerThatNeverAnswersTheVersionCheck) {
    ScriptedServer mute; // answers the greeting, nothing else
    setMachineInt("AutoConnect", 1);
    setMachineInt("AutoConnectInterval", 60);
    auto& c = makeClient({}, mute.port());
    clock_.advance(500);
    clickSignIn(u("a"), u("pa"));
    ASSERT_TRUE(waitFor([&] { return !mute.received.empty(); }));
    EXPECT_EQ(mute.received[0].cmd(), Cmd::VersionCheck);
    advance(14000);
    EXPECT_TRUE(c.ConnectionOpen());
    EXPECT_FALSE(view_.has(kConnectFailed));
    advance(1000);
    EXPECT_FALSE(c.ConnectionOpen());
    EXPECT_TRUE(view_.has(kConnectFailed));
    EXPECT_TRUE(c.TimerAutoConnect->isActive());
    EXPECT_EQ(c.TimerAutoConnect->interval(), 60000);
    advance(60000);
    EXPECT_TRUE(waitFor([&] { return mute.connections() == 2; }));
}

// The version check waits for the server's answer to the greeting: a server that takes the
// greeting with one large read and answers late still gets it; one that never answers is given up
// by the sign-in watchdog.
TEST_F(SessionTest, VersionCheckWaitsForTheGreetingAnswer) {
    for (const bool answers : {true, false}) {
        ScriptedServer slow;
        slow.greetingInOneRead = true;
        slow.holdGreetingAnswer = true;
        refuseWith(slow, "帐号已被停用");
        auto& c = makeClient({}, slow.port());
        clock_.advance(500);
        clickSignIn(u("a"), u("pa"));
        ASSERT_TRUE(waitFor([&] { return c.ConnectionOpen(); }));
        advance(5000);
        waitFor([] { return false; }, 200); // whatever the client would write has arrived
        EXPECT_TRUE(slow.received.empty());
        EXPECT_EQ(slow.lostWithGreeting, 0u) << "the client wrote before the greeting was answered";
        if (answers) {
            slow.answerGreetings();
            ASSERT_TRUE(waitFor([&] { return view_.has("balloon 登录失败|帐号已被停用|15|information"); }));
            ASSERT_FALSE(slow.received.empty());
            EXPECT_EQ(slow.received[0].cmd(), Cmd::VersionCheck);
        } else {
            advance(10000);
            EXPECT_FALSE(c.ConnectionOpen());
            EXPECT_TRUE(view_.has(kConnectFailed));
        }
        client_.reset();
    }
}

TEST_F(SessionTest, SilentServerSignsOutAfter150SecondsAndReconnects) {
    TcpPipe pipe(server_->port());
    setMachineInt("AutoConnect", 1);
    setMachineInt("AutoConnectInterval", 60);
    auto& c = makeClient("loginuser=a&loginpwd=pa", pipe.port());
    ASSERT_TRUE(waitSignedIn(c));
    pipe.setSilent(true);
    const int64_t last = c.LastServerSign;
    advance(150000 - (clock_.nowMs() - last), 30000);
    EXPECT_TRUE(c.SignedIn()) << "150 s are not more than 150 s";
    advance(30000, 30000);
    EXPECT_FALSE(c.SignedIn());
    EXPECT_TRUE(view_.has("re-login lost"));
    EXPECT_FALSE(view_.has("sign-in panel"));
    ASSERT_TRUE(c.TimerAutoConnect->isActive());

    pipe.setSilent(false);
    advance(60000, 60000);
    EXPECT_TRUE(waitSignedIn(c));
    EXPECT_EQ(pipe.connections(), 2);
}

TEST_F(SessionTest, KilledServerBringsTheReLoginPanelAndAutomaticReconnection) {
    const QString program = QStringLiteral(VANTOR_BIN_DIR "/vantor-server");
    ASSERT_TRUE(QFile::exists(program));
    const uint16_t port = freeLowPort();
    server_.reset(); // its store stays; the program serves it
    const QStringList args = {QStringLiteral("--port"),      QString::number(port),
                              QStringLiteral("--file-port"), QStringLiteral("0"),
                              QStringLiteral("--db"),        dir_.filePath(QStringLiteral("server/store.db")),
                              QStringLiteral("--log-level"), QStringLiteral("off")};
    auto startServer = [&](QProcess& p) {
        p.start(program, args);
        return p.waitForStarted(3000) && waitFor([&] {
                   QTcpSocket probe;
                   probe.connectToHost(QHostAddress::LocalHost, port);
                   return probe.waitForConnected(100);
               });
    };
    QProcess first;
    ASSERT_TRUE(startServer(first));
    setMachineInt("AutoConnect", 1);
    setMachineInt("AutoConnectInterval", 60);
    auto& c = makeClient("loginuser=e&loginpwd=pe", port);
    ASSERT_TRUE(waitSignedIn(c));

    first.kill();
    first.waitForFinished(3000);
    ASSERT_TRUE(waitFor([&] { return !c.SignedIn(); }));
    EXPECT_TRUE(view_.has("re-login lost"));
    EXPECT_TRUE(c.TimerAutoConnect->isActive());
    // Nothing written is nothing sent.
    EXPECT_FALSE(c.SendToServer(protocol::emptyMessage(Cmd::Heartbeat)));
    EXPECT_FALSE(c.SendStreamToServer(protocol::emptyMessage(Cmd::Heartbeat).bytes()));

    QProcess second;
    ASSERT_TRUE(startServer(second));
    advance(60000, 60000);
    EXPECT_TRUE(waitSignedIn(c));
    c.Exit();
    advance(300, 300);
    second.terminate();
    second.waitForFinished(3000);
}

TEST_F(SessionTest, SecondSignInElsewhereEndsTheFirstForGood) {
    setMachineInt("AutoConnect", 1);
    auto& first = makeClient("loginuser=a&loginpwd=pa");
    ASSERT_TRUE(waitSignedIn(first));

    RecordingMainView otherView;
    session::MessengerEnvironment env;
    env.clock = &clock_;
    env.view = &otherView;
    env.launcher = &launcher_;
    env.layout = settings::FolderLayout(program_.toStdString(), documents_.toStdString());
    env.machineId = [] { return std::string("1"); };
    env.localAddress = [] { return std::string("127.0.0.1"); };
    session::TMessengerX second(std::move(env));
    second.ActiveFormCreate("loginuser=a&loginpwd=pa");
    ASSERT_TRUE(waitSignedIn(second));

    ASSERT_TRUE(waitFor([&] { return !first.SignedIn(); }));
    EXPECT_TRUE(view_.has("balloon 登录失败|相同的用户在其它位置刚刚登录！|15|information"));
    EXPECT_TRUE(view_.has("re-login by user"));
    EXPECT_FALSE(first.TimerAutoConnect->isActive());
    advance(600000, 60000);
    EXPECT_FALSE(first.ConnectionOpen());
    EXPECT_TRUE(second.SignedIn());
}

TEST_F(SessionTest, ServerStopAndRestartReconnects) {
    setMachineInt("AutoConnect", 1);
    setMachineInt("AutoConnectInterval", 30);
    auto& c = makeClient("loginuser=b&loginpwd=pb");
    ASSERT_TRUE(waitSignedIn(c));
    server_->stop();
    ASSERT_TRUE(waitFor([&] { return view_.has("balloon 登录失败|服务器已停止！|15|information"); }));
    EXPECT_FALSE(c.SignedIn());
    ASSERT_TRUE(c.TimerAutoConnect->isActive());
    ASSERT_TRUE(server_->restart());
    advance(30000, 30000);
    EXPECT_TRUE(waitSignedIn(c));
}

TEST_F(SessionTest, CancellingDuringTheSignInClosesWithoutLogout) {
    ScriptedServer mute;
    TcpPipe toMute(mute.port());
    setMachineInt("AutoConnect", 0);
    auto& c = makeClient({}, toMute.port());
    clock_.advance(500);
    clickSignIn(u("a"), u("pa"));
    ASSERT_TRUE(waitFor([&] { return !mute.received.empty(); }));
    ASSERT_EQ(c.ConnectCaption, "取消登录(&I)");
    c.ConnectMenuClicked();
    EXPECT_FALSE(c.ConnectionOpen());
    EXPECT_TRUE(c.ConnectCancelled);
    EXPECT_EQ(c.ConnectCaption, "登录(&I)");
    spin(100);
    const std::string logout = protocol::frameMessage(protocol::emptyMessage(Cmd::Logout));
    EXPECT_FALSE(toMute.fromClients().contains(QByteArray::fromStdString(logout)));
    EXPECT_EQ(view_.countPrefix("sign-in panel"), 2u);
}

} // namespace
} // namespace vantor::testing
