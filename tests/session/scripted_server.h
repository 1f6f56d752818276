// A loopback server for what the reference server never does (a refusal for an outdated client, a
// reason of its own, no answer to the version check, a broken stream): it answers the greeting and
// hands every framed message to the test's script.
#pragma once

#include "protocol/frame.h"

#include <QPointer>
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

    // Like servers that take the greeting with one large read: whatever came with the greeting's
    // 40 bytes in that read is thrown away (counted in `lostWithGreeting`).
    bool greetingInOneRead = false;
    size_t lostWithGreeting = 0;
    // The greeting is answered only by answerGreetings().
    bool holdGreetingAnswer = false;
    void answerGreetings();

  private:
    QTcpServer server_;
    int connections_ = 0;
    std::vector<QPointer<QTcpSocket>> unanswered_;
    std::vector<std::unique_ptr<protocol::ServerFrameReader>> readers_;
};

} // namespace vantor::testing
