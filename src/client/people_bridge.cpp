#include "client/people_bridge.h"

#include "client/client_core.h"

namespace vantor::client {

bool PeopleBridge::sendToServer(const protocol::Message& m) {
    return core_.sendToServer(m);
}

uint32_t PeopleBridge::ownId() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::string PeopleBridge::ownName() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->name : std::string();
}

const protocol::UserRecord* PeopleBridge::findUser(uint32_t id) const {
    const directory::User* u = core_.directory().directory().findUser(id);
    return u ? &u->record : nullptr;
}

QString PeopleBridge::userPicFolder() const {
    const uint32_t own = ownId();
    if (!own) return {};
    return QString::fromStdString(core_.messenger().environment().layout.userPicFolder(own));
}

QString PeopleBridge::imagesFolder() const {
    const uint32_t own = ownId();
    if (!own) return {};
    return QString::fromStdString(core_.messenger().environment().layout.imagesFolder(own));
}

bool PeopleBridge::conversationOpen(uint32_t userId) const {
    for (const auto& c : core_.conversations().all())
        if (c->kind() == protocol::kOneToOne && c->peerId == userId) return true;
    return false;
}

std::vector<protocol::ContactGroup> PeopleBridge::contactGroups() const {
    return core_.directory().directory().contactGroups();
}

bool PeopleBridge::hasGroup(const protocol::Guid& guid) const {
    return core_.directory().directory().findGroup(guid) != nullptr;
}

} // namespace vantor::client
