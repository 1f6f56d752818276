// The UDP side: the public-address echo, and the punching datagrams forwarded to the colleague
// they name — only to an address that colleague's own echo probes came from, so the server never
// sends to an address a third party chose.
#include "protocol/peer_records.h"
#include "server/log.h"
#include "server/server.h"
#include "server/session.h"

#include <QNetworkDatagram>

#include <algorithm>

namespace vantor::server {

using protocol::Cmd;

namespace {
constexpr size_t kEndpointsPerUser = 16;

std::string ipv4Text(const QHostAddress& a) {
    bool ok = false;
    const quint32 v4 = a.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString().toStdString() : std::string();
}
} // namespace

void Server::onDatagrams() {
    while (udp_.hasPendingDatagrams()) {
        const QNetworkDatagram d = udp_.receiveDatagram(protocol::kMaxDatagram + 1);
        const QByteArray data = d.data();
        protocol::Message m;
        std::string error;
        if (!protocol::decodeDatagram(std::string_view(data.constData(), size_t(data.size())), m, &error)) {
            log(LogLevel::Debug, "datagram dropped: " + error);
            continue;
        }
        switch (m.cmd()) {
        case Cmd::UdpEcho: {
            protocol::UdpEcho e;
            if (wire::decode(m.body, e)) onEcho(e, d.senderAddress(), quint16(d.senderPort()));
            break;
        }
        case Cmd::PunchRequest: {
            protocol::PunchRequest r;
            if (wire::decode(m.body, r)) forwardPunch(m, r.receiverId, r.receiverPublic);
            break;
        }
        case Cmd::PunchProbe: {
            protocol::PunchShort r;
            if (wire::decode(m.body, r)) forwardPunch(m, r.receiverId, r.target);
            break;
        }
        case Cmd::PunchConfirm: {
            protocol::PunchConfirm r;
            if (wire::decode(m.body, r)) forwardPunch(m, r.receiverId, r.receiverPublic);
            break;
        }
        default:
            break;
        }
    }
}

// An echo counts for a colleague only when it comes from the address of the colleague's own
// connection: nobody else can put endpoints in its table or push its real ones out.
void Server::onEcho(const protocol::UdpEcho& e, const QHostAddress& from, quint16 port) {
    if (!config_.directPaths) return;
    const auto session = byUser_.find(e.userId);
    if (session == byUser_.end()) return;
    const std::string address = ipv4Text(from);
    if (address.empty()) return;
    if (ipv4Text(QHostAddress(QString::fromStdString(session->second->address()))) != address) {
        log(LogLevel::Debug, "echo for user " + std::to_string(e.userId) + " from " + address +
                                 ", not the address of its connection");
        return;
    }
    protocol::UdpEcho answer = e;
    answer.observed = {address, port};
    // The endpoint probed from last stays, the one unused for longest goes.
    auto& seen = udpSeen_[e.userId];
    if (const auto it = std::find(seen.begin(), seen.end(), answer.observed); it != seen.end())
        seen.erase(it);
    seen.push_back(answer.observed);
    if (seen.size() > kEndpointsPerUser) seen.pop_front();
    const std::string bytes = protocol::makeMessage(Cmd::UdpEcho, answer).bytes();
    udp_.writeDatagram(bytes.data(), qint64(bytes.size()), from, port);
}

void Server::forwardPunch(const protocol::Message& m, uint32_t receiver, const protocol::Endpoint& to) {
    if (!config_.directPaths) return;
    const auto it = udpSeen_.find(receiver);
    if (it == udpSeen_.end() || std::find(it->second.begin(), it->second.end(), to) == it->second.end()) {
        log(LogLevel::Debug, std::string(protocol::codeName(m.code)) + " for user " +
                                 std::to_string(receiver) + " names an address it never probed from");
        return;
    }
    const std::string bytes = m.bytes();
    udp_.writeDatagram(bytes.data(), qint64(bytes.size()), QHostAddress(QString::fromStdString(to.address)),
                       quint16(to.port));
}

} // namespace vantor::server
