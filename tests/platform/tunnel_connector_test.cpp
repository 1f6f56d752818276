#include "platform/tunnel_connector.h"

#include "test_net.h"

#include <QHostInfo>
#include <gtest/gtest.h>

#include <optional>

namespace vantor::platform {
namespace {

using testing::DanteProxy;
using testing::EchoServer;
using testing::SystemUser;
using testing::TinyProxy;
using testing::waitFor;

// The dante server does not implement SOCKS 4A (it takes 0.0.0.x for the address), so 4A meets
// this small responder: it checks the request, resolves the name, and tunnels to the target.
class Socks4aResponder {
  public:
    Socks4aResponder() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onData(s); });
        });
    }
    uint16_t port() const { return server_.serverPort(); }
    QByteArray lastHost;
    QByteArray lastUser;

  private:
    void onData(QTcpSocket* s) {
        if (s->property("upstream").isValid()) {
            auto* up = s->property("upstream").value<QTcpSocket*>();
            up->write(s->readAll());
            return;
        }
        QByteArray req = s->property("buf").toByteArray() + s->readAll();
        s->setProperty("buf", req);
        // VN CD PORT(2) IP(4) USERID\0 HOST\0
        if (req.size() < 9 || req.count('\0') < 2 + req.left(8).count('\0')) return;
        const qsizetype userEnd = req.indexOf('\0', 8);
        const qsizetype hostEnd = req.indexOf('\0', userEnd + 1);
        if (userEnd < 0 || hostEnd < 0) return;
        const bool ok = req[0] == 4 && req[1] == 1 && req.mid(4, 3) == QByteArray(3, '\0') && req[7] != 0;
        lastUser = req.mid(8, userEnd - 8);
        lastHost = req.mid(userEnd + 1, hostEnd - userEnd - 1);
        const uint16_t port = uint16_t(uint8_t(req[2]) << 8 | uint8_t(req[3]));
        const auto addrs = QHostInfo::fromName(QString::fromLatin1(lastHost)).addresses();
        if (!ok || addrs.isEmpty()) {
            s->write(QByteArray("\0\x5b\0\0\0\0\0\0", 8));
            s->disconnectFromHost();
            return;
        }
        // Like a real proxy, try every address the name resolves to: on a stock machine
        // "localhost" gives ::1 first, while the target may listen on IPv4 only.
        QTcpSocket* up = nullptr;
        for (const QHostAddress& a : addrs) {
            up = new QTcpSocket(s);
            up->connectToHost(a, port);
            if (up->waitForConnected(2000)) break;
            delete up;
            up = nullptr;
        }
        if (!up) {
            s->write(QByteArray("\0\x5b\0\0\0\0\0\0", 8));
            return;
        }
        QObject::connect(up, &QTcpSocket::readyRead, s, [s, up] { s->write(up->readAll()); });
        s->setProperty("upstream", QVariant::fromValue(up));
        s->write(QByteArray("\0\x5a\0\0\0\0\0\0", 8));
        const QByteArray early = req.mid(hostEnd + 1);
        if (!early.isEmpty()) up->write(early);
    }
    QTcpServer server_;
};

// Accepts connections and never says a word.
class SilentServer {
  public:
    SilentServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                s->setParent(&server_);
        });
    }
    uint16_t port() const { return server_.serverPort(); }

  private:
    QTcpServer server_;
};

struct Outcome {
    bool done = false;
    bool ok = false;
    QString error;
    QByteArray echoed;
};

// Opens a tunnel and, once open, checks that bytes go through both ways.
Outcome openAndEcho(Clock& clock, const ProxySettings& proxy, const QString& host, uint16_t port,
                    const std::function<void()>& whileWaiting = {}) {
    TunnelConnector c(clock);
    Outcome out;
    QTcpSocket* socket = nullptr;
    QObject::connect(&c, &TunnelConnector::succeeded, [&] {
        out.done = out.ok = true;
        socket = c.takeSocket();
    });
    QObject::connect(&c, &TunnelConnector::failed, [&](const QString& e) {
        out.done = true;
        out.error = e;
    });
    c.start(proxy, host, port, 8000);
    if (whileWaiting) whileWaiting();
    waitFor([&] { return out.done; }, 8000);
    if (socket) {
        socket->write("ping");
        waitFor([&] {
            out.echoed += socket->readAll();
            return out.echoed.size() >= 9;
        });
        delete socket;
    }
    return out;
}

TEST(TunnelConnector, ThroughRealProxies) {
    EchoServer target;
    const uint16_t blocked = testing::freePort();
    DanteProxy dante(blocked);
    ASSERT_TRUE(dante.started()) << dante.output().constData();
    TinyProxy tiny({target.port()});
    ASSERT_TRUE(tiny.started()) << tiny.output().constData();
    Socks4aResponder socks4a;
    SystemUser account;

    struct Case {
        const char* what;
        ProxyKind kind;
        uint16_t proxyPort;
        QByteArray user, password;
        QString host;
        uint16_t port;
        bool ok;
        bool needsAccount = false;
    } cases[] = {
        {"direct", ProxyKind::None, 0, "", "", "127.0.0.1", target.port(), true},
        {"direct to a host name", ProxyKind::None, 0, "", "", "localhost", target.port(), true},
        {"SOCKS 4", ProxyKind::Socks4, dante.port(), "", "", "127.0.0.1", target.port(), true},
        {"SOCKS 4, name resolved by us", ProxyKind::Socks4, dante.port(), "", "", "localhost", target.port(),
         true},
        {"SOCKS 4A, name resolved by the proxy", ProxyKind::Socks4A, socks4a.port(), "me", "", "localhost",
         target.port(), true},
        {"SOCKS 5 without authentication", ProxyKind::Socks5, dante.port(), "", "", "127.0.0.1",
         target.port(), true},
        {"SOCKS 5 with a host name", ProxyKind::Socks5, dante.port(), "", "", "localhost", target.port(),
         true},
        {"SOCKS 5 with user name and password", ProxyKind::Socks5, dante.port(), account.name,
         account.password, "127.0.0.1", target.port(), true, true},
        {"SOCKS 5 with a wrong password", ProxyKind::Socks5, dante.port(), account.name, "wrong", "127.0.0.1",
         target.port(), false, true},
        {"SOCKS 5 refused by the proxy's rules", ProxyKind::Socks5, dante.port(), "", "", "127.0.0.1",
         blocked, false},
        {"SOCKS 4 refused by the proxy's rules", ProxyKind::Socks4, dante.port(), "", "", "127.0.0.1",
         blocked, false},
        {"HTTP CONNECT", ProxyKind::Http, tiny.port(), "", "", "127.0.0.1", target.port(), true},
        {"HTTP CONNECT to a port the proxy refuses", ProxyKind::Http, tiny.port(), "", "", "127.0.0.1",
         blocked, false},
        {"no proxy listening", ProxyKind::Socks5, testing::freePort(), "", "", "127.0.0.1", target.port(),
         false},
    };
    ManualClock clock;
    for (const auto& c : cases) {
        if (c.needsAccount && !account.ok()) {
            ADD_FAILURE() << c.what << ": needs root to create a system account for the proxy";
            continue;
        }
        ProxySettings proxy{c.kind, QStringLiteral("127.0.0.1"), c.proxyPort, c.user, c.password};
        const Outcome o = openAndEcho(clock, proxy, c.host, c.port);
        EXPECT_TRUE(o.done) << c.what;
        EXPECT_EQ(o.ok, c.ok) << c.what << ": " << o.error.toStdString();
        if (c.ok) {
            EXPECT_EQ(o.echoed, QByteArray("echo:ping")) << c.what;
        }
    }
    EXPECT_EQ(socks4a.lastHost, QByteArray("localhost"));
    EXPECT_EQ(socks4a.lastUser, QByteArray("me"));
}

TEST(TunnelConnector, ASilentProxyTimesOutOnTheInjectedClock) {
    SilentServer silent;
    for (ProxyKind kind : {ProxyKind::None, ProxyKind::Socks4, ProxyKind::Socks5, ProxyKind::Http}) {
        ManualClock clock;
        TunnelConnector c(clock);
        std::optional<QString> error;
        bool succeeded = false;
        QObject::connect(&c, &TunnelConnector::failed, [&](const QString& e) { error = e; });
        QObject::connect(&c, &TunnelConnector::succeeded, [&] { succeeded = true; });
        // Without a proxy the silent server is the target itself: the connection opens at once.
        ProxySettings proxy{kind, QStringLiteral("127.0.0.1"), silent.port(), "", ""};
        c.start(proxy, QStringLiteral("127.0.0.1"), kind == ProxyKind::None ? silent.port() : 1, 8000);
        testing::spin(200); // connected and asked; nothing answers
        if (kind == ProxyKind::None) {
            EXPECT_TRUE(succeeded);
            continue;
        }
        clock.advance(7999);
        EXPECT_FALSE(error.has_value()) << int(kind);
        clock.advance(1);
        ASSERT_TRUE(error.has_value()) << int(kind);
        EXPECT_EQ(*error, QStringLiteral("timed out"));
        EXPECT_FALSE(succeeded);
    }
}

} // namespace
} // namespace vantor::platform
