// The frequent-contact, recent-contact and discussion-group lists.
#include "directory/status_display.h"
#include "fakes.h"
#include "model_dump.h"

#include <gtest/gtest.h>

#ifdef VANTOR_HAVE_QTTEST
#include <QAbstractItemModelTester>
#endif

using namespace vantor;
using namespace vantor::directory;
using namespace vantor::directory::test;

namespace {

// Group 5 "同事" with 张三 (offline), 李四 (online), 王五 (offline); 赵六 in no group.
void loadContacts(Harness& h) {
    h.signIn();
    h.feed(userItem(user(2, 10, "张三", 8)));
    h.feed(userItem(user(3, 10, "李四", 0)));
    h.feed(userItem(user(4, 10, "王五", 8)));
    h.feed(userItem(user(5, 10, "赵六", 0)));
    h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}}));
    h.feed(contactLinks({{2, 5}, {3, 5}, {4, 5}}));
}

} // namespace

TEST(FrequentContacts, CountsAndItemsInBothModes) {
    struct Case {
        bool showAll;
        const char* expected;
    };
    const Case cases[] = {
        {true, "同事(1/3)\n  李四\n  张三\n  王五\n朋友(0/0)\n"},
        {false, "同事(1/3)\n  李四\n朋友(0/0)\n"},
    };
    for (const auto& c : cases) {
        Harness h;
        loadContacts(h);
        h.core.frequent().Fill(c.showAll);
        EXPECT_EQ(dump(h.core.frequent()), c.expected);
    }
}

TEST(FrequentContacts, PresenceChangesMoveSingleItems) {
    Harness h;
    loadContacts(h);
    ContactListModel& list = h.core.frequent();
#ifdef VANTOR_HAVE_QTTEST
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
#endif
    list.Fill(true);
    h.feed(statusMessage(4, 1)); // comes online: to the top
    h.feed(statusMessage(3, 8)); // goes offline: to the end
    EXPECT_EQ(dump(list), "同事(1/3)\n  王五（忙碌）\n  张三\n  李四\n朋友(0/0)\n");

    h.core.SetShowAllContacts(false);
    EXPECT_EQ(h.view.settings.back(), std::make_pair(ViewSetting::FaceView, std::string("QQList")));
    std::vector<int> flashed;
    QObject::connect(&list, &ContactListModel::nameFlashRequested, [&](const QModelIndex& i) {
        flashed.push_back(i.data(SectionedListModel::IdRole).toInt());
    });
    h.feed(statusMessage(4, 8)); // disappears; the member count stays
    EXPECT_EQ(dump(list), "同事(0/3)\n朋友(0/0)\n");
    h.feed(statusMessage(2, 0)); // comes back with the name flash
    EXPECT_EQ(dump(list), "同事(1/3)\n  张三\n朋友(0/0)\n");
    EXPECT_EQ(flashed, std::vector<int>{2});
}

TEST(FrequentContacts, ItemTextsFollowTheIconSize) {
    struct Case {
        uint8_t status;
        bool big;
        const char* display;
        const char* second;
        Badge badge;
        bool grey;
    };
    const Case cases[] = {
        {0, true, "李四", "签名", Badge::None, false},
        {1, true, "李四（忙碌）", "签名", Badge::Busy, false},
        {1, false, "李四", "（忙碌）", Badge::Busy, false},
        {5, false, "李四", "（外出就餐）", Badge::Away, false},
        {7, true, "李四（请勿打扰）", "签名", Badge::Mute, false},
        {10, false, "李四", "签名", Badge::Phone, false}, // the phone badge has no text
        {8, true, "李四", "签名", Badge::None, true},
        {9, false, "李四", "签名", Badge::None, true},
    };
    for (const auto& c : cases) {
        Harness h;
        loadContacts(h);
        h.core.SetBigIcons(c.big);
        h.core.frequent().Fill(true);
        h.feed(statusMessage(3, c.status, false, 2, g("签名")));
        const QModelIndex i = h.core.frequent().indexOfUser(3);
        EXPECT_EQ(i.data().toString().toStdString(), c.display) << int(c.status);
        EXPECT_EQ(i.data(SectionedListModel::SecondLineRole).toString().toStdString(), c.second)
            << int(c.status);
        EXPECT_EQ(Badge(i.data(SectionedListModel::BadgeRole).toInt()), c.badge) << int(c.status);
        EXPECT_EQ(i.data(SectionedListModel::GreyRole).toBool(), c.grey) << int(c.status);
    }
}

TEST(FrequentContacts, PictureNamesFromTheNetworkMustBePlain) {
    struct Case {
        const char* name;
        const char* shown;
    };
    const Case cases[] = {{"12", "12"}, {"face_3", "face_3"},        {"../x", ""}, {"a/b", ""}, {"", ""},
                          {"a b", ""},  {"abcdefghij", "abcdefghij"}};
    for (const auto& c : cases) {
        Harness h;
        loadContacts(h);
        h.core.frequent().Fill(true);
        h.feed(statusMessage(3, 0, false, 1, c.name));
        EXPECT_EQ(h.core.frequent()
                      .indexOfUser(3)
                      .data(SectionedListModel::PictureNameRole)
                      .toString()
                      .toStdString(),
                  c.shown)
            << c.name;
    }
}

TEST(RecentContacts, FillTouchAndForget) {
    Harness h;
    loadContacts(h);
    RecentModel& recent = h.core.recent();
    recent.FillRecent("");
    EXPECT_EQ(dump(recent), "最近联系人\n");

    recent.FillRecent(",2,3,999,");
    EXPECT_EQ(dump(recent), "最近联系人\n  李四\n  张三\n"); // 999 is not known
    recent.TouchRecent(2);
    EXPECT_EQ(recent.recentText(), ",3,999,2,");
    recent.TouchRecent(2); // the same user twice in a row changes nothing
    EXPECT_EQ(recent.recentText(), ",3,999,2,");
    recent.TouchRecent(5);
    EXPECT_EQ(recent.recentText(), ",3,999,2,5,");
    EXPECT_EQ(dump(recent), "最近联系人\n  赵六\n  张三\n  李四\n");
    recent.ForgetRecent(3);
    EXPECT_EQ(recent.recentText(), ",999,2,5,");
    EXPECT_EQ(dump(recent), "最近联系人\n  赵六\n  张三\n");
    // Touching the last touched contact again after forgetting it brings it back.
    recent.ForgetRecent(5);
    EXPECT_EQ(dump(recent), "最近联系人\n  张三\n");
    recent.TouchRecent(5);
    EXPECT_EQ(recent.recentText(), ",999,2,5,");
    EXPECT_EQ(dump(recent), "最近联系人\n  赵六\n  张三\n");

    RecentModel fresh(h.dir());
    fresh.TouchRecent(4);
    EXPECT_EQ(fresh.recentText(), ",4,");
}

TEST(RecentContacts, ParsesOnlyDecimalIds) {
    EXPECT_EQ(parseRecentIds(",1,22,x,,4294967295,4294967296,-3,7"),
              (std::vector<uint32_t>{1, 22, 4294967295u, 7}));
}

TEST(DiscussionGroups, TheLoadFillsTheList) {
    Harness h;
    h.signIn();
    protocol::GroupItem item;
    item.index = 0;
    item.group.guid.data1 = 1;
    item.group.name = std::string(60, 'n');
    item.group.notice = g("公告");
    item.group.topic = g("周会");
    ASSERT_TRUE(h.feed(protocol::makeMessage(protocol::Cmd::GroupItem, item)));
    item.index = 1;
    item.group.guid.data1 = 2;
    item.group.name = g("项目组");
    h.feed(protocol::makeMessage(protocol::Cmd::GroupItem, item));
    h.core.groups().FillGroups(true);
    EXPECT_EQ(dump(h.core.groups()), "讨论组（群）\n  " + std::string(60, 'n') + "\n  项目组\n");
    EXPECT_TRUE(h.core.groups().index(0, 0).data(SectionedListModel::HasButtonRole).toBool());
    EXPECT_EQ(h.core.groups()
                  .index(1, 0, h.core.groups().index(0, 0))
                  .data(SectionedListModel::SecondLineRole)
                  .toString()
                  .toStdString(),
              "周会")
        << "the second line is the topic, not the notice";
    EXPECT_EQ(h.host.watchdogRestarts, 3); // the own record and the two groups
}

TEST(Views, ShowViewFillsAndStoresTheChoice) {
    Harness h;
    loadContacts(h);
    h.core.ShowView(kFrequentView);
    h.core.ShowView(kFrequentView); // already current
    EXPECT_TRUE(h.core.frequent().filled());
    EXPECT_EQ(h.view.views, std::vector<int>{kFrequentView});
    EXPECT_EQ(h.view.settings,
              (std::vector<std::pair<ViewSetting, std::string>>{{ViewSetting::ViewStyle, "FaceView"}}));
    EXPECT_EQ(h.core.viewMenuEntries().size(), 6u);
    h.core.ShowView(kTreeView);
    EXPECT_EQ(h.core.viewMenuEntries(), (std::vector<std::string>{g("部门/分组(&T)"), g("在线/离线(&L)"),
                                                                  g("添加分组"), g("删除此分组")}));

    Harness signedOut;
    signedOut.core.ShowView(kTreeView);
    EXPECT_TRUE(signedOut.view.views.empty());
}

#ifdef VANTOR_HAVE_QTTEST
TEST(Models, StayConsistentThroughReloadsAndSignOut) {
    Harness h;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
    for (QAbstractItemModel* m : std::initializer_list<QAbstractItemModel*>{
             &h.core.tree(), &h.core.frequent(), &h.core.recent(), &h.core.groups()})
        testers.push_back(std::make_unique<QAbstractItemModelTester>(
            m, QAbstractItemModelTester::FailureReportingMode::Fatal));
    loadContacts(h);
    h.core.frequent().Fill(true);
    h.core.recent().FillRecent(",2,3,");
    protocol::GroupItem group;
    group.group.guid.data1 = 7;
    h.feed(protocol::makeMessage(protocol::Cmd::GroupItem, group));
    // A second load from its first item: the lists start afresh under the attached views.
    h.feed(userItem(user(3, 10, "李四", 0), protocol::kItemLoad, 0));
    h.feed(departmentItem(10, 0, "总部", protocol::kItemLoad, 0));
    EXPECT_EQ(dump(h.core.tree()), "总部 (1/1)\n  李四\n外部联系人 (0/0)\n");
    EXPECT_EQ(dump(h.core.frequent()), "同事(1/3)\n  李四\n朋友(0/0)\n");
    EXPECT_EQ(dump(h.core.recent()), "最近联系人\n  李四\n");
    h.core.directory().setContactGroupMode(true);
    h.feed(contactGroups({{5, g("同事")}}));
    h.core.SignedOut();
    EXPECT_EQ(dump(h.core.frequent()), "");
    EXPECT_EQ(dump(h.core.groups()), "讨论组（群）\n");
}
#endif
