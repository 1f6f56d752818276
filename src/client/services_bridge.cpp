#include "client/services_bridge.h"

#include "client/client_core.h"
#include "protocol/datetime.h"

namespace vantor::client {

bool ServicesBridge::sendToServer(const protocol::Message& m) {
    return core_.sendToServer(m);
}

uint32_t ServicesBridge::ownId() {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::string ServicesBridge::ownName() {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->name : std::string();
}

double ServicesBridge::now() {
    return now_ ? now_() : protocol::nowDayCount();
}

} // namespace vantor::client
