// Searching the message store: one conversation of 1 000 000 records (and all conversations, the
// same one plus a small one), against reading the same records without deciphering or matching,
// and reading with deciphering but no matching, all in the same run on the same file.
//
// Arguments after the Google Benchmark flags: none. VANTOR_BENCH_DIR sets the folder for the
// store (default: the system's temporary folder); it is built at start and removed at exit.
#include "crypto/cipher.h"
#include "history/compound_file.h"
#include "history/history_search.h"
#include "history/message_store.h"
#include "protocol/text.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace vantor::history;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;
constexpr int kBig = 1'000'000;
constexpr int kSmall = 1'000;
constexpr int32_t kBigPartner = 205;
constexpr int32_t kSmallPartner = 206;
constexpr int kDistinctTexts = 997; // texts cycle through this many; one of them holds the word

std::vector<std::string> cipherTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < kDistinctTexts; ++i) {
        std::string plain =
            vantor::protocol::toGbk("好的，我下午把材料发给你 第") + std::to_string(i) + " /~wx";
        if (i == 500) plain += vantor::protocol::toGbk(" 季度预算");
        texts.push_back(vantor::crypto::DesEncryptText(plain));
    }
    return texts;
}

std::string recordFor(int32_t partner, int i, const std::string& cipher) {
    std::string r(88 + cipher.size(), '\0');
    int32_t receiver = i % 2 ? kOwn : partner, sender = i % 2 ? partner : kOwn;
    auto length = uint32_t(cipher.size());
    std::memcpy(&r[0], &receiver, 4);
    std::memcpy(&r[4], &sender, 4);
    std::memcpy(&r[8], &length, 4);
    std::memcpy(&r[88], cipher.data(), cipher.size());
    return r;
}

struct Store {
    fs::path dir;
    StoreLocation location;

    Store() {
        const char* base = std::getenv("VANTOR_BENCH_DIR");
        dir = fs::path(base ? base : fs::temp_directory_path().c_str()) /
              ("vantor-search-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "History");
        location = {dir / "History", kOwn, false};
        using namespace vantor::history::cfb;
        const auto texts = cipherTexts();
        CompoundFile::create(location.historyFolder / kStoreFileName, {.durable = false});
        auto f = CompoundFile::open(location.historyFolder / kStoreFileName, CompoundFile::Access::Write,
                                    {.durable = false});
        EntryId storage = f.createStorage(kRootEntry, u"1234Data");
        for (auto [partner, count] : {std::pair{kBigPartner, kBig}, std::pair{kSmallPartner, kSmall}}) {
            const std::string key = std::to_string(partner);
            EntryId data = f.createStream(storage, asciiName(key + "d"));
            EntryId index = f.createStream(storage, asciiName(key + "i"));
            uint64_t offset = 0;
            for (int i = 0; i < count;) {
                std::string records, entries;
                for (int end = std::min(count, i + 1000); i < end; ++i) {
                    const std::string& cipher = texts[size_t(i % kDistinctTexts)];
                    std::string r = recordFor(partner, i, cipher), e(12, '\0');
                    put64(reinterpret_cast<uint8_t*>(e.data()), offset);
                    put32(reinterpret_cast<uint8_t*>(e.data()) + 8, uint32_t(cipher.size()));
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
    ~Store() { fs::remove_all(dir); }
};

Store& store() {
    static Store s;
    return s;
}

const std::string& needle() {
    static const std::string n = vantor::protocol::toGbk("季度预算");
    return n;
}

// Baseline: every record read, nothing deciphered or matched.
void Read_Baseline(benchmark::State& state) {
    for (auto _ : state) {
        uint64_t bytes = 0;
        const SearchStats s = ReadAllRecords(store().location, std::to_string(kBigPartner),
                                             [&](const HistoryRecord& r) { bytes += r.text.size(); });
        if (s.records != uint64_t(kBig)) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kBig);
}

// Reading and deciphering, no matching: how much of a search the cipher takes.
void ReadDecipher(benchmark::State& state) {
    for (auto _ : state) {
        uint64_t bytes = 0;
        ReadAllRecords(store().location, std::to_string(kBigPartner), [&](const HistoryRecord& r) {
            bytes += vantor::crypto::DesDecryptText(r.text).size();
        });
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kBig);
}

void Search_OneConversation(benchmark::State& state) {
    for (auto _ : state) {
        uint64_t hits = 0;
        SearchHistory(store().location, std::to_string(kBigPartner), needle(), [&](const SearchHit&) {
            ++hits;
            return true;
        });
        if (hits != uint64_t(kBig / kDistinctTexts + 1) && hits != uint64_t(kBig / kDistinctTexts))
            state.SkipWithError("unexpected hit count");
    }
    state.SetItemsProcessed(state.iterations() * kBig);
}

void Search_AllConversations(benchmark::State& state) {
    for (auto _ : state) {
        uint64_t hits = 0;
        SearchHistory(store().location, std::nullopt, needle(), [&](const SearchHit&) {
            ++hits;
            return true;
        });
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * (kBig + kSmall));
}

// As the viewer runs it: steps of 10 000 index entries, the store opened and closed for each.
void Search_Stepped(benchmark::State& state) {
    for (auto _ : state) {
        uint64_t hits = 0;
        HistorySearcher searcher(store().location, std::to_string(kBigPartner), needle());
        while (searcher.step(10000, [&](const SearchHit&) {
            ++hits;
            return true;
        })) {
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * kBig);
}

BENCHMARK(Read_Baseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReadDecipher)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Search_OneConversation)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Search_AllConversations)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Search_Stepped)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
