// One client connection of the server: reads frames, hands each decoded request to the server,
// and writes what the server sends. The sign-in load is streamed as the socket drains, and
// messages produced meanwhile wait behind it, so a slow reader never holds the directory in
// memory twice nor sees a stale record after a newer change.
#pragma once

#include "protocol/frame.h"
#include "server/directory.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace vantor::server {

class Server;

class Session : public QObject {
    Q_OBJECT
  public:
    enum class State { Greeting, Connected, Loading, SignedIn, Closing };

    Session(QTcpSocket* socket, Server& server, uint64_t id);
    ~Session() override;

    uint64_t id() const { return id_; }
    State state() const { return state_; }
    uint32_t userId() const { return userId_; }
    bool signedIn() const { return state_ == State::Loading || state_ == State::SignedIn; }
    std::string peer() const;
    // The client's address without the port.
    const std::string& address() const { return address_; }

    // Queues one message (ordinary frame, or stream frame when longer than 2028 bytes).
    void send(const protocol::Message& m);
    void sendFrame(std::string frame);
    // A frame that supersedes any earlier one of the same key (a colleague's status): written at
    // once while the client keeps up, otherwise kept, only the latest per key, until it drains.
    void sendLatest(uint64_t key, std::string frame);
    // Sends `head` (a frame header and the start of its message), then `size` bytes of the file
    // at `path`, read as the socket drains; whatever is sent meanwhile waits behind it. A file
    // that ends early closes the connection (the frame can no longer be completed).
    void sendFile(std::string head, const QString& path, uint64_t size);

    // Streams the sign-in load: the directory's departments and colleagues (with the given
    // positions replaced by per-viewer records), then `tail`.
    void startLoad(uint32_t userId, std::map<size_t, std::string> patches, std::string tail);
    // A colleague at `position` left the directory: the load's cursor and records move with it.
    void colleagueRemovedAt(size_t position);
    void markSignedIn(uint32_t userId);

    // Sends what is queued, then closes. `reason` goes to the log.
    void closeAfterFlush(const std::string& reason);
    // Stops any sign-in load, sends `last` right behind what the socket already has, then closes.
    void closeWith(const protocol::Message& last, const std::string& reason);
    // Closes at once.
    void abort(const std::string& reason);

    void setIdleTimeout(int ms);

  private:
    void onReadyRead();
    void onBytesWritten();
    void pump();
    void flushLatest();
    void pumpFiles();
    void write(const std::string& bytes);
    void finish();

    QPointer<QTcpSocket> socket_;
    Server& server_;
    uint64_t id_;
    State state_ = State::Greeting;
    uint32_t userId_ = 0;
    protocol::ServerFrameReader reader_;
    std::string address_;
    QTimer idle_;
    QTimer signInDeadline_; // not moved by anything the client sends
    int idleMs_ = 0;
    bool finished_ = false;
    bool turnPending_ = false; // more input is left for the next turn
    // Input budget in messages, refilled with time (ServerConfig::messagesPerSecond).
    double budget_ = 0;
    qint64 budgetAt_ = 0;
    QTimer refill_;         // a connection out of budget is read again when this fires
    bool needMore_ = true;  // the reader has no whole message left: read more
    bool draining_ = false; // the peer has closed: handle what is left regardless of the budget
    void refillBudget();

    // Sign-in load in progress.
    std::map<size_t, std::string> patches_;
    size_t loadPos_ = 0;
    bool departmentsSent_ = false;
    std::string tail_;
    std::deque<std::string> waiting_; // frames produced during the load

    // Superseding frames waiting for a slow reader, in the order of their latest change.
    struct Latest {
        uint64_t seq = 0;
        std::string frame;
    };
    std::unordered_map<uint64_t, Latest> latest_;
    std::map<uint64_t, uint64_t> latestOrder_; // seq -> key
    uint64_t latestSeq_ = 0;

    // Files being streamed, and the frames waiting behind them.
    struct FileSend {
        std::string head;
        QString path;
        uint64_t left = 0;
        std::unique_ptr<QFile> file;
    };
    std::deque<FileSend> files_;
    std::deque<std::string> behindFiles_;
};

} // namespace vantor::server
