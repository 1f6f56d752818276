// The user settings file and the skin file: defaults, stored values and the writes made while
// signed in.
#include "crypto/cipher.h"
#include "settings/folder_layout.h"
#include "settings/profile_file.h"
#include "settings/skin_settings.h"
#include "settings/user_settings.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace vantor::settings {
namespace {

using test::fileBytes;
using test::putFile;
using test::TempDir;

class UserSettingsTest : public ::testing::Test {
  protected:
    TempDir dir;
    FolderLayout layout{dir / "program", dir / "Documents"};
    std::string user = layout.userFile(42);
    void SetUp() override { std::filesystem::create_directories(layout.accountFolder(42)); }
};

TEST_F(UserSettingsTest, Defaults) {
    const UserSettings s = loadUserSettings(user, layout);
    EXPECT_EQ(s.ViewStyle, ContactPanel::Tree);
    EXPECT_EQ(s.TreeView, TreeGrouping::Tree);
    EXPECT_EQ(s.FaceView, ListFilter::All); // "显示所有用户" when the key is absent
    EXPECT_EQ(s.FaceSize, IconSize::BigFace);
    EXPECT_EQ(s.RevFilesPath, dir / "Documents");
    EXPECT_EQ(s.MsgSound, dir / "program/Sound/msg.wav");
    const bool UserSettings::*onByDefault[] = {
        &UserSettings::AutoLeave,         &UserSettings::AutoBusy,       &UserSettings::ShowMsgHint,
        &UserSettings::EnterSendMsg,      &UserSettings::ShowUserInfo,   &UserSettings::AutoSort,
        &UserSettings::BtnNotClose,       &UserSettings::AutoHide,       &UserSettings::ShowMsgCenter,
        &UserSettings::OtherMsgFlashIcon, &UserSettings::OtherMsgShowPop};
    for (auto field : onByDefault)
        EXPECT_TRUE(s.*field);
    const bool UserSettings::*offByDefault[] = {&UserSettings::DontPlaySound,  &UserSettings::ShowMsgRemind,
                                                &UserSettings::NotShowContent, &UserSettings::MainFormOnTop,
                                                &UserSettings::isCopyed,       &UserSettings::isMsgDBCopyed};
    for (auto field : offByDefault)
        EXPECT_FALSE(s.*field);
    EXPECT_EQ(s.AutoLeaveInterval, 5);
    EXPECT_EQ(s.SkinName, "Skin1");
    EXPECT_EQ(s.RecentUser, "");
    EXPECT_EQ(s.POP3Server, "");
    EXPECT_EQ(s.POP3Port, 110);
    EXPECT_EQ(s.POP3Pass, "");
}

TEST_F(UserSettingsTest, ViewChoices) {
    struct Case {
        const char* key;
        const char* stored;
        bool differsFromDefault;
    };
    const Case cases[] = {
        {"ViewStyle", "FaceView", true},  {"ViewStyle", "faceview", true}, {"ViewStyle", "Tree", false},
        {"ViewStyle", "QQList", true},    {"TreeView", "OnOrOff", true},   {"FaceView", "QQList", true},
        {"FaceView", "QQListAll", false}, {"FaceView", "junk", false},     {"FaceSize", "SmaillFace", true},
        {"FaceSize", "SmallFace", false},
    };
    const UserSettings defaults = loadUserSettings(user, layout);
    for (const auto& c : cases) {
        putFile(user, std::string("[Init]\n") + c.key + "=" + c.stored + "\n");
        const UserSettings s = loadUserSettings(user, layout);
        const bool differs = s.ViewStyle != defaults.ViewStyle || s.TreeView != defaults.TreeView ||
                             s.FaceView != defaults.FaceView || s.FaceSize != defaults.FaceSize;
        EXPECT_EQ(differs, c.differsFromDefault) << c.key << "=" << c.stored;
    }

    putFile(user, "");
    saveViewChoice(user, ContactPanel::FaceView);
    saveViewChoice(user, TreeGrouping::OnOrOff);
    saveViewChoice(user, ListFilter::OnlineOnly);
    saveViewChoice(user, IconSize::SmaillFace);
    saveEnterSendMsg(user, false);
    saveShowUserInfo(user, false);
    EXPECT_EQ(fileBytes(user), "[Init]\r\nViewStyle=FaceView\r\nTreeView=OnOrOff\r\nFaceView=QQList\r\n"
                               "FaceSize=SmaillFace\r\nEnterSendMsg=0\r\nShowUserInfo=0\r\n");
    saveViewChoice(user, ListFilter::All);
    EXPECT_EQ(loadUserSettings(user, layout).FaceView, ListFilter::All);
}

TEST_F(UserSettingsTest, RecentUsers) {
    std::string list = ",";
    while (list.size() < 2100)
        list += std::to_string(10000 + list.size()) + ",";
    saveRecentUser(user, list);
    EXPECT_EQ(loadUserSettings(user, layout).RecentUser, list.substr(0, 2047));
    saveRecentUser(user, ""); // an empty list is never stored
    EXPECT_EQ(ProfileFile(user).readString("Init", "RecentUser"), list.substr(0, 2047));
}

TEST_F(UserSettingsTest, MailboxPassword) {
    putFile(user, "[Init]\nPOP3Server=mail\nPOP3Port=995\nPOP3User=me\nPOP3Pass=" +
                      crypto::DesEncryptHex("mpw") + "\n");
    UserSettings s = loadUserSettings(user, layout);
    EXPECT_EQ(s.POP3Server, "mail");
    EXPECT_EQ(s.POP3Port, 995);
    EXPECT_EQ(s.POP3User, "me");
    EXPECT_EQ(s.POP3Pass, "mpw");
    putFile(user, "[Init]\nPOP3Pass=xyz\nPOP3Port=70000\n");
    s = loadUserSettings(user, layout);
    EXPECT_EQ(s.POP3Pass, "");
    EXPECT_EQ(s.POP3Port, 110);
}

TEST_F(UserSettingsTest, Font) {
    FontSpec font{"Arial", 0x0000FF, 12, FontPitch::Variable, true};
    FontSpec loaded{"Old", 1, 8};
    loadFont(user, loaded); // nothing stored: unchanged
    EXPECT_EQ(loaded, (FontSpec{"Old", 1, 8}));
    saveFont(user, font);
    EXPECT_EQ(fileBytes(user), "[Font]\r\nFont=Arial,clRed,12,v,b\r\n");
    loadFont(user, loaded);
    EXPECT_EQ(loaded, font);
}

TEST_F(UserSettingsTest, SignInValuesForTheSiblings) {
    putFile(user, "[Init]\r\nisMsgDBCopyed=1\r\n");
    saveNetFileValues(user, {"10.0.0.9", 9203, 104857600, 4294967295LL, "*.exe;*.bat"});
    markCopied(user);
    saveSkinName(user, "Skin3");
    EXPECT_EQ(fileBytes(user), "[Init]\r\nisMsgDBCopyed=1\r\nNetFileServer=10.0.0.9\r\nNetFilePort=9203\r\n"
                               "NetFileSingleMaxSize=104857600\r\nNetFileMaxSize=4294967295\r\n"
                               "NetFileFilter=*.exe;*.bat\r\nisCopyed=1\r\nSkinName=Skin3\r\n");
    const UserSettings s = loadUserSettings(user, layout);
    EXPECT_TRUE(s.isCopyed);
    EXPECT_TRUE(s.isMsgDBCopyed);
    EXPECT_EQ(s.SkinName, "Skin3");
}

TEST_F(UserSettingsTest, DialogValuesRoundTrip) {
    UserSettings s;
    s.RevFilesPath = "/srv/in";
    s.MsgSound = "/srv/ding.wav";
    s.DontPlaySound = true;
    s.ShowMsgHint = false;
    s.AutoLeaveInterval = 15;
    s.ShowMsgRemind = true;
    s.NotShowContent = true;
    s.EnterSendMsg = false;
    s.AutoLeave = false;
    s.AutoBusy = false;
    s.AutoSort = false;
    s.MainFormOnTop = true;
    s.BtnNotClose = false;
    s.AutoHide = false;
    s.ShowMsgCenter = false;
    s.OtherMsgFlashIcon = false;
    s.OtherMsgShowPop = false;
    saveDialogUserSettings(user, s);
    const UserSettings b = loadUserSettings(user, layout);
    EXPECT_EQ(b.RevFilesPath, s.RevFilesPath);
    EXPECT_EQ(b.MsgSound, s.MsgSound);
    EXPECT_EQ(b.AutoLeaveInterval, 15);
    const bool UserSettings::*flags[] = {
        &UserSettings::DontPlaySound,     &UserSettings::ShowMsgHint,    &UserSettings::ShowMsgRemind,
        &UserSettings::NotShowContent,    &UserSettings::EnterSendMsg,   &UserSettings::AutoLeave,
        &UserSettings::AutoBusy,          &UserSettings::AutoSort,       &UserSettings::MainFormOnTop,
        &UserSettings::BtnNotClose,       &UserSettings::AutoHide,       &UserSettings::ShowMsgCenter,
        &UserSettings::OtherMsgFlashIcon, &UserSettings::OtherMsgShowPop};
    for (auto field : flags)
        EXPECT_EQ(b.*field, s.*field);
}

TEST(SkinSettings, DefaultsStoredAndSaved) {
    TempDir dir;
    const std::string skin = dir / "Skin.ini";
    SkinSettings s = loadSkinSettings(skin);
    EXPECT_EQ(s.H, 0);
    EXPECT_EQ(s.ALphaBlend, 255);
    EXPECT_EQ(s.Name, 0xD9D9D9u);
    EXPECT_EQ(s.Memo, 0xB3B3B3u);
    EXPECT_EQ(s.Border, 0x8F8F8Fu);
    EXPECT_EQ(s.FormBG, 0u);

    putFile(skin, "[Init]\nH=-180\nS=101\nB=-7\nALphaBlend=0x80\n[FontColor]\nName=255\nMemo=red\n"
                  "Border=16777215\nFormBG=-1\n");
    s = loadSkinSettings(skin);
    EXPECT_EQ(s.H, -180);
    EXPECT_EQ(s.S, 0); // out of range
    EXPECT_EQ(s.B, -7);
    EXPECT_EQ(s.ALphaBlend, 128);
    EXPECT_EQ(s.Name, 255u);
    EXPECT_EQ(s.Memo, 0xB3B3B3u); // not a number
    EXPECT_EQ(s.Border, 0xFFFFFFu);
    EXPECT_EQ(s.FormBG, 0xFFFFFFFFu);

    putFile(skin, "; skin\r\n[FontColor]\r\nBorder=1\r\n");
    saveSkinSettings(skin, {10, -20, 30, 200, 0x123456, 0x654321, 7, 8});
    EXPECT_EQ(fileBytes(skin), "; skin\r\n[FontColor]\r\nBorder=1\r\nName=1193046\r\nMemo=6636321\r\n"
                               "[Init]\r\nH=10\r\nS=-20\r\nB=30\r\nALphaBlend=200\r\n");
}

} // namespace
} // namespace vantor::settings
