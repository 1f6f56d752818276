// What the transfers need from the rest of the client: the server connection, a peer channel of
// their own per transfer, the colleagues' names, the account's folders, and the windows that show
// panels and lines. The composition layer implements them; tests use fakes.
#pragma once

#include "protocol/chat.h"
#include "protocol/frame.h"
#include "protocol/peer_records.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::transfer {

struct TTransmitFile;

// A transfer's own channel to the colleague (not the initiator of the address exchange).
class ITransferChannel {
  public:
    virtual ~ITransferChannel() = default;
    // Directly when a path is confirmed, else (or with `relayed`) framed through the server.
    virtual bool send(std::string_view message, bool relayed) = 0;
    virtual bool viaServer() const = 0;
    virtual void setViaServer(bool on) = 0;
    // Stores the colleague's endpoints and punches towards them.
    virtual void punch(const protocol::Endpoint& lan, const protocol::Endpoint& pub) = 0;
    virtual protocol::Endpoint lanEndpoint() const = 0;
    // Empty until the server's echo told it.
    virtual protocol::Endpoint publicEndpoint() const = 0;

    // Blocks and acknowledgements that arrived on this channel's socket, already checked to come
    // from the colleague. The handler may free the channel.
    std::function<void(const protocol::Message&)> onRecord;
};

struct TransferFolders {
    QString cache;    // the account's Cache folder
    QString history;  // the account's History folder (RecvFiles.db)
    QString images;   // the account's Images folder (pictures)
    QString received; // RevFilesPath
};

class ITransferHost {
  public:
    virtual ~ITransferHost() = default;
    virtual uint32_t ownId() const = 0;
    virtual std::string ownName() const = 0; // GBK
    // A colleague's display name (GBK); nothing for an unknown colleague.
    virtual std::optional<std::string> userName(uint32_t userId) const = 0;
    virtual void sendToServer(std::string_view message) = 0;
    virtual std::unique_ptr<ITransferChannel> openChannel(uint32_t peerId) = 0;
    virtual TransferFolders folders() const = 0;
    // Millisecond tick count (wraps), for transfer ids.
    virtual uint32_t tickCount() const = 0;
};

// How a transfer ended.
enum class Outcome : uint8_t { Completed, Declined, Cancelled, Stopped, Failed, Offline, SignedOut };

class ITransferView {
  public:
    virtual ~ITransferView() = default;
    // A transfer to show in its conversation's panel list (never a picture).
    virtual void transferAdded(TTransmitFile& t) = 0;
    // Progress, speed, state.
    virtual void transferChanged(TTransmitFile& t) = 0;
    // The panel goes; `t` is still whole during the call.
    virtual void transferRemoved(TTransmitFile& t, Outcome outcome) = 0;
    // A system line in the transfer's conversation; `store`: also kept in the history as a
    // system message from the file's sender to its receiver (and copied to the server when copies
    // are on).
    virtual void transferLine(TTransmitFile& t, const std::string& gbkText, bool store) = 0;
    // The receiver's completion line with its links to the file and its folder.
    virtual void fileReceived(TTransmitFile& t, const QString& path) = 0;
    // A message box (GBK text and caption).
    virtual void transferMessage(const std::string& gbkText, const std::string& gbkCaption) = 0;
    // A fetched picture arrived in the Images folder (ok) or cannot come (error picture).
    virtual void pictureDone(TTransmitFile& t, bool ok) = 0;
};

} // namespace vantor::transfer
