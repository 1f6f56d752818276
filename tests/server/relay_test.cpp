// Records forwarded between colleagues: one-to-one, to a group, held for offline colleagues, and
// the discussion-group saves that later sign-ins rely on.
#include "protocol/chat.h"
#include "protocol/group.h"
#include "server_fixture.h"

namespace vantor::testing {
namespace {

// A body of the code's size with 32-bit values at the given offsets.
Message record(Cmd code, std::initializer_list<std::pair<size_t, uint32_t>> words) {
    std::string b(protocol::codeInfo(code)->sent.head, '\x5A');
    for (auto [off, v] : words)
        wire::storeU32(b.data() + off, v);
    return Message{uint8_t(code), b};
}

Message chat(uint32_t from, uint32_t to, const std::string& text, bool serverDelivery = false,
             bool group = false) {
    protocol::ChatMessage m;
    m.senderId = from;
    m.recipientId = group ? 0 : to;
    m.sendTick = 1234;
    m.serverDelivery = serverDelivery;
    m.key.userA = from;
    m.key.userB = m.recipientId;
    if (group) {
        m.key.kind = protocol::kGroupConversation;
        m.key.groupId = groupGuid();
    }
    m.text = text;
    return Message{uint8_t(Cmd::ChatMessage), m.encodeBody()};
}

TEST_F(ServerTest, RelayedRecordsReachTheColleagueTheyNameUnchanged) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status); // b signed in
    const struct {
        const char* what;
        Message m;
    } cases[] = {
        {"chat message", chat(11, 12, "hello")},
        {"chat ack names the message's sender first", record(Cmd::ChatAck, {{0, 12}, {4, 11}})},
        {"file reply carries only the receiver", record(Cmd::FileReply, {{0, 12}})},
        {"file complete names its sender at 85", record(Cmd::FileComplete, {{0, 12}, {85, 11}})},
        {"peer address", record(Cmd::PeerAddress, {{0, 12}, {4, 11}})},
        {"remote screen", record(Cmd::RemoteScreen, {{0, 12}, {4, 11}})},
        {"contact request goes to its target", record(Cmd::AddContactRequest, {{0, 11}, {4, 12}, {12, 0}})},
        {"group join request goes to the creator",
         [] {
             Message m = record(Cmd::GroupJoinRequest, {{0, 11}, {257, 0}});
             const auto g = groupGuid().toBytes();
             m.body.replace(79, 16, reinterpret_cast<const char*>(g.data()), 16);
             return m;
         }()},
    };
    for (const auto& c : cases) {
        // The join request goes to the group's creator, 11: b sends that one.
        const bool fromB = c.m.cmd() == Cmd::GroupJoinRequest;
        Message m = c.m;
        if (fromB) wire::storeU32(m.body.data(), 12);
        (fromB ? b : a)->send(m);
        const auto got = (fromB ? a : b)->next();
        ASSERT_TRUE(got) << c.what;
        EXPECT_EQ(got->code, m.code) << c.what;
        EXPECT_EQ(got->body, m.body) << c.what;
    }
}

TEST_F(ServerTest, RecordsInSomeoneElsesNameOrForNobodyAreDropped) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    a->send(chat(13, 12, "forged"));
    a->send(record(Cmd::AudioInvite, {{0, 12}, {4, 14}}));
    a->send(record(Cmd::ChatAck, {{0, 999}, {4, 11}})); // nobody of that id
    a->send(chat(11, 12, "real"));
    const auto got = b->next();
    ASSERT_TRUE(got);
    protocol::ChatMessage m;
    ASSERT_TRUE(protocol::ChatMessage::decodeBody(got->body, m));
    EXPECT_EQ(m.text, "real");
    EXPECT_TRUE(a->connected());
}

TEST_F(ServerTest, GroupChatReachesEveryMemberAndWaitsForThoseOffline) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    auto e = signedIn('e'); // not a member
    a->waitFor(Cmd::Status);
    a->waitFor(Cmd::Status);
    const Message m = chat(11, 0, "to the group", false, true);
    a->send(m);
    const auto got = b->waitFor(Cmd::ChatMessage);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, m.body);
    EXPECT_TRUE(e->quiet());
    EXPECT_TRUE(a->quiet(100)); // not back to the sender

    // Members 13 and 14 were offline: they get it after their load.
    EXPECT_EQ(server_->call([](server::Server& s) { return s.heldCount(13); }), 1u);
    SignInResult r;
    auto c = signedIn('c', &r);
    const auto held = c->next();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->body, m.body);
    EXPECT_EQ(server_->call([](server::Server& s) { return s.heldCount(13); }), 0u);
}

TEST_F(ServerTest, OnlyLastAttemptsAreHeldForAnOfflineColleague) {
    auto a = signedIn('a');
    a->send(chat(11, 12, "retried by its sender")); // dropped: the sender retries
    const Message last = chat(11, 12, "last attempt", true);
    a->send(last);
    a->send(record(Cmd::AudioInvite, {{0, 12}, {4, 11}})); // not held
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));
    EXPECT_EQ(server_->call([](server::Server& s) { return s.heldCount(12); }), 1u);

    auto b = signedIn('b');
    const auto got = b->next();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, last.body);
    EXPECT_TRUE(b->quiet());
}

TEST_F(ServerTest, GroupSavesAreKeptForLaterSignIns) {
    auto a = signedIn('a');
    wire::Guid g;
    ASSERT_TRUE(wire::Guid::fromString("{99999999-8888-7777-6666-555555555555}", g));
    protocol::GroupRecord save;
    save.targetId = save.creatorId = 11;
    save.name = protocol::toGbk("新组");
    save.count = 2;
    save.members[0] = 12;
    save.members[1] = 11;
    save.key.groupId = g;
    save.key.kind = protocol::kGroupConversation;
    a->send(protocol::makeMessage(Cmd::GroupSave, save));

    protocol::GroupInfoRecord info;
    info.guid = g;
    info.name = protocol::toGbk("改名");
    info.notice = protocol::toGbk("公告");
    a->send(protocol::makeMessage(Cmd::GroupInfoSave, info));
    // The old group loses member 13 (removed by its creator) and is then dismissed.
    a->send(protocol::makeMessage(Cmd::GroupQuitSave, protocol::GroupMemberChange{0, 13, groupGuid()}));
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));

    SignInResult r;
    auto b = signedIn('b', &r);
    std::vector<protocol::Group> groups;
    for (const auto& m : r.load)
        if (m.cmd() == Cmd::GroupItem) {
            protocol::GroupItem item;
            ASSERT_TRUE(wire::decode(m.body, item));
            groups.push_back(item.group);
        }
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& grp : groups) {
        if (grp.guid == g) {
            EXPECT_EQ(protocol::fromGbk(grp.name), "改名");
            EXPECT_EQ(protocol::fromGbk(grp.notice), "公告");
            EXPECT_EQ(grp.memberCount, 2u);
        } else {
            EXPECT_EQ(grp.memberCount, 3u);
        }
    }
    // Only the creator may dismiss.
    b->send(protocol::makeMessage(Cmd::GroupDismissSave, protocol::GroupMemberChange{0, 12, g}));
    a->send(protocol::makeMessage(Cmd::GroupDismissSave, protocol::GroupMemberChange{0, 11, groupGuid()}));
    a->send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(a->waitFor(Cmd::Heartbeat));
    EXPECT_TRUE(server_->call([&](server::Server& s) { return s.directory().group(g) != nullptr; }));
    EXPECT_FALSE(
        server_->call([](server::Server& s) { return s.directory().group(groupGuid()) != nullptr; }));
}

} // namespace
} // namespace vantor::testing
