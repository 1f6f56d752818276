// The sibling programs the main window starts from the program folder, each with its exact
// argument list (never a shell command line). A sibling that is missing or does not start is
// reported to the user.
#pragma once

#include "platform/process_launcher.h"
#include "protocol/wire.h"
#include "shell/shell_view.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace vantor::shell {

inline constexpr const char* kNetFolderProgram = "Dirhaven";
inline constexpr const char* kWorkStateProgram = "Glowpanel";
inline constexpr const char* kAutostartProgram = "Bootmark";
inline constexpr uint32_t kNetFolderPort = 9203;

// "文件管理": window left, window top, own id, the session id in braces, the network-folder flag as
// "-1" or "0", the file server's address and 9203.
QStringList netFolderArguments(int left, int top, uint32_t ownId, const wire::Guid& session, bool netFolder,
                               const QString& fileServer);
// "打开岗位状态程序": account and password.
QStringList workStateArguments(const QString& account, const QString& password);
// The autostart registration: "1" or "0", then the client's file name.
QStringList autostartArguments(bool on, const QString& clientFileName);

// A sibling as the user knows it: "文件管理程序", "岗位状态程序", "自动启动程序".
QString siblingTitle(const char* name);

class SiblingPrograms {
  public:
    SiblingPrograms(platform::ProcessLauncher& launcher, IShellView& view, QString programFolder);
    // Starts <program folder><name>; false (and a message to the user) when it is missing or does
    // not start.
    bool start(const char* name, const QStringList& arguments);

  private:
    platform::ProcessLauncher& launcher_;
    IShellView& view_;
    QString folder_;
};

} // namespace vantor::shell
