// The organisation tree's rows: texts, pictures and order by status, the presence grouping,
// the counters, and that a status change touches only its row and the counters above it.
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

struct StatusRow {
    uint8_t status;
    const char* text;
    int stateIndex;
    int picture; // base 2 plus the offset
    bool online;
    friend void PrintTo(const StatusRow& c, std::ostream* os) { *os << "status " << int(c.status); }
};

class TreeRows : public ::testing::TestWithParam<StatusRow> {};

TEST_P(TreeRows, StatusGivesTextPictureAndStateIndex) {
    const StatusRow& c = GetParam();
    Harness h;
    h.feed(departmentItem(10, 0, "部"));
    h.feed(userItem(user(2, 10, "张三", c.status)));
    const QModelIndex i = h.core.tree().indexOfUser(2);
    EXPECT_EQ(i.data().toString().toStdString(), c.text);
    EXPECT_EQ(i.data(TreeModel::StateIndexRole).toInt(), c.stateIndex);
    EXPECT_EQ(i.data(TreeModel::PictureIndexRole).toInt(), c.picture);
    EXPECT_EQ(h.core.tree().indexOfDepartment(10).data().toString().toStdString(),
              c.online ? "部 (1/1)" : "部 (0/1)");
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, TreeRows,
    ::testing::Values(StatusRow{0, "张三", 90, 7, true}, StatusRow{1, "张三（忙碌）", 91, 5, true},
                      StatusRow{2, "张三（马上回来）", 92, 4, true},
                      StatusRow{3, "张三（离开）", 93, 4, true},
                      StatusRow{4, "张三（接听电话）", 94, 5, true},
                      StatusRow{5, "张三（外出就餐）", 95, 4, true},
                      StatusRow{6, "张三（参加会议）", 96, 5, true},
                      StatusRow{7, "张三（请勿打扰）", 97, 6, true}, StatusRow{8, "张三", 100, 2, false},
                      StatusRow{9, "张三", 100, 2, false}, StatusRow{10, "张三", 98, 3, true},
                      // bit 7 is ignored; a code without a name shows empty brackets, the away offset and
                      // keeps the row's state index (a new row has none yet)
                      StatusRow{0x83, "张三（离开）", 93, 4, true}, StatusRow{11, "张三（）", 0, 4, true},
                      StatusRow{200, "张三（）", 0, 4, true}));

namespace {

void loadSmallOrganisation(Harness& h) {
    h.feed(departmentItem(10, 0, "总部"));
    h.feed(departmentItem(11, 10, "研发部"));
    h.feed(userItem(user(2, 11, "张三", 8)));
    h.feed(userItem(user(3, 11, "李四", 1)));
    h.feed(userItem(user(4, 11, "王五", 0)));
    h.feed(userItem(user(5, 10, "赵六", 0)));
}

} // namespace

TEST(TreeOrder, UnsortedKeepsTheOrderOfInsertion) {
    DirectorySettings s;
    s.autoSort = false;
    s.wideSeparator = true;
    Harness h(s);
    loadSmallOrganisation(h);
    // Each colleague became its department's first child; departments follow the colleagues.
    EXPECT_EQ(dump(h.core.tree()), "总部  (3/4)\n"
                                   "  赵六\n"
                                   "  研发部  (2/3)\n"
                                   "    王五\n"
                                   "    李四（忙碌）\n"
                                   "    张三\n"
                                   "外部联系人  (0/0)\n");
}

TEST(TreeOrder, PresenceGroupingMovesColleaguesBetweenTheHeadings) {
    DirectorySettings s;
    s.treeGrouping = Grouping::ByPresence;
    Harness h(s);
    loadSmallOrganisation(h);
    EXPECT_EQ(dump(h.core.tree()), "在线 (3/3)\n  王五\n  赵六\n  李四（忙碌）\n离线 (0/1)\n  张三\n");
    EXPECT_EQ(h.core.tree().initiallyExpanded().data(TreeModel::NameRole).toString().toStdString(), "离线");

    std::vector<std::string> expanded;
    QObject::connect(&h.core.tree(), &TreeModel::expandRequested, [&](const QModelIndex& i) {
        expanded.push_back(i.data(TreeModel::NameRole).toString().toStdString());
    });
    h.feed(statusMessage(2, 0));
    h.feed(statusMessage(4, 9)); // invisible is shown as offline
    EXPECT_EQ(dump(h.core.tree()), "在线 (3/3)\n  赵六\n  张三\n  李四（忙碌）\n离线 (0/1)\n  王五\n");
    EXPECT_EQ(expanded, (std::vector<std::string>{"在线", "离线"}));

    h.core.SetTreeGrouping(Grouping::ByDepartment);
    EXPECT_EQ(h.view.settings.back(), std::make_pair(ViewSetting::TreeView, std::string("Tree")));
    EXPECT_EQ(h.core.tree().indexOfDepartment(11).data().toString().toStdString(), "研发部 (2/3)");
}

TEST(TreeUpdates, AStatusChangeTouchesItsRowAndTheCountersAbove) {
    Harness h;
    loadSmallOrganisation(h);
    TreeModel& tree = h.core.tree();
    std::vector<std::string> changed;
    int moved = 0, structural = 0;
    QObject::connect(&tree, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& a, const QModelIndex& b) {
                         EXPECT_EQ(a, b);
                         changed.push_back(a.data(TreeModel::NameRole).toString().toStdString());
                     });
    QObject::connect(&tree, &QAbstractItemModel::rowsMoved, [&] { ++moved; });
    QObject::connect(&tree, &QAbstractItemModel::rowsInserted, [&] { ++structural; });
    QObject::connect(&tree, &QAbstractItemModel::rowsRemoved, [&] { ++structural; });
    QObject::connect(&tree, &QAbstractItemModel::modelReset, [&] { ++structural; });

    // Busy to away: still online and sorted in place; only the row changes.
    h.feed(statusMessage(3, 3));
    EXPECT_EQ(changed, std::vector<std::string>{"李四"});
    EXPECT_EQ(moved, 0);

    // Online to offline: the row moves to the end of its department, both counters change.
    changed.clear();
    h.feed(statusMessage(4, 8));
    EXPECT_EQ(changed, (std::vector<std::string>{"研发部", "总部", "王五"}));
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(structural, 0);
    EXPECT_EQ(dump(tree), "总部 (2/4)\n"
                          "  研发部 (1/3)\n"
                          "    李四（离开）\n"
                          "    王五\n"
                          "    张三\n"
                          "  赵六\n"
                          "外部联系人 (0/0)\n");
}

TEST(TreeUpdates, SignatureIsCutTo99Bytes) {
    Harness h;
    h.feed(departmentItem(10, 0, "部"));
    auto u = user(2, 10, "张三", 0);
    u.signature = std::string(98, 'x') + g("签"); // 100 bytes; the 99th is a lead byte
    h.feed(userItem(u));
    EXPECT_EQ(h.core.tree().indexOfUser(2).data(TreeModel::SignatureRole).toString().toStdString(),
              std::string(98, 'x'));
}

TEST(TreeUpdates, DepartmentCyclesStayAtTheTopLevel) {
    Harness h;
    h.feed(departmentItem(10, 11, "甲"));
    h.feed(departmentItem(11, 10, "乙"));
    h.feed(departmentItem(12, 12, "丙"));
    // 乙 went under 甲; 甲 cannot go under its own child.
    EXPECT_EQ(dump(h.core.tree()), "甲 (0/0)\n  乙 (0/0)\n丙 (0/0)\n外部联系人 (0/0)\n");
}

#ifdef VANTOR_HAVE_QTTEST
TEST(TreeUpdates, TheModelStaysConsistentThroughChanges) {
    Harness h;
    QAbstractItemModelTester tester(&h.core.tree(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    h.feed(userItem(user(2, 11, "张三", 0)));
    h.feed(userItem(user(3, 12, "李四", 8)));
    h.feed(departmentItem(12, 11, "测试组"));
    h.feed(departmentItem(11, 10, "研发部"));
    h.feed(departmentItem(10, 0, "总部"));
    for (uint8_t s : {1, 8, 0, 10, 9, 3})
        h.feed(statusMessage(2, s));
    h.feed(departmentItem(11, 10, "研发部", protocol::kItemRemoved));
    h.feed(userItem(user(3, 12, "李四", 0), protocol::kItemRemoved));
    h.core.SetTreeGrouping(Grouping::ByPresence);
    h.feed(statusMessage(2, 8));
    h.feed(statusMessage(2, 0));
    EXPECT_EQ(dump(h.core.tree()), "在线 (1/1)\n  张三\n离线 (0/0)\n");
}
#endif
