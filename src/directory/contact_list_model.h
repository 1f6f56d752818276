// The frequent contacts (view 1) as an item model: one section per contact group, captioned
// name + "(online/members)", with the contacts linked to it; online contacts above offline ones,
// or only the online ones. Filled on first display, then kept up to date change by change.
#pragma once

#include "directory/directory.h"
#include "directory/sectioned_model.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace vantor::directory {

class ContactListModel : public SectionedListModel, private DirectoryListener {
    Q_OBJECT
  public:
    explicit ContactListModel(Directory& directory, QObject* parent = nullptr);
    ~ContactListModel() override;

    // Rebuilds every section; `showAll` lists offline contacts too ("显示所有用户").
    void Fill(bool showAll);
    void clear();
    bool filled() const { return filled_; }
    bool showAll() const { return showAll_; }
    void setBigIcons(bool big);
    bool bigIcons() const override { return bigIcons_; }

    QModelIndex indexOfUser(uint32_t userId) const;
    QModelIndex indexOfSection(uint32_t groupId) const;

  signals:
    // A contact appeared after the fill: its name flashes.
    void nameFlashRequested(const QModelIndex& index);

  private:
    struct Section {
        uint32_t groupId = 0;
        std::string name;
        std::vector<const User*> items;
    };

    int sectionCount() const override { return int(sections_.size()); }
    int itemCount(int section) const override { return int(sections_[size_t(section)].items.size()); }
    QVariant sectionData(int section, int role) const override;
    QVariant itemData(int section, int item, int role) const override;

    void directoryAboutToReset() override;
    void directoryReset() override;
    void userAdded(const User& u) override;
    void userRemoving(const User& u) override;
    void userChanged(const User& u, const UserChange& change) override;
    void contactGroupsReset() override { refill(); }
    void contactLinksReset() override { refill(); }
    void contactGroupAdded(const protocol::ContactGroup& g) override;
    void contactGroupRemoved(uint32_t groupId) override;
    void contactLinkChanged(uint32_t userId, uint32_t oldGroup, uint32_t newGroup) override;
    void ownUserChanged(const User* u) override;

    void refill();
    void fillContents();
    int sectionOf(uint32_t groupId) const;
    int rowIn(int section, uint32_t userId) const;
    void addItem(const User& u, int section, bool flash);
    void removeItem(int section, int row);
    void moveItem(int section, int from, int to);
    void sectionChanged(int section);

    Directory& dir_;
    std::vector<Section> sections_;
    std::unordered_map<uint32_t, int> itemSection_; // user id → section number
    bool filled_ = false;
    bool showAll_ = true;
    bool bigIcons_ = true;
    bool inReset_ = false;
};

} // namespace vantor::directory
