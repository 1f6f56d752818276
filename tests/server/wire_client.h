// A client for the tests that speaks the server's wire with blocking sockets on the test thread.
#pragma once

#include "protocol/frame.h"
#include "protocol/records.h"

#include <QTcpSocket>

#include <optional>
#include <string>
#include <vector>

namespace vantor::testing {

using protocol::Cmd;
using protocol::Message;

struct SignInResult {
    bool answered = false;
    protocol::VersionCheckReply version;
    protocol::LoginReply reply;
    std::vector<Message> load; // everything after the reply up to and including CmdLoginComplete
    bool complete = false;
};

class WireClient {
  public:
    // Connects and, with `greet`, exchanges the 40-byte greeting; from `source` (another loopback
    // address such as 127.0.0.7) when given.
    bool connectTo(uint16_t port, bool greet = true, const char* source = nullptr);
    void sendRaw(const std::string& bytes);
    // Writes everything before returning (sendRaw leaves what the kernel did not take at once).
    void sendAll(const std::string& bytes, int timeoutMs = 10000);
    void send(const Message& m);
    // Closes the connection after writing what is queued (an orderly close, as a client exits).
    void close();
    // The next message, or nothing within the time.
    std::optional<Message> next(int timeoutMs = 3000);
    // The next message with this code; others are kept in `skipped`.
    std::optional<Message> waitFor(Cmd code, int timeoutMs = 3000);
    // True when nothing arrives within the time.
    bool quiet(int timeoutMs = 200);
    // True when the server closes the connection within the time (what arrives is dropped).
    bool closedWithin(int timeoutMs = 3000);
    bool connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

    // Version check and sign-in; the account and password are UTF-8 (sent as GBK).
    SignInResult signIn(const std::string& account, const std::string& password, uint8_t status = 0);

    std::vector<Message> skipped;

  private:
    QTcpSocket socket_;
    protocol::ClientStreamReader reader_{true};
};

// The reason text of a refusal, as UTF-8.
std::string reasonOf(const protocol::LoginReply& r);

} // namespace vantor::testing
