// The office services on the wire: service points in the sign-in load before CmdLoginComplete and
// the flags of the reply, a staff member assigned to a customer, reservations relayed only from
// their customer to the point's staff, evaluations kept only from their customer, and attendance
// requests that do not fit their fixed size closing the connection.
#include "server/office.h"
#include "server/store.h"
#include "server_fixture.h"

namespace vantor::testing {
namespace {

using protocol::Cmd;
using protocol::Message;

class OfficeTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        server_.reset();
        server::Organisation org = testOrganisation();
        server::ServicePointSpec p;
        wire::Guid::fromString("{11111111-2222-3333-4444-555555555555}", p.guid);
        p.name = protocol::toGbk("税务咨询");
        p.kind = 1;
        p.staff = {12};
        point_ = p.guid;
        org.servicePoints = {p};
        org.attendance.bySignIn = true;
        std::string error;
        {
            auto store = server::Store::open(config_.dbPath, &error);
            ASSERT_TRUE(store && store->importOrganisation(org, &error)) << error;
        }
        startServer();
    }
    protocol::Reservation reservation(uint32_t staff, uint32_t customer) const {
        protocol::Reservation r;
        r.staffId = staff;
        r.customerId = customer;
        r.serviceGuid = point_;
        r.appointmentTime = 46000.5;
        r.matter = protocol::toGbk("办理");
        return r;
    }
    wire::Guid point_;
};

TEST_F(OfficeTest, ServicePointsComeBeforeTheSignInCompletesWithTheFlagsSet) {
    SignInResult r;
    auto a = signedIn('a', &r);
    EXPECT_TRUE(r.reply.settings.attendanceBySignIn);
    EXPECT_TRUE(r.reply.settings.serviceDesk);
    ASSERT_GE(r.load.size(), 2u);
    EXPECT_EQ(r.load.back().cmd(), Cmd::LoginComplete);
    const Message& point = r.load[r.load.size() - 2];
    ASSERT_EQ(point.cmd(), Cmd::ServicePoint);
    protocol::ServicePoint p;
    ASSERT_TRUE(wire::decode(point.body, p));
    EXPECT_EQ(p.guid, point_);
    EXPECT_EQ(p.kind, 1u);
}

TEST_F(OfficeTest, ReservationsAndEvaluationsPassOnlyFromTheirCustomerToTheStaff) {
    auto a = signedIn('a'); // 11, a customer
    auto b = signedIn('b'); // 12, the point's staff
    auto c = signedIn('c'); // 13, not of the point

    protocol::ServiceSession ask;
    ask.userId = 11;
    ask.serviceGuid = point_;
    a->send(protocol::makeMessage(Cmd::ServiceSession, ask));
    auto answer = a->waitFor(Cmd::ServiceSession);
    ASSERT_TRUE(answer);
    protocol::ServiceSession got;
    ASSERT_TRUE(wire::decode(answer->body, got));
    EXPECT_EQ(got.userId, 12u);

    // Refused ones first, then the good one: the staff member's first reservation is the good one.
    auto confirmedAlready = reservation(12, 11);
    confirmedAlready.confirmed = true;
    for (const protocol::Reservation& bad : {reservation(12, 13), reservation(13, 11), confirmedAlready})
        a->send(protocol::makeMessage(Cmd::Reservation, bad));
    a->send(protocol::makeMessage(Cmd::Reservation, reservation(12, 11)));
    auto relayed = b->waitFor(Cmd::Reservation);
    ASSERT_TRUE(relayed);
    EXPECT_EQ(relayed->body, wire::encode(reservation(12, 11)));
    EXPECT_FALSE(b->waitFor(Cmd::Reservation, 300));
    EXPECT_FALSE(c->waitFor(Cmd::Reservation, 100)) << "13 is not of the point";

    protocol::Evaluation e;
    e.serviceGuid = point_;
    e.staffId = 12;
    e.customerId = 13; // not the sender
    e.rating = protocol::toGbk("满意");
    a->send(protocol::makeMessage(Cmd::Evaluation, e));
    e.customerId = 11;
    e.rating = protocol::toGbk("太棒了"); // not a rating
    a->send(protocol::makeMessage(Cmd::Evaluation, e));
    e.rating = protocol::toGbk("不满意");
    a->send(protocol::makeMessage(Cmd::Evaluation, e));
    // A confirmation only from the staff member it names.
    auto confirmed = reservation(12, 11);
    confirmed.confirmed = true;
    a->send(protocol::makeMessage(Cmd::ReservationConfirm, confirmed));
    b->send(protocol::makeMessage(Cmd::ReservationConfirm, confirmed));
    b->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(b->waitFor(Cmd::Heartbeat));
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));
    const auto kept = server_->call([](server::Server& s) { return s.office()->kept(); });
    ASSERT_EQ(kept.evaluations.size(), 1u);
    EXPECT_EQ(protocol::fromGbk(kept.evaluations[0].rating), "不满意");
    ASSERT_EQ(kept.confirmations.size(), 1u);
    EXPECT_EQ(kept.confirmations[0].staffId, 12u);
}

TEST_F(OfficeTest, AttendanceToggleAndBodiesOfTheWrongSize) {
    auto a = signedIn('a');
    a->send(protocol::emptyMessage(Cmd::AttendanceQuery));
    auto m = a->waitFor(Cmd::AttendanceQuery);
    ASSERT_TRUE(m);
    protocol::AttendanceState s;
    ASSERT_TRUE(wire::decode(m->body, s));
    EXPECT_FALSE(s.signedIn);
    for (int i = 0; i < 3; ++i) // in, out, and a day signed out stays so
        a->send(protocol::emptyMessage(Cmd::AttendanceSignIn));
    a->send(protocol::emptyMessage(Cmd::AttendanceQuery));
    m = a->waitFor(Cmd::AttendanceQuery);
    ASSERT_TRUE(m);
    ASSERT_TRUE(wire::decode(m->body, s));
    EXPECT_TRUE(s.signedIn && s.signedOut);

    auto b = signedIn('b');
    b->send(Message{uint8_t(Cmd::AttendanceSignIn), std::string(1, '\0')});
    EXPECT_TRUE(b->closedWithin());
    auto c = signedIn('c');
    c->send(Message{uint8_t(Cmd::Reservation), std::string(645, '\0')});
    EXPECT_TRUE(c->closedWithin());
}

} // namespace
} // namespace vantor::testing
