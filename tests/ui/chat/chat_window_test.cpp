// The conversation windows over the chat core's fakes: sending with Enter, hidden windows and the
// pending alerts, typing captions, shakes, the close query, placement, drops, the font bar,
// links and the header.
#include "../../conversation/chat_fakes.h"
#include "chat_test_support.h"

#include "conversation/action_link.h"
#include "protocol/codes.h"
#include "settings/profile_file.h"
#include "ui/chat/chat_windows.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace chat_ui_test {
namespace {

using namespace chat_test;
using vantor::protocol::fromGbk;

struct RecordingAlerts : vantor::client::IConversationAlerts {
    std::vector<vantor::client::ConversationAlert> alerts;
    std::vector<int> closed;
    void alertConversation(const vantor::client::ConversationAlert& a) override { alerts.push_back(a); }
    void conversationClosed(int id) override { closed.push_back(id); }
};

class ChatWindowTest : public ::testing::Test {
  protected:
    ChatWindowTest() {
        ChatFormContext ctx;
        ctx.registry = &registry;
        ctx.services = &services;
        ctx.folders = artworkFolders(dir.filePath(QStringLiteral("Images/")));
        ctx.userFile = dir.filePath(QStringLiteral("IM.Dat")).toStdString();
        windows = std::make_unique<ChatWindows>(ctx, &alerts);
        core = std::make_unique<ChatCore>(registry, transport, directory, store, *windows, settings, clock);
        windows->setChat(core.get());
        core->setSession({true, kOwn, "Me", "me", false});
        registry.setOwnId(kOwn);
        directory.users[kLi] = {kLi, "Li", 0, false, false};
        directory.groups[ChatRig::groupOf(1).toString()] = {kOwn, kLi};
        services.cards[kLi] = {QStringLiteral("Li"), QStringLiteral("今天很忙"), 0, {}};
    }
    ~ChatWindowTest() override {
        windows.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TfrmChatForm* open(uint32_t user = kLi) {
        windows->openWith(user);
        return windows->form(registry.openWith(user)->id);
    }
    std::vector<ChatMessage> sentChats() const {
        std::vector<ChatMessage> out;
        for (const Sent& s : transport.withCode(Cmd::ChatMessage))
            out.push_back(decodeChat(s));
        return out;
    }

    static constexpr uint32_t kOwn = 7, kLi = 9;
    QTemporaryDir dir;
    ConversationRegistry registry;
    FakeTransport transport;
    FakeDirectory directory;
    FakeStore store;
    FakeSettings settings;
    chat_test::ManualClock clock;
    RecordingServices services;
    RecordingAlerts alerts;
    std::unique_ptr<ChatWindows> windows;
    std::unique_ptr<ChatCore> core;
};

TEST_F(ChatWindowTest, EnterAndCtrlEnterSendAsTheSettingSays) {
    struct Case {
        const char* setting; // Init/EnterSendMsg; null: absent (default on)
        Qt::KeyboardModifiers mods;
        bool sends;
    } cases[] = {
        {nullptr, Qt::NoModifier, true},  {"1", Qt::NoModifier, true},      {"0", Qt::NoModifier, false},
        {"0", Qt::ControlModifier, true}, {"1", Qt::ControlModifier, true}, {"1", Qt::ShiftModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setting ? c.setting : "absent") + " mods " + std::to_string(int(c.mods)));
        QFile::remove(dir.filePath(QStringLiteral("IM.Dat")));
        if (c.setting)
            vantor::settings::ProfileFile(windows->context().userFile)
                .writeString("Init", "EnterSendMsg", c.setting);
        windows->closeAll();
        registry.remove(registry.openWith(kLi)->id);
        transport.sent.clear();
        store.records.clear();
        TfrmChatForm* f = open();
        f->input()->insertPlainText(QStringLiteral("你好"));
        QTest::keyClick(f->input(), Qt::Key_Return, c.mods);
        const auto chats = sentChats();
        if (!c.sends) {
            EXPECT_TRUE(chats.empty());
            EXPECT_EQ(fromGbk(f->input()->codedText()), "你好\r\n") << "a new line instead";
            continue;
        }
        ASSERT_EQ(chats.size(), 1u);
        EXPECT_EQ(fromGbk(vantor::crypto::DesDecryptText(chats[0].text)), "你好");
        EXPECT_EQ(chats[0].recipientId, kLi);
        EXPECT_EQ(store.records.size(), 1u);
        EXPECT_TRUE(f->input()->document()->isEmpty()) << "the input is cleared";
        EXPECT_TRUE(f->display()->toPlainText().contains(QStringLiteral("你好")));
        EXPECT_TRUE(f->display()->toPlainText().startsWith(QStringLiteral("Me "))) << "own header";
    }
}

TEST_F(ChatWindowTest, TypingInTheInputSendsTypingNotices) {
    TfrmChatForm* f = open();
    auto notices = [&] {
        std::vector<bool> typing;
        for (const Sent& s : transport.withCode(Cmd::InputState)) {
            vantor::protocol::InputState state;
            EXPECT_TRUE(vantor::wire::decode(s.message.body, state));
            typing.push_back(state.typing);
        }
        return typing;
    };
    f->input()->insertPlainText(QStringLiteral("a"));
    f->input()->insertPlainText(QStringLiteral("b"));
    f->input()->insertPlainText(QStringLiteral("c"));
    EXPECT_EQ(notices(), (std::vector<bool>{true})) << "typing quickly sends one notice";
    f->input()->clear();
    EXPECT_EQ(notices(), (std::vector<bool>{true, false})) << "an empty input tells at once";
}

TEST_F(ChatWindowTest, MenuEntryTogglesAndSavesEnterSend) {
    TfrmChatForm* f = open();
    QAction* entry = f->inputMenu()->findChild<QAction*>(QStringLiteral("N11"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isChecked());
    entry->trigger();
    EXPECT_FALSE(f->input()->enterSends());
    EXPECT_FALSE(entry->isChecked());
    EXPECT_EQ(
        vantor::settings::ProfileFile(windows->context().userFile).readString("Init", "EnterSendMsg", ""),
        "0");
    QStringList texts;
    for (QAction* a : f->inputMenu()->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"剪切", "复制", "粘贴", "字体", "发送信息", "按回车键发送信息"}));
}

TEST_F(ChatWindowTest, HiddenWindowIsAlertedAndOpenedFromThePendingAlert) {
    core->deliver(incoming(kLi, 501, gbk("在吗")), true);
    core->deliver(incoming(kLi, 502, gbk("回个话")), true);
    ASSERT_EQ(windows->count(), 1u) << "two messages, one window";
    const int id = registry.all().front()->id;
    TfrmChatForm* f = windows->existing(id);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->isVisible());
    ASSERT_FALSE(alerts.alerts.empty());
    EXPECT_EQ(alerts.alerts.back().conversationId, id);
    EXPECT_EQ(alerts.alerts.back().senderId, kLi);
    EXPECT_TRUE(f->display()->toPlainText().contains(QStringLiteral("回个话")));

    windows->showConversation(id);
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(registry.byId(id)->visible);

    core->deliver(incoming(kLi, 503, gbk("组里说"), 1), true);
    EXPECT_EQ(windows->count(), 2u) << "a group message goes to a window of its own";
}

TEST_F(ChatWindowTest, TypingNoticesChangeNameAndCaption) {
    TfrmChatForm* f = open();
    vantor::protocol::InputState state;
    state.receiverId = kOwn;
    state.senderId = kLi;
    state.typing = true;
    state.key.userA = kLi;
    state.key.userB = kOwn;
    core->receiveInputState(state);
    EXPECT_EQ(f->nameLabel()->text(), QStringLiteral("Li - 正在输入..."));
    EXPECT_TRUE(f->typingTimer()->isActive());
    clock.advance(5001);
    core->typingTimerFired(*registry.byId(f->conversationId()));
    EXPECT_EQ(f->nameLabel()->text(), QStringLiteral("Li - 对话"));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("与 Li 交谈中"));
    EXPECT_FALSE(f->typingTimer()->isActive());
}

TEST_F(ChatWindowTest, ShakeMovesTheWindowAroundItsSquareAndBack) {
    vantor::protocol::Shake shake;
    shake.receiverId = kOwn;
    shake.senderId = kLi;
    shake.key.userA = kLi;
    shake.key.userB = kOwn;
    core->receiveShake(shake);
    ASSERT_EQ(windows->count(), 1u);
    TfrmChatForm* f = windows->existing(registry.all().front()->id);
    EXPECT_TRUE(f->isVisible()) << "a shake brings the window forward";
    EXPECT_TRUE(f->display()->toPlainText().contains(QStringLiteral("对方向您发送了一个抖动提醒。")));
    const QPoint start = f->pos();
    std::vector<QPoint> visited;
    while (f->shakeStep())
        visited.push_back(f->pos() - start);
    ASSERT_EQ(visited.size(), 20u);
    EXPECT_EQ(visited[0], QPoint(0, -7));
    EXPECT_EQ(visited[1], QPoint(-7, -7));
    EXPECT_EQ(visited[2], QPoint(-7, 0));
    EXPECT_EQ(visited[3], QPoint(0, 0));
    EXPECT_EQ(f->pos(), start);
    EXPECT_FALSE(f->shaking());
}

TEST_F(ChatWindowTest, ClosingWithRunningTransfersAsksOnceAndCancelKeepsTheWindow) {
    TfrmChatForm* f = open();
    const int id = f->conversationId();
    services.fileTransfers = 1;
    services.answer = false;
    EXPECT_FALSE(f->close());
    ASSERT_EQ(services.questions.size(), 1u);
    EXPECT_EQ(services.questions[0], QStringLiteral("有 1 个文件传输任务还未结束，确定要关闭吗！"));
    EXPECT_EQ(services.ended, 0) << "cancel keeps the transfer running";
    EXPECT_NE(registry.byId(id), nullptr);

    // The question stays on screen while the window goes on; closing again does not ask again;
    // OK closes it.
    services.questions.clear();
    services.holdAnswers = true;
    EXPECT_FALSE(f->close());
    EXPECT_FALSE(f->close());
    ASSERT_EQ(services.questions.size(), 1u);
    ASSERT_TRUE(services.heldAnswer);
    EXPECT_NE(registry.byId(id), nullptr);
    services.heldAnswer(true);
    QApplication::processEvents();
    EXPECT_EQ(services.ended, 1);
    EXPECT_EQ(registry.byId(id), nullptr);
    EXPECT_EQ(alerts.closed, std::vector<int>{id});
    EXPECT_EQ(windows->existing(id), nullptr);

    // A later message opens a new window with an empty display.
    core->deliver(incoming(kLi, 900, gbk("又来了")), true);
    TfrmChatForm* again = windows->existing(registry.all().front()->id);
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->display()->toPlainText().contains(QStringLiteral("你好")));
}

TEST_F(ChatWindowTest, SignOutClosesEveryWindowWithoutAsking) {
    directory.users[10] = {10, "Wu", 0, false, false};
    const int a = open()->conversationId();
    const int b = open(10)->conversationId();
    services.fileTransfers = 2;
    windows->closeAll();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows->count(), 0u);
    EXPECT_TRUE(services.questions.empty());
    EXPECT_EQ(alerts.closed, (std::vector<int>{a, b}));
}

TEST_F(ChatWindowTest, NewWindowsStepTwentyPixelsFromTheLowestOne) {
    directory.users[10] = {10, "Wu", 0, false, false};
    directory.users[11] = {11, "Zhao", 0, false, false};
    TfrmChatForm* a = open(kLi);
    a->move(300, 200);
    TfrmChatForm* b = open(10);
    EXPECT_EQ(b->pos(), QPoint(320, 220));
    a->move(100, 400); // now the lowest
    TfrmChatForm* c = open(11);
    EXPECT_EQ(c->pos(), QPoint(120, 420));
}

TEST_F(ChatWindowTest, DroppedFilesAreInsertedOverTheInputAndOfferedElsewhere) {
    TfrmChatForm* f = open();
    f->resize(590, 510);
    const QString picture = writePicture(dir.filePath(QStringLiteral("shot.JPG")));
    const QString document = dir.filePath(QStringLiteral("notes.txt"));
    QFile(document).open(QIODevice::WriteOnly);
    const QRect frame = f->frameGeometry();
    const QPoint overInput(frame.left() + 20, frame.bottom() - 30);
    const QPoint overDisplay(frame.left() + 20, frame.top() + 120);

    f->dropFiles({picture, dir.path(), document}, overInput);
    EXPECT_EQ(f->input()->objects().size(), 1u) << "the picture is inserted";
    EXPECT_EQ(services.files, std::vector<QString>{document}) << "other files offered, folders ignored";

    services.files.clear();
    f->dropFiles({picture}, overDisplay);
    EXPECT_EQ(f->input()->objects().size(), 1u);
    EXPECT_EQ(services.files, std::vector<QString>{picture}) << "a picture dropped elsewhere is offered";
}

TEST_F(ChatWindowTest, FontBarChangesTheNextMessagesAndSavesTheFont) {
    TfrmChatForm* f = open();
    auto* bold = f->findChild<QToolButton*>(QStringLiteral("FontSytleB"));
    ASSERT_NE(bold, nullptr);
    bold->click();
    EXPECT_EQ(vantor::settings::ProfileFile(windows->context().userFile).readString("Font", "Font", ""),
              gbk("宋体,clBlack,9,d,b"));
    f->input()->insertPlainText(QStringLiteral("粗"));
    f->sendClick();
    const auto chats = sentChats();
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_TRUE(chats[0].bold);
    EXPECT_EQ(chats[0].fontName, gbk("宋体"));

    // A second window reads the saved font.
    directory.users[10] = {10, "Wu", 0, false, false};
    EXPECT_TRUE(open(10)->input()->inputFont().bold);
}

TEST_F(ChatWindowTest, LinksOpenWhatExistsAndDisableWhatIsGone) {
    TfrmChatForm* f = open();
    const QString here = dir.filePath(QStringLiteral("here.txt"));
    QFile(here).open(QIODevice::WriteOnly);
    struct Case {
        const char* action;
        QString argument;
        bool opens;
        const char* alert;
    } cases[] = {
        {"OpenFile", here, true, nullptr},
        {"OpenFile", dir.filePath(QStringLiteral("gone.txt")), false, "无法打开此文件，文件已经删除或转移。"},
        {"OpenDir", dir.path(), true, nullptr},
        {"OpenDir", dir.filePath(QStringLiteral("nowhere")), false, "不存在此目录，可能已经删除或转移。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        services.opened.clear();
        services.alerts.clear();
        const std::string link =
            vantor::conversation::actionLinkText(c.action, gbk(c.argument.toUtf8().constData()), gbk("打开"));
        f->systemLine(link);
        const QString value = QString::fromStdString(fromGbk(link));
        f->linkClicked(value);
        if (c.opens) {
            EXPECT_EQ(services.opened, std::vector<QString>{c.argument});
            EXPECT_TRUE(f->display()->hasLink(value));
        } else {
            EXPECT_TRUE(services.opened.empty());
            EXPECT_EQ(services.alerts, std::vector<QString>{QString::fromUtf8(c.alert)});
            EXPECT_FALSE(f->display()->hasLink(value));
        }
    }
    f->linkClicked(QStringLiteral("RHAccept_5<接受>"));
    EXPECT_EQ(services.actions, std::vector<std::string>{"RHAccept"});
    f->linkClicked(QStringLiteral("file:///etc/passwd"));
    EXPECT_TRUE(services.opened.empty()) << "only web addresses go to the system";
}

// A colleague's message that spells out file links is shown as the text it is: no link opens a
// local path.
TEST_F(ChatWindowTest, AColleaguesTextThatLooksLikeFileLinksStaysText) {
    core->deliver(incoming(kLi, 78, gbk("看 OpenFile_/etc/passwd<打开文件> OpenDir_/home<打开目录>")), true);
    TfrmChatForm* f = windows->existing(registry.all().front()->id);
    ASSERT_NE(f, nullptr);
    int anchors = 0;
    for (QTextBlock b = f->display()->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor()) ++anchors;
    EXPECT_EQ(anchors, 0);
    EXPECT_TRUE(f->display()->toPlainText().contains(QStringLiteral("OpenFile_/etc/passwd<打开文件>")));
}

TEST_F(ChatWindowTest, DisplayMenuSavesStoredPicturesAndClears) {
    TfrmChatForm* f = open();
    QDir().mkpath(windows->context().folders.images);
    writePicture(windows->context().folders.images + QStringLiteral("KEEP.JPG"));
    core->deliver(incoming(kLi, 77, gbk("看 /{KEEP.JPG}")), true);
    const auto objects = f->display()->objects();
    ASSERT_EQ(objects.size(), 1u);
    const QString target = dir.filePath(QStringLiteral("saved.jpg"));
    EXPECT_TRUE(f->display()->savePictureAs(objects[0], target));
    EXPECT_TRUE(QFile::exists(target));

    QMenu* menu = f->display()->buildMenu({1, 1});
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"复制", "图片另存为...", "清屏"}));
    menu->actions().last()->trigger();
    EXPECT_TRUE(f->display()->document()->isEmpty());
    delete menu;
}

TEST_F(ChatWindowTest, HeaderShowsTheColleagueGreyWhenOffline) {
    services.cards[kLi].status = 8;
    TfrmChatForm* f = open();
    EXPECT_EQ(f->nameLabel()->text(), QStringLiteral("Li "));
    EXPECT_TRUE(f->headLabel()->property("grey").toBool());
    EXPECT_FALSE(f->headLabel()->pixmap().isNull());
    EXPECT_EQ(f->alertLabel()->text(), QStringLiteral("对方隐身或没有上线，可能无法立即回复您的消息！"));
    EXPECT_TRUE(f->alertTimer()->isActive());
    EXPECT_EQ(f->alertTimer()->interval(), 15000);
}

TEST_F(ChatWindowTest, HistoryButtonOpensTheViewerOnThisConversation) {
    struct Opener : IHistoryOpener {
        std::vector<uint32_t> users;
        std::vector<int> conversations;
        void openHistoryOf(uint32_t id) override { users.push_back(id); }
        void openHistoryOfConversation(const Conversation& c) override { conversations.push_back(c.id); }
    } opener;
    windows->setHistory(&opener);
    open()->findChild<QToolButton*>(QStringLiteral("Image_ShowHistory"))->click();
    EXPECT_EQ(opener.users, std::vector<uint32_t>{kLi});
    core->deliver(incoming(kLi, 5, gbk("组里的话"), 1), true);
    const int group = registry.all().back()->id;
    windows->form(group)->findChild<QToolButton*>(QStringLiteral("Image_ShowHistory"))->click();
    EXPECT_EQ(opener.conversations, std::vector<int>{group});
    windows->openHistory(0);
    EXPECT_EQ(opener.users, (std::vector<uint32_t>{kLi, 0}));
}

TEST_F(ChatWindowTest, HeaderFollowsTheColleaguesStatus) {
    TfrmChatForm* f = open();
    EXPECT_FALSE(f->headLabel()->property("grey").toBool());
    services.cards[kLi].status = 9; // invisible
    services.cards[kLi].signature = QStringLiteral("出差中");
    windows->peerChanged(kLi);
    EXPECT_TRUE(f->headLabel()->property("grey").toBool());
    EXPECT_EQ(f->findChild<QLabel*>(QStringLiteral("Lb_UserMemo"))->text(), QStringLiteral("出差中"));
}

TEST_F(ChatWindowTest, ToolbarButtonsGoToTheirFeatures) {
    TfrmChatForm* f = open();
    auto* file = f->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_SendFile"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->x(), 10) << "no group permission: the file button comes first";
    EXPECT_EQ(file->toolTip(), QStringLiteral("发送文件"));
    file->click();
    EXPECT_EQ(services.tools, std::vector<ChatTool>{ChatTool::SendFile});
    EXPECT_EQ(f->toolbar()->findChild<QToolButton*>(QStringLiteral("ImgBtn_AddUser")), nullptr);

    f->findChild<QToolButton*>(QStringLiteral("Image_Card"))->click();
    EXPECT_EQ(services.tools.back(), ChatTool::RefreshCard);
    auto* panel = f->findChild<QWidget*>(QStringLiteral("Panel_UserInfo"));
    EXPECT_TRUE(panel->isVisible());
    f->findChild<QToolButton*>(QStringLiteral("Image_btn"))->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(
        vantor::settings::ProfileFile(windows->context().userFile).readString("Init", "ShowUserInfo", ""),
        "0");
}

} // namespace
} // namespace chat_ui_test
