#include "session_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::testing {

SessionBus::~SessionBus() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool SessionBus::start() {
    int fds[2];
    if (::pipe(fds) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], 1);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) ::dup2(devnull, 2);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid_ = pid;
    ::close(fds[1]);
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        line += c;
    }
    ::close(fds[0]);
    if (line.empty()) {
        error_ = "dbus-daemon told no address (is the dbus package installed?)";
        return false;
    }
    address_ = QString::fromStdString(line);
    return true;
}

QDBusConnection SessionBus::connect(const QString& name) const {
    return QDBusConnection::connectToBus(address_, name);
}

bool NotificationService::registerOn(QDBusConnection bus) {
    bus_ = bus;
    if (!bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                             QDBusConnection::ExportAllSlots))
        return false;
    return bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint NotificationService::Notify(const QString& application, uint replaces, const QString&,
                                 const QString& summary, const QString& body, const QStringList& actions,
                                 const QVariantMap& hints, int) {
    const uint id = replaces ? replaces : next_++;
    shown.push_back({id, application, summary, body, replaces, actions, hints});
    return id;
}

void NotificationService::CloseNotification(uint id) {
    closed.push_back(id);
}

QStringList NotificationService::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

QString NotificationService::GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
    vendor = QStringLiteral("vantor tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("test notifications");
}

void NotificationService::click(uint id) {
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    const QString iface = QStringLiteral("org.freedesktop.Notifications");
    QDBusMessage action = QDBusMessage::createSignal(path, iface, QStringLiteral("ActionInvoked"));
    action << id << QStringLiteral("default");
    bus_.send(action);
    QDBusMessage closedSignal = QDBusMessage::createSignal(path, iface, QStringLiteral("NotificationClosed"));
    closedSignal << id << uint(2);
    bus_.send(closedSignal);
}

} // namespace vantor::testing
