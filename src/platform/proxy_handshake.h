// The byte exchanges that open a tunnel through a proxy: SOCKS 4, 4A, 5 (with user name and
// password, RFC 1929) and HTTP CONNECT. They only turn received bytes into bytes to send, so the
// same code serves the TCP connector and, for SOCKS 5, the UDP association.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <cstdint>
#include <memory>

namespace vantor::platform {

enum class ProxyKind : int { None = 0, Socks4 = 1, Socks4A = 2, Socks5 = 3, Http = 4 };

struct ProxySettings {
    ProxyKind kind = ProxyKind::None;
    QString host;
    uint16_t port = 1080;
    QByteArray user;     // empty: no authentication
    QByteArray password; // plain text
};

class ProxyHandshake {
  public:
    struct Step {
        enum Kind { Continue, Done, Failed } kind = Continue;
        QByteArray send; // bytes to write now (may be empty)
        QString error;   // for Failed
    };
    virtual ~ProxyHandshake() = default;
    // The bytes to write once the proxy connection is open.
    virtual QByteArray begin() = 0;
    // Takes from the front of `in` the bytes that belong to the handshake (and only those; what
    // follows belongs to the tunnel) and says what to do next.
    virtual Step feed(QByteArray& in) = 0;
};

// SOCKS 4 needs an IPv4 address; SOCKS 4A sends a host name for the proxy to resolve. The user name
// travels as the request's user id.
std::unique_ptr<ProxyHandshake> makeSocks4Handshake(bool socks4a, const QString& host, uint16_t port,
                                                    const QByteArray& userId);

// SOCKS 5 command: 1 CONNECT, 3 UDP ASSOCIATE. With a user name the greeting offers "no
// authentication" and "user name/password"; without, only the first.
class Socks5Handshake : public ProxyHandshake {
  public:
    enum Command : uint8_t { Connect = 1, UdpAssociate = 3 };
    Socks5Handshake(Command command, const QString& host, uint16_t port, const QByteArray& user,
                    const QByteArray& password);
    QByteArray begin() override;
    Step feed(QByteArray& in) override;

    // The address and port the proxy reported in its answer (for UDP ASSOCIATE: where to send).
    const QHostAddress& boundAddress() const { return boundAddress_; }
    const QString& boundHost() const { return boundHost_; }
    uint16_t boundPort() const { return boundPort_; }

  private:
    enum class State { Method, Auth, Reply, Finished };
    QByteArray request() const;
    Command command_;
    QString host_;
    uint16_t port_;
    QByteArray user_, password_;
    State state_ = State::Method;
    QHostAddress boundAddress_;
    QString boundHost_;
    uint16_t boundPort_ = 0;
};

// A well-formed CONNECT request with a Host header; the answer is read up to its blank line and any
// 2xx status of HTTP/1.0 or 1.1 opens the tunnel.
std::unique_ptr<ProxyHandshake> makeHttpConnectHandshake(const QString& host, uint16_t port);

// The longest proxy answer header we wait for before giving up.
inline constexpr int kMaxHttpProxyAnswer = 16 * 1024;

} // namespace vantor::platform
