// The notice core's view of the rest of the client: the server connection (a closed one counts
// as a failure; a failed write signs out afterwards), long messages through the connection, the
// own user, the directory's users and the account's cache folder.
#pragma once

#include "info/notice_core.h"

namespace vantor::client {

class ClientCore;

class NoticeBridge : public info::INoticeHost {
  public:
    explicit NoticeBridge(ClientCore& core) : core_(core) {}

    bool sendToServer(const protocol::Message& m) override;
    bool sendLong(std::string first, LongSource next, std::function<void(bool)> done) override;
    uint32_t ownId() const override;
    std::string ownName() const override;
    const protocol::UserRecord* findUser(uint32_t id) const override;
    QString cacheFolder() const override;

  private:
    ClientCore& core_;
};

} // namespace vantor::client
