// The message store against SQLite, both on the same disk in the same run: storing one record
// (open, append, close) and reading one page of 100, on a conversation of 1 000 000 records and
// on one of 1 000 records in the same file. SQLite holds one row per record with an index on
// (partner, sequence) and does the same work per call: open, find the next sequence, insert,
// close; open, count, select the page, close. Our reads are measured warm (what earlier opens
// of the process learned about the chains is reused) and cold (nothing learned). A burst through
// the writer thread shows the group commit.
//
// Arguments after the Google Benchmark flags: none. VANTOR_BENCH_DIR sets the folder for the two
// stores (default: the system's temporary folder); they are built at start and removed at exit.
#include "history/compound_file.h"
#include "history/message_store.h"
#include "history/store_writer.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>
#include <unistd.h>

namespace {

using namespace vantor::history;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;
constexpr int kBig = 1'000'000;
constexpr int kSmall = 1'000;
constexpr int32_t kBigPartner = 205;
constexpr int32_t kSmallPartner = 206;
constexpr size_t kTextLength = 48; // a short chat line, enciphered (whole 8-byte blocks)

std::string recordFor(int32_t partner, int i) {
    std::string r(88 + kTextLength, '\0');
    int32_t receiver = i % 2 ? kOwn : partner, sender = i % 2 ? partner : kOwn, length = kTextLength;
    std::memcpy(&r[0], &receiver, 4);
    std::memcpy(&r[4], &sender, 4);
    std::memcpy(&r[8], &length, 4);
    for (size_t j = 88; j < r.size(); ++j)
        r[j] = char(i * 31 + int(j));
    return r;
}

void check(int rc, sqlite3* db, int expected = SQLITE_OK) {
    if (rc != expected) throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db));
}

struct Stores {
    fs::path dir;
    StoreLocation store;
    fs::path sqlitePath;

    Stores() {
        const char* base = std::getenv("VANTOR_BENCH_DIR");
        dir = fs::path(base ? base : fs::temp_directory_path().c_str()) /
              ("vantor-store-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "History");
        store = {dir / "History", kOwn, true};
        sqlitePath = dir / "history.sqlite";
        buildOurs();
        buildSqlite();
    }
    ~Stores() { fs::remove_all(dir); }

    // Appends whole batches in one session (the same layout as record-by-record calls, with
    // the data and index streams growing in turn).
    void buildOurs() {
        using namespace vantor::history::cfb;
        CompoundFile::create(store.historyFolder / kStoreFileName, {.durable = false});
        auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Write,
                                    {.durable = false});
        EntryId storage = f.createStorage(kRootEntry, u"1234Data");
        for (auto [partner, count] : {std::pair{kBigPartner, kBig}, std::pair{kSmallPartner, kSmall}}) {
            std::string key = std::to_string(partner);
            EntryId data = f.createStream(storage, asciiName(key + "d"));
            EntryId index = f.createStream(storage, asciiName(key + "i"));
            uint64_t offset = 0;
            for (int i = 0; i < count;) {
                std::string records, entries;
                for (int end = std::min(count, i + 100); i < end; ++i) {
                    std::string r = recordFor(partner, i), e(12, '\0');
                    put64(reinterpret_cast<uint8_t*>(e.data()), offset);
                    put32(reinterpret_cast<uint8_t*>(e.data()) + 8, kTextLength);
                    offset += r.size();
                    records += r;
                    entries += e;
                }
                f.append(data, std::span(reinterpret_cast<const uint8_t*>(records.data()), records.size()));
                f.append(index, std::span(reinterpret_cast<const uint8_t*>(entries.data()), entries.size()));
            }
        }
        f.commit();
    }

    void buildSqlite() {
        sqlite3* db = nullptr;
        check(sqlite3_open(sqlitePath.c_str(), &db), db);
        check(sqlite3_exec(
                  db,
                  "CREATE TABLE messages(id INTEGER PRIMARY KEY, partner TEXT NOT NULL, seq INTEGER NOT NULL,"
                  " head BLOB NOT NULL, body BLOB NOT NULL);"
                  "CREATE INDEX messages_partner_seq ON messages(partner, seq);"
                  "BEGIN;",
                  nullptr, nullptr, nullptr),
              db);
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO messages(partner, seq, head, body) VALUES(?,?,?,?)", -1,
                                 &insert, nullptr),
              db);
        for (auto [partner, count] : {std::pair{kBigPartner, kBig}, std::pair{kSmallPartner, kSmall}}) {
            std::string key = std::to_string(partner);
            for (int i = 0; i < count; ++i) {
                std::string r = recordFor(partner, i);
                sqlite3_bind_text(insert, 1, key.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int64(insert, 2, i);
                sqlite3_bind_blob(insert, 3, r.data(), 88, SQLITE_TRANSIENT);
                sqlite3_bind_blob(insert, 4, r.data() + 88, int(r.size() - 88), SQLITE_TRANSIENT);
                check(sqlite3_step(insert), db, SQLITE_DONE);
                sqlite3_reset(insert);
            }
        }
        sqlite3_finalize(insert);
        check(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    }
};

Stores& stores() {
    static Stores s;
    return s;
}

int32_t partnerOf(const benchmark::State& state) {
    return state.range(0) == kBig ? kBigPartner : kSmallPartner;
}

void StoreRecord_Ours(benchmark::State& state) {
    StoreLocation store = stores().store;
    store.durable = state.range(1) != 0;
    const int32_t partner = partnerOf(state);
    int i = 0;
    for (auto _ : state) {
        StoreStatus status = StoreMessageRecord(store, recordFor(partner, i++));
        if (!status.ok()) state.SkipWithError(status.reason.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}

void StoreRecord_Sqlite(benchmark::State& state) {
    const int32_t partner = partnerOf(state);
    const std::string key = std::to_string(partner);
    const char* pragma = state.range(1) ? "PRAGMA synchronous=FULL;" : "PRAGMA synchronous=OFF;";
    int i = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(stores().sqlitePath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
        check(sqlite3_exec(db, pragma, nullptr, nullptr, nullptr), db);
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(
                  db,
                  "INSERT INTO messages(partner, seq, head, body) VALUES(?1,"
                  " (SELECT coalesce(max(seq) + 1, 0) FROM messages WHERE partner = ?1), ?2, ?3)",
                  -1, &insert, nullptr),
              db);
        std::string r = recordFor(partner, i++);
        sqlite3_bind_text(insert, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 2, r.data(), 88, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 3, r.data() + 88, int(r.size() - 88), SQLITE_TRANSIENT);
        check(sqlite3_step(insert), db, SQLITE_DONE);
        sqlite3_finalize(insert);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations());
}

void ReadPage_Ours(benchmark::State& state) {
    const std::string key = std::to_string(partnerOf(state));
    const int32_t page = int32_t(state.range(1)); // 0: the last page, as the viewer opens
    for (auto _ : state) {
        HistoryPage result = ReadHistoryPage(stores().store, key, page);
        if (result.records.size() != 100) state.SkipWithError("short page");
        benchmark::DoNotOptimize(result);
    }
}

// The same read with nothing learned by earlier opens (the first open of a process, or after
// another program wrote the file): every chain is walked.
void ReadPage_Ours_Cold(benchmark::State& state) {
    const std::string key = std::to_string(partnerOf(state));
    const int32_t page = int32_t(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        cfb::forgetChains(stores().store.historyFolder / kStoreFileName);
        state.ResumeTiming();
        HistoryPage result = ReadHistoryPage(stores().store, key, page);
        if (result.records.size() != 100) state.SkipWithError("short page");
        benchmark::DoNotOptimize(result);
    }
}

void ReadPage_Sqlite(benchmark::State& state) {
    const std::string key = std::to_string(partnerOf(state));
    for (auto _ : state) {
        sqlite3* db = nullptr;
        check(sqlite3_open_v2(stores().sqlitePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
        sqlite3_stmt* count = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT coalesce(max(seq) + 1, 0) FROM messages WHERE partner = ?", -1,
                                 &count, nullptr),
              db);
        sqlite3_bind_text(count, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(count), db, SQLITE_ROW);
        int64_t n = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        int64_t pages = (n + 99) / 100;
        int64_t page = state.range(1) ? state.range(1) : pages;
        sqlite3_stmt* select = nullptr;
        check(sqlite3_prepare_v2(
                  db,
                  "SELECT head, body FROM messages WHERE partner = ? AND seq >= ? AND seq < ? ORDER BY seq",
                  -1, &select, nullptr),
              db);
        sqlite3_bind_text(select, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(select, 2, (page - 1) * 100);
        sqlite3_bind_int64(select, 3, page * 100);
        std::vector<HistoryRecord> records;
        while (sqlite3_step(select) == SQLITE_ROW)
            records.push_back({std::string(static_cast<const char*>(sqlite3_column_blob(select, 0)), 88),
                               std::string(static_cast<const char*>(sqlite3_column_blob(select, 1)),
                                           size_t(sqlite3_column_bytes(select, 1)))});
        sqlite3_finalize(select);
        sqlite3_close(db);
        if (records.size() != 100) state.SkipWithError("short page");
        benchmark::DoNotOptimize(records);
    }
}

// A burst through the writer thread as the client stores: 10 000 records queued at once, durable,
// each batch under one open and one commit. Time: until the last one is on disk.
void StoreBurst_Writer(benchmark::State& state) {
    StoreLocation store = stores().store;
    store.durable = state.range(1) != 0;
    const int32_t partner = partnerOf(state);
    constexpr int kBurst = 10000;
    int i = 0;
    uint64_t batches = 0, failed = 0;
    for (auto _ : state) {
        StoreWriter writer(store, [&](std::vector<StoreWriter::Result> results) {
            for (const auto& r : results)
                failed += !r.status.ok();
        });
        for (int k = 0; k < kBurst; ++k)
            writer.submit(recordFor(partner, i++));
        writer.drain();
        batches += writer.batches();
    }
    if (failed) state.SkipWithError("records failed");
    state.counters["batches_per_burst"] = double(batches) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * kBurst);
}

// Arguments: conversation size, then durable (1) or not (0) for stores, the page (0 = last) for reads.
void storeArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"records", "durable"})
        ->Args({kSmall, 0})
        ->Args({kBig, 0})
        ->Args({kSmall, 1})
        ->Args({kBig, 1});
    b->Unit(benchmark::kMicrosecond)->UseRealTime(); // disk-bound: wall time is what a user waits
}
void readArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"records", "page"})->Args({kSmall, 0})->Args({kBig, 0})->Args({kBig, 1});
    b->Unit(benchmark::kMicrosecond)->UseRealTime(); // disk-bound: wall time is what a user waits
}

// Reads first: the store benchmarks add records to the conversations.
BENCHMARK(ReadPage_Ours)->Apply(readArgs);
BENCHMARK(ReadPage_Ours_Cold)->Apply(readArgs);
BENCHMARK(ReadPage_Sqlite)->Apply(readArgs);
BENCHMARK(StoreRecord_Ours)->Apply(storeArgs);
BENCHMARK(StoreRecord_Sqlite)->Apply(storeArgs);
BENCHMARK(StoreBurst_Writer)
    ->ArgNames({"records", "durable"})
    ->Args({kSmall, 1})
    ->Args({kBig, 1})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    stores(); // built before any timing starts
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
