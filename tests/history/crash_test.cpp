// A writer killed at random moments: a child process stores records in a loop and reports each
// call that returned through a pipe; after every SIGKILL the store must open (in our engine and
// in olefile) and hold every reported record, byte for byte. The same with the writer thread: a
// record counts once its batch has been reported written.
#include "history/compound_file.h"
#include "history/message_store.h"
#include "history/store_writer.h"
#include "history_test_support.h"

#include "missing_tool.h"
#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vantor::history {
namespace {

using cfb::CompoundFile;
using test::TempDir;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;
const std::string kGroupKey = "A1A1A1A1A1A1A1A1A1A1A1A1A1A1A1";

// Record k: every third one goes to a group, the others to colleague 205; lengths vary so that
// the streams cross the mini-stream cutoff and FAT growth at unaligned places.
std::string recordOf(int k) {
    bool group = k % 3 == 0;
    std::string text(size_t(k * 37 % 301), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char(k * 7 + int(i));
    std::string r(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    cfb::put32(p, group ? 0 : 205);
    cfb::put32(p + 4, kOwn);
    cfb::put32(p + 8, uint32_t(text.size()));
    cfb::put32(p + 20, uint32_t(k));
    if (group) {
        std::memset(p + 58, 0xA1, 16);
        p[74] = 1;
    }
    return r + text;
}

struct Conversation {
    std::string data, index;
    void add(const std::string& r) {
        std::string entry(12, '\0');
        cfb::put64(reinterpret_cast<uint8_t*>(entry.data()), data.size());
        cfb::put32(reinterpret_cast<uint8_t*>(entry.data()) + 8, uint32_t(r.size() - 88));
        data += r;
        index += entry;
    }
};

std::string readStream(CompoundFile& f, cfb::EntryId storage, const std::string& name) {
    auto id = f.find(storage, cfb::asciiName(name));
    if (!id) return {};
    std::string out(size_t(f.streamSize(*id)), '\0');
    f.read(*id, 0, std::span(reinterpret_cast<uint8_t*>(out.data()), out.size()));
    return out;
}

TEST(CrashSafety, AKilledWriterLosesNothingThatWasStored) {
    TempDir dir;
    const fs::path snapshots = dir / "snapshots";
    fs::create_directories(snapshots);
    std::mt19937 rng(2024);
    std::vector<Conversation> expected(2); // [0] colleague 205, [1] the group
    int stored = 0;                        // records known to be in the store, in order
    std::vector<fs::path> copies;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    unsigned maxDelay = 20000; // microseconds; doubled while a slow build stores nothing in time
    for (int round = 0; round < 80 && std::chrono::steady_clock::now() < deadline; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        StoreLocation store{dir / "History", kOwn, round % 4 == 0};
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(reports[0]);
            for (int k = stored;; ++k) {
                if (!StoreMessageRecord(store, recordOf(k)).ok()) ::_exit(3);
                if (::write(reports[1], &k, sizeof k) != sizeof k) ::_exit(4);
            }
        }
        ::close(reports[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % maxDelay));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        int returned = stored, k = 0;
        while (::read(reports[0], &k, sizeof k) == sizeof k)
            returned = k + 1;
        ::close(reports[0]);
        maxDelay = returned == stored ? std::min(2 * maxDelay, 1000000u) : std::max(maxDelay / 2, 20000u);

        // Every returned record is there; the call that was cut short may or may not be.
        std::string data[2], index[2];
        if (fs::exists(store.historyFolder / kStoreFileName)) { // a kill before the first store leaves none
            auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Read,
                                        {.durable = false});
            if (auto storage = f.find(cfb::kRootEntry, u"1234Data")) {
                data[0] = readStream(f, *storage, "205d");
                index[0] = readStream(f, *storage, "205i");
                data[1] = readStream(f, *storage, kGroupKey + "d");
                index[1] = readStream(f, *storage, kGroupKey + "i");
            }
        }
        std::vector<Conversation> withReturned = expected;
        for (int r = stored; r < returned; ++r)
            withReturned[r % 3 == 0].add(recordOf(r));
        std::vector<Conversation> withOneMore = withReturned;
        withOneMore[returned % 3 == 0].add(recordOf(returned));
        bool oneMore = index[0] == withOneMore[0].index && index[1] == withOneMore[1].index;
        expected = oneMore ? withOneMore : withReturned;
        stored = oneMore ? returned + 1 : returned;
        for (int c = 0; c < 2; ++c) {
            // The index holds exactly the stored records, and the data stream each of them whole;
            // at most one torn record follows, which the next call cuts off.
            ASSERT_EQ(index[c], expected[c].index) << "conversation " << c;
            ASSERT_EQ(data[c].substr(0, expected[c].data.size()), expected[c].data) << "conversation " << c;
            EXPECT_LE(data[c].size(), expected[c].data.size() + 88 + 300) << "conversation " << c;
        }
        HistoryPage last = ReadHistoryPage(store, "205", 0);
        ASSERT_TRUE(last.status.ok()) << last.status.reason;
        int lastToColleague = stored - 1;
        while (lastToColleague >= 0 && lastToColleague % 3 == 0)
            --lastToColleague;
        if (lastToColleague >= 0) {
            ASSERT_FALSE(last.records.empty());
            EXPECT_EQ(last.records.back().head + last.records.back().text, recordOf(lastToColleague));
        }
        if (!fs::exists(store.historyFolder / kStoreFileName)) continue;
        copies.push_back(snapshots / std::to_string(round));
        fs::copy_file(store.historyFolder / kStoreFileName, copies.back());
    }
    ASSERT_GT(stored, 0);
    std::cout << "stored " << stored << " records over " << copies.size() << " kills\n";
    auto seen = test::oleManifests(copies);
    VANTOR_NEEDS_TOOL(seen ? "" : "python3-olefile is not installed: the olefile half was skipped");
    for (size_t i = 0; i < copies.size(); ++i)
        EXPECT_EQ((*seen)[i], test::engineManifest(copies[i])) << copies[i];
}

// The writer thread killed at random moments: the child keeps up to 300 records queued and reports
// each one its batch has written. Every reported record is in the store afterwards; of the batch
// that was cut short, each conversation holds its records in order up to some point, or none.
TEST(CrashSafety, AKilledWriterThreadLosesNothingItReported) {
    TempDir dir;
    const fs::path snapshots = dir / "snapshots";
    fs::create_directories(snapshots);
    std::mt19937 rng(2025);
    std::vector<Conversation> expected(2); // [0] colleague 205, [1] the group
    std::string lastToColleague;           // the last record expected with 205
    int next = 0;                          // the record the next child starts with
    int reportedAll = 0;
    std::vector<fs::path> copies;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    unsigned maxDelay = 20000;
    for (int round = 0; round < 80 && std::chrono::steady_clock::now() < deadline; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        StoreLocation store{dir / "History", kOwn, round % 4 == 0};
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(reports[0]);
            std::atomic<int> written{0};
            const int start = next;
            StoreWriter writer(store, [&](std::vector<StoreWriter::Result> results) {
                for (const auto& r : results) {
                    if (!r.status.ok()) ::_exit(3);
                    const int k = start + int(r.ticket) - 1;
                    if (::write(reports[1], &k, sizeof k) != sizeof k) ::_exit(4);
                }
                written += int(results.size());
            });
            for (int k = start;; ++k) {
                while (k - start - written.load() >= 300)
                    std::this_thread::yield();
                writer.submit(recordOf(k));
            }
        }
        ::close(reports[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % maxDelay));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        int returned = next, k = 0;
        while (::read(reports[0], &k, sizeof k) == sizeof k) {
            ASSERT_EQ(k, returned) << "reported out of order";
            returned = k + 1;
        }
        ::close(reports[0]);
        maxDelay = returned == next ? std::min(2 * maxDelay, 1000000u) : std::max(maxDelay / 2, 20000u);
        reportedAll += returned - next;

        std::string data[2], index[2];
        if (fs::exists(store.historyFolder / kStoreFileName)) {
            auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Read,
                                        {.durable = false});
            if (auto storage = f.find(cfb::kRootEntry, u"1234Data")) {
                data[0] = readStream(f, *storage, "205d");
                index[0] = readStream(f, *storage, "205i");
                data[1] = readStream(f, *storage, kGroupKey + "d");
                index[1] = readStream(f, *storage, kGroupKey + "i");
            }
        }
        for (int r = next; r < returned; ++r) {
            expected[r % 3 == 0].add(recordOf(r));
            if (r % 3 != 0) lastToColleague = recordOf(r);
        }
        int after = returned;
        for (int c = 0; c < 2; ++c) {
            // Records of the batch that was cut short, as far as this conversation took them.
            for (int r = returned; index[c].size() > expected[c].index.size(); ++r) {
                ASSERT_LT(r, returned + int(StoreWriter::kMaxBatch)) << "conversation " << c;
                if ((r % 3 == 0) != (c == 1)) continue;
                expected[c].add(recordOf(r));
                if (c == 0) lastToColleague = recordOf(r);
                after = std::max(after, r + 1);
            }
            ASSERT_EQ(index[c], expected[c].index) << "conversation " << c;
            ASSERT_EQ(data[c].substr(0, expected[c].data.size()), expected[c].data) << "conversation " << c;
        }
        next = after;
        HistoryPage last = ReadHistoryPage(store, "205", 0);
        ASSERT_TRUE(last.status.ok()) << last.status.reason;
        if (!lastToColleague.empty()) {
            ASSERT_FALSE(last.records.empty());
            EXPECT_EQ(last.records.back().head + last.records.back().text, lastToColleague);
        }
        if (!fs::exists(store.historyFolder / kStoreFileName)) continue;
        copies.push_back(snapshots / std::to_string(round));
        fs::copy_file(store.historyFolder / kStoreFileName, copies.back());
    }
    ASSERT_GT(reportedAll, 0);
    std::cout << "the writer thread reported " << reportedAll << " records over " << copies.size()
              << " kills\n";
    auto seen = test::oleManifests(copies);
    VANTOR_NEEDS_TOOL(seen ? "" : "python3-olefile is not installed: the olefile half was skipped");
    for (size_t i = 0; i < copies.size(); ++i)
        EXPECT_EQ((*seen)[i], test::engineManifest(copies[i])) << copies[i];
}

} // namespace
} // namespace vantor::history
