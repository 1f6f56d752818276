// TSystemSetForm ("系统设置"): the borderless settings dialog with five pages switched by the
// picture buttons down its left side. It shows what SettingsForm loads, hands the values back on
// btn_Save and shows what comes back; every rule lives in SettingsForm. Message boxes and file
// choosers are opened without waiting (open(), never exec()); tests put answers in their place.
#pragma once

#include "shell/settings_form.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace vantor::platform {
class SoundPlayer;
}

namespace vantor::ui {

class TSystemSetForm : public QWidget {
    Q_OBJECT
  public:
    TSystemSetForm(shell::SettingsForm& core, platform::SoundPlayer& sound, QWidget* parent = nullptr);
    ~TSystemSetForm() override;

    // Fills every page from memory, selects `page` (when it is reachable, else the network page)
    // and shows the dialog in front.
    void open(shell::SettingsPage page);
    void selectPage(shell::SettingsPage page);
    shell::SettingsPage currentPage() const;
    // The values the pages hold now.
    shell::SettingsValues values() const;

    // Where messages go (default: a message box opened without waiting) and what the last one was.
    std::function<void(const QString& title, const QString& text, bool error)> messageSink;
    struct Shown {
        QString title, text;
        bool error = false;
        int count = 0;
    };
    const Shown& lastMessage() const { return shown_; }
    // SBSelFile and SBSelRevFilePath: ask for a path and hand it to `done` (default: a file or
    // folder dialog opened without waiting).
    std::function<void(std::function<void(const QString&)> done)> soundChooser, folderChooser;
    // btn_Photo: opens the head-picture window (the button is disabled while this is unset).
    void setPhotoOpener(std::function<void()> open);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QWidget* buildNetPage();
    QWidget* buildStatusPage();
    QWidget* buildUserinfoPage();
    QWidget* buildOtherPage();
    QWidget* buildPasswordPage();
    void fill(const shell::SettingsValues& v);
    void fillProfile();
    void proxyChosen(int index);
    void soundChoiceChanged();
    void passwordBoxToggled(bool on);
    void saveClicked();
    void okClicked();
    void showMessage(const QString& title, const QString& text, bool error);
    void focusField(shell::SettingsField field);
    void resetOkButton(const QString& caption);

    shell::SettingsForm& core_;
    platform::SoundPlayer& sound_;
    Shown shown_;
    shell::PageAccess access_;
    QStackedWidget* pages_ = nullptr;
    std::array<QToolButton*, 5> side_{};
    QLabel* mainHeading_ = nullptr;
    QList<QWidget*> windowOptions_; // hidden in the notification-only mode
    QList<QWidget*> notificationOptions_;
    bool dragging_ = false;
    QPoint dragOffset_;

    // 网络设置
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QComboBox* proxyCategory_ = nullptr;
    QGroupBox* proxyGroup_ = nullptr;
    QLineEdit* proxyAddress_ = nullptr;
    QLineEdit* proxyPort_ = nullptr;
    QLineEdit* proxyUser_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
    QCheckBox* autoConnect_ = nullptr;
    QLineEdit* autoConnectInterval_ = nullptr;
    // 状态和提醒
    QLineEdit* msgSound_ = nullptr;
    QToolButton* selSound_ = nullptr;
    QToolButton* playSound_ = nullptr;
    QCheckBox* dontPlaySound_ = nullptr;
    QCheckBox* showMsgHint_ = nullptr;
    QCheckBox* showMsgRemind_ = nullptr;
    QCheckBox* notShowContent_ = nullptr;
    QLabel* remindText_ = nullptr;
    QCheckBox* enterSend_ = nullptr;
    QCheckBox* autoSort_ = nullptr;
    QCheckBox* autoLeave_ = nullptr;
    QLineEdit* autoLeaveMinutes_ = nullptr;
    QCheckBox* autoBusy_ = nullptr;
    // 我的资料
    QRadioButton* male_ = nullptr;
    QRadioButton* female_ = nullptr;
    QLineEdit* company_ = nullptr;
    QLineEdit* office_ = nullptr;
    QLineEdit* officePhone_ = nullptr;
    QLineEdit* mobilePhone_ = nullptr;
    QLineEdit* mail_ = nullptr;
    QLineEdit* fax_ = nullptr;
    QPushButton* photo_ = nullptr;
    // 其他设置
    QCheckBox* autoRun_ = nullptr;
    QCheckBox* rememberPassword_ = nullptr;
    QComboBox* loginStatus_ = nullptr;
    QCheckBox* onTop_ = nullptr;
    QCheckBox* autoHide_ = nullptr;
    QCheckBox* btnNotClose_ = nullptr;
    QCheckBox* showMsgCenter_ = nullptr;
    QLineEdit* revPath_ = nullptr;
    QCheckBox* flashIcon_ = nullptr;
    QCheckBox* msgInfo_ = nullptr;
    // 修改密码
    QLineEdit* name_ = nullptr;
    QCheckBox* changePassword_ = nullptr;
    QLineEdit* oldPassword_ = nullptr;
    QLineEdit* newPassword_ = nullptr;
    QLineEdit* confirmPassword_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace vantor::ui
