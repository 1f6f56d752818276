// The file server of offline files: one request per connection (download, upload, delete),
// files kept under a folder of its own and indexed in the store.
#pragma once

#include <QObject>
#include <QTcpServer>

#include <functional>
#include <map>
#include <string>
#include <unordered_map>

namespace vantor::server {

class Store;

// What the file server asks the organisation's server: whether the colleague whose id starts a
// name announced that name (its offer or offline notice) from the address an upload comes from,
// and whether a delete comes from the address of a colleague the name is between.
struct FileRules {
    std::function<bool(const std::string& name, const QHostAddress& from)> mayUpload;
    std::function<bool(const std::string& name, const QHostAddress& from)> mayDelete;
    int64_t quotaPerUser = int64_t(2) << 30; // bytes stored and arriving under one sender's names
    size_t maxConnections = 256;
    size_t maxPerAddress = 16;
};

class FileServer : public QObject {
    Q_OBJECT
  public:
    FileServer(Store& store, std::string folder, int idleTimeoutMs, FileRules rules = {},
               QObject* parent = nullptr);
    ~FileServer() override;

    bool start(const QHostAddress& address, uint16_t port, std::string* error);
    void stop();
    uint16_t port() const { return uint16_t(tcp_.serverPort()); }
    const std::string& folder() const { return folder_; }
    Store& store() { return store_; }
    int idleTimeoutMs() const { return idleMs_; }
    const FileRules& rules() const { return rules_; }

    // Uploads in progress, so two never write one name and quotas count what is arriving.
    bool beginUpload(const std::string& name, int64_t size, std::string* why);
    void endUpload(const std::string& name);
    void connectionClosed(const std::string& address);

  private:
    Store& store_;
    std::string folder_;
    int idleMs_;
    FileRules rules_;
    std::unordered_map<std::string, int64_t> arriving_; // name -> size
    std::unordered_map<std::string, size_t> perAddress_;
    size_t connections_ = 0;
    QTcpServer tcp_;
};

} // namespace vantor::server
