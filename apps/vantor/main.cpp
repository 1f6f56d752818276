// The client process: checks for a running updater, builds the session core with its platform
// services, takes over the hand-over socket for `agent`, and runs the event loop. Until the windows
// exist it runs headless, printing what the main window would show.
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/hand_over.h"
#include "platform/process_launcher.h"
#include "platform/runtime_paths.h"
#include "platform/updater_lock.h"
#include "printing_view.h"
#include "protocol/text.h"
#include "session/messenger.h"
#include "signals.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef VANTOR_HAVE_MULTIMEDIA
#include "platform/media_devices.h"
#endif

#include <csignal>
#include <memory>

using namespace vantor;

int main(int argc, char** argv) {
    // A closed output (started detached by agent, say) must not end the client.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString first = args.size() > 1 ? args.at(1) : QString();

    // While our updater works the client does not start, unless the updater itself starts it.
    if (first != QLatin1String("Run") && platform::updaterRunning(platform::updaterLockPath())) return 0;

    platform::SystemClock clock;
    platform::QtProcessLauncher launcher;
#ifdef VANTOR_HAVE_MULTIMEDIA
    platform::MultimediaCameraProbe camera;
#else
    platform::NullCameraProbe camera;
#endif
    app::PrintingMainView view;

    session::MessengerEnvironment env;
    env.clock = &clock;
    env.view = &view;
    env.launcher = &launcher;
    env.camera = &camera;
    env.layout = settings::FolderLayout(
        QCoreApplication::applicationDirPath().toStdString(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
    env.exeFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    env.quit = [] { QCoreApplication::quit(); };
    session::TMessengerX messenger(std::move(env));

    // Texts from the command line and from `agent` are the desktop's (UTF-8); the core's are GBK.
    platform::HandOverServer handOver(clock);
    handOver.onText = [&](const QByteArray& text) {
        messenger.OnCopyData(protocol::toGbk(text.toStdString()));
    };
    if (handOver.listen(platform::handOverPath()) == platform::HandOverServer::Listen::Failed)
        qWarning("cannot listen at %s", qPrintable(platform::handOverPath()));

    app::onTerminationSignals([&] { messenger.Exit(); });
    messenger.ActiveFormCreate(protocol::toGbk(first.toStdString()));
    return app.exec();
}
