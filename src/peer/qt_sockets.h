// The channels' sockets on the event loop: DatagramSocket over ThxUDPSocket, and the factory
// that opens them and finds the local address that routes to the server.
#pragma once

#include "peer/interfaces.h"
#include "peer/udp_socket.h"
#include "platform/clock.h"

#include <array>
#include <memory>

namespace vantor::peer {

class UdpDatagramSocket : public DatagramSocket {
  public:
    // The buffers of a channel's socket. The system charges every queued datagram its bookkeeping
    // as well, so the socket's 8192-byte default would hold only a dozen chat datagrams and drop
    // the rest of a burst (file blocks, media pieces, a window of acknowledgements).
    static constexpr int kChannelBufferSize = 256 * 1024;

    // Opens the socket (bound to a system-chosen port); throws TUDPException when it cannot.
    UdpDatagramSocket(platform::Clock& clock, const UdpProxy& proxy);
    bool send(std::string_view data, const Endpoint& to) override;
    uint16_t localPort() const override { return uint16_t(socket_.Port); }
    bool ready() const override { return socket_.Ready(); }
    ThxUDPSocket& socket() { return socket_; }

  private:
    ThxUDPSocket socket_;
    std::array<char, ThxUDPSocket::kMaxDatagram> buffer_{};
};

class UdpSocketFactory : public DatagramSocketFactory {
  public:
    explicit UdpSocketFactory(platform::Clock& clock) : clock_(clock) {}
    std::unique_ptr<DatagramSocket> open(const UdpProxy& proxy) override;
    std::string localAddressTowards(const std::string& serverAddress, uint16_t port) override;

  private:
    platform::Clock& clock_;
};

// The address of the interface whose route leads to `address` (no datagram is sent); else the
// first IPv4 address of an interface that is up and not the loopback; else empty.
std::string routeAddressTowards(const std::string& address, uint16_t port);

} // namespace vantor::peer
