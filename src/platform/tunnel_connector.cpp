#include "platform/tunnel_connector.h"

#include <QHostAddress>
#include <QHostInfo>

namespace vantor::platform {

TunnelConnector::TunnelConnector(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {
    timeout_ = clock_.createTimer();
    timeout_->setSingleShot(true);
    timeout_->onTimeout = [this] { fail(QStringLiteral("timed out")); };
}

TunnelConnector::~TunnelConnector() {
    abort();
}

void TunnelConnector::start(const ProxySettings& proxy, const QString& host, uint16_t port, int timeoutMs) {
    abort();
    proxy_ = proxy;
    host_ = host;
    port_ = port;
    buffer_.clear();
    running_ = true;
    timeout_->start(timeoutMs);

    switch (proxy_.kind) {
    case ProxyKind::None:
        connectSocket(host_, port_);
        return;
    case ProxyKind::Socks4: {
        // Plain SOCKS 4 carries an IPv4 address: resolve the name here first.
        QHostAddress literal;
        if (literal.setAddress(host_) && literal.protocol() == QAbstractSocket::IPv4Protocol) {
            handshake_ = makeSocks4Handshake(false, host_, port_, proxy_.user);
            connectSocket(proxy_.host, proxy_.port);
            return;
        }
        lookupId_ = QHostInfo::lookupHost(host_, this, [this](const QHostInfo& info) {
            lookupId_ = -1;
            if (!running_) return;
            for (const QHostAddress& a : info.addresses()) {
                if (a.protocol() != QAbstractSocket::IPv4Protocol) continue;
                handshake_ = makeSocks4Handshake(false, a.toString(), port_, proxy_.user);
                connectSocket(proxy_.host, proxy_.port);
                return;
            }
            fail(QStringLiteral("cannot resolve %1 for SOCKS 4").arg(host_));
        });
        return;
    }
    case ProxyKind::Socks4A:
        handshake_ = makeSocks4Handshake(true, host_, port_, proxy_.user);
        break;
    case ProxyKind::Socks5:
        handshake_ = std::make_unique<Socks5Handshake>(Socks5Handshake::Connect, host_, port_, proxy_.user,
                                                       proxy_.password);
        break;
    case ProxyKind::Http:
        handshake_ = makeHttpConnectHandshake(host_, port_);
        break;
    }
    connectSocket(proxy_.host, proxy_.port);
}

void TunnelConnector::connectSocket(const QString& host, uint16_t port) {
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, &TunnelConnector::onConnected);
    connect(socket_, &QTcpSocket::readyRead, this, &TunnelConnector::onReadyRead);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        fail(socket_ ? socket_->errorString() : QStringLiteral("socket error"));
    });
    socket_->connectToHost(host, port);
}

void TunnelConnector::onConnected() {
    if (!running_ || !socket_) return;
    if (!handshake_) {
        finish();
        return;
    }
    socket_->write(handshake_->begin());
}

void TunnelConnector::onReadyRead() {
    if (!running_ || !socket_ || !handshake_) return;
    buffer_.append(socket_->readAll());
    for (;;) {
        ProxyHandshake::Step step = handshake_->feed(buffer_);
        if (!step.send.isEmpty()) socket_->write(step.send);
        if (step.kind == ProxyHandshake::Step::Failed) {
            fail(step.error);
            return;
        }
        if (step.kind == ProxyHandshake::Step::Done) {
            finish();
            return;
        }
        if (step.send.isEmpty()) return; // needs more bytes
    }
}

void TunnelConnector::finish() {
    timeout_->stop();
    running_ = false;
    if (socket_) socket_->disconnect(this);
    emit succeeded();
}

void TunnelConnector::fail(const QString& reason) {
    if (!running_) return;
    cleanup();
    emit failed(reason);
}

void TunnelConnector::abort() {
    cleanup();
}

void TunnelConnector::cleanup() {
    running_ = false;
    timeout_->stop();
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    handshake_.reset();
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
}

QTcpSocket* TunnelConnector::takeSocket() {
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    handshake_.reset();
    if (s) {
        s->disconnect(this);
        s->setParent(nullptr);
    }
    return s;
}

} // namespace vantor::platform
