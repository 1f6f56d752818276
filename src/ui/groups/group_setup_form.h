// TfrmGroupSetup: a discussion group's setup dialog. In create mode (the group list's "+") it takes
// a name, a topic, the hidden flag and the members chosen with the picker, and creates the group;
// in manage mode (a creator's group window) it edits the name, topic, notice and hidden flag, or
// dismisses the group. It opens window-modal and acts from its buttons' handlers: nothing waits
// on the event loop, and the group and its window are looked up again at every press.
#pragma once

#include "ui/groups/sel_user_form.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

class QPushButton;
class QTextEdit;

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TfrmGroupSetup : public QDialog {
    Q_OBJECT
  public:
    enum class Mode { Create, Manage };
    // Create mode.
    explicit TfrmGroupSetup(client::ClientCore& core, QWidget* parent = nullptr);
    // Manage mode for the group window of conversation `conversationId`.
    TfrmGroupSetup(client::ClientCore& core, int conversationId, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // btn_SelUser: the picker over this dialog; its answer replaces LV_SelUser.
    TSelUserForm* selectUsers();
    // btn_CreateGroup, btn_Update, btn_Destroy (which asks first, window-modal).
    void createClick();
    void updateClick();
    void destroyClick();

    void setSelected(const std::vector<uint32_t>& ids);
    std::vector<uint32_t> selectedIds() const;
    TSelUserForm* picker() const { return picker_; }
    QMessageBox* lastBox() const { return box_; }

  private:
    void build();
    void tell(QWidget* over, const std::string& gbkText);

    client::ClientCore& core_;
    Mode mode_;
    int conversationId_ = 0;
    QLineEdit* name_ = nullptr;
    QLineEdit* memo_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QLabel* listLabel_ = nullptr;
    QListWidget* selected_ = nullptr;
    QTextEdit* notice_ = nullptr;
    QPointer<TSelUserForm> picker_;
    QPointer<QMessageBox> box_;
};

} // namespace vantor::ui
