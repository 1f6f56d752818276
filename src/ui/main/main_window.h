// TMessengerX's window: the narrow, borderless main panel with the sign-in panel, the progress and
// re-login panels, the own name, status and signature, the view tabs with the organisation tree and
// the contact lists, the quick search, the badges and toolbar buttons, the tray icon and menus.
// It implements what the session, the directory and the shell behaviour do to the window, and
// forwards every click to them; it holds no protocol logic.
#pragma once

#include "directory/interfaces.h"
#include "directory/search.h"
#include "session/main_view.h"
#include "shell/shell_view.h"
#include "ui/kit/dialogs.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPainter;
class QPushButton;
class QStackedWidget;
class QSystemTrayIcon;
class QToolButton;

namespace vantor::client {
class ClientCore;
class IConversationWindows;
} // namespace vantor::client
namespace vantor::shell {
class ShellCore;
}
namespace vantor::skin {
class Appearance;
}

namespace vantor::ui {

class OrgTreeView;
class TUserListBox;

class MainWindow : public QWidget,
                   public session::IMainView,
                   public directory::IDirectoryView,
                   public shell::IShellView {
    Q_OBJECT
  public:
    // `programFolder` holds SysImages/ (the logo, the default pictures).
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The client and its shell, made after the window (they take it as their view).
    void attach(client::ClientCore* client, shell::ShellCore* shell, client::IConversationWindows* windows);
    void setConversationWindows(client::IConversationWindows* windows) { windows_ = windows; }
    // Before the client and the shell go: the window stops reaching them.
    void detach() {
        client_ = nullptr;
        shell_ = nullptr;
        windows_ = nullptr;
    }

    // Questions and text input are window-modal dialogs answered from the event loop; tests put
    // their own in their place (and answer when they like).
    std::function<void(const QString& title, const QString& text, directory::Question,
                       std::function<void(bool)> answered)>
        asker;
    std::function<void(const QString& prompt, std::function<void(std::optional<QString>)> answered)>
        textAsker;
    // Whether the desktop has a notification area to hide into (tests decide).
    std::function<bool()> trayAvailable;
    // Opens a link in the desktop's browser (tests record it instead).
    std::function<void(const QUrl&)> linkOpener;
    // Opens the settings dialog on a page (0 "网络设置", 4 "修改密码"); unset, a box says where
    // the server is set.
    std::function<void(int page)> settingsOpener;
    // Opens the search wizard ("查找添加联系人"); unset, the add button says it is not provided.
    std::function<void()> searchWizardOpener;
    // Opens the head-picture dialog ("设置头像") from the own picture; unset, the picture does nothing.
    std::function<void()> pictureDialogOpener;
    // Opens the group setup dialog in create mode (the group list's "+"); unset, the button says
    // it is not provided.
    std::function<void()> groupCreator;
    // Opens the notice reader (Btn_Notice and its badge); unset, the button says it is not provided.
    std::function<void()> noticeOpener;

    // Opens the skin dialog under the skin button `btn_ConverSkin` while signed in; unset, the
    // button says it is not provided.
    std::function<void(QWidget* button)> skinDialogOpener;
    // Shows the window's drop shadow (the start-up timer asks for it); unset, none.
    std::function<void()> shadowShower;
    // The current skin: its pictures dress the top and bottom bars, its colours the own labels, its
    // opacity the window. Null: our own painted bars.
    void setAppearance(skin::Appearance* appearance);
    skin::Appearance* appearance() const { return appearance_; }
    // The work-state button in attendance mode: the attendance window ("员工考勤").
    std::function<void()> attendanceOpener;
    // A service point of the group list's "客服中心" or "预约服务" sections.
    std::function<void(const wire::Guid&)> serviceOpener;

    // One line per notable event (balloons, panels, conversations opened, the window closed), for
    // a log on the standard output.
    std::function<void(const QString& line)> trace;

    // ---- what tests and screenshots look at ----
    struct Shown {
        QString messageTitle, messageText; // the last message box
        QString balloonTitle, balloonText; // the last balloon
        int settingsDialogOpened = 0;
        QString trayHint;
        int trayIconIndex = 0;
        bool trayFlashPicture = false;
        QUrl openedLink;
        QStringList problems;
        int attentionRequests = 0;
    };
    const Shown& shown() const { return shown_; }
    QSystemTrayIcon* tray() const { return tray_; }
    QMenu* trayMenu() const { return popFile_; }
    OrgTreeView* tree() const { return tree_; }
    QListWidget* searchDrop() const { return searchDrop_; }
    void setScreenWidthForTests(int width) { screenWidthOverride_ = width; }

    // ---- session::IMainView ----
    void setCaption(const QString& caption) override;
    void setTrayHint(const QString& hint) override;
    void showProductName(const QString& name, bool showTelephone) override;
    void placeAtStart(const settings::WindowRect& stored) override;
    settings::WindowRect windowRect() const override;
    int workAreaHeight() const override;
    void showShadow() override {
        if (shadowShower) shadowShower();
    }
    void applySignedInWidth(int width) override;
    void applySignInWidth() override;
    void applyWindowOptions(bool autoHide, bool onTop) override;
    void setWindowHidden(bool hidden) override;
    void closeMainWindow() override;
    void fillSignInPanel(const session::SignInInputs& inputs) override;
    session::SignInInputs signInInputs() const override;
    void showSignInPanel() override;
    void hideSignInPanel() override;
    void showSignInProgress(const QString& text) override;
    void showProgressPanel(const QString& text) override;
    void hideProgress() override;
    void showReLoginPanel(bool networkLost) override;
    void hideReLoginPanel() override;
    void setConnectEntry(const QString& caption, bool enabled) override;
    void setSessionEntries(bool enabled) override;
    void setMyStateText(const QString& text) override;
    void setOfflineCount(int count) override;
    void setSignedInButtons(const session::SignedInButtons& buttons) override;
    void hideBadgesAndToolbarLinks() override;
    void setMessageCentreMode(bool) override {}
    void setOwnHeadPicture(const QString& path) override;
    void showContactViews(bool shown) override;
    void showView(session::ContactView view) override;
    void showBalloon(const QString& title, const QString& text, int seconds,
                     session::BalloonIcon icon) override;
    void showMessage(const QString& text, const QString& title) override;
    void openSettingsDialog() override;
    void openWebPage(const QString& url, int width, int height) override;
    void openConversation(uint32_t userId) override;

    // ---- directory::IDirectoryView (GBK texts) ----
    void showBalloon(const std::string& title, const std::string& text, int seconds,
                     directory::BalloonIcon icon) override;
    void showMessage(const std::string& title, const std::string& text, directory::MessageIcon icon) override;
    void ask(const std::string& title, const std::string& text, directory::Question buttons,
             Answer answered) override;
    void askText(const std::string& prompt, TextAnswer answered) override;
    void showOwnState(const directory::OwnStateDisplay& state) override;
    void showWorkState(const std::string& name) override;
    void showView(int view) override;
    void storeViewSetting(directory::ViewSetting key, const std::string& value) override;

    // ---- shell::IShellView ----
    void setTrayAlertPicture(const QString& path) override;
    void setTrayFlashFrame(bool picture) override;
    void restoreTrayStatusIcon() override;
    void showPendingCount(int count) override;
    void markInLists(const client::ConversationAlert& alert, bool marked) override;
    void requestAttention() override;
    void showBadge(shell::BadgeKind kind, const shell::BadgeDisplay& display) override;
    void showToolbarButton(int button, const QString& hint) override;
    shell::FrameRect frameRect() const override;
    int screenWidth() const override;
    void cursorPosition(int& x, int& y) const override;
    void moveFrame(const shell::FrameRect& rect) override;
    void setTopMost(bool on) override;
    void showMainWindow() override;
    void openLink(const QUrl& url) override;
    void reportProblem(const QString& title, const QString& text) override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // main_window_skin.cpp
    void applySkinColours();
    void paintBars(QPainter& p);
    void applyRegion();

    void buildTopBar();
    void buildSignInPage();
    void buildMainPage();
    void buildMenus();
    void buildTray();
    void updatePages();
    void hideToTray();
    void openBox(const QString& title, const QString& text);
    // A button whose feature is not there yet says so.
    void notProvided() { showMessage(kNotProvidedText, QStringLiteral("提示")); }
    void closeButton();
    void commitSignature();
    void beginSignatureEdit();
    void searchChanged(const QString& text);
    void openSearchMatch();
    void hideSearch();
    // The view menu; "删除此分组" acts on `contactGroup` (GBK; empty: the entry is disabled).
    void showViewMenu(const QPoint& at, const std::string& contactGroup = {});
    // The contact group whose heading (frequent contacts) or department row (tree, contact-group
    // mode) lies under a screen position; empty when none.
    std::string frequentContactGroupAt(const QPoint& globalPos) const;
    std::string treeContactGroupAt(const QPoint& globalPos) const;
    void showTreeUserMenu(uint32_t userId, const QPoint& at);
    void showListUserMenu(uint32_t userId, const QPoint& at);
    void openUser(uint32_t userId);
    void updateSessionEntries();
    void applyTrayIcon();
    QString sysImages() const { return programFolder_ + QStringLiteral("SysImages/"); }
    QRect availableGeometry() const;

    QString programFolder_;
    skin::Appearance* appearance_ = nullptr;
    client::ClientCore* client_ = nullptr;
    shell::ShellCore* shell_ = nullptr;
    client::IConversationWindows* windows_ = nullptr;
    Shown shown_;
    int screenWidthOverride_ = 0;

    // panels
    QStackedWidget* pages_ = nullptr;   // sign-in page, main page
    QStackedWidget* content_ = nullptr; // PBLogin, PBReLogin, the views, empty
    QWidget* topBar_ = nullptr;
    QWidget* ownArea_ = nullptr;
    QWidget* bottomBar_ = nullptr;
    QWidget* signInPage_ = nullptr;
    QWidget* mainPage_ = nullptr;
    QWidget* signInInputs_ = nullptr;
    QWidget* signInProgress_ = nullptr;
    QWidget* pbLogin_ = nullptr;
    QWidget* pbReLogin_ = nullptr;
    QWidget* emptyPage_ = nullptr;
    QStackedWidget* views_ = nullptr;
    bool signInVisible_ = false;
    bool progressVisible_ = false;
    bool reLoginVisible_ = false;
    bool viewsShown_ = false;
    bool signInBusy_ = false;
    bool closing_ = false;

    // sign-in panel
    QLabel* logo_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* telephone_ = nullptr;
    QLineEdit* account_ = nullptr;
    QLineEdit* password_ = nullptr;
    QComboBox* status_ = nullptr;
    QCheckBox* savePass_ = nullptr;
    QCheckBox* autoLogin_ = nullptr;
    QPushButton* loginButton_ = nullptr;
    QLabel* signInProgressText_ = nullptr;
    QLabel* pbLoginText_ = nullptr;
    QLabel* networkLost_ = nullptr;
    QLabel* retryLater_ = nullptr;

    // own area
    QLabel* head_ = nullptr;
    QLabel* userName_ = nullptr;
    QLabel* myState_ = nullptr;
    QLabel* statusPicture_ = nullptr;
    QLabel* memo_ = nullptr;
    QLineEdit* memoEdit_ = nullptr;
    QToolButton* workState_ = nullptr;
    QString signature_;

    // buttons and badges
    QToolButton* notice_ = nullptr;
    QToolButton* msgCentre_ = nullptr;
    QToolButton* polymerize_ = nullptr;
    std::array<QToolButton*, 4> links_{};
    QLabel* badgeNotices_ = nullptr;
    QLabel* badgeCentre_ = nullptr;
    QToolButton* addUser_ = nullptr;
    QToolButton* netFile_ = nullptr;
    QToolButton* history_ = nullptr;
    QToolButton* msgAlert_ = nullptr;
    QLabel* msgAlertLabel_ = nullptr;
    QLabel* offlineCount_ = nullptr;

    // views
    std::array<QToolButton*, 4> tabs_{};
    QLabel* groupAlert_ = nullptr;
    OrgTreeView* tree_ = nullptr;
    TUserListBox* frequent_ = nullptr;
    TUserListBox* recent_ = nullptr;
    TUserListBox* groups_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* searchDrop_ = nullptr;
    directory::SearchSnapshot searchSnapshot_;
    std::vector<uint32_t> searchMatches_;

    // menus and tray
    QMenu* popFile_ = nullptr;
    QMenu* states_ = nullptr;      // PpMenuStates
    QMenu* myStateMenu_ = nullptr; // MMyState
    QMenu* workMenu_ = nullptr;    // PopupMenu_LCD
    QAction* homePage_ = nullptr;
    QAction* openMain_ = nullptr;
    QAction* connect_ = nullptr;
    QAction* logout_ = nullptr;
    QAction* settings_ = nullptr;
    QAction* changePassword_ = nullptr;
    QList<QAction*> sessionActions_;
    QAction* exit_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    int trayIndex_ = 0;
    QIcon alertIcon_; // the flashing picture, read once per alert
    bool sessionEntries_ = false;

    // frame
    bool dragging_ = false;
    QPoint dragOffset_;
    int keptWidth_ = 0;
};

} // namespace vantor::ui
