#include "platform/hand_over.h"

#include "test_net.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vantor::platform {
namespace {

using testing::waitFor;

class HandOverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("handover"));
        server_.onText = [this](const QByteArray& t) { texts_.push_back(t); };
        ASSERT_EQ(server_.listen(path_), HandOverServer::Listen::Listening);
    }

    // Sends the chunks on one connection; returns the answer (empty when none came).
    QByteArray send(const std::vector<QByteArray>& chunks) {
        QLocalSocket s;
        s.connectToServer(path_);
        EXPECT_TRUE(s.waitForConnected(2000));
        for (const auto& c : chunks) {
            s.write(c);
            s.flush();
            testing::spin(20);
        }
        QByteArray answer;
        waitFor([&] {
            answer += s.readAll();
            return !answer.isEmpty() || s.state() == QLocalSocket::UnconnectedState;
        });
        return answer;
    }

    QTemporaryDir dir_;
    QString path_;
    ManualClock clock_;
    HandOverServer server_{clock_};
    std::vector<QByteArray> texts_;
};

TEST_F(HandOverTest, TextsArriveWholeAndAreAnsweredOnceHandled) {
    struct Case {
        std::vector<QByteArray> chunks;
        QByteArray text;
    } cases[] = {
        {{QByteArray("uin=123\0", 8)}, "uin=123"},
        {{QByteArray("link with  spaces and \xE4\xB8\xAD\0", 27)}, "link with  spaces and \xE4\xB8\xAD"},
        {{"uin", "=4", QByteArray("56\0", 3)}, "uin=456"},
        {{QByteArray("\0", 1)}, ""},
        // Bytes after the NUL are not part of the text.
        {{QByteArray("a\0b", 3)}, "a"},
    };
    for (const auto& c : cases) {
        texts_.clear();
        EXPECT_EQ(send(c.chunks), QByteArray(1, kHandOverDone));
        ASSERT_EQ(texts_.size(), 1u);
        EXPECT_EQ(texts_[0], c.text);
    }
}

TEST_F(HandOverTest, OverlongOrSilentConnectionsAreDroppedWithoutAText) {
    EXPECT_TRUE(send({QByteArray(kMaxHandOverText + 1, 'x')}).isEmpty());

    QLocalSocket s;
    s.connectToServer(path_);
    ASSERT_TRUE(s.waitForConnected(2000));
    s.write("no end");
    s.flush();
    testing::spin(50);
    clock_.advance(kHandOverIdleMs);
    EXPECT_TRUE(waitFor([&] { return s.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_TRUE(texts_.empty());
}

TEST_F(HandOverTest, TheSocketIsPrivateToTheUser) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path_).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IWGRP | S_IWOTH | S_IRGRP | S_IROTH), 0u);
}

TEST_F(HandOverTest, ASecondClientLeavesTheLiveEndpointAloneAndAStaleOneIsReplaced) {
    HandOverServer second(clock_);
    EXPECT_EQ(second.listen(path_), HandOverServer::Listen::AlreadyServed);
    EXPECT_EQ(send({QByteArray("still\0", 6)}), QByteArray(1, kHandOverDone)); // the first one answers

    server_.close();
    // A socket file left behind by a client that died.
    QLocalServer dead;
    dead.setSocketOptions(QLocalServer::UserAccessOption);
    const QString stale = dir_.filePath(QStringLiteral("stale"));
    ASSERT_TRUE(dead.listen(stale));
    dead.close();
    QFile marker(stale); // QLocalServer removes its file on close; leave a plain one behind instead
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    HandOverServer third(clock_);
    EXPECT_EQ(third.listen(stale), HandOverServer::Listen::Listening);
}

} // namespace
} // namespace vantor::platform
