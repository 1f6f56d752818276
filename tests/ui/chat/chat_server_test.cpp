// Two whole clients talking through vantor-server, each with its conversation windows: a message
// typed and sent with Enter, a hidden window and its pending alert, faces and pictures as codes,
// a missing picture shown loading and then replaced.
#include "../../client/client_fixture.h"
#include "chat_test_support.h"

#include "conversation/picture_name.h"
#include "groups/group_fanout.h"
#include "protocol/text.h"
#include "transfer/transfers.h"
#include "ui/chat/chat_windows.h"
#include "ui/chat/transfer_list.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace vantor::testing {
namespace {

using chat_ui_test::RecordingServices;
using ui::ChatWindows;
using ui::TfrmChatForm;

constexpr uint32_t kZhang = 1001, kWang = 1002;

struct RecordingAlerts : client::IConversationAlerts {
    std::vector<client::ConversationAlert> alerts;
    void alertConversation(const client::ConversationAlert& a) override { alerts.push_back(a); }
    void conversationClosed(int) override {}
};

class ChatServerTest : public ClientTest {
  protected:
    void TearDown() override {
        for (auto& c : clients_) {
            c->core().setConversationView(nullptr);
            c->core().setGroupView(nullptr);
        }
        windowsA.reset();
        windowsB.reset();
        ClientTest::TearDown();
    }
    // `wholeB`: B's windows reach its client's services too (else B's services are recorded).
    void start(bool wholeB = false) {
        a = &signIn("zhangwei", "zhangwei123");
        b = &signIn("wangfang", "wangfang123");
        windowsA =
            std::make_unique<ChatWindows>(a->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR), &alertsA);
        windowsB = std::make_unique<ChatWindows>(b->core(), wholeB ? nullptr : &servicesB,
                                                 QStringLiteral(VANTOR_BIN_DIR), &alertsB);
        a->core().setConversationView(windowsA.get());
        b->core().setConversationView(windowsB.get());
        a->core().setGroupView(windowsA.get());
        b->core().setGroupView(windowsB.get());
    }
    TfrmChatForm* onlyForm(ChatWindows& w, TestClient& c) {
        const auto& all = c.core().conversations().all();
        return all.empty() ? nullptr : w.existing(all.front()->id);
    }
    QString imagesOf(TestClient& c, uint32_t id) {
        return QString::fromStdString(c.messenger().environment().layout.imagesFolder(id));
    }

    TestClient* a = nullptr;
    TestClient* b = nullptr;
    RecordingServices servicesB;
    RecordingAlerts alertsA, alertsB;
    std::unique_ptr<ChatWindows> windowsA, windowsB;
};

TEST_F(ChatServerTest, MessageSentWithEnterReachesBothWindowsAndStoresAndAlertsTheHiddenOne) {
    start();
    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    EXPECT_TRUE(fa->isVisible());
    EXPECT_EQ(fa->nameLabel()->text(), QStringLiteral("王芳 ")) << "the header from the directory";
    fa->input()->insertPlainText(QStringLiteral("下午三点开会"));
    QTest::keyClick(fa->input(), Qt::Key_Return);

    ASSERT_TRUE(drive([&] {
        TfrmChatForm* fb = onlyForm(*windowsB, *b);
        return fb && fb->display()->toPlainText().contains(QStringLiteral("下午三点开会"));
    }));
    TfrmChatForm* fb = onlyForm(*windowsB, *b);
    EXPECT_TRUE(fa->display()->toPlainText().contains(QStringLiteral("下午三点开会")));
    EXPECT_TRUE(fa->input()->document()->isEmpty());
    EXPECT_TRUE(fb->display()->toPlainText().startsWith(QStringLiteral("张伟 ")));
    EXPECT_FALSE(fb->isVisible()) << "created hidden";
    ASSERT_FALSE(alertsB.alerts.empty());
    EXPECT_EQ(alertsB.alerts.back().senderId, kZhang);
    EXPECT_EQ(a->stored(kWang), std::vector<std::string>{"下午三点开会"});
    EXPECT_EQ(b->stored(kZhang), std::vector<std::string>{"下午三点开会"});

    // The pending alert (tray) opens the window.
    windowsB->showConversation(alertsB.alerts.back().conversationId);
    EXPECT_TRUE(fb->isVisible());
}

// A member opens a group from the list's entry: the window is a group window with the group's name
// and the member's toolbar; "退出讨论组" asks over the window without holding the event loop, and OK
// leaves the group everywhere and closes the window.
TEST_F(ChatServerTest, AMemberOpensAGroupWindowAndLeavesAfterTheWindowModalQuestion) {
    start();
    const groups::GroupOutcome created =
        b->core().groups().CreateGroupFromDialog(protocol::toGbk("周会"), {}, false, {kZhang});
    ASSERT_TRUE(created.done);
    const wire::Guid guid = *created.group;
    ASSERT_TRUE(drive([&] { return a->core().groups().FindGroup(guid) != nullptr; }));

    windowsA->openGroup(guid);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    EXPECT_TRUE(fa->isVisible());
    EXPECT_EQ(fa->conversation()->kind(), protocol::kGroupConversation);
    EXPECT_TRUE(fa->nameLabel()->text().startsWith(QStringLiteral("周会")));
    EXPECT_EQ(fa->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_GroupSetup")), nullptr);
    auto* exit = fa->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_ExitGroup"));
    ASSERT_NE(exit, nullptr);
    exit->click(); // returns at once: the question is window-modal
    auto* box = fa->findChild<QMessageBox*>(QStringLiteral("ConfirmLeaveBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), QStringLiteral("确定要退出本讨论组吗？"));
    EXPECT_NE(a->core().groups().FindGroup(guid), nullptr);
    box->button(QMessageBox::Ok)->click();

    EXPECT_EQ(a->core().groups().FindGroup(guid), nullptr);
    EXPECT_TRUE(a->core().conversations().all().empty());
    EXPECT_EQ(windowsA->count(), 0u);
    ASSERT_TRUE(drive([&] {
        const protocol::Group* g = b->core().groups().FindGroup(guid);
        return g && !groups::hasMember(g->members, kZhang);
    }));
}

TEST_F(ChatServerTest, FacesAndPicturesTravelAsCodesAndMissingPicturesAreReplaced) {
    start();
    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString photo = chat_ui_test::writePicture(source.filePath(QStringLiteral("site.jpg")));
    const QString broken =
        chat_ui_test::writePicture(source.filePath(QStringLiteral("lost.jpg")), "JPG", Qt::green);
    const std::string photoName =
        conversation::pictureNameForFile("site.jpg", uint64_t(QFileInfo(photo).size()));
    const std::string brokenName =
        conversation::pictureNameForFile("lost.jpg", uint64_t(QFileInfo(broken).size()));

    fa->input()->insertPlainText(QStringLiteral("辛苦"));
    fa->input()->insertFace(17);
    ASSERT_TRUE(fa->input()->insertPictureFile(photo));
    ASSERT_TRUE(fa->input()->insertPictureFile(broken));
    const std::string expected = "辛苦/~lhan/{" + photoName + "}/{" + brokenName + "}";
    EXPECT_EQ(protocol::fromGbk(fa->input()->codedText()), expected);
    fa->sendClick();

    ASSERT_TRUE(drive([&] {
        TfrmChatForm* fb = onlyForm(*windowsB, *b);
        return fb && fb->display()->objects().size() == 3;
    }));
    TfrmChatForm* fb = onlyForm(*windowsB, *b);
    EXPECT_EQ(b->stored(kZhang), std::vector<std::string>{expected}) << "stored as codes";
    auto objects = fb->display()->objects();
    EXPECT_EQ(objects[0].tag, QStringLiteral("17"));
    EXPECT_TRUE(objects[0].final);
    EXPECT_EQ(QFileInfo(objects[0].file).fileName(), QStringLiteral("17.gif"));
    for (int i : {1, 2}) {
        EXPECT_FALSE(objects[size_t(i)].final);
        EXPECT_EQ(QFileInfo(objects[size_t(i)].file).fileName(), QStringLiteral("ImageLoading.gif"));
    }
    const std::vector<std::pair<uint32_t, std::string>> requested{{kZhang, photoName}, {kZhang, brokenName}};
    EXPECT_EQ(servicesB.requested, requested) << "missing pictures are asked of their sender";
    // The sender's own display shows the real pictures.
    for (const auto& o : fa->display()->objects())
        EXPECT_TRUE(o.final);

    // The transfer brings one picture and fails the other.
    QDir().mkpath(imagesOf(*b, kWang));
    ASSERT_TRUE(QFile::copy(photo, imagesOf(*b, kWang) + QString::fromStdString(photoName)));
    EXPECT_EQ(windowsB->pictureArrived(photoName, false), 1);
    EXPECT_EQ(windowsB->pictureArrived(brokenName, true), 1);
    objects = fb->display()->objects();
    EXPECT_EQ(QFileInfo(objects[1].file).fileName(), QString::fromStdString(photoName));
    EXPECT_EQ(QFileInfo(objects[2].file).fileName(), QStringLiteral("ImageError.gif"));
    EXPECT_TRUE(objects[1].final && objects[2].final);
}

TEST_F(ChatServerTest, MissingPictureIsAskedOfItsOwnerWhoseTransferStarts) {
    struct Transfer : conversation::IPictureTransfer {
        std::vector<std::pair<uint32_t, QString>> started;
        bool startPictureTransfer(uint32_t requester, const protocol::ConversationKey&, const QString& path,
                                  const std::string&) override {
            started.emplace_back(requester, path);
            return true;
        }
    } transfer;
    a = &signIn("zhangwei", "zhangwei123");
    b = &signIn("wangfang", "wangfang123");
    a->core().setPictureTransfer(&transfer);
    windowsA = std::make_unique<ChatWindows>(a->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
    windowsB = std::make_unique<ChatWindows>(b->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR));
    a->core().setConversationView(windowsA.get());
    b->core().setConversationView(windowsB.get());

    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString photo = chat_ui_test::writePicture(source.filePath(QStringLiteral("plan.jpg")));
    ASSERT_TRUE(fa->input()->insertPictureFile(photo));
    fa->sendClick();

    ASSERT_TRUE(drive([&] { return !transfer.started.empty(); })) << "the request did not reach the owner";
    EXPECT_EQ(transfer.started[0].first, kWang);
    const std::string name = conversation::pictureNameForFile("plan.jpg", uint64_t(QFileInfo(photo).size()));
    EXPECT_EQ(transfer.started[0].second, imagesOf(*a, kZhang) + QString::fromStdString(name));
    TfrmChatForm* fb = onlyForm(*windowsB, *b);
    ASSERT_NE(fb, nullptr);
    ASSERT_EQ(fb->display()->objects().size(), 1u);
    EXPECT_FALSE(fb->display()->objects()[0].final) << "loading until the transfer brings it";
}

TEST_F(ChatServerTest, MissingPicturesComeByTransferOrTurnIntoTheErrorPicture) {
    // Both windows over their whole clients: B asks A for the pictures its message shows, A's
    // client answers with picture transfers; one arrives, the other is stopped by its owner.
    start(true);
    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString small = chat_ui_test::writePicture(source.filePath(QStringLiteral("plan.jpg")));
    // Large enough (about 5 MB) to be stopped on its way.
    const QString large = source.filePath(QStringLiteral("scan.bmp"));
    QImage big(1300, 1000, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            big.setPixel(x, y, qRgb(x * 7 + y, y * 3, x ^ y));
    ASSERT_TRUE(big.save(large, "BMP"));
    const std::string smallName =
        conversation::pictureNameForFile("plan.jpg", uint64_t(QFileInfo(small).size()));
    const std::string largeName =
        conversation::pictureNameForFile("scan.bmp", uint64_t(QFileInfo(large).size()));
    ASSERT_TRUE(fa->input()->insertPictureFile(small));
    ASSERT_TRUE(fa->input()->insertPictureFile(large));
    fa->sendClick();

    auto receiving = [&](const std::string& name) -> transfer::TTransmitFile* {
        for (auto& t : b->core().transfers().all())
            if (t->picture && t->name == name) return t.get();
        return nullptr;
    };
    bool stopped = false;
    ASSERT_TRUE(drive(
        [&] {
            if (!stopped && receiving(largeName)) {
                // The owner stops the large one as soon as its offer has arrived.
                for (auto& t : a->core().transfers().all())
                    if (t->picture && t->name == largeName) {
                        a->core().transfers().stop(t->transmitId);
                        stopped = true;
                        break;
                    }
            }
            TfrmChatForm* fb = onlyForm(*windowsB, *b);
            if (!fb || fb->display()->objects().size() != 2) return false;
            for (const auto& o : fb->display()->objects())
                if (!o.final) return false;
            return true;
        },
        30000, 5));
    EXPECT_TRUE(stopped);
    const auto objects = onlyForm(*windowsB, *b)->display()->objects();
    EXPECT_EQ(objects[0].file, imagesOf(*b, kWang) + QString::fromStdString(smallName));
    EXPECT_TRUE(QFileInfo(objects[0].file).isFile());
    EXPECT_EQ(QFileInfo(objects[1].file).fileName(), QStringLiteral("ImageError.gif"));
    EXPECT_FALSE(QFileInfo::exists(imagesOf(*b, kWang) + QString::fromStdString(largeName)));
    EXPECT_TRUE(windowsB->transferPanels()->itemsOf(onlyForm(*windowsB, *b)->conversationId()).empty())
        << "pictures have no panel";
}

// A message with a picture sent while its colleague is away: the picture goes to the server with
// it; the colleague signs in after its owner has left, and the window's placeholder is replaced by
// the picture the server sends back.
TEST_F(ChatServerTest, APictureOfAnOwnerWhoHasLeftComesFromTheServerIntoTheWindow) {
    a = &signIn("zhangwei", "zhangwei123");
    windowsA = std::make_unique<ChatWindows>(a->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR), &alertsA);
    a->core().setConversationView(windowsA.get());
    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString picture = chat_ui_test::writePicture(source.filePath(QStringLiteral("plan.jpg")));
    const std::string name =
        conversation::pictureNameForFile("plan.jpg", uint64_t(QFileInfo(picture).size()));
    ASSERT_TRUE(fa->input()->insertPictureFile(picture));
    fa->input()->insertPlainText(QStringLiteral("看图"));
    fa->sendClick();
    a->core().sendToServer(protocol::emptyMessage(protocol::Cmd::Heartbeat));
    drive([] { return false; }, 300);
    ASSERT_TRUE(a->messenger().SignedIn()) << "the upload did not end the session";
    // Retried, then handed to the server as a last attempt, which the server keeps and acknowledges.
    ASSERT_TRUE(drive([&] { return a->peers().pending().size() == 0; }, 20000, 50));
    a->messenger().LogoutMenuClicked();
    ASSERT_TRUE(drive([&] { return !a->messenger().ConnectionOpen(); }));

    // B's windows are there before the sign-in that brings the held message.
    clients_.push_back(std::make_unique<TestClient>(
        dir_.filePath(QStringLiteral("client%1").arg(clientsMade_++)), clock_, server_->port()));
    b = clients_.back().get();
    windowsB = std::make_unique<ChatWindows>(b->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR), &alertsB);
    b->core().setConversationView(windowsB.get());
    b->start("wangfang", "wangfang123");
    ASSERT_TRUE(drive(
        [&] {
            TfrmChatForm* fb = onlyForm(*windowsB, *b);
            if (!fb || fb->display()->objects().size() != 1) return false;
            return fb->display()->objects()[0].final;
        },
        30000, 5))
        << "B's conversations: " << b->core().conversations().all().size() << ", display: "
        << (onlyForm(*windowsB, *b) ? onlyForm(*windowsB, *b)->display()->toPlainText().toStdString()
                                    : "none")
        << ", objects: "
        << (onlyForm(*windowsB, *b) ? onlyForm(*windowsB, *b)->display()->objects().size() : 0);
    const auto objects = onlyForm(*windowsB, *b)->display()->objects();
    EXPECT_EQ(objects[0].file, imagesOf(*b, kWang) + QString::fromStdString(name));
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_FALSE(bytes(objects[0].file).isEmpty());
    EXPECT_EQ(bytes(objects[0].file), bytes(picture));
}

TEST_F(ChatServerTest, FilePanelsOfBothWindowsDriveTheTransfer) {
    // A file dropped on A's window is offered; both windows show its panel with the buttons of
    // their side; a button of one side ends it as the table says, with the lines of both sides.
    const struct {
        const char* what;
        bool receiverButton; // else the sender's
        const char* button;
        const char* senderLine;   // the last line of A's display
        const char* receiverLine; // the last line of B's display
    } cases[] = {
        {"accepted", true, "btn_TFAccept", "文件：“周报.xlsx” 发送完毕", "打开所在目录。"},
        {"declined", true, "btn_TFdecline", "对方拒绝接收文件“周报.xlsx”。", "您已拒绝接收文件“周报.xlsx”。"},
        {"cancelled", false, "btn_TFCancel", "您取消了文件“周报.xlsx”的发送。",
         "对方取消了文件“周报.xlsx”的发送。"},
    };
    start(true);
    windowsA->openWith(kWang);
    TfrmChatForm* fa = onlyForm(*windowsA, *a);
    ASSERT_NE(fa, nullptr);
    QTemporaryDir source;
    const QString path = source.filePath(QStringLiteral("周报.xlsx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bytes(1280 * 50 + 7, Qt::Uninitialized);
        for (int k = 0; k < bytes.size(); ++k)
            bytes[k] = char(k * 31 + k / 1280);
        f.write(bytes);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Dropped outside the input area: offered whatever its type.
        fa->dropFiles({path}, fa->frameGeometry().topLeft());
        ui::TransferList* listA = fa->transferList();
        ASSERT_TRUE(drive([&] {
            TfrmChatForm* fb = onlyForm(*windowsB, *b);
            return listA->count() == 1 && fb && fb->transferList()->count() == 1;
        }));
        TfrmChatForm* fb = onlyForm(*windowsB, *b);
        ui::TransferList* listB = fb->transferList();
        EXPECT_TRUE(listA->isVisibleTo(fa));
        EXPECT_TRUE(listB->isVisibleTo(fb));
        QWidget* panelA = listA->panelOf(listA->items()[0].transmitId);
        QWidget* panelB = listB->panelOf(listB->items()[0].transmitId);
        ASSERT_TRUE(panelA && panelB);
        auto names = [](QWidget* panel) {
            QStringList out;
            for (auto* button : panel->findChildren<QPushButton*>())
                out << button->objectName();
            return out;
        };
        EXPECT_EQ(names(panelA),
                  (QStringList{QStringLiteral("btn_TFSendOffline"), QStringLiteral("btn_TFCancel")}));
        EXPECT_EQ(names(panelB), (QStringList{QStringLiteral("btn_TFAccept"), QStringLiteral("btn_TFSaveAs"),
                                              QStringLiteral("btn_TFdecline")}));
        EXPECT_EQ(panelB->findChild<QLabel*>(QStringLiteral("Lb_FileName"))->toolTip(),
                  QStringLiteral("周报.xlsx"));
        EXPECT_EQ(panelB->findChild<QLabel*>(QStringLiteral("Lb_FileSize"))->text(),
                  QStringLiteral("62.51K")); // the size until the file moves
        EXPECT_EQ(windowsA->transferPanels()->runningIn(fa->conversationId()), 1);

        QWidget* panel = c.receiverButton ? panelB : panelA;
        auto* button = panel->findChild<QPushButton*>(QLatin1String(c.button));
        ASSERT_NE(button, nullptr);
        button->click();
        auto lastLine = [](TfrmChatForm* f) {
            const QStringList lines =
                f->display()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            return lines.isEmpty() ? QString() : lines.back().trimmed();
        };
        ASSERT_TRUE(drive(
            [&] {
                return listA->count() == 0 && listB->count() == 0 &&
                       lastLine(fa).endsWith(QString::fromUtf8(c.senderLine)) &&
                       lastLine(fb).endsWith(QString::fromUtf8(c.receiverLine));
            },
            20000))
            << listA->count() << " " << listB->count() << "\n"
            << fa->display()->toPlainText().toStdString() << "\n"
            << fb->display()->toPlainText().toStdString();
        EXPECT_FALSE(listA->isVisibleTo(fa)) << "the side panel goes with the last transfer";
    }
    // The accepted file arrived whole where the completion line's link points.
    const auto stored = b->stored(kZhang);
    const auto line = std::find_if(stored.begin(), stored.end(), [](const std::string& t) {
        return t.rfind("文件：“周报.xlsx” 接收完毕，您可以 OpenFile_", 0) == 0;
    });
    ASSERT_NE(line, stored.end());
    const std::string head = "文件：“周报.xlsx” 接收完毕，您可以 OpenFile_";
    const QString received = QString::fromStdString(line->substr(head.size(), line->find('<') - head.size()));
    QFile got(received), sent(path);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly) && sent.open(QIODevice::ReadOnly)) << received.toStdString();
    EXPECT_EQ(got.readAll(), sent.readAll());
}

TEST_F(ChatServerTest, AFileOfferedInAGroupWindowIsAGroupSend) {
    // A group send has no single receiver: its panel says "群发文件" and offers the offline
    // delivery or cancelling, and nothing is offered to anyone directly.
    start(true);
    protocol::ConversationKey key;
    ASSERT_TRUE(wire::Guid::fromString("{6B29FC40-CA47-1067-B31D-00DD010662DA}", key.groupId));
    key.kind = protocol::kGroupConversation;
    key.userA = kZhang;
    conversation::Conversation* group = a->core().conversations().findOrCreate(key, true);
    ASSERT_NE(group, nullptr);
    TfrmChatForm* fg = windowsA->form(group->id);
    ASSERT_NE(fg, nullptr);
    QTemporaryDir source;
    const QString path = source.filePath(QStringLiteral("通知.pdf"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'p'));
    }
    fg->dropFiles({path}, fg->frameGeometry().topLeft());
    ui::TransferList* list = fg->transferList();
    ASSERT_TRUE(drive([&] { return list->count() == 1; }));
    const client::TransferItem item = list->items()[0];
    EXPECT_TRUE(item.group);
    EXPECT_EQ(item.peer, QStringLiteral("群发文件"));
    QWidget* panel = list->panelOf(item.transmitId);
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("Lb_State"))->text(), QStringLiteral("群发文件"));
    EXPECT_NE(panel->findChild<QPushButton*>(QStringLiteral("btn_TFSendOffline")), nullptr);
    EXPECT_TRUE(fg->display()->toPlainText().contains(
        QStringLiteral("正准备群发文件 “通知.pdf”，讨论组内所有人都将收到此文件。")));
    EXPECT_FALSE(windowsA->transferPanels()->command(item.transmitId, client::kCmdAccept))
        << "not a button of this panel";
    panel->findChild<QPushButton*>(QStringLiteral("btn_TFCancel"))->click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(fg->display()->toPlainText().contains(QStringLiteral("您取消了文件“通知.pdf”的发送。")));
    drive([] { return false; }, 300);
    EXPECT_TRUE(b->core().transfers().all().empty()) << "nothing was offered to a colleague";
}

} // namespace
} // namespace vantor::testing
