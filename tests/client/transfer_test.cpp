// Files between two signed-in clients through the reference server: relayed, and directly after
// punching; the received file equals the sent one, both histories keep the completion lines, and
// a colleague's missing picture is fetched from its owner by a picture transfer.
#include "client_fixture.h"
#include "test_files.h"

#include "protocol/text.h"
#include "transfer/transfers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <random>

namespace vantor::testing {
namespace {

struct RecordingTransfers : transfer::ITransferView {
    QString acceptInto;
    transfer::Transfers* transfers = nullptr;
    std::vector<transfer::Outcome> outcomes;
    std::vector<QString> received;
    std::vector<bool> pictures;
    bool sawDirect = false;
    void transferAdded(transfer::TTransmitFile& t) override {
        if (t.direction == transfer::TTransmitFile::Receiving && !acceptInto.isEmpty())
            transfers->accept(t.transmitId, acceptInto);
    }
    void transferChanged(transfer::TTransmitFile& t) override {
        sawDirect |= t.channel && !t.channel->viaServer();
    }
    void transferRemoved(transfer::TTransmitFile&, transfer::Outcome o) override { outcomes.push_back(o); }
    void transferLine(transfer::TTransmitFile&, const std::string&, bool) override {}
    void fileReceived(transfer::TTransmitFile&, const QString& path) override { received.push_back(path); }
    void transferMessage(const std::string&, const std::string&) override {}
    void pictureDone(transfer::TTransmitFile&, bool ok) override { pictures.push_back(ok); }
};

QString writeFile(const QString& path, qint64 size) {
    EXPECT_TRUE(writeRandomFile(path, size)) << path.toStdString();
    return path;
}

TEST_F(ClientTest, FilesBetweenTwoClientsRelayedAndDirect) {
    const struct {
        const char* what;
        bool directPaths;
        qint64 size;
    } cases[] = {
        {"relayed, empty", false, 0},
        {"relayed, 1280 x 40 + 1", false, 1280 * 40 + 1},
        {"direct, 1280 x 40", true, 1280 * 40},
        {"direct, 3 MB", true, 3 * 1024 * 1024 + 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        server().call([&](server::Server& s) { s.setDirectPaths(c.directPaths); });
        TestClient& a = signIn("zhangwei", "zhangwei123");
        TestClient& b = signIn("wangfang", "wangfang123");
        RecordingTransfers av, bv;
        av.transfers = &a.core().transfers();
        bv.transfers = &b.core().transfers();
        bv.acceptInto = dir_.filePath(QStringLiteral("inbox"));
        a.core().setTransferView(&av);
        b.core().setTransferView(&bv);

        const QString path = writeFile(dir_.filePath(QStringLiteral("季度报告.bin")), c.size);
        conversation::Conversation& ab = a.openWith(1002);
        ASSERT_TRUE(a.core().transfers().offer(ab.key, 1002, path));
        ASSERT_TRUE(drive([&] { return !av.outcomes.empty() && !bv.outcomes.empty(); }, 60000, 5));
        EXPECT_EQ(av.outcomes, std::vector<transfer::Outcome>{transfer::Outcome::Completed});
        EXPECT_EQ(bv.outcomes, std::vector<transfer::Outcome>{transfer::Outcome::Completed});
        ASSERT_EQ(bv.received.size(), 1u);
        EXPECT_EQ(sha256(bv.received[0]), sha256(path));
        if (c.directPaths && c.size > 1280 * 100) {
            EXPECT_TRUE(av.sawDirect);
        }
        // The completion lines are in both histories.
        const auto aStored = a.stored(1002), bStored = b.stored(1001);
        ASSERT_FALSE(aStored.empty());
        ASSERT_FALSE(bStored.empty());
        EXPECT_EQ(aStored.back(), "文件：“季度报告.bin” 发送完毕");
        EXPECT_EQ(bStored.back().rfind("文件：“季度报告.bin” 接收完毕，您可以 OpenFile_", 0), 0u)
            << bStored.back();
        a.core().setTransferView(nullptr);
        b.core().setTransferView(nullptr);
        clients_.clear();
        QDir(dir_.filePath(QStringLiteral("inbox"))).removeRecursively();
    }
}

TEST_F(ClientTest, AMissingPictureIsFetchedFromItsOwner) {
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    RecordingTransfers bv;
    bv.transfers = &b.core().transfers();
    b.core().setTransferView(&bv);
    const QString name = QStringLiteral("0123456789ABCDEF0123456789ABCDEF.jpg");
    const QString images = QString::fromStdString(a.core().imagesFolder()->folder().toStdString());
    QDir().mkpath(images);
    const QString original = writeFile(QDir(images).filePath(name), 20000);

    conversation::Conversation& ba = b.openWith(1001);
    EXPECT_EQ(b.core().requestPicture(ba.key, 1001, name.toStdString()), conversation::PictureRoute::Peer);
    ASSERT_TRUE(drive([&] { return !bv.pictures.empty(); }, 20000, 5));
    EXPECT_EQ(bv.pictures, std::vector<bool>{true});
    EXPECT_EQ(sha256(QDir(b.core().imagesFolder()->folder()).filePath(name)), sha256(original));
    EXPECT_TRUE(bv.outcomes.empty()); // pictures have no panel
    b.core().setTransferView(nullptr);
}

} // namespace
} // namespace vantor::testing
