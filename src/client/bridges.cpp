#include "client/bridges.h"

#include "client/client_core.h"

#include <algorithm>

namespace vantor::client {

// ---- the directory's side ----

bool DirectoryBridge::sendToServer(const protocol::Message& message) {
    const bool ok = core_.messenger().SendToServer(message);
    if (!ok) core_.signOutAfterFailedWrite();
    return ok;
}

void DirectoryBridge::restartSignInWatchdog() {
    core_.messenger().RestartLoginWatchdog();
}

void DirectoryBridge::deliverHeldMessage(const protocol::ChatMessage& message) {
    core_.chat().deliver(message, false);
}

void DirectoryBridge::userRecordArrived(uint32_t userId) {
    core_.messenger().OnUserRecordArrived(userId);
}

void DirectoryBridge::userChanged(uint32_t userId, bool own) {
    // The session keeps a copy of the own record (head picture, id); it follows every change.
    if (own)
        if (const directory::User* u = core_.directory().directory().ownUser()) {
            core_.messenger().setOwnUser(u->record);
            core_.refreshChatSession();
        }
    if (auto* r = core_.records()) r->userChanged(userId, own);
    if (auto* v = core_.conversationView()) v->colleagueChanged(userId, own);
}

void DirectoryBridge::endSessionsWith(uint32_t userId) {
    core_.transfers().colleagueGone(userId);
    if (auto* r = core_.records()) r->sessionsEnded(userId);
    core_.peers().freeChatChannel(userId);
}

int64_t DirectoryBridge::nowMs() const {
    return core_.clock().nowMs();
}

void DirectoryBridge::ownUserChanged(const directory::User* u) {
    // Null while the lists are replaced or freed: the session clears its copy at sign-out itself.
    if (u) core_.messenger().setOwnUser(u->record);
}

// ---- the peer transport's side ----

bool PeerBridge::connected() const {
    return core_.messenger().ConnectionOpen();
}

void PeerBridge::sendToServer(std::string_view message) {
    if (message.empty()) return;
    session::TMessengerX& m = core_.messenger();
    const bool ok =
        message.size() <= protocol::kMaxOrdinaryMessage
            ? m.SendToServer(protocol::Message{uint8_t(message[0]), std::string(message.substr(1))})
            : m.SendStreamToServer(message);
    if (!ok) core_.signOutAfterFailedWrite();
}

std::string PeerBridge::serverAddress() const {
    return core_.messenger().ServerAddress;
}

uint16_t PeerBridge::serverPort() const {
    return uint16_t(std::clamp(core_.messenger().Machine.ServerPort, 0, 65535));
}

uint32_t PeerBridge::ownId() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::optional<uint8_t> PeerBridge::contactStatus(uint32_t userId) const {
    const directory::User* u = core_.directory().directory().findUser(userId);
    if (!u) return std::nullopt;
    return u->record.status;
}

void PeerBridge::requestUserRecord(uint32_t userId) {
    core_.directory().directory().QueryUser(userId);
}

void PeerBridge::peerRecord(const protocol::Message& m, peer::TMySocket& channel) {
    core_.colleagueRecord(m, &channel);
}

} // namespace vantor::client
