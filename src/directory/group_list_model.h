// The discussion groups (view 3): one section "讨论组（群）" whose header button creates a group
// when the account may, and one item per group with its name and topic.
#pragma once

#include "directory/directory.h"
#include "directory/sectioned_model.h"

namespace vantor::directory {

class GroupListModel : public SectionedListModel, private DirectoryListener {
    Q_OBJECT
  public:
    explicit GroupListModel(Directory& directory, QObject* parent = nullptr);
    ~GroupListModel() override;

    void FillGroups(bool mayCreate);
    bool mayCreate() const { return mayCreate_; }
    QModelIndex indexOfGroup(const protocol::Guid& guid) const;

  private:
    int sectionCount() const override { return 1; }
    int itemCount(int) const override { return int(dir_.discussionGroups().size()); }
    QVariant sectionData(int section, int role) const override;
    QVariant itemData(int section, int item, int role) const override;

    void groupsAboutToChange() override { beginResetModel(); }
    void groupsChanged() override { endResetModel(); }

    Directory& dir_;
    bool mayCreate_ = false;
};

} // namespace vantor::directory
