// The message store: conversation keys, the bytes of the data and index streams, page bounds,
// deletion, notices, and the failures it reports instead of losing a message silently.
#include "history/message_store.h"

#include "crypto/cipher.h"
#include "history/compound_file.h"
#include "history_test_support.h"

#include <array>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::history {
namespace {

using cfb::CompoundFile;
using test::TempDir;
namespace fs = std::filesystem;

constexpr int32_t kOwn = 1234;
using GuidBytes = std::array<uint8_t, 16>;
// Data1 0x12345678, Data2 0x9ABC, Data3 0xDEF0, then 01 23 45 67 89 AB CD EF.
constexpr GuidBytes kGroup = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                              0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

// A record head written by hand: receiver, sender, text length, group id at 58, kind at 74.
std::string record(int32_t receiver, int32_t sender, const std::string& text, uint8_t kind = 0,
                   const GuidBytes& group = {}) {
    std::string r(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    cfb::put32(p, uint32_t(receiver));
    cfb::put32(p + 4, uint32_t(sender));
    cfb::put32(p + 8, uint32_t(text.size()));
    std::memcpy(p + 58, group.data(), 16);
    p[74] = kind;
    return r + text;
}

StoreLocation at(const TempDir& dir) {
    return {dir / "1234" / "History", kOwn, false};
}

std::string streamBytes(const StoreLocation& store, const std::string& name) {
    auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Read,
                                {.durable = false});
    auto storage = f.find(cfb::kRootEntry, cfb::asciiName(std::to_string(store.accountId) + "Data"));
    auto id = f.find(*storage, cfb::asciiName(name));
    if (!id) return "<missing>";
    std::string out(size_t(f.streamSize(*id)), '\0');
    f.read(*id, 0, std::span(reinterpret_cast<uint8_t*>(out.data()), out.size()));
    return out;
}

std::string indexEntry(uint64_t offset, uint32_t length) {
    std::string e(12, '\0');
    cfb::put64(reinterpret_cast<uint8_t*>(e.data()), offset);
    cfb::put32(reinterpret_cast<uint8_t*>(e.data()) + 8, length);
    return e;
}

std::string fileContents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MessageStore, ConversationKeys) {
    GuidBytes lastByteDiffers = kGroup;
    lastByteDiffers[15] = 0x00;
    struct Case {
        const char* what;
        std::string head;
        std::string key;
    } cases[] = {
        {"sent to 205", record(205, kOwn, ""), "205"},
        {"received from 205", record(kOwn, 205, ""), "205"},
        {"a negative id", record(-7, kOwn, ""), "-7"},
        {"discussion group", record(0, kOwn, "", 1, kGroup), "123456789ABCDEF00123456789ABCD"},
        {"service centre", record(kOwn, 99, "", 2, kGroup), "123456789ABCDEF00123456789ABCD"},
        {"group differing in the last byte", record(0, 77, "", 1, lastByteDiffers),
         "123456789ABCDEF00123456789ABCD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConversationKeyOf(c.head, kOwn), c.key) << c.what;
}

TEST(MessageStore, WritesHeadsAndTextsBackToBackWithAnIndex) {
    TempDir dir;
    StoreLocation store = at(dir);
    std::string a = record(205, kOwn, "hello");
    std::string b = record(kOwn, 205, "");
    std::string c = record(205, kOwn, "sixteen bytes!!!");
    ASSERT_TRUE(StoreMessageRecord(store, a).ok());
    ASSERT_TRUE(StoreMessageRecord(store, b + "ignored bytes after the text").ok());
    ASSERT_TRUE(StoreMessageRecord(store, c).ok());
    EXPECT_EQ(streamBytes(store, "205d"), a + b + c);
    EXPECT_EQ(streamBytes(store, "205i"), indexEntry(0, 5) + indexEntry(93, 0) + indexEntry(181, 16));
    EXPECT_TRUE(fs::is_regular_file(store.historyFolder / "MsgDB.Dat")); // folder made on first use
}

TEST(MessageStore, PagesOfAHundredWithTheLastFirst) {
    TempDir dir;
    StoreLocation store = at(dir);
    auto text = [](int i) { return "record " + std::to_string(i); };
    for (int count : {1, 100, 101, 200, 250})
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(StoreMessageRecord(store, record(1000 + count, kOwn, text(i))).ok());
    struct Case {
        int count, page;
        StoreError status;
        int pageCount, shownPage, first, n;
    } cases[] = {
        {0, 0, StoreError::None, 0, 0, 0, 0},
        {1, 0, StoreError::None, 1, 1, 0, 1},
        {100, 0, StoreError::None, 1, 1, 0, 100},
        {101, 0, StoreError::None, 2, 2, 100, 1},
        {101, 1, StoreError::None, 2, 1, 0, 100},
        {200, 2, StoreError::None, 2, 2, 100, 100},
        {250, 3, StoreError::None, 3, 3, 200, 50},
        {250, 4, StoreError::PageOutOfRange, 3, 0, 0, 0},
        {250, -1, StoreError::PageOutOfRange, 3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + " page " + std::to_string(c.page));
        HistoryPage page = ReadHistoryPage(store, OneToOneKey(1000 + c.count), c.page);
        EXPECT_EQ(page.status.error, c.status);
        EXPECT_EQ(page.pageCount, c.pageCount);
        EXPECT_EQ(page.page, c.shownPage);
        ASSERT_EQ(int(page.records.size()), c.n);
        for (int i = 0; i < c.n; ++i) {
            EXPECT_EQ(page.records[size_t(i)].text, text(c.first + i));
            EXPECT_EQ(page.records[size_t(i)].head,
                      record(1000 + c.count, kOwn, text(c.first + i)).substr(0, 88));
        }
    }
}

TEST(MessageStore, RefusesBadRecordsAndKeys) {
    TempDir dir;
    StoreLocation store = at(dir);
    std::string tooLong = record(205, kOwn, std::string(1001, 'x'));
    std::string shortText = record(205, kOwn, "0123456789").substr(0, 95);
    std::string hugeLength = record(205, kOwn, "");
    std::memset(hugeLength.data() + 8, 0xFF, 4);
    for (const std::string& bad : {std::string(87, '\0'), tooLong, shortText, hugeLength})
        EXPECT_EQ(StoreMessageRecord(store, bad).error, StoreError::BadRecord);
    EXPECT_FALSE(fs::exists(store.historyFolder / kStoreFileName));
    for (const char* key : {"", "abc", "0012", "+5", "-0", "99999999999", "123456789abcdef00123456789abcd",
                            "123456789ABCDEF00123456789ABCDE", "../205"}) {
        EXPECT_EQ(ReadHistoryPage(store, key, 0).status.error, StoreError::BadKey) << key;
        EXPECT_EQ(DeleteConversation(store, key).error, StoreError::BadKey) << key;
    }
}

TEST(MessageStore, DeletingAConversationLeavesTheOthers) {
    TempDir dir;
    StoreLocation store = at(dir);
    EXPECT_EQ(DeleteConversation(store, "205").error, StoreError::NotFound); // no file yet
    for (int i = 0; i < 150; ++i) {
        ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, std::string(size_t(i), 'a'))).ok());
        ASSERT_TRUE(StoreMessageRecord(store, record(kOwn, 206, "to keep")).ok());
    }
    ASSERT_TRUE(DeleteConversation(store, "205").ok());
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).pageCount, 0);
    EXPECT_EQ(ReadHistoryPage(store, "206", 0).pageCount, 2);
    EXPECT_EQ(DeleteConversation(store, "205").error, StoreError::NotFound);
    ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, "again")).ok());
    HistoryPage page = ReadHistoryPage(store, "205", 0);
    EXPECT_EQ(page.pageCount, 1);
    ASSERT_EQ(page.records.size(), 1u);
    EXPECT_EQ(page.records[0].text, "again");
}

TEST(MessageStore, LeavesAFileThatIsNotAStoreAlone) {
    TempDir dir;
    StoreLocation store = at(dir);
    fs::create_directories(store.historyFolder);
    const std::string foreign = "this is somebody else's file\r\n";
    std::ofstream(store.historyFolder / kStoreFileName, std::ios::binary) << foreign;
    EXPECT_EQ(StoreMessageRecord(store, record(205, kOwn, "hi")).error, StoreError::NotCompound);
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).status.error, StoreError::NotCompound);
    EXPECT_EQ(DeleteConversation(store, "205").error, StoreError::NotCompound);
    EXPECT_EQ(fileContents(store.historyFolder / kStoreFileName), foreign);
}

TEST(MessageStore, FailsWhileAnotherProcessHoldsTheFile) {
    TempDir dir;
    StoreLocation store = at(dir);
    ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, "first")).ok());
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = ::fork();
    if (child == 0) { // the other program: holds the file until told to let go
        ::close(ready[0]);
        ::close(release[1]);
        auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Write, {});
        char c = 1;
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(StoreMessageRecord(store, record(205, kOwn, "second")).error, StoreError::Locked);
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).status.error, StoreError::Locked);
    EXPECT_EQ(DeleteConversation(store, "205").error, StoreError::Locked);
    ::close(release[1]);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    EXPECT_TRUE(StoreMessageRecord(store, record(205, kOwn, "third")).ok());
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).records.size(), 2u);
}

TEST(MessageStore, RepairsWhatACallThatDiedLeftBehind) {
    struct Case {
        const char* left;
        std::string extraData, extraIndex;
        int unreadableBefore;
    } cases[] = {
        {"data without its index entry", std::string(50, 'g'), "", 0},
        {"an index entry without its data", "", indexEntry(3 * 93, 10), 1},
        {"part of an index entry", "", std::string(5, '\0'), 0},
        {"both, the data short", std::string(40, 'g'), indexEntry(3 * 93, 10), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        TempDir dir;
        StoreLocation store = at(dir);
        for (const char* t : {"one..", "two..", "three"})
            ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, t)).ok());
        {
            auto f = CompoundFile::open(store.historyFolder / kStoreFileName, CompoundFile::Access::Write,
                                        {.durable = false});
            auto storage = *f.find(cfb::kRootEntry, u"1234Data");
            auto add = [&](const char16_t* name, const std::string& bytes) {
                f.append(*f.find(storage, name),
                         std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
            };
            add(u"205d", c.extraData);
            add(u"205i", c.extraIndex);
            f.commit();
        }
        EXPECT_EQ(ReadHistoryPage(store, "205", 0).unreadable, c.unreadableBefore);
        ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, "four.")).ok());
        HistoryPage page = ReadHistoryPage(store, "205", 0);
        EXPECT_EQ(page.unreadable, 0);
        std::vector<std::string> texts;
        for (const HistoryRecord& r : page.records)
            texts.push_back(r.text);
        EXPECT_EQ(texts, (std::vector<std::string>{"one..", "two..", "three", "four."}));
        EXPECT_EQ(streamBytes(store, "205i"),
                  indexEntry(0, 5) + indexEntry(93, 5) + indexEntry(186, 5) + indexEntry(279, 5));
    }
}

TEST(MessageStore, NoticeRecordsAreBuiltByTheRules) {
    const double now = 45000.75;
    std::string r = BuildNoticeRecord(kOwn, 205, "file sent", now);
    std::string cipher = crypto::DesEncryptText("file sent");
    std::string expected(88, '\0');
    auto* p = reinterpret_cast<uint8_t*>(expected.data());
    cfb::put32(p, 205);
    cfb::put32(p + 4, kOwn);
    cfb::put32(p + 8, uint32_t(cipher.size()));
    std::memcpy(p + 12, &now, 8);
    p[24] = 8;
    std::memcpy(p + 25, "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", 8);
    cfb::put32(p + 49, 9);
    cfb::put32(p + 76, kOwn);
    cfb::put32(p + 80, 205);
    std::memcpy(p + 84, "VNtc", 4); // the notice mark: the client wrote this record itself
    EXPECT_EQ(r, expected + cipher);
    EXPECT_TRUE(IsOwnNotice(r));

    std::string longText(2000, 'n');
    EXPECT_EQ(BuildNoticeRecord(kOwn, 205, longText, now).substr(88),
              crypto::DesEncryptText(longText).substr(0, 1000));

    TempDir dir;
    StoreLocation store = at(dir);
    ASSERT_TRUE(StoreNoticeRecord(store, kOwn, 205, "file sent", now).ok());
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).records.at(0).text, cipher);
    EXPECT_TRUE(IsOwnNotice(ReadHistoryPage(store, "205", 0).records.at(0).head));
    // The same bytes handed in as a chat record lose the mark.
    ASSERT_TRUE(StoreMessageRecord(store, r).ok());
    EXPECT_FALSE(IsOwnNotice(ReadHistoryPage(store, "205", 0).records.at(1).head));
    EXPECT_EQ(StoreNoticeRecord(store, kOwn, 205, std::string("ends with zero\0", 15), now).error,
              StoreError::BadRecord);
}

TEST(MessageStore, ReportsAStoreItMayNotWrite) {
    TempDir dir;
    StoreLocation store = at(dir);
    ASSERT_TRUE(StoreMessageRecord(store, record(205, kOwn, "kept")).ok());
    const fs::path file = store.historyFolder / kStoreFileName;
    // Permissions do not bind the superuser; the immutable attribute does.
    int fd = ::open(file.c_str(), O_RDONLY);
    int flags = 0;
    bool immutable = ::geteuid() == 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (::geteuid() != 0) fs::permissions(file, fs::perms::owner_read);
    if (::geteuid() == 0 && !immutable) {
        ::close(fd);
        GTEST_SKIP() << "cannot make the file unwritable here";
    }
    EXPECT_EQ(StoreMessageRecord(store, record(205, kOwn, "refused")).error, StoreError::AccessDenied);
    EXPECT_EQ(ReadHistoryPage(store, "205", 0).records.size(), 1u); // reading still works
    if (immutable) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}

TEST(MessageStore, AFullDiskIsReportedAndKeepsWhatWasStored) {
    TempDir dir;
    StoreLocation store = at(dir);
    store.durable = true;
    int results[2];
    ASSERT_EQ(::pipe(results), 0);
    pid_t child = ::fork();
    if (child == 0) { // a file size limit stands in for a full disk
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{40000, 40000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int32_t stored = 0;
        StoreStatus status;
        while (
            (status = StoreMessageRecord(store, record(205, kOwn, std::string(500, char('a' + stored % 26)))))
                .ok())
            ++stored;
        int32_t report[2] = {stored, int32_t(status.error)};
        (void)!::write(results[1], report, sizeof report);
        ::_exit(0);
    }
    ::close(results[1]);
    int32_t report[2] = {0, 0};
    ASSERT_EQ(::read(results[0], report, sizeof report), ssize_t(sizeof report));
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(StoreError(report[1]), StoreError::NoSpace);
    ASSERT_GT(report[0], 10);
    std::vector<std::string> texts;
    for (int page = 1; page <= (report[0] + 99) / 100; ++page)
        for (const HistoryRecord& r : ReadHistoryPage(store, "205", page).records)
            texts.push_back(r.text);
    ASSERT_EQ(int(texts.size()), report[0]);
    for (int i = 0; i < report[0]; ++i)
        EXPECT_EQ(texts[size_t(i)], std::string(500, char('a' + i % 26)));
    EXPECT_TRUE(StoreMessageRecord(store, record(205, kOwn, "room again")).ok());
}

} // namespace
} // namespace vantor::history
