// The drawn contact lists of the assembled desktop against the reference server: a colleague
// signing in, going busy and signing out changes the counts, the order, the badge and the grey
// picture that the frequent-contacts list paints; a waiting message blinks until opened.
#include "directory/sectioned_model.h"
#include "ui/lists/user_list_box.h"
#include "window_fixture.h"

#include <QTest>
#include <QToolButton>

namespace vantor::testing {
namespace {

constexpr uint32_t kWang = 1002;

class DrawnListsTest : public MainWindowTest {
  protected:
    ui::TUserListBox* frequent() { return find<ui::TUserListBox>("UserListFrequent"); }
    QString caption(int section) { return frequent()->list().sectionIndex(section).data().toString(); }
    QModelIndex wangItem() { return desktop->client().directory().frequent().indexOfUser(kWang); }
    // The colour the list paints at a point of wangfang's item.
    QColor paintedInWang(QPoint at) {
        const QRect r = frequent()->visualRect(wangItem());
        return frequent()->viewport()->grab().toImage().pixelColor(r.topLeft() + at);
    }
    static bool grey(QColor c) { return c.red() == c.green() && c.green() == c.blue(); }
};

TEST_F(DrawnListsTest, ColleaguePresenceChangesWhatTheFrequentListPaints) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().resize(300, 640);
    window().show();
    find<QToolButton>("Btn_QQView")->click();
    ASSERT_TRUE(seen("UserListFrequent"));
    ASSERT_EQ(caption(0), QStringLiteral("管理团队(0/4)"));
    ASSERT_TRUE(frequent()->list().expanded(0));
    EXPECT_TRUE(grey(paintedInWang({29, 25}))) << "offline: a grey picture";

    TestClient& wang = signIn("wangfang", "wangfang123");
    ASSERT_TRUE(drive([&] { return caption(0) == QStringLiteral("管理团队(1/4)"); }));
    EXPECT_EQ(frequent()->list().hitOf(wangItem()).item, 0) << "online: at the top of her section";
    EXPECT_FALSE(grey(paintedInWang({29, 25})));

    ASSERT_TRUE(wang.core().directory().presence().SetOwnStatus(1, std::nullopt, std::nullopt, false));
    ASSERT_TRUE(
        drive([&] { return wangItem().data(directory::SectionedListModel::StatusRole).toInt() == 1; }));
    const QColor badge = paintedInWang({38 + 5, 34 + 2}); // the busy badge, above its white bar
    EXPECT_GT(badge.red(), 180);
    EXPECT_LT(badge.green(), 110);

    // A message waiting from her blinks on her item until she is opened with a double click.
    desktop->alerts().alertConversation({3, kWang, {}});
    EXPECT_TRUE(frequent()->isMarked(kWang));
    const QColor icon = paintedInWang({9 + 3, 34 + 8});
    EXPECT_GT(icon.red(), 200);
    EXPECT_GT(icon.green(), 150);
    EXPECT_LT(icon.blue(), 120) << "the new-message icon over the picture";
    const QRect r = frequent()->visualRect(wangItem());
    QTest::mouseDClick(frequent()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(windows.opened, std::vector<uint32_t>{kWang});
    EXPECT_FALSE(frequent()->isMarked(kWang));

    wang.messenger().SignOut(true);
    ASSERT_TRUE(drive([&] { return caption(0) == QStringLiteral("管理团队(0/4)"); }));
    EXPECT_EQ(frequent()->list().hitOf(wangItem()).item, frequent()->list().itemCount(0) - 1)
        << "offline: at the end of her section";
    EXPECT_TRUE(grey(paintedInWang({29, 25})));
    EXPECT_TRUE(grey(paintedInWang({38 + 5, 34 + 5}))) << "no badge";
}

TEST_F(DrawnListsTest, AnEmptyFrequentListShowsItsHelpPicture) {
    struct Case {
        const char* account;
        bool help;
    };
    for (const Case& c : {Case{"wangfang", true}, Case{"zhangwei", false}}) {
        startDesktop(std::string("loginuser=") + c.account + "&loginpwd=" + c.account + "123");
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        find<QToolButton>("Btn_QQView")->click();
        EXPECT_EQ(frequent()->helpPictureShown(), c.help) << c.account;
        desktop.reset();
    }
}

} // namespace
} // namespace vantor::testing
