#include "platform/proxy_handshake.h"

#include <gtest/gtest.h>

namespace vantor::platform {
namespace {

QByteArray bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

// Feeds the answer one byte at a time and collects what the handshake sends.
struct Exchange {
    ProxyHandshake::Step::Kind kind = ProxyHandshake::Step::Continue;
    QByteArray sent;
    QByteArray rest;
    QString error;
};
Exchange feedBytewise(ProxyHandshake& h, const QByteArray& answer) {
    Exchange r;
    QByteArray buffer;
    qsizetype fed = 0;
    for (char c : answer) {
        buffer.append(c);
        ++fed;
        const auto step = h.feed(buffer);
        r.sent += step.send;
        if (step.kind != ProxyHandshake::Step::Continue) {
            r.kind = step.kind;
            r.error = step.error;
            break;
        }
    }
    // What the handshake left unread belongs to the tunnel.
    r.rest = buffer + answer.mid(fed);
    return r;
}

TEST(Socks4, RequestBytes) {
    struct Case {
        bool socks4a;
        const char* host;
        uint16_t port;
        QByteArray user;
        QByteArray expected;
    } cases[] = {
        {false, "10.1.2.3", 8000, "bob", bytes({4, 1, 0x1F, 0x40, 10, 1, 2, 3, 'b', 'o', 'b', 0})},
        {false, "10.1.2.3", 80, "", bytes({4, 1, 0, 80, 10, 1, 2, 3, 0})},
        {true, "im.example", 8000, "",
         bytes({4, 1, 0x1F, 0x40, 0, 0, 0, 1, 0, 'i', 'm', '.', 'e', 'x', 'a', 'm', 'p', 'l', 'e', 0})},
        // 4A with an address literal sends the address itself.
        {true, "127.0.0.1", 1, "u", bytes({4, 1, 0, 1, 127, 0, 0, 1, 'u', 0})},
    };
    for (const auto& c : cases) {
        auto h = makeSocks4Handshake(c.socks4a, c.host, c.port, c.user);
        EXPECT_EQ(h->begin().toHex(' '), c.expected.toHex(' ')) << c.host;
    }
}

TEST(Socks4, Answers) {
    struct Case {
        QByteArray answer;
        ProxyHandshake::Step::Kind kind;
    } cases[] = {
        {bytes({0, 90, 0, 0, 0, 0, 0, 0, 'X', 'Y'}), ProxyHandshake::Step::Done},
        {bytes({4, 90, 1, 2, 3, 4, 5, 6}), ProxyHandshake::Step::Done},
        {bytes({0, 91, 0, 0, 0, 0, 0, 0}), ProxyHandshake::Step::Failed},
        {bytes({0, 93, 0, 0, 0, 0, 0, 0}), ProxyHandshake::Step::Failed},
        {bytes({'H', 'T', 'T', 'P', '/', '1', '.', '0'}), ProxyHandshake::Step::Failed},
    };
    for (const auto& c : cases) {
        auto h = makeSocks4Handshake(false, "1.2.3.4", 1, "");
        h->begin();
        const Exchange r = feedBytewise(*h, c.answer);
        EXPECT_EQ(r.kind, c.kind) << c.answer.toHex(' ').constData();
        if (c.kind == ProxyHandshake::Step::Done) {
            EXPECT_EQ(r.rest, c.answer.mid(8)); // tunnel bytes kept
        }
    }
}

TEST(Socks5, GreetingOffersUserNameOnlyWithOne) {
    Socks5Handshake anonymous(Socks5Handshake::Connect, "h", 1, "", "");
    EXPECT_EQ(anonymous.begin(), bytes({5, 1, 0}));
    Socks5Handshake withUser(Socks5Handshake::Connect, "h", 1, "u", "p");
    EXPECT_EQ(withUser.begin(), bytes({5, 2, 0, 2}));
}

TEST(Socks5, FullExchanges) {
    struct Case {
        const char* what;
        const char* host;
        QByteArray user, password;
        QByteArray answer; // everything the proxy sends, in order
        ProxyHandshake::Step::Kind kind;
        QByteArray sent; // what we send after the greeting
        const char* bound;
        uint16_t boundPort;
    } cases[] = {
        {"no authentication, IPv4 target", "192.168.1.9", "", "",
         bytes({5, 0, 5, 0, 0, 1, 10, 0, 0, 1, 0x1F, 0x41, 'Z'}), ProxyHandshake::Step::Done,
         bytes({5, 1, 0, 1, 192, 168, 1, 9, 0x1F, 0x40}), "10.0.0.1", 8001},
        {"user name and password, host name target", "srv", "al", "pw",
         bytes({5, 2, 1, 0, 5, 0, 0, 3, 3, 'b', 'n', 'd', 0, 7}), ProxyHandshake::Step::Done,
         bytes({1, 2, 'a', 'l', 2, 'p', 'w', 5, 1, 0, 3, 3, 's', 'r', 'v', 0x1F, 0x40}), "bnd", 7},
        {"password refused", "srv", "al", "pw", bytes({5, 2, 1, 1}), ProxyHandshake::Step::Failed,
         bytes({1, 2, 'a', 'l', 2, 'p', 'w'}), "", 0},
        {"no acceptable method", "srv", "", "", bytes({5, 0xFF}), ProxyHandshake::Step::Failed, {}, "", 0},
        {"proxy chose user name we did not offer",
         "srv",
         "",
         "",
         bytes({5, 2}),
         ProxyHandshake::Step::Failed,
         {},
         "",
         0},
        {"connection refused by the target", "1.2.3.4", "", "", bytes({5, 0, 5, 5, 0, 1, 0, 0, 0, 0, 0, 0}),
         ProxyHandshake::Step::Failed, bytes({5, 1, 0, 1, 1, 2, 3, 4, 0x1F, 0x40}), "", 0},
        {"not SOCKS 5", "srv", "", "", bytes({4, 0}), ProxyHandshake::Step::Failed, {}, "", 0},
    };
    for (const auto& c : cases) {
        Socks5Handshake h(Socks5Handshake::Connect, c.host, 8000, c.user, c.password);
        h.begin();
        const Exchange r = feedBytewise(h, c.answer);
        EXPECT_EQ(r.kind, c.kind) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(r.sent.toHex(' '), c.sent.toHex(' ')) << c.what;
        if (c.kind == ProxyHandshake::Step::Done) {
            EXPECT_EQ(h.boundHost(), QString::fromLatin1(c.bound)) << c.what;
            EXPECT_EQ(h.boundPort(), c.boundPort) << c.what;
            EXPECT_EQ(r.rest, c.answer.endsWith('Z') ? QByteArray("Z") : QByteArray()) << c.what;
        }
    }
}

TEST(Socks5, UdpAssociateReportsWhereToSend) {
    Socks5Handshake h(Socks5Handshake::UdpAssociate, "0.0.0.0", 0, "", "");
    h.begin();
    QByteArray in = bytes({5, 0});
    auto step = h.feed(in);
    EXPECT_EQ(step.send, bytes({5, 3, 0, 1, 0, 0, 0, 0, 0, 0}));
    in = bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x04, 0x38});
    step = h.feed(in);
    ASSERT_EQ(step.kind, ProxyHandshake::Step::Done);
    EXPECT_EQ(h.boundAddress(), QHostAddress("127.0.0.1"));
    EXPECT_EQ(h.boundPort(), 1080);
}

TEST(Socks5, OverlongCredentialsAreRefusedNotTruncated) {
    Socks5Handshake h(Socks5Handshake::Connect, "srv", 1, QByteArray(256, 'u'), "p");
    h.begin();
    QByteArray in = bytes({5, 2});
    EXPECT_EQ(h.feed(in).kind, ProxyHandshake::Step::Failed);
}

TEST(HttpConnect, RequestIsWellFormed) {
    EXPECT_EQ(makeHttpConnectHandshake("im.example", 8000)->begin(),
              QByteArray("CONNECT im.example:8000 HTTP/1.0\r\nHost: im.example:8000\r\n\r\n"));
    EXPECT_EQ(makeHttpConnectHandshake("::1", 80)->begin(),
              QByteArray("CONNECT [::1]:80 HTTP/1.0\r\nHost: [::1]:80\r\n\r\n"));
}

TEST(HttpConnect, Answers) {
    struct Case {
        QByteArray answer;
        ProxyHandshake::Step::Kind kind;
        QByteArray rest;
    } cases[] = {
        {"HTTP/1.0 200 Connection established\r\nProxy-agent: x\r\n\r\nTUNNEL", ProxyHandshake::Step::Done,
         "TUNNEL"},
        {"HTTP/1.1 200 OK\r\n\r\n", ProxyHandshake::Step::Done, ""},
        {"HTTP/1.1 204\r\n\r\n", ProxyHandshake::Step::Done, ""},
        {"HTTP/1.0 200 OK\n\nab", ProxyHandshake::Step::Done, "ab"},
        {"HTTP/1.0 403 Access violation\r\nServer: x\r\n\r\n<html>", ProxyHandshake::Step::Failed, ""},
        {"HTTP/1.1 407 Proxy Authentication Required\r\n\r\n", ProxyHandshake::Step::Failed, ""},
        {"HTTP/2 200\r\n\r\n", ProxyHandshake::Step::Failed, ""},
        {"SSH-2.0-OpenSSH\r\n\r\n", ProxyHandshake::Step::Failed, ""},
        // Three lines are not the end of the answer: it continues to its blank line.
        {"HTTP/1.0 200 OK\r\nA: 1\r\nB: 2\r\nC: 3\r\n\r\nX", ProxyHandshake::Step::Done, "X"},
    };
    for (const auto& c : cases) {
        auto h = makeHttpConnectHandshake("h", 1);
        h->begin();
        const Exchange r = feedBytewise(*h, c.answer);
        EXPECT_EQ(r.kind, c.kind) << c.answer.constData();
        if (c.kind == ProxyHandshake::Step::Done) {
            EXPECT_EQ(r.rest, c.rest) << c.answer.constData();
        }
    }
}

TEST(HttpConnect, AnEndlessAnswerIsRefused) {
    auto h = makeHttpConnectHandshake("h", 1);
    h->begin();
    QByteArray in = "HTTP/1.0 200 OK\r\n" + QByteArray(kMaxHttpProxyAnswer, 'x');
    EXPECT_EQ(h->feed(in).kind, ProxyHandshake::Step::Failed);
}

} // namespace
} // namespace vantor::platform
