// Many wire clients on non-blocking sockets driven by one epoll loop: they sign in, count what
// arrives frame by frame without decoding it, and send chat messages. Also a plain TCP sender
// that pushes the same number of bytes without any protocol, as the baseline.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vantor::bench {

struct LoadResult {
    double seconds = 0;
    uint64_t bytes = 0;            // received by all clients together
    uint64_t frames = 0;           // frames of the counted code
    size_t completed = 0;          // clients that reached their goal
    double longestRoundTripMs = 0; // heartbeats only
    size_t failed = 0;             // clients whose connection broke
};

// The loopback source address of client `index` when `perAddress` clients share one (an office has
// many machines; the server limits what one address may hold open before signing in).
std::string loopbackSource(uint8_t net, size_t index, size_t perAddress);

class LoadClients {
  public:
    // `accounts[i]` signs in with `passwords[i]`, from 127.1.x.y with 16 clients to an address.
    LoadClients(uint16_t port, std::vector<std::string> accounts, std::vector<std::string> passwords);
    ~LoadClients();

    // Connects every client at once and waits until each has its CmdLoginComplete.
    LoadResult signInAll(double timeoutSeconds);
    // Client i sends `perClient` chat messages to the user `receivers[i]`; waits until every
    // client has received `expectedPerClient[i]` chat messages.
    LoadResult exchangeChat(const std::vector<uint32_t>& senders, const std::vector<uint32_t>& receivers,
                            int perClient, const std::vector<int>& expectedPerClient, double timeoutSeconds);
    // Every client sends `rounds` heartbeats one after the other, each when the answer to the
    // previous one is in; the result holds the longest round trip of all.
    LoadResult heartbeats(int rounds, double timeoutSeconds);

  private:
    struct Client;
    LoadResult run(double timeoutSeconds, bool (*done)(const Client&));
    uint16_t port_;
    std::vector<Client*> clients_;
    int epoll_ = -1;
};

// Connections that do what an attacker would while honest clients sign in, driven by their own
// thread: sockets that connect and never sign in (reconnecting when the server drops them),
// guessers that try wrong passwords on honest accounts again and again, and signed-in colleagues
// that flood status changes without ever reading what the server sends them.
class HostileLoad {
  public:
    struct Plan {
        size_t idle = 0;
        size_t guessers = 0;
        std::vector<std::string> guessedAccounts;               // tried in turn with wrong passwords
        std::vector<std::pair<uint32_t, std::string>> flooders; // id and account (password "p" + id)
    };
    struct Counts {
        uint64_t idleConnects = 0;
        uint64_t guesses = 0;
        uint64_t statusBytes = 0;
        uint64_t flooderSignIns = 0;
    };
    HostileLoad(uint16_t port, Plan plan);
    ~HostileLoad();
    void start();
    Counts stop();

  private:
    struct Conn;
    void loop();
    void open(Conn& c);
    uint16_t port_;
    Plan plan_;
    std::vector<Conn*> conns_;
    int epoll_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    Counts counts_;
};

// Baseline: `connections` plain TCP connections over loopback, each carrying `bytesEach` bytes from
// a sender thread to the same epoll reading loop.
LoadResult rawLoopbackTransfer(size_t connections, uint64_t bytesEach, double timeoutSeconds);

} // namespace vantor::bench
