#include "platform/process_launcher.h"

#include <QProcess>

namespace vantor::platform {

bool QtProcessLauncher::startDetached(const QString& program, const QStringList& arguments,
                                      const QString& workingFolder) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(arguments);
    if (!workingFolder.isEmpty()) p.setWorkingDirectory(workingFolder);
    return p.startDetached();
}

} // namespace vantor::platform
