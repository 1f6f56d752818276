// The open conversations, in creation order, found by their conversation key; and the texts a
// conversation shows about itself (system lines, alert bar, the close question).
#pragma once

#include "protocol/chat.h"
#include "protocol/datetime.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantor::conversation {

// The state of one conversation window that the behaviour needs; the widgets hold the rest.
struct Conversation {
    int id = 0;                    // unique within the run
    protocol::ConversationKey key; // A = own id, B = the other party (0 in a group)
    uint32_t peerId = 0;           // colleague (kind 0), service partner (kind 2), 0 in a group
    bool visible = false;          // shown on screen
    bool inFront = false;          // the active window
    bool alerted = false;          // handed to the pending alerts, or opened by the user
    bool readOnly = false;         // input blocked (service centre without a partner)
    bool sentSomething = false;
    bool notEvaluated = false;                // service customer side: a reservation service, no evaluation
    std::optional<uint32_t> lastTypingNotice; // tick of the last received typing notice
    std::optional<uint32_t> lastTypingSend;   // tick of the last typing notice sent

    uint8_t kind() const { return key.kind; }
    bool serviceSide() const { return key.serviceSide != 0; }
};

class ConversationRegistry {
  public:
    // Called for every new conversation (to ask for the peer's detail record and so on).
    using Created = std::function<void(Conversation&)>;

    void setOwnId(uint32_t ownId) { ownId_ = ownId; }
    uint32_t ownId() const { return ownId_; }
    void onCreated(Created created) { created_ = std::move(created); }

    // Kind 1 and 2 by group identifier, kind 0 by peer (B, or A when B is us). Null when missing
    // and `create` is false.
    Conversation* findOrCreate(const protocol::ConversationKey& key, bool create);
    // The one-to-one conversation with a colleague.
    Conversation* openWith(uint32_t userId);
    Conversation* byId(int id);
    void remove(int id);
    // Sign-out: hidden windows lose their alerted mark.
    void clearHiddenAlerts();
    const std::vector<std::unique_ptr<Conversation>>& all() const { return list_; }

  private:
    uint32_t ownId_ = 0;
    int nextId_ = 1;
    Created created_;
    std::vector<std::unique_ptr<Conversation>> list_;
};

// "hh:nn:ss" + " " + text, or five spaces + text.
std::string systemLineText(const protocol::LocalTime& t, const std::string& text, bool withTime = true);
std::string clockText(const protocol::LocalTime& t); // hh:nn:ss

// The alert bar text a one-to-one or service window shows when its header is filled; nothing
// when no rule applies.
std::optional<std::string> headerAlertText(uint8_t peerStatus, bool displayEmpty, bool serviceSide);

// The question asked before closing a window with running file transfers (pictures not counted)
// or voice and video conversations; nothing when none runs.
std::optional<std::string> closeQuestion(int fileTransfers, int mediaConversations);

} // namespace vantor::conversation
