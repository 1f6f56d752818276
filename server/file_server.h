// The file server of offline files: one request per connection (download, upload, delete),
// files kept under a folder of its own and indexed in the store.
#pragma once

#include <QObject>
#include <QTcpServer>

#include <string>

namespace vantor::server {

class Store;

class FileServer : public QObject {
    Q_OBJECT
  public:
    FileServer(Store& store, std::string folder, int idleTimeoutMs, QObject* parent = nullptr);
    ~FileServer() override;

    bool start(const QHostAddress& address, uint16_t port, std::string* error);
    void stop();
    uint16_t port() const { return uint16_t(tcp_.serverPort()); }
    const std::string& folder() const { return folder_; }
    Store& store() { return store_; }
    int idleTimeoutMs() const { return idleMs_; }

  private:
    Store& store_;
    std::string folder_;
    int idleMs_;
    QTcpServer tcp_;
};

} // namespace vantor::server
