// TMessengerX: the client's session core behind the main window — start-up, the command line and
// the hand-over from `agent`, the server connection and sign-in, the heartbeat, sign-out,
// automatic re-connection and exit. Windows are reached only through IMainView; the other
// subsystems join through the dispatch table and SessionParticipant.
#pragma once

#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/process_launcher.h"
#include "protocol/records.h"
#include "session/dispatch.h"
#include "session/main_view.h"
#include "session/participant.h"
#include "session/server_connection.h"
#include "settings/folder_layout.h"
#include "settings/machine_settings.h"
#include "settings/user_settings.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vantor::session {

// Everything the core takes from outside.
struct MessengerEnvironment {
    platform::Clock* clock = nullptr;
    IMainView* view = nullptr;
    platform::ProcessLauncher* launcher = nullptr;
    platform::CameraProbe* camera = nullptr; // none: no camera
    settings::FolderLayout layout{".", "."};
    std::string exeFileName = "vantor";        // the client's file name, handed to the updater
    std::function<std::string()> machineId;    // default: platform::machineId
    std::function<std::string()> localAddress; // default: platform::localIPv4Address
    std::function<void()> quit;                // ends the application loop
    // In attendance mode, the sign-in signs in for work and leaving signs out (off: a tool that
    // signs in to look, not to work).
    bool attendanceWithSignIn = true;
};

// Sibling programs started from the program folder.
inline constexpr const char* kUpdaterProgram = "Freshpatch";
inline constexpr const char* kHistoryMigrationProgram = "Logscribe";

class TMessengerX : public QObject {
    Q_OBJECT
  public:
    explicit TMessengerX(MessengerEnvironment env, QObject* parent = nullptr);
    ~TMessengerX() override;

    // ---- start-up, hand-over and exit ----
    // Main window creation with the first command-line argument (GBK); starts Timer_Shadow.
    void ActiveFormCreate(std::string_view argument);
    void Timer_ShadowTimer();
    // The text handed over by `agent` (GBK, without its NUL).
    void OnCopyData(std::string_view text);
    // "退出(&X)", the sign-in panel's close button, the window-close request, SIGTERM and SIGINT.
    void Exit();
    // The main window is destroyed: timers off, WindowPos saved.
    void MainWindowDestroyed();

    // ---- sign-in ----
    void SignInClicked();
    void Connect();
    // MConnect, LblCancelLogin, lb_Cancel: signs in or cancels the attempt in progress.
    void ConnectMenuClicked();
    // "注销(N)".
    void LogoutMenuClicked();
    // ImgBtn_ReLogin.
    void ReLoginClicked();
    // "自动登录" clicked.
    void AutoLoginClicked(bool on);
    // The settings dialog changed the server or proxy in Machine: the next connection uses them
    // (the host is looked up again); a connection that is open stays as it is.
    void ConnectionSettingsChanged();
    void SignOut(bool byUser);

    // Handlers of the sign-in messages.
    void OnVersionCheck(const protocol::VersionCheckReply& r);
    void OnLoginReply(const protocol::LoginReply& r);
    void OnLoginComplete();
    void OnHeartbeat();

    void HartTimerTimer();
    void TimerLogingTimer();
    void TimerAutoConnectTimer();

    // ---- for the other subsystems ----
    // Ordinary path (at most 2028 bytes) and stream path; false when nothing was written (closed
    // connection or failed write).
    bool SendToServer(const protocol::Message& m);
    bool SendStreamToServer(std::string_view stream);
    // Replaces the handler of a code (the built-in handlers of the sign-in codes included).
    void registerHandler(protocol::Cmd code, MessageHandler handler) {
        dispatcher_.registerHandler(code, std::move(handler));
    }
    const Dispatcher& dispatcher() const { return dispatcher_; }
    void addParticipant(SessionParticipant* p) { participants_.push_back(p); }
    void removeParticipant(SessionParticipant* p);
    // The directory's part of the sign-in: the own record arrived; an item of the load arrived.
    void setOwnUser(const protocol::UserRecord& own);
    void RestartLoginWatchdog();
    // Asks the server once per session for a user's record (CmdUserQuery).
    void QueryUser(uint32_t userId);
    // A user's record arrived: opens the conversation that waited for it.
    void OnUserRecordArrived(uint32_t userId);
    // Whether a user is in the directory; the directory replaces the built-in answer.
    std::function<bool(uint32_t)> UserKnown;
    // Where a user's record is asked for when a directory keeps track of its own queries; unset,
    // the session asks the server itself, once per session.
    std::function<void(uint32_t)> AskForUser;
    // Sign-in completed and not signed out since.
    bool SignedIn() const { return OwnUser.has_value() && TreeVisible; }
    bool ConnectionOpen() const { return connection_.isOpen(); }
    ServerConnection& connection() { return connection_; }
    const MessengerEnvironment& environment() const { return env_; }

    // ---- start-up state ----
    bool StartHidden = false;
    bool WindowHidden = false;
    std::string PendingChatUser;
    bool CommandLineLogin = false;
    bool Exiting = false;
    bool SignedInOnce = false;
    std::string Version{settings::kDefaultVersion};
    bool HasAudio = true;
    bool HasCamera = false;
    std::string MachineId;

    // ---- settings held in memory ----
    settings::MachineSettings Machine;
    settings::UserSettings UserConfig; // the signed-in account's settings file
    std::string UserHeadFolder;

    // ---- connection state ----
    std::string Account;
    std::string PasswordText;
    std::string SignInStatusName;
    std::string ServerHost;
    std::string ServerAddress;
    bool ConnectCancelled = false;
    std::string FileServerAddress;
    uint32_t FileServerPort = 9203;
    protocol::Guid SessionId;
    std::string SignInToken;
    protocol::ServerSettings ServerSettings;
    bool ContactGroupMode = false;
    std::optional<protocol::UserRecord> OwnUser;
    int64_t LastServerSign = 0;
    uint32_t HomePagePort = 0;
    uint32_t OfflineCount = 0;
    double SignInTime = 0;
    std::optional<uint32_t> WaitingChatUser; // a conversation to open when the record arrives

    // ---- what the main window shows ----
    bool SignInPanelVisible = false;
    bool ProgressPanelVisible = false;
    bool ReLoginPanelVisible = false;
    bool TreeVisible = false;
    bool SessionEntriesEnabled = false;
    std::string ConnectCaption; // UTF-8: text::kConnectEntry or text::kCancelEntry

    // ---- timers ----
    std::unique_ptr<platform::Timer> Timer_Shadow;     // 500 ms, once, at start
    std::unique_ptr<platform::Timer> TimerLoging;      // 15000 ms sign-in watchdog, once
    std::unique_ptr<platform::Timer> HartTimer;        // 30000 ms heartbeat
    std::unique_ptr<platform::Timer> TimerAutoConnect; // 180000 ms at start, then AutoConnectInterval s
    std::unique_ptr<platform::Timer> ExitDelay;        // 300 ms between sign-out and close at exit

  private:
    void installHandlers();
    void loadSettings();
    void resolveServerAddress();
    void showProgress();
    void setConnectEntry(const char* caption, bool enabled);
    void onConnectionOpened();
    void onConnectionReady();
    void onConnectionFailed();
    void sendLogin();
    void acceptLogin(const protocol::LoginReply& r);
    void startAccount(uint32_t ownId);
    void RunPendingChat();
    void finishExit();
    // Attendance mode: CmdAttendanceSignOut while connected.
    void signOutOfWork();
    void loginStep(LoginStep s);
    void signOutStep(SignOutStep s, bool byUser);
    platform::ProxySettings proxySettings() const;

    MessengerEnvironment env_;
    platform::Clock& clock_;
    IMainView& view_;
    Dispatcher dispatcher_;
    ServerConnection connection_;
    std::vector<SessionParticipant*> participants_;
    std::set<uint32_t> knownUsers_;   // built-in directory: ids of the user items
    std::set<uint32_t> queriedUsers_; // QueriedUsers
    int lookupId_ = -1;
};

} // namespace vantor::session
