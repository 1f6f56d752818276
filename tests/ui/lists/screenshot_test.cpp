// The drawn lists rendered on an X server of the test's own and kept as pictures in
// build/screenshots/ (lists-*.png) for people to look at: the frequent contacts big and small with
// presence badges and a blinking item, the recent contacts, the groups, the reminders and the
// notices. Each picture is checked: not blank, the parts drawn where they belong.
#include "../../directory/fakes.h"
#include "protocol/datetime.h"
#include "protocol/group.h"
#include "ui/kit/fonts.h"
#include "ui/lists/msg_list_box.h"
#include "ui/lists/my_list_box.h"
#include "ui/lists/user_list_box.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTest>

#include <cstring>
#include <set>

using namespace vantor;
using namespace vantor::directory::test;

namespace {

int colours(const QImage& img, const QRect& region) {
    std::set<QRgb> seen;
    const QRect r = region.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

QImage shoot(QWidget& w, const char* name) {
    w.show();
    QTest::qWait(50);
    const QImage img = w.grab().toImage();
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    img.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name)));
    return img;
}

class ListScreenshots : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::installFonts();
        h.signIn();
        const std::pair<const char*, uint8_t> people[] = {{"王芳", 0}, {"李娜", 1},  {"刘洋", 3},
                                                          {"陈静", 7}, {"杨帆", 10}, {"赵磊", 8},
                                                          {"孙悦", 9}, {"周涛", 0}};
        std::vector<protocol::ContactLink> links;
        uint32_t id = 100;
        for (const auto& [name, status] : people) {
            auto u = user(id, 10, name, status);
            u.signature = g(id == 100 ? "今天下午三点开会" : id == 101 ? "在写季度报告" : "");
            h.feed(userItem(u));
            links.push_back({id, id < 106 ? 5u : 6u});
            ++id;
        }
        h.feed(contactGroups({{5, g("管理团队")}, {6, g("常用同事")}, {7, g("客户")}}));
        h.feed(contactLinks(links));
    }
    ui::TUserListBox* box(const char* name, QAbstractItemModel* model) {
        auto* b = new ui::TUserListBox(QLatin1String(name), QStringLiteral(VANTOR_BIN_DIR "/SysImages/"));
        owned.emplace_back(b);
        b->resize(260, 420);
        b->setModel(model);
        return b;
    }

    Harness h;
    std::vector<std::unique_ptr<QWidget>> owned;
};

TEST_F(ListScreenshots, FrequentContactsBigAndSmall) {
    for (const bool big : {true, false}) {
        h.core.SetBigIcons(big);
        ui::TUserListBox* b = box("UserListFrequent", &h.core.frequent());
        h.core.frequent().Fill(true);
        b->setExpanded(b->list().sectionIndex(1), true);
        b->SetBlinking(100u, true);
        b->setCurrentIndex(b->list().itemIndex(0, 1));
        const QImage img = shoot(*b, big ? "lists-frequent-big" : "lists-frequent-small");
        const int itemH = big ? 51 : 27;
        SCOPED_TRACE(big ? "big" : "small");
        EXPECT_GT(colours(img, QRect(23, 4, 120, 16)), 4) << "the caption";
        for (int row = 0; row < 6; ++row)
            EXPECT_GT(colours(img, QRect(0, 24 + row * itemH, 260, itemH)), 8) << "item " << row;
        // The badges: busy (李娜), away (刘洋), mute (陈静), phone (杨帆); none for the offline.
        const QPoint badge = big ? QPoint(38, 34) : QPoint(17, 12);
        for (int row : {1, 2, 3, 4})
            EXPECT_GT(colours(img, QRect(badge + QPoint(0, 24 + row * itemH), QSize(11, 11))), 3) << row;
        // Blinking: the icon is there in the first phase.
        const QPoint icon = (big ? QPoint(9, 34) : QPoint(11, 13)) + QPoint(3, 24 + 8);
        EXPECT_GT(img.pixelColor(icon).red(), 200);
    }
}

TEST_F(ListScreenshots, RecentContactsAndGroups) {
    ui::TUserListBox* recent = box("UserListRecent", &h.core.recent());
    h.core.recent().FillRecent(",104,101,100,");
    const QImage r = shoot(*recent, "lists-recent");
    EXPECT_GT(colours(r, QRect(0, 24, 260, 3 * 51)), 30);

    for (const auto& [i, name, topic] :
         {std::tuple{0u, "项目组", "周五评审"}, std::tuple{1u, "午餐群", ""}}) {
        protocol::GroupItem item;
        item.index = i;
        item.group.guid.data1 = i + 1;
        item.group.name = g(name);
        item.group.topic = g(topic);
        h.feed(protocol::makeMessage(protocol::Cmd::GroupItem, item));
    }
    h.core.groups().FillGroups(true);
    ui::TUserListBox* groups = box("UserListGroups", &h.core.groups());
    groups->setGroupMode(true);
    const QImage gi = shoot(*groups, "lists-groups");
    EXPECT_GT(colours(gi, QRect(260 - 53, 3, 48, 18)), 3) << "the create-group button";
    EXPECT_GT(colours(gi, QRect(0, 24, 260, 2 * 51)), 30);
}

TEST_F(ListScreenshots, RemindersAndNotices) {
    const double now = protocol::nowDayCount();
    auto record = [](uint8_t id, const char* source, const char* text, const char* link, double when) {
        std::string b(663, '\0');
        const std::string s = g(source), t = g(text);
        b[4] = char(id);
        b[55] = char(s.size());
        std::memcpy(&b[56], s.data(), s.size());
        std::memcpy(&b[117], &when, 8);
        b[133] = char(std::min<size_t>(t.size(), 255));
        std::memcpy(&b[134], t.data(), std::min<size_t>(t.size(), 255));
        b[389] = char(std::strlen(link));
        std::memcpy(&b[390], link, std::strlen(link));
        return b;
    };
    ui::TMsgListBox reminders;
    reminders.resize(283, 360);
    reminders.AddItem(record(1, "考勤", "请于本周五前补签上周的考勤记录。", "", now - 4));
    reminders.AddItem(
        record(2, "审批", "您有一份报销单等待审批，点击查看。", "http://oa.example/approve/17", now - 1));
    std::string longText;
    for (int i = 0; i < 16; ++i)
        longText += "会议室预约已确认，";
    reminders.AddItem(record(3, "会议", longText.c_str(), "", now));
    const QImage ri = shoot(reminders, "lists-reminders");
    EXPECT_GT(colours(ri, reminders.itemRect(0)), 10);
    EXPECT_FALSE(reminders.hintText(0).isEmpty()) << "the long text is cut, with its hint";

    ui::TMyListBox notices;
    notices.resize(260, 240);
    notices.AddNotice(g("办公区网络维护通知"), g("已阅读"), 1, true, false, {},
                      g("本周六上午九点至十二点网络维护"));
    notices.AddNotice(g("关于二零二六年春节放假安排的通知"), g("未读"), 2, false, true, {},
                      g("各部门：根据国家规定，春节放假安排如下，请周知。"));
    notices.AddNotice(g("季度总结会"), g("未读"), 3, false, false, {}, g("请各部门负责人准备材料"));
    notices.show();
    QTest::mouseClick(notices.viewport(), Qt::LeftButton, {}, notices.itemRect(1).center());
    const QImage ni = shoot(notices, "lists-notices");
    EXPECT_EQ(ni.pixelColor(3, notices.itemRect(0).top() + 46), QColor(183, 183, 183)) << "the line below";
    EXPECT_GT(colours(ni, notices.itemRect(1)), 10);
}

} // namespace
