// The adaptors between the client's parts: each implements the interfaces one part declares by
// forwarding to the others. They hold no state of their own besides the core they serve.
#pragma once

#include "directory/directory.h"
#include "directory/interfaces.h"
#include "peer/interfaces.h"

namespace vantor::client {

class ClientCore;

// The directory's view of the rest of the client: the server, the session's steps, the peer
// sessions of colleagues, the time, and its own record for the session core.
class DirectoryBridge : public directory::IServerSender,
                        public directory::IDirectoryHost,
                        public directory::IPeerSessions,
                        public directory::IClock,
                        public directory::DirectoryListener {
  public:
    explicit DirectoryBridge(ClientCore& core) : core_(core) {}

    // IServerSender
    bool sendToServer(const protocol::Message& message) override;
    // IDirectoryHost
    void restartSignInWatchdog() override;
    void deliverHeldMessage(const protocol::ChatMessage& message) override;
    void userRecordArrived(uint32_t userId) override;
    void userChanged(uint32_t userId, bool own) override;
    using directory::DirectoryListener::userChanged;
    // IPeerSessions
    void endSessionsWith(uint32_t userId) override;
    // IClock
    int64_t nowMs() const override;
    // DirectoryListener
    void ownUserChanged(const directory::User* u) override;

  private:
    ClientCore& core_;
};

// The peer transport's view: the server connection, the colleagues, and where records go.
class PeerBridge : public peer::IServerLink, public peer::IPeerDirectory, public peer::IPeerRecordSink {
  public:
    explicit PeerBridge(ClientCore& core) : core_(core) {}

    // IServerLink
    bool connected() const override;
    void sendToServer(std::string_view message) override;
    std::string serverAddress() const override;
    uint16_t serverPort() const override;
    uint32_t ownId() const override;
    // IPeerDirectory
    std::optional<uint8_t> contactStatus(uint32_t userId) const override;
    void requestUserRecord(uint32_t userId) override;
    // IPeerRecordSink
    void peerRecord(const protocol::Message& m, peer::TMySocket& channel) override;

  private:
    ClientCore& core_;
};

} // namespace vantor::client
