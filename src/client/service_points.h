// The service points the server pushes after sign-in (CmdServicePoint): the organisation's
// service desks, listed in the group list and in the history viewer's "客服中心". Kept until
// sign-out; one entry per service GUID.
#pragma once

#include "protocol/frame.h"
#include "protocol/wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantor::client {

struct ServicePointEntry {
    static constexpr size_t kSize = 381;
    wire::Guid guid;         // the service point, and the GUID of its conversations
    std::string name;        // text[50], GBK
    std::string description; // text[100]
    std::string greeting;    // text[200]
    uint32_t kind = 0;       // 0 service centre (evaluated), 1 reservation service

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.guid(r.guid);
        io.text(50, r.name);
        io.text(100, r.description);
        io.text(200, r.greeting);
        io.u32(r.kind);
        io.skip(8); // not read; the list entry's reference
    }
};

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
