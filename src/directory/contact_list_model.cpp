#include "directory/contact_list_model.h"

#include "directory/contact_item.h"
#include "directory/gbk_text.h"
#include "directory/status_display.h"

#include <algorithm>

namespace vantor::directory {

ContactListModel::ContactListModel(Directory& directory, QObject* parent)
    : SectionedListModel(parent), dir_(directory) {
    dir_.addListener(this);
}

ContactListModel::~ContactListModel() {
    dir_.removeListener(this);
}

void ContactListModel::Fill(bool showAll) {
    beginResetModel();
    showAll_ = showAll;
    filled_ = true;
    fillContents();
    endResetModel();
}

void ContactListModel::fillContents() {
    sections_.clear();
    itemSection_.clear();
    for (const auto& g : dir_.contactGroups())
        sections_.push_back({g.groupId, g.name, {}});
    // Online contacts first, then (when all are shown) the offline ones, each in the order of Users.
    for (const bool offlinePass : {false, true}) {
        if (offlinePass && !showAll_) break;
        for (const auto& u : dir_.users()) {
            if (showsOffline(u->record.status) != offlinePass) continue;
            const int s = sectionOf(dir_.contactGroupOf(u->id()));
            if (s < 0) continue;
            sections_[size_t(s)].items.push_back(u.get());
            itemSection_[u->id()] = s;
        }
    }
}

void ContactListModel::clear() {
    beginResetModel();
    sections_.clear();
    itemSection_.clear();
    filled_ = false;
    endResetModel();
}

void ContactListModel::refill() {
    if (filled_) Fill(showAll_);
}

void ContactListModel::setBigIcons(bool big) {
    if (big == bigIcons_) return;
    bigIcons_ = big;
    for (int s = 0; s < sectionCount(); ++s)
        if (itemCount(s) > 0) emit dataChanged(itemIndex(s, 0), itemIndex(s, itemCount(s) - 1));
}

int ContactListModel::sectionOf(uint32_t groupId) const {
    if (groupId == 0) return -1;
    for (size_t i = 0; i < sections_.size(); ++i)
        if (sections_[i].groupId == groupId) return int(i);
    return -1;
}

int ContactListModel::rowIn(int section, uint32_t userId) const {
    const auto& items = sections_[size_t(section)].items;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->id() == userId) return int(i);
    return -1;
}

QModelIndex ContactListModel::indexOfUser(uint32_t userId) const {
    const auto it = itemSection_.find(userId);
    if (it == itemSection_.end()) return {};
    const int row = rowIn(it->second, userId);
    return row < 0 ? QModelIndex() : itemIndex(it->second, row);
}

QModelIndex ContactListModel::indexOfSection(uint32_t groupId) const {
    const int s = sectionOf(groupId);
    return s < 0 ? QModelIndex() : sectionIndex(s);
}

void ContactListModel::addItem(const User& u, int section, bool flash) {
    beginInsertRows(sectionIndex(section), 0, 0);
    auto& items = sections_[size_t(section)].items;
    items.insert(items.begin(), &u);
    itemSection_[u.id()] = section;
    endInsertRows();
    sectionChanged(section);
    if (flash) emit nameFlashRequested(itemIndex(section, 0));
}

void ContactListModel::removeItem(int section, int row) {
    beginRemoveRows(sectionIndex(section), row, row);
    auto& items = sections_[size_t(section)].items;
    itemSection_.erase(items[size_t(row)]->id());
    items.erase(items.begin() + row);
    endRemoveRows();
    sectionChanged(section);
}

void ContactListModel::moveItem(int section, int from, int to) {
    if (from == to) return;
    const QModelIndex parent = sectionIndex(section);
    if (!beginMoveRows(parent, from, from, parent, to > from ? to + 1 : to)) return;
    auto& items = sections_[size_t(section)].items;
    const User* u = items[size_t(from)];
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, u);
    endMoveRows();
}

void ContactListModel::sectionChanged(int section) {
    const QModelIndex i = sectionIndex(section);
    emit dataChanged(i, i);
}

// ---- directory changes ----

void ContactListModel::directoryAboutToReset() {
    if (!filled_) return;
    beginResetModel();
    inReset_ = true;
    sections_.clear();
    itemSection_.clear();
}

void ContactListModel::directoryReset() {
    if (!inReset_) return;
    inReset_ = false;
    fillContents();
    endResetModel();
}

void ContactListModel::ownUserChanged(const User* u) {
    if (!u && filled_) clear();
}

void ContactListModel::userAdded(const User& u) {
    if (!filled_ || (!showAll_ && showsOffline(u.record.status))) return;
    const int s = sectionOf(dir_.contactGroupOf(u.id()));
    if (s >= 0) addItem(u, s, true);
}

void ContactListModel::userRemoving(const User& u) {
    const auto it = itemSection_.find(u.id());
    if (it == itemSection_.end()) return;
    const int s = it->second;
    removeItem(s, rowIn(s, u.id()));
}

void ContactListModel::userChanged(const User& u, const UserChange& change) {
    if (!filled_) return;
    const auto it = itemSection_.find(u.id());
    const bool offline = showsOffline(u.record.status);
    if (it == itemSection_.end()) {
        // A contact without an item that is to be shown gets one.
        if ((change.what & UserChange::Status) && (showAll_ || !offline)) userAdded(u);
        return;
    }
    const int s = it->second;
    int row = rowIn(s, u.id());
    if (change.what & UserChange::Status) {
        const bool wasOffline = showsOffline(change.oldStatus);
        if (!showAll_ && offline) {
            removeItem(s, row);
            return;
        }
        if (showAll_ && wasOffline != offline) {
            const int to = offline ? itemCount(s) - 1 : 0;
            moveItem(s, row, to);
            row = to;
        }
        sectionChanged(s);
    }
    const QModelIndex i = itemIndex(s, row);
    emit dataChanged(i, i);
}

void ContactListModel::contactGroupAdded(const protocol::ContactGroup& g) {
    if (!filled_ || sectionOf(g.groupId) >= 0) return;
    beginInsertRows({}, sectionCount(), sectionCount());
    sections_.push_back({g.groupId, g.name, {}});
    endInsertRows();
}

void ContactListModel::contactGroupRemoved(uint32_t groupId) {
    const int s = sectionOf(groupId);
    if (s < 0) return;
    beginRemoveRows({}, s, s);
    for (const User* u : sections_[size_t(s)].items)
        itemSection_.erase(u->id());
    sections_.erase(sections_.begin() + s);
    for (auto& [id, sec] : itemSection_)
        if (sec > s) --sec;
    endRemoveRows();
}

void ContactListModel::contactLinkChanged(uint32_t userId, uint32_t oldGroup, uint32_t newGroup) {
    if (!filled_) return;
    if (const auto it = itemSection_.find(userId); it != itemSection_.end())
        removeItem(it->second, rowIn(it->second, userId));
    else if (const int old = sectionOf(oldGroup); old >= 0)
        sectionChanged(old); // its member count changed
    const User* u = dir_.findUser(userId);
    const int s = sectionOf(newGroup);
    if (s < 0) return;
    if (u && (showAll_ || !showsOffline(u->record.status)))
        addItem(*u, s, false);
    else
        sectionChanged(s);
}

// ---- data ----

QVariant ContactListModel::sectionData(int section, int role) const {
    const Section& s = sections_[size_t(section)];
    int online = 0;
    for (const User* u : s.items)
        online += showsOffline(u->record.status) ? 0 : 1;
    const int members = dir_.contactLinkCount(s.groupId);
    switch (role) {
    case Qt::DisplayRole:
        return gbkToQString(s.name) + QStringLiteral("(%1/%2)").arg(online).arg(members);
    case IdRole:
        return s.groupId;
    case NameRole:
        return gbkToQString(s.name);
    case OnlineCountRole:
        return online;
    case MemberCountRole:
        return members;
    case HasButtonRole:
        return s.groupId != 0;
    default:
        return {};
    }
}

QVariant ContactListModel::itemData(int section, int item, int role) const {
    return contactItemData(*sections_[size_t(section)].items[size_t(item)], role, bigIcons_);
}

} // namespace vantor::directory
