// A message bus of the test's own (`dbus-daemon --session`), ended by its process id when the
// object goes, and a notification service on it that records what it is asked to show and can
// click a notification like a user would.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <string>
#include <vector>

#include <sys/types.h>

namespace vantor::testing {

class SessionBus {
  public:
    SessionBus() = default;
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Starts the daemon; false (with error()) when it cannot.
    bool start();
    // The bus's address, for DBUS_SESSION_BUS_ADDRESS or QDBusConnection::connectToBus.
    const QString& address() const { return address_; }
    const std::string& error() const { return error_; }
    // A new connection of this process to the bus, under a name of the caller's.
    QDBusConnection connect(const QString& name) const;

  private:
    pid_t pid_ = -1;
    QString address_;
    std::string error_;
};

// org.freedesktop.Notifications, as far as a client uses it.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Shown {
        uint id;
        QString application, summary, body;
        uint replaces;
        QStringList actions;
        QVariantMap hints;
    };

    // Registers the service on `bus`; false when the name is taken.
    bool registerOn(QDBusConnection bus);
    // A user's click on the notification (the "default" action).
    void click(uint id);

    std::vector<Shown> shown;
    std::vector<uint> closed;

  public slots:
    uint Notify(const QString& application, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);
    QStringList GetCapabilities();
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

  private:
    QDBusConnection bus_{QString()};
    uint next_ = 1;
};

} // namespace vantor::testing
