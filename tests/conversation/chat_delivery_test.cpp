#include "chat_fakes.h"

#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace chat_test;
using vantor::crypto::DesDecryptText;
using vantor::protocol::ChatAck;
using vantor::protocol::ConversationKey;
using vantor::protocol::InputState;

namespace {

TEST(ChatDeliveryTest, SameMessageDirectAndRelayedIsShownOnceAndAcknowledgedTwice) {
    ChatRig rig;
    const ChatMessage m = incoming(ChatRig::kLi, 555, "hello");
    rig.core.deliver(m, true); // through the peer channel
    rig.core.deliver(m, true); // again, relayed by the server
    ASSERT_EQ(rig.view.shown.size(), 1u);
    EXPECT_EQ(rig.view.shown[0].plain, "hello");
    EXPECT_EQ(rig.view.shown[0].header, "Li 10:00:00");
    EXPECT_EQ(rig.store.records.size(), 1u);
    const auto acks = rig.transport.withCode(Cmd::ChatAck);
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_FALSE(acks[0].relayed);
    EXPECT_TRUE(acks[1].relayed);
    ChatAck ack;
    ASSERT_TRUE(vantor::wire::decode(acks[1].message.body, ack));
    EXPECT_EQ(ack.senderId, ChatRig::kLi);
    EXPECT_EQ(ack.recipientId, ChatRig::kOwn);
    EXPECT_EQ(ack.sendTick, 555u);
    EXPECT_EQ(ack.textLength, m.text.size());
}

// The history is written by a thread of its own: a message is shown at once, and acknowledged once
// its record is on disk. A copy that arrives meanwhile is not acknowledged ahead of the record; a
// record that could not be stored is reported, and acknowledged all the same (it was shown).
TEST(ChatDeliveryTest, AcknowledgedOnceTheRecordIsOnDisk) {
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "store fails" : "stored");
        ChatRig rig;
        rig.store.deferred = true;
        if (fails) rig.store.failure = "disk full";
        const ChatMessage m = incoming(ChatRig::kLi, 555, "hello");
        rig.core.deliver(m, true);
        ASSERT_EQ(rig.view.shown.size(), 1u) << "shown before it is on disk";
        EXPECT_TRUE(rig.transport.withCode(Cmd::ChatAck).empty()) << "acknowledged before it is on disk";
        rig.core.deliver(m, true); // the sender's resend, relayed
        EXPECT_TRUE(rig.transport.withCode(Cmd::ChatAck).empty()) << "the copy was acknowledged first";
        rig.store.finish();
        auto acks = rig.transport.withCode(Cmd::ChatAck);
        ASSERT_EQ(acks.size(), 1u);
        EXPECT_FALSE(acks[0].relayed) << "through the colleague's channel";
        const bool reported =
            std::any_of(rig.view.events.begin(), rig.view.events.end(),
                        [](const std::string& e) { return e.rfind("storeFailed", 0) == 0; });
        EXPECT_EQ(reported, fails);
        rig.core.deliver(m, true); // a later copy: acknowledged at once
        EXPECT_EQ(rig.transport.withCode(Cmd::ChatAck).size(), 2u);
        EXPECT_EQ(rig.view.shown.size(), 1u);
        EXPECT_EQ(rig.store.records.size(), 1u);
    }
}

TEST(ChatDeliveryTest, DuplicateRulesAndAcknowledgementPaths) {
    struct Case {
        const char* what;
        uint32_t sender, tick;
        uint8_t kind;
        uint8_t status;
        bool outside;
        size_t shown, acks;
        bool ackViaServer;
    } cases[] = {
        {"tick 0: no test, no ack", ChatRig::kLi, 0, 0, 0, false, 2, 0, false},
        {"group: no test, no ack", ChatRig::kLi, 9, 1, 0, false, 2, 0, false},
        {"our own message is dropped", ChatRig::kOwn, 9, 0, 0, false, 0, 0, false},
        {"phone contact acked through the server", ChatRig::kLi, 9, 0, 10, false, 1, 2, true},
        {"contact outside the tree acked through the server", ChatRig::kLi, 9, 0, 0, true, 1, 2, true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        rig.directory.users[ChatRig::kLi].status = k.status;
        rig.directory.users[ChatRig::kLi].outsideTree = k.outside;
        const ChatMessage m = incoming(k.sender, k.tick, "x", k.kind);
        rig.core.deliver(m, true);
        rig.core.deliver(m, true);
        EXPECT_EQ(rig.view.shown.size(), k.shown);
        const auto acks = rig.transport.withCode(Cmd::ChatAck);
        EXPECT_EQ(acks.size(), k.acks);
        for (const auto& a : acks)
            EXPECT_EQ(a.server, k.ackViaServer);
    }
    ChatRig rig;
    ChatMessage other = incoming(ChatRig::kLi, 3, "x");
    other.recipientId = 99;
    rig.core.deliver(other, true);
    EXPECT_TRUE(rig.view.shown.empty()) << "a message for someone else";
}

TEST(ChatDeliveryTest, ReceivedListForgetsOldEntriesButNotRetries) {
    ChatRig rig;
    const ChatMessage m = incoming(ChatRig::kLi, 42, "x");
    rig.core.deliver(m, true);
    rig.clock.advance(30000); // the sender's last retry
    rig.core.deliver(m, true);
    EXPECT_EQ(rig.view.shown.size(), 1u);
    for (uint32_t i = 1; i <= 50; ++i) {
        rig.clock.advance(60000);
        rig.core.deliver(incoming(ChatRig::kLi, 1000 + i, "y"), true);
    }
    EXPECT_LT(rig.core.receivedCount(), 40u) << "the list is bounded by age";
}

TEST(ChatDeliveryTest, UnknownSenderIsHeldAndShownOnceItsRecordArrives) {
    ChatRig rig;
    constexpr uint32_t kWang = 12;
    const ChatMessage m = incoming(kWang, 77, "first");
    rig.core.deliver(m, true);
    rig.core.deliver(m, true); // relayed copy before the record came
    EXPECT_TRUE(rig.view.shown.empty());
    ASSERT_EQ(rig.directory.held.size(), 1u);
    EXPECT_EQ(rig.directory.queried, std::vector<uint32_t>{kWang});
    const auto acks = rig.transport.withCode(Cmd::ChatAck);
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_TRUE(acks[0].server) << "no channel to an unknown sender";

    rig.directory.users[kWang] = {kWang, "Wang", 0, false, false};
    for (const auto& held : rig.directory.held)
        rig.core.deliver(held, false);
    ASSERT_EQ(rig.view.shown.size(), 1u);
    EXPECT_EQ(rig.view.shown[0].plain, "first");
    EXPECT_EQ(rig.transport.withCode(Cmd::ChatAck).size(), 2u) << "not acknowledged again";
    EXPECT_EQ(rig.store.records.size(), 1u);
}

TEST(ChatDeliveryTest, GroupAndServiceKeysGoToTheirOwnConversations) {
    ChatRig rig;
    rig.core.deliver(incoming(ChatRig::kLi, 1, "a"), true);
    rig.core.deliver(incoming(ChatRig::kLi, 2, "b", 1), true);
    rig.core.deliver(incoming(ChatRig::kLi, 3, "c", 2), true);
    rig.core.deliver(incoming(ChatRig::kLi, 4, "d"), true);
    ASSERT_EQ(rig.view.shown.size(), 4u);
    EXPECT_EQ(rig.registry.all().size(), 3u);
    EXPECT_EQ(rig.view.shown[0].conversation, rig.view.shown[3].conversation);
    EXPECT_NE(rig.view.shown[0].conversation, rig.view.shown[1].conversation);
    EXPECT_NE(rig.view.shown[1].conversation, rig.view.shown[2].conversation);
    // The service window we did not open is the customer's partner: its side flag is set.
    EXPECT_EQ(rig.view.shown[2].header.substr(0, 3), "Li ");
    // The writer goes with each message: a group window has no peer to ask for pictures.
    for (const auto& shown : rig.view.shown)
        EXPECT_EQ(shown.sender, ChatRig::kLi);
    EXPECT_EQ(rig.store.records.size(), 4u) << "every received message is stored";
    EXPECT_EQ(rig.directory.recent, (std::vector<uint32_t>{ChatRig::kLi, ChatRig::kLi}));
}

TEST(ChatDeliveryTest, HiddenWindowAlertsTipsAndReminders) {
    struct Case {
        const char* what;
        bool visible, serverDelivery, notShowContent, remind;
        const char* tip; // UTF-8, null for none
        size_t reminders;
    } cases[] = {
        {"visible: nothing", true, false, false, true, nullptr, 0},
        {"hidden: content", false, false, false, false, "Li：hi", 0},
        {"hidden: no content, reminder", false, false, true, true, "Li：给您发送了消息 ...", 1},
        {"handed to the server: no tip", false, true, false, true, nullptr, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        rig.settings.options = {true, k.notShowContent, k.remind};
        Conversation* c = rig.registry.openWith(ChatRig::kLi);
        c->visible = k.visible;
        ChatMessage m = incoming(ChatRig::kLi, 5, "hi");
        m.serverDelivery = k.serverDelivery;
        rig.clock.advance(86400000); // the message is from yesterday
        rig.core.deliver(m, true);
        EXPECT_EQ(rig.view.shown.at(0).header, "Li 12-10 10:00:00");
        EXPECT_EQ(rig.view.tips.size(), k.tip ? 1u : 0u);
        if (k.tip && !rig.view.tips.empty()) {
            EXPECT_EQ(rig.view.tips[0], gbk(k.tip));
        }
        EXPECT_EQ(rig.view.reminders.size(), k.reminders);
        if (k.reminders) {
            EXPECT_EQ(rig.view.reminders[0].remindKind, 1);
        }
        EXPECT_EQ(c->alerted, !k.visible);
    }
}

TEST(ChatTypingTest, NoticesFollowTheFiveSecondRule) {
    // Steps of (characters in the box, ms since the previous step) and whether a notice goes out.
    struct Step {
        size_t chars;
        uint32_t after;
        int expect; // -1 nothing, else the typing flag sent
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"typing abc quickly sends one notice", {{1, 0, 1}, {2, 100, -1}, {3, 100, -1}}},
        {"emptying the box sends at once", {{1, 0, 1}, {2, 100, -1}, {0, 100, 0}}},
        {"a long pause allows another", {{2, 0, 1}, {3, 5000, -1}, {4, 1, 1}}},
        {"one character always sends", {{1, 0, 1}, {1, 10, 1}}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        Conversation* c = rig.registry.openWith(ChatRig::kLi);
        size_t before = 0;
        for (const auto& s : k.steps) {
            rig.clock.advance(s.after);
            rig.core.inputChanged(*c, s.chars);
            const auto sent = rig.transport.withCode(Cmd::InputState);
            if (s.expect < 0) {
                EXPECT_EQ(sent.size(), before);
            } else {
                ASSERT_EQ(sent.size(), before + 1);
                InputState st;
                ASSERT_TRUE(vantor::wire::decode(sent.back().message.body, st));
                EXPECT_EQ(st.typing, s.expect == 1);
                EXPECT_EQ(st.receiverId, ChatRig::kLi);
            }
            before = sent.size();
        }
    }
    struct Skip {
        uint8_t status;
        bool noTyping;
    } skips[] = {{8, false}, {10, false}, {0, true}};
    for (const auto& s : skips) {
        ChatRig rig;
        rig.directory.users[ChatRig::kLi].status = s.status;
        rig.directory.users[ChatRig::kLi].noTypingNotice = s.noTyping;
        rig.core.inputChanged(*rig.registry.openWith(ChatRig::kLi), 0);
        EXPECT_TRUE(rig.transport.sent.empty());
    }
}

TEST(ChatTypingTest, ReceivedNoticeShowsTheCaptionUntilFiveQuietSeconds) {
    ChatRig rig;
    InputState st;
    st.senderId = ChatRig::kLi;
    st.receiverId = ChatRig::kOwn;
    st.typing = true;
    st.key.userA = ChatRig::kLi;
    st.key.userB = ChatRig::kOwn;
    rig.core.receiveInputState(st);
    EXPECT_TRUE(rig.registry.all().empty()) << "never opens a window";
    Conversation* c = rig.registry.openWith(ChatRig::kLi);
    rig.core.receiveInputState(st);
    EXPECT_TRUE(rig.view.typingTexts.empty()) << "hidden window";
    c->visible = true;
    rig.core.receiveInputState(st);
    ASSERT_EQ(rig.view.typingTexts.size(), 1u);
    EXPECT_EQ(rig.view.typingTexts[0].second, "Li" + gbk(" - 正在输入..."));
    EXPECT_TRUE(rig.view.typingTimer);
    rig.clock.advance(4999);
    rig.core.typingTimerFired(*c);
    EXPECT_TRUE(rig.view.typingTimer);
    rig.clock.advance(1);
    rig.core.typingTimerFired(*c);
    EXPECT_FALSE(rig.view.typingTimer);
    ASSERT_EQ(rig.view.typingTexts.size(), 2u);
    EXPECT_EQ(rig.view.typingTexts[1].first, "Li" + gbk(" - 对话"));
    EXPECT_EQ(rig.view.typingTexts[1].second, gbk("与 ") + "Li" + gbk(" 交谈中"));
}

TEST(ChatShakeTest, SendAndReceive) {
    struct Case {
        uint8_t status;
        bool sent;
    } cases[] = {{0, true}, {3, true}, {8, false}, {10, false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(int(k.status));
        ChatRig rig;
        rig.directory.users[ChatRig::kLi].status = k.status;
        EXPECT_EQ(rig.core.shake(*rig.registry.openWith(ChatRig::kLi)), k.sent);
        EXPECT_EQ(rig.transport.withCode(Cmd::Shake).size(), k.sent ? 1u : 0u);
        EXPECT_EQ(rig.view.lines.size(), k.sent ? 1u : 0u);
    }
    ChatRig rig;
    vantor::protocol::Shake s;
    s.senderId = ChatRig::kLi;
    s.receiverId = ChatRig::kOwn;
    s.key.userA = ChatRig::kLi;
    s.key.userB = ChatRig::kOwn;
    rig.core.receiveShake(s);
    ASSERT_EQ(rig.registry.all().size(), 1u);
    EXPECT_TRUE(rig.registry.all()[0]->alerted);
    EXPECT_EQ(rig.view.lines.at(0), "10:20:30 " + gbk("对方向您发送了一个抖动提醒。"));
    EXPECT_EQ(rig.view.events, (std::vector<std::string>{"front", "flash", "shake"}));
    s.remindKind = 3;
    rig.core.receiveShake(s);
    EXPECT_EQ(rig.view.reminders.size(), 1u);

    const auto steps = shakeSteps();
    ASSERT_EQ(steps.size(), 20u);
    int x = 0, y = 0;
    for (const auto& [dx, dy] : steps) {
        x += dx;
        y += dy;
        EXPECT_EQ(std::abs(dx) + std::abs(dy), 7);
    }
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(steps[0], std::make_pair(0, -7));
    EXPECT_EQ(steps[1], std::make_pair(-7, 0));
}

} // namespace

namespace {

// Group messages only from members of a group we know; an unknown group is asked about and its
// messages wait; the replay once it is known checks the membership again.
TEST(ChatForgeryTest, GroupMessagesOnlyFromMembersOfAKnownGroup) {
    constexpr uint32_t kStranger = 31;
    struct Case {
        const char* what;
        uint32_t sender;
        bool groupKnown;
        size_t shown, heldGroup;
    } cases[] = {
        {"member of a known group", ChatRig::kLi, true, 1, 0},
        {"not a member", kStranger, true, 0, 0},
        {"unknown group: held and asked about", ChatRig::kLi, false, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChatRig rig;
        rig.directory.users[kStranger] = {kStranger, "Stranger", 0, false, false};
        if (!c.groupKnown) rig.directory.groups.clear();
        rig.core.deliver(incoming(c.sender, 5, "group text", 1), true);
        EXPECT_EQ(rig.view.shown.size(), c.shown);
        EXPECT_EQ(rig.registry.all().size(), c.shown);
        EXPECT_EQ(rig.store.records.size(), c.shown) << "no history stream for a refused message";
        EXPECT_EQ(rig.directory.heldGroup.size(), c.heldGroup);
    }

    // The held message comes back once the group is known: shown when the sender is a member,
    // dropped when it is not, dropped when the group is still unknown.
    for (const bool member : {true, false}) {
        SCOPED_TRACE(member ? "replayed, member" : "replayed, not a member");
        ChatRig rig;
        rig.directory.groups.clear();
        rig.core.deliver(incoming(ChatRig::kLi, 6, "waited", 1), true);
        ASSERT_EQ(rig.directory.heldGroup.size(), 1u);
        rig.core.deliver(rig.directory.heldGroup[0], false);
        EXPECT_TRUE(rig.view.shown.empty()) << "still unknown";
        rig.directory.groups[ChatRig::groupOf(1).toString()] = {ChatRig::kOwn};
        if (member) rig.directory.groups[ChatRig::groupOf(1).toString()].push_back(ChatRig::kLi);
        rig.core.deliver(rig.directory.heldGroup[0], false);
        ASSERT_EQ(rig.view.shown.size(), member ? 1u : 0u);
        if (member) {
            EXPECT_EQ(rig.view.shown[0].plain, "waited");
        }
    }
}

// Service keys are the sender's to choose: one colleague opens at most ten new conversations a
// minute. What is refused is not acknowledged, so the sender's resends try again later; messages
// to conversations already open, and other colleagues, are not affected.
TEST(ChatForgeryTest, NewConversationsPerColleagueAreBoundedPerMinute) {
    constexpr uint32_t kWang = 12;
    ChatRig rig;
    rig.directory.users[kWang] = {kWang, "Wang", 0, false, false};
    auto serviceMessage = [](uint32_t sender, uint32_t n) {
        ChatMessage m = incoming(sender, 1000 + n, "service " + std::to_string(n), 2);
        m.recipientId = ChatRig::kOwn;
        m.key.userB = ChatRig::kOwn;
        m.key.groupId.data1 = 0x1000 + n; // a fresh key each time
        return m;
    };
    for (uint32_t n = 0; n < 15; ++n)
        rig.core.deliver(serviceMessage(ChatRig::kLi, n), true);
    EXPECT_EQ(rig.registry.all().size(), kMaxNewConversationsPerMinute);
    EXPECT_EQ(rig.core.refusedCount(), 15 - kMaxNewConversationsPerMinute);
    EXPECT_EQ(rig.transport.withCode(Cmd::ChatAck).size(), kMaxNewConversationsPerMinute);
    EXPECT_EQ(rig.store.records.size(), kMaxNewConversationsPerMinute);

    ChatMessage again = serviceMessage(ChatRig::kLi, 3); // an open conversation takes more
    again.sendTick = 5003;
    rig.core.deliver(again, true);
    rig.core.deliver(serviceMessage(kWang, 100), true); // another colleague opens its own
    EXPECT_EQ(rig.registry.all().size(), kMaxNewConversationsPerMinute + 1);
    EXPECT_EQ(rig.view.shown.size(), kMaxNewConversationsPerMinute + 2);

    // A refused message sent again after the minute is taken (it was never noted as seen).
    rig.core.deliver(serviceMessage(ChatRig::kLi, 12), true);
    EXPECT_EQ(rig.registry.all().size(), kMaxNewConversationsPerMinute + 1);
    rig.clock.advance(kNewConversationWindowMs);
    rig.core.deliver(serviceMessage(ChatRig::kLi, 12), true);
    EXPECT_EQ(rig.registry.all().size(), kMaxNewConversationsPerMinute + 2);
    EXPECT_EQ(rig.view.shown.back().plain, "service 12");

    // Shakes open conversations too, under the same bound.
    ChatRig shakes;
    for (uint32_t n = 0; n < 15; ++n) {
        vantor::protocol::Shake s;
        s.receiverId = ChatRig::kOwn;
        s.senderId = ChatRig::kLi;
        s.key.kind = 2;
        s.key.userA = ChatRig::kLi;
        s.key.userB = ChatRig::kOwn;
        s.key.groupId.data1 = 0x2000 + n;
        shakes.core.receiveShake(s);
    }
    EXPECT_EQ(shakes.registry.all().size(), kMaxNewConversationsPerMinute);
}

// A one-to-one message is shown in the conversation with its sender, even when its key names
// another colleague.
TEST(ChatForgeryTest, AOneToOneMessageGoesToItsSendersConversation) {
    constexpr uint32_t kWang = 12;
    ChatRig rig;
    rig.directory.users[kWang] = {kWang, "Wang", 0, false, false};
    ChatMessage m = incoming(ChatRig::kLi, 8, "from Li");
    m.key.userA = kWang; // claims to be Wang's conversation
    rig.core.deliver(m, true);
    ASSERT_EQ(rig.registry.all().size(), 1u);
    EXPECT_EQ(rig.registry.all()[0]->peerId, ChatRig::kLi);
}

} // namespace
