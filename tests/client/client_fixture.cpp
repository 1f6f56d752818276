#include "client_fixture.h"

#include "../platform/test_net.h"
#include "crypto/cipher.h"
#include "history/message_store.h"
#include "protocol/text.h"
#include "server/org_file.h"
#include "server/store.h"
#include "settings/profile_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace vantor::testing {

// ---- one client ----

TestClient::TestClient(const QString& folder, platform::ManualClock& clock, uint16_t serverPort,
                       peer::DatagramSocketFactory* sockets) {
    const QString program = folder + QStringLiteral("/program");
    const QString documents = folder + QStringLiteral("/Documents");
    QDir().mkpath(program);
    QDir().mkpath(documents + QStringLiteral("/KZQ"));
    settings::ProfileFile machine((documents + QStringLiteral("/KZQ/IM.Dat")).toStdString());
    machine.writeString("Login", "HostName", "127.0.0.1");
    machine.writeInteger("Login", "ServerPort", serverPort);

    client::ClientEnvironment env;
    env.session.clock = &clock;
    env.session.view = &view;
    env.session.launcher = &launcher_;
    env.session.camera = &camera_;
    env.session.layout = settings::FolderLayout(program.toStdString(), documents.toStdString());
    env.session.machineId = [] { return std::string("020000000001"); };
    env.session.localAddress = [] { return std::string("127.0.0.1"); };
    env.session.quit = [] {};
    env.directoryView = &directoryView;
    env.records = this;
    env.conversationView = &conversationView;
    env.sockets = sockets;
    core_ = std::make_unique<client::ClientCore>(std::move(env));
}

TestClient::~TestClient() = default;

void TestClient::start(const std::string& account, const std::string& password) {
    messenger().ActiveFormCreate(protocol::toGbk("loginuser=" + account + "&loginpwd=" + password));
}

std::string TestClient::userRow(uint32_t userId) {
    return tree().indexOfUser(userId).data().toString().toStdString();
}

std::string TestClient::departmentRow(uint32_t departmentId) {
    return tree().indexOfDepartment(departmentId).data().toString().toStdString();
}

conversation::Conversation& TestClient::openWith(uint32_t userId) {
    conversation::Conversation* c = core_->conversations().openWith(userId);
    c->visible = c->inFront = true;
    return *c;
}

void TestClient::say(conversation::Conversation& c, const std::string& utf8) {
    core_->chat().send(c, protocol::toGbk(utf8), conversation::ChatFont{protocol::toGbk("宋体"), 0, 9});
}

std::vector<std::string> TestClient::stored(uint32_t partnerId) {
    std::vector<std::string> texts;
    const auto location = core_->historyLocation();
    if (!location) return texts;
    core_->finishHistoryWrites();
    const history::HistoryPage page =
        history::ReadHistoryPage(*location, history::OneToOneKey(int32_t(partnerId)), 0);
    for (const auto& r : page.records)
        texts.push_back(protocol::fromGbk(crypto::DesDecryptText(r.text)));
    return texts;
}

std::vector<std::string> TestClient::received() const {
    std::vector<std::string> texts;
    for (const auto& s : conversationView.shown)
        if (!s.own) texts.push_back(protocol::fromGbk(s.plain));
    return texts;
}

void TestClient::colleagueRecord(const protocol::Message& m, peer::TMySocket* channel) {
    records.push_back({m, channel != nullptr});
    if (onRecord) onRecord(m);
}

// ---- fixture ----

std::unique_ptr<server::ServerThread>
startServer(server::Organisation org, const QString& folder, std::string* error,
            const std::function<void(server::ServerConfig&)>& configure) {
    org.hashIterations = 1; // strong hashes only slow the sign-ins down here
    server::ServerConfig config;
    config.dbPath = QDir(folder).filePath(QStringLiteral("store.db")).toStdString();
    config.filePort = 0;
    config.hashIterations = 1;
    if (configure) configure(config);
    {
        auto store = server::Store::open(config.dbPath, error);
        if (!store || !store->importOrganisation(org, error)) return nullptr;
    }
    // The client's settings hold server ports up to 32767, so the port is chosen in that range;
    // another program may take it between the choice and the bind, hence a few attempts.
    for (int attempt = 0; attempt < 5; ++attempt) {
        config.port = freeLowPort();
        auto s = std::make_unique<server::ServerThread>(config);
        if (s->start(error)) return s;
    }
    return nullptr;
}

server::Organisation sampleOrganisation() {
    server::Organisation org;
    std::string error;
    if (!server::readOrganisationFile(VANTOR_SOURCE_DIR "/data/org/sample-org.json", org, &error))
        ADD_FAILURE() << error;
    return org;
}

void ClientTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    std::string error;
    server_ = startServer(sampleOrganisation(), dir_.path(), &error);
    ASSERT_TRUE(server_) << error;
}

void ClientTest::TearDown() {
    if (HasFailure())
        for (size_t i = 0; i < clients_.size(); ++i)
            for (const auto& call : clients_[i]->view.calls)
                std::fprintf(stderr, "  client %zu view: %s\n", i, call.c_str());
    clients_.clear();
    server_.reset();
    spin(10);
}

TestClient& ClientTest::signIn(const std::string& account, const std::string& password) {
    // Every client gets folders of its own, also after earlier ones were dropped.
    const QString folder = dir_.filePath(QStringLiteral("client%1").arg(clientsMade_++));
    clients_.push_back(std::make_unique<TestClient>(folder, clock_, server_->port()));
    TestClient& c = *clients_.back();
    c.start(account, password);
    EXPECT_TRUE(drive([&] { return c.messenger().SignedIn(); })) << account << " did not sign in";
    return c;
}

bool ClientTest::drive(const std::function<bool()>& done, int realMs, int stepMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > realMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (stepMs > 0) clock_.advance(stepMs);
        QThread::msleep(1);
    }
    return true;
}

} // namespace vantor::testing
