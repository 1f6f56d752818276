// The compound-file engine: appends across every size boundary, the directory tree, removal,
// shortening and FAT growth past the header's 109 slots. Files it writes are also read back by
// olefile.
#include "engine_test_helpers.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace vantor::history {
namespace {

using namespace test;

TEST(CompoundNames, FollowTheFormatsOrder) {
    struct Case {
        std::u16string a, b;
        int expected;
    } cases[] = {
        {u"a", u"B", -1},
        {u"B", u"a", 1},
        {u"Z", u"aa", -1}, // shorter first, whatever the letters
        {u"abc", u"ABC", 0},
        {u"205d", u"205i", -1},
        {u"\u00e9t\u00e9", u"\u00c9T\u00c9", 0},
        {u"1234Data", u"99d", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cfb::compareNames(c.a, c.b), c.expected);
}

TEST(CompoundFile, AppendsReadBackAcrossEverySizeBoundary) {
    struct Case {
        const char* name;
        std::vector<size_t> appends;
    };
    std::vector<Case> cases = {
        {"nothing", {}},
        {"one byte", {1}},
        {"whole mini sectors", {64, 64}},
        {"mini sector edges", {63, 1, 65, 200}},
        {"just below the cutoff", {4095}},
        {"one byte over the cutoff", {4095, 1}},
        {"over the cutoff mid-append", {3000, 3000}},
        {"regular from the start", {4096}},
        {"regular tail filling", {5000, 12, 500, 1, 1023}},
        {"many small appends", std::vector<size_t>(300, 13)},
        {"one large append", {600000}},
    };
    TempDir dir;
    std::vector<fs::path> files;
    std::vector<std::vector<std::string>> expected;
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path path = dir / (std::string(c.name) + ".cfb");
        std::string x, y;
        {
            CompoundFile f = createAndOpen(path);
            EntryId s = f.createStorage(cfb::kRootEntry, u"s");
            EntryId xs = f.createStream(s, u"x");
            EntryId ys = f.createStream(s, u"y");
            for (size_t n : c.appends) {
                std::string more(n, '\0');
                for (char& ch : more)
                    ch = char(rng());
                append(f, xs, more);
                x += more;
                append(f, ys, "interleaved"); // a sibling growing between the appends
                y += "interleaved";
                if (rng() % 2) f.commit();
            }
            f.commit();
            EXPECT_EQ(readAll(f, xs), x);
        }
        CompoundFile f = openRead(path);
        EntryId s = need(f.find(cfb::kRootEntry, u"s"));
        EntryId xs = need(f.find(s, u"x"));
        ASSERT_EQ(readAll(f, xs), x);
        EXPECT_EQ(readAll(f, need(f.find(s, u"y"))), y);
        for (int i = 0; i < 20 && !x.empty(); ++i) { // reads at arbitrary offsets
            size_t at = rng() % x.size(), n = 1 + rng() % 700;
            std::string part(n, '\0');
            size_t got = f.read(xs, at, std::span(reinterpret_cast<uint8_t*>(part.data()), n));
            EXPECT_EQ(part.substr(0, got), x.substr(at, n));
        }
        files.push_back(path);
        expected.push_back({"D s", streamLine("s/x", x), streamLine("s/y", y)});
    }
    expectOlefileSees(files, expected);
}

TEST(CompoundFile, UncommittedAppendsLeaveTheFileAsItWas) {
    // What a process killed before commit() leaves: the chain may run past the size.
    for (size_t extra : {10u, 200u, 4000u, 70000u}) {
        SCOPED_TRACE(extra);
        TempDir dir;
        fs::path path = dir / "f.cfb";
        {
            CompoundFile f = createAndOpen(path);
            EntryId a = f.createStream(cfb::kRootEntry, u"a");
            append(f, a, std::string(100, 'a'));
            f.commit();
            append(f, a, std::string(extra, 'b')); // dropped: never committed
        }
        {
            CompoundFile f = openWrite(path);
            EntryId a = need(f.find(cfb::kRootEntry, u"a"));
            EXPECT_EQ(readAll(f, a), std::string(100, 'a'));
            append(f, a, std::string(5000, 'c'));
            f.commit();
        }
        expectOlefileSees({path}, {{streamLine("a", std::string(100, 'a') + std::string(5000, 'c'))}});
    }
}

TEST(CompoundFile, ManyElementsKeepTheNameOrder) {
    TempDir dir;
    fs::path path = dir / "f.cfb";
    std::vector<std::string> names;
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i)
        names.push_back(std::to_string(rng() % 100000) + (i % 2 ? "d" : "i"));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::shuffle(names.begin(), names.end(), rng);
    std::vector<std::string> expected{"D 1234Data"};
    {
        CompoundFile f = createAndOpen(path);
        EntryId s = f.createStorage(cfb::kRootEntry, u"1234Data");
        for (const std::string& n : names) {
            append(f, f.createStream(s, cfb::asciiName(n)), n);
            expected.push_back(streamLine("1234Data/" + n, n));
        }
        f.commit();
    }
    CompoundFile f = openRead(path);
    EntryId s = need(f.find(cfb::kRootEntry, u"1234Data"));
    auto children = f.children(s);
    ASSERT_EQ(children.size(), names.size());
    for (size_t i = 1; i < children.size(); ++i)
        EXPECT_LT(cfb::compareNames(children[i - 1].name, children[i].name), 0);
    for (const std::string& n : names)
        EXPECT_EQ(readAll(f, need(f.find(s, cfb::asciiName(n)))), n);
    EXPECT_FALSE(f.find(s, u"999999d"));
    std::sort(expected.begin(), expected.end());
    expectOlefileSees({path}, {expected});
}

TEST(CompoundFile, DestroyRemovesOneElementAndKeepsTheRest) {
    struct Case {
        const char* shape;
        std::vector<std::u16string> inserted; // in this order
        std::u16string removed;
    } cases[] = {
        {"leaf", {u"m", u"f", u"t", u"c"}, u"c"},
        {"node with a left child", {u"m", u"f", u"c"}, u"f"},
        {"node with a right child", {u"m", u"t", u"w"}, u"t"},
        {"top node with two children", {u"m", u"f", u"t"}, u"m"},
        {"two children, deep right side", {u"m", u"f", u"t", u"p", u"w", u"n", u"q", u"c"}, u"m"},
        {"inner node with two children", {u"m", u"f", u"t", u"c", u"h", u"g"}, u"f"},
        {"a storage with everything in it", {u"m", u"f", u"t"}, u"t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        TempDir dir;
        fs::path path = dir / "f.cfb";
        uintmax_t sizeBefore = 0;
        std::vector<std::string> expected;
        {
            CompoundFile f = createAndOpen(path);
            for (const std::u16string& n : c.inserted) {
                std::string narrow(n.begin(), n.end());
                if (narrow == "t" && std::string(c.shape).find("storage") != std::string::npos) {
                    EntryId t = f.createStorage(cfb::kRootEntry, n);
                    append(f, f.createStream(f.createStorage(t, u"inner"), u"deep"), std::string(9000, 'd'));
                    append(f, f.createStream(t, u"z"), "z");
                } else {
                    append(f, f.createStream(cfb::kRootEntry, n), std::string(5000, narrow[0]));
                }
                if (n != c.removed) expected.push_back(streamLine(narrow, std::string(5000, narrow[0])));
            }
            f.commit();
            sizeBefore = fs::file_size(path);
            f.destroy(cfb::kRootEntry, c.removed);
            EXPECT_FALSE(f.find(cfb::kRootEntry, c.removed));
            EXPECT_EQ(failureOf([&] { f.destroy(cfb::kRootEntry, c.removed); }), Error::NotFound);
        }
        CompoundFile f = openWrite(path);
        std::vector<std::string> seen;
        for (const cfb::ChildInfo& child : f.children(cfb::kRootEntry))
            seen.push_back(
                streamLine(std::string(child.name.begin(), child.name.end()), readAll(f, child.id)));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(seen, expected); // in name order, contents intact
        // The freed sectors are used again: the same data fits without growing the file.
        append(f, f.createStream(cfb::kRootEntry, c.removed), std::string(5000, 'r'));
        f.commit();
        EXPECT_LE(fs::file_size(path), sizeBefore);
        expected.push_back(
            streamLine(std::string(c.removed.begin(), c.removed.end()), std::string(5000, 'r')));
        std::sort(expected.begin(), expected.end());
        expectOlefileSees({path}, {expected});
    }
}

TEST(CompoundFile, RandomOperationsMatchAModel) {
    // Appends of every size, shortening, removal and re-creation in one file, so that freed
    // sectors and mini sectors get used again; checked against plain strings after each reopen.
    TempDir dir;
    fs::path path = dir / "f.cfb";
    std::mt19937 rng(99);
    std::map<std::u16string, std::string> model;
    const std::u16string names[] = {u"a", u"bb", u"c1", u"205d", u"205i", u"7d", u"7i", u"long name here"};
    CompoundFile::create(path, kFast);
    auto check = [&](CompoundFile& f) {
        EntryId s = need(f.find(cfb::kRootEntry, u"s"));
        ASSERT_EQ(f.children(s).size(), model.size());
        for (const auto& [name, bytes] : model)
            ASSERT_EQ(readAll(f, need(f.find(s, name))), bytes);
    };
    for (int session = 0; session < 40; ++session) {
        CompoundFile f = openWrite(path);
        if (session == 0) f.createStorage(cfb::kRootEntry, u"s");
        check(f);
        EntryId s = need(f.find(cfb::kRootEntry, u"s"));
        for (int op = 0; op < 30; ++op) {
            const std::u16string& name = names[rng() % std::size(names)];
            auto it = model.find(name);
            unsigned pick = rng() % 10;
            if (it == model.end()) {
                f.createStream(s, name);
                model[name];
            } else if (pick < 6) {
                size_t n = rng() % 3 ? rng() % 300 : rng() % 9000;
                std::string more = test::patternBytes(std::to_string(rng()), n);
                append(f, need(f.find(s, name)), more);
                it->second += more;
            } else if (pick < 8 && !it->second.empty()) {
                size_t to = rng() % it->second.size();
                f.truncate(need(f.find(s, name)), to);
                it->second.resize(to);
            } else if (pick == 8) {
                f.destroy(s, name);
                model.erase(it);
            } else {
                f.commit();
            }
        }
        f.commit();
    }
    CompoundFile f = openRead(path);
    check(f);
    std::vector<std::string> expected{"D s"};
    for (const auto& [name, bytes] : model)
        expected.push_back(streamLine("s/" + std::string(name.begin(), name.end()), bytes));
    std::sort(expected.begin(), expected.end());
    expectOlefileSees({path}, {expected});
}

TEST(CompoundFile, TruncateKeepsThePrefix) {
    struct Case {
        size_t from, to;
    } cases[] = {{10000, 5000}, {10000, 4096}, {10000, 100}, {3000, 1000}, {3000, 0}, {10000, 0}};
    TempDir dir;
    std::vector<fs::path> files;
    std::vector<std::vector<std::string>> expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        fs::path path = dir / (std::to_string(c.from) + "-" + std::to_string(c.to));
        std::string bytes = test::patternBytes("t", c.from);
        {
            CompoundFile f = createAndOpen(path);
            EntryId t = f.createStream(cfb::kRootEntry, u"t");
            EntryId other = f.createStream(cfb::kRootEntry, u"o");
            append(f, t, bytes);
            append(f, other, "other");
            f.commit();
            f.truncate(t, c.to);
            append(f, t, "more");
            f.commit();
        }
        CompoundFile f = openRead(path);
        EXPECT_EQ(readAll(f, need(f.find(cfb::kRootEntry, u"t"))), bytes.substr(0, c.to) + "more");
        files.push_back(path);
        expected.push_back({streamLine("o", "other"), streamLine("t", bytes.substr(0, c.to) + "more")});
    }
    expectOlefileSees(files, expected);
}

TEST(CompoundFile, GrowsTheFatPastTheHeaderSlots) {
    // 109 FAT sectors cover about 7 MB; 236 need a second DIFAT sector (about 15.5 MB).
    TempDir dir;
    fs::path path = dir / "big.cfb";
    std::string a, b;
    {
        CompoundFile f = createAndOpen(path);
        EntryId as = f.createStream(cfb::kRootEntry, u"a");
        EntryId bs = f.createStream(cfb::kRootEntry, u"b");
        for (int i = 0; i < 310; ++i) {
            std::string chunk = test::patternBytes(std::to_string(i), 50000 + size_t(i));
            append(f, i % 3 ? as : bs, chunk);
            (i % 3 ? a : b) += chunk;
        }
        f.commit();
    }
    {
        CompoundFile f = openWrite(path); // more growth in a later session
        EntryId as = need(f.find(cfb::kRootEntry, u"a"));
        std::string chunk = test::patternBytes("late", 1200000);
        append(f, as, chunk);
        a += chunk;
        f.commit();
    }
    ASSERT_GT(fs::file_size(path), 236u * 128 * 512);
    CompoundFile f = openRead(path);
    EXPECT_EQ(readAll(f, need(f.find(cfb::kRootEntry, u"a"))), a);
    EXPECT_EQ(readAll(f, need(f.find(cfb::kRootEntry, u"b"))), b);
    expectOlefileSees({path}, {{streamLine("a", a), streamLine("b", b)}});
}

} // namespace
} // namespace vantor::history
