// The chain memo: a long conversation read and extended over many opens gives the same records
// whether its chains are walked or recalled, and a file another program has written since is
// never read through what an earlier open learned.
#include "history/compound_file.h"
#include "history/message_store.h"
#include "history_test_support.h"
#include "protocol/wire.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::history {
namespace {

using test::TempDir;

constexpr int32_t kOwn = 1234;

// Record k to colleague 205 (to 206 for odd `other`): 300 text bytes that name k.
std::string recordOf(int k, int other = 0) {
    std::string text = "record " + std::to_string(k) + " ";
    text.resize(300, char('a' + k % 26));
    std::string r(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    wire::storeU32(p, uint32_t(205 + other));
    wire::storeU32(p + 4, uint32_t(kOwn));
    wire::storeU32(p + 8, uint32_t(text.size()));
    return r + text;
}

std::string textOf(int k, int other = 0) {
    return recordOf(k, other).substr(88);
}

TEST(ChainMemo, PagesAndAppendsAgreeWithTheModelOverManyOpens) {
    TempDir dir;
    const StoreLocation store{dir / "History", kOwn, false};
    std::vector<std::string> model;
    const uint64_t before = cfb::chainsRecalled();
    for (int k = 0; k < 1500; ++k) {
        ASSERT_TRUE(StoreMessageRecord(store, recordOf(k)).ok());
        model.push_back(textOf(k));
        if (k % 97 == 0) { // a second stream grows between them
            ASSERT_TRUE(StoreMessageRecord(store, recordOf(k, 1)).ok());
        }
        if (k % 250 != 249) continue;
        const int32_t pages = int32_t((model.size() + 99) / 100);
        for (int32_t page : {0, 1, pages / 2 + 1}) {
            SCOPED_TRACE("after " + std::to_string(k) + ", page " + std::to_string(page));
            HistoryPage p = ReadHistoryPage(store, "205", page);
            ASSERT_TRUE(p.status.ok()) << p.status.reason;
            ASSERT_EQ(p.pageCount, pages);
            const size_t first = size_t(p.page - 1) * 100;
            ASSERT_EQ(p.records.size(), std::min<size_t>(100, model.size() - first));
            for (size_t i = 0; i < p.records.size(); ++i)
                ASSERT_EQ(p.records[i].text, model[first + i]) << "record " << first + i;
        }
    }
    EXPECT_GT(cfb::chainsRecalled(), before) << "the chains were walked on every open";
}

// What a defragmenting program might do: swaps two neighbouring sectors of a stream's chain, data
// and links, so that start, size and the last sector stay the same and only the middle of the
// chain differs. Returns false when the stream is not found or too short.
bool swapChainSectors(const std::filesystem::path& file, const std::u16string& name, size_t at) {
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto* b = reinterpret_cast<uint8_t*>(bytes.data());
    auto sector = [&](uint32_t s) { return b + (size_t(s) + 1) * 512; };
    std::vector<uint32_t> fatSectors;
    for (uint32_t k = 0; k < cfb::get32(b + cfb::hdr::kFatSectorCount) && k < 109; ++k)
        fatSectors.push_back(cfb::get32(b + cfb::hdr::kDifat + 4 * k));
    auto fat = [&](uint32_t s) -> uint8_t* { return sector(fatSectors.at(s / 128)) + 4 * (s % 128); };
    auto chainOf = [&](uint32_t start) {
        std::vector<uint32_t> chain;
        for (uint32_t s = start; s != cfb::kEndOfChain && chain.size() < 100000; s = cfb::get32(fat(s)))
            chain.push_back(s);
        return chain;
    };
    for (uint32_t dir : chainOf(cfb::get32(b + cfb::hdr::kFirstDirSector))) {
        for (int i = 0; i < 4; ++i) {
            uint8_t* e = sector(dir) + 128 * i;
            const size_t length = cfb::get16(e + cfb::ent::kNameLength);
            if (length != 2 * (name.size() + 1) || std::memcmp(e, name.data(), 2 * name.size()) != 0)
                continue;
            const std::vector<uint32_t> chain = chainOf(cfb::get32(e + cfb::ent::kStart));
            if (chain.size() < at + 3) return false;
            const uint32_t x = chain[at], y = chain[at + 1];
            std::swap_ranges(sector(x), sector(x) + 512, sector(y));
            cfb::put32(fat(chain[at - 1]), y);
            cfb::put32(fat(y), x);
            cfb::put32(fat(x), chain[at + 2]);
            std::ofstream out(file, std::ios::binary | std::ios::in);
            out.write(bytes.data(), std::streamsize(bytes.size()));
            return bool(out);
        }
    }
    return false;
}

TEST(ChainMemo, AFileAnotherProgramWroteIsWalkedAgain) {
    TempDir dir;
    const StoreLocation store{dir / "History", kOwn, false};
    for (int k = 0; k < 600; ++k)
        ASSERT_TRUE(StoreMessageRecord(store, recordOf(k)).ok());
    ASSERT_TRUE(ReadHistoryPage(store, "205", 0).status.ok()); // learned
    const std::filesystem::path file = store.historyFolder / kStoreFileName;
    struct stat was {};
    ASSERT_EQ(::stat(file.c_str(), &was), 0);

    // Another program moves sectors 64 and 65 of the data stream (the second memo mark) and puts
    // the old modification time back: same size, same start, same last sector, same header.
    pid_t child = ::fork();
    if (child == 0) {
        if (!swapChainSectors(file, u"205d", 64)) ::_exit(1);
        const struct timespec times[2] = {was.st_atim, was.st_mtim};
        ::_exit(::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0 ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const uint64_t before = cfb::chainsRecalled();
    for (int32_t page = 1; page <= 6; ++page) {
        HistoryPage p = ReadHistoryPage(store, "205", page);
        ASSERT_TRUE(p.status.ok()) << p.status.reason;
        ASSERT_EQ(p.records.size(), 100u);
        for (size_t i = 0; i < 100; ++i)
            ASSERT_EQ(p.records[i].text, textOf(int((page - 1) * 100 + int32_t(i)))) << "page " << page;
    }
    EXPECT_EQ(cfb::chainsRecalled(), before)
        << "read through what was learned before the other program wrote";
    // What is learned now serves the next open.
    ASSERT_TRUE(StoreMessageRecord(store, recordOf(600)).ok());
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).records.back().text, textOf(600));
    EXPECT_GT(cfb::chainsRecalled(), before);
}

} // namespace
} // namespace vantor::history
