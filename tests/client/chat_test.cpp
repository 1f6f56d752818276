// Chat between whole clients through vantor-server: duplicates, a recipient that never answers,
// senders the recipient does not know yet, typing notices, shakes, and the conversation each kind
// of key opens.
#include "client_fixture.h"

#include "conversation/picture_request.h"
#include "crypto/cipher.h"
#include "history/message_store.h"
#include "peer/channel.h"
#include "protocol/records.h"
#include "protocol/text.h"
#include "protocol/wire.h"

#include <QDir>
#include <QFile>

namespace vantor::testing {
namespace {

using protocol::Cmd;

TEST_F(ClientTest, SameMessageDirectAndRelayedIsShownOnceAndAcknowledgedTwice) {
    server().call([](server::Server& s) { s.setDirectPaths(true); });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    peer::TMySocket& toB = a.peers().ensureChatChannel(1002);
    peer::TMySocket& toA = b.peers().ensureChatChannel(1001);
    ASSERT_TRUE(drive([&] { return !toB.ViaServer() && !toA.ViaServer(); }));

    int serverAcks = 0;
    a.messenger().registerHandler(Cmd::ChatAck, [&](const protocol::Message& m) {
        ++serverAcks;
        a.peers().onChatAck(m.body);
    });
    conversation::Conversation& ab = a.openWith(1002);
    a.say(ab, "只显示一次");
    ASSERT_EQ(a.peers().pending().size(), 1u);
    const protocol::ChatMessage sent = a.peers().pending().messages().front();
    // The direct copy is acknowledged on the direct path.
    ASSERT_TRUE(drive([&] { return a.peers().pending().size() == 0; }));
    EXPECT_EQ(serverAcks, 0);

    // The same message again, as the resend queue would send it through the server.
    a.peers().queueChat(sent);
    toB.SendData(protocol::Message{uint8_t(Cmd::ChatMessage), sent.encodeBody()}.bytes(), true);
    ASSERT_TRUE(drive([&] { return a.peers().pending().size() == 0; }))
        << "the duplicate was not acknowledged";
    EXPECT_EQ(serverAcks, 1) << "a duplicate is acknowledged through the server";
    drive([] { return false; }, 200);
    EXPECT_EQ(b.received(), std::vector<std::string>{"只显示一次"});
    EXPECT_EQ(b.stored(1001), std::vector<std::string>{"只显示一次"});
}

// Every record of a conversation, oldest first, as the store holds it now (nothing drained).
std::vector<std::string> onDisk(const history::StoreLocation& location, uint32_t partnerId) {
    std::vector<std::string> texts;
    for (int32_t page = 1;; ++page) {
        const history::HistoryPage p =
            history::ReadHistoryPage(location, history::OneToOneKey(int32_t(partnerId)), page);
        if (!p.status.ok()) break;
        for (const auto& r : p.records)
            texts.push_back(protocol::fromGbk(crypto::DesDecryptText(r.text)));
        if (page >= p.pageCount) break;
    }
    return texts;
}

// A burst over the direct path: shown complete and in order, and acknowledged only once stored —
// when the sender holds every acknowledgement, the receiver's store already has every message,
// without waiting for its writer. Signing out writes what is still queued.
TEST_F(ClientTest, ABurstIsShownInOrderAndAcknowledgedOnlyOnceStored) {
    server().call([](server::Server& s) { s.setDirectPaths(true); });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    peer::TMySocket& toB = a.peers().ensureChatChannel(1002);
    peer::TMySocket& toA = b.peers().ensureChatChannel(1001);
    ASSERT_TRUE(drive([&] { return !toB.ViaServer() && !toA.ViaServer(); }));
    conversation::Conversation& ab = a.openWith(1002);
    b.openWith(1001);
    std::vector<std::string> sent;
    for (int i = 0; i < 1500; ++i) {
        sent.push_back("第" + std::to_string(i) + "条");
        a.say(ab, sent.back());
        // Both clients share this thread: the receiver reads between groups of messages.
        if (i % 50 == 49) drive([] { return false; }, 2, 0);
    }
    ASSERT_TRUE(drive([&] { return b.received().size() >= sent.size(); }, 20000, 0));
    EXPECT_EQ(b.received(), sent);
    ASSERT_TRUE(drive([&] { return a.peers().pending().size() == 0; }, 20000, 0));
    EXPECT_EQ(onDisk(*b.core().historyLocation(), 1001), sent) << "acknowledged before it was stored";

    const auto location = *a.core().historyLocation();
    a.say(ab, "最后一条");
    a.messenger().SignOut(true);
    sent.push_back("最后一条");
    EXPECT_EQ(onDisk(location, 1002), sent) << "signing out left a record unwritten";
}

TEST_F(ClientTest, MessageToAnAbsentColleagueIsHandedToTheServerAndArrivesAtSignIn) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    conversation::Conversation& ab = a.openWith(1002); // wangfang is not signed in
    a.say(ab, "下班前回电话");
    ASSERT_EQ(a.peers().pending().size(), 1u);

    // Resent every 5 s, relayed after 15 s, handed to the server as a last attempt after 30 s.
    drive([] { return false; }, 1000, 0);
    clock_.advance(29000);
    drive([] { return false; }, 300, 0);
    EXPECT_EQ(a.peers().pending().size(), 1u) << "handed over before 30 s";
    EXPECT_EQ(server().call([](server::Server& s) { return s.heldCount(1002); }), 0u);
    ASSERT_TRUE(drive([&] { return a.peers().pending().size() == 0; }, 8000, 100));
    ASSERT_TRUE(
        drive([&] { return server().call([](server::Server& s) { return s.heldCount(1002); }) == 1; }));

    TestClient& b = signIn("wangfang", "wangfang123");
    ASSERT_TRUE(drive([&] { return !b.received().empty(); }));
    drive([] { return false; }, 300);
    EXPECT_EQ(b.received(), std::vector<std::string>{"下班前回电话"});
    EXPECT_TRUE(b.conversationView.tips.empty()) << "a message the server delivered pops no tip";
    EXPECT_EQ(b.stored(1001), std::vector<std::string>{"下班前回电话"});
    EXPECT_EQ(a.stored(1002), std::vector<std::string>{"下班前回电话"});
}

// The client of `viewerId` forgets `userId`, as if the server had removed the colleague from its tree
// (the server still knows the colleague and answers queries for it).
void forget(server::ServerThread& server, uint32_t viewerId, uint32_t userId) {
    protocol::UserItem removal = server.call([&](server::Server& s) {
        protocol::UserItem item;
        item.action = protocol::kItemRemoved;
        item.position = uint32_t(s.directory().position(userId));
        item.user = *s.directory().user(userId);
        return item;
    });
    ASSERT_TRUE(server.call([&](server::Server& s) {
        return s.pushRecord(viewerId, protocol::Message{uint8_t(Cmd::UserItem), removal.encodeBody()});
    }));
}

TEST_F(ClientTest, MessageFromAnUnknownSenderWaitsForItsRecord) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& b = signIn("wangfang", "wangfang123");
    TestClient& c = signIn("lina", "lina123");
    forget(server(), 1002, 1003);
    ASSERT_TRUE(drive([&] { return b.dir().findUser(1003) == nullptr; }));

    conversation::Conversation& cb = c.openWith(1002);
    c.say(cb, "我是李娜");
    ASSERT_TRUE(drive([&] { return !b.received().empty(); }));
    EXPECT_NE(b.dir().findUser(1003), nullptr) << "shown before the sender's record arrived";
    EXPECT_TRUE(drive([&] { return c.peers().pending().size() == 0; })) << "never acknowledged";
    drive([] { return false; }, 300);
    EXPECT_EQ(b.received(), std::vector<std::string>{"我是李娜"});
    EXPECT_EQ(b.dir().heldMessageCount(), 0u);
    ASSERT_EQ(b.conversationView.shown.size(), 1u);
    EXPECT_EQ(b.conversationView.shown[0].header.rfind(protocol::toGbk("李娜 "), 0), 0u);
}

TEST_F(ClientTest, ALinkToAColleagueOutsideTheTreeOpensTheConversationOnceTheRecordArrives) {
    TestClient& b = signIn("wangfang", "wangfang123");
    forget(server(), 1002, 1003);
    ASSERT_TRUE(drive([&] { return b.dir().findUser(1003) == nullptr; }));
    // Twice before the record is there: the conversation opens once when it arrives.
    b.messenger().OnCopyData("uin=1003");
    b.messenger().OnCopyData("uin=1003");
    ASSERT_TRUE(drive([&] { return b.dir().findUser(1003) != nullptr; }));
    drive([] { return false; }, 200);
    const auto& calls = b.view.calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "conversation 1003"), 1);
}

TEST_F(ClientTest, TypingNoticesAndShakeReachTheOpenWindow) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    conversation::Conversation& ab = a.openWith(1002);
    b.openWith(1001);
    auto& typing = b.conversationView.typingTexts;

    a.core().chat().inputChanged(ab, 1);
    ASSERT_TRUE(drive([&] { return typing.size() == 1; }));
    EXPECT_EQ(protocol::fromGbk(typing.back().first), "张伟 - 正在输入...");
    EXPECT_TRUE(b.conversationView.typingTimer);
    a.core().chat().inputChanged(ab, 0);
    ASSERT_TRUE(drive([&] { return typing.size() == 2; }));
    EXPECT_EQ(protocol::fromGbk(typing.back().first), "张伟 - 对话");
    EXPECT_EQ(protocol::fromGbk(typing.back().second), "与 张伟 交谈中");

    ASSERT_TRUE(a.core().chat().shake(ab));
    ASSERT_TRUE(drive([&] { return !b.conversationView.lines.empty(); }));
    EXPECT_NE(protocol::fromGbk(b.conversationView.lines.back()).find("对方向您发送了一个抖动提醒。"),
              std::string::npos);
    const auto& events = b.conversationView.events;
    EXPECT_NE(std::find(events.begin(), events.end(), "shake"), events.end());
}

TEST_F(ClientTest, EachKindOfKeyOpensItsOwnConversation) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = signIn("liuyang", "liuyang123");   // 1004, member of 研发周会
    TestClient& b = signIn("chenjing", "chenjing123"); // 1005, member too
    wire::Guid group;
    ASSERT_TRUE(wire::Guid::fromString("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}", group));

    a.say(a.openWith(1005), "单聊");
    protocol::ConversationKey groupKey;
    groupKey.groupId = group;
    groupKey.kind = protocol::kGroupConversation;
    groupKey.userA = 1004;
    conversation::Conversation* inGroup = a.core().conversations().findOrCreate(groupKey, true);
    a.say(*inGroup, "群聊");
    // A service-centre message, as a service desk would send it.
    protocol::ChatMessage service;
    service.recipientId = 1005;
    service.senderId = 1004;
    service.sendTick = 77;
    service.key = groupKey;
    ASSERT_TRUE(wire::Guid::fromString("{0D3B5F7A-1C2E-4A6B-8D9F-0123456789AB}", service.key.groupId));
    service.key.kind = protocol::kServiceConversation;
    service.key.userB = 1005;
    service.text = crypto::DesEncryptText(protocol::toGbk("客服"));
    service.textLength = uint32_t(service.text.size());
    ASSERT_TRUE(server().call([&](server::Server& s) {
        return s.pushRecord(1005, protocol::Message{uint8_t(Cmd::ChatMessage), service.encodeBody()});
    }));

    ASSERT_TRUE(drive([&] { return b.received().size() == 3; }));
    std::map<uint8_t, std::string> byKind;
    for (const auto& shown : b.conversationView.shown) {
        const conversation::Conversation* conv = b.core().conversations().byId(shown.conversation);
        ASSERT_NE(conv, nullptr);
        byKind[conv->kind()] = protocol::fromGbk(shown.plain);
    }
    EXPECT_EQ(b.core().conversations().all().size(), 3u);
    EXPECT_EQ(byKind, (std::map<uint8_t, std::string>{{0, "单聊"}, {1, "群聊"}, {2, "客服"}}));
}

// What the server hands over is checked like what a peer sends: a group message counts only from a
// member of a group the client knows; one of an unknown group waits until the group arrives (here
// by CmdGroupInvite); and one colleague cannot open more than ten new conversations a minute by
// sending under fresh service keys.
TEST_F(ClientTest, GroupMessagesNeedAMemberOfAKnownGroupAndNewConversationsAreBounded) {
    TestClient& b = signIn("chenjing", "chenjing123"); // 1005, member of 研发周会
    wire::Guid known, unknown;
    ASSERT_TRUE(wire::Guid::fromString("{6E8A3C2B-51D4-4F0A-9B7E-2C1D3E4F5A61}", known));
    ASSERT_TRUE(wire::Guid::fromString("{11111111-2222-3333-4444-555555555555}", unknown));
    auto chat = [](uint32_t sender, uint32_t tick, uint8_t kind, const wire::Guid& g, const char* text) {
        protocol::ChatMessage m;
        m.recipientId = kind == protocol::kGroupConversation ? 0 : 1005;
        m.senderId = sender;
        m.sendTick = tick;
        m.key.groupId = g;
        m.key.kind = kind;
        m.key.userA = sender;
        m.key.userB = m.recipientId;
        m.text = crypto::DesEncryptText(protocol::toGbk(text));
        m.textLength = uint32_t(m.text.size());
        return protocol::Message{uint8_t(Cmd::ChatMessage), m.encodeBody()};
    };
    auto push = [&](const protocol::Message& m) {
        ASSERT_TRUE(server().call([&](server::Server& s) { return s.pushRecord(1005, m); }));
    };
    push(chat(1001, 1, protocol::kGroupConversation, known, "not a member")); // 张伟 is not in 研发周会
    push(chat(1004, 2, protocol::kGroupConversation, unknown, "waits for its group"));
    push(chat(1004, 3, protocol::kGroupConversation, known, "member"));
    ASSERT_TRUE(drive([&] { return b.received().size() == 1; }));
    ASSERT_TRUE(drive([&] { return b.dir().heldGroupMessageCount() == 1; }));
    EXPECT_EQ(b.received(), std::vector<std::string>{"member"});

    protocol::GroupRecord invite;
    invite.targetId = 1005;
    invite.creatorId = 1004;
    invite.name = protocol::toGbk("新组");
    invite.count = 2;
    invite.members[0] = 1004;
    invite.members[1] = 1005;
    invite.key.groupId = unknown;
    invite.key.kind = protocol::kGroupConversation;
    push(protocol::Message{uint8_t(Cmd::GroupInvite), wire::encode(invite)});
    ASSERT_TRUE(drive([&] { return b.received().size() == 2; }));
    EXPECT_EQ(b.received().back(), "waits for its group");
    EXPECT_EQ(b.dir().heldGroupMessageCount(), 0u);
    EXPECT_EQ(b.core().conversations().all().size(), 2u);

    for (uint32_t n = 0; n < 15; ++n) {
        wire::Guid fresh;
        fresh.data1 = 0x5000 + n;
        push(chat(1004, 100 + n, protocol::kServiceConversation, fresh, "service"));
    }
    // 1004 opened the two group conversations already: eight more within the minute, not fifteen.
    const size_t bound = conversation::kMaxNewConversationsPerMinute;
    ASSERT_TRUE(drive([&] { return b.received().size() == bound; }));
    drive([] { return false; }, 300); // anything more would have arrived by now
    EXPECT_EQ(b.received().size(), bound);
    EXPECT_EQ(b.core().conversations().all().size(), bound);
}

struct RecordingPictureTransfer : conversation::IPictureTransfer {
    std::vector<std::pair<uint32_t, std::string>> started; // requester, name
    bool startPictureTransfer(uint32_t requesterId, const protocol::ConversationKey&, const QString&,
                              const std::string& name) override {
        started.emplace_back(requesterId, name);
        return true;
    }
};

TEST_F(ClientTest, PictureRequestsReachTheOwnerOnlyForPlainNamesOfItsImagesFolder) {
    server().call([](server::Server& s) { s.setDirectPaths(false); });
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    RecordingPictureTransfer transfer;
    a.core().setPictureTransfer(&transfer);
    const QString images = a.core().imagesFolder()->folder();
    QDir().mkpath(images);
    QFile picture(images + QStringLiteral("/0A1B2C.JPG"));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write("jpeg");
    picture.close();
    const protocol::ConversationKey key = b.openWith(1001).key;

    struct Case {
        const char* name;
        conversation::PictureRoute route;
    } cases[] = {
        {"0A1B2C.JPG", conversation::PictureRoute::Peer},
        {"MISSING.JPG", conversation::PictureRoute::Peer}, // asked for; the owner has nothing to send
        {"../IM.Dat", conversation::PictureRoute::Refused},
        {"/etc/passwd", conversation::PictureRoute::Refused},
    };
    for (const Case& c : cases)
        EXPECT_EQ(b.core().requestPicture(key, 1001, c.name), c.route) << c.name;
    // A forged request naming a path outside the folder, as a hostile peer would send it.
    conversation::PictureRequest forged;
    forged.ownerId = 1001;
    forged.requesterId = 1002;
    forged.key = key;
    forged.fileName = "../IM.Dat";
    ASSERT_TRUE(server().call([&](server::Server& s) {
        return s.pushRecord(1001, protocol::Message{uint8_t(Cmd::PictureRequest), wire::encode(forged)});
    }));
    drive([] { return false; }, 500);
    EXPECT_EQ(transfer.started, (std::vector<std::pair<uint32_t, std::string>>{{1002, "0A1B2C.JPG"}}));
}

} // namespace
} // namespace vantor::testing
