#include "peer/udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantor::peer {

namespace {

bool wouldBlock(int e) {
    return e == EAGAIN || e == EWOULDBLOCK;
}

// The system error behind a failed proxy connection.
int controlErrorCode(QAbstractSocket::SocketError e) {
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError:
        return ECONNRESET;
    case QAbstractSocket::HostNotFoundError:
        return EHOSTUNREACH;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::NetworkError:
        return ENETUNREACH;
    case QAbstractSocket::SocketAccessError:
        return EACCES;
    default:
        return EIO;
    }
}

} // namespace

ThxUDPSocket::ThxUDPSocket(platform::Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

ThxUDPSocket::~ThxUDPSocket() {
    *alive_ = false;
    close();
}

void ThxUDPSocket::SetActive(bool on) {
    if (on == Active()) return;
    if (on)
        open();
    else
        close();
}

void ThxUDPSocket::open() {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int code = 0;
    if (fd < 0) {
        code = errno;
    } else {
        const int yes = 1, broadcast = Broadcast ? 1 : 0;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        a.sin_port = htons(uint16_t(Port));
        socklen_t len = sizeof a;
        if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
            ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &broadcast, sizeof broadcast) != 0 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            code = errno;
            ::close(fd);
            fd = -1;
        } else {
            Port = ntohs(a.sin_port);
        }
    }
    if (fd < 0) {
        if (OnError) OnError(*this, ekOpen, code);
        if (code != 0) throw TUDPException(kOpenFailed, code);
        return;
    }
    fd_ = fd;
    try {
        // The stored sizes are applied to the new socket.
        const int snd = sendBufSize_, rcv = recvBufSize_;
        if (::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &snd, sizeof snd) != 0 ||
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof rcv) != 0)
            throw TUDPException(kNotifierFailed, errno);
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { onReadable(); });
        if (WaitTimeout >= 0) {
            waitTimer_ = clock_.createTimer();
            waitTimer_->onTimeout = [this] {
                if (OnTimeOut) OnTimeOut(*this);
            };
            waitTimer_->start(WaitTimeout);
        }
    } catch (...) {
        close();
        throw TUDPException(kNotifierFailed, 0);
    }
    if (ProxyEnabled) startProxy();
}

void ThxUDPSocket::close() {
    waitTimer_.reset();
    proxyTimer_.reset();
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.reset();
    }
    if (control_) {
        // It may be the sender of the signal being handled: deleted once that is over.
        control_->disconnect(this);
        control_->abort();
        control_.release()->deleteLater();
    }
    association_.reset();
    controlIn_.clear();
    relayAddress_ = 0;
    relayPort_ = 0;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void ThxUDPSocket::setBuffer(int option, int bytes, int& stored, const char* failure) {
    if (bytes == stored) return;
    if (fd_ < 0) throw TUDPException(failure, EBADF);
    if (::setsockopt(fd_, SOL_SOCKET, option, &bytes, sizeof bytes) != 0) throw TUDPException(failure, errno);
    stored = bytes;
}

void ThxUDPSocket::SetSendBufSize(int bytes) {
    setBuffer(SO_SNDBUF, bytes, sendBufSize_, kSendBufferFailed);
}

void ThxUDPSocket::SetRecvBufSize(int bytes) {
    setBuffer(SO_RCVBUF, bytes, recvBufSize_, kRecvBufferFailed);
}

bool ThxUDPSocket::SendBuf(const char* data, int length, int port, const std::string& ip) {
    if (ip.empty()) return false;
    uint32_t address = 0;
    if (!parseIpv4(ip, address)) throw TUDPException(kBadRemoteAddress, 0);
    if (fd_ < 0 || length < 0) return false;
    if (ProxyEnabled) {
        if (relayPort_ == 0) return false; // no association yet
        if (length > kMaxDatagram) throw TUDPException(kRelaySendFailed, EMSGSIZE);
        char frame[kRelayHeaderSize + kMaxDatagram];
        const std::string header = relayHeader(address, uint16_t(port));
        std::memcpy(frame, header.data(), kRelayHeaderSize);
        if (length > 0) std::memcpy(frame + kRelayHeaderSize, data, size_t(length));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(relayAddress_);
        to.sin_port = htons(relayPort_);
        const ssize_t n = ::sendto(fd_, frame, kRelayHeaderSize + size_t(length), 0,
                                   reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (n >= 0) return true;
        if (wouldBlock(errno)) return false;
        throw TUDPException(kRelaySendFailed, errno);
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(uint16_t(port));
    if (::sendto(fd_, data, size_t(length), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) >= 0) return true;
    int code = errno;
    if (wouldBlock(code)) return false;
    if (OnError) OnError(*this, ekSend, code);
    if (code != 0) throw TUDPException(kSendFailed, code);
    return false;
}

bool ThxUDPSocket::ReceiveBuf(char* buffer, int size, int* received) {
    readDuringNotification_ = true;
    tookDatagram_ = false;
    if (received) *received = 0;
    if (fd_ < 0 || size < 0) return false;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    if (ProxyEnabled) {
        const ssize_t n =
            ::recvfrom(fd_, relayBuf_, sizeof relayBuf_, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) {
            if (wouldBlock(errno)) return false;
            throw TUDPException(kRelayReceiveFailed, errno);
        }
        tookDatagram_ = true;
        // Only what the proxy relays, with a whole header naming an IPv4 sender, is taken.
        if (relayPort_ == 0 || ntohs(from.sin_port) != relayPort_) return false;
        protocol::Endpoint sender;
        std::string_view payload;
        if (!parseRelayed(std::string_view(relayBuf_, size_t(n)), sender, payload)) return false;
        const size_t take = std::min(payload.size(), size_t(size));
        if (take > 0) std::memcpy(buffer, payload.data(), take);
        PeerInfo.IP = sender.address;
        PeerInfo.Port = int(sender.port);
        if (received) *received = int(take);
        return true;
    }
    const ssize_t n = ::recvfrom(fd_, buffer, size_t(size), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) {
        int code = errno;
        if (wouldBlock(code)) return false;
        if (OnError) OnError(*this, ekReceive, code);
        if (code != 0) throw TUDPException(kReceiveFailed, code);
        return false;
    }
    tookDatagram_ = true;
    PeerInfo.IP = ipv4Text(ntohl(from.sin_addr.s_addr));
    PeerInfo.Port = ntohs(from.sin_port);
    if (received) *received = int(n);
    return true;
}

void ThxUDPSocket::onReadable() {
    if (waitTimer_) waitTimer_->start();
    const auto alive = alive_;
    // A burst of datagrams (file blocks, their acknowledgements) is taken in one notification, up
    // to a bound so that the rest of the event loop keeps its turn: each turn of the loop costs
    // far more than one more read.
    for (int i = 0; i < kReadsPerNotification; ++i) {
        readDuringNotification_ = false;
        tookDatagram_ = false;
        bool failed = false;
        try {
            if (OnDataRead) OnDataRead(*this, PeerInfo);
        } catch (...) {
            failed = true; // the handler's errors stay with it; the notification is over
        }
        if (!*alive || fd_ < 0) return;
        if (!readDuringNotification_) {
            // Nobody read: take the datagram away so that the socket does not stay readable forever.
            char discard[1];
            ::recv(fd_, discard, sizeof discard, MSG_DONTWAIT);
            return;
        }
        if (failed || !tookDatagram_) return; // nothing more waiting
    }
}

// ---- SOCKS 5 association ----

void ThxUDPSocket::startProxy() {
    uint32_t proxy = 0;
    if (!parseIpv4(ProxyAddress, proxy)) {
        proxyFailed(TUDPException(kProxyConnectFailed, EHOSTUNREACH));
        return;
    }
    association_ = std::make_unique<Socks5UdpAssociation>(ProxyUsername, ProxyPassword, 0, uint16_t(Port));
    control_ = std::make_unique<QTcpSocket>();
    connect(control_.get(), &QTcpSocket::connected, this, [this] { onProxyConnected(); });
    connect(control_.get(), &QTcpSocket::readyRead, this, [this] { onProxyReadyRead(); });
    connect(control_.get(), &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { onProxyLost(controlErrorCode(e)); });
    proxyTimer_ = clock_.createTimer();
    proxyTimer_->setSingleShot(true);
    proxyTimer_->onTimeout = [this] { proxyFailed(TUDPException(kProxyConnectFailed, ETIMEDOUT)); };
    proxyTimer_->start(kProxyTimeoutMs);
    control_->connectToHost(QString::fromStdString(ProxyAddress), ProxyPort);
}

void ThxUDPSocket::onProxyConnected() {
    const std::string greeting = association_->begin();
    control_->write(greeting.data(), qint64(greeting.size()));
}

void ThxUDPSocket::onProxyReadyRead() {
    const QByteArray bytes = control_->readAll();
    if (relayPort_ != 0) return; // nothing more is expected on the control connection
    controlIn_.append(bytes.constData(), size_t(bytes.size()));
    for (;;) {
        const Socks5UdpAssociation::Step s = association_->feed(controlIn_);
        if (s.kind == Socks5UdpAssociation::Step::Failed) {
            proxyFailed(TUDPException(s.errorFormat, 0));
            return;
        }
        if (!s.send.empty()) control_->write(s.send.data(), qint64(s.send.size()));
        if (s.kind == Socks5UdpAssociation::Step::Done) {
            proxyTimer_.reset();
            relayAddress_ = association_->relayAddress();
            // A proxy that reports "any address" relays from the address we reached it at.
            if (relayAddress_ == 0) parseIpv4(ProxyAddress, relayAddress_);
            relayPort_ = association_->relayPort();
            if (OnProxyReady) OnProxyReady(*this);
            return;
        }
        if (s.send.empty()) return; // need more bytes
    }
}

void ThxUDPSocket::onProxyLost(int code) {
    proxyFailed(TUDPException(kProxyConnectFailed, code));
}

void ThxUDPSocket::proxyFailed(const TUDPException& e) {
    const auto alive = alive_;
    close();
    if (OnProxyError) OnProxyError(*this, e);
}

} // namespace vantor::peer
