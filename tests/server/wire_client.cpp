#include "wire_client.h"

#include "protocol/text.h"

#include <QElapsedTimer>

namespace vantor::testing {

bool WireClient::connectTo(uint16_t port, bool greet, const char* source) {
    if (source && !socket_.bind(QHostAddress(QString::fromLatin1(source)))) return false;
    socket_.connectToHost(QHostAddress::LocalHost, port);
    if (!socket_.waitForConnected(3000)) return false;
    if (greet) sendRaw(protocol::greeting());
    reader_ = protocol::ClientStreamReader(greet);
    return true;
}

void WireClient::sendRaw(const std::string& bytes) {
    socket_.write(bytes.data(), qint64(bytes.size()));
    socket_.waitForBytesWritten(3000);
}

void WireClient::sendAll(const std::string& bytes, int timeoutMs) {
    socket_.write(bytes.data(), qint64(bytes.size()));
    QElapsedTimer t;
    t.start();
    while (socket_.bytesToWrite() > 0 && t.elapsed() < timeoutMs &&
           socket_.state() == QAbstractSocket::ConnectedState)
        socket_.waitForBytesWritten(int(std::max<qint64>(1, timeoutMs - t.elapsed())));
}

void WireClient::close() {
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.waitForDisconnected(3000);
}

void WireClient::send(const Message& m) {
    const std::string b = m.bytes();
    sendRaw(b.size() <= protocol::kMaxOrdinaryMessage ? protocol::frameMessage(b) : protocol::frameStream(b));
}

std::optional<Message> WireClient::next(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        Message m;
        const auto r = reader_.next(m);
        if (r == protocol::ClientStreamReader::Result::Message) return m;
        if (r == protocol::ClientStreamReader::Result::Error) return std::nullopt;
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0) return std::nullopt;
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(int(left))) return std::nullopt;
        const QByteArray bytes = socket_.readAll();
        reader_.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
}

std::optional<Message> WireClient::waitFor(Cmd code, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        auto m = next(int(timeoutMs - t.elapsed()));
        if (!m) return std::nullopt;
        if (m->cmd() == code) return m;
        skipped.push_back(std::move(*m));
    }
    return std::nullopt;
}

bool WireClient::quiet(int timeoutMs) {
    auto m = next(timeoutMs);
    if (m) skipped.push_back(*m);
    return !m;
}

bool WireClient::closedWithin(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (socket_.state() == QAbstractSocket::UnconnectedState) return true;
        if (socket_.bytesAvailable() > 0 || socket_.waitForReadyRead(int(timeoutMs - t.elapsed())))
            socket_.readAll();
        else if (socket_.state() != QAbstractSocket::ConnectedState ||
                 socket_.error() == QAbstractSocket::RemoteHostClosedError)
            return true;
    }
    return socket_.state() != QAbstractSocket::ConnectedState;
}

SignInResult WireClient::signIn(const std::string& account, const std::string& password, uint8_t status) {
    SignInResult out;
    protocol::VersionCheckRequest vc;
    vc.version = "1.5.0.0";
    send(protocol::makeMessage(Cmd::VersionCheck, vc));
    const auto v = waitFor(Cmd::VersionCheck);
    if (!v) return out;
    wire::decode(v->body, out.version);

    protocol::LoginRequest login;
    login.account = protocol::toGbk(account);
    login.password = protocol::toGbk(password);
    login.status = status;
    login.localAddress = "127.0.0.1";
    login.machineId = "TEST";
    send(protocol::makeMessage(Cmd::Login, login));
    const auto r = waitFor(Cmd::LoginReply);
    if (!r) return out;
    out.answered = true;
    wire::decode(r->body, out.reply);
    if (!out.reply.success) return out;
    while (auto m = next()) {
        out.load.push_back(*m);
        if (m->cmd() == Cmd::LoginComplete) {
            out.complete = true;
            break;
        }
    }
    return out;
}

std::string reasonOf(const protocol::LoginReply& r) {
    return protocol::fromGbk(r.tokenOrReason);
}

} // namespace vantor::testing
