// The directory of a 100 000-colleague organisation: the sign-in load from the wire to the
// complete tree model, a storm of status changes, quick search per keystroke, and the colleague
// picker's tree with everyone ticked at once. Each against a
// baseline measured in the same run: copying the same bytes, and a byte scan of the same names.
#include "directory/core.h"
#include "groups/user_picker.h"
#include "protocol/frame.h"
#include "protocol/records.h"
#include "protocol/text.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <time.h>
#include <vector>

using namespace vantor;
using namespace vantor::directory;
using protocol::Cmd;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kUsers = 100000;
constexpr int kDepartments = 5000;
constexpr size_t kReadSize = 64 * 1024; // what one socket read hands the UI thread

struct NullServer : IServerSender {
    bool sendToServer(const protocol::Message&) override { return true; }
};
struct NullView : IDirectoryView {
    void showBalloon(const std::string&, const std::string&, int, BalloonIcon) override {}
    void showMessage(const std::string&, const std::string&, MessageIcon) override {}
    void ask(const std::string&, const std::string&, Question, Answer answered) override { answered(true); }
    void askText(const std::string&, TextAnswer answered) override { answered(std::nullopt); }
    void showOwnState(const OwnStateDisplay&) override {}
    void showWorkState(const std::string&) override {}
    void showView(int) override {}
    void storeViewSetting(ViewSetting, const std::string&) override {}
};
struct NullHost : IDirectoryHost {
    void restartSignInWatchdog() override {}
    void deliverHeldMessage(const protocol::ChatMessage&) override {}
    void userRecordArrived(uint32_t) override {}
    void userChanged(uint32_t, bool) override {}
};
struct NullPeers : IPeerSessions {
    void endSessionsWith(uint32_t) override {}
};

struct World {
    NullServer server;
    NullView view;
    NullHost host;
    NullPeers peers;
    NullIdleSource idle;
    SteadyClock clock;
    DirectoryCore core;
    explicit World(const DirectorySettings& s) : core(server, view, host, peers, idle, clock, s) {}
};

void frame(std::string& out, const protocol::Message& m) {
    out += std::string(protocol::kFrameHeaderSize, '\0');
    out += char(m.code);
    out += m.body;
}

std::vector<std::string> gbkChars(const char* utf8) {
    const std::string all = protocol::toGbk(utf8);
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < all.size(); i += 2)
        out.push_back(all.substr(i, 2));
    return out;
}

std::vector<std::string> names(int n) {
    const auto surnames = gbkChars("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁"
                                   "潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦"
                                   "邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    const auto given = gbkChars("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华玉萍红娥玲芬燕彬鹏辉斌波宇浩"
                                "凯健俊帆帅旭宁龙林欣佳琪晨雪梅琳");
    std::mt19937 random(42);
    std::vector<std::string> out;
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        std::string s = surnames[random() % surnames.size()] + given[random() % given.size()];
        if (random() % 2) s += given[random() % given.size()];
        out.push_back(s);
    }
    return out;
}

// Departments first (a tree five levels deep), then the colleagues, as the server sends them.
const std::string& signInStream() {
    static const std::string stream = [] {
        std::string s;
        std::mt19937 random(1);
        for (int d = 1; d <= kDepartments; ++d) {
            protocol::DepartmentItem item;
            item.position = uint32_t(d - 1);
            item.department.departmentId = uint32_t(d);
            item.department.parentId = d <= 20 ? 0 : uint32_t(1 + random() % uint32_t(d - 1));
            item.department.name = protocol::toGbk("部门") + std::to_string(d);
            frame(s, protocol::makeMessage(Cmd::DepartmentItem, item));
        }
        const auto n = names(kUsers);
        for (int i = 0; i < kUsers; ++i) {
            protocol::UserItem item;
            item.position = uint32_t(i);
            item.loadCount = kUsers;
            item.user.userId = uint32_t(1000 + i);
            item.user.departmentId = uint32_t(1 + random() % kDepartments);
            item.user.name = n[size_t(i)];
            item.user.status = random() % 10 < 3 ? uint8_t(random() % 8) : uint8_t(8);
            item.user.headPicture = std::to_string(random() % 100);
            item.user.isOwn = i == 0;
            if (i % 4 == 0) item.user.signature = protocol::toGbk("今天的工作今天做完");
            frame(s, {uint8_t(Cmd::UserItem), item.encodeBody()});
        }
        return s;
    }();
    return stream;
}

// CPU time of this thread: a read's own work, without the time other programs on the machine
// took the processor away (a system call, so it is taken per read, not per handler).
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Slices {
    double longestHandlerMs = 0; // wall time of one handler
    double longestReadMs = 0;    // wall time of the handlers of one read
    double longestReadCpuMs = 0; // CPU time of the same
    void merge(const Slices& o) {
        longestHandlerMs = std::max(longestHandlerMs, o.longestHandlerMs);
        longestReadMs = std::max(longestReadMs, o.longestReadMs);
        longestReadCpuMs = std::max(longestReadCpuMs, o.longestReadCpuMs);
    }
};

// Feeds a stream read by read, as the socket hands it over, timing every handler and every read.
Slices feed(World& w, const std::string& stream, bool greeting = false) {
    protocol::ClientStreamReader reader(greeting);
    protocol::Message m;
    Slices s;
    for (size_t at = 0; at < stream.size(); at += kReadSize) {
        const auto readStart = Clock::now();
        const double readCpu = threadCpuMs();
        reader.feed(std::string_view(stream).substr(at, kReadSize));
        while (reader.next(m) == protocol::ClientStreamReader::Result::Message) {
            const auto t = Clock::now();
            w.core.handle(m);
            s.longestHandlerMs = std::max(
                s.longestHandlerMs, std::chrono::duration<double, std::milli>(Clock::now() - t).count());
        }
        s.longestReadCpuMs = std::max(s.longestReadCpuMs, threadCpuMs() - readCpu);
        s.longestReadMs = std::max(
            s.longestReadMs, std::chrono::duration<double, std::milli>(Clock::now() - readStart).count());
    }
    return s;
}

// Range 0: by department, 1: by presence, 2: by department with a receiver on every model signal
// (as when a view is attached).
DirectorySettings settingsFor(int64_t arg) {
    DirectorySettings s;
    s.treeGrouping = arg == 1 ? Grouping::ByPresence : Grouping::ByDepartment;
    return s;
}

void attachIfAsked(World& w, int64_t arg, size_t& received) {
    if (arg != 2) return;
    for (QAbstractItemModel* m :
         std::initializer_list<QAbstractItemModel*>{&w.core.tree(), &w.core.frequent()}) {
        QObject::connect(m, &QAbstractItemModel::dataChanged, [&received] { ++received; });
        QObject::connect(m, &QAbstractItemModel::rowsInserted, [&received] { ++received; });
        QObject::connect(m, &QAbstractItemModel::rowsRemoved, [&received] { ++received; });
        QObject::connect(m, &QAbstractItemModel::rowsMoved, [&received] { ++received; });
    }
}

size_t heapInUse() {
    return mallinfo2().uordblks;
}

void BM_Baseline_CopySignInBytes(benchmark::State& state) {
    const std::string& src = signInStream();
    std::vector<char> dst(src.size());
    for (auto _ : state) {
        for (size_t at = 0; at < src.size(); at += kReadSize)
            std::memcpy(dst.data() + at, src.data() + at, std::min(kReadSize, src.size() - at));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
    state.counters["stream_MB"] = double(src.size()) / 1e6;
}
BENCHMARK(BM_Baseline_CopySignInBytes)->Unit(benchmark::kMillisecond);

// From the first directory item to the complete tree model.
void BM_SignInLoad(benchmark::State& state) {
    const std::string& src = signInStream();
    Slices worst;
    double heapMB = 0;
    size_t received = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto w = std::make_unique<World>(settingsFor(state.range(0)));
        attachIfAsked(*w, state.range(0), received);
        worst.merge(feed(*w, src));
        heapMB = double(heapInUse() - before) / 1e6;
        benchmark::DoNotOptimize(w->core.tree().rowCount());
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size()));
    state.counters["handler_max_ms"] = worst.longestHandlerMs;
    state.counters["read_max_ms"] = worst.longestReadMs;
    state.counters["read_max_cpu_ms"] = worst.longestReadCpuMs;
    state.counters["heap_MB"] = heapMB;
}
BENCHMARK(BM_SignInLoad)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

// Switching the grouping builds the whole tree again (a user's menu choice, not a handler).
void BM_RebuildTree(benchmark::State& state) {
    World w{DirectorySettings{}};
    feed(w, signInStream());
    Grouping g = Grouping::ByDepartment;
    for (auto _ : state) {
        g = g == Grouping::ByDepartment ? Grouping::ByPresence : Grouping::ByDepartment;
        w.core.tree().setGrouping(g);
    }
}
BENCHMARK(BM_RebuildTree)->Unit(benchmark::kMillisecond)->Iterations(6);

// The colleague picker over the whole organisation: its tree built from the directory, then every
// root ticked (everyone chosen) and the chosen list read back, as one click on the roots does.
void BM_PickerTickEveryone(benchmark::State& state) {
    World w{DirectorySettings{}};
    feed(w, signInStream());
    for (auto _ : state) {
        const auto t0 = Clock::now();
        groups::PickerTree t = groups::PickerTree::byDepartment(w.core.directory());
        const auto t1 = Clock::now();
        for (size_t i = 0; i < t.size(); ++i)
            if (t.parent(int(i)) < 0) t.toggle(int(i));
        const size_t chosen = t.chosenCount();
        const auto t2 = Clock::now();
        state.counters["build_ms"] = std::chrono::duration<double, std::milli>(t1 - t0).count();
        state.counters["tick_and_list_ms"] = std::chrono::duration<double, std::milli>(t2 - t1).count();
        state.counters["chosen"] = double(chosen);
        state.counters["nodes"] = double(t.size());
    }
}
BENCHMARK(BM_PickerTickEveryone)->Unit(benchmark::kMillisecond)->Iterations(3);

// 10 000 status changes back to back.
void BM_PresenceStorm(benchmark::State& state) {
    World w(settingsFor(state.range(0)));
    size_t received = 0;
    attachIfAsked(w, state.range(0), received);
    feed(w, signInStream());
    std::mt19937 random(9);
    std::string storm;
    for (int i = 0; i < 10000; ++i) {
        protocol::StatusRecord r;
        r.userId = uint32_t(1000 + random() % kUsers);
        r.status = uint8_t(random() % 11);
        frame(storm, {uint8_t(Cmd::Status), r.encodeBody()});
    }
    Slices worst;
    for (auto _ : state) {
        worst.merge(feed(w, storm));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
    state.counters["change_max_ms"] = worst.longestHandlerMs;
    state.counters["read_max_ms"] = worst.longestReadMs;
    state.counters["read_max_cpu_ms"] = worst.longestReadCpuMs;
}
BENCHMARK(BM_PresenceStorm)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

const char* const kKeystrokes[] = {"Z", "ZS", "Z?W", "王", "王伟", "LIN", "wangw"};

// Baseline: a byte search of the same text in the same names.
void BM_Baseline_ByteScan(benchmark::State& state) {
    const auto n = names(kUsers);
    const std::string text = protocol::toGbk(kKeystrokes[state.range(0)]);
    for (auto _ : state) {
        size_t hits = 0;
        for (const auto& s : n)
            hits += s.find(text) != std::string::npos;
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel(kKeystrokes[state.range(0)]);
}
BENCHMARK(BM_Baseline_ByteScan)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_QuickSearch(benchmark::State& state) {
    World w{DirectorySettings{}};
    feed(w, signInStream());
    const SearchSnapshot snapshot = w.core.directory().searchSnapshot();
    const QString text = QString::fromUtf8(kKeystrokes[state.range(0)]);
    size_t hits = 0;
    for (auto _ : state) {
        const auto ids = search(snapshot, text);
        hits = ids.size();
        benchmark::DoNotOptimize(ids.data());
    }
    state.SetLabel(kKeystrokes[state.range(0)]);
    state.counters["hits"] = double(hits);
}
BENCHMARK(BM_QuickSearch)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// Opening the drop-down copies the names once.
void BM_SearchSnapshot(benchmark::State& state) {
    World w{DirectorySettings{}};
    feed(w, signInStream());
    for (auto _ : state) {
        state.PauseTiming();
        // A rename invalidates the shared copy, as a change of Users does.
        protocol::UserRenamed r{1000, protocol::toGbk("改名")};
        w.core.directory().OnUserRenamed(r);
        state.ResumeTiming();
        benchmark::DoNotOptimize(w.core.directory().searchSnapshot().get());
    }
}
BENCHMARK(BM_SearchSnapshot)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
