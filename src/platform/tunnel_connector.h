// Opens a TCP connection to a host, directly or through a SOCKS 4/4A/5 or HTTP proxy, without
// blocking: the caller gets succeeded() with an open socket or failed() with a reason. A time-out
// bounds the whole attempt (name lookup, connection and proxy exchange).
#pragma once

#include "platform/clock.h"
#include "platform/proxy_handshake.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <memory>

namespace vantor::platform {

class TunnelConnector : public QObject {
    Q_OBJECT
  public:
    explicit TunnelConnector(Clock& clock, QObject* parent = nullptr);
    ~TunnelConnector() override;

    void start(const ProxySettings& proxy, const QString& host, uint16_t port, int timeoutMs);
    // Stops the attempt; no signal follows.
    void abort();
    bool running() const { return running_; }

    // After succeeded(): the open socket (ownership passes to the caller, parent cleared) and any
    // bytes that already arrived behind the proxy's answer.
    QTcpSocket* takeSocket();
    QByteArray takeLeftover() { return std::exchange(buffer_, {}); }

  signals:
    void succeeded();
    void failed(const QString& reason);

  private:
    void connectSocket(const QString& host, uint16_t port);
    void onConnected();
    void onReadyRead();
    void fail(const QString& reason);
    void finish();
    void cleanup();

    Clock& clock_;
    std::unique_ptr<Timer> timeout_;
    QPointer<QTcpSocket> socket_;
    std::unique_ptr<ProxyHandshake> handshake_;
    ProxySettings proxy_;
    QString host_;
    uint16_t port_ = 0;
    QByteArray buffer_;
    int lookupId_ = -1;
    bool running_ = false;
};

} // namespace vantor::platform
