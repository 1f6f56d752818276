#include "session/server_reader.h"

namespace vantor::session {

ServerReader::ServerReader(QTcpSocket* socket, const Dispatcher& dispatcher, bool greeting, QObject* parent)
    : QObject(parent), socket_(socket), dispatcher_(dispatcher), reader_(greeting),
      greetingReported_(!greeting) {
    connect(socket, &QTcpSocket::readyRead, this, &ServerReader::readSocket);
}

void ServerReader::Terminate() {
    terminated_ = true;
    queue_.clear();
    if (socket_) socket_->disconnect(this);
}

void ServerReader::feed(const QByteArray& bytes) {
    if (terminated_ || bytes.isEmpty()) return;
    QPointer<ServerReader> self(this);
    reader_.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
    parse();
    if (self) drain();
}

void ServerReader::readSocket() {
    // The socket does not signal again while its signal is being handled, so bytes that came
    // during a handler's own event loop are picked up here.
    QPointer<ServerReader> self(this);
    while (self && !terminated_ && socket_ && socket_->bytesAvailable() > 0)
        feed(socket_->readAll());
}

void ServerReader::parse() {
    protocol::Message m;
    for (;;) {
        const auto result = reader_.next(m);
        if (!greetingReported_ && reader_.greetingDone()) {
            greetingReported_ = true;
            QPointer<ServerReader> self(this);
            if (onGreetingAnswered) onGreetingAnswered();
            if (!self || terminated_) return;
        }
        if (reader_.skipped() != skippedLogged_) {
            skippedLogged_ = reader_.skipped();
            qWarning("server connection: %s", reader_.lastSkip().c_str());
        }
        switch (result) {
        case protocol::ClientStreamReader::Result::NeedMore:
            return;
        case protocol::ClientStreamReader::Result::Error: {
            const QString why = QString::fromStdString(reader_.error());
            Terminate();
            if (onProtocolError) onProtocolError(why);
            return;
        }
        case protocol::ClientStreamReader::Result::Message:
            if (m.cmd() == protocol::Cmd::Heartbeat) {
                if (onHeartbeat) onHeartbeat();
            } else {
                queue_.push_back(std::move(m));
            }
            break;
        }
    }
}

void ServerReader::drain() {
    // A handler that runs an event loop of its own may bring more bytes: those are parsed and
    // queued, and this outer loop hands them on in order.
    if (dispatching_) return;
    dispatching_ = true;
    QPointer<ServerReader> self(this);
    while (!terminated_ && !queue_.empty()) {
        const protocol::Message m = std::move(queue_.front());
        queue_.pop_front();
        dispatcher_.dispatch(m);
        if (!self) return; // freed by the handler
    }
    dispatching_ = false;
}

} // namespace vantor::session
