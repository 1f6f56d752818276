#include "shell/siblings.h"

#include <QFileInfo>

namespace vantor::shell {

QStringList netFolderArguments(int left, int top, uint32_t ownId, const wire::Guid& session, bool netFolder,
                               const QString& fileServer) {
    return {QString::number(left),
            QString::number(top),
            QString::number(ownId),
            QString::fromStdString(session.toString()),
            netFolder ? QStringLiteral("-1") : QStringLiteral("0"),
            fileServer,
            QString::number(kNetFolderPort)};
}

QStringList workStateArguments(const QString& account, const QString& password) {
    return {account, password};
}

QStringList autostartArguments(bool on, const QString& clientFileName) {
    return {on ? QStringLiteral("1") : QStringLiteral("0"), clientFileName};
}

SiblingPrograms::SiblingPrograms(platform::ProcessLauncher& launcher, IShellView& view, QString programFolder)
    : launcher_(launcher), view_(view), folder_(std::move(programFolder)) {
    if (!folder_.isEmpty() && !folder_.endsWith(QLatin1Char('/'))) folder_ += QLatin1Char('/');
}

bool SiblingPrograms::start(const char* name, const QStringList& arguments) {
    const QString path = folder_ + QLatin1String(name);
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable()) {
        view_.reportProblem(QStringLiteral("提示"), QStringLiteral("找不到程序 %1").arg(path));
        return false;
    }
    if (!launcher_.startDetached(path, arguments, folder_)) {
        view_.reportProblem(QStringLiteral("提示"), QStringLiteral("无法启动程序 %1").arg(path));
        return false;
    }
    return true;
}

} // namespace vantor::shell
