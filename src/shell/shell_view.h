// What the main window's behaviour does to the window besides the session's panels: the tray
// icon's flashing, the pending-message indicator, badges, server toolbar buttons, the frame's
// position for docking, links and problems to report. The main window implements it; tests fake it.
#pragma once

#include "client/conversation_windows.h"
#include "shell/badges.h"
#include "shell/window_frame.h"

#include <QString>
#include <QUrl>

namespace vantor::shell {

class IShellView {
  public:
    virtual ~IShellView() = default;

    // ---- the notification-area icon ----
    // The picture whose 16 × 16 copy alternates with the blank frame while flashing.
    virtual void setTrayAlertPicture(const QString& path) = 0;
    // One flash frame: the alert picture (true) or the blank frame.
    virtual void setTrayFlashFrame(bool picture) = 0;
    // Back to the icon of the own status.
    virtual void restoreTrayStatusIcon() = 0;

    // ---- pending messages ----
    // btn_MsgAlert and lb_MsgAlert with the number of pending conversations; 0 hides them.
    virtual void showPendingCount(int count) = 0;
    // The sender (or the group) marked in the contact lists while its message waits.
    virtual void markInLists(const client::ConversationAlert& alert, bool marked) = 0;
    // The window manager's attention hint on the main window (a new conversation is pending).
    virtual void requestAttention() = 0;

    // ---- badges and server toolbar buttons ----
    virtual void showBadge(BadgeKind kind, const BadgeDisplay& display) = 0;
    // Button 0 is the message-centre button (only its hint changes); 1…4 are Image4…Image7,
    // shown with the hint.
    virtual void showToolbarButton(int button, const QString& hint) = 0;

    // ---- the frame ----
    virtual FrameRect frameRect() const = 0;
    virtual int screenWidth() const = 0;
    virtual void cursorPosition(int& x, int& y) const = 0;
    virtual void moveFrame(const FrameRect& rect) = 0;
    virtual void setTopMost(bool on) = 0;
    // Shows the main window from the tray: inside the work area, restored, in front, with its
    // shadow.
    virtual void showMainWindow() = 0;

    // ---- elsewhere ----
    virtual void openLink(const QUrl& url) = 0;
    virtual void reportProblem(const QString& title, const QString& text) = 0;
};

} // namespace vantor::shell
