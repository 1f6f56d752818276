// A small NAT laboratory for tests that cross a real network: a "public" namespace with a bridge
// (the internet, where the server lives), and two clients each behind its own masquerading router.
// A third host, the neighbour, sits on a second LAN of router B: it reaches client B directly, as
// another machine of B's office would.
// Needs root, iproute2 and nftables; every namespace (and so every veth inside) is removed again
// when the object is destroyed.
#pragma once

#include <string>
#include <vector>

namespace vantor::testing {

enum class NatKind {
    PortPreserving, // masquerade plus a firewall that drops unsolicited inbound traffic: punching works
    Symmetric,      // masquerade random,persistent: every destination sees another port
};

enum class Host { Server, RouterA, ClientA, RouterB, ClientB, Neighbour };

class NetLab {
  public:
    static constexpr const char* kServerAddress = "198.51.100.1";
    static constexpr const char* kRouterAWan = "198.51.100.2";
    static constexpr const char* kRouterBWan = "198.51.100.3";
    static constexpr const char* kClientA = "10.1.0.2";
    static constexpr const char* kClientB = "10.2.0.2";
    static constexpr const char* kNeighbour = "10.2.1.2";

    // Empty when the laboratory can be built here, else the reason (tests skip with it).
    static std::string unavailableReason();

    NetLab(NatKind a, NatKind b);
    ~NetLab();
    NetLab(const NetLab&) = delete;
    NetLab& operator=(const NetLab&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    const std::string& ns(Host h) const { return names_[static_cast<int>(h)]; }
    // The argument list that runs `argv` inside the host's namespace.
    std::vector<std::string> wrap(Host h, const std::vector<std::string>& argv) const;
    // Runs a shell command inside the host's namespace; returns its exit status.
    int sh(Host h, const std::string& command) const;
    // Drops every UDP datagram the two routers forward between each other's WAN addresses, so that
    // hole punching between the clients fails while the server stays reachable.
    bool blockDirectUdp();

  private:
    bool build(NatKind a, NatKind b);
    bool cmd(const std::string& command);
    std::string names_[6];
    std::string prefix_;
    std::string error_;
};

} // namespace vantor::testing
