#include "ui/notice/notice_windows.h"

#include "ui/notice/notice_form.h"
#include "ui/notice/public_msg_form.h"
#include "ui/notice/send_excel_notice_form.h"

namespace vantor::ui {

NoticeWindows::NoticeWindows(client::ClientCore& core, NoticeServices services)
    : core_(core), services_(std::move(services)) {}

NoticeWindows::~NoticeWindows() {
    delete reader_.data();
    delete composer_.data();
    delete sender_.data();
}

TfrmSendExcelNotice* NoticeWindows::spreadsheetSender() const {
    return sender_.data();
}

TfrmSendExcelNotice* NoticeWindows::openSpreadsheetSender() {
    if (!sender_) sender_ = new TfrmSendExcelNotice(core_, services_);
    if (sender_->isMinimized()) sender_->showNormal();
    sender_->show();
    sender_->raise();
    sender_->activateWindow();
    return sender_;
}

TfrmNotice* NoticeWindows::reader() const {
    return reader_.data();
}

TfrmPublicMsg* NoticeWindows::composer() const {
    return composer_.data();
}

TfrmNotice* NoticeWindows::openReader() {
    if (!reader_) {
        reader_ = new TfrmNotice(core_, services_);
        reader_->onNewNotice = [this] { openComposer(); };
        reader_->onNewSpreadsheet = [this] { openSpreadsheetSender(); };
    }
    if (reader_->isMinimized()) reader_->showNormal();
    reader_->show();
    reader_->raise();
    reader_->activateWindow();
    return reader_;
}

TfrmPublicMsg* NoticeWindows::openComposer() {
    if (!composer_) composer_ = new TfrmPublicMsg(core_, services_);
    if (composer_->isMinimized()) composer_->showNormal();
    composer_->show();
    composer_->raise();
    composer_->activateWindow();
    return composer_;
}

} // namespace vantor::ui
