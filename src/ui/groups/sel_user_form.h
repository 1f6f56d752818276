// TSelUserForm: the colleague picker. A tree of the organisation (or, where the deployment shows
// branches, of the colleagues by their organisation) with a tick box per node, the ticked
// colleagues beside it with their count. It never holds up the event loop: it opens window-modal
// and hands the chosen ids to a callback when "√ 确定" is pressed. The ticking itself is
// groups::PickerTree's.
#pragma once

#include "groups/user_picker.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor::client {
class ClientCore;
}

namespace vantor::ui {

class TSelUserForm : public QDialog {
    Q_OBJECT
  public:
    // `fill(byPerson)` builds the tree of a fill mode; `modes`: the mode buttons are shown (the
    // deployment's ShowBranch), else the tree is always by department.
    TSelUserForm(const QString& caption, std::function<groups::PickerTree(bool byPerson)> fill, bool modes,
                 QWidget* parent = nullptr);

    // Ticks these users as a click would (a group's members, by id).
    void preTick(const std::vector<uint32_t>& userIds);
    // imgbtn_2 (false) / imgbtn_4 (true): refills the tree; every tick is cleared.
    void setByPerson(bool byPerson);
    bool byPerson() const { return byPerson_; }

    const groups::PickerTree& picker() const { return tree_; }
    std::vector<uint32_t> chosenIds() const { return tree_.chosenIds(); }
    QTreeWidget* tree() const { return view_; }
    QListWidget* selectedList() const { return selected_; }
    QLabel* countLabel() const { return count_; }
    // The tree item of a node (the node index of the picker), of a user's first node.
    QTreeWidgetItem* itemOf(int node) const;
    QTreeWidgetItem* itemOfUser(uint32_t userId) const { return itemOf(tree_.nodeOfUser(userId)); }

  private:
    void fillView();
    void sync();
    void ticked(QTreeWidgetItem* item);

    std::function<groups::PickerTree(bool)> fill_;
    groups::PickerTree tree_;
    bool byPerson_ = false;
    bool syncing_ = false;
    QLabel* caption_ = nullptr;
    QTreeWidget* view_ = nullptr;
    QListWidget* selected_ = nullptr;
    QLabel* count_ = nullptr;
    QToolButton* byDepartmentButton_ = nullptr;
    QToolButton* byPersonButton_ = nullptr;
    std::vector<QTreeWidgetItem*> items_;
};

// Opens the picker over `parent` (window-modal; application-modal without a parent) on the
// colleagues of the signed-in client, with `preselected` ticked, and calls `chosen` with the
// ticked ids (tree order, each once) when the user confirms; a cancel calls nothing.
// The callback runs later from the event loop: it looks up anything it needs again. The picker
// frees itself when closed.
TSelUserForm* pickUsers(QWidget* parent, client::ClientCore& core, const QString& caption,
                        const std::vector<uint32_t>& preselected,
                        std::function<void(const std::vector<uint32_t>& ids)> chosen);

} // namespace vantor::ui
