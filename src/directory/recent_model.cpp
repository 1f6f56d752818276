#include "directory/recent_model.h"

#include "directory/contact_item.h"
#include "directory/gbk_text.h"
#include "directory/texts.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

namespace vantor::directory {

namespace {

// Replaces every "," + id + "," by ",", as often as it occurs.
void dropId(std::string& text, uint32_t id) {
    const std::string token = "," + std::to_string(id) + ",";
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at))
        text.replace(at, token.size(), ",");
}

} // namespace

std::vector<uint32_t> parseRecentIds(const std::string& text) {
    std::vector<uint32_t> ids;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(',', start), text.size());
        uint32_t id = 0;
        const char* b = text.data() + start;
        const char* e = text.data() + end;
        if (b != e) {
            const auto [p, ec] = std::from_chars(b, e, id);
            if (ec == std::errc() && p == e) ids.push_back(id);
        }
        start = end + 1;
    }
    return ids;
}

RecentModel::RecentModel(Directory& directory, QObject* parent)
    : SectionedListModel(parent), dir_(directory) {
    dir_.addListener(this);
}

RecentModel::~RecentModel() {
    dir_.removeListener(this);
}

void RecentModel::collect() {
    items_.clear();
    std::unordered_set<uint32_t> seen;
    const auto ids = parseRecentIds(text_);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it)
        if (dir_.findUser(*it) && seen.insert(*it).second) items_.push_back(*it);
}

void RecentModel::relist() {
    beginResetModel();
    collect();
    endResetModel();
}

void RecentModel::directoryAboutToReset() {
    beginResetModel();
    items_.clear();
}

void RecentModel::directoryReset() {
    collect();
    endResetModel();
}

void RecentModel::FillRecent(const std::string& idText) {
    text_ = idText;
    touchedAny_ = false;
    relist();
}

int RecentModel::rowOf(uint32_t userId) const {
    const auto it = std::find(items_.begin(), items_.end(), userId);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

QModelIndex RecentModel::indexOfUser(uint32_t userId) const {
    const int row = rowOf(userId);
    return row < 0 ? QModelIndex() : itemIndex(0, row);
}

void RecentModel::TouchRecent(uint32_t userId) {
    if (touchedAny_ && userId == lastTouched_) return;
    touchedAny_ = true;
    lastTouched_ = userId;
    dropId(text_, userId);
    if (text_.empty()) text_ = ",";
    text_ += std::to_string(userId) + ",";
    const int row = rowOf(userId);
    const QModelIndex section = sectionIndex(0);
    if (row > 0) {
        beginMoveRows(section, row, row, section, 0);
        items_.erase(items_.begin() + row);
        items_.insert(items_.begin(), userId);
        endMoveRows();
    } else if (row < 0 && dir_.findUser(userId)) {
        beginInsertRows(section, 0, 0);
        items_.insert(items_.begin(), userId);
        endInsertRows();
    }
}

void RecentModel::ForgetRecent(uint32_t userId) {
    dropId(text_, userId);
    if (touchedAny_ && lastTouched_ == userId) touchedAny_ = false;
    const int row = rowOf(userId);
    if (row < 0) return;
    beginRemoveRows(sectionIndex(0), row, row);
    items_.erase(items_.begin() + row);
    endRemoveRows();
}

void RecentModel::setBigIcons(bool big) {
    if (big == bigIcons_) return;
    bigIcons_ = big;
    if (!items_.empty()) emit dataChanged(itemIndex(0, 0), itemIndex(0, int(items_.size()) - 1));
}

void RecentModel::userAdded(const User& u) {
    // A contact of the list whose record arrives (or is replaced) takes its place again.
    if (text_.find("," + std::to_string(u.id()) + ",") != std::string::npos) relist();
}

void RecentModel::userChanged(const User& u, const UserChange&) {
    const int row = rowOf(u.id());
    if (row < 0) return;
    const QModelIndex i = itemIndex(0, row);
    emit dataChanged(i, i);
}

QVariant RecentModel::sectionData(int, int role) const {
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return gbkToQString(texts::recentSection());
    case IdRole:
        return 0u;
    default:
        return {};
    }
}

QVariant RecentModel::itemData(int, int item, int role) const {
    const User* u = dir_.findUser(items_[size_t(item)]);
    return u ? contactItemData(*u, role, bigIcons_) : QVariant();
}

} // namespace vantor::directory
