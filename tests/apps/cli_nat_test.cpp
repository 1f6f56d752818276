// vantor-cli colleagues behind their own routers, vantor-server on the "internet": where the
// routers let punching through, a message travels peer to peer and the server carries no chat
// frame; where they do not, it is relayed — and arrives either way.
#include "peer_lab.h"

#include "missing_tool.h"
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

QByteArray sha256Of(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

// Files between vantor-cli colleagues behind routers: directly where punching works, relayed where
// it does not, and through routers that drop 5 % of what they forward. Every file arrives byte for
// byte.
TEST(CliNat, FilesArriveDirectRelayedAndThroughLoss) {
    VANTOR_NEEDS_TOOL(PeerLab::unavailableReason());
    struct Case {
        const char* name;
        NatKind a, b;
        bool lossy;
        std::vector<qint64> sizes;
    } cases[] = {
        {"direct",
         NatKind::PortPreserving,
         NatKind::PortPreserving,
         false,
         {0, 1280 * 50, 1280 * 50 + 1, 4 << 20}},
        {"relayed", NatKind::Symmetric, NatKind::PortPreserving, false, {1280 * 50 + 1, 2 << 20}},
        {"5 % loss at both routers", NatKind::PortPreserving, NatKind::PortPreserving, true, {2 << 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir data;
        PeerLab lab(c.a, c.b);
        ASSERT_TRUE(lab.ok()) << lab.error();
        for (Host r : {Host::RouterA, Host::RouterB})
            if (c.lossy) {
                ASSERT_EQ(lab.net().sh(r, "nft add table inet lossy && nft add chain inet lossy drops "
                                          "'{ type filter hook forward priority 0; }' && nft add rule inet "
                                          "lossy drops meta l4proto udp numgen random mod 100 '<' 5 drop"),
                          0);
            }
        ASSERT_TRUE(lab.startServer({kChat})) << lab.error();
        auto cli = [&](const std::string& account, std::vector<std::string> command) {
            std::vector<std::string> args = {
                "--host",     NetLab::kServerAddress,
                "--port",     std::to_string(PeerLab::kServerPort),
                "--account",  account,
                "--password", account + "123",
                "--data",     data.filePath(QString::fromStdString(account)).toStdString(),
                "--timeout",  "60"};
            args.insert(args.end(), command.begin(), command.end());
            return args;
        };
        const QString inbox = data.filePath(QStringLiteral("inbox"));
        QDir().mkpath(inbox);
        QProcess& receiver = lab.spawn(Host::ClientB, VANTOR_BIN_DIR "/vantor-cli",
                                       cli("wangfang", {"listen", "--accept-files", inbox.toStdString()}));
        QElapsedTimer t;
        t.start();
        while (lab.serverLog().find("user 1002 signed in") == std::string::npos && t.elapsed() < 10000)
            receiver.waitForFinished(50);
        ASSERT_NE(lab.serverLog().find("user 1002 signed in"), std::string::npos) << lab.serverLog();
        int n = 0;
        for (qint64 size : c.sizes) {
            SCOPED_TRACE(size);
            const QString path = data.filePath(QStringLiteral("file%1.bin").arg(++n));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            QByteArray bytes(size, Qt::Uninitialized);
            for (qint64 i = 0; i < size; ++i)
                bytes[i] = char((i * 7919 + n) >> 3);
            f.write(bytes);
            f.close();
            QProcess& sender = lab.spawn(Host::ClientA, VANTOR_BIN_DIR "/vantor-cli",
                                         cli("zhangwei", {"send-file", "1002", path.toStdString()}));
            ASSERT_TRUE(sender.waitForFinished(120000));
            EXPECT_EQ(sender.exitCode(), 0) << sender.readAllStandardError().constData();
            const QString got = inbox + QStringLiteral("/file%1.bin").arg(n);
            t.restart();
            while (!QFile::exists(got) && t.elapsed() < 10000)
                receiver.waitForFinished(50);
            EXPECT_EQ(sha256Of(got), sha256Of(path));
        }
        receiver.kill();
        receiver.waitForFinished(3000);
    }
}

} // namespace
