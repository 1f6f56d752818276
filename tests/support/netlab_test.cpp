// The laboratory itself: the server sees a client through its router's public address, with the
// client's port kept (port-preserving) or a fresh port for every destination (symmetric).
#include "netlab.h"

#include "missing_tool.h"
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace vantor::testing;

namespace {

// Echo servers on two ports of the public host answer "address:port" of what they saw.
const char* kEchoServer = R"(
import socket, select, sys
socks = []
for port in (47001, 47002):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(('198.51.100.1', port))
    socks.append(s)
while True:
    r, _, _ = select.select(socks, [], [], 5)
    if not r: sys.exit(0)
    for s in r:
        data, addr = s.recvfrom(100)
        s.sendto(('%s:%d' % addr).encode(), addr)
)";

// From one local port, ask both echo servers what they saw.
const char* kProbe = R"(
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(('0.0.0.0', 40000))
s.settimeout(2)
seen = []
for port in (47001, 47002):
    for attempt in range(5):
        try:
            s.sendto(b'x', ('198.51.100.1', port))
            seen.append(s.recvfrom(100)[0].decode())
            break
        except socket.timeout:
            pass
print(' '.join(seen))
)";

std::string capture(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buf[256];
    while (p && fgets(buf, sizeof buf, p.get()))
        out += buf;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

std::string py(const char* script) {
    return "/usr/bin/python3 -c \"$(cat <<'PYEOF'\n" + std::string(script) + "\nPYEOF\n)\"";
}

TEST(NetLab, ServerSeesRoutersPublicAddressWithTheRightMapping) {
    VANTOR_NEEDS_TOOL(NetLab::unavailableReason());
    struct Case {
        NatKind nat;
        bool samePortForBoth;
    };
    for (const Case c : {Case{NatKind::PortPreserving, true}, Case{NatKind::Symmetric, false}}) {
        NetLab lab(c.nat, NatKind::PortPreserving);
        ASSERT_TRUE(lab.ok()) << lab.error();

        // Start the echo servers in the background inside the public namespace.
        const std::string start = "ip netns exec " + lab.ns(Host::Server) + " " + py(kEchoServer) + " &";
        ASSERT_EQ(std::system(start.c_str()), 0);
        const std::string seen =
            capture("sleep 0.3; ip netns exec " + lab.ns(Host::ClientA) + " " + py(kProbe));
        const auto space = seen.find(' ');
        ASSERT_NE(space, std::string::npos) << seen;
        const std::string first = seen.substr(0, space), second = seen.substr(space + 1);
        EXPECT_TRUE(first.starts_with(std::string(NetLab::kRouterAWan) + ":")) << first;
        EXPECT_TRUE(second.starts_with(std::string(NetLab::kRouterAWan) + ":")) << second;
        EXPECT_EQ(first == second, c.samePortForBoth) << seen;
        if (c.samePortForBoth) {
            EXPECT_EQ(first, std::string(NetLab::kRouterAWan) + ":40000");
        }
    }
}

TEST(NetLab, BlockingDirectUdpKeepsTheServerReachable) {
    VANTOR_NEEDS_TOOL(NetLab::unavailableReason());
    NetLab lab(NatKind::PortPreserving, NatKind::PortPreserving);
    ASSERT_TRUE(lab.ok()) << lab.error();
    ASSERT_TRUE(lab.blockDirectUdp()) << lab.error();
    const std::string start = "ip netns exec " + lab.ns(Host::Server) + " " + py(kEchoServer) + " &";
    ASSERT_EQ(std::system(start.c_str()), 0);
    const std::string seen = capture("sleep 0.3; ip netns exec " + lab.ns(Host::ClientA) + " " + py(kProbe));
    EXPECT_TRUE(seen.starts_with(NetLab::kRouterAWan)) << seen;
    // Client A to router B's public address goes nowhere.
    const int rc =
        lab.sh(Host::ClientA, "/usr/bin/python3 -c \"import socket; s=socket.socket(2,2); "
                              "s.settimeout(1); s.sendto(b'x',('198.51.100.3',40000)); s.recvfrom(9)\" "
                              "2>/dev/null");
    EXPECT_NE(rc, 0);
}

} // namespace
