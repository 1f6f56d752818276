// How the organisation tree follows the directory: building, placing departments and colleagues,
// moving rows and keeping the counters.
#include "directory/status_display.h"
#include "directory/tree_node.h"

#include <QMetaMethod>

#include <limits>

namespace vantor::directory {

namespace {
constexpr int64_t kLast = std::numeric_limits<int64_t>::max();
} // namespace

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
    beginRebuild();
    endRebuild();
}

void TreeModel::beginRebuild() {
    if (!resetting_) beginResetModel();
    resetting_ = true;
    clearNodes();
}

void TreeModel::endRebuild() {
    if (!resetting_) beginResetModel();
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
    users_.reserve(dir_.users().size());
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

SortKey TreeModel::userKey(const Node& n, int64_t order) const {
    return {autoSort_ ? n.stateIndex : 0, order};
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
    node->stateIndex = treeStateIndex(u.record.status, 0);
    node->key = userKey(*node, grouping_ == Grouping::ByDepartment ? -++counter_ : ++counter_);
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
        n->stateIndex = treeStateIndex(u.record.status, n->stateIndex);
        SortKey key = userKey(*n, n->key.order);
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
    const bool watched = this->watched();
    for (Node* n = container; n && n != root_.get(); n = n->parent) {
        n->online += online;
        n->total += total;
        if (watched) emitRowChanged(n);
    }
}

bool TreeModel::watched() const {
    // Nobody watching (no view attached during the sign-in load): no index to compute.
    static const QMetaMethod dataChangedSignal = QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged);
    return !resetting_ && isSignalConnected(dataChangedSignal);
}

void TreeModel::rowChanged(Node* node) {
    if (watched()) emitRowChanged(node);
}

void TreeModel::emitRowChanged(Node* node) {
    if (!node->parent) return;
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i);
}

} // namespace vantor::directory
