// The session itself: what completing a sign-in sets up, and what a sign-out takes down, in order.
#include "session/messenger.h"

#include "protocol/datetime.h"
#include "session/texts.h"
#include "session/util.h"
#include "settings/start_folders.h"

#include <QFileInfo>

namespace vantor::session {

using protocol::Cmd;

namespace {
// A head-picture name from the server becomes part of a file name: it must stay a plain name.
bool plainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == name.npos;
}
bool fileExists(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).isFile();
}
} // namespace

void TMessengerX::OnLoginComplete() {
    if (!OwnUser) return;
    const uint32_t ownId = OwnUser->userId;

    // 1. The signed-in width, the balloon, the own status.
    view_.applySignedInWidth(Machine.Width);
    SignedInOnce = true;
    view_.showBalloon(QString::fromUtf8(text::kLoginDoneTitle), QString(), 15, BalloonIcon::Error);
    loginStep(LoginStep::OwnStatus);

    // 2.–7. The account's folders and settings.
    startAccount(ownId);
    loginStep(LoginStep::Mailbox);

    // 9. Watchdog and re-connection off; the views.
    TimerAutoConnect->stop();
    TimerLoging->stop();
    TreeVisible = true;
    view_.showContactViews(true);
    loginStep(LoginStep::ListViews);
    if (UserConfig.AutoLeave || UserConfig.AutoBusy) loginStep(LoginStep::StatusTimer);
    loginStep(LoginStep::ViewTabs);
    SignInTime = protocol::nowDayCount();

    // 12. Menus.
    setConnectEntry(text::kConnectEntry, false);
    view_.setSessionEntries(true);
    SessionEntriesEnabled = true;

    // 13. Heartbeat from now on.
    HartTimer->start();
    loginStep(LoginStep::PeerKeepAlive);
    LastServerSign = clock_.nowMs();
    loginStep(LoginStep::PrepareLists);

    // 15. The contact view.
    view_.showView(UserConfig.ViewStyle != settings::ContactPanel::Tree || ContactGroupMode
                       ? ContactView::Frequent
                       : ContactView::Tree);

    // 16.–17. Progress off; the buttons the server allows; attendance.
    view_.hideProgress();
    ProgressPanelVisible = false;
    SignedInButtons buttons;
    buttons.addContact = ServerSettings.mayAddContacts;
    buttons.workState = ServerSettings.workStateButton;
    // Attendance: the sign-in for work itself waits for the day's state (the client's attendance
    // asks at the toolbar step), so that a reconnect never signs the user out of work.
    if (ServerSettings.attendanceBySignIn) {
        buttons.workState = true;
        buttons.workStateSignedIn = true;
    }
    view_.setSignedInButtons(buttons);

    // 18. Toolbar, panels, a hidden start.
    loginStep(LoginStep::ToolbarPictures);
    view_.hideSignInPanel();
    SignInPanelVisible = false;
    if (StartHidden) {
        view_.setWindowHidden(true);
        WindowHidden = true;
    }
    StartHidden = false;

    // 19. The own detail record.
    std::string body(4, '\0');
    wire::storeU32(body.data(), ownId);
    SendToServer(protocol::Message{uint8_t(Cmd::UserDetail), body});

    // 20. A conversation asked for before the sign-in.
    RunPendingChat();

    // 21. Waiting messages.
    if (UserConfig.ShowMsgCenter && OfflineCount > 0) loginStep(LoginStep::OpenMessageCentre);
}

void TMessengerX::startAccount(uint32_t ownId) {
    const settings::FolderLayout& layout = env_.layout;
    const settings::AccountFolders folders = settings::prepareAccountFolders(layout, ownId);
    UserHeadFolder = folders.userHeadFolder;
    if (folders.customFaceFailed)
        view_.showMessage(QString::fromUtf8(text::kCreateFolderFailed), QString::fromUtf8(text::kAppTitle));

    std::string head = layout.userPicFolder(ownId) + std::to_string(ownId) + ".bmp";
    if (!fileExists(head)) {
        const std::string& name = OwnUser->headPicture;
        head = plainName(name) ? UserHeadFolder + name + ".bmp" : std::string();
        if (head.empty() || !fileExists(head)) head = layout.programFolder() + "SysImages/DefaultHead.bmp";
    }
    view_.setOwnHeadPicture(QString::fromStdString(head));

    const std::string userFile = layout.userFile(ownId);
    UserConfig = settings::loadUserSettings(userFile, layout);
    // A settings file that cannot be written must not keep the sign-in from completing.
    guarded([&] { settings::copyOldAccountFolder(layout, ownId); });
    if (!UserConfig.isMsgDBCopyed)
        env_.launcher->startDetached(QString::fromStdString(layout.programFolder()) +
                                         QLatin1String(kHistoryMigrationProgram),
                                     {QString::number(ownId)});
    guarded([&] {
        settings::saveNetFileValues(userFile,
                                    {FileServerAddress, FileServerPort, ServerSettings.netFileSingleMaxSize,
                                     ServerSettings.netFileMaxSize, ServerSettings.netFileFilter});
    });
    view_.applyWindowOptions(UserConfig.AutoHide, UserConfig.MainFormOnTop);
}

void TMessengerX::signOutOfWork() {
    if (env_.attendanceWithSignIn && ServerSettings.attendanceBySignIn && connection_.isOpen())
        guarded([&] { SendToServer(protocol::emptyMessage(Cmd::AttendanceSignOut)); });
}

void TMessengerX::SignOut(bool byUser) {
    // 1. Attendance: the user's own sign-out (and exit, see Exit) signs out of work; a failure
    // sign-out never does, so a reconnect keeps the day's state.
    if (byUser) signOutOfWork();

    // 2. An attempt in progress is cancelled.
    signOutStep(SignOutStep::StatusTimer, byUser);
    if (SignInPanelVisible || ProgressPanelVisible) {
        ConnectCancelled = true;
        connection_.close();
    }

    // 3.–4. The reader stops; the server hears that we leave.
    if (connection_.isOpen()) guarded([&] { SendToServer(protocol::emptyMessage(Cmd::Logout)); });
    connection_.close();
    signOutStep(SignOutStep::Mailbox, byUser);

    // 6. Timers, progress, the tree, the counters, the menus.
    TimerAutoConnect->stop();
    TimerLoging->stop();
    HartTimer->stop();
    view_.hideProgress();
    ProgressPanelVisible = false;
    signOutStep(SignOutStep::Alerts, byUser);
    view_.showContactViews(false);
    TreeVisible = false;
    view_.setOfflineCount(0);
    setConnectEntry(text::kConnectEntry, true);
    view_.setSessionEntries(false);
    SessionEntriesEnabled = false;

    // 7. No own user any more.
    OwnUser.reset();
    view_.setMyStateText(QString::fromUtf8(text::kNotSignedIn));
    signOutStep(SignOutStep::RecentContacts, byUser);

    // 8.–9. Conversations, sessions, the directory.
    signOutStep(SignOutStep::Conversations, byUser);
    signOutStep(SignOutStep::Sessions, byUser);
    knownUsers_.clear();
    queriedUsers_.clear();
    WaitingChatUser.reset();

    // 10. Re-connection after a failure.
    if (!byUser && Machine.AutoConnect) TimerAutoConnect->start(Machine.AutoConnectInterval * 1000);

    // 11.–12.
    signOutStep(SignOutStep::SessionObjects, byUser);
    if (byUser) view_.hideBadgesAndToolbarLinks();

    // 13.–14. The re-login panel, and the sign-in panel when the user asked for it.
    view_.showReLoginPanel(!byUser);
    ReLoginPanelVisible = true;
    if (byUser || SignInPanelVisible) {
        view_.showSignInPanel();
        SignInPanelVisible = true;
    }

    // 15. The token leaves the list.
    if (!SignInToken.empty()) {
        const std::string token = std::exchange(SignInToken, {});
        guarded([&] { settings::removeLoginToken(env_.layout.machineFile(), token); });
    }
}

} // namespace vantor::session
