// Where the client's files live, as pure functions of the program folder, the Documents folder and
// the signed-in user's id. Paths use '/'; every folder path ends with '/'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::settings {

inline constexpr std::string_view kDefaultSkinName = "Skin1";

// A skin name as a folder name: one that is empty, "." or "..", or holds '/', '\' or a zero byte
// could point outside the skin folder and gives kDefaultSkinName.
std::string_view safeSkinName(std::string_view skinName);

class FolderLayout {
  public:
    // A missing trailing '/' is added to the program folder and removed from the Documents folder.
    FolderLayout(std::string_view programFolder, std::string_view documentsFolder);

    const std::string& programFolder() const { return program_; }
    // Without a trailing '/': also the default folder for received files.
    const std::string& documentsFolder() const { return documents_; }

    std::string productFile() const { return program_ + "KZQ.Dat"; }
    std::string templateMachineFile() const { return program_ + "IM.Dat"; }
    std::string programUserHeadFolder() const { return program_ + "UserHead/"; }
    std::string customFaceSeed() const { return program_ + "CustomFace/FacePage1.bmp"; }
    std::string defaultMessageSound() const { return program_ + "Sound/msg.wav"; }
    // The account folder that older versions kept next to the program.
    std::string oldAccountFolder(uint32_t userId) const { return program_ + std::to_string(userId) + "/"; }
    // <program folder>Skin/<safeSkinName(name)>/.
    std::string skinFolder(std::string_view skinName) const;
    std::string skinFile(std::string_view skinName) const { return skinFolder(skinName) + "Skin.ini"; }

    // <Documents>/KZQ/
    std::string dataRoot() const { return documents_ + "/KZQ/"; }
    std::string machineFile() const { return dataRoot() + "IM.Dat"; }
    std::string accountFolder(uint32_t userId) const { return dataRoot() + std::to_string(userId) + "/"; }
    std::string userFile(uint32_t userId) const { return accountFolder(userId) + "IM.Dat"; }
    std::string cacheFolder(uint32_t userId) const { return accountFolder(userId) + "Cache/"; }
    std::string historyFolder(uint32_t userId) const { return accountFolder(userId) + "History/"; }
    std::string imagesFolder(uint32_t userId) const { return accountFolder(userId) + "Images/"; }
    std::string userPicFolder(uint32_t userId) const { return accountFolder(userId) + "UserPic/"; }
    std::string customFaceFolder(uint32_t userId) const { return accountFolder(userId) + "CustomFace/"; }
    std::string userHeadFolder(uint32_t userId) const { return accountFolder(userId) + "UserHead/"; }

  private:
    std::string program_;
    std::string documents_;
};

} // namespace vantor::settings
