// The file server's client against vantor-server's file server on loopback, in this process:
// uploads and downloads byte-exact around the 4096-byte chunk, the missing file, a server gone in
// the middle of a download or an upload, the 2 GiB bound, refusals and deletes, and the texts.
#include "protocol/text.h"
#include "server/file_server.h"
#include "server/store.h"
#include "test_files.h"
#include "transfer/file_panel_texts.h"
#include "transfer/ftp_client.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

namespace vantor::transfer {
namespace {

using testing::sha256;
using testing::writeRandomFile;

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void writeRandom(const QString& path, qint64 size) {
    ASSERT_TRUE(writeRandomFile(path, size)) << path.toStdString();
}

// What one operation reported.
struct Report {
    QString status, text;
    int doneCalls = 0;
    std::vector<int> percents;
    void attach(TFTPClient& c) {
        c.OnDone = [this](TFTPClient&, const QString& s, const QString& t) {
            status = s;
            text = t;
            ++doneCalls;
        };
        c.OnProgress = [this](int p, const QString&, const QString&) { percents.push_back(p); };
    }
};

class FtpClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        std::string error;
        store_ = server::Store::open(dir_.filePath(QStringLiteral("org.db")).toStdString(), &error);
        ASSERT_TRUE(store_) << error;
        startServer();
        QDir().mkpath(dir_.filePath(QStringLiteral("local")));
        QDir().mkpath(dir_.filePath(QStringLiteral("inbox")));
    }
    void startServer(server::FileRules rules = {}) {
        files_.reset();
        files_ =
            std::make_unique<server::FileServer>(*store_, folder().toStdString(), 30000, std::move(rules));
        std::string error;
        ASSERT_TRUE(files_->start(QHostAddress::LocalHost, port_, &error)) << error;
        port_ = files_->port();
    }
    QString folder() const { return dir_.filePath(QStringLiteral("files")); }
    QString local(const QString& name) const { return dir_.filePath(QStringLiteral("local/") + name); }
    QString inbox(const QString& name = {}) const { return dir_.filePath(QStringLiteral("inbox/") + name); }

    std::unique_ptr<TFTPClient> client() {
        return std::make_unique<TFTPClient>(QStringLiteral("127.0.0.1"), port_);
    }
    // Uploads `path` as `name`; the client's result.
    TFTPClient::Result upload(const QString& path, const QString& name, Report& run) {
        auto c = client();
        c->Name = path;
        c->Target = name;
        run.attach(*c);
        c->StartTransfer();
        EXPECT_TRUE(waitFor([&] { return run.doneCalls > 0; }, 60000));
        return c->result();
    }
    std::unique_ptr<TFTPClient> download(const QString& name, const QString& saveAs, Report& run) {
        auto c = client();
        c->IsDownload = true;
        c->Name = name;
        c->SavedPath = saveAs;
        run.attach(*c);
        c->StartTransfer();
        return c;
    }
    QStringList inboxFiles() const {
        return QDir(inbox()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
    std::unique_ptr<server::Store> store_;
    std::unique_ptr<server::FileServer> files_;
    uint16_t port_ = 0;
};

TEST_F(FtpClientTest, UploadsAndDownloadsByteExactAroundTheChunk) {
    const struct {
        qint64 size;
        const char* name;
    } cases[] = {
        {0, "1001_1002_00_1"},
        {4096, "1001_1002_01_2"},
        {4097, "1001_1002_02_3"},
        {4096 * 5, "1001_1002_03_4"},
        {4096 * 5 + 1, "1001_1002_04_5"},
        {20 * 1024 * 1024 + 7, "1001_1002_05_6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const QString name = QString::fromLatin1(c.name);
        const QString path = local(name + QStringLiteral(".bin"));
        writeRandom(path, c.size);
        Report up;
        EXPECT_EQ(upload(path, name, up), TFTPClient::Result::Uploaded);
        EXPECT_EQ(up.status, QStringLiteral("上传完成"));
        EXPECT_EQ(up.text, path);
        EXPECT_EQ(up.doneCalls, 1);
        ASSERT_FALSE(up.percents.empty()); // reported at once, then at most twice a second
        EXPECT_LE(up.percents.size(), 3u + size_t(c.size / (1 << 20)));
        ASSERT_TRUE(waitFor([&] {
            return QFileInfo(QDir(folder()).filePath(name)).size() == c.size &&
                   QFileInfo::exists(QDir(folder()).filePath(name));
        }));
        EXPECT_EQ(sha256(QDir(folder()).filePath(name)), sha256(path));

        Report down;
        auto d = download(name, inbox(QStringLiteral("报告.bin")), down);
        d->ExpectedSize = c.size;
        ASSERT_TRUE(waitFor([&] { return down.doneCalls > 0; }, 60000));
        EXPECT_EQ(down.status, QStringLiteral("下载完成"));
        EXPECT_EQ(down.text, inbox(QStringLiteral("报告.bin")));
        EXPECT_EQ(d->Total, c.size);
        EXPECT_EQ(sha256(down.text), sha256(path));
        if (c.size == 0) {
            EXPECT_TRUE(down.percents.empty()); // nothing to report about an empty file
        }
        EXPECT_EQ(inboxFiles(), QStringList{QStringLiteral("报告.bin")}); // no temporary file left
        QFile::remove(down.text);
    }
}

TEST_F(FtpClientTest, AnExistingFileIsKeptUnlessReplacingWasChosen) {
    const QString path = local(QStringLiteral("a.txt"));
    writeRandom(path, 1000);
    Report up;
    ASSERT_EQ(upload(path, QStringLiteral("1001_1002_AA_1"), up), TFTPClient::Result::Uploaded);
    QFile old(inbox(QStringLiteral("a.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    Report kept;
    auto d = download(QStringLiteral("1001_1002_AA_1"), inbox(QStringLiteral("a.txt")), kept);
    ASSERT_TRUE(waitFor([&] { return kept.doneCalls > 0; }));
    EXPECT_EQ(kept.text, inbox(QStringLiteral("a (1).txt")));
    EXPECT_EQ(sha256(inbox(QStringLiteral("a.txt"))),
              QCryptographicHash::hash("old", QCryptographicHash::Sha256).toHex());

    Report replaced;
    auto r = download(QStringLiteral("1001_1002_AA_1"), inbox(QStringLiteral("a.txt")), replaced);
    r->Overwrite = true;
    ASSERT_TRUE(waitFor([&] { return replaced.doneCalls > 0; }));
    EXPECT_EQ(replaced.text, inbox(QStringLiteral("a.txt")));
    EXPECT_EQ(sha256(inbox(QStringLiteral("a.txt"))), sha256(path));
}

TEST_F(FtpClientTest, AMissingFileCreatesNothing) {
    Report run;
    auto d = download(QStringLiteral("1001_1002_NONE_1"), inbox(QStringLiteral("x.doc")), run);
    ASSERT_TRUE(waitFor([&] { return run.doneCalls > 0; }));
    EXPECT_EQ(d->result(), TFTPClient::Result::Missing);
    EXPECT_EQ(run.status, QString());
    EXPECT_EQ(run.text, QStringLiteral("文件不存在"));
    EXPECT_TRUE(inboxFiles().isEmpty());
}

TEST_F(FtpClientTest, AServerGoneMidDownloadLeavesTheOldFileAndReportsFailure) {
    const QString name = QStringLiteral("1001_1002_BIG_1");
    writeRandom(QDir(folder()).filePath(name), 64 * 1024 * 1024);
    QFile old(inbox(QStringLiteral("big.bin")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();

    Report run;
    auto d = download(name, inbox(QStringLiteral("big.bin")), run);
    d->Overwrite = true;
    d->OnProgress = [&](int, const QString&, const QString&) {
        if (d->Done > 0 && files_) QTimer::singleShot(0, [&] { files_.reset(); }); // connections go with it
    };
    ASSERT_TRUE(waitFor([&] { return run.doneCalls > 0; }));
    EXPECT_EQ(d->result(), TFTPClient::Result::Failed);
    EXPECT_EQ(run.status, QString());
    EXPECT_FALSE(run.text.isEmpty());
    EXPECT_LT(d->Done, d->Total);
    EXPECT_EQ(inboxFiles(), QStringList{QStringLiteral("big.bin")});
    EXPECT_EQ(sha256(inbox(QStringLiteral("big.bin"))),
              QCryptographicHash::hash("previous", QCryptographicHash::Sha256).toHex());
}

TEST_F(FtpClientTest, AnUploadThatDoesNotArriveIsAFailure) {
    const QString small = local(QStringLiteral("small.txt"));
    const QString large = local(QStringLiteral("large.bin"));
    writeRandom(small, 100);
    writeRandom(large, 40 * 1024 * 1024);
    // The server refuses names nobody announced: a small file is all sent before the refusal.
    server::FileRules refuse;
    refuse.mayUpload = [](const std::string&, const QHostAddress&) { return false; };
    startServer(refuse);
    for (const QString& path : {small, large}) {
        SCOPED_TRACE(path.toStdString());
        Report run;
        EXPECT_EQ(upload(path, QStringLiteral("1001_1002_REF_1"), run), TFTPClient::Result::Failed);
        EXPECT_EQ(run.status, QString());
    }
    // The server goes in the middle of an upload.
    startServer();
    auto c = client();
    Report run;
    run.attach(*c);
    c->Name = large;
    c->Target = QStringLiteral("1001_1002_GONE_1");
    c->OnProgress = [&](int, const QString&, const QString&) {
        if (files_) QTimer::singleShot(0, [&] { files_.reset(); }); // at the first report
    };
    c->StartTransfer();
    ASSERT_TRUE(waitFor([&] { return run.doneCalls > 0; }));
    EXPECT_EQ(c->result(), TFTPClient::Result::Failed);
    EXPECT_NE(run.status, QStringLiteral("上传完成"));
}

TEST_F(FtpClientTest, RefusedBeforeConnecting) {
    const QString huge = local(QStringLiteral("huge.iso"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(1) << 31)); // sparse: 2 GiB without the bytes
    }
    const struct {
        const char* what;
        QString path, name;
        TFTPClient::Result result;
    } cases[] = {
        {"2 GiB", huge, QStringLiteral("1001_1002_HUGE_1"), TFTPClient::Result::TooLarge},
        {"no such local file", local(QStringLiteral("gone.txt")), QStringLiteral("1001_1002_X_1"),
         TFTPClient::Result::Failed},
        {"a name that leaves the folder", local(QStringLiteral("huge.iso")), QStringLiteral("../x"),
         TFTPClient::Result::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Report run;
        EXPECT_EQ(upload(c.path, c.name, run), c.result);
        EXPECT_EQ(run.doneCalls, 1);
        EXPECT_TRUE(run.percents.empty());
    }
    Report run;
    upload(huge, QStringLiteral("1001_1002_HUGE_1"), run);
    EXPECT_EQ(run.text, QStringLiteral("文件大小超过 2GB，无法保存至服务器"));
}

TEST_F(FtpClientTest, NoServerIsReportedOnce) {
    files_.reset();
    Report run;
    auto d = download(QStringLiteral("1001_1002_A_1"), inbox(QStringLiteral("a")), run);
    ASSERT_TRUE(waitFor([&] { return run.doneCalls > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_EQ(run.status, QStringLiteral("无法连接服务器"));
    EXPECT_EQ(d->result(), TFTPClient::Result::NoConnection);
    EXPECT_TRUE(inboxFiles().isEmpty());
}

TEST_F(FtpClientTest, DeleteRemovesTheFile) {
    const QString path = local(QStringLiteral("d.txt"));
    writeRandom(path, 10);
    Report up;
    ASSERT_EQ(upload(path, QStringLiteral("1001_1002_DEL_1"), up), TFTPClient::Result::Uploaded);
    ASSERT_TRUE(waitFor(
        [&] { return QFileInfo::exists(QDir(folder()).filePath(QStringLiteral("1001_1002_DEL_1"))); }));
    std::optional<bool> ok;
    TFTPClient::deleteRemote(QStringLiteral("127.0.0.1"), port_, QStringLiteral("1001_1002_DEL_1"),
                             [&](bool r) { ok = r; });
    ASSERT_TRUE(waitFor([&] { return ok.has_value(); }));
    EXPECT_TRUE(*ok);
    EXPECT_TRUE(waitFor(
        [&] { return !QFileInfo::exists(QDir(folder()).filePath(QStringLiteral("1001_1002_DEL_1"))); }));
}

TEST(FtpTexts, SpeedAndRemainingTime) {
    const struct {
        double kb;
        const char* text;
    } speeds[] = {{0, "0.00 KB/S"}, {12.345, "12.35 KB/S"}, {1024, "1024.00 KB/S"}, {1536, "1.50 M/S"}};
    for (const auto& s : speeds)
        EXPECT_EQ(ftpSpeedText(s.kb), QString::fromLatin1(s.text));
    const struct {
        int64_t seconds;
        const char* text;
    } remaining[] = {{0, "-0:0:0"}, {65, "-0:1:5"}, {3600 + 120 + 3, "-1:2:3"}, {100000, "-27:46:40"}};
    for (const auto& r : remaining)
        EXPECT_EQ(ftpRemainingText(r.seconds), QString::fromLatin1(r.text));
    EXPECT_TRUE(isFileServerName("1001_1002_0123ABCDEF_77"));
    for (const char* bad : {"", ".hidden", "../x", "a/b", "a\\b", "name with space"})
        EXPECT_FALSE(isFileServerName(bad)) << bad;
    EXPECT_FALSE(isFileServerName(std::string(81, 'a')));
}

TEST(FilePanelTexts, SizesAndNamesCutOnACharacterBoundary) {
    const struct {
        uint64_t bytes;
        const char* panel;
        const char* list;
    } sizes[] = {
        {0, "0", "0"},
        {1023, "1023", "1023"},
        {1024, "1.00K", "1.0K"},
        {1536, "1.50K", "1.5K"},
        {1048575, "1024.00K", "1024.0K"},
        {1048576, "1.00M", "1.0M"},
        {3 * 1048576 + 262144, "3.25M", "3.2M"},
    };
    for (const auto& s : sizes) {
        EXPECT_EQ(panelSizeText(s.bytes), s.panel) << s.bytes;
        EXPECT_EQ(listSizeText(s.bytes), s.list) << s.bytes;
    }
    const auto g = [](const char* utf8) { return protocol::toGbk(utf8); };
    const struct {
        std::string path;
        std::string shown;
    } names[] = {
        {"report-2024.doc", "report-2024.doc"},                      // 15 bytes: whole
        {"/home/u/weekly_report_2024.doc", "weekly_report_2024..."}, // 25 bytes: 18 + "..."
        {"C:\\docs\\abcdefghijklmnopqr", "abcdefghijklmnopqr"},      // exactly 18
        {g("abcdefghijklmnopq季度.doc"),
         g("abcdefghijklmnopq季") + "..."}, // the 18th byte opens a character: 19 kept
        {g("季度报告季度报告季度报告.doc"), g("季度报告季度报告季") + "..."}, // 18 bytes of whole characters
    };
    for (const auto& n : names)
        EXPECT_EQ(panelNameText(n.path), n.shown) << protocol::fromGbk(n.path);
    EXPECT_EQ(protocol::fromGbk(listFileText(g("周报.doc"), 2048)), "周报.doc（2.0K）");
    EXPECT_EQ(protocol::fromGbk(listFileText(g("二〇二四年第三季度销售报告终稿.xlsx"), 5 * 1048576)),
              "二〇二四年第三季度销售报告终稿....");
}

} // namespace
} // namespace vantor::transfer
