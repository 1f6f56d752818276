// The peer transport of one signed-in session: every channel (ChannelList), the chat channel of
// each colleague, the resend queue of chat messages (MsgTimer) and the keep-alive of direct paths
// (KeepP2PSessionTimer). The session implements the interfaces it talks through and hands it the
// server's CmdPeerAddress and CmdChatAck. Everything runs on the thread that owns it.
#pragma once

#include "peer/channel.h"
#include "peer/interfaces.h"
#include "peer/resend_queue.h"
#include "platform/clock.h"
#include "protocol/chat.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::peer {

class PeerTransport {
  public:
    static constexpr int kKeepAliveMs = 60000;

    PeerTransport(IServerLink& server, IPeerDirectory& directory, IPeerRecordSink& sink,
                  platform::Clock& clock, DatagramSocketFactory& sockets);
    ~PeerTransport();
    PeerTransport(const PeerTransport&) = delete;
    PeerTransport& operator=(const PeerTransport&) = delete;

    // The settings' SOCKS 5 proxy for new channels (proxy category 3).
    void setProxy(const UdpProxy& proxy) { proxy_ = proxy; }
    const UdpProxy& proxy() const { return proxy_; }

    // At CmdLoginComplete: starts KeepP2PSessionTimer.
    void start();
    // At sign-out: frees the chat channels, stops both timers and lets go of PendingMessages; the
    // account's journal keeps them for the next sign-in.
    void stop();
    // After the sign-in: the account's journal of unacknowledged messages in `folder`. What it
    // holds goes back into PendingMessages with the ages the wall clock gives, and the tick count
    // moves past the floor the journal kept, so that no send tick of an earlier run recurs.
    std::optional<std::string> openJournal(const std::string& folder);
    PendingJournal* journal() const { return journal_.get(); }
    // The tick floor is kept this far ahead of the last send tick, so it is written rarely.
    static constexpr uint32_t kTickFloorReserveMs = 10 * 60 * 1000;
    // Wall-clock milliseconds since 1970 (ages of messages across restarts).
    std::function<int64_t()> wallClockMs;

    // A channel of its own for a transfer or a media session (records go to `sink`, or to the
    // transport's sink when null).
    std::unique_ptr<TMySocket> createChannel(int32_t peerId, bool initiator, IPeerRecordSink* sink = nullptr);
    // The colleague's chat channel, or null.
    TMySocket* chatChannel(uint32_t userId) const;
    // The colleague's chat channel, created with Initiator when missing.
    TMySocket& ensureChatChannel(uint32_t userId);
    // Frees the colleague's chat channel (colleague offline or on a phone).
    void freeChatChannel(uint32_t userId);

    // CmdPeerAddress from the server: the colleague's addresses; punch towards them.
    void onPeerAddress(std::string_view body);
    // CmdChatAck, from the server or from a channel.
    void onChatAck(std::string_view body);
    // A one-to-one chat message just sent: keep a copy until it is acknowledged. Returns once the
    // copy is in the journal (an error text when it could not be written).
    std::optional<std::string> queueChat(const protocol::ChatMessage& m);
    // The tick count that send ticks are taken from (so that the resend queue measures ages).
    uint32_t tickCount() const { return uint32_t(clock_.nowMs()) + tickBase_; }

    // One KeepP2PSessionTimer tick (public for tests).
    void keepAliveTick();

    ResendQueue& pending() { return pending_; }
    const std::vector<TMySocket*>& channels() const { return channelList_; }

    IServerLink& server() { return server_; }
    IPeerDirectory& directory() { return directory_; }
    IPeerRecordSink& sink() { return sink_; }
    platform::Clock& clock() { return clock_; }
    DatagramSocketFactory& sockets() { return sockets_; }

  private:
    friend class TMySocket;
    void registerChannel(TMySocket* c);
    void retireJournal();
    void unregisterChannel(TMySocket* c);

    IServerLink& server_;
    IPeerDirectory& directory_;
    IPeerRecordSink& sink_;
    platform::Clock& clock_;
    DatagramSocketFactory& sockets_;
    UdpProxy proxy_;
    std::vector<TMySocket*> channelList_; // ChannelList
    std::map<uint32_t, std::unique_ptr<TMySocket>> chatChannels_;
    ResendQueue pending_;
    std::unique_ptr<platform::Timer> keepAlive_;
    std::unique_ptr<PendingJournal> journal_;
    uint32_t tickBase_ = 0;
    std::optional<uint32_t> tickFloor_; // as the journal holds it
};

} // namespace vantor::peer
