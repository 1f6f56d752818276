// The transfer records at the offsets their tables give, built by hand byte by byte, and read back.
#include "protocol/codes.h"
#include "protocol/file_records.h"

#include "offset_bytes.h"

#include <gtest/gtest.h>

using namespace vantor::protocol;
using vantor::wire::decode;
using vantor::wire::encode;
using vantor::wire::storeU32;
using vantor::wire::storeU64;

namespace {

using vantor::protocol::handbytes::Bytes;

const std::string kId = "1001_1002_0123456789ABCDEF0123456789ABCDEF_77";

template <class R>
void expectBody(const R& r, const std::string& bytes, Cmd code) {
    EXPECT_EQ(bytes.size(), R::kSize);
    EXPECT_EQ(codeInfo(code)->received.head, R::kSize);
    EXPECT_EQ(encode(r), bytes);
}

TEST(FileRecords, OfferAtItsOffsets) {
    FileOffer o;
    o.receiverId = -1;
    o.senderId = 1001;
    o.identity = "0123456789ABCDEF0123456789ABCDEF";
    o.transferId = kId;
    o.fileName = "report.docx";
    o.size = 0x123456789ull;
    o.picture = true;
    o.key.kind = kOneToOne;
    o.key.userA = 1001;
    o.key.userB = 1002;
    o.contentTag = 0xA1B2C3D4;
    o.senderLocal = {"10.0.0.2", 4000};
    o.senderPublic = {"198.51.100.7", 50001};
    const auto bytes = Bytes(302)
                           .u32(0, 0xFFFFFFFF)
                           .u32(4, 1001)
                           .text(8, o.identity)
                           .text(41, kId)
                           .text(122, "report.docx")
                           .u64(223, 0x123456789ull)
                           .u8(231, 1)
                           .u32(232 + 18, 1001)
                           .u32(232 + 22, 1002)
                           .u32(232 + 26, 0xA1B2C3D4)
                           .text(262, "10.0.0.2")
                           .u32(278, 4000)
                           .text(282, "198.51.100.7")
                           .u32(298, 50001)
                           .b;
    expectBody(o, bytes, Cmd::FileOffer);
    FileOffer back;
    ASSERT_TRUE(decode(bytes, back));
    EXPECT_EQ(back.receiverId, -1);
    EXPECT_EQ(back.fileName, "report.docx");
    EXPECT_EQ(back.size, 0x123456789ull);
    EXPECT_EQ(back.key.userB, 1002u);
    EXPECT_EQ(back.contentTag, 0xA1B2C3D4u);
    EXPECT_EQ(back.senderPublic, o.senderPublic);
    EXPECT_FALSE(decode(bytes.substr(0, 301), back));
}

TEST(FileRecords, ReplyDataAckAndBlockMapAtTheirOffsets) {
    FileReply r;
    r.senderId = 1001;
    r.accept = true;
    r.transferId = kId;
    r.receiverLocal = {"10.0.1.2", 5000};
    r.receiverPublic = {"203.0.113.9", 6000};
    expectBody(r,
               Bytes(126)
                   .u32(0, 1001)
                   .u8(4, 1)
                   .text(5, kId)
                   .text(86, "10.0.1.2")
                   .u32(102, 5000)
                   .text(106, "203.0.113.9")
                   .u32(122, 6000)
                   .b,
               Cmd::FileReply);

    FileData d;
    d.receiverId = 1002;
    d.transferId = kId;
    d.position = 1280 * 3;
    d.length = 5;
    d.data = "hello";
    d.md5 = std::string(16, '\x5A');
    d.sendStamp = 0x0102030405060708ull;
    const auto dataBytes = Bytes(1401)
                               .u32(0, 1002)
                               .text(4, kId)
                               .u64(85, 3840)
                               .u32(93, 5)
                               .raw(97, "hello")
                               .raw(1377, std::string(16, '\x5A'))
                               .u64(1393, 0x0102030405060708ull)
                               .b;
    expectBody(d, dataBytes, Cmd::FileData);
    FileData dback;
    ASSERT_TRUE(decode(dataBytes, dback));
    EXPECT_EQ(dback.data.size(), 1280u);
    EXPECT_EQ(dback.data.substr(0, 5), "hello");
    EXPECT_EQ(dback.md5, d.md5);
    EXPECT_EQ(dback.sendStamp, d.sendStamp);

    FileDataAck a;
    a.senderId = 1001;
    a.transferId = kId;
    a.bytesDone = 2560;
    a.sendStamp = 99;
    expectBody(a, Bytes(101).u32(0, 1001).text(4, kId).u64(85, 2560).u64(93, 99).b, Cmd::FileDataAck);

    FileBlockMap m;
    m.senderId = 1001;
    m.receiverId = 1002;
    m.transferId = kId;
    m.first = 400;
    m.count = 3;
    m.flags = "101";
    expectBody(m, Bytes(497).u32(0, 1001).u32(4, 1002).text(8, kId).u32(89, 400).u32(93, 3).raw(97, "101").b,
               Cmd::FileBlockMap);
}

TEST(FileRecords, EndingNoticesAndOfflineFileAtTheirOffsets) {
    const FileNotice n{1002, kId};
    const auto noticeBytes = Bytes(85).u32(0, 1002).text(4, kId).b;
    expectBody(n, noticeBytes, Cmd::FileCancel);
    expectBody(n, noticeBytes, Cmd::FileOffline);
    expectBody(FileAbort{1002, kId, 1001}, Bytes(89).u32(0, 1002).text(4, kId).u32(85, 1001).b,
               Cmd::FileAbort);
    expectBody(FileComplete{1001, kId, 1002}, Bytes(89).u32(0, 1001).text(4, kId).u32(85, 1002).b,
               Cmd::FileComplete);

    OfflineFile f;
    f.receiverId = 1002;
    f.senderId = 1001;
    f.senderName = "zhang";
    f.transferId = kId;
    f.fileName = "a.txt";
    f.size = 7;
    f.sendTime = 2.5;
    f.oneToOne = true;
    auto bytes =
        Bytes(228).u32(0, 1002).u32(4, 1001).text(8, "zhang").text(29, kId).text(110, "a.txt").u64(211, 7);
    double t = 2.5;
    bytes.raw(219, std::string(reinterpret_cast<const char*>(&t), 8)).u8(227, 1);
    expectBody(f, bytes.b, Cmd::OfflineFile);
}

} // namespace
