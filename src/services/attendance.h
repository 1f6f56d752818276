// Online attendance: the automatic sign-in for work with the messenger's sign-in, and the
// attendance window's state and button. The automatic sign-in asks for the day's state first and
// signs in only when the user has not signed in (nor out) today, so a reconnect never changes the
// state. The window's button stays disabled until the state asked for on opening has arrived.
#pragma once

#include "protocol/services.h"
#include "services/host.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace vantor::services {

// The button of the attendance window, following the day's flags.
enum class SignButton { Unknown, SignIn, SignOut, Close };
SignButton signButtonFor(const protocol::AttendanceState& s);
// "签 到", "签 退", "关 闭" (UTF-8); the unknown state shows "签 到", disabled.
const char* signButtonText(SignButton b);

class Attendance {
  public:
    explicit Attendance(IServicesHost& host) : host_(host) {}

    // The messenger's sign-in completed; in attendance mode the day's state is asked for and the
    // user signed in when it shows no sign-in yet.
    void signedIn(bool attendanceMode);
    // The session ended: answers still on their way are not waited for; the window closes.
    void signedOut();
    // A CmdAttendanceQuery answer; false when it does not decode.
    bool onState(std::string_view body);

    // ---- the window "员工考勤" ----
    // Shown: the state is asked for; until it arrives the button is Unknown.
    void windowOpened();
    void windowClosed();
    bool windowOpen() const { return windowOpen_; }
    SignButton button() const { return windowState_ ? signButtonFor(*windowState_) : SignButton::Unknown; }
    // "hh:nn:ss" of the sign-in and the sign-out, empty while not set (GBK-free ASCII).
    std::string signInText() const;
    std::string signOutText() const;

    enum class Click {
        Ignored, // the state is not known yet: nothing happens
        AskEarly, // before the end of the working day: ask "现在还未到下班时间，确定要签退吗？"
        SentAndClose, // CmdAttendanceSignIn sent; the window closes
        Close,        // "关 闭": nothing sent; the window closes
        NotSent,      // the connection is closed: nothing sent, the window stays
    };
    Click click();
    // The early sign-out was confirmed.
    Click confirmEarlySignOut();

    // Called whenever the window's state changed (the view refreshes).
    std::function<void()> onChanged;
    // The last state the server gave, whoever asked.
    const std::optional<protocol::AttendanceState>& lastState() const { return last_; }

  private:
    enum class Asker { Automatic, Window, Refresh };
    bool query(Asker who);
    Click send();

    IServicesHost& host_;
    std::deque<Asker> waiting_; // the askers of the queries on their way, oldest first
    std::optional<protocol::AttendanceState> last_;
    std::optional<protocol::AttendanceState> windowState_;
    bool windowOpen_ = false;
};

} // namespace vantor::services
