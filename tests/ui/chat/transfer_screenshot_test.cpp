// A conversation window with its transfer side panel, rendered on an X server of the test's own
// and kept in build/screenshots/ for people to look at: one file received (its chat line with the
// links to the file and its folder), one transfer running and one offered.
#include "../../client/client_fixture.h"

#include "transfer/transfers.h"
#include "ui/chat/chat_windows.h"
#include "ui/chat/transfer_list.h"
#include "ui/kit/fonts.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <set>

namespace vantor::testing {
namespace {

constexpr uint32_t kWang = 1002;

int colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            seen.insert(img.pixel(x, y));
    return int(seen.size());
}

QString writeFile(const QString& path, qint64 size) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray chunk(1 << 20, 'x');
    for (qint64 done = 0; done < size; done += chunk.size())
        f.write(chunk.constData(), std::min<qint64>(chunk.size(), size - done));
    return path;
}

class TransferScreenshotTest : public ClientTest {
  protected:
    void TearDown() override {
        for (auto& c : clients_)
            c->core().setConversationView(nullptr);
        windowsA.reset();
        windowsB.reset();
        ClientTest::TearDown();
    }
    std::unique_ptr<ui::ChatWindows> windowsA, windowsB;
};

TEST_F(TransferScreenshotTest, WindowWithARunningAndAnOfferedTransfer) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    TestClient& a = signIn("zhangwei", "zhangwei123");
    TestClient& b = signIn("wangfang", "wangfang123");
    windowsA = std::make_unique<ui::ChatWindows>(a.core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
    windowsB = std::make_unique<ui::ChatWindows>(b.core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
    a.core().setConversationView(windowsA.get());
    b.core().setConversationView(windowsB.get());
    windowsA->openWith(kWang);
    ui::TfrmChatForm* fa = windowsA->existing(a.core().conversations().all().front()->id);
    ASSERT_NE(fa, nullptr);
    client::TransferPanels& panelsB = *windowsB->transferPanels();
    auto offeredToB = [&]() -> std::string {
        for (auto& t : b.core().transfers().all())
            if (t->direction == transfer::TTransmitFile::Receiving && !t->started) return t->transmitId;
        return {};
    };

    // 王芳 sends a small file that 张伟 accepts: its completion line with the two links.
    QTemporaryDir source;
    const QString minutes = writeFile(source.filePath(QStringLiteral("会议纪要.docx")), 48 * 1024 + 5);
    const int ba = b.openWith(1001).id;
    ASSERT_TRUE(panelsB.offerFile(ba, minutes));
    ui::TransferList* list = fa->transferList();
    ASSERT_TRUE(drive([&] { return list->count() == 1; }));
    list->panelOf(list->items()[0].transmitId)
        ->findChild<QPushButton*>(QStringLiteral("btn_TFAccept"))
        ->click();
    ASSERT_TRUE(drive(
        [&] {
            return list->count() == 0 &&
                   fa->display()->toPlainText().contains(QStringLiteral("打开所在目录"));
        },
        20000));

    // 张伟 sends a large file that 王芳 accepts, and 王芳 offers another one.
    const QString big = writeFile(source.filePath(QStringLiteral("产品演示视频.mp4")), 60 * 1024 * 1024);
    ASSERT_TRUE(windowsA->transferPanels()->offerFile(fa->conversationId(), big));
    ASSERT_TRUE(drive([&] { return !offeredToB().empty(); }, 20000));
    ASSERT_TRUE(panelsB.command(offeredToB(), client::kCmdAccept));
    ASSERT_TRUE(
        panelsB.offerFile(ba, writeFile(source.filePath(QStringLiteral("季度预算表.xlsx")), 2300 * 1024)));
    ASSERT_TRUE(drive(
        [&] {
            if (list->count() != 2) return false;
            const auto& running = list->items()[0];
            return running.sending && running.percent >= 5 && !running.speed.isEmpty();
        },
        30000));
    EXPECT_LT(list->items()[0].percent, 100);
    EXPECT_FALSE(list->items()[1].sending);

    fa->resize(fa->size());
    QCoreApplication::processEvents();
    const QImage img = fa->grab().toImage();
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    const QString file = QStringLiteral(VANTOR_SCREENSHOT_DIR "/chat-transfers.png");
    EXPECT_TRUE(img.save(file)) << file.toStdString();
    EXPECT_GT(colours(img), 30) << "looks blank";
    auto* name =
        list->panelOf(list->items()[1].transmitId)->findChild<QLabel*>(QStringLiteral("Lb_FileName"));
    EXPECT_TRUE(ui::rendersText(name->font(), name->text()));
    // Closing ends what runs: the running one stops, the offered one is declined.
    windowsA->transferPanels()->windowClosing(fa->conversationId());
    EXPECT_EQ(list->count(), 0);
}

// An offline upload in progress: the panel as it is drawn (title, remaining time, name cut to 18
// bytes, the bar in its frame, speed, amounts) and no links while the file goes.
TEST_F(TransferScreenshotTest, WindowWithAnOfflineUploadInProgress) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    TestClient& a = signIn("zhangwei", "zhangwei123");
    windowsA = std::make_unique<ui::ChatWindows>(a.core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
    a.core().setConversationView(windowsA.get());
    windowsA->openWith(kWang);
    ui::TfrmChatForm* fa = windowsA->existing(a.core().conversations().all().front()->id);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString path = source.filePath(QStringLiteral("二〇二四年度销售总结报告.pptx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Sparse, and large enough to be still on its way when the window is looked at.
        ASSERT_TRUE(f.resize(qint64(1) << 30));
    }
    ASSERT_TRUE(windowsA->transferPanels()->offerFile(fa->conversationId(), path));
    ui::TransferList* list = fa->transferList();
    ASSERT_TRUE(drive([&] { return list->count() == 1; }, 20000));
    QWidget* panel = list->panelOf(list->items()[0].transmitId);
    panel->findChild<QPushButton*>(QStringLiteral("btn_TFSendOffline"))->click();
    ASSERT_TRUE(drive([&] { return list->count() == 1 && list->items()[0].offline; }));
    drive([&] { return list->count() == 1 && list->items()[0].percent > 0; }, 5000);
    ASSERT_EQ(list->count(), 1);
    panel = list->panelOf(list->items()[0].transmitId);
    EXPECT_TRUE(panel->findChildren<QPushButton*>().isEmpty()); // an upload cannot be called back
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("Lb_Title"))->text(), QStringLiteral("发送文件"));
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("Lb_FileName"))->text(),
              QStringLiteral("二〇二四年度销售总...")); // 18 bytes
    EXPECT_EQ(panel->size(), QSize(188, 84));

    QCoreApplication::processEvents();
    const QImage img = fa->grab().toImage();
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    const QString file = QStringLiteral(VANTOR_SCREENSHOT_DIR "/chat-offline-upload.png");
    EXPECT_TRUE(img.save(file)) << file.toStdString();
    EXPECT_GT(colours(img), 30) << "looks blank";
    // The upload ends: the panel goes, the lines say so.
    ASSERT_TRUE(drive([&] { return list->count() == 0; }, 120000));
    EXPECT_TRUE(fa->display()->toPlainText().contains(QStringLiteral("发送完毕")));
}

} // namespace
} // namespace vantor::testing
