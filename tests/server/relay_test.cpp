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

Message transferRecord(Cmd code, size_t idAt, uint32_t receiver, const std::string& transferId) {
    Message m = record(code, {{0, receiver}});
    m.body[idAt] = char(transferId.size());
    m.body.replace(idAt + 1, transferId.size(), transferId);
    return m;
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
        {"file reply carries only the receiver", transferRecord(Cmd::FileReply, 5, 12, "12_11_AB_1")},
        {"file complete names its sender at 85",
         [] {
             Message m = transferRecord(Cmd::FileComplete, 4, 12, "12_11_AB_1");
             wire::storeU32(m.body.data() + 85, 11);
             return m;
         }()},
        {"peer address", record(Cmd::PeerAddress, {{0, 12}, {4, 11}})},
        {"remote screen", record(Cmd::RemoteScreen, {{0, 12}, {4, 11}})},
        // The server writes the requester's name itself: the right one passes unchanged.
        {"contact request goes to its target",
         [] {
             protocol::ContactRequest r;
             r.requesterId = 11;
             r.targetId = 12;
             r.requesterName = protocol::toGbk("张三");
             return protocol::makeMessage(Cmd::AddContactRequest, r);
         }()},
    };
    for (const auto& c : cases) {
        a->send(c.m);
        const auto got = b->next();
        ASSERT_TRUE(got) << c.what;
        EXPECT_EQ(got->code, c.m.code) << c.what;
        EXPECT_EQ(got->body, c.m.body) << c.what;
    }
    // A join request goes to the group's creator, 11; it comes from 15, who is not a member, with
    // the name, number and group name the server writes.
    auto e = signedIn('e');
    protocol::GroupJoinRequest r;
    r.requesterId = 15;
    r.requesterName = server_->call([](server::Server& s) { return s.directory().user(15)->name; });
    r.groupNumber = server_->call([](server::Server& s) { return s.directory().group(groupGuid())->number; });
    r.guid = groupGuid();
    r.groupName = protocol::toGbk("讨论组");
    const Message join = protocol::makeMessage(Cmd::GroupJoinRequest, r);
    e->send(join);
    const auto got = a->waitFor(Cmd::GroupJoinRequest);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, join.body);
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

TEST_F(ServerTest, WhatAClientWroteBeforeClosingIsStillDelivered) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    // More than one turn's worth and more than the session's read buffer, then an orderly close.
    constexpr int kMessages = 400;
    std::string frames;
    for (int i = 0; i < kMessages; ++i) {
        const std::string body = chat(11, 12, std::to_string(i) + std::string(900, 'x')).bytes();
        frames += protocol::frameMessage(body);
    }
    a->sendAll(frames);
    a->close();
    int got = 0;
    while (got < kMessages && b->waitFor(Cmd::ChatMessage, 5000))
        ++got;
    EXPECT_EQ(got, kMessages);
}

TEST_F(ServerTest, RelayedRecordsAreNotHeldBackByTheMessageBudget) {
    // A relayed transfer sends thousands of records a second; the budget is for what is told to
    // many or stored.
    server_.reset();
    config_.messagesPerSecond = 10;
    config_.messageBurst = 5;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    constexpr int kMessages = 2000;
    std::string frames;
    for (int i = 0; i < kMessages; ++i)
        frames += protocol::frameMessage(chat(11, 12, std::to_string(i)).bytes());
    a->sendAll(frames);
    int got = 0;
    while (got < kMessages && b->waitFor(Cmd::ChatMessage, 2000))
        ++got;
    EXPECT_EQ(got, kMessages);
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

// The records that change a group are relayed only from a member to a member; the group's texts
// and its dismissal only from its creator; a departure naming someone else only from the creator.
TEST_F(ServerTest, GroupChangesAreRelayedOnlyFromThoseAllowedToMakeThem) {
    auto a = signedIn('a'); // 11, the creator
    auto b = signedIn('b'); // 12, a member
    auto e = signedIn('e'); // 15, not a member
    a->waitFor(Cmd::Status);
    a->waitFor(Cmd::Status);
    b->waitFor(Cmd::Status);
    wire::Guid unknown;
    ASSERT_TRUE(wire::Guid::fromString("{12345678-1234-1234-1234-123456789ABC}", unknown));
    auto info = [](uint32_t to, const wire::Guid& g) {
        protocol::GroupInfoRecord r;
        r.targetId = to;
        r.guid = g;
        r.name = protocol::toGbk("改名");
        return protocol::makeMessage(Cmd::GroupInfo, r);
    };
    auto change = [](Cmd code, uint32_t to, uint32_t actor, const wire::Guid& g) {
        return protocol::makeMessage(code, protocol::GroupMemberChange{to, actor, g});
    };
    auto invite = [](uint32_t to, uint32_t creator, const wire::Guid& g) {
        protocol::GroupRecord r;
        r.targetId = to;
        r.creatorId = creator;
        r.count = 1;
        r.members[0] = 15;
        r.key.groupId = g;
        r.key.kind = protocol::kGroupConversation;
        return protocol::makeMessage(Cmd::GroupInvite, r);
    };
    WireClient* byAccount[] = {a.get(), b.get(), e.get()};
    const struct {
        const char* what;
        int from, to; // indexes into byAccount
        Message m;
        bool relayed;
    } cases[] = {
        {"texts from the creator", 0, 1, info(12, groupGuid()), true},
        {"texts from a member", 1, 0, info(11, groupGuid()), false},
        {"texts of a group nobody has", 0, 1, info(12, unknown), false},
        {"dismissal by a member", 1, 0, change(Cmd::GroupDismiss, 11, 12, groupGuid()), false},
        {"a member leaves", 1, 0, change(Cmd::GroupQuit, 11, 12, groupGuid()), true},
        {"a member removes another", 1, 0, change(Cmd::GroupQuit, 11, 13, groupGuid()), false},
        {"the creator removes a member", 0, 1, change(Cmd::GroupQuit, 12, 13, groupGuid()), true},
        {"invitation from outside", 2, 0, invite(11, 15, groupGuid()), false},
        {"invitation to someone outside", 0, 2, invite(15, 11, groupGuid()), false},
        {"invitation from a member", 1, 0, invite(11, 11, groupGuid()), true},
        {"dismissal by the creator", 0, 1, change(Cmd::GroupDismiss, 12, 11, groupGuid()), true},
    };
    for (const auto& c : cases) {
        byAccount[c.from]->send(c.m);
        if (c.relayed) {
            const auto got = byAccount[c.to]->waitFor(Cmd(c.m.code));
            ASSERT_TRUE(got) << c.what;
            EXPECT_EQ(got->body, c.m.body) << c.what;
        } else {
            EXPECT_TRUE(byAccount[c.to]->quiet(150)) << c.what;
        }
    }
    EXPECT_TRUE(b->connected());
    EXPECT_TRUE(e->connected());
}

} // namespace
} // namespace vantor::testing

namespace vantor::testing {
namespace {

Message joinAnswer(uint32_t requester, const wire::Guid& group) {
    Message m = record(Cmd::GroupJoinRequest, {{0, requester}, {257, 1}});
    const auto g = group.toBytes();
    m.body.replace(79, 16, reinterpret_cast<const char*>(g.data()), 16);
    return m;
}

TEST_F(ServerTest, TransferAndJoinRecordsComeOnlyFromTheirParties) {
    auto a = signedIn('a');
    auto b = signedIn('b');
    a->waitFor(Cmd::Status);
    const struct {
        const char* what;
        WireClient* from;
        Message m;
        bool relayed;
    } cases[] = {
        {"cancel of an own transfer", a.get(), transferRecord(Cmd::FileCancel, 4, 12, "11_12_AB_1"), true},
        {"cancel of a transfer between others", a.get(), transferRecord(Cmd::FileCancel, 4, 12, "13_12_AB_1"),
         false},
        {"reply as the receiver", b.get(), transferRecord(Cmd::FileReply, 5, 11, "11_12_AB_1"), true},
        {"reply to a group transfer, to its sender", b.get(),
         transferRecord(Cmd::FileReply, 5, 11, "11_0_AB_1"), true},
        {"block map of someone else's transfer", b.get(),
         transferRecord(Cmd::FileBlockMap, 8, 11, "13_14_AB_1"), false},
        {"join answer from a member who did not create it", b.get(), joinAnswer(11, groupGuid()), false},
    };
    for (const auto& c : cases) {
        WireClient* to = c.from == a.get() ? b.get() : a.get();
        c.from->send(c.m);
        if (c.relayed) {
            const auto got = to->next();
            ASSERT_TRUE(got) << c.what;
            EXPECT_EQ(got->body, c.m.body) << c.what;
        } else {
            EXPECT_TRUE(to->quiet()) << c.what;
        }
        EXPECT_TRUE(c.from->connected()) << c.what;
    }
    // The creator's answer to a request that waits reaches the requester.
    auto e = signedIn('e');
    protocol::GroupJoinRequest ask;
    ask.requesterId = 15;
    ask.guid = groupGuid();
    e->send(protocol::makeMessage(Cmd::GroupJoinRequest, ask));
    ASSERT_TRUE(a->waitFor(Cmd::GroupJoinRequest));
    const Message answer = joinAnswer(15, groupGuid());
    a->send(answer);
    const auto got = e->waitFor(Cmd::GroupJoinRequest);
    ASSERT_TRUE(got) << "join answer from the group's creator";
    EXPECT_EQ(got->body, answer.body);
}

// A new group (or more members for one) as its creator saves it.
Message groupSave(const char* guid, std::vector<uint32_t> members) {
    protocol::GroupRecord r;
    wire::Guid::fromString(guid, r.key.groupId);
    r.key.kind = protocol::kGroupConversation;
    r.name = "g";
    r.count = uint32_t(members.size());
    for (size_t i = 0; i < members.size(); ++i)
        r.members[i] = members[i];
    return protocol::makeMessage(Cmd::GroupSave, r);
}

TEST_F(ServerTest, GroupsAreBoundedPerCreatorAndAdditionsInRate) {
    server_.reset();
    config_.maxGroupsPerCreator = 3; // 11 created the fixture's group
    config_.groupAdditionBurst = 3;
    config_.groupAdditionsPerMinute = 0.001;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    const char* g1 = "{11111111-0000-0000-0000-000000000001}";
    const char* g2 = "{11111111-0000-0000-0000-000000000002}";
    const char* g3 = "{11111111-0000-0000-0000-000000000003}";
    a->send(groupSave(g1, {12}));
    a->send(groupSave(g2, {13}));
    a->send(groupSave(g3, {14}));     // a fourth group of 11
    a->send(groupSave(g1, {14, 15})); // one addition left in 11's budget
    for (WireClient* c : {a.get(), b.get()}) {
        c->send(protocol::emptyMessage(Cmd::Heartbeat));
        ASSERT_TRUE(c->waitFor(Cmd::Heartbeat));
    }
    EXPECT_EQ(groupMembers(g1), (std::vector<uint32_t>{11, 12, 14}));
    EXPECT_EQ(groupMembers(g2), (std::vector<uint32_t>{11, 13}));
    EXPECT_FALSE(groupMembers(g3));
}

// Nobody can be put in more groups than the limit, however many creators try.
TEST_F(ServerTest, AColleagueIsPutInNoMoreGroupsThanTheLimit) {
    server_.reset();
    config_.maxGroupsPerMember = 2;
    startServer();
    auto a = signedIn('a');
    auto b = signedIn('b');
    const char* h1 = "{22222222-0000-0000-0000-000000000001}";
    const char* h2 = "{22222222-0000-0000-0000-000000000002}";
    const char* h3 = "{22222222-0000-0000-0000-000000000003}";
    a->send(groupSave(h1, {15}));
    b->send(groupSave(h2, {15}));
    b->send(groupSave(h3, {15, 100})); // 15 is in two groups already; 100 still gets in
    for (WireClient* c : {a.get(), b.get()}) {
        c->send(protocol::emptyMessage(Cmd::Heartbeat));
        ASSERT_TRUE(c->waitFor(Cmd::Heartbeat));
    }
    EXPECT_EQ(groupMembers(h1), (std::vector<uint32_t>{11, 15}));
    EXPECT_EQ(groupMembers(h2), (std::vector<uint32_t>{12, 15}));
    EXPECT_EQ(groupMembers(h3), (std::vector<uint32_t>{12, 100}));
}

} // namespace
} // namespace vantor::testing
