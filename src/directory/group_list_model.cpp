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

QVariant GroupListModel::sectionData(int, int role) const {
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

QVariant GroupListModel::itemData(int, int item, int role) const {
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
