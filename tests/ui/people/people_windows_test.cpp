// The windows of finding colleagues over a client signed in to the reference server: the search
// wizard's pages, a request window with two pending requests, the hover card and its timing on
// the client's clock, and the picture dialog from a loaded picture to the uploaded photo. Each is
// also kept as a picture (build/screenshots/, or the folder VANTOR_PEOPLE_SHOTS names).
#include "../../client/client_fixture.h"

#include "people/user_card.h"
#include "protocol/text.h"
#include "ui/people/request_windows.h"
#include "ui/people/search_add_user.h"
#include "ui/people/use_pic.h"
#include "ui/people/user_card_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTreeWidget>

namespace vantor::testing {
namespace {

using protocol::toGbk;

class PeopleWindowsTest : public ClientTest {
  protected:
    void shot(QWidget& w, const char* name) {
        drive([] { return false; }, 150);
        QString folder = qEnvironmentVariable("VANTOR_PEOPLE_SHOTS");
        if (folder.isEmpty()) folder = QStringLiteral(VANTOR_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        const QImage img = w.grab().toImage();
        EXPECT_TRUE(img.save(folder + "/" + name + ".png")) << name;
    }
    template <class T>
    T* child(QWidget& w, const char* name) {
        T* c = w.findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    QString boxText(QWidget& parent) {
        for (auto* box : parent.findChildren<QMessageBox*>())
            if (box->isVisible()) return box->text();
        return {};
    }
};

TEST_F(PeopleWindowsTest, TheSearchWizardListsAPageAndRefusesAColleagueAlreadyKnown) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    auto* w = new ui::TfrmSearchAddUser(zhang.core());
    w->show();
    child<QLineEdit>(*w, "Edit_UserName")->setText(QStringLiteral("王"));
    child<QPushButton>(*w, "btn_SearchUser")->click();
    auto* list = child<QTreeWidget>(*w, "ListView_User");
    ASSERT_TRUE(drive([&] { return list->topLevelItemCount() == 1; }));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral(" 王芳"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("总经理办公室"));
    EXPECT_FALSE(child<QPushButton>(*w, "btn_NextPage")->isEnabled());
    shot(*w, "people-search");
    child<QPushButton>(*w, "btn_AddUser")->click();
    EXPECT_EQ(boxText(*w), QStringLiteral("王芳 已经是您的联系人，请重新选择。"));
    EXPECT_EQ(w->page(), ui::TfrmSearchAddUser::UserResults);
    delete w; // before the client it shows goes
}

TEST_F(PeopleWindowsTest, ARequestWindowShowsTheCountUntilOneIsLeft) {
    TestClient& target = signIn("chenjing", "chenjing123");
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    TestClient& wang = signIn("wangfang", "wangfang123");
    ASSERT_TRUE(zhang.core().people().sendContactRequest(1005, ""));
    ASSERT_TRUE(drive([&] { return target.core().people().contactRequests().count() == 1; }));
    ASSERT_TRUE(wang.core().people().sendContactRequest(1005, "")); // the latest: current
    ASSERT_TRUE(drive([&] { return target.core().people().contactRequests().count() == 2; }));
    QPointer<ui::RequestWindow> w = new ui::RequestWindow(target.core(), true);
    w->show();
    EXPECT_EQ(child<QLabel>(*w, "Label_UserName")->text(), QStringLiteral("用户：王芳"));
    EXPECT_EQ(child<QLabel>(*w, "Label_Count")->text(), QStringLiteral("共2条"));
    EXPECT_TRUE(child<QPushButton>(*w, "btn_Next")->isVisible());
    shot(*w, "people-requests");
    child<QPushButton>(*w, "btn_Refuse")->click();
    EXPECT_FALSE(child<QLabel>(*w, "Label_Count")->isVisible());
    EXPECT_FALSE(child<QPushButton>(*w, "btn_Next")->isVisible());
    EXPECT_EQ(child<QLabel>(*w, "Label_UserName")->text(), QStringLiteral("用户：张伟"));
    child<QPushButton>(*w, "btn_Accept")->click();
    EXPECT_TRUE(drive([&] { return w.isNull(); })); // none left: closed and freed
}

TEST_F(PeopleWindowsTest, TheCardWaitsForTheDetailsAndHidesWhenTheMouseLeaves) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    TestClient& wang = signIn("wangfang", "wangfang123");
    protocol::UserDetail d;
    d.company = toGbk("示例科技有限公司总经理办公室");
    d.office = toGbk("经理");
    d.officePhone = "010-6000 1002";
    d.mail = "wangfang@example.com";
    wang.core().sendToServer(protocol::makeMessage(protocol::Cmd::UserDetailSave, d));
    drive([] { return false; }, 100);

    ui::TfrmUserInfo card(zhang.core());
    QPoint mouse(500, 320);
    card.cursor = [&] { return mouse; };
    const QRect screen(0, 0, 1280, 800);
    // 李娜: no record yet, so it is asked for and no card; once it is there, still none, for she
    // has no telephone, mail or fax.
    EXPECT_FALSE(card.showUserCard(1003, 700, 300, screen, 40));
    ASSERT_TRUE(drive([&] { return zhang.core().people().detail(1003) != nullptr; }));
    EXPECT_FALSE(card.showUserCard(1003, 700, 300, screen, 40));
    EXPECT_FALSE(card.isVisible());
    // 王芳's record came with her save (she is a contact): her card.
    ASSERT_TRUE(drive([&] { return zhang.core().people().detail(1002) != nullptr; }));
    ASSERT_TRUE(card.showUserCard(1002, 700, 300, screen, 40));
    EXPECT_EQ(card.pos(), QPoint(700 - card.width() + 20, 300));
    EXPECT_EQ(child<QLabel>(card, "Label_Company")->text(), QStringLiteral("示例科技有限公司总经理..."));
    shot(card, "people-user-card");

    // Near the bottom it stays above the taskbar.
    ASSERT_TRUE(card.showUserCard(1002, 700, 790, screen, 40));
    EXPECT_EQ(card.y() + card.height(), 799 - 40);

    const struct {
        QPoint mouse;
        bool hides;
    } moves[] = {{{card.x() + 10, card.y() + 10}, false},
                 {{card.geometry().right() + 50, card.y() + 10}, false},
                 {{card.geometry().right() + 51, card.y() + 10}, true},
                 {{card.x() - 1, card.y() + 10}, true},
                 {{card.x() + 10, card.y() - 1}, true},
                 {{card.x() + 10, card.geometry().bottom() + 1}, true}};
    for (const auto& m : moves) {
        EXPECT_EQ(people::userCardShouldHide(card.geometry(), m.mouse), m.hides)
            << m.mouse.x() << "," << m.mouse.y();
    }
    // The card looks every 500 ms: a mouse that has left hides it at the next look, not before.
    mouse = QPoint(card.x() - 5, card.y() + 10);
    clock_.advance(400);
    QCoreApplication::processEvents();
    EXPECT_TRUE(card.isVisible());
    clock_.advance(100);
    QCoreApplication::processEvents();
    EXPECT_FALSE(card.isVisible());
    EXPECT_TRUE(people::overPictureArea(27));
    EXPECT_FALSE(people::overPictureArea(26));
    EXPECT_FALSE(people::overPictureArea(51));
}

TEST_F(PeopleWindowsTest, ThePictureDialogCropsUploadsAndReportsItsOutcome) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    auto* w = new ui::TfrmUsePic(zhang.core());
    w->show();
    child<QPushButton>(*w, "btn_Save")->setEnabled(true);
    w->save();
    EXPECT_EQ(boxText(*w), QStringLiteral("请选择照片后上传！"));
    for (auto* box : w->findChildren<QMessageBox*>())
        box->close();

    const QString file = dir_.filePath("photo.png");
    QImage img(600, 600, QImage::Format_RGB32);
    img.fill(QColor(0x33, 0x66, 0x99));
    ASSERT_TRUE(img.save(file));
    EXPECT_FALSE(w->loadPicture(dir_.filePath("missing.png")));
    ASSERT_TRUE(w->loadPicture(file));
    EXPECT_EQ(child<QSlider>(*w, "TrackBar1")->value(), 50);
    w->cropArea()->setFrame(QRect(40, 30, 141, 117));
    shot(*w, "people-picture");
    w->save();
    const QString photo = zhang.core().people().photoPath(1001);
    EXPECT_EQ(QImage(photo).size(), QSize(139, 115));
    bool reported = false;
    for (auto* l : w->findChildren<QLabel*>())
        reported = reported || l->text() == QStringLiteral("照片上传成功！");
    EXPECT_TRUE(reported);
    EXPECT_TRUE(drive([&] {
        return server().call([](server::Server& s) { return s.directory().user(1001)->photoTime; }) > 0;
    }));
    delete w; // before the client it shows goes
}

TEST_F(PeopleWindowsTest, AChosenSystemPictureBecomesTheOwnHeadPicture) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123");
    const QString faces =
        QString::fromStdString(zhang.core().messenger().environment().layout.programUserHeadFolder());
    ASSERT_TRUE(QDir().mkpath(faces));
    QImage face(40, 40, QImage::Format_RGB32);
    face.fill(Qt::darkGreen);
    ASSERT_TRUE(face.save(faces + QStringLiteral("3.bmp")));
    auto* w = new ui::TfrmUsePic(zhang.core());
    w->show();
    child<QPushButton>(*w, "btn_SysPic")->click();
    auto* update = child<QPushButton>(*w, "btn_SysFaceUp");
    EXPECT_FALSE(update->isVisible());
    child<QCheckBox>(*w, "CheckBox1")->setChecked(true);
    EXPECT_TRUE(update->isVisible());

    auto* grid = child<QTableWidget>(*w, "DrawGrid1");
    ASSERT_GT(grid->columnCount(), 3);
    emit grid->cellClicked(0, 3);
    update->click();
    EXPECT_TRUE(drive([&] {
        return server().call([](server::Server& s) { return s.directory().user(1001)->headPicture; }) == "3";
    }));
    // The echo makes it the own picture; choosing it again sends nothing, nor does a missing file.
    EXPECT_TRUE(drive([&] { return zhang.core().messenger().OwnUser->headPicture == "3"; }));
    EXPECT_FALSE(w->useSystemFace());
    emit grid->cellClicked(0, 2);
    EXPECT_EQ(QFileInfo::exists(faces + QStringLiteral("2.bmp")), w->useSystemFace());
    delete w;
}

} // namespace
} // namespace vantor::testing
