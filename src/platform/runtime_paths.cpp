#include "platform/runtime_paths.h"

#include <QStandardPaths>

namespace vantor::platform {

QString runtimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString handOverPath() {
    return runtimeFolder() + QLatin1Char('/') + QLatin1String(kHandOverName);
}

QString updaterLockPath() {
    return runtimeFolder() + QLatin1Char('/') + QLatin1String(kUpdaterLockName);
}

} // namespace vantor::platform
