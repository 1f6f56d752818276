// TfrmAttence ("员工考勤"): today's sign-in and sign-out times and the one button whose text
// follows them. The button stays disabled until the state asked for on opening has arrived; an
// early sign-out is confirmed in a window-modal box that answers through a callback.
#pragma once

#include "services/attendance.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace vantor::ui {

class TfrmAttence : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmAttence(services::Attendance& attendance, QWidget* parent = nullptr);
    ~TfrmAttence() override;

    // Redraws the times and the button from the attendance state.
    void refresh();
    QPushButton* signButton() const { return sign_; }
    // The box of an early sign-out (window-modal, answers through the callback); tests replace it.
    std::function<void(QWidget* parent, const QString& caption, const QString& text,
                       std::function<void(bool)> done)>
        ask;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void clicked();
    void after(services::Attendance::Click click);

    services::Attendance& attendance_;
    QLabel* signIn_;
    QLabel* signOut_;
    QPushButton* sign_;
    bool asking_ = false;
    bool shown_ = false;
};

} // namespace vantor::ui
