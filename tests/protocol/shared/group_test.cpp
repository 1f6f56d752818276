#include "bytes.h"
#include "protocol/group.h"

#include <gtest/gtest.h>

namespace vantor::protocol {
namespace {

using testbytes::Bytes;

std::string guidBytes() {
    Bytes b;
    for (int i = 1; i <= 16; ++i)
        b.u8(uint8_t(i));
    return b.s;
}
wire::Guid testGuid() {
    return wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(guidBytes().data()));
}

TEST(GroupTest, ItemMatchesHandWrittenBytes) {
    GroupItem item;
    item.index = 3;
    item.group.serverField = 9;
    item.group.guid = testGuid();
    item.group.name = "G";
    item.group.topic = "T";
    item.group.notice = "N";
    item.group.creatorId = 7;
    item.group.hidden = true;
    item.group.memberCount = 2;
    item.group.members[0] = 7;
    item.group.members[199] = 8;

    Bytes want;
    want.u32(3).zeros(4).u32(9).raw(guidBytes());
    want.text(60, "G").text(100, "T").text(250, "N").u32(7).text(50, "0").u8(1).u32(2);
    want.u32(7).zeros(198 * 4).u32(8).zeros(4);
    ASSERT_EQ(want.s.size(), GroupItem::kSize);
    EXPECT_EQ(wire::encode(item), want.s);

    GroupItem back;
    ASSERT_TRUE(wire::decode(want.s, back));
    EXPECT_EQ(back.group.guid, item.group.guid);
    EXPECT_EQ(back.group.members[199], 8u);
    EXPECT_EQ(back.group.serverText, "0");
}

TEST(GroupTest, SaveInfoAndMemberChangeDecodeFromBytes) {
    Bytes key;
    key.raw(guidBytes()).u8(1).zeros(13);
    Bytes save;
    save.u32(7).u32(7).text(60, "Team").text(100, "").u8(0).u32(2).u32(8).u32(7).zeros(198 * 4).raw(key.s);
    GroupRecord rec;
    ASSERT_TRUE(wire::decode(save.s, rec));
    EXPECT_EQ(rec.name, "Team");
    EXPECT_EQ(rec.count, 2u);
    EXPECT_EQ(rec.members[1], 7u);
    EXPECT_EQ(rec.key.groupId, testGuid());
    EXPECT_EQ(rec.key.kind, kGroupConversation);
    EXPECT_EQ(wire::encode(rec), save.s);

    Bytes info;
    info.u32(8).zeros(4).raw(guidBytes()).u8(1).text(60, "A").text(100, "B").text(250, "C");
    GroupInfoRecord gi;
    ASSERT_TRUE(wire::decode(info.s, gi));
    EXPECT_TRUE(gi.hidden);
    EXPECT_EQ(gi.notice, "C");
    EXPECT_EQ(wire::encode(gi), info.s);

    Bytes quit;
    quit.u32(8).u32(9).raw(guidBytes());
    GroupMemberChange change;
    ASSERT_TRUE(wire::decode(quit.s, change));
    EXPECT_EQ(change.actorId, 9u);
    EXPECT_EQ(change.guid, testGuid());
}

TEST(GroupTest, MembersReplyHeadCountsItsRecords) {
    UserRecord u;
    u.userId = 42;
    u.name = "X";
    const std::string body = encodeGroupMembersReply(testGuid(), {u});
    Bytes head;
    head.zeros(4).raw(guidBytes()).u32(1);
    ASSERT_EQ(body.size(), 24 + 246u);
    EXPECT_EQ(body.substr(0, 24), head.s);

    wire::Guid g;
    std::vector<UserRecord> users;
    ASSERT_TRUE(decodeGroupMembersReply(body, g, users));
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].userId, 42u);
    EXPECT_FALSE(decodeGroupMembersReply(body.substr(0, body.size() - 1), g, users));
}

TEST(SearchRecordsTest, MatchHandWrittenBytes) {
    UserSearchRequest req;
    ASSERT_TRUE(wire::decode(Bytes().u32(5).text(70, "Li").text(30, "").u32(2).s, req));
    EXPECT_EQ(req.name, "Li");
    EXPECT_EQ(req.page, 2u);

    UserSearchResult res{42, "Li", "Dev", "hi", 0, 2};
    EXPECT_EQ(wire::encode(res),
              Bytes().u32(42).text(70, "Li").text(30, "Dev").text(60, "hi").u8(0).u32(2).s);

    GroupSearchRequest greq;
    ASSERT_TRUE(wire::decode(Bytes().u32(5).zeros(71).text(30, "team").u32(1).s, greq));
    EXPECT_EQ(greq.keyword, "team");

    GroupSearchResult gres;
    gres.guid = testGuid();
    gres.name = "G";
    gres.groupNumber = 12;
    gres.page = 1;
    EXPECT_EQ(wire::encode(gres),
              Bytes().zeros(4).raw(guidBytes()).text(60, "G").text(100, "").u32(12).u32(1).s);

    ContactRequest cr{1, 2, 3, kRequestAccepted, "Wang"};
    EXPECT_EQ(wire::encode(cr), Bytes().u32(1).u32(2).u32(3).u32(1).text(20, "Wang").s);
}

} // namespace
} // namespace vantor::protocol
