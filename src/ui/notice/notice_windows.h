// The notice windows of one desktop client: the reader, the composer and the spreadsheet sender, one of each,
// made when asked for and freed when closed. Opened from the main window's notice button and its badge.
#pragma once

#include "ui/notice/notice_services.h"

#include <QPointer>

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TfrmNotice;
class TfrmPublicMsg;
class TfrmSendExcelNotice;

class NoticeWindows {
  public:
    // `services`: default, the desktop's own.
    explicit NoticeWindows(client::ClientCore& core, NoticeServices services = NoticeServices::desktop());
    ~NoticeWindows();
    NoticeWindows(const NoticeWindows&) = delete;
    NoticeWindows& operator=(const NoticeWindows&) = delete;

    // OpenNoticeReader: creates or shows the reader.
    TfrmNotice* openReader();
    // The composer ("新建" in the reader).
    TfrmPublicMsg* openComposer();
    // The spreadsheet sender ("Excel" in the reader).
    TfrmSendExcelNotice* openSpreadsheetSender();

    TfrmNotice* reader() const;
    TfrmPublicMsg* composer() const;
    TfrmSendExcelNotice* spreadsheetSender() const;
    NoticeServices& services() { return services_; }

  private:
    client::ClientCore& core_;
    NoticeServices services_;
    QPointer<TfrmNotice> reader_;
    QPointer<TfrmPublicMsg> composer_;
    QPointer<TfrmSendExcelNotice> sender_;
};

} // namespace vantor::ui
