// For every relayed code: where its record names the receiver (and, where it does, the sender),
// so that the server can forward it to the right colleague, or to every member of a group.
#pragma once

#include "protocol/wire.h"

#include <cstdint>
#include <string_view>

namespace vantor::protocol {

// Offsets inside the record (for counted codes: after the 32-bit count); -1 = not carried.
struct RelayRoute {
    enum Special : uint8_t {
        Plain,         // receiver and sender at fixed offsets
        ContactAnswer, // CmdAddContactRequest: asked of the target, answered to the requester
        JoinAnswer,    // CmdGroupJoinRequest: asked of the group's creator, answered to the requester
    };
    uint8_t code = 0;
    int16_t receiver = 0;
    int16_t sender = -1;
    int16_t key = -1; // conversation key: a group message names its group there
    Special special = Plain;
};

// The route of a relayed code; nullptr for a code the server does not forward.
const RelayRoute* relayRoute(uint8_t code);

struct RelayTarget {
    enum Kind : uint8_t {
        None,         // the record names nobody (or is too short)
        User,         // one colleague: userId
        Group,        // every member of the group `group`
        GroupCreator, // the creator of the group `group`
    };
    Kind kind = None;
    uint32_t userId = 0;
    wire::Guid group;
    bool hasSender = false; // the record carries its sender's own id
    uint32_t senderId = 0;
};

// Receiver and sender of a relayed message body (as framed: counted bodies begin with the count).
// A group message is one whose receiver is 0 or -1 and whose conversation key is of kind 1.
RelayTarget relayTarget(uint8_t code, std::string_view body);

} // namespace vantor::protocol
