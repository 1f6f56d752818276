#include "directory/tree_model.h"

#include "directory/gbk_text.h"
#include "directory/status_display.h"
#include "directory/texts.h"
#include "directory/tree_node.h"
#include "protocol/wire.h"

namespace vantor::directory {

TreeModel::TreeModel(Directory& directory, Grouping grouping, bool autoSort, int pictureBase, QObject* parent)
    : QAbstractItemModel(parent), dir_(directory), grouping_(grouping), autoSort_(autoSort),
      pictureBase_(pictureBase) {
    dir_.addListener(this);
    rebuild();
}

TreeModel::~TreeModel() {
    dir_.removeListener(this);
}

void TreeModel::setGrouping(Grouping grouping) {
    if (grouping == grouping_) return;
    grouping_ = grouping;
    rebuild();
}

void TreeModel::setAutoSort(bool on) {
    if (on == autoSort_) return;
    autoSort_ = on;
    rebuild();
}

void TreeModel::setWideSeparator(bool wide) {
    if (wide == wideSeparator_) return;
    wideSeparator_ = wide;
    if (root_ && !root_->kids->empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

// ---- the model interface ----

QModelIndex TreeModel::indexOf(const Node* node) const {
    if (!node || node == root_.get() || !node->parent) return {};
    return createIndex(int(node->parent->kids->rowOf(node)), 0, const_cast<Node*>(node));
}

TreeModel::Node* TreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root_.get();
}

QModelIndex TreeModel::indexOfUser(uint32_t userId) const {
    const auto it = users_.find(userId);
    return it == users_.end() ? QModelIndex() : indexOf(it->second.get());
}

QModelIndex TreeModel::indexOfDepartment(uint32_t departmentId) const {
    const auto it = departments_.find(departmentId);
    return it == departments_.end() ? QModelIndex() : indexOf(it->second.get());
}

QModelIndex TreeModel::catchAllIndex() const {
    return indexOf(catchAll_.get());
}

QModelIndex TreeModel::initiallyExpanded() const {
    if (grouping_ == Grouping::ByPresence) return indexOf(offlineHead_.get());
    return index(0, 0);
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* p = nodeOf(parent);
    if (column != 0 || row < 0 || !p || !p->kids || size_t(row) >= p->kids->size()) return {};
    return createIndex(row, 0, p->kids->at(size_t(row)));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexOf(nodeOf(child)->parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const Node* p = nodeOf(parent);
    return p && p->kids ? int(p->kids->size()) : 0;
}

int TreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QString TreeModel::separator() const {
    return wideSeparator_ ? QStringLiteral("  ") : QStringLiteral(" ");
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* n = nodeOf(index);
    if (n->kind == UserItem) {
        const auto& r = n->user->record;
        switch (role) {
        case Qt::DisplayRole:
            return gbkToQString(treeItemText(r.name, r.status));
        case KindRole:
            return n->kind;
        case IdRole:
            return r.userId;
        case NameRole:
            return gbkToQString(r.name);
        case StateIndexRole:
            return n->stateIndex;
        case PictureIndexRole:
            return pictureBase_ + treePictureOffset(r.status);
        case SignatureRole:
            return gbkToQString(std::string_view(r.signature).substr(0, wire::gbkCutLength(r.signature, 99)));
        case StatusRole:
            return int(r.status);
        default:
            return {};
        }
    }
    QString name;
    switch (n->kind) {
    case DepartmentItem:
        name = gbkToQString(n->department->record.name);
        break;
    case CatchAllItem:
        name = gbkToQString(dir_.contactGroupMode() ? texts::otherContacts() : texts::externalContacts());
        break;
    case OnlineHeadItem:
        name = gbkToQString(texts::online());
        break;
    default:
        name = gbkToQString(texts::offline());
        break;
    }
    switch (role) {
    case Qt::DisplayRole:
        return name + separator() + QStringLiteral("(%1/%2)").arg(n->online).arg(n->total);
    case KindRole:
        return n->kind;
    case IdRole:
        return n->department ? n->department->id() : 0u;
    case NameRole:
        return name;
    case StateIndexRole:
        return n->kind == DepartmentItem || n->kind == CatchAllItem ? kDepartmentStateIndex
                                                                    : kPresenceHeadStateIndex;
    case OnlineCountRole:
        return n->online;
    case TotalCountRole:
        return n->total;
    default:
        return {};
    }
}

} // namespace vantor::directory
