// Two clients behind their own routers and the server on the "internet": the chat channel turns
// direct after the handshake and the records then flow peer to peer while the server carries none
// of them; where the routers give every destination its own mapping, or drop the punching
// datagrams, the channel stays relayed and every record still arrives through the server.
#include "peer_lab.h"

#include "missing_tool.h"
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vantor::peer::testing;

namespace {

constexpr int kRecords = 20;
constexpr uint8_t kChat = 0x08;
constexpr uint8_t kAck = 0x09;

TEST(PeerNat, ChatRecordsTakeTheDirectPathWhereverOneExists) {
    VANTOR_NEEDS_TOOL(PeerLab::unavailableReason());
    struct Case {
        const char* name;
        NatKind a, b;
        bool blockDirect;
        bool direct;
    };
    const Case cases[] = {
        {"port-preserving routers", NatKind::PortPreserving, NatKind::PortPreserving, false, true},
        {"a router with a mapping per destination", NatKind::Symmetric, NatKind::PortPreserving, false,
         false},
        {"routers that drop the punching datagrams", NatKind::PortPreserving, NatKind::PortPreserving, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeerLab lab(c.a, c.b);
        ASSERT_TRUE(lab.ok()) << lab.error();
        if (c.blockDirect) {
            ASSERT_TRUE(lab.net().blockDirectUdp());
        }
        ASSERT_TRUE(lab.startServer({kChat, kAck})) << lab.error();

        const std::vector<std::string> common = {"--server",  NetLab::kServerAddress,
                                                 "--port",    std::to_string(PeerLab::kServerPort),
                                                 "--timeout", "40000"};
        auto args = [&](std::vector<std::string> own) {
            own.insert(own.end(), common.begin(), common.end());
            return own;
        };
        QProcess& receiver = lab.spawn(Host::ClientB, PEER_NODE,
                                       args({"--account", "wangfang", "--password", "wangfang123", "--peer",
                                             "1001", "--expect", std::to_string(kRecords)}));
        QProcess& sender =
            lab.spawn(Host::ClientA, PEER_NODE,
                      args({"--account", "zhangwei", "--password", "zhangwei123", "--peer", "1002", "--send",
                            std::to_string(kRecords), "--direct-wait", "8000"}));
        const std::string sent = PeerLab::finish(sender, 60000);
        const std::string received = PeerLab::finish(receiver, 60000);
        std::printf("%s\n  sender   %s  receiver %s  server: chat in %llu out %llu, acks in %llu\n", c.name,
                    sent.c_str(), received.c_str(), (unsigned long long)lab.framesIn(kChat),
                    (unsigned long long)lab.framesOut(kChat), (unsigned long long)lab.framesIn(kAck));
        SCOPED_TRACE("sender: " + sent + "receiver: " + received + "server log:\n" + lab.serverLog());

        EXPECT_EQ(resultValue(sent, "code"), 0);
        EXPECT_EQ(resultValue(received, "code"), 0);
        EXPECT_EQ(resultValue(sent, "pending"), 0); // every record acknowledged
        EXPECT_EQ(resultValue(sent, "direct"), c.direct ? 1 : 0);
        EXPECT_EQ(resultValue(received, "direct"), c.direct ? 1 : 0);
        EXPECT_EQ(resultValue(received, "recv_udp") + resultValue(received, "recv_tcp"), kRecords);
        if (c.direct) {
            EXPECT_EQ(resultValue(sent, "sent_direct"), kRecords);
            EXPECT_EQ(resultValue(received, "recv_udp"), kRecords);
            // The server saw none of the records. (Acknowledgements may still go through it until
            // the receiving side's own channel has its confirmation.)
            EXPECT_EQ(lab.framesIn(kChat), 0u);
            EXPECT_EQ(lab.framesOut(kChat), 0u);
        } else {
            EXPECT_EQ(resultValue(sent, "sent_relayed"), kRecords);
            EXPECT_EQ(resultValue(received, "recv_tcp"), kRecords);
            EXPECT_GT(lab.framesIn(kChat), 0u);
            EXPECT_GT(lab.framesOut(kChat), 0u);
        }
    }
}

// A third host on the receiver's side knows the chat channel's port and the two user ids. From the
// server's port number it sends chat records as the sender and punch confirmations that name itself
// as the path, all through the exchange: none of its records is delivered, and the channel stays
// direct towards the sender's router.
TEST(PeerNat, AThirdHostCanNeitherInjectNorDivertTheChannel) {
    VANTOR_NEEDS_TOOL(PeerLab::unavailableReason());
    PeerLab lab(NatKind::PortPreserving, NatKind::PortPreserving);
    ASSERT_TRUE(lab.ok()) << lab.error();
    ASSERT_TRUE(lab.startServer({kChat, kAck})) << lab.error();
    const std::vector<std::string> common = {"--server", NetLab::kServerAddress, "--port",
                                             std::to_string(PeerLab::kServerPort)};
    auto args = [&](std::vector<std::string> own) {
        own.insert(own.end(), common.begin(), common.end());
        return own;
    };
    QProcess& receiver =
        lab.spawn(Host::ClientB, PEER_NODE,
                  args({"--account", "wangfang", "--password", "wangfang123", "--peer", "1001", "--expect",
                        std::to_string(kRecords), "--timeout", "40000"}));
    QProcess& sender = lab.spawn(
        Host::ClientA, PEER_NODE,
        args({"--account", "zhangwei", "--password", "zhangwei123", "--peer", "1002", "--send",
              std::to_string(kRecords), "--direct-wait", "3000", "--gap", "100", "--timeout", "40000"}));

    // The receiver tells its channel's port as soon as the channel exists.
    std::string early;
    long port = -1;
    for (int i = 0; i < 200 && port < 0 && receiver.state() != QProcess::NotRunning; ++i) {
        receiver.waitForReadyRead(100);
        early += receiver.readAllStandardOutput().toStdString();
        if (const auto at = early.find("CHANNEL port=");
            at != std::string::npos && early.find('\n', at) != std::string::npos)
            port = std::strtol(early.c_str() + at + 13, nullptr, 10);
    }
    ASSERT_GT(port, 0) << early;
    QProcess& attacker =
        lab.spawn(Host::Neighbour, PEER_NODE,
                  {"--attack", std::string(NetLab::kClientB) + ":" + std::to_string(port), "--as", "1001",
                   "--to", "1002", "--port", std::to_string(PeerLab::kServerPort), "--timeout", "6000"});

    const std::string sent = PeerLab::finish(sender, 60000);
    const std::string received = early + PeerLab::finish(receiver, 60000);
    const std::string attacked = PeerLab::finish(attacker, 20000);
    std::printf("  sender   %s  receiver %s  attacker %s", sent.c_str(), received.c_str(), attacked.c_str());
    SCOPED_TRACE("sender: " + sent + "receiver: " + received + "attacker: " + attacked);

    EXPECT_GT(resultValue(attacked, "attacked"), 0);
    EXPECT_EQ(resultValue(received, "forged"), 0);
    EXPECT_EQ(resultValue(received, "recv_udp") + resultValue(received, "recv_tcp"), kRecords);
    EXPECT_EQ(resultValue(sent, "pending"), 0);
    EXPECT_EQ(resultValue(sent, "direct"), 1);
    EXPECT_EQ(resultValue(received, "direct"), 1);
    EXPECT_NE(received.find(std::string(" peer=") + NetLab::kRouterAWan + ":"), std::string::npos);
}

} // namespace
