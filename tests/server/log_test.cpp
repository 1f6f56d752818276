// The server's log lines: text from outside cannot break a line or colour a terminal, and under
// systemd the level travels as journald's priority.
#include "server/log.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor::server {
namespace {

TEST(ServerLog, TextFromOutsideStaysOnOneLineWithoutControlCharacters) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"listening on 127.0.0.1:8000", "listening on 127.0.0.1:8000"},
        {"two\nlines\r", "two\\x0Alines\\x0D"},
        {"\x1b[31mred\x1b[0m", "\\x1B[31mred\\x1B[0m"},
        {std::string("nul\0in", 6), "nul\\x00in"},
        {"tab\there\x7f", "tab\\x09here\\x7F"},
        {"back\\slash", "back\\\\slash"},
        {"张伟 sent a file", "张伟 sent a file"}, // UTF-8 stays
        // GBK bytes are escaped, unless they happen to make UTF-8 (here "伟" reads as a Greek letter)
        {"\xd5\xc5\xce\xb0.doc", "\\xD5\\xC5\xce\xb0.doc"},
        {"\xc2\x9b"
         "31m",
         "\\xC2\\x9B31m"},                        // the one-character CSI
        {"\xe4\xb8", "\\xE4\\xB8"},               // cut in the middle of a character
        {"\xc0\xaf", "\\xC0\\xAF"},               // overlong '/'
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},      // a surrogate
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"}, // four bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(logSafe(c.in), c.out) << c.out;
}

TEST(ServerLog, JournalStreamMustNameTheDescriptorsFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("stderr");
    const int fd = ::open(path.toLocal8Bit().constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    const std::string mine = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    EXPECT_TRUE(isJournalStream(mine.c_str(), fd));
    const std::string other = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino + 1);
    for (const std::string& text : {other, std::string(), std::string("garbage"), mine + "x", mine + ":1"})
        EXPECT_FALSE(isJournalStream(text.c_str(), fd)) << text;
    EXPECT_FALSE(isJournalStream(nullptr, fd));
    ::close(fd);
}

// The program with its standard error on a file that JOURNAL_STREAM names (as systemd sets it),
// and with a JOURNAL_STREAM inherited from elsewhere (a pipe to a test).
TEST(ServerLog, UnderJournaldTheLevelIsThePriorityAndTheTimeIsLeftOut) {
    QTemporaryDir dir;
    for (const bool journal : {true, false}) {
        SCOPED_TRACE(journal ? "journal stream" : "inherited journal stream");
        const QString logPath = dir.filePath(journal ? "journal.log" : "plain.log");
        {
            QFile f(logPath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        struct stat st {};
        ASSERT_EQ(::stat(logPath.toLocal8Bit().constData(), &st), 0);
        const QString stream =
            QStringLiteral("%1:%2").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino) + (journal ? 0 : 1));
        QProcess server;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("JOURNAL_STREAM"), stream);
        server.setProcessEnvironment(env);
        server.setStandardErrorFile(logPath, QIODevice::Append);
        server.start(QStringLiteral(VANTOR_BIN_DIR "/vantor-server"),
                     {"--db", dir.filePath(journal ? "a.db" : "b.db"), "--port", "0", "--file-port", "0"});
        ASSERT_TRUE(server.waitForStarted(3000));
        QByteArray log;
        for (int i = 0; i < 100 && !log.contains("listening"); ++i) {
            QThread::msleep(50);
            QFile f(logPath);
            if (f.open(QIODevice::ReadOnly)) log = f.readAll();
        }
        server.terminate();
        ASSERT_TRUE(server.waitForFinished(5000));
        EXPECT_EQ(server.exitCode(), 0);
        QFile f(logPath);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        log = f.readAll();
        ASSERT_TRUE(log.contains("listening")) << log.constData();
        for (const QByteArray& line : log.split('\n')) {
            if (line.isEmpty()) continue;
            if (journal)
                EXPECT_TRUE(line.startsWith("<6>info: ") || line.startsWith("<4>warning: "))
                    << line.constData();
            else
                EXPECT_TRUE(
                    QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} vantor-server \w+: )")
                        .match(QString::fromUtf8(line))
                        .hasMatch())
                    << line.constData();
        }
        EXPECT_TRUE(log.contains("the store is closed")) << log.constData();
    }
}

} // namespace
} // namespace vantor::server
