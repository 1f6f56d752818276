// TfrmNotice: the notice reader ("内部通知"). The notices addressed to the user in a TMyListBox
// with the search box, the open notice (sender, date, title, the body through the rich-text
// adapter, the attachments to open or save), the read confirmation, the read log, and delete for
// the sender. A thin window over info::NoticeCore: it asks the core and draws what it is told.
#pragma once

#include "info/notice_core.h"
#include "ui/notice/notice_frame.h"
#include "ui/notice/notice_services.h"

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TMyListBox;

class TfrmNotice : public NoticeFrame, private info::INoticeListener {
    Q_OBJECT
  public:
    TfrmNotice(client::ClientCore& core, NoticeServices& services);
    ~TfrmNotice() override;

    // "新建" and "Excel": the composer and the spreadsheet sender (the reader closes).
    std::function<void()> onNewNotice;
    std::function<void()> onNewSpreadsheet;

    // SearchNotices with the search box's text ("" for all).
    void search(const QString& keyword);
    // OpenAttachment for a row of the attachment list; with `saveAs` the file goes there.
    void openAttachmentRow(int row, const QString& saveAs = {});
    // "文件另存为..." on a row: asks for a target, then saves there.
    void saveAttachmentRow(int row);
    // The delete control of a list row: asks, then deletes.
    void askDelete(int row);
    void showReadLog();
    void showList();

    // ---- what tests look at ----
    TMyListBox* list() const { return list_; }
    QListWidget* attachments() const { return files_; }
    QTreeWidget* readLogView() const { return readLog_; }
    QTextBrowser* bodyView() const { return body_; }
    QLabel* busyPanel() const { return busy_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void listChanged() override;
    void noticeOpened(const protocol::NoticeListItem& item) override;
    void contentChanged() override;
    void readLogChanged() override;
    void attachmentReady(const protocol::AttachmentEntry& entry, const QString& path, bool open) override;
    void attachmentFailed(const protocol::AttachmentEntry& entry) override;

    void setBusy(const QString& text);
    void selectCurrent();
    void clearContent();

    client::ClientCore& core_;
    NoticeServices& services_;
    std::vector<protocol::AttachmentEntry> shownFiles_;
    QLineEdit* searchBox_ = nullptr;
    QToolButton* searchButton_ = nullptr;
    QStackedWidget* leftPages_ = nullptr;
    TMyListBox* list_ = nullptr;
    QTreeWidget* readLog_ = nullptr;
    QLabel* sender_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* title_ = nullptr;
    QTextBrowser* body_ = nullptr;
    QListWidget* files_ = nullptr;
    QLabel* busy_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* readLogButton_ = nullptr;
    QPushButton* listButton_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* newExcel_ = nullptr;
};

} // namespace vantor::ui
