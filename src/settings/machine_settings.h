// The product file (<program folder>KZQ.Dat) and the machine settings file (<data root>IM.Dat):
// their keys with types and defaults, loaded at start-up, and the writes made at the moments the
// client changes them.
#pragma once

#include "settings/window_placement.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::settings {

inline constexpr std::string_view kDefaultVersion = "1.5.0.0";
inline constexpr std::string_view kDefaultProductName = "Kezique";
// Deployment value: the server host a fresh installation connects to.
inline constexpr std::string_view kDefaultHostName = "127.0.0.1";
// GBK "在线", the status a sign-in uses unless another one is remembered.
inline constexpr std::string_view kOnlineStateName = "\xD4\xDA\xCF\xDF";

struct ProductSettings {
    std::string Version{kDefaultVersion}; // at most 15 bytes
};

ProductSettings loadProductSettings(const std::string& productFile);

// Every key of the machine settings file except Login/LoginToken, which is only ever updated.
// Numbers outside a key's range read as the key's default.
struct MachineSettings {
    // WindowPos
    int Width = kSignInWidth; // 1..1000000; taken after a successful sign-in
    int Height = 0;           // 1..1000000; default: work-area height less a third
    int Left = 0;             // -1000000..1000000
    int Top = 0;              // -1000000..1000000
    // Login
    std::string UserName;
    std::string Password; // deciphered; empty when nothing usable is stored
    bool SavePass = false;
    std::string LoginState{kOnlineStateName};
    bool isAutoLogin = false;
    std::string HostName{kDefaultHostName};
    int ServerPort = 8000; // 1..32767
    int ProxyCategory = 0; // 0..4: none, SOCKS 4, SOCKS 4A, SOCKS 5, HTTP
    std::string ProxyAddress;
    int ProxyPort = 1080; // 1..32767
    std::string ProxyUsername;
    std::string ProxyPassword;    // stored in plain text
    int AutoConnectInterval = 60; // seconds, 1..99999
    bool AutoConnect = true;
    // FileServer
    std::string NetFileServer; // at most 15 bytes
    int NetFilePort = 9203;    // 1..65535
    // Other
    bool ShowBranch = false;
    bool ShowSMS = false;
    // Init
    std::string ProductName{kDefaultProductName};

    WindowRect storedWindow() const { return {Left, Top, Width, Height}; }
};

// Reads every key; absent keys, an absent file and values that do not convert give the defaults.
// A stored password that is not valid hexadecimal reads as no remembered password (empty) rather
// than stopping the start-up.
MachineSettings loadMachineSettings(const std::string& machineFile, int workAreaHeight,
                                    std::string_view defaultHostName = kDefaultHostName);

// What the sign-in panel holds when its button (or Enter) starts a sign-in.
struct PanelSignIn {
    std::string_view account;      // the account box
    std::string_view password;     // the password box
    bool rememberPassword = false; // "记住密码"
    std::string_view status;       // the status box's text
};

// Writes UserName (trimmed account), SavePass, Password (hex cipher text of the trimmed password)
// and LoginState (trimmed status) when the password is remembered; otherwise SavePass = 0,
// Password empty and LoginState "在线". Throws SettingsError and stops at a failed write.
void savePanelSignIn(const std::string& machineFile, const PanelSignIn& panel);

// Writes Init/ProductName only when `name` differs from the stored one (default "Kezique").
// Returns true when it wrote.
bool updateProductName(const std::string& machineFile, std::string_view name);

// Login/LoginToken is a list in which every item is followed by a comma. Adding appends
// token + ","; removing drops every item equal to the token (whole items only, so removing "ab"
// leaves "xab," alone). An empty token changes nothing.
void addLoginToken(const std::string& machineFile, std::string_view token);
void removeLoginToken(const std::string& machineFile, std::string_view token);
// The list text with every `token` item removed (the pure part of removeLoginToken).
std::string withoutToken(std::string_view list, std::string_view token);

// A click on "自动登录".
void saveAutoLogin(const std::string& machineFile, bool on);

// The main window is destroyed: WindowPos in the order of windowPosWrites.
void saveWindowPos(const std::string& machineFile, const WindowRect& window, bool signedInThisRun);

// The settings dialog's Login keys in its order: HostName, ServerPort, ProxyCategory,
// ProxyAddress, ProxyPort, ProxyUsername, ProxyPassword, SavePass, LoginState,
// AutoConnectInterval, AutoConnect.
void saveConnectionSettings(const std::string& machineFile, const MachineSettings& settings);

} // namespace vantor::settings
