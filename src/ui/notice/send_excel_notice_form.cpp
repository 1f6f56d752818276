#include "ui/notice/send_excel_notice_form.h"

#include "client/client_core.h"
#include "directory/gbk_text.h"
#include "info/spreadsheet.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::ui {

using directory::gbkToQString;
using directory::qstringToGbk;

TfrmSendExcelNotice::TfrmSendExcelNotice(client::ClientCore& core, NoticeServices& services)
    : NoticeFrame(QStringLiteral("导入发送通知"), gbkToQString(core.messenger().Machine.ProductName)),
      core_(core), services_(services) {
    setObjectName(QStringLiteral("TfrmSendExcelNotice"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 460);

    auto* top = new QHBoxLayout;
    auto* import = new QPushButton(QStringLiteral("导入EXCEL"), this);
    import->setObjectName(QStringLiteral("btn_ImportXLS"));
    userCount_ = new QLabel(QStringLiteral("接收用户 [0]"), this);
    userCount_->setObjectName(QStringLiteral("Label_User"));
    auto* templ = new QLabel(QStringLiteral("<a href=\"template\">点此下载EXCEL模版</a>"), this);
    templ->setObjectName(QStringLiteral("Label_Template"));
    top->addWidget(import);
    top->addWidget(userCount_);
    top->addStretch();
    top->addWidget(templ);
    body()->addLayout(top);
    rowView_ = new QTreeWidget(this);
    rowView_->setObjectName(QStringLiteral("ListView_User"));
    rowView_->setRootIsDecorated(false);
    rowView_->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("姓名"), QStringLiteral("内容")});
    rowView_->header()->resizeSection(0, 50);
    rowView_->header()->resizeSection(1, 100);
    body()->addWidget(rowView_, 1);
    fileList_ = new QListWidget(this);
    fileList_->setObjectName(QStringLiteral("ListView_Flies"));
    fileList_->setViewMode(QListView::IconMode);
    fileList_->setGridSize(QSize(110, 64));
    fileList_->setFixedHeight(0);
    body()->addWidget(fileList_);
    auto* buttons = new QHBoxLayout;
    auto* attach = new QPushButton(QStringLiteral("添加附件"), this);
    attach->setObjectName(QStringLiteral("btn_AppendAttch"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Label1"));
    send_ = new QPushButton(QStringLiteral("发送消息"), this);
    send_->setObjectName(QStringLiteral("btn_SendNotice"));
    send_->setEnabled(false);
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("btn_Close"));
    buttons->addWidget(attach);
    buttons->addWidget(status_, 1);
    buttons->addWidget(send_);
    buttons->addWidget(closeButton);
    body()->addLayout(buttons);

    connect(import, &QPushButton::clicked, this, [this] {
        if (!services_.chooseSpreadsheet) return;
        QPointer<TfrmSendExcelNotice> self(this);
        services_.chooseSpreadsheet(this, [self](const QString& path) {
            if (self) self->importSpreadsheet(path);
        });
    });
    connect(attach, &QPushButton::clicked, this, [this] {
        if (!services_.chooseAttachments) return;
        QPointer<TfrmSendExcelNotice> self(this);
        services_.chooseAttachments(this, [self](const QStringList& files) {
            if (self) self->addAttachments(files);
        });
    });
    connect(send_, &QPushButton::clicked, this, &TfrmSendExcelNotice::send);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(templ, &QLabel::linkActivated, this, [this] {
        const QString file = QString::fromStdString(core_.messenger().environment().layout.programFolder()) +
                             QStringLiteral("UserList.xls");
        if (QFileInfo(file).isFile() && services_.openFile) services_.openFile(file);
    });
    core_.notices().addListener(this);
}

TfrmSendExcelNotice::~TfrmSendExcelNotice() {
    core_.notices().removeListener(this);
}

bool TfrmSendExcelNotice::importSpreadsheet(const QString& path) {
    rows_.clear();
    rowView_->clear();
    sheet_.clear();
    QString error;
    const auto rows = info::ReadSpreadsheet(path, &error);
    if (!rows) {
        showBox(error, false);
    } else {
        sheet_ = path;
        for (const auto& r : *rows) {
            rows_.push_back({qstringToGbk(r.account), qstringToGbk(r.name), qstringToGbk(r.text)});
            auto* item = new QTreeWidgetItem(rowView_);
            item->setText(0, QString::number(rows_.size()));
            item->setText(1, r.name);
            item->setText(2, r.text);
        }
    }
    userCount_->setText(QStringLiteral("接收用户 [%1]").arg(rows_.size()));
    send_->setEnabled(!rows_.empty());
    return rows.has_value();
}

void TfrmSendExcelNotice::addAttachments(const QStringList& paths) {
    QFileIconProvider icons;
    for (const QString& p : paths) {
        const QFileInfo info(p);
        if (!info.isFile() || files_.contains(info.absoluteFilePath())) continue;
        files_.push_back(info.absoluteFilePath());
        new QListWidgetItem(icons.icon(info), info.fileName(), fileList_);
    }
    fileList_->setFixedHeight(files_.isEmpty() ? 0 : 90);
}

void TfrmSendExcelNotice::send() {
    if (rows_.empty() || sheet_.isEmpty()) return;
    std::vector<QString> files(files_.begin(), files_.end());
    const auto result = core_.notices().sendSpreadsheetNotice(sheet_, rows_, files);
    if (result != info::NoticeCore::PostResult::Posting) {
        showBox(QStringLiteral("通知未能发送：与服务器的连接已断开"), false);
        return;
    }
    sending_ = core_.notices().lastPostGuid();
    send_->setEnabled(false);
    status_->setText(QStringLiteral("正在发送通知，请稍候..."));
}

void TfrmSendExcelNotice::postFinished(const protocol::Guid& noticeGuid, bool ok) {
    if (sending_.isNull() || !(noticeGuid == sending_)) return;
    sending_ = {};
    status_->clear();
    if (!ok) {
        send_->setEnabled(true);
        showBox(QStringLiteral("通知发送失败：与服务器的连接已断开，请重新发送"), false);
        return;
    }
    // Said only once every byte has gone out on a live connection.
    showBox(QStringLiteral("通知消息发送成功，共发送数据%1条。").arg(rows_.size()), true);
}

void TfrmSendExcelNotice::showBox(const QString& text, bool closeAfter) {
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("NoticeBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    if (closeAfter) {
        QPointer<TfrmSendExcelNotice> self(this);
        connect(box, &QMessageBox::finished, this, [self] {
            if (self) self->close();
        });
    }
    box->open();
}

} // namespace vantor::ui
