// A chat record and its acknowledgement between two signed-in clients on loopback: over a direct
// channel and over the server's relay (the vantor-server program), against a bare UDP echo and a
// bare TCP echo of the same bytes measured in the same run. Round trip: one record at a time;
// records per second: 64 records in flight.
#include "echo_baseline.h"
#include "peer/qt_sockets.h"
#include "peer/transport.h"
#include "platform/clock.h"
#include "protocol/chat.h"
#include "wire_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace vantor;
using namespace vantor::peer;
using protocol::Cmd;
using vantor::peer::testing::WireSession;

namespace {

constexpr uint32_t kA = 1001, kB = 1002;
constexpr int kWindow = 64;

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// The receiving side: acknowledges every record the way the conversation layer does.
struct Acknowledger : IPeerRecordSink {
    PeerTransport* transport = nullptr;
    bool relayed = false;
    void peerRecord(const protocol::Message& m, TMySocket&) override {
        if (m.cmd() == Cmd::ChatMessage) ack(m.body);
    }
    void ack(const std::string& body) {
        protocol::ChatMessage m;
        if (!protocol::ChatMessage::decodeBody(body, m)) return;
        const protocol::ChatAck a{m.senderId, m.recipientId, m.textLength, m.sendTick};
        transport->ensureChatChannel(m.senderId)
            .SendData(std::string(1, char(Cmd::ChatAck)) + wire::encode(a), relayed);
    }
};

struct NoRecords : IPeerRecordSink {
    void peerRecord(const protocol::Message&, TMySocket&) override {}
};

struct World {
    QTemporaryDir dir;
    QProcess server;
    uint16_t port = 0;
    platform::SystemClock clock;
    UdpSocketFactory sockets{clock};
    std::unique_ptr<WireSession> a, b;
    NoRecords none;
    Acknowledger acks;
    std::unique_ptr<PeerTransport> ta, tb;
    uint32_t tick = 1;

    bool startServer() {
        server.setStandardErrorFile(dir.filePath("server.log"));
        server.start(VANTOR_BIN_DIR "/vantor-server",
                     {"--bind", "127.0.0.1", "--port", "0", "--file-port", "0", "--db",
                      dir.filePath("org.db"), "--org", VANTOR_SOURCE_DIR "/data/org/sample-org.json"});
        // The log names the port it listens on.
        return waitUntil(
            [&] {
                QFile f(dir.filePath("server.log"));
                if (!f.open(QIODevice::ReadOnly)) return false;
                const QByteArray log = f.readAll();
                const int at = log.indexOf("listening on 127.0.0.1:");
                if (at < 0) return false;
                port = uint16_t(log.mid(at + 23, 6).split(' ').first().toUInt());
                return port != 0;
            },
            10000);
    }

    bool setUp() {
        if (!startServer()) return false;
        a = std::make_unique<WireSession>("127.0.0.1", port, "zhangwei", "zhangwei123");
        b = std::make_unique<WireSession>("127.0.0.1", port, "wangfang", "wangfang123");
        ta = std::make_unique<PeerTransport>(*a, *a, none, clock, sockets);
        tb = std::make_unique<PeerTransport>(*b, *b, acks, clock, sockets);
        acks.transport = tb.get();
        a->onMessage = [this](const protocol::Message& m) {
            if (m.cmd() == Cmd::PeerAddress) ta->onPeerAddress(m.body);
            if (m.cmd() == Cmd::ChatAck) ta->onChatAck(m.body);
        };
        b->onMessage = [this](const protocol::Message& m) {
            if (m.cmd() == Cmd::PeerAddress) tb->onPeerAddress(m.body);
            if (m.cmd() == Cmd::ChatMessage) acks.ack(m.body);
        };
        a->start();
        b->start();
        if (!waitUntil([&] { return a->signedIn() && b->signedIn() && a->contactStatus(kB) == 0; }, 10000)) {
            std::fprintf(stderr, "bench_peer: sign-in failed (%d %d)\n", a->signedIn(), b->signedIn());
            return false;
        }
        TMySocket& ca = ta->ensureChatChannel(kB);
        return waitUntil(
            [&] {
                const TMySocket* cb = tb->chatChannel(kA);
                return !ca.ViaServer() && cb && !cb->ViaServer();
            },
            10000);
    }

    ~World() {
        ta.reset();
        tb.reset();
        a.reset();
        b.reset();
        server.terminate();
        server.waitForFinished(3000);
    }

    // Sends `count` records from A to B and waits until B acknowledged them all.
    bool exchange(int count, bool relayed) {
        acks.relayed = relayed;
        TMySocket& channel = ta->ensureChatChannel(kB);
        for (int i = 0; i < count; ++i) {
            protocol::ChatMessage m;
            m.recipientId = kB;
            m.senderId = kA;
            m.sendTick = tick++;
            m.text = "a chat record 16";
            m.key.userA = kA;
            m.key.userB = kB;
            channel.SendData(std::string(1, char(Cmd::ChatMessage)) + m.encodeBody(), relayed);
            ta->queueChat(m);
        }
        return waitUntil([&] { return ta->pending().size() == 0; }, 5000);
    }
};

World* world = nullptr;

std::string chatBytes() {
    protocol::ChatMessage m;
    m.text = "a chat record 16";
    return std::string(1, char(Cmd::ChatMessage)) + m.encodeBody();
}

void BM_Chat(benchmark::State& state) {
    const bool relayed = state.range(0) == 1;
    const int count = int(state.range(1));
    for (auto _ : state)
        if (!world->exchange(count, relayed)) state.SkipWithError("an acknowledgement did not come");
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
    state.SetLabel(relayed ? "relay through the server" : "direct channel");
}
BENCHMARK(BM_Chat)
    ->ArgNames({"relay", "inflight"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, kWindow})
    ->Args({1, kWindow})
    ->UseRealTime();

void BM_Echo(benchmark::State& state) {
    const auto kind = state.range(0) == 0 ? bench::EchoServer::Udp : bench::EchoServer::Tcp;
    const int count = int(state.range(1));
    bench::EchoServer server(kind);
    bench::EchoClient client(kind, server.port());
    // The same bytes: the datagram, or the framed message on the TCP connection.
    const std::string bytes =
        kind == bench::EchoServer::Udp ? chatBytes() : protocol::frameMessage(chatBytes());
    for (auto _ : state)
        client.exchange(bytes, count);
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
    state.SetLabel(kind == bench::EchoServer::Udp ? "bare UDP echo" : "bare TCP echo");
}
BENCHMARK(BM_Echo)
    ->ArgNames({"tcp", "inflight"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, kWindow})
    ->Args({1, kWindow})
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    World w;
    if (!w.setUp()) {
        std::fprintf(stderr, "bench_peer: the two clients did not get a direct channel\n");
        return 1;
    }
    world = &w;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
