#include "peer/resend_queue.h"

#include "peer/transport.h"
#include "protocol/codes.h"
#include "protocol/text.h"

#include <cstdio>

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

std::optional<std::string> ResendQueue::append(const protocol::ChatMessage& m, int64_t wallMs) {
    std::optional<std::string> error;
    if (journal_) error = journal_->add({m, wallMs});
    pending_.push_back(m);
    born_.push_back(m.sendTick);
    timer_->setEnabled(true);
    return error;
}

void ResendQueue::restore(const protocol::ChatMessage& m, uint32_t ageMs) {
    pending_.push_back(m);
    born_.push_back(transport_.tickCount() - ageMs);
    timer_->setEnabled(true);
}

void ResendQueue::drop(size_t i) {
    const protocol::ChatMessage& m = pending_[i];
    if (journal_) {
        if (auto error = journal_->remove(m.senderId, m.recipientId, m.sendTick))
            std::fprintf(stderr, "resend queue: %s\n", error->c_str());
    }
    pending_.erase(pending_.begin() + std::ptrdiff_t(i));
    born_.erase(born_.begin() + std::ptrdiff_t(i));
}

bool ResendQueue::acknowledge(const protocol::ChatAck& ack) {
    for (size_t i = 0; i < pending_.size(); ++i) {
        const protocol::ChatMessage& m = pending_[i];
        if (m.senderId == ack.senderId && m.recipientId == ack.recipientId && m.sendTick == ack.sendTick) {
            drop(i);
            return true;
        }
    }
    return false;
}

void ResendQueue::clear() {
    pending_.clear();
    born_.clear();
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
        const uint32_t age = now - born_[i];
        if (age <= uint32_t(kIntervalMs)) continue;
        const auto status = transport_.directory().contactStatus(m.recipientId);
        if (!status) continue;
        const bool mobile = *status == protocol::kMobile;
        TMySocket* channel = transport_.chatChannel(m.recipientId);
        if (!mobile && !channel) channel = &transport_.ensureChatChannel(m.recipientId);
        if (age > kHandOverAfterMs || mobile) {
            m.serverDelivery = true;
            server.sendToServer(chatFrame(m));
            drop(i);
            continue;
        }
        if (age > kRelayAfterMs) channel->SetViaServer(true);
        channel->SendData(chatFrame(m));
    }
}

} // namespace vantor::peer
