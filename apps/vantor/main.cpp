// The desktop client: checks for a running updater, builds the main window over the client with
// its platform services (tray, hot keys, sound, idle time), takes over the hand-over socket for
// `agent`, and runs the event loop.
#include "platform/clock.h"
#include "platform/hand_over.h"
#include "platform/hotkeys.h"
#include "platform/process_launcher.h"
#include "platform/program_folder.h"
#include "platform/runtime_paths.h"
#include "platform/termination_signals.h"
#include "platform/updater_lock.h"
#include "protocol/text.h"
#include "ui/desktop/demo_tour.h"
#include "ui/desktop/desktop.h"
#include "ui/kit/accessible_names.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef VANTOR_HAVE_MULTIMEDIA
#include "platform/media_devices.h"
#endif
#ifdef VANTOR_HAVE_SOUND
#include "platform/sound_media.h"
#endif
#ifdef VANTOR_HAVE_X11_HOTKEYS
#include "platform/hotkeys_x11.h"
#endif
#ifdef VANTOR_HAVE_X11_IDLE
#include "directory/x11/x11_idle_source.h"
#endif
#ifdef VANTOR_HAVE_DBUS_NOTIFY
#include "platform/desktop_notifier_dbus.h"
#endif

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace vantor;

namespace {
const char kUsage[] = R"(usage: vantor [ARGUMENT]
The desktop client. Only the first argument counts; it may be
  min                               start hidden in the notification area (signs in with
                                    the remembered password)
  uin=<user number>                 open a conversation with that colleague once signed in
  loginuser=<account>&loginpwd=<password>
                                    sign in at once with this account and password
  Run                               start also while the updater runs
A running client is handed the argument by agent instead (desktop links).
  --help                            this text
  --version                         the version
)";
} // namespace

int main(int argc, char** argv) {
    // Answered before any window system is needed (packaging runs them without a display).
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vantor %s\n", VANTOR_VERSION);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // A closed output (started detached by agent, say) must not end the client.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    // The window hides into the notification area; only Exit() ends the client.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Kezique"));
    // The desktop entry's name, by which desktops match windows to the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantor.Vantor"));
    const QStringList args = QCoreApplication::arguments();
    const QString first = args.size() > 1 ? args.at(1) : QString();

    // While our updater works the client does not start, unless the updater itself starts it.
    if (first != QLatin1String("Run") && platform::updaterRunning(platform::updaterLockPath())) return 0;
    ui::installFonts();
    // Qt's own texts (message box buttons, file dialogs, edit menus) in the interface's language.
    if (!ui::installChineseTranslations()) qWarning("Qt's Chinese translations are not installed");
    // Every control named for screen readers (picture buttons by their hints).
    ui::installAccessibleNames();

    platform::SystemClock clock;
    platform::QtProcessLauncher launcher;
#ifdef VANTOR_HAVE_MULTIMEDIA
    platform::MultimediaCameraProbe camera;
#else
    platform::NullCameraProbe camera;
#endif
#ifdef VANTOR_HAVE_SOUND
    platform::MediaSoundPlayer sound;
#else
    platform::NullSoundPlayer sound;
#endif
    const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
#ifdef VANTOR_HAVE_X11_HOTKEYS
    std::unique_ptr<platform::HotKeys> hotKeys;
    if (onX11)
        hotKeys = std::make_unique<platform::X11HotKeys>();
    else
        hotKeys = std::make_unique<platform::NullHotKeys>();
#else
    auto hotKeys = std::make_unique<platform::NullHotKeys>();
#endif
#ifdef VANTOR_HAVE_X11_IDLE
    std::unique_ptr<directory::IIdleSource> idle;
    if (onX11)
        idle = std::make_unique<directory::X11IdleSource>();
    else
        idle = std::make_unique<directory::NullIdleSource>();
#else
    auto idle = std::make_unique<directory::NullIdleSource>();
#endif

#ifdef VANTOR_HAVE_DBUS_NOTIFY
    platform::DBusDesktopNotifier notifier;
#else
    platform::NullDesktopNotifier notifier;
#endif

    ui::DesktopOptions options;
    options.programFolder = platform::programDataFolder(QCoreApplication::applicationDirPath());
    options.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    options.exeFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    options.clock = &clock;
    options.launcher = &launcher;
    options.camera = &camera;
    options.sound = &sound;
    options.hotKeys = hotKeys.get();
    options.idle = idle.get();
    options.notifier = &notifier;
    options.quit = [] { QCoreApplication::quit(); };
    ui::Desktop desktop(std::move(options));
    desktop.window().trace = [](const QString& line) {
        std::fprintf(stdout, "view: %s\n", line.toUtf8().constData());
        std::fflush(stdout);
    };
    session::TMessengerX& messenger = desktop.client().messenger();

    // Texts from the command line and from `agent` are the desktop's (UTF-8); the core's are GBK.
    platform::HandOverServer handOver(clock);
    handOver.onText = [&](const QByteArray& text) {
        messenger.OnCopyData(protocol::toGbk(text.toStdString()));
    };
    if (handOver.listen(platform::handOverPath()) == platform::HandOverServer::Listen::Failed)
        qWarning("cannot listen at %s", qPrintable(platform::handOverPath()));

    platform::onTerminationSignals([&] { messenger.Exit(); });
    desktop.start(protocol::toGbk(first.toStdString()));

    std::unique_ptr<ui::DemoTour> tour;
    const ui::DemoTour::Options tourOptions = ui::DemoTour::fromEnvironment();
    if (!tourOptions.folder.isEmpty()) {
        tour = std::make_unique<ui::DemoTour>(desktop, tourOptions);
        tour->start();
    }
    return app.exec();
}
