#include "conversation/chat_core.h"

#include "conversation/richtext.h"
#include "crypto/cipher.h"
#include "protocol/codes.h"
#include "protocol/text.h"
#include "protocol/wire.h"

#include <cmath>
#include <cstdio>

namespace vantor::conversation {

using protocol::ChatMessage;
using protocol::Cmd;
using protocol::Message;

namespace {

constexpr size_t kSmsRequestSize = 355;

std::string gbk(const char* utf8) {
    return protocol::toGbk(utf8);
}

Message message(Cmd code, std::string body) {
    return Message{static_cast<uint8_t>(code), std::move(body)};
}

std::string cutBytes(const std::string& text, size_t n) {
    return text.substr(0, wire::gbkCutLength(text, n));
}

bool sameDay(double a, double b) {
    return std::floor(a) == std::floor(b);
}

std::string headerTime(double sent, double now) {
    const auto t = protocol::localFromDayCount(sent);
    if (sameDay(sent, now)) return clockText(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d-%02d ", t.month % 100, t.day % 100);
    return buf + clockText(t);
}

ChatFont fontOf(const ChatMessage& m) {
    return ChatFont{m.fontName, m.fontColor, m.fontSize, m.bold, m.italic, m.underline, m.strikeOut};
}

std::vector<std::string> splitBytes(std::string_view plain, size_t limit) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    while (pos < plain.size()) {
        const std::string_view rest = plain.substr(pos);
        size_t n = wire::gbkCutLength(rest, limit);
        if (n == 0) n = std::min(rest.size(), std::max<size_t>(limit, 1));
        pieces.emplace_back(rest.substr(0, n));
        pos += n;
    }
    return pieces;
}

} // namespace

std::vector<std::string> splitForSending(const std::string& plain, size_t limit) {
    if (plain.size() <= limit) return plain.empty() ? std::vector<std::string>{} : std::vector{plain};
    // Faces and picture placeholders stay whole: a cut code would arrive as plain text.
    std::vector<std::string> pieces(1);
    for (const Segment& segment : splitPlainText(plain)) {
        const std::string code = plainText(Segments{segment});
        if (segment.kind != Segment::Kind::Text && code.size() <= limit) {
            if (pieces.back().size() + code.size() > limit) pieces.emplace_back();
            pieces.back() += code;
            continue;
        }
        std::string_view rest = code;
        while (!rest.empty()) {
            const size_t room = limit - pieces.back().size();
            const size_t take = wire::gbkCutLength(rest, room);
            if (take == 0) {
                if (pieces.back().empty()) return splitBytes(plain, limit); // limit below a character
                pieces.emplace_back();
                continue;
            }
            pieces.back() += rest.substr(0, take);
            rest.remove_prefix(take);
        }
    }
    std::erase_if(pieces, [](const std::string& p) { return p.empty(); });
    std::string joined;
    for (const auto& p : pieces)
        joined += p;
    if (joined != plain) return splitBytes(plain, limit); // not a round trip: cut by bytes
    return pieces;
}

std::vector<std::pair<int, int>> shakeSteps() {
    std::vector<std::pair<int, int>> steps;
    for (int round = 0; round < 5; ++round) {
        steps.insert(steps.end(), {{0, -7}, {-7, 0}, {0, 7}, {7, 0}});
    }
    return steps;
}

ChatCore::ChatCore(ConversationRegistry& registry, IChatTransport& transport, IChatDirectory& directory,
                   IChatStore& store, IConversationView& view, IChatSettings& settings, IChatClock& clock)
    : registry_(registry), transport_(transport), directory_(directory), store_(store), view_(view),
      settings_(settings), clock_(clock) {}

void ChatCore::setSession(const ChatSession& session) {
    session_ = session;
    registry_.setOwnId(session.ownId);
}

uint32_t ChatCore::nextSendTick() {
    // The sender id and the tick name a message: consecutive messages must never share a tick,
    // and 0 would mean "neither acknowledged nor checked for duplicates".
    uint32_t t = clock_.tickCount();
    if (lastSendTick_ != 0 && static_cast<int32_t>(t - lastSendTick_) <= 0) t = lastSendTick_ + 1;
    if (t == 0) t = 1;
    lastSendTick_ = t;
    return t;
}

ChatMessage ChatCore::buildRecord(const Conversation& c, const std::string& plain, const ChatFont& font) {
    ChatMessage m;
    m.senderId = session_.ownId;
    m.sendTime = clock_.now();
    m.key = c.key;
    m.key.userA = session_.ownId;
    std::string text = plain;
    while (!text.empty() && text.back() == '\0')
        text.pop_back(); // the cipher cannot end on NUL
    const std::string cipher = crypto::DesEncryptText(text);
    m.text = cipher.substr(0, ChatMessage::kMaxText);
    m.textLength = static_cast<uint32_t>(m.text.size());
    m.fontName = cutBytes(font.name, 20);
    m.fontColor = font.color;
    m.fontSize = font.size;
    m.bold = font.bold;
    m.italic = font.italic;
    m.underline = font.underline;
    m.strikeOut = font.strikeOut;
    return m;
}

bool ChatCore::serverOnly(const Conversation& c, bool systemText) {
    const uint8_t kind = c.kind();
    return systemText ? kind == protocol::kGroupConversation : kind != protocol::kOneToOne;
}

void ChatCore::prepare(Conversation& c, ChatMessage& record, bool systemText) {
    record.recipientId = c.key.userB;
    record.sendTick = nextSendTick();
    if (serverOnly(c, systemText)) return;
    // Kept until acknowledged, whether or not the colleague is known yet.
    if (auto error = transport_.queuePending(record)) view_.storeFailed(c, *error);
}

void ChatCore::dispatch(Conversation& c, const ChatMessage& record, bool systemText) {
    const std::string body = record.encodeBody();
    const Message frame = message(Cmd::ChatMessage, body);
    const uint8_t kind = c.kind();
    if (serverOnly(c, systemText)) {
        transport_.sendToServer(frame);
    } else {
        const auto contact = directory_.findUser(record.recipientId);
        if (contact && contact->status == kStatusMobile) {
            transport_.sendToServer(frame);
        } else if (contact) {
            transport_.sendToPeer(contact->id, frame, false);
        }
    }
    if (kind != protocol::kGroupConversation && session_.serverCopies)
        transport_.sendToServer(message(Cmd::ChatCopy, body));
}

void ChatCore::storeRecord(Conversation& c, const ChatMessage& record, std::function<void()> stored) {
    const std::string body = record.encodeBody();
    store_.store(body.substr(4),
                 [this, key = c.key, stored = std::move(stored)](const std::optional<std::string>& error) {
                     if (error) {
                         if (Conversation* at = registry_.findOrCreate(key, false))
                             view_.storeFailed(*at, *error);
                     }
                     if (stored) stored();
                 });
}

ChatCore::SendResult ChatCore::send(Conversation& c, const std::string& plain, const ChatFont& font,
                                    bool sms) {
    if (c.readOnly) return SendResult::Ignored;
    if (!session_.signedIn) {
        view_.systemLine(c, systemLineText(protocol::localFromDayCount(clock_.now()),
                                           gbk("与服务器连接已经断开，无法发送信息。")));
        return SendResult::NotSignedIn;
    }
    if (plain.empty()) return SendResult::Ignored;
    if (c.kind() == protocol::kServiceConversation && !c.sentSomething) view_.serviceFirstMessage(c);
    c.sentSomething = true;

    // A longer text would lose its end to the 1000-byte field: it goes as consecutive messages.
    for (const std::string& piece : splitForSending(plain)) {
        ChatMessage record = buildRecord(c, piece, font);
        prepare(c, record, false);
        const std::string header = cutBytes(session_.displayName + " ", 71) +
                                   clockText(protocol::localFromDayCount(record.sendTime));
        view_.showMessage(c, session_.ownId, header, true, piece, font);
        dispatch(c, record, false);
        storeRecord(c, record);
    }
    view_.clearInput(c);
    if (c.key.userB != 0) directory_.touchRecent(c.key.userB);

    if (sms) {
        wire::WireWriter w(kSmsRequestSize);
        w.u32(session_.ownId);
        w.text(32, session_.account);
        w.text(20, session_.displayName);
        w.u32(c.key.userB);
        w.guid(c.key.groupId);
        w.skip(21);
        w.text(255, plain);
        transport_.sendToServer(message(Cmd::SmsRequest, std::move(w).bytes()));
    }
    return SendResult::Sent;
}

void ChatCore::sendSystemText(Conversation& c, const std::string& text) {
    if (!session_.signedIn || text.empty()) return;
    const ChatFont font{gbk("宋体"), 0, 9, true, false, false, false};
    for (const std::string& piece : splitForSending(text)) {
        ChatMessage record = buildRecord(c, piece, font);
        prepare(c, record, true);
        const std::string header = cutBytes(session_.displayName + " ", 71) +
                                   clockText(protocol::localFromDayCount(record.sendTime));
        view_.showMessage(c, session_.ownId, header, true, piece, font);
        dispatch(c, record, true);
        if (c.kind() == protocol::kGroupConversation) storeRecord(c, record);
    }
}

void ChatCore::reportLine(Conversation& c, const std::string& text, uint32_t from, uint32_t to, bool store) {
    view_.systemLine(c, systemLineText(protocol::localFromDayCount(clock_.now()), text));
    if (!store) return;
    ChatMessage record = buildRecord(c, text, ChatFont{gbk("微软雅黑"), 0, 9});
    record.senderId = from;
    record.recipientId = to;
    record.sendTick = nextSendTick();
    storeRecord(c, record);
    if (session_.signedIn && session_.serverCopies && c.kind() != protocol::kGroupConversation)
        transport_.sendToServer(message(Cmd::ChatCopy, record.encodeBody()));
}

void ChatCore::storeLine(Conversation& c, const std::string& text, uint32_t from, uint32_t to) {
    ChatMessage record = buildRecord(c, text, ChatFont{gbk("微软雅黑"), 0, 9});
    record.senderId = from;
    record.recipientId = to;
    record.sendTick = nextSendTick();
    storeRecord(c, record);
}

void ChatCore::sendNotice(Conversation& c, const std::string& text) {
    if (!session_.signedIn || text.empty() || c.kind() != protocol::kOneToOne) return;
    ChatMessage record = buildRecord(c, text, ChatFont{gbk("宋体"), 0, 9});
    prepare(c, record, false);
    dispatch(c, record, false);
}

void ChatCore::acknowledge(const ChatMessage& m, const std::optional<ChatContact>& sender, bool relayed) {
    protocol::ChatAck ack;
    ack.senderId = m.senderId;
    ack.recipientId = m.recipientId;
    ack.textLength = static_cast<uint32_t>(m.text.size());
    ack.sendTick = m.sendTick;
    acknowledge(ack, sender, relayed);
}

void ChatCore::acknowledge(const protocol::ChatAck& ack, const std::optional<ChatContact>& sender,
                           bool relayed) {
    const Message frame = message(Cmd::ChatAck, wire::encode(ack));
    if (!sender || sender->outsideTree || sender->status == kStatusMobile)
        transport_.sendToServer(frame);
    else
        transport_.sendToPeer(sender->id, frame, relayed);
}

std::function<void()> ChatCore::acknowledgement(const ChatMessage& m) {
    protocol::ChatAck ack;
    ack.senderId = m.senderId;
    ack.recipientId = m.recipientId;
    ack.textLength = static_cast<uint32_t>(m.text.size());
    ack.sendTick = m.sendTick;
    awaitingDisk_.emplace(m.senderId, m.sendTick);
    return [this, ack] {
        awaitingDisk_.erase({ack.senderId, ack.sendTick});
        // Looked up now: the colleague may have gone offline while the record was written.
        acknowledge(ack, directory_.findUser(ack.senderId), false);
    };
}

bool ChatCore::receive(const Message& m) {
    switch (m.cmd()) {
    case Cmd::ChatMessage: {
        ChatMessage record;
        if (!ChatMessage::decodeBody(m.body, record)) return false;
        deliver(record, true);
        return true;
    }
    case Cmd::InputState: {
        protocol::InputState state;
        if (!wire::decode(m.body, state)) return false;
        receiveInputState(state);
        return true;
    }
    case Cmd::Shake: {
        protocol::Shake record;
        if (!wire::decode(m.body, record)) return false;
        receiveShake(record);
        return true;
    }
    default:
        return false;
    }
}

bool ChatCore::mayOpen(const protocol::ConversationKey& key, uint32_t senderId) {
    if (registry_.findOrCreate(key, false)) return true;
    auto& ticks = opened_[senderId];
    const uint32_t now = clock_.tickCount();
    while (!ticks.empty() && static_cast<uint32_t>(now - ticks.front()) >= kNewConversationWindowMs)
        ticks.pop_front();
    if (ticks.size() >= kMaxNewConversationsPerMinute) return false;
    // Forget colleagues whose minute has passed, so that the table stays small.
    if (opened_.size() > 1000) std::erase_if(opened_, [](const auto& e) { return e.second.empty(); });
    return true;
}

Conversation* ChatCore::conversationFor(const protocol::ConversationKey& key, uint32_t senderId) {
    if (Conversation* c = registry_.findOrCreate(key, false)) return c;
    if (!mayOpen(key, senderId)) return nullptr;
    opened_[senderId].push_back(clock_.tickCount());
    return registry_.findOrCreate(key, true);
}

void ChatCore::deliver(const ChatMessage& m, bool live) {
    const bool group = m.key.kind == protocol::kGroupConversation;
    bool duplicate = false;
    if (group) {
        // Only a member of a group we know writes to it; an unknown group is asked about first.
        switch (directory_.groupMembership(m.key.groupId, m.senderId)) {
        case GroupMembership::Member:
            break;
        case GroupMembership::UnknownGroup:
            if (live)
                directory_.holdGroupMessage(m);
            else
                ++refused_;
            return;
        case GroupMembership::NotMember:
            ++refused_;
            return;
        }
    } else {
        if (m.senderId == session_.ownId || m.recipientId != session_.ownId) return;
    }
    // A one-to-one message belongs to the conversation with its sender, whatever else its key says.
    protocol::ConversationKey key = m.key;
    if (key.kind == protocol::kOneToOne) {
        key.userA = m.senderId;
        key.userB = session_.ownId;
    }
    // A message that would open one conversation too many is neither acknowledged nor noted as
    // seen: the sender's resends are judged again later.
    if (!mayOpen(key, m.senderId)) {
        ++refused_;
        return;
    }
    if (!group && m.sendTick != 0)
        duplicate = received_.seenOrAdd(m.senderId, m.sendTick, clock_.tickCount());
    const auto sender = directory_.findUser(m.senderId);
    bool held = false;
    if (!sender) {
        // Replays come only once the sender's record is known; without it there is nothing to show.
        if (!live) return;
        if (!duplicate) {
            directory_.holdMessage(m);
            directory_.queryUser(m.senderId);
        }
        held = true;
    }
    // A message shown is acknowledged once its record is on disk; a copy of one already shown at
    // once, unless the first is still on its way to the disk (then with the first).
    const bool acknowledged = live && !group && m.sendTick != 0;
    if (acknowledged && (duplicate || held) && !awaitingDisk_.contains({m.senderId, m.sendTick}))
        acknowledge(m, sender, true);
    if ((duplicate || held) && live) return;

    Conversation* c = conversationFor(key, m.senderId);
    if (!c) return;
    showReceived(*c, m, *sender, acknowledged ? acknowledgement(m) : std::function<void()>{});
    if (!c->inFront) view_.flash(*c);
    if (!c->visible) {
        c->alerted = true;
        view_.alertConversation(*c);
    }
    if (m.key.kind == protocol::kOneToOne) directory_.touchRecent(m.senderId);
}

void ChatCore::showReceived(Conversation& c, const ChatMessage& m, const ChatContact& sender,
                            std::function<void()> stored) {
    const std::string plain = crypto::DesDecryptText(m.text);
    const std::string name =
        c.kind() == protocol::kServiceConversation && !c.serviceSide() ? gbk("客服人员") : sender.displayName;
    view_.showMessage(c, m.senderId, name + " " + headerTime(m.sendTime, clock_.now()), false, plain,
                      fontOf(m));
    storeRecord(c, m, std::move(stored));
    if (c.visible || m.serverDelivery) return;
    const ChatOptions options = settings_.read();
    if (options.showMsgHint) {
        view_.queueTip(options.notShowContent ? name + gbk("：给您发送了消息 ...")
                                              : name + gbk("：") + noticeTextOfPlain(plain));
    }
    if (options.showMsgRemind) {
        protocol::Shake reminder;
        reminder.receiverId = session_.ownId;
        reminder.senderId = m.senderId;
        reminder.key = m.key;
        reminder.remindKind = 1;
        view_.showReminder(reminder);
    }
}

std::string ChatCore::peerName(uint32_t peerId) {
    const auto contact = directory_.findUser(peerId);
    return contact ? contact->displayName : std::string();
}

void ChatCore::inputChanged(Conversation& c, size_t characters) {
    if (!session_.signedIn || c.kind() != protocol::kOneToOne) return;
    const auto contact = directory_.findUser(c.peerId);
    if (!contact || contact->status == kStatusOffline || contact->status == kStatusMobile ||
        contact->noTypingNotice)
        return;
    const uint32_t now = clock_.tickCount();
    if (characters >= 2 && c.lastTypingSend &&
        static_cast<uint32_t>(now - *c.lastTypingSend) <= kTypingIntervalMs)
        return;
    protocol::InputState state;
    state.receiverId = contact->id;
    state.senderId = session_.ownId;
    state.typing = characters > 0;
    state.key = c.key;
    transport_.sendToPeer(contact->id, message(Cmd::InputState, wire::encode(state)), false);
    c.lastTypingSend = now;
}

void ChatCore::receiveInputState(const protocol::InputState& state) {
    Conversation* c = registry_.findOrCreate(state.key, false);
    if (!c || !c->visible || c->kind() == protocol::kGroupConversation) return;
    c->lastTypingNotice = clock_.tickCount();
    const std::string name = peerName(state.senderId);
    if (state.typing) {
        view_.startTypingTimer(*c);
        const std::string text = name + gbk(" - 正在输入...");
        view_.setTypingTexts(*c, text, text);
    } else {
        view_.setTypingTexts(*c, name + gbk(" - 对话"), gbk("与 ") + name + gbk(" 交谈中"));
    }
}

void ChatCore::typingTimerFired(Conversation& c) {
    if (c.lastTypingNotice &&
        static_cast<uint32_t>(clock_.tickCount() - *c.lastTypingNotice) < kTypingIntervalMs)
        return;
    const std::string name = peerName(c.peerId);
    view_.setTypingTexts(c, name + gbk(" - 对话"), gbk("与 ") + name + gbk(" 交谈中"));
    view_.stopTypingTimer(c);
}

bool ChatCore::shake(Conversation& c) {
    if (!session_.signedIn || c.kind() == protocol::kGroupConversation) return false;
    const auto contact = directory_.findUser(c.peerId);
    if (!contact || contact->status == kStatusOffline || contact->status == kStatusMobile) return false;
    protocol::Shake record;
    record.receiverId = contact->id;
    record.senderId = session_.ownId;
    record.key = c.key;
    record.remindKind = 0;
    transport_.sendToPeer(contact->id, message(Cmd::Shake, wire::encode(record)), false);
    view_.systemLine(
        c, systemLineText(protocol::localFromDayCount(clock_.now()), gbk("您向对方发送了一个抖动提醒。")));
    view_.shake(c);
    return true;
}

void ChatCore::receiveShake(const protocol::Shake& record) {
    if (record.remindKind > 0) {
        view_.showReminder(record);
        return;
    }
    if (record.key.kind == protocol::kGroupConversation &&
        directory_.groupMembership(record.key.groupId, record.senderId) != GroupMembership::Member) {
        ++refused_;
        return;
    }
    protocol::ConversationKey key = record.key;
    if (key.kind == protocol::kOneToOne) {
        key.userA = record.senderId;
        key.userB = session_.ownId;
    }
    Conversation* c = conversationFor(key, record.senderId);
    if (!c) {
        ++refused_;
        return;
    }
    view_.bringToFront(*c);
    view_.flash(*c);
    c->alerted = true;
    view_.systemLine(
        *c, systemLineText(protocol::localFromDayCount(clock_.now()), gbk("对方向您发送了一个抖动提醒。")));
    view_.shake(*c);
}

bool ChatCore::closeQuery(Conversation& c, const std::function<bool()>& evaluationAsksToStay) {
    if (c.kind() != protocol::kServiceConversation || c.serviceSide() || !c.sentSomething) return true;
    if (!c.notEvaluated && evaluationAsksToStay && evaluationAsksToStay()) return false;
    sendSystemText(c, gbk("对方已经关闭了对话窗口，您可以结束服务。"));
    return true;
}

} // namespace vantor::conversation
