#include "directory/directory.h"

#include "directory/texts.h"
#include "protocol/codes.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vantor::directory {

using protocol::kItemFrequent;
using protocol::kItemLoad;
using protocol::kItemRemoved;

namespace {

template <class T>
auto findBySeq(std::vector<std::unique_ptr<T>>& list, const T* item) {
    return std::lower_bound(list.begin(), list.end(), item->seq,
                            [](const std::unique_ptr<T>& p, uint64_t seq) { return p->seq < seq; });
}

std::string cutName(const std::string& name, size_t bytes) {
    return name.substr(0, wire::gbkCutLength(name, bytes));
}

} // namespace

Directory::Directory(IServerSender& server, IDirectoryView& view, IDirectoryHost& host)
    : server_(server), view_(view), host_(host) {}

void Directory::addListener(DirectoryListener* listener) {
    listeners_.push_back(listener);
}

void Directory::removeListener(DirectoryListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void Directory::setContactGroupMode(bool on) {
    if (contactGroupMode_ == on) return;
    resetting([&] { contactGroupMode_ = on; });
}

// ---- storage ----

User* Directory::user(uint32_t id) {
    const auto it = userIndex_.find(id);
    return it == userIndex_.end() ? nullptr : it->second;
}

const User* Directory::findUser(uint32_t id) const {
    const auto it = userIndex_.find(id);
    return it == userIndex_.end() ? nullptr : it->second;
}

const Department* Directory::findDepartment(uint32_t id) const {
    const auto it = departmentIndex_.find(id);
    return it == departmentIndex_.end() ? nullptr : it->second;
}

User* Directory::appendUser(const protocol::UserRecord& record) {
    auto u = std::make_unique<User>();
    u->record = record;
    u->seq = ++userSeq_;
    u->searchKey = makeSearchKey(record.name);
    bool wasOwn = false;
    if (User* old = user(record.userId)) {
        wasOwn = old == ownUser_;
        removeUser(old);
    }
    User* p = u.get();
    users_.push_back(std::move(u));
    userIndex_[p->id()] = p;
    snapshot_.reset();
    notify([p](DirectoryListener& l) { l.userAdded(*p); });
    if (wasOwn || record.isOwn) setOwnUser(p);
    return p;
}

void Directory::removeUser(User* u) {
    notify([u](DirectoryListener& l) { l.userRemoving(*u); });
    if (u == ownUser_) ownUser_ = nullptr;
    userIndex_.erase(u->id());
    users_.erase(findBySeq(users_, u));
    snapshot_.reset();
}

void Directory::appendDepartment(const protocol::DepartmentRecord& record) {
    if (auto it = departmentIndex_.find(record.departmentId); it != departmentIndex_.end())
        removeDepartment(it->second);
    auto d = std::make_unique<Department>();
    d->record = record;
    d->seq = ++departmentSeq_;
    Department* p = d.get();
    departments_.push_back(std::move(d));
    departmentIndex_[p->id()] = p;
    notify([p](DirectoryListener& l) { l.departmentAdded(*p); });
}

void Directory::removeDepartment(Department* d) {
    notify([d](DirectoryListener& l) { l.departmentRemoving(*d); });
    departmentIndex_.erase(d->id());
    departments_.erase(findBySeq(departments_, d));
}

void Directory::clearUsers() {
    users_.clear();
    userIndex_.clear();
    ownUser_ = nullptr;
    snapshot_.reset();
}

void Directory::clearDepartments() {
    departments_.clear();
    departmentIndex_.clear();
}

void Directory::setOwnUser(User* u) {
    ownUser_ = u;
    u->record.isOwn = true;
    notify([u](DirectoryListener& l) { l.ownUserChanged(u); });
}

void Directory::changed(User& u, const UserChange& change) {
    if (change.what & UserChange::Name) snapshot_.reset();
    notify([&](DirectoryListener& l) { l.userChanged(u, change); });
    host_.userChanged(u.id(), &u == ownUser_);
}

// ---- server messages ----

void Directory::OnDepartmentItem(const protocol::DepartmentItem& item) {
    // Only an item of a load starts the list afresh: a single change never wipes the list.
    if (item.action == kItemLoad && item.position == 0 && !departments_.empty())
        resetting([this] { clearDepartments(); });
    if (item.action == kItemRemoved) {
        if (auto it = departmentIndex_.find(item.department.departmentId); it != departmentIndex_.end())
            removeDepartment(it->second);
        return;
    }
    appendDepartment(item.department);
    if (item.action == kItemLoad) host_.restartSignInWatchdog();
}

void Directory::OnUserItem(const protocol::UserItem& item) {
    if (item.action == kItemLoad && item.position == 0 && !users_.empty())
        resetting([this] { clearUsers(); });
    if (item.action == kItemLoad && item.loadCount > users_.size()) {
        // Room for the whole load at once: no rehash of 100 000 entries halfway through.
        const size_t n = std::min<size_t>(item.loadCount, kMaxReservedUsers);
        if (n > userIndex_.size()) {
            users_.reserve(n);
            userIndex_.reserve(n);
            notify([n](DirectoryListener& l) { l.userLoadExpected(n); });
        }
    }
    const uint32_t id = item.user.userId;
    if (item.action == kItemRemoved) {
        User* u = user(id);
        if (!u || u == ownUser_) return; // the own record stays for the whole session
        notify([id](DirectoryListener& l) { l.userDeleted(id); });
        forgetContact(*u);
        removeUser(u);
        return;
    }
    User* u = appendUser(item.user);
    if (item.action == kItemLoad && item.position < item.loadCount) host_.restartSignInWatchdog();
    if (item.action == kItemFrequent && u->record.frequent) {
        setLink(id, u->record.contactGroupId);
        view_.showBalloon(u->record.name, texts::addedToContacts(), 15, BalloonIcon::Information);
    }
}

void Directory::OnGroupItem(const protocol::GroupItem& item) {
    notify([](DirectoryListener& l) { l.groupsAboutToChange(); });
    if (item.index == 0) groups_.clear();
    mergeGroup(item.group);
    notify([](DirectoryListener& l) { l.groupsChanged(); });
    host_.restartSignInWatchdog();
    deliverHeldGroup(item.group.guid);
}

void Directory::OnContactGroups(const std::vector<protocol::ContactGroup>& groups) {
    contactGroups_.clear();
    for (const auto& g : groups)
        if (!findContactGroup(g.groupId)) contactGroups_.push_back(g);
    if (contactGroupMode_) {
        // The owner's contact groups take the place of the departments.
        resetting([this] {
            clearDepartments();
            for (const auto& g : contactGroups_) {
                auto d = std::make_unique<Department>();
                d->record.departmentId = g.groupId;
                d->record.name = g.name;
                d->record.reserved = 1;
                d->seq = ++departmentSeq_;
                departmentIndex_[g.groupId] = d.get();
                departments_.push_back(std::move(d));
            }
        });
    }
    notify([](DirectoryListener& l) { l.contactGroupsReset(); });
}

void Directory::OnContactLinks(const std::vector<protocol::ContactLink>& links) {
    for (const auto& link : links) {
        dropLink(link.userId);
        linkGroup_[link.userId] = link.groupId;
        ++linkCount_[link.groupId];
    }
    notify([](DirectoryListener& l) { l.contactLinksReset(); });
}

void Directory::OnUserRecord(const protocol::UserRecord& record) {
    if (!user(record.userId)) {
        protocol::UserRecord copy = record;
        copy.notInTree = true; // a colleague outside the directory
        copy.isOwn = false;
        appendUser(copy);
    }
    deliverHeld(record.userId);
    host_.userRecordArrived(record.userId);
}

void Directory::OnUserRenamed(const protocol::UserRenamed& renamed) {
    User* u = user(renamed.userId);
    if (!u) return;
    u->record.name = cutName(renamed.name, 70);
    u->searchKey = makeSearchKey(u->record.name);
    changed(*u, {UserChange::Name, u->record.status, u->record.departmentId, u->record.notInTree});
}

const User* Directory::applyStatus(const protocol::StatusRecord& status) {
    User* u = user(status.userId);
    if (!u) return nullptr;
    UserChange change{UserChange::Status | UserChange::Capabilities, u->record.status, u->record.departmentId,
                      u->record.notInTree};
    u->record.status = status.status;
    if (status.textKind == uint8_t(protocol::TextKind::Signature)) {
        u->record.signature = status.text;
        change.what |= UserChange::Signature;
    } else if (status.textKind == uint8_t(protocol::TextKind::HeadPicture)) {
        u->record.headPicture = cutName(status.text, 10);
        change.what |= UserChange::Picture;
    }
    u->record.hasAudio = status.hasAudio;
    u->record.hasCamera = status.hasCamera;
    changed(*u, change);
    return u;
}

// ---- users outside the directory ----

void Directory::QueryUser(uint32_t userId) {
    if (!queried_.insert(userId).second) return;
    server_.sendToServer(protocol::Message{uint8_t(protocol::Cmd::UserQuery), [userId] {
                                               std::string b(4, '\0');
                                               wire::storeU32(b.data(), userId);
                                               return b;
                                           }()});
}

void Directory::HoldMessage(const protocol::ChatMessage& message) {
    if (held_.size() >= kMaxHeldMessages) held_.pop_front();
    held_.push_back(message);
    QueryUser(message.senderId);
}

void Directory::HoldGroupMessage(const protocol::ChatMessage& message) {
    if (heldGroup_.size() >= kMaxHeldGroupMessages) heldGroup_.pop_front();
    heldGroup_.push_back(message);
    const protocol::Guid& guid = message.key.groupId;
    if (std::find(queriedGroups_.begin(), queriedGroups_.end(), guid) != queriedGroups_.end() ||
        queriedGroups_.size() >= kMaxQueriedGroups)
        return;
    queriedGroups_.push_back(guid);
    protocol::GroupMembersQuery q;
    q.ownId = ownUser_ ? ownUser_->id() : 0;
    q.guid = guid;
    q.count = 1;
    q.ids[0] = message.senderId;
    server_.sendToServer(protocol::Message{uint8_t(protocol::Cmd::GroupMembers), wire::encode(q)});
}

void Directory::deliverHeldGroup(const protocol::Guid& guid) {
    std::vector<protocol::ChatMessage> ready;
    for (auto it = heldGroup_.begin(); it != heldGroup_.end();) {
        if (it->key.groupId == guid) {
            ready.push_back(std::move(*it));
            it = heldGroup_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& m : ready)
        host_.deliverHeldMessage(m);
}

void Directory::deliverHeld(uint32_t senderId) {
    std::vector<protocol::ChatMessage> ready;
    for (auto it = held_.begin(); it != held_.end();) {
        if (it->senderId == senderId) {
            ready.push_back(std::move(*it));
            it = held_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& m : ready)
        host_.deliverHeldMessage(m);
}

// ---- discussion groups ----

void Directory::mergeGroup(const protocol::Group& group) {
    for (auto& g : groups_) {
        if (g.guid == group.guid) {
            g.memberCount = group.memberCount;
            g.members = group.members;
            return;
        }
    }
    groups_.push_back(group);
}

void Directory::AddGroup(const protocol::Group& group) {
    notify([](DirectoryListener& l) { l.groupsAboutToChange(); });
    mergeGroup(group);
    notify([](DirectoryListener& l) { l.groupsChanged(); });
    deliverHeldGroup(group.guid);
}

const protocol::Group* Directory::findGroup(const protocol::Guid& guid) const {
    for (const auto& g : groups_)
        if (g.guid == guid) return &g;
    return nullptr;
}

void Directory::OnGroupInvite(const protocol::GroupRecord& record) {
    protocol::Group g;
    if (const protocol::Group* known = findGroup(record.key.groupId)) {
        g = *known;
    } else {
        g.guid = record.key.groupId;
        g.name = record.name;
        g.topic = record.topic;
        g.hidden = record.hidden;
        g.creatorId = record.creatorId;
    }
    g.members = record.members;
    g.memberCount =
        uint32_t(std::count_if(g.members.begin(), g.members.end(), [](uint32_t id) { return id != 0; }));
    AddGroup(g);
}

void Directory::RemoveGroup(const protocol::Guid& guid) {
    const auto it =
        std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.guid == guid; });
    if (it == groups_.end()) return;
    notify([](DirectoryListener& l) { l.groupsAboutToChange(); });
    groups_.erase(it);
    notify([](DirectoryListener& l) { l.groupsChanged(); });
}

bool Directory::ChangeGroup(const protocol::Guid& guid, const std::function<void(protocol::Group&)>& change) {
    const auto it =
        std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.guid == guid; });
    if (it == groups_.end()) return false;
    notify([](DirectoryListener& l) { l.groupsAboutToChange(); });
    change(*it);
    notify([](DirectoryListener& l) { l.groupsChanged(); });
    return true;
}

// ---- sign-out ----

void Directory::Clear() {
    ++generation_;
    notify([](DirectoryListener& l) { l.groupsAboutToChange(); });
    groups_.clear();
    notify([](DirectoryListener& l) { l.groupsChanged(); });
    resetting([this] {
        clearUsers();
        clearDepartments();
        contactGroups_.clear();
        linkGroup_.clear();
        linkCount_.clear();
    });
    queried_.clear();
    held_.clear();
    heldGroup_.clear();
    queriedGroups_.clear();
    notify([](DirectoryListener& l) {
        l.contactGroupsReset();
        l.ownUserChanged(nullptr);
    });
}

SearchSnapshot Directory::searchSnapshot() const {
    if (!snapshot_) {
        auto index = std::make_shared<SearchIndex>();
        index->reserve(users_.size(), users_.size() * 4);
        for (const auto& u : users_)
            index->add(u->id(), u->searchKey);
        snapshot_ = std::move(index);
    }
    return snapshot_;
}

std::string trimGbk(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<uint8_t>(text[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<uint8_t>(text[e - 1]) <= 0x20)
        --e;
    return std::string(text.substr(b, e - b));
}

} // namespace vantor::directory
