#include "directory/group_list_model.h"

#include "directory/gbk_text.h"
#include "directory/texts.h"
#include "protocol/wire.h"

namespace vantor::directory {

namespace {
QString cut(const std::string& text, size_t bytes) {
    return gbkToQString(std::string_view(text).substr(0, wire::gbkCutLength(text, bytes)));
}
} // namespace

GroupListModel::GroupListModel(Directory& directory, QObject* parent)
    : SectionedListModel(parent), dir_(directory) {
    dir_.addListener(this);
}

GroupListModel::~GroupListModel() {
    dir_.removeListener(this);
}

void GroupListModel::FillGroups(bool mayCreate) {
    mayCreate_ = mayCreate;
    const QModelIndex section = sectionIndex(0);
    emit dataChanged(section, section);
}

QModelIndex GroupListModel::indexOfGroup(const protocol::Guid& guid) const {
    const auto& groups = dir_.discussionGroups();
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].guid == guid) return itemIndex(0, int(i));
    return {};
}

void GroupListModel::FillService(std::vector<ServiceListSection> sections) {
    beginResetModel();
    services_ = std::move(sections);
    endResetModel();
}

const ServiceListEntry* GroupListModel::serviceEntry(const QString& id) const {
    for (const auto& s : services_)
        for (const auto& e : s.entries)
            if (QString::fromStdString(e.guid.toString()) == id) return &e;
    return nullptr;
}

QVariant GroupListModel::sectionData(int section, int role) const {
    if (section > 0) {
        const ServiceListSection& s = services_[size_t(section - 1)];
        switch (role) {
        case Qt::DisplayRole:
        case NameRole:
            return gbkToQString(s.title);
        case IdRole:
            return QString::number(s.id);
        case HasButtonRole:
            return false;
        case MemberCountRole:
            return int(s.entries.size());
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return gbkToQString(texts::groupSection());
    case HasButtonRole:
        return mayCreate_;
    case MemberCountRole:
        return int(dir_.discussionGroups().size());
    default:
        return {};
    }
}

QVariant GroupListModel::itemData(int section, int item, int role) const {
    if (section > 0) {
        const ServiceListEntry& e = services_[size_t(section - 1)].entries[size_t(item)];
        switch (role) {
        case Qt::DisplayRole:
        case NameRole:
            return cut(e.name, 50);
        case SecondLineRole:
            return cut(e.description, 100);
        case IdRole:
            return QString::fromStdString(e.guid.toString());
        default:
            return {};
        }
    }
    const protocol::Group& g = dir_.discussionGroups()[size_t(item)];
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return cut(g.name, 60);
    case SecondLineRole: // the group's topic; its notice is the group window's business
        return cut(g.topic, 100);
    case IdRole:
        return QString::fromStdString(g.guid.toString());
    case MemberCountRole:
        return int(g.memberCount);
    default:
        return {};
    }
}

} // namespace vantor::directory
