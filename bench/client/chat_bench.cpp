// Chat between two whole clients through vantor-server on loopback, relayed by the server and
// directly after punching: one-way latency of a typed message until the other client shows it
// (percentiles), and the rate of a burst. Each message is stored durably by both sides, as the
// client always does (by each side's history writer thread). Baselines in the same run: bare UDP and TCP
// round trips of a chat frame. Two failure scenarios count what arrives: messages in flight when the sender's
// server connection is cut (forced reconnect), and vantor-cli senders killed with messages queued, then
// restarted.
#include "../peer/echo_baseline.h"
#include "../platform/test_net.h"
#include "client_fixture.h"
#include "peer/channel.h"
#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/text.h"

#include "peer/pending_journal.h"
#include "settings/profile_file.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

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

// A burst typed as fast as the chat core takes it. Both clients share this thread, so after every
// 32 messages the event loop turns until at most 64 are sent and not yet shown (the receiver reads
// its socket then; in the product each side has its own process and reads as they come). Time: until every
// message is shown and every acknowledgement is back, i.e. every record is on the receiver's disk. Counters:
// the longest single turn of the event loop and the longest stretch of 32 sends.
void BM_ChatBurst(benchmark::State& state) {
    const bool direct = state.range(0) != 0;
    const int burst = int(state.range(1));
    auto p = makePair(direct, state);
    if (!p) return;
    double longestTurn = 0, longestSends = 0;
    QElapsedTimer turn;
    auto turnOnce = [&] {
        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        longestTurn = std::max(longestTurn, double(turn.nsecsElapsed()) / 1e6);
    };
    auto until = [&](const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        int turns = 0;
        while (!done()) {
            if (t.elapsed() > 120000) return false;
            turnOnce();
            if (++turns % 50 == 0) world().clock.advance(1);
        }
        return true;
    };
    bool inOrder = true;
    for (auto _ : state) {
        const size_t before = p->b->conversationView.shown.size();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < burst; ++i) {
            if (i % 32 == 0) turn.start();
            p->a->say(*p->ab, "第" + std::to_string(i) + "条消息");
            if (i % 32 == 31) {
                longestSends = std::max(longestSends, double(turn.nsecsElapsed()) / 1e6);
                // The receiver keeps up as its own process would: at most 64 sent and not yet shown.
                until([&] { return p->b->conversationView.shown.size() + 64 >= before + size_t(i + 1); });
            }
        }
        if (!until([&] { return p->b->conversationView.shown.size() >= before + size_t(burst); })) {
            state.SkipWithError("messages lost");
            break;
        }
        until([&] { return p->a->peers().pending().size() == 0; });
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        const auto& shown = p->b->conversationView.shown;
        for (int i = 0; i < burst; ++i)
            inOrder = inOrder && protocol::fromGbk(shown[before + size_t(i)].plain) ==
                                     "第" + std::to_string(i) + "条消息";
    }
    state.SetItemsProcessed(state.iterations() * burst);
    state.counters["longest_turn_ms"] = longestTurn;
    state.counters["longest_32_sends_ms"] = longestSends;
    state.counters["in_order"] = inOrder ? 1 : 0;
    state.SetLabel(pathName(direct));
}
BENCHMARK(BM_ChatBurst)
    ->Args({0, 500})
    ->Args({1, 500})
    ->Args({1, 10000})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Turns the event loop, moving the injected clock 1 ms per turn (timers of many seconds run).
bool runUntil(const std::function<bool()>& done, int ms) {
    World& w = world();
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        w.clock.advance(1);
    }
    return true;
}

// Counts of one failure scenario: every text sent, what the colleague showed, repeats among it.
void countDelivery(benchmark::State& state, const std::vector<std::string>& sent,
                   const std::vector<std::string>& shown) {
    const std::set<std::string> wanted(sent.begin(), sent.end());
    std::set<std::string> unique;
    size_t duplicates = 0;
    for (const auto& s : shown) {
        if (!wanted.contains(s)) continue;
        if (!unique.insert(s).second) ++duplicates;
    }
    state.counters["sent"] += double(sent.size());
    state.counters["delivered"] += double(unique.size());
    state.counters["duplicates"] += double(duplicates);
}

// `count` messages typed at once, then the sender's server connection is cut (the server and the
// colleague stay up): at once, or once a quarter has arrived; acknowledgements never reach the
// sender before the cut. Automatic re-connection (1 s) signs the sender in again
// and the resend queue takes it from there. Time: from the first message until every one is shown
// and acknowledged; the client's timers run on the injected clock, moved 1 ms per loop turn.
void BM_ChatForcedReconnect(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool cutLate = state.range(1) != 0; // else cut as soon as the burst is typed
    World& w = world();
    w.server->call([](server::Server& s) { s.setDirectPaths(false); });
    vantor::testing::TcpPipe pipe(w.server->port());
    const QString folder = w.dir.filePath(QStringLiteral("c%1").arg(w.made++));
    auto a = std::make_unique<TestClient>(folder, w.clock, pipe.port());
    settings::ProfileFile(folder.toStdString() + "/Documents/KZQ/IM.Dat")
        .writeInteger("Login", "AutoConnectInterval", 1);
    auto b = std::make_unique<TestClient>(w.dir.filePath(QStringLiteral("c%1").arg(w.made++)), w.clock,
                                          w.server->port());
    a->start("zhangwei", "zhangwei123");
    b->start("wangfang", "wangfang123");
    if (!spinUntil([&] { return a->messenger().SignedIn() && b->messenger().SignedIn(); })) {
        state.SkipWithError("sign-in failed");
        return;
    }
    conversation::Conversation* ab = &a->openWith(1002);
    int round = 0;
    for (auto _ : state) {
        std::vector<std::string> sent;
        const size_t before = b->conversationView.shown.size();
        QElapsedTimer t;
        t.start();
        // Nothing the server sends reaches the sender during the burst: every acknowledgement is
        // lost on the way, as are the messages the line has not carried yet when it is cut.
        pipe.setSilent(true);
        for (int i = 0; i < count; ++i) {
            sent.push_back("第" + std::to_string(round) + "轮第" + std::to_string(i) + "条");
            a->say(*ab, sent.back());
        }
        ++round;
        if (cutLate &&
            !spinUntil([&] { return b->conversationView.shown.size() >= before + size_t(count / 4); })) {
            state.SkipWithError("nothing arrived before the cut");
            break;
        }
        pipe.cut();
        pipe.setSilent(false);
        const size_t arrived = b->conversationView.shown.size() - before;
        state.counters["unacknowledged_at_cut"] += double(a->peers().pending().size());
        state.counters["not_arrived_at_cut"] += double(size_t(count) - arrived);
        runUntil([&] { return !a->messenger().SignedIn(); }, 10000);
        const bool done = runUntil(
            [&] {
                return a->messenger().SignedIn() && a->peers().pending().size() == 0 &&
                       b->conversationView.shown.size() >= before + size_t(count);
            },
            120000);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        runUntil([] { return false; }, 500); // late copies, if any, show now
        std::vector<std::string> shown;
        for (size_t i = before; i < b->conversationView.shown.size(); ++i)
            shown.push_back(protocol::fromGbk(b->conversationView.shown[i].plain));
        countDelivery(state, sent, shown);
        if (!done) {
            state.SkipWithError("not everything was delivered");
            break;
        }
    }
    state.SetLabel(cutLate ? "relayed, cut once a quarter had arrived" : "relayed, cut as soon as typed");
}
BENCHMARK(BM_ChatForcedReconnect)
    ->Args({200, 0})
    ->Args({200, 1})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// vantor-cli as the product runs it: a sender is killed (SIGKILL) as soon as its message is in
// the journal, `kills` times in a row while the colleague is away; then the colleague listens and
// the sender runs once more with one more message, exiting when everything is acknowledged. Time:
// that last run, from its start to its exit.
void BM_ChatKilledAndRestarted(benchmark::State& state) {
    const int kills = int(state.range(0));
    World& w = world();
    w.server->call([](server::Server& s) { s.setDirectPaths(true); });
    const QString bin = QStringLiteral(VANTOR_BIN_DIR);
    int round = 0;
    for (auto _ : state) {
        QTemporaryDir data;
        auto cli = [&](const QString& account, const QStringList& command) {
            auto p = std::make_unique<QProcess>();
            p->start(bin + QStringLiteral("/vantor-cli"),
                     QStringList{QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                 QStringLiteral("--port"), QString::number(w.server->port()),
                                 QStringLiteral("--account"), account, QStringLiteral("--password"),
                                 account + QStringLiteral("123"), QStringLiteral("--data"),
                                 data.filePath(account), QStringLiteral("--timeout"), QStringLiteral("60")} +
                         command);
            p->waitForStarted(5000);
            return p;
        };
        const QDir journal(data.filePath(QStringLiteral("zhangwei/KZQ/1001")));
        // Messages in the newest generation of the sender's journal.
        auto queued = [&] {
            QFileInfo newest;
            uint64_t generation = 0;
            for (const QFileInfo& f :
                 journal.entryInfoList({QStringLiteral("PendingMessages.*.dat")}, QDir::Files)) {
                const uint64_t g = f.fileName().section(QLatin1Char('.'), 1, 1).toULongLong();
                if (g >= generation) {
                    generation = g;
                    newest = f;
                }
            }
            return generation == 0
                       ? size_t(0)
                       : peer::PendingJournal::readFile(newest.filePath().toStdString()).entries.size();
        };
        std::vector<std::string> sent;
        for (int k = 0; k < kills; ++k) {
            sent.push_back("重启前" + std::to_string(round) + "-" + std::to_string(k));
            auto p = cli(QStringLiteral("zhangwei"), {QStringLiteral("send"), QStringLiteral("1002"),
                                                      QString::fromStdString(sent.back())});
            spinUntil([&] { return queued() >= size_t(k + 1) || p->state() == QProcess::NotRunning; }, 20000);
            p->kill();
            p->waitForFinished(5000);
        }
        auto listener =
            cli(QStringLiteral("wangfang"), {QStringLiteral("listen"), QStringLiteral("--verbose")});
        QByteArray err;
        listener->setReadChannel(QProcess::StandardError);
        while (!err.contains("listening") && listener->waitForReadyRead(20000))
            err += listener->readAllStandardError();
        listener->setReadChannel(QProcess::StandardOutput);
        sent.push_back("重启后" + std::to_string(round++));
        QElapsedTimer t;
        t.start();
        auto last = cli(QStringLiteral("zhangwei"), {QStringLiteral("send"), QStringLiteral("1002"),
                                                     QString::fromStdString(sent.back())});
        last->waitForFinished(90000);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        const bool ok = last->exitStatus() == QProcess::NormalExit && last->exitCode() == 0;
        QElapsedTimer grace; // one more round of resending would have come by now
        grace.start();
        while (grace.elapsed() < 6000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        listener->terminate();
        listener->waitForFinished(5000);
        std::vector<std::string> shown;
        for (const QByteArray& line : listener->readAllStandardOutput().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() == 3) shown.push_back(fields[2].toStdString());
        }
        countDelivery(state, sent, shown);
        if (!ok) {
            state.SkipWithError("the restarted sender did not see everything acknowledged");
            break;
        }
    }
    state.SetLabel("vantor-cli killed with messages queued, then restarted");
}
BENCHMARK(BM_ChatKilledAndRestarted)->Arg(10)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

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
