// The shell over a whole client signed in to the reference server.
#include "../client/client_fixture.h"
#include "fake_shell_view.h"
#include "protocol/text.h"
#include "shell/shell_core.h"

#include <algorithm>
#include <cstring>

namespace vantor::shell {
namespace {

class ShellCoreTest : public testing::ClientTest {
  protected:
    // The shell goes before the clients it was made over.
    void TearDown() override {
        core.reset();
        ClientTest::TearDown();
    }
    void start(const std::string& account) {
        client = &signIn(account, account + "123");
        core = std::make_unique<ShellCore>(client->core(), view, sound, launcher);
    }
    void deliver(protocol::Cmd code, const std::string& body) {
        client->messenger().dispatcher().dispatch({uint8_t(code), body});
    }
    static std::string toolbarLink(const std::string& hint, const std::string& link, uint32_t kind) {
        std::string b(416, '\0');
        b[4] = char(hint.size());
        std::memcpy(&b[5], hint.data(), hint.size());
        b[156] = char(link.size());
        std::memcpy(&b[157], link.data(), link.size());
        b[412] = char(kind);
        return b;
    }
    static std::string pendingCounts(uint8_t kind, uint8_t op, uint8_t value) {
        std::string b(45, '\0');
        b[33] = char(kind);
        b[37] = char(op);
        b[41] = char(value);
        return b;
    }

    test::FakeShellView view;
    platform::RecordingSoundPlayer sound;
    platform::RecordingProcessLauncher launcher;
    testing::TestClient* client = nullptr;
    std::unique_ptr<ShellCore> core;
};

TEST_F(ShellCoreTest, ToolbarLinksOpenWithTheSignInAndGoAtSignOut) {
    start("zhangwei");
    deliver(protocol::Cmd::ToolbarLink,
            toolbarLink(protocol::toGbk("考勤"), "http://kq.local/?u=%s&p=%s&x=%d", 2));
    deliver(protocol::Cmd::ToolbarLink, toolbarLink("", "file:///etc/passwd?%s", 3));
    EXPECT_EQ(view.buttons[1], QStringLiteral("考勤"));
    core->openToolbarLink(2);
    ASSERT_EQ(view.links.size(), 1u);
    EXPECT_EQ(view.links[0].toString(), QStringLiteral("http://kq.local/?u=zhangwei&p=zhangwei123&x=%25d"));
    core->openToolbarLink(3); // not a web link: reported, not opened
    EXPECT_EQ(view.links.size(), 1u);
    EXPECT_EQ(view.problems.size(), 1);

    deliver(protocol::Cmd::PendingCounts, pendingCounts(2, 0, 120));
    EXPECT_EQ(view.badges[BadgeKind::MessageCentre].text, QStringLiteral("99+"));
    deliver(protocol::Cmd::PendingCounts, std::string(20, '\0')); // short: ignored
    EXPECT_EQ(core->badges().count(BadgeKind::MessageCentre), 120);

    client->messenger().LogoutMenuClicked();
    EXPECT_EQ(core->toolbarLinks().size(), 0u);
    EXPECT_FALSE(view.badges[BadgeKind::MessageCentre].visible);
    core->openToolbarLink(2);
    EXPECT_EQ(view.links.size(), 1u);
}

TEST_F(ShellCoreTest, HotKeysAndTheTrayIcon) {
    start("zhangwei");
    client->messenger().WindowHidden = true;
    core->hotKey(platform::HotKey::CtrlQ); // nothing pending: shows the main window
    EXPECT_EQ(view.mainWindowShown, 1);
    EXPECT_FALSE(client->messenger().WindowHidden);

    core->alerts().alertConversation({5, 1002, 0});
    EXPECT_TRUE(core->flasher().flashing());
    core->hotKey(platform::HotKey::CtrlQ); // pending: opens it (no windows here) and stops flashing
    EXPECT_TRUE(core->alerts().empty());
    EXPECT_FALSE(core->flasher().flashing());
    EXPECT_EQ(view.mainWindowShown, 1);

    core->hotKey(platform::HotKey::CtrlKeypad2);
    core->hotKey(platform::HotKey::CtrlKeypad2);
    const auto& shown = client->directoryView.workStates;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), protocol::toGbk("开会")), 1);

    // A colleague without a photo flashes the default head; a group the group picture.
    EXPECT_TRUE(core->flashPicture({5, 1002, 0}).endsWith(QStringLiteral("SysImages/DefaultHead.bmp")));
    EXPECT_TRUE(core->flashPicture({6, 0, 9}).endsWith(QStringLiteral("SysImages/DefaultGroup.bmp")));

    // A failure sign-out clears the pending alerts too.
    core->alerts().alertConversation({5, 1002, 0});
    client->messenger().SignOut(false);
    EXPECT_TRUE(core->alerts().empty());
    EXPECT_FALSE(core->flasher().flashing());
}

} // namespace
} // namespace vantor::shell
