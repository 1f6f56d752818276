// PendingMessages and MsgTimer: one-to-one chat messages wait here until the colleague
// acknowledges them. Every 5 s the unacknowledged ones older than one interval are sent again;
// after 15 s through the server, after 30 s (or at once for a colleague signed in from a phone)
// they are handed to the server for later delivery and dropped. With a journal, every change is
// written to it first, so the queue outlives the session and the process.
#pragma once

#include "peer/pending_journal.h"
#include "platform/clock.h"
#include "protocol/chat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantor::peer {

class PeerTransport;

class ResendQueue {
  public:
    static constexpr int kIntervalMs = 5000;
    static constexpr uint32_t kRelayAfterMs = 3 * kIntervalMs;    // 15 s
    static constexpr uint32_t kHandOverAfterMs = 6 * kIntervalMs; // 30 s

    explicit ResendQueue(PeerTransport& transport);

    // The account's journal (null: none). Not owned.
    void setJournal(PendingJournal* journal) { journal_ = journal; }
    // A copy of a sent one-to-one message; starts MsgTimer. The copy is kept also when the journal
    // cannot be written; the error text says so.
    std::optional<std::string> append(const protocol::ChatMessage& m, int64_t wallMs = 0);
    // Messages read back from the journal, `ageMs` old each (by the wall clock).
    void restore(const protocol::ChatMessage& m, uint32_t ageMs);
    // CmdChatAck: drops the message with the same sender, recipient and send tick (the length is
    // not compared). Returns false when nothing matched.
    bool acknowledge(const protocol::ChatAck& ack);
    // One MsgTimer tick (public for tests).
    void tick();
    // Forgets the messages (the journal keeps them) and stops MsgTimer.
    void clear();

    size_t size() const { return pending_.size(); }
    bool timerActive() const { return timer_->isActive(); }
    const std::vector<protocol::ChatMessage>& messages() const { return pending_; }

  private:
    void drop(size_t i);

    PeerTransport& transport_;
    std::unique_ptr<platform::Timer> timer_;
    PendingJournal* journal_ = nullptr;
    std::vector<protocol::ChatMessage> pending_; // PendingMessages, oldest first
    std::vector<uint32_t> born_;                 // tick at which each was queued (ages)
};

} // namespace vantor::peer
