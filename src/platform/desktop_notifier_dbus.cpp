#include "platform/desktop_notifier_dbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace vantor::platform {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

DBusDesktopNotifier::DBusDesktopNotifier(QDBusConnection bus, QString applicationName, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), applicationName_(std::move(applicationName)) {
    if (!bus_.isConnected()) return;
    // Only the service's own signals count (not another program's on the same bus). QDBusConnection
    // names the receiving slots by their signatures only.
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
}

DBusDesktopNotifier::~DBusDesktopNotifier() {
    if (!bus_.isConnected()) return;
    bus_.disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
}

QString DBusDesktopNotifier::escapeBody(const QString& text) {
    return text.toHtmlEscaped();
}

void DBusDesktopNotifier::show(int key, const QString& title, const QString& body) {
    if (!bus_.isConnected()) return;
    Entry& entry = entries_[key];
    entry.withdrawn = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vantor"));
    call << applicationName_ << entry.id << QString() << title << escapeBody(body)
         << QStringList{QStringLiteral("default"), QStringLiteral("打开")} << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        auto it = entries_.find(key);
        if (it == entries_.end()) return;
        if (reply.isError() || reply.value() == 0) {
            if (it->second.id == 0) entries_.erase(it);
            return;
        }
        it->second.id = reply.value();
        if (it->second.withdrawn) withdraw(key);
    });
}

void DBusDesktopNotifier::withdraw(int key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) return;
    if (it->second.id == 0) {
        it->second.withdrawn = true; // closed once the service tells its number
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << it->second.id;
    bus_.asyncCall(call);
    entries_.erase(it);
}

int DBusDesktopNotifier::keyOf(uint id) const {
    for (const auto& [key, entry] : entries_)
        if (entry.id == id) return key;
    return 0;
}

void DBusDesktopNotifier::actionInvoked(uint id, const QString& action) {
    const int key = keyOf(id);
    if (!key || action != QLatin1String("default")) return;
    entries_.erase(key);
    if (onActivated) onActivated(key);
}

} // namespace vantor::platform
