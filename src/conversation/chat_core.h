// The chat behaviour of the conversations without their widgets: sending typed and system texts,
// delivering received messages (duplicates, unknown senders, acknowledgements), typing notices
// and shake alerts. Runs on the UI thread; reaches everything else through chat_ports.h.
#pragma once

#include "conversation/chat_ports.h"
#include "conversation/chat_received.h"
#include "conversation/conversation_registry.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vantor::conversation {

// The signed-in user as the chat needs it.
struct ChatSession {
    bool signedIn = false;
    uint32_t ownId = 0;
    std::string displayName;   // GBK
    std::string account;       // GBK sign-in account
    bool serverCopies = false; // the server asks for copies of chat messages
};

// Plain texts longer than this are sent as several messages (the enciphered text grows to whole
// 8-byte blocks, so 1000 plain bytes are exactly 1000 enciphered ones).
inline constexpr size_t kMaxPlainPerMessage = protocol::ChatMessage::kMaxText;

// Cuts a GBK text into consecutive pieces of at most `limit` bytes without splitting a character.
std::vector<std::string> splitForSending(const std::string& plain, size_t limit = kMaxPlainPerMessage);

// The steps of a window shake: offsets (dx, dy) applied one after another with a 50 ms pause.
std::vector<std::pair<int, int>> shakeSteps();
inline constexpr int kShakePauseMs = 50;
inline constexpr uint32_t kTypingIntervalMs = 5000;
// A colleague opens at most this many new conversations (windows, history streams) per minute;
// group and service keys are the sender's to choose, so more would let one colleague flood us.
inline constexpr size_t kMaxNewConversationsPerMinute = 10;
inline constexpr uint32_t kNewConversationWindowMs = 60000;

class ChatCore {
  public:
    ChatCore(ConversationRegistry& registry, IChatTransport& transport, IChatDirectory& directory,
             IChatStore& store, IConversationView& view, IChatSettings& settings, IChatClock& clock);

    void setSession(const ChatSession& session);
    const ChatSession& session() const { return session_; }

    enum class SendResult { Ignored, NotSignedIn, Sent };
    // The send button: `plain` is the input's plain-text form; `sms` the "同时发送短信" box
    // (visible and checked).
    SendResult send(Conversation& c, const std::string& plain, const ChatFont& font, bool sms = false);
    // A text of the program itself, in the fixed system font.
    void sendSystemText(Conversation& c, const std::string& text);
    // A line another subsystem (a file transfer) reports into the conversation: shown as a system
    // line and, with `store`, kept in the history as a system message from `from` to `to` (font
    // "微软雅黑", size 9) and copied to the server when message copies are on.
    void reportLine(Conversation& c, const std::string& text, uint32_t from, uint32_t to, bool store);
    // A line kept in the history only (not shown), as a system message from `from` to `to`.
    void storeLine(Conversation& c, const std::string& text, uint32_t from, uint32_t to);
    // A text to the colleague of a one-to-one conversation that this side neither shows nor stores:
    // sent like a message (kept until acknowledged, copied to the server when copies are on).
    void sendNotice(Conversation& c, const std::string& text);

    // A chat message, typing notice or shake from a peer channel or the server, decoded from its
    // untrusted bytes. False for other codes and for bodies that do not decode (dropped).
    bool receive(const protocol::Message& message);
    // A received chat message; `live` is false when a held message is replayed.
    void deliver(const protocol::ChatMessage& message, bool live);

    // The input box changed and now holds `characters` characters.
    void inputChanged(Conversation& c, size_t characters);
    void receiveInputState(const protocol::InputState& state);
    // TimerShowInputing of a conversation.
    void typingTimerFired(Conversation& c);

    // The shake button; false when the peer cannot be reached.
    bool shake(Conversation& c);
    void receiveShake(const protocol::Shake& shake);

    // Whether the window may close. A service conversation on the customer side that sent
    // something first shows the evaluation (`evaluationAsksToStay` returns true to keep the window)
    // unless it is not evaluated, then tells the partner that the window closed.
    bool closeQuery(Conversation& c, const std::function<bool()>& evaluationAsksToStay);

    size_t receivedCount() const { return received_.size(); }
    // Messages and shakes dropped because their sender opened too many conversations, or wrote to
    // a group it is not a member of.
    size_t refusedCount() const { return refused_; }

  private:
    ConversationRegistry& registry_;
    IChatTransport& transport_;
    IChatDirectory& directory_;
    IChatStore& store_;
    IConversationView& view_;
    IChatSettings& settings_;
    IChatClock& clock_;
    ChatSession session_;
    ReceivedMessages received_;
    uint32_t lastSendTick_ = 0;
    size_t refused_ = 0;
    // Received messages (sender, send tick) whose records are still on their way to the disk: a
    // copy that arrives meanwhile is acknowledged with the first, not before.
    std::set<std::pair<uint32_t, uint32_t>> awaitingDisk_;
    // Per colleague: the ticks at which it opened a conversation within the last minute.
    std::map<uint32_t, std::deque<uint32_t>> opened_;

    uint32_t nextSendTick();
    protocol::ChatMessage buildRecord(const Conversation& c, const std::string& plain, const ChatFont& font);
    // Names the record (recipient, send tick) and, when it is retried until acknowledged, queues it
    // for resending: before it is shown as sent.
    void prepare(Conversation& c, protocol::ChatMessage& record, bool systemText);
    void dispatch(Conversation& c, const protocol::ChatMessage& record, bool systemText);
    static bool serverOnly(const Conversation& c, bool systemText);
    // Queues the record for the history; a failure is reported to its conversation's view, then
    // `stored` runs (also after a failure).
    void storeRecord(Conversation& c, const protocol::ChatMessage& record, std::function<void()> stored = {});
    void showReceived(Conversation& c, const protocol::ChatMessage& m, const ChatContact& sender,
                      std::function<void()> stored);
    void acknowledge(const protocol::ChatMessage& m, const std::optional<ChatContact>& sender, bool relayed);
    void acknowledge(const protocol::ChatAck& ack, const std::optional<ChatContact>& sender, bool relayed);
    // The acknowledgement of a received message, to be sent once its record is on disk.
    std::function<void()> acknowledgement(const protocol::ChatMessage& m);
    std::string peerName(uint32_t peerId);
    // The conversation for a received key: found, or created when the sender may open one more.
    Conversation* conversationFor(const protocol::ConversationKey& key, uint32_t senderId);
    bool mayOpen(const protocol::ConversationKey& key, uint32_t senderId);
};

} // namespace vantor::conversation
