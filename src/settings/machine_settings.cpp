#include "settings/machine_settings.h"

#include "settings/profile_file.h"
#include "settings/stored_password.h"
#include "settings/text_util.h"

namespace vantor::settings {
namespace {

constexpr std::string_view kLogin = "Login";
constexpr std::string_view kWindowPos = "WindowPos";

int readRanged(const ProfileFile& file, std::string_view section, std::string_view key, int fallback,
               int64_t min, int64_t max) {
    const int64_t v = file.readInteger(section, key, fallback);
    return (v < min || v > max) ? fallback : static_cast<int>(v);
}

} // namespace

ProductSettings loadProductSettings(const std::string& productFile) {
    ProductSettings s;
    s.Version = gbkPrefix(ProfileFile(productFile).readString("Version", "Version", kDefaultVersion), 15);
    return s;
}

MachineSettings loadMachineSettings(const std::string& machineFile, int workAreaHeight,
                                    std::string_view defaultHostName) {
    const ProfileFile f(machineFile);
    MachineSettings s;
    constexpr int64_t kSpan = 1000000;
    s.Width = readRanged(f, kWindowPos, "Width", kSignInWidth, 1, kSpan);
    s.Height = readRanged(f, kWindowPos, "Height", defaultWindowHeight(workAreaHeight), 1, kSpan);
    s.Left = readRanged(f, kWindowPos, "Left", 0, -kSpan, kSpan);
    s.Top = readRanged(f, kWindowPos, "Top", 0, -kSpan, kSpan);

    s.UserName = f.readString(kLogin, "UserName");
    s.Password = readStoredPassword(f, kLogin, "Password");
    s.SavePass = f.readBool(kLogin, "SavePass", false);
    s.LoginState = f.readString(kLogin, "LoginState", kOnlineStateName);
    s.isAutoLogin = f.readBool(kLogin, "isAutoLogin", false);
    s.HostName = f.readString(kLogin, "HostName", defaultHostName);
    s.ServerPort = readRanged(f, kLogin, "ServerPort", 8000, 1, 32767);
    s.ProxyCategory = readRanged(f, kLogin, "ProxyCategory", 0, 0, 4);
    s.ProxyAddress = f.readString(kLogin, "ProxyAddress");
    s.ProxyPort = readRanged(f, kLogin, "ProxyPort", 1080, 1, 32767);
    s.ProxyUsername = f.readString(kLogin, "ProxyUsername");
    s.ProxyPassword = f.readString(kLogin, "ProxyPassword");
    s.AutoConnectInterval = readRanged(f, kLogin, "AutoConnectInterval", 60, 1, 99999);
    s.AutoConnect = f.readBool(kLogin, "AutoConnect", true);

    s.NetFileServer = gbkPrefix(f.readString("FileServer", "NetFileServer"), 15);
    s.NetFilePort = readRanged(f, "FileServer", "NetFilePort", 9203, 1, 65535);
    s.ShowBranch = f.readBool("Other", "ShowBranch", false);
    s.ShowSMS = f.readBool("Other", "ShowSMS", false);
    s.ProductName = f.readString("Init", "ProductName", kDefaultProductName);
    return s;
}

void savePanelSignIn(const std::string& machineFile, const PanelSignIn& panel) {
    const ProfileFile f(machineFile);
    f.writeString(kLogin, "UserName", trimText(panel.account));
    if (panel.rememberPassword) {
        f.writeBool(kLogin, "SavePass", true);
        f.writeString(kLogin, "Password", storedPasswordText(trimText(panel.password)));
        f.writeString(kLogin, "LoginState", trimText(panel.status));
    } else {
        f.writeBool(kLogin, "SavePass", false);
        f.writeString(kLogin, "Password", "");
        f.writeString(kLogin, "LoginState", kOnlineStateName);
    }
}

bool updateProductName(const std::string& machineFile, std::string_view name) {
    const ProfileFile f(machineFile);
    if (f.readString("Init", "ProductName", kDefaultProductName) == name) return false;
    f.writeString("Init", "ProductName", name);
    return true;
}

std::string withoutToken(std::string_view list, std::string_view token) {
    if (token.empty()) return std::string(list);
    std::string out;
    out.reserve(list.size());
    size_t pos = 0; // always the start of an item
    while (pos < list.size()) {
        if (list.substr(pos, token.size()) == token && list.substr(pos + token.size(), 1) == ",") {
            pos += token.size() + 1;
            continue;
        }
        const size_t comma = list.find(',', pos);
        const size_t next = comma == std::string_view::npos ? list.size() : comma + 1;
        out.append(list.substr(pos, next - pos));
        pos = next;
    }
    return out;
}

void addLoginToken(const std::string& machineFile, std::string_view token) {
    if (token.empty()) return;
    const ProfileFile f(machineFile);
    f.writeString(kLogin, "LoginToken", f.readString(kLogin, "LoginToken") + std::string(token) + ",");
}

void removeLoginToken(const std::string& machineFile, std::string_view token) {
    const ProfileFile f(machineFile);
    const std::string list = f.readString(kLogin, "LoginToken");
    const std::string updated = withoutToken(list, token);
    if (updated != list) f.writeString(kLogin, "LoginToken", updated);
}

void saveAutoLogin(const std::string& machineFile, bool on) {
    ProfileFile(machineFile).writeBool(kLogin, "isAutoLogin", on);
}

void saveWindowPos(const std::string& machineFile, const WindowRect& window, bool signedInThisRun) {
    const ProfileFile f(machineFile);
    for (const auto& [key, value] : windowPosWrites(window, signedInThisRun))
        f.writeInteger(kWindowPos, key, value);
}

void saveConnectionSettings(const std::string& machineFile, const MachineSettings& s) {
    const ProfileFile f(machineFile);
    f.writeString(kLogin, "HostName", s.HostName);
    f.writeInteger(kLogin, "ServerPort", s.ServerPort);
    f.writeInteger(kLogin, "ProxyCategory", s.ProxyCategory);
    f.writeString(kLogin, "ProxyAddress", s.ProxyAddress);
    f.writeInteger(kLogin, "ProxyPort", s.ProxyPort);
    f.writeString(kLogin, "ProxyUsername", s.ProxyUsername);
    f.writeString(kLogin, "ProxyPassword", s.ProxyPassword);
    f.writeBool(kLogin, "SavePass", s.SavePass);
    f.writeString(kLogin, "LoginState", s.LoginState);
    f.writeInteger(kLogin, "AutoConnectInterval", s.AutoConnectInterval);
    f.writeBool(kLogin, "AutoConnect", s.AutoConnect);
}

} // namespace vantor::settings
