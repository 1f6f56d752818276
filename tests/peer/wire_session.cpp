#include "wire_session.h"

#include "peer/qt_sockets.h"
#include "protocol/records.h"

namespace vantor::peer::testing {

using protocol::Cmd;

WireSession::WireSession(std::string server, uint16_t port, std::string account, std::string password)
    : server_(std::move(server)), port_(port), account_(std::move(account)), password_(std::move(password)) {
    QObject::connect(&tcp_, &QTcpSocket::connected, [this] {
        tcp_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const std::string g = protocol::greeting();
        tcp_.write(g.data(), qint64(g.size()));
        protocol::VersionCheckRequest v;
        v.version = "1.5.0.0";
        sendToServer(protocol::makeMessage(Cmd::VersionCheck, v).bytes());
    });
    QObject::connect(&tcp_, &QTcpSocket::readyRead, [this] { onReadyRead(); });
    QObject::connect(&tcp_, &QTcpSocket::disconnected, [this] {
        if (onFailed) onFailed("connection closed");
    });
}

void WireSession::start() {
    tcp_.connectToHost(QString::fromStdString(server_), port_);
}

void WireSession::sendToServer(std::string_view message) {
    if (!connected()) return;
    const std::string f = protocol::frameMessage(message);
    tcp_.write(f.data(), qint64(f.size()));
    tcp_.flush();
}

std::optional<uint8_t> WireSession::contactStatus(uint32_t id) const {
    const auto it = status_.find(id);
    if (it == status_.end()) return std::nullopt;
    return it->second;
}

void WireSession::requestUserRecord(uint32_t id) {
    std::string body(4, '\0');
    wire::storeU32(body.data(), id);
    sendToServer(std::string(1, char(Cmd::UserQuery)) + body);
}

void WireSession::onReadyRead() {
    const QByteArray b = tcp_.readAll();
    reader_.feed(std::string_view(b.constData(), size_t(b.size())));
    protocol::Message m;
    for (;;) {
        const auto r = reader_.next(m);
        if (r == protocol::ClientStreamReader::Result::Error) {
            if (onFailed) onFailed("bad stream");
            return;
        }
        if (r != protocol::ClientStreamReader::Result::Message) return;
        handle(m);
    }
}

void WireSession::handle(const protocol::Message& m) {
    switch (m.cmd()) {
    case Cmd::VersionCheck: {
        protocol::LoginRequest l;
        l.account = account_;
        l.password = password_;
        l.localAddress = routeAddressTowards(server_, port_);
        l.machineId = "test-node";
        sendToServer(protocol::makeMessage(Cmd::Login, l).bytes());
        return;
    }
    case Cmd::LoginReply: {
        protocol::LoginReply r;
        if ((!wire::decode(m.body, r) || !r.success) && onFailed) onFailed("sign-in refused");
        return;
    }
    case Cmd::UserItem: {
        protocol::UserItem item;
        if (!protocol::UserItem::decodeBody(m.body, item)) return;
        status_[item.user.userId] = item.user.status;
        if (item.user.isOwn) own_ = item.user.userId;
        return;
    }
    case Cmd::Status: {
        protocol::StatusRecord s;
        if (protocol::StatusRecord::decodeBody(m.body, s)) status_[s.userId] = s.status;
        break;
    }
    case Cmd::LoginComplete:
        signedIn_ = true;
        if (onSignedIn) onSignedIn();
        return;
    default:
        break;
    }
    if (signedIn_ && onMessage) onMessage(m);
}

} // namespace vantor::peer::testing
