// What the peer transport needs from the rest of the client, as small interfaces the session
// implements: the server connection, the directory, and the handlers of the records that arrive
// on a channel. Also the datagram socket the channels send and receive with.
#pragma once

#include "protocol/frame.h"
#include "protocol/peer_records.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::peer {

using protocol::Endpoint;

class TMySocket;

// The server connection as the channels see it.
class IServerLink {
  public:
    virtual ~IServerLink() = default;
    virtual bool connected() const = 0;
    // Writes the message (code byte and body) behind the 20-byte frame header in one write; does
    // nothing when the connection is closed.
    virtual void sendToServer(std::string_view message) = 0;
    // The server's resolved dotted IPv4 address and its port; the UDP port has the TCP port's number.
    virtual std::string serverAddress() const = 0;
    virtual uint16_t serverPort() const = 0;
    // The signed-in user's id.
    virtual uint32_t ownId() const = 0;
};

// The colleagues as the transport needs to know them.
class IPeerDirectory {
  public:
    virtual ~IPeerDirectory() = default;
    // The status (0…10) of the colleague's user record; nullopt when there is no such record.
    virtual std::optional<uint8_t> contactStatus(uint32_t userId) const = 0;
    // Asks the server for a colleague's user record (CmdUserQuery).
    virtual void requestUserRecord(uint32_t userId) = 0;
};

// Where the records that arrive on a channel go: the same handlers that serve them when they come
// through the server (chat messages, typing, shake, file blocks, media and screen frames). The
// body has passed the code table's length check. The handler may free the channel.
class IPeerRecordSink {
  public:
    virtual ~IPeerRecordSink() = default;
    virtual void peerRecord(const protocol::Message& m, TMySocket& channel) = 0;
};

// SOCKS 5 proxy for the channels' UDP traffic (the settings' proxy category 3).
struct UdpProxy {
    bool enabled = false;
    std::string address; // dotted IPv4
    uint16_t port = 0;
    std::string username; // empty: no authentication
    std::string password;
};

// One UDP endpoint of a channel. Datagrams are handed over one at a time, in order of arrival.
class DatagramSocket {
  public:
    virtual ~DatagramSocket() = default;
    // Sends one datagram. False when it was not handed to the network (not ready, would block, no
    // address); throws TUDPException-like errors for other failures.
    virtual bool send(std::string_view data, const Endpoint& to) = 0;
    virtual uint16_t localPort() const = 0;
    // True once datagrams can flow: at once for a direct socket, after the proxy's association.
    virtual bool ready() const = 0;

    std::function<void(std::string_view datagram, const Endpoint& from)> onDatagram;
    // The socket became ready (proxy association made).
    std::function<void()> onReady;
    // The socket can no longer carry datagrams (proxy refused or association lost).
    std::function<void(const std::string& gbkMessage)> onFailed;
};

class DatagramSocketFactory {
  public:
    virtual ~DatagramSocketFactory() = default;
    // A socket bound to a system-chosen port, or nullptr when none could be opened.
    virtual std::unique_ptr<DatagramSocket> open(const UdpProxy& proxy) = 0;
    // The address of the local interface that routes to `serverAddress` (empty when unknown).
    virtual std::string localAddressTowards(const std::string& serverAddress, uint16_t port) = 0;
};

} // namespace vantor::peer
