#include "test_net.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <QUdpSocket>

#include <unistd.h>

namespace vantor::testing {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

void spin(int ms) {
    waitFor([] { return false; }, ms);
}

uint16_t freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

uint16_t freeLowPort() {
    for (int i = 0; i < 1000; ++i) {
        const auto port = uint16_t(20000 + QRandomGenerator::global()->bounded(12768));
        QTcpServer tcp;
        QUdpSocket udp;
        if (tcp.listen(QHostAddress::LocalHost, port) && udp.bind(QHostAddress::LocalHost, port)) return port;
    }
    return 0;
}

EchoServer::EchoServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] { s->write("echo:" + s->readAll()); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

// ---- proxies ----

ProxyProcess::~ProxyProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate(); // SIGTERM to the process we started; it ends its own children
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

QByteArray ProxyProcess::output() {
    return process_.readAll();
}

bool ProxyProcess::start(const QString& program, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program, arguments);
    if (!process_.waitForStarted(3000)) return false;
    started_ = waitFor(
        [&] {
            if (process_.state() == QProcess::NotRunning) return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            return probe.waitForConnected(100);
        },
        5000);
    started_ = started_ && process_.state() == QProcess::Running;
    return started_;
}

DanteProxy::DanteProxy(uint16_t blockedPort) {
    port_ = freeLowPort();
    QString conf = QStringLiteral("logoutput: stderr\n"
                                  "internal: 127.0.0.1 port = %1\n"
                                  "external: lo\n"
                                  "socksmethod: username none\n"
                                  "clientmethod: none\n"
                                  "user.privileged: root\n"
                                  "user.unprivileged: nobody\n"
                                  "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  log: error\n}\n")
                       .arg(port_);
    if (blockedPort)
        conf +=
            QStringLiteral("socks block {\n  from: 0.0.0.0/0 to: 127.0.0.1/32 port = %1\n  log: error\n}\n")
                .arg(blockedPort);
    conf += QStringLiteral(
        "socks pass {\n  from: 0.0.0.0/0 to: 0.0.0.0/0\n  protocol: tcp udp\n  log: error\n}\n");
    QFile f(dir_.filePath(QStringLiteral("danted.conf")));
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(conf.toUtf8());
    f.close();
    start(QStringLiteral("danted"),
          {QStringLiteral("-f"), f.fileName(), QStringLiteral("-N"), QStringLiteral("1"),
           QStringLiteral("-p"), dir_.filePath(QStringLiteral("danted.pid"))});
}

TinyProxy::TinyProxy(const std::vector<uint16_t>& connectPorts) {
    port_ = freeLowPort();
    QString conf = QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 60\nAllow 127.0.0.1\nLogLevel Error\n"
                                  "MaxClients 20\n")
                       .arg(port_);
    for (uint16_t p : connectPorts)
        conf += QStringLiteral("ConnectPort %1\n").arg(p);
    QFile f(dir_.filePath(QStringLiteral("tinyproxy.conf")));
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(conf.toUtf8());
    f.close();
    start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), f.fileName()});
}

// ---- system account ----

namespace {
bool run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(3000)) return false;
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

SystemUser::SystemUser() {
    if (::geteuid() != 0) return;
    const quint32 r = QRandomGenerator::global()->generate();
    name = "vtp" + QByteArray::number(r, 16);
    password = "Pw-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    if (!run(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-N"), QStringLiteral("-s"),
                                         QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(name)}))
        return;
    ok_ = run(QStringLiteral("chpasswd"), {}, name + ":" + password + "\n");
    if (!ok_) run(QStringLiteral("userdel"), {QString::fromLatin1(name)});
}

SystemUser::~SystemUser() {
    if (ok_) run(QStringLiteral("userdel"), {QString::fromLatin1(name)});
}

// ---- pipe ----

TcpPipe::TcpPipe(uint16_t target) : target_(target) {
    listener_.listen(QHostAddress::LocalHost, freeLowPort());
    QObject::connect(&listener_, &QTcpServer::newConnection, &listener_, [this] {
        while (QTcpSocket* client = listener_.nextPendingConnection()) {
            ++connections_;
            auto* server = new QTcpSocket(client);
            server->connectToHost(QHostAddress::LocalHost, target_);
            sockets_.push_back(client);
            sockets_.push_back(server);
            QObject::connect(client, &QTcpSocket::readyRead, client, [this, client, server] {
                const QByteArray b = client->readAll();
                fromClients_ += b;
                server->write(b);
            });
            QObject::connect(server, &QTcpSocket::readyRead, client, [this, client, server] {
                const QByteArray b = server->readAll();
                if (!silent_) client->write(b);
            });
            QObject::connect(client, &QTcpSocket::disconnected, server,
                             [server] { server->disconnectFromHost(); });
            QObject::connect(server, &QTcpSocket::disconnected, client,
                             [client] { client->disconnectFromHost(); });
        }
    });
}

TcpPipe::~TcpPipe() {
    cut();
}

void TcpPipe::cut() {
    for (auto& s : sockets_)
        if (s) s->abort();
    for (auto& s : sockets_)
        if (s && !s->parent()) s->deleteLater();
    sockets_.clear();
}

} // namespace vantor::testing
