#include "settings/folder_layout.h"

namespace vantor::settings {

FolderLayout::FolderLayout(std::string_view programFolder, std::string_view documentsFolder)
    : program_(programFolder), documents_(documentsFolder) {
    if (program_.empty() || program_.back() != '/') program_ += '/';
    while (documents_.size() > 1 && documents_.back() == '/')
        documents_.pop_back();
}

std::string_view safeSkinName(std::string_view skinName) {
    const bool unsafe = skinName.empty() || skinName == "." || skinName == ".." ||
                        skinName.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos;
    return unsafe ? kDefaultSkinName : skinName;
}

std::string FolderLayout::skinFolder(std::string_view skinName) const {
    return program_ + "Skin/" + std::string(safeSkinName(skinName)) + "/";
}

} // namespace vantor::settings
