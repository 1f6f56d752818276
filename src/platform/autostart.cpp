#include "platform/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vantor::platform {

namespace {

QString defaultConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// A desktop entry's Exec argument: quoted, with the characters that need it escaped.
QString quotedArgument(const QString& path) {
    QString out = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') out += u'\\';
        out += c;
    }
    out += u'"';
    // "%" is a field code in Exec lines.
    out.replace(QStringLiteral("%"), QStringLiteral("%%"));
    return out;
}

} // namespace

XdgAutostart::XdgAutostart(QString configHome) {
    if (configHome.isEmpty()) configHome = defaultConfigHome();
    entry_ = configHome + QStringLiteral("/autostart/vantor.desktop");
}

bool XdgAutostart::isRegistered() const {
    return QFileInfo(entry_).isFile();
}

QByteArray XdgAutostart::entryText(const QString& program) {
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=vantor\n"
                                  "Exec=%1\n"
                                  "Icon=org.vantor.Vantor\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(quotedArgument(program));
    return text.toUtf8();
}

bool XdgAutostart::setRegistered(bool on, const QString& program) {
    if (!on) return !QFileInfo::exists(entry_) || QFile::remove(entry_);
    if (!QDir().mkpath(QFileInfo(entry_).absolutePath())) return false;
    QSaveFile file(entry_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = entryText(program);
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace vantor::platform
