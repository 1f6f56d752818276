// The messages received so far, by sender and send tick, so that a message that arrives again
// (retried, or directly and relayed) is shown once. Entries older than the keep time are dropped:
// the sender retries for 30 s and the server delivers within the same run, so a long keep time
// still catches every retry while the list no longer grows for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <utility>

namespace vantor::conversation {

class ReceivedMessages {
  public:
    static constexpr uint32_t kKeepMs = 30 * 60 * 1000;
    static constexpr size_t kMaxEntries = 200000;

    // True when (sender, tick) was seen within the keep time; otherwise remembers it at `now`.
    bool seenOrAdd(uint32_t senderId, uint32_t sendTick, uint32_t now);
    size_t size() const { return order_.size(); }

  private:
    struct Entry {
        uint32_t at;
        std::pair<uint32_t, uint32_t> id;
    };
    std::deque<Entry> order_;
    std::set<std::pair<uint32_t, uint32_t>> ids_;
    void prune(uint32_t now);
};

} // namespace vantor::conversation
