// The transfer panels of the conversation windows as data: one item per file transfer (pictures
// have none), grouped by conversation, with the texts a panel shows (name, amounts, progress,
// speed, remaining time) and the buttons the transfer's state allows. It is the transfers' view
// over a ClientCore: panel commands come back here and go to the transfers; fetched pictures and
// message boxes go out to whoever draws the windows.
#pragma once

#include "client/offline.h"
#include "transfer/transfer_ports.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vantor::client {

class ClientCore;

// The panel commands.
inline constexpr const char* kCmdAccept = "CMD_TFAccept";
inline constexpr const char* kCmdSaveAs = "CMD_TFSaveAs";
inline constexpr const char* kCmdDecline = "CMD_TFdecline";
inline constexpr const char* kCmdCancel = "CMD_TFCancel";
inline constexpr const char* kCmdStop = "CMD_TFStop";
inline constexpr const char* kCmdSendOffline = "CMD_TFSendOffline";

struct TransferButton {
    std::string command; // one of the commands above
    QString text;
    QString hint;
};

struct TransferItem {
    std::string transmitId;
    int conversationId = 0;
    bool sending = false;
    bool started = false;
    bool group = false;   // a group send ("群发文件")
    bool offline = false; // going to the file server
    QString name;         // the file name
    QString peer;         // the colleague's name, or "群发文件"
    uint64_t size = 0;
    uint64_t done = 0;
    int percent = 0;
    QString amounts;   // "1.5M/12.0M"
    QString speed;     // "1.5M/S" while running, empty before
    QString remaining; // "-0:01:23" while running, empty before
    QString state;     // what the panel says about the state ("等待对方接收…" and so on)
    std::vector<TransferButton> buttons;
};

// "hh:mm:ss" of a number of seconds (hours beyond 99 stay as they are).
QString clockText(uint64_t seconds);
// The panel's figures of a transfer.
// `upload`: the file is going to the file server.
TransferItem itemOf(const transfer::TTransmitFile& t, int conversationId,
                    const OfflineSends::Upload* upload = nullptr);

class TransferPanels : public transfer::ITransferView {
  public:
    explicit TransferPanels(ClientCore& core);
    ~TransferPanels() override;
    TransferPanels(const TransferPanels&) = delete;
    TransferPanels& operator=(const TransferPanels&) = delete;

    // The panels of a conversation, oldest first.
    std::vector<TransferItem> itemsOf(int conversationId) const;
    // File transfers (not pictures) of a conversation that a closing window would end.
    int runningIn(int conversationId) const { return int(itemsOf(conversationId).size()); }

    // A panel button. `path`: the chosen file of "另存为". False when the command does not apply
    // (unknown transfer, a command its state does not offer, or one not available here).
    bool command(const std::string& transmitId, const std::string& command, const QString& path = {});
    // A file dropped, pasted or chosen in a conversation window: offered to the colleague, or to
    // the group ("群发文件"). False when nothing is offered (a folder, a missing file, a duplicate).
    bool offerFile(int conversationId, const QString& path);
    // The window of a conversation closes: its transfers end as the closing rules say.
    void windowClosing(int conversationId);

    // Where the windows learn about changes (any may be empty).
    std::function<void(int conversationId)> onChanged;
    std::function<void(const std::string& gbkName, bool ok)> onPicture;
    std::function<void(const std::string& gbkText, const std::string& gbkCaption)> onMessage;

    // ITransferView
    void transferAdded(transfer::TTransmitFile& t) override;
    void transferChanged(transfer::TTransmitFile& t) override;
    void transferRemoved(transfer::TTransmitFile& t, transfer::Outcome outcome) override;
    void transferLine(transfer::TTransmitFile& t, const std::string& gbkText, bool store) override;
    void fileReceived(transfer::TTransmitFile& t, const QString& path) override;
    void transferMessage(const std::string& gbkText, const std::string& gbkCaption) override;
    void pictureDone(transfer::TTransmitFile& t, bool ok) override;

  private:
    int conversationOf(const transfer::TTransmitFile& t) const;
    void changed(int conversationId);

    ClientCore& core_;
    std::vector<TransferItem> items_;
};

} // namespace vantor::client
