#include "services/attendance.h"

#include "conversation/conversation_registry.h"
#include "protocol/datetime.h"
#include "protocol/records.h"

namespace vantor::services {

using protocol::Cmd;

SignButton signButtonFor(const protocol::AttendanceState& s) {
    if (s.signedIn && s.signedOut) return SignButton::Close;
    if (s.signedIn) return SignButton::SignOut;
    return SignButton::SignIn;
}

const char* signButtonText(SignButton b) {
    switch (b) {
    case SignButton::Close:
        return "关 闭";
    case SignButton::SignOut:
        return "签 退";
    default:
        return "签 到";
    }
}

bool Attendance::query(Asker who) {
    if (!host_.sendToServer(protocol::emptyMessage(Cmd::AttendanceQuery))) return false;
    waiting_.push_back(who);
    return true;
}

void Attendance::signedIn(bool attendanceMode) {
    waiting_.clear();
    if (attendanceMode) query(Asker::Automatic);
    // A window left open over a reconnect asks again.
    if (windowOpen_) query(Asker::Window);
}

void Attendance::signedOut() {
    waiting_.clear();
    last_.reset();
    // The window closes with the session.
    windowState_.reset();
    windowOpen_ = false;
    if (onChanged) onChanged();
}

bool Attendance::onState(std::string_view body) {
    protocol::AttendanceState s;
    if (!wire::decode(body, s)) return false;
    if (waiting_.empty()) return true; // nobody asked: dropped
    const Asker who = waiting_.front();
    waiting_.pop_front();
    last_ = s;
    if (who == Asker::Automatic) {
        // Only a day without a sign-in is signed in; the answer that follows shows the result.
        if (!s.signedIn && !s.signedOut && host_.sendToServer(protocol::emptyMessage(Cmd::AttendanceSignIn)))
            query(Asker::Refresh);
        return true;
    }
    if (windowOpen_) {
        windowState_ = s;
        if (onChanged) onChanged();
    }
    return true;
}

void Attendance::windowOpened() {
    windowOpen_ = true;
    windowState_.reset();
    query(Asker::Window);
    if (onChanged) onChanged();
}

void Attendance::windowClosed() {
    windowOpen_ = false;
    windowState_.reset();
}

namespace {
std::string clockOf(double t) {
    return conversation::clockText(protocol::localFromDayCount(t));
}
} // namespace

std::string Attendance::signInText() const {
    return windowState_ && windowState_->signedIn ? clockOf(windowState_->signInTime) : std::string();
}

std::string Attendance::signOutText() const {
    return windowState_ && windowState_->signedOut ? clockOf(windowState_->signOutTime) : std::string();
}

Attendance::Click Attendance::send() {
    if (!host_.sendToServer(protocol::emptyMessage(Cmd::AttendanceSignIn))) return Click::NotSent;
    // What the server now holds is asked for, so that the main window's state follows.
    query(Asker::Refresh);
    return Click::SentAndClose;
}

Attendance::Click Attendance::click() {
    switch (button()) {
    case SignButton::Unknown:
        return Click::Ignored;
    case SignButton::Close:
        return Click::Close;
    case SignButton::SignOut:
        if (host_.now() < windowState_->signOutTime) return Click::AskEarly;
        return send();
    case SignButton::SignIn:
        return send();
    }
    return Click::Ignored;
}

Attendance::Click Attendance::confirmEarlySignOut() {
    if (button() != SignButton::SignOut) return Click::Ignored;
    return send();
}

} // namespace vantor::services
