#include "conversation/images_folder.h"

#include "conversation/picture_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vantor::conversation {

ImagesFolder::ImagesFolder(QString folder) : folder_(std::move(folder)) {}

QString ImagesFolder::pathOf(std::string_view name) const {
    if (!isPlainPictureName(name) || folder_.isEmpty()) return {};
    // Plain names are ASCII, so Latin-1 is exact.
    return QDir(folder_).filePath(QString::fromLatin1(name.data(), qsizetype(name.size())));
}

bool ImagesFolder::holds(std::string_view name) const {
    const QString path = pathOf(name);
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

std::optional<std::string> ImagesFolder::read(std::string_view name, uint64_t maxBytes) const {
    if (!holds(name)) return std::nullopt;
    QFile file(pathOf(name));
    if (!file.open(QIODevice::ReadOnly) || uint64_t(file.size()) > maxBytes) return std::nullopt;
    const QByteArray bytes = file.read(qint64(maxBytes) + 1);
    if (uint64_t(bytes.size()) > maxBytes) return std::nullopt;
    return bytes.toStdString();
}

ImagesLookup ImagesFolder::lookup() const {
    return [this](std::string_view name) { return holds(name); };
}

} // namespace vantor::conversation
