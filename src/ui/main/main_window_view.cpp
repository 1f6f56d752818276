// What the session and the directory do to the main window.
#include "client/client_core.h"
#include "protocol/text.h"
#include "session/util.h"
#include "settings/user_settings.h"
#include "settings/window_placement.h"
#include "shell/shell_core.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/main_window.h"
#include "ui/main/org_tree.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

namespace vantor::ui {

namespace {
QString q(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}

// Balloons where the desktop's tray shows none: a small toast of ours at the bottom right.
void showToast(QWidget* owner, const QString& title, const QString& text, int seconds) {
    auto* toast = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    toast->setObjectName(QStringLiteral("BalloonToast"));
    toast->setAttribute(Qt::WA_DeleteOnClose);
    toast->setFont(textFont(12));
    toast->setTextFormat(Qt::PlainText);
    toast->setText(text.isEmpty() ? title : title + QLatin1Char('\n') + text);
    toast->setStyleSheet(QStringLiteral("background: #FFFFF0; border: 1px solid #8F8F8F; padding: 8px;"));
    toast->adjustSize();
    const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        toast->move(area.right() - toast->width() - 8, area.bottom() - toast->height() - 8);
    }
    toast->show();
    QTimer::singleShot(std::max(1, seconds) * 1000, toast, &QWidget::close);
}
} // namespace

// ---- the window ----

void MainWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MainWindow::setTrayHint(const QString& hint) {
    shown_.trayHint = hint;
    tray_->setToolTip(hint);
}

void MainWindow::showProductName(const QString& name, bool showTelephone) {
    productName_->setText(name);
    telephone_->setVisible(showTelephone);
}

QRect MainWindow::availableGeometry() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1280, 800);
}

void MainWindow::placeAtStart(const settings::WindowRect& stored) {
    const settings::StartPlacement p = settings::startPlacement(stored, screenWidth(), workAreaHeight());
    keptWidth_ = p.widthAfterSignIn;
    setGeometry(p.window.left, p.window.top, p.window.width, p.window.height);
}

settings::WindowRect MainWindow::windowRect() const {
    const QRect g = geometry();
    return {g.left(), g.top(), g.width(), g.height()};
}

int MainWindow::workAreaHeight() const {
    return availableGeometry().height();
}

void MainWindow::applySignedInWidth(int width) {
    const settings::WindowRect r = settings::placeAfterSignIn(windowRect(), width, screenWidth());
    setGeometry(r.left, r.top, r.width, r.height);
}

void MainWindow::applySignInWidth() {
    resize(settings::kSignInWidth, height());
}

void MainWindow::applyWindowOptions(bool autoHide, bool onTop) {
    if (shell_) shell_->docking().setOptions(autoHide, onTop);
    setTopMost(onTop);
}

void MainWindow::setWindowHidden(bool hidden) {
    if (hidden) {
        hideToTray();
    } else {
        showNormal();
        openMain_->setVisible(false);
    }
}

void MainWindow::closeMainWindow() {
    if (trace) trace(QStringLiteral("main window closed"));
    closing_ = true;
    close();
}

// ---- sign-in and progress ----

void MainWindow::fillSignInPanel(const session::SignInInputs& in) {
    account_->setText(in.account);
    // The remembered password comes padded with spaces, which every use trims: the box shows one
    // dot per character of the password itself.
    QString password = in.password;
    while (password.endsWith(QLatin1Char(' ')))
        password.chop(1);
    password_->setText(password);
    const int i = status_->findText(in.status);
    status_->setCurrentIndex(i >= 0 ? i : 0);
    savePass_->setChecked(in.rememberPassword);
    autoLogin_->setChecked(in.autoLogin);
}

session::SignInInputs MainWindow::signInInputs() const {
    return {account_->text(), password_->text(), status_->currentText(), savePass_->isChecked(),
            autoLogin_->isChecked()};
}

void MainWindow::showSignInPanel() {
    if (trace) trace(QStringLiteral("sign-in panel shown"));
    signInVisible_ = true;
    updatePages();
    // First focus: the password when an account is there, else the account.
    if (!account_->text().trimmed().isEmpty() && password_->text().isEmpty())
        password_->setFocus();
    else if (account_->text().trimmed().isEmpty())
        account_->setFocus();
}

void MainWindow::hideSignInPanel() {
    signInVisible_ = false;
    updatePages();
}

void MainWindow::showSignInProgress(const QString& text) {
    signInBusy_ = true;
    signInProgressText_->setText(text);
    updatePages();
}

void MainWindow::showProgressPanel(const QString& text) {
    progressVisible_ = true;
    pbLoginText_->setText(text);
    updatePages();
}

void MainWindow::hideProgress() {
    signInBusy_ = false;
    progressVisible_ = false;
    updatePages();
}

void MainWindow::showReLoginPanel(bool networkLost) {
    reLoginVisible_ = true;
    networkLost_->setVisible(networkLost);
    retryLater_->setVisible(networkLost);
    updatePages();
}

void MainWindow::hideReLoginPanel() {
    reLoginVisible_ = false;
    updatePages();
}

void MainWindow::updatePages() {
    signInInputs_->setVisible(!signInBusy_);
    signInProgress_->setVisible(signInBusy_);
    const bool signedIn = viewsShown_ && !signInVisible_;
    ownArea_->setVisible(signedIn);
    bottomBar_->setVisible(signedIn);
    notice_->setVisible(signedIn);
    msgCentre_->setVisible(signedIn);
    if (signInVisible_) {
        pages_->setCurrentWidget(signInPage_);
        return;
    }
    pages_->setCurrentWidget(mainPage_);
    if (progressVisible_)
        content_->setCurrentWidget(pbLogin_);
    else if (reLoginVisible_)
        content_->setCurrentWidget(pbReLogin_);
    else if (viewsShown_)
        content_->setCurrentWidget(views_->parentWidget());
    else
        content_->setCurrentWidget(emptyPage_);
}

// ---- menus, labels, buttons ----

void MainWindow::setConnectEntry(const QString& caption, bool enabled) {
    connect_->setText(caption);
    connect_->setEnabled(enabled);
}

void MainWindow::setSessionEntries(bool enabled) {
    sessionEntries_ = enabled;
    updateSessionEntries();
}

void MainWindow::updateSessionEntries() {
    for (QAction* a : sessionActions_)
        a->setEnabled(sessionEntries_);
}

void MainWindow::setMyStateText(const QString& text) {
    myState_->setText(text);
}

void MainWindow::setOfflineCount(int count) {
    offlineCount_->setText(QString::number(count));
    offlineCount_->setVisible(count > 0);
}

void MainWindow::setSignedInButtons(const session::SignedInButtons& b) {
    addUser_->setVisible(b.addContact);
    workState_->setVisible(b.workState || b.workStateSignedIn);
}

void MainWindow::hideBadgesAndToolbarLinks() {
    badgeNotices_->hide();
    badgeCentre_->hide();
    for (QToolButton* b : links_)
        b->hide();
}

void MainWindow::setOwnHeadPicture(const QString& path) {
    QPixmap pm(path);
    if (pm.isNull()) pm = QPixmap(sysImages() + QStringLiteral("DefaultHead.bmp"));
    head_->setPixmap(pm);
}

// ---- contact views ----

void MainWindow::showContactViews(bool shown) {
    const bool signingOut = viewsShown_ && !shown;
    viewsShown_ = shown;
    // A password the user did not ask to remember does not wait in the panel after a session.
    if (signingOut && !savePass_->isChecked()) password_->clear();
    if (shown && client_) {
        // The lists draw face pictures from the account's head-picture folder.
        directory::PictureFolders folders;
        folders.userHead = QString::fromStdString(client_->messenger().UserHeadFolder);
        folders.sysImages = sysImages();
        for (TUserListBox* l : {frequent_, recent_, groups_})
            l->setPictureFolders(folders);
    }
    if (!shown) {
        hideSearch();
        search_->clear();
        for (TUserListBox* l : {frequent_, recent_, groups_})
            l->clearMarks();
    }
    updatePages();
}

void MainWindow::showView(session::ContactView view) {
    showView(int(view));
}

void MainWindow::showView(int view) {
    if (view < 0 || view > 3) return;
    tabs_[size_t(view)]->setChecked(true);
    views_->setCurrentIndex(view);
    // An empty frequent-contacts list shows its help picture.
    if (view == 1) frequent_->ShowHelpPicture(true);
    if (view == 3) groupAlert_->hide();
}

// ---- notifications ----

void MainWindow::showBalloon(const QString& title, const QString& text, int seconds,
                             session::BalloonIcon icon) {
    shown_.balloonTitle = title;
    shown_.balloonText = text;
    if (trace) trace(QStringLiteral("balloon %1: %2").arg(title, text));
    if (tray_->isVisible() && QSystemTrayIcon::supportsMessages())
        tray_->showMessage(title, text,
                           icon == session::BalloonIcon::Error ? QSystemTrayIcon::Critical
                                                               : QSystemTrayIcon::Information,
                           seconds * 1000);
    else if (isVisible())
        showToast(this, title, text, seconds);
}

void MainWindow::showMessage(const QString& text, const QString& title) {
    shown_.messageTitle = title;
    shown_.messageText = text;
    openBox(title, text);
}

void MainWindow::openBox(const QString& title, const QString& text) {
    // Window-modal without a nested loop: the box opens and the window goes on.
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWindow::openSettingsDialog() {
    ++shown_.settingsDialogOpened;
    if (settingsOpener) {
        settingsOpener(0);
        return;
    }
    // Without the dialog the user is told where the server is set.
    openBox(QStringLiteral("系统设置"), QStringLiteral("请在系统设置中填写服务器地址和端口。"));
}

void MainWindow::openWebPage(const QString& url, int, int) {
    if (const auto link = shell::openableLink(url)) openLink(*link);
}

void MainWindow::openConversation(uint32_t userId) {
    if (trace) trace(QStringLiteral("open conversation %1").arg(userId));
    if (windows_) windows_->openWith(userId);
}

// ---- the directory's window ----

void MainWindow::showBalloon(const std::string& title, const std::string& text, int seconds,
                             directory::BalloonIcon icon) {
    showBalloon(q(title), q(text), seconds,
                icon == directory::BalloonIcon::Error ? session::BalloonIcon::Error
                                                      : session::BalloonIcon::Information);
}

void MainWindow::showMessage(const std::string& title, const std::string& text, directory::MessageIcon) {
    showMessage(q(text), q(title));
}

void MainWindow::ask(const std::string& title, const std::string& text, directory::Question buttons,
                     Answer answered) {
    if (asker) {
        asker(q(title), q(text), buttons, std::move(answered));
        return;
    }
    // Opened, not executed: the event loop keeps running and the answer comes back through the
    // callback (the directory looks again for what it asked about).
    const auto choice = buttons == directory::Question::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                              : QMessageBox::Ok | QMessageBox::Cancel;
    auto* box = new QMessageBox(QMessageBox::Question, q(title), q(text), choice, this);
    box->setObjectName(QStringLiteral("QuestionBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, answered = std::move(answered)](int) {
        const auto b = box->standardButton(box->clickedButton());
        answered(b == QMessageBox::Yes || b == QMessageBox::Ok);
    });
    box->open();
}

void MainWindow::askText(const std::string& prompt, TextAnswer answered) {
    auto done = [answered = std::move(answered)](std::optional<QString> text) {
        if (!text) return answered(std::nullopt);
        answered(protocol::toGbk(text->toStdString()));
    };
    if (textAsker) {
        textAsker(q(prompt), std::move(done));
        return;
    }
    auto* input = new QInputDialog(this);
    input->setObjectName(QStringLiteral("InputBox"));
    input->setAttribute(Qt::WA_DeleteOnClose);
    input->setWindowTitle(windowTitle());
    input->setLabelText(q(prompt));
    connect(input, &QInputDialog::finished, this, [input, done = std::move(done)](int result) {
        if (result == QDialog::Accepted)
            done(input->textValue());
        else
            done(std::nullopt);
    });
    input->open();
}

void MainWindow::showOwnState(const directory::OwnStateDisplay& s) {
    myState_->setText(q(s.statusLabel));
    statusPicture_->setPixmap(statusIcon(s.pictureClass).pixmap(14, 14));
    setTrayHint(q(s.trayHint));
    if (s.signedIn) {
        userName_->setText(q(s.userName));
        userName_->setMaximumWidth(std::max(40, width() - 169));
        memo_->setText(q(s.memo));
        if (client_)
            if (const directory::User* own = client_->directory().directory().ownUser())
                signature_ = q(own->record.signature);
    }
    for (QMenu* menu : {states_, myStateMenu_})
        for (QAction* a : menu->actions())
            a->setChecked(a->data().toInt() == s.checkedStatus);
    trayIndex_ = s.trayIconIndex;
    shown_.trayIconIndex = trayIndex_;
    if (!shell_ || !shell_->flasher().flashing()) applyTrayIcon();
}

void MainWindow::showWorkState(const std::string& name) {
    workState_->setToolTip(name.empty() ? QStringLiteral("岗位状态") : q(name));
    workState_->setText(q(name));
}

void MainWindow::storeViewSetting(directory::ViewSetting key, const std::string& value) {
    if (!client_) return;
    const directory::User* own = client_->directory().directory().ownUser();
    if (!own) return;
    const std::string file = client_->messenger().environment().layout.userFile(own->id());
    // A settings file that cannot be written is reported in the log, not thrown through a click.
    session::guarded([&] {
        using namespace settings;
        switch (key) {
        case directory::ViewSetting::ViewStyle:
            saveViewChoice(file, value == "FaceView" ? ContactPanel::FaceView : ContactPanel::Tree);
            break;
        case directory::ViewSetting::TreeView:
            saveViewChoice(file, value == "OnOrOff" ? TreeGrouping::OnOrOff : TreeGrouping::Tree);
            break;
        case directory::ViewSetting::FaceView:
            saveViewChoice(file, value == "QQList" ? ListFilter::OnlineOnly : ListFilter::All);
            break;
        case directory::ViewSetting::FaceSize:
            saveViewChoice(file, value == "SmaillFace" ? IconSize::SmaillFace : IconSize::BigFace);
            break;
        }
    });
}

} // namespace vantor::ui
