// The notice windows of the assembled desktop client (signed in as 张伟, 1001) against the
// reference server, with 王芳 (1002) on a client of her own: her notice reaches the reader, which
// opens it, downloads an attachment once, saves one elsewhere, confirms the read (her client gets
// the receipt) and lists the read log; the composer posts to a picked colleague, shows her read
// time, and says "通知已发送！" only once the post is out, a failure otherwise; the sender deletes
// from the reader. Screenshots of the list, an open notice and the composer.
#include "../main/window_fixture.h"
#include "info/notice_core.h"
#include "protocol/rtf.h"
#include "protocol/text.h"
#include "server/notices.h"
#include "server/server.h"
#include "ui/groups/sel_user_form.h"
#include "ui/lists/my_list_box.h"
#include "ui/notice/notice_form.h"
#include "ui/notice/notice_windows.h"
#include "ui/notice/public_msg_form.h"
#include "ui/notice/send_excel_notice_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

namespace vantor::testing {
namespace {

constexpr uint32_t kZhang = 1001, kWang = 1002;

struct Recorded : info::INoticeListener {
    // Listens to a client's notices until the recorder goes (before the clients do).
    void attach(info::NoticeCore& c) {
        core = &c;
        c.addListener(this);
    }
    ~Recorded() override {
        if (core) core->removeListener(this);
    }
    info::NoticeCore* core = nullptr;
    std::vector<protocol::NoticeHead> arrived;
    std::vector<protocol::NoticeReceipt> receipts;
    std::optional<bool> posted;
    int contents = 0;
    void noticeArrived(const protocol::NoticeHead& h) override { arrived.push_back(h); }
    void receiptArrived(const protocol::NoticeReceipt& r) override { receipts.push_back(r); }
    void postFinished(const protocol::Guid&, bool ok) override { posted = ok; }
    void contentChanged() override { ++contents; }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class NoticeWindowsTest : public MainWindowTest {
  protected:
    void startSignedIn() {
        startDesktop("loginuser=zhangwei&loginpwd=zhangwei123");
        ASSERT_TRUE(drive([&] { return messenger().SignedIn(); }));
        window().show();
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); // as the program sets it
        ui::NoticeServices& s = desktop->notices().services();
        s.openFile = [this](const QString& path) { opened.push_back(path); };
        s.chooseSaveTarget = [this](QWidget*, const QString&, const QString&,
                                    std::function<void(const QString&)> chosen) { chosen(saveTarget); };
        s.chooseAttachments = [this](QWidget*, std::function<void(const QStringList&)> chosen) {
            chosen(attachmentChoice);
        };
    }

    QString writeFile(const QString& name, const QByteArray& data) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }

    // 王芳 posts a notice to 张伟 through her own client.
    void wangPosts(TestClient& wang, Recorded& rec, const std::vector<QString>& files,
                   const std::string& title = "年会安排") {
        rec.posted.reset();
        info::NoticeDraft d;
        d.title = protocol::toGbk(title);
        protocol::RtfDocument doc;
        protocol::RtfRun run;
        run.text = "请各部门准时参加";
        run.bold = true;
        doc.paragraphs.push_back({{run}});
        d.rtf = protocol::writeRtf(doc);
        d.bodyCharacters = 8;
        d.recipients = {kZhang};
        d.attachments = files;
        ASSERT_EQ(wang.core().notices().postNotice(d), info::NoticeCore::PostResult::Posting);
        ASSERT_TRUE(drive([&] { return rec.posted.has_value(); }, 30000));
        ASSERT_TRUE(*rec.posted);
    }

    QLabel* badge() { return window().findChild<QLabel*>(QStringLiteral("ImgPP")); }
    QString badgeText() {
        QLabel* b = badge();
        QLabel* number = b ? b->findChild<QLabel*>() : nullptr;
        return number ? number->text() : QString();
    }

    ui::TfrmNotice* openReaderFromButton() {
        find<QToolButton>("Btn_Notice")->click();
        return desktop->notices().reader();
    }

    template <class T>
    static T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }

    void shoot(QWidget* w, const char* name) {
        w->show();
        w->raise();
        drive([] { return false; }, 300);
        const QImage img = w->grab().toImage();
        QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
        EXPECT_TRUE(img.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/") + QLatin1String(name)));
    }

    std::vector<QString> opened;
    QString saveTarget;
    QStringList attachmentChoice;
};

TEST_F(NoticeWindowsTest, AColleaguesNoticeIsReadDownloadedOnceSavedConfirmedAndItsReadLogListed) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    Recorded ws;
    ws.attach(wang.core().notices());
    QByteArray big(3 << 20, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 13 + (i >> 10));
    wangPosts(wang, ws,
              {writeFile(QStringLiteral("议程.txt"), "agenda"), writeFile(QStringLiteral("现场.bin"), big)});

    // The arrival sets the badge; the button (or the badge) opens the reader.
    ASSERT_TRUE(drive([&] { return badge()->isVisible(); }));
    EXPECT_EQ(badgeText(), QStringLiteral("1"));
    ui::TfrmNotice* reader = openReaderFromButton();
    ASSERT_TRUE(reader);
    ASSERT_TRUE(drive([&] { return !reader->bodyView()->toPlainText().isEmpty(); }));
    EXPECT_EQ(reader->list()->notices().items().size(), 1u);
    EXPECT_EQ(reader->list()->notices().selected(), 0);
    EXPECT_EQ(reader->list()->shownTitle(0), QStringLiteral("王芳"));
    EXPECT_EQ(reader->bodyView()->toPlainText(), QStringLiteral("请各部门准时参加"));
    EXPECT_EQ(child<QLabel>(reader, "lb_Sender")->text(), QStringLiteral("发信人： 王芳"));
    EXPECT_TRUE(child<QLabel>(reader, "lb_SendDate")->text().startsWith(QStringLiteral("日期：")));
    EXPECT_EQ(child<QLabel>(reader, "Label_Title")->text(), QStringLiteral("年会安排"));
    ASSERT_EQ(reader->attachments()->count(), 2);
    EXPECT_EQ(reader->attachments()->height(), 90);
    EXPECT_TRUE(child<QPushButton>(reader, "btn_Read")->isVisible());
    EXPECT_FALSE(child<QPushButton>(reader, "btn_New")->isHidden()); // the server lets everyone post
    shoot(reader, "notice-reader.png");

    // A double click downloads into the cache and opens; the second time opens the cached copy.
    reader->openAttachmentRow(1);
    EXPECT_TRUE(reader->busyPanel()->isVisible());
    EXPECT_EQ(reader->busyPanel()->text(), QStringLiteral("正在下载文件，请稍候..."));
    ASSERT_TRUE(drive([&] { return opened.size() == 1; }, 30000));
    EXPECT_FALSE(reader->busyPanel()->isVisible());
    EXPECT_EQ(readAll(opened[0]), big);
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral(".bin")));
    reader->openAttachmentRow(1);
    ASSERT_EQ(opened.size(), 2u); // at once, from the cache
    EXPECT_EQ(opened[1], opened[0]);
    EXPECT_FALSE(reader->busyPanel()->isVisible());

    // "文件另存为..." writes the attachment where the user chose, and opens nothing.
    saveTarget = dir_.filePath(QStringLiteral("保存的议程.txt"));
    reader->saveAttachmentRow(0);
    ASSERT_TRUE(drive([&] { return QFile::exists(saveTarget); }));
    EXPECT_EQ(readAll(saveTarget), QByteArray("agenda"));
    EXPECT_EQ(opened.size(), 2u);

    // A search for a word nobody wrote empties the list; the badge still counts the unread notice.
    reader->search(QStringLiteral("不存在的词"));
    ASSERT_TRUE(drive([&] { return reader->list()->notices().items().empty(); }));
    EXPECT_EQ(badgeText(), QStringLiteral("1"));
    EXPECT_TRUE(reader->bodyView()->toPlainText().isEmpty());
    reader->search(QStringLiteral("年会"));
    ASSERT_TRUE(drive([&] { return !reader->bodyView()->toPlainText().isEmpty(); }));
    EXPECT_EQ(reader->list()->notices().items().size(), 1u);

    // The read goes to the sender as a receipt; the badge goes.
    child<QPushButton>(reader, "btn_Read")->click();
    EXPECT_FALSE(child<QPushButton>(reader, "btn_Read")->isVisible());
    ASSERT_TRUE(drive([&] { return !ws.receipts.empty(); }));
    EXPECT_EQ(ws.receipts[0].readerId, kZhang);
    EXPECT_FALSE(badge()->isVisible());
    EXPECT_TRUE(reader->list()->notices().items()[0].read);

    // The read log: 张伟 has read it, 王芳 (the sender, a recipient of her own notice) not.
    child<QPushButton>(reader, "btn_ReadLog")->click();
    EXPECT_TRUE(reader->readLogView()->isVisible());
    EXPECT_FALSE(reader->list()->isVisible());
    ASSERT_TRUE(drive([&] { return reader->readLogView()->topLevelItemCount() == 2; }));
    std::map<QString, QString> log;
    for (int i = 0; i < 2; ++i)
        log[reader->readLogView()->topLevelItem(i)->text(0)] =
            reader->readLogView()->topLevelItem(i)->text(1);
    ASSERT_EQ(log.count(QStringLiteral("张伟")), 1u);
    EXPECT_EQ(log[QStringLiteral("张伟")].size(), 16)
        << qPrintable(log[QStringLiteral("张伟")]); // yyyy-mm-dd hh:nn
    EXPECT_EQ(log[QStringLiteral("王芳")], QString());
    child<QPushButton>(reader, "btn_List")->click();
    EXPECT_TRUE(reader->list()->isVisible());

    QPointer<ui::TfrmNotice> gone(reader);
    reader->close();
    EXPECT_TRUE(drive([&] {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return gone.isNull();
    }));
    EXPECT_FALSE(desktop->client().notices().readerOpen());
}

TEST_F(NoticeWindowsTest, SeveralNoticesAndAReadLogAsTheyLook) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    Recorded ws;
    ws.attach(wang.core().notices());
    for (const char* title : {"办公室搬迁通知", "关于调整午休时间的通知（请全体员工周知）", "年会安排"})
        wangPosts(wang, ws, {}, title);
    ASSERT_TRUE(drive([&] { return badgeText() == QStringLiteral("3"); }));
    ui::TfrmNotice* reader = openReaderFromButton();
    ASSERT_TRUE(drive([&] { return !child<QLabel>(reader, "Label_Title")->text().isEmpty(); }));
    ASSERT_EQ(reader->list()->notices().items().size(), 3u);
    EXPECT_TRUE(child<QPushButton>(reader, "btn_Read")->isVisible());
    // Newest at the top, selected and opened; the long title cut with "…".
    EXPECT_EQ(reader->list()->notices().selected(), 0);
    EXPECT_EQ(child<QLabel>(reader, "Label_Title")->text(), QStringLiteral("年会安排"));
    EXPECT_TRUE(reader->list()->shownSecondLine(1).startsWith(QStringLiteral("关于调整午休时间的通知（请")));
    EXPECT_TRUE(reader->list()->shownSecondLine(1).endsWith(QStringLiteral("…")));
    child<QPushButton>(reader, "btn_Read")->click();
    EXPECT_EQ(badgeText(), QStringLiteral("2"));
    shoot(reader, "notice-list.png");
    child<QPushButton>(reader, "btn_ReadLog")->click();
    ASSERT_TRUE(drive([&] { return reader->readLogView()->topLevelItemCount() == 2; }));
    shoot(reader, "notice-read-log.png");
}

TEST_F(NoticeWindowsTest, TheBadgeCountsOnFromTheServersNumberAndOpensTheReader) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    // CmdPendingCounts of kind 1 carries one more than the unread notices.
    std::string counts(45, '\0');
    counts[33] = 1;
    counts[41] = 100;
    deliver(protocol::Cmd::PendingCounts, counts);
    EXPECT_EQ(badgeText(), QStringLiteral("99"));
    Recorded ws;
    ws.attach(wang.core().notices());
    wangPosts(wang, ws, {});
    ASSERT_TRUE(drive([&] { return badgeText() == QStringLiteral("99+"); }));
    EXPECT_EQ(desktop->client().notices().badge(), 100);
    // A press on the badge opens the reader, whose list of all notices sets the true count.
    QTest::mousePress(badge(), Qt::LeftButton);
    ASSERT_TRUE(desktop->notices().reader());
    ASSERT_TRUE(drive([&] { return badgeText() == QStringLiteral("1"); }));
}

TEST_F(NoticeWindowsTest, ClosingTheReaderOnAnUnreadNoticeConfirmsIt) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    Recorded ws;
    ws.attach(wang.core().notices());
    wangPosts(wang, ws, {});
    ASSERT_TRUE(drive([&] { return badge()->isVisible(); }));
    ui::TfrmNotice* reader = openReaderFromButton();
    ASSERT_TRUE(drive([&] { return child<QPushButton>(reader, "btn_Read")->isVisible(); }));
    EXPECT_EQ(reader->attachments()->height(), 0);
    child<QPushButton>(reader, "btn_Close")->click();
    ASSERT_TRUE(drive([&] { return !ws.receipts.empty(); }));
    EXPECT_FALSE(badge()->isVisible());
}

TEST_F(NoticeWindowsTest, TheComposerPostsToPickedColleaguesShowsReadTimesAndTheSenderDeletes) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    Recorded ws;
    ws.attach(wang.core().notices());

    // "新建" in the reader opens the composer and closes the reader.
    ui::TfrmNotice* reader = openReaderFromButton();
    ASSERT_TRUE(reader);
    QPointer<ui::TfrmNotice> readerGone(reader);
    child<QPushButton>(reader, "btn_New")->click();
    ui::TfrmPublicMsg* composer = desktop->notices().composer();
    ASSERT_TRUE(composer);
    EXPECT_TRUE(composer->isVisible());
    EXPECT_TRUE(drive([&] {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return readerGone.isNull();
    }));
    EXPECT_EQ(composer->status()->text(), QStringLiteral("当前显示所有收件人"));

    // Refusals, in the order the button checks them.
    auto* send = child<QPushButton>(composer, "btn_Send");
    composer->editor()->insertPlainText(QStringLiteral("明"));
    send->click();
    EXPECT_EQ(composer->status()->text(), QStringLiteral("请输入通知内容"));
    composer->editor()->insertPlainText(QStringLiteral("天上午九点开会"));
    send->click();
    EXPECT_EQ(composer->status()->text(), QStringLiteral("请选择收件人"));

    // Recipients through the colleague picker.
    child<QPushButton>(composer, "btn_SelUser")->click();
    auto* picker = composer->findChild<ui::TSelUserForm*>();
    ASSERT_TRUE(picker);
    picker->preTick({kWang});
    picker->findChild<QPushButton*>(QStringLiteral("SpeedButton2"))->click();
    ASSERT_TRUE(drive([&] { return composer->recipients().size() == 1; }));
    EXPECT_EQ(child<QLabel>(composer, "lb_SelUserCount")->text(), QStringLiteral("1"));
    EXPECT_EQ(composer->recipientView()->topLevelItem(0)->text(0), QStringLiteral("王芳"));

    // Attachments: a file listed twice is kept once; the list shows at 90 pixels.
    const QString agenda = writeFile(QStringLiteral("议程.txt"), "agenda");
    attachmentChoice = {agenda, agenda};
    child<QPushButton>(composer, "btn_Attach")->click();
    EXPECT_EQ(composer->attachmentPaths().size(), 1);
    EXPECT_EQ(child<QListWidget>(composer, "ListView_Flies")->height(), 90);
    composer->titleEdit()->setText(QStringLiteral("周会"));
    shoot(composer, "notice-composer.png");

    // SMS minutes outside 0..255 are refused, not wrapped.
    child<QCheckBox>(composer, "CB_UserPhoneMsg")->setChecked(true);
    child<QLineEdit>(composer, "ED_Time")->setText(QStringLiteral("300"));
    send->click();
    EXPECT_EQ(composer->status()->text(), QStringLiteral("提醒的分钟数应在0到255之间"));
    child<QLineEdit>(composer, "ED_Time")->setText(QStringLiteral("30"));

    send->click();
    ASSERT_TRUE(drive([&] { return composer->sent(); }, 30000));
    EXPECT_EQ(composer->status()->text(), QStringLiteral("通知已发送！"));
    EXPECT_TRUE(composer->editor()->isReadOnly());
    EXPECT_TRUE(child<QPushButton>(composer, "btn_NewNotice")->isVisible());
    EXPECT_FALSE(send->isVisible());

    // 王芳 gets it, opens and reads it: her read time shows in the composer.
    ASSERT_TRUE(drive([&] { return !ws.arrived.empty(); }));
    EXPECT_EQ(ws.arrived[0].smsUnread, 1);
    EXPECT_EQ(ws.arrived[0].smsDelayMinutes, 30);
    info::NoticeCore& wn = wang.core().notices();
    wn.setReaderOpen(true);
    ASSERT_TRUE(wn.searchNotices(""));
    ASSERT_TRUE(drive([&] { return ws.contents > 0; }));
    EXPECT_EQ(wn.listedAttachments().size(), 1u);
    EXPECT_EQ(protocol::readRtf(wn.content()->text).plainText(), "明天上午九点开会");
    ASSERT_TRUE(wn.confirmRead());
    ASSERT_TRUE(drive([&] { return !composer->recipientView()->topLevelItem(0)->text(1).isEmpty(); }));

    // "新建通知" starts over.
    child<QPushButton>(composer, "btn_NewNotice")->click();
    EXPECT_FALSE(composer->sent());
    EXPECT_TRUE(composer->editor()->toPlainText().isEmpty());
    EXPECT_EQ(composer->status()->text(), QStringLiteral("当前显示所有收件人"));
    EXPECT_EQ(child<QLabel>(composer, "lb_SelUserCount")->text(), QStringLiteral("0"));
    EXPECT_TRUE(send->isVisible());

    // The sender's own notice carries the delete control; deleting asks first.
    reader = desktop->notices().openReader();
    ASSERT_TRUE(drive([&] { return reader->list()->notices().items().size() == 1; }));
    ASSERT_TRUE(drive([&] { return reader->list()->notices().showsDelete(0); }));
    reader->askDelete(0);
    auto* question = reader->findChild<QMessageBox*>(QStringLiteral("DeleteQuestion"));
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text(), QStringLiteral("是否删除当前选中的这条通知？"));
    question->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(drive([&] { return reader->list()->notices().items().empty(); }));
    EXPECT_EQ(server().call([](server::Server& s) { return s.notices()->noticeCount(); }), 0);
}

TEST_F(NoticeWindowsTest, APostCutOffByALostConnectionIsReportedNotSent) {
    startSignedIn();
    signIn("wangfang", "wangfang123");
    ui::TfrmPublicMsg* composer = desktop->notices().openComposer();
    composer->setRecipients({kWang});
    composer->editor()->insertPlainText(QStringLiteral("请查收附件"));
    // A file large enough to be still on its way when the connection goes.
    composer->addAttachments({writeFile(QStringLiteral("大文件.bin"), QByteArray(64 << 20, 'x'))});
    child<QPushButton>(composer, "btn_Send")->click();
    EXPECT_EQ(composer->status()->text(), QStringLiteral("正在发送通知，请稍候..."));
    EXPECT_FALSE(child<QPushButton>(composer, "btn_Send")->isEnabled());
    messenger().connection().close();
    ASSERT_TRUE(drive([&] { return !desktop->client().notices().posting(); }, 30000));
    EXPECT_FALSE(composer->sent());
    EXPECT_NE(composer->status()->text(), QStringLiteral("通知已发送！"));
    EXPECT_TRUE(child<QPushButton>(composer, "btn_Send")->isEnabled());
    EXPECT_FALSE(composer->editor()->isReadOnly());
}

TEST_F(NoticeWindowsTest, TheSpreadsheetSenderSendsOneNoticePerRowAndSaysSoOnceTheyAreOut) {
    startSignedIn();
    TestClient& wang = signIn("wangfang", "wangfang123");
    Recorded ws;
    ws.attach(wang.core().notices());
    ui::TfrmNotice* reader = openReaderFromButton();
    ASSERT_TRUE(reader);
    child<QPushButton>(reader, "btn_NewExcel")->click();
    ui::TfrmSendExcelNotice* sender = desktop->notices().spreadsheetSender();
    ASSERT_TRUE(sender);
    auto* send = child<QPushButton>(sender, "btn_SendNotice");
    EXPECT_FALSE(send->isEnabled()); // no rows yet

    // A workbook whose row 2 has no account gives no rows; sending stays impossible.
    EXPECT_TRUE(sender->importSpreadsheet(writeFile(QStringLiteral("空.csv"), "账号,姓名,内容\n,王芳,x\n")));
    EXPECT_EQ(child<QLabel>(sender, "Label_User")->text(), QStringLiteral("接收用户 [0]"));
    EXPECT_FALSE(send->isEnabled());

    const QString sheet =
        writeFile(QStringLiteral("名单.csv"),
                  "账号,姓名,内容\nwangfang,王芳,请于周五前提交报表\nlina,李娜,请确认出差行程\n");
    ASSERT_TRUE(sender->importSpreadsheet(sheet));
    EXPECT_EQ(child<QLabel>(sender, "Label_User")->text(), QStringLiteral("接收用户 [2]"));
    ASSERT_EQ(sender->rowView()->topLevelItemCount(), 2);
    EXPECT_EQ(sender->rowView()->topLevelItem(1)->text(1), QStringLiteral("李娜"));
    attachmentChoice = {writeFile(QStringLiteral("说明.txt"), "notes")};
    child<QPushButton>(sender, "btn_AppendAttch")->click();
    shoot(sender, "notice-spreadsheet.png");
    send->click();
    EXPECT_FALSE(send->isEnabled());
    ASSERT_TRUE(
        drive([&] { return sender->findChild<QMessageBox*>(QStringLiteral("NoticeBox")) != nullptr; }));
    auto* box = sender->findChild<QMessageBox*>(QStringLiteral("NoticeBox"));
    EXPECT_EQ(box->text(), QStringLiteral("通知消息发送成功，共发送数据2条。"));
    ASSERT_TRUE(drive([&] { return ws.arrived.size() == 1; }));
    EXPECT_EQ(ws.arrived[0].noticeKind, protocol::kNoticeSpreadsheet);
    QPointer<ui::TfrmSendExcelNotice> gone(sender);
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(drive([&] {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return gone.isNull();
    }));
}

} // namespace
} // namespace vantor::testing
