// The small interfaces through which the chat core reaches the rest of the client: the peer
// channels and the server, the directory, the message store, the conversation views, settings and
// the clock. The composition layer implements them; tests use fakes.
#pragma once

#include "protocol/chat.h"
#include "protocol/frame.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vantor::conversation {

struct Conversation;

inline constexpr uint8_t kStatusOffline = 8;
inline constexpr uint8_t kStatusInvisible = 9;
inline constexpr uint8_t kStatusMobile = 10;

// What the chat core needs to know of a colleague's user record.
struct ChatContact {
    uint32_t id = 0;
    std::string displayName;
    uint8_t status = kStatusOffline;
    bool outsideTree = false;    // not shown in the organisation tree
    bool noTypingNotice = false; // asks for no typing notifications
};

// Font of a message, as the input box has it.
struct ChatFont {
    std::string name;
    uint32_t color = 0; // Windows RGB value
    uint32_t size = 9;
    bool bold = false, italic = false, underline = false, strikeOut = false;
};

// Peer channels, the resend queue and the server connection.
class IChatTransport {
  public:
    virtual ~IChatTransport() = default;
    // Through the contact's chat channel (created as initiator when missing); `relayed` forces the
    // path through the server.
    virtual void sendToPeer(uint32_t contactId, const protocol::Message& message, bool relayed) = 0;
    // Keeps a copy until acknowledged and starts the resend timer. Returns once the copy is kept
    // where it outlives a crash of the client, or an error text when it could not be.
    virtual std::optional<std::string> queuePending(const protocol::ChatMessage& message) = 0;
    virtual void sendToServer(const protocol::Message& message) = 0;
};

// Whether a discussion group names a user among its members.
enum class GroupMembership { Member, NotMember, UnknownGroup };

// The organisation directory and the recent contacts.
class IChatDirectory {
  public:
    virtual ~IChatDirectory() = default;
    virtual std::optional<ChatContact> findUser(uint32_t userId) = 0;
    // Keeps the message until the sender's record arrives, then hands it back not live.
    virtual void holdMessage(const protocol::ChatMessage& message) = 0;
    virtual GroupMembership groupMembership(const protocol::Guid& group, uint32_t userId) = 0;
    // Keeps a message of an unknown group and asks the server about the group; hands it back not
    // live once the group is known.
    virtual void holdGroupMessage(const protocol::ChatMessage& message) = 0;
    // Asks the server for a user's record.
    virtual void queryUser(uint32_t userId) = 0;
    virtual void touchRecent(uint32_t userId) = 0;
};

// What became of a record handed to the store: nothing once it is on disk, else the reason.
using StoreDone = std::function<void(const std::optional<std::string>& error)>;

// The account's message store. `store` queues a record; `done` runs on the chat core's thread once
// the record is on disk or could not be stored, possibly before `store` returns.
class IChatStore {
  public:
    virtual ~IChatStore() = default;
    virtual void store(const std::string& record, StoreDone done) = 0;
};

// The settings the chat core reads at each use (sibling programs may change them).
struct ChatOptions {
    bool showMsgHint = true;
    bool notShowContent = false;
    bool showMsgRemind = false;
};
class IChatSettings {
  public:
    virtual ~IChatSettings() = default;
    virtual ChatOptions read() = 0;
};

// Millisecond tick count (wraps) and the local time as a day count.
class IChatClock {
  public:
    virtual ~IChatClock() = default;
    virtual uint32_t tickCount() = 0;
    virtual double now() = 0;
};

// What a conversation window (or the headless front end) shows and does.
class IConversationView {
  public:
    virtual ~IConversationView() = default;
    // A header line (own or received) and the message's plain text in its font; `senderId` wrote
    // it (in a group, the member whose pictures the text shows).
    virtual void showMessage(Conversation& c, uint32_t senderId, const std::string& header, bool own,
                             const std::string& plain, const ChatFont& font) = 0;
    virtual void systemLine(Conversation& c, const std::string& line) = 0;
    virtual void alertBar(Conversation& c, const std::string& text) = 0;
    virtual void clearInput(Conversation& c) = 0;
    virtual void flash(Conversation& c) = 0;
    virtual void bringToFront(Conversation& c) = 0;
    virtual void shake(Conversation& c) = 0;
    // A hidden window with a new message, for the main window's pending alerts.
    virtual void alertConversation(Conversation& c) = 0;
    virtual void setTypingTexts(Conversation& c, const std::string& nameLabel,
                                const std::string& caption) = 0;
    virtual void startTypingTimer(Conversation& c) = 0;
    virtual void stopTypingTimer(Conversation& c) = 0;
    // The message tip strip and the reminder window.
    virtual void queueTip(const std::string& text) = 0;
    virtual void showReminder(const protocol::Shake& record) = 0;
    // First message of a service-centre window: open or announce the service session.
    virtual void serviceFirstMessage(Conversation& c) = 0;
    virtual void storeFailed(Conversation& c, const std::string& reason) = 0;
    // Sign-out by the user: every conversation window closes; the registry forgets them afterwards.
    virtual void closeAll() {}
    // A user's status, signature, head picture or name changed (`own`: the signed-in user): the
    // windows with them (all of them for the own user, and group windows) refresh their header.
    virtual void colleagueChanged(uint32_t /*userId*/, bool /*own*/) {}
};

} // namespace vantor::conversation
