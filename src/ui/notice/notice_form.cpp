#include "ui/notice/notice_form.h"

#include "client/client_core.h"
#include "directory/gbk_text.h"
#include "info/rich_text_document.h"
#include "protocol/rtf.h"
#include "ui/lists/my_list_box.h"
#include "ui/notice/notice_texts.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::ui {

using directory::gbkToQString;
using directory::qstringToGbk;

namespace {
constexpr int kFilesHeight = 90;
const QString kSearchHint = QStringLiteral("全文检索");
} // namespace

TfrmNotice::TfrmNotice(client::ClientCore& core, NoticeServices& services)
    : NoticeFrame(QStringLiteral("内部通知"), gbkToQString(core.messenger().Machine.ProductName)),
      core_(core), services_(services) {
    setObjectName(QStringLiteral("TfrmNotice"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 520);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    body()->addLayout(columns, 1);

    // The left side: the search box over the notice list, or the read log.
    auto* left = new QVBoxLayout;
    auto* searchRow = new QHBoxLayout;
    searchBox_ = new QLineEdit(this);
    searchBox_->setObjectName(QStringLiteral("edt_Search"));
    searchBox_->setPlaceholderText(kSearchHint);
    searchBox_->installEventFilter(this);
    searchButton_ = new QToolButton(this);
    searchButton_->setObjectName(QStringLiteral("btn_Search"));
    searchButton_->setText(QStringLiteral("搜索"));
    searchButton_->hide();
    searchRow->addWidget(searchBox_, 1);
    searchRow->addWidget(searchButton_);
    left->addLayout(searchRow);
    leftPages_ = new QStackedWidget(this);
    list_ = new TMyListBox(leftPages_);
    readLog_ = new QTreeWidget(leftPages_);
    readLog_->setObjectName(QStringLiteral("LV_SelUser"));
    readLog_->setRootIsDecorated(false);
    readLog_->setHeaderLabels({QStringLiteral("收件人"), QStringLiteral("阅读时间")});
    readLog_->header()->resizeSection(0, 110);
    leftPages_->addWidget(list_);
    leftPages_->addWidget(readLog_);
    leftPages_->setFixedWidth(260);
    left->addWidget(leftPages_, 1);
    auto* leftButtons = new QHBoxLayout;
    new_ = new QPushButton(QStringLiteral("新建"), this);
    new_->setObjectName(QStringLiteral("btn_New"));
    newExcel_ = new QPushButton(QStringLiteral("Excel"), this);
    newExcel_->setObjectName(QStringLiteral("btn_NewExcel"));
    leftButtons->addWidget(new_);
    leftButtons->addWidget(newExcel_);
    leftButtons->addStretch();
    left->addLayout(leftButtons);
    columns->addLayout(left);
    const bool mayWrite = core_.messenger().ServerSettings.mayWriteNotices;
    new_->setVisible(mayWrite);
    newExcel_->setVisible(mayWrite);

    // The right side: the open notice.
    auto* right = new QVBoxLayout;
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("Label_Title"));
    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setWordWrap(true);
    sender_ = new QLabel(this);
    sender_->setObjectName(QStringLiteral("lb_Sender"));
    date_ = new QLabel(this);
    date_->setObjectName(QStringLiteral("lb_SendDate"));
    auto* meta = new QHBoxLayout;
    meta->addWidget(sender_);
    meta->addStretch();
    meta->addWidget(date_);
    right->addWidget(title_);
    right->addLayout(meta);
    body_ = new QTextBrowser(this);
    body_->setObjectName(QStringLiteral("Re_InputMsg"));
    body_->setOpenLinks(false);
    connect(body_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        // Only web and mail links; a link never opens a local path.
        if (info::NoticeCore::mayOpenLink(url.toString()) && services_.openLink) services_.openLink(url);
    });
    right->addWidget(body_, 1);
    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("ListView_Flies"));
    files_->setFixedHeight(0);
    files_->setViewMode(QListView::IconMode);
    files_->setIconSize(QSize(32, 32));
    files_->setGridSize(QSize(110, 64));
    files_->setWordWrap(true);
    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(files_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { openAttachmentRow(files_->row(item)); });
    connect(files_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        QAction* save = menu->addAction(QStringLiteral("文件另存为..."));
        save->setObjectName(QStringLiteral("N_SaveAs"));
        const int row = files_->currentRow();
        save->setEnabled(row >= 0);
        connect(save, &QAction::triggered, this, [this, row] { saveAttachmentRow(row); });
        menu->popup(files_->viewport()->mapToGlobal(pos));
    });
    right->addWidget(files_);
    auto* buttons = new QHBoxLayout;
    read_ = new QPushButton(QStringLiteral("确认阅读"), this);
    read_->setObjectName(QStringLiteral("btn_Read"));
    read_->hide();
    readLogButton_ = new QPushButton(QStringLiteral("阅读记录"), this);
    readLogButton_->setObjectName(QStringLiteral("btn_ReadLog"));
    listButton_ = new QPushButton(QStringLiteral("通知列表"), this);
    listButton_->setObjectName(QStringLiteral("btn_List"));
    listButton_->hide();
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btn_Close"));
    buttons->addStretch();
    for (QPushButton* b : {read_, readLogButton_, listButton_, closeButton})
        buttons->addWidget(b);
    right->addLayout(buttons);
    columns->addLayout(right, 1);

    busy_ = new QLabel(this);
    busy_->setObjectName(QStringLiteral("Panel_Wait"));
    busy_->setAlignment(Qt::AlignCenter);
    busy_->setStyleSheet(QStringLiteral("#Panel_Wait { background: #fffbe6; border: 1px solid #b7b7b7; }"));
    busy_->hide();

    connect(searchButton_, &QToolButton::clicked, this, [this] { search(searchBox_->text().trimmed()); });
    connect(searchBox_, &QLineEdit::returnPressed, this, [this] { search(searchBox_->text().trimmed()); });
    connect(read_, &QPushButton::clicked, this, [this] {
        core_.notices().confirmRead();
        read_->hide();
    });
    connect(readLogButton_, &QPushButton::clicked, this, &TfrmNotice::showReadLog);
    connect(listButton_, &QPushButton::clicked, this, &TfrmNotice::showList);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(new_, &QPushButton::clicked, this, [this] {
        auto open = onNewNotice;
        close();
        if (open) open();
    });
    connect(newExcel_, &QPushButton::clicked, this, [this] {
        auto open = onNewSpreadsheet;
        close();
        if (open) open();
    });

    list_->OnItemClick = [this](int, const wire::Guid&, int value) {
        const auto& entries = core_.notices().entries();
        if (value >= 0 && size_t(value) < entries.size()) core_.notices().openNotice(entries[size_t(value)]);
    };
    list_->OnItemDelete = [this](int row, const wire::Guid&, int) { askDelete(row); };
    core_.notices().addListener(this);
}

TfrmNotice::~TfrmNotice() {
    core_.notices().removeListener(this);
    core_.notices().setReaderOpen(false);
}

void TfrmNotice::showEvent(QShowEvent* e) {
    NoticeFrame::showEvent(e);
    if (!core_.notices().readerOpen()) {
        core_.notices().setReaderOpen(true);
        search({});
    }
}

void TfrmNotice::closeEvent(QCloseEvent* e) {
    // Closing with an unread notice open confirms it.
    if (read_->isVisible()) core_.notices().confirmRead();
    core_.notices().setReaderOpen(false);
    NoticeFrame::closeEvent(e);
}

bool TfrmNotice::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchBox_) {
        if (event->type() == QEvent::FocusIn) searchButton_->show();
        if (event->type() == QEvent::FocusOut && searchBox_->text().trimmed().isEmpty()) {
            searchBox_->clear();
            searchButton_->hide();
        }
    }
    return NoticeFrame::eventFilter(watched, event);
}

void TfrmNotice::setBusy(const QString& text) {
    if (text.isEmpty()) {
        busy_->hide();
        return;
    }
    busy_->setText(text);
    busy_->resize(220, 40);
    busy_->move((width() - busy_->width()) / 2, (height() - busy_->height()) / 2);
    busy_->raise();
    busy_->show();
}

void TfrmNotice::search(const QString& keyword) {
    if (core_.notices().searchNotices(qstringToGbk(keyword))) setBusy(QStringLiteral("请稍候..."));
}

void TfrmNotice::listChanged() {
    setBusy({});
    const auto& entries = core_.notices().entries();
    list_->Clear();
    for (size_t i = 0; i < entries.size(); ++i) {
        const protocol::NoticeListItem& e = entries[i];
        list_->AddNotice(e.senderName, qstringToGbk(notice_text::day(e.sendTime)), int(i), e.isRead != 0,
                         core_.notices().mayDelete(e), e.noticeGuid, e.title);
    }
    if (entries.empty()) clearContent();
    selectCurrent();
}

void TfrmNotice::noticeOpened(const protocol::NoticeListItem&) {
    selectCurrent();
}

void TfrmNotice::selectCurrent() {
    const protocol::NoticeListItem* current = core_.notices().current();
    const auto& entries = core_.notices().entries();
    int row = -1;
    if (current) {
        // Rows are newest first: the entry at index i is row (count − 1 − i).
        const auto index = current - entries.data();
        row = int(entries.size()) - 1 - int(index);
    }
    list_->select(row);
    read_->setVisible(current && !current->isRead);
}

void TfrmNotice::clearContent() {
    sender_->clear();
    date_->clear();
    title_->clear();
    body_->clear();
    files_->clear();
    shownFiles_.clear();
    files_->setFixedHeight(0);
    read_->hide();
}

void TfrmNotice::contentChanged() {
    const auto& content = core_.notices().content();
    if (!content) return;
    const protocol::NoticeHead& h = content->head;
    sender_->setText(QStringLiteral("发信人：") + gbkToQString(h.senderPrefix) + QLatin1Char(' ') +
                     gbkToQString(h.senderName));
    date_->setText(QStringLiteral("日期：") + notice_text::dateAndTime(h.sendTime));
    title_->setText(gbkToQString(h.title));
    info::fillDocument(*body_->document(), protocol::readRtf(content->text));
    shownFiles_ = core_.notices().listedAttachments();
    files_->clear();
    for (const auto& a : shownFiles_) {
        const QString name = gbkToQString(a.fileName);
        auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileIcon), name, files_);
        item->setToolTip(name);
    }
    files_->setFixedHeight(shownFiles_.empty() ? 0 : kFilesHeight);
}

void TfrmNotice::openAttachmentRow(int row, const QString& saveAs) {
    if (row < 0 || size_t(row) >= shownFiles_.size()) return;
    if (core_.notices().openAttachment(shownFiles_[size_t(row)], saveAs) ==
        info::NoticeCore::AttachmentStart::Requested)
        setBusy(QStringLiteral("正在下载文件，请稍候..."));
}

void TfrmNotice::saveAttachmentRow(int row) {
    if (row < 0 || size_t(row) >= shownFiles_.size() || !services_.chooseSaveTarget) return;
    const QString name = gbkToQString(shownFiles_[size_t(row)].fileName);
    const wire::Guid guid = shownFiles_[size_t(row)].attachmentGuid;
    QPointer<TfrmNotice> self(this);
    services_.chooseSaveTarget(this, name, QFileInfo(name).suffix(), [self, guid](const QString& target) {
        if (!self) return;
        // The rows may have changed while the dialog was open: find the attachment again.
        for (size_t i = 0; i < self->shownFiles_.size(); ++i)
            if (self->shownFiles_[i].attachmentGuid == guid) self->openAttachmentRow(int(i), target);
    });
}

void TfrmNotice::attachmentReady(const protocol::AttachmentEntry&, const QString& path, bool open) {
    setBusy({});
    if (open && services_.openFile) services_.openFile(path);
}

void TfrmNotice::attachmentFailed(const protocol::AttachmentEntry& entry) {
    setBusy({});
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("提示"),
                                QStringLiteral("文件“%1”下载失败！").arg(gbkToQString(entry.fileName)),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void TfrmNotice::askDelete(int row) {
    if (row < 0 || size_t(row) >= list_->notices().items().size()) return;
    const int value = list_->notices().items()[size_t(row)].value;
    const auto& entries = core_.notices().entries();
    if (value < 0 || size_t(value) >= entries.size()) return;
    const protocol::NoticeListItem item = entries[size_t(value)];
    if (!core_.notices().mayDelete(item)) return;
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("提示"),
                                QStringLiteral("是否删除当前选中的这条通知？"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("DeleteQuestion"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPointer<TfrmNotice> self(this);
    connect(box, &QMessageBox::finished, this, [self, box, item](int) {
        if (!self || box->clickedButton() != box->button(QMessageBox::Yes)) return;
        if (!self->core_.notices().deleteNotice(item)) return;
        // The server takes the delete first; the list is asked for again a moment later.
        QTimer::singleShot(500, self, [self] {
            if (self) self->search({});
        });
    });
    box->open();
}

void TfrmNotice::showReadLog() {
    readLog_->clear();
    leftPages_->setCurrentWidget(readLog_);
    readLogButton_->hide();
    listButton_->show();
    core_.notices().requestReadLog();
}

void TfrmNotice::showList() {
    leftPages_->setCurrentWidget(list_);
    listButton_->hide();
    readLogButton_->show();
}

void TfrmNotice::readLogChanged() {
    readLog_->clear();
    for (const protocol::ReadLogItem& it : core_.notices().readLog()) {
        auto* row = new QTreeWidgetItem(readLog_);
        row->setText(0, gbkToQString(it.name));
        if (it.hasRead == 1) row->setText(1, notice_text::dayAndMinute(it.readTime));
    }
}

} // namespace vantor::ui
