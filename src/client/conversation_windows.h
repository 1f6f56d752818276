// How the main window and the conversation windows reach each other without knowing each other's
// classes: the main window opens conversations and the history viewer; a conversation window that
// is hidden when a message arrives hands itself to the main window's pending alerts.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::client {

class IConversationWindows {
  public:
    virtual ~IConversationWindows() = default;
    // Opens, or brings up, the one-to-one conversation with a colleague.
    virtual void openWith(uint32_t userId) = 0;
    // Shows a conversation window (restored when minimised), brings it to the front and focuses it.
    virtual void showConversation(int conversationId) = 0;
    // The history viewer, on one colleague's conversation or (0) on all conversations.
    virtual void openHistory(uint32_t userId) = 0;
    // Opens, or brings up, a discussion group's conversation (the group list's entries).
    virtual void openGroup(const wire::Guid& /*group*/) {}
};

// A hidden conversation received a message: what the main window needs to alert it.
struct ConversationAlert {
    int conversationId = 0;
    uint32_t senderId = 0; // the colleague (one-to-one), 0 for a group
    wire::Guid groupId;    // the group (group and service conversations), null otherwise
};

class IConversationAlerts {
  public:
    virtual ~IConversationAlerts() = default;
    virtual void alertConversation(const ConversationAlert& alert) = 0;
    // A conversation window closed: it leaves the pending alerts.
    virtual void conversationClosed(int conversationId) = 0;
    // A colleague's message arrived in a conversation that is not in front (sender's name and the
    // text, GBK): the desktop may tell the user outside the client.
    virtual void messageArrived(const ConversationAlert& alert, const std::string& sender,
                                const std::string& text) {
        (void)alert, (void)sender, (void)text;
    }
    // A conversation came to the front.
    virtual void conversationInFront(int conversationId) { (void)conversationId; }
    // A conversation window came into view (shown, or restored from minimised): it leaves them too.
    virtual void conversationShown(int /*conversationId*/) {}
};

} // namespace vantor::client
