#include "client/notice_bridge.h"

#include "client/client_core.h"

#include <QDir>

namespace vantor::client {

bool NoticeBridge::sendToServer(const protocol::Message& m) {
    return core_.sendToServer(m);
}

bool NoticeBridge::sendLong(std::string first, LongSource next, std::function<void(bool)> done) {
    session::TMessengerX& messenger = core_.messenger();
    if (!messenger.ConnectionOpen()) return false;
    return messenger.connection().SendLongToServer(std::move(first), std::move(next), std::move(done));
}

uint32_t NoticeBridge::ownId() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->userId : 0;
}

std::string NoticeBridge::ownName() const {
    const auto& own = core_.messenger().OwnUser;
    return own ? own->name : std::string();
}

const protocol::UserRecord* NoticeBridge::findUser(uint32_t id) const {
    const directory::User* u = core_.directory().directory().findUser(id);
    return u ? &u->record : nullptr;
}

QString NoticeBridge::cacheFolder() const {
    const uint32_t own = ownId();
    if (!own) return {};
    return QDir::cleanPath(QString::fromStdString(core_.messenger().environment().layout.cacheFolder(own)));
}

} // namespace vantor::client
