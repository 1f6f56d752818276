#include "settings/user_settings.h"

#include "settings/profile_file.h"
#include "settings/stored_password.h"

namespace vantor::settings {
namespace {

template <class E>
E readChoice(const ProfileFile& f, std::string_view key, std::string_view other, E otherValue, E fallback) {
    return f.readString(kInitSection, key) == other ? otherValue : fallback;
}

int readRanged(const ProfileFile& f, std::string_view key, int fallback, int64_t min, int64_t max) {
    const int64_t v = f.readInteger(kInitSection, key, fallback);
    return (v < min || v > max) ? fallback : static_cast<int>(v);
}

void writeInit(const std::string& userFile, std::string_view key, std::string_view value) {
    ProfileFile(userFile).writeString(kInitSection, key, value);
}

} // namespace

UserSettings loadUserSettings(const std::string& userFile, const FolderLayout& layout) {
    const ProfileFile f(userFile);
    UserSettings s;
    // Every stored panel other than "Tree" shows the contact list.
    s.ViewStyle = f.readString(kInitSection, "ViewStyle", "Tree") == "Tree" ? ContactPanel::Tree
                                                                            : ContactPanel::FaceView;
    s.TreeView = readChoice(f, "TreeView", "OnOrOff", TreeGrouping::OnOrOff, TreeGrouping::Tree);
    s.FaceView = readChoice(f, "FaceView", "QQList", ListFilter::OnlineOnly, ListFilter::All);
    s.FaceSize = readChoice(f, "FaceSize", "SmaillFace", IconSize::SmaillFace, IconSize::BigFace);
    s.RevFilesPath = f.readString(kInitSection, "RevFilesPath", layout.documentsFolder());
    s.MsgSound = f.readString(kInitSection, "MsgSound", layout.defaultMessageSound());
    s.DontPlaySound = f.readBool(kInitSection, "DontPlaySound", false);
    s.AutoLeave = f.readBool(kInitSection, "AutoLeave", true);
    s.AutoLeaveInterval = readRanged(f, "AutoLeaveInterval", 5, 1, 99999);
    s.AutoBusy = f.readBool(kInitSection, "AutoBusy", true);
    s.ShowMsgHint = f.readBool(kInitSection, "ShowMsgHint", true);
    s.ShowMsgRemind = f.readBool(kInitSection, "ShowMsgRemind", false);
    s.NotShowContent = f.readBool(kInitSection, "NotShowContent", false);
    s.EnterSendMsg = f.readBool(kInitSection, "EnterSendMsg", true);
    s.ShowUserInfo = f.readBool(kInitSection, "ShowUserInfo", true);
    s.AutoSort = f.readBool(kInitSection, "AutoSort", true);
    s.MainFormOnTop = f.readBool(kInitSection, "MainFormOnTop", false);
    s.BtnNotClose = f.readBool(kInitSection, "BtnNotClose", true);
    s.AutoHide = f.readBool(kInitSection, "AutoHide", true);
    s.ShowMsgCenter = f.readBool(kInitSection, "ShowMsgCenter", true);
    s.OtherMsgFlashIcon = f.readBool(kInitSection, "OtherMsgFlashIcon", true);
    s.OtherMsgShowPop = f.readBool(kInitSection, "OtherMsgShowPop", true);
    s.SkinName = f.readString(kInitSection, "SkinName", kDefaultSkinName);
    s.RecentUser = f.readString(kInitSection, "RecentUser");
    s.isCopyed = f.readBool(kInitSection, "isCopyed", false);
    s.isMsgDBCopyed = f.readBool(kInitSection, "isMsgDBCopyed", false);
    s.POP3Server = f.readString(kInitSection, "POP3Server");
    s.POP3Port = readRanged(f, "POP3Port", 110, 1, 65535);
    s.POP3User = f.readString(kInitSection, "POP3User");
    s.POP3Pass = readStoredPassword(f, kInitSection, "POP3Pass");
    return s;
}

void saveViewChoice(const std::string& userFile, ContactPanel choice) {
    writeInit(userFile, "ViewStyle", choice == ContactPanel::FaceView ? "FaceView" : "Tree");
}
void saveViewChoice(const std::string& userFile, TreeGrouping choice) {
    writeInit(userFile, "TreeView", choice == TreeGrouping::OnOrOff ? "OnOrOff" : "Tree");
}
void saveViewChoice(const std::string& userFile, ListFilter choice) {
    writeInit(userFile, "FaceView", choice == ListFilter::OnlineOnly ? "QQList" : "QQListAll");
}
void saveViewChoice(const std::string& userFile, IconSize choice) {
    writeInit(userFile, "FaceSize", choice == IconSize::SmaillFace ? "SmaillFace" : "BigFace");
}
void saveEnterSendMsg(const std::string& userFile, bool on) {
    writeInit(userFile, "EnterSendMsg", on ? "1" : "0");
}
void saveShowUserInfo(const std::string& userFile, bool on) {
    writeInit(userFile, "ShowUserInfo", on ? "1" : "0");
}

void saveRecentUser(const std::string& userFile, std::string_view list) {
    if (!list.empty()) writeInit(userFile, "RecentUser", list);
}

void saveFont(const std::string& userFile, const FontSpec& font) {
    ProfileFile(userFile).writeString("Font", "Font", fontToText(font));
}

void loadFont(const std::string& userFile, FontSpec& font) {
    applyFontText(ProfileFile(userFile).readString("Font", "Font"), font);
}

void saveSkinName(const std::string& userFile, std::string_view skinName) {
    writeInit(userFile, "SkinName", skinName);
}

void markCopied(const std::string& userFile) {
    writeInit(userFile, "isCopyed", "1");
}

void saveNetFileValues(const std::string& userFile, const NetFileValues& v) {
    const ProfileFile f(userFile);
    f.writeString(kInitSection, "NetFileServer", v.server);
    f.writeInteger(kInitSection, "NetFilePort", v.port);
    f.writeInteger(kInitSection, "NetFileSingleMaxSize", v.singleMaxSize);
    f.writeInteger(kInitSection, "NetFileMaxSize", v.maxSize);
    f.writeString(kInitSection, "NetFileFilter", v.filter);
}

void saveDialogUserSettings(const std::string& userFile, const UserSettings& s) {
    const ProfileFile f(userFile);
    f.writeString(kInitSection, "RevFilesPath", s.RevFilesPath);
    f.writeString(kInitSection, "MsgSound", s.MsgSound);
    f.writeBool(kInitSection, "DontPlaySound", s.DontPlaySound);
    f.writeBool(kInitSection, "ShowMsgHint", s.ShowMsgHint);
    f.writeInteger(kInitSection, "AutoLeaveInterval", s.AutoLeaveInterval);
    f.writeBool(kInitSection, "ShowMsgRemind", s.ShowMsgRemind);
    f.writeBool(kInitSection, "NotShowContent", s.NotShowContent);
    f.writeBool(kInitSection, "EnterSendMsg", s.EnterSendMsg);
    f.writeBool(kInitSection, "AutoLeave", s.AutoLeave);
    f.writeBool(kInitSection, "AutoBusy", s.AutoBusy);
    f.writeBool(kInitSection, "AutoSort", s.AutoSort);
    f.writeBool(kInitSection, "MainFormOnTop", s.MainFormOnTop);
    f.writeBool(kInitSection, "BtnNotClose", s.BtnNotClose);
    f.writeBool(kInitSection, "AutoHide", s.AutoHide);
    f.writeBool(kInitSection, "ShowMsgCenter", s.ShowMsgCenter);
    f.writeBool(kInitSection, "OtherMsgFlashIcon", s.OtherMsgFlashIcon);
    f.writeBool(kInitSection, "OtherMsgShowPop", s.OtherMsgShowPop);
}

} // namespace vantor::settings
