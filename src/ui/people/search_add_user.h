// TfrmSearchAddUser ("查找添加联系人"): the search wizard over PeopleCore — users by name and
// department or groups by keyword, page by page, then a contact or join request.
#pragma once

#include "client/client_core.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace vantor::ui {

class TfrmSearchAddUser : public QWidget, private people::IPeopleListener {
    Q_OBJECT
  public:
    enum Page { UserStart, UserResults, UserConfirm, UserSent, GroupStart, GroupResults, GroupConfirm };
    explicit TfrmSearchAddUser(client::ClientCore& core, QWidget* parent = nullptr);
    ~TfrmSearchAddUser() override;
    int page() const;

  private:
    void userResultsChanged() override;
    void groupResultsChanged() override;
    void showPage(Page p);
    void searchUsers(uint32_t page);
    void searchGroups(uint32_t page);
    void addUser();
    void sendUser();
    void nextGroup();
    void sendGroup();
    QWidget* buildUserStart();
    QWidget* buildUserResults();
    QWidget* buildUserConfirm();
    QWidget* buildUserSent();
    QWidget* buildGroupStart();
    QWidget* buildGroupResults();
    QWidget* buildGroupConfirm();

    client::ClientCore& core_;
    QStackedWidget* pages_;
    QLineEdit* userName_;
    QLineEdit* department_;
    QTreeWidget* users_;
    QPushButton* userPrevious_;
    QPushButton* userNext_;
    QLabel* confirmName_;
    QLabel* confirmDepartment_;
    QLabel* confirmSignature_;
    QComboBox* addTo_;
    QLineEdit* groupName_;
    QTreeWidget* groups_;
    QPushButton* groupPrevious_;
    QPushButton* groupNext_;
    QLabel* groupLabel_;
    QLabel* groupTopic_;
    QPlainTextEdit* applyMsg_;
    uint32_t chosenUser_ = 0;
    protocol::GroupSearchResult chosenGroup_;
};

} // namespace vantor::ui
