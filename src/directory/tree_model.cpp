#include "directory/tree_model.h"

#include "directory/gbk_text.h"
#include "directory/status_display.h"
#include "directory/texts.h"
#include "protocol/wire.h"

#include <QMetaMethod>

#include <limits>

namespace vantor::directory {

struct TreeModel::Node {
    int kind = DepartmentItem;
    SortKey key;
    Node* parent = nullptr;
    std::unique_ptr<Children> kids; // containers only
    const User* user = nullptr;
    const Department* department = nullptr;
    int online = 0; // users: 1 when counted as online; containers: the online count below
    int total = 0;  // containers: the users below
};

namespace {
constexpr int64_t kLast = std::numeric_limits<int64_t>::max();
} // namespace

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

// ---- building ----

void TreeModel::clearNodes() {
    users_.clear();
    departments_.clear();
    catchAll_.reset();
    onlineHead_.reset();
    offlineHead_.reset();
    waitingDepartments_.clear();
    waitingUsers_.clear();
    root_.reset();
}

TreeModel::Node* TreeModel::newContainer(int kind, SortKey key) {
    auto* n = new Node;
    n->kind = kind;
    n->key = key;
    n->kids = std::make_unique<Children>();
    return n;
}

void TreeModel::rebuild() {
    beginResetModel();
    resetting_ = true;
    clearNodes();
    root_.reset(newContainer(-1, {}));
    if (grouping_ == Grouping::ByDepartment) {
        for (const auto& d : dir_.departments())
            departmentAdded(*d);
        catchAll_.reset(newContainer(CatchAllItem, {kDepartmentStateIndex, kLast}));
        insertNode(catchAll_.get(), root_.get());
    } else {
        onlineHead_.reset(newContainer(OnlineHeadItem, {kPresenceHeadStateIndex, 0}));
        offlineHead_.reset(newContainer(OfflineHeadItem, {kPresenceHeadStateIndex, 1}));
        insertNode(onlineHead_.get(), root_.get());
        insertNode(offlineHead_.get(), root_.get());
    }
    for (const auto& u : dir_.users())
        addUserNode(*u);
    resetting_ = false;
    endResetModel();
}

bool TreeModel::belongsInTree(const User& u) const {
    if (u.record.notInTree) return false;
    // In contact-group mode the groups are the owner's own; the owner is not listed in them.
    return !(grouping_ == Grouping::ByDepartment && dir_.contactGroupMode() && u.record.isOwn);
}

bool TreeModel::isOnline(const Node* n) const {
    return treePictureOffset(n->user->record.status) > 0;
}

SortKey TreeModel::userKey(const User& u, int64_t order) const {
    return {autoSort_ ? treeStateIndex(u.record.status) : 0, order};
}

TreeModel::Node* TreeModel::parentForUser(const User& u) {
    if (grouping_ == Grouping::ByPresence)
        return showsOffline(u.record.status) ? offlineHead_.get() : onlineHead_.get();
    const uint32_t dept = u.record.departmentId;
    if (dept != 0) {
        if (auto it = departments_.find(dept); it != departments_.end()) return it->second.get();
        waitingUsers_[dept].push_back(u.id());
    }
    return catchAll_.get();
}

void TreeModel::addUserNode(const User& u) {
    if (!belongsInTree(u) || users_.count(u.id())) return;
    auto node = std::make_unique<Node>();
    node->kind = UserItem;
    node->user = &u;
    // By department a new user is its department's first child; by presence it comes last.
    node->key = userKey(u, grouping_ == Grouping::ByDepartment ? -++counter_ : ++counter_);
    node->online = isOnline(node.get()) ? 1 : 0;
    Node* parent = parentForUser(u);
    Node* n = node.get();
    users_[u.id()] = std::move(node);
    insertNode(n, parent);
}

void TreeModel::removeUserNode(uint32_t userId) {
    const auto it = users_.find(userId);
    if (it == users_.end()) return;
    takeNode(it->second.get());
    users_.erase(it);
}

bool TreeModel::wouldLoop(const Node* child, const Node* parent) const {
    for (const Node* p = parent; p; p = p->parent)
        if (p == child) return true;
    return false;
}

void TreeModel::placeDepartment(Node* node) {
    const auto& rec = node->department->record;
    Node* parent = nullptr;
    if (rec.parentId != rec.departmentId) {
        if (auto it = departments_.find(rec.parentId); it != departments_.end()) parent = it->second.get();
        if (!parent) waitingDepartments_[rec.parentId].push_back(rec.departmentId);
    }
    insertNode(node, parent ? parent : root_.get());
}

void TreeModel::adoptWaiting(Node* dept) {
    const uint32_t id = dept->department->id();
    if (auto it = waitingDepartments_.find(id); it != waitingDepartments_.end()) {
        const std::vector<uint32_t> ids = std::move(it->second);
        waitingDepartments_.erase(it);
        for (const uint32_t cid : ids) {
            auto c = departments_.find(cid);
            if (c == departments_.end()) continue;
            Node* child = c->second.get();
            if (child->parent != root_.get() || child->department->record.parentId != id || child == dept ||
                wouldLoop(child, dept))
                continue;
            moveNode(child, dept, child->key);
        }
    }
    if (auto it = waitingUsers_.find(id); it != waitingUsers_.end()) {
        const std::vector<uint32_t> ids = std::move(it->second);
        waitingUsers_.erase(it);
        for (const uint32_t uid : ids) {
            auto u = users_.find(uid);
            if (u == users_.end()) continue;
            Node* n = u->second.get();
            if (n->parent == catchAll_.get() && n->user->record.departmentId == id) moveNode(n, dept, n->key);
        }
    }
}

// ---- directory changes ----

void TreeModel::userAdded(const User& u) {
    addUserNode(u);
}

void TreeModel::userRemoving(const User& u) {
    removeUserNode(u.id());
}

void TreeModel::ownUserChanged(const User* u) {
    if (u && !belongsInTree(*u)) removeUserNode(u->id());
}

void TreeModel::userChanged(const User& u, const UserChange& change) {
    const bool replace = (change.what & UserChange::Hidden) ||
                         ((change.what & UserChange::Department) && grouping_ == Grouping::ByDepartment);
    if (replace) {
        removeUserNode(u.id());
        addUserNode(u);
        return;
    }
    const auto it = users_.find(u.id());
    if (it == users_.end()) return;
    Node* n = it->second.get();
    if (change.what & UserChange::Status) {
        const int on = isOnline(n) ? 1 : 0;
        if (on != n->online) {
            addCounts(n->parent, on - n->online, 0);
            n->online = on;
        }
        SortKey key = userKey(u, n->key.order);
        Node* target = n->parent;
        if (grouping_ == Grouping::ByPresence) {
            target = showsOffline(u.record.status) ? offlineHead_.get() : onlineHead_.get();
            if (target != n->parent) key.order = ++counter_;
        }
        if (target != n->parent || !(key == n->key)) {
            const bool crossed = target != n->parent;
            moveNode(n, target, key);
            if (crossed) emit expandRequested(indexOf(target));
        }
    }
    rowChanged(n);
}

void TreeModel::departmentAdded(const Department& d) {
    if (grouping_ != Grouping::ByDepartment || departments_.count(d.id())) return;
    auto node = std::unique_ptr<Node>(newContainer(DepartmentItem, {kDepartmentStateIndex, int64_t(d.seq)}));
    node->department = &d;
    Node* n = node.get();
    departments_[d.id()] = std::move(node);
    placeDepartment(n);
    adoptWaiting(n);
}

void TreeModel::departmentRemoving(const Department& d) {
    const auto it = departments_.find(d.id());
    if (it == departments_.end()) return;
    Node* node = it->second.get();
    std::vector<Node*> kids;
    node->kids->forEach([&](Node* c) { kids.push_back(c); });
    for (Node* c : kids) {
        if (c->kind == UserItem) {
            moveNode(c, catchAll_.get(), c->key);
            waitingUsers_[d.id()].push_back(c->user->id());
        } else {
            moveNode(c, root_.get(), c->key);
            waitingDepartments_[d.id()].push_back(c->department->id());
        }
    }
    takeNode(node);
    departments_.erase(it);
}

// ---- rows and counters ----

void TreeModel::insertNode(Node* node, Node* parent) {
    const size_t row = parent->kids->lowerBound(node->key);
    if (!resetting_) beginInsertRows(indexOf(parent), int(row), int(row));
    node->parent = parent;
    parent->kids->insert(node);
    if (!resetting_) endInsertRows();
    if (node->kind == UserItem)
        addCounts(parent, node->online, 1);
    else
        addCounts(parent, node->online, node->total);
}

void TreeModel::takeNode(Node* node) {
    Node* parent = node->parent;
    const size_t row = parent->kids->rowOf(node);
    if (!resetting_) beginRemoveRows(indexOf(parent), int(row), int(row));
    parent->kids->erase(node);
    node->parent = nullptr;
    if (!resetting_) endRemoveRows();
    if (node->kind == UserItem)
        addCounts(parent, -node->online, -1);
    else
        addCounts(parent, -node->online, -node->total);
}

void TreeModel::moveNode(Node* node, Node* newParent, SortKey newKey) {
    Node* old = node->parent;
    const size_t oldRow = old->kids->rowOf(node);
    const size_t dest = newParent->kids->lowerBound(newKey);
    if (old == newParent && (dest == oldRow || dest == oldRow + 1)) {
        // Same place: only the key changes.
        old->kids->erase(node);
        node->key = newKey;
        old->kids->insert(node);
        return;
    }
    bool moving = false;
    if (!resetting_) {
        moving = beginMoveRows(indexOf(old), int(oldRow), int(oldRow), indexOf(newParent), int(dest));
        if (!moving) {
            takeNode(node);
            node->key = newKey;
            insertNode(node, newParent);
            return;
        }
    }
    old->kids->erase(node);
    node->key = newKey;
    node->parent = newParent;
    newParent->kids->insert(node);
    if (moving) endMoveRows();
    if (old != newParent) {
        const int on = node->online;
        const int total = node->kind == UserItem ? 1 : node->total;
        addCounts(old, -on, -total);
        addCounts(newParent, on, total);
    }
}

void TreeModel::addCounts(Node* container, int online, int total) {
    if (online == 0 && total == 0) return;
    for (Node* n = container; n && n != root_.get(); n = n->parent) {
        n->online += online;
        n->total += total;
        rowChanged(n);
    }
}

void TreeModel::rowChanged(Node* node) {
    // Nobody watching (no view attached during the sign-in load): no index to compute.
    static const QMetaMethod dataChangedSignal = QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged);
    if (resetting_ || !node->parent || !isSignalConnected(dataChangedSignal)) return;
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i);
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
            return treeStateIndex(r.status);
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
