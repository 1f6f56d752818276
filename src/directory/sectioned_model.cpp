#include "directory/sectioned_model.h"

namespace vantor::directory {

// Section rows carry internal id 0; item rows carry their section's number plus one.

QModelIndex SectionedListModel::sectionIndex(int section) const {
    return createIndex(section, 0, quintptr(0));
}

QModelIndex SectionedListModel::itemIndex(int section, int item) const {
    return createIndex(item, 0, quintptr(section) + 1);
}

QModelIndex SectionedListModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row < sectionCount() ? sectionIndex(row) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= sectionCount()) return {};
    return row < itemCount(parent.row()) ? itemIndex(parent.row(), row) : QModelIndex();
}

QModelIndex SectionedListModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0) return {};
    return sectionIndex(int(child.internalId() - 1));
}

int SectionedListModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return sectionCount();
    if (parent.column() > 0 || parent.internalId() != 0 || parent.row() >= sectionCount()) return 0;
    return itemCount(parent.row());
}

int SectionedListModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant SectionedListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.internalId() == 0) {
        if (index.row() >= sectionCount()) return {};
        return role == KindRole ? QVariant(int(SectionItem)) : sectionData(index.row(), role);
    }
    const int section = int(index.internalId() - 1);
    if (section >= sectionCount() || index.row() >= itemCount(section)) return {};
    return role == KindRole ? QVariant(int(EntryItem)) : itemData(section, index.row(), role);
}

} // namespace vantor::directory
