// The organisation in memory while the server runs: colleagues with their live presence,
// departments, contact groups and links, discussion groups; and the directory items of the
// sign-in load already framed, so that a sign-in copies bytes instead of encoding records.
// Loads in progress read the current frames (no copy per sign-in): a change to a colleague the
// load has not reached yet goes out with the load, a later one follows it as its own message.
#pragma once

#include "protocol/group.h"
#include "protocol/records.h"
#include "server/organisation.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vantor::server {

class Directory {
  public:
    void load(const Organisation& org);

    const protocol::UserRecord* user(uint32_t id) const;
    size_t userCount() const { return users_.size(); }
    size_t position(uint32_t id) const; // SIZE_MAX when unknown
    const std::vector<Department>& departments() const { return departments_; }
    std::string departmentName(uint32_t id) const;

    // Changes to one colleague; each re-frames that colleague's item.
    void setPresence(uint32_t id, uint8_t status, bool hasAudio, bool hasCamera);
    void setHeadPicture(uint32_t id, const std::string& name);
    void setSignature(uint32_t id, const std::string& text);
    void setPhotoTime(uint32_t id, double time);
    void setWorkState(uint32_t id, const std::string& text);
    void rename(uint32_t id, const std::string& name);
    void add(const Colleague& c);
    // Removes a colleague; the ones after it move up one position.
    void remove(uint32_t id);
    Colleague colleague(uint32_t id) const;

    // The framed items of the sign-in load: every CmdDepartmentItem, and one CmdUserItem per
    // colleague by position.
    const std::string& departmentFrames() const { return departmentFrames_; }
    const std::string& userFrame(size_t position) const { return frames_[position]; }
    // One framed CmdUserItem.
    static std::string userItemFrame(const protocol::UserRecord& r, uint8_t action, uint32_t position,
                                     uint32_t count);

    // Contact groups and links of one owner.
    std::vector<protocol::ContactGroup> contactGroupsOf(uint32_t owner) const;
    std::vector<protocol::ContactLink> contactLinksOf(uint32_t owner) const;
    // The owners who keep `userId` in one of their contact groups.
    std::vector<uint32_t> contactOwnersOf(uint32_t userId) const;
    uint32_t contactGroupByName(uint32_t owner, const std::string& name) const;
    void addContactGroup(uint32_t owner, uint32_t id, const std::string& name);
    void removeContactGroup(uint32_t owner, const std::string& name);
    void setContactLink(uint32_t owner, uint32_t userId, uint32_t groupId);
    void removeContactLink(uint32_t owner, uint32_t userId);

    // Discussion groups.
    const DiscussionGroup* group(const wire::Guid& guid) const;
    const DiscussionGroup* groupByNumber(uint32_t number) const;
    void putGroup(const DiscussionGroup& g);
    void removeGroup(const wire::Guid& guid);
    std::vector<const DiscussionGroup*> groupsOf(uint32_t userId) const;
    std::vector<const DiscussionGroup*> allGroups() const;
    static protocol::Group groupRecord(const DiscussionGroup& g);

    // Colleagues in directory order whose name (or account: `byAccount` holds the ids whose
    // account contains the text) and department name contain the given texts.
    std::vector<uint32_t> search(const std::string& name, const std::string& department, size_t skip,
                                 size_t take, const std::unordered_set<uint32_t>& byAccount = {}) const;

  private:
    void reframe(size_t pos);
    std::vector<Department> departments_;
    std::vector<protocol::UserRecord> users_;
    std::vector<Colleague> colleagues_;
    std::unordered_map<uint32_t, size_t> index_;
    std::vector<std::string> frames_;
    std::string departmentFrames_;
    std::map<uint32_t, std::vector<protocol::ContactGroup>> contactGroups_;
    std::map<uint32_t, std::map<uint32_t, uint32_t>> links_; // owner → user → group
    std::map<std::string, DiscussionGroup> groups_;          // by GUID bytes
};

std::string guidKey(const wire::Guid& g);
// Whether GBK `text` holds `part` starting at a character boundary (a byte pair is one character),
// so that a search never matches the second byte of one character and the first of the next.
bool containsText(const std::string& text, const std::string& part);

} // namespace vantor::server
