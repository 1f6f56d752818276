// Sign-in of a colleague who is a member of many discussion groups (VANTOR_BENCH_GROUPS, default
// 500, each of the sample organisation's 29 other colleagues), served by vantor-server over
// loopback: wall time until the load is complete and the longest turn of the client's event loop.
// Baseline in the same run: a colleague of the same organisation in no group.
#include "client_fixture.h"
#include "server/store.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace vantor;

namespace {

struct World {
    QTemporaryDir dir;
    std::unique_ptr<server::ServerThread> server;
    size_t groups = 0;
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        const char* v = std::getenv("VANTOR_BENCH_GROUPS");
        w->groups = v ? size_t(std::strtoull(v, nullptr, 10)) : 500;
        server::Organisation org = vantor::testing::sampleOrganisation();
        for (size_t i = 0; i < w->groups; ++i) {
            server::DiscussionGroup g;
            g.guid.data1 = uint32_t(0x60000000 + i);
            g.name = "group " + std::to_string(i);
            g.topic = "topic";
            g.creator = 1001;
            for (uint32_t id = 1001; id <= 1030; ++id)
                if (id != 1003) g.members.push_back(id); // 1003 (lina) is the baseline
            org.groups.push_back(std::move(g));
        }
        std::string error;
        w->server = vantor::testing::startServer(std::move(org), w->dir.path(), &error);
        if (!w->server) {
            std::fprintf(stderr, "server: %s\n", error.c_str());
            std::exit(1);
        }
        return w;
    }();
    return *w;
}

void signIn(benchmark::State& state, const char* account, const char* password) {
    World& w = world();
    platform::ManualClock clock;
    static int n = 0;
    for (auto _ : state) {
        auto client = std::make_unique<vantor::testing::TestClient>(
            w.dir.filePath(QStringLiteral("c%1").arg(n++)), clock, w.server->port());
        QElapsedTimer total;
        total.start();
        client->start(account, password);
        qint64 longestNs = 0;
        while (!client->messenger().SignedIn() && total.elapsed() < 120000) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestNs = std::max(longestNs, turn.nsecsElapsed());
            clock.advance(1);
        }
        state.SetIterationTime(double(total.nsecsElapsed()) / 1e9);
        if (!client->messenger().SignedIn()) state.SkipWithError("did not sign in");
        state.counters["groups"] = double(client->dir().discussionGroups().size());
        state.counters["longest_turn_ms"] = double(longestNs) / 1e6;
        client.reset();
        QCoreApplication::processEvents();
    }
}

void BM_SignInMemberOfManyGroups(benchmark::State& state) {
    signIn(state, "zhangwei", "zhangwei123");
}
BENCHMARK(BM_SignInMemberOfManyGroups)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Baseline_SignInInNoGroup(benchmark::State& state) {
    signIn(state, "lina", "lina123");
}
BENCHMARK(BM_Baseline_SignInInNoGroup)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    world();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
