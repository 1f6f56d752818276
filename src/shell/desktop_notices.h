// Desktop notifications of new messages, besides the tray: a message for a conversation that is
// not in front shows the sender and the first line of its text outside the client, one
// notification per conversation (a newer message replaces it). None while the own status is a busy
// one. A click opens the conversation; opening it another way takes the notification away.
#pragma once

#include "platform/desktop_notifier.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <set>

namespace vantor::shell {

// The statuses in which the desktop keeps quiet: "忙碌", "接听电话", "参加会议", "请勿打扰".
bool quietStatus(uint8_t status);

// The first line of a message, at most `limit` characters ("…" when cut).
QString firstLine(const QString& text, int limit = 80);

class DesktopNotices {
  public:
    struct Hooks {
        std::function<bool()> quiet;                  // the own status asks for quiet
        std::function<void(int conversationId)> open; // the user clicked a notification
    };
    DesktopNotices(platform::DesktopNotifier& notifier, Hooks hooks);
    ~DesktopNotices();
    DesktopNotices(const DesktopNotices&) = delete;
    DesktopNotices& operator=(const DesktopNotices&) = delete;

    void messageArrived(int conversationId, const QString& sender, const QString& text);
    // The conversation came to the front or closed: its notification goes.
    void conversationOpened(int conversationId);
    // Sign-out: every notification goes.
    void clear();

  private:
    platform::DesktopNotifier& notifier_;
    Hooks hooks_;
    std::set<int> shown_;
};

} // namespace vantor::shell
