#include "platform/hand_over.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace vantor::platform {

struct HandOverServer::Pending {
    QLocalSocket* socket = nullptr;
    QByteArray text;
    std::unique_ptr<Timer> idle;
};

HandOverServer::HandOverServer(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

HandOverServer::~HandOverServer() {
    close();
}

void HandOverServer::close() {
    for (auto& p : pending_)
        if (p->socket) {
            p->socket->disconnect(this);
            p->socket->abort();
            p->socket->deleteLater();
        }
    pending_.clear();
    if (server_) server_->close();
    server_.reset();
}

HandOverServer::Listen HandOverServer::listen(const QString& path) {
    close();
    path_ = path;
    // Ask first: listening with restricted access moves a new socket over any file already there,
    // which would take the endpoint from a client that is running.
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            return Listen::AlreadyServed;
        }
    }
    QLocalServer::removeServer(path); // a stale file left by a client that died
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        server_.reset();
        return Listen::Failed;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &HandOverServer::accept);
    return Listen::Listening;
}

namespace {
bool sameUser(QLocalSocket* s) {
    ucred cred{};
    socklen_t len = sizeof cred;
    const auto fd = s->socketDescriptor();
    if (fd < 0 || ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}
} // namespace

void HandOverServer::accept() {
    retired_.clear();
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket* s = server_->nextPendingConnection();
        if (!sameUser(s)) {
            s->abort();
            s->deleteLater();
            continue;
        }
        auto p = std::make_unique<Pending>();
        p->socket = s;
        p->idle = clock_.createTimer();
        p->idle->setSingleShot(true);
        Pending* raw = p.get();
        p->idle->onTimeout = [this, raw] { drop(raw); };
        p->idle->start(kHandOverIdleMs);
        pending_.push_back(std::move(p));
        connect(s, &QLocalSocket::readyRead, this, [this, raw] { read(raw); });
        connect(s, &QLocalSocket::disconnected, this, [this, raw] { drop(raw); });
        read(raw);
    }
}

void HandOverServer::read(Pending* p) {
    if (!p->socket) return;
    p->text.append(p->socket->readAll());
    const qsizetype nul = p->text.indexOf('\0');
    if (nul < 0) {
        if (p->text.size() > kMaxHandOverText) drop(p);
        return;
    }
    if (nul > kMaxHandOverText) {
        drop(p);
        return;
    }
    const QByteArray text = p->text.left(nul);
    p->idle->stop();
    QLocalSocket* s = p->socket;
    s->disconnect(this);
    p->socket = nullptr;
    drop(p);
    if (onText) onText(text);
    s->write(&kHandOverDone, 1);
    s->flush();
    s->disconnectFromServer();
    s->deleteLater();
}

void HandOverServer::drop(Pending* p) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->get() != p) continue;
        if (p->socket) {
            p->socket->disconnect(this);
            p->socket->abort();
            p->socket->deleteLater();
        }
        // The timer may be the caller: keep it until the next connection or the end.
        p->idle->stop();
        retired_.push_back(std::move(p->idle));
        pending_.erase(it);
        return;
    }
}

} // namespace vantor::platform
