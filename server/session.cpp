#include "server/session.h"

#include "protocol/codes.h"
#include "server/log.h"
#include "server/server.h"

#include <QDateTime>

#include <algorithm>
#include <sys/socket.h>
#include <sys/uio.h>

namespace vantor::server {

namespace {
constexpr size_t kLoadBatch = 512;               // frames handed to the kernel in one call
constexpr qint64 kMaxBacklog = 64 * 1024 * 1024; // a client that lets this much pile up is dropped
constexpr size_t kMaxWaiting = 100000;           // frames queued behind a sign-in load
constexpr int kCloseGraceMs = 5000;
constexpr qint64 kKeepUpBytes = 256 * 1024; // a reader with more than this unread gets only the latest
// What one connection may have read for it and handled in one turn of the event loop: a client
// that sends without pause waits for its next turn like everybody else, and what it sends beyond
// this stays in the kernel, where TCP slows it down, instead of in the server's memory.
constexpr qint64 kTurnBytes = 64 * 1024;
} // namespace

Session::Session(QTcpSocket* socket, Server& server, uint64_t id)
    : socket_(socket), server_(server), id_(id), reader_(server.config().maxFrame, true) {
    reader_.setMaxLongBody(server.config().maxNoticeBytes);
    socket->setParent(this);
    // Small records (a chat line, a status) must not wait for the acknowledgement of earlier ones.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setReadBufferSize(4 * kTurnBytes);
    connect(socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &Session::onBytesWritten);
    // What a client wrote before closing is still handled (a last chat line, a notice's last
    // bytes): Qt reads to the end of the stream before it reports the close, so everything left is
    // in the socket's buffer, at most its read buffer's size.
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        draining_ = true;
        do {
            onReadyRead();
        } while (socket_ && !finished_ && state_ != State::Closing &&
                 (socket_->bytesAvailable() > 0 || !needMore_));
        finish();
    });
    budget_ = server.config().messageBurst; // a new connection starts with a full budget
    budgetAt_ = QDateTime::currentMSecsSinceEpoch();
    refill_.setSingleShot(true);
    connect(&refill_, &QTimer::timeout, this, [this] { onReadyRead(); });
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this,
            [this] { abort("silent for " + std::to_string(idleMs_) + " ms"); });
    setIdleTimeout(server.config().greetingTimeoutMs);
    address_ = socket->peerAddress().toString().toStdString();
    signInDeadline_.setSingleShot(true);
    connect(&signInDeadline_, &QTimer::timeout, this, [this] {
        if (!signedIn())
            abort("not signed in after " + std::to_string(server_.config().signInTimeoutMs) + " ms");
    });
    signInDeadline_.start(server.config().signInTimeoutMs);
}

Session::~Session() = default;

std::string Session::peer() const {
    if (!socket_) return "?";
    return socket_->peerAddress().toString().toStdString() + ":" + std::to_string(socket_->peerPort());
}

void Session::setIdleTimeout(int ms) {
    idleMs_ = ms;
    if (ms > 0)
        idle_.start(ms);
    else
        idle_.stop();
}

void Session::refillBudget() {
    const auto& config = server_.config();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now > budgetAt_) {
        budget_ = std::min(double(config.messageBurst),
                           budget_ + double(now - budgetAt_) * config.messagesPerSecond / 1000.0);
        budgetAt_ = now;
    }
}

void Session::onReadyRead() {
    if (!socket_ || finished_) return;
    if (refill_.isActive() && !draining_) return; // out of budget: the timer reads on
    refillBudget();
    // What was read before is handled before more is read, so a client out of budget leaves
    // its input in the kernel, not in the reader.
    if (needMore_) {
        const QByteArray bytes = socket_->read(kTurnBytes);
        reader_.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    if (idleMs_ > 0) idle_.start(idleMs_);
    protocol::Message m;
    bool outOfBudget = false;
    while (!finished_ && state_ != State::Closing) {
        if (budget_ < 1 && !draining_) {
            outOfBudget = true;
            break;
        }
        const auto r = reader_.next(m);
        if (state_ == State::Greeting && reader_.greetingDone()) {
            state_ = State::Connected;
            if (reader_.greeted()) write(protocol::greeting());
            setIdleTimeout(server_.config().idleTimeoutMs);
        }
        needMore_ = r == protocol::ServerFrameReader::Result::NeedMore;
        if (needMore_) break;
        if (r == protocol::ServerFrameReader::Result::Error) {
            abort("unreadable input: " + reader_.error());
            break;
        }
        // Records forwarded to one colleague (chat, file blocks and their acknowledgements when
        // no direct path exists) cost the server a copy and come as fast as a transfer goes;
        // what is told to many, or stored, is what the budget holds back.
        if ((m.part == protocol::Message::Part::Whole || m.part == protocol::Message::Part::Head) &&
            !protocol::isRelayed(m.code))
            budget_ -= 1;
        server_.handle(*this, m);
    }
    if (!socket_ || finished_ || state_ == State::Closing) return;
    if (outOfBudget) {
        // Nothing more is read until one message's worth of budget has grown back; meanwhile the
        // kernel's buffers fill and TCP holds the sender back.
        const double perMs = server_.config().messagesPerSecond / 1000.0;
        refill_.start(perMs > 0 ? int(std::clamp((1 - budget_) / perMs + 1, 1.0, 1000.0)) : 1000);
        return;
    }
    // The rest waits for this connection's next turn, after everybody else's.
    if (socket_->bytesAvailable() > 0 && !turnPending_) {
        turnPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                turnPending_ = false;
                onReadyRead();
            },
            Qt::QueuedConnection);
    }
}

void Session::write(const std::string& bytes) {
    if (!socket_ || finished_) return;
    if (socket_->bytesToWrite() > kMaxBacklog) {
        abort("the client does not read what it is sent");
        return;
    }
    socket_->write(bytes.data(), qint64(bytes.size()));
}

void Session::send(const protocol::Message& m) {
    const std::string bytes = m.bytes();
    sendFrame(bytes.size() <= protocol::kMaxOrdinaryMessage ? protocol::frameMessage(bytes)
                                                            : protocol::frameStream(bytes));
}

void Session::sendFrame(std::string frame) {
    if (finished_ || state_ == State::Closing) return;
    if (state_ == State::Loading) {
        if (waiting_.size() >= kMaxWaiting) {
            abort("too much waiting behind the sign-in load");
            return;
        }
        waiting_.push_back(std::move(frame));
        return;
    }
    if (!files_.empty()) {
        if (behindFiles_.size() >= kMaxWaiting) {
            abort("too much waiting behind a file");
            return;
        }
        behindFiles_.push_back(std::move(frame));
        return;
    }
    write(frame);
}

void Session::sendFile(std::string head, const QString& path, uint64_t size) {
    if (finished_ || state_ == State::Closing) return;
    files_.push_back(FileSend{std::move(head), path, size, nullptr});
    if (files_.size() == 1) pumpFiles();
}

void Session::pumpFiles() {
    constexpr qint64 kChunk = 256 * 1024;
    while (!files_.empty() && !finished_ && socket_ && state_ == State::SignedIn &&
           socket_->bytesToWrite() < kKeepUpBytes) {
        FileSend& f = files_.front();
        if (!f.file) {
            f.file = std::make_unique<QFile>(f.path);
            if (!f.file->open(QIODevice::ReadOnly)) {
                // Nothing of it was written yet: the request goes unanswered.
                files_.pop_front();
                continue;
            }
            write(f.head);
        }
        if (f.left > 0) {
            const QByteArray chunk = f.file->read(qint64(std::min<uint64_t>(f.left, kChunk)));
            if (chunk.isEmpty()) {
                abort("file ended early: " + f.path.toStdString());
                return;
            }
            f.left -= uint64_t(chunk.size());
            write(std::string(chunk.constData(), size_t(chunk.size())));
        }
        if (f.left == 0) {
            files_.pop_front();
            if (files_.empty()) {
                while (!behindFiles_.empty() && files_.empty()) {
                    write(behindFiles_.front());
                    behindFiles_.pop_front();
                }
            }
        }
    }
}

void Session::sendLatest(uint64_t key, std::string frame) {
    if (finished_ || state_ == State::Closing || !socket_) return;
    if (state_ != State::Loading && latest_.empty() && files_.empty() &&
        socket_->bytesToWrite() < kKeepUpBytes) {
        write(frame);
        return;
    }
    if (const auto it = latest_.find(key); it != latest_.end()) latestOrder_.erase(it->second.seq);
    const uint64_t seq = ++latestSeq_;
    latest_[key] = Latest{seq, std::move(frame)};
    latestOrder_[seq] = key;
}

void Session::flushLatest() {
    while (!latestOrder_.empty() && !finished_ && socket_ && state_ == State::SignedIn && files_.empty() &&
           socket_->bytesToWrite() < kKeepUpBytes) {
        const auto first = latestOrder_.begin();
        const auto it = latest_.find(first->second);
        latestOrder_.erase(first);
        if (it == latest_.end()) continue;
        const std::string frame = std::move(it->second.frame);
        latest_.erase(it);
        write(frame);
    }
}

void Session::startLoad(uint32_t userId, std::map<size_t, std::string> patches, std::string tail) {
    userId_ = userId;
    state_ = State::Loading;
    signInDeadline_.stop();
    patches_ = std::move(patches);
    tail_ = std::move(tail);
    loadPos_ = 0;
    departmentsSent_ = false;
    pump();
}

void Session::colleagueRemovedAt(size_t position) {
    if (state_ != State::Loading) return;
    if (position < loadPos_) --loadPos_;
    std::map<size_t, std::string> moved;
    for (auto& [pos, frame] : patches_)
        if (pos != position) moved[pos > position ? pos - 1 : pos] = std::move(frame);
    patches_ = std::move(moved);
}

void Session::markSignedIn(uint32_t userId) {
    userId_ = userId;
    if (state_ != State::Loading) state_ = State::SignedIn;
}

void Session::onBytesWritten() {
    if (state_ == State::Loading) {
        pump();
    } else {
        pumpFiles();
        flushLatest();
    }
}

// Streams the load straight into the kernel while it takes it, without copying frames into a
// chunk or through the socket's own buffer; whatever the kernel does not take goes to that buffer,
// whose draining (bytesWritten) brings us back here.
void Session::pump() {
    while (!finished_ && state_ == State::Loading && socket_) {
        if (socket_->bytesToWrite() > 0) return;
        std::vector<std::string_view> batch;
        size_t next = loadPos_;
        const Directory& dir = server_.directory();
        if (!departmentsSent_) {
            batch.push_back(dir.departmentFrames());
        } else {
            for (; next < dir.userCount() && batch.size() < kLoadBatch; ++next) {
                const auto p = patches_.find(next);
                batch.push_back(p != patches_.end() ? std::string_view(p->second)
                                                    : std::string_view(dir.userFrame(next)));
            }
        }
        if (batch.empty()) {
            // The load is out: the tail (groups, contacts, the completion), then what waited.
            std::string rest = std::move(tail_);
            for (auto& f : waiting_)
                rest += f;
            waiting_.clear();
            patches_.clear();
            state_ = State::SignedIn;
            write(rest);
            pumpFiles();
            flushLatest();
            server_.loadFinished(*this);
            return;
        }
        iovec iov[kLoadBatch];
        for (size_t i = 0; i < batch.size(); ++i)
            iov[i] = {const_cast<char*>(batch[i].data()), batch[i].size()};
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = batch.size();
        ssize_t sent = ::sendmsg(int(socket_->socketDescriptor()), &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                abort("write failed");
                return;
            }
            sent = 0;
        }
        // Whole frames are done; the first frame not taken whole goes to the socket's buffer.
        size_t left = size_t(sent);
        for (const auto& f : batch) {
            const bool whole = left >= f.size();
            if (!whole) write(std::string(f.substr(left)));
            left = whole ? left - f.size() : 0;
            if (departmentsSent_) ++loadPos_;
            departmentsSent_ = true;
            if (!whole) return;
        }
    }
}

void Session::closeAfterFlush(const std::string& reason) {
    if (finished_ || state_ == State::Closing) return;
    log(LogLevel::Info, "closing " + peer() + ": " + reason);
    state_ = State::Closing;
    waiting_.clear();
    patches_.clear();
    latest_.clear();
    latestOrder_.clear();
    idle_.stop();
    QTimer::singleShot(kCloseGraceMs, this, [this] { abort("did not close in time"); });
    if (socket_) socket_->disconnectFromHost();
}

void Session::closeWith(const protocol::Message& last, const std::string& reason) {
    if (finished_ || state_ == State::Closing) return;
    waiting_.clear();
    patches_.clear();
    if (state_ == State::Loading) state_ = State::SignedIn;
    send(last);
    closeAfterFlush(reason);
}

void Session::abort(const std::string& reason) {
    if (finished_) return;
    log(LogLevel::Warning, "dropping " + peer() + ": " + reason);
    if (socket_) socket_->abort();
    finish();
}

void Session::finish() {
    if (finished_) return;
    finished_ = true;
    idle_.stop();
    signInDeadline_.stop();
    server_.sessionClosed(*this);
    deleteLater();
}

} // namespace vantor::server
