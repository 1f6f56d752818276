#include "peer/socks5_udp.h"

#include "protocol/text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>

namespace vantor::peer {

std::string udpErrorText(const char* utf8Format, int code) {
    std::string text = utf8Format;
    const auto at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
    return protocol::toGbk(text);
}

Socks5UdpAssociation::Socks5UdpAssociation(std::string username, std::string password, uint32_t bindAddress,
                                           uint16_t bindPort)
    : user_(std::move(username)), password_(std::move(password)), bindAddress_(bindAddress),
      bindPort_(bindPort) {}

namespace {

bool blank(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

void putU32(std::string& b, uint32_t v) {
    b.push_back(char(v >> 24));
    b.push_back(char(v >> 16));
    b.push_back(char(v >> 8));
    b.push_back(char(v));
}

void putU16(std::string& b, uint16_t v) {
    b.push_back(char(v >> 8));
    b.push_back(char(v));
}

} // namespace

std::string Socks5UdpAssociation::begin() {
    state_ = State::Method;
    if (blank(user_)) return std::string("\x05\x01\x00", 3);
    return std::string("\x05\x02\x00\x02", 4);
}

Socks5UdpAssociation::Step Socks5UdpAssociation::fail(const char* format) {
    state_ = State::Failed;
    return {Step::Failed, {}, format, udpErrorText(format, 0)};
}

std::string Socks5UdpAssociation::associate() const {
    std::string b("\x05\x03\x00\x01", 4);
    putU32(b, bindAddress_);
    putU16(b, bindPort_);
    return b;
}

Socks5UdpAssociation::Step Socks5UdpAssociation::feed(std::string& in) {
    switch (state_) {
    case State::Method: {
        if (in.size() < 2) return {};
        const auto method = uint8_t(in[1]);
        in.erase(0, 2);
        if (blank(user_)) {
            if (method != 0) return fail(kProxyAuthFailed);
            state_ = State::Reply;
            return {Step::Continue, associate(), nullptr, {}};
        }
        // With a user name the proxy must choose user name/password; "no authentication" fails.
        if (method != 2) return fail(kProxyAuthFailed);
        // The request of the method fits 256 bytes: version, two lengths, both texts.
        if (user_.size() + password_.size() > 253) return fail(kProxyAuthFailed);
        std::string b;
        b.push_back(char(1));
        b.push_back(char(user_.size()));
        b += user_;
        b.push_back(char(password_.size()));
        b += password_;
        state_ = State::Auth;
        return {Step::Continue, b, nullptr, {}};
    }
    case State::Auth: {
        if (in.size() < 2) return {};
        const auto status = uint8_t(in[1]);
        in.erase(0, 2);
        if (status != 0) return fail(kProxyAuthFailed);
        state_ = State::Reply;
        return {Step::Continue, associate(), nullptr, {}};
    }
    case State::Reply: {
        if (in.size() < 4) return {};
        if (uint8_t(in[0]) != 5 || uint8_t(in[1]) != 0) return fail(kProxyNoUdp);
        // Only an IPv4 relay can serve our IPv4 socket.
        if (uint8_t(in[3]) != 1) return fail(kProxyNoUdp);
        if (in.size() < 10) return {};
        const auto* p = reinterpret_cast<const uint8_t*>(in.data());
        relayAddress_ = uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7];
        relayPort_ = uint16_t(p[8] << 8 | p[9]);
        in.erase(0, 10);
        if (relayPort_ == 0) return fail(kProxyNoUdp);
        state_ = State::Finished;
        return {Step::Done, {}, nullptr, {}};
    }
    case State::Finished:
        return {Step::Done, {}, nullptr, {}};
    case State::Failed:
        return fail(kProxyNoUdp);
    }
    return fail(kProxyNoUdp);
}

std::string relayHeader(uint32_t address, uint16_t port) {
    std::string b("\x00\x00\x00\x01", 4);
    putU32(b, address);
    putU16(b, port);
    return b;
}

bool parseRelayed(std::string_view d, protocol::Endpoint& from, std::string_view& payload) {
    if (d.size() < kRelayHeaderSize || d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != 1) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(d.data());
    from.address = ipv4Text(uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7]);
    from.port = uint16_t(p[8] << 8 | p[9]);
    payload = d.substr(kRelayHeaderSize);
    return true;
}

bool parseIpv4(const std::string& text, uint32_t& address) {
    in_addr a{};
    if (text.empty() || inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    address = ntohl(a.s_addr);
    return true;
}

std::string ipv4Text(uint32_t address) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255, (address >> 8) & 255,
                  address & 255);
    return buf;
}

} // namespace vantor::peer
