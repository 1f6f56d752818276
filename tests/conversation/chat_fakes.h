// Fakes of the chat core's outward interfaces: they record what the core sends, stores and shows.
#pragma once

#include "conversation/chat_core.h"
#include "crypto/cipher.h"
#include "protocol/codes.h"
#include "protocol/text.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace chat_test {

using namespace vantor::conversation;
using vantor::protocol::ChatMessage;
using vantor::protocol::Cmd;
using vantor::protocol::Message;

struct Sent {
    bool server = false;
    uint32_t contact = 0;
    bool relayed = false;
    Message message;
};

struct FakeTransport : IChatTransport {
    std::vector<Sent> sent;
    std::vector<ChatMessage> pending;
    void sendToPeer(uint32_t contactId, const Message& m, bool relayed) override {
        sent.push_back({false, contactId, relayed, m});
    }
    std::optional<std::string> queuePending(const ChatMessage& m) override {
        pending.push_back(m);
        return queueError;
    }
    std::optional<std::string> queueError; // what queuePending answers
    void sendToServer(const Message& m) override { sent.push_back({true, 0, false, m}); }
    std::vector<Sent> withCode(Cmd code) const {
        std::vector<Sent> out;
        for (const auto& s : sent)
            if (s.message.cmd() == code) out.push_back(s);
        return out;
    }
};

struct FakeDirectory : IChatDirectory {
    std::map<uint32_t, ChatContact> users;
    std::vector<ChatMessage> held;
    std::vector<uint32_t> queried, recent;
    std::optional<ChatContact> findUser(uint32_t id) override {
        auto it = users.find(id);
        if (it == users.end()) return std::nullopt;
        return it->second;
    }
    void holdMessage(const ChatMessage& m) override { held.push_back(m); }
    // Discussion groups by identifier (Guid::toString()) with their members.
    std::map<std::string, std::vector<uint32_t>> groups;
    std::vector<ChatMessage> heldGroup;
    GroupMembership groupMembership(const vantor::wire::Guid& g, uint32_t id) override {
        const auto it = groups.find(g.toString());
        if (it == groups.end()) return GroupMembership::UnknownGroup;
        for (uint32_t m : it->second)
            if (m == id) return GroupMembership::Member;
        return GroupMembership::NotMember;
    }
    void holdGroupMessage(const ChatMessage& m) override { heldGroup.push_back(m); }
    void queryUser(uint32_t id) override { queried.push_back(id); }
    void touchRecent(uint32_t id) override { recent.push_back(id); }
};

struct FakeStore : IChatStore {
    std::vector<std::string> records;
    std::optional<std::string> failure;
    // Without `deferred`, a record is on disk at once; with it, it waits for finish().
    bool deferred = false;
    std::vector<StoreDone> waiting;
    void store(const std::string& record, StoreDone done) override {
        records.push_back(record);
        if (deferred)
            waiting.push_back(std::move(done));
        else if (done)
            done(failure);
    }
    void finish() {
        auto now = std::move(waiting);
        waiting.clear();
        for (auto& done : now)
            if (done) done(failure);
    }
};

struct FakeSettings : IChatSettings {
    ChatOptions options;
    ChatOptions read() override { return options; }
};

struct ManualClock : IChatClock {
    uint32_t tick = 100000;
    double day = vantor::protocol::dayCountFromLocal({2026, 12, 10, 10, 20, 30});
    uint32_t tickCount() override { return tick; }
    double now() override { return day; }
    void advance(uint32_t ms) {
        tick += ms;
        day += ms / 86400000.0;
    }
};

struct Shown {
    int conversation;
    std::string header;
    bool own;
    std::string plain;
    uint32_t sender = 0;
};

struct FakeView : IConversationView {
    std::vector<Shown> shown;
    std::vector<std::string> lines, alerts, tips, events;
    std::vector<std::pair<std::string, std::string>> typingTexts;
    std::vector<vantor::protocol::Shake> reminders;
    bool typingTimer = false;
    std::function<void()> onShow; // runs as each message is shown
    void showMessage(Conversation& c, uint32_t senderId, const std::string& header, bool own,
                     const std::string& plain, const ChatFont&) override {
        shown.push_back({c.id, header, own, plain, senderId});
        if (onShow) onShow();
    }
    void systemLine(Conversation&, const std::string& line) override { lines.push_back(line); }
    void alertBar(Conversation&, const std::string& text) override { alerts.push_back(text); }
    void clearInput(Conversation&) override { events.push_back("clear"); }
    void flash(Conversation&) override { events.push_back("flash"); }
    void bringToFront(Conversation& c) override {
        c.visible = c.inFront = true;
        events.push_back("front");
    }
    void shake(Conversation&) override { events.push_back("shake"); }
    void alertConversation(Conversation&) override { events.push_back("alert"); }
    void setTypingTexts(Conversation&, const std::string& label, const std::string& caption) override {
        typingTexts.emplace_back(label, caption);
    }
    void startTypingTimer(Conversation&) override { typingTimer = true; }
    void stopTypingTimer(Conversation&) override { typingTimer = false; }
    void queueTip(const std::string& text) override { tips.push_back(text); }
    void showReminder(const vantor::protocol::Shake& r) override { reminders.push_back(r); }
    void serviceFirstMessage(Conversation&) override { events.push_back("service"); }
    void storeFailed(Conversation&, const std::string& reason) override {
        events.push_back("storeFailed " + reason);
    }
};

inline std::string gbk(const char* utf8) {
    return vantor::protocol::toGbk(utf8);
}

// The whole chat core over fakes; the own user is 7 ("Me"), colleague 9 ("Li") is online.
struct ChatRig {
    ConversationRegistry registry;
    FakeTransport transport;
    FakeDirectory directory;
    FakeStore store;
    FakeView view;
    FakeSettings settings;
    ManualClock clock;
    ChatCore core{registry, transport, directory, store, view, settings, clock};

    static constexpr uint32_t kOwn = 7;
    static constexpr uint32_t kLi = 9;

    ChatRig() {
        core.setSession({true, kOwn, "Me", "me", false});
        directory.users[kLi] = {kLi, "Li", 0, false, false};
        directory.groups[groupOf(1).toString()] = {kOwn, kLi};
    }
    // The group (kind 1) or service point (kind 2) identifier that incoming() puts in the key.
    static vantor::wire::Guid groupOf(uint8_t kind) {
        vantor::wire::Guid g;
        g.data1 = 0x42 + kind;
        return g;
    }
};

inline ChatMessage decodeChat(const Sent& s) {
    ChatMessage m;
    (void)ChatMessage::decodeBody(s.message.body, m);
    return m;
}

// A message from `sender` to us in a one-to-one conversation (or a group when kind is 1).
inline ChatMessage incoming(uint32_t sender, uint32_t tick, const std::string& plain, uint8_t kind = 0) {
    ChatMessage m;
    m.senderId = sender;
    m.recipientId = kind == 1 ? 0 : ChatRig::kOwn;
    m.sendTick = tick;
    m.sendTime = vantor::protocol::dayCountFromLocal({2026, 12, 10, 10, 0, 0});
    m.key.kind = kind;
    m.key.userA = sender;
    m.key.userB = m.recipientId;
    if (kind != 0) m.key.groupId.data1 = 0x42 + kind;
    m.text = vantor::crypto::DesEncryptText(plain);
    m.textLength = static_cast<uint32_t>(m.text.size());
    return m;
}

} // namespace chat_test
