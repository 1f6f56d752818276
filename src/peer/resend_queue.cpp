#include "peer/resend_queue.h"

#include "peer/transport.h"
#include "protocol/codes.h"
#include "protocol/text.h"

namespace vantor::peer {

namespace {

std::string chatFrame(const protocol::ChatMessage& m) {
    std::string d(1, char(protocol::Cmd::ChatMessage));
    d += m.encodeBody();
    return d;
}

} // namespace

ResendQueue::ResendQueue(PeerTransport& transport)
    : transport_(transport), timer_(transport.clock().createTimer()) {
    timer_->setInterval(kIntervalMs);
    timer_->onTimeout = [this] { tick(); };
}

void ResendQueue::append(const protocol::ChatMessage& m) {
    pending_.push_back(m);
    timer_->setEnabled(true);
}

bool ResendQueue::acknowledge(const protocol::ChatAck& ack) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->senderId == ack.senderId && it->recipientId == ack.recipientId &&
            it->sendTick == ack.sendTick) {
            pending_.erase(it);
            return true;
        }
    }
    return false;
}

void ResendQueue::clear() {
    pending_.clear();
    timer_->stop();
}

void ResendQueue::tick() {
    IServerLink& server = transport_.server();
    if (!server.connected()) return;
    if (pending_.empty()) {
        timer_->stop();
        return;
    }
    const uint32_t now = transport_.tickCount();
    // Last to first, as entries are dropped on the way.
    for (size_t i = pending_.size(); i-- > 0;) {
        if (i >= pending_.size()) continue; // a send shortened the queue
        protocol::ChatMessage& m = pending_[i];
        const uint32_t age = now - m.sendTick;
        if (age <= uint32_t(kIntervalMs)) continue;
        const auto status = transport_.directory().contactStatus(m.recipientId);
        if (!status) continue;
        const bool mobile = *status == protocol::kMobile;
        TMySocket* channel = transport_.chatChannel(m.recipientId);
        if (!mobile && !channel) channel = &transport_.ensureChatChannel(m.recipientId);
        if (age > kHandOverAfterMs || mobile) {
            m.serverDelivery = true;
            server.sendToServer(chatFrame(m));
            pending_.erase(pending_.begin() + std::ptrdiff_t(i));
            continue;
        }
        if (age > kRelayAfterMs) channel->SetViaServer(true);
        channel->SendData(chatFrame(m));
    }
}

} // namespace vantor::peer
