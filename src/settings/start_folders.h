// The start-up and sign-in steps that create folders and seed files: the data root with the
// machine settings file, the account folder with its sub-folders, and the one-time copy of an
// account folder kept by older versions next to the program.
#pragma once

#include "settings/folder_layout.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::settings {

// Shown when an account's CustomFace folder cannot be created (GBK "创建用户目录失败！").
inline constexpr std::string_view kCreateUserFolderFailed =
    "\xB4\xB4\xBD\xA8\xD3\xC3\xBB\xA7\xC4\xBF\xC2\xBC\xCA\xA7\xB0\xDC\xA3\xA1";

// Creates the data root when missing and, when the machine settings file does not exist, seeds it
// from the program folder's template IM.Dat (no template: the file stays absent and every key has
// its default). The seed appears whole or not at all and never replaces a file another program
// created meanwhile. The data root and the machine file are the owner's only (0700 / 0600; an
// existing looser one is tightened). Returns false when the data root cannot be created.
bool prepareDataRoot(const FolderLayout& layout);

struct AccountFolders {
    // The account's UserHead/ when it holds <user id>.bmp, else the program folder's UserHead/;
    // chosen before any folder is created and kept until sign-out.
    std::string userHeadFolder;
    // CustomFace/ was missing and could not be created: the caller shows kCreateUserFolderFailed
    // and carries on.
    bool customFaceFailed = false;
};

// Creates the account folder and every missing sub-folder (Cache, History, Images, UserPic,
// CustomFace, UserHead). A newly created CustomFace/ gets a copy of the program folder's
// CustomFace/FacePage1.bmp. The account folder, its sub-folders and its IM.Dat are the owner's
// only (0700 / 0600), also when they existed with looser permissions. Other failures are not
// reported.
AccountFolders prepareAccountFolders(const FolderLayout& layout, uint32_t userId);

enum class OldFolderCopy {
    AlreadyDone, // isCopyed was set; nothing touched
    NoOldFolder, // <program folder><user id>/ does not exist
    Copied,      // the whole tree was copied
    Incomplete,  // the source could not be listed completely or some file failed to copy
};

// The one-time copy: when Init/isCopyed of the account's settings file is not set and the folder
// <program folder><user id>/ exists, its tree is copied into the account folder (existing files
// overwritten, sub-folders created, symbolic links skipped). Then isCopyed = 1 is written whatever
// the outcome. Throws SettingsError when that marker cannot be written.
OldFolderCopy copyOldAccountFolder(const FolderLayout& layout, uint32_t userId);

} // namespace vantor::settings
