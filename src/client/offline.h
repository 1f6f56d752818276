// Offline files over a ClientCore. Sending: "发送离线文件" on an offered file tells the colleague
// (`CmdFileOffline`), uploads the file to the file server under the transfer id and, once every
// byte is there, completes ("CMD_TFComplete"): the lines, the history, and `CmdOfflineFile` to the
// colleague or to every other member of the group. Receiving: the list of offline files
// (transfer::OfflineFiles) with the history notice of a downloaded file and the word back to
// its sender.
#pragma once

#include "protocol/file_records.h"
#include "transfer/ftp_client.h"
#include "transfer/offline_files.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vantor::client {

class ClientCore;

inline constexpr const char* kCmdComplete = "CMD_TFComplete";

// The file server the sign-in reply named (host empty while signed out).
QString fileServerHostOf(const ClientCore& core);
uint16_t fileServerPortOf(const ClientCore& core);

class OfflineFilesHost : public transfer::IOfflineFilesHost {
  public:
    explicit OfflineFilesHost(ClientCore& core) : core_(core) {}
    uint32_t ownId() const override;
    void sendToServer(std::string_view message) override;
    QString fileServerHost() const override { return fileServerHostOf(core_); }
    uint16_t fileServerPort() const override { return fileServerPortOf(core_); }
    QString historyFolder() const override;
    double now() const override;
    void fileTaken(const protocol::OfflineFile& notice, const QString& path) override;

  private:
    ClientCore& core_;
};

// The offline uploads of the offered files.
class OfflineSends {
  public:
    struct Upload {
        std::string transmitId;
        QString path;
        std::string name; // GBK, base name
        uint64_t size = 0;
        int32_t receiverId = 0; // -1: a group
        protocol::ConversationKey key;
        int percent = 0;
        QString speed;
        QString remaining;
        std::unique_ptr<transfer::TFTPClient> client;
    };

    explicit OfflineSends(ClientCore& core) : core_(core) {}
    OfflineSends(const OfflineSends&) = delete;
    OfflineSends& operator=(const OfflineSends&) = delete;

    // "CMD_TFSendOffline" on an offered (not started) file of ours. False (and a message box)
    // when the file cannot go: too large for the file server, no file server, already uploading.
    bool start(const std::string& transmitId);
    const Upload* find(const std::string& transmitId) const;

    // Progress and the end of an upload (`done`: completed; otherwise the failure text).
    std::function<void(const std::string& transmitId)> onChanged;
    std::function<void(const std::string& transmitId, bool completed, const QString& text)> onDone;

  private:
    void complete(Upload& u);
    void failed(Upload& u, const QString& text);
    void changed(const std::string& id);

    ClientCore& core_;
    std::map<std::string, std::unique_ptr<Upload>> uploads_;
};

} // namespace vantor::client
