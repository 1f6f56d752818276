// The product and machine settings files: defaults, the template, and every write the client
// makes to the machine file.
#include "crypto/cipher.h"
#include "settings/folder_layout.h"
#include "settings/machine_settings.h"
#include "settings/profile_file.h"
#include "settings/start_folders.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace vantor::settings {
namespace {

using test::fileBytes;
using test::putFile;
using test::TempDir;

constexpr int kWorkHeight = 1040;
const std::string kOnline(kOnlineStateName);
const std::string kBusy = "\xC3\xA6\xC2\xB5"; // GBK 忙碌
const std::string kBusyPadded = kBusy + "  ";

class MachineSettingsTest : public ::testing::Test {
  protected:
    TempDir dir;
    FolderLayout layout{dir / "program", dir / "Documents"};
    std::string machine = layout.machineFile();
    ProfileFile file{machine};
    void SetUp() override { std::filesystem::create_directories(layout.dataRoot()); }
};

TEST_F(MachineSettingsTest, FirstStartWithoutTemplateUsesDefaults) {
    ASSERT_TRUE(prepareDataRoot(layout));
    const MachineSettings s = loadMachineSettings(machine, kWorkHeight);
    EXPECT_EQ(s.Width, 220);
    EXPECT_EQ(s.Height, 694);
    EXPECT_EQ(s.Left, 0);
    EXPECT_EQ(s.Top, 0);
    EXPECT_EQ(s.UserName, "");
    EXPECT_EQ(s.Password, "");
    EXPECT_FALSE(s.SavePass);
    EXPECT_EQ(s.LoginState, kOnline);
    EXPECT_FALSE(s.isAutoLogin);
    EXPECT_EQ(s.HostName, kDefaultHostName);
    EXPECT_EQ(s.ServerPort, 8000);
    EXPECT_EQ(s.ProxyCategory, 0);
    EXPECT_EQ(s.ProxyPort, 1080);
    EXPECT_EQ(s.AutoConnectInterval, 60);
    EXPECT_TRUE(s.AutoConnect);
    EXPECT_EQ(s.NetFileServer, "");
    EXPECT_EQ(s.NetFilePort, 9203);
    EXPECT_FALSE(s.ShowBranch);
    EXPECT_FALSE(s.ShowSMS);
    EXPECT_EQ(s.ProductName, "Kezique");
    EXPECT_EQ(loadMachineSettings(machine, kWorkHeight, "im.example").HostName, "im.example");

    const StartPlacement p = startPlacement(s.storedWindow(), 1920, kWorkHeight);
    EXPECT_EQ(p.window, (WindowRect{0, 0, 220, 694}));
    EXPECT_EQ(loadProductSettings(layout.productFile()).Version, "1.5.0.0");
}

TEST_F(MachineSettingsTest, FirstStartWithTemplate) {
    putFile(layout.templateMachineFile(), "[Login]\r\nHostName=10.1.1.1\r\nServerPort=0x1F41\r\n");
    ASSERT_TRUE(prepareDataRoot(layout));
    const MachineSettings s = loadMachineSettings(machine, kWorkHeight);
    EXPECT_EQ(s.HostName, "10.1.1.1");
    EXPECT_EQ(s.ServerPort, 8001);
}

TEST_F(MachineSettingsTest, StoredValues) {
    putFile(machine,
            "[WindowPos]\nWidth=300\nHeight=500\nLeft=-4000\nTop=9000\n"
            "[Login]\nUserName=alice\nPassword=" +
                crypto::DesEncryptHex("pw1") + "\nSavePass=1\nLoginState=" + kBusy +
                "\nisAutoLogin=1\nServerPort=0x1F40\n"
                "ProxyCategory=3\nProxyAddress=p\nProxyPort=1081\nProxyUsername=u\nProxyPassword=plain\n"
                "AutoConnectInterval=30\nAutoConnect=0\n"
                "[FileServer]\nNetFileServer=192.168.100.200:1\nNetFilePort=9300\n"
                "[Other]\nShowBranch=1\nShowSMS=1\n[Init]\nProductName=Office\n");
    const MachineSettings s = loadMachineSettings(machine, kWorkHeight);
    EXPECT_EQ(s.storedWindow(), (WindowRect{-4000, 9000, 300, 500}));
    EXPECT_EQ(s.UserName, "alice");
    EXPECT_EQ(s.Password, "pw1");
    EXPECT_TRUE(s.SavePass);
    EXPECT_EQ(s.LoginState, kBusy);
    EXPECT_TRUE(s.isAutoLogin);
    EXPECT_EQ(s.ServerPort, 8000);
    EXPECT_EQ(s.ProxyCategory, 3);
    EXPECT_EQ(s.ProxyAddress, "p");
    EXPECT_EQ(s.ProxyPort, 1081);
    EXPECT_EQ(s.ProxyUsername, "u");
    EXPECT_EQ(s.ProxyPassword, "plain");
    EXPECT_EQ(s.AutoConnectInterval, 30);
    EXPECT_FALSE(s.AutoConnect);
    EXPECT_EQ(s.NetFileServer, "192.168.100.200"); // at most 15 bytes
    EXPECT_EQ(s.NetFilePort, 9300);
    EXPECT_TRUE(s.ShowBranch);
    EXPECT_TRUE(s.ShowSMS);
    EXPECT_EQ(s.ProductName, "Office");
    // Pulled back fully onto the screen.
    EXPECT_EQ(startPlacement(s.storedWindow(), 1920, kWorkHeight).window, (WindowRect{0, 540, 220, 500}));
}

TEST_F(MachineSettingsTest, ValuesThatDoNotFitReadAsDefaults) {
    struct Case {
        const char* key;
        const char* stored;
        int MachineSettings::*field;
        int expected;
    };
    const Case cases[] = {
        {"ServerPort", "0", &MachineSettings::ServerPort, 8000},
        {"ServerPort", "32768", &MachineSettings::ServerPort, 8000},
        {"ServerPort", "80x", &MachineSettings::ServerPort, 8000},
        {"ProxyCategory", "5", &MachineSettings::ProxyCategory, 0},
        {"ProxyCategory", "-1", &MachineSettings::ProxyCategory, 0},
        {"ProxyPort", "99999", &MachineSettings::ProxyPort, 1080},
        {"AutoConnectInterval", "0", &MachineSettings::AutoConnectInterval, 60},
        {"AutoConnectInterval", "99999999999", &MachineSettings::AutoConnectInterval, 60},
    };
    for (const auto& c : cases) {
        putFile(machine, std::string("[Login]\n") + c.key + "=" + c.stored + "\n");
        EXPECT_EQ(loadMachineSettings(machine, kWorkHeight).*c.field, c.expected) << c.key << "=" << c.stored;
    }
    putFile(machine, "[WindowPos]\nWidth=0\nHeight=-5\nLeft=99999999\n");
    EXPECT_EQ(loadMachineSettings(machine, kWorkHeight).storedWindow(), (WindowRect{0, 0, 220, 694}));
}

TEST_F(MachineSettingsTest, DamagedStoredPasswordMeansNone) {
    for (const char* stored : {"zz12", "a4278f7f2d649afg", "not hex at all"}) {
        putFile(machine, std::string("[Login]\nSavePass=1\nPassword=") + stored + "\n");
        EXPECT_EQ(loadMachineSettings(machine, kWorkHeight).Password, "") << stored;
    }
    putFile(machine, "[Login]\nPassword=A4278F7F2D649AFD\n"); // upper case is fine
    EXPECT_EQ(loadMachineSettings(machine, kWorkHeight).Password, "hello");
}

TEST_F(MachineSettingsTest, SignInFromThePanel) {
    struct Case {
        const char* name;
        PanelSignIn panel;
        const char* userName;
        bool savePass;
        std::string password; // deciphered
        std::string loginState;
    };
    const Case cases[] = {
        {"remembered", {"  alice ", " secret     ", true, kBusyPadded}, "alice", true, "secret", kBusy},
        {"not remembered", {"bob", "secret", false, kBusy}, "bob", false, "", kOnline},
        {"empty password remembered", {"carol", "     ", true, kOnline}, "carol", true, "", kOnline},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(machine,
                "[Login]\r\nPassword=" + crypto::DesEncryptHex("old") + "\r\nLoginState=" + kBusy + "\r\n");
        savePanelSignIn(machine, c.panel);
        const MachineSettings s = loadMachineSettings(machine, kWorkHeight);
        EXPECT_EQ(s.UserName, c.userName);
        EXPECT_EQ(s.SavePass, c.savePass);
        EXPECT_EQ(s.Password, c.password);
        EXPECT_EQ(s.LoginState, c.loginState);
    }
    // Unticking "记住密码" leaves the key empty, not just unreadable.
    EXPECT_EQ(file.readString("Login", "Password", "x"), "");
    savePanelSignIn(machine, {"a", "secret", true, kOnline});
    EXPECT_EQ(file.readString("Login", "Password"), crypto::DesEncryptHex("secret"));
}

TEST_F(MachineSettingsTest, LoginTokens) {
    struct Case {
        const char* name;
        const char* list;
        const char* token;
        const char* expected;
    };
    const Case cases[] = {
        {"twice, both removed", "T1,abc,T1,", "T1", "abc,"},
        {"whole items only", "xT1,T1x,T1,", "T1", "xT1,T1x,"},
        {"adjacent", "T1,T1,T1,", "T1", ""},
        {"token holding a comma", "a,b,c,a,b,", "a,b", "c,"},
        {"absent", "abc,", "T1", "abc,"},
        {"unterminated tail kept", "T1,T1", "T1", "T1"},
        {"empty token changes nothing", "a,,b,", "", "a,,b,"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withoutToken(c.list, c.token), c.expected) << c.name;

    addLoginToken(machine, "T1");
    addLoginToken(machine, "abc");
    addLoginToken(machine, "T1");
    addLoginToken(machine, "");
    EXPECT_EQ(file.readString("Login", "LoginToken"), "T1,abc,T1,");
    removeLoginToken(machine, "T1");
    EXPECT_EQ(file.readString("Login", "LoginToken"), "abc,");
}

TEST_F(MachineSettingsTest, ProductNameWrittenOnlyWhenDifferent) {
    EXPECT_FALSE(updateProductName(machine, "Kezique"));
    EXPECT_FALSE(test::fileExists(machine));
    EXPECT_TRUE(updateProductName(machine, "Office IM"));
    EXPECT_FALSE(updateProductName(machine, "Office IM"));
    EXPECT_EQ(fileBytes(machine), "[Init]\r\nProductName=Office IM\r\n");
}

TEST_F(MachineSettingsTest, WindowPosAndAutoLogin) {
    putFile(machine, "[WindowPos]\r\nWidth=333\r\n");
    saveWindowPos(machine, {10, 20, 220, 600}, false); // never signed in: Width untouched
    EXPECT_EQ(fileBytes(machine), "[WindowPos]\r\nWidth=333\r\nLeft=10\r\nTop=20\r\nHeight=600\r\n");
    saveWindowPos(machine, {11, 21, 280, 601}, true);
    EXPECT_EQ(fileBytes(machine), "[WindowPos]\r\nWidth=280\r\nLeft=11\r\nTop=21\r\nHeight=601\r\n");

    saveAutoLogin(machine, true);
    EXPECT_TRUE(loadMachineSettings(machine, kWorkHeight).isAutoLogin);
    saveAutoLogin(machine, false);
    EXPECT_FALSE(loadMachineSettings(machine, kWorkHeight).isAutoLogin);
}

TEST_F(MachineSettingsTest, WindowPosStopsAtTheFirstFailedWrite) {
    const std::string unwritable = dir / "missing/IM.Dat";
    try {
        saveWindowPos(unwritable, {1, 2, 3, 4}, true);
        ADD_FAILURE() << "no error";
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + unwritable);
    }
}

TEST_F(MachineSettingsTest, ConnectionSettingsRoundTrip) {
    MachineSettings s;
    s.HostName = "im.example";
    s.ServerPort = 9000;
    s.ProxyCategory = 4;
    s.ProxyAddress = "proxy";
    s.ProxyPort = 808;
    s.ProxyUsername = "pu";
    s.ProxyPassword = "pp";
    s.SavePass = true;
    s.LoginState = kBusy;
    s.AutoConnectInterval = 120;
    s.AutoConnect = false;
    saveConnectionSettings(machine, s);
    const MachineSettings back = loadMachineSettings(machine, kWorkHeight);
    EXPECT_EQ(back.HostName, s.HostName);
    EXPECT_EQ(back.ServerPort, s.ServerPort);
    EXPECT_EQ(back.ProxyCategory, s.ProxyCategory);
    EXPECT_EQ(back.ProxyAddress, s.ProxyAddress);
    EXPECT_EQ(back.ProxyPort, s.ProxyPort);
    EXPECT_EQ(back.ProxyUsername, s.ProxyUsername);
    EXPECT_EQ(back.ProxyPassword, s.ProxyPassword);
    EXPECT_EQ(back.SavePass, s.SavePass);
    EXPECT_EQ(back.LoginState, s.LoginState);
    EXPECT_EQ(back.AutoConnectInterval, s.AutoConnectInterval);
    EXPECT_EQ(back.AutoConnect, s.AutoConnect);
}

TEST_F(MachineSettingsTest, ProductVersionIsCut) {
    putFile(layout.productFile(), "[Version]\r\nVersion=1.5.0.0-preview-build\r\n");
    EXPECT_EQ(loadProductSettings(layout.productFile()).Version, "1.5.0.0-preview");
}

} // namespace
} // namespace vantor::settings
