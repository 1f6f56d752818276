// The record-level rules of groups, kept apart from the session: new group identifiers, member
// slots (counted, searched, filled without ever passing slot 200), and the fan-out of a message to
// the members that are known and not offline.
#pragma once

#include "protocol/group.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vantor::groups {

inline constexpr uint8_t kStatusOffline = 8;

// A new group identifier (random, version 4); the wire layer writes it in the GUID's Windows memory
// order like every identifier (group_guid.cpp: the one part here that needs Qt).
protocol::Guid newGroupGuid();

size_t memberCount(const protocol::MemberSlots& memberSlots);
bool hasMember(const protocol::MemberSlots& memberSlots, uint32_t id);
// Writes each id into the first free slot; returns the ids that found no slot (they are not added).
std::vector<uint32_t> addMembers(protocol::MemberSlots& memberSlots, const std::vector<uint32_t>& ids);

// The ids of `ticked` worth adding: not 0, not in `exclude`, each once, in the order given.
std::vector<uint32_t> newIds(const std::vector<uint32_t>& ticked, const std::vector<uint32_t>& exclude);

// The status of a user the client knows; nothing for an unknown user.
using StatusOf = std::function<std::optional<uint8_t>(uint32_t)>;
// The members a change is told to: every non-zero slot whose user is known and not offline.
// `skip` (when not 0) is left out.
std::vector<uint32_t> fanOutTargets(const protocol::MemberSlots& memberSlots, const StatusOf& statusOf,
                                    uint32_t skip = 0);

} // namespace vantor::groups
