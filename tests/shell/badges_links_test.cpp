#include "protocol/text.h"
#include "shell/badges.h"
#include "shell/toolbar_links.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vantor::shell {
namespace {

std::string pendingCounts(uint32_t kind, uint32_t op, int32_t value) {
    std::string b(45, '\x11'); // the unused head is not looked at
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    put(33, kind);
    put(37, op);
    put(41, uint32_t(value));
    return b;
}

TEST(PendingCounts, DecodesFromTheRecordsBytes) {
    const auto r = decodePendingCounts(pendingCounts(2, 1, -3));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, 2u);
    EXPECT_EQ(r->operation, 1u);
    EXPECT_EQ(r->value, -3);
    EXPECT_FALSE(decodePendingCounts(pendingCounts(2, 1, 3).substr(0, 44)));
}

TEST(BadgeCounters, SequencesOfRecordsAndWhatTheBadgeShows) {
    struct Step {
        uint32_t kind, op;
        int32_t value;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        BadgeKind badge;
        BadgeDisplay shown;
    };
    const Case cases[] = {
        {"notices count one less than sent", {{1, 0, 6}}, BadgeKind::Notices, {true, "5", 8}},
        {"notices at one sent show nothing", {{1, 0, 1}}, BadgeKind::Notices, {}},
        {"notices from zero do not go negative", {{1, 0, 0}}, BadgeKind::Notices, {}},
        {"set", {{2, 0, 42}}, BadgeKind::MessageCentre, {true, "42", 4}},
        {"add", {{2, 0, 8}, {2, 1, 2}}, BadgeKind::MessageCentre, {true, "10", 4}},
        {"100 is 99+", {{2, 0, 100}}, BadgeKind::MessageCentre, {true, "99+", 2}},
        {"99 is still a number", {{2, 0, 99}}, BadgeKind::MessageCentre, {true, "99", 4}},
        {"3 minus 5 is nothing", {{2, 0, 3}, {2, 2, 5}}, BadgeKind::MessageCentre, {}},
        {"an unknown operation zeroes", {{2, 0, 7}, {2, 9, 1}}, BadgeKind::MessageCentre, {}},
        {"adding never overflows",
         {{2, 0, 2147483647}, {2, 1, 2147483647}, {2, 1, 2147483647}},
         BadgeKind::MessageCentre,
         {true, "99+", 2}},
        {"a negative set shows nothing", {{2, 0, -4}}, BadgeKind::MessageCentre, {}},
        {"an unknown kind changes nothing",
         {{2, 0, 4}, {3, 0, 50}},
         BadgeKind::MessageCentre,
         {true, "4", 8}},
    };
    for (const Case& c : cases) {
        BadgeCounters b;
        for (const Step& s : c.steps)
            b.OnPendingCounts(*decodePendingCounts(pendingCounts(s.kind, s.op, s.value)));
        EXPECT_EQ(b.display(c.badge), c.shown)
            << c.what << " shows " << b.display(c.badge).text.toStdString();
        EXPECT_LE(b.count(c.badge), BadgeCounters::kMaxCount) << c.what;
    }
}

std::string toolbarLink(const std::string& hint, const std::string& link, uint32_t kind) {
    std::string b(416, '\0');
    b[4] = char(hint.size());
    std::memcpy(&b[5], hint.data(), hint.size());
    b[156] = char(link.size());
    std::memcpy(&b[157], link.data(), link.size());
    for (int i = 0; i < 4; ++i)
        b[412 + size_t(i)] = char((kind >> (8 * i)) & 0xFF);
    return b;
}

TEST(ToolbarLinks, DecodesFromTheRecordsBytes) {
    const std::string hint = protocol::toGbk("考勤");
    const auto r = decodeToolbarLink(toolbarLink(hint, "http://h/a?u=%s", 3));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->hint, hint);
    EXPECT_EQ(r->link, "http://h/a?u=%s");
    EXPECT_EQ(r->kind, 3u);
    EXPECT_FALSE(decodeToolbarLink(toolbarLink(hint, "x", 3).substr(0, 415)));
    // A length byte beyond its field is held to the field.
    std::string longHint = toolbarLink("", "http://h/", 2);
    longHint[4] = char(0xFF);
    EXPECT_EQ(decodeToolbarLink(longHint)->hint.size(), 151u);
}

TEST(ToolbarLinks, TheTemplateTakesAccountAndPasswordLiterally) {
    struct Case {
        const char* tmpl;
        const char* account;
        const char* password;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h/sso?u=%s&p=%s", "zhangwei", "pw", "http://h/sso?u=zhangwei&p=pw"},
        {"http://h/?p=%s&u=%s", "a", "b", "http://h/?p=a&u=b"},
        {"http://h/%d/%x?u=%s", "a", "b", "http://h/%d/%x?u=a"},
        {"http://h/?u=%s&p=%s&q=%s", "a", "b", "http://h/?u=a&p=b&q=%s"},
        {"http://h/?u=%s&p=%s", "a&b=c", "%s %n", "http://h/?u=a%26b%3Dc&p=%25s%20%25n"},
        {"http://h/?u=%s", "张伟", "", "http://h/?u=%E5%BC%A0%E4%BC%9F"},
        {"http://h/plain", "a", "b", "http://h/plain"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            fillLinkTemplate(protocol::toGbk(c.tmpl), protocol::toGbk(c.account), protocol::toGbk(c.password))
                .toStdString(),
            c.expected)
            << c.tmpl;
}

TEST(ToolbarLinks, OnlyWebAndMailLinksOpen) {
    struct Case {
        const char* link;
        bool opens;
    };
    const Case cases[] = {
        {"http://intranet/kq", true},
        {"HTTPS://intranet/kq", true},
        {"mailto:hr@example.com", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"smb://server/share", false},
        {"http://", false},
        {"", false},
        {"vantor-agent:uin=1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(openableLink(QString::fromUtf8(c.link)).has_value(), c.opens) << c.link;
}

TEST(ToolbarLinks, ANewRecordReplacesTheOldOneOfItsKind) {
    ToolbarLinks links;
    EXPECT_TRUE(links.add({"a", "http://a/", 2}));
    EXPECT_TRUE(links.add({"b", "http://b/", 3}));
    EXPECT_TRUE(links.add({"c", "http://c/", 2}));
    EXPECT_FALSE(links.add({"d", "http://d/", 7}));
    EXPECT_FALSE(links.add({"e", "http://e/", 0}));
    EXPECT_EQ(links.size(), 2u);
    EXPECT_EQ(links.find(2)->link, "http://c/");
    EXPECT_EQ(links.find(3)->link, "http://b/");
    EXPECT_EQ(links.find(4), nullptr);
    // Which button each kind dresses.
    const int buttons[] = {-1, 0, 1, 2, 3, 4, 0, -1};
    for (uint32_t kind = 0; kind < 8; ++kind)
        EXPECT_EQ(toolbarButtonOf(kind), buttons[kind]) << kind;
}

} // namespace
} // namespace vantor::shell
