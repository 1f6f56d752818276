// The contact lists' geometry, sections, selection and attention effects over the directory's
// models, driven by directory messages; the timer is stepped by hand.
#include "../directory/fakes.h"
#include "directory/sectioned_model.h"
#include "lists/user_list.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;
using lists::ListAttention;
using lists::UserList;
using Hit = UserList::Hit;

namespace {

// Section "同事" (id 5) with 张三 (offline), 李四 (online), 王五 (offline); "朋友" (id 6) with 赵六 (online).
void load(Harness& h) {
    h.signIn();
    h.feed(userItem(user(2, 10, "张三", 8)));
    h.feed(userItem(user(3, 10, "李四", 0)));
    h.feed(userItem(user(4, 10, "王五", 8)));
    h.feed(userItem(user(5, 10, "赵六", 0)));
    h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}}));
    h.feed(contactLinks({{2, 5}, {3, 5}, {4, 5}, {5, 6}}));
}

// The names of a section's items, top to bottom, and its caption.
std::string names(const UserList& l, int section) {
    std::string out;
    for (int i = 0; i < l.itemCount(section); ++i)
        out += l.itemIndex(section, i).data(SectionedListModel::NameRole).toString().toStdString() + " ";
    return out;
}
std::string caption(const UserList& l, int section) {
    return l.sectionIndex(section).data().toString().toStdString();
}

} // namespace

TEST(UserList, FillLaysOutSectionsInBothModesAndSizes) {
    struct Case {
        bool showAll, big;
        int items; // in the first section
        const char* caption;
    };
    const Case cases[] = {{true, true, 3, "同事(1/3)"},
                          {true, false, 3, "同事(1/3)"},
                          {false, true, 1, "同事(1/3)"},
                          {false, false, 1, "同事(1/3)"}};
    for (const Case& c : cases) {
        DirectorySettings settings;
        settings.bigIcons = c.big;
        Harness h(settings);
        load(h);
        UserList list;
        list.setModel(&h.core.frequent());
        h.core.frequent().Fill(c.showAll);
        SCOPED_TRACE(testing::Message() << "showAll " << c.showAll << " big " << c.big);
        const int itemH = c.big ? 51 : 27;
        ASSERT_EQ(list.sectionCount(), 2);
        EXPECT_EQ(list.itemHeight(), itemH);
        EXPECT_EQ(list.itemCount(0), c.items);
        EXPECT_EQ(caption(list, 0), c.caption);
        // The fill opens the first section only.
        EXPECT_TRUE(list.expanded(0));
        EXPECT_FALSE(list.expanded(1));
        EXPECT_EQ(list.sectionTop(1), 24 + c.items * itemH);
        EXPECT_EQ(list.contentHeight(), 48 + c.items * itemH);
        // Hit areas: the header, an item's 26- or 48-pixel area from 3 pixels in, the gap below it.
        const int hitH = c.big ? 48 : 26;
        EXPECT_EQ(list.hitAt(100, 5, 200), (Hit{Hit::Header, 0, -1}));
        EXPECT_EQ(list.hitAt(100, 24, 200), (Hit{Hit::Item, 0, 0}));
        EXPECT_EQ(list.hitAt(100, 24 + hitH - 1, 200), (Hit{Hit::Item, 0, 0}));
        EXPECT_EQ(list.hitAt(100, 24 + hitH, 200), Hit{});
        EXPECT_EQ(list.hitAt(2, 30, 200), Hit{});
        EXPECT_EQ(list.hitAt(199, 30, 200), Hit{});
        EXPECT_EQ(list.hitAt(100, list.sectionTop(1) + 30, 200), Hit{}) << "a closed section's body";
        EXPECT_EQ(list.hitAt(100, list.contentHeight(), 200), Hit{});
    }
}

TEST(UserList, PresenceChangesMoveItemsAndChangeCounts) {
    struct Case {
        bool showAll;
        const char* afterOffline; // 李四 goes offline
        const char* captionOffline;
        const char* afterOnline; // 王五 comes online
        const char* captionOnline;
    };
    const Case cases[] = {
        {true, "张三 王五 李四 ", "同事(0/3)", "王五 张三 李四 ", "同事(1/3)"},
        {false, "", "同事(0/3)", "王五 ", "同事(1/3)"},
    };
    for (const Case& c : cases) {
        Harness h;
        load(h);
        UserList list;
        list.setModel(&h.core.frequent());
        h.core.frequent().Fill(c.showAll);
        SCOPED_TRACE(c.showAll ? "mode 4" : "mode 3");
        h.feed(statusMessage(3, 8));
        EXPECT_EQ(names(list, 0), c.afterOffline);
        EXPECT_EQ(caption(list, 0), c.captionOffline);
        EXPECT_EQ(list.sectionTop(1), 24 + list.itemCount(0) * 51) << "the geometry follows";
        h.feed(statusMessage(4, 1));
        EXPECT_EQ(names(list, 0), c.afterOnline);
        EXPECT_EQ(caption(list, 0), c.captionOnline);
        EXPECT_EQ(list.contentHeight(), 48 + list.itemCount(0) * 51);
    }
}

TEST(UserList, SizeSwitchAndRefillKeepOrderSelectionAndOpenSections) {
    Harness h;
    load(h);
    UserList list;
    list.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    list.setExpanded(1, true);
    list.click({Hit::Item, 0, 2}); // 王五
    const std::string order = names(list, 0);

    h.core.SetBigIcons(false);
    EXPECT_FALSE(list.bigIcons());
    EXPECT_EQ(list.sectionTop(1), 24 + 3 * 27);
    EXPECT_EQ(names(list, 0), order);
    EXPECT_EQ(UserList::keyOf(list.selected()), QStringLiteral("4"));

    // A presence change moves the selected contact; the selection goes with it.
    h.feed(statusMessage(4, 0));
    EXPECT_EQ(list.hitOf(list.selected()), (Hit{Hit::Item, 0, 0}));

    // A new contact group refills the list: the open sections stay open, the selection is found again.
    h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}, {7, g("新组")}}));
    ASSERT_EQ(list.sectionCount(), 3);
    EXPECT_TRUE(list.expanded(0));
    EXPECT_TRUE(list.expanded(1));
    EXPECT_FALSE(list.expanded(2));
    EXPECT_EQ(UserList::keyOf(list.selected()), QStringLiteral("4"));
    h.core.SetBigIcons(true);
    EXPECT_EQ(list.itemHeight(), 51);
    EXPECT_EQ(UserList::keyOf(list.selected()), QStringLiteral("4"));
}

TEST(UserList, MouseActionsReportToTheOwner) {
    Harness h;
    load(h);
    UserList list;
    list.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    QSignalSpy clicked(&list, &UserList::itemClicked), doubled(&list, &UserList::itemDoubleClicked),
        right(&list, &UserList::itemRightClicked), sectionRight(&list, &UserList::sectionRightClicked),
        button(&list, &UserList::sectionButtonClicked);

    list.click({Hit::Header, 0, -1});
    EXPECT_FALSE(list.expanded(0)) << "a header click closes the section";
    EXPECT_EQ(list.contentHeight(), 48);
    list.click({Hit::Header, 0, -1});
    EXPECT_TRUE(list.expanded(0));
    EXPECT_EQ(clicked.count(), 0);

    list.click({Hit::Item, 0, 1});
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(UserList::keyOf(list.selected()), QStringLiteral("2"));

    list.rightClick({Hit::Item, 0, 0}); // acts as a click first
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(right.count(), 1);
    EXPECT_EQ(UserList::keyOf(list.selected()), QStringLiteral("3"));

    list.rightClick({Hit::Header, 1, -1});
    ASSERT_EQ(sectionRight.count(), 1);
    EXPECT_EQ(sectionRight.at(0).at(1).toString(), QStringLiteral("朋友"));

    list.SetBlinking(QStringLiteral("3"), true);
    list.doubleClick({Hit::Item, 0, 0});
    EXPECT_EQ(doubled.count(), 1);
    EXPECT_FALSE(list.attention().blinking(QStringLiteral("3"))) << "a double click stops the icon";

    list.sectionButton(0);
    EXPECT_EQ(button.count(), 1);
    list.click(Hit{});
    list.doubleClick({Hit::Header, 0, -1});
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(doubled.count(), 1);
}

TEST(UserList, SectionsWithoutIdHaveNoButton) {
    Harness h;
    load(h);
    UserList recent;
    recent.setModel(&h.core.recent());
    h.core.recent().FillRecent(",2,");
    QSignalSpy button(&recent, &UserList::sectionButtonClicked);
    EXPECT_FALSE(recent.hasButton(0));
    recent.sectionButton(0);
    EXPECT_EQ(button.count(), 0);
    EXPECT_TRUE(recent.expanded(0));
    EXPECT_EQ(recent.contentHeight(), 24 + 51);
}

TEST(ListAttention, BlinkingRunsTheTimerOnlyWhileNeeded) {
    ListAttention a;
    QSignalSpy changed(&a, &ListAttention::changed);
    EXPECT_FALSE(a.timerActive());
    a.setBlinking(QStringLiteral("7"), true);
    EXPECT_TRUE(a.timerActive());
    EXPECT_TRUE(a.iconShown(QStringLiteral("7"))) << "shown at once";
    EXPECT_FALSE(a.iconShown(QStringLiteral("8")));
    a.tick();
    EXPECT_FALSE(a.iconShown(QStringLiteral("7")));
    a.tick();
    EXPECT_TRUE(a.iconShown(QStringLiteral("7")));
    a.setBlinking(QStringLiteral("7"), false);
    EXPECT_FALSE(a.iconShown(QStringLiteral("7")));
    EXPECT_FALSE(a.timerActive());
    EXPECT_EQ(changed.count(), 4);
    a.setBlinking(QStringLiteral("7"), false); // already off: nothing to repaint
    EXPECT_EQ(changed.count(), 4);
}

TEST(ListAttention, NameFlashEndsBlackAfterFifteenChanges) {
    ListAttention a;
    a.flash(QStringLiteral("5"));
    EXPECT_FALSE(a.flashLit(QStringLiteral("5")));
    for (int change = 1; change < ListAttention::kFlashChanges; ++change) {
        a.tick();
        EXPECT_EQ(a.flashLit(QStringLiteral("5")), change % 2 == 1) << change;
    }
    EXPECT_TRUE(a.flashing(QStringLiteral("5")));
    a.tick(); // the 15th change
    EXPECT_FALSE(a.flashing(QStringLiteral("5")));
    EXPECT_FALSE(a.flashLit(QStringLiteral("5")));
    EXPECT_FALSE(a.timerActive()) << "the timer is released";
}

TEST(UserList, AContactShownAfterTheFillFlashesItsName) {
    Harness h;
    load(h);
    UserList list;
    list.setModel(&h.core.frequent());
    h.core.frequent().Fill(false);
    h.feed(statusMessage(2, 0)); // 张三 comes online: a new item in mode 3
    EXPECT_TRUE(list.attention().flashing(QStringLiteral("2")));
    EXPECT_FALSE(list.attention().flashing(QStringLiteral("3")));
}

TEST(UserList, VisibleRowsAreOnlyThoseInView) {
    Harness h;
    h.signIn();
    std::vector<protocol::ContactLink> links;
    for (uint32_t id = 100; id < 140; ++id) {
        h.feed(userItem(user(id, 10, "同事", 0)));
        links.push_back({id, 5});
    }
    h.feed(contactGroups({{5, g("甲")}, {6, g("乙")}}));
    h.feed(contactLinks(links));
    UserList list;
    list.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    struct Case {
        int top, height;
        std::vector<std::pair<int, int>> rows; // (section, item); item −1 for a header
    };
    const Case cases[] = {
        {0, 100, {{0, -1}, {0, 0}, {0, 1}}},
        {24 + 51 * 10 + 3, 60, {{0, 10}, {0, 11}}},
        {24 + 51 * 39, 60, {{0, 39}, {1, -1}}},
        {5000, 100, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> seen;
        list.forEachVisible(
            c.top, c.height, [&](int s, int) { seen.emplace_back(s, -1); },
            [&](int s, int i, int) { seen.emplace_back(s, i); });
        EXPECT_EQ(seen, c.rows) << c.top;
    }
}
