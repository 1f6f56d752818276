#include "session/server_connection.h"

namespace vantor::session {

namespace {
// How long a closed connection may take to write what is queued before it is cut.
constexpr int kCloseGraceMs = 3000;
// A long message is topped up while less than this waits in the socket's buffer.
constexpr qint64 kLongLowWater = 512 * 1024;
} // namespace

ServerConnection::ServerConnection(platform::Clock& clock, const Dispatcher& dispatcher, QObject* parent)
    : QObject(parent), clock_(clock), dispatcher_(dispatcher), connector_(clock) {
    connect(&connector_, &platform::TunnelConnector::succeeded, this, &ServerConnection::onTunnel);
    connect(&connector_, &platform::TunnelConnector::failed, this, [this](const QString& why) {
        if (!opening_) return;
        if (attempt_ < target_.attempts) {
            attempt();
            return;
        }
        opening_ = false;
        emit openFailed(why);
    });
}

ServerConnection::~ServerConnection() {
    close();
    for (auto& r : retired_)
        if (r->socket) {
            r->socket->abort();
            delete r->socket;
        }
}

void ServerConnection::open(const ServerTarget& target) {
    close();
    target_ = target;
    attempt_ = 0;
    opening_ = true;
    attempt();
}

void ServerConnection::attempt() {
    ++attempt_;
    connector_.start(target_.proxy, target_.host, target_.port, target_.timeoutMs);
}

void ServerConnection::onTunnel() {
    if (!opening_) return;
    opening_ = false;
    socket_ = connector_.takeSocket();
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QByteArray early = connector_.takeLeftover();
    const bool greeting = target_.proxy.kind != platform::ProxyKind::Http;
    if (greeting) {
        const std::string g = protocol::greeting();
        socket_->write(g.data(), qint64(g.size()));
    }
    reader_ = new ServerReader(socket_, dispatcher_, greeting, this);
    reader_->onHeartbeat = [this] {
        if (onHeartbeat) onHeartbeat();
    };
    reader_->onProtocolError = [this](const QString& why) {
        close();
        emit lost(QStringLiteral("protocol error: %1").arg(why));
    };
    auto broke = [this](const QString& why) {
        if (!socket_) return;
        close();
        emit lost(why);
    };
    connect(socket_, &QTcpSocket::disconnected, this,
            [broke] { broke(QStringLiteral("closed by the server")); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this, broke](QAbstractSocket::SocketError) {
        broke(socket_ ? socket_->errorString() : QString());
    });
    reader_->onGreetingAnswered = [this] { emit ready(); };
    QPointer<ServerConnection> self(this);
    QPointer<ServerReader> reader(reader_);
    emit opened();
    if (!self || !reader || reader != reader_) return; // closed by a receiver of opened()
    if (!greeting) {
        emit ready();
        if (!self || reader != reader_) return;
    }
    if (!early.isEmpty()) reader_->feed(early);
}

bool ServerConnection::isOpen() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void ServerConnection::close() {
    endLong(false);
    opening_ = false;
    connector_.abort();
    if (reader_) {
        reader_->Terminate();
        reader_->deleteLater();
        reader_ = nullptr;
    }
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        retire(s);
    }
}

void ServerConnection::retire(QTcpSocket* s) {
    // Written bytes (a CmdLogout) still go out; the socket goes once it is closed.
    std::erase_if(retired_, [](const auto& r) { return !r->socket; });
    s->disconnectFromHost();
    if (s->state() == QAbstractSocket::UnconnectedState) {
        s->deleteLater();
        return;
    }
    auto r = std::make_unique<Retired>();
    r->socket = s;
    connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    r->deadline = clock_.createTimer();
    r->deadline->setSingleShot(true);
    QPointer<QTcpSocket> guard(s);
    r->deadline->onTimeout = [guard] {
        if (guard) {
            guard->abort();
            guard->deleteLater();
        }
    };
    r->deadline->start(kCloseGraceMs);
    retired_.push_back(std::move(r));
}

bool ServerConnection::SendToServer(const protocol::Message& m) {
    if (!isOpen()) return false;
    const std::string frame = protocol::frameMessage(m);
    if (frame.empty()) return false;
    if (long_) {
        long_->behind += frame;
        return true;
    }
    return socket_->write(frame.data(), qint64(frame.size())) == qint64(frame.size());
}

bool ServerConnection::SendStreamToServer(std::string_view stream) {
    if (!isOpen()) return false;
    const std::string frame = protocol::frameStream(stream);
    if (long_) {
        long_->behind += frame;
        return true;
    }
    return socket_->write(frame.data(), qint64(frame.size())) == qint64(frame.size());
}

bool ServerConnection::SendLongToServer(std::string first, LongSource next, std::function<void(bool)> done) {
    if (!isOpen() || long_) return false;
    if (socket_->write(first.data(), qint64(first.size())) != qint64(first.size())) return false;
    long_ = std::make_unique<LongSend>();
    long_->next = std::move(next);
    long_->done = std::move(done);
    connect(socket_, &QTcpSocket::bytesWritten, this, &ServerConnection::pumpLong, Qt::UniqueConnection);
    pumpLong();
    return true;
}

void ServerConnection::pumpLong() {
    if (!long_ || !socket_) return;
    while (!long_->sourceDone && socket_->bytesToWrite() < kLongLowWater) {
        std::optional<std::string> piece = long_->next();
        if (!piece) {
            // The frame cannot be completed: the server would take what follows for its rest.
            endLong(false);
            close();
            emit lost(QStringLiteral("a long message could not be completed"));
            return;
        }
        if (piece->empty()) {
            long_->sourceDone = true;
            const std::string behind = std::move(long_->behind);
            long_->behind.clear();
            if (!behind.empty()) socket_->write(behind.data(), qint64(behind.size()));
            break;
        }
        if (socket_->write(piece->data(), qint64(piece->size())) != qint64(piece->size())) {
            endLong(false);
            return;
        }
    }
    if (long_ && long_->sourceDone && socket_->bytesToWrite() == 0) endLong(true);
}

void ServerConnection::endLong(bool ok) {
    if (!long_) return;
    auto done = std::move(long_->done);
    long_.reset();
    if (done) done(ok);
}

uint16_t ServerConnection::localPort() const {
    return socket_ ? socket_->localPort() : 0;
}

QString ServerConnection::localAddress() const {
    return socket_ ? socket_->localAddress().toString() : QString();
}

} // namespace vantor::session
