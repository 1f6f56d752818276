#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"
#include "ui/kit/palette.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace vantor::ui {
namespace {

int inkPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 40) ++n;
    return n;
}

TEST(Fonts, TheNamedFacesBecomeAnInstalledCjkFamilyThatHasTheGlyphs) {
    for (const QString& face : {kYaHei, kSongTi}) {
        const QString family = cjkFamily(face);
        ASSERT_FALSE(family.isEmpty()) << "no CJK font installed (fonts-noto-cjk)";
        EXPECT_NE(family, face);
        QFont f(face); // through the substitution installed at start
        EXPECT_TRUE(rendersText(f, QStringLiteral("组织人员 正在登录... 请输入用户名及密码！")))
            << family.toStdString();
    }
    EXPECT_EQ(cjkFamily(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(rendersText(textFont(12), QStringLiteral("记住密码自动登录")));
}

TEST(Icons, EveryPictureIsDrawnAndTheStatusPicturesDiffer) {
    using S = directory::StatusClass;
    std::vector<QImage> status;
    for (S s : {S::Online, S::Busy, S::Away, S::DoNotDisturb, S::Offline, S::Mobile}) {
        for (int size : {16, 32}) {
            const QImage img = statusIcon(s).pixmap(size, size).toImage();
            EXPECT_EQ(img.width(), size);
            EXPECT_GT(inkPixels(img), size * size / 8) << int(s) << " at " << size;
        }
        status.push_back(statusIcon(s).pixmap(32, 32).toImage());
    }
    for (size_t i = 0; i < status.size(); ++i)
        for (size_t j = i + 1; j < status.size(); ++j)
            EXPECT_NE(status[i], status[j]) << i << " vs " << j;
    for (int i = 0; i <= 5; ++i)
        EXPECT_GT(inkPixels(trayIcon(i).pixmap(22, 22).toImage()), 100) << i;
    EXPECT_NE(trayIcon(0).pixmap(22, 22).toImage(), trayIcon(1).pixmap(22, 22).toImage());
    EXPECT_EQ(inkPixels(blankTrayIcon().pixmap(16, 16).toImage()), 0);
    for (int g = 0; g <= int(Glyph::Logo); ++g)
        EXPECT_GT(inkPixels(glyphIcon(Glyph(g)).pixmap(24, 24).toImage()), 10) << g;
    // A high-density screen gets a sharper picture, not a scaled-up one.
    const QPixmap hi = statusIcon(S::Online).pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(hi.width(), 32);
    // A picture that cannot be read still gives a tray frame.
    EXPECT_GT(inkPixels(trayPictureIcon(QStringLiteral("/nonexistent.bmp")).pixmap(16, 16).toImage()), 10);
}

TEST(Palette, ColoursWrittenTheDesktopWay) {
    EXPECT_EQ(fromBgr(0x524D41), QColor(0x41, 0x4D, 0x52));
    EXPECT_EQ(fromBgr(0x8F8F8F), QColor(0x8F, 0x8F, 0x8F));
}

} // namespace
} // namespace vantor::ui
