// The records of discussion groups (the 1297-byte group, its sign-in item, invitations, info,
// member changes, the member query), contact and join requests, and the user and group searches.
#pragma once

#include "protocol/chat.h"
#include "protocol/records.h"
#include "protocol/wire.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::protocol {

inline constexpr size_t kGroupSlots = 200;
using MemberSlots = std::array<uint32_t, kGroupSlots>;

template <class IO, class Slots>
void memberSlotsLayout(IO& io, Slots& ids) {
    for (auto& id : ids)
        io.u32(id);
}

// A discussion group as the server keeps it and CmdGroupItem carries it.
struct Group {
    static constexpr size_t kSize = 1297;
    uint32_t serverField = 0; // not interpreted by the client
    Guid guid;
    std::string name;   // text[60]
    std::string topic;  // text[100]
    std::string notice; // text[250]
    uint32_t creatorId = 0;
    std::string serverText = "0"; // text[50]
    bool hidden = false;          // not listed in the group search
    uint32_t memberCount = 0;
    MemberSlots members{}; // 0 = empty slot

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.serverField);
        io.guid(r.guid);
        io.text(60, r.name);
        io.text(100, r.topic);
        io.text(250, r.notice);
        io.u32(r.creatorId);
        io.text(50, r.serverText);
        io.boolean(r.hidden);
        io.u32(r.memberCount);
        memberSlotsLayout(io, r.members);
        io.skip(4); // the client's own reference
    }
};

// CmdGroupItem: position in the sign-in load (0 = first), 4 unused bytes, the group.
struct GroupItem {
    static constexpr size_t kSize = 1305;
    uint32_t index = 0;
    Group group;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.index);
        io.skip(4);
        Group::layout(io, r.group);
    }
};

// CmdGroupSave (targetId = the sender) and CmdGroupInvite (targetId = the member to deliver to).
struct GroupRecord {
    static constexpr size_t kSize = 1005;
    uint32_t targetId = 0;
    uint32_t creatorId = 0;
    std::string name;  // text[60]
    std::string topic; // text[100]
    bool hidden = false;
    uint32_t count = 0;
    MemberSlots members{};
    ConversationKey key; // the group's GUID, kind 1

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.targetId);
        io.u32(r.creatorId);
        io.text(60, r.name);
        io.text(100, r.topic);
        io.boolean(r.hidden);
        io.u32(r.count);
        memberSlotsLayout(io, r.members);
        ConversationKey::layout(io, r.key);
    }
};

// CmdGroupInfo and CmdGroupInfoSave.
struct GroupInfoRecord {
    static constexpr size_t kSize = 438;
    uint32_t targetId = 0;
    Guid guid;
    bool hidden = false;
    std::string name;   // text[60]
    std::string topic;  // text[100]
    std::string notice; // text[250]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.targetId);
        io.skip(4);
        io.guid(r.guid);
        io.boolean(r.hidden);
        io.text(60, r.name);
        io.text(100, r.topic);
        io.text(250, r.notice);
    }
};

// CmdGroupQuit, CmdGroupQuitSave, CmdGroupDismiss, CmdGroupDismissSave.
struct GroupMemberChange {
    static constexpr size_t kSize = 24;
    uint32_t targetId = 0;
    uint32_t actorId = 0; // the member who leaves or is removed; the creator for a dismissal
    Guid guid;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.targetId);
        io.u32(r.actorId);
        io.guid(r.guid);
    }
};

// CmdGroupMembers as sent: the ids the client does not know.
struct GroupMembersQuery {
    static constexpr size_t kSize = 824;
    uint32_t ownId = 0;
    Guid guid;
    uint32_t count = 0;
    MemberSlots ids{};

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.ownId);
        io.guid(r.guid);
        io.u32(r.count);
        memberSlotsLayout(io, r.ids);
    }
};

// CmdGroupMembers as answered: a 24-byte head (GUID at 4, count at 20) then the user records.
std::string encodeGroupMembersReply(const Guid& guid, const std::vector<UserRecord>& users);
bool decodeGroupMembersReply(std::string_view body, Guid& guid, std::vector<UserRecord>& users);

// ---- requests ----

enum RequestAnswer : uint32_t { kRequestAsked = 0, kRequestAccepted = 1, kRequestDeclined = 2 };

// CmdAddContactRequest: asked of targetId, answered to requesterId.
struct ContactRequest {
    static constexpr size_t kSize = 37;
    uint32_t requesterId = 0;
    uint32_t targetId = 0;
    uint32_t contactGroupId = 0;
    uint32_t answer = kRequestAsked;
    std::string requesterName; // text[20]

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.requesterId);
        io.u32(r.targetId);
        io.u32(r.contactGroupId);
        io.u32(r.answer);
        io.text(20, r.requesterName);
    }
};

// CmdGroupJoinRequest: asked of the group's creator, answered to requesterId.
struct GroupJoinRequest {
    static constexpr size_t kSize = 261;
    uint32_t requesterId = 0;
    std::string requesterName; // text[70]
    uint32_t groupNumber = 0;
    Guid guid;
    std::string groupName; // text[60]
    std::string applyText; // text[100]
    uint32_t answer = kRequestAsked;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.requesterId);
        io.text(70, r.requesterName);
        io.u32(r.groupNumber);
        io.guid(r.guid);
        io.text(60, r.groupName);
        io.text(100, r.applyText);
        io.u32(r.answer);
    }
};

// ---- searches ----

struct UserSearchRequest {
    static constexpr size_t kSize = 110;
    uint32_t ownId = 0;
    std::string name;       // text[70]
    std::string department; // text[30]
    uint32_t page = 1;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.ownId);
        io.text(70, r.name);
        io.text(30, r.department);
        io.u32(r.page);
    }
};

// One user of a result page (one CmdUserSearch answer each).
struct UserSearchResult {
    static constexpr size_t kSize = 172;
    uint32_t userId = 0;
    std::string name;       // text[70]
    std::string department; // text[30]
    std::string signature;  // text[60]
    uint8_t status = 8;
    uint32_t page = 1;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.userId);
        io.text(70, r.name);
        io.text(30, r.department);
        io.text(60, r.signature);
        io.u8(r.status);
        io.u32(r.page);
    }
};

struct GroupSearchRequest {
    static constexpr size_t kSize = 110;
    uint32_t ownId = 0;
    std::string keyword; // text[30] at 75
    uint32_t page = 1;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.u32(r.ownId);
        io.skip(71);
        io.text(30, r.keyword);
        io.u32(r.page);
    }
};

// One group of a result page (one CmdGroupSearch answer each).
struct GroupSearchResult {
    static constexpr size_t kSize = 190;
    Guid guid;
    std::string name;  // text[60]
    std::string topic; // text[100]
    uint32_t groupNumber = 0;
    uint32_t page = 1;

    template <class IO, class R>
    static void layout(IO& io, R& r) {
        io.skip(4);
        io.guid(r.guid);
        io.text(60, r.name);
        io.text(100, r.topic);
        io.u32(r.groupNumber);
        io.u32(r.page);
    }
};

// Rows in one page of a user or group search. The search window enables "下一页 >" once 28 rows
// are listed; a page of 30 still does when it holds the searching user, whom the window leaves out.
inline constexpr uint32_t kSearchPageSize = 30;

} // namespace vantor::protocol
