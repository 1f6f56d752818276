// The office services on the server: attendance per colleague per day (with the working day's
// end), the service points with their staff (sent before a sign-in completes), service sessions
// (a customer is given a staff member who is signed in), reservations relayed to the staff member
// (held while it is away), and the staff members' confirmations and the customers' evaluations
// kept. Its tables live in the store's file, on a connection of its own.
#pragma once

#include "protocol/frame.h"
#include "protocol/services.h"
#include "server/organisation.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace vantor::server {

class Server;
class Session;

class OfficeServices {
  public:
    // `now`: the local time as a day count (tests inject theirs).
    OfficeServices(Server& server, std::string dbPath, std::vector<ServicePointSpec> points,
                   AttendanceOptions attendance, std::function<double()> now);
    ~OfficeServices();
    bool open(std::string* error);

    static bool owns(uint8_t code);
    // A message of one of the codes above from a signed-in session.
    void handle(Session& s, const protocol::Message& m);
    // The framed CmdServicePoint messages that go before CmdLoginComplete.
    std::string servicePointFrames() const;
    const std::vector<ServicePointSpec>& servicePoints() const { return points_; }
    bool attendanceBySignIn() const { return attendance_.bySignIn; }
    void setAttendanceBySignIn(bool on) { attendance_.bySignIn = on; }

    // For tests and tools: a colleague's attendance on the day of `dayCount`, and what was kept.
    protocol::AttendanceState attendanceOn(uint32_t userId, double dayCount);
    struct Kept {
        std::vector<protocol::Reservation> confirmations;
        std::vector<protocol::Evaluation> evaluations;
    };
    Kept kept();

  private:
    void onAttendance(Session& s, protocol::Cmd code);
    void onServiceSession(Session& s, const protocol::ServiceSession& r);
    void onReservation(Session& s, const protocol::Reservation& r);
    void onConfirmation(Session& s, const protocol::Reservation& r);
    void onEvaluation(Session& s, const protocol::Evaluation& e);
    const ServicePointSpec* point(const wire::Guid& guid) const;
    bool isStaff(const wire::Guid& guid, uint32_t userId) const;
    bool keep(const char* table, const std::string& body, uint32_t userId);

    Server& server_;
    std::string dbPath_;
    std::vector<ServicePointSpec> points_;
    AttendanceOptions attendance_;
    std::function<double()> now_;
    sqlite3* db_ = nullptr;
};

} // namespace vantor::server
