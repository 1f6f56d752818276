// TfrmPublicMsg: the notice composer ("广播通知"). Title, the body with its font bar, the
// recipients chosen with the colleague picker (their read times fill in as receipts arrive), the
// attachments, the SMS reminder of unread recipients. It says "通知已发送！" only once the post
// has been written whole to a live connection. Thin over info::NoticeCore.
#pragma once

#include "info/notice_core.h"
#include "ui/notice/notice_frame.h"
#include "ui/notice/notice_services.h"

#include <QStringList>

#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;
class QToolButton;
class QTreeWidget;

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TfrmPublicMsg : public NoticeFrame, private info::INoticeListener {
    Q_OBJECT
  public:
    TfrmPublicMsg(client::ClientCore& core, NoticeServices& services);
    ~TfrmPublicMsg() override;

    // btn_SelUser: the colleague picker; its choice replaces the recipients.
    void pickRecipients();
    void setRecipients(const std::vector<uint32_t>& ids);
    // Files not listed yet (same folder and name) are added.
    void addAttachments(const QStringList& paths);
    void removeAttachment(int row);
    // btn_Send.
    void send();
    // btn_NewNotice: back to writing a new notice.
    void newNotice();

    // ---- what tests look at ----
    bool sent() const { return sent_; }
    const std::vector<uint32_t>& recipients() const { return recipients_; }
    const QStringList& attachmentPaths() const { return files_; }
    QLabel* status() const { return status_; }
    QTreeWidget* recipientView() const { return recipientView_; }
    QTextEdit* editor() const { return editor_; }
    QLineEdit* titleEdit() const { return title_; }

  private:
    void postFinished(const protocol::Guid& noticeGuid, bool ok) override;
    void receiptArrived(const protocol::NoticeReceipt& receipt) override;

    void setWriting(bool writing);
    void chooseFont();
    void toggleFormat(int which);
    void updateEditorHeight();

    client::ClientCore& core_;
    NoticeServices& services_;
    std::vector<uint32_t> recipients_;
    QStringList files_;
    bool sent_ = false;
    protocol::Guid current_; // the notice sent last, whose receipts are shown
    QLineEdit* title_ = nullptr;
    QTextEdit* editor_ = nullptr;
    QTreeWidget* recipientView_ = nullptr;
    QLabel* recipientCount_ = nullptr;
    QListWidget* fileList_ = nullptr;
    QCheckBox* sms_ = nullptr;
    QLineEdit* minutes_ = nullptr;
    QLabel* minutesLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* selUser_ = nullptr;
    QPushButton* attach_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* newNotice_ = nullptr;
    std::vector<QToolButton*> fontBar_;
};

} // namespace vantor::ui
