#include "load_clients.h"

#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/records.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace vantor::bench {

using protocol::Cmd;
using Clock = std::chrono::steady_clock;

struct LoadClients::Client {
    int fd = -1;
    std::string out;  // bytes still to write
    size_t skip = 40; // bytes of the current body (or of the greeting) still to skip
    std::string head; // collects the next frame header and its code byte
    bool signedIn = false;
    int chats = 0; // chat frames received
    int expectedChats = 0;
    uint64_t bytes = 0;
    bool failed = false;
};

namespace {

int connectTo(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

bool flush(int fd, std::string& out) {
    while (!out.empty()) {
        const ssize_t n = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EINPROGRESS || errno == ENOTCONN;
        out.erase(0, size_t(n));
    }
    return true;
}

} // namespace

LoadClients::LoadClients(uint16_t port, std::vector<std::string> accounts, std::vector<std::string> passwords)
    : port_(port), epoll_(::epoll_create1(0)) {
    for (size_t i = 0; i < accounts.size(); ++i) {
        auto* c = new Client;
        c->out = protocol::greeting();
        protocol::VersionCheckRequest v;
        v.version = "1.5.0.0";
        c->out += protocol::frameMessage(protocol::makeMessage(Cmd::VersionCheck, v));
        protocol::LoginRequest login;
        login.account = accounts[i];
        login.password = passwords[i];
        login.localAddress = "127.0.0.1";
        c->out += protocol::frameMessage(protocol::makeMessage(Cmd::Login, login));
        clients_.push_back(c);
    }
}

LoadClients::~LoadClients() {
    for (Client* c : clients_) {
        if (c->fd >= 0) ::close(c->fd);
        delete c;
    }
    ::close(epoll_);
}

LoadResult LoadClients::run(double timeoutSeconds, bool (*done)(const Client&)) {
    LoadResult r;
    const auto start = Clock::now();
    std::vector<char> buf(256 * 1024);
    epoll_event events[256];
    size_t remaining = 0;
    for (Client* c : clients_)
        if (!done(*c) && !c->failed) ++remaining;
    while (remaining > 0 && std::chrono::duration<double>(Clock::now() - start).count() < timeoutSeconds) {
        const int n = ::epoll_wait(epoll_, events, 256, 100);
        for (int i = 0; i < n; ++i) {
            Client* c = static_cast<Client*>(events[i].data.ptr);
            const bool wasDone = done(*c);
            if (events[i].events & EPOLLOUT) c->failed |= !flush(c->fd, c->out);
            if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                for (;;) {
                    const ssize_t got = ::recv(c->fd, buf.data(), buf.size(), 0);
                    if (got <= 0) {
                        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) c->failed = true;
                        break;
                    }
                    c->bytes += uint64_t(got);
                    size_t p = 0;
                    while (p < size_t(got)) {
                        if (c->skip > 0) {
                            const size_t k = std::min(c->skip, size_t(got) - p);
                            c->skip -= k;
                            p += k;
                            continue;
                        }
                        const size_t k = std::min(size_t(21) - c->head.size(), size_t(got) - p);
                        c->head.append(buf.data() + p, k);
                        p += k;
                        if (c->head.size() < 21) break;
                        const uint32_t length = wire::loadU32(c->head.data() + 4);
                        const auto code = Cmd(uint8_t(c->head[20]));
                        if (code == Cmd::LoginComplete) c->signedIn = true;
                        if (code == Cmd::ChatMessage) ++c->chats;
                        c->skip = length - 1;
                        c->head.clear();
                    }
                }
            }
            if (!wasDone && (done(*c) || c->failed)) --remaining;
        }
    }
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (Client* c : clients_) {
        r.bytes += c->bytes;
        r.frames += uint64_t(c->chats);
        r.completed += done(*c) ? 1 : 0;
        c->bytes = 0;
    }
    return r;
}

LoadResult LoadClients::signInAll(double timeoutSeconds) {
    for (Client* c : clients_) {
        c->fd = connectTo(port_);
        epoll_event e{};
        e.events = EPOLLIN | EPOLLOUT | EPOLLET;
        e.data.ptr = c;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, c->fd, &e);
    }
    return run(timeoutSeconds, [](const Client& c) { return c.signedIn; });
}

LoadResult LoadClients::exchangeChat(const std::vector<uint32_t>& senders,
                                     const std::vector<uint32_t>& receivers, int perClient,
                                     const std::vector<int>& expectedPerClient, double timeoutSeconds) {
    for (size_t i = 0; i < clients_.size(); ++i) {
        Client* c = clients_[i];
        c->chats = 0;
        c->expectedChats = expectedPerClient[i];
        for (int k = 0; k < perClient; ++k) {
            protocol::ChatMessage m;
            m.senderId = senders[i];
            m.recipientId = receivers[i];
            m.sendTick = uint32_t(k + 1);
            m.key.userA = senders[i];
            m.key.userB = receivers[i];
            m.text = std::string(48, char('a' + k % 26)); // a short enciphered line
            c->out += protocol::frameMessage(protocol::Message{uint8_t(Cmd::ChatMessage), m.encodeBody()});
        }
        flush(c->fd, c->out);
    }
    return run(timeoutSeconds, [](const Client& c) { return c.chats >= c.expectedChats; });
}

LoadResult rawLoopbackTransfer(size_t connections, uint64_t bytesEach, double timeoutSeconds) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener, 4096);
    socklen_t len = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const uint16_t port = ntohs(a.sin_port);

    // The sender: accepts every connection, then writes to all of them in turn as they drain.
    std::thread sender([&] {
        std::vector<int> fds;
        for (size_t i = 0; i < connections; ++i)
            fds.push_back(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK));
        std::vector<uint64_t> left(fds.size(), bytesEach);
        const std::string chunk(64 * 1024, 'x');
        size_t open = fds.size();
        while (open > 0) {
            bool progress = false;
            for (size_t i = 0; i < fds.size(); ++i) {
                if (left[i] == 0) continue;
                const ssize_t n = ::send(fds[i], chunk.data(),
                                         size_t(std::min<uint64_t>(left[i], chunk.size())), MSG_NOSIGNAL);
                if (n > 0) {
                    left[i] -= uint64_t(n);
                    progress = true;
                    if (left[i] == 0) {
                        ::close(fds[i]);
                        --open;
                    }
                } else if (n < 0 && errno != EAGAIN) {
                    left[i] = 0;
                    --open;
                }
            }
            if (!progress) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    const int ep = ::epoll_create1(0);
    std::vector<int> fds;
    std::vector<uint64_t> got(connections, 0);
    const auto start = Clock::now();
    for (size_t i = 0; i < connections; ++i) {
        fds.push_back(connectTo(port));
        epoll_event e{};
        e.events = EPOLLIN | EPOLLET;
        e.data.u64 = i;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, fds.back(), &e);
    }
    std::vector<char> buf(256 * 1024);
    epoll_event events[256];
    size_t remaining = connections;
    LoadResult r;
    while (remaining > 0 && std::chrono::duration<double>(Clock::now() - start).count() < timeoutSeconds) {
        const int n = ::epoll_wait(ep, events, 256, 100);
        for (int i = 0; i < n; ++i) {
            const size_t k = events[i].data.u64;
            for (;;) {
                const ssize_t g = ::recv(fds[k], buf.data(), buf.size(), 0);
                if (g <= 0) break;
                // Touch the bytes as the wire clients do, a little.
                got[k] += uint64_t(g);
                r.frames += uint64_t(buf[size_t(g) - 1] == 'x');
            }
            if (got[k] == bytesEach) {
                got[k] = bytesEach + 1; // counted once
                --remaining;
            }
        }
    }
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.completed = connections - remaining;
    r.bytes = uint64_t(r.completed) * bytesEach;
    sender.join();
    for (int fd : fds)
        ::close(fd);
    ::close(ep);
    ::close(listener);
    return r;
}

} // namespace vantor::bench
