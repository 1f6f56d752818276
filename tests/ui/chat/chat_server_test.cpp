// Two whole clients talking through vantor-server, each with its conversation windows: a message
// typed and sent with Enter, a hidden window and its pending alert, faces and pictures as codes,
// a missing picture shown loading and then replaced.
#include "../../client/client_fixture.h"
#include "chat_test_support.h"

#include "conversation/picture_name.h"
#include "groups/group_fanout.h"
#include "protocol/text.h"
#include "ui/chat/chat_windows.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
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
    void start() {
        a = &signIn("zhangwei", "zhangwei123");
        b = &signIn("wangfang", "wangfang123");
        windowsA =
            std::make_unique<ChatWindows>(a->core(), nullptr, QStringLiteral(VANTOR_BIN_DIR), &alertsA);
        windowsB =
            std::make_unique<ChatWindows>(b->core(), &servicesB, QStringLiteral(VANTOR_BIN_DIR), &alertsB);
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

} // namespace
} // namespace vantor::testing
