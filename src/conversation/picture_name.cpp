#include "conversation/picture_name.h"

#include "crypto/md5.h"

namespace vantor::conversation {

namespace {

bool isNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool isAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The file name after the last folder separator. Walks GBK characters so that a trail byte 0x5C of a
// double-byte character is not taken for a backslash.
std::string_view withoutFolder(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<uint8_t>(path[i]);
        if (b >= 0x81 && b <= 0xFE && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '/' || path[i] == '\\') start = i + 1;
    }
    return path.substr(start);
}

std::string_view extensionOf(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view ext = name.substr(dot);
    if (ext.size() < 2 || ext.size() > 8) return {};
    for (size_t i = 1; i < ext.size(); ++i)
        if (!isAlnum(ext[i])) return {};
    return ext;
}

} // namespace

bool isPlainPictureName(std::string_view name) {
    if (name.empty() || name.size() > kMaxPictureNameLength) return false;
    if (name.front() == '.' || name.back() == '.') return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name)
        if (!isNameByte(c)) return false;
    return true;
}

std::string pictureNameForFile(std::string_view fileName, uint64_t fileSize) {
    const std::string_view base = withoutFolder(fileName);
    std::string text(base);
    text += std::to_string(fileSize);
    return crypto::Md5Hex(crypto::Md5OfText(text)) + std::string(extensionOf(base));
}

std::string pastedPictureName(uint32_t tick) {
    return "PC" + std::to_string(tick) + ".JPG";
}

} // namespace vantor::conversation
