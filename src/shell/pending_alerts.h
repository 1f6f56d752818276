// PendingAlerts: the conversations that received messages while their windows were hidden, oldest
// first, each at most once. Alerting flashes the tray icon with the sender's picture, plays the
// message sound and shows the pending count; opening one brings its window up and flashes the
// next; with none left the tray shows the status icon again.
#pragma once

#include "client/conversation_windows.h"
#include "platform/sound.h"
#include "shell/shell_view.h"
#include "shell/tray_flash.h"

#include <deque>
#include <functional>

namespace vantor::shell {

class PendingAlerts : public client::IConversationAlerts {
  public:
    struct Hooks {
        // The picture the tray flashes for a conversation.
        std::function<QString(const client::ConversationAlert&)> flashPicture;
        // The sound file of a new message; empty when none is to be played (DontPlaySound).
        std::function<QString()> messageSound;
        // A message for a conversation not in front (desktop notifications), and a conversation
        // that was opened, brought to the front or closed.
        std::function<void(const client::ConversationAlert&, const std::string& sender,
                           const std::string& text)>
            messageArrived;
        std::function<void(int conversationId)> opened;
    };

    PendingAlerts(IShellView& view, TrayFlasher& flasher, platform::SoundPlayer& sound, Hooks hooks);

    // The conversation windows, which open what is pending (none: nothing opens).
    void setWindows(client::IConversationWindows* windows) { windows_ = windows; }

    // AlertConversation.
    void alertConversation(const client::ConversationAlert& alert) override;
    void conversationClosed(int conversationId) override;
    void messageArrived(const client::ConversationAlert& alert, const std::string& sender,
                        const std::string& text) override;
    void conversationInFront(int conversationId) override;
    void conversationShown(int conversationId) override { forget(conversationId); }

    // OpenPendingConversation: false when the conversation was not pending.
    bool OpenPendingConversation(int conversationId);
    // The tray icon's click: opens the oldest pending conversation; false when none is pending.
    bool OpenOldest();
    // A desktop notification's click: the conversation opens, pending or not.
    void open(int conversationId);
    // The conversation was brought up another way (a contact list): it leaves the list quietly.
    void forget(int conversationId);
    // The one-to-one conversation with a colleague was opened from a list or the tree.
    void forgetConversationWith(uint32_t userId);
    void StopAlertIfIdle();
    // Sign-out: nothing is pending any more.
    void clear();

    bool empty() const { return pending_.empty(); }
    size_t count() const { return pending_.size(); }
    bool isPending(int conversationId) const;
    const std::deque<client::ConversationAlert>& pending() const { return pending_; }

  private:
    bool remove(int conversationId);
    void afterRemoval();

    IShellView& view_;
    TrayFlasher& flasher_;
    platform::SoundPlayer& sound_;
    Hooks hooks_;
    client::IConversationWindows* windows_ = nullptr;
    std::deque<client::ConversationAlert> pending_;
};

} // namespace vantor::shell
