// The group feature's view of the rest of the client: the session's connection and own user, and
// the group windows (set from outside; none means nothing is drawn, system lines still reach the
// conversation view).
#pragma once

#include "groups/groups_core.h"

namespace vantor::client {

class ClientCore;

class GroupBridge : public groups::IGroupHost, public groups::IGroupView {
  public:
    explicit GroupBridge(ClientCore& core) : core_(core) {}
    void setView(groups::IGroupView* view) { view_ = view; }

    // IGroupHost
    bool connectionOpen() override;
    bool sendToServer(const protocol::Message& message) override;
    uint32_t ownId() override;
    std::string ownName() override;
    // IGroupView
    void showGroup(conversation::Conversation& c, const groups::GroupWindowState& state) override;
    void systemLine(conversation::Conversation& c, const std::string& line) override;
    void closeConversation(conversation::Conversation& c) override;

  private:
    ClientCore& core_;
    groups::IGroupView* view_ = nullptr;
};

} // namespace vantor::client
