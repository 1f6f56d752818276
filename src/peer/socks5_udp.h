// The SOCKS 5 exchange that opens a UDP association (greeting, user name/password, UDP ASSOCIATE)
// as a byte-in/byte-out state machine, and the 10-byte header in front of every datagram that goes
// through the proxy. Plain C++; error texts are the system's own, in GBK.
#pragma once

#include "protocol/peer_records.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::peer {

// Error texts (GBK), with "%d" for the system error code.
std::string udpErrorText(const char* utf8Format, int code);
inline constexpr const char* kProxyConnectFailed = "无法连接到代理服务器，错误码是%d";
inline constexpr const char* kProxyAuthFailed = "代理服务器身份验证失败!错误码是%d";
inline constexpr const char* kProxyNoUdp = "代理服务器不支持UDP!错误码是%d";

class Socks5UdpAssociation {
  public:
    struct Step {
        enum Kind { Continue, Done, Failed } kind = Continue;
        std::string send;                  // bytes to write now
        const char* errorFormat = nullptr; // for Failed: the text, "%d" for the error code
        std::string error;                 // the same in GBK, with 0 for the code
    };

    // `bindAddress` (host order) and `bindPort`: the local UDP socket the proxy shall expect.
    Socks5UdpAssociation(std::string username, std::string password, uint32_t bindAddress, uint16_t bindPort);

    // The greeting: 5, 1, 0 without a user name; 5, 2, 0, 2 with one.
    std::string begin();
    // Takes the handshake's bytes from the front of `in`.
    Step feed(std::string& in);

    // The proxy's relay endpoint (host order); valid after Done.
    uint32_t relayAddress() const { return relayAddress_; }
    uint16_t relayPort() const { return relayPort_; }

  private:
    enum class State { Method, Auth, Reply, Finished, Failed };
    Step fail(const char* format);
    std::string associate() const;
    std::string user_, password_;
    uint32_t bindAddress_;
    uint16_t bindPort_;
    State state_ = State::Method;
    uint32_t relayAddress_ = 0;
    uint16_t relayPort_ = 0;
};

// The relay header: 0, 0 (reserved), 0 (fragment), 1 (IPv4), address, port (network order).
inline constexpr size_t kRelayHeaderSize = 10;
std::string relayHeader(uint32_t address, uint16_t port);
// A datagram from the proxy: false unless it starts with 0, 0, 0, 1 and holds the whole header;
// else the original sender and the payload behind the header.
bool parseRelayed(std::string_view datagram, protocol::Endpoint& from, std::string_view& payload);

// Dotted IPv4 text and host-order addresses.
bool parseIpv4(const std::string& text, uint32_t& address);
std::string ipv4Text(uint32_t address);

} // namespace vantor::peer
