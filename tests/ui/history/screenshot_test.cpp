// Screenshots for people to look at: a conversation with faces, a picture and a file notice, the
// face picker, and the history viewer. Each is checked for content and for CJK glyphs.
#include "../../conversation/chat_fakes.h"

#include "conversation/action_link.h"
#include "crypto/cipher.h"
#include "history/message_store.h"
#include "protocol/datetime.h"
#include "ui/chat/face_picker.h"
#include "ui/history/history_form.h"
#include "ui/kit/fonts.h"

#include "ui/chat/chat_windows.h"

#include <QDir>
#include <QPainter>
#include <QRawFont>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using namespace chat_test;
using namespace vantor;
using namespace vantor::ui;

const QString kBin = QStringLiteral(VANTOR_BIN_DIR);

PictureFolders folders(const QString& images) {
    return {kBin + "/Face/", kBin + "/SysImages/", kBin + "/CustomFace/", images};
}

// The window as the X server shows it (the widget's own rendering when the server cannot grab it).
QImage shoot(QWidget& w) {
    w.show();
    w.raise();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(300); // let the animations and the layout settle
    QImage image;
    if (QScreen* s = w.screen()) image = s->grabWindow(w.winId()).toImage();
    if (image.isNull() || image.size() != w.size() * w.devicePixelRatio()) image = w.grab().toImage();
    return image;
}

// Not blank: enough pixels differ from the most common colour.
double inkShare(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            ++counts[image.pixel(x, y)];
    int top = 0, total = 0;
    for (int c : counts) {
        top = std::max(top, c);
        total += c;
    }
    return total ? 1.0 - double(top) / total : 0;
}

void save(const QImage& image, const char* name) {
    QDir().mkpath(QStringLiteral(VANTOR_SCREENSHOT_DIR));
    ASSERT_TRUE(image.save(QStringLiteral(VANTOR_SCREENSHOT_DIR "/") + QLatin1String(name)));
}

class Screenshots : public ::testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariableIsSet("VANTOR_NO_XVFB")) GTEST_SKIP() << "no Xvfb";
        const QRawFont raw = QRawFont::fromFont(systemLineFont());
        for (char32_t c : {U'张', U'对', U'话', U'记', U'录'})
            ASSERT_TRUE(raw.supportsCharacter(c))
                << "the interface font has no CJK glyphs: install fonts-noto-cjk";
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("Images"));
    }
    QTemporaryDir dir;
};

TEST_F(Screenshots, ConversationWithFacesPictureAndNotice) {
    // A picture of our own in the Images folder.
    QImage chart(220, 130, QImage::Format_RGB32);
    chart.fill(Qt::white);
    {
        QPainter p(&chart);
        p.setPen(Qt::darkGray);
        p.drawRect(0, 0, 219, 129);
        const int bars[] = {40, 75, 60, 100, 85};
        for (int i = 0; i < 5; ++i)
            p.fillRect(20 + i * 40, 120 - bars[i], 26, bars[i], QColor(60 + i * 30, 120, 200));
    }
    chart.save(dir.filePath("Images/CHART.JPG"), "JPG");

    ConversationRegistry registry;
    FakeTransport transport;
    FakeDirectory directory;
    FakeStore store;
    FakeSettings settings;
    chat_test::ManualClock clock;
    struct Services : IChatServices {
        std::optional<PeerCard> peerCard(uint32_t) override {
            return PeerCard{QStringLiteral("李明"), QStringLiteral("今天在外面开会，有事请留言"), 0, {}};
        }
    } services;
    ChatFormContext ctx;
    ctx.registry = &registry;
    ctx.services = &services;
    ctx.folders = folders(dir.filePath("Images/"));
    ChatWindows windows(ctx);
    ChatCore core(registry, transport, directory, store, windows, settings, clock);
    windows.setChat(&core);
    core.setSession({true, 7, gbk("张伟"), "zhangwei", false});
    registry.setOwnId(7);
    directory.users[9] = {9, gbk("李明"), 0, false, false};

    windows.openWith(9);
    TfrmChatForm* f = windows.existing(registry.all().front()->id);
    ASSERT_NE(f, nullptr);
    f->move(40, 40);
    core.deliver(incoming(9, 1, gbk("早上好 /~wx 今天评审的资料准备好了吗？/~yiw")), true);
    f->input()->insertPlainText(QStringLiteral("准备好了，这是本周的进度图："));
    f->input()->insertPictureFile(dir.filePath("Images/CHART.JPG"));
    f->sendClick();
    core.deliver(incoming(9, 2, gbk("/~guzhang 太好了，下午三点会议室见 /~xig")), true);
    f->systemLine(gbk("10:21:05 文件“评审资料.docx”接收完成 ") +
                  conversation::actionLinkText("OpenFile", "/tmp/a.docx", gbk("打开文件")) + " " +
                  conversation::actionLinkText("OpenDir", "/tmp", gbk("打开目录")));
    f->input()->insertPlainText(QStringLiteral("好的，下午见"));
    f->input()->insertFace(63);

    const QImage image = shoot(*f);
    save(image, "conversation.png");
    EXPECT_GT(inkShare(image), 0.05);
    EXPECT_EQ(f->display()->objects().size(), 5u);

    TSelFaceForm* picker = f->openFacePicker();
    picker->hoverAt({5 * 30 + 5, 2 * 29 + 5});
    const QImage faces = shoot(*picker);
    save(faces, "face-picker.png");
    EXPECT_GT(inkShare(faces), 0.05);
    picker->close();
}

TEST_F(Screenshots, HistoryViewer) {
    history::StoreLocation store{std::filesystem::path(dir.filePath("History").toStdString()), 1001, false};
    const char* lines[] = {"周五的版本还需要再测一轮吗？",
                           "需要，/~yiw 安装包我中午发你",
                           "收到 /~xig",
                           "会议纪要已更新",
                           "辛苦了 /~qiang",
                           "明天见"};
    const double start = protocol::dayCountFromLocal({2026, 12, 9, 17, 40, 0});
    for (int i = 0; i < 12; ++i) {
        protocol::ChatMessage m;
        const bool in = i % 2 == 0;
        m.senderId = in ? 1002 : 1001;
        m.recipientId = in ? 1001 : 1002;
        m.sendTime = start + i * (i == 6 ? 0.3 : 0.01);
        m.fontName = gbk("宋体");
        m.fontSize = 10;
        m.fontColor = in ? 0 : 0x804000;
        m.text = crypto::DesEncryptText(gbk(lines[i % 6]));
        m.textLength = uint32_t(m.text.size());
        ASSERT_TRUE(history::StoreMessageRecord(store, m.encodeBody().substr(4)).ok());
    }
    ASSERT_TRUE(history::StoreNoticeRecord(
                    store, 1002, 1001,
                    gbk("文件“方案.pdf”接收完成 ") +
                        conversation::actionLinkText("OpenFile", "/tmp/x.pdf", gbk("打开文件")) + " " +
                        conversation::actionLinkText("OpenDir", "/tmp", gbk("打开目录")),
                    start + 0.5)
                    .ok());

    struct Directory : IHistoryDirectory {
        std::vector<HistoryPartner> organisation() override {
            HistoryPartner dept{
                HistoryPartner::Kind::Department, 1, {}, QStringLiteral("技术部"), {}, {}, {}};
            dept.children.push_back({HistoryPartner::Kind::Colleague,
                                     1002,
                                     {},
                                     QStringLiteral("王芳"),
                                     QStringLiteral("专注测试"),
                                     {},
                                     {}});
            dept.children.push_back(
                {HistoryPartner::Kind::Colleague, 1003, {}, QStringLiteral("李娜"), {}, {}, {}});
            HistoryPartner sales{
                HistoryPartner::Kind::Department, 2, {}, QStringLiteral("市场部"), {}, {}, {}};
            return {dept, sales};
        }
        std::vector<HistoryPartner> groups() override {
            return {{HistoryPartner::Kind::Group, 0, {}, QStringLiteral("版本发布讨论组"), {}, {}, {}}};
        }
        QString nameOf(uint32_t id) override {
            return id == 1002 ? QStringLiteral("王芳") : id == 1001 ? QStringLiteral("张伟") : QString();
        }
    } directory;
    IHistoryServices services;
    HistoryContext ctx{store, &directory, &services, folders(dir.filePath("Images/")), {}};
    THistoryForm form(ctx);
    form.move(60, 40);
    form.tree()->expandAll();
    form.selectColleague(1002);
    const QImage image = shoot(form);
    save(image, "history.png");
    EXPECT_GT(inkShare(image), 0.05);
}

} // namespace
