// Load benchmark of the organisation's server: many clients of a large organisation sign in at
// once over loopback and then chat; the baseline is a raw loopback TCP transfer of the same bytes
// over the same number of connections, in the same run.
//
// VANTOR_BENCH_USERS (default 100000), VANTOR_BENCH_DEPARTMENTS (default users / 20),
// VANTOR_BENCH_CLIENTS (default 1000) and VANTOR_BENCH_CHATS (messages per client, default 100)
// size the run.
#include "load_clients.h"

#include "server/org_file.h"
#include "server/store.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace vantor;

size_t envSize(const char* name, size_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? size_t(std::strtoull(v, nullptr, 10)) : fallback;
}

std::string slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The port from the server's "listening on <address>:<port>" log line, or 0 before it is there.
int listeningPort(const std::string& log) {
    const std::string_view marker = "listening on ";
    for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
        size_t i = at + marker.size();
        while (i < log.size() && (std::isdigit(uint8_t(log[i])) || log[i] == '.'))
            ++i;
        if (i == at + marker.size() || i >= log.size() || log[i] != ':') continue;
        int port = 0;
        size_t digits = 0;
        for (++i; i < log.size() && std::isdigit(uint8_t(log[i])) && digits < 5; ++i, ++digits)
            port = port * 10 + (log[i] - '0');
        if (digits > 0 && port > 0 && port < 65536) return port;
    }
    return 0;
}

// The server program on a prepared store, with its log in a file.
struct ServerProcess {
    pid_t pid = -1;
    uint16_t port = 0;

    bool start(const std::string& db, const std::string& logPath) {
        pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            // VANTOR_BENCH_SERVER_PREFIX runs the server under a profiler ("heaptrack -o /tmp/s", "perf
            // record").
            const char* prefix = std::getenv("VANTOR_BENCH_SERVER_PREFIX");
            if (prefix && *prefix) {
                const std::string command = std::string(prefix) + " " VANTOR_BIN_DIR "/vantor-server --db '" +
                                            db + "' --port 0 --file-port 0 --log-level info";
                ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
            }
            ::execl(VANTOR_BIN_DIR "/vantor-server", "vantor-server", "--db", db.c_str(), "--port", "0",
                    "--file-port", "0", "--log-level", "info", nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 600; ++i) {
            if (const int p = listeningPort(slurp(logPath)); p > 0) {
                port = uint16_t(p);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Peak resident memory of the server so far, in MiB.
    double peakMiB() const {
        std::ifstream f("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(f, line))
            if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }
    // Resident memory of the server now, in MiB.
    double rssMiB() const {
        std::ifstream f("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(f, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }
    // CPU time the server has used so far, in seconds.
    double cpuSeconds() const {
        std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        std::istringstream rest(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i)
            if (i == 14 || i == 15) ticks += std::stod(field);
        return ticks / double(::sysconf(_SC_CLK_TCK));
    }
    void stop() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
};

struct Setup {
    size_t users, departments, clients, chats;
    std::string dir;
    ServerProcess server;
    double importSeconds = 0;
    uint64_t bytesPerSignIn = 0; // measured by the server benchmark, replayed by the baseline

    Setup() {
        users = envSize("VANTOR_BENCH_USERS", 100000);
        departments = envSize("VANTOR_BENCH_DEPARTMENTS", std::max<size_t>(1, users / 20));
        clients = std::min(envSize("VANTOR_BENCH_CLIENTS", 1000), users);
        chats = envSize("VANTOR_BENCH_CHATS", 100);
        char tmpl[] = "/tmp/vantor-bench-XXXXXX";
        dir = ::mkdtemp(tmpl);
        // Room for a socket per client on both sides.
        rlimit rl{};
        ::getrlimit(RLIMIT_NOFILE, &rl);
        rl.rlim_cur = rl.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &rl);

        const auto t0 = std::chrono::steady_clock::now();
        server::Organisation org;
        std::string error;
        auto store = server::Store::open(dir + "/org.db", &error);
        if (!store ||
            !server::parseOrganisation(server::generateOrganisationJson(users, departments), org, &error) ||
            !store->importOrganisation(org, &error)) {
            std::fprintf(stderr, "bench setup failed: %s\n", error.c_str());
            std::exit(1);
        }
        store.reset();
        importSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!server.start(dir + "/org.db", dir + "/server.log")) {
            std::fprintf(stderr, "the server did not start:\n%s\n", slurp(dir + "/server.log").c_str());
            std::exit(1);
        }
    }
    std::string logTail(size_t lines) const {
        const std::string log = slurp(dir + "/server.log");
        size_t at = log.size();
        for (size_t n = 0; n <= lines && at > 0; ++n)
            at = log.rfind('\n', at - 1);
        return at == std::string::npos ? log : log.substr(at);
    }
    ~Setup() {
        server.stop();
        std::system(("rm -rf " + dir).c_str());
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Honest clients u100000 … in turn; hostile ones, when asked for, take the ids after them.
struct Honest {
    std::vector<std::string> accounts, passwords;
    std::vector<uint32_t> ids, next;
    explicit Honest(size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const uint32_t id = uint32_t(100000 + i);
            ids.push_back(id);
            accounts.push_back("u" + std::to_string(id));
            passwords.push_back("p" + std::to_string(id));
        }
        for (size_t i = 0; i < n; ++i)
            next.push_back(ids[(i + 1) % n]);
    }
};

constexpr int kHeartbeatRounds = 20;

// Signs the honest clients in, lets each send heartbeats in turn and, when asked, chat; the same
// steps with and without hostile connections alongside.
void signInRun(benchmark::State& state, Setup& s, bool chat) {
    Honest h(s.clients);
    bench::LoadClients clients(s.server.port, h.accounts, h.passwords);
    const double cpu0 = s.server.cpuSeconds();
    const bench::LoadResult in = clients.signInAll(600);
    const double cpu1 = s.server.cpuSeconds();
    if (in.completed != s.clients) {
        state.SkipWithError("not every client signed in");
        return;
    }
    const bench::LoadResult beats = clients.heartbeats(kHeartbeatRounds, 600);
    if (beats.completed != s.clients) {
        std::fprintf(stderr, "%zu of %zu clients lost their connection; the server's log ends:\n%s\n",
                     beats.failed, s.clients, s.logTail(40).c_str());
        state.SkipWithError("a heartbeat went unanswered");
    }
    double chatSeconds = 0;
    if (chat) {
        const bench::LoadResult c =
            clients.exchangeChat(h.ids, h.next, int(s.chats), std::vector<int>(s.clients, int(s.chats)), 600);
        if (c.completed != s.clients) state.SkipWithError("not every chat message arrived");
        state.counters["server_cpu_s_chat"] = s.server.cpuSeconds() - cpu1;
        state.counters["relayed_per_s"] = double(c.frames) / c.seconds;
        chatSeconds = c.seconds;
    }
    state.counters["server_cpu_s_signin"] = cpu1 - cpu0;
    s.bytesPerSignIn = in.bytes / std::max<size_t>(1, in.completed);
    state.SetIterationTime(in.seconds + chatSeconds);
    state.counters["users"] = double(s.users);
    state.counters["clients"] = double(s.clients);
    state.counters["signin_s"] = in.seconds;
    state.counters["signins_per_s"] = double(in.completed) / in.seconds;
    state.counters["signin_MB_per_s"] = double(in.bytes) / in.seconds / 1e6;
    state.counters["MB_per_signin"] = double(s.bytesPerSignIn) / 1e6;
    state.counters["longest_heartbeat_ms"] = beats.longestRoundTripMs;
    state.counters["server_peak_MiB"] = s.server.peakMiB();
    state.counters["server_rss_MiB"] = s.server.rssMiB();
    state.counters["import_s"] = s.importSeconds;
}

void BM_ServerSignInAndChat(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state)
        signInRun(state, s, true);
}

// The same sign-ins with a tenth as many hostile connections again: 40 % of them idle sockets that
// never sign in, 30 % guessing wrong passwords on the honest accounts, 30 % signed-in colleagues
// flooding status changes without reading.
void BM_ServerSignInUnderHostileLoad(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        const size_t hostile = std::max<size_t>(10, s.clients / 10);
        bench::HostileLoad::Plan plan;
        // VANTOR_BENCH_HOSTILE picks the kinds (default "idle,guess,flood").
        const char* kinds = std::getenv("VANTOR_BENCH_HOSTILE");
        const std::string k = kinds ? kinds : "idle,guess,flood";
        const size_t idle = hostile * 4 / 10, guessers = hostile * 3 / 10,
                     flooders = hostile - idle - guessers;
        plan.idle = k.find("idle") != std::string::npos ? idle : 0;
        plan.guessers = k.find("guess") != std::string::npos ? guessers : 0;
        const size_t floods = k.find("flood") != std::string::npos ? flooders : 0;
        for (size_t i = 0; i < floods && s.clients + i < s.users; ++i) {
            const uint32_t id = uint32_t(100000 + s.clients + i);
            plan.flooders.emplace_back(id, "u" + std::to_string(id));
        }
        plan.guessedAccounts = Honest(s.clients).accounts;
        bench::HostileLoad load(s.server.port, plan);
        load.start();
        std::this_thread::sleep_for(std::chrono::seconds(2)); // the flood is under way
        signInRun(state, s, false);
        const bench::HostileLoad::Counts c = load.stop();
        state.counters["hostile"] = double(hostile);
        state.counters["idle_connects"] = double(c.idleConnects);
        state.counters["wrong_passwords"] = double(c.guesses);
        state.counters["flood_MB"] = double(c.statusBytes) / 1e6;
        state.counters["flooder_signins"] = double(c.flooderSignIns);
    }
}

void BM_RawLoopbackBaseline(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        const bench::LoadResult r = bench::rawLoopbackTransfer(s.clients, s.bytesPerSignIn, 600);
        if (r.completed != s.clients) state.SkipWithError("the raw transfer did not finish");
        state.SetIterationTime(r.seconds);
        state.counters["connections"] = double(s.clients);
        state.counters["MB_per_s"] = double(r.bytes) / r.seconds / 1e6;
        state.counters["transfers_per_s"] = double(r.completed) / r.seconds;
    }
}

BENCHMARK(BM_ServerSignInAndChat)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_RawLoopbackBaseline)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ServerSignInUnderHostileLoad)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
