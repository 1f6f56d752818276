// The records of the office services that ride on the messenger: attendance, the service points of
// the service desk and their sessions, reservations and evaluations.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol {

// The CmdAttendanceQuery answer: the day's sign-in and sign-out. Until the user signs out,
// SignOutTime is the end of the working day.
struct AttendanceState {
    static constexpr size_t kSize = 39;
    double signInTime = 0;  // 21
    double signOutTime = 0; // 29
    bool signedIn = false;  // 37
    bool signedOut = false; // 38

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(21);
        io.f64(r.signInTime);
        io.f64(r.signOutTime);
        io.boolean(r.signedIn);
        io.boolean(r.signedOut);
    }
};

// One service point of the service desk (CmdServicePoint, one per message).
struct ServicePoint {
    static constexpr size_t kSize = 381;
    static constexpr uint32_t kServiceCentre = 0; // evaluated after a conversation
    static constexpr uint32_t kReservation = 1;   // reservations, not evaluated
    wire::Guid guid;                              // the service point, and the GUID of its conversations
    std::string name;                             // text[50], GBK
    std::string description;                      // text[100], the list entry's second line
    std::string greeting;                         // text[200], shown in a service conversation
    uint32_t kind = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.guid);
        io.text(50, r.name);
        io.text(100, r.description);
        io.text(200, r.greeting);
        io.u32(r.kind);
        io.skip(8); // not read; the list entry's reference, local to a client
    }
};

// CmdServiceSession. From a customer: own id, the service GUID and 0 asks for a staff member; the
// partner's id, the GUID and 1 announces the session to that staff member. From the server: the
// staff member assigned (0: nobody is there) and the GUID, or (to the staff member) the customer,
// the GUID and 1.
struct ServiceSession {
    static constexpr size_t kSize = 24;
    uint32_t userId = 0;
    wire::Guid serviceGuid;
    uint32_t flag = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.guid(r.serviceGuid);
        io.u32(r.flag);
    }
};

// CmdReservation (customer to staff member through the server) and CmdReservationConfirm (the staff
// member's answer to the server).
struct Reservation {
    static constexpr size_t kSize = 646;
    uint32_t staffId = 0;
    uint32_t customerId = 0;
    wire::Guid serviceGuid;
    bool confirmed = false;
    double appointmentTime = 0;
    std::string customerName; // text[100], GBK
    std::string matter;       // text[255], GBK

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.staffId);
        io.u32(r.customerId);
        io.guid(r.serviceGuid);
        io.boolean(r.confirmed);
        io.f64(r.appointmentTime);
        io.text(100, r.customerName);
        io.text(255, r.matter);
        io.skip(256);
    }
};

// CmdEvaluation: the customer's rating of a service conversation.
struct Evaluation {
    static constexpr size_t kSize = 45;
    wire::Guid serviceGuid;
    uint32_t staffId = 0;
    uint32_t customerId = 0;
    std::string rating; // text[20]: "满意", "基本满意" or "不满意" (GBK)

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.serviceGuid);
        io.u32(r.staffId);
        io.u32(r.customerId);
        io.text(20, r.rating);
    }
};

} // namespace vantor::protocol
