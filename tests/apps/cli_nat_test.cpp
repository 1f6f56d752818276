// vantor-cli colleagues behind their own routers, vantor-server on the "internet": where the
// routers let punching through, a message travels peer to peer and the server carries no chat
// frame; where they do not, it is relayed — and arrives either way.
#include "peer_lab.h"

#include "missing_tool.h"
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor::peer::testing;

namespace {

constexpr uint8_t kChat = 0x08;

TEST(CliNat, AMessageTakesTheDirectPathWhereOneExists) {
    VANTOR_NEEDS_TOOL(PeerLab::unavailableReason());
    struct Case {
        const char* name;
        NatKind a, b;
        bool direct;
    } cases[] = {
        {"port-preserving routers", NatKind::PortPreserving, NatKind::PortPreserving, true},
        {"a router with a mapping per destination", NatKind::Symmetric, NatKind::PortPreserving, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir data;
        PeerLab lab(c.a, c.b);
        ASSERT_TRUE(lab.ok()) << lab.error();
        ASSERT_TRUE(lab.startServer({kChat})) << lab.error();
        auto cli = [&](const std::string& account, std::vector<std::string> command) {
            std::vector<std::string> args = {
                "--host",     NetLab::kServerAddress,
                "--port",     std::to_string(PeerLab::kServerPort),
                "--account",  account,
                "--password", account + "123",
                "--data",     data.filePath(QString::fromStdString(account)).toStdString(),
                "--verbose"};
            args.insert(args.end(), command.begin(), command.end());
            return args;
        };
        QProcess& receiver = lab.spawn(Host::ClientB, VANTOR_BIN_DIR "/vantor-cli",
                                       cli("wangfang", {"listen", "--count", "1"}));
        // The receiver signs in first; a message to a colleague not yet online would wait 30 s.
        QElapsedTimer t;
        t.start();
        while (lab.serverLog().find("user 1002 signed in") == std::string::npos && t.elapsed() < 10000)
            receiver.waitForFinished(50);
        ASSERT_NE(lab.serverLog().find("user 1002 signed in"), std::string::npos) << lab.serverLog();

        QProcess& sender = lab.spawn(Host::ClientA, VANTOR_BIN_DIR "/vantor-cli",
                                     cli("zhangwei", {"send", "1002", "穿透", "--direct-wait", "8000"}));
        ASSERT_TRUE(sender.waitForFinished(40000));
        EXPECT_EQ(sender.exitCode(), 0);
        const std::string received = PeerLab::finish(receiver, 20000);
        EXPECT_EQ(received, "1001\t张伟\t穿透\n");
        if (c.direct) {
            EXPECT_EQ(lab.framesIn(kChat), 0u) << "the message went through the server";
        } else {
            EXPECT_GT(lab.framesOut(kChat), 0u);
        }
    }
}

} // namespace
