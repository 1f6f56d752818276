// The resend queue on the manual clock: what each tick does with a message of a given age, and
// how acknowledgements take messages out.
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

protocol::ChatMessage message(uint32_t tick, const std::string& text = "hi") {
    protocol::ChatMessage m;
    m.recipientId = kPeer;
    m.senderId = kOwnId;
    m.sendTick = tick;
    m.text = text;
    return m;
}

protocol::ChatMessage decodeFrame(const std::string& frame) {
    protocol::ChatMessage m;
    EXPECT_EQ(uint8_t(frame[0]), uint8_t(Cmd::ChatMessage));
    EXPECT_TRUE(protocol::ChatMessage::decodeBody(std::string_view(frame).substr(1), m));
    return m;
}

TEST(ResendQueue, EachTickTreatsAMessageByItsAge) {
    enum Contact { Direct, NoChannel, Mobile, Unknown };
    struct Case {
        const char* name;
        Contact contact;
        bool serverUp;
        uint32_t age; // at the tick
        size_t datagrams;
        size_t toServer;
        bool serverDeliveryFlag;
        bool stays;
        bool viaServerAfter;
    };
    const Case cases[] = {
        {"younger than one interval waits", Direct, true, 5000, 0, 0, false, true, false},
        {"resent over the direct path", Direct, true, 6000, 1, 0, false, true, false},
        {"after 15 s the channel falls back to the server", Direct, true, 16000, 0, 1, false, true, true},
        {"after 30 s handed to the server for later delivery", Direct, true, 31000, 0, 1, true, false, false},
        {"a colleague on a phone gets it through the server at once", Mobile, true, 6000, 0, 1, true, false,
         true},
        {"without a chat channel one is made and the frame relayed", NoChannel, true, 6000, 0, 1, false, true,
         true},
        {"an unknown colleague is skipped", Unknown, true, 40000, 0, 0, false, true, true},
        {"nothing happens while the server is down", Direct, false, 40000, 0, 0, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.clock.advance(100000);
        if (c.contact != Unknown) r.directory.status[kPeer] = c.contact == Mobile ? protocol::kMobile : 0;
        if (c.contact == Direct) {
            TMySocket& ch = r.transport.ensureChatChannel(kPeer);
            ch.SetViaServer(false);
            ch.PeerIP = kPeerSeen.address;
            ch.PeerPort = kPeerSeen.port;
        }
        r.net.log.clear();
        r.server.up = c.serverUp;
        const protocol::ChatMessage m = message(r.transport.tickCount() - c.age);
        r.transport.queueChat(m);
        r.transport.pending().tick();

        std::vector<SentDatagram> chats;
        for (const auto& d : r.net.log)
            if (d.code() == uint8_t(Cmd::ChatMessage)) chats.push_back(d);
        ASSERT_EQ(chats.size(), c.datagrams);
        ASSERT_EQ(r.server.sent.size(), c.toServer);
        if (c.datagrams) {
            EXPECT_EQ(chats[0].to, kPeerSeen);
            EXPECT_EQ(decodeFrame(chats[0].bytes).text, "hi");
        }
        if (c.toServer) {
            const auto sent = decodeFrame(r.server.sent[0]);
            EXPECT_EQ(sent.serverDelivery, c.serverDeliveryFlag);
            EXPECT_EQ(sent.sendTick, m.sendTick);
            EXPECT_EQ(r.server.sent[0].size(), 1 + 4 + 88 + 2u); // n + 93 bytes
        }
        EXPECT_EQ(r.transport.pending().size(), c.stays ? 1u : 0u);
        TMySocket* ch = r.transport.chatChannel(kPeer);
        if (c.contact == Mobile || c.contact == Unknown) {
            EXPECT_EQ(ch, nullptr);
        } else {
            ASSERT_NE(ch, nullptr);
            EXPECT_EQ(ch->ViaServer(), c.viaServerAfter);
            EXPECT_TRUE(ch->Initiator());
        }
    }
}

TEST(ResendQueue, MsgTimerRunsWhileMessagesWaitAndStopsWhenEmpty) {
    Rig r;
    r.directory.status[kPeer] = 0;
    r.clock.advance(1000);
    r.transport.queueChat(message(r.transport.tickCount()));
    EXPECT_TRUE(r.transport.pending().timerActive());
    // 5 s: not older than one interval; 10, 15 s: resent (relayed: the new channel has no path);
    // 20…30 s: resent; 35 s: handed over with the flag and dropped; 40 s: the empty queue stops.
    r.clock.advance(5000);
    EXPECT_TRUE(r.server.sent.empty());
    r.clock.advance(30000);
    ASSERT_EQ(r.server.sent.size(), 6u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_FALSE(decodeFrame(r.server.sent[i]).serverDelivery);
    EXPECT_TRUE(decodeFrame(r.server.sent[5]).serverDelivery);
    EXPECT_EQ(r.transport.pending().size(), 0u);
    EXPECT_TRUE(r.transport.pending().timerActive());
    r.clock.advance(5000);
    EXPECT_FALSE(r.transport.pending().timerActive());
}

TEST(ResendQueue, AcknowledgementsMatchSenderRecipientAndTick) {
    struct Case {
        const char* name;
        protocol::ChatAck ack;
        bool viaChannel;
        size_t left;
    };
    const Case cases[] = {
        {"matching", {kOwnId, kPeer, 2, 500}, false, 1},
        {"length is not compared", {kOwnId, kPeer, 999, 500}, false, 1},
        {"other tick matches nothing", {kOwnId, kPeer, 2, 501}, false, 2},
        {"other recipient matches nothing", {kOwnId, kPeer + 1, 2, 500}, false, 2},
        {"over the direct path", {kOwnId, kPeer, 2, 500}, true, 1},
        {"over a channel but from someone else", {kOwnId, kPeer + 1, 2, 500}, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.directory.status[kPeer] = 0;
        r.transport.queueChat(message(500));
        r.transport.queueChat(message(600));
        if (c.viaChannel) {
            TMySocket& ch = r.transport.ensureChatChannel(kPeer);
            confirmDirect(ch, kPeerSeen);
            ch.OnDataRead(std::string(1, char(Cmd::ChatAck)) + wire::encode(c.ack), kPeerSeen);
        } else {
            r.transport.onChatAck(wire::encode(c.ack));
        }
        ASSERT_EQ(r.transport.pending().size(), c.left);
        EXPECT_EQ(r.transport.pending().messages().back().sendTick, 600u);
    }
}

TEST(ResendQueue, SignOutEmptiesTheQueue) {
    Rig r;
    r.transport.queueChat(message(1));
    r.transport.stop();
    EXPECT_EQ(r.transport.pending().size(), 0u);
    EXPECT_FALSE(r.transport.pending().timerActive());
}

} // namespace
