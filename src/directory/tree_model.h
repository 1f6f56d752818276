// The organisation tree (view 0) as an item model: departments with their "(online/total)"
// counters and the catch-all node, or the two presence headings "在线" and "离线", with the
// colleagues under them. It follows the directory change by change: a status change touches
// one row and the counters above it.
#pragma once

#include "directory/child_list.h"
#include "directory/directory.h"

#include <QAbstractItemModel>

#include <memory>
#include <unordered_map>

namespace vantor::directory {

class TreeModel : public QAbstractItemModel, private DirectoryListener {
    Q_OBJECT
  public:
    enum Kind : int { DepartmentItem, CatchAllItem, OnlineHeadItem, OfflineHeadItem, UserItem };
    enum Role : int {
        KindRole = Qt::UserRole + 1,
        IdRole,           // user or department id (0 for the catch-all and the headings)
        NameRole,         // the plain name, without status or counters
        StateIndexRole,   // 1 departments, −1 headings, 90…100 users
        PictureIndexRole, // users: the picture base plus the status offset
        SignatureRole,    // users: at most 99 bytes of the signature
        StatusRole,       // users: the status code as received
        OnlineCountRole,  // departments and headings
        TotalCountRole,
    };

    // `pictureBase`: 2 in the main tree, 0 in the search and picker lists.
    TreeModel(Directory& directory, Grouping grouping, bool autoSort, int pictureBase = 2,
              QObject* parent = nullptr);
    ~TreeModel() override;

    Grouping grouping() const { return grouping_; }
    void setGrouping(Grouping grouping);
    void setAutoSort(bool on);
    // "  " between a department's name and its counter (the "微软雅黑" font), else " ".
    void setWideSeparator(bool wide);
    // Builds the whole tree again from the directory.
    void rebuild();

    QModelIndex indexOfUser(uint32_t userId) const;
    QModelIndex indexOfDepartment(uint32_t departmentId) const;
    QModelIndex catchAllIndex() const;
    // The row to expand after a build: the first top-level item, or "离线".
    QModelIndex initiallyExpanded() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  signals:
    // A user row moved under this heading or department, which the view expands.
    void expandRequested(const QModelIndex& index);

  private:
    struct Node;
    using Children = ChildList<Node>;

    // DirectoryListener
    void directoryAboutToReset() override { beginRebuild(); }
    void directoryReset() override { endRebuild(); }
    void userLoadExpected(size_t n) override { users_.reserve(n); }
    void userAdded(const User& u) override;
    void userRemoving(const User& u) override;
    void userChanged(const User& u, const UserChange& change) override;
    void departmentAdded(const Department& d) override;
    void departmentRemoving(const Department& d) override;
    void ownUserChanged(const User* u) override;

    void clearNodes();
    // Drops every row (the model stays in its reset until endRebuild), then builds them again.
    void beginRebuild();
    void endRebuild();
    bool belongsInTree(const User& u) const;
    Node* newContainer(int kind, SortKey key);
    Node* parentForUser(const User& u);
    SortKey userKey(const Node& n, int64_t order) const;
    bool isOnline(const Node* n) const;
    void addUserNode(const User& u);
    void removeUserNode(uint32_t userId);
    void placeDepartment(Node* node);
    void adoptWaiting(Node* dept);
    bool wouldLoop(const Node* child, const Node* parent) const;
    void insertNode(Node* node, Node* parent);
    void takeNode(Node* node);
    void moveNode(Node* node, Node* newParent, SortKey newKey);
    void addCounts(Node* container, int online, int total);
    bool watched() const;
    void rowChanged(Node* node);
    void emitRowChanged(Node* node);
    QModelIndex indexOf(const Node* node) const;
    Node* nodeOf(const QModelIndex& index) const;
    QString separator() const;

    Directory& dir_;
    Grouping grouping_;
    bool autoSort_;
    int pictureBase_;
    bool wideSeparator_ = false;
    bool resetting_ = false;
    int64_t counter_ = 0;

    std::unique_ptr<Node> root_;
    std::unordered_map<uint32_t, std::unique_ptr<Node>> users_;
    std::unordered_map<uint32_t, std::unique_ptr<Node>> departments_;
    std::unique_ptr<Node> catchAll_, onlineHead_, offlineHead_;
    // Departments waiting for their parent, users waiting (under the catch-all) for their
    // department; checked when the awaited id arrives.
    std::unordered_map<uint32_t, std::vector<uint32_t>> waitingDepartments_;
    std::unordered_map<uint32_t, std::vector<uint32_t>> waitingUsers_;
};

} // namespace vantor::directory
