// Searching and exporting the message store: matches on character boundaries and in either letter
// case, one conversation or all, the pages hits land on, a stop from the caller, damaged and
// missing stores, and the plain-text and HTML exports.
#include "crypto/cipher.h"
#include "history/history_export.h"
#include "history/history_search.h"
#include "history_test_support.h"
#include "protocol/chat.h"
#include "protocol/datetime.h"
#include "protocol/text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vantor::history {
namespace {

constexpr int32_t kOwn = 1234;
using protocol::toGbk;

std::string recordOf(int32_t sender, int32_t receiver, const std::string& utf8, double when = 46000.5,
                     uint8_t kind = 0, uint8_t serviceSide = 0, uint32_t group = 0) {
    protocol::ChatMessage m;
    m.senderId = uint32_t(sender);
    m.recipientId = uint32_t(receiver);
    m.sendTime = when;
    m.key.kind = kind;
    m.key.serviceSide = serviceSide;
    m.key.groupId.data1 = group;
    m.text = crypto::DesEncryptText(toGbk(utf8));
    m.textLength = uint32_t(m.text.size());
    return m.encodeBody().substr(4);
}

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override { store_ = {dir_.path() / "History", kOwn, false}; }
    void add(int32_t partner, bool fromPartner, const std::string& utf8, double when = 46000.5) {
        const std::string r =
            fromPartner ? recordOf(partner, kOwn, utf8, when) : recordOf(kOwn, partner, utf8, when);
        ASSERT_TRUE(StoreMessageRecord(store_, r).ok());
    }
    std::vector<SearchHit> search(std::optional<std::string_view> key, const std::string& utf8) {
        std::vector<SearchHit> hits;
        SearchHistory(store_, key, toGbk(utf8), [&](const SearchHit& h) {
            hits.push_back(h);
            return true;
        });
        return hits;
    }
    test::TempDir dir_;
    StoreLocation store_;
};

TEST(GbkFind, MatchesOnlyWholeCharactersAndFoldsAsciiCase) {
    struct Case {
        std::string text, needle;
        size_t at;
    } cases[] = {
        {toGbk("周报"), toGbk("报"), 2},
        {"Hello World", "world", 6},
        {"HELLO", "hello", 0},
        {toGbk("中文"), "", std::string::npos},
        // "中" is D6 D0 and "文" CE C4: the bytes D0 CE straddle the two characters.
        {toGbk("中文"), "\xD0\xCE", std::string::npos},
        // A trail byte that is an ASCII letter: "丂" is 81 40 ('@'), "亐" is 81 5A ('Z').
        {"\x81\x5A", "z", std::string::npos},
        {"a\x81\x5Az", "z", 3},
        {"ab", "abc", std::string::npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindGbkText(c.text, c.needle), c.at) << protocol::fromGbk(c.text) << " / " << c.needle;
}

TEST_F(SearchTest, FindsInOneConversationOrAllWithTheirPages) {
    for (int i = 0; i < 250; ++i)
        add(205, i % 2 == 1,
            i == 7 || i == 150 || i == 249 ? "季度预算 第" + std::to_string(i) : "闲聊 " + std::to_string(i));
    add(206, true, "预算表发你了");
    add(206, false, "好的");

    auto hits = search("205", "预算");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].index, 7u);
    EXPECT_EQ(hits[0].page, 1);
    EXPECT_EQ(hits[1].page, 2);
    EXPECT_EQ(hits[2].index, 249u);
    EXPECT_EQ(hits[2].page, 3);
    EXPECT_EQ(protocol::fromGbk(hits[1].text), "季度预算 第150");
    EXPECT_EQ(hits[1].at, toGbk("季度").size());

    hits = search(std::nullopt, "预算");
    ASSERT_EQ(hits.size(), 4u);
    EXPECT_EQ(hits[3].key, "206");
    EXPECT_EQ(ListConversations(store_), (std::vector<std::string>{"205", "206"}));

    // The caller stops after the first hit.
    int calls = 0;
    const SearchStats stats = SearchHistory(store_, std::nullopt, toGbk("预算"), [&](const SearchHit&) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(stats.stopped);
    EXPECT_TRUE(search("205", "没有的词").empty());
}

TEST_F(SearchTest, SteppedSearchFindsTheSameAndLetsMessagesBeStoredBetweenSteps) {
    for (int i = 0; i < 250; ++i)
        add(205, i % 2 == 1, i % 37 == 0 ? "需要报价 " + std::to_string(i) : "其他 " + std::to_string(i));
    add(206, true, "报价单");
    std::vector<std::pair<std::string, uint64_t>> whole;
    SearchHistory(store_, std::nullopt, toGbk("报价"), [&](const SearchHit& h) {
        whole.emplace_back(h.key, h.index);
        return true;
    });
    ASSERT_EQ(whole.size(), 8u);
    for (uint64_t step : {1u, 7u, 100u, 4096u}) {
        SCOPED_TRACE(step);
        HistorySearcher searcher(store_, std::nullopt, toGbk("报价"));
        std::vector<std::pair<std::string, uint64_t>> stepped;
        int steps = 0;
        while (searcher.step(step, [&](const SearchHit& h) {
            stepped.emplace_back(h.key, h.index);
            return true;
        })) {
            ++steps;
            if (steps == 2) { // the store is free between steps
                ASSERT_TRUE(StoreMessageRecord(store_, recordOf(207, kOwn, "不相干", 46000.5)).ok());
            }
        }
        EXPECT_TRUE(searcher.finished());
        EXPECT_EQ(stepped, whole);
        EXPECT_GE(steps + 1, int(251 / step)) << "a step reads no more than it was given";
    }
}

TEST_F(SearchTest, MissingDamagedOrForeignStoresFindNothing) {
    EXPECT_TRUE(search(std::nullopt, "x").empty()) << "no store yet";
    StoreStatus status;
    EXPECT_TRUE(ListConversations(store_, &status).empty());
    EXPECT_TRUE(status.ok());

    add(205, true, "hello");
    struct Case {
        const char* key;
        StoreError error;
    } keys[] = {{"../205", StoreError::BadKey}, {"205d", StoreError::BadKey}, {"999", StoreError::None}};
    for (const Case& c : keys)
        EXPECT_EQ(SearchHistory(store_, c.key, "hello", [](const SearchHit&) { return true; }).status.error,
                  c.error)
            << c.key;

    // A store file that is something else is left alone.
    std::filesystem::remove(store_.historyFolder / kStoreFileName);
    std::ofstream(store_.historyFolder / kStoreFileName) << "not a compound file at all, just text";
    const SearchStats stats =
        SearchHistory(store_, std::nullopt, "hello", [](const SearchHit&) { return true; });
    EXPECT_EQ(stats.status.error, StoreError::NotCompound);
    EXPECT_EQ(stats.hits, 0u);
}

TEST_F(SearchTest, ExportsTextAndEscapedHtmlWithDateLines) {
    const double day = protocol::dayCountFromLocal({2026, 12, 9, 23, 59, 0});
    add(205, true, "晚安 <script>alert(1)</script>", day);
    add(205, false, "明天见", day + 2.0 / 24);
    const std::string notice = "文件已接收 OpenFile_/tmp/a%3Cb.txt<打开文件> OpenDir_/tmp<打开目录>";
    add(205, true, notice, day + 3.0 / 24);
    ExportOptions options;
    options.nameOf = [](int32_t id) { return id == 205 ? toGbk("李四") : std::string(); };
    options.title = toGbk("与李四的对话");

    std::ostringstream text;
    ExportStats stats = ExportConversation(store_, "205", ExportFormat::Text, text, options);
    EXPECT_TRUE(stats.status.ok());
    EXPECT_EQ(stats.records, 3u);
    EXPECT_EQ(text.str(), "与李四的对话\n\n"
                          "以下记录日期：2026-12-09\n"
                          "李四 23:59:00\n晚安 <script>alert(1)</script>\n"
                          "以下记录日期：2026-12-10\n"
                          "1234 01:59:00\n明天见\n"
                          "李四 02:59:00\n文件已接收 打开文件 打开目录\n");

    std::ostringstream html;
    ExportConversation(store_, "205", ExportFormat::Html, html, options);
    EXPECT_EQ(html.str().find("<script>"), std::string::npos) << "text from the store is escaped";
    EXPECT_NE(html.str().find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(html.str().find("color: #008000\">1234 01:59:00"), std::string::npos) << "own header green";

    // A filter makes codes readable.
    add(206, true, "好/~wx");
    options.filter = [](std::string_view s) {
        std::string out(s);
        out.replace(out.find("/~wx"), 4, "[smile]");
        return out;
    };
    std::ostringstream filtered;
    ExportConversation(store_, "206", ExportFormat::Text, filtered, options);
    EXPECT_NE(filtered.str().find("好[smile]"), std::string::npos);
}

} // namespace
} // namespace vantor::history
