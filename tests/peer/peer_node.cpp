// peer_node: a minimal headless client for the network tests. It signs in to the server over the
// wire (WireSession), builds the peer transport on real sockets, and either sends N chat records to a
// colleague (once the chat channel is direct, or after a wait) or receives them, acknowledging each one as
// the conversation layer does. Once the chat channel exists it prints "CHANNEL port=P". At the end it
// prints one line:
//   RESULT direct=D sent_direct=N sent_relayed=N recv_udp=N recv_tcp=N duplicates=N pending=N
//          forged=N peer=IP:PORT
// (forged: records that arrived with a text starting "forged"; peer: the channel's direct endpoint).
//
// With --attack IP:PORT it is a third host instead: it signs in nowhere and, from the server's port
// number, sends forged chat records and punch confirmations naming --as as sender and --to as
// receiver to that endpoint, every 20 ms for --timeout ms.
#include "peer/qt_sockets.h"
#include "peer/transport.h"
#include "platform/clock.h"
#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/records.h"
#include "protocol/text.h"
#include "wire_session.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

using namespace vantor;
using namespace vantor::peer;
using protocol::Cmd;
using vantor::peer::testing::WireSession;

namespace {

struct Options {
    std::string server = "127.0.0.1";
    uint16_t port = 8000;
    std::string account, password;
    uint32_t peer = 0;
    int send = 0;   // chat records to send (sender)
    int expect = 0; // chat records to wait for (receiver)
    int directWaitMs = 4000;
    int timeoutMs = 30000;
    int gapMs = 10;
    std::string attack; // IP:PORT of the channel to attack
    uint32_t as = 0, to = 0;
};

// The third host: forged records from the server's port number.
class Attacker {
  public:
    explicit Attacker(Options o) : o_(std::move(o)) {
        const auto colon = o_.attack.rfind(':');
        target_ = QHostAddress(QString::fromStdString(o_.attack.substr(0, colon)));
        targetPort_ = uint16_t(std::stoi(o_.attack.substr(colon + 1)));
        if (!socket_.bind(QHostAddress::AnyIPv4, o_.port)) std::fprintf(stderr, "attacker: cannot bind\n");
        QObject::connect(&step_, &QTimer::timeout, [this] { onStep(); });
        step_.start(20);
        QTimer::singleShot(o_.timeoutMs, [this] {
            std::printf("RESULT attacked=%d\n", sent_);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }

  private:
    void onStep() {
        protocol::ChatMessage m;
        m.recipientId = o_.to;
        m.senderId = o_.as;
        m.sendTick = uint32_t(100000 + sent_);
        m.text = "forged " + std::to_string(sent_);
        m.key.kind = protocol::kOneToOne;
        m.key.userA = o_.as;
        m.key.userB = o_.to;
        send(std::string(1, char(Cmd::ChatMessage)) + m.encodeBody());
        protocol::PunchConfirm c{o_.to, o_.as, {}, {own_, o_.port}, {}};
        c.observed = {target_.toString().toStdString(), targetPort_};
        send(std::string(1, char(Cmd::PunchConfirm)) + wire::encode(c));
        ++sent_;
    }
    void send(const std::string& d) {
        socket_.writeDatagram(d.data(), qint64(d.size()), target_, targetPort_);
    }

    Options o_;
    QUdpSocket socket_;
    QTimer step_;
    QHostAddress target_;
    uint16_t targetPort_ = 0;
    std::string own_ = "10.2.1.2"; // the attacker's own address: divert the channel here
    int sent_ = 0;
};

class Node : public IPeerRecordSink {
  public:
    explicit Node(Options o)
        : o_(std::move(o)), session_(o_.server, o_.port, o_.account, o_.password), sockets_(clock_),
          transport_(session_, session_, *this, clock_, sockets_) {
        session_.onSignedIn = [this] {
            transport_.start();
            step_.start(o_.gapMs);
        };
        session_.onMessage = [this](const protocol::Message& m) { onMessage(m); };
        session_.onFailed = [this](const char*) { finish(3); };
        QObject::connect(&step_, &QTimer::timeout, [this] { onStep(); });
        QTimer::singleShot(o_.timeoutMs, [this] { finish(1); });
        session_.start();
    }

    // IPeerRecordSink
    void peerRecord(const protocol::Message& m, TMySocket&) override {
        if (m.cmd() == Cmd::ChatMessage) deliver(m.body, false);
    }

  private:
    void onMessage(const protocol::Message& m) {
        switch (m.cmd()) {
        case Cmd::PeerAddress:
            transport_.onPeerAddress(m.body);
            break;
        case Cmd::ChatAck:
            transport_.onChatAck(m.body);
            break;
        case Cmd::ChatMessage:
            deliver(m.body, true);
            break;
        default:
            break;
        }
    }

    // Sender: wait for the colleague, open the chat channel, wait for a direct path (or give up
    // waiting), then one record per step; done when every record is acknowledged.
    void onStep() {
        if (!announced_) {
            if (TMySocket* c = transport_.chatChannel(o_.peer); c && c->LocalPort != 0) {
                std::printf("CHANNEL port=%u\n", unsigned(c->LocalPort));
                std::fflush(stdout);
                announced_ = true;
            }
        }
        if (o_.send > 0) {
            const auto peerStatus = session_.contactStatus(o_.peer);
            if (!peerStatus || *peerStatus == protocol::kOffline) return;
            TMySocket& channel = transport_.ensureChatChannel(o_.peer);
            if (channelSince_ < 0) channelSince_ = clock_.nowMs();
            if (sent_ == 0 && channel.ViaServer() && clock_.nowMs() - channelSince_ < o_.directWaitMs) return;
            if (sent_ < o_.send) {
                sendOne(channel);
                return;
            }
            if (transport_.pending().size() == 0) finish(0);
            return;
        }
        if (received_.size() >= size_t(o_.expect) && o_.expect > 0) {
            if (doneSince_ < 0) doneSince_ = clock_.nowMs();
            if (clock_.nowMs() - doneSince_ > 1500) finish(0); // linger for resends
        }
    }

    void sendOne(TMySocket& channel) {
        const uint32_t own = session_.ownId();
        protocol::ChatMessage m;
        m.recipientId = o_.peer;
        m.senderId = own;
        // Never 0 (0 means "do not acknowledge") and never a tick already used: on a loaded machine
        // two steps can fall into the same millisecond, and the receiver would take the second
        // record for a duplicate of the first.
        m.sendTick = std::max<uint32_t>(transport_.tickCount() | 1, lastTick_ + 2);
        lastTick_ = m.sendTick;
        m.text = "record " + std::to_string(sent_);
        m.key.kind = protocol::kOneToOne;
        m.key.userA = own;
        m.key.userB = o_.peer;
        const std::string frame = std::string(1, char(Cmd::ChatMessage)) + m.encodeBody();
        (channel.ViaServer() ? sentRelayed_ : sentDirect_)++;
        channel.SendData(frame);
        transport_.queueChat(m);
        ++sent_;
    }

    // Receiver: count the first arrival of each record by its path; acknowledge every arrival
    // through the chat channel (relayed for a duplicate).
    void deliver(const std::string& body, bool viaServer) {
        protocol::ChatMessage m;
        const uint32_t own = session_.ownId();
        if (!protocol::ChatMessage::decodeBody(body, m) || m.recipientId != own || m.senderId == own) return;
        if (m.text.starts_with("forged")) {
            ++forged_;
            return;
        }
        const bool duplicate = !received_.insert({m.senderId, m.sendTick}).second;
        if (duplicate)
            ++duplicates_;
        else
            (viaServer ? recvTcp_ : recvUdp_)++;
        if (m.sendTick == 0) return;
        const protocol::ChatAck ack{m.senderId, m.recipientId, m.textLength, m.sendTick};
        const std::string frame = std::string(1, char(Cmd::ChatAck)) + wire::encode(ack);
        if (session_.contactStatus(m.senderId))
            transport_.ensureChatChannel(m.senderId).SendData(frame, duplicate);
    }

    void finish(int code) {
        if (finished_) return;
        finished_ = true;
        TMySocket* c = transport_.chatChannel(o_.peer);
        std::printf("RESULT direct=%d sent_direct=%d sent_relayed=%d recv_udp=%d recv_tcp=%d duplicates=%d "
                    "pending=%zu forged=%d code=%d peer=%s:%u\n",
                    c && !c->ViaServer() ? 1 : 0, sentDirect_, sentRelayed_, recvUdp_, recvTcp_, duplicates_,
                    transport_.pending().size(), forged_, code, c ? c->PeerIP.c_str() : "",
                    c ? unsigned(c->PeerPort) : 0u);
        std::fflush(stdout);
        QCoreApplication::exit(code);
    }

    Options o_;
    platform::SystemClock clock_;
    WireSession session_;
    UdpSocketFactory sockets_;
    QTimer step_;
    PeerTransport transport_;
    std::set<std::pair<uint32_t, uint32_t>> received_;
    int64_t channelSince_ = -1, doneSince_ = -1;
    int sent_ = 0, sentDirect_ = 0, sentRelayed_ = 0, recvUdp_ = 0, recvTcp_ = 0, duplicates_ = 0,
        forged_ = 0;
    bool finished_ = false, announced_ = false;
    uint32_t lastTick_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i], v = argv[i + 1];
        if (k == "--server")
            o.server = v;
        else if (k == "--port")
            o.port = uint16_t(std::stoi(v));
        else if (k == "--account")
            o.account = v;
        else if (k == "--password")
            o.password = v;
        else if (k == "--peer")
            o.peer = uint32_t(std::stoul(v));
        else if (k == "--send")
            o.send = std::stoi(v);
        else if (k == "--expect")
            o.expect = std::stoi(v);
        else if (k == "--direct-wait")
            o.directWaitMs = std::stoi(v);
        else if (k == "--timeout")
            o.timeoutMs = std::stoi(v);
        else if (k == "--gap")
            o.gapMs = std::stoi(v);
        else if (k == "--attack")
            o.attack = v;
        else if (k == "--as")
            o.as = uint32_t(std::stoul(v));
        else if (k == "--to")
            o.to = uint32_t(std::stoul(v));
        else {
            std::fprintf(stderr, "peer_node: unknown option %s\n", k.c_str());
            return 2;
        }
    }
    if (!o.attack.empty()) {
        Attacker attacker(o);
        return app.exec();
    }
    Node node(o);
    return app.exec();
}
