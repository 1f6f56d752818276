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

namespace {

// Walks the server's bytes frame by frame without decoding them: skips the greeting and every
// body, and hands each frame's code to `onFrame`.
struct FrameWalker {
    size_t skip = 40; // bytes of the current body (or of the greeting) still to skip
    std::string head; // collects the next frame header and its code byte

    template <class F>
    void feed(const char* data, size_t size, F&& onFrame) {
        size_t p = 0;
        while (p < size) {
            if (skip > 0) {
                const size_t k = std::min(skip, size - p);
                skip -= k;
                p += k;
                continue;
            }
            const size_t k = std::min(size_t(21) - head.size(), size - p);
            head.append(data + p, k);
            p += k;
            if (head.size() < 21) break;
            skip = wire::loadU32(head.data() + 4) - 1;
            const auto code = Cmd(uint8_t(head[20]));
            head.clear();
            onFrame(code);
        }
    }
};

} // namespace

struct LoadClients::Client {
    int fd = -1;
    std::string out; // bytes still to write
    FrameWalker walker;
    bool signedIn = false;
    int chats = 0; // chat frames received
    int expectedChats = 0;
    uint64_t bytes = 0;
    bool failed = false;
    std::string source; // loopback address the client connects from
    int heartbeatsLeft = 0;
    Clock::time_point heartbeatSent;
    double longestMs = 0;
};

namespace {

int connectTo(uint16_t port, const std::string& source = {}) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (!source.empty()) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
        ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    }
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

std::string heartbeatFrame() {
    return protocol::frameMessage(protocol::emptyMessage(Cmd::Heartbeat));
}

std::string signInFrames(const std::string& account, const std::string& password) {
    std::string out = protocol::greeting();
    protocol::VersionCheckRequest v;
    v.version = "1.5.0.0";
    out += protocol::frameMessage(protocol::makeMessage(Cmd::VersionCheck, v));
    protocol::LoginRequest login;
    login.account = account;
    login.password = password;
    login.localAddress = "127.0.0.1";
    out += protocol::frameMessage(protocol::makeMessage(Cmd::Login, login));
    return out;
}

} // namespace

std::string loopbackSource(uint8_t net, size_t index, size_t perAddress) {
    const size_t host = index / std::max<size_t>(1, perAddress);
    return "127." + std::to_string(net) + "." + std::to_string(host / 250) + "." +
           std::to_string(host % 250 + 1);
}

LoadClients::LoadClients(uint16_t port, std::vector<std::string> accounts, std::vector<std::string> passwords)
    : port_(port), epoll_(::epoll_create1(0)) {
    for (size_t i = 0; i < accounts.size(); ++i) {
        auto* c = new Client;
        c->out = signInFrames(accounts[i], passwords[i]);
        c->source = loopbackSource(1, i, 16);
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
                    c->walker.feed(buf.data(), size_t(got), [&](Cmd code) {
                        if (code == Cmd::LoginComplete) c->signedIn = true;
                        if (code == Cmd::ChatMessage) ++c->chats;
                        if (code == Cmd::Heartbeat && c->heartbeatsLeft > 0) {
                            const double ms =
                                std::chrono::duration<double, std::milli>(Clock::now() - c->heartbeatSent)
                                    .count();
                            c->longestMs = std::max(c->longestMs, ms);
                            if (--c->heartbeatsLeft > 0) {
                                c->heartbeatSent = Clock::now();
                                c->out += heartbeatFrame();
                                c->failed |= !flush(c->fd, c->out);
                            }
                        }
                    });
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
        r.failed += c->failed ? 1 : 0;
        r.longestRoundTripMs = std::max(r.longestRoundTripMs, c->longestMs);
        c->bytes = 0;
    }
    return r;
}

LoadResult LoadClients::signInAll(double timeoutSeconds) {
    for (Client* c : clients_) {
        c->fd = connectTo(port_, c->source);
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

LoadResult LoadClients::heartbeats(int rounds, double timeoutSeconds) {
    for (Client* c : clients_) {
        c->heartbeatsLeft = rounds;
        c->longestMs = 0;
        c->heartbeatSent = Clock::now();
        c->out += heartbeatFrame();
        c->failed |= !flush(c->fd, c->out);
    }
    return run(timeoutSeconds, [](const Client& c) { return c.heartbeatsLeft == 0; });
}

struct HostileLoad::Conn {
    enum class Kind { Idle, Guesser, Flooder } kind = Kind::Idle;
    size_t index = 0;
    int fd = -1;
    std::string out;
    FrameWalker walker;
    bool signedIn = false;
    uint32_t status = 0;
};

HostileLoad::HostileLoad(uint16_t port, Plan plan)
    : port_(port), plan_(std::move(plan)), epoll_(::epoll_create1(0)) {
    auto add = [&](Conn::Kind kind, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            auto* c = new Conn;
            c->kind = kind;
            c->index = i;
            conns_.push_back(c);
        }
    };
    add(Conn::Kind::Idle, plan_.idle);
    add(Conn::Kind::Guesser, plan_.guessers);
    add(Conn::Kind::Flooder, plan_.flooders.size());
}

HostileLoad::~HostileLoad() {
    stop();
    for (Conn* c : conns_) {
        if (c->fd >= 0) ::close(c->fd);
        delete c;
    }
    ::close(epoll_);
}

void HostileLoad::open(Conn& c) {
    if (c.fd >= 0) ::close(c.fd);
    c.walker = FrameWalker{};
    c.signedIn = false;
    switch (c.kind) {
    case Conn::Kind::Idle:
        // Spread over many addresses, as a botnet would, so the per-address limit alone does not stop them.
        c.fd = connectTo(port_, loopbackSource(66, c.index, 1));
        c.out = protocol::greeting();
        ++counts_.idleConnects;
        break;
    case Conn::Kind::Guesser: {
        c.fd = connectTo(port_, loopbackSource(77, c.index, 1));
        const auto& accounts = plan_.guessedAccounts;
        const std::string account =
            accounts.empty() ? "nobody" : accounts[(c.index + counts_.guesses) % accounts.size()];
        c.out = signInFrames(account, "wrong" + std::to_string(counts_.guesses));
        ++counts_.guesses;
        break;
    }
    case Conn::Kind::Flooder: {
        const auto& [id, account] = plan_.flooders[c.index];
        c.fd = connectTo(port_, loopbackSource(88, c.index, 1));
        c.out = signInFrames(account, "p" + std::to_string(id));
        break;
    }
    }
    epoll_event e{};
    e.events = EPOLLIN | EPOLLOUT | EPOLLET;
    e.data.ptr = &c;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &e);
}

void HostileLoad::start() {
    for (Conn* c : conns_)
        open(*c);
    thread_ = std::thread([this] { loop(); });
}

HostileLoad::Counts HostileLoad::stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
    }
    return counts_;
}

void HostileLoad::loop() {
    std::vector<char> buf(256 * 1024);
    epoll_event events[256];
    while (!stop_) {
        const int n = ::epoll_wait(epoll_, events, 256, 20);
        for (int i = 0; i < n; ++i) {
            Conn* c = static_cast<Conn*>(events[i].data.ptr);
            bool closed = (events[i].events & (EPOLLHUP | EPOLLERR)) != 0;
            if (events[i].events & EPOLLOUT) closed |= !flush(c->fd, c->out);
            // A flooder that has signed in never reads again: what the server sends it piles up.
            if (!closed && !(c->kind == Conn::Kind::Flooder && c->signedIn) && (events[i].events & EPOLLIN)) {
                for (;;) {
                    const ssize_t got = ::recv(c->fd, buf.data(), buf.size(), 0);
                    if (got <= 0) {
                        closed = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
                        break;
                    }
                    if (c->kind != Conn::Kind::Flooder) continue;
                    c->walker.feed(buf.data(), size_t(got), [&](Cmd code) {
                        if (code == Cmd::LoginComplete) {
                            c->signedIn = true;
                            ++counts_.flooderSignIns;
                        }
                    });
                }
            }
            if (closed) open(*c);
        }
        // Flooders push status changes as fast as their sockets take them.
        for (Conn* c : conns_) {
            if (c->kind != Conn::Kind::Flooder || !c->signedIn || c->out.size() > 64 * 1024) continue;
            while (c->out.size() < 64 * 1024) {
                protocol::StatusRecord r;
                r.userId = plan_.flooders[c->index].first;
                r.status = uint8_t(1 + (++c->status % 3));
                r.textKind = 2;
                r.text = "flood " + std::to_string(c->status);
                const std::string frame =
                    protocol::frameMessage(protocol::Message{uint8_t(Cmd::Status), r.encodeBody()});
                counts_.statusBytes += frame.size();
                c->out += frame;
            }
            if (!flush(c->fd, c->out)) open(*c);
        }
    }
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
