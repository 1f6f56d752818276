#include "conversation/conversation_registry.h"

#include "protocol/text.h"

#include <gtest/gtest.h>

using namespace vantor::conversation;
using vantor::protocol::ConversationKey;
using vantor::protocol::toGbk;
using vantor::wire::Guid;

namespace {

constexpr uint32_t kOwn = 7;

ConversationKey key(uint8_t kind, uint8_t groupByte, uint8_t side, uint32_t a, uint32_t b) {
    ConversationKey k;
    k.kind = kind;
    k.serviceSide = side;
    k.userA = a;
    k.userB = b;
    if (groupByte) k.groupId.data1 = groupByte;
    return k;
}

// Conversations: one-to-one with 9, group G1, service S1 where we are the customer (our side 0).
struct KeyCase {
    const char* what;
    ConversationKey incoming;
    int expectExisting; // index of the existing conversation found, -1 for a new one
    uint32_t peer;
    uint8_t side;
};

TEST(ConversationRegistryTest, FindsOrCreatesByTheKindRules) {
    const KeyCase cases[] = {
        {"our own key to 9", key(0, 0, 0, kOwn, 9), 0, 9, 0},
        {"9's key to us: the peer is A", key(0, 0, 0, 9, kOwn), 0, 9, 0},
        {"one-to-one ignores a stray group id", key(0, 5, 0, 9, kOwn), 0, 9, 0},
        {"another colleague", key(0, 0, 0, 11, kOwn), -1, 11, 0},
        {"group by its id, whoever sent it", key(1, 1, 0, 9, 0), 1, 0, 0},
        {"another group", key(1, 3, 0, 9, 0), -1, 0, 0},
        {"service by its id", key(2, 2, 1, 30, kOwn), 2, 30, 0},
        {"a new service desk: the side is inverted", key(2, 4, 1, 30, kOwn), -1, 30, 0},
        {"a customer asks us: we are the service side", key(2, 6, 0, 31, 0), -1, 31, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConversationRegistry r;
        r.setOwnId(kOwn);
        int created = 0;
        r.onCreated([&](Conversation&) { ++created; });
        Conversation* existing[] = {r.findOrCreate(key(0, 0, 0, kOwn, 9), true),
                                    r.findOrCreate(key(1, 1, 0, kOwn, 0), true),
                                    r.findOrCreate(key(2, 2, 0, kOwn, 30), true)};
        existing[2]->key.serviceSide = 0;
        ASSERT_EQ(created, 3);
        Conversation* nothing = r.findOrCreate(c.incoming, false);
        Conversation* found = r.findOrCreate(c.incoming, true);
        ASSERT_NE(found, nullptr);
        if (c.expectExisting >= 0) {
            EXPECT_EQ(found, existing[c.expectExisting]);
            EXPECT_EQ(nothing, found);
            EXPECT_EQ(r.all().size(), 3u);
        } else {
            EXPECT_EQ(nothing, nullptr);
            EXPECT_EQ(r.all().size(), 4u);
            EXPECT_EQ(created, 4);
            EXPECT_EQ(found->key.serviceSide, c.side);
        }
        EXPECT_EQ(found->peerId, c.peer);
        // Whatever arrived, the window's key names us as A so that our replies reach the peer.
        EXPECT_EQ(found->key.userA, kOwn);
        EXPECT_EQ(found->key.userB, c.peer);
        if (found->kind() == 0) {
            EXPECT_EQ(found->key.groupId, Guid{});
        }
    }
}

TEST(ConversationRegistryTest, ClosedWindowIsCreatedAnewAndHiddenAlertsClearAtSignOut) {
    ConversationRegistry r;
    r.setOwnId(kOwn);
    Conversation* a = r.openWith(9);
    Conversation* b = r.openWith(11);
    a->alerted = b->alerted = true;
    b->visible = true;
    r.clearHiddenAlerts();
    EXPECT_FALSE(a->alerted);
    EXPECT_TRUE(b->alerted);
    const int oldId = a->id;
    r.remove(oldId);
    EXPECT_EQ(r.byId(oldId), nullptr);
    EXPECT_NE(r.openWith(9)->id, oldId);
}

TEST(ConversationRegistryTest, Texts) {
    const vantor::protocol::LocalTime t{2026, 12, 10, 9, 5, 7};
    EXPECT_EQ(systemLineText(t, "x"), "09:05:07 x");
    EXPECT_EQ(systemLineText(t, "x", false), "     x");

    struct AlertCase {
        uint8_t status;
        bool empty, side;
        const char* expect; // UTF-8, or null for none
    } alerts[] = {
        {8, true, true, "对方隐身或没有上线，可能无法立即回复您的消息！"},
        {9, false, false, "对方隐身或没有上线，可能无法立即回复您的消息！"},
        {0, true, false, "对话信息已加密并进行点对点传送。"},
        {0, true, true, "本对话信息来自客服中心，对方显示您为客服人员。"},
        {1, false, false, nullptr},
    };
    for (const auto& a : alerts) {
        const auto text = headerAlertText(a.status, a.empty, a.side);
        if (!a.expect)
            EXPECT_FALSE(text);
        else
            EXPECT_EQ(text.value_or(""), toGbk(a.expect));
    }

    struct CloseCase {
        int files, media;
        const char* expect;
    } closes[] = {
        {0, 0, nullptr},
        {2, 0, "有 2 个文件传输任务还未结束，确定要关闭吗！"},
        {1, 1, "有 1 个文件传输任务还未结束，确定要关闭吗！"},
        {0, 1, "有 任务还未结束，确定要关闭吗！"},
        {-3, 0, nullptr},
    };
    for (const auto& c : closes) {
        const auto text = closeQuestion(c.files, c.media);
        if (!c.expect)
            EXPECT_FALSE(text);
        else
            EXPECT_EQ(text.value_or(""), toGbk(c.expect));
    }
}

} // namespace
