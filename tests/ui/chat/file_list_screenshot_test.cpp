// The side panel's offline files with three items — one downloading, one taken, one refused —
// rendered on an X server of the test's own and kept in build/screenshots/; the texts each state
// shows and the count of files not handled.
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "transfer/offline_files.h"
#include "ui/chat/file_list_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

struct FakeHost : transfer::IOfflineFilesHost {
    uint16_t port = 0;
    QString history;
    std::vector<std::string> sent;
    uint32_t ownId() const override { return 1002; }
    void sendToServer(std::string_view m) override { sent.emplace_back(m); }
    QString fileServerHost() const override { return QStringLiteral("127.0.0.1"); }
    uint16_t fileServerPort() const override { return port; }
    QString historyFolder() const override { return history; }
    double now() const override { return protocol::nowDayCount(); }
    void fileTaken(const protocol::OfflineFile&, const QString&) override {}
};

protocol::OfflineFile notice(uint32_t sender, const char* name, const char* file, uint64_t size,
                             double daysAgo, bool oneToOne) {
    protocol::OfflineFile n;
    n.receiverId = 1002;
    n.senderId = sender;
    n.senderName = protocol::toGbk(name);
    n.transferId = std::to_string(sender) + "_1002_ABCDEF_" + std::to_string(size);
    n.fileName = protocol::toGbk(file);
    n.size = size;
    n.sendTime = protocol::nowDayCount() - daysAgo;
    n.oneToOne = oneToOne;
    return n;
}

TEST(FileListScreenshot, ThreeOfflineFilesDownloadingTakenAndRefused) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTemporaryDir dir;
    QTcpServer silent; // takes the connection and never answers: the download stays busy
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    FakeHost host;
    host.port = silent.serverPort();
    host.history = dir.filePath(QStringLiteral("History"));
    transfer::OfflineFiles files(host);
    ui::TFileListBox box(files, [] { return protocol::nowDayCount(); });
    int count = -1;
    box.onCount = [&](int n) { count = n; };

    const auto refused = notice(1004, "刘洋", "会议纪要.txt", 812, 3, false);
    const auto taken =
        notice(1003, "李娜", "二〇二四年第三季度项目计划书终稿.pdf", 5 * 1048576 + 300000, 1, false);
    const auto busy = notice(1001, "张伟", "季度报告.docx", 1536 * 1024, 0, true);
    for (const auto& n : {refused, taken, busy})
        ASSERT_TRUE(files.add(n));
    EXPECT_EQ(count, 3);
    ASSERT_TRUE(files.refuse(refused.transferId));
    files.find(taken.transferId)->state = transfer::OfflineFileItem::State::Taken;
    files.find(taken.transferId)->savedPath = dir.filePath(QStringLiteral("计划书.pdf"));
    ASSERT_TRUE(files.saveAs(busy.transferId, dir.filePath(QStringLiteral("季度报告.docx"))));
    transfer::OfflineFileItem& running = *files.find(busy.transferId);
    running.percent = 45;
    running.speed = QStringLiteral("1.25 M/S");
    running.remaining = QStringLiteral("-0:0:3");
    box.refresh();
    EXPECT_EQ(count, 1);

    // Newest on top.
    QWidget* top = box.panelOf(busy.transferId);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->y(), 0);
    EXPECT_EQ(top->size(), QSize(303, 67));
    auto text = [](QWidget* p, const char* name) {
        return p->findChild<QLabel*>(QLatin1String(name))->text();
    };
    auto link = [](QWidget* p, const char* name) { return p->findChild<QPushButton*>(QLatin1String(name)); };
    EXPECT_EQ(text(top, "Lb_From"), QStringLiteral("来自：张伟"));
    EXPECT_EQ(text(top, "Lb_Time"), QStringLiteral("1.25 M/S -0:0:3"));
    EXPECT_EQ(text(top, "Lb_File"), QStringLiteral("季度报告.docx（1.5M）"));
    EXPECT_FALSE(link(top, "btn_SaveAs")->isEnabled());
    QWidget* mid = box.panelOf(taken.transferId);
    EXPECT_EQ(text(mid, "Lb_Time"), QStringLiteral("昨天"));
    EXPECT_EQ(text(mid, "Lb_File"),
              QStringLiteral("二〇二四年第三季度项目计划书终稿...")); // 31 bytes and the character across
    EXPECT_FALSE(mid->findChild<QLabel*>(QStringLiteral("Lb_File"))->toolTip().isEmpty());
    EXPECT_TRUE(link(mid, "btn_OpenFile")->isVisibleTo(mid));
    EXPECT_FALSE(link(mid, "btn_SaveAs")->isVisibleTo(mid));
    QWidget* low = box.panelOf(refused.transferId);
    EXPECT_EQ(text(low, "Lb_Time"), QStringLiteral("3 天前"));
    EXPECT_EQ(link(low, "btn_Refuse")->text(), QStringLiteral("已经拒绝"));
    EXPECT_FALSE(link(low, "btn_SaveAs")->isVisibleTo(low));
    // A group's file refused: acknowledged, not deleted.
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(uint8_t(host.sent[0][0]), 0x3D);

    box.resize(303, 3 * 67 + 20);
    box.show();
    QCoreApplication::processEvents();
    const QImage img = box.grab().toImage();
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    const QString file = QStringLiteral(VANTOR_SCREENSHOT_DIR "/offline-files.png");
    EXPECT_TRUE(img.save(file)) << file.toStdString();
}

} // namespace
} // namespace vantor::testing
