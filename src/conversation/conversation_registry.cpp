#include "conversation/conversation_registry.h"

#include "conversation/chat_ports.h"
#include "protocol/text.h"

#include <algorithm>
#include <cstdio>

namespace vantor::conversation {

using protocol::ConversationKey;

Conversation* ConversationRegistry::findOrCreate(const ConversationKey& key, bool create) {
    const bool oneToOne = key.kind == protocol::kOneToOne;
    const uint32_t peer = key.userB == ownId_ ? key.userA : key.userB;
    for (auto& c : list_) {
        if (oneToOne) {
            if (c->kind() == protocol::kOneToOne && c->peerId == peer) return c.get();
        } else if (c->kind() != protocol::kOneToOne && c->key.groupId == key.groupId) {
            return c.get();
        }
    }
    if (!create) return nullptr;
    auto c = std::make_unique<Conversation>();
    c->id = nextId_++;
    c->key = key;
    // The window's key always names us as A, so what we send from it goes to the other party.
    c->key.userA = ownId_;
    switch (key.kind) {
    case protocol::kGroupConversation:
        c->peerId = 0;
        c->key.userB = 0;
        break;
    case protocol::kServiceConversation:
        // The other party wrote the key: its A is our partner and its side is the inverse of ours.
        c->peerId = key.userA == ownId_ ? key.userB : key.userA;
        c->key.userB = c->peerId;
        c->key.serviceSide = key.serviceSide ? 0 : 1;
        break;
    default:
        c->peerId = peer;
        c->key.groupId = {};
        c->key.kind = protocol::kOneToOne;
        c->key.userB = peer;
        break;
    }
    list_.push_back(std::move(c));
    Conversation* made = list_.back().get();
    if (created_) created_(*made);
    return made;
}

Conversation* ConversationRegistry::openWith(uint32_t userId) {
    ConversationKey key;
    key.kind = protocol::kOneToOne;
    key.userA = ownId_;
    key.userB = userId;
    return findOrCreate(key, true);
}

Conversation* ConversationRegistry::byId(int id) {
    for (auto& c : list_)
        if (c->id == id) return c.get();
    return nullptr;
}

void ConversationRegistry::remove(int id) {
    std::erase_if(list_, [id](const auto& c) { return c->id == id; });
}

void ConversationRegistry::clearHiddenAlerts() {
    for (auto& c : list_)
        if (!c->visible) c->alerted = false;
}

std::string clockText(const protocol::LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

std::string systemLineText(const protocol::LocalTime& t, const std::string& text, bool withTime) {
    return withTime ? clockText(t) + " " + text : "     " + text;
}

std::optional<std::string> headerAlertText(uint8_t peerStatus, bool displayEmpty, bool serviceSide) {
    if (peerStatus == kStatusOffline || peerStatus == kStatusInvisible)
        return protocol::toGbk("对方隐身或没有上线，可能无法立即回复您的消息！");
    if (serviceSide) return protocol::toGbk("本对话信息来自客服中心，对方显示您为客服人员。");
    if (displayEmpty) return protocol::toGbk("对话信息已加密并进行点对点传送。");
    return std::nullopt;
}

std::optional<std::string> closeQuestion(int fileTransfers, int mediaConversations) {
    fileTransfers = std::max(fileTransfers, 0);
    mediaConversations = std::max(mediaConversations, 0);
    if (fileTransfers + mediaConversations <= 0) return std::nullopt;
    const std::string filePart =
        fileTransfers > 0 ? std::to_string(fileTransfers) + protocol::toGbk(" 个文件传输") : std::string();
    return protocol::toGbk("有 ") + filePart + protocol::toGbk("任务还未结束，确定要关闭吗！");
}

} // namespace vantor::conversation
