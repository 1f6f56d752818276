// The organisation directory of one session: users, departments, discussion groups, the owner's
// contact groups and links, the users asked for and the chat messages held for unknown senders.
// It applies the server's directory messages, runs the contact operations and tells its
// listeners (the views' models, presence) what changed. Users and departments are found by id
// through an index; each id is held once (a record for a known id replaces the earlier one).
#pragma once

#include "directory/interfaces.h"
#include "directory/search.h"
#include "directory/settings.h"
#include "protocol/group.h"
#include "protocol/records.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vantor::directory {

struct User {
    protocol::UserRecord record;
    uint64_t seq = 0; // arrival order in Users
    SearchKey searchKey;
    uint32_t id() const { return record.userId; }
};

struct Department {
    protocol::DepartmentRecord record;
    uint64_t seq = 0; // arrival order in Departments
    uint32_t id() const { return record.departmentId; }
};

// What changed in a user record, with the values before the change.
struct UserChange {
    enum : unsigned {
        Status = 1,
        Name = 2,
        Signature = 4,
        Picture = 8,
        Department = 16,
        Hidden = 32,
        Capabilities = 64,
    };
    unsigned what = 0;
    uint8_t oldStatus = 0;
    uint32_t oldDepartment = 0;
    bool oldHidden = false;
};

// Observers of the directory. Every callback runs after the lists are consistent, except
// `userRemoving` and `departmentRemoving`, which run while the record still exists.
class DirectoryListener {
  public:
    virtual ~DirectoryListener() = default;
    // Users and departments are about to be replaced wholesale (sign-out, a new load,
    // contact-group mode): drop every reference to them. `directoryReset` follows: rebuild.
    virtual void directoryAboutToReset() {}
    virtual void directoryReset() {}
    virtual void userAdded(const User&) {}
    virtual void userRemoving(const User&) {}
    // A sign-in load of this many users has begun (a hint for reserving room).
    virtual void userLoadExpected(size_t) {}
    // The server removed the user for good (not a replacement of its record).
    virtual void userDeleted(uint32_t) {}
    virtual void userChanged(const User&, const UserChange&) {}
    virtual void departmentAdded(const Department&) {}
    virtual void departmentRemoving(const Department&) {}
    virtual void contactGroupsReset() {}
    virtual void contactGroupAdded(const protocol::ContactGroup&) {}
    virtual void contactGroupRemoved(uint32_t) {}
    // A user's contact group changed (0 = none).
    virtual void contactLinkChanged(uint32_t, uint32_t /*oldGroup*/, uint32_t /*newGroup*/) {}
    virtual void contactLinksReset() {}
    // The discussion groups are about to change, and have changed.
    virtual void groupsAboutToChange() {}
    virtual void groupsChanged() {}
    virtual void ownUserChanged(const User*) {}
};

class Directory {
  public:
    // Bounds on what the server can make the client keep.
    static constexpr size_t kMaxHeldMessages = 10000;
    static constexpr size_t kMaxHeldGroupMessages = 1000;
    static constexpr size_t kMaxQueriedGroups = 200;
    // Room reserved ahead of a load is capped: the count in the message is the server's word.
    static constexpr size_t kMaxReservedUsers = size_t(1) << 20;

    Directory(IServerSender& server, IDirectoryView& view, IDirectoryHost& host);
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    void addListener(DirectoryListener* listener);
    void removeListener(DirectoryListener* listener);

    // From the sign-in reply; set before the directory load.
    void setContactGroupMode(bool on);
    bool contactGroupMode() const { return contactGroupMode_; }

    // ---- server messages ----
    void OnDepartmentItem(const protocol::DepartmentItem& item);
    void OnUserItem(const protocol::UserItem& item);
    void OnGroupItem(const protocol::GroupItem& item);
    void OnContactGroups(const std::vector<protocol::ContactGroup>& groups);
    void OnContactLinks(const std::vector<protocol::ContactLink>& links);
    void OnUserRecord(const protocol::UserRecord& record);
    void OnUserRenamed(const protocol::UserRenamed& renamed);
    // Steps 2–5 of a received status: store it and tell the views. Null for an unknown id.
    const User* applyStatus(const protocol::StatusRecord& status);

    // ---- users outside the directory ----
    // Sends CmdUserQuery once per id and session.
    void QueryUser(uint32_t userId);
    // Keeps a chat message from a sender not in Users until the sender's record arrives.
    void HoldMessage(const protocol::ChatMessage& message);
    size_t heldMessageCount() const { return held_.size(); }
    const std::unordered_set<uint32_t>& queriedUsers() const { return queried_; }
    // Keeps a message of a discussion group this client does not know until the group arrives
    // (CmdGroupItem, CmdGroupInvite), and asks the server about the group with CmdGroupMembers
    // naming the sender, once per group and session. Replayed not live: its membership is checked
    // again then.
    void HoldGroupMessage(const protocol::ChatMessage& message);
    size_t heldGroupMessageCount() const { return heldGroup_.size(); }

    // ---- discussion groups (kept by the group layer through these) ----
    // Adds a group, or replaces the member ids of the group with the same identifier.
    void AddGroup(const protocol::Group& group);
    void RemoveGroup(const protocol::Guid& guid);
    // Changes one group in place (its texts, its member slots) and tells the listeners; false for a
    // group that is not here.
    bool ChangeGroup(const protocol::Guid& guid, const std::function<void(protocol::Group&)>& change);
    // CmdGroupInvite: an existing group takes the record's member slots; an unknown one is added
    // with the record's name, topic, hidden flag and creator.
    void OnGroupInvite(const protocol::GroupRecord& record);
    const protocol::Group* findGroup(const protocol::Guid& guid) const;

    // ---- contact operations (menus of the views) ----
    void AddContactGroup();
    void DeleteContactGroup(const std::string& name);
    void AddContactToGroup(uint32_t userId, uint32_t groupId);
    void MoveContact(uint32_t userId, const std::string& groupName);
    void DeleteContact(uint32_t userId);

    // ---- lookups ----
    const User* findUser(uint32_t id) const;
    const Department* findDepartment(uint32_t id) const;
    const User* ownUser() const { return ownUser_; }
    const std::vector<std::unique_ptr<User>>& users() const { return users_; }
    const std::vector<std::unique_ptr<Department>>& departments() const { return departments_; }
    const std::vector<protocol::Group>& discussionGroups() const { return groups_; }
    const std::vector<protocol::ContactGroup>& contactGroups() const { return contactGroups_; }
    const protocol::ContactGroup* findContactGroup(uint32_t id) const;
    const protocol::ContactGroup* findContactGroup(const std::string& name) const;
    // The user's contact group from the contact links; 0 when none.
    uint32_t contactGroupOf(uint32_t userId) const;
    // Number of contact links to a group (the section's member count).
    int contactLinkCount(uint32_t groupId) const;
    std::vector<protocol::ContactLink> contactLinks() const;

    // A copy of the names for the search drop-down (shared until the users change).
    SearchSnapshot searchSnapshot() const;

    // Sign-out: frees every list.
    void Clear();

  private:
    User* user(uint32_t id);
    User* appendUser(const protocol::UserRecord& record);
    void removeUser(User* u);
    void appendDepartment(const protocol::DepartmentRecord& record);
    void removeDepartment(Department* d);
    void clearUsers();
    void clearDepartments();
    void setLink(uint32_t userId, uint32_t groupId);
    void dropLink(uint32_t userId);
    void setOwnUser(User* u);
    // The local part of a contact deletion: out of the frequent contacts and their links.
    void forgetContact(User& u);
    void changed(User& u, const UserChange& change);
    uint32_t nextFreeGroupId() const;
    bool sendContacts(uint32_t contactId, uint32_t groupId, const std::string& groupName, uint8_t cls,
                      uint8_t op);
    void deliverHeld(uint32_t senderId);
    void deliverHeldGroup(const protocol::Guid& guid);
    // Wraps an answer so that it runs only while this directory and its session still exist.
    template <class A, class F>
    std::function<void(A)> whileCurrent(F&& f) {
        return [alive = std::weak_ptr<const bool>(alive_), generation = generation_, this,
                f = std::forward<F>(f)](A answer) mutable {
            if (alive.expired() || generation != generation_ || !ownUser_) return;
            f(std::move(answer));
        };
    }
    void removeContactGroup(uint32_t groupId);
    void mergeGroup(const protocol::Group& group);
    // Brackets a wholesale change of users and departments.
    template <class F>
    void resetting(F&& change) {
        notify([](DirectoryListener& l) { l.directoryAboutToReset(); });
        change();
        notify([](DirectoryListener& l) { l.directoryReset(); });
    }
    template <class F>
    void notify(F&& f) {
        for (auto* l : listeners_)
            f(*l);
    }

    IServerSender& server_;
    IDirectoryView& view_;
    IDirectoryHost& host_;
    std::vector<DirectoryListener*> listeners_;
    bool contactGroupMode_ = false;

    std::vector<std::unique_ptr<User>> users_; // in seq order
    std::unordered_map<uint32_t, User*> userIndex_;
    uint64_t userSeq_ = 0;
    std::vector<std::unique_ptr<Department>> departments_;
    std::unordered_map<uint32_t, Department*> departmentIndex_;
    uint64_t departmentSeq_ = 0;
    std::vector<protocol::Group> groups_;
    std::vector<protocol::ContactGroup> contactGroups_;
    std::unordered_map<uint32_t, uint32_t> linkGroup_; // user id → contact group id
    std::unordered_map<uint32_t, int> linkCount_;      // contact group id → links
    std::unordered_set<uint32_t> queried_;
    std::deque<protocol::ChatMessage> held_;
    std::deque<protocol::ChatMessage> heldGroup_;
    std::vector<protocol::Guid> queriedGroups_;
    User* ownUser_ = nullptr;
    mutable SearchSnapshot snapshot_;
    // Answers to the view's questions arrive later: they find what they act on again by id, and
    // are dropped when the directory is gone or a sign-out came in between.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
    uint64_t generation_ = 0; // counts sign-outs (Clear)
};

// Trims ASCII blanks and control bytes at both ends of a GBK text.
std::string trimGbk(std::string_view text);

} // namespace vantor::directory
