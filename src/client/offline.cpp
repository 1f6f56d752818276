#include "client/offline.h"

#include "client/client_core.h"
#include "conversation/action_link.h"
#include "protocol/codes.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "transfer/transfer_texts.h"
#include "transfer/transfers.h"

#include <QFileInfo>

namespace vantor::client {

using protocol::Cmd;

namespace {

template <class R>
protocol::Message messageOf(Cmd code, const R& r) {
    protocol::Message m;
    m.code = uint8_t(code);
    m.body = wire::encode(r);
    return m;
}

std::string gbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}

} // namespace

QString fileServerHostOf(const ClientCore& core) {
    auto& m = const_cast<ClientCore&>(core).messenger();
    if (!m.OwnUser) return {};
    // A server that names no file server keeps its files itself.
    return QString::fromStdString(m.FileServerAddress.empty() ? m.ServerHost : m.FileServerAddress);
}

uint16_t fileServerPortOf(const ClientCore& core) {
    const uint32_t port = const_cast<ClientCore&>(core).messenger().FileServerPort;
    return port > 0 && port < 65536 ? uint16_t(port) : uint16_t(9203);
}

// ---- receiving ----

uint32_t OfflineFilesHost::ownId() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

void OfflineFilesHost::sendToServer(std::string_view message) {
    if (message.empty() || !core_.messenger().ConnectionOpen()) return;
    protocol::Message m;
    m.code = uint8_t(message[0]);
    m.body = std::string(message.substr(1));
    core_.sendToServer(m);
}

QString OfflineFilesHost::historyFolder() const {
    const auto location = core_.historyLocation();
    return location ? QString::fromStdString(location->historyFolder) : QString();
}

double OfflineFilesHost::now() const {
    return protocol::nowDayCount();
}

void OfflineFilesHost::fileTaken(const protocol::OfflineFile& n, const QString& path) {
    const auto& own = core_.messenger().OwnUser;
    if (!own) return;
    protocol::ConversationKey key;
    key.kind = protocol::kOneToOne;
    key.userA = n.senderId;
    key.userB = own->userId;
    conversation::Conversation* c = core_.conversations().findOrCreate(key, true);
    if (!c) return;
    using namespace transfer::texts;
    const std::string file = gbk(path);
    const std::string folder = gbk(QFileInfo(path).absolutePath());
    const std::string text =
        offlineReceivedHead(n.fileName) +
        conversation::actionLinkText(conversation::kActionOpenFile, file, receivedOpenFile()) +
        receivedBetween() +
        conversation::actionLinkText(conversation::kActionOpenDir, folder, receivedOpenDir()) +
        receivedTail();
    // Kept in the conversation with the sender, as from the sender to us.
    core_.chat().reportLine(*c, text, n.senderId, own->userId, true);
    // The sender learns that the file was taken.
    core_.chat().sendNotice(*c, offlineTaken(n.fileName));
}

// ---- sending ----

const OfflineSends::Upload* OfflineSends::find(const std::string& id) const {
    const auto it = uploads_.find(id);
    return it == uploads_.end() ? nullptr : it->second.get();
}

void OfflineSends::changed(const std::string& id) {
    if (onChanged) onChanged(id);
}

bool OfflineSends::start(const std::string& id) {
    transfer::TTransmitFile* t = core_.transfers().find(id);
    if (!t || t->direction != transfer::TTransmitFile::Sending || t->started || t->picture || id.empty() ||
        uploads_.count(id))
        return false;
    auto refuse = [&](const QString& text) {
        if (auto* v = core_.transferView()) v->transferMessage(gbk(text), gbk(QStringLiteral("提示")));
        return false;
    };
    // The file server's size field is a signed 32-bit integer: a larger file would arrive wrong.
    if (t->size > uint64_t(transfer::ftp::kMaxSize)) return refuse(transfer::kFtpTooLarge);
    const QString host = fileServerHostOf(core_);
    if (host.isEmpty() || !core_.messenger().ConnectionOpen()) return refuse(transfer::kFtpNoConnection);

    auto u = std::make_unique<Upload>();
    u->transmitId = id;
    u->path = t->path;
    u->name = t->name;
    u->size = t->size;
    u->receiverId = t->receiverId;
    u->key = t->key;
    // The colleague ends its side; the server takes uploads only of names announced to it, so a
    // group's file is announced to ourselves.
    const auto& own = core_.messenger().OwnUser;
    protocol::FileNotice notice{u->receiverId >= 0 ? uint32_t(u->receiverId) : own->userId, id};
    core_.sendToServer(messageOf(Cmd::FileOffline, notice));

    u->client = std::make_unique<transfer::TFTPClient>(host, fileServerPortOf(core_));
    u->client->Name = u->path;
    u->client->Target = QString::fromStdString(id);
    u->client->OnProgress = [this, id](int percent, const QString& speed, const QString& remaining) {
        const auto it = uploads_.find(id);
        if (it == uploads_.end()) return;
        it->second->percent = percent;
        it->second->speed = speed;
        it->second->remaining = remaining;
        changed(id);
    };
    u->client->OnDone = [this, id](transfer::TFTPClient& c, const QString&, const QString& text) {
        const auto it = uploads_.find(id);
        if (it == uploads_.end()) return;
        std::unique_ptr<Upload> done = std::move(it->second);
        uploads_.erase(it);
        done->client.release()->deleteLater(); // freed once this call has returned
        if (c.result() == transfer::TFTPClient::Result::Uploaded)
            complete(*done);
        else
            failed(*done, text);
    };
    Upload& started = *u;
    uploads_[id] = std::move(u);
    started.client->StartTransfer();
    changed(id);
    return true;
}

void OfflineSends::complete(Upload& u) {
    const auto& own = core_.messenger().OwnUser;
    conversation::Conversation* c = core_.conversations().findOrCreate(u.key, true);
    if (!own || !core_.messenger().ConnectionOpen()) {
        // Nobody can be told: the file waits on the server for a notice that never comes.
        return failed(u, QStringLiteral("与服务器的连接已经断开，对方无法收到离线文件"));
    }
    using namespace transfer::texts;
    const bool group = u.receiverId < 0;
    if (c) {
        if (group) core_.chat().sendSystemText(*c, groupOfflineDone(u.name));
        core_.chat().reportLine(*c, sent(u.name), own->userId, uint32_t(u.receiverId), false);
        core_.chat().storeLine(*c, offlineSentStored(u.name), own->userId, uint32_t(u.receiverId));
    }
    protocol::OfflineFile n;
    n.senderId = own->userId;
    n.senderName = own->name;
    n.transferId = u.transmitId;
    n.fileName = u.name;
    n.size = u.size;
    n.sendTime = protocol::nowDayCount();
    n.oneToOne = !group;
    if (!group) {
        n.receiverId = uint32_t(u.receiverId);
        core_.sendToServer(messageOf(Cmd::OfflineFile, n));
    } else if (const protocol::Group* g = core_.groups().FindGroup(u.key.groupId)) {
        // Every other member, also those away: the server keeps the notice for them.
        for (uint32_t member : g->members)
            if (member != 0 && member != own->userId) {
                n.receiverId = member;
                core_.sendToServer(messageOf(Cmd::OfflineFile, n));
            }
    }
    core_.transfers().endOffline(u.transmitId);
    if (onDone) onDone(u.transmitId, true, QString());
}

void OfflineSends::failed(Upload& u, const QString& text) {
    // The panel offers "发送离线文件" again.
    if (conversation::Conversation* c = core_.conversations().findOrCreate(u.key, true))
        core_.chat().reportLine(*c, gbk(text.isEmpty() ? transfer::kFtpNoConnection : text), 0, 0, false);
    changed(u.transmitId);
    if (onDone) onDone(u.transmitId, false, text);
}

} // namespace vantor::client
