// The NAT laboratory with the organisation's server running in its public namespace, and client
// programs started in the client namespaces; every process is stopped and every namespace removed
// when the object goes away, also when a test fails. Counters in the server's namespace tell how
// many framed messages of a code crossed the server's TCP port, so a test can show what the
// server saw. Shared by the peer, file-transfer and media network tests.
#pragma once

#include "netlab.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace vantor::peer::testing {

using vantor::testing::Host;
using vantor::testing::NatKind;
using vantor::testing::NetLab;

class PeerLab {
  public:
    static constexpr uint16_t kServerPort = 8000;

    // Empty when the laboratory and the server program are available, else why not.
    static std::string unavailableReason();

    PeerLab(NatKind a, NatKind b);
    ~PeerLab();
    PeerLab(const PeerLab&) = delete;
    PeerLab& operator=(const PeerLab&) = delete;

    bool ok() const { return error_.empty() && net_.ok(); }
    std::string error() const { return error_.empty() ? net_.error() : error_; }
    NetLab& net() { return net_; }

    // Starts vantor-server on the public address with the sample organisation, and counts the
    // framed messages of the given codes on its TCP port from then on.
    bool startServer(const std::vector<uint8_t>& countedCodes = {0x08});
    // Starts a program inside a host's namespace; its standard output is kept.
    QProcess& spawn(Host host, const std::string& program, const std::vector<std::string>& args);
    // Waits until the process ends (or kills it after `ms`); returns its standard output.
    static std::string finish(QProcess& p, int ms);

    // Framed messages of `code` that reached the server's TCP port, and that the server sent.
    uint64_t framesIn(uint8_t code);
    uint64_t framesOut(uint8_t code);
    // The server's log so far.
    std::string serverLog() const;

  private:
    uint64_t counter(const std::string& chain, uint8_t code);
    NetLab net_;
    std::string error_;
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// The value of `key=` in a RESULT line of a node's output (-1 when missing).
long resultValue(const std::string& output, const std::string& key);

} // namespace vantor::peer::testing
