#include "groups/groups_core.h"

#include "groups/group_fanout.h"
#include "groups/texts.h"
#include "protocol/datetime.h"
#include "protocol/wire.h"

#include <array>

namespace vantor::groups {

using conversation::Conversation;
using protocol::Cmd;

namespace {

std::string cut(const std::string& text, size_t n) {
    return text.substr(0, wire::gbkCutLength(text, n));
}

std::array<uint8_t, 16> keyOf(const protocol::Guid& guid) {
    return guid.toBytes();
}

protocol::ConversationKey groupKey(const protocol::Guid& guid, uint32_t ownId) {
    protocol::ConversationKey k;
    k.groupId = guid;
    k.kind = protocol::kGroupConversation;
    k.userA = ownId;
    return k;
}

std::string lineNow(const std::string& text) {
    return conversation::systemLineText(protocol::localFromDayCount(protocol::nowDayCount()), text);
}

} // namespace

GroupsCore::GroupsCore(directory::Directory& directory, conversation::ConversationRegistry& conversations,
                       IGroupHost& host, IGroupView& view)
    : directory_(directory), conversations_(conversations), host_(host), view_(view) {}

std::span<const Cmd> GroupsCore::handledCodes() {
    static constexpr std::array<Cmd, 5> kCodes = {Cmd::GroupInvite, Cmd::GroupInfo, Cmd::GroupQuit,
                                                  Cmd::GroupDismiss, Cmd::GroupMembers};
    return kCodes;
}

bool GroupsCore::handle(const protocol::Message& m) {
    switch (m.cmd()) {
    case Cmd::GroupInvite: {
        protocol::GroupRecord r;
        if (!wire::decode(m.body, r)) return false;
        OnGroupInvite(r);
        return true;
    }
    case Cmd::GroupInfo: {
        protocol::GroupInfoRecord r;
        if (!wire::decode(m.body, r)) return false;
        OnGroupInfo(r);
        return true;
    }
    case Cmd::GroupQuit:
    case Cmd::GroupDismiss: {
        protocol::GroupMemberChange r;
        if (!wire::decode(m.body, r)) return false;
        if (m.cmd() == Cmd::GroupQuit)
            OnGroupQuit(r);
        else
            OnGroupDismiss(r);
        return true;
    }
    case Cmd::GroupMembers:
        OnGroupMembers(m.body);
        return true;
    default:
        return false;
    }
}

// ---- sending ----

std::optional<uint8_t> GroupsCore::statusOf(uint32_t id) const {
    const directory::User* u = directory_.findUser(id);
    if (!u) return std::nullopt;
    return u->record.status;
}

bool GroupsCore::send(Cmd code, std::string body) {
    return host_.sendToServer(protocol::Message{uint8_t(code), std::move(body)});
}

bool GroupsCore::fanOut(const protocol::MemberSlots& memberSlots, Cmd code,
                        const std::function<std::string(uint32_t)>& body, uint32_t skip) {
    for (uint32_t id : fanOutTargets(
             memberSlots, [this](uint32_t id) { return statusOf(id); }, skip))
        if (!send(code, body(id))) return false;
    return true;
}

// ---- windows ----

Conversation* GroupsCore::windowOf(const protocol::Guid& guid) {
    return conversations_.findOrCreate(groupKey(guid, host_.ownId()), false);
}

void GroupsCore::becomeGroupWindow(Conversation& c, const protocol::Guid& guid) {
    c.key.groupId = guid;
    c.key.kind = protocol::kGroupConversation;
    c.key.serviceSide = 0;
    c.key.userB = 0;
    c.peerId = 0;
    if (gone_.erase(c.id)) c.readOnly = false;
}

void GroupsCore::markGone(Conversation& c, const std::string& why) {
    if (!gone_.insert(c.id).second) return;
    c.readOnly = true;
    view_.systemLine(c, lineNow(why));
}

void GroupsCore::showInfo(Conversation& c, const protocol::Group& g, bool rebuild, bool topicPrefixed) {
    GroupWindowState s;
    s.guid = g.guid;
    s.name = g.name;
    s.memo = topicPrefixed ? wire::cutText(texts::topicPrefix() + g.topic, 106) : g.topic;
    s.notice = g.notice;
    const uint32_t own = host_.ownId();
    s.ownIsCreator = g.creatorId == own;
    s.membersRebuilt = rebuild;
    std::vector<uint32_t> unknown;
    if (rebuild) {
        for (uint32_t id : g.members) {
            if (id == 0) continue;
            const directory::User* u = directory_.findUser(id);
            if (!u) {
                if (std::find(unknown.begin(), unknown.end(), id) == unknown.end()) unknown.push_back(id);
                continue;
            }
            GroupMemberRow row;
            row.id = id;
            row.creator = id == g.creatorId;
            row.own = id == own;
            row.status = u->record.status;
            row.label = u->record.name + (row.creator ? texts::administrator() : std::string());
            s.members.push_back(std::move(row));
        }
    }
    view_.showGroup(c, s);
    if (!unknown.empty()) askForMembers(g.guid, unknown);
}

void GroupsCore::askForMembers(const protocol::Guid& guid, const std::vector<uint32_t>& unknown) {
    protocol::GroupMembersQuery q;
    q.ownId = host_.ownId();
    q.guid = guid;
    for (uint32_t id : unknown) {
        if (q.count >= protocol::kGroupSlots || asked_.size() >= kMaxAskedPerSession) break;
        if (!asked_.insert(id).second)
            continue; // asked once: an id the server never answers is not asked again
        q.ids[q.count++] = id;
    }
    if (q.count == 0) return;
    auto& awaited = awaited_[keyOf(guid)];
    for (uint32_t i = 0; i < q.count; ++i)
        awaited.insert(q.ids[i]);
    send(Cmd::GroupMembers, wire::encode(q));
}

size_t GroupsCore::outstandingQueries(const protocol::Guid& guid) const {
    const auto it = awaited_.find(keyOf(guid));
    return it == awaited_.end() ? 0 : it->second.size();
}

void GroupsCore::RefreshGroupWindow(Conversation& c, bool rebuild) {
    if (c.kind() != protocol::kGroupConversation) return;
    const protocol::Group* g = FindGroup(c.key.groupId);
    if (!g) {
        markGone(c, texts::groupGone());
        return;
    }
    showInfo(c, *g, rebuild, false);
}

Conversation* GroupsCore::OpenGroup(const protocol::Guid& guid) {
    if (!FindGroup(guid)) return nullptr;
    Conversation* c = conversations_.findOrCreate(groupKey(guid, host_.ownId()), true);
    if (c) RefreshGroupWindow(*c, true);
    return c;
}

// ---- operations ----

GroupOutcome GroupsCore::CreateGroupFromDialog(const std::string& name, const std::string& topic, bool hidden,
                                               const std::vector<uint32_t>& memberIds) {
    const uint32_t own = host_.ownId();
    if (directory::trimGbk(name).empty()) return failed(texts::enterGroupName());
    const std::vector<uint32_t> ids = newIds(memberIds, {own});
    if (ids.empty()) return failed(texts::chooseMembers());
    if (ids.size() + 1 > protocol::kGroupSlots) return failed(texts::tooManyToCreate());
    if (!own || !host_.connectionOpen()) return failed(texts::notConnected());

    protocol::GroupRecord r;
    r.targetId = r.creatorId = own;
    r.name = cut(name, 60);
    r.topic = cut(topic, 100);
    r.hidden = hidden;
    std::vector<uint32_t> all = ids;
    all.push_back(own);
    addMembers(r.members, all);
    r.count = uint32_t(all.size());
    r.key.groupId = newGroupGuid();
    r.key.kind = protocol::kGroupConversation;

    // The creator's own invitation comes back through the server and adds the group here.
    bool sent = send(Cmd::GroupSave, wire::encode(r));
    sent = sent && fanOut(r.members, Cmd::GroupInvite, [&r](uint32_t id) {
               protocol::GroupRecord invite = r;
               invite.targetId = id;
               return wire::encode(invite);
           });
    if (!sent) return failed(texts::notConnected());
    return GroupOutcome{true, texts::groupCreated(), r.key.groupId};
}

GroupOutcome GroupsCore::QuickCreateOrAddMembers(Conversation& c, const std::vector<uint32_t>& ticked,
                                                 bool voiceActive, bool videoActive) {
    if (voiceActive) return failed(texts::voiceOpen());
    if (videoActive) return failed(texts::videoOpen());
    const uint32_t own = host_.ownId();
    const bool inGroup = c.kind() == protocol::kGroupConversation;
    if (!inGroup && c.kind() != protocol::kOneToOne) return failed({});
    if (!own || !host_.connectionOpen()) return failed(texts::notConnected());

    protocol::GroupRecord r;
    r.targetId = r.creatorId = own;
    r.key.kind = protocol::kGroupConversation;
    std::vector<uint32_t> left;
    protocol::Guid guid;
    if (inGroup) {
        const protocol::Group* g = FindGroup(c.key.groupId);
        if (!g) {
            markGone(c, texts::groupGone());
            return failed(texts::groupGone());
        }
        guid = g->guid;
        std::vector<uint32_t> exclude(g->members.begin(), g->members.end());
        std::vector<uint32_t> ids = newIds(ticked, exclude);
        // Only what finds a free slot is added, and only what is added is saved.
        protocol::MemberSlots memberSlots = g->members;
        left = addMembers(memberSlots, ids);
        ids.resize(ids.size() - left.size());
        if (ids.empty()) {
            RefreshGroupWindow(c, true);
            return GroupOutcome{false, left.empty() ? std::string() : texts::notAdded(left.size()), guid};
        }
        directory_.ChangeGroup(guid, [&](protocol::Group& group) {
            group.members = memberSlots;
            group.memberCount = uint32_t(memberCount(memberSlots));
        });
        addMembers(r.members, ids);
        r.count = uint32_t(ids.size());
    } else {
        const uint32_t peer = c.peerId ? c.peerId : c.key.userB;
        std::vector<uint32_t> ids = newIds(ticked, {own, peer});
        if (ids.size() > protocol::kGroupSlots - 2) {
            left.assign(ids.begin() + (protocol::kGroupSlots - 2), ids.end());
            ids.resize(protocol::kGroupSlots - 2);
        }
        if (ids.empty()) {
            return GroupOutcome{false, left.empty() ? std::string() : texts::notAdded(left.size()),
                                std::nullopt};
        }
        guid = newGroupGuid();
        ids.push_back(own);
        ids.push_back(peer);
        addMembers(r.members, ids);
        r.count = uint32_t(ids.size());
        r.name = texts::defaultGroupName();
        r.topic = cut(host_.ownName() + texts::topicCreatedBy(), 100);

        protocol::Group g;
        g.guid = guid;
        g.name = r.name;
        g.topic = r.topic;
        g.creatorId = own;
        g.members = r.members;
        g.memberCount = r.count;
        directory_.AddGroup(g);
        becomeGroupWindow(c, guid);
    }
    r.key.groupId = guid;

    bool sent = send(Cmd::GroupSave, wire::encode(r));
    if (const protocol::Group* g = FindGroup(guid); g && sent) {
        protocol::GroupRecord invite = r;
        invite.name = g->name;
        invite.topic = g->topic;
        invite.hidden = g->hidden;
        invite.count = uint32_t(protocol::kGroupSlots);
        invite.members = g->members;
        sent = fanOut(
            g->members, Cmd::GroupInvite,
            [&invite](uint32_t id) {
                invite.targetId = id;
                return wire::encode(invite);
            },
            own);
    }
    RefreshGroupWindow(c, true);
    if (!sent) return GroupOutcome{false, texts::notConnected(), guid};
    return GroupOutcome{true, left.empty() ? std::string() : texts::notAdded(left.size()), guid};
}

GroupOutcome GroupsCore::UpdateGroupInfo(Conversation& c, const std::string& name, const std::string& topic,
                                         const std::string& notice, bool hidden) {
    const protocol::Group* g = c.kind() == protocol::kGroupConversation ? FindGroup(c.key.groupId) : nullptr;
    if (!g) {
        if (c.kind() == protocol::kGroupConversation) markGone(c, texts::groupGone());
        return failed(texts::groupGone());
    }
    const uint32_t own = host_.ownId();
    if (g->creatorId != own) return failed({});
    if (!host_.connectionOpen()) return failed(texts::notConnected());

    protocol::GroupInfoRecord info;
    info.guid = g->guid;
    info.hidden = hidden;
    info.name = cut(name, 60);
    if (info.name.empty()) info.name = texts::defaultGroupName();
    info.topic = cut(topic, 100);
    info.notice = cut(notice, 250);
    const protocol::Guid guid = g->guid;
    directory_.ChangeGroup(guid, [&](protocol::Group& group) {
        group.name = info.name;
        group.topic = info.topic;
        group.notice = info.notice;
        group.hidden = info.hidden;
    });
    g = FindGroup(guid);
    bool sent = fanOut(g->members, Cmd::GroupInfo, [&info](uint32_t id) {
        info.targetId = id;
        return wire::encode(info);
    });
    sent = sent && send(Cmd::GroupInfoSave, wire::encode(info));
    showInfo(c, *g, false, false);
    if (!sent) return GroupOutcome{false, texts::notConnected(), guid};
    return GroupOutcome{true, {}, guid};
}

bool GroupsCore::sendMemberChange(const protocol::Group& g, uint32_t actorId, Cmd each, Cmd save) {
    protocol::GroupMemberChange change;
    change.actorId = actorId;
    change.guid = g.guid;
    const bool sent = fanOut(g.members, each, [&change](uint32_t id) {
        change.targetId = id;
        return wire::encode(change);
    });
    change.targetId = 0;
    return sent && send(save, wire::encode(change));
}

GroupOutcome GroupsCore::DismissGroup(Conversation& c) {
    const protocol::Group* g = c.kind() == protocol::kGroupConversation ? FindGroup(c.key.groupId) : nullptr;
    if (!g) {
        if (c.kind() == protocol::kGroupConversation) markGone(c, texts::groupGone());
        return failed(texts::groupGone());
    }
    const uint32_t own = host_.ownId();
    if (g->creatorId != own) return failed({});
    if (!host_.connectionOpen()) return failed(texts::notConnected());
    const bool sent = sendMemberChange(*g, own, Cmd::GroupDismiss, Cmd::GroupDismissSave);
    const protocol::Guid guid = g->guid;
    if (!sent) return GroupOutcome{false, texts::notConnected(), guid};
    // Our own copy of the dismissal may come back: it then finds nothing to do.
    directory_.RemoveGroup(guid);
    markGone(c, texts::groupDismissed());
    return GroupOutcome{true, {}, guid};
}

GroupOutcome GroupsCore::LeaveGroup(Conversation& c) {
    const protocol::Group* g = c.kind() == protocol::kGroupConversation ? FindGroup(c.key.groupId) : nullptr;
    std::optional<protocol::Guid> guid;
    if (g) {
        const uint32_t own = host_.ownId();
        if (!host_.connectionOpen()) return failed(texts::notConnected());
        const bool sent = sendMemberChange(*g, own, Cmd::GroupQuit, Cmd::GroupQuitSave);
        if (!sent) return failed(texts::notConnected());
        guid = g->guid;
        directory_.RemoveGroup(*guid);
    }
    const int id = c.id;
    gone_.erase(id);
    view_.closeConversation(c);
    conversations_.remove(id);
    return GroupOutcome{true, {}, guid};
}

GroupOutcome GroupsCore::RemoveMember(Conversation& c, uint32_t memberId) {
    const protocol::Group* g = c.kind() == protocol::kGroupConversation ? FindGroup(c.key.groupId) : nullptr;
    if (!g) {
        if (c.kind() == protocol::kGroupConversation) markGone(c, texts::groupGone());
        return failed(texts::groupGone());
    }
    const uint32_t own = host_.ownId();
    if (g->creatorId != own || memberId == own || !hasMember(g->members, memberId)) return failed({});
    if (!host_.connectionOpen()) return failed(texts::notConnected());
    const bool sent = sendMemberChange(*g, memberId, Cmd::GroupQuit, Cmd::GroupQuitSave);
    const protocol::Guid guid = g->guid;
    if (!sent) return GroupOutcome{false, texts::notConnected(), guid};
    directory_.ChangeGroup(guid, [memberId](protocol::Group& group) {
        std::replace(group.members.begin(), group.members.end(), memberId, 0u);
        group.memberCount = uint32_t(memberCount(group.members));
    });
    RefreshGroupWindow(c, true);
    return GroupOutcome{true, {}, guid};
}

// ---- receivers ----

void GroupsCore::OnGroupInvite(const protocol::GroupRecord& record) {
    const protocol::Guid guid = record.key.groupId;
    if (guid.isNull()) return;
    directory_.OnGroupInvite(record);
    // The window is not opened here; one that is open becomes a group window.
    if (Conversation* c = windowOf(guid)) {
        becomeGroupWindow(*c, guid);
        RefreshGroupWindow(*c, true);
    }
}

void GroupsCore::OnGroupInfo(const protocol::GroupInfoRecord& info) {
    // The hidden flag stays as this client has it.
    if (!directory_.ChangeGroup(info.guid, [&info](protocol::Group& g) {
            g.name = info.name;
            g.topic = info.topic;
            g.notice = info.notice;
        }))
        return;
    if (Conversation* c = windowOf(info.guid))
        if (const protocol::Group* g = FindGroup(info.guid)) showInfo(*c, *g, false, true);
}

void GroupsCore::OnGroupQuit(const protocol::GroupMemberChange& change) {
    const protocol::Group* g = FindGroup(change.guid);
    if (!g || change.actorId == 0) return;
    Conversation* c = windowOf(change.guid);
    if (change.actorId == host_.ownId()) {
        directory_.RemoveGroup(change.guid);
        if (c) markGone(*c, texts::removedFromGroup());
        return;
    }
    directory_.ChangeGroup(change.guid, [&change](protocol::Group& group) {
        std::replace(group.members.begin(), group.members.end(), change.actorId, 0u);
        group.memberCount = uint32_t(memberCount(group.members));
    });
    if (c) RefreshGroupWindow(*c, true);
}

void GroupsCore::OnGroupDismiss(const protocol::GroupMemberChange& change) {
    const protocol::Group* g = FindGroup(change.guid);
    // Only the creator dissolves a group.
    if (!g || change.actorId != g->creatorId) return;
    directory_.RemoveGroup(change.guid);
    if (Conversation* c = windowOf(change.guid)) markGone(*c, texts::groupDismissed());
}

void GroupsCore::OnGroupMembers(std::string_view body) {
    protocol::Guid guid;
    std::vector<protocol::UserRecord> users;
    if (!protocol::decodeGroupMembersReply(body, guid, users)) return;
    const auto it = awaited_.find(keyOf(guid));
    if (it == awaited_.end()) return;
    // Only the records asked for count; anything else in the reply is dropped.
    bool any = false;
    for (const auto& u : users) {
        if (it->second.erase(u.userId) == 0) continue;
        directory_.OnUserRecord(u); // known only through a group from now on
        any = true;
    }
    if (it->second.empty()) awaited_.erase(it);
    if (!any) return;
    if (Conversation* c = windowOf(guid)) RefreshGroupWindow(*c, true);
}

void GroupsCore::SignedOut() {
    asked_.clear();
    awaited_.clear();
}

} // namespace vantor::groups
