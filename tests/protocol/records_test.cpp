#include "protocol/records.h"
#include "protocol/text.h"

#include "offset_bytes.h"

#include <gtest/gtest.h>

using namespace vantor::protocol;
using vantor::wire::decode;
using vantor::wire::encode;
using vantor::wire::storeU32;

namespace {

using vantor::protocol::handbytes::Bytes;

TEST(Records, LoginRequestAtItsOffsets) {
    LoginRequest r;
    r.account = "alice";
    r.password = "pw";
    r.status = 9;
    r.localAddress = "10.1.0.2";
    r.localPort = 51234;
    r.machineId = "a1b2c3";
    r.hasAudio = true;
    r.hasCamera = true;
    const auto expect = Bytes(149)
                            .text(0, "alice")
                            .text(33, "pw")
                            .u8(66, 9)
                            .text(67, "10.1.0.2")
                            .u32(83, 51234)
                            .text(87, "a1b2c3")
                            .u8(118, 1)
                            .u8(119, 1)
                            .b;
    EXPECT_EQ(encode(r), expect);
    LoginRequest back;
    ASSERT_TRUE(decode(expect, back));
    EXPECT_EQ(back.machineId, "a1b2c3");
    EXPECT_EQ(back.localPort, 51234u);
}

TEST(Records, LoginReplyFieldsAndServerSettings) {
    const std::string guid("\x33\x22\x11\x00\x55\x44\x77\x66\x88\x99\xAA\xBB\xCC\xDD\xEE\xFF", 16);
    auto bytes = Bytes(561)
                     .u8(0, 1)
                     .text(1, "token-1")
                     .text(82, "http://x/")
                     .u32(163, 640)
                     .u32(167, 480)
                     .raw(171, guid)
                     .u8(207, 1)
                     .text(209, "Prod")
                     .u32(230, 12)
                     .u32(234, 8080)
                     .u8(242 + 55, 1)
                     .u8(242 + 58, 1)
                     .u8(242 + 63, 1)
                     .u32(242 + 69, 1000)
                     .u32(242 + 77, 5000)
                     .text(242 + 85, "*.exe")
                     .u8(242 + 287, 1);
    LoginReply r;
    ASSERT_TRUE(decode(bytes.b, r));
    EXPECT_TRUE(r.success);
    EXPECT_EQ(r.tokenOrReason, "token-1");
    EXPECT_EQ(r.pageUrl, "http://x/");
    EXPECT_EQ(r.pageWidth, 640u);
    EXPECT_EQ(r.pageHeight, 480u);
    EXPECT_EQ(r.sessionId.toString(), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_TRUE(r.contactGroupMode);
    EXPECT_EQ(r.productName, "Prod");
    EXPECT_EQ(r.waitingMessages, 12u);
    EXPECT_EQ(r.homePagePort, 8080u);
    EXPECT_TRUE(r.settings.mayWriteNotices);
    EXPECT_FALSE(r.settings.netFolderFlag);
    EXPECT_TRUE(r.settings.maySendSms);
    EXPECT_TRUE(r.settings.copyChatToServer);
    EXPECT_EQ(r.settings.netFileSingleMaxSize, 1000u);
    EXPECT_EQ(r.settings.netFileMaxSize, 5000u);
    EXPECT_EQ(r.settings.netFileFilter, "*.exe");
    EXPECT_FALSE(r.settings.attendanceBySignIn);
    EXPECT_TRUE(r.settings.messageCentreMode);
    EXPECT_EQ(r.settings.raw, bytes.b.substr(242));
    // The layout round-trips to the same bytes.
    EXPECT_EQ(encode(r), bytes.b);
    EXPECT_FALSE(decode(bytes.b.substr(0, 560), r));
}

TEST(Records, VersionCheckBothWays) {
    VersionCheckRequest q;
    q.version = "1.5.0.0";
    EXPECT_EQ(encode(q), Bytes(38).text(1, "1.5.0.0").b);
    VersionCheckReply a;
    ASSERT_TRUE(decode(Bytes(38).u8(0, 1).text(18, "10.0.0.9").u32(34, 9203).b, a));
    EXPECT_EQ(a.updateFlag, 1);
    EXPECT_EQ(a.fileServer, "10.0.0.9");
    EXPECT_EQ(a.filePort, 9203u);
}

TEST(Records, StatusCountedBody) {
    StatusRecord s;
    s.userId = 42;
    s.status = 3;
    s.hasAudio = true;
    s.automatic = true;
    s.textKind = 2;
    s.text = "sig";
    const std::string body = s.encodeBody();
    EXPECT_EQ(body, Bytes(4 + 13 + 3)
                        .u32(0, 3)
                        .u32(4, 42)
                        .u8(8, 3)
                        .u8(9, 1)
                        .u8(11, 1)
                        .u8(12, 2)
                        .u32(13, 3)
                        .raw(17, "sig")
                        .b);
    StatusRecord back;
    ASSERT_TRUE(StatusRecord::decodeBody(body, back));
    EXPECT_EQ(back.text, "sig");
    EXPECT_TRUE(back.automatic);

    // A text over 99 bytes is cut when written and refused when read.
    s.text = std::string(150, 'x');
    EXPECT_EQ(s.encodeBody().size(), 4u + 13 + 99);
    EXPECT_FALSE(StatusRecord::decodeBody(Bytes(4 + 13 + 100).u32(0, 100).u32(13, 100).b, back));
    EXPECT_FALSE(StatusRecord::decodeBody(Bytes(4 + 13 + 5).u32(0, 5).u32(13, 200).b, back));
    EXPECT_FALSE(StatusRecord::decodeBody(Bytes(10).b, back));
}

TEST(Records, UserItemCarriesTheRecordUpToItsSignature) {
    for (const std::string& sig : {std::string(), std::string("hello"), std::string(100, 's')}) {
        UserItem item;
        item.action = 0;
        item.position = 7;
        item.loadCount = 30;
        item.user.userId = 1001;
        item.user.departmentId = 5;
        item.user.name = toGbk("张三");
        item.user.status = 0;
        item.user.headPicture = "1";
        item.user.isOwn = true;
        item.user.photoTime = 45000.5;
        item.user.workState = toGbk("在岗");
        item.user.signature = sig;
        const std::string body = item.encodeBody();
        ASSERT_EQ(body.size(), 4 + 155 + sig.size());
        EXPECT_EQ(vantor::wire::loadU32(body.data()), sig.size());
        EXPECT_EQ(body.substr(4, 9), Bytes(9).u8(0, 0).u32(1, 7).u32(5, 30).b);
        // The record starts at body offset 13 (after the count and the 9 item bytes).
        EXPECT_EQ(vantor::wire::loadU32(body.data() + 13), 1001u);
        EXPECT_EQ(uint8_t(body[13 + 95]), 1); // own record flag
        UserItem back;
        ASSERT_TRUE(UserItem::decodeBody(body, back));
        EXPECT_EQ(back.user.signature, sig);
        EXPECT_EQ(back.user.name, toGbk("张三"));
        EXPECT_EQ(back.user.workState, toGbk("在岗"));
        EXPECT_DOUBLE_EQ(back.user.photoTime, 45000.5);
    }
    // A length byte that claims more signature than arrived yields only what arrived.
    std::string body = UserItem{}.encodeBody();
    body[13 + 145] = char(50);
    UserItem back;
    ASSERT_TRUE(UserItem::decodeBody(body, back));
    EXPECT_EQ(back.user.signature, "");
}

TEST(Records, DirectoryRecordsAtTheirOffsets) {
    DepartmentItem d;
    ASSERT_TRUE(
        decode(Bytes(90).u8(0, 2).u32(1, 3).u32(9, 77).u32(13, 1).text(17, "Sales").u32(9 + 69, 10000).b, d));
    EXPECT_EQ(d.action, 2);
    EXPECT_EQ(d.position, 3u);
    EXPECT_EQ(d.department.departmentId, 77u);
    EXPECT_EQ(d.department.parentId, 1u);
    EXPECT_EQ(d.department.name, "Sales");
    EXPECT_EQ(d.department.reserved, 10000u);

    UserRenamed rn;
    ASSERT_TRUE(decode(Bytes(45).u32(0, 9).text(4, "Bob").b, rn));
    EXPECT_EQ(rn.name, "Bob");

    ContactsChange c{1, 2, 3, "Friends", 4, 5};
    EXPECT_EQ(encode(c), Bytes(55).u32(0, 1).u32(4, 2).u32(8, 3).text(12, "Friends").u8(53, 4).u8(54, 5).b);

    std::vector<ContactGroup> groups;
    const std::string list = Bytes(4 + 90).u32(0, 2).u32(4, 11).text(8, "A").u32(49, 12).text(53, "B").b;
    ASSERT_TRUE(decodeList(list, groups));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].groupId, 12u);
    EXPECT_EQ(groups[1].name, "B");
    EXPECT_EQ(encodeList(groups), list);
    EXPECT_FALSE(decodeList(list.substr(0, 60), groups)); // count says 2, one arrived

    WorkStateRecord w;
    Guid::fromString("{00112233-4455-6677-8899-AABBCCDDEEFF}", w.sessionId);
    w.name = toGbk("开会");
    const std::string ws = encode(w);
    ASSERT_EQ(ws.size(), 138u);
    EXPECT_EQ(ws.substr(16, 5), Bytes(5).text(0, toGbk("开会")).b);
    EXPECT_EQ(ws.substr(37, 5), std::string("\x04null", 5));
}

} // namespace
