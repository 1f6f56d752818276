// The main window and a conversation window in two of the shipped skins and two colour shifts, with
// their drop shadows over a light and a dark desktop, on an X server of the test's own with a
// compositing manager (xcompmgr). The pictures stay in build/screenshots/skins-*.png; each is
// checked: the skin's bars are drawn and the shadow darkens the desktop beside the windows.
#include "../../support/missing_tool.h"
#include "platform/compositor.h"
#include "settings/user_settings.h"
#include "skin/appearance.h"
#include "ui/chat/chat_windows.h"
#include "ui/desktop/desktop_skin.h"
#include "ui/main/org_tree.h"
#include "ui/skin/shadow_window.h"
#include "window_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace vantor::testing {
namespace {

constexpr uint32_t kWang = 1002;

class SkinScreenshotTest : public MainWindowTest {
  protected:
    QProcess compositor;
    std::unique_ptr<QWidget> backdrop;

    void TearDown() override {
        backdrop.reset();
        MainWindowTest::TearDown();
        if (compositor.state() != QProcess::NotRunning) {
            compositor.terminate();
            compositor.waitForFinished(2000);
        }
    }

    static std::string missingCompositor() {
        return QStandardPaths::findExecutable(QStringLiteral("xcompmgr")).isEmpty()
                   ? "xcompmgr (Debian package xcompmgr)"
                   : "";
    }

    bool startCompositor() {
        compositor.start(QStandardPaths::findExecutable(QStringLiteral("xcompmgr")), {QStringLiteral("-n")});
        if (!compositor.waitForStarted(3000)) {
            ADD_FAILURE() << "xcompmgr did not start";
            return false;
        }
        // It owns the compositing selection once it runs.
        return QTest::qWaitFor([] { return platform::compositorRunning(); }, 5000);
    }

    void copySkins() {
        const QString from = QStringLiteral(VANTOR_BIN_DIR "/Skin");
        const QString to = dir_.filePath(QStringLiteral("desktop/program/Skin"));
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            const QString target = to + f.mid(from.size());
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(f, target);
        }
    }

    void setBackdrop(QColor colour) {
        backdrop = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        QPalette pal;
        pal.setColor(QPalette::Window, colour);
        backdrop->setPalette(pal);
        backdrop->setAutoFillBackground(true);
        backdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
        backdrop->show();
        backdrop->lower();
    }

    QImage screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }
};

TEST_F(SkinScreenshotTest, TwoSkinsTwoShiftsLightAndDark) {
    VANTOR_NEEDS_TOOL(missingCompositor());
    ASSERT_TRUE(startCompositor()) << "xcompmgr did not take the compositing selection";
    copySkins();
    QDir().mkpath(dir_.filePath(QStringLiteral("desktop/Documents/KZQ/1001")));
    settings::saveSkinName(dir_.filePath(QStringLiteral("desktop/Documents/KZQ/1001/IM.Dat")).toStdString(),
                           "Skin1");
    compositing = true;
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    ASSERT_FALSE(desktop->appearance().appearance().picture(skin::SkinPicture::MainTopBg).isNull())
        << "the shipped skins were not drawn into " VANTOR_BIN_DIR "/Skin";
    desktop->setConversationWindows(nullptr);
    window().setGeometry(60, 50, 280, 600);
    window().show();
    window().showShadow();
    window().tree()->setCurrentIndex(desktop->client().directory().tree().indexOfUser(kWang));
    QTest::keyClick(window().tree(), Qt::Key_Return);
    ui::TfrmChatForm* chat = nullptr;
    for (const auto& c : desktop->client().conversations().all())
        if (c->peerId == kWang) chat = desktop->chatWindows()->existing(c->id);
    ASSERT_TRUE(chat);
    chat->setGeometry(420, 80, 590, 510);

    struct Shot {
        const char* file;
        const char* skin;
        skin::ColourShift shift;
        QColor desktop;
    };
    const Shot shots[] = {
        {"skins-Skin1-light.png", "Skin1", {0, 0, 0}, QColor(0xE8, 0xEE, 0xF4)},
        {"skins-Skin1-shifted-dark.png", "Skin1", {150, 30, -10}, QColor(0x20, 0x24, 0x28)},
        {"skins-Skin5-dark.png", "Skin5", {0, 0, 0}, QColor(0x20, 0x24, 0x28)},
        {"skins-Skin5-shifted-light.png", "Skin5", {-120, -40, 25}, QColor(0xE8, 0xEE, 0xF4)},
    };
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    for (const Shot& s : shots) {
        setBackdrop(s.desktop);
        skin::Appearance& a = desktop->appearance().appearance();
        a.loadSkin(s.skin);
        a.applyShift(s.shift);
        window().raise();
        chat->raise();
        ui::TFormShadow* shadow = desktop->appearance().mainShadow();
        ASSERT_TRUE(shadow);
        ASSERT_TRUE(QTest::qWaitFor([&] { return shadow->isVisible(); }, 3000)) << s.file;
        QTest::qWait(400); // the compositor paints
        const QImage shot = screen();
        ASSERT_FALSE(shot.isNull());
        shot.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/") + QLatin1String(s.file));
        // The top bar shows the shifted skin picture.
        const QImage expected = a.picture(skin::SkinPicture::MainTopBg);
        EXPECT_NE(shot.pixelColor(60 + 10, 50 + 5), s.desktop) << s.file;
        // Under the window, within the shadow's reach, the grey shadow is laid over the desktop
        // (darker on a light one, lighter on a dark one); far away the desktop is untouched.
        const QColor under = shot.pixelColor(60 + 140, 50 + 600 + 4);
        const QColor far = shot.pixelColor(60 + 140, 50 + 600 + 40);
        EXPECT_EQ(far, s.desktop) << s.file;
        if (s.desktop.lightness() > 128)
            EXPECT_LT(under.lightness(), far.lightness()) << s.file << ": no shadow under the main window";
        else
            EXPECT_GT(under.lightness(), far.lightness()) << s.file << ": no shadow under the main window";
        (void)expected;
    }
}

} // namespace
} // namespace vantor::testing
