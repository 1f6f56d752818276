// Bare echoes on loopback for the baselines: a thread that sends every UDP datagram, or every
// byte of a TCP connection, straight back; and a blocking client of each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace vantor::bench {

class EchoServer {
  public:
    enum Kind { Udp, Tcp };
    explicit EchoServer(Kind kind);
    ~EchoServer();
    uint16_t port() const { return port_; }

  private:
    void run();
    Kind kind_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

class EchoClient {
  public:
    EchoClient(EchoServer::Kind kind, uint16_t port);
    ~EchoClient();
    // Sends `count` copies of `bytes` and waits until all came back.
    void exchange(const std::string& bytes, int count);

  private:
    EchoServer::Kind kind_;
    int fd_ = -1;
    std::string buf_;
};

} // namespace vantor::bench
