// Presence, the directory requests of signed-in clients, discussion-group saves, and the relay of
// records between colleagues (held for an offline colleague where the sender will not retry).
#include "protocol/text.h"
#include "server/log.h"
#include "server/server.h"
#include "server/session.h"

#include <algorithm>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;

void Server::onContacts(Session& s, const protocol::ContactsChange& c) {
    const uint32_t owner = s.userId();
    if (c.ownId != owner) return;
    if (c.operationClass == 0 && c.operation == 0) { // new contact group
        if (c.groupName.empty() || directory_.contactGroupByName(owner, c.groupName)) return;
        if (const uint32_t id = store_->addContactGroup(owner, c.groupName))
            directory_.addContactGroup(owner, id, c.groupName);
    } else if (c.operationClass == 1 && c.operation == 0) { // contact group removed
        store_->removeContactGroup(owner, c.groupName);
        directory_.removeContactGroup(owner, c.groupName);
    } else if (c.operationClass == 0 && c.operation == 1) { // contact added to or moved into a group
        if (!directory_.user(c.contactId) || c.contactId == owner) return;
        uint32_t group = 0;
        for (const auto& g : directory_.contactGroupsOf(owner))
            if (g.groupId == c.groupId) group = g.groupId;
        if (!group) group = directory_.contactGroupByName(owner, c.groupName);
        if (!group && !c.groupName.empty()) {
            group = store_->addContactGroup(owner, c.groupName);
            if (group) directory_.addContactGroup(owner, group, c.groupName);
        }
        if (group && store_->setContactLink(owner, c.contactId, group))
            directory_.setContactLink(owner, c.contactId, group);
    } else if (c.operationClass == 1 && c.operation == 1) { // contact removed
        store_->removeContactLink(owner, c.contactId);
        directory_.removeContactLink(owner, c.contactId);
    }
}

void Server::onUserQuery(Session& s, const UserQuery& q) {
    if (const protocol::UserRecord* u = directory_.user(q.userId))
        s.send(protocol::makeMessage(Cmd::UserQuery, *u));
}

void Server::onGroupSave(Session& s, const GroupSave& g) {
    const uint32_t me = s.userId();
    auto isMember = [&](const DiscussionGroup& d, uint32_t id) {
        return std::find(d.members.begin(), d.members.end(), id) != d.members.end();
    };
    auto keep = [&](DiscussionGroup& d) {
        if (store_->saveGroup(d)) directory_.putGroup(d);
    };
    switch (Cmd(g.code)) {
    case Cmd::GroupSave: {
        const protocol::GroupRecord& r = g.record;
        const DiscussionGroup* existing = directory_.group(r.key.groupId);
        DiscussionGroup d;
        if (existing) {
            if (!isMember(*existing, me)) return;
            d = *existing;
        } else {
            if (r.key.groupId.isNull()) return;
            size_t created = 0;
            for (const DiscussionGroup* other : directory_.allGroups())
                created += other->creator == me;
            if (created >= config_.maxGroupsPerCreator) {
                log(LogLevel::Warning, "user " + std::to_string(me) + " has created too many groups");
                return;
            }
            d.guid = r.key.groupId;
            d.name = r.name;
            d.topic = r.topic;
            d.hidden = r.hidden;
            d.creator = me;
            d.members.push_back(me);
        }
        // Bounded: the groups one colleague can be put in, and how fast one colleague adds others.
        for (uint32_t id : r.members) {
            if (id == 0 || !directory_.user(id) || isMember(d, id) ||
                d.members.size() >= protocol::kGroupSlots)
                continue;
            if (directory_.groupsOf(id).size() >= config_.maxGroupsPerMember) {
                log(LogLevel::Warning, "user " + std::to_string(id) + " is in too many groups to be added");
                continue;
            }
            if (!takeGroupAddition(me)) {
                log(LogLevel::Warning, "user " + std::to_string(me) + " adds members too fast");
                break;
            }
            d.members.push_back(id);
        }
        keep(d);
        break;
    }
    case Cmd::GroupInfoSave: {
        const DiscussionGroup* existing = directory_.group(g.info.guid);
        if (!existing || existing->creator != me) return;
        DiscussionGroup d = *existing;
        d.name = g.info.name;
        d.topic = g.info.topic;
        d.notice = g.info.notice;
        d.hidden = g.info.hidden;
        keep(d);
        break;
    }
    case Cmd::GroupQuitSave: {
        const DiscussionGroup* existing = directory_.group(g.change.guid);
        const uint32_t actor = g.change.actorId;
        if (!existing || (actor != me && existing->creator != me)) return;
        DiscussionGroup d = *existing;
        std::erase(d.members, actor);
        keep(d);
        break;
    }
    case Cmd::GroupDismissSave: {
        const DiscussionGroup* existing = directory_.group(g.change.guid);
        if (!existing || existing->creator != me) return;
        store_->removeGroup(existing->guid);
        directory_.removeGroup(g.change.guid);
        break;
    }
    default:
        break;
    }
}

void Server::onGroupMembers(Session& s, const protocol::GroupMembersQuery& q) {
    std::vector<protocol::UserRecord> users;
    for (uint32_t i = 0; i < q.count; ++i)
        if (const protocol::UserRecord* u = directory_.user(q.ids[i])) users.push_back(*u);
    s.send(Message{uint8_t(Cmd::GroupMembers), protocol::encodeGroupMembersReply(q.guid, users)});
}

void Server::onUserSearch(Session& s, const protocol::UserSearchRequest& r) {
    const uint32_t page = std::max<uint32_t>(1, std::min<uint32_t>(r.page, 1000000));
    const auto ids = directory_.search(r.name, r.department, size_t(page - 1) * protocol::kSearchPageSize,
                                       protocol::kSearchPageSize, store_->usersWithAccountContaining(r.name));
    for (uint32_t id : ids) {
        const protocol::UserRecord* u = directory_.user(id);
        protocol::UserSearchResult res;
        res.userId = id;
        res.name = u->name;
        res.department = directory_.departmentName(u->departmentId);
        res.signature = u->signature.substr(0, wire::gbkCutLength(u->signature, 60));
        res.status = u->status;
        res.page = page;
        s.send(protocol::makeMessage(Cmd::UserSearch, res));
    }
}

void Server::onGroupSearch(Session& s, const protocol::GroupSearchRequest& r) {
    const uint32_t page = std::max<uint32_t>(1, std::min<uint32_t>(r.page, 1000000));
    size_t skip = size_t(page - 1) * protocol::kSearchPageSize, sent = 0;
    for (const DiscussionGroup* g : directory_.allGroups()) {
        if (g->hidden) continue;
        if (!containsText(g->name, r.keyword) && !containsText(g->topic, r.keyword)) continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        protocol::GroupSearchResult res;
        res.guid = g->guid;
        res.name = g->name;
        res.topic = g->topic;
        res.groupNumber = g->number;
        res.page = page;
        s.send(protocol::makeMessage(Cmd::GroupSearch, res));
        if (++sent >= protocol::kSearchPageSize) break;
    }
}

void Server::onRelay(Session& s, const Message& m, const Relay& r) {
    const uint32_t me = s.userId();
    if (r.target.hasSender && r.target.senderId != me) {
        log(LogLevel::Warning, s.peer() + " (user " + std::to_string(me) + ") sent " +
                                   std::string(protocol::codeName(m.code)) + " in the name of user " +
                                   std::to_string(r.target.senderId));
        return;
    }
    if (const char* why = notAParty(me, m, r)) {
        log(LogLevel::Warning, s.peer() + " (user " + std::to_string(me) + ") sent " +
                                   std::string(protocol::codeName(m.code)) + " " + why);
        return;
    }
    noteAnnouncement(me, m);
    std::optional<Message> request; // contact and join requests as the server lets them pass
    if (m.cmd() == Cmd::AddContactRequest || m.cmd() == Cmd::GroupJoinRequest) {
        request = noteRequest(me, m);
        if (!request) return;
    }
    const Message& relayed = request ? *request : m;
    switch (r.target.kind) {
    case protocol::RelayTarget::User: {
        const Outcome o = deliverOrHold(r.target.userId, me, relayed, r.hold);
        // The last attempt is now ours to deliver: its sender may forget it.
        if (o == Outcome::Held && r.handOver) s.send(protocol::makeMessage(Cmd::ChatAck, *r.handOver));
        break;
    }
    case protocol::RelayTarget::Group: {
        const DiscussionGroup* g = directory_.group(r.target.group);
        if (!g || std::find(g->members.begin(), g->members.end(), me) == g->members.end()) {
            log(LogLevel::Warning, "user " + std::to_string(me) + " sent to a group it is not in");
            return;
        }
        const std::vector<uint32_t> members = g->members;
        for (uint32_t id : members)
            if (id != me) deliverOrHold(id, me, m, r.hold);
        break;
    }
    case protocol::RelayTarget::GroupCreator:
        if (const DiscussionGroup* g = directory_.group(r.target.group))
            deliverOrHold(g->creator, me, relayed, r.hold);
        break;
    case protocol::RelayTarget::None:
        break;
    }
}

bool Server::takeGroupAddition(uint32_t userId) {
    auto& [tokens, refilled] = groupAdditions_[userId];
    const qint64 now = clock_.elapsed();
    if (refilled == 0) tokens = double(config_.groupAdditionBurst);
    tokens = std::min(double(config_.groupAdditionBurst),
                      tokens + double(now - refilled) * config_.groupAdditionsPerMinute / 60000.0);
    refilled = now;
    if (tokens < 1) return false;
    tokens -= 1;
    return true;
}

namespace {
// Where records about a transfer carry its id: sender id, "_", receiver id, "_", …
size_t transferIdOffset(Cmd code) {
    switch (code) {
    case Cmd::FileOffer:
        return 41;
    case Cmd::FileReply:
        return 5;
    case Cmd::FileData:
    case Cmd::FileDataAck:
    case Cmd::FileCancel:
    case Cmd::FileAbort:
    case Cmd::FileComplete:
    case Cmd::FileOffline:
        return 4;
    case Cmd::FileBlockMap:
        return 8;
    case Cmd::OfflineFile:
        return 29;
    default:
        return 0;
    }
}

// Where the records that change a discussion group carry its identifier.
size_t groupGuidOffset(Cmd code) {
    switch (code) {
    case Cmd::GroupInvite:
        return 975; // the conversation key
    case Cmd::GroupInfo:
    case Cmd::GroupQuit:
    case Cmd::GroupDismiss:
        return 8;
    default:
        return 0;
    }
}

uint32_t idField(const std::string& id, int field) {
    size_t start = 0;
    for (int i = 0; i < field; ++i) {
        const size_t underscore = id.find('_', start);
        if (underscore == std::string::npos) return 0;
        start = underscore + 1;
    }
    return uint32_t(std::strtoul(id.c_str() + start, nullptr, 10));
}
} // namespace

// A record about a transfer comes from one of the two colleagues its id names (for a group
// transfer, whose id names no receiver: from the sender, or to it); an answer to a join request
// comes from the group's creator. A record that changes a discussion group comes from a member and
// goes to a member; its texts and its dismissal come from the creator, and a departure names the
// sender unless the creator sent it. Null when the sender is a party.
const char* Server::notAParty(uint32_t me, const Message& m, const Relay& r) const {
    if (const size_t at = transferIdOffset(m.cmd()); at && m.body.size() > at) {
        const std::string id = m.body.substr(at + 1, std::min<size_t>(uint8_t(m.body[at]), 80));
        const uint32_t sender = idField(id, 0), receiver = idField(id, 1);
        if (me == sender || me == receiver) return nullptr;
        const bool group = !directory_.user(receiver);
        if (group && r.target.kind == protocol::RelayTarget::User && r.target.userId == sender)
            return nullptr;
        return "about a transfer between others";
    }
    if (const size_t at = groupGuidOffset(m.cmd()); at && m.body.size() >= at + 16) {
        const auto guid = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(m.body.data() + at));
        const DiscussionGroup* group = directory_.group(guid);
        if (!group) return "about a group that does not exist";
        auto member = [group](uint32_t id) {
            return std::find(group->members.begin(), group->members.end(), id) != group->members.end();
        };
        if (!member(me)) return "about a group it is not in";
        if (r.target.kind != protocol::RelayTarget::User || !member(r.target.userId))
            return "to a colleague outside the group";
        if ((m.cmd() == Cmd::GroupInfo || m.cmd() == Cmd::GroupDismiss) && group->creator != me)
            return "changing a group it did not create";
        if (m.cmd() == Cmd::GroupQuit && wire::loadU32(m.body.data() + 4) != me && group->creator != me)
            return "removing a member from a group it did not create";
    }
    if (m.cmd() == Cmd::GroupJoinRequest && r.target.kind == protocol::RelayTarget::User) {
        // An answer: it names the group at 79.
        if (m.body.size() < 95) return "too short";
        const auto g = wire::Guid::fromBytes(reinterpret_cast<const uint8_t*>(m.body.data() + 79));
        const DiscussionGroup* group = directory_.group(g);
        if (!group || group->creator != me) return "answering a join request of a group it did not create";
    }
    return nullptr;
}

// Every sender has a share of a colleague's held chat and a smaller one of the held notices, and a
// bound on all it has waiting; a message beyond them is refused, never dropped in place of
// another. A refused last attempt gets no acknowledgement, so its sender still holds it.
Server::Outcome Server::deliverOrHold(uint32_t receiver, uint32_t sender, const Message& m,
                                      Relay::Hold hold) {
    if (const auto it = byUser_.find(receiver); it != byUser_.end()) {
        it->second->send(m);
        return Outcome::Sent;
    }
    if (hold == Relay::Hold::Never || !directory_.user(receiver)) return Outcome::NotKept;
    const bool chat = hold == Relay::Hold::Chat;
    const HeldBox box = chat ? HeldBox::Chat : HeldBox::Notice;
    const char* full = nullptr;
    if (store_->heldCount(receiver, box, sender) >=
        (chat ? config_.maxHeldPerSender : config_.maxHeldNoticesPerSender))
        full = "the sender's share";
    else if (store_->heldCount(receiver, box) >= (chat ? config_.maxHeldPerUser : config_.maxHeldNotices))
        full = "the colleague's";
    else if (store_->heldFrom(sender) >= config_.maxHeldFromSender)
        full = "everything the sender may have waiting";
    if (full || !store_->holdMessage(receiver, sender, box, m.code, m.body)) {
        log(LogLevel::Warning,
            std::string("refused to hold ") + std::string(protocol::codeName(m.code)) + " from user " +
                std::to_string(sender) + " for user " + std::to_string(receiver) + ": " +
                (full ? std::string(full) + " held messages are full" : store_->lastError()));
        return Outcome::Refused;
    }
    return Outcome::Held;
}

} // namespace vantor::server
