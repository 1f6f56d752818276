#include "platform/program_folder.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::platform {

namespace {
constexpr const char* kMarker = "KZQ.Dat";
constexpr const char* kInstalledData = "../share/vantor";
} // namespace

QString programDataFolder(const QString& programDir) {
    const QDir here(programDir);
    if (QFileInfo(here.filePath(QLatin1String(kMarker))).isFile()) return here.absolutePath();
    const QDir installed(QDir::cleanPath(here.absoluteFilePath(QLatin1String(kInstalledData))));
    if (QFileInfo(installed.filePath(QLatin1String(kMarker))).isFile()) return installed.absolutePath();
    return here.absolutePath();
}

} // namespace vantor::platform
