// The writer thread: records of several conversations come out in the order they were queued,
// several go under one commit, a bad record fails alone, a failing file fails every record of its
// batch, and readers of the same process wait for a batch instead of finding the file locked.
#include "history/message_store.h"
#include "history/store_writer.h"
#include "history_test_support.h"
#include "protocol/wire.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace vantor::history {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;

// Record k to colleague 200 + k % 3, its number in the text.
std::string recordOf(int k) {
    const std::string text = "record " + std::to_string(k);
    std::string r(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    wire::storeU32(p, uint32_t(200 + k % 3));
    wire::storeU32(p + 4, uint32_t(kOwn));
    wire::storeU32(p + 8, uint32_t(text.size()));
    return r + text;
}

struct Collected {
    std::mutex mutex;
    std::vector<StoreWriter::Result> results;
    StoreWriter::Done done() {
        return [this](std::vector<StoreWriter::Result> r) {
            std::lock_guard lock(mutex);
            results.insert(results.end(), r.begin(), r.end());
        };
    }
};

std::vector<std::string> textsOf(const StoreLocation& store, const std::string& key) {
    std::vector<std::string> texts;
    for (int32_t page = 1;; ++page) {
        HistoryPage p = ReadHistoryPage(store, key, page);
        if (!p.status.ok()) break;
        for (const auto& r : p.records)
            texts.push_back(r.text);
        if (page >= p.pageCount) break;
    }
    return texts;
}

TEST(StoreWriter, KeepsTheOrderOfEachConversationAndCommitsManyAtOnce) {
    TempDir dir;
    const StoreLocation store{dir / "History", kOwn, true};
    Collected collected;
    constexpr int kRecords = 3000;
    uint64_t batches = 0;
    {
        StoreWriter writer(store, collected.done());
        for (int k = 0; k < kRecords; ++k)
            EXPECT_EQ(writer.submit(recordOf(k)), uint64_t(k + 1));
        writer.drain();
        ASSERT_EQ(collected.results.size(), size_t(kRecords)) << "drain returns after the results";
        batches = writer.batches();
    }
    for (size_t i = 0; i < collected.results.size(); ++i) {
        EXPECT_EQ(collected.results[i].ticket, i + 1);
        EXPECT_TRUE(collected.results[i].status.ok()) << collected.results[i].status.reason;
    }
    // Durable stores flush twice per batch: thousands of records must not take thousands of them.
    EXPECT_LE(batches, uint64_t(kRecords / 10)) << "records were not grouped";
    for (int partner = 0; partner < 3; ++partner) {
        std::vector<std::string> want;
        for (int k = partner; k < kRecords; k += 3)
            want.push_back("record " + std::to_string(k));
        EXPECT_EQ(textsOf(store, std::to_string(200 + partner)), want) << "partner " << partner;
    }
}

TEST(StoreWriter, ABadRecordFailsAloneAndAFailingFileFailsItsBatch) {
    TempDir dir;
    const StoreLocation store{dir / "History", kOwn, false};
    {
        Collected collected;
        StoreWriter writer(store, collected.done());
        writer.submit(recordOf(0));
        writer.submit("too short");
        writer.submit(recordOf(3));
        writer.drain();
        ASSERT_EQ(collected.results.size(), 3u);
        EXPECT_TRUE(collected.results[0].status.ok());
        EXPECT_EQ(collected.results[1].status.error, StoreError::BadRecord);
        EXPECT_TRUE(collected.results[2].status.ok());
        EXPECT_EQ(textsOf(store, "200"), (std::vector<std::string>{"record 0", "record 3"}));
    }
    // A file that is not a store is left alone, and every record says so.
    const StoreLocation foreign{dir / "Foreign", kOwn, false};
    fs::create_directories(foreign.historyFolder);
    { std::ofstream(foreign.historyFolder / kStoreFileName) << "not a compound file"; }
    Collected collected;
    StoreWriter writer(foreign, collected.done());
    for (int k = 0; k < 5; ++k)
        writer.submit(recordOf(k));
    writer.drain();
    ASSERT_EQ(collected.results.size(), 5u);
    for (const auto& r : collected.results)
        EXPECT_EQ(r.status.error, StoreError::NotCompound) << r.ticket;
}

TEST(StoreWriter, ReadersOfTheSameProcessWaitForABatchInsteadOfFindingTheFileLocked) {
    TempDir dir;
    const StoreLocation store{dir / "History", kOwn, false};
    ASSERT_TRUE(StoreMessageRecord(store, recordOf(0)).ok());
    Collected collected;
    StoreWriter writer(store, collected.done());
    std::atomic<bool> writing{true};
    std::thread reader([&] {
        while (writing) {
            HistoryPage p = ReadHistoryPage(store, "200", 0);
            ASSERT_TRUE(p.status.ok()) << p.status.reason;
            ASSERT_TRUE(StoreMessageRecord(store, recordOf(3)).ok());
        }
    });
    for (int k = 1; k < 4000; ++k)
        writer.submit(recordOf(k % 3 == 0 ? 6 : k));
    writer.drain();
    writing = false;
    reader.join();
    for (const auto& r : collected.results)
        ASSERT_TRUE(r.status.ok()) << r.ticket << ": " << r.status.reason;
}

} // namespace
} // namespace vantor::history
