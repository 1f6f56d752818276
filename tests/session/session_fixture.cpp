#include "session_fixture.h"

#include "protocol/text.h"
#include "server/store.h"
#include "settings/profile_file.h"
#include "test_org.h"

#include <QDir>
#include <QFile>

namespace vantor::testing {

using protocol::toGbk;

server::Organisation sessionOrganisation() {
    return smallOrganisation(6);
}

// ---- server ----

TestServer::TestServer(const QString& folder, const std::function<void(server::ServerConfig&)>& tweak) {
    QDir().mkpath(folder);
    config_.port = freeLowPort();
    config_.filePort = 0;
    config_.dbPath = (folder + QStringLiteral("/store.db")).toStdString();
    config_.hashIterations = 1;
    config_.productName = "Kezique";
    if (tweak) tweak(config_);
    std::string error;
    {
        auto store = server::Store::open(config_.dbPath, &error);
        if (!store || !store->importOrganisation(sessionOrganisation(), &error)) {
            ADD_FAILURE() << error;
            return;
        }
    }
    server_ = std::make_unique<server::Server>(config_);
    if (!server_->start(&error)) ADD_FAILURE() << error;
    config_.port = server_->port();
    config_.filePort = server_->filePort();
}

TestServer::~TestServer() {
    stop();
}

void TestServer::stop() {
    if (server_ && server_->running()) server_->stop();
}

bool TestServer::restart() {
    stop();
    server_.reset();
    server_ = std::make_unique<server::Server>(config_);
    std::string error;
    const bool ok = server_->start(&error);
    if (!ok) ADD_FAILURE() << error;
    return ok;
}

// ---- fixture ----

void SessionTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    program_ = dir_.filePath(QStringLiteral("program"));
    documents_ = dir_.filePath(QStringLiteral("Documents"));
    QDir().mkpath(program_);
    QDir().mkpath(documents_ + QStringLiteral("/KZQ"));
    QDir().mkpath(dir_.filePath(QStringLiteral("server")));
    server_ = std::make_unique<TestServer>(dir_.filePath(QStringLiteral("server")));
    ASSERT_TRUE(server_->ok());
    setMachine("HostName", "127.0.0.1");
    setMachineInt("ServerPort", server_->port());
}

void SessionTest::TearDown() {
    if (HasFailure())
        for (const auto& call : view_.calls)
            std::fprintf(stderr, "  view: %s\n", call.c_str());
    client_.reset();
    server_.reset();
    spin(20);
}

std::string SessionTest::machineFile() const {
    return (documents_ + QStringLiteral("/KZQ/IM.Dat")).toStdString();
}

void SessionTest::setMachine(const std::string& key, const std::string& value) {
    settings::ProfileFile(machineFile()).writeString("Login", key, value);
}

void SessionTest::setMachineInt(const std::string& key, int64_t value) {
    settings::ProfileFile(machineFile()).writeInteger("Login", key, value);
}

std::string SessionTest::machineValue(const std::string& section, const std::string& key) {
    return settings::ProfileFile(machineFile()).readString(section, key);
}

session::TMessengerX& SessionTest::makeClient(const std::string& argument, uint16_t port) {
    if (port) setMachineInt("ServerPort", port);
    session::MessengerEnvironment env;
    env.clock = &clock_;
    env.view = &view_;
    env.launcher = &launcher_;
    env.camera = &camera_;
    env.layout = settings::FolderLayout(program_.toStdString(), documents_.toStdString());
    env.exeFileName = "vantor";
    env.machineId = [] { return std::string("332211005544"); };
    env.localAddress = [] { return std::string("127.0.0.1"); };
    env.quit = [this] { ++quits_; };
    client_ = std::make_unique<session::TMessengerX>(std::move(env));
    client_->ActiveFormCreate(protocol::toGbk(argument));
    return *client_;
}

void SessionTest::clickSignIn(const QString& account, const QString& password, bool remember,
                              const QString& status) {
    view_.inputs.account = account;
    view_.inputs.password = password;
    view_.inputs.rememberPassword = remember;
    view_.inputs.status = status;
    client_->SignInClicked();
}

void SessionTest::advance(int64_t ms, int64_t step) {
    for (int64_t done = 0; done < ms; done += step) {
        clock_.advance(std::min(step, ms - done));
        spin(5);
    }
}

} // namespace vantor::testing
