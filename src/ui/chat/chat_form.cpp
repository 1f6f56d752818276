#include "ui/chat/chat_form.h"

#include "conversation/action_link.h"
#include "protocol/text.h"
#include "settings/profile_file.h"
#include "settings/user_settings.h"
#include "ui/chat/face_picker.h"
#include "ui/chat/transfer_list.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::ui {

using conversation::Conversation;

namespace {

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

bool offlineLike(uint8_t status) {
    return status == conversation::kStatusOffline || status == conversation::kStatusInvisible;
}

} // namespace

TfrmChatForm::TfrmChatForm(ChatFormContext& context, int conversationId, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(context), id_(conversationId) {
    setObjectName(QStringLiteral("TfrmChatForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFont(systemLineFont());
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Name"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->setSpacing(4);

    // Header: head picture, name, signature, status.
    auto* header = new QHBoxLayout;
    headLabel_ = new QLabel(this);
    headLabel_->setObjectName(QStringLiteral("Image_Head"));
    headLabel_->setFixedSize(chatlayout::kHeadSize, chatlayout::kHeadSize);
    header->addWidget(headLabel_);
    auto* names = new QVBoxLayout;
    nameLabel_ = new QLabel(QStringLiteral("Name"), this);
    nameLabel_->setObjectName(QStringLiteral("Lb_UserName"));
    QFont bold = systemLineFont();
    bold.setBold(true);
    bold.setPointSize(10);
    nameLabel_->setFont(bold);
    memoLabel_ = new QLabel(this);
    memoLabel_->setObjectName(QStringLiteral("Lb_UserMemo"));
    memoLabel_->setStyleSheet(QStringLiteral("color: #666"));
    names->addWidget(nameLabel_);
    names->addWidget(memoLabel_);
    header->addLayout(names, 1);
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("Image_Status"));
    header->addWidget(statusLabel_);
    auto* infoToggle = new QToolButton(this);
    infoToggle->setObjectName(QStringLiteral("Image_btn"));
    infoToggle->setText(QStringLiteral("资料"));
    infoToggle->setToolTip(QStringLiteral("显示/隐藏用户信息"));
    infoToggle->setAutoRaise(true);
    header->addWidget(infoToggle);
    connect(infoToggle, &QToolButton::clicked, this, [this] {
        const bool show = !userInfo_->isVisible();
        setUserInfoVisible(show);
        if (!ctx_.userFile.empty()) settings::saveShowUserInfo(ctx_.userFile, show);
    });
    root->addLayout(header);

    buildToolbar();
    root->addWidget(toolbar_);

    alertPanel_ = new QLabel(this);
    alertPanel_->setObjectName(QStringLiteral("Panel_Alert"));
    alertPanel_->setStyleSheet(
        QStringLiteral("background: #fff8d0; border: 1px solid #e8d890; padding: 2px"));
    alertPanel_->hide();
    root->addWidget(alertPanel_);
    closeTimer_ = new QTimer(this);
    closeTimer_->setObjectName(QStringLiteral("CloseTimer"));
    closeTimer_->setSingleShot(true);
    closeTimer_->setInterval(chatlayout::kAlertMs);
    connect(closeTimer_, &QTimer::timeout, alertPanel_, &QWidget::hide);

    // Conversation area and the side panel.
    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* split = new QSplitter(Qt::Vertical, this);
    display_ = new DisplayBox(ctx_.folders, split);
    display_->setObjectName(QStringLiteral("Re_MsgShow"));
    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(2);
    fontBar_ = buildFontBar();
    fontBar_->setParent(lower);
    fontBar_->hide();
    lowerLayout->addWidget(fontBar_);
    lowerLayout->addWidget(buildInputTools());
    input_ = new InputBox(ctx_.folders, lower);
    input_->setObjectName(QStringLiteral("Re_MsgInput"));
    lowerLayout->addWidget(input_, 1);
    split->addWidget(display_);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 120});
    left->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    smsBox_ = new QCheckBox(QStringLiteral("同时发送短信"), this);
    smsBox_->setObjectName(QStringLiteral("cb_SMS"));
    smsBox_->hide();
    bottom->addWidget(smsBox_);
    bottom->addStretch(1);
    sendButton_ = new QPushButton(QStringLiteral("发送(&S)"), this);
    sendButton_->setObjectName(QStringLiteral("btn_Send"));
    auto* menuButton = new QToolButton(this);
    menuButton->setObjectName(QStringLiteral("btn_send_M"));
    menuButton->setArrowType(Qt::DownArrow);
    menuButton->setToolTip(QStringLiteral("发送选项"));
    bottom->addWidget(sendButton_);
    bottom->addWidget(menuButton);
    left->addLayout(bottom);
    body->addLayout(left, 1);

    userInfo_ = new QWidget(this);
    userInfo_->setObjectName(QStringLiteral("Panel_UserInfo"));
    userInfo_->setFixedWidth(chatlayout::kUserInfoWidth);
    auto* card = new QVBoxLayout(userInfo_);
    cardName_ = new QLabel(userInfo_);
    cardMemo_ = new QLabel(userInfo_);
    cardMemo_->setWordWrap(true);
    card->addWidget(cardName_);
    card->addWidget(cardMemo_);
    card->addStretch(1);
    auto* refresh = new QToolButton(userInfo_);
    refresh->setObjectName(QStringLiteral("Image_Card"));
    refresh->setText(QStringLiteral("刷新"));
    refresh->setToolTip(QStringLiteral("刷新用户信息"));
    refresh->setAutoRaise(true);
    card->addWidget(refresh, 0, Qt::AlignRight);
    connect(refresh, &QToolButton::clicked, this, [this] { onTool(ChatTool::RefreshCard); });
    body->addWidget(userInfo_);
    transferList_ = new TransferList(this);
    transferList_->hide();
    transferList_->onCommand = [this](const std::string& id, const std::string& command) {
        transferButton(id, command);
    };
    body->addWidget(transferList_);
    groupPanel_ = buildGroupPanel();
    body->addWidget(groupPanel_);
    root->addLayout(body, 1);

    buildInputMenu();
    connect(menuButton, &QToolButton::clicked, this, [this, menuButton] {
        inputMenu_->popup(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    });
    connect(sendButton_, &QPushButton::clicked, this, &TfrmChatForm::sendClick);
    input_->onSend = [this] { sendClick(); };
    input_->onFiles = [this](const QStringList& files) {
        if (Conversation* c = conversation())
            for (const QString& f : files)
                ctx_.services->offerFile(*c, f);
    };
    connect(input_, &QTextEdit::textChanged, this, &TfrmChatForm::inputChanged);
    display_->onLink = [this](const QString& link) { linkClicked(link); };
    display_->onOpenPicture = [this](const QString& path) { ctx_.services->openPath(path); };
    display_->askSaveName = [this](const QString& suggested, std::function<void(const QString&)> done) {
        ctx_.services->saveFileName(this, suggested, std::move(done));
    };
    display_->viewport()->installEventFilter(this);
    input_->viewport()->installEventFilter(this);
    installEventFilter(this);

    typingTimer_ = new QTimer(this);
    typingTimer_->setObjectName(QStringLiteral("TimerShowInputing"));
    typingTimer_->setInterval(int(conversation::kTypingIntervalMs));
    connect(typingTimer_, &QTimer::timeout, this, [this] {
        if (Conversation* c = conversation()) ctx_.chat->typingTimerFired(*c);
    });
    shakeTimer_ = new QTimer(this);
    shakeTimer_->setInterval(conversation::kShakePauseMs);
    connect(shakeTimer_, &QTimer::timeout, this, [this] { shakeStep(); });

    const auto size =
        chatlayout::panelSize(chatlayout::SidePanel::UserInfo,
                              conversation() && conversation()->kind() == protocol::kGroupConversation);
    resize(size.width, size.height);
    loadSettings();
    refreshHeader();
}

TfrmChatForm::~TfrmChatForm() = default;

Conversation* TfrmChatForm::conversation() const {
    return ctx_.registry->byId(id_);
}

void TfrmChatForm::loadSettings() {
    bool enterSends = true, showInfo = true;
    conversation::ChatFont font = chatlayout::defaultChatFont();
    if (!ctx_.userFile.empty()) {
        settings::ProfileFile file(ctx_.userFile);
        enterSends = file.readBool("Init", "EnterSendMsg", true);
        showInfo = file.readBool("Init", "ShowUserInfo", true);
        settings::FontSpec stored = chatlayout::fontSpecOf(font);
        settings::loadFont(ctx_.userFile, stored);
        font = chatlayout::chatFontOf(stored);
    }
    input_->setEnterSends(enterSends);
    enterSendAction_->setChecked(enterSends);
    input_->setInputFont(font);
    syncFontBar();
    const Conversation* c = conversation();
    setUserInfoVisible(showInfo && c && c->kind() != protocol::kGroupConversation);
    showSmsBox();
}

void TfrmChatForm::showSmsBox() {
    // "同时发送短信" when the deployment shows it and the server allows mobile texts; unchecked.
    const bool allowed = ctx_.showSmsSetting && ctx_.services->mayUseSms();
    if (allowed && !smsBox_->isVisibleTo(this)) smsBox_->setChecked(false);
    smsBox_->setVisible(allowed);
}

void TfrmChatForm::refreshHeader() {
    Conversation* c = conversation();
    if (!c) return;
    if (c->kind() == protocol::kGroupConversation ||
        (c->kind() == protocol::kServiceConversation && !c->serviceSide())) {
        const QString name = ctx_.services->groupName(*c);
        if (!name.isEmpty()) {
            nameLabel_->setText(name);
            setWindowTitle(name);
        }
        QPixmap group(ctx_.folders.sysImages + QStringLiteral("DefaultGroup.bmp"));
        if (!group.isNull())
            headLabel_->setPixmap(group.scaled(chatlayout::kHeadSize, chatlayout::kHeadSize,
                                               Qt::KeepAspectRatio, Qt::SmoothTransformation));
        return;
    }
    const std::optional<PeerCard> card = ctx_.services->peerCard(c->peerId);
    if (!card) return;
    setWindowTitle(card->name + QLatin1Char(' '));
    nameLabel_->setText(card->name + QLatin1Char(' '));
    memoLabel_->setText(card->signature);
    cardName_->setText(card->name);
    cardMemo_->setText(card->signature);
    QImage head;
    if (!card->headPicture.isEmpty()) head.load(card->headPicture);
    if (head.isNull()) head.load(ctx_.folders.sysImages + QStringLiteral("DefaultHead.bmp"));
    if (!head.isNull()) {
        head = head.scaled(chatlayout::kHeadSize, chatlayout::kHeadSize, Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
        if (offlineLike(card->status)) head = head.convertToFormat(QImage::Format_Grayscale8);
        headLabel_->setPixmap(QPixmap::fromImage(head));
    }
    headLabel_->setProperty("grey", offlineLike(card->status));
    static const QHash<uint8_t, QString> kStatusMarks = {
        {1, QStringLiteral("忙")}, {4, QStringLiteral("忙")},   {6, QStringLiteral("忙")},
        {2, QStringLiteral("离")}, {3, QStringLiteral("离")},   {5, QStringLiteral("离")},
        {7, QStringLiteral("勿")}, {10, QStringLiteral("手机")}};
    statusLabel_->setText(kStatusMarks.value(card->status));
    if (auto text =
            conversation::headerAlertText(card->status, display_->document()->isEmpty(), c->serviceSide()))
        alertBar(fromGbk(*text));
}

void TfrmChatForm::showMessage(uint32_t senderId, const std::string& header, bool own,
                               const std::string& plain, const conversation::ChatFont& font) {
    Conversation* c = conversation();
    const conversation::Rendered r = display_->appendMessage(fromGbk(header), own, plain, font);
    if (!c) return;
    if (own) {
        if (!r.stored.empty()) ctx_.services->offerPictures(*c, r.stored);
        return;
    }
    // The pictures are the writer's: in a group, the member who wrote, not the conversation's peer.
    for (const std::string& name : r.missing)
        ctx_.services->requestPicture(*c, senderId, name);
}

void TfrmChatForm::systemLine(const std::string& line) {
    display_->appendSystemLine(line);
    // The service centre's answers arrive as system lines and change whether we may write.
    if (const Conversation* c = conversation()) input_->setReadOnly(c->readOnly);
}

void TfrmChatForm::alertBar(const QString& text) {
    alertPanel_->setText(text);
    alertPanel_->show();
    closeTimer_->start();
}

void TfrmChatForm::setTypingTexts(const QString& nameLabel, const QString& caption) {
    nameLabel_->setText(nameLabel);
    setWindowTitle(caption);
}

void TfrmChatForm::startTypingTimer() {
    typingTimer_->start();
}

void TfrmChatForm::stopTypingTimer() {
    typingTimer_->stop();
}

void TfrmChatForm::shake() {
    if (!shakeLeft_.empty()) return;
    const auto steps = conversation::shakeSteps();
    shakeLeft_.assign(steps.rbegin(), steps.rend());
    shakeTimer_->start();
}

bool TfrmChatForm::shaking() const {
    return !shakeLeft_.empty();
}

bool TfrmChatForm::shakeStep() {
    if (shakeLeft_.empty()) {
        shakeTimer_->stop();
        return false;
    }
    const auto [dx, dy] = shakeLeft_.back();
    shakeLeft_.pop_back();
    move(pos() + QPoint(dx, dy));
    if (shakeLeft_.empty()) shakeTimer_->stop();
    return true;
}

void TfrmChatForm::sendClick() {
    Conversation* c = conversation();
    if (!c) return;
    const std::string plain = input_->codedText();
    ctx_.chat->send(*c, plain, input_->inputFont(), smsBox_->isVisible() && smsBox_->isChecked());
    input_->setFocus();
}

void TfrmChatForm::inputChanged() {
    if (Conversation* c = conversation()) ctx_.chat->inputChanged(*c, size_t(input_->characters()));
}

void TfrmChatForm::applyInputFont(const conversation::ChatFont& font) {
    input_->setInputFont(font);
    syncFontBar();
    if (!ctx_.userFile.empty()) settings::saveFont(ctx_.userFile, chatlayout::fontSpecOf(font));
}

void TfrmChatForm::toggleEnterSend() {
    const bool on = !input_->enterSends();
    input_->setEnterSends(on);
    enterSendAction_->setChecked(on);
    if (!ctx_.userFile.empty()) settings::saveEnterSendMsg(ctx_.userFile, on);
}

void TfrmChatForm::setFontBarVisible(bool visible) {
    fontBar_->setVisible(visible);
}

TSelFaceForm* TfrmChatForm::openFacePicker() {
    if (facePicker_) return facePicker_;
    facePicker_ =
        new TSelFaceForm(ctx_.folders.customFace + QStringLiteral("FacePage1.bmp"), ctx_.folders.faces, this);
    facePicker_->onFace = [this](int face) { input_->insertFace(face); };
    const QPoint inputTopLeft = input_->mapToGlobal(QPoint(0, 0));
    facePicker_->move(inputTopLeft.x(), inputTopLeft.y() - facePicker_->height() - 28);
    facePicker_->show();
    return facePicker_;
}

void TfrmChatForm::choosePicture() {
    ctx_.services->openPictureName(this, [this](const QString& file) { input_->insertPictureFile(file); });
}

void TfrmChatForm::setUserInfoVisible(bool visible) {
    const Conversation* c = conversation();
    userInfoWanted_ = visible && !(c && c->kind() == protocol::kGroupConversation);
    userInfo_->setVisible(userInfoWanted_ && transferList_->count() == 0);
}

void TfrmChatForm::showTransfers(const std::vector<client::TransferItem>& items) {
    const bool had = transferList_->count() > 0;
    transferList_->setItems(items);
    if (items.empty() == !had) return;
    if (!items.empty()) {
        userInfo_->hide();
        showSidePanel(chatlayout::SidePanel::Transfers);
        const Conversation* c = conversation();
        transferList_->setFixedWidth(chatlayout::panelSize(chatlayout::SidePanel::Transfers,
                                                           c && c->kind() == protocol::kGroupConversation)
                                         .side);
        transferList_->show();
        placeSidePanels();
    } else {
        transferList_->hide();
        const Conversation* c = conversation();
        const bool group = c && c->kind() == protocol::kGroupConversation;
        showSidePanel(group ? chatlayout::SidePanel::Members : chatlayout::SidePanel::UserInfo);
        userInfo_->setVisible(userInfoWanted_);
        placeSidePanels();
    }
}

void TfrmChatForm::transferButton(const std::string& id, const std::string& command) {
    Conversation* c = conversation();
    if (!c) return;
    if (command == client::kCmdSaveAs) {
        QString suggested;
        for (const auto& item : transferList_->items())
            if (item.transmitId == id) suggested = item.name;
        auto* dialog = new QFileDialog(this, QStringLiteral("另存为"), inDialogFolder(suggested));
        dialog->setObjectName(QStringLiteral("SaveDialog"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QFileDialog::fileSelected, this, [this, id](const QString& file) {
            rememberDialogFolder(file);
            if (Conversation* c = conversation())
                ctx_.services->transferCommand(*c, id, client::kCmdSaveAs, file);
        });
        dialog->open();
        return;
    }
    // A command that cannot run says why through the transfers' message boxes.
    ctx_.services->transferCommand(*c, id, command, QString());
}

void TfrmChatForm::showSidePanel(chatlayout::SidePanel panel) {
    const Conversation* c = conversation();
    const auto size = chatlayout::panelSize(panel, c && c->kind() == protocol::kGroupConversation);
    userInfo_->setFixedWidth(panel == chatlayout::SidePanel::UserInfo ? chatlayout::kUserInfoWidth
                                                                      : size.side);
    if (!isMaximized()) resize(size.width, size.height);
}

} // namespace vantor::ui
