// TfrmReservation: the customer's proposal ("请设置您的预约服务：", date, time and the matter) and
// the staff member's review of one received proposal ("同意" with the picked time, or "不同意").
// Window-modal over the conversation window, never a nested event loop; it finds its conversation
// again by id, so a conversation closed meanwhile makes it close.
#pragma once

#include "client/client_core.h"

#include <QWidget>

#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace vantor::ui {

class TfrmReservation : public QWidget {
    Q_OBJECT
  public:
    inline static const QString kPlaceholder = QStringLiteral("请输入预约办理事项...");

    // The customer's window for conversation `conversationId`.
    TfrmReservation(client::ClientCore& core, int conversationId, QWidget* parent);
    // The staff member's review of `r`.
    TfrmReservation(client::ClientCore& core, int conversationId, const protocol::Reservation& r,
                    QWidget* parent);

    bool review() const { return review_; }
    // Centred on the conversation window: its top 100 and its left 190 pixels before the centre.
    void placeOver(const QWidget* conversation);

    QDateEdit* date() const { return date_; }
    QTimeEdit* time() const { return time_; }
    QLineEdit* matter() const { return matter_; }
    // "提交申请" / "同意" and "取 消" / "不同意".
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    // The message boxes (window-modal, not waited for); tests replace it.
    std::function<void(QWidget* parent, const QString& caption, const QString& text)> inform;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void build(const QString& heading);
    double picked() const;
    void submit();
    void answer(bool agree);

    client::ClientCore& core_;
    int conversationId_;
    bool review_ = false;
    bool answered_ = false;
    QLabel* heading_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QLineEdit* matter_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace vantor::ui
