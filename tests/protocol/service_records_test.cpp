// The office-service records against bytes laid out by hand at their offsets.
#include "protocol/services.h"
#include "protocol/text.h"

#include "offset_bytes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vantor::protocol;
using vantor::protocol::handbytes::Bytes;
using vantor::wire::decode;
using vantor::wire::encode;

namespace {

uint64_t bitsOf(double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

vantor::wire::Guid testGuid() {
    vantor::wire::Guid g;
    EXPECT_TRUE(vantor::wire::Guid::fromString("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}", g));
    return g;
}
// The GUID above in the Windows memory layout.
const std::string kGuidBytes("\x2B\x3C\x8A\x6E\xD4\x51\x0A\x4F\x9B\x7E\x2C\x1D\x3E\x4F\x5A\x61", 16);

TEST(ServiceRecords, AttendanceStateReadsItsFlagsAndTimesAfter21Bytes) {
    // The first 21 bytes carry nothing the client reads.
    const auto bytes = Bytes(39)
                           .raw(0, std::string(21, '\x5A'))
                           .u64(21, bitsOf(46000.375))
                           .u64(29, bitsOf(46000.75))
                           .u8(37, 1)
                           .u8(38, 0)
                           .b;
    AttendanceState s;
    ASSERT_TRUE(decode(bytes, s));
    EXPECT_DOUBLE_EQ(s.signInTime, 46000.375);
    EXPECT_DOUBLE_EQ(s.signOutTime, 46000.75);
    EXPECT_TRUE(s.signedIn);
    EXPECT_FALSE(s.signedOut);
    EXPECT_EQ(encode(s).substr(21), bytes.substr(21));
    EXPECT_FALSE(decode(bytes.substr(0, 38), s));
}

TEST(ServiceRecords, ServicePointAtItsOffsets) {
    ServicePoint p;
    p.guid = testGuid();
    p.name = toGbk("办税服务厅");
    p.description = toGbk("工作日 9:00-17:00");
    p.greeting = toGbk("您好，请问有什么可以帮您？");
    p.kind = ServicePoint::kReservation;
    const auto expect = Bytes(381)
                            .raw(0, kGuidBytes)
                            .text(16, p.name)
                            .text(67, p.description)
                            .text(168, p.greeting)
                            .u32(369, 1)
                            .b;
    EXPECT_EQ(encode(p), expect);
    // The reference the sender's own list kept (377) is not read.
    auto received = Bytes(381).raw(0, expect).u32(373, 7).u32(377, 0xDEADBEEF).b;
    ServicePoint back;
    ASSERT_TRUE(decode(received, back));
    EXPECT_EQ(back.guid, p.guid);
    EXPECT_EQ(back.greeting, p.greeting);
    EXPECT_EQ(back.kind, 1u);
}

TEST(ServiceRecords, ReservationIs646BytesWithAZeroTail) {
    Reservation r;
    r.staffId = 1012;
    r.customerId = 1001;
    r.serviceGuid = testGuid();
    r.confirmed = true;
    r.appointmentTime = 46001.4375;
    r.customerName = toGbk("张伟");
    r.matter = std::string(255, 'x');
    const auto expect = Bytes(646)
                            .u32(0, 1012)
                            .u32(4, 1001)
                            .raw(8, kGuidBytes)
                            .u8(24, 1)
                            .u64(25, bitsOf(46001.4375))
                            .text(33, r.customerName)
                            .text(134, r.matter)
                            .b;
    EXPECT_EQ(encode(r), expect);
    // A length byte beyond its field is cut to the field.
    auto longName = Bytes(646).raw(0, expect).u8(33, 255).b;
    Reservation back;
    ASSERT_TRUE(decode(longName, back));
    EXPECT_EQ(back.customerName.size(), 100u);
    EXPECT_EQ(back.matter, r.matter);
}

TEST(ServiceRecords, EvaluationAndServiceSessionAtTheirOffsets) {
    Evaluation e;
    e.serviceGuid = testGuid();
    e.staffId = 1012;
    e.customerId = 1001;
    e.rating = toGbk("基本满意");
    EXPECT_EQ(encode(e), Bytes(45).raw(0, kGuidBytes).u32(16, 1012).u32(20, 1001).text(24, e.rating).b);

    ServiceSession s;
    s.userId = 1001;
    s.serviceGuid = e.serviceGuid;
    s.flag = 1;
    EXPECT_EQ(encode(s), Bytes(24).u32(0, 1001).raw(4, kGuidBytes).u32(20, 1).b);
}

} // namespace
