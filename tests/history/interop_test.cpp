// Our files against readers and writers that are not ours: a store we write is read by olefile,
// and files written by libgsf are read by our engine, then appended to in place and read again
// by olefile.
#include "engine_test_helpers.h"
#include "history/compound_file.h"
#include "history/message_store.h"

#include "missing_tool.h"
#include <cstring>
#include <gtest/gtest.h>

namespace vantor::history {
namespace {

using cfb::CompoundFile;
using test::streamLine;
using test::TempDir;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;

std::string record(int32_t receiver, int32_t sender, const std::string& text, uint8_t kind = 0,
                   uint8_t groupByte = 0) {
    std::string r(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    cfb::put32(p, uint32_t(receiver));
    cfb::put32(p + 4, uint32_t(sender));
    cfb::put32(p + 8, uint32_t(text.size()));
    std::memset(p + 58, groupByte, 16);
    p[74] = kind;
    return r + text;
}

// What a conversation's two streams must hold after the given records were stored in order.
void expectConversation(std::vector<std::string>& manifest, const std::string& key,
                        const std::vector<std::string>& records) {
    std::string data, index;
    for (const std::string& r : records) {
        std::string entry(12, '\0');
        cfb::put64(reinterpret_cast<uint8_t*>(entry.data()), data.size());
        cfb::put32(reinterpret_cast<uint8_t*>(entry.data()) + 8, uint32_t(r.size() - 88));
        data += r;
        index += entry;
    }
    manifest.push_back(streamLine("1234Data/" + key + "d", data));
    manifest.push_back(streamLine("1234Data/" + key + "i", index));
}

TEST(Interop, OlefileReadsTheStoreWeWrite) {
    VANTOR_NEEDS_TOOL(test::pythonWith("olefile") ? "" : "python3-olefile is not installed");
    TempDir dir;
    StoreLocation store{dir / "History", kOwn, false};
    std::vector<std::string> withColleague, withGroup, withOther;
    for (int i = 0; i < 300; ++i) { // crosses from the mini stream into sectors
        std::string r = i % 2 ? record(kOwn, 205, std::string(size_t(i % 97), char('a' + i % 26)))
                              : record(205, kOwn, std::to_string(i));
        ASSERT_TRUE(StoreMessageRecord(store, r).ok());
        withColleague.push_back(r);
        if (i % 50 == 0) {
            std::string g = record(0, 300 + i, "group " + std::to_string(i), 1, 0x5A);
            ASSERT_TRUE(StoreMessageRecord(store, g).ok());
            withGroup.push_back(g);
        }
        if (i % 100 == 0) {
            // A notice of our own, with its mark in the key's last four bytes.
            const std::string text = "notice " + std::to_string(i);
            ASSERT_TRUE(StoreNoticeRecord(store, kOwn, 7, text, 45000.5).ok());
            withOther.push_back(BuildNoticeRecord(kOwn, 7, text, 45000.5));
            ASSERT_TRUE(IsOwnNotice(withOther.back()));
        }
    }
    ASSERT_TRUE(StoreMessageRecord(store, record(99, kOwn, "deleted later")).ok());
    ASSERT_TRUE(DeleteConversation(store, "99").ok());

    std::vector<std::string> expected{"D 1234Data"};
    expectConversation(expected, "205", withColleague);
    expectConversation(expected, "5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A", withGroup);
    expectConversation(expected, "7", withOther);
    std::sort(expected.begin(), expected.end());
    fs::path file = store.historyFolder / kStoreFileName;
    EXPECT_EQ(test::engineManifest(file), expected);
    EXPECT_EQ(test::oleManifests({file})->at(0), expected);
}

TEST(Interop, OurEngineReadsAndExtendsFilesWrittenByLibgsf) {
    std::optional<std::string> python = test::pythonWith("gsf");
    VANTOR_NEEDS_TOOL(python ? "" : "libgsf's Python bindings are not installed (python3-gi, gir1.2-gsf-1)");
    TempDir dir;
    fs::path file = dir / "History" / kStoreFileName;
    fs::create_directories(file.parent_path());
    struct Element {
        std::string path;
        size_t size;
    };
    std::vector<Element> streams = {
        {"a/small", 100},    {"a/exact", 4096}, {"a/big", 5000},
        {"a/b/deep", 70000}, {"top", 1},        {"huge", 8000000}, // more than 109 FAT sectors
    };
    for (int i = 0; i < 40; ++i)
        streams.push_back({"many/n" + std::to_string(i * 7919 % 1000), size_t(i) * 37});
    std::vector<std::string> argv{*python, test::scriptPath("gsf_write.py"), file.string(), "empty/"};
    std::vector<std::string> expected{"D a", "D a/b", "D empty", "D many"};
    for (const Element& e : streams) {
        argv.push_back(e.path + "=" + std::to_string(e.size));
        expected.push_back(streamLine(e.path, test::patternBytes(e.path, e.size)));
    }
    ASSERT_EQ(test::runCommand(argv).status, 0);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::engineManifest(file), expected);

    // In place: grow a small stream past the cutoff, grow the largest, and store messages.
    {
        auto f = CompoundFile::open(file, CompoundFile::Access::Write, {.durable = false});
        auto a = *f.find(cfb::kRootEntry, u"a");
        std::string more(5000, 'm');
        f.append(*f.find(a, u"small"), std::span(reinterpret_cast<const uint8_t*>(more.data()), more.size()));
        f.append(*f.find(cfb::kRootEntry, u"huge"),
                 std::span(reinterpret_cast<const uint8_t*>(more.data()), 700));
        f.commit();
    }
    StoreLocation store{file.parent_path(), kOwn, false};
    std::vector<std::string> records;
    for (int i = 0; i < 120; ++i) {
        records.push_back(record(205, kOwn, "message " + std::to_string(i)));
        ASSERT_TRUE(StoreMessageRecord(store, records.back()).ok());
    }
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).records.size(), 20u);
    for (std::string& line : expected) {
        if (line.rfind("S a/small ", 0) == 0)
            line = streamLine("a/small", test::patternBytes("a/small", 100) + std::string(5000, 'm'));
        if (line.rfind("S huge ", 0) == 0)
            line = streamLine("huge", test::patternBytes("huge", 8000000) + std::string(700, 'm'));
    }
    expected.push_back("D 1234Data");
    expectConversation(expected, "205", records);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::engineManifest(file), expected);
    if (auto seen = test::oleManifests({file})) {
        EXPECT_EQ(seen->at(0), expected);
    }
}

} // namespace
} // namespace vantor::history
