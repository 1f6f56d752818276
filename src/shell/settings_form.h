// The behaviour of the settings dialog without widgets: what its pages show, the ordered checks
// of a save, the save itself (connection first, then the account's settings, the profile and the
// autostart entry), and the change of display name and password with its confirmation. Texts are
// GBK bytes; the messages for the user are UTF-8.
#pragma once

#include "client/client_core.h"
#include "directory/directory.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "protocol/user_detail.h"
#include "shell/edge_docking.h"
#include "shell/shell_view.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::shell {

// The dialog's pages: Imgbtn_Net, Imgbtn_Status, Imgbtn_Userinfo, Imgbtn_Other, Imgbtn_Password.
enum class SettingsPage { Net = 0, Status = 1, Userinfo = 2, Other = 3, Password = 4 };

// The boxes a failed check points at.
enum class SettingsField { HostName, ServerPort, ProxyAddress, ProxyPort, AutoConnectInterval, AutoLeave };

// "网络设置". Number boxes are held as typed.
struct NetworkValues {
    std::string host;
    std::string port;
    int proxyCategory = 0; // 0 none, 1 SOCKS 4, 2 SOCKS 4A, 3 SOCKS 5, 4 HTTP
    std::string proxyAddress;
    std::string proxyPort;
    std::string proxyUsername;
    std::string proxyPassword;
    bool autoConnect = true;
    std::string autoConnectInterval;
};

// "状态和提醒".
struct StatusValues {
    std::string msgSound;
    bool dontPlaySound = false;
    bool showMsgHint = true;
    bool showMsgRemind = false;
    bool notShowContent = false;
    bool enterSendMsg = true;
    bool autoSort = true;
    bool autoLeave = true;
    std::string autoLeaveMinutes;
    bool autoBusy = true;
};

// "其他设置".
struct OtherValues {
    bool autoRun = false;
    bool rememberPassword = false;
    std::string loginState; // "在线", "忙碌", "离开" or "隐身"
    bool onTop = false;
    bool autoHide = true;
    bool btnNotClose = true;
    bool showMsgCenter = true;
    std::string revFilesPath;
    bool flashIcon = true; // notification-only mode
    bool showPop = true;   // notification-only mode
};

// "我的资料": the fields of the own detail record the user edits.
struct ProfileValues {
    bool female = false;
    std::string company, office, officePhone, mobilePhone, mail, fax;
    bool operator==(const ProfileValues&) const = default;
};

struct SettingsValues {
    NetworkValues net;
    StatusValues status;
    OtherValues other;
    ProfileValues profile;
    std::string displayName; // the own display name ("修改密码"); not saved by btn_Save
};

// Which side buttons show, and whether page 3 is cut down to the notification-only options.
struct PageAccess {
    std::array<bool, 5> visible{};
    bool notificationOnly = false;
};
// Before sign-in only the network page; in the notification-only mode the network page and
// page 3; otherwise all five.
PageAccess pageAccess(bool signedIn, bool notificationOnly);

struct CheckFailure {
    SettingsPage page;
    SettingsField field;
    const char* message; // UTF-8, shown with the caption "提示"
};

// A port box: 1…32767 in digits; anything else (empty included) is no port.
std::optional<int> portNumber(std::string_view text);
// A count box (seconds, minutes): 1…99999 in digits.
std::optional<int> positiveNumber(std::string_view text);

// The six checks in their order; the first that fails. The idle minutes are checked only when
// the status page is reachable (signed in).
std::optional<CheckFailure> checkSettings(const SettingsValues& values, bool signedIn);

// The profile the page shows for a held detail record, and the record a changed profile sends:
// built from zero bytes (the unit and the tail stay zero), texts cut to their fields.
ProfileValues profileOf(const protocol::UserDetail& detail);
protocol::UserDetail profileRecord(uint32_t ownId, const ProfileValues& profile);

// CmdChangeNamePassword: own id, the new display name, and the digest of the new password (empty
// when only the name changes).
struct NameChangeRecord {
    static constexpr size_t kSize = 78;
    uint32_t userId = 0;
    std::string name;   // text[40]
    std::string digest; // text[32]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.text(40, r.name);
        io.text(32, r.digest);
    }
};

// How a change of display name and password went.
enum class NameChangeOutcome {
    EmptyName,        // "呢称不能为空！"
    WrongOldPassword, // "原密码输入错误！"
    EmptyPassword,    // "密码不能为空！"
    Mismatch,         // "两次输入的密码不一致！"
    SendFailed,       // "更改呢称/密码失败！" (error)
    Waiting,          // sent; the confirmation or the time-out follows
    Confirmed,        // "更改显示名/密码成功！"
    TimedOut,         // "更改显示名/密码失败（超时）！" (error)
};
struct OutcomeText {
    const char* message = nullptr; // UTF-8; null for Waiting
    const char* title = nullptr;   // "提示" or "错误"
    bool error = false;
};
OutcomeText outcomeText(NameChangeOutcome outcome);

// The uppercase MD5 of the new password, or empty when none is given.
std::string passwordDigest(std::string_view trimmedPassword);

class SettingsForm : private directory::DirectoryListener, private people::IPeopleListener {
  public:
    // How long the change of display name and password waits for the server's rename of the own
    // user (200 waits of 30 ms).
    static constexpr int kConfirmationMs = 6000;
    // The display name box takes at most this many characters; the record holds 40 bytes.
    static constexpr int kMaxNameChars = 20;

    SettingsForm(client::ClientCore& client, IShellView& view, EdgeDocking& docking,
                 platform::Autostart& autostart, QString programPath);
    ~SettingsForm() override;
    SettingsForm(const SettingsForm&) = delete;
    SettingsForm& operator=(const SettingsForm&) = delete;

    bool signedIn() const;
    PageAccess pages() const;
    // What the pages show, from the values held in memory (and the autostart entry).
    SettingsValues load() const;

    struct SaveResult {
        std::optional<CheckFailure> failure; // a check failed: nothing was saved
        std::string error;                   // a settings file could not be written (UTF-8)
        bool profileSent = false;
        bool ok() const { return !failure && error.empty(); }
    };
    // Checks everything first; only when every check passes are the values taken and written.
    SaveResult save(const SettingsValues& values);

    // The own detail record as the server last sent it; the profile page edits it and a save sends
    // it only when it changed. Nothing held: the page cannot be edited and nothing is sent.
    void setOwnDetail(const protocol::UserDetail& detail) { ownDetail_ = detail; }
    const std::optional<protocol::UserDetail>& ownDetail() const { return ownDetail_; }

    // BTOK: checks, sends CmdChangeNamePassword and waits for the server to rename the own user.
    // Returns Waiting when sent; `done` is then called once with Confirmed or TimedOut (unless
    // cancelled). Every other outcome is returned at once and `done` is not called.
    NameChangeOutcome changeNamePassword(std::string_view name, std::string_view oldPassword,
                                         std::string_view newPassword, std::string_view confirmation,
                                         std::function<void(NameChangeOutcome)> done);
    bool waitingForConfirmation() const { return waiting_.has_value(); }
    // The dialog closed: the wait ends without calling back.
    void cancelNameChange();

    // How a message reaches the server (default: the session's connection).
    std::function<bool(const protocol::Message&)> send;

  private:
    void userChanged(const directory::User& u, const directory::UserChange& change) override;
    void directoryAboutToReset() override;
    void finishNameChange(NameChangeOutcome outcome);
    void saveConnection(const SettingsValues& values);
    bool saveAccount(const SettingsValues& values);

    struct Waiting {
        uint32_t ownId = 0;
        std::string name;     // as sent (GBK, cut to the field)
        std::string password; // the trimmed new password, empty when only the name changes
        std::function<void(NameChangeOutcome)> done;
    };

    client::ClientCore& client_;
    IShellView& view_;
    EdgeDocking& docking_;
    platform::Autostart& autostart_;
    QString programPath_;
    // people::IPeopleListener: the own detail record as it arrives.
    void detailArrived(uint32_t userId, bool pushed) override;
    std::optional<protocol::UserDetail> ownDetail_;
    std::optional<Waiting> waiting_;
    std::unique_ptr<platform::Timer> confirmTimer_;
};

} // namespace vantor::shell
