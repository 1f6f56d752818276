#include "platform/updater_lock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantor::platform {

bool updaterRunning(const QString& lockPath) {
    const QByteArray path = QFile::encodeName(lockPath);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false; // no lock file: no updater
    bool held = false;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0)
        ::flock(fd, LOCK_UN);
    else
        held = (errno == EWOULDBLOCK);
    ::close(fd);
    return held;
}

} // namespace vantor::platform
