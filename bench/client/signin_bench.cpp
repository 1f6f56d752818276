// Sign-in of a large organisation served by vantor-server over loopback: wall time from the
// start of the sign-in to the complete directory, and the longest stretch the client's event loop
// was busy in one turn (the client's memory for the directory is measured by bench_directory). Baseline in
// the same run: a raw loopback TCP transfer of the same number of bytes. Sized by VANTOR_BENCH_USERS /
// VANTOR_BENCH_DEPARTMENTS.
#include "../platform/test_net.h"
#include "client_fixture.h"
#include "server/org_file.h"
#include "server/store.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace vantor;

namespace {

size_t envSize(const char* name, size_t fallback) {
    const char* v = std::getenv(name);
    return v ? size_t(std::strtoull(v, nullptr, 10)) : fallback;
}

struct World {
    QTemporaryDir dir;
    std::unique_ptr<server::ServerThread> server;
    qint64 loadBytes = 0;
    size_t users = 0;
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        w->users = envSize("VANTOR_BENCH_USERS", 100000);
        const size_t departments = envSize("VANTOR_BENCH_DEPARTMENTS", 5000);
        server::Organisation org;
        std::string error;
        if (!server::parseOrganisation(server::generateOrganisationJson(w->users, departments), org,
                                       &error)) {
            std::fprintf(stderr, "organisation: %s\n", error.c_str());
            std::exit(1);
        }
        w->server = vantor::testing::startServer(std::move(org), w->dir.path(), &error);
        if (!w->server) {
            std::fprintf(stderr, "server: %s\n", error.c_str());
            std::exit(1);
        }
        return w;
    }();
    return *w;
}

// The first account of the generated organisation.
const char* kAccount = "u100000";
const char* kPassword = "p100000";

void BM_SignInOverLoopback(benchmark::State& state) {
    World& w = world();
    platform::ManualClock clock;
    int n = 0;
    for (auto _ : state) {
        auto client = std::make_unique<vantor::testing::TestClient>(
            w.dir.filePath(QStringLiteral("c%1").arg(n++)), clock, w.server->port());
        QElapsedTimer total;
        total.start();
        client->start(kAccount, kPassword);
        qint64 longestNs = 0;
        while (!client->messenger().SignedIn() && total.elapsed() < 120000) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestNs = std::max(longestNs, turn.nsecsElapsed());
            clock.advance(1);
        }
        const double seconds = double(total.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        if (!client->messenger().SignedIn()) state.SkipWithError("did not sign in");
        state.counters["users"] = double(client->dir().users().size());
        state.counters["longest_turn_ms"] = double(longestNs) / 1e6;
        client.reset();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SignInOverLoopback)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The same number of bytes as one sign-in load, through a plain loopback TCP connection.
void BM_Baseline_RawLoopback(benchmark::State& state) {
    const qint64 bytes = qint64(world().users) * 186; // a user item with a short signature on the wire
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    for (auto _ : state) {
        QTcpSocket out;
        out.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        vantor::testing::waitFor([&] { return listener.hasPendingConnections(); });
        std::unique_ptr<QTcpSocket> in(listener.nextPendingConnection());
        QElapsedTimer t;
        t.start();
        const QByteArray chunk(64 * 1024, 'x');
        qint64 sent = 0, received = 0;
        while (received < bytes) {
            if (sent < bytes && out.bytesToWrite() < 4 * chunk.size()) sent += out.write(chunk);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            received += in->readAll().size();
        }
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        state.counters["bytes"] = double(bytes);
    }
}
BENCHMARK(BM_Baseline_RawLoopback)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    world();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
