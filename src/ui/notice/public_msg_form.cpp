#include "ui/notice/public_msg_form.h"

#include "client/client_core.h"
#include "directory/gbk_text.h"
#include "info/rich_text_document.h"
#include "protocol/datetime.h"
#include "protocol/rtf.h"
#include "ui/groups/sel_user_form.h"
#include "ui/kit/dialogs.h"
#include "ui/notice/notice_texts.h"

#include <QCheckBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace vantor::ui {

using directory::gbkToQString;
using directory::qstringToGbk;

namespace {
constexpr int kFilesHeight = 90;
const QString kAllRecipients = QStringLiteral("当前显示所有收件人");
} // namespace

TfrmPublicMsg::TfrmPublicMsg(client::ClientCore& core, NoticeServices& services)
    : NoticeFrame(QStringLiteral("广播通知"), gbkToQString(core.messenger().Machine.ProductName)),
      core_(core), services_(services) {
    setObjectName(QStringLiteral("TfrmPublicMsg"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(780, 540);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    body()->addLayout(columns, 1);

    // The notice: title, font bar, body, attachments, SMS option.
    auto* left = new QVBoxLayout;
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("Edit_Title"));
    title_->setPlaceholderText(QStringLiteral("标题："));
    left->addWidget(title_);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    auto fontButton = [&](const char* name, const QString& text, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        bar->addWidget(b);
        fontBar_.push_back(b);
        return b;
    };
    auto* font = fontButton("btn_font", QStringLiteral("字体"), QStringLiteral("设置选中内容的字体样式"));
    auto* bold = fontButton("btn_Bold", QStringLiteral("B"), QStringLiteral("粗体"));
    auto* italic = fontButton("btn_Italic", QStringLiteral("I"), QStringLiteral("斜体"));
    auto* underline = fontButton("btn_Underline", QStringLiteral("U"), QStringLiteral("下划线"));
    auto* colour = fontButton("btn_Color", QStringLiteral("颜色"), QStringLiteral("文字颜色"));
    bar->addStretch();
    left->addLayout(bar);
    editor_ = new QTextEdit(this);
    editor_->setObjectName(QStringLiteral("Re_InputMsg"));
    editor_->setAcceptRichText(true);
    editor_->setPlaceholderText(QStringLiteral("内容："));
    editor_->setContextMenuPolicy(Qt::CustomContextMenu);
    left->addWidget(editor_, 1);
    fileList_ = new QListWidget(this);
    fileList_->setObjectName(QStringLiteral("ListView_Flies"));
    fileList_->setFixedHeight(0);
    fileList_->setViewMode(QListView::IconMode);
    fileList_->setGridSize(QSize(110, 64));
    fileList_->setWordWrap(true);
    fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    left->addWidget(fileList_);
    auto* smsRow = new QHBoxLayout;
    sms_ = new QCheckBox(QStringLiteral("手机短信通知未读用户"), this);
    sms_->setObjectName(QStringLiteral("CB_UserPhoneMsg"));
    minutes_ = new QLineEdit(QStringLiteral("30"), this);
    minutes_->setObjectName(QStringLiteral("ED_Time"));
    minutes_->setFixedWidth(40);
    minutes_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), minutes_));
    minutesLabel_ = new QLabel(QStringLiteral("分钟后"), this);
    minutes_->hide();
    minutesLabel_->hide();
    smsRow->addWidget(sms_);
    smsRow->addWidget(minutes_);
    smsRow->addWidget(minutesLabel_);
    smsRow->addStretch();
    left->addLayout(smsRow);
    columns->addLayout(left, 1);

    // The recipients, with their read times.
    auto* right = new QVBoxLayout;
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("收件人："), this));
    recipientCount_ = new QLabel(QStringLiteral("0"), this);
    recipientCount_->setObjectName(QStringLiteral("lb_SelUserCount"));
    countRow->addWidget(recipientCount_);
    countRow->addStretch();
    right->addLayout(countRow);
    recipientView_ = new QTreeWidget(this);
    recipientView_->setObjectName(QStringLiteral("LV_SelUser"));
    recipientView_->setRootIsDecorated(false);
    recipientView_->setHeaderLabels({QStringLiteral("收件人"), QStringLiteral("阅读时间")});
    recipientView_->header()->resizeSection(0, 100);
    recipientView_->setFixedWidth(240);
    right->addWidget(recipientView_, 1);
    status_ = new QLabel(kAllRecipients, this);
    status_->setObjectName(QStringLiteral("Label1"));
    status_->setWordWrap(true);
    right->addWidget(status_);
    columns->addLayout(right);

    auto* buttons = new QHBoxLayout;
    selUser_ = new QPushButton(QStringLiteral("选择收件人"), this);
    selUser_->setObjectName(QStringLiteral("btn_SelUser"));
    attach_ = new QPushButton(QStringLiteral("添加附件"), this);
    attach_->setObjectName(QStringLiteral("btn_Attach"));
    send_ = new QPushButton(QStringLiteral("发送"), this);
    send_->setObjectName(QStringLiteral("btn_Send"));
    newNotice_ = new QPushButton(QStringLiteral("新建通知"), this);
    newNotice_->setObjectName(QStringLiteral("btn_NewNotice"));
    newNotice_->hide();
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btn_Close"));
    buttons->addWidget(selUser_);
    buttons->addWidget(attach_);
    buttons->addStretch();
    for (QPushButton* b : {send_, newNotice_, closeButton})
        buttons->addWidget(b);
    body()->addLayout(buttons);

    connect(selUser_, &QPushButton::clicked, this, &TfrmPublicMsg::pickRecipients);
    connect(attach_, &QPushButton::clicked, this, [this] {
        if (!services_.chooseAttachments) return;
        QPointer<TfrmPublicMsg> self(this);
        services_.chooseAttachments(this, [self](const QStringList& files) {
            if (self) self->addAttachments(files);
        });
    });
    connect(send_, &QPushButton::clicked, this, &TfrmPublicMsg::send);
    connect(newNotice_, &QPushButton::clicked, this, &TfrmPublicMsg::newNotice);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(sms_, &QCheckBox::toggled, this, [this](bool on) {
        minutes_->setVisible(on);
        minutesLabel_->setVisible(on);
    });
    connect(font, &QToolButton::clicked, this, &TfrmPublicMsg::chooseFont);
    connect(bold, &QToolButton::clicked, this, [this] { toggleFormat(0); });
    connect(italic, &QToolButton::clicked, this, [this] { toggleFormat(1); });
    connect(underline, &QToolButton::clicked, this, [this] { toggleFormat(2); });
    connect(colour, &QToolButton::clicked, this, [this] {
        QPointer<TfrmPublicMsg> self(this);
        chooseColour(this, editor_->textColor(), [self](const QColor& c) {
            if (!self) return;
            QTextCharFormat f;
            f.setForeground(c);
            self->editor_->mergeCurrentCharFormat(f);
        });
    });
    connect(editor_, &QTextEdit::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* paste = menu->addAction(QStringLiteral("粘贴"));
        paste->setEnabled(!editor_->isReadOnly() && editor_->canPaste());
        connect(paste, &QAction::triggered, editor_, &QTextEdit::paste);
        menu->popup(editor_->viewport()->mapToGlobal(pos));
    });
    connect(fileList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = fileList_->row(item);
        if (row >= 0 && row < files_.size() && services_.openFile) services_.openFile(files_[row]);
    });
    connect(fileList_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const int row = fileList_->currentRow();
        QAction* remove = menu->addAction(QStringLiteral("移除文件"));
        remove->setEnabled(row >= 0 && !sent_);
        connect(remove, &QAction::triggered, this, [this, row] { removeAttachment(row); });
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("大图标")), &QAction::triggered, this,
                [this] { fileList_->setViewMode(QListView::IconMode); });
        connect(menu->addAction(QStringLiteral("详细列表")), &QAction::triggered, this,
                [this] { fileList_->setViewMode(QListView::ListMode); });
        menu->popup(fileList_->viewport()->mapToGlobal(pos));
    });
    core_.notices().addListener(this);
}

TfrmPublicMsg::~TfrmPublicMsg() {
    core_.notices().removeListener(this);
}

void TfrmPublicMsg::pickRecipients() {
    QPointer<TfrmPublicMsg> self(this);
    pickUsers(this, core_, QStringLiteral("选择收件人"), recipients_,
              [self](const std::vector<uint32_t>& ids) {
                  if (self) self->setRecipients(ids);
              });
}

void TfrmPublicMsg::setRecipients(const std::vector<uint32_t>& ids) {
    recipients_.clear();
    recipientView_->clear();
    const directory::Directory& dir = core_.directory().directory();
    for (uint32_t id : ids) {
        if (std::find(recipients_.begin(), recipients_.end(), id) != recipients_.end()) continue;
        const directory::User* u = dir.findUser(id);
        if (!u) continue;
        recipients_.push_back(id);
        auto* row = new QTreeWidgetItem(recipientView_);
        row->setText(0, gbkToQString(u->record.name));
        row->setData(0, Qt::UserRole, id);
    }
    recipientCount_->setText(QString::number(recipients_.size()));
    if (!sent_) status_->setText(kAllRecipients);
}

void TfrmPublicMsg::addAttachments(const QStringList& paths) {
    if (sent_) return;
    QFileIconProvider icons;
    for (const QString& p : paths) {
        const QFileInfo info(p);
        const QString clean = info.absoluteFilePath();
        if (files_.contains(clean) || !info.isFile()) continue;
        files_.push_back(clean);
        auto* item = new QListWidgetItem(icons.icon(info), info.fileName(), fileList_);
        item->setToolTip(clean);
    }
    updateEditorHeight();
}

void TfrmPublicMsg::removeAttachment(int row) {
    if (row < 0 || row >= files_.size() || sent_) return;
    files_.removeAt(row);
    delete fileList_->takeItem(row);
    updateEditorHeight();
}

void TfrmPublicMsg::updateEditorHeight() {
    // The list takes 90 pixels from the editor while it holds a file.
    fileList_->setFixedHeight(files_.isEmpty() ? 0 : kFilesHeight);
}

void TfrmPublicMsg::chooseFont() {
    auto* d = new QFontDialog(editor_->currentFont(), this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowModality(Qt::WindowModal);
    QPointer<TfrmPublicMsg> self(this);
    connect(d, &QFontDialog::fontSelected, this, [self](const QFont& f) {
        if (!self) return;
        // The selection, or the typing attributes when nothing is selected.
        QTextCharFormat fmt;
        fmt.setFont(f);
        self->editor_->mergeCurrentCharFormat(fmt);
    });
    d->open();
}

void TfrmPublicMsg::toggleFormat(int which) {
    const QTextCharFormat now = editor_->currentCharFormat();
    QTextCharFormat f;
    if (which == 0) f.setFontWeight(now.fontWeight() >= QFont::Bold ? QFont::Normal : QFont::Bold);
    if (which == 1) f.setFontItalic(!now.fontItalic());
    if (which == 2) f.setFontUnderline(!now.fontUnderline());
    editor_->mergeCurrentCharFormat(f);
}

void TfrmPublicMsg::send() {
    if (sent_ || core_.notices().posting()) return;
    info::NoticeDraft d;
    d.title = qstringToGbk(title_->text());
    d.rtf = protocol::writeRtf(info::fromDocument(*editor_->document()));
    d.bodyCharacters = size_t(editor_->toPlainText().size());
    d.recipients = recipients_;
    for (const QString& f : files_)
        d.attachments.push_back(f);
    d.smsUnread = sms_->isChecked();
    d.smsMinutes = minutes_->text().toStdString();
    d.screenEndDate = std::floor(protocol::nowDayCount()) + 7;
    switch (core_.notices().postNotice(d)) {
    case info::NoticeCore::PostResult::NoBody:
        status_->setText(QStringLiteral("请输入通知内容"));
        return;
    case info::NoticeCore::PostResult::NoRecipients:
        status_->setText(QStringLiteral("请选择收件人"));
        return;
    case info::NoticeCore::PostResult::BadMinutes:
        status_->setText(QStringLiteral("提醒的分钟数应在0到255之间"));
        return;
    case info::NoticeCore::PostResult::NotSent:
        status_->setText(QStringLiteral("通知未能发送：与服务器的连接已断开"));
        return;
    case info::NoticeCore::PostResult::Posting:
        break;
    }
    // Nothing changes until the whole post has left on a live connection.
    status_->setText(QStringLiteral("正在发送通知，请稍候..."));
    for (QPushButton* b : {selUser_, attach_, send_})
        b->setEnabled(false);
}

void TfrmPublicMsg::postFinished(const protocol::Guid& noticeGuid, bool ok) {
    for (QPushButton* b : {selUser_, attach_, send_})
        b->setEnabled(true);
    if (!ok) {
        status_->setText(QStringLiteral("通知发送失败：与服务器的连接已断开，请重新发送"));
        return;
    }
    current_ = noticeGuid;
    // Receipts may come for the recipients from now on; the sender reads his own copy too.
    for (int i = 0; i < recipientView_->topLevelItemCount(); ++i)
        recipientView_->topLevelItem(i)->setText(1, {});
    setWriting(false);
    status_->setText(QStringLiteral("通知已发送！"));
}

void TfrmPublicMsg::setWriting(bool writing) {
    sent_ = !writing;
    editor_->setReadOnly(!writing);
    title_->setReadOnly(!writing);
    for (QToolButton* b : fontBar_)
        b->setEnabled(writing);
    selUser_->setVisible(writing);
    attach_->setVisible(writing);
    send_->setVisible(writing);
    newNotice_->setVisible(!writing);
}

void TfrmPublicMsg::newNotice() {
    editor_->clear();
    title_->clear();
    current_ = {};
    setRecipients({});
    files_.clear();
    fileList_->clear();
    updateEditorHeight();
    setWriting(true);
    status_->setText(kAllRecipients);
}

void TfrmPublicMsg::receiptArrived(const protocol::NoticeReceipt& r) {
    if (current_.isNull() || !(r.noticeGuid == current_)) return;
    for (int i = 0; i < recipientView_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = recipientView_->topLevelItem(i);
        if (row->data(0, Qt::UserRole).toUInt() == r.readerId)
            row->setText(1, notice_text::dayAndMinute(r.readTime));
    }
}

} // namespace vantor::ui
