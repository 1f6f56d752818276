// The people core's view of the rest of the client: the server connection (a closed one counts
// as a failure), the own user, the directory's users and contact groups, the account's picture
// folders and the open conversation windows.
#pragma once

#include "people/people_core.h"

namespace vantor::client {

class ClientCore;

class PeopleBridge : public people::IPeopleHost {
  public:
    explicit PeopleBridge(ClientCore& core) : core_(core) {}

    bool sendToServer(const protocol::Message& m) override;
    uint32_t ownId() const override;
    std::string ownName() const override;
    const protocol::UserRecord* findUser(uint32_t id) const override;
    QString userPicFolder() const override;
    QString imagesFolder() const override;
    bool conversationOpen(uint32_t userId) const override;
    std::vector<protocol::ContactGroup> contactGroups() const override;
    bool hasGroup(const protocol::Guid& guid) const override;

  private:
    ClientCore& core_;
};

} // namespace vantor::client
