#include "client/group_bridge.h"

#include "client/client_core.h"

namespace vantor::client {

bool GroupBridge::connectionOpen() {
    return core_.messenger().ConnectionOpen() && core_.messenger().OwnUser.has_value();
}

bool GroupBridge::sendToServer(const protocol::Message& message) {
    if (!core_.messenger().SendToServer(message)) {
        core_.signOutAfterFailedWrite();
        return false;
    }
    return true;
}

uint32_t GroupBridge::ownId() {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::string GroupBridge::ownName() {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->name : std::string();
}

void GroupBridge::showGroup(conversation::Conversation& c, const groups::GroupWindowState& state) {
    if (view_) view_->showGroup(c, state);
}

void GroupBridge::systemLine(conversation::Conversation& c, const std::string& line) {
    if (view_)
        view_->systemLine(c, line);
    else if (auto* v = core_.conversationView())
        v->systemLine(c, line);
}

void GroupBridge::closeConversation(conversation::Conversation& c) {
    if (view_) view_->closeConversation(c);
}

} // namespace vantor::client
