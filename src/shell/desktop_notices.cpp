#include "shell/desktop_notices.h"

#include "protocol/text.h"

#include <QRegularExpression>

namespace vantor::shell {

bool quietStatus(uint8_t status) {
    return status == protocol::kBusy || status == protocol::kOnPhone || status == protocol::kInMeeting ||
           status == protocol::kDoNotDisturb;
}

QString firstLine(const QString& text, int limit) {
    QString line = text.trimmed();
    const qsizetype end = line.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (end >= 0) line = line.left(end).trimmed();
    if (line.size() > limit) line = line.left(limit) + QStringLiteral("…");
    return line;
}

DesktopNotices::DesktopNotices(platform::DesktopNotifier& notifier, Hooks hooks)
    : notifier_(notifier), hooks_(std::move(hooks)) {
    notifier_.onActivated = [this](int id) {
        shown_.erase(id);
        if (hooks_.open) hooks_.open(id);
    };
}

DesktopNotices::~DesktopNotices() {
    notifier_.onActivated = nullptr;
}

void DesktopNotices::messageArrived(int id, const QString& sender, const QString& text) {
    if (hooks_.quiet && hooks_.quiet()) return;
    shown_.insert(id);
    notifier_.show(id, sender, firstLine(text));
}

void DesktopNotices::conversationOpened(int id) {
    if (shown_.erase(id)) notifier_.withdraw(id);
}

void DesktopNotices::clear() {
    for (int id : shown_)
        notifier_.withdraw(id);
    shown_.clear();
}

} // namespace vantor::shell
