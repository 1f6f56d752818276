// The SOCKS 5 UDP association against dante-server: with and without user name/password, the
// refusals with their texts, and datagrams as large as a chat frame and as the largest datagram
// both ways, the sender taken from the relay header.
#include "danted.h"
#include "peer/qt_sockets.h"
#include "peer/udp_socket.h"
#include "protocol/text.h"
#include "qt_wait.h"

#include "missing_tool.h"
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::peer;
using namespace vantor::peer::testing;

namespace {

TEST(SocksUdp, AssociationThroughDante) {
    VANTOR_NEEDS_TOOL(Danted::unavailableReason());
    enum Who { Nobody, Configured, Wrong };
    struct Case {
        const char* name;
        Danted::Method method;
        Who user;
        bool listening;
        std::string error; // empty: the association is made
    };
    const std::string authFailed = protocol::toGbk("代理服务器身份验证失败!错误码是0");
    const Case cases[] = {
        {"no authentication", Danted::Method::None, Nobody, true, ""},
        {"user name and password", Danted::Method::Username, Configured, true, ""},
        {"user name configured but only no authentication offered", Danted::Method::None, Configured, true,
         authFailed},
        {"wrong password", Danted::Method::Username, Wrong, true, authFailed},
        {"no user name for a proxy that wants one", Danted::Method::Username, Nobody, true, authFailed},
        {"nobody listening", Danted::Method::None, Nobody, false,
         protocol::toGbk("无法连接到代理服务器，错误码是111")},
    };
    platform::SystemClock clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Danted proxy(c.method);
        ASSERT_TRUE(proxy.ok()) << proxy.error();
        ThxUDPSocket s(clock);
        s.ProxyEnabled = true;
        s.ProxyAddress = "127.0.0.1";
        s.ProxyPort = c.listening ? proxy.port() : Danted::freePort();
        if (c.user != Nobody) {
            s.ProxyUsername = c.method == Danted::Method::Username ? proxy.user() : "someone";
            s.ProxyPassword = c.user == Wrong ? "not-it" : proxy.password();
        }
        bool ready = false;
        std::string error;
        s.OnProxyReady = [&](ThxUDPSocket&) { ready = true; };
        s.OnProxyError = [&](ThxUDPSocket&, const TUDPException& e) { error = e.what(); };
        s.SetActive(true);
        ASSERT_TRUE(waitUntil([&] { return ready || !error.empty(); }, 10000));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(s.Ready(), c.error.empty());
        EXPECT_EQ(s.Active(), c.error.empty()); // a refused association closes the socket
        if (!c.error.empty()) continue;

        // A chat frame and the largest datagram, out and back.
        ThxUDPSocket echo(clock);
        echo.SetActive(true);
        std::string seenFrom;
        echo.OnDataRead = [&](ThxUDPSocket& e, ThxUDPSocket::TPeerInfo&) {
            char buf[4096];
            int n = 0;
            if (!e.ReceiveBuf(buf, sizeof buf, &n)) return;
            seenFrom = e.PeerInfo.IP + ":" + std::to_string(e.PeerInfo.Port);
            std::string reply(buf, size_t(n));
            reply[0] = 'R';
            e.SendBuf(reply.data(), n, e.PeerInfo.Port, e.PeerInfo.IP);
        };
        std::vector<std::string> back;
        s.OnDataRead = [&](ThxUDPSocket& x, ThxUDPSocket::TPeerInfo&) {
            char buf[4096];
            int n = 0;
            if (!x.ReceiveBuf(buf, sizeof buf, &n)) return;
            back.emplace_back(buf, size_t(n));
            EXPECT_EQ(x.PeerInfo.IP, "127.0.0.1");
            EXPECT_EQ(x.PeerInfo.Port, echo.Port); // the sender named in the relay header
        };
        for (const size_t size : {size_t(1093), size_t(ThxUDPSocket::kMaxDatagram)}) {
            back.clear();
            const std::string data(size, 'c');
            ASSERT_TRUE(s.SendBuf(data.data(), int(size), echo.Port, "127.0.0.1"));
            ASSERT_TRUE(waitUntil([&] { return !back.empty(); })) << size;
            EXPECT_EQ(back[0], "R" + data.substr(1));
            EXPECT_NE(seenFrom, "127.0.0.1:" + std::to_string(s.Port)); // it came out of the proxy
        }
    }
}

TEST(SocksUdp, ChannelSocketProbesOnlyOnceTheAssociationIsMade) {
    VANTOR_NEEDS_TOOL(Danted::unavailableReason());
    Danted proxy(Danted::Method::None);
    ASSERT_TRUE(proxy.ok()) << proxy.error();
    platform::SystemClock clock;
    UdpSocketFactory factory(clock);
    auto socket = factory.open({true, "127.0.0.1", proxy.port(), "", ""});
    ASSERT_NE(socket, nullptr);
    EXPECT_FALSE(socket->ready());
    bool ready = false;
    socket->onReady = [&] { ready = true; };
    ASSERT_TRUE(waitUntil([&] { return ready; }));
    EXPECT_TRUE(socket->ready());
}

} // namespace
