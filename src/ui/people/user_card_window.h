// TfrmUserInfo: the hover card of a colleague beside the main window — name over the photo,
// company, telephones, mail and fax — that hides itself when the mouse leaves it (checked on a
// timer of the client's clock, so tests move time by hand).
#pragma once

#include "client/client_core.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

namespace vantor::ui {

class TfrmUserInfo : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmUserInfo(client::ClientCore& core, QWidget* parent = nullptr);
    ~TfrmUserInfo() override;

    // Where the mouse is (screen coordinates); QCursor::pos by default.
    std::function<QPoint()> cursor;

    // ShowUserCard: the card of `userId` beside a main window whose left edge is `mainLeft`, level
    // with an entry at `entryTop`, inside `screen` (its available geometry gives the taskbar).
    // False when there is no card (the detail record was asked for, or nothing to show).
    bool showUserCard(uint32_t userId, int mainLeft, int entryTop, const QRect& screen, int taskbarHeight);
    uint32_t userId() const { return userId_; }

  private:
    void check();

    client::ClientCore& core_;
    std::unique_ptr<platform::Timer> timer_;
    uint32_t userId_ = 0;
    QLabel* photo_;
    QLabel* name_;
    QLabel* company_;
    QLabel* officePhone_;
    QLabel* mobilePhone_;
    QLabel* mail_;
    QLabel* fax_;
    QLabel* officeIcon_;
};

} // namespace vantor::ui
