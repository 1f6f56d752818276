// Two transfer cores, a sender and a receiver, joined by a fake network: control records arrive in
// order (as the server forwards them), blocks and acknowledgements may be lost, duplicated or
// reordered. Files of the sizes that matter arrive byte for byte; names from the peer stay inside
// the folder; nothing existing is overwritten; an interrupted transfer resumes with only the missing
// blocks; a cache of another file is never delivered; bounds and the watchdog hold.
#include "crypto/md5.h"
#include "platform/clock.h"
#include "protocol/codes.h"
#include "protocol/file_records.h"
#include "protocol/text.h"
#include "transfer/recv_files.h"
#include "transfer/transfer_texts.h"
#include "transfer/transfers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <random>

namespace vantor::transfer {
namespace {

using protocol::Cmd;
using protocol::Message;

constexpr uint32_t kSender = 1001;
constexpr uint32_t kReceiver = 1002;

struct Side;

// Datagrams in flight between the two sides.
struct Net {
    struct Packet {
        int to;
        Message m;
    };
    std::deque<Packet> queue;
    int lossPercent = 0;      // blocks and acknowledgements only
    int duplicatePercent = 0; // likewise
    int reorderPercent = 0;   // likewise: swapped with the next one
    bool dataCut = false;     // nothing but control records pass
    std::mt19937 rng{7};
    Side* sides[2] = {nullptr, nullptr};
    uint64_t dataPackets = 0;

    void post(int to, std::string_view bytes, bool relayed) {
        Message m;
        m.code = uint8_t(bytes[0]);
        m.body = std::string(bytes.substr(1));
        const bool peerRecord = m.cmd() == Cmd::FileData || m.cmd() == Cmd::FileDataAck;
        if (m.cmd() == Cmd::FileData) ++dataPackets;
        if (peerRecord && !relayed) {
            if (dataCut || int(rng() % 100) < lossPercent) return;
            if (int(rng() % 100) < duplicatePercent) queue.push_back({to, m});
            if (!queue.empty() && int(rng() % 100) < reorderPercent) {
                queue.insert(queue.end() - 1, {to, m});
                return;
            }
        }
        queue.push_back({to, std::move(m)});
    }
    void deliver();
};

class FakeChannel : public ITransferChannel {
  public:
    FakeChannel(Net& net, int to) : net_(net), to_(to) {}
    bool send(std::string_view message, bool relayed) override {
        net_.post(to_, message, relayed || via_);
        return true;
    }
    bool viaServer() const override { return via_; }
    void setViaServer(bool on) override { via_ = on; }
    void punch(const protocol::Endpoint&, const protocol::Endpoint&) override { via_ = false; }
    protocol::Endpoint lanEndpoint() const override { return {"10.0.0.1", 4000}; }
    protocol::Endpoint publicEndpoint() const override { return {"198.51.100.1", 4000}; }

  private:
    Net& net_;
    int to_;
    bool via_ = true;
};

struct Side : ITransferHost, ITransferView {
    Side(Net& net, int index, platform::Clock& clock, const QString& root)
        : net_(net), index_(index), root_(root) {
        for (const char* f : {"Cache", "History", "Images", "Received"})
            QDir().mkpath(root + "/" + f);
        transfers = std::make_unique<Transfers>(*this, *this, clock);
    }
    uint32_t ownId() const override { return index_ == 0 ? kSender : kReceiver; }
    std::string ownName() const override { return protocol::toGbk(index_ == 0 ? "张伟" : "王芳"); }
    std::optional<std::string> userName(uint32_t id) const override {
        if (id == kSender) return protocol::toGbk("张伟");
        if (id == kReceiver) return protocol::toGbk("王芳");
        return std::nullopt;
    }
    void sendToServer(std::string_view m) override { net_.post(1 - index_, m, true); }
    std::unique_ptr<ITransferChannel> openChannel(uint32_t) override {
        return std::make_unique<FakeChannel>(net_, 1 - index_);
    }
    TransferFolders folders() const override {
        return {root_ + "/Cache", root_ + "/History", root_ + "/Images", root_ + "/Received"};
    }
    uint32_t tickCount() const override { return ++tick_; }

    void transferAdded(TTransmitFile& t) override {
        ++added;
        if (autoAccept && t.direction == TTransmitFile::Receiving) transfers->accept(t.transmitId);
    }
    void transferChanged(TTransmitFile&) override {}
    void transferRemoved(TTransmitFile&, Outcome o) override { outcomes.push_back(o); }
    void transferLine(TTransmitFile&, const std::string& text, bool) override {
        lines.push_back(protocol::fromGbk(text));
    }
    void fileReceived(TTransmitFile&, const QString& path) override { received.push_back(path); }
    void transferMessage(const std::string& text, const std::string&) override {
        messages.push_back(protocol::fromGbk(text));
    }
    void pictureDone(TTransmitFile&, bool ok) override { pictures.push_back(ok); }

    Net& net_;
    int index_;
    QString root_;
    mutable uint32_t tick_ = 1000;
    bool autoAccept = true;
    int added = 0;
    std::vector<Outcome> outcomes;
    std::vector<std::string> lines;
    std::vector<QString> received;
    std::vector<std::string> messages;
    std::vector<bool> pictures;
    std::unique_ptr<Transfers> transfers;
};

void Net::deliver() {
    while (!queue.empty()) {
        Packet p = std::move(queue.front());
        queue.pop_front();
        if (sides[p.to]) sides[p.to]->transfers->handle(p.m);
    }
}

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        make();
    }
    void make() {
        sides_[1].reset();
        sides_[0].reset();
        sides_[0] = std::make_unique<Side>(net_, 0, clock_, dir_.filePath("a"));
        sides_[1] = std::make_unique<Side>(net_, 1, clock_, dir_.filePath("b"));
        net_.sides[0] = sides_[0].get();
        net_.sides[1] = sides_[1].get();
        net_.queue.clear();
    }
    Side& a() { return *sides_[0]; }
    Side& b() { return *sides_[1]; }

    // Runs both sides: the network, the workers' results and 1 ms of the clock per round.
    bool run(const std::function<bool()>& done, int rounds = 200000) {
        for (int i = 0; i < rounds; ++i) {
            if (done()) return true;
            net_.deliver();
            QCoreApplication::processEvents();
            // The workers run on threads of their own: give them a moment of real time too.
            QThread::usleep(20);
            clock_.advance(1);
        }
        return done();
    }
    QString writeFile(const QString& name, qint64 size, int seed) {
        QDir().mkpath(dir_.filePath("src"));
        const QString path = dir_.filePath("src/" + name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        std::mt19937 rng(seed);
        QByteArray bytes(size, Qt::Uninitialized);
        for (auto& c : bytes)
            c = char(rng());
        f.write(bytes);
        return path;
    }
    static QByteArray sha256(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QCryptographicHash h(QCryptographicHash::Sha256);
        h.addData(&f);
        return h.result().toHex();
    }
    protocol::ConversationKey key() const {
        protocol::ConversationKey k;
        k.userA = kSender;
        k.userB = kReceiver;
        return k;
    }
    // Offers `path` and runs until both sides are done.
    bool send(const QString& path) {
        if (!a().transfers->offer(key(), kReceiver, path)) return false;
        return run([&] { return a().transfers->all().empty() && b().transfers->all().empty(); });
    }

    QTemporaryDir dir_;
    platform::ManualClock clock_;
    Net net_;
    std::unique_ptr<Side> sides_[2];
};

TEST_F(TransferTest, FilesArriveWholeThroughLossDuplicatesAndReordering) {
    struct Case {
        const char* what;
        qint64 size;
        int loss, duplicates, reorder;
    } cases[] = {
        {"empty", 0, 0, 0, 0},
        {"one byte", 1, 0, 0, 0},
        {"three whole blocks", 1280 * 3, 0, 0, 0},
        {"three blocks and a byte", 1280 * 3 + 1, 0, 0, 0},
        {"a megabyte and a bit, clean", (1 << 20) + 77, 0, 0, 0},
        {"a megabyte through 5 % loss, duplicates and reordering", (1 << 20) + 77, 5, 5, 5},
        {"200 blocks through 30 % loss", 1280 * 200, 30, 0, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sides_[0].reset();
        sides_[1].reset();
        QDir(dir_.filePath("a")).removeRecursively();
        QDir(dir_.filePath("b")).removeRecursively();
        make();
        net_.lossPercent = c.loss;
        net_.duplicatePercent = c.duplicates;
        net_.reorderPercent = c.reorder;
        const QString name = QStringLiteral("报告%1.bin").arg(++n);
        const QString path = writeFile(name, c.size, n);
        ASSERT_TRUE(send(path));
        ASSERT_EQ(a().outcomes, std::vector<Outcome>{Outcome::Completed});
        ASSERT_EQ(b().outcomes, std::vector<Outcome>{Outcome::Completed});
        ASSERT_EQ(b().received.size(), 1u);
        EXPECT_EQ(b().received[0], dir_.filePath("b/Received/" + name));
        EXPECT_EQ(sha256(b().received[0]), sha256(path));
        EXPECT_EQ(a().lines.back(), "文件：“" + name.toStdString() + "” 发送完毕");
        EXPECT_EQ(b().lines.back(), name.toStdString() + " 传输完毕（正在移动文件...）");
        // The cache is gone once the file is in place; the receipt is in RecvFiles.db.
        EXPECT_TRUE(QDir(dir_.filePath("b/Cache")).entryList(QDir::Files).isEmpty());
        const auto log = readReceivedFiles(dir_.filePath("b/History").toStdString());
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].size, uint64_t(c.size));
        EXPECT_EQ(protocol::fromGbk(log[0].senderName), "张伟");
        EXPECT_EQ(QFile(dir_.filePath("b/History/RecvFiles.db")).size(), 309);
    }
}

TEST_F(TransferTest, OfferedNamesLandAsPlainNamesAndNothingIsOverwritten) {
    // A peer's offer built by hand: the name is whatever it says.
    auto offerNamed = [&](const std::string& name, const std::string& content) {
        protocol::FileOffer o;
        o.receiverId = kReceiver;
        o.senderId = kSender;
        o.fileName = protocol::toGbk(name);
        o.size = content.size();
        o.identity = fileIdentity(o.fileName, o.size);
        o.transferId = transferIdOf(kSender, kReceiver, o.identity, 5);
        o.key = key();
        b().transfers->handle({uint8_t(Cmd::FileOffer), wire::encode(o)});
        run([&] { return !b().transfers->all().empty() && b().transfers->all().front()->started; });
        TTransmitFile* t = b().transfers->find(o.transferId);
        if (!t) return;
        protocol::FileData d;
        d.receiverId = kReceiver;
        d.transferId = o.transferId;
        d.length = uint32_t(content.size());
        d.data = content;
        const auto md5 = crypto::Md5OfText(content);
        d.md5.assign(reinterpret_cast<const char*>(md5.data()), 16);
        b().transfers->handle({uint8_t(Cmd::FileData), wire::encode(d)});
        run([&] { return b().transfers->all().empty(); });
    };
    QFile existing(dir_.filePath("b/Received/报告.docx"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();
    const struct {
        std::string offered;
        QString lands;
    } cases[] = {
        {"../../.bashrc", ".bashrc"},   {"a\\b", "b"},
        {"/etc/passwd", "passwd"},      {"..", "file"},
        {"报告.docx", "报告 (1).docx"}, {"报告.docx", "报告 (2).docx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offered);
        const size_t before = b().received.size();
        offerNamed(c.offered, "x" + c.offered);
        ASSERT_EQ(b().received.size(), before + 1) << (b().lines.empty() ? "" : b().lines.back())
                                                   << (b().messages.empty() ? "" : b().messages.back());
        EXPECT_EQ(b().received.back(), dir_.filePath("b/Received/" + c.lands));
        QFile f(b().received.back());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().toStdString(), "x" + c.offered);
    }
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("mine"));
    EXPECT_EQ(QDir(dir_.filePath("b")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 4);
}

TEST_F(TransferTest, AnInterruptedTransferResumesWithOnlyTheMissingBlocks) {
    const qint64 size = 1280 * 1000 + 5;
    const QString path = writeFile(QStringLiteral("big.bin"), size, 3);
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    // Both programs go away once the receiver's cache holds about a third of the blocks.
    const QString cachePath =
        dir_.filePath("b/Cache/") + QString::fromStdString(fileIdentity("big.bin", uint64_t(size)));
    ASSERT_TRUE(run([&] {
        QFile c(cachePath);
        if (!c.open(QIODevice::ReadOnly)) return false;
        const QByteArray m = c.read(1001);
        return std::count(m.begin(), m.end(), '1') > 333;
    }));
    sides_[0].reset();
    sides_[1].reset();
    // What the cache's map holds on disk is what the receiver can offer to keep.
    QFile cache(cachePath);
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    const QByteArray map = cache.read(1001);
    cache.close();
    const auto held = std::count(map.begin(), map.end(), '1');
    EXPECT_GT(held, 300);
    make();

    const uint64_t before = net_.dataPackets;
    ASSERT_TRUE(send(path));
    ASSERT_EQ(b().received.size(), 1u);
    EXPECT_EQ(sha256(b().received[0]), sha256(path));
    EXPECT_EQ(b().lines.front(), "正在准备文件“big.bin”断点续传，请稍后...");
    // Only what was missing travelled again; the last block may go once or twice more while its
    // completion is on the way (the receiver answers the last block with completion, not an ack).
    const uint64_t sent = net_.dataPackets - before;
    EXPECT_GE(sent, uint64_t(1001 - held));
    EXPECT_LE(sent, uint64_t(1001 - held) + 4);
}

TEST_F(TransferTest, ACacheOfAnotherFileWithTheSameNameAndSizeIsNeverDelivered) {
    const qint64 size = 1280 * 300;
    const QString path = writeFile(QStringLiteral("same.bin"), size, 11);
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    ASSERT_TRUE(run([&] {
        auto& l = b().transfers->all();
        return !l.empty() && std::count(l[0]->blockMap.begin(), l[0]->blockMap.end(), '1') > 100;
    }));
    sides_[0].reset();
    sides_[1].reset();
    make();
    // The sender now has a different file under the same name and size.
    writeFile(QStringLiteral("same.bin"), size, 12);
    ASSERT_TRUE(send(path));
    ASSERT_EQ(b().received.size(), 1u);
    EXPECT_EQ(sha256(b().received[0]), sha256(path));
}

TEST_F(TransferTest, BlocksAndMapsOutsideTheTransferAreDropped) {
    b().autoAccept = true;
    const QString path = writeFile(QStringLiteral("small.bin"), 1280 * 2 + 10, 5);
    net_.dataCut = true;
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    ASSERT_TRUE(run([&] { return !b().transfers->all().empty() && b().transfers->all()[0]->started; }, 5000));
    TTransmitFile& t = *b().transfers->all()[0];
    auto block = [&](uint64_t position, uint32_t length, bool goodDigest) {
        protocol::FileData d;
        d.receiverId = kReceiver;
        d.transferId = t.transmitId;
        d.position = position;
        d.length = length;
        d.data = std::string(length, 'z');
        auto md5 = crypto::Md5OfText(d.data);
        if (!goodDigest) md5[0] ^= 1;
        d.md5.assign(reinterpret_cast<const char*>(md5.data()), 16);
        b().transfers->handle({uint8_t(Cmd::FileData), wire::encode(d)});
    };
    block(1280 * 3, 10, true); // past the end
    block(1280 * 2, 11, true); // longer than the last block
    block(1280 * 2, 9, true);  // shorter than the last block
    block(5, 1280, true);      // not at a block boundary
    block(0, 1280, false);     // a digest that does not match
    block(uint64_t(1) << 62, 1280, true);
    EXPECT_EQ(t.blockMap, "000");
    block(1280, 1280, true);
    EXPECT_EQ(t.blockMap, "010");

    TTransmitFile& s = *a().transfers->all()[0];
    auto map = [&](uint32_t first, uint32_t count) {
        protocol::FileBlockMap m;
        m.senderId = kSender;
        m.receiverId = kReceiver;
        m.transferId = s.transmitId;
        m.first = first;
        m.count = count;
        m.flags = std::string(400, '1');
        a().transfers->handle({uint8_t(Cmd::FileBlockMap), wire::encode(m)});
    };
    const std::string before = s.blockMap;
    map(3, 1);   // first index past the map
    map(0, 401); // more than a chunk
    EXPECT_EQ(s.blockMap, before);
    map(1, 400); // clipped to the map
    EXPECT_EQ(s.blockMap.substr(1), "11");
}

TEST_F(TransferTest, TheNinthConcurrentTransferIsRefused) {
    net_.dataCut = true; // they stay started without finishing
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(a().transfers->offer(key(), kReceiver, writeFile(QStringLiteral("f%1").arg(i), 3000, i)));
    run([&] { return b().transfers->all().size() == 9 && a().transfers->all().size() == 8; }, 5000);
    int started = 0;
    for (auto& t : b().transfers->all())
        started += t->started;
    EXPECT_EQ(started, 8);
    EXPECT_EQ(b().messages,
              std::vector<std::string>{"为保证传输效率，请在其它文件发送完毕之后，再接受新的文件传输邀请！"});
}

TEST_F(TransferTest, APictureWhoseOwnerLeavesTurnsIntoTheErrorPicture) {
    // The owner signs out while its picture is on the way: the placeholders must not wait forever.
    net_.dataCut = true;
    const QString path = writeFile(QStringLiteral("0123456789ABCDEF0123456789ABCDEF.jpg"), 9000, 4);
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path, true));
    ASSERT_TRUE(run([&] { return !b().transfers->all().empty() && b().transfers->all()[0]->started; }, 5000));
    b().transfers->colleagueGone(kSender);
    EXPECT_EQ(b().pictures, std::vector<bool>{false});
    EXPECT_TRUE(b().transfers->all().empty());
    EXPECT_TRUE(b().lines.empty()) << "pictures have no texts";
}

TEST_F(TransferTest, SilenceTurnsRelayedAfterFiveSecondsAndFailsAfterFifteen) {
    net_.dataCut = true;
    const QString path = writeFile(QStringLiteral("quiet.bin"), 4000, 1);
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    ASSERT_TRUE(run([&] { return !b().transfers->all().empty() && b().transfers->all()[0]->started; }, 5000));
    TTransmitFile& t = *b().transfers->all()[0];
    t.channel->setViaServer(false);
    EXPECT_TRUE(b().transfers->watchdogActive());
    // The watchdog looks every 5 s: by the second look the silence has passed 5 s, not 15 s.
    clock_.advance(10001);
    EXPECT_TRUE(t.channel->viaServer());
    EXPECT_TRUE(b().outcomes.empty());
    clock_.advance(10000);
    EXPECT_EQ(b().outcomes, std::vector<Outcome>{Outcome::Failed});
    EXPECT_EQ(b().lines.back(), "文件“quiet.bin”传输过程中发生错误，已经停止。");
}

TEST_F(TransferTest, ASlowLinkIsNotFailedWhileAcknowledgementsArrive) {
    // Each pass loses all but a few blocks: far more than 20 passes, but every one hears back.
    net_.lossPercent = 93;
    const QString path = writeFile(QStringLiteral("slow.bin"), 1280 * 150, 9);
    ASSERT_TRUE(send(path));
    EXPECT_EQ(a().outcomes, std::vector<Outcome>{Outcome::Completed});
    ASSERT_EQ(b().received.size(), 1u);
    EXPECT_EQ(sha256(b().received[0]), sha256(path));
}

TEST_F(TransferTest, DeclineCancelStopAndDuplicateTexts) {
    net_.dataCut = true;
    b().autoAccept = false;
    const QString path = writeFile(QStringLiteral("doc.txt"), 5000, 2);
    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    EXPECT_FALSE(a().transfers->offer(key(), kReceiver, path));
    EXPECT_EQ(a().lines.back(), "文件“" + path.toStdString() + "”已有一个相同的传输任务正在进行！");
    ASSERT_TRUE(run([&] { return b().added == 1; }, 5000));
    b().transfers->decline(b().transfers->all()[0]->transmitId);
    run([&] { return a().transfers->all().empty(); }, 2000);
    EXPECT_EQ(b().lines.back(), "您已拒绝接收文件“doc.txt”。");
    EXPECT_EQ(a().lines.back(), "对方拒绝接收文件“doc.txt”。");
    EXPECT_EQ(a().outcomes.back(), Outcome::Declined);

    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    ASSERT_TRUE(run([&] { return b().added == 2; }, 5000));
    a().transfers->cancel(a().transfers->all()[0]->transmitId);
    run([&] { return b().transfers->all().empty(); }, 2000);
    EXPECT_EQ(a().lines.back(), "您取消了文件“doc.txt”的发送。");
    EXPECT_EQ(b().lines.back(), "对方取消了文件“doc.txt”的发送。");

    ASSERT_TRUE(a().transfers->offer(key(), kReceiver, path));
    ASSERT_TRUE(run([&] { return b().added == 3; }, 5000));
    b().transfers->accept(b().transfers->all()[0]->transmitId);
    ASSERT_TRUE(run([&] { return !a().transfers->all().empty() && a().transfers->all()[0]->started; }, 5000));
    b().transfers->windowClosing(b().transfers->all()[0]->key);
    run([&] { return a().transfers->all().empty(); }, 2000);
    EXPECT_EQ(b().lines.back(), "您中断了文件“doc.txt”的传输。");
    EXPECT_EQ(a().lines.back(), "王芳 中断了文件“doc.txt”的传输。");
    EXPECT_EQ(a().outcomes.back(), Outcome::Stopped);
}

TEST(TransferFigures, SpeedAndAmountTexts) {
    EXPECT_EQ(speedText(512), "512B/S");
    EXPECT_EQ(speedText(123456), "120.6K/S");
    EXPECT_EQ(speedText(3 * 1048576 / 2), "1.5M/S");
    EXPECT_EQ(amountText(1000), "1000B");
    EXPECT_EQ(amountText(2048), "2.0K");
    EXPECT_EQ(blockCount(0), 0u);
    EXPECT_EQ(blockCount(1280 * 3), 3u);
    EXPECT_EQ(blockCount(1280 * 3 + 1), 4u);
    EXPECT_EQ(transferIdOf(1001, -1, "AB", 7), "1001_-1_AB_7");
}

} // namespace
} // namespace vantor::transfer
