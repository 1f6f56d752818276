// Offline files through the assembled clients and vantor-server: a file left on the file server
// for a colleague who is away is found after the colleague signs in, downloaded byte-exact,
// recorded and announced back; refusing deletes a one-to-one file and keeps a group's.
#include "client_fixture.h"
#include "test_files.h"

#include "crypto/cipher.h"
#include "groups/groups_core.h"
#include "history/message_store.h"
#include "protocol/text.h"
#include "transfer/offline_files.h"
#include "transfer/recv_files.h"
#include "transfer/transfers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <random>

namespace vantor::testing {
namespace {

QString writeFile(const QString& path, qint64 size) {
    EXPECT_TRUE(writeRandomFile(path, size)) << path.toStdString();
    return path;
}

class OfflineTest : public ClientTest {
  protected:
    QString serverFile(const std::string& id) const {
        return dir_.filePath(QStringLiteral("store.db.files/") + QString::fromStdString(id));
    }
    // Offers `path` in `c` and sends it offline; the transfer id once it is on the server.
    std::string sendOffline(TestClient& a, conversation::Conversation& c, uint32_t receiver,
                            const QString& path) {
        std::optional<bool> completed;
        a.core().offlineSends().onDone = [&](const std::string&, bool ok, const QString&) { completed = ok; };
        transfer::TTransmitFile* t = a.core().transfers().offer(c.key, receiver, path);
        EXPECT_NE(t, nullptr);
        if (!t) return {};
        const uint64_t serial = t->serial;
        std::string id;
        EXPECT_TRUE(drive([&] {
            for (const auto& x : a.core().transfers().all())
                if (x->serial == serial && !x->transmitId.empty()) id = x->transmitId;
            return !id.empty();
        }));
        EXPECT_TRUE(a.core().offlineSends().start(id));
        EXPECT_FALSE(a.core().offlineSends().start(id)); // once
        EXPECT_TRUE(drive([&] { return completed.has_value(); }, 30000));
        EXPECT_EQ(completed, std::optional<bool>(true));
        a.core().offlineSends().onDone = nullptr;
        EXPECT_EQ(a.core().transfers().find(id), nullptr); // the panel went
        return id;
    }
    std::vector<std::string> storedTexts(TestClient& c, const std::string& key) {
        std::vector<std::string> texts;
        c.core().finishHistoryWrites();
        for (const auto& r : history::ReadHistoryPage(*c.core().historyLocation(), key, 0).records)
            texts.push_back(protocol::fromGbk(crypto::DesDecryptText(r.text)));
        return texts;
    }
};

TEST_F(OfflineTest, AColleagueAwayFindsTheFileAfterSigningIn) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    const QString path = writeFile(dir_.filePath(QStringLiteral("季度报告.doc")), 3 * 4096 + 1);
    conversation::Conversation& ab = a.openWith(1002);
    const std::string id = sendOffline(a, ab, 1002, path);
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(sha256(serverFile(id)), sha256(path));
    EXPECT_EQ(a.stored(1002).back(), "成功发送离线文件：“季度报告.doc”");

    // 王芳 signs in later: the notice waited on the server.
    TestClient& b = signIn("wangfang", "wangfang123");
    transfer::OfflineFiles& files = b.core().offlineFiles();
    ASSERT_TRUE(drive([&] { return files.items().size() == 1; }));
    const transfer::OfflineFileItem& item = *files.items().front();
    EXPECT_EQ(item.notice.transferId, id);
    EXPECT_EQ(item.notice.senderId, 1001u);
    EXPECT_EQ(protocol::fromGbk(item.notice.senderName), "张伟");
    EXPECT_EQ(protocol::fromGbk(item.notice.fileName), "季度报告.doc");
    EXPECT_EQ(item.notice.size, uint64_t(3 * 4096 + 1));
    EXPECT_TRUE(item.notice.oneToOne);
    EXPECT_EQ(files.notHandled(), 1);

    const QString inbox = dir_.filePath(QStringLiteral("inbox"));
    QDir().mkpath(inbox);
    ASSERT_TRUE(files.saveAs(id, QDir(inbox).filePath(QStringLiteral("季度报告.doc"))));
    EXPECT_FALSE(files.refuse(id)); // busy
    ASSERT_TRUE(drive([&] { return item.handled(); }, 20000)) << item.error.toStdString();
    EXPECT_EQ(item.state, transfer::OfflineFileItem::State::Taken);
    EXPECT_EQ(sha256(item.savedPath), sha256(path));
    EXPECT_EQ(files.notHandled(), 0);

    // Recorded: RecvFiles.db, the history notice in the conversation with the sender.
    const auto records = transfer::readReceivedFiles(b.core().historyLocation()->historyFolder);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(protocol::fromGbk(records[0].senderName), "张伟");
    EXPECT_EQ(protocol::fromGbk(records[0].path), item.savedPath.toStdString());
    EXPECT_EQ(records[0].size, uint64_t(3 * 4096 + 1));
    ASSERT_FALSE(b.stored(1001).empty());
    EXPECT_EQ(b.stored(1001).back(), "离线文件：“季度报告.doc” 接收完毕，您可以 OpenFile_" +
                                         item.savedPath.toStdString() + "<打开文件> 或 OpenDir_" +
                                         inbox.toStdString() + "<打开所在目录>。");
    // The sender hears that it was taken; the one-to-one file leaves the server.
    ASSERT_TRUE(drive([&] { return !a.received().empty(); }));
    EXPECT_EQ(a.received().back(), "离线文件：“季度报告.doc” 接收完成");
    EXPECT_TRUE(drive([&] { return !QFileInfo::exists(serverFile(id)); }));
}

TEST_F(OfflineTest, RefusingDeletesAOneToOneFileAndKeepsAGroupFile) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    const groups::GroupOutcome created =
        a.core().groups().CreateGroupFromDialog(protocol::toGbk("文件组"), {}, false, {1002, 1003});
    ASSERT_TRUE(created.done);
    ASSERT_TRUE(drive([&] { return a.core().groups().FindGroup(*created.group) != nullptr; }));
    conversation::Conversation* group = a.core().groups().OpenGroup(*created.group);
    ASSERT_NE(group, nullptr);

    const QString one = writeFile(dir_.filePath(QStringLiteral("one.txt")), 100);
    const QString shared = writeFile(dir_.filePath(QStringLiteral("shared.txt")), 4096);
    conversation::Conversation& ab = a.openWith(1002);
    const std::string oneId = sendOffline(a, ab, 1002, one);
    const std::string groupId = sendOffline(a, *group, 0, shared);
    ASSERT_FALSE(oneId.empty());
    ASSERT_FALSE(groupId.empty());
    const auto inGroup = storedTexts(a, history::GroupKey(*created.group));
    EXPECT_NE(std::find(inGroup.begin(), inGroup.end(), "群发文件：“shared.txt” 传输完成，请大家接收。"),
              inGroup.end());
    EXPECT_EQ(inGroup.back(), "成功发送离线文件：“shared.txt”");

    TestClient& b = signIn("wangfang", "wangfang123");
    transfer::OfflineFiles& files = b.core().offlineFiles();
    ASSERT_TRUE(drive([&] { return files.items().size() == 2; }));
    EXPECT_FALSE(files.find(groupId)->notice.oneToOne);
    EXPECT_TRUE(files.find(oneId)->notice.oneToOne);
    EXPECT_TRUE(files.refuse(oneId));
    EXPECT_TRUE(files.refuse(groupId));
    EXPECT_FALSE(files.refuse(groupId)); // handled already
    EXPECT_EQ(files.notHandled(), 0);
    EXPECT_EQ(files.find(oneId)->state, transfer::OfflineFileItem::State::Refused);
    ASSERT_TRUE(drive([&] {
        return !QFileInfo::exists(serverFile(oneId)) && transfer::TFTPClient::deletesRunning() == 0;
    }));
    EXPECT_TRUE(QFileInfo::exists(serverFile(groupId)));
    files.removeHandled();
    EXPECT_TRUE(files.items().empty());

    // Another member still takes the group's file.
    TestClient& c = signIn("lina", "lina123");
    ASSERT_TRUE(drive([&] { return c.core().offlineFiles().items().size() == 1; }));
    const QString inbox = dir_.filePath(QStringLiteral("lina"));
    QDir().mkpath(inbox);
    ASSERT_TRUE(c.core().offlineFiles().saveAs(groupId, QDir(inbox).filePath(QStringLiteral("shared.txt"))));
    ASSERT_TRUE(drive([&] { return c.core().offlineFiles().notHandled() == 0; }));
    EXPECT_EQ(sha256(c.core().offlineFiles().items().front()->savedPath), sha256(shared));
    EXPECT_TRUE(QFileInfo::exists(serverFile(groupId)));
}

TEST_F(OfflineTest, AMissingFileLeavesTheItemUntouched) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    const QString path = writeFile(dir_.filePath(QStringLiteral("gone.txt")), 10);
    conversation::Conversation& ab = a.openWith(1002);
    const std::string id = sendOffline(a, ab, 1002, path);
    ASSERT_TRUE(QFile::remove(serverFile(id)));

    TestClient& b = signIn("wangfang", "wangfang123");
    transfer::OfflineFiles& files = b.core().offlineFiles();
    ASSERT_TRUE(drive([&] { return files.items().size() == 1; }));
    const QString inbox = dir_.filePath(QStringLiteral("inbox"));
    QDir().mkpath(inbox);
    ASSERT_TRUE(files.saveAs(id, QDir(inbox).filePath(QStringLiteral("gone.txt"))));
    ASSERT_TRUE(drive([&] { return !files.items().front()->busy(); }));
    EXPECT_EQ(files.items().front()->state, transfer::OfflineFileItem::State::Idle);
    EXPECT_EQ(files.items().front()->error, QStringLiteral("文件不存在"));
    EXPECT_EQ(files.notHandled(), 1);
    EXPECT_TRUE(QDir(inbox).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
} // namespace vantor::testing
