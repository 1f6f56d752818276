// The conversation window's toolbars, font bar and input menu.
#include "protocol/text.h"
#include "protocol/wire.h"
#include "ui/chat/chat_form.h"
#include "ui/kit/fonts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace vantor::ui {

namespace {

const char* toolName(ChatTool tool) {
    switch (tool) {
    case ChatTool::AddUser:
        return "ImgBtn_AddUser";
    case ChatTool::SendFile:
        return "ImgBtn_SendFile";
    case ChatTool::RemoteDesktop:
        return "ImgBtn_RemoteDesktop";
    case ChatTool::Audio:
        return "ImgBtn_Audio";
    case ChatTool::Video:
        return "ImgBtn_Video";
    case ChatTool::Dirhaven:
        return "ImgBtn_Dirhaven";
    case ChatTool::GroupSetup:
        return "ImgBtn_GroupSetup";
    case ChatTool::ExitGroup:
        return "ImgBtn_ExitGroup";
    case ChatTool::Reservation:
        return "ImgBtn_Reservation";
    case ChatTool::CopyScreen:
        return "Image_CopyScreen";
    case ChatTool::RefreshCard:
        return "Image_Card";
    }
    return "";
}

// A short label drawn on the button (the skins may replace it with a picture).
QString toolLabel(ChatTool tool) {
    switch (tool) {
    case ChatTool::AddUser:
        return QStringLiteral("邀请");
    case ChatTool::SendFile:
        return QStringLiteral("文件");
    case ChatTool::RemoteDesktop:
        return QStringLiteral("远程");
    case ChatTool::Audio:
        return QStringLiteral("语音");
    case ChatTool::Video:
        return QStringLiteral("视频");
    case ChatTool::Dirhaven:
        return QStringLiteral("共享");
    case ChatTool::GroupSetup:
        return QStringLiteral("设置");
    case ChatTool::ExitGroup:
        return QStringLiteral("退出");
    case ChatTool::Reservation:
        return QStringLiteral("预约");
    default:
        return {};
    }
}

QToolButton* smallButton(QWidget* parent, const char* name, const QString& label, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(label);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

void TfrmChatForm::buildToolbar() {
    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("Panel_Toolbar"));
    toolbar_->setFixedHeight(34);
    fillToolbar();
}

void TfrmChatForm::fillToolbar() {
    const conversation::Conversation* c = conversation();
    const uint8_t kind = c ? c->kind() : uint8_t(protocol::kOneToOne);
    const bool creator = c && ctx_.services->isGroupCreator(*c);
    if (toolbarKind_ == int(kind) && toolbarCreator_ == creator) return;
    toolbarKind_ = kind;
    toolbarCreator_ = creator;
    // A one-to-one window that turned into a group window, or a group whose creator changed: the
    // old buttons go at once (out of the toolbar now, freed from the event loop, since one of them
    // may be what is running).
    for (QToolButton* old : toolbar_->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    for (const auto& button : chatlayout::toolbarFor(kind, creator, ctx_.services->mayCreateGroups())) {
        auto* b = smallButton(toolbar_, toolName(button.tool), toolLabel(button.tool), button.hint);
        b->setGeometry(button.x, 2, 46, 30);
        b->show();
        const ChatTool tool = button.tool;
        connect(b, &QToolButton::clicked, this, [this, tool] { onTool(tool); });
    }
    if (remindButton_) remindButton_->setEnabled(kind != protocol::kGroupConversation);
    refreshService();
}

void TfrmChatForm::refreshService() {
    const conversation::Conversation* c = conversation();
    if (!c || c->kind() != protocol::kServiceConversation) return;
    if (input_) input_->setReadOnly(c->readOnly);
    if (auto* b =
            toolbar_ ? toolbar_->findChild<QToolButton*>(QStringLiteral("ImgBtn_Reservation")) : nullptr)
        b->setVisible(ctx_.services->offersReservation(*c));
}

QWidget* TfrmChatForm::buildInputTools() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel_InputTools"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    auto* fontButton = smallButton(bar, "Image_SetFont", QStringLiteral("字体"), QStringLiteral("设置字体"));
    connect(fontButton, &QToolButton::clicked, this, [this] { setFontBarVisible(!fontBar_->isVisible()); });
    auto* faceButton = smallButton(bar, "Image_Face", QString(), QStringLiteral("选择表情"));
    faceButton->setIcon(QIcon(ctx_.folders.faces + QStringLiteral("0.gif")));
    connect(faceButton, &QToolButton::clicked, this, [this] { openFacePicker(); });
    auto* picture = smallButton(bar, "Image_SendPic", QStringLiteral("图片"), QStringLiteral("发送图片"));
    connect(picture, &QToolButton::clicked, this, &TfrmChatForm::choosePicture);
    auto* capture = smallButton(bar, "Image_CopyScreen", QStringLiteral("截屏"), QStringLiteral("截取屏幕"));
    connect(capture, &QToolButton::clicked, this, [this] { onTool(ChatTool::CopyScreen); });
    remindButton_ = smallButton(bar, "Image_Remind", QStringLiteral("抖动"), QStringLiteral("发送提醒"));
    connect(remindButton_, &QToolButton::clicked, this, [this] {
        if (conversation::Conversation* c = conversation()) ctx_.chat->shake(*c);
    });
    const conversation::Conversation* c = conversation();
    remindButton_->setEnabled(!c || c->kind() != protocol::kGroupConversation);
    auto* history = smallButton(bar, "Image_ShowHistory", QStringLiteral("记录"), QStringLiteral("历史记录"));
    connect(history, &QToolButton::clicked, this, [this] { emit historyRequested(id_); });
    for (QToolButton* b : {fontButton, faceButton, picture, capture, remindButton_})
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(history);
    return bar;
}

QWidget* TfrmChatForm::buildFontBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel_Font"));
    bar->setFixedHeight(chatlayout::kFontBarHeight);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    fontBox_ = new QComboBox(bar);
    fontBox_->setObjectName(QStringLiteral("Combox_Font"));
    fontBox_->addItem(QStringLiteral("宋体"));
    fontBox_->addItem(QStringLiteral("微软雅黑"));
    fontBox_->addItems(QFontDatabase::families());
    fontSizeBox_ = new QComboBox(bar);
    fontSizeBox_->setObjectName(QStringLiteral("Combox_FontSize"));
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22})
        fontSizeBox_->addItem(QString::number(size));
    boldButton_ = smallButton(bar, "FontSytleB", QStringLiteral("B"), QStringLiteral("粗体"));
    italicButton_ = smallButton(bar, "FontSytleI", QStringLiteral("I"), QStringLiteral("斜体"));
    underlineButton_ = smallButton(bar, "FontSytleU", QStringLiteral("U"), QStringLiteral("下划线"));
    for (QToolButton* b : {boldButton_, italicButton_, underlineButton_})
        b->setCheckable(true);
    auto* colour = smallButton(bar, "FontSytleColor", QStringLiteral("颜色"), QStringLiteral("颜色"));
    row->addWidget(fontBox_, 1);
    row->addWidget(fontSizeBox_);
    for (QToolButton* b : {boldButton_, italicButton_, underlineButton_, colour})
        row->addWidget(b);

    auto changed = [this] {
        if (syncingFont_) return;
        conversation::ChatFont f = input_->inputFont();
        const std::string face = protocol::toGbk(fontBox_->currentText().toStdString());
        f.name = face.substr(0, wire::gbkCutLength(face, 20));
        f.size = fontSizeBox_->currentText().toUInt();
        f.bold = boldButton_->isChecked();
        f.italic = italicButton_->isChecked();
        f.underline = underlineButton_->isChecked();
        applyInputFont(f);
    };
    connect(fontBox_, &QComboBox::currentTextChanged, this, changed);
    connect(fontSizeBox_, &QComboBox::currentTextChanged, this, changed);
    for (QToolButton* b : {boldButton_, italicButton_, underlineButton_})
        connect(b, &QToolButton::toggled, this, changed);
    connect(colour, &QToolButton::clicked, this, [this] {
        ctx_.services->chooseColour(this, chatlayout::colourOf(input_->inputFont().color),
                                    [this](const QColor& chosen) {
                                        conversation::ChatFont f = input_->inputFont();
                                        f.color = chatlayout::windowsRgbOf(chosen);
                                        applyInputFont(f);
                                    });
    });
    return bar;
}

void TfrmChatForm::syncFontBar() {
    syncingFont_ = true;
    const conversation::ChatFont& f = input_->inputFont();
    const QString face = QString::fromStdString(protocol::fromGbk(f.name));
    if (fontBox_->findText(face) < 0) fontBox_->addItem(face);
    fontBox_->setCurrentText(face);
    const QString size = QString::number(f.size);
    if (fontSizeBox_->findText(size) < 0) fontSizeBox_->addItem(size);
    fontSizeBox_->setCurrentText(size);
    boldButton_->setChecked(f.bold);
    italicButton_->setChecked(f.italic);
    underlineButton_->setChecked(f.underline);
    syncingFont_ = false;
}

void TfrmChatForm::buildInputMenu() {
    inputMenu_ = new QMenu(this);
    inputMenu_->setObjectName(QStringLiteral("InputMenu"));
    inputMenu_->addAction(QStringLiteral("剪切"), this, [this] { input_->cut(); });
    inputMenu_->addAction(QStringLiteral("复制"), this, [this] { input_->copy(); });
    inputMenu_->addAction(QStringLiteral("粘贴"), this, [this] { input_->paste(); });
    inputMenu_->addAction(QStringLiteral("字体"), this,
                          [this] { setFontBarVisible(!fontBar_->isVisible()); });
    inputMenu_->addSeparator();
    inputMenu_->addAction(QStringLiteral("发送信息"), this, &TfrmChatForm::sendClick);
    enterSendAction_ = inputMenu_->addAction(QStringLiteral("按回车键发送信息"));
    enterSendAction_->setObjectName(QStringLiteral("N11"));
    enterSendAction_->setCheckable(true);
    connect(enterSendAction_, &QAction::triggered, this, [this] { toggleEnterSend(); });
}

void TfrmChatForm::onTool(ChatTool tool) {
    if (conversation::Conversation* c = conversation()) ctx_.services->tool(*c, tool);
}

} // namespace vantor::ui
