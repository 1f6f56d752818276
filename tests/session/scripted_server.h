// A loopback server for what the reference server never does (a refusal for an outdated client, a
// reason of its own, no answer to the version check, a broken stream): it answers the greeting and
// hands every framed message to the test's script.
#pragma once

#include "protocol/frame.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <vector>

namespace vantor::testing {

class ScriptedServer {
  public:
    ScriptedServer();
    uint16_t port() const { return server_.serverPort(); }
    int connections() const { return connections_; }
    std::vector<protocol::Message> received;

    std::function<void(QTcpSocket*, const protocol::Message&)> onMessage;
    static void send(QTcpSocket* s, const protocol::Message& m);

  private:
    QTcpServer server_;
    int connections_ = 0;
    std::vector<std::unique_ptr<protocol::ServerFrameReader>> readers_;
};

} // namespace vantor::testing
