#include "groups/user_picker.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace vantor::groups {

int PickerTree::addNode(int parent, std::string text, uint32_t userId) {
    const int index = int(nodes_.size());
    nodes_.push_back(Node{std::move(text), userId, parent, {}, false});
    if (parent >= 0)
        nodes_[size_t(parent)].children.push_back(index);
    else
        roots_.push_back(index);
    return index;
}

PickerTree PickerTree::byDepartment(const directory::Directory& directory) {
    PickerTree t;
    std::unordered_map<uint32_t, std::vector<const directory::Department*>> below;
    std::unordered_map<uint32_t, std::vector<const directory::User*>> usersOf;
    for (const auto& d : directory.departments()) {
        const bool rooted = d->record.parentId == 0 || d->record.parentId == d->id() ||
                            !directory.findDepartment(d->record.parentId);
        below[rooted ? 0 : d->record.parentId].push_back(d.get());
    }
    for (const auto& u : directory.users())
        if (!u->record.notInTree) usersOf[u->record.departmentId].push_back(u.get());
    // Walked by an explicit stack: a department chain from the server may be deep or circular.
    std::vector<std::pair<uint32_t, int>> work{{0u, -1}};
    std::unordered_map<uint32_t, bool> placed;
    while (!work.empty()) {
        const auto [id, node] = work.back();
        work.pop_back();
        std::vector<std::pair<uint32_t, int>> next;
        for (const directory::Department* d : below[id]) {
            if (placed[d->id()]) continue;
            placed[d->id()] = true;
            next.emplace_back(d->id(), t.addNode(node, d->record.name));
        }
        if (node >= 0)
            for (const directory::User* u : usersOf[id])
                t.addNode(node, u->record.name, u->id());
        std::reverse(next.begin(), next.end());
        work.insert(work.end(), next.begin(), next.end());
    }
    return t;
}

PickerTree PickerTree::byPerson(const directory::Directory& directory,
                                const std::function<std::string(uint32_t)>& unitOf, bool branch) {
    PickerTree t;
    std::map<std::string, int> units;
    std::map<std::pair<int, uint32_t>, int> branches;
    // The top-level department above a department; the walk stops at a cycle or an unknown parent.
    auto topOf = [&directory](uint32_t id) -> const directory::Department* {
        const directory::Department* d = directory.findDepartment(id);
        std::unordered_map<uint32_t, bool> seen;
        while (d && d->record.parentId != 0 && d->record.parentId != d->id() && !seen[d->id()]) {
            seen[d->id()] = true;
            const directory::Department* up = directory.findDepartment(d->record.parentId);
            if (!up) break;
            d = up;
        }
        return d;
    };
    for (const auto& u : directory.users()) {
        if (u->record.notInTree || !unitOf) continue;
        const std::string unit = unitOf(u->id());
        if (unit.empty()) continue;
        auto [it, added] = units.try_emplace(unit, 0);
        if (added) it->second = t.addNode(-1, unit);
        int parent = it->second;
        if (branch) {
            if (const directory::Department* top = topOf(u->record.departmentId)) {
                auto [b, fresh] = branches.try_emplace({parent, top->id()}, 0);
                if (fresh) b->second = t.addNode(parent, top->record.name);
                parent = b->second;
            }
        }
        t.addNode(parent, u->record.name, u->id());
    }
    return t;
}

int PickerTree::nodeOfUser(uint32_t userId) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (userId != 0 && nodes_[i].userId == userId) return int(i);
    return -1;
}

void PickerTree::setBelow(int node, bool on) {
    std::vector<int> stack{node};
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        nodes_[size_t(n)].ticked = on;
        for (int c : nodes_[size_t(n)].children)
            stack.push_back(c);
    }
}

void PickerTree::setTicked(int node, bool on) {
    if (node < 0 || size_t(node) >= nodes_.size()) return;
    setBelow(node, on);
    for (int p = nodes_[size_t(node)].parent; p >= 0; p = nodes_[size_t(p)].parent) {
        if (on) {
            const auto& kids = nodes_[size_t(p)].children;
            if (!std::all_of(kids.begin(), kids.end(), [this](int c) { return nodes_[size_t(c)].ticked; }))
                break;
        }
        nodes_[size_t(p)].ticked = on;
    }
}

void PickerTree::toggle(int node) {
    if (node < 0 || size_t(node) >= nodes_.size()) return;
    setTicked(node, !nodes_[size_t(node)].ticked);
}

void PickerTree::preTick(const std::vector<uint32_t>& userIds) {
    const std::unordered_set<uint32_t> wanted(userIds.begin(), userIds.end());
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].userId != 0 && wanted.count(nodes_[i].userId) != 0) setTicked(int(i), true);
}

void PickerTree::clearTicks() {
    for (auto& n : nodes_)
        n.ticked = false;
}

std::vector<PickerTree::Chosen> PickerTree::chosen() const {
    std::vector<Chosen> out;
    // A whole organisation may be ticked at once: each user is looked for in a set, not in the list.
    std::unordered_set<uint32_t> seen;
    std::vector<int> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        const Node& node = nodes_[size_t(n)];
        if (node.ticked && node.userId != 0 && seen.insert(node.userId).second)
            out.push_back(Chosen{node.text, node.userId});
        stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
    }
    return out;
}

std::vector<uint32_t> PickerTree::chosenIds(uint32_t exclude) const {
    std::vector<uint32_t> ids;
    for (const auto& c : chosen())
        if (c.userId != exclude) ids.push_back(c.userId);
    return ids;
}

} // namespace vantor::groups
