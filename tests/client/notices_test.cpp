// Internal notices through the assembled client against the reference server, with three
// clients: a post with two attachments (one of several MB, streamed from its file) to chosen
// recipients, the arrival and the badge, the list and the content, the read with its receipt and
// the read log, an attachment opened twice (the second time from the cache), a keyword search
// that leaves the badge alone, and deletion by the sender only.
#include "client_fixture.h"

#include "info/notice_core.h"
#include "protocol/rtf.h"
#include "protocol/text.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace vantor::testing {
namespace {

using protocol::AttachmentEntry;

struct RecordingNotices : info::INoticeListener {
    std::vector<protocol::NoticeHead> arrived;
    int lists = 0, contents = 0, logs = 0;
    std::vector<protocol::NoticeReceipt> receipts;
    std::vector<std::pair<QString, bool>> ready; // path, open
    int failed = 0;
    std::optional<bool> posted;
    int badge = 0;
    void noticeArrived(const protocol::NoticeHead& h) override { arrived.push_back(h); }
    void listChanged() override { ++lists; }
    void contentChanged() override { ++contents; }
    void readLogChanged() override { ++logs; }
    void receiptArrived(const protocol::NoticeReceipt& r) override { receipts.push_back(r); }
    void attachmentReady(const AttachmentEntry&, const QString& path, bool open) override {
        ready.emplace_back(path, open);
    }
    void attachmentFailed(const AttachmentEntry&) override { ++failed; }
    void postFinished(const protocol::Guid&, bool ok) override { posted = ok; }
    void badgeChanged(int n) override { badge = n; }
};

QString writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(ClientTest, ANoticeIsPostedReadConfirmedDownloadedOnceAndDeletedBySender) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123"); // 1001, the sender
    TestClient& wang = signIn("wangfang", "wangfang123");  // 1002
    TestClient& li = signIn("lina", "lina123");            // 1003
    RecordingNotices zs, ws, ls;
    zhang.core().notices().addListener(&zs);
    wang.core().notices().addListener(&ws);
    li.core().notices().addListener(&ls);

    QByteArray big(5 << 20, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + (i >> 12));
    info::NoticeDraft d;
    d.title = protocol::toGbk("年会安排");
    protocol::RtfDocument doc;
    protocol::RtfRun run;
    run.text = "请各部门准时参加";
    run.bold = true;
    doc.paragraphs.push_back({{run}});
    d.rtf = protocol::writeRtf(doc);
    d.bodyCharacters = 8;
    d.recipients = {1002, 1003};
    d.attachments = {writeFile(dir_.filePath("议程.txt"), "agenda"),
                     writeFile(dir_.filePath("video.bin"), big), dir_.filePath("gone.txt")};
    // Refusals first: no body, nobody chosen, minutes outside 0..255.
    {
        info::NoticeDraft empty = d;
        empty.bodyCharacters = 1;
        EXPECT_EQ(zhang.core().notices().postNotice(empty), info::NoticeCore::PostResult::NoBody);
        info::NoticeDraft nobody = d;
        nobody.recipients.clear();
        EXPECT_EQ(zhang.core().notices().postNotice(nobody), info::NoticeCore::PostResult::NoRecipients);
        info::NoticeDraft minutes = d;
        minutes.smsUnread = true;
        minutes.smsMinutes = "256";
        EXPECT_EQ(zhang.core().notices().postNotice(minutes), info::NoticeCore::PostResult::BadMinutes);
    }
    ASSERT_EQ(zhang.core().notices().postNotice(d), info::NoticeCore::PostResult::Posting);
    EXPECT_FALSE(zs.posted) << "not reported before it was written out";
    ASSERT_TRUE(drive([&] { return zs.posted && ws.arrived.size() == 1 && ls.arrived.size() == 1; }, 20000));
    EXPECT_TRUE(*zs.posted);
    EXPECT_EQ(ws.badge, 1);
    EXPECT_TRUE(zs.arrived.empty()) << "the sender is not told of his own notice";
    EXPECT_EQ(protocol::fromGbk(ws.arrived[0].title), "年会安排");

    // The reader: the list, the last entry opened, its content with the two attachments there are.
    info::NoticeCore& wn = wang.core().notices();
    wn.setReaderOpen(true);
    ASSERT_TRUE(wn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return ws.lists == 1 && ws.contents == 1; }));
    ASSERT_EQ(wn.entries().size(), 1u);
    EXPECT_EQ(wn.entries()[0].isRead, 0);
    EXPECT_EQ(ws.badge, 1);
    ASSERT_TRUE(wn.content());
    EXPECT_EQ(protocol::readRtf(wn.content()->text).plainText(), "请各部门准时参加");
    EXPECT_EQ(wn.content()->recipients, (std::vector<uint32_t>{1002, 1003, 1001}));
    const auto files = wn.listedAttachments();
    ASSERT_EQ(files.size(), 2u) << "the missing file is left out";
    EXPECT_FALSE(wn.mayDelete(wn.entries()[0]));
    EXPECT_FALSE(wn.deleteNotice(wn.entries()[0]));

    // A keyword search lists matches; the badge still counts the unread notices.
    ASSERT_TRUE(wn.searchNotices(protocol::toGbk("没有这个词")));
    ASSERT_TRUE(drive([&] { return ws.lists == 2; }));
    EXPECT_TRUE(wn.entries().empty());
    EXPECT_EQ(ws.badge, 1);
    ASSERT_TRUE(wn.searchNotices(protocol::toGbk("部门")));
    ASSERT_TRUE(drive([&] { return ws.lists == 3; }));
    ASSERT_EQ(wn.entries().size(), 1u);

    // The read: the badge drops, the sender gets the receipt, the log shows who read it.
    ASSERT_TRUE(wn.confirmRead());
    EXPECT_EQ(ws.badge, 0);
    EXPECT_FALSE(wn.confirmRead()) << "already read";
    ASSERT_TRUE(drive([&] { return zs.receipts.size() == 1; }));
    EXPECT_EQ(zs.receipts[0].readerId, 1002u);
    EXPECT_EQ(zs.receipts[0].noticeGuid, zhang.core().notices().lastPostGuid());
    ASSERT_TRUE(wn.requestReadLog());
    ASSERT_TRUE(drive([&] { return ws.logs == 1; }));
    ASSERT_EQ(wn.readLog().size(), 3u);
    EXPECT_EQ(wn.readLog()[0].userId, 1002);
    EXPECT_EQ(wn.readLog()[0].hasRead, 1);
    EXPECT_EQ(wn.readLog()[1].hasRead, 0);

    // The big attachment: downloaded into the cache under its GUID name, the second time from there.
    const AttachmentEntry video = files[1];
    EXPECT_EQ(wn.openAttachment(video), info::NoticeCore::AttachmentStart::Requested);
    ASSERT_TRUE(drive([&] { return ws.ready.size() == 1; }, 20000));
    EXPECT_EQ(ws.failed, 0);
    EXPECT_TRUE(ws.ready[0].second);
    EXPECT_EQ(QFileInfo(ws.ready[0].first).fileName().toStdString(),
              video.attachmentGuid.toString() + ".bin");
    EXPECT_TRUE(readFile(ws.ready[0].first) == big);
    EXPECT_FALSE(QFileInfo::exists(ws.ready[0].first + ".part"));
    EXPECT_EQ(wn.openAttachment(video), info::NoticeCore::AttachmentStart::FromCache);
    ASSERT_EQ(ws.ready.size(), 2u);
    // Saved elsewhere from the cache.
    const QString saved = dir_.filePath("saved.bin");
    EXPECT_EQ(wn.openAttachment(video, saved), info::NoticeCore::AttachmentStart::FromCache);
    EXPECT_TRUE(readFile(saved) == big);

    // An attachment reply nobody asked for writes nothing.
    const QString cache = wn.cachePath(files[0]);
    ASSERT_TRUE(wang.messenger().SendToServer(
        protocol::makeMessage(protocol::Cmd::NoticeAttachment,
                              protocol::AttachmentRequest{files[0].attachmentGuid, files[0].fileName, 0})));
    drive([] { return false; }, 500);
    EXPECT_FALSE(QFileInfo::exists(cache));

    // Only the sender deletes: afterwards nobody lists it.
    info::NoticeCore& zn = zhang.core().notices();
    zn.setReaderOpen(true);
    ASSERT_TRUE(zn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return zs.lists == 1; }));
    ASSERT_EQ(zn.entries().size(), 1u);
    ASSERT_TRUE(zn.mayDelete(zn.entries()[0]));
    ASSERT_TRUE(zn.deleteNotice(zn.entries()[0]));
    ASSERT_TRUE(zn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return zs.lists == 2; }));
    EXPECT_TRUE(zn.entries().empty());

    wang.core().notices().removeListener(&ws);
    zhang.core().notices().removeListener(&zs);
    li.core().notices().removeListener(&ls);
}

TEST(NoticeCoreRules, BadgeMinutesAndRecipients) {
    struct {
        int count;
        const char* text;
    } badges[] = {{0, ""}, {1, "1"}, {99, "99"}, {100, "99+"}, {-3, ""}};
    for (const auto& b : badges)
        EXPECT_EQ(info::NoticeCore::badgeText(b.count), b.text) << b.count;
    struct {
        const char* field;
        std::optional<uint8_t> minutes;
    } minutes[] = {{"", 0},
                   {"30", 30},
                   {"255", 255},
                   {"256", std::nullopt},
                   {"1000", std::nullopt},
                   {"3a", std::nullopt}};
    for (const auto& m : minutes)
        EXPECT_EQ(info::NoticeCore::smsMinutes(m.field), m.minutes) << m.field;
    EXPECT_EQ(info::NoticeCore::recipientsWithSender({5, 7, 5}, 9), (std::vector<uint32_t>{5, 7, 9}));
    EXPECT_EQ(info::NoticeCore::recipientsWithSender({9, 5}, 9), (std::vector<uint32_t>{9, 5}));
    for (const char* ok : {"http://intra.example/a", "HTTPS://x.example", "mailto:hr@example.com"})
        EXPECT_TRUE(info::NoticeCore::mayOpenLink(QString::fromLatin1(ok))) << ok;
    for (const char* bad :
         {"file:///etc/passwd", "/home/u/x.sh", "javascript:alert(1)", "smb://host/share", ""})
        EXPECT_FALSE(info::NoticeCore::mayOpenLink(QString::fromLatin1(bad))) << bad;
}

TEST_F(ClientTest, ASpreadsheetNoticeBecomesOneNoticePerRowWithTheSheetShownToItsSenderOnly) {
    TestClient& zhang = signIn("zhangwei", "zhangwei123"); // 1001, the sender
    TestClient& wang = signIn("wangfang", "wangfang123");  // 1002
    TestClient& li = signIn("lina", "lina123");            // 1003
    RecordingNotices zs, ws, ls;
    zhang.core().notices().addListener(&zs);
    wang.core().notices().addListener(&ws);
    li.core().notices().addListener(&ls);
    // The recorders go before the clients do.
    const std::shared_ptr<void> unhook(nullptr, [&](void*) {
        zhang.core().notices().removeListener(&zs);
        wang.core().notices().removeListener(&ws);
        li.core().notices().removeListener(&ls);
    });
    const QString sheet = writeFile(dir_.filePath("名单.xls"), QByteArray(3000, 's'));
    const QString extra = writeFile(dir_.filePath("说明.txt"), "notes");
    using Row = info::SpreadsheetNoticeRow;
    const std::vector<Row> rows = {
        {"wangfang", protocol::toGbk("王芳"), protocol::toGbk("请于周五前提交报表")},
        {"nobody", protocol::toGbk("无此人"), protocol::toGbk("不会送达")},
        {"lina", protocol::toGbk("李娜"), ""}};
    info::NoticeCore& zn = zhang.core().notices();
    EXPECT_EQ(zn.sendSpreadsheetNotice(sheet, {}, {}), info::NoticeCore::PostResult::NoRecipients);
    EXPECT_EQ(zn.sendSpreadsheetNotice(dir_.filePath("gone.xls"), rows, {}),
              info::NoticeCore::PostResult::NotSent);
    ASSERT_EQ(zn.sendSpreadsheetNotice(sheet, rows, {extra, dir_.filePath("gone.txt")}),
              info::NoticeCore::PostResult::Posting);
    ASSERT_TRUE(drive([&] { return zs.posted && ws.arrived.size() == 1 && ls.arrived.size() == 1; }, 20000));
    EXPECT_TRUE(*zs.posted);
    EXPECT_EQ(ws.arrived[0].noticeKind, protocol::kNoticeSpreadsheet);
    EXPECT_EQ(protocol::fromGbk(ws.arrived[0].title), "批量通知消息发送...");

    // 王芳 reads her own row's text; the spreadsheet is not listed for her, the attachment is.
    info::NoticeCore& wn = wang.core().notices();
    wn.setReaderOpen(true);
    ASSERT_TRUE(wn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return ws.contents == 1; }));
    ASSERT_EQ(wn.entries().size(), 1u);
    EXPECT_EQ(protocol::readRtf(wn.content()->text).plainText(), "请于周五前提交报表");
    const auto listed = wn.listedAttachments();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(protocol::fromGbk(listed[0].fileName), "说明.txt");
    ASSERT_EQ(wn.openAttachment(listed[0]), info::NoticeCore::AttachmentStart::Requested);
    ASSERT_TRUE(drive([&] { return ws.ready.size() == 1; }));
    EXPECT_EQ(readFile(ws.ready[0].first), QByteArray("notes"));

    // The sender has one notice per delivered row, each with the spreadsheet listed first.
    zn.setReaderOpen(true);
    ASSERT_TRUE(zn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return zs.contents == 1; }));
    EXPECT_EQ(zn.entries().size(), 2u);
    const auto own = zn.listedAttachments();
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(protocol::fromGbk(own[0].fileName), "名单.xls");
    ASSERT_EQ(zn.openAttachment(own[0]), info::NoticeCore::AttachmentStart::Requested);
    ASSERT_TRUE(drive([&] { return zs.ready.size() == 1; }));
    EXPECT_EQ(readFile(zs.ready[0].first), QByteArray(3000, 's'));
}

} // namespace
} // namespace vantor::testing
