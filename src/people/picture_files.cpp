#include "people/picture_files.h"

#include "protocol/datetime.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace vantor::people {

QString photoName(uint32_t userId) {
    return QString::number(userId) + ".jpg";
}

QString thumbnailName(uint32_t userId) {
    return QString::number(userId) + ".bmp";
}

bool isPictureStale(std::optional<double> fileModified, double pictureTime) {
    if (!fileModified) return pictureTime != 0;
    return pictureTime > *fileModified;
}

bool IsPictureStale(const QString& userPicFolder, uint32_t userId, double pictureTime) {
    const QFileInfo info(userPicFolder + "/" + photoName(userId));
    std::optional<double> modified;
    if (info.exists()) {
        const auto ms = info.lastModified().toMSecsSinceEpoch();
        modified =
            protocol::dayCountFromTime(std::chrono::system_clock::time_point(std::chrono::milliseconds(ms)));
    }
    return isPictureStale(modified, pictureTime);
}

std::optional<QString> storedPictureName(std::string_view networkName) {
    const size_t slash = networkName.find_last_of("/\\");
    const std::string_view base =
        slash == std::string_view::npos ? networkName : networkName.substr(slash + 1);
    if (base.empty() || base.size() > 40 || base[0] == '.') return std::nullopt;
    const bool plain = std::all_of(base.begin(), base.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '-' || c == '_';
    });
    if (!plain) return std::nullopt;
    return QString::fromLatin1(base.data(), qsizetype(base.size()));
}

bool writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

bool PlainPictureCodec::decodes(const QByteArray& bytes) const {
    return bytes.size() >= 4 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xD8;
}

std::optional<QByteArray> PlainPictureCodec::photoFromFile(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxPictureBytes) return std::nullopt;
    QByteArray b = f.readAll();
    if (!decodes(b)) return std::nullopt;
    return b;
}

} // namespace vantor::people
