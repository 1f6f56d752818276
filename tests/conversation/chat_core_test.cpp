#include "chat_fakes.h"

#include "crypto/cipher.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace chat_test;
using vantor::crypto::DesDecryptText;
using vantor::crypto::DesEncryptText;
using vantor::protocol::ChatAck;
using vantor::protocol::ConversationKey;
using vantor::protocol::InputState;

namespace {

TEST(ChatSplitTest, PiecesStayWithinTheLimitAndKeepCharactersWhole) {
    const std::string han = gbk("汉");    // two bytes
    const std::string trail = "\x81\x40"; // a character whose trail byte is '@'
    struct Case {
        const char* what;
        std::string text;
        std::vector<size_t> sizes;
    } cases[] = {
        {"short", "hello", {5}},
        {"exactly the limit", std::string(1000, 'a'), {1000}},
        {"ascii beyond", std::string(2500, 'a'), {1000, 1000, 500}},
        {"a character straddling the cut", std::string(999, 'a') + han + "b", {999, 3}},
        {"trail bytes that look like ascii",
         [&] {
             std::string s;
             for (int i = 0; i < 600; ++i)
                 s += trail;
             return s;
         }(),
         {1000, 200}},
        {"empty", "", {}},
        {"a face code is not cut", std::string(998, 'a') + "/~wx" + "b", {998, 5}},
        {"a picture placeholder is not cut", std::string(990, 'a') + "/{0123456789AB.jpg}", {990, 19}},
        {"an unclosed placeholder is text", std::string(990, 'a') + "/{0123456789AB.jpg", {1000, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto pieces = splitForSending(c.text);
        std::vector<size_t> sizes;
        std::string joined;
        for (const auto& p : pieces) {
            sizes.push_back(p.size());
            joined += p;
            EXPECT_EQ(vantor::wire::gbkCutLength(p, p.size()), p.size());
        }
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(joined, c.text);
    }
}

TEST(ChatSendTest, LongTextGoesAsConsecutiveMessagesAndNothingIsLost) {
    ChatRig rig;
    Conversation* c = rig.registry.openWith(ChatRig::kLi);
    std::string text;
    for (int i = 0; i < 700; ++i)
        text += gbk("字") + "x"; // 2100 bytes
    EXPECT_EQ(rig.core.send(*c, text, {}), ChatCore::SendResult::Sent);
    const auto frames = rig.transport.withCode(Cmd::ChatMessage);
    ASSERT_EQ(frames.size(), 3u);
    std::string received;
    std::vector<uint32_t> ticks;
    for (const auto& f : frames) {
        const ChatMessage m = decodeChat(f);
        EXPECT_LE(m.text.size(), ChatMessage::kMaxText);
        received += DesDecryptText(m.text);
        for (uint32_t t : ticks)
            EXPECT_NE(m.sendTick, t) << "messages are told apart by their tick";
        ticks.push_back(m.sendTick);
    }
    EXPECT_EQ(received, text);
    EXPECT_EQ(rig.transport.pending.size(), 3u);
    EXPECT_EQ(rig.store.records.size(), 3u);
}

// A message is shown as sent only once its copy is queued for resending (and kept where a crash
// cannot take it); a copy that could not be kept so is reported, and the message still goes out.
TEST(ChatSendTest, QueuedBeforeShownAndAQueueFailureIsReported) {
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the journal fails" : "the journal works");
        ChatRig rig;
        if (fails) rig.transport.queueError = "disk full";
        Conversation* c = rig.registry.openWith(ChatRig::kLi);
        std::vector<size_t> queuedWhenShown;
        rig.view.onShow = [&] { queuedWhenShown.push_back(rig.transport.pending.size()); };
        std::string text;
        for (int i = 0; i < 1500; ++i)
            text += "y"; // two messages
        EXPECT_EQ(rig.core.send(*c, text, {}), ChatCore::SendResult::Sent);
        EXPECT_EQ(queuedWhenShown, (std::vector<size_t>{1, 2}));
        EXPECT_EQ(rig.transport.withCode(Cmd::ChatMessage).size(), 2u);
        const auto failures =
            std::count(rig.view.events.begin(), rig.view.events.end(), "storeFailed disk full");
        EXPECT_EQ(failures, fails ? 2 : 0);
    }
}

TEST(ChatSendTest, RoutesByKindAndContact) {
    struct Case {
        const char* what;
        uint8_t kind;
        uint8_t status; // of colleague 9
        bool known;
        bool copies;
        int toPeer, toServer, pending, copiesSent;
    } cases[] = {
        {"one-to-one online", 0, 0, true, false, 1, 0, 1, 0},
        {"one-to-one on a phone", 0, 10, true, false, 0, 1, 1, 0},
        {"one-to-one unknown: only the resend queue", 0, 0, false, false, 0, 0, 1, 0},
        {"one-to-one with server copies", 0, 0, true, true, 1, 1, 1, 1},
        {"group: server only, never copied", 1, 0, true, true, 0, 1, 0, 0},
        {"service: server and a copy", 2, 0, true, true, 0, 2, 0, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        rig.core.setSession({true, ChatRig::kOwn, "Me", "me", k.copies});
        rig.directory.users[ChatRig::kLi].status = k.status;
        if (!k.known) rig.directory.users.clear();
        ConversationKey key;
        key.kind = k.kind;
        key.userA = ChatRig::kOwn;
        key.userB = k.kind == 1 ? 0 : ChatRig::kLi;
        if (k.kind) key.groupId.data1 = 77;
        Conversation* c = rig.registry.findOrCreate(key, true);
        rig.core.send(*c, "hi", {"Arial", 0, 9});
        int peer = 0, server = 0, copies = 0;
        for (const auto& s : rig.transport.sent) {
            (s.server ? server : peer)++;
            if (s.message.cmd() == Cmd::ChatCopy) ++copies;
        }
        EXPECT_EQ(peer, k.toPeer);
        EXPECT_EQ(server, k.toServer);
        EXPECT_EQ(static_cast<int>(rig.transport.pending.size()), k.pending);
        EXPECT_EQ(copies, k.copiesSent);
        ASSERT_EQ(rig.store.records.size(), 1u) << "every sent message is stored";
        EXPECT_EQ(rig.view.events.front(), k.kind == 2 ? "service" : "clear");
    }
}

TEST(ChatSendTest, RefusalsAndTheSmsRequest) {
    ChatRig rig;
    Conversation* c = rig.registry.openWith(ChatRig::kLi);
    EXPECT_EQ(rig.core.send(*c, "", {}), ChatCore::SendResult::Ignored);
    c->readOnly = true;
    EXPECT_EQ(rig.core.send(*c, "x", {}), ChatCore::SendResult::Ignored);
    c->readOnly = false;
    rig.core.setSession({});
    EXPECT_EQ(rig.core.send(*c, "x", {}), ChatCore::SendResult::NotSignedIn);
    ASSERT_EQ(rig.view.lines.size(), 1u);
    EXPECT_EQ(rig.view.lines[0], "10:20:30 " + gbk("与服务器连接已经断开，无法发送信息。"));
    EXPECT_TRUE(rig.transport.sent.empty());

    rig.core.setSession({true, ChatRig::kOwn, "Me", "me", false});
    rig.core.send(*c, "call me", {}, true);
    const auto sms = rig.transport.withCode(Cmd::SmsRequest);
    ASSERT_EQ(sms.size(), 1u);
    const std::string& b = sms[0].message.body;
    ASSERT_EQ(b.size(), 355u);
    EXPECT_EQ(b.substr(0, 8), std::string("\x07\0\0\0\x02me", 7) + '\0');
    EXPECT_EQ(b.substr(37, 3), "\x02Me");
    EXPECT_EQ(vantor::wire::loadU32(b.data() + 58), ChatRig::kLi);
    EXPECT_EQ(b.substr(99, 8), "\x07"
                               "call me");
}

TEST(ChatSendTest, SystemTextPathsAndHistory) {
    struct Case {
        uint8_t kind;
        bool toServer;
        size_t pending, stored;
    } cases[] = {{0, false, 1, 0}, {1, true, 0, 1}, {2, false, 1, 0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(int(k.kind));
        ChatRig rig;
        ConversationKey key;
        key.kind = k.kind;
        key.userA = ChatRig::kOwn;
        key.userB = k.kind == 1 ? 0 : ChatRig::kLi;
        if (k.kind) key.groupId.data1 = 5;
        Conversation* c = rig.registry.findOrCreate(key, true);
        rig.core.sendSystemText(*c, "bye");
        const auto frames = rig.transport.withCode(Cmd::ChatMessage);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].server, k.toServer);
        const ChatMessage m = decodeChat(frames[0]);
        EXPECT_TRUE(m.bold);
        EXPECT_EQ(m.fontSize, 9u);
        EXPECT_EQ(m.fontName, gbk("宋体"));
        EXPECT_EQ(rig.transport.pending.size(), k.pending);
        EXPECT_EQ(rig.store.records.size(), k.stored);
    }
}

TEST(ChatCloseTest, ServiceCustomerEvaluatesAndTellsThePartner) {
    struct Case {
        const char* what;
        uint8_t kind;
        bool serviceSide, sent, notEvaluated, stay;
        bool closes, asked, told;
    } cases[] = {
        {"one-to-one", 0, false, true, false, true, true, false, false},
        {"service side", 2, true, true, false, true, true, false, false},
        {"customer who sent nothing", 2, false, false, false, true, true, false, false},
        {"customer stays", 2, false, true, false, true, false, true, false},
        {"customer leaves", 2, false, true, false, false, true, true, true},
        {"not evaluated: told without asking", 2, false, true, true, true, true, false, true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        vantor::protocol::ConversationKey key;
        key.kind = k.kind;
        key.userA = ChatRig::kOwn;
        key.userB = ChatRig::kLi;
        if (k.kind) key.groupId.data1 = 3;
        Conversation* c = rig.registry.findOrCreate(key, true);
        c->key.serviceSide = k.serviceSide;
        c->sentSomething = k.sent;
        c->notEvaluated = k.notEvaluated;
        bool asked = false;
        EXPECT_EQ(rig.core.closeQuery(*c,
                                      [&] {
                                          asked = true;
                                          return k.stay;
                                      }),
                  k.closes);
        EXPECT_EQ(asked, k.asked);
        const auto frames = rig.transport.withCode(Cmd::ChatMessage);
        ASSERT_EQ(frames.size(), k.told ? 1u : 0u);
        if (k.told) {
            EXPECT_EQ(DesDecryptText(decodeChat(frames[0]).text),
                      gbk("对方已经关闭了对话窗口，您可以结束服务。"));
        }
    }
}

TEST(ChatReceiveTest, DecodesWhatArrivesAndDropsWhatDoesNot) {
    ChatMessage good = incoming(ChatRig::kLi, 21, "hey");
    const std::string body = good.encodeBody();
    vantor::protocol::Shake shake;
    shake.senderId = ChatRig::kLi;
    shake.key.userA = ChatRig::kLi;
    shake.key.userB = ChatRig::kOwn;
    std::string overCount = body;
    vantor::wire::storeU32(overCount.data(), 1001);
    struct Case {
        const char* what;
        Cmd code;
        std::string body;
        bool taken;
        size_t shown, lines;
    } cases[] = {
        {"a chat message", Cmd::ChatMessage, body, true, 1, 0},
        {"cut short", Cmd::ChatMessage, body.substr(0, body.size() - 1), false, 0, 0},
        {"a count over 1000", Cmd::ChatMessage, overCount, false, 0, 0},
        {"a shake", Cmd::Shake, vantor::wire::encode(shake), true, 0, 1},
        {"a short shake", Cmd::Shake, vantor::wire::encode(shake).substr(0, 41), false, 0, 0},
        {"a short typing notice", Cmd::InputState, std::string(38, '\0'), false, 0, 0},
        {"not ours", Cmd::ChatAck, std::string(16, '\0'), false, 0, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        ChatRig rig;
        EXPECT_EQ(rig.core.receive(Message{static_cast<uint8_t>(k.code), k.body}), k.taken);
        EXPECT_EQ(rig.view.shown.size(), k.shown);
        EXPECT_EQ(rig.view.lines.size(), k.lines);
    }
}

TEST(ChatStoreTest, AFailedStoreIsReported) {
    ChatRig rig;
    rig.store.failure = "locked";
    rig.core.deliver(incoming(ChatRig::kLi, 8, "x"), true);
    ASSERT_EQ(rig.store.records.size(), 1u);
    EXPECT_EQ(rig.store.records[0].size(), ChatMessage::kHead + 8);
    EXPECT_NE(std::find(rig.view.events.begin(), rig.view.events.end(), "storeFailed locked"),
              rig.view.events.end());
}

} // namespace
