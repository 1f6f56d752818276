#include "platform/proxy_handshake.h"

#include <QRegularExpression>

namespace vantor::platform {

namespace {

using Step = ProxyHandshake::Step;

Step failed(QString why) {
    Step s;
    s.kind = Step::Failed;
    s.error = std::move(why);
    return s;
}
Step done() {
    Step s;
    s.kind = Step::Done;
    return s;
}

void putPort(QByteArray& b, uint16_t port) {
    b.append(char(port >> 8));
    b.append(char(port & 0xFF));
}

QString socks4Reason(uint8_t cd) {
    switch (cd) {
    case 91:
        return QStringLiteral("SOCKS 4 request rejected or failed");
    case 92:
        return QStringLiteral("SOCKS 4 proxy cannot reach our identd");
    case 93:
        return QStringLiteral("SOCKS 4 user id refused");
    default:
        return QStringLiteral("SOCKS 4 answer code %1").arg(cd);
    }
}

class Socks4Handshake : public ProxyHandshake {
  public:
    Socks4Handshake(bool socks4a, const QString& host, uint16_t port, const QByteArray& user)
        : socks4a_(socks4a), host_(host), port_(port), user_(user) {}

    QByteArray begin() override {
        QByteArray b;
        b.append(char(4));
        b.append(char(1));
        putPort(b, port_);
        QHostAddress addr;
        const bool literal = addr.setAddress(host_) && addr.protocol() == QAbstractSocket::IPv4Protocol;
        QByteArray user = user_;
        user.truncate(user.indexOf('\0') < 0 ? user.size() : user.indexOf('\0'));
        if (literal || !socks4a_) {
            // Plain SOCKS 4 was handed an address by the connector; an unusable one gives 0.0.0.0,
            // which the proxy refuses.
            const quint32 v = literal ? addr.toIPv4Address() : 0;
            b.append(char(v >> 24));
            b.append(char(v >> 16));
            b.append(char(v >> 8));
            b.append(char(v));
            b.append(user);
            b.append('\0');
        } else {
            b.append(QByteArray("\0\0\0\1", 4));
            b.append(user);
            b.append('\0');
            b.append(host_.toUtf8());
            b.append('\0');
        }
        return b;
    }

    Step feed(QByteArray& in) override {
        if (in.size() < 8) return {};
        const auto vn = uint8_t(in[0]);
        const auto cd = uint8_t(in[1]);
        in.remove(0, 8);
        if (vn != 0 && vn != 4) return failed(QStringLiteral("not a SOCKS 4 answer"));
        if (cd != 90) return failed(socks4Reason(cd));
        return done();
    }

  private:
    bool socks4a_;
    QString host_;
    uint16_t port_;
    QByteArray user_;
};

class HttpConnectHandshake : public ProxyHandshake {
  public:
    HttpConnectHandshake(const QString& host, uint16_t port) : host_(host), port_(port) {}

    QByteArray begin() override {
        QHostAddress addr;
        QByteArray h = host_.toUtf8();
        if (addr.setAddress(host_) && addr.protocol() == QAbstractSocket::IPv6Protocol) h = "[" + h + "]";
        const QByteArray target = h + ":" + QByteArray::number(port_);
        return "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n";
    }

    Step feed(QByteArray& in) override {
        // The answer ends at its first blank line; bare line feeds are tolerated.
        qsizetype end = -1, skip = 0;
        const qsizetype crlf = in.indexOf("\r\n\r\n");
        const qsizetype lf = in.indexOf("\n\n");
        if (crlf >= 0 && (lf < 0 || crlf <= lf)) {
            end = crlf;
            skip = 4;
        } else if (lf >= 0) {
            end = lf;
            skip = 2;
        }
        if (end < 0) {
            if (in.size() > kMaxHttpProxyAnswer) return failed(QStringLiteral("HTTP proxy answer too long"));
            return {};
        }
        const QByteArray head = in.left(end);
        in.remove(0, end + skip);
        const qsizetype eol = head.indexOf('\n');
        const QByteArray statusLine = (eol < 0 ? head : head.left(eol)).trimmed();
        static const QRegularExpression re(QStringLiteral("^HTTP/1\\.[01] +(\\d{3})(?: .*)?$"));
        const auto m = re.match(QString::fromLatin1(statusLine));
        if (!m.hasMatch()) return failed(QStringLiteral("not an HTTP answer"));
        const int status = m.captured(1).toInt();
        if (status < 200 || status > 299)
            return failed(QStringLiteral("HTTP proxy refused: %1").arg(QString::fromLatin1(statusLine)));
        return done();
    }

  private:
    QString host_;
    uint16_t port_;
};

QString socks5Reason(uint8_t rep) {
    static const char* const reasons[] = {"succeeded",
                                          "general SOCKS server failure",
                                          "connection not allowed by ruleset",
                                          "network unreachable",
                                          "host unreachable",
                                          "connection refused",
                                          "TTL expired",
                                          "command not supported",
                                          "address type not supported"};
    if (rep < std::size(reasons)) return QStringLiteral("SOCKS 5: %1").arg(QLatin1String(reasons[rep]));
    return QStringLiteral("SOCKS 5 answer code %1").arg(rep);
}

} // namespace

std::unique_ptr<ProxyHandshake> makeSocks4Handshake(bool socks4a, const QString& host, uint16_t port,
                                                    const QByteArray& userId) {
    return std::make_unique<Socks4Handshake>(socks4a, host, port, userId);
}

std::unique_ptr<ProxyHandshake> makeHttpConnectHandshake(const QString& host, uint16_t port) {
    return std::make_unique<HttpConnectHandshake>(host, port);
}

// ---- SOCKS 5 ----

Socks5Handshake::Socks5Handshake(Command command, const QString& host, uint16_t port, const QByteArray& user,
                                 const QByteArray& password)
    : command_(command), host_(host), port_(port), user_(user), password_(password) {}

QByteArray Socks5Handshake::begin() {
    state_ = State::Method;
    if (user_.isEmpty()) return QByteArray("\x05\x01\x00", 3);
    return QByteArray("\x05\x02\x00\x02", 4);
}

QByteArray Socks5Handshake::request() const {
    QByteArray b;
    b.append(char(5));
    b.append(char(command_));
    b.append(char(0));
    QHostAddress addr;
    if (addr.setAddress(host_) && addr.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v = addr.toIPv4Address();
        b.append(char(1));
        b.append(char(v >> 24));
        b.append(char(v >> 16));
        b.append(char(v >> 8));
        b.append(char(v));
    } else if (addr.protocol() == QAbstractSocket::IPv6Protocol) {
        const Q_IPV6ADDR v6 = addr.toIPv6Address();
        b.append(char(4));
        b.append(reinterpret_cast<const char*>(v6.c), 16);
    } else {
        const QByteArray name = host_.toUtf8();
        b.append(char(3));
        b.append(char(name.size()));
        b.append(name);
    }
    putPort(b, port_);
    return b;
}

ProxyHandshake::Step Socks5Handshake::feed(QByteArray& in) {
    switch (state_) {
    case State::Method: {
        if (in.size() < 2) return {};
        const auto ver = uint8_t(in[0]);
        const auto method = uint8_t(in[1]);
        in.remove(0, 2);
        if (ver != 5) return failed(QStringLiteral("not a SOCKS 5 answer"));
        if (method == 0x02 && !user_.isEmpty()) {
            if (user_.size() > 255 || password_.size() > 255)
                return failed(QStringLiteral("SOCKS 5 user name or password longer than 255 bytes"));
            Step s;
            s.send.append(char(1));
            s.send.append(char(user_.size()));
            s.send.append(user_);
            s.send.append(char(password_.size()));
            s.send.append(password_);
            state_ = State::Auth;
            return s;
        }
        if (method != 0x00) return failed(QStringLiteral("SOCKS 5 proxy accepts none of our methods"));
        if (host_.toUtf8().size() > 255) return failed(QStringLiteral("host name too long for SOCKS 5"));
        Step s;
        s.send = request();
        state_ = State::Reply;
        return s;
    }
    case State::Auth: {
        if (in.size() < 2) return {};
        const auto status = uint8_t(in[1]);
        in.remove(0, 2);
        if (status != 0) return failed(QStringLiteral("SOCKS 5 user name or password refused"));
        if (host_.toUtf8().size() > 255) return failed(QStringLiteral("host name too long for SOCKS 5"));
        Step s;
        s.send = request();
        state_ = State::Reply;
        return s;
    }
    case State::Reply: {
        if (in.size() < 5) return {};
        const auto ver = uint8_t(in[0]);
        const auto rep = uint8_t(in[1]);
        const auto atyp = uint8_t(in[3]);
        qsizetype addrLen = 0;
        if (atyp == 1)
            addrLen = 4;
        else if (atyp == 4)
            addrLen = 16;
        else if (atyp == 3)
            addrLen = 1 + uint8_t(in[4]);
        else if (ver == 5 && rep != 0)
            return failed(socks5Reason(rep)); // some proxies send a short refusal
        else
            return failed(QStringLiteral("SOCKS 5 answer with an unknown address type"));
        const qsizetype total = 4 + addrLen + 2;
        if (in.size() < total) return {};
        const QByteArray reply = in.left(total);
        in.remove(0, total);
        if (ver != 5) return failed(QStringLiteral("not a SOCKS 5 answer"));
        if (rep != 0) return failed(socks5Reason(rep));
        const auto* p = reinterpret_cast<const uint8_t*>(reply.constData()) + 4;
        if (atyp == 1) {
            boundAddress_.setAddress(quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]);
            boundHost_ = boundAddress_.toString();
        } else if (atyp == 4) {
            boundAddress_.setAddress(p);
            boundHost_ = boundAddress_.toString();
        } else {
            boundHost_ = QString::fromUtf8(reinterpret_cast<const char*>(p + 1), p[0]);
            boundAddress_.setAddress(boundHost_);
        }
        boundPort_ = uint16_t(p[addrLen] << 8 | p[addrLen + 1]);
        state_ = State::Finished;
        return done();
    }
    case State::Finished:
        return done();
    }
    return failed(QStringLiteral("bad state"));
}

} // namespace vantor::platform
