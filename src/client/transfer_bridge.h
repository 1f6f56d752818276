// The transfers' view of the rest of the client: the server connection and a peer channel of their
// own per transfer, the colleagues' names, the account's folders, and the conversations, whose
// lines the chat core shows and stores. Panels and message boxes go to the transfer view set from
// outside (none: transfers still run, nothing is drawn). It also answers colleagues' picture
// requests with picture transfers.
#pragma once

#include "conversation/picture_request.h"
#include "transfer/transfer_ports.h"

namespace vantor::client {

class ClientCore;

class TransferBridge : public transfer::ITransferHost,
                       public transfer::ITransferView,
                       public conversation::IPictureTransfer {
  public:
    explicit TransferBridge(ClientCore& core) : core_(core) {}

    void setView(transfer::ITransferView* view) { view_ = view; }
    transfer::ITransferView* view() const { return view_; }

    // ITransferHost
    uint32_t ownId() const override;
    std::string ownName() const override;
    std::optional<std::string> userName(uint32_t userId) const override;
    void sendToServer(std::string_view message) override;
    std::unique_ptr<transfer::ITransferChannel> openChannel(uint32_t peerId) override;
    transfer::TransferFolders folders() const override;
    uint32_t tickCount() const override;

    // ITransferView
    void transferAdded(transfer::TTransmitFile& t) override;
    void transferChanged(transfer::TTransmitFile& t) override;
    void transferRemoved(transfer::TTransmitFile& t, transfer::Outcome outcome) override;
    void transferLine(transfer::TTransmitFile& t, const std::string& gbkText, bool store) override;
    void fileReceived(transfer::TTransmitFile& t, const QString& path) override;
    void transferMessage(const std::string& gbkText, const std::string& gbkCaption) override;
    void pictureDone(transfer::TTransmitFile& t, bool ok) override;

    // IPictureTransfer
    bool startPictureTransfer(uint32_t requesterId, const protocol::ConversationKey& key, const QString& path,
                              const std::string& name) override;

  private:
    ClientCore& core_;
    transfer::ITransferView* view_ = nullptr;
};

} // namespace vantor::client
