#include "settings/start_folders.h"

#include "settings/profile_file.h"
#include "settings/settings_file_io.h"
#include "settings/user_settings.h"

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace vantor::settings {
namespace fs = std::filesystem;

namespace {

bool isDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Copies the tree under `from` into `to`. Returns false when anything was left out.
bool copyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_directories(to, ec);
    bool complete = !ec;
    fs::recursive_directory_iterator it(from, fs::directory_options::none, ec);
    if (ec) return false;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        const fs::directory_entry& entry = *it;
        const fs::path target = to / fs::relative(entry.path(), from, ec);
        if (ec) return false;
        if (entry.is_symlink(ec)) continue; // never follow a link out of the tree
        if (entry.is_directory(ec)) {
            fs::create_directories(target, ec);
        } else if (entry.is_regular_file(ec)) {
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec);
        }
        if (ec) {
            complete = false;
            ec.clear();
        }
    }
    return !ec && complete;
}

// Takes every permission of group and others away from a folder or a regular file (never through
// a symbolic link).
void ownerOnly(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))) return;
    if ((st.st_mode & 077) != 0) (void)::chmod(path.c_str(), st.st_mode & 07700);
}

} // namespace

bool prepareDataRoot(const FolderLayout& layout) {
    std::error_code ec;
    fs::create_directories(layout.dataRoot(), ec);
    if (!isDirectory(layout.dataRoot())) return false;
    ownerOnly(layout.dataRoot());
    const std::string machine = layout.machineFile();
    std::error_code existsError;
    if (!fs::exists(fs::symlink_status(machine, existsError))) {
        std::string seed;
        if (readWholeFile(layout.templateMachineFile(), seed) == ReadStatus::Ok)
            createWholeFile(machine, seed);
    }
    ownerOnly(machine);
    return true;
}

AccountFolders prepareAccountFolders(const FolderLayout& layout, uint32_t userId) {
    AccountFolders result;
    const std::string ownHead = layout.userHeadFolder(userId) + std::to_string(userId) + ".bmp";
    result.userHeadFolder = isFile(ownHead) ? layout.userHeadFolder(userId) : layout.programUserHeadFolder();

    std::error_code ec;
    fs::create_directories(layout.accountFolder(userId), ec);
    ownerOnly(layout.accountFolder(userId));
    ownerOnly(layout.userFile(userId));
    for (const std::string& folder :
         {layout.cacheFolder(userId), layout.historyFolder(userId), layout.imagesFolder(userId),
          layout.userPicFolder(userId), layout.userHeadFolder(userId)}) {
        fs::create_directory(folder, ec);
        ownerOnly(folder);
    }

    const std::string customFace = layout.customFaceFolder(userId);
    if (!isDirectory(customFace)) {
        if (fs::create_directory(customFace, ec) && !ec) {
            ownerOnly(customFace);
            fs::copy_file(layout.customFaceSeed(), customFace + "FacePage1.bmp", ec);
        } else {
            result.customFaceFailed = true;
        }
    }
    return result;
}

OldFolderCopy copyOldAccountFolder(const FolderLayout& layout, uint32_t userId) {
    const std::string userFile = layout.userFile(userId);
    if (ProfileFile(userFile).readBool(kInitSection, "isCopyed", false)) return OldFolderCopy::AlreadyDone;
    OldFolderCopy outcome = OldFolderCopy::NoOldFolder;
    const std::string old = layout.oldAccountFolder(userId);
    if (isDirectory(old))
        outcome =
            copyTree(old, layout.accountFolder(userId)) ? OldFolderCopy::Copied : OldFolderCopy::Incomplete;
    markCopied(userFile);
    ownerOnly(userFile); // the copy keeps the old file's permissions
    return outcome;
}

} // namespace vantor::settings
