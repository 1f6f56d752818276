// The appearance's widgets offscreen: the skin dialog over a skin folder (sliders, Cancel, Reset,
// the grid, saving on hide), the drop shadow following a real window, the hint window at the
// desktop's edges.
#include "skin/appearance.h"
#include "ui/skin/colour_form.h"
#include "ui/skin/hint_window.h"
#include "ui/skin/shadow_window.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace vantor::ui {
namespace {

// A program folder with skins 1 and 2, each one colour, and thumbnails.
struct SkinFolder {
    QTemporaryDir dir;
    std::string program() const { return dir.path().toStdString() + "/"; }
    SkinFolder() {
        make(1, QColor(200, 40, 40));
        make(2, QColor(40, 160, 60));
    }
    void make(int n, QColor colour) {
        const QString folder = dir.path() + QStringLiteral("/Skin/Skin%1/").arg(n);
        QDir().mkpath(folder);
        for (const char* name : {"MainTop_Pic.png", "MainTop_bg.png", "Top_Pic.png", "Top_bg.png",
                                 "Bottom_Bg.png", "Bottom_bar.png"}) {
            QImage i(20, 10, QImage::Format_ARGB32);
            i.fill(colour);
            i.save(folder + QLatin1String(name));
        }
        QImage thumb(24, 24, QImage::Format_RGB32);
        thumb.fill(colour);
        thumb.save(dir.path() + QStringLiteral("/Skin/%1.jpg").arg(n));
        std::ofstream((folder + QStringLiteral("Skin.ini")).toStdString())
            << "[Init]\r\nH=" << (n == 2 ? 20 : 0) << "\r\nALphaBlend=" << (n == 2 ? 230 : 255) << "\r\n";
    }
};

struct ColourFormTest : ::testing::Test {
    SkinFolder folder;
    skin::Appearance appearance{folder.program()};
    TfrmColor form{appearance};
    int saves = 0;
    void SetUp() override {
        appearance.loadSkin("Skin1");
        form.saved = [this] { ++saves; };
    }
    QRgb topPixel() const { return appearance.picture(skin::SkinPicture::MainTopBg).pixel(0, 0); }
};

TEST_F(ColourFormTest, SlidersShiftThePicturesAndCancelRestores) {
    const QRgb before = topPixel();
    form.show();
    form.hueSlider()->setValue(300); // H = 120
    EXPECT_EQ(form.hueBox()->text(), QStringLiteral("120"));
    EXPECT_EQ(appearance.shift().H, 120);
    EXPECT_NE(topPixel(), before);
    form.saturationSlider()->setValue(150);
    form.brightnessSlider()->setValue(20);
    form.opacitySlider()->setValue(55);
    EXPECT_EQ(appearance.opacity(), 200);
    form.cancelClick();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(appearance.shift().identity());
    EXPECT_EQ(topPixel(), before);
    EXPECT_EQ(appearance.opacity(), 255);
    EXPECT_EQ(form.hueSlider()->value(), 180);
    EXPECT_EQ(saves, 1); // hidden: saved (with the restored values)
}

TEST_F(ColourFormTest, ResetZeroesTheShiftsAndOkKeepsThem) {
    appearance.applyShift({-40, 30, 10});
    form.show();
    EXPECT_EQ(form.hueSlider()->value(), 140);
    form.resetClick();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(appearance.shift().identity());
    EXPECT_EQ(form.saturationSlider()->value(), 100);
    form.brightnessSlider()->setValue(150);
    form.okClick();
    EXPECT_EQ(appearance.shift().B, 50);
    EXPECT_EQ(saves, 1);
    form.shuttingDown = true;
    form.show();
    form.hide();
    EXPECT_EQ(saves, 1);
}

TEST_F(ColourFormTest, AGridCellLoadsItsSkinAndCancelBringsTheFirstBack) {
    form.show();
    form.clickCell(1, 0); // Skin2
    EXPECT_EQ(appearance.skinName(), "Skin2");
    EXPECT_EQ(appearance.shift().H, 20);
    EXPECT_EQ(form.hueSlider()->value(), 200);
    EXPECT_EQ(form.opacitySlider()->value(), 25);
    form.cancelClick();
    EXPECT_EQ(appearance.skinName(), "Skin1");
    EXPECT_EQ(appearance.opacity(), 255);
    // A cell without a skin folder: the pictures are empty, nothing breaks.
    form.show();
    form.clickCell(3, 1);
    EXPECT_EQ(appearance.skinName(), "Skin8");
    EXPECT_TRUE(appearance.picture(skin::SkinPicture::TopBg).isNull());
}

TEST_F(ColourFormTest, OpensUnderTheButtonTwoPixelsInsideTheMainWindow) {
    QWidget main;
    main.setGeometry(300, 100, 280, 600);
    auto* button = new QPushButton(&main);
    button->setGeometry(40, 560, 24, 24);
    main.show();
    form.openBelow(button, main.frameGeometry());
    EXPECT_EQ(form.geometry().right(), main.frameGeometry().right() - 2);
    EXPECT_EQ(form.geometry().top(), button->mapToGlobal(QPoint(0, button->height())).y());
}

// ---- the shadow ----

TEST(FormShadow, FollowsARealWindow) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setGeometry(200, 150, 240, 320);
    TFormShadow shadow(true);
    EXPECT_TRUE(shadow.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(shadow.windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(shadow.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(shadow.windowType(), Qt::Tool);
    EXPECT_EQ(shadow.focusPolicy(), Qt::NoFocus);
    shadow.setForm(&w);
    shadow.setVisibleShadow(true);
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shadow.isVisible(); }));
    EXPECT_EQ(shadow.geometry(), QRect(200 - 16, 150 - 14, 272, 352));
    EXPECT_EQ(shadow.image().size(), QSize(272, 352));
    // The core: truncation in the in-place passes carries the edges' losses along the diagonals,
    // so it settles a little below 255.
    EXPECT_GE(qAlpha(shadow.image().pixel(136, 176)), 250);
    EXPECT_EQ(qAlpha(shadow.image().pixel(0, 0)), 0);
    const int builds = shadow.follower().builds();

    w.move(260, 180);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shadow.geometry().topLeft() == QPoint(260 - 16, 180 - 14); }));
    EXPECT_EQ(shadow.follower().builds(), builds);

    w.resize(300, 320);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shadow.follower().builds() == builds + 1; }));
    EXPECT_EQ(shadow.image().size(), QSize(332, 352));

    // A region (the main window's rounded corners) shapes the picture.
    w.setMask(QRegion(0, 0, 150, 320));
    shadow.refresh();
    EXPECT_EQ(qAlpha(shadow.image().pixel(16 + 280, 176)), 0);

    w.hide();
    EXPECT_FALSE(shadow.isVisible());
    w.showMaximized();
    QTest::qWait(20);
    EXPECT_FALSE(shadow.isVisible());
    w.showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shadow.isVisible(); }));
}

TEST(FormShadow, NothingWithoutACompositor) {
    QWidget w;
    w.setGeometry(10, 10, 100, 100);
    TFormShadow shadow(false);
    shadow.setForm(&w);
    shadow.setVisibleShadow(true);
    w.show();
    QTest::qWait(20);
    EXPECT_FALSE(shadow.isVisible());
}

TEST(FormShadow, FreedWindowIsLetGo) {
    auto* w = new QWidget;
    w->show();
    TFormShadow shadow(true);
    shadow.setForm(w);
    delete w;
    EXPECT_EQ(shadow.form(), nullptr);
    shadow.refresh(); // nothing to follow, nothing happens
}

// ---- hints ----

TEST(HintWindow, StaysOnTheDesktopAtItsEdges) {
    THintWindowEx hint;
    const QRect desktop(0, 0, 800, 600);
    struct Case {
        const char* what;
        QPoint pointer;
    };
    for (const Case& c : {Case{"middle", {400, 300}}, Case{"right edge", {798, 300}},
                          Case{"bottom edge", {400, 598}}, Case{"corner", {799, 599}}}) {
        hint.showHint(QStringLiteral("对话历史记录"), c.pointer, desktop);
        EXPECT_TRUE(hint.isVisible()) << c.what;
        EXPECT_TRUE(desktop.contains(hint.geometry())) << c.what;
        EXPECT_EQ(hint.height(), hint.sizeHint().height() + 4) << c.what;
    }
    hint.showHint(QString(), {10, 10}, desktop);
    EXPECT_FALSE(hint.isVisible());
}

TEST(HintWindow, TakesTheApplicationsHints) {
    THintWindowEx hint;
    hint.install();
    QWidget w;
    w.setGeometry(100, 100, 200, 100);
    auto* child = new QWidget(&w);
    child->setGeometry(10, 10, 50, 50);
    child->setToolTip(QStringLiteral("主菜单"));
    w.show();
    QHelpEvent e(QEvent::ToolTip, QPoint(20, 20), child->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(child, &e);
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.text(), QStringLiteral("主菜单"));
    EXPECT_TRUE(hint.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(child, &leave);
    EXPECT_FALSE(hint.isVisible());
}

} // namespace
} // namespace vantor::ui
