// The service points the server pushes after sign-in (CmdServicePoint): the organisation's
// service desks, listed in the group list and in the history viewer's "客服中心". Kept until
// sign-out; one entry per service GUID.
#pragma once

#include "protocol/frame.h"
#include "protocol/services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::client {

using ServicePointEntry = protocol::ServicePoint;

class ServicePoints {
  public:
    // Bound on what a server can make the client keep.
    static constexpr size_t kMaxEntries = 1000;

    // A CmdServicePoint body; false when it does not decode. A known GUID replaces its entry.
    bool add(std::string_view body);
    void clear() { entries_.clear(); }
    const std::vector<ServicePointEntry>& entries() const { return entries_; }

  private:
    std::vector<ServicePointEntry> entries_;
};

} // namespace vantor::client
