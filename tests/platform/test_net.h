// Test helpers around real sockets and processes: waiting on the event loop, free ports, an echo
// server, real proxies (dante, tinyproxy) started on loopback with generated configurations, and a
// throwaway system account for dante's user-name method. Every process is stopped by its own id
// when its object goes, also when a test fails.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace vantor::testing {

// Runs the event loop until `done` holds or `ms` of real time have passed.
bool waitFor(const std::function<bool()>& done, int ms = 5000);
// Runs the event loop for `ms` of real time.
void spin(int ms);

uint16_t freePort();
// A free TCP and UDP port in 20000…32767: the settings hold server and proxy ports up to 32767.
uint16_t freeLowPort();

// Answers every connection: each chunk received comes back prefixed with "echo:".
class EchoServer {
  public:
    EchoServer();
    uint16_t port() const { return server_.serverPort(); }

  private:
    QTcpServer server_;
};

// A loopback relay to a target port. Records what clients send; can drop what the server sends
// (a silent server) or cut every connection (a dead server).
class TcpPipe {
  public:
    explicit TcpPipe(uint16_t target);
    ~TcpPipe();
    uint16_t port() const { return listener_.serverPort(); }
    void setSilent(bool on) { silent_ = on; }
    void cut();
    const QByteArray& fromClients() const { return fromClients_; }
    int connections() const { return connections_; }

  private:
    QTcpServer listener_;
    uint16_t target_;
    bool silent_ = false;
    QByteArray fromClients_;
    int connections_ = 0;
    std::vector<QPointer<QTcpSocket>> sockets_;
};

// A real proxy program on 127.0.0.1 (port chosen here), with its configuration in its own folder.
class ProxyProcess {
  public:
    virtual ~ProxyProcess();
    bool started() const { return started_; }
    uint16_t port() const { return port_; }
    QByteArray output();

  protected:
    bool start(const QString& program, const QStringList& arguments);
    QTemporaryDir dir_;
    uint16_t port_ = 0;

  private:
    QProcess process_;
    bool started_ = false;
};

// dante: SOCKS 4 and 5 with the methods "username" (system accounts, SOCKS 5) and "none".
// Requests for 127.0.0.1:blockedPort are refused by a rule.
class DanteProxy : public ProxyProcess {
  public:
    explicit DanteProxy(uint16_t blockedPort = 0);
};

// tinyproxy: HTTP CONNECT allowed only to the given ports (others get 403).
class TinyProxy : public ProxyProcess {
  public:
    explicit TinyProxy(const std::vector<uint16_t>& connectPorts);
};

// A system account with a password, removed again at the end (root only; ok() says whether it
// exists).
class SystemUser {
  public:
    SystemUser();
    ~SystemUser();
    bool ok() const { return ok_; }
    QByteArray name;
    QByteArray password;

  private:
    bool ok_ = false;
};

} // namespace vantor::testing
