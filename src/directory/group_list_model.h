// The discussion groups (view 3): one section "讨论组（群）" whose header button creates a group
// when the account may, and one item per group with its name and topic; after it the service
// desk's sections ("客服中心", "预约服务") with one item per service point (FillService).
#pragma once

#include "directory/directory.h"
#include "directory/sectioned_model.h"

#include <string>
#include <vector>

namespace vantor::directory {

// One service point as the group list shows it.
struct ServiceListEntry {
    protocol::Guid guid;
    std::string name;        // GBK
    std::string description; // GBK, the second line
};
struct ServiceListSection {
    std::string title; // GBK
    uint32_t id = 0;   // 0 "客服中心", 1 "预约服务"
    std::vector<ServiceListEntry> entries;
};

class GroupListModel : public SectionedListModel, private DirectoryListener {
    Q_OBJECT
  public:
    explicit GroupListModel(Directory& directory, QObject* parent = nullptr);
    ~GroupListModel() override;

    void FillGroups(bool mayCreate);
    bool mayCreate() const { return mayCreate_; }
    QModelIndex indexOfGroup(const protocol::Guid& guid) const;
    // The service desk's sections after the groups' (none: only the groups).
    void FillService(std::vector<ServiceListSection> sections);
    const std::vector<ServiceListSection>& serviceSections() const { return services_; }
    // The service point of an item's id text, or null for a discussion group.
    const ServiceListEntry* serviceEntry(const QString& id) const;

  private:
    int sectionCount() const override { return 1 + int(services_.size()); }
    int itemCount(int section) const override {
        return section == 0 ? int(dir_.discussionGroups().size())
                            : int(services_[size_t(section - 1)].entries.size());
    }
    QVariant sectionData(int section, int role) const override;
    QVariant itemData(int section, int item, int role) const override;

    void groupsAboutToChange() override { beginResetModel(); }
    void groupsChanged() override { endResetModel(); }

    Directory& dir_;
    bool mayCreate_ = false;
    std::vector<ServiceListSection> services_;
};

} // namespace vantor::directory
