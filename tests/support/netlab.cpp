#include "netlab.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <signal.h>
#include <string_view>
#include <unistd.h>

namespace vantor::testing {

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

bool have(const char* tool) {
    const std::string c = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(c.c_str()) == 0;
}

// Removes namespaces left behind by test processes that no longer exist.
void removeStale() {
    DIR* d = opendir("/run/netns");
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string_view n(e->d_name);
        if (!n.starts_with("vtl")) continue;
        const auto us = n.find('_');
        if (us == std::string_view::npos) continue;
        const int pid = std::atoi(std::string(n.substr(3, us - 3)).c_str());
        if (pid > 0 && kill(pid, 0) != 0) {
            const std::string c = "ip netns del " + std::string(n) + " >/dev/null 2>&1";
            (void)std::system(c.c_str());
        }
    }
    closedir(d);
}

} // namespace

std::string NetLab::unavailableReason() {
    if (geteuid() != 0) return "needs root for network namespaces";
    if (!have("ip")) return "needs iproute2 (ip)";
    if (!have("nft")) return "needs nftables (nft)";
    return {};
}

NetLab::NetLab(NatKind a, NatKind b) {
    error_ = unavailableReason();
    if (!error_.empty()) return;
    removeStale();
    static int serial = 0;
    prefix_ = "vtl" + std::to_string(getpid()) + "_" + std::to_string(serial++);
    const char* suffix[] = {"pub", "ra", "ca", "rb", "cb", "nb"};
    for (int i = 0; i < 6; ++i)
        names_[i] = prefix_ + suffix[i];
    if (!build(a, b) && error_.empty()) error_ = "could not build the network";
}

NetLab::~NetLab() {
    for (const auto& n : names_)
        if (!n.empty()) (void)std::system(("ip netns del " + n + " >/dev/null 2>&1").c_str());
}

bool NetLab::cmd(const std::string& command) {
    const int rc = std::system((command + " >/dev/null 2>&1").c_str());
    if (rc != 0 && error_.empty()) error_ = "failed: " + command;
    return rc == 0;
}

int NetLab::sh(Host h, const std::string& command) const {
    const std::string c = "ip netns exec " + ns(h) + " sh -c " + quote(command);
    return std::system(c.c_str());
}

std::vector<std::string> NetLab::wrap(Host h, const std::vector<std::string>& argv) const {
    std::vector<std::string> out = {"ip", "netns", "exec", ns(h)};
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

bool NetLab::build(NatKind a, NatKind b) {
    const std::string& pub = ns(Host::Server);
    for (const auto& n : names_)
        if (!cmd("ip netns add " + n) || !cmd("ip -n " + n + " link set lo up")) return false;
    if (!cmd("ip -n " + pub + " link add br0 type bridge") || !cmd("ip -n " + pub + " link set br0 up") ||
        !cmd("ip -n " + pub + " addr add " + std::string(kServerAddress) + "/24 dev br0"))
        return false;

    struct Side {
        Host router, client;
        const char* wan;
        const char* lanNet;
        NatKind nat;
        char tag;
    };
    const Side sides[] = {{Host::RouterA, Host::ClientA, kRouterAWan, "10.1.0", a, 'a'},
                          {Host::RouterB, Host::ClientB, kRouterBWan, "10.2.0", b, 'b'}};
    // Interface names are per namespace, so short fixed names do not clash between runs.
    for (const Side& s : sides) {
        const std::string& r = ns(s.router);
        const std::string& c = ns(s.client);
        const std::string brPort = std::string("up") + s.tag;
        const std::string lanNet = s.lanNet;
        const bool ok =
            cmd("ip -n " + r + " link add wan type veth peer name " + brPort + " netns " + pub) &&
            cmd("ip -n " + pub + " link set " + brPort + " master br0") &&
            cmd("ip -n " + pub + " link set " + brPort + " up") &&
            cmd("ip -n " + r + " addr add " + std::string(s.wan) + "/24 dev wan") &&
            cmd("ip -n " + r + " link set wan up") &&
            cmd("ip -n " + r + " link add lan type veth peer name eth0 netns " + c) &&
            cmd("ip -n " + r + " addr add " + lanNet + ".1/24 dev lan") &&
            cmd("ip -n " + r + " link set lan up") &&
            cmd("ip -n " + c + " addr add " + lanNet + ".2/24 dev eth0") &&
            cmd("ip -n " + c + " link set eth0 up") &&
            cmd("ip -n " + c + " route add default via " + lanNet + ".1") &&
            cmd("ip netns exec " + r + " sysctl -qw net.ipv4.ip_forward=1") &&
            cmd("ip netns exec " + r + " nft add table ip nat") &&
            cmd("ip netns exec " + r +
                " nft 'add chain ip nat post { type nat hook postrouting priority 100 ; }'") &&
            cmd("ip netns exec " + r + " nft add rule ip nat post oifname wan masquerade" +
                (s.nat == NatKind::Symmetric ? std::string(" random,persistent") : std::string())) &&
            cmd("ip netns exec " + r + " nft add table ip filter") &&
            cmd("ip netns exec " + r +
                " nft 'add chain ip filter input { type filter hook input priority 0 ; policy accept ; }'") &&
            cmd("ip netns exec " + r + " nft add rule ip filter input iifname wan ct state new drop");
        if (!ok) return false;
    }
    // The neighbour: a second LAN of router B, routed (not translated) to client B's LAN.
    const std::string& rb = ns(Host::RouterB);
    const std::string& nb = ns(Host::Neighbour);
    return cmd("ip -n " + rb + " link add lan2 type veth peer name eth0 netns " + nb) &&
           cmd("ip -n " + rb + " addr add 10.2.1.1/24 dev lan2") &&
           cmd("ip -n " + rb + " link set lan2 up") &&
           cmd("ip -n " + nb + " addr add " + std::string(kNeighbour) + "/24 dev eth0") &&
           cmd("ip -n " + nb + " link set eth0 up") && cmd("ip -n " + nb + " route add default via 10.2.1.1");
}

bool NetLab::blockDirectUdp() {
    bool ok = true;
    for (auto [router, other] :
         {std::pair{Host::RouterA, kRouterBWan}, std::pair{Host::RouterB, kRouterAWan}}) {
        const std::string& r = ns(router);
        ok = ok &&
             cmd("ip netns exec " + r +
                 " nft 'add chain ip filter blockfwd { type filter hook forward priority 0 ; policy accept ; "
                 "}'") &&
             cmd("ip netns exec " + r + " nft add rule ip filter blockfwd ip daddr " + other +
                 " meta l4proto udp drop") &&
             cmd("ip netns exec " + r + " nft add rule ip filter input ip saddr " + other +
                 " meta l4proto udp drop");
    }
    return ok;
}

} // namespace vantor::testing
