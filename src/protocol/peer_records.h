// The records of the peer channel's set-up: the public-address echo, the address exchange
// through the server, and the hole-punching datagrams. An address is text[15] (dotted IPv4),
// a port a 32-bit integer.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string>

namespace vantor::protocol {

struct Endpoint {
    std::string address; // dotted IPv4, text[15]
    uint32_t port = 0;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.text(15, r.address);
        io.u32(r.port);
    }
    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// CmdUdpEcho: the probe carries the LAN endpoint; the server fills in where it came from.
struct UdpEcho {
    static constexpr size_t kSize = 44;
    uint32_t userId = 0;
    Endpoint local;
    Endpoint observed; // empty in the probe

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        Endpoint::layout(io, r.local);
        Endpoint::layout(io, r.observed);
    }
};

// CmdPeerAddress: the sender's LAN and public endpoints, always through the server.
struct PeerAddress {
    static constexpr size_t kSize = 48;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    Endpoint local;
    Endpoint publicEndpoint;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        Endpoint::layout(io, r.local);
        Endpoint::layout(io, r.publicEndpoint);
    }
};

// CmdPunchRequest.
struct PunchRequest {
    static constexpr size_t kSize = 88;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    Endpoint receiverPublic; // as the sender knows it
    Endpoint senderLocal;
    Endpoint senderPublic;
    Endpoint sentTo; // where this copy was sent

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        Endpoint::layout(io, r.receiverPublic);
        Endpoint::layout(io, r.senderLocal);
        Endpoint::layout(io, r.senderPublic);
        Endpoint::layout(io, r.sentTo);
    }
};

// CmdPunchReply (target = where this copy was sent) and CmdPunchProbe (target = the receiver's
// public endpoint).
struct PunchShort {
    static constexpr size_t kSize = 28;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    Endpoint target;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        Endpoint::layout(io, r.target);
    }
};

// CmdPunchConfirm.
struct PunchConfirm {
    static constexpr size_t kSize = 68;
    uint32_t receiverId = 0;
    uint32_t senderId = 0;
    Endpoint receiverPublic; // as the sender knows it
    Endpoint useAddress;     // the sender's endpoint the receiver shall use
    Endpoint observed;       // the receiver as the sender saw it

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.receiverId);
        io.u32(r.senderId);
        Endpoint::layout(io, r.receiverPublic);
        Endpoint::layout(io, r.useAddress);
        Endpoint::layout(io, r.observed);
    }
};

} // namespace vantor::protocol
