// Test doubles for the peer transport: a server link, a directory and a record sink that record
// what they are asked, and a network of fake datagram sockets that logs every datagram with the
// manual clock's time and lets a test deliver datagrams to a channel.
#pragma once

#include "peer/interfaces.h"
#include "peer/transport.h"
#include "platform/clock.h"
#include "protocol/codes.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vantor::peer::testing {

inline constexpr const char* kServerIp = "198.51.100.1";
inline constexpr uint16_t kServerPort = 8000;
inline constexpr uint32_t kOwnId = 7;
inline constexpr uint32_t kPeer = 42;

struct FakeServerLink : IServerLink {
    bool up = true;
    uint32_t own = kOwnId;
    std::vector<std::string> sent; // messages (code and body)
    bool connected() const override { return up; }
    void sendToServer(std::string_view m) override {
        if (up) sent.emplace_back(m);
    }
    std::string serverAddress() const override { return kServerIp; }
    uint16_t serverPort() const override { return kServerPort; }
    uint32_t ownId() const override { return own; }
};

struct FakeDirectory : IPeerDirectory {
    std::map<uint32_t, uint8_t> status;
    std::vector<uint32_t> queried;
    std::optional<uint8_t> contactStatus(uint32_t id) const override {
        const auto it = status.find(id);
        if (it == status.end()) return std::nullopt;
        return it->second;
    }
    void requestUserRecord(uint32_t id) override { queried.push_back(id); }
};

struct FakeSink : IPeerRecordSink {
    std::vector<protocol::Message> records;
    std::function<void(TMySocket&)> then; // runs after recording (may free the channel)
    void peerRecord(const protocol::Message& m, TMySocket& channel) override {
        records.push_back(m);
        if (then) then(channel);
    }
};

struct SentDatagram {
    int64_t at = 0;
    int socket = 0; // which socket sent it, in order of opening
    std::string bytes;
    Endpoint to;
    uint8_t code() const { return bytes.empty() ? 0 : uint8_t(bytes[0]); }
};

class FakeNetwork : public DatagramSocketFactory {
  public:
    explicit FakeNetwork(platform::Clock& clock) : clock_(clock) {}

    class Socket : public DatagramSocket {
      public:
        Socket(FakeNetwork& net, int index, uint16_t port) : net_(net), index_(index), port_(port) {}
        bool send(std::string_view data, const Endpoint& to) override {
            if (net_.failTo.count(to.address)) return false;
            net_.log.push_back({net_.clock_.nowMs(), index_, std::string(data), to});
            return true;
        }
        uint16_t localPort() const override { return port_; }
        bool ready() const override { return isReady; }
        bool isReady = true;

      private:
        FakeNetwork& net_;
        int index_;
        uint16_t port_;
    };

    std::unique_ptr<DatagramSocket> open(const UdpProxy&) override {
        if (refuseOpen) return nullptr;
        auto s = std::make_unique<Socket>(*this, int(sockets.size()), uint16_t(40000 + sockets.size()));
        s->isReady = openReady;
        sockets.push_back(s.get());
        return s;
    }
    std::string localAddressTowards(const std::string&, uint16_t) override { return localAddress; }

    platform::Clock& clock_;
    std::vector<Socket*> sockets; // not owned
    std::vector<SentDatagram> log;
    std::set<std::string> failTo; // sends to these addresses fail
    std::string localAddress = "10.1.0.2";
    bool refuseOpen = false;
    bool openReady = true;
};

// A transport with every fake around it.
struct Rig {
    platform::ManualClock clock;
    FakeServerLink server;
    FakeDirectory directory;
    FakeSink sink;
    FakeNetwork net{clock};
    PeerTransport transport{server, directory, sink, clock, net};
};

// What the handshake leaves behind: the channel confirmed direct towards `peer`.
inline void confirmDirect(TMySocket& c, const Endpoint& peer) {
    c.SetViaServer(false);
    c.PeerIP = peer.address;
    c.PeerPort = peer.port;
}

template <class R>
std::string datagram(protocol::Cmd code, const R& r) {
    return std::string(1, char(code)) + wire::encode(r);
}

} // namespace vantor::peer::testing
