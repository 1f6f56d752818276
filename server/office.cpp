#include "server/office.h"

#include "protocol/datetime.h"
#include "protocol/records.h"
#include "protocol/text.h"
#include "server/log.h"
#include "server/server.h"
#include "server/session.h"
#include "server/sqlite_stmt.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS attendance(user_id INTEGER NOT NULL, day INTEGER NOT NULL,
  sign_in REAL NOT NULL DEFAULT 0, sign_out REAL NOT NULL DEFAULT 0, PRIMARY KEY(user_id, day));
CREATE TABLE IF NOT EXISTS reservation_confirmations(id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_id INTEGER NOT NULL, record BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS evaluations(id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_id INTEGER NOT NULL, record BLOB NOT NULL);
)sql";

// What one colleague may leave in each table; beyond it, its oldest rows go.
constexpr int64_t kKeptPerColleague = 1000;

std::string frameOf(const Message& m) {
    return protocol::frameMessage(m.bytes());
}

// A day count fit to store: finite, inside the years the wire's dates can name.
bool plausibleTime(double t) {
    return std::isfinite(t) && t > 1.0 && t < 2958466.0;
}

} // namespace

OfficeServices::OfficeServices(Server& server, std::string dbPath, std::vector<ServicePointSpec> points,
                               AttendanceOptions attendance, std::function<double()> now)
    : server_(server), dbPath_(std::move(dbPath)), points_(std::move(points)), attendance_(attendance),
      now_(std::move(now)) {
    if (!now_) now_ = [] { return protocol::nowDayCount(); };
}

OfficeServices::~OfficeServices() {
    if (db_) sqlite3_close(db_);
}

bool OfficeServices::open(std::string* error) {
    if (sqlite3_open_v2(dbPath_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK ||
        sqlite3_busy_timeout(db_, 2000) != SQLITE_OK ||
        sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (error) *error = std::string("office store: ") + (db_ ? sqlite3_errmsg(db_) : "cannot open");
        return false;
    }
    return true;
}

bool OfficeServices::owns(uint8_t code) {
    switch (Cmd(code)) {
    case Cmd::AttendanceSignIn:
    case Cmd::AttendanceQuery:
    case Cmd::AttendanceSignOut:
    case Cmd::ServiceSession:
    case Cmd::Reservation:
    case Cmd::ReservationConfirm:
    case Cmd::Evaluation:
        return true;
    default:
        return false;
    }
}

void OfficeServices::handle(Session& s, const Message& m) {
    // Every body here is fixed: anything else is a client that cannot be followed.
    auto exact = [&](size_t n) {
        if (m.body.size() == n) return true;
        s.abort(std::string(protocol::codeName(m.code)) + " of " + std::to_string(m.body.size()) + " bytes");
        return false;
    };
    switch (m.cmd()) {
    case Cmd::AttendanceSignIn:
    case Cmd::AttendanceQuery:
    case Cmd::AttendanceSignOut:
        if (exact(0)) onAttendance(s, m.cmd());
        return;
    case Cmd::ServiceSession: {
        protocol::ServiceSession r;
        if (exact(r.kSize) && wire::decode(m.body, r)) onServiceSession(s, r);
        return;
    }
    case Cmd::Reservation:
    case Cmd::ReservationConfirm: {
        protocol::Reservation r;
        if (!exact(r.kSize) || !wire::decode(m.body, r)) return;
        if (m.cmd() == Cmd::Reservation)
            onReservation(s, r);
        else
            onConfirmation(s, r);
        return;
    }
    case Cmd::Evaluation: {
        protocol::Evaluation e;
        if (exact(e.kSize) && wire::decode(m.body, e)) onEvaluation(s, e);
        return;
    }
    default:
        return;
    }
}

std::string OfficeServices::servicePointFrames() const {
    std::string frames;
    for (const ServicePointSpec& p : points_) {
        protocol::ServicePoint r;
        r.guid = p.guid;
        r.name = p.name;
        r.description = p.description;
        r.greeting = p.greeting;
        r.kind = p.kind;
        frames += frameOf(protocol::makeMessage(Cmd::ServicePoint, r));
    }
    return frames;
}

// ---- attendance ----

protocol::AttendanceState OfficeServices::attendanceOn(uint32_t userId, double dayCount) {
    const int64_t day = int64_t(std::floor(dayCount));
    protocol::AttendanceState st;
    st.signOutTime = double(day) + attendance_.workdayEndMinutes / 1440.0;
    Stmt q(db_, "SELECT sign_in, sign_out FROM attendance WHERE user_id = ? AND day = ?");
    if (q.bind(1, int64_t(userId)).bind(2, day).step()) {
        st.signInTime = q.f64(0);
        st.signedIn = st.signInTime > 0;
        if (q.f64(1) > 0) {
            st.signedOut = true;
            st.signOutTime = q.f64(1);
        }
    }
    return st;
}

void OfficeServices::onAttendance(Session& s, Cmd code) {
    const uint32_t me = s.userId();
    const double now = now_();
    const int64_t day = int64_t(std::floor(now));
    const protocol::AttendanceState st = attendanceOn(me, now);
    if (code == Cmd::AttendanceQuery) {
        s.send(protocol::makeMessage(Cmd::AttendanceQuery, st));
        return;
    }
    // Sign-in signs in, or out when already in; the messenger's sign-off only signs out. A day
    // that is signed out stays so.
    if (code == Cmd::AttendanceSignIn && !st.signedIn) {
        Stmt ins(db_, "INSERT OR REPLACE INTO attendance(user_id, day, sign_in) VALUES(?,?,?)");
        if (!ins.bind(1, int64_t(me)).bind(2, day).bind(3, now).run())
            log(LogLevel::Error, std::string("attendance not kept: ") + sqlite3_errmsg(db_));
        log(LogLevel::Info, "user " + std::to_string(me) + " signed in for work");
        return;
    }
    if (st.signedIn && !st.signedOut) {
        Stmt up(db_, "UPDATE attendance SET sign_out = ? WHERE user_id = ? AND day = ?");
        if (!up.bind(1, now).bind(2, int64_t(me)).bind(3, day).run())
            log(LogLevel::Error, std::string("attendance not kept: ") + sqlite3_errmsg(db_));
        log(LogLevel::Info, "user " + std::to_string(me) + " signed out of work");
    }
}

// ---- the service desk ----

const ServicePointSpec* OfficeServices::point(const wire::Guid& guid) const {
    for (const ServicePointSpec& p : points_)
        if (p.guid == guid) return &p;
    return nullptr;
}

bool OfficeServices::isStaff(const wire::Guid& guid, uint32_t userId) const {
    const ServicePointSpec* p = point(guid);
    return p && std::find(p->staff.begin(), p->staff.end(), userId) != p->staff.end();
}

void OfficeServices::onServiceSession(Session& s, const protocol::ServiceSession& r) {
    const uint32_t me = s.userId();
    const ServicePointSpec* p = point(r.serviceGuid);
    if (!p) {
        log(LogLevel::Info, "user " + std::to_string(me) + " asked for an unknown service point");
        return;
    }
    if (r.flag == 0) {
        // The customer is given the first of the point's staff who is signed in (never itself).
        protocol::ServiceSession answer;
        answer.serviceGuid = r.serviceGuid;
        for (uint32_t staff : p->staff)
            if (staff != me && server_.isOnline(staff)) {
                answer.userId = staff;
                break;
            }
        s.send(protocol::makeMessage(Cmd::ServiceSession, answer));
        return;
    }
    // The customer announces the session to its staff member.
    if (!isStaff(r.serviceGuid, r.userId)) {
        log(LogLevel::Warning, "user " + std::to_string(me) + " announced a service session to a non-member");
        return;
    }
    protocol::ServiceSession told;
    told.userId = me;
    told.serviceGuid = r.serviceGuid;
    told.flag = 1;
    server_.pushRecord(r.userId, protocol::makeMessage(Cmd::ServiceSession, told));
}

void OfficeServices::onReservation(Session& s, const protocol::Reservation& r) {
    const uint32_t me = s.userId();
    if (r.customerId != me || r.confirmed || !isStaff(r.serviceGuid, r.staffId) ||
        !plausibleTime(r.appointmentTime)) {
        log(LogLevel::Warning, "refused a reservation from user " + std::to_string(me));
        return;
    }
    // Relayed unchanged to the staff member, held while it is away.
    const auto outcome =
        server_.deliverOrHold(r.staffId, me, protocol::makeMessage(Cmd::Reservation, r), Relay::Hold::Notice);
    log(LogLevel::Info, "reservation from user " + std::to_string(me) + " for user " +
                            std::to_string(r.staffId) +
                            (outcome == Server::Outcome::Held ? " held" : " relayed"));
}

bool OfficeServices::keep(const char* table, const std::string& body, uint32_t userId) {
    const std::string insert = std::string("INSERT INTO ") + table + "(user_id, record) VALUES(?,?)";
    const std::string trim = std::string("DELETE FROM ") + table +
                             " WHERE user_id = ? AND id NOT IN (SELECT id FROM " + table +
                             " WHERE user_id = ? ORDER BY id DESC LIMIT ?)";
    Stmt ins(db_, insert.c_str());
    Stmt del(db_, trim.c_str());
    const bool ok = ins.bind(1, int64_t(userId)).blob(2, body).run() &&
                    del.bind(1, int64_t(userId)).bind(2, int64_t(userId)).bind(3, kKeptPerColleague).run();
    if (!ok) log(LogLevel::Error, std::string(table) + " not kept: " + sqlite3_errmsg(db_));
    return ok;
}

void OfficeServices::onConfirmation(Session& s, const protocol::Reservation& r) {
    const uint32_t me = s.userId();
    if (r.staffId != me || !r.confirmed || !isStaff(r.serviceGuid, me) || !plausibleTime(r.appointmentTime)) {
        log(LogLevel::Warning, "refused a reservation confirmation from user " + std::to_string(me));
        return;
    }
    keep("reservation_confirmations", wire::encode(r), me);
}

void OfficeServices::onEvaluation(Session& s, const protocol::Evaluation& e) {
    const uint32_t me = s.userId();
    const std::string rating = protocol::fromGbk(e.rating);
    if (e.customerId != me || !point(e.serviceGuid) ||
        (rating != "满意" && rating != "基本满意" && rating != "不满意")) {
        log(LogLevel::Warning, "refused an evaluation from user " + std::to_string(me));
        return;
    }
    keep("evaluations", wire::encode(e), me);
}

OfficeServices::Kept OfficeServices::kept() {
    Kept k;
    for (Stmt q(db_, "SELECT record FROM reservation_confirmations ORDER BY id"); q.step();) {
        protocol::Reservation r;
        if (wire::decode(q.bytes(0), r)) k.confirmations.push_back(r);
    }
    for (Stmt q(db_, "SELECT record FROM evaluations ORDER BY id"); q.step();) {
        protocol::Evaluation e;
        if (wire::decode(q.bytes(0), e)) k.evaluations.push_back(e);
    }
    return k;
}

} // namespace vantor::server
