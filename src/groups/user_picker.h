// The ticking of the colleague picker (TSelUserForm) without its widgets: a tree of departments
// and users with a tick per node. Ticking a node ticks everything below it and every ancestor
// whose children are then all ticked; unticking unticks everything below it and every ancestor.
// The ticked users in tree order make the picker's list of chosen colleagues. Pre-ticking the
// members of a group goes by user id, so namesakes are never ticked for each other.
#pragma once

#include "directory/directory.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantor::groups {

class PickerTree {
  public:
    struct Chosen {
        std::string name; // GBK
        uint32_t userId = 0;
        friend bool operator==(const Chosen&, const Chosen&) = default;
    };

    // A node under `parent` (-1: a root); `userId` 0 makes a department node. Returns its index.
    int addNode(int parent, std::string text, uint32_t userId = 0);
    // The organisation tree: departments in their parent chains (a department whose parent is
    // unknown is a root), each with its users.
    static PickerTree byDepartment(const directory::Directory& directory);
    // The colleagues by organisation: every user the directory holds as a real colleague (not one
    // known only through a group) whose `unitOf` text (GBK, from the detail record) is not empty,
    // under a root named by that text and, with `branch`, under the top-level department their
    // own department belongs to. Units and branches keep the order they are first met in.
    static PickerTree byPerson(const directory::Directory& directory,
                               const std::function<std::string(uint32_t)>& unitOf, bool branch);

    size_t size() const { return nodes_.size(); }
    const std::string& text(int node) const { return nodes_[size_t(node)].text; }
    uint32_t userId(int node) const { return nodes_[size_t(node)].userId; }
    int parent(int node) const { return nodes_[size_t(node)].parent; }
    const std::vector<int>& children(int node) const { return nodes_[size_t(node)].children; }
    bool ticked(int node) const { return nodes_[size_t(node)].ticked; }
    // The first node of a user; -1 when the user is not in the tree.
    int nodeOfUser(uint32_t userId) const;

    // A click on the node's tick box.
    void toggle(int node);
    void setTicked(int node, bool on);
    // Ticks the nodes of these users with the same propagation as a click.
    void preTick(const std::vector<uint32_t>& userIds);
    // Switching the fill mode clears every tick.
    void clearTicks();

    // LV_SelUser: the ticked user nodes in tree order, each user once; and lb_SelectedCount.
    std::vector<Chosen> chosen() const;
    size_t chosenCount() const { return chosen().size(); }
    // The ids of chosen(), without `exclude` (the own user, for the setup dialog).
    std::vector<uint32_t> chosenIds(uint32_t exclude = 0) const;

  private:
    struct Node {
        std::string text;
        uint32_t userId = 0;
        int parent = -1;
        std::vector<int> children;
        bool ticked = false;
    };
    void setBelow(int node, bool on);
    std::vector<Node> nodes_;
    std::vector<int> roots_;
};

} // namespace vantor::groups
