#include "groups/group_fanout.h"

#include <algorithm>

namespace vantor::groups {

size_t memberCount(const protocol::MemberSlots& memberSlots) {
    return size_t(std::count_if(memberSlots.begin(), memberSlots.end(), [](uint32_t id) { return id != 0; }));
}

bool hasMember(const protocol::MemberSlots& memberSlots, uint32_t id) {
    return id != 0 && std::find(memberSlots.begin(), memberSlots.end(), id) != memberSlots.end();
}

std::vector<uint32_t> addMembers(protocol::MemberSlots& memberSlots, const std::vector<uint32_t>& ids) {
    std::vector<uint32_t> left;
    auto freeSlot = memberSlots.begin();
    for (uint32_t id : ids) {
        freeSlot = std::find(freeSlot, memberSlots.end(), 0u);
        if (freeSlot == memberSlots.end()) {
            left.push_back(id);
            continue;
        }
        *freeSlot = id;
    }
    return left;
}

std::vector<uint32_t> newIds(const std::vector<uint32_t>& ticked, const std::vector<uint32_t>& exclude) {
    std::vector<uint32_t> out;
    for (uint32_t id : ticked) {
        if (id == 0 || std::find(exclude.begin(), exclude.end(), id) != exclude.end() ||
            std::find(out.begin(), out.end(), id) != out.end())
            continue;
        out.push_back(id);
    }
    return out;
}

std::vector<uint32_t> fanOutTargets(const protocol::MemberSlots& memberSlots, const StatusOf& statusOf,
                                    uint32_t skip) {
    std::vector<uint32_t> out;
    for (uint32_t id : memberSlots) {
        if (id == 0 || id == skip || std::find(out.begin(), out.end(), id) != out.end()) continue;
        const auto status = statusOf(id);
        if (!status || *status == kStatusOffline) continue;
        out.push_back(id);
    }
    return out;
}

} // namespace vantor::groups
