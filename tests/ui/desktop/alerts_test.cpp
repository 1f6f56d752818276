// A colleague's message for a closed conversation, through the assembled desktop against the
// reference server, on an X server and a message bus of the test's own: one desktop notification
// (sender, first line) through the freedesktop notification service, the window manager's
// attention hint, the colleague marked in the tree; a click on the notification opens the
// conversation, and none comes while the own status is busy or the conversation is in front.
#include "../main/window_fixture.h"
#include "platform/desktop_notifier_dbus.h"
#include "protocol/text.h"
#include "session_bus.h"
#include "ui/chat/chat_windows.h"
#include "ui/main/org_tree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002;

// The notification as a desktop would draw it, kept for people to look at.
void keepPicture(const NotificationService::Shown& n, const char* file) {
    QFrame bubble;
    bubble.setObjectName(QStringLiteral("bubble"));
    bubble.setStyleSheet(
        QStringLiteral("#bubble { background: #2B2B2B; border-radius: 8px; } QLabel { color: white; }"));
    auto* layout = new QVBoxLayout(&bubble);
    auto* application =
        new QLabel(n.application + QStringLiteral(" · ") + n.hints.value("category").toString());
    application->setStyleSheet(QStringLiteral("color: #AAAAAA;"));
    auto* summary = new QLabel(QStringLiteral("<b>%1</b>").arg(n.summary.toHtmlEscaped()));
    auto* body = new QLabel(n.body); // the service's markup, as the client escaped it
    layout->addWidget(application);
    layout->addWidget(summary);
    layout->addWidget(body);
    bubble.resize(340, 100);
    bubble.show();
    QCoreApplication::processEvents();
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    bubble.grab().save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/") + QLatin1String(file));
}

class DesktopAlertsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!bus.start()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) FAIL() << bus.error();
            GTEST_SKIP() << "NO MESSAGE BUS, NOT TESTED: " << bus.error();
        }
        ASSERT_TRUE(service.registerOn(bus.connect(QStringLiteral("service"))));
        dbusNotifier = std::make_unique<platform::DBusDesktopNotifier>(bus.connect(QStringLiteral("client")));
        notifier = dbusNotifier.get();
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        desktop->setConversationWindows(nullptr); // the desktop's own conversation windows
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        wang = &signIn("wangfang", "wangfang123");
        toZhang = &wang->openWith(kZhang);
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        dbusNotifier.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    }
    ui::TfrmChatForm* formWith(uint32_t userId) {
        for (const auto& c : desktop->client().conversations().all())
            if (c->peerId == userId) return desktop->chatWindows()->existing(c->id);
        return nullptr;
    }

    SessionBus bus;
    NotificationService service;
    std::unique_ptr<platform::DBusDesktopNotifier> dbusNotifier;
    TestClient* wang = nullptr;
    conversation::Conversation* toZhang = nullptr;
};

TEST_F(DesktopAlertsTest, MessageForAClosedConversationNotifiesOnceAndTheClickOpensIt) {
    wang->say(*toZhang, "明天<b>九点</b>开会\r\n第二行不显示");
    ASSERT_TRUE(drive([&] { return !service.shown.empty(); }));
    const NotificationService::Shown first = service.shown.front();
    EXPECT_EQ(first.summary, QStringLiteral("王芳"));
    EXPECT_EQ(first.body, QStringLiteral("明天&lt;b&gt;九点&lt;/b&gt;开会"))
        << "the first line, markup escaped";
    EXPECT_TRUE(first.actions.contains(QStringLiteral("default")));
    EXPECT_EQ(window().shown().attentionRequests, 1);
    EXPECT_TRUE(window().tree()->isMarked(kWang));
    keepPicture(first, "notification.png");

    // A second message replaces the notification; the conversation is pending once.
    wang->say(*toZhang, "还在吗");
    ASSERT_TRUE(drive([&] { return service.shown.size() == 2; }));
    EXPECT_EQ(service.shown[1].replaces, first.id);
    EXPECT_EQ(service.shown[1].body, QStringLiteral("还在吗"));
    EXPECT_EQ(window().shown().attentionRequests, 1);
    EXPECT_EQ(desktop->shell().alerts().count(), 1u);

    service.click(first.id);
    ASSERT_TRUE(drive([&] {
        ui::TfrmChatForm* f = formWith(kWang);
        return f && f->isVisible();
    }));
    EXPECT_TRUE(desktop->shell().alerts().empty());
    EXPECT_FALSE(window().tree()->isMarked(kWang));
}

TEST_F(DesktopAlertsTest, NoneWhileBusyOrWhileTheConversationIsInFront) {
    desktop->client().directory().presence().SetOwnStatus(protocol::kDoNotDisturb, std::nullopt, std::nullopt,
                                                          false);
    ASSERT_TRUE(drive([&] {
        const auto* own = desktop->client().directory().directory().findUser(kZhang);
        return own && own->record.status == protocol::kDoNotDisturb;
    }));
    wang->say(*toZhang, "打扰一下");
    ASSERT_TRUE(drive([&] { return desktop->shell().alerts().count() == 1; }));
    EXPECT_TRUE(service.shown.empty()) << "the tray still alerts, the desktop keeps quiet";

    desktop->client().directory().presence().SetOwnStatus(protocol::kOnline, std::nullopt, std::nullopt,
                                                          false);
    desktop->chatWindows()->openWith(kWang);
    conversation::Conversation* c = desktop->client().conversations().openWith(kWang);
    ASSERT_TRUE(c && c->inFront);
    wang->say(*toZhang, "在前面");
    ASSERT_TRUE(
        drive([&] { return formWith(kWang)->display()->toPlainText().contains(QStringLiteral("在前面")); }));
    drive([] { return false; }, 300);
    EXPECT_TRUE(service.shown.empty());
}

} // namespace
} // namespace vantor::testing
