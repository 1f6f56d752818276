#include "conversation/chat_received.h"

namespace vantor::conversation {

void ReceivedMessages::prune(uint32_t now) {
    while (!order_.empty() &&
           (static_cast<uint32_t>(now - order_.front().at) > kKeepMs || order_.size() > kMaxEntries)) {
        ids_.erase(order_.front().id);
        order_.pop_front();
    }
}

bool ReceivedMessages::seenOrAdd(uint32_t senderId, uint32_t sendTick, uint32_t now) {
    prune(now);
    const std::pair<uint32_t, uint32_t> id{senderId, sendTick};
    if (ids_.contains(id)) return true;
    ids_.insert(id);
    order_.push_back({now, id});
    prune(now);
    return false;
}

} // namespace vantor::conversation
