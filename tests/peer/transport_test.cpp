// Delivery of the records that arrive on a channel, SendData's two paths, CmdPeerAddress, the
// keep-alive and the resend queue, all on the manual clock.
#include "fakes.h"

#include "protocol/chat.h"
#include "protocol/text.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::peer;
using namespace vantor::peer::testing;
using protocol::Cmd;

namespace {

const Endpoint kPeerSeen{"198.51.100.3", 40222};

// A record of `size` bytes naming receiver and sender at offsets 0 and 4.
std::string record(Cmd code, size_t size, uint32_t receiver, uint32_t sender) {
    std::string d(1 + size, '\0');
    d[0] = char(code);
    wire::storeU32(&d[1], receiver);
    wire::storeU32(&d[5], sender);
    return d;
}

std::string chatDatagram(uint32_t recipient, uint32_t sender, const std::string& text) {
    protocol::ChatMessage m;
    m.recipientId = recipient;
    m.senderId = sender;
    m.sendTick = 1234;
    m.text = text;
    return std::string(1, char(Cmd::ChatMessage)) + m.encodeBody();
}

TEST(PeerDispatch, RecordsReachTheSinkOnlyWhenWholeAndMeantForUs) {
    struct Case {
        const char* name;
        std::string datagram;
        bool delivered;
        size_t bodySize; // of what was delivered
        Endpoint from{kPeerSeen};
    };
    std::vector<Case> cases;
    const struct {
        Cmd code;
        size_t size;
        bool hasSender;
    } codes[] = {
        {Cmd::InputState, 39, true},    {Cmd::Shake, 42, true},       {Cmd::FileData, 1401, false},
        {Cmd::FileDataAck, 101, false}, {Cmd::AudioData, 77, true},   {Cmd::VideoData, 1428, true},
        {Cmd::VideoTiming, 20, true},   {Cmd::RemoteInput, 13, true}, {Cmd::RemoteScreen, 1442, true},
        {Cmd::RemoteTiming, 28, true},
    };
    for (const auto& c : codes) {
        const std::string good = record(c.code, c.size, kOwnId, kPeer);
        cases.push_back({"whole", good, true, c.size});
        cases.push_back({"trailing bytes are cut", good + "xyz", true, c.size});
        cases.push_back({"one byte short", good.substr(0, good.size() - 1), false, 0});
        cases.push_back({"meant for another user", record(c.code, c.size, kOwnId + 1, kPeer), false, 0});
        cases.push_back(
            {"from another colleague", record(c.code, c.size, kOwnId, kPeer + 1), !c.hasSender, c.size});
    }
    // File blocks and acknowledgements carry no sender id: only the colleague's endpoint vouches.
    const Endpoint stranger{"203.0.113.66", 40222};
    for (Cmd code : {Cmd::FileData, Cmd::FileDataAck})
        cases.push_back({"from a stranger's endpoint",
                         record(code, code == Cmd::FileData ? 1401 : 101, kOwnId, kPeer), false, 0,
                         stranger});
    const std::string chat = chatDatagram(kOwnId, kPeer, "hello");
    cases.push_back({"chat message", chat, true, 4 + 88 + 5});
    cases.push_back({"chat message with its text cut short", chat.substr(0, chat.size() - 1), false, 0});
    cases.push_back({"chat message from another colleague", chatDatagram(kOwnId, kPeer + 1, "x"), false, 0});
    std::string overCap = chatDatagram(kOwnId, kPeer, std::string(1000, 'a'));
    wire::storeU32(&overCap[1], 1001);
    cases.push_back({"chat message counting over 1000 bytes", overCap + "b", false, 0});
    cases.push_back({"keep-alive byte", std::string(1, char(0x80)), false, 0});
    cases.push_back({"empty", std::string(), false, 0});
    cases.push_back({"code meant for the server only", record(Cmd::Status, 20, kOwnId, kPeer), false, 0});
    cases.push_back({"relayed-only code", record(Cmd::FileOffer, 302, kOwnId, kPeer), false, 0});

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " +
                     std::to_string(c.datagram.empty() ? 0 : uint8_t(c.datagram[0])));
        Rig r;
        r.directory.status[kPeer] = 0;
        TMySocket& channel = r.transport.ensureChatChannel(kPeer);
        confirmDirect(channel, kPeerSeen);
        channel.OnDataRead(c.datagram, c.from);
        ASSERT_EQ(r.sink.records.size(), c.delivered ? 1u : 0u);
        if (!c.delivered) continue;
        EXPECT_EQ(r.sink.records[0].code, uint8_t(c.datagram[0]));
        EXPECT_EQ(r.sink.records[0].body.size(), c.bodySize);
    }
}

TEST(PeerDispatch, ChannelOwnedByASessionDeliversToItsOwnSinkAndMayBeFreedThere) {
    Rig r;
    FakeSink own;
    std::unique_ptr<TMySocket> channel = r.transport.createChannel(int32_t(kPeer), false, &own);
    channel->PeerPublicIP = kPeerSeen.address;
    channel->PeerPublicPort = kPeerSeen.port;
    own.then = [&](TMySocket& c) {
        EXPECT_EQ(&c, channel.get());
        channel.reset(); // the transfer ends on its last block
    };
    confirmDirect(*channel, kPeerSeen);
    const std::string d = record(Cmd::FileData, 1401, kOwnId, 0);
    r.net.sockets[0]->onDatagram(d, kPeerSeen);
    EXPECT_EQ(own.records.size(), 1u);
    EXPECT_TRUE(r.sink.records.empty());
    EXPECT_EQ(channel, nullptr);
    EXPECT_TRUE(r.transport.channels().empty());
}

TEST(PeerDispatch, AnAcknowledgementCountsOnlyFromTheReceiversEndpoints) {
    // A transfer's channel believes the receiver's LAN and public endpoints it punched towards
    // before any path is confirmed, and only the confirmed one afterwards; an acknowledgement naming
    // us from anywhere else is not the receiver's.
    Rig r;
    FakeSink own;
    std::unique_ptr<TMySocket> channel = r.transport.createChannel(int32_t(kPeer), true, &own);
    channel->PeerLocalIP = "10.2.0.2";
    channel->PeerLocalPort = 5000;
    channel->PeerPublicIP = "198.51.100.3";
    channel->PeerPublicPort = 6000;
    channel->Punch(); // towards both: the only endpoints believed until a path is confirmed
    r.clock.advance(5000);
    const std::string ack = record(Cmd::FileDataAck, 101, kOwnId, 0);
    const struct {
        Endpoint from;
        bool taken;
    } cases[] = {
        {{"10.2.0.2", 5000}, true},
        {{"198.51.100.3", 6000}, true},
        {{"198.51.100.3", 6001}, false},
        {{"198.51.100.4", 6000}, false},
        {kPeerSeen, false},
    };
    for (const auto& c : cases) {
        own.records.clear();
        channel->OnDataRead(ack, c.from);
        EXPECT_EQ(own.records.size(), c.taken ? 1u : 0u) << c.from.address << ":" << c.from.port;
    }
    confirmDirect(*channel, kPeerSeen);
    own.records.clear();
    channel->OnDataRead(ack, kPeerSeen);
    EXPECT_EQ(own.records.size(), 1u);
    own.records.clear();
    channel->OnDataRead(ack, {"198.51.100.3", 6000}); // once direct, only the confirmed endpoint
    EXPECT_EQ(own.records.size(), 0u);
}

TEST(PeerSend, SendDataTakesTheServerUntilAPathIsConfirmed) {
    struct Case {
        const char* name;
        bool direct;
        bool force;
        bool serverUp;
        bool result;
        bool toServer;
        bool toPeer;
    };
    const Case cases[] = {
        {"relayed", false, false, true, true, true, false},
        {"direct", true, false, true, true, false, true},
        {"direct but forced through the server", true, true, true, true, true, false},
        {"relayed with the server down", false, false, false, false, false, false},
        {"direct with the server down", true, false, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        auto channel = r.transport.createChannel(int32_t(kPeer), false);
        r.net.log.clear();
        r.server.up = c.serverUp;
        if (c.direct) {
            channel->SetViaServer(false);
            channel->PeerIP = kPeerSeen.address;
            channel->PeerPort = kPeerSeen.port;
        }
        const std::string msg = record(Cmd::Shake, 42, kPeer, kOwnId);
        EXPECT_EQ(channel->SendData(msg, c.force), c.result);
        EXPECT_EQ(r.server.sent.size(), c.toServer ? 1u : 0u);
        ASSERT_EQ(r.net.log.size(), c.toPeer ? 1u : 0u);
        if (c.toServer) {
            EXPECT_EQ(r.server.sent[0], msg);
        }
        if (c.toPeer) {
            EXPECT_EQ(r.net.log[0].bytes, msg);
            EXPECT_EQ(r.net.log[0].to, kPeerSeen);
        }
    }
}

TEST(PeerAddressExchange, KnownColleagueGetsAChannelAndAPunchUnknownOneIsQueried) {
    for (const bool known : {true, false}) {
        SCOPED_TRACE(known);
        Rig r;
        if (known) r.directory.status[kPeer] = 0;
        const protocol::PeerAddress a{kOwnId, kPeer, {"10.2.0.2", 40100}, {"198.51.100.3", 40100}};
        r.transport.onPeerAddress(wire::encode(a));
        TMySocket* c = r.transport.chatChannel(kPeer);
        if (!known) {
            EXPECT_EQ(c, nullptr);
            EXPECT_EQ(r.directory.queried, std::vector<uint32_t>{kPeer});
            continue;
        }
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->Initiator());
        EXPECT_EQ(c->PeerLocalIP, "10.2.0.2");
        EXPECT_EQ(c->PeerPublicPort, 40100u);
        // The probe went out; the punch waits for the echo.
        c->OnDataRead(datagram(Cmd::UdpEcho, protocol::UdpEcho{kOwnId, {}, {"198.51.100.2", 40000}}),
                      {kServerIp, kServerPort});
        r.clock.advance(200);
        size_t requests = 0;
        for (const auto& d : r.net.log)
            requests += d.code() == uint8_t(Cmd::PunchRequest);
        EXPECT_EQ(requests, 3u);
    }
}

TEST(PeerKeepAlive, OnlyDirectChannelsAreKeptAlive) {
    Rig r;
    r.directory.status[kPeer] = 0;
    r.directory.status[kPeer + 1] = 0;
    TMySocket& direct = r.transport.ensureChatChannel(kPeer);
    r.transport.ensureChatChannel(kPeer + 1);
    auto own = r.transport.createChannel(int32_t(kPeer), false);
    direct.SetViaServer(false);
    direct.PeerIP = kPeerSeen.address;
    direct.PeerPort = kPeerSeen.port;
    r.net.log.clear();
    r.transport.start();
    r.clock.advance(PeerTransport::kKeepAliveMs - 1);
    EXPECT_TRUE(r.net.log.empty());
    r.clock.advance(1);
    ASSERT_EQ(r.net.log.size(), 1u);
    EXPECT_EQ(r.net.log[0].bytes, std::string(1, char(0x80)));
    EXPECT_EQ(r.net.log[0].to, kPeerSeen);
    r.transport.stop();
    r.clock.advance(PeerTransport::kKeepAliveMs);
    EXPECT_EQ(r.net.log.size(), 1u);
    EXPECT_EQ(r.transport.chatChannel(kPeer), nullptr);
}

} // namespace
