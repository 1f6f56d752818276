// A signed-in session over the server's wire for test programs and benchmarks: greeting, version
// check, sign-in, the directory load up to CmdLoginComplete; then every message is handed on. It
// is the server link and the directory a peer transport needs.
#pragma once

#include "peer/interfaces.h"
#include "protocol/frame.h"

#include <QTcpSocket>

#include <functional>
#include <map>
#include <string>

namespace vantor::peer::testing {

class WireSession : public IServerLink, public IPeerDirectory {
  public:
    WireSession(std::string server, uint16_t port, std::string account, std::string password);
    void start();

    std::function<void()> onSignedIn;                        // CmdLoginComplete arrived
    std::function<void(const protocol::Message&)> onMessage; // everything after that
    std::function<void(const char* why)> onFailed;           // refused, broken, or closed

    bool signedIn() const { return signedIn_; }

    // IServerLink
    bool connected() const override { return tcp_.state() == QAbstractSocket::ConnectedState; }
    void sendToServer(std::string_view message) override;
    std::string serverAddress() const override { return server_; }
    uint16_t serverPort() const override { return port_; }
    uint32_t ownId() const override { return own_; }

    // IPeerDirectory
    std::optional<uint8_t> contactStatus(uint32_t id) const override;
    void requestUserRecord(uint32_t id) override;

  private:
    void onReadyRead();
    void handle(const protocol::Message& m);

    std::string server_;
    uint16_t port_;
    std::string account_, password_;
    QTcpSocket tcp_;
    protocol::ClientStreamReader reader_{true};
    uint32_t own_ = 0;
    std::map<uint32_t, uint8_t> status_;
    bool signedIn_ = false;
};

} // namespace vantor::peer::testing
