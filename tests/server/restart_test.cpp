// The real program: imports the sample organisation, tells its clients when it stops, and keeps
// held messages across a restart.
#include "protocol/chat.h"
#include "protocol/text.h"
#include "wire_client.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

// Starts the program and reads the ports it listens on from its log.
struct Program {
    QProcess process;
    uint16_t port = 0;
    QString log;

    bool start(const QStringList& args) {
        process.setProgram(VANTOR_BIN_DIR "/vantor-server");
        process.setArguments(args + QStringList{"--port", "0", "--file-port", "0", "--log-level", "info"});
        process.setReadChannel(QProcess::StandardError);
        process.start();
        if (!process.waitForStarted(3000)) return false;
        static const QRegularExpression listening("listening on [0-9.]+:([0-9]+)");
        while (process.waitForReadyRead(5000)) {
            log += QString::fromUtf8(process.readAllStandardError());
            if (const auto m = listening.match(log); m.hasMatch()) {
                port = uint16_t(m.captured(1).toUInt());
                return true;
            }
        }
        return false;
    }
    int stop() {
        process.terminate(); // SIGTERM
        process.waitForFinished(5000);
        log += QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

TEST(ServerProgramTest, HeldMessagesSurviveARestartAndClientsAreToldOfTheStop) {
    QTemporaryDir dir;
    const QString db = dir.filePath("org.db");
    Program first;
    ASSERT_TRUE(first.start({"--db", db, "--org", VANTOR_SOURCE_DIR "/data/org/sample-org.json"}))
        << first.log.toStdString();
    EXPECT_TRUE(first.log.contains(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));

    WireClient zhang;
    ASSERT_TRUE(zhang.connectTo(first.port));
    const SignInResult r = zhang.signIn("zhangwei", "zhangwei123");
    ASSERT_TRUE(r.complete) << reasonOf(r.reply);
    protocol::ChatMessage m;
    m.senderId = 1001;
    m.recipientId = 1002;
    m.sendTick = 77;
    m.serverDelivery = true;
    m.key.userA = 1001;
    m.key.userB = 1002;
    m.text = "held";
    const Message held{uint8_t(Cmd::ChatMessage), m.encodeBody()};
    zhang.send(held);
    zhang.send(protocol::emptyMessage(Cmd::Heartbeat));
    ASSERT_TRUE(zhang.waitFor(Cmd::Heartbeat));

    EXPECT_EQ(first.stop(), 0);
    const auto bye = zhang.waitFor(Cmd::LoginReply);
    ASSERT_TRUE(bye);
    protocol::LoginReply reply;
    ASSERT_TRUE(wire::decode(bye->body, reply));
    EXPECT_FALSE(reply.success);
    EXPECT_EQ(reasonOf(reply), "服务器已停止！");
    EXPECT_TRUE(first.log.contains("the store is closed"));

    Program second;
    ASSERT_TRUE(second.start({"--db", db})) << second.log.toStdString();
    WireClient wang;
    ASSERT_TRUE(wang.connectTo(second.port));
    ASSERT_TRUE(wang.signIn("wangfang", "wangfang123").complete);
    const auto got = wang.waitFor(Cmd::ChatMessage);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, held.body);
    EXPECT_EQ(second.stop(), 0);
}

} // namespace
} // namespace vantor::testing
