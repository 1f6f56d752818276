// PendingMessages and MsgTimer: one-to-one chat messages wait here until the colleague
// acknowledges them. Every 5 s the unacknowledged ones older than one interval are sent again;
// after 15 s through the server, after 30 s (or at once for a colleague signed in from a phone)
// they are handed to the server for later delivery and dropped.
#pragma once

#include "platform/clock.h"
#include "protocol/chat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vantor::peer {

class PeerTransport;

class ResendQueue {
  public:
    static constexpr int kIntervalMs = 5000;
    static constexpr uint32_t kRelayAfterMs = 3 * kIntervalMs;    // 15 s
    static constexpr uint32_t kHandOverAfterMs = 6 * kIntervalMs; // 30 s

    explicit ResendQueue(PeerTransport& transport);

    // A copy of a sent one-to-one message; starts MsgTimer.
    void append(const protocol::ChatMessage& m);
    // CmdChatAck: drops the message with the same sender, recipient and send tick (the length is
    // not compared). Returns false when nothing matched.
    bool acknowledge(const protocol::ChatAck& ack);
    // One MsgTimer tick (public for tests).
    void tick();
    void clear();

    size_t size() const { return pending_.size(); }
    bool timerActive() const { return timer_->isActive(); }
    const std::vector<protocol::ChatMessage>& messages() const { return pending_; }

  private:
    PeerTransport& transport_;
    std::unique_ptr<platform::Timer> timer_;
    std::vector<protocol::ChatMessage> pending_; // PendingMessages, oldest first
};

} // namespace vantor::peer
