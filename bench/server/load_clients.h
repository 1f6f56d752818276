// Many wire clients on non-blocking sockets driven by one epoll loop: they sign in, count what
// arrives frame by frame without decoding it, and send chat messages. Also a plain TCP sender
// that pushes the same number of bytes without any protocol, as the baseline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::bench {

struct LoadResult {
    double seconds = 0;
    uint64_t bytes = 0;   // received by all clients together
    uint64_t frames = 0;  // frames of the counted code
    size_t completed = 0; // clients that reached their goal
};

class LoadClients {
  public:
    // `accounts[i]` signs in with `passwords[i]`.
    LoadClients(uint16_t port, std::vector<std::string> accounts, std::vector<std::string> passwords);
    ~LoadClients();

    // Connects every client at once and waits until each has its CmdLoginComplete.
    LoadResult signInAll(double timeoutSeconds);
    // Client i sends `perClient` chat messages to the user `receivers[i]`; waits until every
    // client has received `expectedPerClient[i]` chat messages.
    LoadResult exchangeChat(const std::vector<uint32_t>& senders, const std::vector<uint32_t>& receivers,
                            int perClient, const std::vector<int>& expectedPerClient, double timeoutSeconds);

  private:
    struct Client;
    LoadResult run(double timeoutSeconds, bool (*done)(const Client&));
    uint16_t port_;
    std::vector<Client*> clients_;
    int epoll_ = -1;
};

// Baseline: `connections` plain TCP connections over loopback, each carrying `bytesEach` bytes from
// a sender thread to the same epoll reading loop.
LoadResult rawLoopbackTransfer(size_t connections, uint64_t bytesEach, double timeoutSeconds);

} // namespace vantor::bench
