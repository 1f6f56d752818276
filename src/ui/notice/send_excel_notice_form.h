// TfrmSendExcelNotice: the spreadsheet sender ("导入发送通知"). A workbook's rows (account, name,
// text; from row 2 to the first empty account) become one notice each, sent as one batch with the
// workbook and the chosen attachments. Thin over ReadSpreadsheet and NoticeCore.
#pragma once

#include "info/notice_core.h"
#include "ui/notice/notice_frame.h"
#include "ui/notice/notice_services.h"

#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TfrmSendExcelNotice : public NoticeFrame, private info::INoticeListener {
    Q_OBJECT
  public:
    TfrmSendExcelNotice(client::ClientCore& core, NoticeServices& services);
    ~TfrmSendExcelNotice() override;

    // ReadSpreadsheet with ReadRows: the rows are listed, or the reason shown in a box.
    bool importSpreadsheet(const QString& path);
    void addAttachments(const QStringList& paths);
    // btn_SendNotice.
    void send();

    const std::vector<info::SpreadsheetNoticeRow>& rows() const { return rows_; }
    QTreeWidget* rowView() const { return rowView_; }
    QLabel* status() const { return status_; }

  private:
    void postFinished(const protocol::Guid& noticeGuid, bool ok) override;
    void showBox(const QString& text, bool closeAfter);

    client::ClientCore& core_;
    NoticeServices& services_;
    QString sheet_;
    std::vector<info::SpreadsheetNoticeRow> rows_;
    QStringList files_;
    protocol::Guid sending_;
    QTreeWidget* rowView_ = nullptr;
    QLabel* userCount_ = nullptr;
    QListWidget* fileList_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* send_ = nullptr;
};

} // namespace vantor::ui
