#include "client/service_points.h"

#include <algorithm>

namespace vantor::client {

bool ServicePoints::add(std::string_view body) {
    ServicePointEntry e;
    if (body.size() < ServicePointEntry::kSize || !wire::decode(body, e)) return false;
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const ServicePointEntry& x) { return x.guid == e.guid; });
    if (it != entries_.end()) {
        *it = std::move(e);
        return true;
    }
    if (entries_.size() >= kMaxEntries) return false;
    entries_.push_back(std::move(e));
    return true;
}

} // namespace vantor::client
