// The owner's contact list: contact groups, contact links and the operations of the view menus.
#include "directory/directory.h"

#include "directory/texts.h"
#include "protocol/codes.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vantor::directory {

namespace {
constexpr size_t kGroupNameBytes = 40;
} // namespace

const protocol::ContactGroup* Directory::findContactGroup(uint32_t id) const {
    for (const auto& g : contactGroups_)
        if (g.groupId == id) return &g;
    return nullptr;
}

const protocol::ContactGroup* Directory::findContactGroup(const std::string& name) const {
    for (const auto& g : contactGroups_)
        if (g.name == name) return &g;
    return nullptr;
}

uint32_t Directory::contactGroupOf(uint32_t userId) const {
    const auto it = linkGroup_.find(userId);
    return it == linkGroup_.end() ? 0 : it->second;
}

int Directory::contactLinkCount(uint32_t groupId) const {
    const auto it = linkCount_.find(groupId);
    return it == linkCount_.end() ? 0 : it->second;
}

std::vector<protocol::ContactLink> Directory::contactLinks() const {
    std::vector<protocol::ContactLink> links;
    links.reserve(linkGroup_.size());
    for (const auto& [user, group] : linkGroup_)
        links.push_back({user, group});
    std::sort(links.begin(), links.end(), [](const auto& a, const auto& b) { return a.userId < b.userId; });
    return links;
}

// A user belongs to one contact group: a new link replaces the user's earlier one.
void Directory::setLink(uint32_t userId, uint32_t groupId) {
    const uint32_t old = contactGroupOf(userId);
    const bool had = linkGroup_.count(userId) != 0;
    if (had && old == groupId) return;
    dropLink(userId);
    linkGroup_[userId] = groupId;
    ++linkCount_[groupId];
    notify([&](DirectoryListener& l) { l.contactLinkChanged(userId, had ? old : 0, groupId); });
}

void Directory::dropLink(uint32_t userId) {
    const auto it = linkGroup_.find(userId);
    if (it == linkGroup_.end()) return;
    if (--linkCount_[it->second] <= 0) linkCount_.erase(it->second);
    linkGroup_.erase(it);
}

uint32_t Directory::nextFreeGroupId() const {
    uint32_t top = 0;
    for (const auto& g : contactGroups_)
        top = std::max(top, g.groupId);
    return top + 1;
}

bool Directory::sendContacts(uint32_t contactId, uint32_t groupId, const std::string& groupName, uint8_t cls,
                             uint8_t op) {
    protocol::ContactsChange c;
    c.ownId = ownUser_ ? ownUser_->id() : 0;
    c.contactId = contactId;
    c.groupId = groupId;
    c.groupName = groupName;
    c.operationClass = cls;
    c.operation = op;
    return server_.sendToServer(protocol::makeMessage(protocol::Cmd::Contacts, c));
}

void Directory::forgetContact(User& u) {
    const bool wasFrequent = u.record.frequent;
    const uint32_t old = contactGroupOf(u.id());
    const bool linked = linkGroup_.count(u.id()) != 0;
    dropLink(u.id());
    if (linked) notify([&](DirectoryListener& l) { l.contactLinkChanged(u.id(), old, 0); });
    UserChange change{0, u.record.status, u.record.departmentId, u.record.notInTree};
    u.record.contactGroupId = 0;
    if (wasFrequent) {
        // A frequent contact from outside the organisation leaves the tree with the contact list.
        u.record.frequent = false;
        u.record.notInTree = true;
        if (!change.oldHidden) change.what |= UserChange::Hidden;
    }
    if (change.what) notify([&](DirectoryListener& l) { l.userChanged(u, change); });
}

void Directory::AddContactGroup() {
    if (!ownUser_) return;
    view_.askText(texts::newGroupPrompt(),
                  whileCurrent<std::optional<std::string>>([this](std::optional<std::string> answer) {
                      if (!answer) return;
                      std::string name = trimGbk(*answer);
                      name.resize(wire::gbkCutLength(name, kGroupNameBytes));
                      if (name.empty()) return;
                      if (findContactGroup(name)) {
                          view_.showMessage(texts::errorTitle(), texts::groupExists(), MessageIcon::Error);
                          return;
                      }
                      contactGroups_.push_back({nextFreeGroupId(), name});
                      const protocol::ContactGroup added = contactGroups_.back();
                      notify([&](DirectoryListener& l) { l.contactGroupAdded(added); });
                      sendContacts(0, 0, name, 0, 0);
                  }));
}

void Directory::DeleteContactGroup(const std::string& name) {
    if (!ownUser_) return;
    const protocol::ContactGroup* g = findContactGroup(name);
    if (!g) return;
    if (contactLinkCount(g->groupId) > 0) {
        view_.showMessage(texts::hintTitle(), texts::groupNotEmpty(), MessageIcon::Information);
        return;
    }
    const uint32_t id = g->groupId;
    view_.ask(texts::hintTitle(), texts::askDeleteGroup() + name + texts::groupSuffix(), Question::YesNo,
              whileCurrent<bool>([this, id, name](bool yes) {
                  // The group as it is now: still there under that name, and still empty.
                  const protocol::ContactGroup* now = findContactGroup(id);
                  if (!yes || !now || now->name != name) return;
                  if (contactLinkCount(id) > 0) {
                      view_.showMessage(texts::hintTitle(), texts::groupNotEmpty(), MessageIcon::Information);
                      return;
                  }
                  sendContacts(0, 0, name, 1, 0);
                  removeContactGroup(id);
              }));
}

void Directory::removeContactGroup(uint32_t id) {
    const auto it = std::find_if(contactGroups_.begin(), contactGroups_.end(),
                                 [id](const auto& c) { return c.groupId == id; });
    if (it == contactGroups_.end()) return;
    contactGroups_.erase(it);
    notify([id](DirectoryListener& l) { l.contactGroupRemoved(id); });
}

void Directory::AddContactToGroup(uint32_t userId, uint32_t groupId) {
    User* u = user(userId);
    const protocol::ContactGroup* g = findContactGroup(groupId);
    if (!u || !g || u == ownUser_ || !ownUser_) return;
    const std::string name = g->name;
    if (contactGroupMode_ && u->record.departmentId != groupId) {
        UserChange change{UserChange::Department, u->record.status, u->record.departmentId,
                          u->record.notInTree};
        u->record.departmentId = groupId;
        notify([&](DirectoryListener& l) { l.userChanged(*u, change); });
    }
    sendContacts(userId, groupId, name, 0, 1);
}

void Directory::MoveContact(uint32_t userId, const std::string& name) {
    User* u = user(userId);
    const std::string groupName = name.substr(0, wire::gbkCutLength(name, kGroupNameBytes));
    if (!u || u == ownUser_ || !ownUser_ || groupName.empty()) return;
    const protocol::ContactGroup* g = findContactGroup(groupName);
    if (!g) {
        contactGroups_.push_back({nextFreeGroupId(), groupName});
        g = &contactGroups_.back();
        const protocol::ContactGroup added = *g;
        notify([&](DirectoryListener& l) { l.contactGroupAdded(added); });
    }
    const uint32_t id = g->groupId;
    u->record.contactGroupId = id;
    setLink(userId, id);
    sendContacts(userId, id, groupName, 0, 1);
}

void Directory::DeleteContact(uint32_t userId) {
    User* u = user(userId);
    if (!u || u == ownUser_ || !ownUser_) return;
    auto remove = [this, userId] {
        // The record as it is now (it may have been replaced or removed meanwhile).
        User* now = user(userId);
        if (!now || now == ownUser_) return;
        forgetContact(*now);
        sendContacts(userId, 0, {}, 1, 1);
    };
    if (!u->record.frequent) {
        remove();
        return;
    }
    view_.ask(texts::deleteContactTitle(),
              texts::askDeleteContact() + u->record.name + texts::contactSuffix(), Question::OkCancel,
              whileCurrent<bool>([remove](bool ok) {
                  if (ok) remove();
              }));
}

} // namespace vantor::directory
