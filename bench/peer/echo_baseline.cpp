#include "echo_baseline.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace vantor::bench {

namespace {

sockaddr_in loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

} // namespace

EchoServer::EchoServer(Kind kind) : kind_(kind) {
    listen_ = ::socket(AF_INET, kind == Udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        (kind == Tcp && ::listen(listen_, 1) != 0))
        std::abort();
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

EchoServer::~EchoServer() {
    ::shutdown(listen_, SHUT_RDWR);
    ::close(listen_);
    thread_.join();
}

void EchoServer::run() {
    char buf[65536];
    if (kind_ == Udp) {
        for (;;) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(listen_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n <= 0) return;
            ::sendto(listen_, buf, size_t(n), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }
    const int c = ::accept(listen_, nullptr, nullptr);
    if (c < 0) return;
    const int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (;;) {
        const ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) break;
        if (::write(c, buf, size_t(n)) != n) break;
    }
    ::close(c);
}

EchoClient::EchoClient(EchoServer::Kind kind, uint16_t port) : kind_(kind) {
    fd_ = ::socket(AF_INET, kind == EchoServer::Udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    const sockaddr_in a = loopback(port);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) std::abort();
    const int one = 1;
    if (kind == EchoServer::Tcp) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const int big = 1 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
}

EchoClient::~EchoClient() {
    ::close(fd_);
}

void EchoClient::exchange(const std::string& bytes, int count) {
    for (int i = 0; i < count; ++i)
        if (::send(fd_, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) std::abort();
    size_t want = bytes.size() * size_t(count);
    buf_.resize(65536);
    while (want > 0) {
        const ssize_t n = ::recv(fd_, buf_.data(), buf_.size(), 0);
        if (n <= 0) std::abort();
        want -= std::min(want, size_t(n));
    }
}

} // namespace vantor::bench
