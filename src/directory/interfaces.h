// What the directory core needs from the rest of the client: the server connection, the main
// window, the session's own steps, the peer sessions of colleagues, the idle source and a clock.
// Each is a small interface so that tests can put recording fakes in their place.
#pragma once

#include "protocol/chat.h"
#include "protocol/frame.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vantor::directory {

// Sends one message to the server. Returns false when the connection refused the write; the
// caller does not sign out itself (the session does that, after the call has returned).
class IServerSender {
  public:
    virtual ~IServerSender() = default;
    virtual bool sendToServer(const protocol::Message& message) = 0;
};

enum class BalloonIcon : uint8_t { None, Information, Warning, Error };
enum class MessageIcon : uint8_t { None, Information, Warning, Error };
enum class Question : uint8_t { YesNo, OkCancel };

// Picture classes of a status, shared by the main window, the tray and conversation windows.
enum class StatusClass : uint8_t { Online, Busy, Away, DoNotDisturb, Offline, Mobile };

// Everything the main window shows of the own user (all texts GBK).
struct OwnStateDisplay {
    bool signedIn = false;
    std::string statusLabel; // "[在线]", "[未登录]"
    std::string memo;        // the signature (at most 99 bytes) or "个性签名 ..."
    std::string trayHint;    // product + " -- " + name + " [" + status + "]"
    std::string userName;
    int checkedStatus = -1; // the status menu entry to check; -1 when signed out
    StatusClass pictureClass = StatusClass::Offline;
    int trayIconIndex = 0; // applied unless the tray icon is flashing
};

// The view settings the directory writes back when the user changes them.
enum class ViewSetting : uint8_t { ViewStyle, TreeView, FaceView, FaceSize };

// The main window as the directory sees it. Texts are GBK.
class IDirectoryView {
  public:
    virtual ~IDirectoryView() = default;
    virtual void showBalloon(const std::string& title, const std::string& text, int seconds,
                             BalloonIcon icon) = 0;
    virtual void showMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // A question; `answered` gets true for Yes or OK once the user has answered (later, from the
    // event loop: the directory may have changed meanwhile). A question dropped unanswered (the
    // window goes) is never answered.
    using Answer = std::function<void(bool)>;
    virtual void ask(const std::string& title, const std::string& text, Question buttons,
                     Answer answered) = 0;
    // The input box with its prompt; `answered` gets nullopt when cancelled.
    using TextAnswer = std::function<void(std::optional<std::string>)>;
    virtual void askText(const std::string& prompt, TextAnswer answered) = 0;
    virtual void showOwnState(const OwnStateDisplay& state) = 0;
    // The work-state button shows the picture of this state ("在岗", "开会", "外出", "请假").
    virtual void showWorkState(const std::string& name) = 0;
    // The tab of view 0…3 becomes current (the directory has already filled what it shows).
    virtual void showView(int view) = 0;
    virtual void storeViewSetting(ViewSetting key, const std::string& value) = 0;
};

// Steps of the session that the directory triggers.
class IDirectoryHost {
  public:
    virtual ~IDirectoryHost() = default;
    // A directory item of the sign-in load arrived: restart the sign-in watchdog.
    virtual void restartSignInWatchdog() = 0;
    // A chat message held for its unknown sender, delivered again (not live) now that the
    // sender's record is known. Called oldest first.
    virtual void deliverHeldMessage(const protocol::ChatMessage& message) = 0;
    // The record of a queried user arrived (a conversation waiting for it may open now).
    virtual void userRecordArrived(uint32_t userId) = 0;
    // A user's status, picture, signature or name changed: refresh the conversation windows
    // (all of them when `own`) and the colleague picker.
    virtual void userChanged(uint32_t userId, bool own) = 0;
};

// The peer channels and sessions (transfers, voice, video, remote assistance) of colleagues.
class IPeerSessions {
  public:
    virtual ~IPeerSessions() = default;
    // The colleague went offline or to a mobile phone: abort unfinished transfers, end voice,
    // video and remote-assistance sessions with them, free their peer channel.
    virtual void endSessionsWith(uint32_t userId) = 0;
};

// What the desktop shows in front: nothing known or the desktop itself, a window that covers
// the whole screen, or an ordinary window.
enum class Foreground : uint8_t { Unknown, Desktop, FullScreen, Windowed };

// Time without keyboard or mouse input, and the kind of window in front.
class IIdleSource {
  public:
    virtual ~IIdleSource() = default;
    virtual int64_t idleMilliseconds() = 0;
    virtual Foreground foreground() = 0;
};

// For desktops that tell nothing: never idle, nothing in front.
class NullIdleSource : public IIdleSource {
  public:
    int64_t idleMilliseconds() override { return 0; }
    Foreground foreground() override { return Foreground::Unknown; }
};

class IClock {
  public:
    virtual ~IClock() = default;
    // Monotonic milliseconds.
    virtual int64_t nowMs() const = 0;
};

class SteadyClock : public IClock {
  public:
    int64_t nowMs() const override;
};

} // namespace vantor::directory
