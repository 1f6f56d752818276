#include "directory/head_picture.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::directory {

bool isPlainPictureName(std::string_view name) {
    if (name.empty() || name.size() > kMaxPictureName) return false;
    for (const char c : name) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) return false;
    }
    return true;
}

QString resolveHeadPicture(const PictureFolders& folders, uint32_t userId, std::string_view pictureName) {
    // A folder that is not known is not the working directory.
    const QString photo = QDir(folders.userPic).filePath(QString::number(userId) + QStringLiteral(".bmp"));
    if (!folders.userPic.isEmpty() && QFileInfo::exists(photo)) return photo;
    if (!folders.userHead.isEmpty() && isPlainPictureName(pictureName)) {
        const QString face =
            QDir(folders.userHead)
                .filePath(QString::fromLatin1(pictureName.data(), qsizetype(pictureName.size())) +
                          QStringLiteral(".bmp"));
        if (QFileInfo::exists(face)) return face;
    }
    return QDir(folders.sysImages).filePath(QStringLiteral("Customs.bmp"));
}

} // namespace vantor::directory
