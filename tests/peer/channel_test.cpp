// The channel's handshake: what each datagram is answered with, to whom, in which order and with
// which pauses (on the manual clock), and which datagrams are dropped.
#include "fakes.h"

#include "protocol/chat.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vantor;
using namespace vantor::peer;
using namespace vantor::peer::testing;
using protocol::Cmd;

namespace {

const Endpoint kServer{kServerIp, kServerPort};
const Endpoint kPeerLocal{"10.2.0.2", 40100};
const Endpoint kPeerPublic{"198.51.100.3", 40100};
const Endpoint kOwnPublic{"198.51.100.2", 40000};
const Endpoint kPeerSeen{"198.51.100.3", 40222}; // another port on the peer's router
const Endpoint kStranger{"198.51.100.9", 40100}; // a third host that knows the ids

struct Expect {
    int64_t at; // ms after the datagram arrived
    Cmd code;
    Endpoint to;
};

// A chat channel to kPeer that knows both sides' addresses, its probe already answered and its
// punching copies sent.
struct ChannelRig : Rig {
    TMySocket* channel = nullptr;
    ChannelRig() {
        directory.status[kPeer] = 0;
        channel = &transport.ensureChatChannel(kPeer);
        protocol::UdpEcho echo{kOwnId, {"10.1.0.2", channel->LocalPort}, kOwnPublic};
        channel->OnDataRead(datagram(Cmd::UdpEcho, echo), kServer);
        channel->PeerLocalIP = kPeerLocal.address;
        channel->PeerLocalPort = kPeerLocal.port;
        channel->PeerPublicIP = kPeerPublic.address;
        channel->PeerPublicPort = kPeerPublic.port;
        channel->Punch();
        clock.advance(1000);
        net.log.clear();
        server.sent.clear();
    }
    // Runs the clock far enough for every pause and returns what was sent since `from`.
    std::vector<SentDatagram> settle() {
        clock.advance(5000);
        return net.log;
    }
};

void expectSends(const std::vector<SentDatagram>& got, const std::vector<Expect>& want, int64_t t0) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].at - t0, want[i].at);
        EXPECT_EQ(got[i].code(), uint8_t(want[i].code));
        EXPECT_EQ(got[i].to, want[i].to);
    }
}

template <class R>
R body(const SentDatagram& d) {
    R r;
    EXPECT_TRUE(wire::decode(std::string_view(d.bytes).substr(1), r));
    return r;
}

protocol::PunchConfirm confirmFromPeer(Endpoint use, Endpoint observed) {
    return {kOwnId, kPeer, kOwnPublic, std::move(use), std::move(observed)};
}

TEST(PeerHandshake, EachDatagramGetsItsAnswersInOrderWithPauses) {
    const protocol::PunchRequest request{
        kOwnId, kPeer, kOwnPublic, {"10.2.0.9", 5000}, {"198.51.100.3", 6000}, {"10.1.0.2", 40000}};
    struct Case {
        const char* name;
        bool directBefore;
        std::string datagram;
        Endpoint from;
        std::vector<Expect> sends;
        bool viaServerAfter;
        std::function<void(ChannelRig&, const std::vector<SentDatagram>&)> check;
    };
    const std::vector<Case> cases = {
        {"request relayed by the server",
         false,
         datagram(Cmd::PunchRequest, request),
         kServer,
         {{0, Cmd::PunchReply, {"10.2.0.9", 5000}},
          {50, Cmd::PunchReply, {"198.51.100.3", 6000}},
          {100, Cmd::PunchProbe, kServer},
          {150, Cmd::PunchProbe, kServer}},
         true,
         [](ChannelRig& r, const std::vector<SentDatagram>& s) {
             EXPECT_EQ(r.channel->PeerLocalIP, "10.2.0.9");
             EXPECT_EQ(r.channel->PeerPublicPort, 6000u);
             EXPECT_EQ(body<protocol::PunchShort>(s[0]).target, (Endpoint{"10.2.0.9", 5000}));
             EXPECT_EQ(body<protocol::PunchShort>(s[1]).target, (Endpoint{"198.51.100.3", 6000}));
             const auto probe = body<protocol::PunchShort>(s[2]);
             EXPECT_EQ(probe.receiverId, kPeer);
             EXPECT_EQ(probe.senderId, kOwnId);
             EXPECT_EQ(probe.target, (Endpoint{"198.51.100.3", 6000}));
         }},
        {"request from the server's port on another host keeps the stored addresses",
         false,
         datagram(Cmd::PunchRequest, request),
         Endpoint{"198.51.100.9", kServerPort},
         {{0, Cmd::PunchConfirm, {"198.51.100.9", kServerPort}}, {50, Cmd::PunchConfirm, kServer}},
         true,
         [](ChannelRig& r, const std::vector<SentDatagram>&) {
             EXPECT_EQ(r.channel->PeerLocalIP, kPeerLocal.address);
             EXPECT_EQ(r.channel->PeerPublicPort, kPeerPublic.port);
         }},
        {"request straight from the peer",
         false,
         datagram(Cmd::PunchRequest, request),
         kPeerSeen,
         {{0, Cmd::PunchConfirm, kPeerSeen}, {50, Cmd::PunchConfirm, kServer}},
         true,
         [](ChannelRig&, const std::vector<SentDatagram>& s) {
             const auto c = body<protocol::PunchConfirm>(s[0]);
             EXPECT_EQ(c.receiverId, kPeer);
             EXPECT_EQ(c.receiverPublic, kPeerPublic);
             EXPECT_EQ(c.useAddress, (Endpoint{"10.1.0.2", 40000})); // where the request reached us
             EXPECT_EQ(c.observed, kPeerSeen);
             EXPECT_EQ(s[1].bytes, s[0].bytes);
         }},
        {"probe",
         false,
         datagram(Cmd::PunchProbe, protocol::PunchShort{kOwnId, kPeer, kOwnPublic}),
         kServer,
         {{0, Cmd::PunchReply, kPeerLocal}, {50, Cmd::PunchReply, kPeerPublic}},
         true,
         nullptr},
        {"reply",
         false,
         datagram(Cmd::PunchReply, protocol::PunchShort{kOwnId, kPeer, kOwnPublic}),
         kPeerSeen,
         {{0, Cmd::PunchConfirm, kPeerSeen}, {50, Cmd::PunchConfirm, kServer}},
         true,
         [](ChannelRig&, const std::vector<SentDatagram>& s) {
             const auto c = body<protocol::PunchConfirm>(s[0]);
             EXPECT_EQ(c.useAddress, kOwnPublic);
             EXPECT_EQ(c.observed, kPeerSeen);
         }},
        {"confirm straight from the peer",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerPublic, {"198.51.100.2", 40000})),
         kPeerPublic,
         {{0, Cmd::PunchConfirm, kPeerPublic}, {50, Cmd::PunchConfirm, kServer}},
         false,
         [](ChannelRig& r, const std::vector<SentDatagram>& s) {
             EXPECT_EQ(r.channel->PeerIP, kPeerPublic.address);
             EXPECT_EQ(r.channel->PeerPort, kPeerPublic.port);
             const auto c = body<protocol::PunchConfirm>(s[0]);
             EXPECT_EQ(c.useAddress, (Endpoint{"198.51.100.2", 40000}));
             EXPECT_EQ(c.observed, kPeerPublic);
         }},
        {"confirm from the peer's LAN address naming its public one",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerPublic, kOwnPublic)),
         kPeerLocal,
         {{0, Cmd::PunchConfirm, kPeerLocal}, {50, Cmd::PunchConfirm, kServer}},
         false,
         nullptr},
        {"confirm relayed by the server switches but is not answered",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerLocal, kOwnPublic)),
         kServer,
         {},
         false,
         [](ChannelRig& r, const std::vector<SentDatagram>&) {
             EXPECT_EQ(r.channel->PeerIP, kPeerLocal.address);
         }},
        {"confirm from an endpoint never punched",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kStranger, kOwnPublic)),
         kStranger,
         {},
         true,
         nullptr},
        {"confirm from a stranger naming the peer's address",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerPublic, kOwnPublic)),
         kStranger,
         {},
         true,
         nullptr},
        {"confirm from the peer naming a stranger's address",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kStranger, kOwnPublic)),
         kPeerPublic,
         {},
         true,
         nullptr},
        {"confirm from another port on the peer's router",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerSeen, kOwnPublic)),
         kPeerSeen,
         {},
         true,
         nullptr},
        {"confirm \"relayed\" from the server's port on another host",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kStranger, kOwnPublic)),
         Endpoint{"198.51.100.9", 8000},
         {},
         true,
         nullptr},
        {"confirm \"relayed\" from the server's host on another port",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kStranger, kOwnPublic)),
         Endpoint{kServerIp, 9000},
         {},
         true,
         nullptr},
        {"confirm relayed by the server naming a stranger's address",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kStranger, kOwnPublic)),
         kServer,
         {},
         true,
         nullptr},
        {"confirm on a direct channel changes nothing",
         true,
         datagram(Cmd::PunchConfirm, confirmFromPeer({"203.0.113.9", 1}, kOwnPublic)),
         kPeerSeen,
         {},
         false,
         [](ChannelRig& r, const std::vector<SentDatagram>&) {
             EXPECT_EQ(r.channel->PeerIP, "198.51.100.3");
         }},
        {"confirm naming no address",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer({}, kOwnPublic)),
         kPeerPublic,
         {},
         true,
         nullptr},
        {"request from another colleague",
         false,
         datagram(Cmd::PunchRequest,
                  protocol::PunchRequest{kOwnId, kPeer + 1, {}, kPeerLocal, kPeerPublic, {}}),
         kServer,
         {},
         true,
         nullptr},
        {"reply meant for another user",
         false,
         datagram(Cmd::PunchReply, protocol::PunchShort{kOwnId + 1, kPeer, kOwnPublic}),
         kPeerSeen,
         {},
         true,
         nullptr},
        {"confirm one byte short",
         false,
         datagram(Cmd::PunchConfirm, confirmFromPeer(kPeerPublic, kOwnPublic)).substr(0, 68),
         kPeerPublic,
         {},
         true,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChannelRig r;
        if (c.directBefore) {
            r.channel->SetViaServer(false);
            r.channel->PeerIP = "198.51.100.3";
            r.channel->PeerPort = 40100;
        }
        const int64_t t0 = r.clock.nowMs();
        r.channel->OnDataRead(c.datagram, c.from);
        const auto sent = r.settle();
        expectSends(sent, c.sends, t0);
        EXPECT_EQ(r.channel->ViaServer(), c.viaServerAfter);
        EXPECT_TRUE(r.server.sent.empty());
        if (c.check && sent.size() == c.sends.size()) c.check(r, sent);
    }
}

TEST(PeerHandshake, PunchSendsThreeCopiesFiftyMillisecondsApart) {
    struct Case {
        const char* name;
        bool publicKnown;
        int64_t echoAt; // < 0: no echo arrives
        bool localFails;
        std::vector<Expect> sends; // times from the call
    };
    const std::vector<Case> cases = {
        {"public address known",
         true,
         -1,
         false,
         {{0, Cmd::PunchRequest, kPeerLocal},
          {50, Cmd::PunchRequest, kPeerPublic},
          {100, Cmd::PunchRequest, kServer}}},
        {"a failing send skips its pause",
         true,
         -1,
         true,
         {{0, Cmd::PunchRequest, kPeerPublic}, {50, Cmd::PunchRequest, kServer}}},
        {"waits for the echo",
         false,
         1200,
         false,
         {{1200, Cmd::PunchRequest, kPeerLocal},
          {1250, Cmd::PunchRequest, kPeerPublic},
          {1300, Cmd::PunchRequest, kServer}}},
        {"gives up waiting after three seconds",
         false,
         -1,
         false,
         {{3000, Cmd::PunchRequest, kPeerLocal},
          {3050, Cmd::PunchRequest, kPeerPublic},
          {3100, Cmd::PunchRequest, kServer}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChannelRig r;
        if (!c.publicKnown) {
            r.channel->PublicIP.clear();
            r.channel->PublicPort = 0;
        }
        if (c.localFails) r.net.failTo.insert(kPeerLocal.address);
        const int64_t t0 = r.clock.nowMs();
        r.channel->Punch();
        if (!c.publicKnown) r.channel->Punch(); // a second call while waiting adds nothing
        if (c.echoAt >= 0) {
            r.clock.advance(c.echoAt);
            r.channel->OnDataRead(datagram(Cmd::UdpEcho, protocol::UdpEcho{kOwnId, {}, kOwnPublic}), kServer);
        }
        const auto sent = r.settle();
        expectSends(sent, c.sends, t0);
        if (sent.empty()) continue;
        const auto q = body<protocol::PunchRequest>(sent.front());
        EXPECT_EQ(q.receiverId, kPeer);
        EXPECT_EQ(q.senderId, kOwnId);
        EXPECT_EQ(q.receiverPublic, kPeerPublic);
        EXPECT_EQ(q.senderLocal.address, "10.1.0.2");
        EXPECT_EQ(q.senderPublic, c.echoAt < 0 && !c.publicKnown ? Endpoint{} : kOwnPublic);
        EXPECT_EQ(q.sentTo, sent.front().to);
        EXPECT_EQ(body<protocol::PunchRequest>(sent.back()).sentTo, kServer);
    }
}

TEST(PeerHandshake, PunchOnADirectChannelSendsNothing) {
    ChannelRig r;
    r.channel->SetViaServer(false);
    r.channel->Punch();
    EXPECT_TRUE(r.settle().empty());
}

TEST(PeerHandshake, HandshakeAnswersQueueBehindEachOtherKeepingTheirPauses) {
    ChannelRig r;
    const int64_t t0 = r.clock.nowMs();
    r.channel->Punch();
    r.clock.advance(20);
    r.channel->OnDataRead(datagram(Cmd::PunchReply, protocol::PunchShort{kOwnId, kPeer, kOwnPublic}),
                          kPeerSeen);
    expectSends(r.settle(),
                {{0, Cmd::PunchRequest, kPeerLocal},
                 {50, Cmd::PunchRequest, kPeerPublic},
                 {100, Cmd::PunchRequest, kServer},
                 {100, Cmd::PunchConfirm, kPeerSeen},
                 {150, Cmd::PunchConfirm, kServer}},
                t0);
}

TEST(PeerEcho, PublicAddressAndAnnouncement) {
    struct Case {
        const char* name;
        bool initiator;
        std::vector<std::pair<protocol::UdpEcho, Endpoint>> echoes;
        size_t announcements;
        Endpoint publicAfter;
    };
    const protocol::UdpEcho mine{kOwnId, {}, kOwnPublic};
    const protocol::UdpEcho moved{kOwnId, {}, {"198.51.100.2", 40999}};
    const std::vector<Case> cases = {
        {"first echo announces", true, {{mine, kServer}}, 1, kOwnPublic},
        {"same port twice announces once", true, {{mine, kServer}, {mine, kServer}}, 1, kOwnPublic},
        {"a new port announces again", true, {{mine, kServer}, {moved, kServer}}, 2, moved.observed},
        {"no announcement without Initiator", false, {{mine, kServer}}, 0, kOwnPublic},
        {"another user's echo is ignored",
         true,
         {{protocol::UdpEcho{kOwnId + 1, {}, kOwnPublic}, kServer}},
         0,
         {}},
        {"an echo not from the server is ignored", true, {{mine, {"203.0.113.5", 9}}}, 0, {}},
        {"an echo from the server's port on another host",
         true,
         {{mine, {"203.0.113.5", kServerPort}}},
         0,
         {}},
        {"an echo from the server's host on another port", true, {{mine, {kServerIp, 9}}}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        auto channel = r.transport.createChannel(int32_t(kPeer), c.initiator);
        ASSERT_EQ(r.net.log.size(), 1u); // the probe
        const auto probe = body<protocol::UdpEcho>(r.net.log[0]);
        EXPECT_EQ(r.net.log[0].to, kServer);
        EXPECT_EQ(probe.userId, kOwnId);
        EXPECT_EQ(probe.local, (Endpoint{"10.1.0.2", channel->LocalPort}));
        EXPECT_EQ(probe.observed, Endpoint{});
        for (const auto& [echo, from] : c.echoes)
            channel->OnDataRead(datagram(Cmd::UdpEcho, echo), from);
        ASSERT_EQ(r.server.sent.size(), c.announcements);
        EXPECT_EQ((Endpoint{channel->PublicIP, channel->PublicPort}), c.publicAfter);
        if (c.announcements == 0) continue;
        const std::string& m = r.server.sent.back();
        ASSERT_EQ(uint8_t(m[0]), uint8_t(Cmd::PeerAddress));
        protocol::PeerAddress a;
        ASSERT_TRUE(wire::decode(std::string_view(m).substr(1), a));
        EXPECT_EQ(a.receiverId, kPeer);
        EXPECT_EQ(a.senderId, kOwnId);
        EXPECT_EQ(a.local, (Endpoint{"10.1.0.2", channel->LocalPort}));
        EXPECT_EQ(a.publicEndpoint, c.publicAfter);
    }
}

TEST(PeerEcho, NoProbeWithoutPeerOrSocket) {
    Rig r;
    auto none = r.transport.createChannel(0, true);
    EXPECT_TRUE(r.net.log.empty());
    r.net.refuseOpen = true;
    auto relayed = r.transport.createChannel(int32_t(kPeer), true);
    EXPECT_FALSE(relayed->hasSocket());
    EXPECT_TRUE(relayed->ViaServer());
    EXPECT_TRUE(relayed->SendData("\x07", false));
    EXPECT_EQ(r.server.sent.size(), 1u);
}

TEST(PeerEcho, ProbeWaitsForTheProxysAssociation) {
    Rig r;
    r.net.openReady = false;
    auto channel = r.transport.createChannel(int32_t(kPeer), true);
    EXPECT_TRUE(r.net.log.empty());
    r.net.sockets[0]->isReady = true;
    r.net.sockets[0]->onReady();
    ASSERT_EQ(r.net.log.size(), 1u);
    EXPECT_EQ(r.net.log[0].code(), uint8_t(Cmd::UdpEcho));
}

// Records are believed only from the colleague's endpoint: once direct, the confirmed one; while
// relayed, one the channel punched towards. Anyone else who names the right ids is ignored.
TEST(PeerForgery, RecordsOnlyFromTheColleaguesEndpoint) {
    protocol::ChatMessage chat;
    chat.recipientId = kOwnId;
    chat.senderId = kPeer;
    chat.sendTick = 77;
    chat.text = "hi";
    const std::string chatDatagram = std::string(1, char(Cmd::ChatMessage)) + chat.encodeBody();
    const std::string ackDatagram =
        datagram(Cmd::ChatAck, protocol::ChatAck{kOwnId, kPeer, 2, 500}); // acknowledges what we sent
    struct Case {
        const char* name;
        bool direct; // confirmed towards kPeerPublic
        Endpoint from;
        bool believed;
    };
    const Case cases[] = {
        {"direct, from the confirmed endpoint", true, kPeerPublic, true},
        {"direct, from the peer's other punched address", true, kPeerLocal, false},
        {"direct, from a stranger", true, kStranger, false},
        {"direct, from another port on the peer's router", true, kPeerSeen, false},
        {"direct, from the server's address", true, kServer, false},
        {"relayed, from the peer's public address", false, kPeerPublic, true},
        {"relayed, from the peer's LAN address", false, kPeerLocal, true},
        {"relayed, from a stranger", false, kStranger, false},
        {"relayed, from the server's port on another host", false, {"198.51.100.9", kServerPort}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChannelRig r;
        if (c.direct) confirmDirect(*r.channel, kPeerPublic);
        protocol::ChatMessage sent;
        sent.recipientId = kPeer;
        sent.senderId = kOwnId;
        sent.sendTick = 500;
        r.transport.queueChat(sent);
        r.channel->OnDataRead(chatDatagram, c.from);
        r.channel->OnDataRead(ackDatagram, c.from);
        EXPECT_EQ(r.sink.records.size(), c.believed ? 1u : 0u);
        EXPECT_EQ(r.transport.pending().size(), c.believed ? 0u : 1u);
        EXPECT_EQ(r.channel->ViaServer(), !c.direct);
    }
}

} // namespace
