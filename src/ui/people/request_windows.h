// The two windows of incoming requests: TfrmAddFriendRequest ("添加联系人", contact requests, with
// the contact group chosen on accepting) and TfrmAddGroupRequest ("群组管理", join requests at a
// group's creator). Each shows the current request of its queue, "共n条" and ">" with more than one,
// and closes when none is left.
#pragma once

#include "client/client_core.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace vantor::ui {

class RequestWindow : public QWidget, protected people::IPeopleListener {
    Q_OBJECT
  public:
    // `screen`: the work area the window is placed in at its lower right.
    RequestWindow(client::ClientCore& core, bool contacts, QWidget* parent = nullptr);
    ~RequestWindow() override;
    // Fills the texts from the queue; closes the window when the queue is empty.
    void refresh();
    // Places the window at the lower right of `workArea` (`screenWidth` wide).
    void place(const QRect& workArea, int screenWidth);

  protected:
    void contactRequestsChanged() override;
    void joinRequestsChanged() override;

  private:
    void answer(bool accept);

    client::ClientCore& core_;
    bool contacts_;
    QLabel* userName_;
    QLabel* groupLine_ = nullptr; // Label7, join requests only
    QLabel* count_;
    QPushButton* next_;
    QComboBox* addTo_ = nullptr; // contact requests only
};

} // namespace vantor::ui
