// A server with the sample organisation, attendance by sign-in (the working day ends at 17:30) and
// three service points — a service centre (税务咨询, staff 孙强 and 马丽), a reservation service
// (签证预约, staff 孙强) and one of kind 2 that no list shows — on a local time the test moves.
#pragma once

#include "client_fixture.h"

#include "protocol/datetime.h"
#include "protocol/text.h"
#include "server/office.h"

#include <atomic>

namespace vantor::testing {

inline wire::Guid guidOf(const char* text) {
    wire::Guid g;
    EXPECT_TRUE(wire::Guid::fromString(text, g));
    return g;
}

inline const wire::Guid kTaxDesk = guidOf("{11111111-2222-3333-4444-555555555501}");    // kind 0
inline const wire::Guid kVisaDesk = guidOf("{11111111-2222-3333-4444-555555555502}");   // kind 1
inline const wire::Guid kHiddenDesk = guidOf("{11111111-2222-3333-4444-555555555503}"); // kind 2: not listed

// 2026-03-02 (a Monday), hh:mm.
inline double at(int hour, int minute) {
    return protocol::dayCountFromLocal({2026, 3, 2, hour, minute, 0, 0});
}

// vantor-server with that organisation in `folder`, going by the time `now` holds.
inline std::unique_ptr<server::ServerThread>
startServicesServer(const QString& folder, std::atomic<double>& now, std::string* error) {
    server::Organisation org = sampleOrganisation();
    org.attendance.bySignIn = true;
    org.attendance.workdayEndMinutes = 17 * 60 + 30;
    auto point = [](wire::Guid g, const char* name, uint32_t kind, std::vector<uint32_t> staff) {
        server::ServicePointSpec p;
        p.guid = g;
        p.name = protocol::toGbk(name);
        p.description = protocol::toGbk("工作日 9:00-17:30");
        p.greeting = protocol::toGbk(std::string(name) + "欢迎您，请问有什么可以帮您？");
        p.kind = kind;
        p.staff = std::move(staff);
        return p;
    };
    org.servicePoints = {point(kTaxDesk, "税务咨询", 0, {1012, 1013}),
                         point(kVisaDesk, "签证预约", 1, {1012}), point(kHiddenDesk, "内部工单", 2, {1012})};
    return startServer(std::move(org), folder, error,
                       [&now](server::ServerConfig& c) { c.localNow = [&now] { return now.load(); }; });
}

class ServicesTest : public ClientTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        now_ = at(9, 0);
        std::string error;
        server_ = startServicesServer(dir_.path(), now_, &error);
        ASSERT_TRUE(server_) << error;
    }

    TestClient& client(const std::string& account) {
        TestClient& c = signIn(account, account + "123");
        c.core().setLocalTime([this] { return now_.load(); });
        return c;
    }

    protocol::AttendanceState serverState(uint32_t userId) {
        const double day = now_.load();
        return server().call([&](server::Server& s) { return s.office()->attendanceOn(userId, day); });
    }
    server::OfficeServices::Kept kept() {
        return server().call([](server::Server& s) { return s.office()->kept(); });
    }

    std::atomic<double> now_{0};
};

} // namespace vantor::testing
