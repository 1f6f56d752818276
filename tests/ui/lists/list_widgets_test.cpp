// The drawn lists as widgets: what the mouse and the wheel do, where the parts are painted.
#include "../../directory/fakes.h"
#include "directory/sectioned_model.h"
#include "protocol/datetime.h"
#include "ui/lists/msg_list_box.h"
#include "ui/lists/my_list_box.h"
#include "ui/lists/skin_library.h"
#include "ui/lists/user_list_box.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>

#include <cstring>

using namespace vantor;
using namespace vantor::directory::test;

namespace {

// 40 contacts online in "同事" (id 5), none in "朋友" (id 6).
void load(Harness& h) {
    h.signIn();
    std::vector<protocol::ContactLink> links;
    for (uint32_t id = 100; id < 140; ++id) {
        h.feed(userItem(user(id, 10, "同事", 0)));
        links.push_back({id, 5});
    }
    h.feed(contactGroups({{5, g("同事")}, {6, g("朋友")}}));
    h.feed(contactLinks(links));
}

void wheel(QWidget* w, int delta) {
    QWheelEvent e(QPointF(20, 20), w->mapToGlobal(QPointF(20, 20)), {}, QPoint(0, delta), Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

std::string reminder(uint8_t id, const std::string& text, const std::string& link, double when) {
    std::string b(663, '\0');
    b[4] = char(id);
    b[24] = 3;
    std::memcpy(&b[25], "oa1", 3);
    b[55] = 2;
    std::memcpy(&b[56], "OA", 2);
    std::memcpy(&b[117], &when, 8);
    b[133] = char(text.size());
    std::memcpy(&b[134], text.data(), text.size());
    b[389] = char(link.size());
    std::memcpy(&b[390], link.data(), link.size());
    return b;
}

} // namespace

TEST(TUserListBox, WheelMovesTwentyFivePixelsAndStopsAtTheTop) {
    Harness h;
    load(h);
    ui::TUserListBox box(QStringLiteral("UserListFrequent"), QString());
    box.resize(240, 300);
    box.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    box.show();
    struct Step {
        int delta, top;
    };
    const Step steps[] = {{-120, 25}, {-240, 75}, {-60, 75}, {-60, 100}, {120, 75}, {480, 0}, {120, 0}};
    for (const Step& s : steps) {
        wheel(box.viewport(), s.delta);
        EXPECT_EQ(box.scrollTop(), s.top) << s.delta;
    }
    // Scrolled, the rows are found where they are painted.
    wheel(box.viewport(), -120 * 4);
    const QModelIndex third = box.list().itemIndex(0, 2);
    EXPECT_EQ(box.visualRect(third).top(), 24 + 2 * 51 - 100);
    EXPECT_EQ(box.indexAt(box.visualRect(third).center()), third);
}

TEST(TUserListBox, ClicksReachTheOwnerAndTheHeaderButtonOnlyWhereShown) {
    Harness h;
    load(h);
    ui::TUserListBox box(QStringLiteral("UserListFrequent"), QString());
    box.resize(240, 300);
    box.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    box.show();
    std::vector<std::string> calls;
    auto record = [&](const char* what) {
        return [&calls, what](const QModelIndex&, const QVariant& id) {
            calls.push_back(what + (" " + id.toString().toStdString()));
        };
    };
    box.OnItemClick = record("click");
    box.OnItemDblClick = record("double");
    box.OnSectionButton = [&](int s, const QString& caption) {
        calls.push_back("button " + std::to_string(s) + " " + caption.toStdString());
    };
    const QModelIndex first = box.list().itemIndex(0, 0);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(first).center());
    EXPECT_EQ(box.currentIndex(), first);
    box.SetBlinking(100u, true);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(first).center());
    EXPECT_FALSE(box.isMarked(100u));

    // The header's button of a contact group, at the right edge, 3 pixels from the top.
    const QRect button = box.sectionButtonRect(0);
    EXPECT_EQ(button.right(), box.viewport()->width() - 4);
    EXPECT_EQ(button.top(), 3);
    QTest::mouseMove(box.viewport(), button.center());
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_TRUE(box.list().expanded(0)) << "the button does not toggle the section";
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_FALSE(box.list().expanded(0));
    EXPECT_EQ(calls, (std::vector<std::string>{"click 100", "double 100", "button 0 同事"}));
}

TEST(TUserListBox, HelpPictureOnlyWhileTheListIsEmpty) {
    Harness h;
    h.signIn();
    ui::TUserListBox box(QStringLiteral("UserListFrequent"), QString());
    box.resize(240, 300);
    box.setModel(&h.core.frequent());
    h.core.frequent().Fill(true);
    box.ShowHelpPicture(true, true);
    EXPECT_TRUE(box.helpPictureShown());
    const QImage shown = box.viewport()->grab().toImage();
    const QPixmap help = ui::SkinLibrary::shared().picture(QStringLiteral("HelpPic2"));
    const QPoint centre((240 - help.width()) / 2 + 87, 45 + 57); // the orange disc of "HelpPic2"
    EXPECT_EQ(shown.pixelColor(centre), help.toImage().pixelColor(87, 57));
    load(h);
    EXPECT_FALSE(box.helpPictureShown());
}

TEST(TMsgListBox, DeleteHandsOverTheReadRecordAndLinksOpenOnlyWhenSafe) {
    ui::TMsgListBox box;
    box.resize(283, 400);
    const double now = protocol::dayCountFromLocal({2026, 3, 2, 10, 0, 0, 0});
    box.now = [now] { return now; };
    std::vector<QUrl> opened;
    box.openLink = [&](const QUrl& u) { opened.push_back(u); };
    std::vector<std::string> deleted;
    box.OnDelete = [&](const std::string& record) { deleted.push_back(record); };
    ASSERT_TRUE(box.AddItem(reminder(1, "plain", "", now - 1)));
    ASSERT_TRUE(box.AddItem(reminder(2, "web", "https://intranet/oa", now)));
    ASSERT_TRUE(box.AddItem(reminder(3, "local", "file:///etc/passwd", now)));
    ASSERT_TRUE(box.AddItem(reminder(4, std::string(300 - 45, 'x'), "", now - 3)));
    box.show();
    EXPECT_EQ(box.timeText(3), QStringLiteral("昨天"));
    EXPECT_EQ(box.timeText(0), QStringLiteral("3 天前"));
    EXPECT_EQ(box.shownText(0).size(), 222 + 3);
    EXPECT_EQ(box.hintText(0).size(), 255);
    EXPECT_TRUE(box.hintText(3).isEmpty());

    for (int row : {1, 2, 3})
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.textRect(row).topLeft() + QPoint(4, 4));
    ASSERT_EQ(opened.size(), 1u) << "only the web link opens; plain text and a file link do nothing";
    EXPECT_EQ(opened[0].toString(), QStringLiteral("https://intranet/oa"));

    // The delete button replaces the date while the pointer is over the item.
    QTest::mouseMove(box.viewport(), box.itemRect(3).center());
    EXPECT_EQ(box.hoveredRow(), 3);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.deleteRect(3).center());
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].size(), 47u);
    EXPECT_EQ(deleted[0].substr(0, 4), std::string("\3oa1"));
    EXPECT_EQ(deleted[0][31], 1);
    EXPECT_EQ(box.itemCount(), 4) << "the item stays until the server confirms";
    const int height = box.itemRect(0).height();
    EXPECT_EQ(box.RemoveItems(wire::Guid::fromBytes(
                  reinterpret_cast<const uint8_t*>("\1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"))),
              1u);
    EXPECT_EQ(box.itemCount(), 3);
    EXPECT_EQ(box.itemRect(0).height(), height);
}

TEST(TMyListBox, ClickSelectsDeleteIconOnlyOnDeletableReadMovesTheRightText) {
    ui::TMyListBox box;
    box.resize(260, 300);
    std::vector<std::string> calls;
    auto record = [&](const char* what) {
        return [&calls, what](int row, const wire::Guid&, int value) {
            calls.push_back(std::string(what) + " " + std::to_string(row) + " " + std::to_string(value));
        };
    };
    box.OnItemClick = record("click");
    box.OnItemDblClick = record("double");
    box.OnItemDelete = record("delete");
    box.AddNotice(g("旧通知"), g("已确认"), 7, true, false, {}, g("内容"));
    box.AddNotice(g("关于二零二六年春节放假安排的通知"), g("未读"), 9, false, true, {},
                  g("各部门：根据国家规定，春节放假安排如下，请周知。"));
    box.show();
    EXPECT_EQ(box.shownTitle(0), QStringLiteral("关于二零二六年…"));
    EXPECT_EQ(box.rightTextRect(0).left(), 260 - 87);
    EXPECT_EQ(box.rightTextRect(1).left(), 260 - 67);

    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.itemRect(0).center());
    EXPECT_EQ(box.notices().selected(), 0);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.deleteRect(0).center());
    QTest::mouseClick(box.viewport(), Qt::RightButton, {}, box.itemRect(1).center()); // acts as a click
    EXPECT_EQ(box.notices().selected(), 1);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.deleteRect(1).center()); // not deletable
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, box.itemRect(1).center());
    EXPECT_EQ(calls,
              (std::vector<std::string>{"click 0 9", "delete 0 9", "click 1 7", "click 1 7", "double 1 7"}));

    box.MarkRead(0);
    EXPECT_EQ(box.rightTextRect(0).left(), 260 - 67);
    // A narrow list cuts the second line shorter.
    EXPECT_EQ(box.shownSecondLine(0), QStringLiteral("各部门：根据国家规定，春节放假…"));
    box.resize(189, 300);
    EXPECT_EQ(box.shownSecondLine(0), QStringLiteral("各部门：根据国家规定，春节放…"));
}

TEST(TUserListBox, OutlivesItsModelAndTakesANewOne) {
    ui::TUserListBox box(QStringLiteral("UserListRecent"), QString());
    box.resize(240, 300);
    box.show();
    {
        Harness gone;
        load(gone);
        box.setModel(&gone.core.recent());
        gone.core.recent().FillRecent(",100,");
        box.setCurrentIndex(box.list().itemIndex(0, 0));
    } // the directory, with the model, goes first (as at the end of a session)
    EXPECT_EQ(box.model(), nullptr);
    (void)box.viewport()->grab();
    Harness h;
    load(h);
    box.setModel(&h.core.recent());
    h.core.recent().FillRecent(",101,100,");
    EXPECT_EQ(box.list().itemCount(0), 2);
    EXPECT_FALSE(box.currentIndex().isValid());
}
