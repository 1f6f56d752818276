// Reads what the server sends on one connection, on the thread that owns the socket, without ever
// blocking it: bytes are cut into messages as they arrive, CmdHeartbeat is recorded the moment it
// is parsed, and every other message goes to its handler in arrival order, one at a time. A new
// reader is made for every connection.
#pragma once

#include "protocol/frame.h"
#include "session/dispatch.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <deque>
#include <functional>

namespace vantor::session {

class ServerReader : public QObject {
    Q_OBJECT
  public:
    // `greeting`: the first 40 bytes are the server's answer to our greeting and are skipped.
    ServerReader(QTcpSocket* socket, const Dispatcher& dispatcher, bool greeting, QObject* parent = nullptr);

    // Bytes that arrived before the reader existed (behind a proxy's answer).
    void feed(const QByteArray& bytes);
    // Stops for good: nothing more is read or handed on, also not the rest of a batch.
    void Terminate();
    bool terminated() const { return terminated_; }

    // Runs once when the server's 40-byte answer to our greeting has been read (at once on a
    // connection without greeting): only then may the client write its first message.
    std::function<void()> onGreetingAnswered;
    bool greetingAnswered() const { return reader_.greetingDone(); }
    // Runs when a CmdHeartbeat is parsed, ahead of any message still waiting for its handler.
    std::function<void()> onHeartbeat;
    // Runs once when the stream can no longer be followed (a count over its cap in a frame whose
    // header does not say where it ends); the reader has stopped. A frame that can be skipped whole
    // is skipped and logged.
    std::function<void(const QString&)> onProtocolError;

  private:
    void readSocket();
    void parse();
    void drain();

    QPointer<QTcpSocket> socket_;
    const Dispatcher& dispatcher_;
    protocol::ClientStreamReader reader_;
    std::deque<protocol::Message> queue_;
    uint64_t skippedLogged_ = 0;
    bool greetingReported_ = false;
    bool dispatching_ = false;
    bool terminated_ = false;
};

} // namespace vantor::session
