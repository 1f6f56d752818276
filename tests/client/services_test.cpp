// The office services through the assembled client against the reference server, on an injected
// local time: attendance (the automatic sign-in, a reconnect, the window's button, the early
// sign-out question, the sign-out at exit), the service points and their sections, service
// conversations with their staff member and greeting, reservations both ways (refused, proposed
// again and confirmed, two queued) and the evaluation of a service-centre conversation.
#include "services_fixture.h"

#include "protocol/datetime.h"
#include "protocol/text.h"
#include "services/reminder.h"

#include <atomic>
#include <cmath>

namespace vantor::testing {
namespace {

using services::Attendance;
using services::ServiceDesk;
using services::SignButton;

TEST(SignButton, FollowsTheDaysFlags) {
    struct Case {
        bool in, out;
        SignButton button;
        const char* text;
    } cases[] = {
        {false, false, SignButton::SignIn, "签 到"},
        {true, false, SignButton::SignOut, "签 退"},
        {true, true, SignButton::Close, "关 闭"},
        // Signed out without a sign-in (a server's record of its own): nothing more to do today.
        {false, true, SignButton::SignIn, "签 到"},
    };
    for (const Case& c : cases) {
        protocol::AttendanceState s;
        s.signedIn = c.in;
        s.signedOut = c.out;
        EXPECT_EQ(services::signButtonFor(s), c.button) << c.in << c.out;
        EXPECT_STREQ(services::signButtonText(services::signButtonFor(s)), c.text);
    }
    EXPECT_STREQ(services::signButtonText(SignButton::Unknown), "签 到");
}

TEST_F(ServicesTest, TheMessengerSignsInForWorkOnceAndAReconnectKeepsTheDay) {
    TestClient& zhang = client("zhangwei");
    EXPECT_TRUE(zhang.messenger().ServerSettings.attendanceBySignIn);
    ASSERT_TRUE(drive([&] { return serverState(1001).signedIn; }));
    const double signedInAt = serverState(1001).signInTime;
    EXPECT_DOUBLE_EQ(signedInAt, at(9, 0));

    // A failure and the re-connection: the state stays as it is (a toggle would sign out).
    now_ = at(10, 0);
    zhang.messenger().SignOut(false);
    ASSERT_TRUE(drive([&] { return !zhang.messenger().SignedIn(); }));
    zhang.messenger().ReLoginClicked();
    ASSERT_TRUE(drive([&] { return zhang.messenger().SignedIn(); }));
    ASSERT_TRUE(drive([&] { return zhang.core().attendance().lastState().has_value(); }));
    drive([] { return false; }, 300);
    protocol::AttendanceState s = serverState(1001);
    EXPECT_TRUE(s.signedIn);
    EXPECT_FALSE(s.signedOut);
    EXPECT_DOUBLE_EQ(s.signInTime, signedInAt);
    EXPECT_DOUBLE_EQ(s.signOutTime, at(17, 30)) << "before the sign-out, the end of the working day";

    // Signing out of the messenger by hand signs out of work, and a later sign-in that day does
    // not sign in again.
    now_ = at(18, 0);
    zhang.messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return serverState(1001).signedOut; }));
    EXPECT_DOUBLE_EQ(serverState(1001).signOutTime, at(18, 0));
    zhang.messenger().ReLoginClicked();
    ASSERT_TRUE(drive([&] { return zhang.messenger().SignedIn(); }));
    drive([] { return false; }, 300);
    s = serverState(1001);
    EXPECT_TRUE(s.signedIn && s.signedOut);
    EXPECT_DOUBLE_EQ(s.signOutTime, at(18, 0));
}

TEST_F(ServicesTest, TheAttendanceWindowAsksBeforeAnEarlySignOut) {
    TestClient& wang = client("wangfang");
    ASSERT_TRUE(drive([&] { return serverState(1002).signedIn; }));
    Attendance& a = wang.core().attendance();
    int changes = 0;
    a.onChanged = [&] { ++changes; };

    // Until the state arrives the button does nothing.
    a.windowOpened();
    EXPECT_EQ(a.button(), SignButton::Unknown);
    EXPECT_EQ(a.click(), Attendance::Click::Ignored);
    ASSERT_TRUE(drive([&] { return a.button() != SignButton::Unknown; }));
    EXPECT_EQ(a.button(), SignButton::SignOut);
    EXPECT_EQ(a.signInText(), "09:00:00");
    EXPECT_EQ(a.signOutText(), "");

    // 16:00 is before the end of the day: asked; Cancel keeps the window and sends nothing.
    now_ = at(16, 0);
    EXPECT_EQ(a.click(), Attendance::Click::AskEarly);
    drive([] { return false; }, 200);
    EXPECT_FALSE(serverState(1002).signedOut);
    // OK signs out.
    EXPECT_EQ(a.confirmEarlySignOut(), Attendance::Click::SentAndClose);
    a.windowClosed();
    ASSERT_TRUE(drive([&] { return serverState(1002).signedOut; }));

    // Both set: "关 闭" sends nothing.
    a.windowOpened();
    ASSERT_TRUE(drive([&] { return a.button() == SignButton::Close; }));
    EXPECT_EQ(a.signOutText(), "16:00:00");
    EXPECT_EQ(a.click(), Attendance::Click::Close);
    a.windowClosed();
    EXPECT_GT(changes, 0);

    // After the end of the day the sign-out is not questioned (another colleague).
    TestClient& li = client("lina");
    ASSERT_TRUE(drive([&] { return serverState(1003).signedIn; }));
    now_ = at(17, 45);
    li.core().attendance().windowOpened();
    ASSERT_TRUE(drive([&] { return li.core().attendance().button() == SignButton::SignOut; }));
    EXPECT_EQ(li.core().attendance().click(), Attendance::Click::SentAndClose);
    ASSERT_TRUE(drive([&] { return serverState(1003).signedOut; }));
}

TEST_F(ServicesTest, LeavingTheMessengerSignsOutOfWork) {
    TestClient& zhang = client("zhangwei");
    ASSERT_TRUE(drive([&] { return serverState(1001).signedIn; }));
    now_ = at(17, 40);
    zhang.messenger().Exit();
    ASSERT_TRUE(drive([&] { return serverState(1001).signedOut; }));
    EXPECT_DOUBLE_EQ(serverState(1001).signOutTime, at(17, 40));
}

TEST_F(ServicesTest, ServicePointsArriveBeforeTheSignInCompletesAndFormTwoSections) {
    TestClient& zhang = client("zhangwei");
    EXPECT_TRUE(zhang.messenger().ServerSettings.serviceDesk);
    ASSERT_EQ(zhang.core().servicePoints().size(), 3u);
    const auto sections = services::serviceSections(zhang.core().servicePoints());
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].title, "客服中心");
    ASSERT_EQ(sections[0].points.size(), 1u);
    EXPECT_EQ(sections[0].points[0].guid, kTaxDesk);
    EXPECT_EQ(sections[1].title, "预约服务");
    ASSERT_EQ(sections[1].points.size(), 1u);
    EXPECT_EQ(sections[1].points[0].guid, kVisaDesk);
    // Kind 2 is no service the list knows: it does not open either.
    EXPECT_EQ(zhang.core().serviceDesk().open(kHiddenDesk), nullptr);

    // The group list: the discussion groups, then both service sections.
    using directory::SectionedListModel;
    auto& model = zhang.core().directory().groups();
    ASSERT_EQ(model.rowCount(), 3);
    const QModelIndex centre = model.index(1, 0), booking = model.index(2, 0);
    EXPECT_EQ(centre.data(SectionedListModel::NameRole).toString(), QStringLiteral("客服中心"));
    EXPECT_EQ(booking.data(SectionedListModel::NameRole).toString(), QStringLiteral("预约服务"));
    ASSERT_EQ(model.rowCount(centre), 1);
    ASSERT_EQ(model.rowCount(booking), 1);
    const QModelIndex tax = model.index(0, 0, centre);
    EXPECT_EQ(tax.data(SectionedListModel::NameRole).toString(), QStringLiteral("税务咨询"));
    EXPECT_EQ(tax.data(SectionedListModel::SecondLineRole).toString(), QStringLiteral("工作日 9:00-17:30"));
    EXPECT_NE(model.serviceEntry(tax.data(SectionedListModel::IdRole).toString()), nullptr);
    EXPECT_EQ(model.index(0, 0, booking).data(SectionedListModel::NameRole).toString(),
              QStringLiteral("签证预约"));

    // Signed out, the points and the sections go.
    zhang.messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return !zhang.messenger().SignedIn(); }));
    EXPECT_TRUE(zhang.core().servicePoints().empty());
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(ServiceSections, KindsZeroAndOneOnlyEachPointOnceLastReceivedFirst) {
    auto point = [](uint32_t id, uint32_t kind) {
        protocol::ServicePoint p;
        p.guid.data1 = id;
        p.kind = kind;
        return p;
    };
    struct Case {
        const char* what;
        std::vector<protocol::ServicePoint> points;
        std::vector<std::vector<uint32_t>> sections; // GUIDs' data1 per section
    } cases[] = {
        {"none", {}, {}},
        {"centre only", {point(1, 0), point(2, 0)}, {{2, 1}}},
        {"both", {point(1, 0), point(2, 1), point(3, 0)}, {{3, 1}, {2}}},
        {"kind 2 alone makes no reservation section", {point(1, 0), point(2, 2)}, {{1}}},
        {"a GUID listed twice shows once", {point(1, 0), point(1, 0), point(4, 1)}, {{1}, {4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto got = services::serviceSections(c.points);
        ASSERT_EQ(got.size(), c.sections.size());
        for (size_t s = 0; s < got.size(); ++s) {
            std::vector<uint32_t> ids;
            for (const auto& p : got[s].points)
                ids.push_back(p.guid.data1);
            EXPECT_EQ(ids, c.sections[s]);
        }
    }
}

TEST(ReminderTexts, ByKindAndTheNameCut) {
    EXPECT_FALSE(services::remindsWithToast(0));
    EXPECT_FALSE(services::remindsWithToast(-1));
    const std::pair<int, const char*> kinds[] = {{1, "给您发送了消息 ..."},
                                                 {2, "给您发送文件 ..."},
                                                 {3, "邀请进行远程协助 ..."},
                                                 {4, "邀请语音通话 ..."},
                                                 {5, "邀请视频通话 ..."}};
    for (const auto& [kind, text] : kinds)
        EXPECT_EQ(services::reminderText(kind), text);
    EXPECT_FALSE(services::reminderText(6));
    // 14 bytes: seven characters; an ASCII letter first puts a character across the cut, kept whole.
    EXPECT_EQ(services::reminderName(protocol::toGbk("欧阳")), protocol::toGbk("欧阳"));
    EXPECT_EQ(services::reminderName(protocol::toGbk("一二三四五六七八")),
              protocol::toGbk("一二三四五六七..."));
    EXPECT_EQ(services::reminderName(protocol::toGbk("A一二三四五六七八")),
              protocol::toGbk("A一二三四五六七..."));
}

struct RecordingServiceView : services::IServiceView {
    std::vector<int> changed, shown;
    std::vector<protocol::Reservation> reviews;
    void serviceChanged(conversation::Conversation& c) override { changed.push_back(c.id); }
    void showConversation(conversation::Conversation& c) override { shown.push_back(c.id); }
    void reviewReservation(conversation::Conversation&, const protocol::Reservation& r) override {
        reviews.push_back(r);
    }
};

TEST_F(ServicesTest, AServiceConversationFindsItsStaffMemberAndShowsTheGreeting) {
    TestClient& customer = client("zhangwei");
    // Nobody of the tax desk is signed in.
    conversation::Conversation* c = customer.core().serviceDesk().open(kTaxDesk);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->readOnly);
    EXPECT_FALSE(c->serviceSide());
    ASSERT_TRUE(drive([&] {
        return !customer.conversationView.lines.empty() &&
               protocol::fromGbk(customer.conversationView.lines.back()).find("现在没有在线客服") !=
                   std::string::npos;
    }));
    EXPECT_TRUE(c->readOnly);
    customer.core().conversations().remove(c->id);

    TestClient& staff = client("sunqiang"); // 1012
    RecordingServiceView view;
    customer.core().serviceDesk().setView(&view);
    c = customer.core().serviceDesk().open(kTaxDesk);
    ASSERT_TRUE(drive([&] { return c->peerId == 1012; }));
    EXPECT_FALSE(c->readOnly);
    EXPECT_FALSE(customer.core().serviceDesk().offersReservation(*c))
        << "a service centre takes no reservations";
    ASSERT_FALSE(customer.conversationView.shown.empty());
    EXPECT_EQ(protocol::fromGbk(customer.conversationView.shown.back().plain),
              "税务咨询欢迎您，请问有什么可以帮您？");
    EXPECT_EQ(protocol::fromGbk(customer.conversationView.shown.back().header).rfind("客服人员 ", 0), 0u);

    customer.say(*c, "请问个税怎么申报？");
    ASSERT_TRUE(drive([&] { return !staff.received().empty(); }));
    EXPECT_EQ(staff.received().back(), "请问个税怎么申报？");
    const auto& staffSide = staff.core().conversations().all();
    ASSERT_EQ(staffSide.size(), 1u);
    EXPECT_TRUE(staffSide.front()->serviceSide());
    EXPECT_EQ(staffSide.front()->peerId, 1001u);

    // Closing asks for the evaluation ("也可以继续服务" keeps the window, sending nothing); a
    // rating is kept and the close that follows tells the staff member.
    ServiceDesk& desk = customer.core().serviceDesk();
    auto closeQuery = [&] {
        return customer.core().chat().closeQuery(*c, [&] { return desk.asksEvaluation(*c); });
    };
    EXPECT_FALSE(closeQuery());
    EXPECT_FALSE(desk.evaluate(*c, "非常满意")) << "only the three ratings";
    EXPECT_TRUE(desk.evaluate(*c, "基本满意"));
    EXPECT_FALSE(desk.asksEvaluation(*c));
    EXPECT_TRUE(closeQuery());
    ASSERT_TRUE(drive([&] { return kept().evaluations.size() == 1; }));
    const protocol::Evaluation e = kept().evaluations[0];
    EXPECT_EQ(e.serviceGuid, kTaxDesk);
    EXPECT_EQ(e.staffId, 1012u);
    EXPECT_EQ(e.customerId, 1001u);
    EXPECT_EQ(protocol::fromGbk(e.rating), "基本满意");
    ASSERT_TRUE(drive([&] { return staff.received().size() == 2; }));
    EXPECT_EQ(staff.received().back(), "对方已经关闭了对话窗口，您可以结束服务。");
    customer.core().serviceDesk().setView(nullptr);
}

TEST_F(ServicesTest, AReservationIsRefusedProposedAgainAndConfirmedAndTwoWaitInTurn) {
    TestClient& staff = client("sunqiang"); // 1012
    RecordingServiceView staffView;
    staff.core().serviceDesk().setView(&staffView);
    TestClient& customer = client("zhangwei");
    ServiceDesk& desk = customer.core().serviceDesk();
    conversation::Conversation* c = desk.open(kVisaDesk);
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(drive([&] { return c->peerId == 1012; }));
    EXPECT_TRUE(desk.offersReservation(*c));
    EXPECT_FALSE(desk.asksEvaluation(*c));

    // The customer's checks, before and in the window.
    EXPECT_EQ(desk.mayPropose(*c), ServiceDesk::Proposal::NothingSentYet);
    customer.say(*c, "我想预约办理签证");
    ASSERT_TRUE(drive([&] { return staff.received().size() == 1; }));
    EXPECT_EQ(desk.mayPropose(*c), ServiceDesk::Proposal::Sent);
    EXPECT_EQ(desk.propose(*c, now_ - 5.0 / 1440, protocol::toGbk("护照")), ServiceDesk::Proposal::TooEarly);
    EXPECT_EQ(desk.propose(*c, now_ + 1, ""), ServiceDesk::Proposal::NoMatter);
    ASSERT_EQ(desk.propose(*c, at(9, 0) + 1 + 1.0 / 24, protocol::toGbk("办理护照")),
              ServiceDesk::Proposal::Sent);
    EXPECT_EQ(protocol::fromGbk(customer.conversationView.lines.back()).substr(9),
              "您的预约请求已经发出，正在等待对方确认！");

    // The staff member reviews it and refuses.
    ASSERT_TRUE(drive([&] { return staffView.reviews.size() == 1; }));
    EXPECT_EQ(protocol::fromGbk(staffView.reviews[0].customerName), "张伟");
    EXPECT_EQ(protocol::fromGbk(staffView.reviews[0].matter), "办理护照");
    EXPECT_EQ(staff.core().serviceDesk().refuse(), ServiceDesk::Proposal::Sent);
    ASSERT_TRUE(drive([&] { return customer.received().size() >= 2; }));
    EXPECT_EQ(customer.received().back(), "您的预约请求未能通过确认。");

    // Proposed again, twice before the staff member answers: the second waits for the first.
    ASSERT_EQ(desk.propose(*c, at(14, 30), protocol::toGbk("补办签证")), ServiceDesk::Proposal::Sent);
    ASSERT_EQ(desk.propose(*c, at(15, 0), protocol::toGbk("加急")), ServiceDesk::Proposal::Sent);
    ASSERT_TRUE(drive([&] { return staff.core().serviceDesk().reservations().size() == 2; }));
    ASSERT_EQ(staffView.reviews.size(), 2u) << "the second must wait, not replace the first";
    EXPECT_EQ(protocol::fromGbk(staffView.reviews[1].matter), "补办签证");
    // A time already past is refused on this side too.
    EXPECT_EQ(staff.core().serviceDesk().confirm(now_ - 5.0 / 1440), ServiceDesk::Proposal::TooEarly);
    EXPECT_EQ(staff.core().serviceDesk().confirm(at(14, 30)), ServiceDesk::Proposal::Sent);
    ASSERT_EQ(staffView.reviews.size(), 3u);
    EXPECT_EQ(protocol::fromGbk(staffView.reviews[2].matter), "加急");
    ASSERT_TRUE(drive([&] {
        return !customer.received().empty() && customer.received().back() != "您的预约请求未能通过确认。";
    }));
    EXPECT_EQ(customer.received().back(),
              "您的预约请求已经确认，请按照预约时间 [3月2日 14:30] 前来办理相关业务。");
    ASSERT_TRUE(drive([&] { return kept().confirmations.size() == 1; }));
    EXPECT_TRUE(kept().confirmations[0].confirmed);
    EXPECT_DOUBLE_EQ(kept().confirmations[0].appointmentTime, at(14, 30));
    EXPECT_EQ(staff.core().serviceDesk().refuse(), ServiceDesk::Proposal::Sent);
    EXPECT_TRUE(staff.core().serviceDesk().reservations().empty());

    // A reservation service closes without an evaluation, telling the staff member at once.
    EXPECT_FALSE(desk.asksEvaluation(*c));
    EXPECT_FALSE(desk.evaluate(*c, "满意"));
    const size_t before = staff.received().size();
    EXPECT_TRUE(customer.core().chat().closeQuery(*c, [&] { return desk.asksEvaluation(*c); }));
    ASSERT_TRUE(drive([&] { return staff.received().size() == before + 1; }));
    EXPECT_EQ(staff.received().back(), "对方已经关闭了对话窗口，您可以结束服务。");
    EXPECT_TRUE(kept().evaluations.empty());
    staff.core().serviceDesk().setView(nullptr);
}

TEST_F(ServicesTest, AReservationWaitsForAStaffMemberWhoIsAwayAndForgedOnesAreDropped) {
    TestClient& customer = client("zhangwei");
    TestClient& staff = client("sunqiang");
    ServiceDesk& desk = customer.core().serviceDesk();
    conversation::Conversation* c = desk.open(kVisaDesk);
    ASSERT_TRUE(drive([&] { return c->peerId == 1012; }));
    customer.say(*c, "在吗");
    ASSERT_TRUE(drive([&] { return staff.received().size() == 1; }));
    staff.messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return !server().call([](server::Server& s) { return s.isOnline(1012); }); }));
    ASSERT_EQ(desk.propose(*c, at(16, 0), protocol::toGbk("取件")), ServiceDesk::Proposal::Sent);
    ASSERT_TRUE(
        drive([&] { return server().call([](server::Server& s) { return s.heldCount(1012); }) == 1; }));

    RecordingServiceView staffView;
    staff.core().serviceDesk().setView(&staffView);
    staff.messenger().ReLoginClicked();
    ASSERT_TRUE(drive([&] { return staffView.reviews.size() == 1; }));
    EXPECT_EQ(protocol::fromGbk(staffView.reviews[0].matter), "取件");

    // Records that do not hold up open nothing.
    protocol::Reservation r = staffView.reviews[0];
    auto offered = [&](const protocol::Reservation& x) {
        return staff.core().serviceDesk().onReservation(wire::encode(x));
    };
    protocol::Reservation other = r;
    other.staffId = 1013;
    protocol::Reservation confirmed = r;
    confirmed.confirmed = true;
    protocol::Reservation unknown = r;
    unknown.serviceGuid.data1 ^= 1;
    protocol::Reservation nan = r;
    nan.appointmentTime = std::nan("");
    protocol::Reservation self = r;
    self.customerId = 1012;
    for (const auto& bad : {other, confirmed, unknown, nan, self})
        EXPECT_FALSE(offered(bad));
    EXPECT_FALSE(staff.core().serviceDesk().onReservation(wire::encode(r).substr(0, 645)));
    EXPECT_EQ(staffView.reviews.size(), 1u);
    staff.core().serviceDesk().setView(nullptr);
}

} // namespace
} // namespace vantor::testing
