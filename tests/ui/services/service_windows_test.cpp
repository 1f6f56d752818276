// The office services' windows over clients signed in to the reference server: the attendance
// window (disabled until the state arrives, the early sign-out asked over it), the group list with
// both service sections, a reservation service conversation with its greeting, the customer's
// proposal and the staff member's confirmation, the evaluation asked when a service-centre
// conversation closes, and the reminder toast. Each is also kept as a picture (build/screenshots/,
// or the folder VANTOR_SERVICES_SHOTS names).
#include "../../client/services_fixture.h"

#include "ui/chat/chat_windows.h"
#include "ui/chat/display_box.h"
#include "ui/lists/user_list_box.h"
#include "ui/services/attendance_form.h"
#include "ui/services/evaluation_form.h"
#include "ui/services/remind_form.h"
#include "ui/services/reservation_form.h"
#include "ui/services/service_windows.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

namespace vantor::testing {
namespace {

using ui::ChatWindows;
using ui::ServiceWindows;
using ui::TfrmChatForm;

class ServiceWindowsTest : public ServicesTest {
  protected:
    struct Side {
        TestClient* client = nullptr;
        std::unique_ptr<ChatWindows> chat;
        std::unique_ptr<ServiceWindows> services;
    };
    Side& side(const std::string& account) {
        sides_.push_back(std::make_unique<Side>());
        Side& s = *sides_.back();
        s.client = &client(account);
        s.chat = std::make_unique<ChatWindows>(s.client->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
        s.client->core().setConversationView(s.chat.get());
        s.services =
            std::make_unique<ServiceWindows>(s.client->core(), *s.chat, QStringLiteral(VANTOR_BIN_DIR));
        return s;
    }
    void TearDown() override {
        for (auto& s : sides_) {
            s->services.reset();
            s->client->core().setConversationView(nullptr);
            s->chat.reset();
        }
        ServicesTest::TearDown();
    }
    TfrmChatForm* formOf(Side& s, const wire::Guid& guid) {
        for (const auto& c : s.client->core().conversations().all())
            if (c->key.groupId == guid) return s.chat->existing(c->id);
        return nullptr;
    }
    // Whether a side's window of a service point shows a text.
    bool shows(Side& s, const wire::Guid& guid, const QString& text) {
        TfrmChatForm* f = formOf(s, guid);
        return f && f->display()->toPlainText().contains(text);
    }
    void shot(QWidget& w, const char* name) {
        drive([] { return false; }, 200);
        QString folder = qEnvironmentVariable("VANTOR_SERVICES_SHOTS");
        if (folder.isEmpty()) folder = QStringLiteral(VANTOR_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(w.grab().toImage().save(folder + "/" + name + ".png")) << name;
    }
    template <class T>
    T* child(QWidget& w, const char* name) {
        T* c = w.findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    std::vector<std::unique_ptr<Side>> sides_;
};

TEST_F(ServiceWindowsTest, TheAttendanceWindowWaitsForTheStateAndAsksBeforeAnEarlySignOut) {
    Side& zhang = side("zhangwei");
    ASSERT_TRUE(drive([&] { return serverState(1001).signedIn; }));
    QPointer<ui::TfrmAttence> w = zhang.services->openAttendance();
    QPushButton* sign = w->signButton();
    EXPECT_FALSE(sign->isEnabled()) << "a click before the state arrives would toggle blind";
    EXPECT_EQ(sign->text(), QStringLiteral("签 到"));
    ASSERT_TRUE(drive([&] { return sign->isEnabled(); }));
    EXPECT_EQ(sign->text(), QStringLiteral("签 退"));
    EXPECT_EQ(child<QLabel>(*w, "lb_SignInTime")->text(), QStringLiteral("09:00:00"));
    shot(*w, "services-attendance");

    std::function<void(bool)> answer;
    QString asked;
    w->ask = [&](QWidget*, const QString& caption, const QString& text, std::function<void(bool)> done) {
        asked = caption + QLatin1Char('|') + text;
        answer = std::move(done);
    };
    now_ = at(16, 0);
    sign->click();
    EXPECT_EQ(asked, QStringLiteral("考勤确认|现在还未到下班时间，确定要签退吗？"));
    EXPECT_FALSE(sign->isEnabled()) << "no second click while asking";
    answer(false);
    EXPECT_TRUE(w->isVisible()) << "Cancel keeps the window";
    drive([] { return false; }, 200);
    EXPECT_FALSE(serverState(1001).signedOut);
    sign->click();
    answer(true);
    ASSERT_TRUE(drive([&] { return w.isNull(); }));
    ASSERT_TRUE(drive([&] { return serverState(1001).signedOut; }));
}

TEST_F(ServiceWindowsTest, TheGroupListShowsBothServiceSections) {
    Side& zhang = side("zhangwei");
    ui::TUserListBox list(QStringLiteral("UserListGroups"), QStringLiteral(VANTOR_BIN_DIR "/SysImages"));
    list.setGroupMode(true);
    list.setModel(&zhang.client->core().directory().groups());
    for (int s = 0; s < list.list().sectionCount(); ++s)
        list.list().setExpanded(s, true);
    list.resize(260, 420);
    list.show();
    ASSERT_EQ(list.list().sectionCount(), 3);
    EXPECT_EQ(list.list().itemCount(1), 1);
    EXPECT_EQ(list.list().itemCount(2), 1);
    shot(list, "services-group-list");
}

TEST_F(ServiceWindowsTest, AReservationIsProposedInItsWindowAndConfirmedInTheStaffMembersReview) {
    Side& staff = side("sunqiang");
    Side& customer = side("zhangwei");
    customer.services->openServicePoint(kVisaDesk);
    TfrmChatForm* form = nullptr;
    ASSERT_TRUE(drive([&] {
        form = formOf(customer, kVisaDesk);
        return form && form->display()->toPlainText().contains(QStringLiteral("签证预约欢迎您"));
    }));
    EXPECT_TRUE(form->isVisible());
    auto* book = child<QToolButton>(*form->toolbar(), "ImgBtn_Reservation");
    ASSERT_TRUE(book);
    EXPECT_TRUE(book->isVisible());
    EXPECT_FALSE(form->input()->isReadOnly());

    // Before anything was said the button only explains.
    book->click();
    EXPECT_EQ(customer.services->reservation(), nullptr);
    form->input()->insertPlainText(QStringLiteral("我想预约办理签证"));
    QTest::keyClick(form->input(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(drive([&] { return shows(staff, kVisaDesk, QStringLiteral("我想预约办理签证")); }));

    book->click();
    QPointer<ui::TfrmReservation> mine = customer.services->reservation();
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->matter()->text(), ui::TfrmReservation::kPlaceholder);
    EXPECT_EQ(mine->date()->date(), QDate(2026, 3, 3)) << "tomorrow";
    QString informed;
    mine->inform = [&](QWidget*, const QString& caption, const QString& text) {
        informed = caption + "|" + text;
    };
    mine->okButton()->click();
    EXPECT_EQ(informed, QStringLiteral("提示|请输入预约办理的具体事项！"));
    mine->matter()->setText(QStringLiteral("办理护照"));
    mine->time()->setTime(QTime(10, 30));
    shot(*mine, "services-reservation-customer");
    mine->okButton()->click();
    ASSERT_TRUE(drive([&] { return mine.isNull(); }));

    QPointer<ui::TfrmReservation> review;
    ASSERT_TRUE(drive([&] { return (review = staff.services->reservation()) != nullptr; }));
    EXPECT_TRUE(review->review());
    EXPECT_TRUE(review->matter()->isReadOnly());
    EXPECT_EQ(review->matter()->text(), QStringLiteral("办理护照"));
    EXPECT_EQ(review->date()->date(), QDate(2026, 3, 3));
    EXPECT_EQ(review->time()->time(), QTime(10, 30));
    shot(*review, "services-reservation-review");
    review->okButton()->click();
    ASSERT_TRUE(drive([&] {
        return form->display()->toPlainText().contains(
            QStringLiteral("您的预约请求已经确认，请按照预约时间 [3月3日 10:30] 前来办理相关业务。"));
    }));
    EXPECT_TRUE(
        form->display()->toPlainText().contains(QStringLiteral("您的预约请求已经发出，正在等待对方确认！")));
    shot(*form, "services-conversation");
}

TEST_F(ServiceWindowsTest, ClosingAServiceCentreConversationAsksForTheEvaluation) {
    Side& staff = side("mali"); // 1013, of the tax desk
    Side& customer = side("zhangwei");
    customer.services->openServicePoint(kTaxDesk);
    TfrmChatForm* form = nullptr;
    ASSERT_TRUE(drive([&] {
        form = formOf(customer, kTaxDesk);
        return form && !form->input()->isReadOnly();
    }));
    EXPECT_FALSE(child<QToolButton>(*form->toolbar(), "ImgBtn_Reservation")->isVisible());
    form->input()->insertPlainText(QStringLiteral("发票怎么开？"));
    QTest::keyClick(form->input(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(drive([&] { return shows(staff, kTaxDesk, QStringLiteral("发票怎么开？")); }));

    QPointer<TfrmChatForm> guarded(form);
    form->close();
    QPointer<ui::TfrmEvaluation> e = customer.services->evaluation();
    ASSERT_TRUE(e);
    EXPECT_TRUE(form->isVisible());
    shot(*e, "services-evaluation");
    child<QPushButton>(*e, "btn_Continue")->click();
    ASSERT_TRUE(drive([&] { return e.isNull(); }));
    EXPECT_TRUE(guarded && guarded->isVisible()) << "\"也可以继续服务\" keeps the conversation";
    drive([] { return false; }, 200);
    EXPECT_FALSE(shows(staff, kTaxDesk, QStringLiteral("对方已经关闭了对话窗口"))) << "nothing sent";

    form->close();
    e = customer.services->evaluation();
    ASSERT_TRUE(e);
    child<QPushButton>(*e, "btn_Satisfied")->click();
    ASSERT_TRUE(drive([&] { return guarded.isNull() || !guarded->isVisible(); }));
    ASSERT_TRUE(drive([&] { return kept().evaluations.size() == 1; }));
    EXPECT_EQ(protocol::fromGbk(kept().evaluations[0].rating), "满意");
    ASSERT_TRUE(drive(
        [&] { return shows(staff, kTaxDesk, QStringLiteral("对方已经关闭了对话窗口，您可以结束服务。")); }));
}

TEST_F(ServiceWindowsTest, TheReminderToastSlidesInAtTheLowerRightAndOpensTheConversation) {
    Side& zhang = side("zhangwei");
    const QRect area(0, 0, 1024, 740);
    zhang.services->workArea = [area] { return area; };
    protocol::Shake r;
    r.receiverId = 1001;
    r.senderId = 1002;
    r.key.kind = protocol::kOneToOne;
    r.key.userA = 1002;
    r.key.userB = 1001;
    r.remindKind = 0;
    zhang.services->showReminder(r);
    EXPECT_EQ(zhang.services->reminder(), nullptr) << "a shake is the conversation's";

    r.remindKind = 2;
    zhang.services->showReminder(r);
    QPointer<ui::TfrmRemind> toast = zhang.services->reminder();
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->nameLabel()->text(), QStringLiteral("王芳"));
    EXPECT_EQ(toast->textLabel()->text(), QStringLiteral("给您发送文件 ..."));
    ASSERT_TRUE(
        drive([&] { return toast->pos() == QPoint(1024 - toast->width(), 740 - toast->height()); }, 3000));
    shot(*toast, "services-remind");
    // A kind without a text of its own keeps the text; another sender replaces the name.
    r.remindKind = 9;
    zhang.services->showReminder(r);
    EXPECT_EQ(toast->textLabel()->text(), QStringLiteral("给您发送文件 ..."));

    QTest::mouseClick(toast, Qt::LeftButton);
    ASSERT_TRUE(drive([&] { return toast.isNull(); }, 3000));
    ASSERT_EQ(zhang.client->core().conversations().all().size(), 1u);
    EXPECT_EQ(zhang.client->core().conversations().all().front()->peerId, 1002u);
    EXPECT_TRUE(zhang.chat->existing(zhang.client->core().conversations().all().front()->id)->isVisible());

    r.remindKind = 1;
    zhang.services->showReminder(r);
    toast = zhang.services->reminder();
    ASSERT_TRUE(toast);
    zhang.services->closeReminderFor(1003);
    drive([] { return false; }, 300);
    EXPECT_FALSE(toast.isNull()) << "another sender's toast stays";
    // Bringing up the conversation with its sender takes the toast away.
    conversation::Conversation& wang = *zhang.client->core().conversations().all().front();
    zhang.chat->existing(wang.id)->hide();
    drive([] { return false; }, 100);
    EXPECT_FALSE(toast.isNull());
    zhang.chat->bringToFront(wang);
    ASSERT_TRUE(drive([&] { return toast.isNull(); }, 3000));
}

} // namespace
} // namespace vantor::testing
