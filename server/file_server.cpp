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
        : QObject(&server), socket_(socket), server_(server),
          address_(socket->peerAddress().toString().toStdString()) {
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
                if (server_.rules().mayDelete &&
                    !server_.rules().mayDelete(parser_.name(), socket_->peerAddress())) {
                    drop("delete of " + parser_.name() + " from " + address_ + ", not a party to it");
                    return;
                }
                QFile::remove(pathOf(parser_.name()));
                server_.store().removeFile(parser_.name());
                log(LogLevel::Info, "file server: deleted " + parser_.name());
                break;
            case FileRequestParser::Event::UploadStart: {
                std::string why;
                if (server_.rules().mayUpload &&
                    !server_.rules().mayUpload(parser_.name(), socket_->peerAddress()))
                    why = "not announced by its sender from " + address_;
                else if (QFile::exists(pathOf(parser_.name())) || server_.store().fileSize(parser_.name()))
                    why = "exists already";
                if (!why.empty() || !server_.beginUpload(parser_.name(), parser_.size(), &why)) {
                    drop("upload of " + parser_.name() + " refused: " + why);
                    return;
                }
                uploading_ = parser_.name();
                // A name of its own per connection, so that two uploads of one file never mix.
                upload_.setFileName(
                    pathOf("." + parser_.name() + "." + std::to_string(quintptr(this)) + ".part"));
                if (!upload_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    drop("cannot write " + upload_.fileName().toStdString());
                    return;
                }
                break;
            }
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
        // Never replaces a stored file.
        if (!QFile::rename(upload_.fileName(), target)) {
            upload_.remove();
            drop("cannot store " + parser_.name());
            return;
        }
        server_.store().putFile(parser_.name(), parser_.size());
        server_.endUpload(uploading_);
        uploading_.clear();
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
        if (!uploading_.empty()) server_.endUpload(uploading_);
        server_.connectionClosed(address_);
        if (upload_.isOpen()) {
            // An upload cut short leaves nothing behind.
            upload_.close();
            upload_.remove();
        }
        deleteLater();
    }

    QPointer<QTcpSocket> socket_;
    FileServer& server_;
    std::string address_;
    std::string uploading_;
    FileRequestParser parser_;
    QFile upload_;
    QFile download_;
    bool downloading_ = false;
    bool done_ = false;
    QTimer idle_;
};

} // namespace

FileServer::FileServer(Store& store, std::string folder, int idleTimeoutMs, FileRules rules, QObject* parent)
    : QObject(parent), store_(store), folder_(std::move(folder)), idleMs_(idleTimeoutMs),
      rules_(std::move(rules)) {
    connect(&tcp_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = tcp_.nextPendingConnection()) {
            const std::string address = s->peerAddress().toString().toStdString();
            if (connections_ >= rules_.maxConnections || perAddress_[address] >= rules_.maxPerAddress) {
                log(LogLevel::Warning, "file server: too many connections; refusing " + address);
                if (perAddress_[address] == 0) perAddress_.erase(address);
                s->abort();
                s->deleteLater();
                continue;
            }
            ++connections_;
            ++perAddress_[address];
            new FileConnection(s, *this);
        }
    });
}

void FileServer::connectionClosed(const std::string& address) {
    --connections_;
    if (auto it = perAddress_.find(address); it != perAddress_.end() && --it->second == 0)
        perAddress_.erase(it);
}

bool FileServer::beginUpload(const std::string& name, int64_t size, std::string* why) {
    if (arriving_.count(name)) {
        *why = "another upload of it is running";
        return false;
    }
    // Names begin with their sender's id: the quota counts what is stored and arriving under it.
    const std::string owner = name.substr(0, name.find('_') + 1);
    int64_t used = store_.storedBytes(owner);
    for (const auto& [n, bytes] : arriving_)
        if (n.compare(0, owner.size(), owner) == 0) used += bytes;
    if (used + size > rules_.quotaPerUser) {
        *why = "over the quota of " + owner;
        return false;
    }
    arriving_[name] = size;
    return true;
}

void FileServer::endUpload(const std::string& name) {
    arriving_.erase(name);
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
