// The recent contacts (view 2): one section "最近联系人" without counts, the most recent contact
// at the top. Kept together with its saved form, the id text ",7,3,12," (oldest first).
#pragma once

#include "directory/directory.h"
#include "directory/sectioned_model.h"

#include <string>
#include <vector>

namespace vantor::directory {

class RecentModel : public SectionedListModel, private DirectoryListener {
    Q_OBJECT
  public:
    explicit RecentModel(Directory& directory, QObject* parent = nullptr);
    ~RecentModel() override;

    void FillRecent(const std::string& idText);
    // The user becomes the most recent contact (nothing happens for the last one touched).
    void TouchRecent(uint32_t userId);
    void ForgetRecent(uint32_t userId);
    // The text to save as the recent-contact list.
    const std::string& recentText() const { return text_; }

    void setBigIcons(bool big);
    bool bigIcons() const override { return bigIcons_; }
    QModelIndex indexOfUser(uint32_t userId) const;

  private:
    int sectionCount() const override { return 1; }
    int itemCount(int) const override { return int(items_.size()); }
    QVariant sectionData(int section, int role) const override;
    QVariant itemData(int section, int item, int role) const override;

    void directoryAboutToReset() override;
    void directoryReset() override;
    void userAdded(const User& u) override;
    void userDeleted(uint32_t userId) override { ForgetRecent(userId); }
    void userChanged(const User& u, const UserChange& change) override;

    // The items again from the text: the ids of known users, last one first, each once.
    void relist();
    void collect();
    int rowOf(uint32_t userId) const;

    Directory& dir_;
    std::string text_;
    std::vector<uint32_t> items_;
    uint32_t lastTouched_ = 0;
    bool touchedAny_ = false;
    bool bigIcons_ = true;
};

// The decimal ids of a recent-contact text, in text order; malformed entries are skipped.
std::vector<uint32_t> parseRecentIds(const std::string& text);

} // namespace vantor::directory
