// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Every call is asynchronous: the service's
// answer (the notification's number) arrives later on the event loop, and a notification
// withdrawn before that is closed as soon as its number is known. A click ("default" action)
// comes back as onActivated with the caller's key (some services announce the closing before the
// click, so a closed notification keeps its number until the key shows another). Without a session bus or a
// service nothing is shown and nothing fails.
#pragma once

#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QObject>

#include <map>

namespace vantor::platform {

class DBusDesktopNotifier : public QObject, public DesktopNotifier {
    Q_OBJECT
  public:
    // `applicationName` is the name the desktop shows beside the notification.
    explicit DBusDesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                                 QString applicationName = QStringLiteral("Kezique"),
                                 QObject* parent = nullptr);
    ~DBusDesktopNotifier() override;

    void show(int key, const QString& title, const QString& body) override;
    void withdraw(int key) override;

    // Notification bodies may carry the service's markup: text is escaped before it goes.
    static QString escapeBody(const QString& text);

  private slots:
    void actionInvoked(uint id, const QString& action);

  private:
    struct Entry {
        uint id = 0;            // the service's number, 0 while its answer is awaited
        bool withdrawn = false; // withdrawn before the number came
    };
    int keyOf(uint id) const;

    QDBusConnection bus_;
    QString applicationName_;
    std::map<int, Entry> entries_;
};

} // namespace vantor::platform
