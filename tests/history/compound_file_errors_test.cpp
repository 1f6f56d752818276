// What the engine refuses and reports: bad names, a second creation, a second opener, files that
// are not compound files, and damaged structures (loops, sectors past the end, sizes beyond their
// chains), each reported as an error instead of being followed.
#include "engine_test_helpers.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vantor::history {
namespace {

using namespace test;
using test::TempDir;

TEST(CompoundFile, RefusesBadNamesAndDuplicates) {
    TempDir dir;
    CompoundFile f = createAndOpen(dir / "f.cfb");
    f.createStream(cfb::kRootEntry, u"Abc");
    struct Case {
        std::u16string name;
        Error error;
    } cases[] = {
        {u"", Error::InvalidName},    {std::u16string(32, u'x'), Error::InvalidName},
        {u"a/b", Error::InvalidName}, {u"a:b", Error::InvalidName},
        {u"a!", Error::InvalidName},  {u"abc", Error::Exists}, // names differ only in case: the same
        {u"ABC", Error::Exists},
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureOf([&] { f.createStream(cfb::kRootEntry, c.name); }), c.error);
    EXPECT_NO_THROW(f.createStream(cfb::kRootEntry, std::u16string(31, u'x')));
}

TEST(CompoundFile, CreateNeverReplacesAndLeavesNoTemporaryFile) {
    TempDir dir;
    CompoundFile::create(dir / "f.cfb", kFast);
    EXPECT_EQ(failureOf([&] { CompoundFile::create(dir / "f.cfb", kFast); }), Error::Exists);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(CompoundFile, LockIsExclusiveWhileOpen) {
    TempDir dir;
    CompoundFile::create(dir / "f.cfb", kFast);
    {
        CompoundFile first = openRead(dir / "f.cfb");
        EXPECT_EQ(failureOf([&] { openWrite(dir / "f.cfb"); }), Error::Locked);
    }
    EXPECT_NO_THROW(openWrite(dir / "f.cfb"));
}

TEST(CompoundFile, OpenRefusesWhatIsNotACompoundFile) {
    std::string header(512, '\0');
    std::memcpy(header.data(), cfb::kSignature, 8);
    std::string version4 = header, version3 = header;
    version4[26] = 4;
    version3[26] = 3;
    struct Case {
        const char* what;
        std::optional<std::string> contents; // nullopt: no file at all
        Error error;
    } cases[] = {
        {"missing", std::nullopt, Error::NotFound},
        {"empty", std::string(), Error::NotCompound},
        {"text", std::string("[Login]\r\nUser=1\r\n"), Error::NotCompound},
        {"signature only", header.substr(0, 300), Error::NotCompound},
        {"another version", version4 + std::string(1024, '\0'), Error::Unsupported},
        {"garbage header", version3 + std::string(1024, '\xFF'), Error::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::path path = dir / "f";
        if (c.contents) std::ofstream(path, std::ios::binary) << *c.contents;
        EXPECT_EQ(failureOf([&] { openWrite(path); }), c.error);
        if (c.contents) { // left exactly as it was
            std::ifstream in(path, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), *c.contents);
        }
    }
}

// Direct access to a small file's structures, for damaging them on purpose.
class RawFile {
  public:
    explicit RawFile(const fs::path& p) : fd_(::open(p.c_str(), O_RDWR)) {}
    ~RawFile() { ::close(fd_); }
    uint32_t get(uint64_t at) {
        uint8_t b[4];
        EXPECT_EQ(::pread(fd_, b, 4, off_t(at)), 4);
        return cfb::get32(b);
    }
    void set(uint64_t at, uint32_t v, size_t width = 4) {
        uint8_t b[4];
        cfb::put32(b, v);
        EXPECT_EQ(::pwrite(fd_, b, width, off_t(at)), ssize_t(width));
    }
    static uint64_t sector(uint32_t s) { return uint64_t(s + 1) * 512; }
    uint64_t fat(uint32_t s) { return sector(get(76)) + 4 * s; } // small files: one FAT sector
    uint64_t miniFat(uint32_t m) { return sector(get(60)) + 4 * m; }
    // The offset of the directory entry called `name`.
    uint64_t entry(const std::string& name) {
        for (uint32_t s = get(48); s != cfb::kEndOfChain; s = get(fat(s)))
            for (uint64_t e = sector(s); e < sector(s) + 512; e += 128) {
                std::string n;
                for (uint64_t i = 0; i < 64; i += 2) {
                    uint32_t c = get(e + i) & 0xFFFF;
                    if (!c) break;
                    n.push_back(char(c));
                }
                if (n == name) return e;
            }
        throw std::runtime_error("no entry " + name);
    }

  private:
    int fd_;
};

TEST(CompoundFile, ReportsDamageInsteadOfFollowingIt) {
    struct Case {
        const char* damage;
        std::function<void(RawFile&)> apply;
    };
    auto start = [](RawFile& r, const char* name) { return r.get(r.entry(name) + cfb::ent::kStart); };
    std::vector<Case> cases = {
        {"a stream's chain loops", [&](RawFile& r) { r.set(r.fat(start(r, "big")), start(r, "big")); }},
        {"a chain runs past the end", [&](RawFile& r) { r.set(r.fat(start(r, "big")), 100000); }},
        {"a size beyond the chain", [&](RawFile& r) { r.set(r.entry("big") + cfb::ent::kSize, 50000); }},
        {"a chain ends early", [&](RawFile& r) { r.set(r.fat(start(r, "big")), cfb::kEndOfChain); }},
        {"a mini chain loops", [&](RawFile& r) { r.set(r.miniFat(start(r, "small")), start(r, "small")); }},
        {"a mini stream size beyond the mini stream",
         [&](RawFile& r) { r.set(r.entry("small") + cfb::ent::kSize, 4000); }},
        {"the directory chain loops", [&](RawFile& r) { r.set(r.fat(r.get(48)), r.get(48)); }},
        {"the tree loops", [&](RawFile& r) { r.set(r.entry("big") + cfb::ent::kLeft, 1); }}, // itself
        {"an entry number out of range", [&](RawFile& r) { r.set(r.entry("big") + cfb::ent::kLeft, 5000); }},
        {"an unknown entry type", [&](RawFile& r) { r.set(r.entry("big") + cfb::ent::kType, 7, 1); }},
        {"an impossible name length",
         [&](RawFile& r) { r.set(r.entry("big") + cfb::ent::kNameLength, 66, 2); }},
        {"more FAT sectors than the file has", [&](RawFile& r) { r.set(44, 1000); }},
        {"the first FAT sector past the end", [&](RawFile& r) { r.set(76, 90000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        TempDir dir;
        fs::path path = dir / "f.cfb";
        {
            CompoundFile f = createAndOpen(path);
            append(f, f.createStream(cfb::kRootEntry, u"big"), std::string(5000, 'b'));
            append(f, f.createStream(cfb::kRootEntry, u"small"), std::string(100, 's'));
            f.commit();
        }
        {
            RawFile raw(path);
            c.apply(raw);
        }
        // Open, look up an absent name (walks the tree), then read and append to both streams.
        auto everything = [&] {
            CompoundFile f = openWrite(path);
            f.find(cfb::kRootEntry, u"a");
            for (const char16_t* name : {u"big", u"small"}) {
                EntryId id = need(f.find(cfb::kRootEntry, name));
                readAll(f, id);
                append(f, id, "x");
            }
            f.commit();
        };
        EXPECT_EQ(failureOf(everything), Error::Corrupt);
    }
}

} // namespace
} // namespace vantor::history
