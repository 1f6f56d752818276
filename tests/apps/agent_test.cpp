// The programs themselves: the headless client against the reference server, `agent` handing a
// link to it or starting it, the updater's lock, and SIGTERM.
#include "../platform/test_net.h"
#include "../session/session_fixture.h"
#include "settings/profile_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor::testing {
namespace {

const QString kBin = QStringLiteral(VANTOR_BIN_DIR);

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        home_ = dir_.filePath(QStringLiteral("home"));
        runtime_ = dir_.filePath(QStringLiteral("run"));
        QDir().mkpath(home_ + QStringLiteral("/Documents/KZQ"));
        QDir().mkpath(runtime_);
        ::chmod(QFile::encodeName(runtime_).constData(), 0700);
        server_ = std::make_unique<TestServer>(dir_.filePath(QStringLiteral("server")));
        ASSERT_TRUE(server_->ok());
        settings::ProfileFile machine((home_ + QStringLiteral("/Documents/KZQ/IM.Dat")).toStdString());
        machine.writeString("Login", "HostName", "127.0.0.1");
        machine.writeInteger("Login", "ServerPort", server_->port());
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("HOME"), home_);
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
        env_.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), home_ + QStringLiteral("/Documents"));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    void TearDown() override {
        for (auto& p : clients_)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        stopStartedClients();
    }

    QProcess& startClient(const QStringList& args) {
        clients_.push_back(std::make_unique<QProcess>());
        QProcess& p = *clients_.back();
        p.setProcessEnvironment(env_);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(kBin + QStringLiteral("/vantor"), args);
        EXPECT_TRUE(p.waitForStarted(3000));
        return p;
    }
    // Waits (running our event loop, which serves the in-process server) for a line of output.
    bool waitOutput(QProcess& p, QByteArray& out, const char* text, int ms = 8000) {
        return waitFor(
            [&] {
                out += p.readAllStandardOutput();
                return out.contains(text);
            },
            ms);
    }
    int runAgent(const QString& program, const QStringList& args) {
        QProcess a;
        a.setProcessEnvironment(env_);
        // As from the desktop: a client that agent starts must not write into our pipe.
        a.setStandardOutputFile(QProcess::nullDevice());
        a.setStandardErrorFile(QProcess::nullDevice());
        a.start(program, args);
        if (!a.waitForStarted(3000)) return -1;
        // Our loop serves the server while agent waits for the client.
        waitFor([&] { return a.state() == QProcess::NotRunning; }, 15000);
        return a.exitStatus() == QProcess::NormalExit ? a.exitCode() : -1;
    }
    // Clients that agent started: found by their program and our HOME, stopped by their id.
    int stopStartedClients() {
        int stopped = 0;
        const QString exe = QFileInfo(kBin + QStringLiteral("/vantor")).canonicalFilePath();
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool numeric = false;
            const int id = pid.toInt(&numeric);
            if (!numeric) continue;
            if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() != exe) continue;
            QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
            if (!environ.open(QIODevice::ReadOnly)) continue;
            if (!environ.readAll().split('\0').contains(("HOME=" + home_).toLocal8Bit())) continue;
            ::kill(id, SIGTERM);
            ++stopped;
        }
        return stopped;
    }

    QTemporaryDir dir_;
    QString home_, runtime_;
    std::unique_ptr<TestServer> server_;
    QProcessEnvironment env_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

TEST_F(ProgramTest, AgentHandsTheWholeTextToTheRunningClient) {
    QProcess& client = startClient({QStringLiteral("loginuser=a&loginpwd=pa")});
    QByteArray out;
    ASSERT_TRUE(waitOutput(client, out, "balloon 登录成功")) << out.constData();
    EXPECT_TRUE(server_->server().isOnline(11));

    // One argument with spaces: only a text that arrived whole still holds "uin=".
    EXPECT_EQ(runAgent(kBin + QStringLiteral("/agent"), {QStringLiteral("open the chat uin=12")}), 0);
    EXPECT_TRUE(waitOutput(client, out, "open conversation 12")) << out.constData();
    EXPECT_EQ(runAgent(kBin + QStringLiteral("/agent"), {QStringLiteral("uin=11")}), 0); // the own number
    EXPECT_EQ(runAgent(kBin + QStringLiteral("/agent"), {}), 0);                         // nothing at all
    spin(100);
    out += client.readAllStandardOutput();
    EXPECT_FALSE(out.contains("open conversation 11"));

    // SIGTERM: the client signs out and ends.
    client.terminate();
    EXPECT_TRUE(waitFor([&] { return client.state() == QProcess::NotRunning; }));
    out += client.readAllStandardOutput();
    EXPECT_TRUE(out.contains("main window closed"));
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return !server_->server().isOnline(11); }));
}

TEST_F(ProgramTest, AgentStartsTheClientFromItsOwnFolderWithOneArgument) {
    // A folder with agent and a stand-in client that writes down its arguments.
    const QString folder = dir_.filePath(QStringLiteral("my programs"));
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(kBin + QStringLiteral("/agent"), folder + QStringLiteral("/agent")));
    const QString record = dir_.filePath(QStringLiteral("args"));
    QFile stand(folder + QStringLiteral("/vantor"));
    ASSERT_TRUE(stand.open(QIODevice::WriteOnly));
    stand.write(("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record + "'\n").toUtf8());
    stand.close();
    stand.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    struct Case {
        QStringList args;
        QByteArray recorded;
    } cases[] = {
        {{QStringLiteral("link uin=12  and; $(rm -rf x)")}, "1\nlink uin=12  and; $(rm -rf x)\n"},
        {{}, "0\n"},
    };
    for (const auto& c : cases) {
        QFile::remove(record);
        EXPECT_EQ(runAgent(folder + QStringLiteral("/agent"), c.args), 0);
        ASSERT_TRUE(waitFor([&] { return QFile::exists(record) && QFileInfo(record).size() > 0; }));
        spin(50);
        QFile f(record);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.recorded);
    }
}

TEST_F(ProgramTest, AgentStartsTheRealClientWhenNoneRuns) {
    EXPECT_EQ(runAgent(kBin + QStringLiteral("/agent"), {QStringLiteral("loginuser=b&loginpwd=pb")}), 0);
    EXPECT_TRUE(waitFor([&] { return server_->server().isOnline(12); }, 10000));
    EXPECT_EQ(stopStartedClients(), 1);
    EXPECT_TRUE(waitFor([&] { return !server_->server().isOnline(12); }));
}

TEST_F(ProgramTest, ARunningUpdaterKeepsTheClientFromStartingUnlessItSaysRun) {
    const QString lock = runtime_ + QStringLiteral("/kezique-updater.lock");
    const int fd = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    QProcess& blocked = startClient({});
    EXPECT_TRUE(blocked.waitForFinished(5000));
    EXPECT_EQ(blocked.exitCode(), 0);
    EXPECT_TRUE(blocked.readAllStandardOutput().isEmpty());

    QProcess& run = startClient({QStringLiteral("Run")});
    QByteArray out;
    EXPECT_TRUE(waitOutput(run, out, "sign-in panel shown")) << out.constData();
    ::close(fd);
}

} // namespace
} // namespace vantor::testing
