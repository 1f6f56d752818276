// Skins through the assembled desktop against the reference server: the account's SkinName is
// applied at sign-in, the skin button opens the skin dialog, its sliders shift the main window's
// bars, Cancel restores, OK keeps and saves into the account's overlay (never the program folder),
// a grid cell changes the skin, and conversation windows are dressed in the same pictures and colours.
#include "settings/profile_file.h"
#include "settings/user_settings.h"
#include "skin/appearance.h"
#include "ui/chat/chat_windows.h"
#include "ui/desktop/desktop_skin.h"
#include "ui/main/org_tree.h"
#include "ui/skin/colour_form.h"
#include "ui/skin/shadow_window.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002;

class SkinTest : public MainWindowTest {
  protected:
    QString program() const { return dir_.filePath(QStringLiteral("desktop/program/")); }
    QString account() const { return dir_.filePath(QStringLiteral("desktop/Documents/KZQ/1001/")); }

    // A skin of one colour: every bar picture `colour`, Name red.
    void makeSkin(int n, QColor colour) {
        const QString folder = program() + QStringLiteral("Skin/Skin%1/").arg(n);
        QDir().mkpath(folder);
        for (const char* name : {"MainTop_Pic.png", "MainTop_bg.png", "Top_Pic.png", "Top_bg.png",
                                 "Bottom_Pic.png", "Bottom_Bg.png", "Bottom_bar.png"}) {
            QImage i(16, 16, QImage::Format_ARGB32);
            i.fill(colour);
            ASSERT_TRUE(i.save(folder + QLatin1String(name)));
        }
        settings::ProfileFile ini((folder + QStringLiteral("Skin.ini")).toStdString());
        ini.writeString("FontColor", "Name", "255");   // red
        ini.writeString("FontColor", "Memo", "65280"); // green
    }

    void startWithSkin(const char* skinName) {
        makeSkin(1, QColor(200, 60, 40));
        makeSkin(2, QColor(40, 90, 200));
        QDir().mkpath(account());
        settings::saveSkinName((account() + QStringLiteral("IM.Dat")).toStdString(), skinName);
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        window().show();
    }

    skin::Appearance& appearance() { return desktop->appearance().appearance(); }
    QColor topBarPixel() { return window().grab().toImage().pixelColor(window().width() / 2, 3); }
    QString programIni(int n) {
        QFile f(program() + QStringLiteral("Skin/Skin%1/Skin.ini").arg(n));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
};

TEST_F(SkinTest, TheAccountsSkinIsAppliedAtSignIn) {
    startWithSkin("Skin2");
    EXPECT_EQ(appearance().skinName(), "Skin2");
    EXPECT_EQ(topBarPixel(), QColor(40, 90, 200));
    auto* name = find<QLabel>("Lb_UserName");
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(255, 0, 0)) << "the skin's Name colour";
    EXPECT_EQ(find<QLabel>("Lb_UserMemo")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    // The window's rounded region: the corner pixels are cut away.
    EXPECT_FALSE(window().mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(window().mask().contains(QPoint(1, 0)));
}

TEST_F(SkinTest, AnAccountSkinNameThatIsAPathLoadsTheDefault) {
    startWithSkin("../../../etc");
    EXPECT_EQ(appearance().skinName(), "Skin1");
    EXPECT_EQ(topBarPixel(), QColor(200, 60, 40));
}

TEST_F(SkinTest, TheSkinDialogShiftsCancelsAndSaves) {
    startWithSkin("Skin2");
    const QString programBefore = programIni(2);
    find<QToolButton>("btn_ConverSkin")->click();
    ui::TfrmColor* form = desktop->appearance().colourDialogIfMade();
    ASSERT_TRUE(form);
    ASSERT_TRUE(form->isVisible());

    const QColor before = topBarPixel();
    form->hueSlider()->setValue(180 + 120);
    EXPECT_NE(topBarPixel(), before) << "the bars are shifted at once";
    form->cancelClick();
    EXPECT_EQ(topBarPixel(), before);
    EXPECT_TRUE(appearance().shift().identity());

    find<QToolButton>("btn_ConverSkin")->click();
    ASSERT_TRUE(form->isVisible());
    form->brightnessSlider()->setValue(150);
    form->opacitySlider()->setValue(55);
    EXPECT_NEAR(window().windowOpacity(), 200 / 255.0, 0.01);
    form->okClick();
    EXPECT_FALSE(form->isVisible());

    // Saved for this account, under its data folder; the shared program folder is untouched.
    settings::ProfileFile overlay((account() + QStringLiteral("Skin/Skin2/Skin.ini")).toStdString());
    EXPECT_EQ(overlay.readInteger("Init", "B", 0), 50);
    EXPECT_EQ(overlay.readInteger("Init", "ALphaBlend", 0), 200);
    EXPECT_EQ(overlay.readString("FontColor", "Name"), "255");
    EXPECT_EQ(programIni(2), programBefore);
    EXPECT_EQ(settings::ProfileFile((account() + QStringLiteral("IM.Dat")).toStdString())
                  .readString("Init", "SkinName"),
              "Skin2");

    // Another skin from the grid; its name is kept when the dialog hides.
    find<QToolButton>("btn_ConverSkin")->click();
    form->clickCell(0, 0);
    EXPECT_EQ(topBarPixel(), QColor(200, 60, 40));
    form->okClick();
    EXPECT_EQ(settings::ProfileFile((account() + QStringLiteral("IM.Dat")).toStdString())
                  .readString("Init", "SkinName"),
              "Skin1");
}

TEST_F(SkinTest, ConversationWindowsAreDressedAndFollowTheShift) {
    startWithSkin("Skin2");
    desktop->setConversationWindows(nullptr);
    window().tree()->setCurrentIndex(desktop->client().directory().tree().indexOfUser(kWang));
    QTest::keyClick(window().tree(), Qt::Key_Return);
    ui::TfrmChatForm* f = nullptr;
    for (const auto& c : desktop->client().conversations().all())
        if (c->peerId == kWang) f = desktop->chatWindows()->existing(c->id);
    ASSERT_TRUE(f);
    ASSERT_TRUE(drive([&] { return f->isVisible(); }));
    EXPECT_EQ(f->nameLabel()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f->memoLabel()->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    const QImage shot = f->grab().toImage();
    EXPECT_EQ(shot.pixelColor(f->width() / 2, 2), QColor(40, 90, 200)) << "the top background";
    EXPECT_EQ(shot.pixelColor(f->width() / 2, f->height() - 3), QColor(40, 90, 200)) << "the bottom bar";

    appearance().applyShift({0, 0, -100});
    EXPECT_EQ(f->grab().toImage().pixelColor(f->width() / 2, 2), QColor(0, 0, 0));
    (void)kZhang;
}

} // namespace
} // namespace vantor::testing
