// Sign-in of a colleague who is a member of many discussion groups (VANTOR_BENCH_GROUPS, default
// 500, each of the sample organisation's 29 other colleagues), served by vantor-server over
// loopback: wall time until the load is complete and the longest turn of the client's event loop.
// Baseline in the same run: a colleague of the same organisation in no group.
//
// The fan-out of a group of 200: a whole client sends group messages and the server delivers each
// to the 199 other members, wire clients that sign in and count what arrives (the load clients of
// the server benchmark); client CPU, bytes the client sends, and the time until every member has
// every message. Baseline in the same run: the same messages as one-to-one messages to each member
// through the server, the way a client relays them.
#include "../server/load_clients.h"
#include "client_fixture.h"
#include "protocol/chat.h"
#include "server/store.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

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

constexpr size_t kMembers = 200;
constexpr int kMessages = 20; // per member and iteration

// A generated organisation of 200 colleagues (accounts "u<id>", passwords "p<id>"), all in one
// group created by the first; the first signs in as a whole client, the others as wire clients.
struct FanOut {
    QTemporaryDir dir;
    platform::ManualClock clock;
    std::unique_ptr<server::ServerThread> server;
    std::unique_ptr<vantor::testing::TestClient> sender;
    std::unique_ptr<bench::LoadClients> others;
    std::vector<uint32_t> otherIds;
    wire::Guid guid;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fan-out setup: %s\n", what.c_str());
    std::exit(1);
}

FanOut& fanOut() {
    static FanOut* f = [] {
        auto* f = new FanOut;
        server::Organisation org;
        std::string error;
        if (!server::parseOrganisation(server::generateOrganisationJson(kMembers, 10), org, &error))
            fail(error);
        if (org.colleagues.size() < kMembers) fail("too few colleagues");
        server::DiscussionGroup g;
        g.guid.data1 = 0x7000F001;
        g.name = "fan-out";
        g.topic = "topic";
        for (size_t i = 0; i < kMembers; ++i)
            g.members.push_back(org.colleagues[i].id);
        g.creator = g.members.front();
        f->guid = g.guid;
        org.groups.assign(1, g);
        f->server = vantor::testing::startServer(std::move(org), f->dir.path(), &error);
        if (!f->server) fail(error);
        const std::string first = std::to_string(g.members.front());
        f->sender = std::make_unique<vantor::testing::TestClient>(f->dir.filePath(QStringLiteral("sender")),
                                                                  f->clock, f->server->port());
        f->sender->start("u" + first, "p" + first);
        QElapsedTimer t;
        t.start();
        while (!f->sender->messenger().SignedIn() && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!f->sender->core().groups().FindGroup(f->guid)) fail("the sender did not sign in with its group");
        std::vector<std::string> accounts, passwords;
        for (size_t i = 1; i < kMembers; ++i) {
            f->otherIds.push_back(g.members[i]);
            accounts.push_back("u" + std::to_string(g.members[i]));
            passwords.push_back("p" + std::to_string(g.members[i]));
        }
        f->others = std::make_unique<bench::LoadClients>(f->server->port(), accounts, passwords);
        if (f->others->signInAll(120).completed != accounts.size()) fail("not every member signed in");
        return f;
    }();
    return *f;
}

double threadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs `send` on this thread (the client's) while the members count what arrives on another;
// the event loop turns until every member has kMessages messages. The bytes are those the
// client's server socket reports written.
void deliver(benchmark::State& state, const std::function<void()>& send) {
    FanOut& f = fanOut();
    auto* socket = f.sender->messenger().connection().findChild<QTcpSocket*>();
    if (!socket) {
        state.SkipWithError("no server socket");
        return;
    }
    for (auto _ : state) {
        std::atomic<bool> done{false};
        bench::LoadResult r;
        const std::vector<int> expected(f.otherIds.size(), kMessages);
        std::thread members([&] {
            r = f.others->exchangeChat(f.otherIds, f.otherIds, 0, expected, 60);
            done = true;
        });
        qint64 bytes = 0;
        const QMetaObject::Connection counting =
            QObject::connect(socket, &QTcpSocket::bytesWritten, [&bytes](qint64 n) { bytes += n; });
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = threadCpuSeconds();
        send();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        members.join();
        const double cpu = threadCpuSeconds() - cpu0;
        state.SetIterationTime(double(wall.nsecsElapsed()) / 1e9);
        QObject::disconnect(counting);
        if (r.completed != f.otherIds.size()) state.SkipWithError("not every member got every message");
        state.counters["messages"] = kMessages;
        state.counters["delivered"] = double(r.frames);
        state.counters["client_cpu_ms"] = cpu * 1e3;
        state.counters["client_bytes_sent"] = double(bytes);
        state.counters["bytes_received_all"] = double(r.bytes);
    }
}

// Each message once to the server with the group's key (the chat core's own path: shown,
// stored, sent); the server hands it to every member.
void BM_GroupMessageTo199Members(benchmark::State& state) {
    FanOut& f = fanOut();
    conversation::Conversation* c = f.sender->core().groups().OpenGroup(f.guid);
    if (!c) {
        state.SkipWithError("no group window");
        return;
    }
    deliver(state, [&] {
        for (int k = 0; k < kMessages; ++k)
            f.sender->core().chat().send(*c, "group message " + std::to_string(k),
                                         conversation::ChatFont{"SimSun", 0, 9});
    });
}
BENCHMARK(BM_GroupMessageTo199Members)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Baseline: the same messages as 199 one-to-one messages each, relayed through the server (the
// frames a client writes when it relays; the text is as long as the group message's).
void BM_Baseline_OneToOneMessagesTo199(benchmark::State& state) {
    FanOut& f = fanOut();
    const uint32_t own = f.sender->messenger().OwnUser->userId;
    deliver(state, [&] {
        for (int k = 0; k < kMessages; ++k)
            for (uint32_t id : f.otherIds) {
                protocol::ChatMessage m;
                m.senderId = own;
                m.recipientId = id;
                m.sendTick = uint32_t(k + 1);
                m.key.userA = own;
                m.key.userB = id;
                m.text = std::string(16, 'x');
                f.sender->core().sendToServer(
                    protocol::Message{uint8_t(protocol::Cmd::ChatMessage), m.encodeBody()});
            }
    });
}
BENCHMARK(BM_Baseline_OneToOneMessagesTo199)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    world();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
