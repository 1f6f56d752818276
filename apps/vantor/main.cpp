// The client process: checks for a running updater, builds the client (session, directory, peer
// transport) with its platform services, takes over the hand-over socket for `agent`, and runs the
// event loop. Until the windows exist it runs headless, printing what the windows would show.
#include "client/client_core.h"
#include "directory_view.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/hand_over.h"
#include "platform/process_launcher.h"
#include "platform/runtime_paths.h"
#include "platform/updater_lock.h"
#include "printing_view.h"
#include "protocol/text.h"
#include "signals.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef VANTOR_HAVE_MULTIMEDIA
#include "platform/media_devices.h"
#endif
#ifdef VANTOR_HAVE_X11_IDLE
#include "directory/x11/x11_idle_source.h"
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
    app::PrintingDirectoryView directoryView;
#ifdef VANTOR_HAVE_X11_IDLE
    directory::X11IdleSource idle;
#else
    directory::NullIdleSource idle;
#endif

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
    client::ClientEnvironment clientEnv;
    clientEnv.session = std::move(env);
    clientEnv.directoryView = &directoryView;
    clientEnv.idle = &idle;
    client::ClientCore client(std::move(clientEnv));
    session::TMessengerX& messenger = client.messenger();
    app::PrintingColleagues colleagues([&](uint32_t id) {
        const directory::User* u = client.directory().directory().findUser(id);
        if (!u) return std::string("(unknown)");
        return protocol::fromGbk(u->record.name) + " (status " + std::to_string(u->record.status) + ")";
    });
    client.setRecords(&colleagues);

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
