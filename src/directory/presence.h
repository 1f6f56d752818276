// The own status, signature, head picture and work state, and the colleagues' status changes:
// sending changes (the own display changes only when the server echoes them), applying received
// ones, the own display, and the automatic "离开"/"忙碌" rules driven by the status timer.
#pragma once

#include "directory/directory.h"
#include "directory/interfaces.h"
#include "directory/settings.h"

#include <optional>
#include <string>

namespace vantor::directory {

class Presence : private DirectoryListener {
  public:
    static constexpr int kStatusTimerIntervalMs = 1000;
    // A request of the automatic rules is sent again only after this long without its echo.
    static constexpr int64_t kAutomaticRetryMs = 30000;

    Presence(Directory& directory, IServerSender& server, IDirectoryView& view, IPeerSessions& peers,
             IIdleSource& idle, IClock& clock, DirectorySettings settings);
    ~Presence() override;

    void setSettings(const DirectorySettings& settings) { settings_ = settings; }
    const DirectorySettings& settings() const { return settings_; }
    void setCapabilities(bool hasAudio, bool hasCamera);
    void setSessionId(const protocol::Guid& id) { sessionId_ = id; }
    // While the screen-capture window is open, a full-screen window does not mean busy.
    void setScreenCaptureActive(bool on) { screenCapture_ = on; }
    // The session runs the status timer while this holds (AutoLeave or AutoBusy).
    bool statusTimerWanted() const { return settings_.autoLeave || settings_.autoBusy; }

    // Sends CmdStatus when the status differs from the own record's, or a text is given, or the
    // change is automatic. Returns false when nothing was sent or the send failed (the session
    // signs out after a failed send).
    bool SetOwnStatus(uint8_t status, const std::optional<std::string>& signature,
                      const std::optional<std::string>& headPicture, bool automatic);
    void OnStatus(const protocol::StatusRecord& record);
    void ShowOwnState();
    void StatusTimerTick();

    // "在岗", "开会", "外出" or "请假".
    void SetWorkState(const std::string& name);
    void OnWorkStateSync(const protocol::WorkStateRecord& record);

    bool statusWasAutomatic() const { return statusWasAutomatic_; }
    const std::string& currentWorkState() const { return currentWorkState_; }

  private:
    void ownUserChanged(const User* u) override;
    void showWorkState(const std::string& name);
    // A request of the timer rules, not repeated while an equal one waits for its echo.
    void timerRequest(uint8_t status, bool automatic);

    Directory& dir_;
    IServerSender& server_;
    IDirectoryView& view_;
    IPeerSessions& peers_;
    IIdleSource& idle_;
    IClock& clock_;
    DirectorySettings settings_;
    bool hasAudio_ = true;
    bool hasCamera_ = false;
    protocol::Guid sessionId_;
    bool screenCapture_ = false;
    bool statusWasAutomatic_ = false;
    std::string currentWorkState_;
    std::optional<uint8_t> pending_; // status asked for by the timer, awaiting its echo
    int64_t pendingSince_ = 0;
};

} // namespace vantor::directory
