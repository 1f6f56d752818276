#include "bytes.h"
#include "protocol/peer_records.h"

#include <gtest/gtest.h>

namespace vantor::protocol {
namespace {

using testbytes::Bytes;

TEST(PeerRecordsTest, EchoAndAddressesMatchHandWrittenBytes) {
    UdpEcho echo{7, {"10.0.0.2", 5000}, {"1.2.3.4", 40000}};
    const std::string want = Bytes().u32(7).text(15, "10.0.0.2").u32(5000).text(15, "1.2.3.4").u32(40000).s;
    EXPECT_EQ(wire::encode(echo), want);
    UdpEcho back;
    ASSERT_TRUE(wire::decode(want, back));
    EXPECT_EQ(back.observed, (Endpoint{"1.2.3.4", 40000}));

    PeerAddress pa{8, 7, {"10.0.0.2", 5000}, {"1.2.3.4", 40000}};
    EXPECT_EQ(wire::encode(pa),
              Bytes().u32(8).u32(7).text(15, "10.0.0.2").u32(5000).text(15, "1.2.3.4").u32(40000).s);
}

TEST(PeerRecordsTest, PunchRecordsMatchHandWrittenBytes) {
    PunchRequest req{8, 7, {"5.6.7.8", 1}, {"10.0.0.2", 2}, {"1.2.3.4", 3}, {"5.6.7.8", 1}};
    EXPECT_EQ(wire::encode(req), Bytes()
                                     .u32(8)
                                     .u32(7)
                                     .text(15, "5.6.7.8")
                                     .u32(1)
                                     .text(15, "10.0.0.2")
                                     .u32(2)
                                     .text(15, "1.2.3.4")
                                     .u32(3)
                                     .text(15, "5.6.7.8")
                                     .u32(1)
                                     .s);
    PunchShort probe{8, 7, {"5.6.7.8", 1}};
    EXPECT_EQ(wire::encode(probe), Bytes().u32(8).u32(7).text(15, "5.6.7.8").u32(1).s);
    PunchConfirm confirm{8, 7, {"5.6.7.8", 1}, {"1.2.3.4", 3}, {"5.6.7.8", 9}};
    EXPECT_EQ(wire::encode(confirm), Bytes()
                                         .u32(8)
                                         .u32(7)
                                         .text(15, "5.6.7.8")
                                         .u32(1)
                                         .text(15, "1.2.3.4")
                                         .u32(3)
                                         .text(15, "5.6.7.8")
                                         .u32(9)
                                         .s);
}

} // namespace
} // namespace vantor::protocol
