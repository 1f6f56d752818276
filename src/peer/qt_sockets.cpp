#include "peer/qt_sockets.h"

#include <QNetworkInterface>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantor::peer {

UdpDatagramSocket::UdpDatagramSocket(platform::Clock& clock, const UdpProxy& proxy) : socket_(clock) {
    socket_.Port = 0;
    if (proxy.enabled) {
        socket_.ProxyEnabled = true;
        socket_.ProxyAddress = proxy.address;
        socket_.ProxyPort = proxy.port;
        socket_.ProxyUsername = proxy.username;
        socket_.ProxyPassword = proxy.password;
    }
    socket_.OnDataRead = [this](ThxUDPSocket& s, ThxUDPSocket::TPeerInfo&) {
        int n = 0;
        if (!s.ReceiveBuf(buffer_.data(), int(buffer_.size()), &n)) return;
        if (onDatagram)
            onDatagram(std::string_view(buffer_.data(), size_t(n)),
                       {s.PeerInfo.IP, uint32_t(s.PeerInfo.Port)});
    };
    socket_.OnProxyReady = [this](ThxUDPSocket&) {
        if (onReady) onReady();
    };
    socket_.OnProxyError = [this](ThxUDPSocket&, const TUDPException& e) {
        if (onFailed) onFailed(e.what());
    };
    socket_.SetActive(true);
    try {
        socket_.SetRecvBufSize(kChannelBufferSize);
        socket_.SetSendBufSize(kChannelBufferSize);
    } catch (const TUDPException&) {
        // The defaults still carry datagrams, only fewer at once.
    }
}

bool UdpDatagramSocket::send(std::string_view data, const Endpoint& to) {
    return socket_.SendBuf(data.data(), int(data.size()), int(to.port), to.address);
}

std::unique_ptr<DatagramSocket> UdpSocketFactory::open(const UdpProxy& proxy) {
    try {
        return std::make_unique<UdpDatagramSocket>(clock_, proxy);
    } catch (const TUDPException&) {
        return nullptr;
    }
}

std::string UdpSocketFactory::localAddressTowards(const std::string& serverAddress, uint16_t port) {
    return routeAddressTowards(serverAddress, port);
}

std::string routeAddressTowards(const std::string& address, uint16_t port) {
    uint32_t target = 0;
    if (parseIpv4(address, target)) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(target);
            to.sin_port = htons(port ? port : 9);
            sockaddr_in self{};
            socklen_t len = sizeof self;
            // Connecting a datagram socket only picks the route; nothing is sent.
            const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
                            ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &len) == 0;
            ::close(fd);
            if (ok && self.sin_addr.s_addr != htonl(INADDR_ANY)) return ipv4Text(ntohl(self.sin_addr.s_addr));
        }
    }
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack)) continue;
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol) return e.ip().toString().toStdString();
    }
    return {};
}

} // namespace vantor::peer
