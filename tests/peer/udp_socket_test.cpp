// ThxUDPSocket on loopback: the bound port, address checks, errors offered to OnError first,
// buffer sizes, and datagrams handed over one at a time in order.
#include "peer/udp_socket.h"
#include "protocol/text.h"
#include "qt_wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::peer;
using namespace vantor::peer::testing;

namespace {

std::string gbk(const char* utf8) {
    return protocol::toGbk(utf8);
}

// Runs `f` and returns the text of the TUDPException it raised ("" when none).
template <class F>
std::string raised(F f) {
    try {
        f();
    } catch (const TUDPException& e) {
        return e.what();
    }
    return {};
}

TEST(ThxUDPSocket, OpensOnASystemChosenPortAndOpeningTwiceDoesNothing) {
    platform::SystemClock clock;
    ThxUDPSocket s(clock);
    EXPECT_FALSE(s.Active());
    s.SetActive(true);
    ASSERT_TRUE(s.Active());
    EXPECT_GT(s.Port, 0);
    const int fd = s.handle(), port = s.Port;
    s.SetActive(true);
    EXPECT_EQ(s.handle(), fd);
    EXPECT_EQ(s.Port, port);
    s.SetActive(false);
    EXPECT_FALSE(s.Active());
    s.SetActive(false);
}

TEST(ThxUDPSocket, OpenFailureIsOfferedToOnErrorAndLeavesTheSocketReusable) {
    // A port held by a socket without address reuse cannot be bound again.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const int busy = ntohs(a.sin_port);

    struct Case {
        const char* name;
        bool handler;
        bool suppress;
        std::string error;
    };
    const Case cases[] = {
        {"no handler", false, false, gbk("初始化套接字发生错误，错误码是98")},
        {"handler keeps the code", true, false, gbk("初始化套接字发生错误，错误码是98")},
        {"handler suppresses", true, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SystemClock clock;
        ThxUDPSocket s(clock);
        s.Port = busy;
        std::vector<int> kinds;
        if (c.handler)
            s.OnError = [&](ThxUDPSocket&, ThxUDPSocket::ErrorKind k, int& code) {
                kinds.push_back(k);
                EXPECT_EQ(code, EADDRINUSE);
                if (c.suppress) code = 0;
            };
        EXPECT_EQ(raised([&] { s.SetActive(true); }), c.error);
        EXPECT_FALSE(s.Active());
        if (c.handler) {
            EXPECT_EQ(kinds, std::vector<int>{ThxUDPSocket::ekOpen});
        }
        s.Port = 0;
        s.SetActive(true);
        EXPECT_TRUE(s.Active());
    }
    ::close(holder);
}

TEST(ThxUDPSocket, SendBufChecksTheAddressAndOffersErrorsToOnError) {
    struct Case {
        const char* name;
        std::string ip;
        bool handler;
        bool suppress;
        bool result;
        std::string error;
    };
    // Sending to the broadcast address without permission fails with EACCES (13).
    const Case cases[] = {
        {"empty address sends nothing", "", false, false, false, ""},
        {"not an address", "abc", false, false, false, gbk("无效的远程主机地址!")},
        {"loopback", "127.0.0.1", false, false, true, ""},
        {"broadcast without permission", "255.255.255.255", false, false, false,
         gbk("发送数据时出错。错误码是13")},
        {"OnError keeps the code", "255.255.255.255", true, false, false, gbk("发送数据时出错。错误码是13")},
        {"OnError suppresses it", "255.255.255.255", true, true, false, ""},
    };
    platform::SystemClock clock;
    ThxUDPSocket target(clock);
    target.SetActive(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThxUDPSocket s(clock);
        s.SetActive(true);
        int calls = 0;
        if (c.handler)
            s.OnError = [&](ThxUDPSocket&, ThxUDPSocket::ErrorKind k, int& code) {
                ++calls;
                EXPECT_EQ(k, ThxUDPSocket::ekSend);
                if (c.suppress) code = 0;
            };
        bool result = false;
        EXPECT_EQ(raised([&] { result = s.SendBuf("x", 1, target.Port, c.ip); }), c.error);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(calls, c.handler ? 1 : 0);
    }
}

TEST(ThxUDPSocket, BufferSizesApplyToTheOpenSocketOnly) {
    struct Case {
        const char* name;
        bool send;
        bool open;
        int value;
        std::string error;
        int stored;
    };
    const Case cases[] = {
        {"send buffer on a closed socket", true, false, 65536, gbk("设置发送缓冲区错误。错误码是9"), 8192},
        {"receive buffer on a closed socket", false, false, 65536, gbk("设置接收缓冲区出错。错误码是9"),
         8192},
        {"same value on a closed socket does nothing", true, false, 8192, "", 8192},
        {"send buffer", true, true, 65536, "", 65536},
        {"receive buffer", false, true, 131072, "", 131072},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SystemClock clock;
        ThxUDPSocket s(clock);
        if (c.open) s.SetActive(true);
        EXPECT_EQ(raised([&] { c.send ? s.SetSendBufSize(c.value) : s.SetRecvBufSize(c.value); }), c.error);
        EXPECT_EQ(c.send ? s.SendBufSize() : s.RecvBufSize(), c.stored);
        if (!c.open || !c.error.empty()) continue;
        int actual = 0;
        socklen_t len = sizeof actual;
        ::getsockopt(s.handle(), SOL_SOCKET, c.send ? SO_SNDBUF : SO_RCVBUF, &actual, &len);
        EXPECT_GE(actual, c.value); // the system doubles what it is given
    }
}

TEST(ThxUDPSocket, DatagramsAreHandedOverOneAtATimeInOrder) {
    platform::SystemClock clock;
    ThxUDPSocket rx(clock), tx(clock);
    rx.SetActive(true);
    rx.SetRecvBufSize(1 << 20);
    tx.SetActive(true);
    std::vector<int> got;
    std::vector<std::string> senders;
    int depth = 0, maxDepth = 0;
    rx.OnDataRead = [&](ThxUDPSocket& s, ThxUDPSocket::TPeerInfo&) {
        maxDepth = std::max(maxDepth, ++depth);
        char buf[64];
        int n = 0;
        if (s.ReceiveBuf(buf, sizeof buf, &n) && n == 4) {
            got.push_back(int(wire::loadU32(buf)));
            senders.push_back(s.PeerInfo.IP + ":" + std::to_string(s.PeerInfo.Port));
        }
        --depth;
    };
    constexpr int kCount = 100;
    for (int i = 0; i < kCount; ++i) {
        char b[4];
        wire::storeU32(b, uint32_t(i));
        ASSERT_TRUE(tx.SendBuf(b, 4, rx.Port, "127.0.0.1"));
    }
    ASSERT_TRUE(waitUntil([&] { return got.size() == kCount; }));
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(got[size_t(i)], i);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(senders.front(), "127.0.0.1:" + std::to_string(tx.Port));
}

TEST(ThxUDPSocket, AHandlerMayCloseOrFreeTheSocketOrLeaveTheDatagramUnread) {
    enum Action { Close, Free, Ignore };
    for (const Action action : {Close, Free, Ignore}) {
        SCOPED_TRACE(int(action));
        platform::SystemClock clock;
        auto rx = std::make_unique<ThxUDPSocket>(clock);
        ThxUDPSocket tx(clock);
        rx->SetActive(true);
        tx.SetActive(true);
        int calls = 0;
        rx->OnDataRead = [&](ThxUDPSocket& s, ThxUDPSocket::TPeerInfo&) {
            ++calls;
            if (action == Close) s.SetActive(false);
            if (action == Free) rx.reset();
        };
        tx.SendBuf("a", 1, rx->Port, "127.0.0.1");
        tx.SendBuf("b", 1, rx->Port, "127.0.0.1");
        ASSERT_TRUE(waitUntil([&] { return calls >= 1; }));
        spin(100);
        EXPECT_EQ(calls, action == Ignore ? 2 : 1); // an unread datagram is dropped, the next still comes
    }
}

TEST(ThxUDPSocket, WaitTimeoutRaisesOnTimeOutWhileNothingArrives) {
    platform::ManualClock clock;
    ThxUDPSocket s(clock);
    s.WaitTimeout = 1000;
    int timeouts = 0;
    s.OnTimeOut = [&](ThxUDPSocket&) { ++timeouts; };
    s.SetActive(true);
    clock.advance(999);
    EXPECT_EQ(timeouts, 0);
    clock.advance(1);
    EXPECT_EQ(timeouts, 1);
    clock.advance(2000);
    EXPECT_EQ(timeouts, 3);
    s.SetActive(false);
    clock.advance(5000);
    EXPECT_EQ(timeouts, 3);
}

} // namespace
