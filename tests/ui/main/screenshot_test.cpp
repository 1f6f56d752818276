// The main window in its states, rendered on an X server of the test's own and kept as pictures
// in build/screenshots/ for people to look at; each picture is checked: not blank, the regions
// where things belong are drawn, Chinese text drawn with real glyphs.
#include "protocol/text.h"
#include "ui/chat/chat_windows.h"
#include "ui/groups/sel_user_form.h"
#include "ui/kit/fonts.h"
#include "ui/kit/palette.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/org_tree.h"
#include "window_fixture.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <cstring>
#include <set>

namespace vantor::testing {
namespace {

// Pixels of a region that differ from its most common colour (its background).
int inkIn(const QImage& img, const QRect& region) {
    std::map<QRgb, int> counts;
    const QRect r = region.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[img.pixel(x, y)];
    int most = 0;
    for (const auto& [c, n] : counts)
        most = std::max(most, n);
    return r.width() * r.height() - most;
}

int colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

int pixelsOf(const QImage& img, const QColor& c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += QColor(img.pixel(x, y)) == c ? 1 : 0;
    return n;
}

// Two different Chinese texts drawn in a font: with missing glyphs both would be the same boxes.
bool drawsRealGlyphs(const QFont& font) {
    auto draw = [&](const QString& text) {
        QImage img(120, 30, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(img.rect(), Qt::AlignCenter, text);
        return img;
    };
    const QImage a = draw(QStringLiteral("组织人员")), b = draw(QStringLiteral("讨论登录"));
    return a != b && inkIn(a, a.rect()) > 40 && ui::rendersText(font, QStringLiteral("组织人员讨论登录"));
}

class ScreenshotTest : public MainWindowTest {
  protected:
    QImage shoot(const char* name) {
        window().show();
        window().raise();
        drive([] { return false; }, 300); // let the window system map and paint it
        const QImage img = window().grab().toImage();
        QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
        const QString file = QStringLiteral(VANTOR_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name));
        EXPECT_TRUE(img.save(file)) << file.toStdString();
        EXPECT_GT(colours(img), 30) << name << ": looks blank";
        return img;
    }
    QRect regionOf(const char* name) {
        QWidget* w = window().findChild<QWidget*>(QLatin1String(name));
        return w ? QRect(w->mapTo(&window(), QPoint(0, 0)), w->size()) : QRect();
    }
};

TEST_F(ScreenshotTest, RunsOnTheXServer) {
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

TEST_F(ScreenshotTest, SignInPanel) {
    startDesktop();
    ASSERT_TRUE(drive([&] { return signInPanelShown(); }));
    find<QLineEdit>("Edt_UserName")->setText(QStringLiteral("zhangwei"));
    const QImage img = shoot("main-sign-in");
    EXPECT_GT(inkIn(img, regionOf("Img_Logo")), 300);
    EXPECT_GT(inkIn(img, regionOf("lb_PdName")), 30);
    EXPECT_GT(inkIn(img, regionOf("btn_Login")), 30);
    EXPECT_GT(inkIn(img, regionOf("Cb_SavePass")), 40); // "记住密码"
    EXPECT_TRUE(drawsRealGlyphs(find<QWidget>("Cb_SavePass")->font()));
    // The top bar is the skin's blue.
    const QColor top = img.pixelColor(img.width() / 2, 3);
    EXPECT_GT(top.blue(), top.red() + 40) << top.name().toStdString();
}

TEST_F(ScreenshotTest, OrganisationTreeWithColleagues) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    TestClient& wang = signIn("wangfang", "wangfang123");
    wang.core().directory().presence().SetOwnStatus(1, protocol::toGbk("下午在客户那里"), std::nullopt,
                                                    false);
    ASSERT_TRUE(drive([&] { return userRow(1002) == QStringLiteral("王芳（忙碌）"); }));
    window().resize(260, 560);
    ui::OrgTreeView* tree = window().tree();
    auto& model = desktop->client().directory().tree();
    tree->expandAll();
    tree->setCurrentIndex(model.indexOfUser(1003));
    const QImage img = shoot("main-organisation");
    const QRect treeArea = regionOf("TrevUserList");
    EXPECT_GT(inkIn(img, treeArea), 2000);
    // The selected colleague is filled and outlined in the selection colours.
    EXPECT_GT(pixelsOf(img, ui::colour::kSelFill), 200);
    EXPECT_GT(pixelsOf(img, ui::colour::kSelOutline), 100);
    // The signature is drawn, in grey, on 王芳's row beside her name.
    const QRect row =
        tree->visualRect(model.indexOfUser(1002)).translated(tree->viewport()->mapTo(&window(), QPoint()));
    const QImage rowImg = img.copy(row);
    int grey = 0;
    for (int y = 0; y < rowImg.height(); ++y)
        for (int x = rowImg.width() / 2; x < rowImg.width(); ++x) {
            const QColor c = rowImg.pixelColor(x, y);
            grey += std::abs(c.red() - c.blue()) < 12 && c.red() > 100 && c.red() < 225 ? 1 : 0;
        }
    EXPECT_GT(grey, 20);
    EXPECT_TRUE(drawsRealGlyphs(tree->font()));
    EXPECT_GT(inkIn(img, regionOf("Lb_UserName")), 30);
}

TEST_F(ScreenshotTest, BadgesPendingMessagesAndTheContactList) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    window().resize(260, 560);
    std::string counts(45, '\0');
    counts[33] = 2;
    counts[41] = char(120);
    deliver(protocol::Cmd::PendingCounts, counts);
    counts[33] = 1;
    counts[41] = 4;
    deliver(protocol::Cmd::PendingCounts, counts);
    desktop->alerts().alertConversation({3, 1002, {}});
    find<QToolButton>("Btn_History")->click();
    const QImage img = shoot("main-badges-recent");
    EXPECT_GT(pixelsOf(img, QColor(0xE5, 0x3B, 0x30)), 60); // the two red badges
    EXPECT_GT(inkIn(img, regionOf("lb_MsgAlert")), 5);
    EXPECT_GT(inkIn(img, regionOf("UserListRecent")), 10);
}

// The group tab: the section "讨论组（群）" with the groups of the signed-in colleague; an entry
// opens its group's conversation.
TEST_F(ScreenshotTest, GroupTabListsTheColleaguesGroups) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    const groups::GroupOutcome created = desktop->client().groups().CreateGroupFromDialog(
        protocol::toGbk("项目周报"), protocol::toGbk("每周一交"), false, {1002, 1003});
    ASSERT_TRUE(created.done);
    ASSERT_TRUE(drive([&] { return desktop->client().groups().FindGroup(*created.group) != nullptr; }));
    window().resize(260, 560);
    find<QToolButton>("Btn_Group")->click();
    const QImage img = shoot("main-groups");
    EXPECT_GT(inkIn(img, regionOf("UserListGroups")), 300);
    auto* list = find<ui::TUserListBox>("UserListGroups");
    ASSERT_TRUE(list->onActivate);
    list->onActivate(QString::fromStdString(created.group->toString()));
    EXPECT_EQ(windows.groups, std::vector<wire::Guid>{*created.group});

    // The group's window, as the desktop's conversation windows draw it for its creator: the
    // header with the topic, the creator's toolbar, the notice and the members (王芳 online).
    TestClient& wang = signIn("wangfang", "wangfang123");
    ui::ChatWindows& chats = *desktop->chatWindows();
    chats.openGroup(*created.group);
    const auto& all = desktop->client().conversations().all();
    ASSERT_FALSE(all.empty());
    ui::TfrmChatForm* form = chats.existing(all.back()->id);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(desktop->client()
                    .groups()
                    .UpdateGroupInfo(*form->conversation(), protocol::toGbk("项目周报"),
                                     protocol::toGbk("每周一交"),
                                     protocol::toGbk("周报请在周一上午十点前发到本组，附上下周计划。"), false)
                    .done);
    ASSERT_TRUE(drive([&] { return wang.core().groups().FindGroup(*created.group) != nullptr; }));
    form->show();
    drive([] { return false; }, 300);
    const QImage chat = form->grab().toImage();
    EXPECT_TRUE(chat.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/group-window.png")));
    EXPECT_GT(colours(chat), 30);
    EXPECT_TRUE(form->nameLabel()->text().startsWith(QStringLiteral("项目周报")));
    EXPECT_NE(form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_GroupSetup")), nullptr);
    const auto inkOf = [&](QWidget* w) {
        return inkIn(chat, QRect(w->mapTo(form, QPoint(0, 0)), w->size()));
    };
    EXPECT_GT(inkOf(form->groupNotice()), 200) << "the notice is drawn";
    EXPECT_GT(inkOf(form->memberList()), 300) << "the members are drawn";
    EXPECT_EQ(form->memberList()->topLevelItemCount(), 3);

    // The picker over the window, as "添加讨论组人员" opens it: the members ticked.
    form->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_AddUser"))->click();
    auto* picker = form->findChild<ui::TSelUserForm*>();
    ASSERT_NE(picker, nullptr);
    picker->tree()->expandAll();
    drive([] { return false; }, 300);
    const QImage pick = picker->grab().toImage();
    EXPECT_TRUE(pick.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/group-picker.png")));
    EXPECT_GT(colours(pick), 30);
    EXPECT_GT(inkIn(pick, QRect(picker->selectedList()->mapTo(picker, QPoint(0, 0)),
                                picker->selectedList()->size())),
              150)
        << "the chosen colleagues are listed";
    EXPECT_EQ(picker->countLabel()->text(), QStringLiteral("3"));
    picker->reject();
    form->hide();
}

TEST_F(ScreenshotTest, ReLoginPanelAfterTheNetworkWentAway) {
    startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
    ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
    messenger().SignOut(false);
    ASSERT_TRUE(seen("PBReLogin"));
    const QImage img = shoot("main-relogin");
    EXPECT_TRUE(seen("lb_NetBroken"));
    EXPECT_GT(inkIn(img, regionOf("lb_NetBroken")), 40); // "网络已断开"
    EXPECT_GT(inkIn(img, regionOf("ImgBtn_ReLogin")), 40);
    EXPECT_TRUE(drawsRealGlyphs(find<QLabel>("lb_NetBroken")->font()));
}

} // namespace
} // namespace vantor::testing
