#include "client/transfer_bridge.h"

#include "client/client_core.h"
#include "conversation/action_link.h"
#include "peer/channel.h"
#include "protocol/text.h"
#include "transfer/transfer_texts.h"
#include "transfer/transfers.h"

#include <QFileInfo>

namespace vantor::client {

namespace {

// A transfer's own channel: not the initiator of the address exchange; its blocks and
// acknowledgements go to the transfer.
class TransferChannel : public transfer::ITransferChannel, public peer::IPeerRecordSink {
  public:
    TransferChannel(peer::PeerTransport& transport, uint32_t peerId) {
        socket_ = transport.createChannel(int32_t(peerId), false, this);
    }
    bool send(std::string_view message, bool relayed) override { return socket_->SendData(message, relayed); }
    bool viaServer() const override { return socket_->ViaServer(); }
    void setViaServer(bool on) override { socket_->SetViaServer(on); }
    void punch(const protocol::Endpoint& lan, const protocol::Endpoint& pub) override {
        socket_->PeerLocalIP = lan.address;
        socket_->PeerLocalPort = lan.port;
        socket_->PeerPublicIP = pub.address;
        socket_->PeerPublicPort = pub.port;
        if (!pub.address.empty() || !lan.address.empty()) socket_->Punch();
    }
    protocol::Endpoint lanEndpoint() const override { return {socket_->LocalIP, socket_->LocalPort}; }
    protocol::Endpoint publicEndpoint() const override { return {socket_->PublicIP, socket_->PublicPort}; }
    void peerRecord(const protocol::Message& m, peer::TMySocket&) override {
        if (m.cmd() != protocol::Cmd::FileData && m.cmd() != protocol::Cmd::FileDataAck) return;
        // The handler may end the transfer and with it this channel: nothing of it is touched after.
        if (auto handler = onRecord) handler(m);
    }

  private:
    std::unique_ptr<peer::TMySocket> socket_;
};

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

uint32_t TransferBridge::ownId() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::string TransferBridge::ownName() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->name : std::string();
}

std::optional<std::string> TransferBridge::userName(uint32_t userId) const {
    const directory::User* u = core_.directory().directory().findUser(userId);
    if (!u) return std::nullopt;
    return u->record.name;
}

void TransferBridge::sendToServer(std::string_view message) {
    if (message.empty()) return;
    protocol::Message m;
    m.code = uint8_t(message[0]);
    m.body = std::string(message.substr(1));
    core_.sendToServer(m);
}

std::unique_ptr<transfer::ITransferChannel> TransferBridge::openChannel(uint32_t peerId) {
    return std::make_unique<TransferChannel>(core_.peers(), peerId);
}

transfer::TransferFolders TransferBridge::folders() const {
    transfer::TransferFolders f;
    const uint32_t own = ownId();
    const settings::FolderLayout& layout = core_.messenger().environment().layout;
    f.cache = QString::fromStdString(layout.cacheFolder(own));
    f.history = QString::fromStdString(layout.historyFolder(own));
    f.images = QString::fromStdString(layout.imagesFolder(own));
    f.received = fromGbk(core_.messenger().UserConfig.RevFilesPath);
    if (f.received.isEmpty()) f.received = QString::fromStdString(layout.documentsFolder());
    return f;
}

uint32_t TransferBridge::tickCount() const {
    return core_.peers().tickCount();
}

void TransferBridge::transferAdded(transfer::TTransmitFile& t) {
    if (t.direction == transfer::TTransmitFile::Receiving) {
        if (conversation::Conversation* c = core_.conversations().findOrCreate(t.key, true)) {
            if (auto* v = core_.conversationView()) {
                v->flash(*c);
                if (!c->alerted) v->alertConversation(*c);
            }
        }
    }
    if (view_) view_->transferAdded(t);
}

void TransferBridge::transferChanged(transfer::TTransmitFile& t) {
    if (view_) view_->transferChanged(t);
}

void TransferBridge::transferRemoved(transfer::TTransmitFile& t, transfer::Outcome outcome) {
    if (view_) view_->transferRemoved(t, outcome);
}

void TransferBridge::transferLine(transfer::TTransmitFile& t, const std::string& gbkText, bool store) {
    conversation::Conversation* c = core_.conversations().findOrCreate(t.key, true);
    if (c) core_.chat().reportLine(*c, gbkText, t.senderId, uint32_t(t.receiverId), store);
    if (view_) view_->transferLine(t, gbkText, store);
}

void TransferBridge::fileReceived(transfer::TTransmitFile& t, const QString& path) {
    using namespace transfer::texts;
    const std::string file = protocol::toGbk(path.toStdString());
    const std::string folder = protocol::toGbk(QFileInfo(path).absolutePath().toStdString());
    const std::string text =
        receivedHead(t.name) +
        conversation::actionLinkText(conversation::kActionOpenFile, file, receivedOpenFile()) +
        receivedBetween() +
        conversation::actionLinkText(conversation::kActionOpenDir, folder, receivedOpenDir()) +
        receivedTail();
    conversation::Conversation* c = core_.conversations().findOrCreate(t.key, true);
    if (c) core_.chat().reportLine(*c, text, t.senderId, uint32_t(t.receiverId), true);
    if (view_) view_->fileReceived(t, path);
}

void TransferBridge::transferMessage(const std::string& gbkText, const std::string& gbkCaption) {
    if (view_) view_->transferMessage(gbkText, gbkCaption);
}

void TransferBridge::pictureDone(transfer::TTransmitFile& t, bool ok) {
    if (view_) view_->pictureDone(t, ok);
}

bool TransferBridge::startPictureTransfer(uint32_t requesterId, const protocol::ConversationKey& key,
                                          const QString& path, const std::string&) {
    if (!core_.directory().directory().findUser(requesterId)) return false;
    protocol::ConversationKey k = key;
    if (k.kind == protocol::kOneToOne) {
        k.userA = ownId();
        k.userB = requesterId;
    }
    return core_.transfers().offer(k, requesterId, path, true) != nullptr;
}

} // namespace vantor::client
