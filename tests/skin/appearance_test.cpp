// The current skin read from a skin folder: the seven pictures (a missing one empty, the bottom
// picture falling back), Skin.ini with the account's overlay, names that are not folder names,
// the shift from the unshifted pictures and the save into the overlay only.
#include "settings/skin_settings.h"
#include "skin/appearance.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vantor::skin {
namespace {

void write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

QImage solid(QColor c, int w = 8, int h = 4) {
    QImage i(w, h, QImage::Format_ARGB32);
    i.fill(c);
    return i;
}

struct AppearanceTest : ::testing::Test {
    QTemporaryDir dir;
    std::string program, account;
    void SetUp() override {
        program = dir.path().toStdString() + "/program/";
        account = dir.path().toStdString() + "/KZQ/42/";
        const QString skin = QString::fromStdString(program + "Skin/Skin2/");
        QDir().mkpath(skin);
        solid(Qt::red).save(skin + "MainTop_Pic.png");
        solid(Qt::green).save(skin + "MainTop_bg.png");
        solid(Qt::blue).save(skin + "Top_Pic.png");
        solid(Qt::yellow).save(skin + "Top_bg.png");
        solid(Qt::cyan, 5, 5).save(skin + "Bottom_Bg.png"); // no Bottom_Pic.png
        // no Bottom_bar.png
        write(program + "Skin/Skin2/Skin.ini",
              "[Init]\r\nH=30\r\nS=-10\r\nB=5\r\nALphaBlend=200\r\n[FontColor]\r\nName=255\r\nMemo=65280\r\n"
              "Border=16711680\r\nFormBG=15790320\r\n");
        QDir().mkpath(QString::fromStdString(account));
    }
};

TEST_F(AppearanceTest, LoadsPicturesColoursAndShift) {
    Appearance a(program);
    a.setAccountFolder(account);
    int changes = 0;
    QObject::connect(&a, &Appearance::changed, [&] { ++changes; });
    a.loadSkin("Skin2");
    EXPECT_GE(changes, 1);
    EXPECT_EQ(a.skinName(), "Skin2");
    EXPECT_EQ(a.shift().H, 30);
    EXPECT_EQ(a.shift().S, -10);
    EXPECT_EQ(a.shift().B, 5);
    EXPECT_EQ(a.opacity(), 200);
    EXPECT_EQ(a.nameColour(), QColor(255, 0, 0));
    EXPECT_EQ(a.memoColour(), QColor(0, 255, 0));
    EXPECT_EQ(a.borderColour(), QColor(0, 0, 255));
    ASSERT_TRUE(a.windowColour());
    EXPECT_EQ(*a.windowColour(), QColor(0xF0, 0xF0, 0xF0));
    // The bottom picture falls back to the bottom background; the missing bar stays empty.
    EXPECT_EQ(a.unshifted(SkinPicture::BottomPic).size(), QSize(5, 5));
    EXPECT_TRUE(a.picture(SkinPicture::BottomBar).isNull());
    // Shifted copies come from the unshifted pictures.
    const QImage& red = a.unshifted(SkinPicture::MainTopPic);
    ASSERT_FALSE(red.isNull());
    const uint32_t px = red.pixel(0, 0);
    EXPECT_EQ(a.picture(SkinPicture::MainTopPic).pixel(0, 0), shiftPixel(px, {30, -10, 5}));
    a.applyShift({-60, 0, 0});
    a.applyShift({0, 0, 0});
    EXPECT_EQ(a.picture(SkinPicture::MainTopPic).pixel(0, 0), px);
}

TEST_F(AppearanceTest, NamesThatAreNotFolderNamesLoadTheDefaultSkin) {
    write(program + "Skin/Skin1/Skin.ini", "[Init]\r\nH=-5\r\n");
    Appearance a(program);
    for (const char* name : {"../Skin2", "..", "", "Skin2/../Skin2", "a\\b"}) {
        a.loadSkin(name);
        EXPECT_EQ(a.skinName(), "Skin1") << name;
        EXPECT_EQ(a.shift().H, -5) << name;
    }
}

TEST_F(AppearanceTest, AMissingSkinLeavesEveryPictureEmpty) {
    Appearance a(program);
    a.loadSkin("Skin5");
    for (int i = 0; i < kSkinPictureCount; ++i)
        EXPECT_TRUE(a.picture(SkinPicture(i)).isNull()) << skinPictureFile(SkinPicture(i));
    EXPECT_EQ(a.opacity(), 255);
    EXPECT_FALSE(a.windowColour());
}

TEST_F(AppearanceTest, SavesIntoTheAccountsOverlayNeverTheProgramFolder) {
    const std::string programIni = program + "Skin/Skin2/Skin.ini";
    const auto before = std::filesystem::last_write_time(programIni);
    std::ifstream in(programIni, std::ios::binary);
    const std::string programBytes((std::istreambuf_iterator<char>(in)), {});

    Appearance a(program);
    EXPECT_FALSE(a.save()); // no account yet: nothing written, said so
    a.setAccountFolder(account);
    a.loadSkin("Skin2");
    a.applyShift({-100, 40, -7});
    a.setOpacity(128);
    ASSERT_TRUE(a.save());
    std::ifstream again(programIni, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), programBytes);
    EXPECT_EQ(std::filesystem::last_write_time(programIni), before);
    EXPECT_TRUE(std::filesystem::exists(account + "Skin/Skin2/Skin.ini"));

    // Loaded again: the overlay's keys win, the others (Border, FormBG) come from the skin.
    Appearance b(program);
    b.setAccountFolder(account);
    b.loadSkin("Skin2");
    EXPECT_EQ(b.shift().H, -100);
    EXPECT_EQ(b.shift().S, 40);
    EXPECT_EQ(b.shift().B, -7);
    EXPECT_EQ(b.opacity(), 128);
    EXPECT_EQ(b.borderColour(), QColor(0, 0, 255));
    // Another account still sees the skin's own values.
    Appearance c(program);
    c.setAccountFolder(dir.path().toStdString() + "/KZQ/43/");
    c.loadSkin("Skin2");
    EXPECT_EQ(c.shift().H, 30);
}

TEST_F(AppearanceTest, AnOverlayWithValuesOutOfRangeReadsTheDefaults) {
    write(account + "Skin/Skin2/Skin.ini",
          "[Init]\r\nH=900\r\nALphaBlend=-4\r\n[FontColor]\r\nName=blue\r\n");
    const settings::SkinSettings s =
        settings::loadSkinSettings(program + "Skin/Skin2/Skin.ini", account + "Skin/Skin2/Skin.ini");
    EXPECT_EQ(s.H, 0);
    EXPECT_EQ(s.S, -10); // from the skin
    EXPECT_EQ(s.ALphaBlend, 255);
    EXPECT_EQ(s.Name, settings::SkinSettings{}.Name);
}

} // namespace
} // namespace vantor::skin
