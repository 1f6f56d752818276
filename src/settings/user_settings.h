// The user settings file (<account folder>IM.Dat): the keys of section Init with their types and
// defaults, the chat font of section Font, and the writes the client makes while signed in.
#pragma once

#include "settings/folder_layout.h"
#include "settings/font_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::settings {

inline constexpr std::string_view kInitSection = "Init";

// ViewStyle, TreeView and FaceSize are stored as the enumerator's name. Any ViewStyle other than
// "Tree" reads as FaceView (the contact list); any other TreeView or FaceSize text reads as the
// default.
enum class ContactPanel { Tree, FaceView }; // Init/ViewStyle, default Tree
enum class TreeGrouping { Tree, OnOrOff };  // Init/TreeView, default Tree
// Init/FaceView: "QQList" shows only online users ("只显示在线用户"), "QQListAll" everyone
// ("显示所有用户"), also when the key is absent.
enum class ListFilter { OnlineOnly, All };
enum class IconSize { BigFace, SmaillFace }; // Init/FaceSize, default BigFace

// Every key of section Init that the client reads. Numbers outside a key's range read as the
// key's default.
struct UserSettings {
    ContactPanel ViewStyle = ContactPanel::Tree;
    TreeGrouping TreeView = TreeGrouping::Tree;
    ListFilter FaceView = ListFilter::All;
    IconSize FaceSize = IconSize::BigFace;
    std::string RevFilesPath; // default: the Documents folder
    std::string MsgSound;     // default: <program folder>Sound/msg.wav
    bool DontPlaySound = false;
    bool AutoLeave = true;
    int AutoLeaveInterval = 5; // minutes, 1..99999
    bool AutoBusy = true;
    bool ShowMsgHint = true;
    bool ShowMsgRemind = false;
    bool NotShowContent = false;
    bool EnterSendMsg = true;
    bool ShowUserInfo = true;
    bool AutoSort = true;
    bool MainFormOnTop = false;
    bool BtnNotClose = true;
    bool AutoHide = true;
    bool ShowMsgCenter = true;
    bool OtherMsgFlashIcon = true;
    bool OtherMsgShowPop = true;
    std::string SkinName{kDefaultSkinName};
    std::string RecentUser; // ",id,id,"; at most 2047 bytes come back
    bool isCopyed = false;
    bool isMsgDBCopyed = false;
    std::string POP3Server; // empty: no mailbox
    int POP3Port = 110;     // 1..65535
    std::string POP3User;
    std::string POP3Pass; // deciphered; empty when not valid hexadecimal
};

UserSettings loadUserSettings(const std::string& userFile, const FolderLayout& layout);

// The view and menu choices, each written when the user makes it.
void saveViewChoice(const std::string& userFile, ContactPanel choice);
void saveViewChoice(const std::string& userFile, TreeGrouping choice);
void saveViewChoice(const std::string& userFile, ListFilter choice);
void saveViewChoice(const std::string& userFile, IconSize choice);
void saveEnterSendMsg(const std::string& userFile, bool on);
void saveShowUserInfo(const std::string& userFile, bool on);

// Stores the recent-contact list; an empty list is not written (the stored one stays).
void saveRecentUser(const std::string& userFile, std::string_view list);

// Section Font, key Font.
void saveFont(const std::string& userFile, const FontSpec& font);
// Applies the stored font text to `font` (see applyFontText); nothing changes when none is stored.
void loadFont(const std::string& userFile, FontSpec& font);

void saveSkinName(const std::string& userFile, std::string_view skinName);

// Init/isCopyed = 1.
void markCopied(const std::string& userFile);

// The network-folder values of the sign-in reply, written for the sibling programs.
struct NetFileValues {
    std::string server;
    int64_t port = 0;
    int64_t singleMaxSize = 0;
    int64_t maxSize = 0;
    std::string filter;
};
// Writes NetFileServer, NetFilePort, NetFileSingleMaxSize, NetFileMaxSize, NetFileFilter.
void saveNetFileValues(const std::string& userFile, const NetFileValues& values);

// The settings dialog's Init keys in its order: RevFilesPath, MsgSound, DontPlaySound,
// ShowMsgHint, AutoLeaveInterval, ShowMsgRemind, NotShowContent, EnterSendMsg, AutoLeave,
// AutoBusy, AutoSort, MainFormOnTop, BtnNotClose, AutoHide, ShowMsgCenter, OtherMsgFlashIcon,
// OtherMsgShowPop.
void saveDialogUserSettings(const std::string& userFile, const UserSettings& settings);

} // namespace vantor::settings
