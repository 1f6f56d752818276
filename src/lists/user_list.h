// One drawn contact list (frequent contacts, recent contacts or discussion groups) over a sectioned
// model of the directory, without widgets: the geometry of its sections and items (24-pixel
// headers, 27- or 51-pixel items), which sections are open, the hovered and the selected item, what
// a click, double click, right click or a header's button means, and the attention effects. The
// widget paints what this computes and forwards the mouse here.
#pragma once

#include "lists/list_attention.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <algorithm>

#include <vector>

namespace vantor::lists {

class UserList : public QObject {
    Q_OBJECT
  public:
    static constexpr int kHeaderHeight = 24;
    static constexpr int kSmallItem = 27;
    static constexpr int kBigItem = 51;
    static constexpr int kSmallHitHeight = 26;
    static constexpr int kBigHitHeight = 48;
    static constexpr int kWheelStep = 25; // pixels per wheel notch

    struct Hit {
        enum Kind { None, Header, Item } kind = None;
        int section = -1;
        int item = -1;
        friend bool operator==(const Hit&, const Hit&) = default;
    };

    explicit UserList(QObject* parent = nullptr);

    // A SectionedListModel of the directory (top-level rows are sections, their children items).
    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return model_; }

    // ---- geometry ----
    bool bigIcons() const { return bigIcons_; }
    void setBigIcons(bool big);
    int itemHeight() const { return bigIcons_ ? kBigItem : kSmallItem; }
    int sectionCount() const { return int(sections_.size()); }
    int itemCount(int section) const { return sections_[size_t(section)].items; }
    int sectionTop(int section) const { return sections_[size_t(section)].top; }
    // The top of an item, or -1 while its section is collapsed.
    int itemTop(int section, int item) const;
    int contentHeight() const { return contentHeight_; }
    // What lies at a point of the content (x from the list's left edge, `width` the list's width):
    // a header, an item's hit area, or nothing.
    Hit hitAt(int x, int y, int width) const;
    // The sections and items that meet the rows [top, top + height).
    template <class Header, class Item>
    void forEachVisible(int top, int height, Header&& header, Item&& item) const;

    // ---- sections ----
    bool expanded(int section) const { return sections_[size_t(section)].expanded; }
    void setExpanded(int section, bool open);
    void collapseAll();

    // ---- items ----
    QModelIndex sectionIndex(int section) const;
    QModelIndex itemIndex(int section, int item) const;
    Hit hitOf(const QModelIndex& index) const;
    // The key that names an item through resets: its id as text.
    static QString keyOf(const QModelIndex& index);

    QModelIndex selected() const { return selected_; }
    QModelIndex hovered() const { return hovered_; }
    void setHovered(const Hit& hit);
    void select(const QModelIndex& index);

    // ---- what the mouse does ----
    // A click selects an item and reports it; on a header it opens or closes the section.
    void click(const Hit& hit);
    // A double click reports the item and stops its new-message icon.
    void doubleClick(const Hit& hit);
    // A right click acts as a click, then reports the item or the section.
    void rightClick(const Hit& hit);
    // The header's button (sections with a non-zero id, or the create-group button).
    void sectionButton(int section);
    // Whether a section's header shows its button while hovered.
    bool hasButton(int section) const;

    ListAttention& attention() { return attention_; }
    const ListAttention& attention() const { return attention_; }
    // SetBlinking: the new-message icon of the item with this key.
    void SetBlinking(const QString& key, bool on) { attention_.setBlinking(key, on); }

  signals:
    void geometryChanged(); // heights or positions changed
    void contentChanged();  // something drawn changed
    void itemClicked(const QModelIndex& item);
    void itemDoubleClicked(const QModelIndex& item);
    void itemRightClicked(const QModelIndex& item);
    void sectionRightClicked(int section, const QString& caption);
    void sectionButtonClicked(int section, const QString& caption);

  private:
    struct Section {
        int top = 0;
        int items = 0;
        bool expanded = false;
    };
    static QString sectionKey(const QModelIndex& section);
    void rebuild(bool filled);
    void relayout();
    void readBigIcons();
    void restoreSelection();

    QPointer<QAbstractItemModel> model_; // the model may go first
    std::vector<QMetaObject::Connection> connections_;
    std::vector<Section> sections_;
    QHash<QString, bool> open_; // section key → expanded, kept through fills
    int contentHeight_ = 0;
    bool bigIcons_ = true;
    QPersistentModelIndex selected_, hovered_;
    QString selectedKey_;
    ListAttention attention_;
};

template <class Header, class Item>
void UserList::forEachVisible(int top, int height, Header&& header, Item&& item) const {
    const int bottom = top + height;
    // The first section whose end lies below `top`.
    size_t s = 0, hi = sections_.size();
    while (s < hi) {
        const size_t mid = (s + hi) / 2;
        const int end = mid + 1 < sections_.size() ? sections_[mid + 1].top : contentHeight_;
        if (end <= top)
            s = mid + 1;
        else
            hi = mid;
    }
    for (; s < sections_.size() && sections_[s].top < bottom; ++s) {
        const Section& sec = sections_[s];
        if (sec.top + kHeaderHeight > top) header(int(s), sec.top);
        if (!sec.expanded) continue;
        const int first = std::max(0, (top - sec.top - kHeaderHeight) / itemHeight());
        for (int i = first; i < sec.items; ++i) {
            const int y = sec.top + kHeaderHeight + i * itemHeight();
            if (y >= bottom) break;
            item(int(s), i, y);
        }
    }
}

} // namespace vantor::lists
