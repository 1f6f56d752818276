#include "peer/transport.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vantor::peer {

PeerTransport::PeerTransport(IServerLink& server, IPeerDirectory& directory, IPeerRecordSink& sink,
                             platform::Clock& clock, DatagramSocketFactory& sockets)
    : server_(server), directory_(directory), sink_(sink), clock_(clock), sockets_(sockets), pending_(*this),
      keepAlive_(clock.createTimer()) {
    keepAlive_->setInterval(kKeepAliveMs);
    keepAlive_->onTimeout = [this] { keepAliveTick(); };
    wallClockMs = [] {
        return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count());
    };
}

PeerTransport::~PeerTransport() {
    stop();
    // Channels owned by transfers or media sessions that are still alive stop sending.
    for (TMySocket* c : std::vector<TMySocket*>(channelList_))
        c->detach();
    channelList_.clear();
}

void PeerTransport::start() {
    keepAlive_->start();
}

void PeerTransport::stop() {
    keepAlive_->stop();
    pending_.clear();
    retireJournal();
    auto channels = std::move(chatChannels_);
    chatChannels_.clear();
    channels.clear();
}

std::unique_ptr<TMySocket> PeerTransport::createChannel(int32_t peerId, bool initiator,
                                                        IPeerRecordSink* sink) {
    return std::make_unique<TMySocket>(*this, peerId, initiator, sink);
}

TMySocket* PeerTransport::chatChannel(uint32_t userId) const {
    const auto it = chatChannels_.find(userId);
    return it == chatChannels_.end() ? nullptr : it->second.get();
}

TMySocket& PeerTransport::ensureChatChannel(uint32_t userId) {
    auto& slot = chatChannels_[userId];
    if (!slot) slot = createChannel(int32_t(userId), true);
    return *slot;
}

void PeerTransport::freeChatChannel(uint32_t userId) {
    const auto it = chatChannels_.find(userId);
    if (it == chatChannels_.end()) return;
    auto channel = std::move(it->second);
    chatChannels_.erase(it);
}

void PeerTransport::registerChannel(TMySocket* c) {
    channelList_.push_back(c);
}

void PeerTransport::unregisterChannel(TMySocket* c) {
    channelList_.erase(std::remove(channelList_.begin(), channelList_.end(), c), channelList_.end());
}

void PeerTransport::onPeerAddress(std::string_view body) {
    protocol::PeerAddress a;
    if (!wire::decode(body, a) || a.senderId == 0 || a.senderId == server_.ownId()) return;
    if (!directory_.contactStatus(a.senderId)) {
        directory_.requestUserRecord(a.senderId);
        return;
    }
    TMySocket& c = ensureChatChannel(a.senderId);
    c.PeerLocalIP = a.local.address;
    c.PeerLocalPort = a.local.port;
    c.PeerPublicIP = a.publicEndpoint.address;
    c.PeerPublicPort = a.publicEndpoint.port;
    c.Punch();
}

void PeerTransport::retireJournal() {
    pending_.setJournal(nullptr);
    if (journal_) {
        // Its worker may be in the middle of a flush to disk: the caller does not wait for it.
        std::thread([j = std::move(journal_)] {}).detach();
    }
}

std::optional<std::string> PeerTransport::openJournal(const std::string& folder) {
    pending_.clear();
    retireJournal();
    journal_ = std::make_unique<PendingJournal>(folder);
    PendingJournal::Contents contents;
    const auto error = journal_->open(contents);
    // A floor this transport wrote itself needs no jump: its own ticks only ever grew.
    const bool ours = contents.tickFloor && contents.tickFloor == tickFloor_;
    tickFloor_ = contents.tickFloor;
    if (tickFloor_ && !ours && int32_t(tickCount() - *tickFloor_) <= 0)
        tickBase_ += *tickFloor_ - tickCount() + 1;
    const int64_t wall = wallClockMs();
    for (const PendingJournal::Entry& e : contents.entries) {
        const int64_t age = std::clamp<int64_t>(wall - e.queuedAtMs, 0, 24 * 3600 * 1000);
        pending_.restore(e.message, uint32_t(age));
    }
    pending_.setJournal(journal_.get());
    return error;
}

std::optional<std::string> PeerTransport::queueChat(const protocol::ChatMessage& m) {
    std::optional<std::string> error;
    if (journal_ && (!tickFloor_ || int32_t(m.sendTick - *tickFloor_) >= 0)) {
        tickFloor_ = m.sendTick + kTickFloorReserveMs;
        error = journal_->setTickFloor(*tickFloor_);
    }
    auto added = pending_.append(m, wallClockMs());
    return added ? added : error;
}

void PeerTransport::onChatAck(std::string_view body) {
    protocol::ChatAck ack;
    if (!wire::decode(body, ack)) return;
    pending_.acknowledge(ack);
}

void PeerTransport::keepAliveTick() {
    for (TMySocket* c : std::vector<TMySocket*>(channelList_))
        if (!c->ViaServer()) c->KeepAlive();
}

} // namespace vantor::peer
