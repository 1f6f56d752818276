#include "peer/channel.h"

#include "peer/transport.h"
#include "protocol/codes.h"

#include <array>

namespace vantor::peer {

using protocol::Cmd;
using protocol::Message;

namespace {

std::string datagram(Cmd code, const std::string& body) {
    std::string d;
    d.reserve(1 + body.size());
    d.push_back(char(code));
    d += body;
    return d;
}

template <class R>
std::string datagram(Cmd code, const R& r) {
    return datagram(code, wire::encode(r));
}

// Where the records handed to the session name their receiver and sender (offsets inside the
// record; for a counted code after its 32-bit count). -1: not carried.
struct RecordIds {
    Cmd code;
    int receiver;
    int sender;
};
constexpr RecordIds kDelivered[] = {
    {Cmd::ChatMessage, 0, 4}, {Cmd::ChatAck, 0, 4},      {Cmd::InputState, 0, 4},   {Cmd::Shake, 0, 4},
    {Cmd::FileData, 0, -1},   {Cmd::FileDataAck, 0, -1}, {Cmd::AudioData, 0, 4},    {Cmd::VideoData, 0, 4},
    {Cmd::VideoTiming, 0, 4}, {Cmd::RemoteInput, 0, 4},  {Cmd::RemoteScreen, 0, 4}, {Cmd::RemoteTiming, 0, 4},
};

const RecordIds* deliveredIds(uint8_t code) {
    for (const auto& r : kDelivered)
        if (uint8_t(r.code) == code) return &r;
    return nullptr;
}

} // namespace

TMySocket::TMySocket(PeerTransport& transport, int32_t peerId, bool initiator, IPeerRecordSink* sink)
    : transport_(&transport), peerId_(peerId), initiator_(initiator), sink_(sink) {
    script_ = std::make_unique<SendScript>(
        transport.clock(), [this](const std::string& d, const Endpoint& to) { return sendDatagram(d, to); });
    punchWait_ = transport.clock().createTimer();
    punchWait_->setSingleShot(true);
    punchWait_->onTimeout = [this] { startPunch(); };
    openSocket();
    transport.registerChannel(this);
}

TMySocket::~TMySocket() {
    *alive_ = false;
    if (transport_) transport_->unregisterChannel(this);
}

void TMySocket::detach() {
    script_->clear();
    punchWait_->stop();
    punchWaiting_ = false;
    socket_.reset();
    transport_ = nullptr;
}

uint32_t TMySocket::ownId() const {
    return transport_ ? transport_->server().ownId() : 0;
}

void TMySocket::openSocket() {
    try {
        socket_ = transport_->sockets().open(transport_->proxy());
    } catch (...) {
        socket_.reset();
    }
    IServerLink& server = transport_->server();
    try {
        LocalIP = transport_->sockets().localAddressTowards(server.serverAddress(), server.serverPort());
    } catch (...) {
        LocalIP.clear();
    }
    if (!socket_) return; // relays through the server for good
    LocalPort = socket_->localPort();
    socket_->onDatagram = [this](std::string_view d, const Endpoint& from) { OnDataRead(d, from); };
    socket_->onReady = [this] { onSocketReady(); };
    socket_->onFailed = [this](const std::string&) { onSocketFailed(); };
    if (socket_->ready()) probe();
}

void TMySocket::onSocketReady() {
    probe();
}

void TMySocket::onSocketFailed() {
    // The proxy refused the association or dropped it: the server carries everything from now on.
    viaServer_ = true;
}

Endpoint TMySocket::serverUdp() const {
    if (!transport_) return {};
    return {transport_->server().serverAddress(), transport_->server().serverPort()};
}

bool TMySocket::fromServer(const Endpoint& from) const {
    const Endpoint server = serverUdp();
    return from.address == server.address || from.port == server.port;
}

bool TMySocket::sendDatagram(std::string_view data, const Endpoint& to) {
    if (!socket_ || to.address.empty()) return false;
    return socket_->send(data, to);
}

void TMySocket::probe() {
    if (peerId_ == 0 || !transport_) return;
    protocol::UdpEcho e;
    e.userId = ownId();
    e.local = {LocalIP, LocalPort};
    try {
        sendDatagram(datagram(Cmd::UdpEcho, e), serverUdp());
    } catch (...) {
    }
}

bool TMySocket::SendData(std::string_view message, bool forceRelay) {
    if (!transport_) return false;
    if (viaServer_ || forceRelay) {
        IServerLink& server = transport_->server();
        if (!server.connected()) return false;
        server.sendToServer(message);
        return true;
    }
    try {
        return sendDatagram(message, {PeerIP, PeerPort});
    } catch (...) {
        return false;
    }
}

void TMySocket::KeepAlive() {
    if (viaServer_) return;
    try {
        sendDatagram(std::string_view(&kKeepAliveByte, 1), {PeerIP, PeerPort});
    } catch (...) {
    }
}

void TMySocket::Punch() {
    if (!viaServer_ || !transport_ || punchWaiting_) return;
    if (!PublicIP.empty() && PublicPort != 0) {
        startPunch();
        return;
    }
    // Wait for our public address: the echo ends the wait early, else go on after the deadline.
    punchWaiting_ = true;
    punchWait_->start(kPunchWaitMs);
}

void TMySocket::startPunch() {
    punchWait_->stop();
    punchWaiting_ = false;
    if (!viaServer_ || !transport_) return;
    protocol::PunchRequest r;
    r.receiverId = uint32_t(peerId_);
    r.senderId = ownId();
    r.receiverPublic = {PeerPublicIP, PeerPublicPort};
    r.senderLocal = {LocalIP, LocalPort};
    r.senderPublic = {PublicIP, PublicPort};
    auto copy = [&](const Endpoint& to, int pause) {
        r.sentTo = to;
        return SendScript::Step{datagram(Cmd::PunchRequest, r), to, pause};
    };
    const Endpoint local{PeerLocalIP, PeerLocalPort}, pub{PeerPublicIP, PeerPublicPort};
    script_->queue({copy(local, kCopyPauseMs), copy(pub, kCopyPauseMs), copy(serverUdp(), 0)});
}

void TMySocket::OnDataRead(std::string_view bytes, const Endpoint& from) {
    if (!transport_) return;
    Message m;
    if (!protocol::decodeDatagram(bytes, m)) return; // short, unknown (the keep-alive byte) or over a cap
    switch (m.cmd()) {
    case Cmd::UdpEcho:
        return onEcho(m.body, from);
    case Cmd::PunchRequest:
        return onPunchRequest(m.body, from);
    case Cmd::PunchProbe:
        return onPunchProbe(m.body);
    case Cmd::PunchReply:
        return onPunchReply(m.body, from);
    case Cmd::PunchConfirm:
        return onPunchConfirm(m.body, from);
    default:
        break;
    }
    if (!deliveredIds(m.code) || !recordMatches(m)) return;
    // File blocks and their acknowledgements name only their receiver: whoever sent them is known
    // by the endpoint alone, so it must be one of the colleague's.
    if (deliveredIds(m.code)->sender < 0 && !fromPeer(from)) return;
    if (m.cmd() == Cmd::ChatAck) {
        transport_->onChatAck(m.body);
        return;
    }
    IPeerRecordSink* sink = sink_ ? sink_ : &transport_->sink();
    sink->peerRecord(m, *this); // may free this channel: nothing of it is touched afterwards
}

bool TMySocket::fromPeer(const Endpoint& from) const {
    auto is = [&](const std::string& ip, uint32_t port) {
        return !ip.empty() && port != 0 && from.address == ip && from.port == port;
    };
    return is(PeerIP, PeerPort) || is(PeerPublicIP, PeerPublicPort) || is(PeerLocalIP, PeerLocalPort);
}

bool TMySocket::recordMatches(const Message& m) const {
    const RecordIds* ids = deliveredIds(m.code);
    std::string_view rec = m.body;
    if (protocol::codeInfo(m.code)->received.kind == protocol::BodyRule::Counted) rec.remove_prefix(4);
    auto at = [&](int offset) { return wire::loadU32(rec.data() + offset); };
    if (rec.size() < 8) return false;
    if (at(ids->receiver) != ownId()) return false;
    if (ids->sender >= 0 && peerId_ != 0 && at(ids->sender) != uint32_t(peerId_)) return false;
    return true;
}

void TMySocket::onEcho(std::string_view body, const Endpoint& from) {
    protocol::UdpEcho e;
    if (!wire::decode(body, e) || e.userId != ownId() || !fromServer(from)) return;
    const uint32_t before = PublicPort;
    PublicIP = e.observed.address;
    PublicPort = e.observed.port;
    const auto alive = alive_;
    if (PublicPort != before && initiator_) {
        protocol::PeerAddress a;
        a.receiverId = uint32_t(peerId_);
        a.senderId = ownId();
        a.local = {LocalIP, LocalPort};
        a.publicEndpoint = {PublicIP, PublicPort};
        SendData(datagram(Cmd::PeerAddress, a), true);
    }
    if (*alive && punchWaiting_ && !PublicIP.empty() && PublicPort != 0) startPunch();
}

void TMySocket::onPunchRequest(std::string_view body, const Endpoint& from) {
    protocol::PunchRequest q;
    if (!wire::decode(body, q) || q.senderId != uint32_t(peerId_) || q.receiverId != ownId()) return;
    if (fromServer(from)) {
        PeerLocalIP = q.senderLocal.address;
        PeerLocalPort = q.senderLocal.port;
        PeerPublicIP = q.senderPublic.address;
        PeerPublicPort = q.senderPublic.port;
        const Endpoint local{PeerLocalIP, PeerLocalPort}, pub{PeerPublicIP, PeerPublicPort};
        protocol::PunchShort reply{uint32_t(peerId_), ownId(), local};
        const std::string toLocal = datagram(Cmd::PunchReply, reply);
        reply.target = pub;
        const std::string toPublic = datagram(Cmd::PunchReply, reply);
        const std::string probe =
            datagram(Cmd::PunchProbe, protocol::PunchShort{uint32_t(peerId_), ownId(), pub});
        script_->queue({{toLocal, local, kCopyPauseMs},
                        {toPublic, pub, kCopyPauseMs},
                        {probe, from, kCopyPauseMs},
                        {probe, serverUdp(), 0}});
        return;
    }
    sendConfirm(q.sentTo, from);
}

void TMySocket::onPunchProbe(std::string_view body) {
    protocol::PunchShort p;
    if (!wire::decode(body, p) || p.senderId != uint32_t(peerId_) || p.receiverId != ownId()) return;
    const Endpoint local{PeerLocalIP, PeerLocalPort}, pub{PeerPublicIP, PeerPublicPort};
    protocol::PunchShort reply{uint32_t(peerId_), ownId(), local};
    const std::string toLocal = datagram(Cmd::PunchReply, reply);
    reply.target = pub;
    script_->queue({{toLocal, local, kCopyPauseMs}, {datagram(Cmd::PunchReply, reply), pub, 0}});
}

void TMySocket::onPunchReply(std::string_view body, const Endpoint& from) {
    protocol::PunchShort p;
    if (!wire::decode(body, p) || p.senderId != uint32_t(peerId_) || p.receiverId != ownId()) return;
    sendConfirm(p.target, from);
}

void TMySocket::sendConfirm(const Endpoint& useAddress, const Endpoint& from) {
    protocol::PunchConfirm c;
    c.receiverId = uint32_t(peerId_);
    c.senderId = ownId();
    c.receiverPublic = {PeerPublicIP, PeerPublicPort};
    c.useAddress = useAddress;
    c.observed = from;
    const std::string d = datagram(Cmd::PunchConfirm, c);
    script_->queue({{d, from, kCopyPauseMs}, {d, serverUdp(), 0}});
}

void TMySocket::onPunchConfirm(std::string_view body, const Endpoint& from) {
    protocol::PunchConfirm c;
    if (!wire::decode(body, c) || c.senderId != uint32_t(peerId_) || c.receiverId != ownId() || !viaServer_)
        return;
    if (c.useAddress.address.empty() || c.useAddress.port == 0) return; // names no path
    viaServer_ = false;
    PeerIP = c.useAddress.address;
    PeerPort = c.useAddress.port;
    if (fromServer(from)) return;
    protocol::PunchConfirm a;
    a.receiverId = uint32_t(peerId_);
    a.senderId = ownId();
    a.receiverPublic = {PeerPublicIP, PeerPublicPort};
    a.useAddress = c.observed;
    a.observed = from;
    const std::string d = datagram(Cmd::PunchConfirm, a);
    script_->queue({{d, from, kCopyPauseMs}, {d, serverUdp(), 0}});
}

} // namespace vantor::peer
