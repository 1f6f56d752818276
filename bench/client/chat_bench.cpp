// Chat between two whole clients through vantor-server on loopback, relayed by the server and
// directly after punching: one-way latency of a typed message until the other client shows it
// (percentiles), and the rate of a burst. Each message is stored durably by both sides, as the
// client always does. Baselines in the same run: bare UDP and TCP round trips of a chat frame.
#include "../peer/echo_baseline.h"
#include "../platform/test_net.h"
#include "client_fixture.h"
#include "peer/channel.h"
#include "protocol/chat.h"
#include "protocol/frame.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace vantor;
using vantor::testing::TestClient;

namespace {

struct World {
    QTemporaryDir dir;
    platform::ManualClock clock;
    std::unique_ptr<server::ServerThread> server;
    int made = 0;
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        std::string error;
        w->server =
            vantor::testing::startServer(vantor::testing::sampleOrganisation(), w->dir.path(), &error);
        if (!w->server) {
            std::fprintf(stderr, "server: %s\n", error.c_str());
            std::exit(1);
        }
        return w;
    }();
    return *w;
}

// Turns the event loop without sleeping until `done` holds (or `ms` pass); the injected clock moves
// 1 ms every 50 turns so that punching proceeds.
bool spinUntil(const std::function<bool()>& done, int ms = 10000) {
    World& w = world();
    QElapsedTimer t;
    t.start();
    int turns = 0;
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (++turns % 50 == 0) w.clock.advance(1);
    }
    return true;
}

struct Pair {
    std::unique_ptr<TestClient> a, b;
    conversation::Conversation* ab = nullptr;
};

// Two signed-in colleagues with a conversation open; direct: the channel has turned direct.
std::unique_ptr<Pair> makePair(bool direct, benchmark::State& state) {
    World& w = world();
    w.server->call([direct](server::Server& s) { s.setDirectPaths(direct); });
    auto p = std::make_unique<Pair>();
    p->a = std::make_unique<TestClient>(w.dir.filePath(QStringLiteral("c%1").arg(w.made++)), w.clock,
                                        w.server->port());
    p->b = std::make_unique<TestClient>(w.dir.filePath(QStringLiteral("c%1").arg(w.made++)), w.clock,
                                        w.server->port());
    p->a->start("zhangwei", "zhangwei123");
    p->b->start("wangfang", "wangfang123");
    if (!spinUntil([&] { return p->a->messenger().SignedIn() && p->b->messenger().SignedIn(); })) {
        state.SkipWithError("sign-in failed");
        return nullptr;
    }
    peer::TMySocket& toB = p->a->peers().ensureChatChannel(1002);
    peer::TMySocket& toA = p->b->peers().ensureChatChannel(1001);
    if (direct && !spinUntil([&] { return !toB.ViaServer() && !toA.ViaServer(); })) {
        state.SkipWithError("no direct path");
        return nullptr;
    }
    p->ab = &p->a->openWith(1002);
    p->b->openWith(1001);
    return p;
}

const char* pathName(bool direct) {
    return direct ? "direct after punching" : "relayed by the server";
}

void BM_ChatLatency(benchmark::State& state) {
    const bool direct = state.range(0) != 0;
    auto p = makePair(direct, state);
    if (!p) return;
    std::vector<double> samples;
    for (auto _ : state) {
        const size_t before = p->b->conversationView.shown.size();
        QElapsedTimer t;
        t.start();
        p->a->say(*p->ab, "三点开会，请准时参加 /~wx");
        if (!spinUntil([&] { return p->b->conversationView.shown.size() > before; })) {
            state.SkipWithError("message lost");
            break;
        }
        const double s = double(t.nsecsElapsed()) / 1e9;
        samples.push_back(s);
        state.SetIterationTime(s);
        spinUntil([&] { return p->a->peers().pending().size() == 0; });
    }
    std::sort(samples.begin(), samples.end());
    auto pct = [&](double q) {
        return samples.empty() ? 0.0 : samples[size_t(q * double(samples.size() - 1))] * 1e6;
    };
    state.counters["p50_us"] = pct(0.50);
    state.counters["p90_us"] = pct(0.90);
    state.counters["p99_us"] = pct(0.99);
    state.SetLabel(pathName(direct));
}
BENCHMARK(BM_ChatLatency)->Arg(0)->Arg(1)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_ChatBurst(benchmark::State& state) {
    const bool direct = state.range(0) != 0;
    const int burst = int(state.range(1));
    auto p = makePair(direct, state);
    if (!p) return;
    for (auto _ : state) {
        const size_t before = p->b->conversationView.shown.size();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < burst; ++i)
            p->a->say(*p->ab, "第" + std::to_string(i) + "条消息");
        if (!spinUntil([&] { return p->b->conversationView.shown.size() >= before + size_t(burst); },
                       60000)) {
            state.SkipWithError("messages lost");
            break;
        }
        spinUntil([&] { return p->a->peers().pending().size() == 0; }, 60000);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
    state.SetItemsProcessed(state.iterations() * burst);
    state.SetLabel(pathName(direct));
}
BENCHMARK(BM_ChatBurst)
    ->Args({0, 500})
    ->Args({1, 500})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Baselines: one chat frame's round trip through a bare UDP or TCP echo on loopback.
void BM_Baseline_Echo(benchmark::State& state) {
    const auto kind = state.range(0) == 0 ? bench::EchoServer::Udp : bench::EchoServer::Tcp;
    bench::EchoServer server(kind);
    bench::EchoClient client(kind, server.port());
    protocol::ChatMessage m;
    m.text = std::string(48, 'x');
    const std::string datagram =
        protocol::Message{uint8_t(protocol::Cmd::ChatMessage), m.encodeBody()}.bytes();
    const std::string bytes = kind == bench::EchoServer::Udp ? datagram : protocol::frameMessage(datagram);
    for (auto _ : state)
        client.exchange(bytes, 1);
    state.SetLabel(kind == bench::EchoServer::Udp ? "bare UDP round trip" : "bare TCP round trip");
}
BENCHMARK(BM_Baseline_Echo)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    world();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
