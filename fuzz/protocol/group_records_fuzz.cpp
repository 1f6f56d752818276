// The discussion-group records on arbitrary bytes, and the member-slot rules on the ids they carry:
// nothing reads out of bounds, a decoded record re-encodes to its own size, a members reply never
// holds more records than its bytes, and adding members never writes past the last slot, loses an
// id or adds one twice; the fan-out names each known, online member once.
#include "groups/group_fanout.h"
#include "protocol/group.h"

#include <algorithm>
#include <cstdlib>

using namespace vantor;
using namespace vantor::protocol;

namespace {
template <class R>
bool roundTrip(std::string_view in, R& r) {
    if (!wire::decode(in, r)) return false;
    if (wire::encode(r).size() != R::kSize) abort();
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    GroupItem item;
    roundTrip(in, item);
    GroupInfoRecord info;
    roundTrip(in, info);
    GroupMemberChange change;
    roundTrip(in, change);
    GroupMembersQuery query;
    roundTrip(in, query);
    Guid guid;
    std::vector<UserRecord> users;
    if (decodeGroupMembersReply(in, guid, users) && 24 + users.size() * UserRecord::kSize > size) abort();

    GroupRecord record;
    if (!roundTrip(in, record)) return 0;
    // The record's slots as a group, the ids after it as the picker's ticks.
    MemberSlots slots = record.members;
    std::vector<uint32_t> ticked;
    for (size_t at = GroupRecord::kSize; at + 4 <= size && ticked.size() < 400; at += 4)
        ticked.push_back(wire::loadU32(in.data() + at));
    const std::vector<uint32_t> exclude(slots.begin(), slots.end());
    const std::vector<uint32_t> ids = groups::newIds(ticked, exclude);
    for (uint32_t id : ids)
        if (id == 0 || groups::hasMember(slots, id) || std::count(ids.begin(), ids.end(), id) != 1) abort();
    const size_t before = groups::memberCount(slots);
    const std::vector<uint32_t> left = groups::addMembers(slots, ids);
    const size_t added = ids.size() - left.size();
    if (groups::memberCount(slots) != before + added || groups::memberCount(slots) > kGroupSlots) abort();
    for (size_t i = 0; i < added; ++i)
        if (!groups::hasMember(slots, ids[i])) abort();
    for (uint32_t id : left)
        if (groups::hasMember(slots, id)) abort();

    // Status from the id's low byte: odd ids unknown, 8 offline.
    const auto targets = groups::fanOutTargets(slots, [](uint32_t id) -> std::optional<uint8_t> {
        if (id & 1) return std::nullopt;
        return uint8_t(id % 11);
    });
    for (uint32_t id : targets)
        if (id == 0 || (id & 1) || id % 11 == groups::kStatusOffline || !groups::hasMember(slots, id) ||
            std::count(targets.begin(), targets.end(), id) != 1)
            abort();
    return 0;
}
