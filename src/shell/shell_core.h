// ShellCore: the main window's own behaviours over one client — pending alerts with the tray
// icon's flashing, the tray icon's click and double click, the hot keys, edge docking, the badge
// counters and server toolbar buttons (CmdPendingCounts, CmdToolbarLink), and the sibling
// programs. No widgets: the window is reached through IShellView.
#pragma once

#include "client/client_core.h"
#include "platform/desktop_notifier.h"
#include "platform/hotkeys.h"
#include "platform/process_launcher.h"
#include "platform/sound.h"
#include "shell/badges.h"
#include "shell/desktop_notices.h"
#include "shell/edge_docking.h"
#include "shell/pending_alerts.h"
#include "shell/siblings.h"
#include "shell/toolbar_links.h"
#include "shell/tray_flash.h"

#include <functional>

namespace vantor::shell {

// What the user is told when other programs hold some of the hot keys; empty when none is taken.
QString takenHotKeysText(const std::vector<platform::HotKey>& keys);

class ShellCore : private session::SessionParticipant {
  public:
    // `notifier`: desktop notifications of new messages (none: only the tray tells).
    ShellCore(client::ClientCore& client, IShellView& view, platform::SoundPlayer& sound,
              platform::ProcessLauncher& launcher, platform::DesktopNotifier* notifier = nullptr);
    ~ShellCore() override;
    ShellCore(const ShellCore&) = delete;
    ShellCore& operator=(const ShellCore&) = delete;

    PendingAlerts& alerts() { return alerts_; }
    TrayFlasher& flasher() { return flasher_; }
    EdgeDocking& docking() { return docking_; }
    const BadgeCounters& badges() const { return badges_; }
    const ToolbarLinks& toolbarLinks() const { return links_; }
    SiblingPrograms& siblings() { return siblings_; }
    DesktopNotices& notices() { return notices_; }

    void setConversationWindows(client::IConversationWindows* windows) { alerts_.setWindows(windows); }
    // The message centre's window, once there is one.
    std::function<void()> openMessageCentre;

    // ---- server messages ----
    void OnPendingCounts(const protocol::Message& message);
    void OnToolbarLink(const protocol::Message& message);

    // ---- the tray icon and the hot keys ----
    void trayClicked();
    void trayDoubleClicked();
    void hotKey(platform::HotKey key);

    // ---- buttons ----
    // Image4…Image7 (kinds 2…5) and the message-centre button (kind 1, which also zeroes its badge).
    void openToolbarLink(uint32_t kind);
    // "文件管理", with the window's position.
    void startNetFolder(int left, int top);
    // "群文件共享" of a group conversation: the same, with the group's identifier for the session's.
    void startGroupFolder(int left, int top, const wire::Guid& group);
    // "打开岗位状态程序".
    void startWorkStateProgram();

    // The picture the tray flashes for a conversation.
    QString flashPicture(const client::ConversationAlert& alert) const;

  private:
    void signOutStep(session::SignOutStep step, bool byUser) override;
    void showBadge(BadgeKind kind);
    // The notice badge follows the notice core's count (arrivals, reads, lists of all notices).
    struct NoticeBadge : info::INoticeListener {
        explicit NoticeBadge(ShellCore& shell) : shell_(shell) {}
        void badgeChanged(int count) override;
        ShellCore& shell_;
    };
    QString messageSound() const;
    bool ownStatusQuiet() const;

    client::ClientCore& client_;
    IShellView& view_;
    TrayFlasher flasher_;
    platform::NullDesktopNotifier nullNotifier_;
    DesktopNotices notices_;
    PendingAlerts alerts_;
    EdgeDocking docking_;
    BadgeCounters badges_;
    ToolbarLinks links_;
    SiblingPrograms siblings_;
    NoticeBadge noticeBadge_{*this};
};

} // namespace vantor::shell
