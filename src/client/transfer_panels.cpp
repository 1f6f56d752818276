#include "client/transfer_panels.h"

#include "client/client_core.h"
#include "protocol/text.h"
#include "transfer/transfer_texts.h"
#include "transfer/transfers.h"

#include <QFileInfo>

#include <algorithm>

namespace vantor::client {

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

QString latin(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

constexpr int kRemindTransfer = 2;

} // namespace

QString clockText(uint64_t seconds) {
    const uint64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

TransferItem itemOf(const transfer::TTransmitFile& t, int conversationId,
                    const OfflineSends::Upload* upload) {
    TransferItem i;
    i.transmitId = t.transmitId;
    i.conversationId = conversationId;
    i.sending = t.direction == transfer::TTransmitFile::Sending;
    i.started = t.started;
    i.group = t.receiverId < 0;
    i.name = fromGbk(t.name);
    i.peer = fromGbk(t.peerName());
    i.size = t.size;
    i.done = t.doneBytes();
    i.percent = t.percent();
    i.amounts = latin(transfer::amountText(i.done)) + QLatin1Char('/') + latin(transfer::amountText(t.size));
    if (t.started) {
        i.speed = latin(transfer::speedText(t.speed()));
        // "-h:mm:ss"
        const uint64_t left = t.remainingSeconds();
        i.remaining = QStringLiteral("-%1:%2:%3")
                          .arg(left / 3600)
                          .arg(left / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(left % 60, 2, 10, QLatin1Char('0'));
        i.state = i.sending ? QStringLiteral("正在发送") : QStringLiteral("正在接收");
        if (t.moving) i.state = QStringLiteral("正在移动文件...");
        i.buttons.push_back({kCmdStop, QStringLiteral("取消"),
                             i.sending ? QStringLiteral("取消本次发送") : QStringLiteral("取消本次接收")});
        return i;
    }
    if (upload) {
        // Going to the file server: it cannot be called back once it runs.
        i.percent = upload->percent;
        i.done = t.size * uint64_t(upload->percent) / 100;
        i.amounts =
            latin(transfer::amountText(i.done)) + QLatin1Char('/') + latin(transfer::amountText(t.size));
        i.speed = upload->speed;
        i.remaining = upload->remaining;
        i.state = QStringLiteral("正在发送离线文件");
        i.offline = true;
        return i;
    }
    if (i.sending) {
        i.state = i.group ? QStringLiteral("群发文件") : QStringLiteral("等待对方接收...");
        i.buttons.push_back({kCmdSendOffline, QStringLiteral("发送离线文件"),
                             QStringLiteral("将文件保存至服务器，对方在上线后将\r\n收到提醒进行接收。")});
        i.buttons.push_back({kCmdCancel, QStringLiteral("取消"), QStringLiteral("取消本次发送")});
    } else {
        i.state = QStringLiteral("对方发送文件，请接收");
        i.buttons.push_back({kCmdAccept, QStringLiteral("接收"), QString()});
        i.buttons.push_back({kCmdSaveAs, QStringLiteral("另存为"), QString()});
        i.buttons.push_back({kCmdDecline, QStringLiteral("拒绝"), QStringLiteral("取消本次接收")});
    }
    return i;
}

TransferPanels::TransferPanels(ClientCore& core) : core_(core) {
    core_.offlineSends().onChanged = [this](const std::string& id) {
        if (transfer::TTransmitFile* t = core_.transfers().find(id)) transferChanged(*t);
    };
}

TransferPanels::~TransferPanels() {
    core_.offlineSends().onChanged = nullptr;
}

std::vector<TransferItem> TransferPanels::itemsOf(int conversationId) const {
    std::vector<TransferItem> out;
    for (const TransferItem& i : items_)
        if (i.conversationId == conversationId) out.push_back(i);
    return out;
}

int TransferPanels::conversationOf(const transfer::TTransmitFile& t) const {
    conversation::Conversation* c = core_.conversations().findOrCreate(t.key, true);
    return c ? c->id : 0;
}

void TransferPanels::changed(int conversationId) {
    if (onChanged) onChanged(conversationId);
}

bool TransferPanels::command(const std::string& id, const std::string& command, const QString& path) {
    auto it =
        std::find_if(items_.begin(), items_.end(), [&](const TransferItem& i) { return i.transmitId == id; });
    if (it == items_.end()) return false;
    const auto offered = std::find_if(it->buttons.begin(), it->buttons.end(),
                                      [&](const TransferButton& b) { return b.command == command; });
    if (offered == it->buttons.end()) return false;
    transfer::Transfers& t = core_.transfers();
    if (command == kCmdAccept) return t.accept(id);
    if (command == kCmdSaveAs) return !path.isEmpty() && t.accept(id, QString(), path);
    if (command == kCmdDecline) {
        t.decline(id);
        return true;
    }
    if (command == kCmdCancel) {
        t.cancel(id);
        return true;
    }
    if (command == kCmdStop) {
        t.stop(id);
        return true;
    }
    if (command == kCmdSendOffline) return core_.offlineSends().start(id);
    return false;
}

bool TransferPanels::offerFile(int conversationId, const QString& path) {
    conversation::Conversation* c = core_.conversations().byId(conversationId);
    const QFileInfo info(path);
    if (!c || !info.isFile()) return false;
    if (c->kind() == protocol::kOneToOne && c->peerId == 0) return false;
    return core_.transfers().offer(c->key, c->peerId, info.absoluteFilePath()) != nullptr;
}

void TransferPanels::windowClosing(int conversationId) {
    if (conversation::Conversation* c = core_.conversations().byId(conversationId))
        core_.transfers().windowClosing(c->key);
}

void TransferPanels::transferAdded(transfer::TTransmitFile& t) {
    const int id = conversationOf(t);
    items_.push_back(itemOf(t, id, core_.offlineSends().find(t.transmitId)));
    // A panel that appears in a hidden window is a reminder of its own.
    conversation::Conversation* c = core_.conversations().byId(id);
    const auto& own = core_.messenger().OwnUser;
    if (c && own && !c->visible && t.direction == transfer::TTransmitFile::Receiving) {
        if (auto* v = core_.conversationView()) {
            protocol::Shake s;
            s.receiverId = own->userId;
            s.senderId = t.senderId;
            s.key = t.key;
            s.remindKind = kRemindTransfer;
            v->showReminder(s);
        }
    }
    changed(id);
}

void TransferPanels::transferChanged(transfer::TTransmitFile& t) {
    for (TransferItem& i : items_)
        if (i.transmitId == t.transmitId) {
            i = itemOf(t, i.conversationId, core_.offlineSends().find(t.transmitId));
            changed(i.conversationId);
            return;
        }
}

void TransferPanels::transferRemoved(transfer::TTransmitFile& t, transfer::Outcome) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const TransferItem& i) { return i.transmitId == t.transmitId; });
    if (it == items_.end()) return;
    const int id = it->conversationId;
    items_.erase(it);
    changed(id);
}

void TransferPanels::transferLine(transfer::TTransmitFile&, const std::string&, bool) {}

void TransferPanels::fileReceived(transfer::TTransmitFile&, const QString&) {}

void TransferPanels::transferMessage(const std::string& gbkText, const std::string& gbkCaption) {
    if (onMessage) onMessage(gbkText, gbkCaption);
}

void TransferPanels::pictureDone(transfer::TTransmitFile& t, bool ok) {
    if (onPicture) onPicture(t.name, ok);
}

} // namespace vantor::client
