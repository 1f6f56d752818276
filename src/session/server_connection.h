// The one TCP connection to the server: opened directly or through a proxy in a number of
// attempts, each bounded by a time-out; the connection greeting; framed sends; the reader of the
// connection. Closing is quiet: only a connection that breaks by itself reports lost().
#pragma once

#include "platform/clock.h"
#include "platform/tunnel_connector.h"
#include "protocol/frame.h"
#include "session/dispatch.h"
#include "session/server_reader.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vantor::session {

struct ServerTarget {
    QString host;
    uint16_t port = 0;
    platform::ProxySettings proxy;
    int attempts = 3;
    int timeoutMs = 8000;
};

class ServerConnection : public QObject {
    Q_OBJECT
  public:
    ServerConnection(platform::Clock& clock, const Dispatcher& dispatcher, QObject* parent = nullptr);
    ~ServerConnection() override;

    // Starts the attempts; opened() or openFailed() follows unless close() comes first, and ready()
    // after opened() once the server has answered the greeting.
    void open(const ServerTarget& target);
    bool isOpen() const;
    bool isOpening() const { return opening_; }
    // Stops an attempt in progress or closes the open connection after writing what is queued;
    // the reader is terminated first. No signal follows.
    void close();

    // Ordinary path: at most 2028 bytes (code included). False when nothing was written: the
    // connection is closed, the write failed or the message is too long.
    bool SendToServer(const protocol::Message& m);
    // Stream path: no length limit; false as above.
    bool SendStreamToServer(std::string_view stream);

    // A message larger than memory, written as the socket drains: `first` (frame header, code and
    // head), then each piece `next` gives until it gives nothing (nullopt: the source failed, the
    // frame cannot be completed and the connection is closed as lost). Messages sent meanwhile wait
    // behind it. `done(true)` once every byte has left the socket's buffer; `done(false)` when the
    // connection closes first. False (and no `done`) when closed, or another is under way.
    using LongSource = std::function<std::optional<std::string>()>;
    bool SendLongToServer(std::string first, LongSource next, std::function<void(bool)> done);
    bool longSendActive() const { return bool(long_); }

    uint16_t localPort() const;
    QString localAddress() const;
    ServerReader* reader() const { return reader_; }

    // CmdHeartbeat parsed (forwarded from the reader).
    std::function<void()> onHeartbeat;

  signals:
    void opened();
    // The server has answered the greeting (at once on a connection without greeting): the first
    // message may be written.
    void ready();
    void openFailed(const QString& reason);
    // The open connection broke: closed by the peer, a socket error, or a protocol error.
    void lost(const QString& reason);

  private:
    void pumpLong();
    void endLong(bool ok);
    struct LongSend {
        LongSource next;
        std::function<void(bool)> done;
        bool sourceDone = false;
        std::string behind; // frames sent meanwhile
    };
    std::unique_ptr<LongSend> long_;
    void attempt();
    void onTunnel();
    void retire(QTcpSocket* s);

    platform::Clock& clock_;
    const Dispatcher& dispatcher_;
    platform::TunnelConnector connector_;
    ServerTarget target_;
    int attempt_ = 0;
    bool opening_ = false;
    QPointer<QTcpSocket> socket_;
    QPointer<ServerReader> reader_;
    struct Retired {
        QPointer<QTcpSocket> socket;
        std::unique_ptr<platform::Timer> deadline;
    };
    std::vector<std::unique_ptr<Retired>> retired_;
};

} // namespace vantor::session
