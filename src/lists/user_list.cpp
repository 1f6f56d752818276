#include "lists/user_list.h"

#include "directory/contact_list_model.h"
#include "directory/sectioned_model.h"

namespace vantor::lists {

using directory::SectionedListModel;

UserList::UserList(QObject* parent) : QObject(parent) {
    connect(&attention_, &ListAttention::changed, this, &UserList::contentChanged);
}

void UserList::setModel(QAbstractItemModel* model) {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    // Another model: nothing of the old one stays selected or open.
    if (model != model_) {
        selected_ = hovered_ = QPersistentModelIndex();
        selectedKey_.clear();
        open_.clear();
    }
    model_ = model;
    if (model_) {
        auto on = [this](auto signal, auto slot) {
            connections_.push_back(connect(model_, signal, this, slot));
        };
        on(&QAbstractItemModel::modelReset, [this] { rebuild(true); });
        on(&QAbstractItemModel::layoutChanged, [this] { rebuild(false); });
        on(&QAbstractItemModel::rowsInserted, [this](const QModelIndex& parent) {
            if (parent.isValid())
                relayout();
            else
                rebuild(false);
        });
        on(&QAbstractItemModel::rowsRemoved, [this](const QModelIndex& parent) {
            if (parent.isValid())
                relayout();
            else
                rebuild(false);
        });
        on(&QAbstractItemModel::rowsMoved, [this] { relayout(); });
        on(&QAbstractItemModel::dataChanged, [this] {
            readBigIcons();
            emit contentChanged();
        });
        // A contact shown after the fill flashes its name.
        if (auto* frequent = qobject_cast<directory::ContactListModel*>(model_))
            connections_.push_back(connect(frequent, &directory::ContactListModel::nameFlashRequested, this,
                                           [this](const QModelIndex& i) { attention_.flash(keyOf(i)); }));
    }
    rebuild(true);
}

QString UserList::keyOf(const QModelIndex& index) {
    return index.data(SectionedListModel::IdRole).toString();
}

QString UserList::sectionKey(const QModelIndex& section) {
    return section.data(SectionedListModel::IdRole).toString() + QLatin1Char('/') +
           section.data(SectionedListModel::NameRole).toString();
}

QModelIndex UserList::sectionIndex(int section) const {
    return model_ ? model_->index(section, 0) : QModelIndex();
}

QModelIndex UserList::itemIndex(int section, int item) const {
    return model_ ? model_->index(item, 0, sectionIndex(section)) : QModelIndex();
}

void UserList::readBigIcons() {
    const auto* m = qobject_cast<const SectionedListModel*>(model_);
    const bool big = m ? m->bigIcons() : true;
    if (big != bigIcons_) setBigIcons(big);
}

void UserList::setBigIcons(bool big) {
    if (big == bigIcons_) return;
    bigIcons_ = big;
    relayout();
}

// The sections again from the model. A fill (a reset) opens the first section; the others keep
// what the user chose for them, or stay closed.
void UserList::rebuild(bool filled) {
    std::vector<Section> sections;
    const int n = model_ ? model_->rowCount() : 0;
    sections.resize(size_t(n));
    for (int s = 0; s < n; ++s)
        sections[size_t(s)].expanded = open_.value(sectionKey(sectionIndex(s)), false);
    if (filled && n > 0 && !sections[0].expanded) {
        sections[0].expanded = true;
        open_.insert(sectionKey(sectionIndex(0)), true);
    }
    sections_ = std::move(sections);
    if (filled) {
        hovered_ = QPersistentModelIndex();
        restoreSelection();
    }
    readBigIcons();
    relayout();
}

void UserList::relayout() {
    int y = 0;
    for (int s = 0; s < int(sections_.size()); ++s) {
        Section& sec = sections_[size_t(s)];
        sec.top = y;
        sec.items = model_ ? model_->rowCount(sectionIndex(s)) : 0;
        y += kHeaderHeight + (sec.expanded ? sec.items * itemHeight() : 0);
    }
    contentHeight_ = y;
    emit geometryChanged();
}

// After a fill the selected contact is found again by its key.
void UserList::restoreSelection() {
    if (selectedKey_.isEmpty() || !model_) return;
    for (int s = 0; s < model_->rowCount(); ++s) {
        const QModelIndex section = sectionIndex(s);
        for (int i = 0; i < model_->rowCount(section); ++i) {
            const QModelIndex item = model_->index(i, 0, section);
            if (keyOf(item) == selectedKey_) {
                selected_ = item;
                return;
            }
        }
    }
    selected_ = QPersistentModelIndex();
}

int UserList::itemTop(int section, int item) const {
    const Section& sec = sections_[size_t(section)];
    return sec.expanded ? sec.top + kHeaderHeight + item * itemHeight() : -1;
}

UserList::Hit UserList::hitAt(int x, int y, int width) const {
    if (y < 0 || y >= contentHeight_ || sections_.empty()) return {};
    size_t lo = 0, hi = sections_.size();
    while (hi - lo > 1) {
        const size_t mid = (lo + hi) / 2;
        if (sections_[mid].top <= y)
            lo = mid;
        else
            hi = mid;
    }
    const Section& sec = sections_[lo];
    const int local = y - sec.top;
    if (local < kHeaderHeight) return {Hit::Header, int(lo), -1};
    const int item = (local - kHeaderHeight) / itemHeight();
    const int within = (local - kHeaderHeight) % itemHeight();
    // An item's hit area: from 3 pixels in, the width less 4, 26 or 48 pixels high.
    const bool inArea = within < (bigIcons_ ? kBigHitHeight : kSmallHitHeight) && x >= 3 && x < width - 1;
    if (!sec.expanded || item >= sec.items || !inArea) return {};
    return {Hit::Item, int(lo), item};
}

UserList::Hit UserList::hitOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model_) return {};
    if (!index.parent().isValid()) return {Hit::Header, index.row(), -1};
    return {Hit::Item, index.parent().row(), index.row()};
}

void UserList::setExpanded(int section, bool open) {
    if (section < 0 || section >= sectionCount() || expanded(section) == open) return;
    sections_[size_t(section)].expanded = open;
    open_.insert(sectionKey(sectionIndex(section)), open);
    relayout();
}

void UserList::collapseAll() {
    for (int s = 0; s < sectionCount(); ++s)
        setExpanded(s, false);
}

void UserList::setHovered(const Hit& hit) {
    const QModelIndex now = hit.kind == Hit::Item     ? itemIndex(hit.section, hit.item)
                            : hit.kind == Hit::Header ? sectionIndex(hit.section)
                                                      : QModelIndex();
    if (QModelIndex(hovered_) == now) return;
    hovered_ = now;
    emit contentChanged();
}

void UserList::select(const QModelIndex& index) {
    if (QModelIndex(selected_) == index) return;
    selected_ = index;
    selectedKey_ = index.isValid() ? keyOf(index) : QString();
    emit contentChanged();
}

void UserList::click(const Hit& hit) {
    if (hit.kind == Hit::Header) {
        setExpanded(hit.section, !expanded(hit.section));
    } else if (hit.kind == Hit::Item) {
        const QModelIndex item = itemIndex(hit.section, hit.item);
        select(item);
        emit itemClicked(item);
    }
}

void UserList::doubleClick(const Hit& hit) {
    if (hit.kind != Hit::Item) return;
    const QModelIndex item = itemIndex(hit.section, hit.item);
    attention_.setBlinking(keyOf(item), false);
    emit itemDoubleClicked(item);
}

void UserList::rightClick(const Hit& hit) {
    if (hit.kind == Hit::Header) {
        emit sectionRightClicked(hit.section,
                                 sectionIndex(hit.section).data(SectionedListModel::NameRole).toString());
    } else if (hit.kind == Hit::Item) {
        const QModelIndex item = itemIndex(hit.section, hit.item);
        select(item);
        emit itemClicked(item);
        emit itemRightClicked(item);
    }
}

bool UserList::hasButton(int section) const {
    return sectionIndex(section).data(SectionedListModel::HasButtonRole).toBool();
}

void UserList::sectionButton(int section) {
    if (section < 0 || section >= sectionCount() || !hasButton(section)) return;
    emit sectionButtonClicked(section, sectionIndex(section).data(SectionedListModel::NameRole).toString());
}

} // namespace vantor::lists
