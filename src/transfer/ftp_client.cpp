#include "transfer/ftp_client.h"

#include "protocol/text.h"
#include "transfer/file_io.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vantor::transfer {

namespace {

constexpr int kDrainPollMs = 10;
// After the server's end has taken every byte, a refusal (the server closing on us) still has
// this long to show before the upload counts as done.
constexpr int kRefusalGraceTurns = 20;
// Bytes handed to the socket ahead of the network at most.
constexpr int64_t kWriteAhead = 256 * 1024;

QByteArray bigEndian(int32_t v) {
    const auto u = uint32_t(v);
    QByteArray b(4, '\0');
    b[0] = char(u >> 24);
    b[1] = char(u >> 16);
    b[2] = char(u >> 8);
    b[3] = char(u);
    return b;
}

int32_t fromBigEndian(const QByteArray& b) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]));
}

QByteArray request(int32_t code) {
    return bigEndian(int32_t(ftp::kHello)) + bigEndian(code);
}

QByteArray nameLine(const QString& name) {
    return QByteArrayLiteral("OfflineFile\\") + name.toUtf8() + QByteArrayLiteral("\r\n");
}

// Bytes the kernel still holds for the peer (not sent or not acknowledged); -1 when unknown.
int unacknowledged(QTcpSocket& s) {
    int pending = 0;
    if (s.socketDescriptor() < 0 || ::ioctl(int(s.socketDescriptor()), SIOCOUTQ, &pending) != 0) return -1;
    return pending;
}

std::atomic<int> runningDeletes{0};

// One delete request; frees itself.
class RemoteDelete : public QObject {
  public:
    RemoteDelete(const QString& host, uint16_t port, const QString& name, std::function<void(bool)> done)
        : done_(std::move(done)) {
        ++runningDeletes;
        connect(&socket_, &QTcpSocket::connected, this, [this, name] {
            connected_ = true;
            socket_.write(request(ftp::kDelete) + nameLine(name));
            socket_.disconnectFromHost(); // after every byte has left
        });
        connect(&socket_, &QTcpSocket::disconnected, this, [this] { end(sent()); });
        connect(&socket_, &QTcpSocket::errorOccurred, this, [this] { end(sent()); });
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { end(false); });
        timer_.start(10000);
        socket_.connectToHost(host, port);
    }

  private:
    bool sent() const { return connected_ && socket_.bytesToWrite() == 0; }
    void end(bool ok) {
        if (ended_) return;
        ended_ = true;
        --runningDeletes;
        timer_.stop();
        socket_.disconnect(this);
        socket_.abort();
        if (auto f = std::move(done_)) f(ok);
        deleteLater();
    }
    QTcpSocket socket_{this};
    QTimer timer_{this};
    std::function<void(bool)> done_;
    bool ended_ = false;
    bool connected_ = false;
};

} // namespace

bool isFileServerName(std::string_view name) {
    if (name.empty() || name.size() > size_t(ftp::kMaxName) || name.front() == '.') return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '.'))
            return false;
    return true;
}

QString ftpSpeedText(double kbPerSecond) {
    if (kbPerSecond > 1024) return QString::asprintf("%.2f M/S", kbPerSecond / 1024);
    return QString::asprintf("%.2f KB/S", kbPerSecond);
}

QString ftpRemainingText(int64_t seconds) {
    return QString::asprintf("-%lld:%lld:%lld", static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

TFTPClient::TFTPClient(QString host, uint16_t port, QObject* parent)
    : QObject(parent), Host(std::move(host)), Port(port), timer_(std::make_unique<QTimer>()),
      drain_(std::make_unique<QTimer>()) {
    timer_->setSingleShot(true);
    connect(timer_.get(), &QTimer::timeout, this, [this] { stall(); });
    drain_->setInterval(kDrainPollMs);
    connect(drain_.get(), &QTimer::timeout, this, [this] { checkDrained(); });
}

TFTPClient::~TFTPClient() {
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
    // A download cut short by its owner leaves nothing behind.
    if (IsDownload && file_.isOpen()) file_.remove();
}

void TFTPClient::resetCounters() {
    Done = 0;
    Speed = 0;
    Percent = 0;
    SpeedText.clear();
    Status.clear();
    started_.start();
    lastReportMs_ = -1;
    result_ = Result::None;
    failure_.clear();
}

void TFTPClient::StartTransfer() {
    if (running()) return;
    resetCounters();
    line_.clear();
    drainTurns_ = 0;
    const std::string serverName = (IsDownload ? Name : Target).toStdString();
    state_ = State::Connecting; // finish() below ends it again
    if (!isFileServerName(serverName))
        return finish(Result::Failed,
                      QStringLiteral("文件名不能用于服务器：%1").arg(IsDownload ? Name : Target));
    if (IsDownload) {
        if (SavedPath.isEmpty() || !QFileInfo(QFileInfo(SavedPath).absolutePath()).isDir())
            return finish(Result::Failed, QStringLiteral("保存位置不存在"));
    } else {
        const QFileInfo info(Name);
        if (!info.isFile()) return finish(Result::Failed, QStringLiteral("找不到文件：%1").arg(Name));
        if (info.size() > ftp::kMaxSize) return finish(Result::TooLarge, kFtpTooLarge);
        file_.setFileName(Name);
        if (!file_.open(QIODevice::ReadOnly))
            return finish(Result::Failed, QStringLiteral("无法读取文件：%1").arg(file_.errorString()));
        Total = file_.size();
    }
    socket_ = new QTcpSocket(this);
    // What one turn of the loop takes from the network is bounded, so no turn grows long.
    socket_->setReadBufferSize(kWriteAhead);
    connect(socket_, &QTcpSocket::connected, this, &TFTPClient::onConnected);
    connect(socket_, &QTcpSocket::readyRead, this, &TFTPClient::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, &TFTPClient::onBytesWritten);
    connect(socket_, &QTcpSocket::disconnected, this, &TFTPClient::onClosed);
    connect(socket_, &QTcpSocket::errorOccurred, this, &TFTPClient::onClosed);
    timer_->start(connectTimeoutMs);
    socket_->connectToHost(Host, Port);
}

void TFTPClient::onConnected() {
    timer_->start(stallTimeoutMs);
    if (IsDownload) {
        state_ = State::Line;
        socket_->write(request(ftp::kDownload) + nameLine(Name));
        return;
    }
    state_ = State::Sending;
    socket_->write(request(ftp::kUpload) + bigEndian(int32_t(Total)) + nameLine(Target));
    progress(true);
    pump();
}

void TFTPClient::pump() {
    while (state_ == State::Sending && Done < Total && socket_->bytesToWrite() < kWriteAhead) {
        const QByteArray chunk = file_.read(std::min(ftp::kChunk, Total - Done));
        if (chunk.isEmpty())
            return finish(Result::Failed, QStringLiteral("读取文件失败：%1").arg(file_.errorString()));
        socket_->write(chunk);
        Done += chunk.size();
        progress(false);
    }
    if (state_ == State::Sending && Done == Total && socket_->bytesToWrite() == 0) {
        state_ = State::Draining;
        drain_->start();
    }
}

void TFTPClient::onBytesWritten() {
    timer_->start(stallTimeoutMs);
    if (state_ == State::Sending) pump();
}

void TFTPClient::checkDrained() {
    if (state_ != State::Draining) return;
    const int pending = unacknowledged(*socket_);
    if (pending > 0) return; // the stall timer bounds the wait
    // Every byte is with the server; a server that refuses the upload closes on us now.
    if (++drainTurns_ < kRefusalGraceTurns) return;
    finish(Result::Uploaded, Name);
}

void TFTPClient::onReadyRead() {
    if (!IsDownload) {
        socket_->readAll(); // the server answers nothing to an upload
        return;
    }
    timer_->start(stallTimeoutMs);
    if (!readDownload()) return;
}

// Takes what has arrived; false once the operation has ended.
bool TFTPClient::readDownload() {
    if (state_ == State::Line) {
        while (socket_->bytesAvailable() > 0) {
            char c = 0;
            socket_->getChar(&c);
            if (c == '\n') {
                if (line_.endsWith('\r')) line_.chop(1);
                const std::string missing = protocol::toGbk("文件不存在");
                if (line_ == QByteArray::fromStdString(missing)) {
                    finish(Result::Missing, kFtpMissing);
                    return false;
                }
                state_ = State::Size;
                break;
            }
            line_.append(c);
            if (line_.size() > ftp::kMaxLine) {
                finish(Result::Failed, QStringLiteral("服务器的回答无法识别"));
                return false;
            }
        }
    }
    if (state_ == State::Size) {
        if (socket_->bytesAvailable() < 4) return true;
        const int32_t size = fromBigEndian(socket_->read(4));
        if (size < 0 || (ExpectedSize >= 0 && size > ExpectedSize)) {
            finish(Result::Failed, QStringLiteral("服务器上的文件大小不对（%1 字节）").arg(size));
            return false;
        }
        Total = size;
        const QFileInfo target(SavedPath);
        file_.setFileName(
            target.absoluteDir().filePath(QStringLiteral(".%1.%2.part")
                                              .arg(target.fileName())
                                              .arg(QRandomGenerator::global()->generate64(), 0, 16)));
        if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            finish(Result::Failed, QStringLiteral("无法写入文件：%1").arg(file_.errorString()));
            return false;
        }
        state_ = State::Data;
    }
    if (state_ == State::Data) {
        while (Done < Total && socket_->bytesAvailable() > 0) {
            const QByteArray chunk = socket_->read(std::min(ftp::kChunk, Total - Done));
            if (file_.write(chunk) != chunk.size()) {
                finish(Result::Failed, QStringLiteral("写入文件失败：%1").arg(file_.errorString()));
                return false;
            }
            Done += chunk.size();
            progress(false);
        }
        if (Done == Total) {
            if (!placeDownload()) return false;
            finish(Result::Downloaded, SavedPath);
            return false;
        }
    }
    return true;
}

// Gives the finished temporary file its name: replacing an existing file only when allowed,
// else under a free variant of the name.
bool TFTPClient::placeDownload() {
    if (!file_.flush()) {
        finish(Result::Failed, QStringLiteral("写入文件失败：%1").arg(file_.errorString()));
        return false;
    }
    file_.close();
    const QByteArray from = QFile::encodeName(file_.fileName());
    const QFileInfo target(SavedPath);
    if (Overwrite) {
        if (::rename(from.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) == 0) {
            SavedPath = target.absoluteFilePath();
            return true;
        }
    } else {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString path = freePath(target.absolutePath(), target.fileName());
            if (::link(from.constData(), QFile::encodeName(path).constData()) == 0) {
                ::unlink(from.constData());
                SavedPath = path;
                return true;
            }
            if (errno == EEXIST) continue;
            // A file system without hard links: a rename, which Qt refuses onto an existing name.
            if (QFile::rename(file_.fileName(), path)) {
                SavedPath = path;
                return true;
            }
            break;
        }
    }
    const int error = errno;
    file_.remove();
    finish(Result::Failed,
           QStringLiteral("无法保存文件：%1").arg(QString::fromLocal8Bit(std::strerror(error))));
    return false;
}

void TFTPClient::onClosed() {
    switch (state_) {
    case State::Idle:
        return;
    case State::Connecting:
        return finish(Result::NoConnection, kFtpNoConnection);
    case State::Line:
    case State::Size:
    case State::Data:
        // What is still buffered may complete the download.
        if (socket_->bytesAvailable() > 0 && !readDownload()) return;
        if (state_ == State::Idle) return;
        return finish(Result::Failed, QStringLiteral("与服务器的连接中断，文件没有下载完"));
    case State::Sending:
    case State::Draining:
        return finish(Result::Failed, QStringLiteral("与服务器的连接中断，文件没有上传完"));
    }
}

void TFTPClient::stall() {
    if (state_ == State::Connecting) return finish(Result::NoConnection, kFtpNoConnection);
    if (state_ != State::Idle) finish(Result::Failed, QStringLiteral("服务器长时间没有响应"));
}

void TFTPClient::progress(bool force) {
    const int64_t now = started_.elapsed();
    if (!force && lastReportMs_ >= 0 && now - lastReportMs_ < ftp::kProgressMs) return;
    lastReportMs_ = now;
    const double elapsed = double(now) / 1000;
    if (elapsed > 0) Speed = double(Done) / 1024 / elapsed;
    QString remaining;
    if (Speed > 0) remaining = ftpRemainingText(int64_t(double(Total - Done) / 1024 / Speed));
    SpeedText = ftpSpeedText(Speed);
    Percent = Total > 0 ? int(Done * 100 / Total) : 100;
    if (OnProgress) OnProgress(Percent, SpeedText, remaining);
}

void TFTPClient::finish(Result r, const QString& text) {
    if (state_ == State::Idle) return;
    const bool uploaded = r == Result::Uploaded;
    state_ = State::Idle;
    timer_->stop();
    drain_->stop();
    result_ = r;
    failure_ = r == Result::Downloaded || r == Result::Uploaded ? QString() : text;
    Status = r == Result::Downloaded     ? kFtpDownloaded
             : r == Result::Uploaded     ? kFtpUploaded
             : r == Result::NoConnection ? kFtpNoConnection
                                         : QString();
    if (socket_) {
        socket_->disconnect(this);
        if (uploaded)
            socket_->disconnectFromHost();
        else
            socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    if (file_.isOpen()) {
        if (IsDownload)
            file_.remove(); // never a partial file
        else
            file_.close();
    }
    // Queued, so that the owner may free the client in it.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (OnDone) OnDone(*this, Status, text);
        },
        Qt::QueuedConnection);
}

int TFTPClient::deletesRunning() {
    return runningDeletes.load();
}

void TFTPClient::DeleteRemote(std::function<void(bool)> done) {
    deleteRemote(Host, Port, Name, std::move(done));
}

void TFTPClient::deleteRemote(const QString& host, uint16_t port, const QString& name,
                              std::function<void(bool)> done) {
    if (!isFileServerName(name.toStdString())) {
        if (done)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [done] { done(false); }, Qt::QueuedConnection);
        return;
    }
    new RemoteDelete(host, port, name, std::move(done));
}

} // namespace vantor::transfer
