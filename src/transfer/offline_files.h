// The offline files left for this user on the file server, as the side panel's "离线文件" section
// lists them: one item per `CmdOfflineFile` notice, downloaded ("另存为...") or refused ("拒绝接收").
// Taking or refusing a file acknowledges it to the server with `CmdNetFile` and, for a file sent
// to this user alone, deletes it from the file server; a downloaded file is recorded in
// RecvFiles.db and announced to the conversation with its sender through the host. The notices
// not handled are kept in a file of the account until they are.
#pragma once

#include "protocol/file_records.h"
#include "transfer/ftp_client.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::transfer {

class IOfflineFilesHost {
  public:
    virtual ~IOfflineFilesHost() = default;
    virtual uint32_t ownId() const = 0;
    // A whole message (code byte, then the body) to the main server.
    virtual void sendToServer(std::string_view message) = 0;
    virtual QString fileServerHost() const = 0;
    virtual uint16_t fileServerPort() const = 0;
    // The account's History folder (RecvFiles.db).
    virtual QString historyFolder() const = 0;
    // Now as a day count (days since 1899-12-30, local time).
    virtual double now() const = 0;
    // A file was downloaded to `path`: the history notice in the conversation with its sender, and
    // the sender told that it was taken.
    virtual void fileTaken(const protocol::OfflineFile& notice, const QString& path) = 0;
};

struct OfflineFileItem {
    enum class State { Idle, Busy, Taken, Refused };
    protocol::OfflineFile notice;
    State state = State::Idle;
    QString savedPath; // once taken
    int percent = 0;
    QString speed;     // while busy: the last progress report
    QString remaining; // "-h:m:s"
    QString error;     // why the last download did not complete (empty when it did)
    std::unique_ptr<TFTPClient> client;

    bool handled() const { return state == State::Taken || state == State::Refused; }
    bool busy() const { return state == State::Busy; }
    const std::string& id() const { return notice.transferId; }
};

// Its name on the file server is the transfer id, which starts with the sender's id.
bool plausibleNotice(const protocol::OfflineFile& notice, uint32_t ownId);
// The `CmdNetFile` body: the name on the file server (text[80]) and the own id.
std::string netFileBody(const std::string& transferId, uint32_t ownId);

class OfflineFiles {
  public:
    static constexpr size_t kMaxItems = 500;

    explicit OfflineFiles(IOfflineFilesHost& host) : host_(host) {}
    ~OfflineFiles();
    OfflineFiles(const OfflineFiles&) = delete;
    OfflineFiles& operator=(const OfflineFiles&) = delete;

    // A notice arrived; false when it is not for us, names no plain file on the server, repeats
    // one listed or the list is full.
    bool add(const protocol::OfflineFile& notice);
    // "另存为...": downloads into `path` (replacing an existing file only with `overwrite`, else a
    // free variant of the name). False when the item is busy, handled or unknown.
    bool saveAs(const std::string& id, const QString& path, bool overwrite = false);
    // "拒绝接收". False when the item is busy, handled or unknown.
    bool refuse(const std::string& id);
    // The notices not yet handled are kept in `path` (the server hands each notice over once), so
    // that they survive a sign-out, a crash or a restart; the ones kept there are listed again.
    void keepIn(const QString& path);
    // Handled items go (the side panel's "清除").
    void removeHandled();
    // Sign-out: the list empties; running downloads stop and leave nothing behind.
    void clear();

    int notHandled() const;
    const std::vector<std::unique_ptr<OfflineFileItem>>& items() const { return items_; }
    OfflineFileItem* find(std::string_view id) const;

    // After every change of the list or of an item (progress included).
    std::function<void()> onChanged;
    // A notice was listed (also one kept from an earlier session): the side panel shows itself.
    std::function<void(const OfflineFileItem&)> onAdded;
    // A download ended (taken, missing, failed).
    std::function<void(OfflineFileItem&, TFTPClient::Result, const QString& text)> onDone;

  private:
    void acknowledge(OfflineFileItem& item);
    void downloaded(OfflineFileItem& item, const QString& path);
    void changed();
    void save();

    IOfflineFilesHost& host_;
    std::vector<std::unique_ptr<OfflineFileItem>> items_;
    QString keptIn_;
};

} // namespace vantor::transfer
