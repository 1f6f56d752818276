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

QString siblingTitle(const char* name) {
    const QLatin1String n(name);
    if (n == QLatin1String(kNetFolderProgram)) return QStringLiteral("文件管理程序");
    if (n == QLatin1String(kWorkStateProgram)) return QStringLiteral("岗位状态程序");
    if (n == QLatin1String(kAutostartProgram)) return QStringLiteral("自动启动程序");
    return QStringLiteral("程序%1").arg(n);
}

SiblingPrograms::SiblingPrograms(platform::ProcessLauncher& launcher, IShellView& view, QString programFolder)
    : launcher_(launcher), view_(view), folder_(std::move(programFolder)) {
    if (!folder_.isEmpty() && !folder_.endsWith(QLatin1Char('/'))) folder_ += QLatin1Char('/');
}

bool SiblingPrograms::start(const char* name, const QStringList& arguments) {
    const QString path = folder_ + QLatin1String(name);
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable()) {
        // In the user's words: the folder the build put us in means nothing to them.
        view_.reportProblem(QStringLiteral("提示"), siblingTitle(name) + QStringLiteral("没有安装"));
        return false;
    }
    if (!launcher_.startDetached(path, arguments, folder_)) {
        view_.reportProblem(QStringLiteral("提示"), siblingTitle(name) + QStringLiteral("无法启动"));
        return false;
    }
    return true;
}

} // namespace vantor::shell
