#include "server/directory.h"

#include "protocol/frame.h"
#include "protocol/text.h"

#include <algorithm>
#include <climits>

namespace vantor::server {

using protocol::Cmd;
using protocol::Message;
using protocol::UserRecord;

std::string guidKey(const wire::Guid& g) {
    const auto b = g.toBytes();
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

namespace {
UserRecord recordOf(const Colleague& c) {
    UserRecord r;
    r.userId = c.id;
    r.departmentId = c.department;
    r.name = c.name;
    r.status = protocol::kOffline;
    r.headPicture = c.headPicture;
    r.female = c.female;
    r.photoTime = c.photoTime;
    r.workState = c.workState;
    r.signature = c.signature;
    return r;
}
} // namespace

void Directory::load(const Organisation& org) {
    departments_ = org.departments;
    colleagues_ = org.colleagues;
    users_.clear();
    index_.clear();
    for (const auto& c : colleagues_) {
        index_[c.id] = users_.size();
        users_.push_back(recordOf(c));
    }
    frames_.assign(users_.size(), {});
    for (size_t i = 0; i < users_.size(); ++i)
        reframe(i);
    departmentFrames_.clear();
    uint32_t pos = 0;
    for (const auto& d : departments_) {
        protocol::DepartmentItem item;
        item.position = pos++;
        item.department.departmentId = d.id;
        item.department.parentId = d.parent;
        item.department.name = d.name;
        departmentFrames_ += protocol::frameMessage(protocol::makeMessage(Cmd::DepartmentItem, item));
    }
    contactGroups_.clear();
    for (const auto& g : org.contactGroups)
        contactGroups_[g.owner].push_back({g.id, g.name});
    links_.clear();
    for (const auto& l : org.contactLinks)
        links_[l.owner][l.userId] = l.groupId;
    groups_.clear();
    for (const auto& g : org.groups)
        groups_[guidKey(g.guid)] = g;
}

const UserRecord* Directory::user(uint32_t id) const {
    const auto it = index_.find(id);
    return it == index_.end() ? nullptr : &users_[it->second];
}

size_t Directory::position(uint32_t id) const {
    const auto it = index_.find(id);
    return it == index_.end() ? SIZE_MAX : it->second;
}

std::string Directory::departmentName(uint32_t id) const {
    for (const auto& d : departments_)
        if (d.id == id) return d.name;
    return {};
}

std::string Directory::userItemFrame(const UserRecord& r, uint8_t action, uint32_t position, uint32_t count) {
    protocol::UserItem item;
    item.action = action;
    item.position = position;
    item.loadCount = count;
    item.user = r;
    return protocol::frameMessage(Message{uint8_t(Cmd::UserItem), item.encodeBody()});
}

void Directory::reframe(size_t pos) {
    frames_[pos] = userItemFrame(users_[pos], protocol::kItemLoad, uint32_t(pos), uint32_t(users_.size()));
}

void Directory::setPresence(uint32_t id, uint8_t status, bool hasAudio, bool hasCamera) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    auto& u = users_[p];
    if (u.status == status && u.hasAudio == hasAudio && u.hasCamera == hasCamera) return;
    u.status = status;
    u.hasAudio = hasAudio;
    u.hasCamera = hasCamera;
    reframe(p);
}

void Directory::setHeadPicture(uint32_t id, const std::string& name) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_[p].headPicture = colleagues_[p].headPicture = name;
    reframe(p);
}

void Directory::setSignature(uint32_t id, const std::string& text) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_[p].signature = colleagues_[p].signature = text;
    reframe(p);
}

void Directory::setPhotoTime(uint32_t id, double time) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_[p].photoTime = colleagues_[p].photoTime = time;
    reframe(p);
}

void Directory::setWorkState(uint32_t id, const std::string& text) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_[p].workState = colleagues_[p].workState = text;
    reframe(p);
}

void Directory::rename(uint32_t id, const std::string& name) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_[p].name = colleagues_[p].name = name;
    reframe(p);
}

Colleague Directory::colleague(uint32_t id) const {
    const size_t p = position(id);
    return p == SIZE_MAX ? Colleague{} : colleagues_[p];
}

void Directory::add(const Colleague& c) {
    const size_t p = position(c.id);
    if (p != SIZE_MAX) {
        const uint8_t status = users_[p].status;
        colleagues_[p] = c;
        users_[p] = recordOf(c);
        users_[p].status = status;
        reframe(p);
        return;
    }
    index_[c.id] = users_.size();
    colleagues_.push_back(c);
    users_.push_back(recordOf(c));
    // The load count of every item changes with the number of colleagues.
    frames_.resize(users_.size());
    for (size_t i = 0; i < users_.size(); ++i)
        reframe(i);
}

void Directory::remove(uint32_t id) {
    const size_t p = position(id);
    if (p == SIZE_MAX) return;
    users_.erase(users_.begin() + long(p));
    colleagues_.erase(colleagues_.begin() + long(p));
    index_.clear();
    for (size_t i = 0; i < users_.size(); ++i)
        index_[users_[i].userId] = i;
    frames_.assign(users_.size(), {});
    for (size_t i = 0; i < users_.size(); ++i)
        reframe(i);
    links_.erase(id);
    for (auto& [owner, links] : links_)
        links.erase(id);
    contactGroups_.erase(id);
}

std::vector<protocol::ContactGroup> Directory::contactGroupsOf(uint32_t owner) const {
    const auto it = contactGroups_.find(owner);
    return it == contactGroups_.end() ? std::vector<protocol::ContactGroup>{} : it->second;
}

std::vector<protocol::ContactLink> Directory::contactLinksOf(uint32_t owner) const {
    std::vector<protocol::ContactLink> out;
    if (const auto it = links_.find(owner); it != links_.end())
        for (const auto& [user, group] : it->second)
            out.push_back({user, group});
    return out;
}

std::vector<uint32_t> Directory::contactOwnersOf(uint32_t userId) const {
    std::vector<uint32_t> out;
    for (const auto& [owner, users] : links_)
        if (users.count(userId)) out.push_back(owner);
    return out;
}

uint32_t Directory::contactGroupByName(uint32_t owner, const std::string& name) const {
    for (const auto& g : contactGroupsOf(owner))
        if (g.name == name) return g.groupId;
    return 0;
}

void Directory::addContactGroup(uint32_t owner, uint32_t id, const std::string& name) {
    contactGroups_[owner].push_back({id, name});
}

void Directory::removeContactGroup(uint32_t owner, const std::string& name) {
    auto& v = contactGroups_[owner];
    std::erase_if(v, [&](const protocol::ContactGroup& g) { return g.name == name; });
}

void Directory::setContactLink(uint32_t owner, uint32_t userId, uint32_t groupId) {
    links_[owner][userId] = groupId;
}

void Directory::removeContactLink(uint32_t owner, uint32_t userId) {
    if (auto it = links_.find(owner); it != links_.end()) it->second.erase(userId);
}

const DiscussionGroup* Directory::group(const wire::Guid& guid) const {
    const auto it = groups_.find(guidKey(guid));
    return it == groups_.end() ? nullptr : &it->second;
}

const DiscussionGroup* Directory::groupByNumber(uint32_t number) const {
    for (const auto& [k, g] : groups_)
        if (g.number == number) return &g;
    return nullptr;
}

void Directory::putGroup(const DiscussionGroup& g) {
    groups_[guidKey(g.guid)] = g;
}

void Directory::removeGroup(const wire::Guid& guid) {
    groups_.erase(guidKey(guid));
}

std::vector<const DiscussionGroup*> Directory::groupsOf(uint32_t userId) const {
    std::vector<const DiscussionGroup*> out;
    for (const auto& [k, g] : groups_)
        if (std::find(g.members.begin(), g.members.end(), userId) != g.members.end()) out.push_back(&g);
    return out;
}

std::vector<const DiscussionGroup*> Directory::allGroups() const {
    std::vector<const DiscussionGroup*> out;
    for (const auto& [k, g] : groups_)
        out.push_back(&g);
    std::sort(out.begin(), out.end(), [](auto* a, auto* b) { return a->number < b->number; });
    return out;
}

protocol::Group Directory::groupRecord(const DiscussionGroup& g) {
    protocol::Group r;
    r.serverField = g.number;
    r.guid = g.guid;
    r.name = g.name;
    r.topic = g.topic;
    r.notice = g.notice;
    r.creatorId = g.creator;
    r.hidden = g.hidden;
    size_t slot = 0;
    for (uint32_t m : g.members)
        if (m != 0 && slot < protocol::kGroupSlots) r.members[slot++] = m;
    r.memberCount = uint32_t(slot);
    return r;
}

bool containsText(const std::string& text, const std::string& part) {
    if (part.empty()) return true;
    // Each byte match is taken only when it starts a character; the characters are walked once.
    size_t boundary = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        while (boundary < at)
            boundary += (uint8_t(text[boundary]) >= 0x81 && boundary + 1 < text.size()) ? 2 : 1;
        if (boundary == at) return true;
    }
    return false;
}

std::vector<uint32_t> Directory::search(const std::string& name, const std::string& department, size_t skip,
                                        size_t take, const std::unordered_set<uint32_t>& byAccount) const {
    std::vector<uint32_t> out;
    std::map<uint32_t, std::string> deptNames;
    for (const auto& d : departments_)
        deptNames[d.id] = d.name;
    for (const auto& u : users_) {
        if (!containsText(u.name, name) && !byAccount.contains(u.userId)) continue;
        if (!department.empty()) {
            const auto it = deptNames.find(u.departmentId);
            if (it == deptNames.end() || !containsText(it->second, department)) continue;
        }
        if (skip > 0) {
            --skip;
            continue;
        }
        out.push_back(u.userId);
        if (out.size() >= take) break;
    }
    return out;
}

} // namespace vantor::server
