// TMySocket: the client's channel to one colleague. It learns its own public address from the
// server's UDP echo, exchanges addresses with the colleague through the server, punches a path
// through both sides' address translation and, once a path is confirmed, sends the colleague's
// records as datagrams; until then (and whenever asked) the same record goes framed to the server,
// which forwards it. Every datagram arriving on its socket is checked and dispatched here.
#pragma once

#include "peer/interfaces.h"
#include "peer/send_script.h"
#include "platform/clock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vantor::peer {

class PeerTransport;

class TMySocket {
  public:
    // Pause between the copies of a handshake datagram, and the longest wait in Punch for the own
    // public address.
    static constexpr int kCopyPauseMs = 50;
    static constexpr int kPunchWaitMs = 3000;
    // The keep-alive datagram: one byte, no body.
    static constexpr char kKeepAliveByte = char(0x80);

    // Made by PeerTransport::createChannel. Never fails: a socket that cannot open leaves a
    // channel that relays through the server.
    TMySocket(PeerTransport& transport, int32_t peerId, bool initiator, IPeerRecordSink* sink);
    ~TMySocket();
    TMySocket(const TMySocket&) = delete;
    TMySocket& operator=(const TMySocket&) = delete;

    int32_t PeerId() const { return peerId_; }
    bool Initiator() const { return initiator_; }
    // True until a direct path is confirmed; while true every send goes through the server.
    bool ViaServer() const { return viaServer_; }
    void SetViaServer(bool on) { viaServer_ = on; }
    // The socket is open (direct channels only once it is).
    bool hasSocket() const { return socket_ != nullptr; }

    // The records of the colleague's channel go here instead of the transport's sink (file
    // transfers and media sessions own channels of their own).
    void setSink(IPeerRecordSink* sink) { sink_ = sink; }

    // Sends one message (code byte and body): framed to the server when ViaServer or `forceRelay`,
    // else as a datagram to PeerIP:PeerPort. False when it was not handed over; never throws.
    bool SendData(std::string_view message, bool forceRelay = false);
    // Starts hole punching towards the stored peer addresses (only while ViaServer). Waits for the
    // own public address first, at most kPunchWaitMs.
    void Punch();
    // The keep-alive byte to the confirmed address (direct channels only).
    void KeepAlive();

    // The receive dispatcher: one datagram and its sender.
    void OnDataRead(std::string_view datagram, const Endpoint& from);

    // Addresses: the colleague's LAN and public endpoints, our own, and the confirmed direct one.
    std::string PeerLocalIP, PeerPublicIP, LocalIP, PublicIP, PeerIP;
    uint32_t PeerLocalPort = 0, PeerPublicPort = 0, LocalPort = 0, PublicPort = 0, PeerPort = 0;

    // Called by the transport when it goes away first: the channel stops sending.
    void detach();
    // Datagrams queued for later handshake copies (tests).
    bool handshakeIdle() const { return script_->idle() && !punchWaiting_; }

  private:
    void openSocket();
    void probe();
    void onSocketReady();
    void onSocketFailed();
    void startPunch();
    bool sendDatagram(std::string_view data, const Endpoint& to);
    Endpoint serverUdp() const;
    bool fromServer(const Endpoint& from) const;
    uint32_t ownId() const;

    void onEcho(std::string_view body, const Endpoint& from);
    void onPunchRequest(std::string_view body, const Endpoint& from);
    void onPunchProbe(std::string_view body);
    void onPunchReply(std::string_view body, const Endpoint& from);
    void onPunchConfirm(std::string_view body, const Endpoint& from);
    // Confirms a punching datagram that reached us from `from`: to the peer there, then to the server.
    void sendConfirm(const Endpoint& useAddress, const Endpoint& from);
    bool recordMatches(const protocol::Message& m) const;
    // `from` is one of the colleague's endpoints: the confirmed one, its public or its LAN one.
    bool fromPeer(const Endpoint& from) const;

    PeerTransport* transport_;
    int32_t peerId_;
    bool initiator_;
    bool viaServer_ = true;
    IPeerRecordSink* sink_;
    std::unique_ptr<DatagramSocket> socket_;
    std::unique_ptr<SendScript> script_;
    std::unique_ptr<platform::Timer> punchWait_;
    bool punchWaiting_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace vantor::peer
