#include "protocol/text.h"
#include "session_fixture.h"
#include "settings/profile_file.h"

namespace vantor::testing {
namespace {

using protocol::Cmd;

QByteArray frameOf(Cmd code) {
    return QByteArray::fromStdString(protocol::frameMessage(protocol::emptyMessage(code)));
}

TEST_F(SessionTest, ExitSignsOutWithLogoutThenClosesOnce) {
    TcpPipe pipe(server_->port());
    auto& c = makeClient("loginuser=a&loginpwd=pa", pipe.port());
    ASSERT_TRUE(waitSignedIn(c));
    c.Exit();
    c.Exit(); // a second request does nothing more
    EXPECT_TRUE(c.Exiting);
    EXPECT_FALSE(c.SignedIn());
    ASSERT_TRUE(waitFor([&] { return pipe.fromClients().contains(frameOf(Cmd::Logout)); }));
    EXPECT_TRUE(waitFor([&] { return !server_->server().isOnline(11); }));
    EXPECT_EQ(quits_, 0);
    clock_.advance(299);
    EXPECT_EQ(quits_, 0);
    clock_.advance(1);
    EXPECT_EQ(quits_, 1);
    EXPECT_EQ(view_.count("close"), 1u);
    // The signed-in width is kept for the next start.
    settings::ProfileFile machine(machineFile());
    EXPECT_EQ(machine.readString("WindowPos", "Width"), std::to_string(view_.rect.width));
}

TEST_F(SessionTest, ExitWithoutASignInKeepsTheStoredWidth) {
    settings::ProfileFile(machineFile()).writeInteger("WindowPos", "Width", 333);
    auto& c = makeClient();
    clock_.advance(500);
    c.Exit();
    clock_.advance(300);
    EXPECT_EQ(quits_, 1);
    EXPECT_EQ(settings::ProfileFile(machineFile()).readString("WindowPos", "Width"), "333");
}

// A server that wants a newer version than ours.
class OutdatedClient : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        server_ = std::make_unique<TestServer>(dir_.filePath(QStringLiteral("server2")),
                                               [](server::ServerConfig& c) { c.minimumVersion = "9.9"; });
        ASSERT_TRUE(server_->ok());
    }
};

TEST_F(OutdatedClient, HandsOverToTheUpdaterAndExits) {
    setMachineInt("AutoConnect", 1);
    auto& c = makeClient("loginuser=a&loginpwd=pa", server_->port());
    ASSERT_TRUE(waitFor([&] { return !launcher_.starts.empty(); }));
    const auto& start = launcher_.starts[0];
    EXPECT_EQ(start.program, program_ + QStringLiteral("/Freshpatch"));
    EXPECT_EQ(start.arguments,
              (QStringList{QStringLiteral("127.0.0.1"), QString::number(server_->server().filePort()),
                           QStringLiteral("Kezique"), QStringLiteral("vantor")}));
    EXPECT_FALSE(c.ConnectionOpen());
    EXPECT_FALSE(c.TimerAutoConnect->isActive());
    EXPECT_TRUE(c.Exiting);
    clock_.advance(300);
    EXPECT_EQ(quits_, 1);
}

TEST_F(SessionTest, ConversationAskedForByAgentOpensAfterSignIn) {
    auto& c = makeClient();
    c.OnCopyData("link://open?uin=12");
    EXPECT_EQ(c.PendingChatUser, "12") << "kept until signed in";
    clickSignIn(u("a"), u("pa"));
    ASSERT_TRUE(waitSignedIn(c));
    EXPECT_TRUE(view_.has("conversation 12"));
    EXPECT_EQ(c.PendingChatUser, "");

    struct Case {
        const char* text;
        const char* opens; // nullptr: nothing
    } cases[] = {
        {"uin=13", "conversation 13"},
        {"x uin=14", "conversation 14"},
        {"uin=11", nullptr},          // the own number
        {"uin=1a", nullptr},          // not all digits
        {"uin=", nullptr},            // nothing after it
        {"14", nullptr},              // no "uin=" at all
        {"uin=99999999999", nullptr}, // beyond 32 bits
    };
    for (const auto& k : cases) {
        view_.calls.clear();
        c.OnCopyData(k.text);
        if (k.opens) {
            EXPECT_TRUE(view_.has(k.opens)) << k.text;
        } else {
            EXPECT_EQ(view_.countPrefix("conversation"), 0u) << k.text;
        }
        EXPECT_EQ(c.PendingChatUser, "") << k.text;
    }

    // Someone outside the loaded directory: asked for, opened when the record comes.
    view_.calls.clear();
    c.OnCopyData("uin=4242");
    EXPECT_EQ(c.WaitingChatUser, 4242u);
    EXPECT_EQ(view_.countPrefix("conversation"), 0u);
    c.OnUserRecordArrived(4242);
    EXPECT_TRUE(view_.has("conversation 4242"));
}

} // namespace
} // namespace vantor::testing
