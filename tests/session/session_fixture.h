// The session core under test against the reference server: a program folder and a Documents
// folder of its own, settings files written per test, the injected clock, the recording window
// and launcher, and the server in process on the test's event loop. TcpPipe sits between client and
// server where a test needs to silence or cut the connection or see what the client sent.
#pragma once

#include "../platform/test_net.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/process_launcher.h"
#include "recording_view.h"
#include "server/server.h"
#include "session/messenger.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace vantor::testing {

// Colleagues 11..15 with accounts "a".."e" (passwords "pa".."pe") and 6 more without accounts, in
// departments 1 "总部" and 2 "研发部".
server::Organisation sessionOrganisation();

// The reference server on this thread, on free ports, with sessionOrganisation().
class TestServer {
  public:
    explicit TestServer(const QString& folder, const std::function<void(server::ServerConfig&)>& tweak = {});
    ~TestServer();
    bool ok() const { return server_ && server_->running(); }
    uint16_t port() const { return server_->port(); }
    server::Server& server() { return *server_; }
    const server::ServerConfig& config() const { return config_; }
    // Starts again on the same store and the same port.
    bool restart();
    void stop();

  private:
    server::ServerConfig config_;
    std::unique_ptr<server::Server> server_;
};

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Login keys of the machine settings file (before makeClient).
    void setMachine(const std::string& key, const std::string& value);
    void setMachineInt(const std::string& key, int64_t value);
    // A client on the server (or on `port`), created from the argument (UTF-8).
    session::TMessengerX& makeClient(const std::string& argument = {}, uint16_t port = 0);
    // Types into the sign-in panel and presses the button.
    void clickSignIn(const QString& account, const QString& password, bool remember = false,
                     const QString& status = QStringLiteral("在线"));
    bool waitSignedIn(session::TMessengerX& c, int ms = 8000) {
        return waitFor([&] { return c.SignedIn(); }, ms);
    }
    // Moves the injected clock in steps, letting the event loop run between them.
    void advance(int64_t ms, int64_t step = 1000);
    std::string machineValue(const std::string& section, const std::string& key);
    std::string machineFile() const;

    QTemporaryDir dir_;
    QString program_, documents_;
    std::unique_ptr<TestServer> server_;
    platform::ManualClock clock_;
    platform::RecordingProcessLauncher launcher_;
    platform::NullCameraProbe camera_{false};
    RecordingMainView view_;
    std::unique_ptr<session::TMessengerX> client_;
    int quits_ = 0;
};

inline QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace vantor::testing
