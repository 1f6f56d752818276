#include "directory/presence.h"

#include "directory/status_display.h"
#include "directory/texts.h"
#include "protocol/codes.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace vantor::directory {

using protocol::kAway;
using protocol::kBusy;
using protocol::kOnline;

Presence::Presence(Directory& directory, IServerSender& server, IDirectoryView& view, IPeerSessions& peers,
                   IIdleSource& idle, IClock& clock, DirectorySettings settings)
    : dir_(directory), server_(server), view_(view), peers_(peers), idle_(idle), clock_(clock),
      settings_(std::move(settings)) {
    dir_.addListener(this);
}

Presence::~Presence() {
    dir_.removeListener(this);
}

void Presence::setCapabilities(bool hasAudio, bool hasCamera) {
    hasAudio_ = hasAudio;
    hasCamera_ = hasCamera;
}

bool Presence::SetOwnStatus(uint8_t status, const std::optional<std::string>& signature,
                            const std::optional<std::string>& headPicture, bool automatic) {
    const User* own = dir_.ownUser();
    if (!own) return false;
    if (status == own->record.status && !signature && !headPicture && !automatic) return false;
    protocol::StatusRecord r;
    r.userId = own->id();
    r.status = status;
    r.hasAudio = hasAudio_;
    r.hasCamera = hasCamera_;
    r.automatic = automatic;
    if (headPicture) {
        r.textKind = uint8_t(protocol::TextKind::HeadPicture);
        r.text = *headPicture;
    } else if (signature) {
        r.textKind = uint8_t(protocol::TextKind::Signature);
        r.text = *signature;
    }
    // The body cuts the text to 99 bytes without splitting a character.
    return server_.sendToServer(protocol::Message{uint8_t(protocol::Cmd::Status), r.encodeBody()});
}

void Presence::OnStatus(const protocol::StatusRecord& record) {
    if (record.text.size() > protocol::kMaxStatusText) return;
    const User* u = dir_.findUser(record.userId);
    if (!u) return;
    const uint8_t code = record.status & 0x7F;
    if (code == protocol::kOffline || code == protocol::kMobile) peers_.endSessionsWith(record.userId);
    dir_.applyStatus(record);
    if (u == dir_.ownUser()) {
        statusWasAutomatic_ = record.automatic;
        pending_.reset();
        ShowOwnState();
    }
}

void Presence::ShowOwnState() {
    OwnStateDisplay s;
    const User* own = dir_.ownUser();
    if (own) {
        const auto& r = own->record;
        const std::string& name = protocol::statusName(displayStatus(r.status));
        s.signedIn = true;
        s.statusLabel = "[" + name + "]";
        s.memo = r.signature.empty() ? texts::signaturePrompt()
                                     : r.signature.substr(0, wire::gbkCutLength(r.signature, 99));
        s.trayHint = settings_.productName + " -- " + r.name + " [" + name + "]";
        s.userName = r.name;
        s.checkedStatus = knownStatus(r.status) ? displayStatus(r.status) : -1;
        s.pictureClass = statusClass(r.status);
        s.trayIconIndex = trayIconIndex(true, r.status);
    } else {
        s.statusLabel = texts::notSignedIn();
        s.trayHint = settings_.productName + " -- " + texts::notSignedIn();
        s.trayIconIndex = trayIconIndex(false, 0);
    }
    view_.showOwnState(s);
}

void Presence::timerRequest(uint8_t status, bool automatic) {
    const int64_t now = clock_.nowMs();
    if (pending_ == status && now - pendingSince_ < kAutomaticRetryMs) return;
    pending_ = status;
    pendingSince_ = now;
    SetOwnStatus(status, std::nullopt, std::nullopt, automatic);
}

void Presence::StatusTimerTick() {
    const User* own = dir_.ownUser();
    if (!own) return;
    const uint8_t status = own->record.status;
    // 64 bits: a large interval from the settings file must not wrap.
    const int64_t threshold = settings_.autoLeaveIntervalMinutes * int64_t(60000);
    const bool idle = idle_.idleMilliseconds() > threshold;
    if (settings_.autoLeave && idle && status == kOnline)
        timerRequest(kAway, true);
    else if (statusWasAutomatic_ && status == kAway && !idle)
        timerRequest(kOnline, false); // back only once the user is back, not on the echo itself

    const Foreground front = idle_.foreground();
    if (front == Foreground::FullScreen) {
        if (status == kOnline && settings_.autoBusy && !screenCapture_) timerRequest(kBusy, true);
    } else if (front == Foreground::Windowed) {
        if (statusWasAutomatic_ && status == kBusy) timerRequest(kOnline, false);
    }
}

void Presence::showWorkState(const std::string& name) {
    currentWorkState_ = name;
    view_.showWorkState(name);
}

void Presence::SetWorkState(const std::string& name) {
    if (!dir_.ownUser() || name == currentWorkState_) return;
    bool known = false;
    for (int i = 0; i < 4; ++i)
        known = known || name == texts::workState(i);
    if (!known) return;
    showWorkState(name);
    protocol::WorkStateRecord r;
    r.sessionId = sessionId_;
    r.name = name;
    server_.sendToServer(protocol::makeMessage(protocol::Cmd::WorkState, r));
}

void Presence::OnWorkStateSync(const protocol::WorkStateRecord& record) {
    showWorkState(record.name);
}

void Presence::ownUserChanged(const User* u) {
    if (u) {
        showWorkState(u->record.workState);
        return;
    }
    statusWasAutomatic_ = false;
    pending_.reset();
    currentWorkState_.clear();
    ShowOwnState();
}

} // namespace vantor::directory
