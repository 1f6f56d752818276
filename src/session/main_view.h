// What the session core does to the main window: panels, menus, captions, balloons and message
// boxes. The window classes implement it; the core never touches a widget. Texts are the user's
// (Unicode); the core converts its GBK texts at this boundary.
#pragma once

#include "settings/window_placement.h"

#include <QString>

#include <cstdint>

namespace vantor::session {

enum class BalloonIcon { Information, Error };

// The sign-in panel's input boxes.
struct SignInInputs {
    QString account;
    QString password;
    QString status;                // the status box's text
    bool rememberPassword = false; // "记住密码"
    bool autoLogin = false;        // "自动登录"
};

// The contact views of the signed-in window.
enum class ContactView { Tree = 0, Frequent = 1, Recent = 2, Groups = 3 };

// Buttons shown once a sign-in completes, as the server's settings allow.
struct SignedInButtons {
    bool addContact = false;        // btn_AddUser
    bool workState = false;         // Img_LCDbtn and its separator
    bool workStateSignedIn = false; // attendance: the work-state button shows its signed-in picture
};

class IMainView {
  public:
    virtual ~IMainView() = default;

    // ---- the window ----
    virtual void setCaption(const QString& caption) = 0;
    virtual void setTrayHint(const QString& hint) = 0;
    // lb_PdName; Image_Tel only with the default product name.
    virtual void showProductName(const QString& name, bool showTelephone) = 0;
    // Start-up placement from the stored WindowPos values (the window pulls itself onto the screen).
    virtual void placeAtStart(const settings::WindowRect& stored) = 0;
    virtual settings::WindowRect windowRect() const = 0;
    virtual int workAreaHeight() const = 0;
    virtual void showShadow() = 0;
    // Takes the width kept for the signed-in window, staying inside the screen.
    virtual void applySignedInWidth(int width) = 0;
    // Back to the narrow width of the sign-in panel ("注销(N)").
    virtual void applySignInWidth() = 0;
    // AutoHide (edge docking) and MainFormOnTop of the account's settings.
    virtual void applyWindowOptions(bool autoHide, bool onTop) = 0;
    // Hides (true) the main window and its shadow into the notification area.
    virtual void setWindowHidden(bool hidden) = 0;
    virtual void closeMainWindow() = 0;

    // ---- sign-in and progress panels ----
    virtual void fillSignInPanel(const SignInInputs& inputs) = 0;
    virtual SignInInputs signInInputs() const = 0;
    virtual void showSignInPanel() = 0;
    virtual void hideSignInPanel() = 0;
    // On the sign-in panel: inputs hidden, the text with lb_Cancel and the busy picture.
    virtual void showSignInProgress(const QString& text) = 0;
    // PBLogin, when the sign-in panel is not shown.
    virtual void showProgressPanel(const QString& text) = 0;
    virtual void hideProgress() = 0;
    // PBReLogin over the tree area; "网络已断开" and "系统稍后尝试自动登录" only when the network was lost.
    virtual void showReLoginPanel(bool networkLost) = 0;
    virtual void hideReLoginPanel() = 0;

    // ---- menus, labels, buttons ----
    // MConnect: "登录(&I)" or "取消登录(&I)".
    virtual void setConnectEntry(const QString& caption, bool enabled) = 0;
    // "注销(N)", "我的状态(&S)", "更改名称/密码(&P)" and the other session entries.
    virtual void setSessionEntries(bool enabled) = 0;
    // LblMyState.
    virtual void setMyStateText(const QString& text) = 0;
    // Lb_OfflineCount: the number, shown only when greater than 0.
    virtual void setOfflineCount(int count) = 0;
    virtual void setSignedInButtons(const SignedInButtons& buttons) = 0;
    // The two badge counters and the four server-pushed toolbar buttons.
    virtual void hideBadgesAndToolbarLinks() = 0;
    virtual void setMessageCentreMode(bool on) = 0;
    virtual void setOwnHeadPicture(const QString& path) = 0;

    // ---- contact views ----
    // The organisation tree and the three list views (false: hidden and cleared).
    virtual void showContactViews(bool shown) = 0;
    virtual void showView(ContactView view) = 0;

    // ---- notifications and other windows ----
    virtual void showBalloon(const QString& title, const QString& text, int seconds, BalloonIcon icon) = 0;
    virtual void showMessage(const QString& text, const QString& title) = 0;
    virtual void openSettingsDialog() = 0;
    virtual void openWebPage(const QString& url, int width, int height) = 0;
    // Opens, or brings up, the conversation with a colleague.
    virtual void openConversation(uint32_t userId) = 0;
};

} // namespace vantor::session
