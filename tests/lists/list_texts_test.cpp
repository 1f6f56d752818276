// The texts of the reminder and notice lists: relative dates against a fixed "now", byte cuts on
// GBK character boundaries, reminder records by offset, the read record, links, notices.
#include "lists/notice_list.h"
#include "lists/relative_date.h"
#include "lists/reminder_list.h"
#include "protocol/datetime.h"
#include "protocol/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace vantor;
using namespace vantor::lists;

namespace {

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return protocol::dayCountFromLocal({y, mo, d, h, mi, s, 0});
}
std::string u(const std::string& gbk) {
    return protocol::fromGbk(gbk);
}
std::string g(const char* utf8) {
    return protocol::toGbk(utf8);
}

} // namespace

TEST(RelativeDate, AroundMidnightMonthEndsAndYearEnds) {
    struct Case {
        double item, now;
        const char* text;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {at(2026, 3, 1, 9, 5), at(2026, 3, 1, 23, 0), "上午9:05"},
        {at(2026, 3, 1, 0, 0), at(2026, 3, 1, 0, 0, 1), "上午12:00"},
        {at(2026, 3, 1, 12, 0), at(2026, 3, 1, 23, 0), "下午12:00"},
        {at(2026, 3, 1, 15, 30), at(2026, 3, 1, 15, 31), "下午3:30"},
        {at(2026, 2, 28, 23, 59), at(2026, 3, 1, 0, 0, 1), "昨天"},  // across a month end
        {at(2024, 2, 29, 23, 59, 59), at(2024, 3, 1, 0, 0), "昨天"}, // a leap day
        {at(2025, 12, 31, 23, 59), at(2026, 1, 1, 0, 1), "昨天"},    // across a year end
        {at(2026, 2, 27, 0, 0), at(2026, 3, 1, 23, 59), "前天"},
        {at(2026, 2, 26, 23, 59), at(2026, 3, 1, 0, 0), "3 天前"},
        {at(2025, 3, 1), at(2026, 3, 1), "365 天前"},
        {at(2026, 3, 5, 8, 0), at(2026, 3, 1, 10, 0), "上午8:00"}, // the future counts as today
        {nan, at(2026, 3, 1), ""},
        {std::numeric_limits<double>::infinity(), at(2026, 3, 1), ""},
        {1e300, at(2026, 3, 1), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(u(relativeDate(c.item, c.now)), c.text) << c.item << " against " << c.now;
}

TEST(ByteCuts, NeverSplitADoubleByteCharacter) {
    const std::string han = g("汉"); // two bytes
    std::string allHan;
    for (int i = 0; i < 150; ++i)
        allHan += han; // 300 bytes
    struct Case {
        std::string text;
        size_t keptBytes; // before the "..."
    };
    const Case cases[] = {
        {allHan, 222},                // 111 characters
        {"a" + allHan, 223},          // the character across byte 222 is kept whole
        {std::string(222, 'x'), 222}, // exactly the limit: unchanged
        {std::string(223, 'x'), 222},
        {std::string(221, 'x') + han + "z", 223}, // ends inside the last character
        {std::string(220, 'x') + han + "yy", 222},
    };
    for (const Case& c : cases) {
        Reminder r;
        r.text = c.text;
        const std::string shown = r.shownText();
        const bool cut = c.text.size() > Reminder::kTextCut;
        EXPECT_EQ(shown.size(), c.keptBytes + (cut ? 3 : 0)) << c.text.size();
        EXPECT_EQ(shown.substr(0, c.keptBytes), c.text.substr(0, c.keptBytes));
        EXPECT_EQ(r.hint(), cut ? c.text : std::string()) << "the whole text is the hint only when cut";
        EXPECT_EQ(g(u(shown).c_str()), shown) << "whole characters only";
    }
}

TEST(ByteCuts, NoticeTitleAndSecondLineUseTheFullWidthEllipsis) {
    Notice n;
    n.title = g("关于二零二六年春节放假安排的通知"); // 32 bytes
    n.secondLine = g("各部门：根据国家规定，春节放假安排如下，请周知。");
    EXPECT_EQ(u(n.shownTitle()), "关于二零二六年…");
    EXPECT_EQ(u(n.shownSecondLine(250)),
              "各部门：根据国家规定，春节放假…");                          // 29 bytes end inside a character
    EXPECT_EQ(u(n.shownSecondLine(189)), "各部门：根据国家规定，春节放…"); // 27 bytes end inside one too
    n.title = "a" + g("通知");
    EXPECT_EQ(u(n.shownTitle()), "a通知") << "short titles stay whole";
}

TEST(Reminders, DecodeByOffsetAndBoundLengths) {
    std::string body(663, '\0');
    const uint8_t guid[16] = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56, 1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(&body[4], guid, 16);
    body[24] = 4;
    std::memcpy(&body[25], "task", 4);
    const std::string source = g("待办");
    body[55] = char(source.size());
    std::memcpy(&body[56], source.data(), source.size());
    const double when = at(2026, 3, 1, 9, 30);
    uint64_t bits;
    std::memcpy(&bits, &when, 8);
    for (int i = 0; i < 8; ++i)
        body[117 + size_t(i)] = char(bits >> (8 * i));
    body[133] = char(255); // a full text
    std::memset(&body[134], 'x', 255);
    body[389] = char(200); // claims more than follows before the end: bounded by the record
    std::memcpy(&body[390], "https://example.org/a", 21);

    const auto r = decodeReminder(body);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->itemGuid.toString(), "{12345678-1234-5678-0102-030405060708}");
    EXPECT_EQ(r->categoryKey, "task");
    EXPECT_EQ(u(r->sourceText()), "[待办] ");
    EXPECT_DOUBLE_EQ(r->itemTime, when);
    EXPECT_EQ(r->text, std::string(255, 'x'));
    EXPECT_EQ(r->link.size(), 200u);
    EXPECT_EQ(r->link.substr(0, 21), "https://example.org/a");

    body[24] = char(250); // a length byte above the field's 30 bytes
    EXPECT_EQ(decodeReminder(body)->categoryKey.size(), 30u);
    EXPECT_FALSE(decodeReminder(body.substr(0, 662)));

    // The read record for the server: CategoryKey as length byte + 30 bytes, then the identity.
    const std::string read = r->readRecord();
    ASSERT_EQ(read.size(), 47u);
    EXPECT_EQ(read[0], 4);
    EXPECT_EQ(read.substr(1, 4), "task");
    EXPECT_EQ(read.substr(5, 26), std::string(26, '\0'));
    EXPECT_EQ(read.substr(31), std::string(reinterpret_cast<const char*>(guid), 16));
}

TEST(Reminders, RemovingByIdentityRemovesEveryCopy) {
    auto record = [](uint8_t id, const char* text) {
        std::string b(663, '\0');
        b[4] = char(id);
        b[133] = char(std::strlen(text));
        std::memcpy(&b[134], text, std::strlen(text));
        return b;
    };
    ReminderList list;
    EXPECT_TRUE(list.AddItem(record(1, "a")));
    EXPECT_TRUE(list.AddItem(record(2, "b")));
    EXPECT_TRUE(list.AddItem(record(1, "c")));
    EXPECT_FALSE(list.AddItem("short"));
    ASSERT_EQ(list.items().size(), 3u);
    EXPECT_EQ(list.items()[0].text, "c") << "newest first";
    EXPECT_EQ(list.RemoveItems(list.items()[0].itemGuid), 2u);
    ASSERT_EQ(list.items().size(), 1u);
    EXPECT_EQ(list.items()[0].text, "b");
    EXPECT_EQ(list.RemoveItems(list.items()[0].itemGuid), 1u);
    EXPECT_EQ(list.RemoveItems(wire::Guid{}), 0u);
}

TEST(Reminders, OnlyWebAndMailLinksOpen) {
    struct Case {
        const char* link;
        bool opens;
    };
    const Case cases[] = {
        {"http://intranet/notice?id=3", true},
        {"HTTPS://example.org/", true},
        {"mailto:admin@example.org", true},
        {"file:///etc/passwd", false},
        {"/home/user/.bashrc", false},
        {"C:\\Windows\\system32\\calc.exe", false},
        {"javascript:alert(1)", false},
        {"smb://server/share", false},
        {"http://", false},
        {"mailto:", false},
        {"http://a b", false},
        {"http://a\nfile:///x", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linkMayOpen(c.link), c.opens) << c.link;
}

TEST(Notices, NewestFirstSelectionFollowsAndDeleteOnlyWhenAllowed) {
    NoticeList list;
    Notice a;
    a.title = "a";
    a.deletable = true;
    list.AddNotice(a);
    list.select(0);
    Notice b;
    b.title = "b";
    list.AddNotice(b);
    EXPECT_EQ(list.items()[0].title, "b");
    EXPECT_EQ(list.selected(), 1) << "the selection stays on its notice";
    EXPECT_TRUE(list.showsDelete(1));
    list.select(0);
    EXPECT_FALSE(list.showsDelete(0)) << "not deletable";
    EXPECT_FALSE(list.showsDelete(1)) << "not selected";
    list.MarkRead(1);
    EXPECT_TRUE(list.items()[1].read);
    list.select(1);
    list.remove(0);
    EXPECT_EQ(list.selected(), 0);
    list.select(5);
    EXPECT_EQ(list.selected(), -1);
}
