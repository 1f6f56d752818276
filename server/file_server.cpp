#include "server/file_server.h"

#include "protocol/text.h"
#include "server/file_protocol.h"
#include "server/log.h"
#include "server/store.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace vantor::server {

namespace {

constexpr qint64 kChunk = 64 * 1024;

// One connection: reads the request, then answers or stores the upload.
class FileConnection : public QObject {
  public:
    FileConnection(QTcpSocket* socket, FileServer& server)
        : QObject(&server), socket_(socket), server_(server) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, &FileConnection::onReadyRead);
        connect(socket, &QTcpSocket::bytesWritten, this, &FileConnection::pumpDownload);
        connect(socket, &QTcpSocket::disconnected, this, &FileConnection::onDisconnected);
        idle_.setSingleShot(true);
        connect(&idle_, &QTimer::timeout, this, [this] { drop("silent too long"); });
        idle_.start(server.idleTimeoutMs());
    }

  private:
    QString pathOf(const std::string& name) const {
        return QDir(QString::fromStdString(server_.folder())).filePath(QString::fromStdString(name));
    }

    void onReadyRead() {
        const QByteArray bytes = socket_->readAll();
        parser_.feed(std::string_view(bytes.constData(), size_t(bytes.size())));
        idle_.start(server_.idleTimeoutMs());
        for (;;) {
            switch (parser_.next()) {
            case FileRequestParser::Event::NeedMore:
                return;
            case FileRequestParser::Event::Error:
                drop(parser_.error());
                return;
            case FileRequestParser::Event::Download:
                startDownload();
                break;
            case FileRequestParser::Event::Delete:
                QFile::remove(pathOf(parser_.name()));
                server_.store().removeFile(parser_.name());
                log(LogLevel::Info, "file server: deleted " + parser_.name());
                break;
            case FileRequestParser::Event::UploadStart:
                // A name of its own per connection, so that two uploads of one file never mix.
                upload_.setFileName(
                    pathOf("." + parser_.name() + "." + std::to_string(quintptr(this)) + ".part"));
                if (!upload_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    drop("cannot write " + upload_.fileName().toStdString());
                    return;
                }
                break;
            case FileRequestParser::Event::UploadData:
                if (upload_.write(parser_.data().data(), qint64(parser_.data().size())) !=
                    qint64(parser_.data().size())) {
                    drop("write failed");
                    return;
                }
                break;
            case FileRequestParser::Event::UploadDone:
                finishUpload();
                break;
            }
        }
    }

    void finishUpload() {
        upload_.close();
        const QString target = pathOf(parser_.name());
        QFile::remove(target);
        if (!QFile::rename(upload_.fileName(), target)) {
            drop("cannot store " + parser_.name());
            return;
        }
        server_.store().putFile(parser_.name(), parser_.size());
        log(LogLevel::Info,
            "file server: stored " + parser_.name() + " (" + std::to_string(parser_.size()) + " bytes)");
    }

    void startDownload() {
        download_.setFileName(pathOf(parser_.name()));
        if (!download_.open(QIODevice::ReadOnly) || download_.size() > INT32_MAX) {
            download_.close();
            const std::string line = protocol::toGbk("文件不存在") + "\r\n";
            socket_->write(line.data(), qint64(line.size()));
            return;
        }
        const std::string head = "OK\r\n" + bigEndian32(int32_t(download_.size()));
        socket_->write(head.data(), qint64(head.size()));
        downloading_ = true;
        pumpDownload();
    }

    void pumpDownload() {
        while (downloading_ && socket_->bytesToWrite() < 4 * kChunk) {
            const QByteArray chunk = download_.read(kChunk);
            if (chunk.isEmpty()) {
                downloading_ = false;
                download_.close();
                return;
            }
            socket_->write(chunk);
            idle_.start(server_.idleTimeoutMs());
        }
    }

    void drop(const std::string& why) {
        log(LogLevel::Warning, "file server: dropping a connection: " + why);
        socket_->abort();
        onDisconnected();
    }

    void onDisconnected() {
        if (done_) return;
        done_ = true;
        idle_.stop();
        if (upload_.isOpen()) {
            // An upload cut short leaves nothing behind.
            upload_.close();
            upload_.remove();
        }
        deleteLater();
    }

    QPointer<QTcpSocket> socket_;
    FileServer& server_;
    FileRequestParser parser_;
    QFile upload_;
    QFile download_;
    bool downloading_ = false;
    bool done_ = false;
    QTimer idle_;
};

} // namespace

FileServer::FileServer(Store& store, std::string folder, int idleTimeoutMs, QObject* parent)
    : QObject(parent), store_(store), folder_(std::move(folder)), idleMs_(idleTimeoutMs) {
    connect(&tcp_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = tcp_.nextPendingConnection())
            new FileConnection(s, *this);
    });
}

FileServer::~FileServer() = default;

bool FileServer::start(const QHostAddress& address, uint16_t port, std::string* error) {
    if (!QDir().mkpath(QString::fromStdString(folder_))) {
        if (error) *error = "cannot create the file folder " + folder_;
        return false;
    }
    if (!tcp_.listen(address, port)) {
        if (error) *error = "file server: " + tcp_.errorString().toStdString();
        return false;
    }
    return true;
}

void FileServer::stop() {
    tcp_.close();
}

} // namespace vantor::server
