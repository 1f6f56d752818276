// Clients made with ClientCore against the reference server on a thread of its own, loaded with
// the sample organisation. Each client has its own folders, a recording main window, a recording
// directory window and a record of what reached it from colleagues; all share one injected clock.
#pragma once

#include "../conversation/chat_fakes.h"
#include "../directory/fakes.h"
#include "../session/recording_view.h"
#include "client/client_core.h"
#include "conversation/chat_core.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/process_launcher.h"
#include "server/org_file.h"
#include "server/server_thread.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantor::testing {

class TestClient : public client::IColleagueRecords {
  public:
    // `sockets`: the channels' datagram sockets (none: UDP sockets on the event loop).
    TestClient(const QString& folder, platform::ManualClock& clock, uint16_t serverPort,
               peer::DatagramSocketFactory* sockets = nullptr);
    ~TestClient() override;

    // Signs in with the command line's account and password (UTF-8).
    void start(const std::string& account, const std::string& password);

    client::ClientCore& core() { return *core_; }
    session::TMessengerX& messenger() { return core_->messenger(); }
    directory::Directory& dir() { return core_->directory().directory(); }
    directory::TreeModel& tree() { return core_->directory().tree(); }
    peer::PeerTransport& peers() { return core_->peers(); }

    // The tree's text of a user's row and of a department's row (UTF-8; empty when not shown).
    std::string userRow(uint32_t userId);
    std::string departmentRow(uint32_t departmentId);

    struct Record {
        protocol::Message message;
        bool byChannel = false;
    };
    std::vector<Record> records;
    std::function<void(const protocol::Message&)> onRecord;
    void colleagueRecord(const protocol::Message& m, peer::TMySocket* channel) override;

    RecordingMainView view;
    directory::test::FakeView directoryView;
    chat_test::FakeView conversationView;

    // The one-to-one conversation with a colleague, opened and shown as a window would be.
    conversation::Conversation& openWith(uint32_t userId);
    // Types and sends a text (UTF-8) in a conversation.
    void say(conversation::Conversation& c, const std::string& utf8);
    // The plain texts (UTF-8) of the account's stored conversation with a colleague.
    std::vector<std::string> stored(uint32_t partnerId);
    // The received messages shown, as UTF-8 texts.
    std::vector<std::string> received() const;

  private:
    platform::RecordingProcessLauncher launcher_;
    platform::NullCameraProbe camera_{false};
    std::unique_ptr<client::ClientCore> core_;
};

// vantor-server on a thread of its own with an organisation imported into a new store in `folder`
// (cheap password hashes), on a free port the client's settings can hold. Null, with the reason in
// `error`, when it cannot start.
// `configure` may change the server's configuration first.
std::unique_ptr<server::ServerThread>
startServer(server::Organisation org, const QString& folder, std::string* error,
            const std::function<void(server::ServerConfig&)>& configure = {});
// The sample organisation (data/org/sample-org.json).
server::Organisation sampleOrganisation();

class ClientTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    server::ServerThread& server() { return *server_; }
    // A new client, signed in and with its load complete (fails the test otherwise).
    TestClient& signIn(const std::string& account, const std::string& password);
    // Runs the event loop, moving the injected clock by `stepMs` each round, until `done` holds or
    // `realMs` of real time have passed.
    bool drive(const std::function<bool()>& done, int realMs = 8000, int stepMs = 5);

    QTemporaryDir dir_;
    platform::ManualClock clock_;
    std::unique_ptr<server::ServerThread> server_;
    std::vector<std::unique_ptr<TestClient>> clients_;
    int clientsMade_ = 0;
};

} // namespace vantor::testing
