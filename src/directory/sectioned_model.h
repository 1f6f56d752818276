// Base of the three contact-list models (frequent contacts, recent contacts, discussion groups):
// top-level rows are the list's sections, their children the items.
#pragma once

#include <QAbstractItemModel>

namespace vantor::directory {

class SectionedListModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Kind : int { SectionItem, EntryItem };
    enum Role : int {
        KindRole = Qt::UserRole + 1,
        IdRole,          // section: contact-group id; item: user id (groups: the GUID text)
        NameRole,        // section name or contact name, without counts or status
        SecondLineRole,  // the grey line: signature, status text (small icons) or group notice
        StatusTextRole,  // "（忙碌）" while a badge is shown (not for a mobile phone), else empty
        BadgeRole,       // Badge (status_display.h)
        GreyRole,        // the contact is offline: grey picture, no badge
        StatusRole,      // the status code as received
        PictureNameRole, // the head-picture name when it is a plain name, else empty
        SignatureRole,
        OnlineCountRole, // sections
        MemberCountRole, // sections
        HasButtonRole,   // sections: the header's button is shown
    };

    using QAbstractItemModel::QAbstractItemModel;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    using QObject::parent;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Items are drawn big (51 pixels) or small (27 pixels).
    virtual bool bigIcons() const { return true; }

  protected:
    virtual int sectionCount() const = 0;
    virtual int itemCount(int section) const = 0;
    virtual QVariant sectionData(int section, int role) const = 0;
    using QAbstractItemModel::itemData;
    virtual QVariant itemData(int section, int item, int role) const = 0;

    QModelIndex sectionIndex(int section) const;
    QModelIndex itemIndex(int section, int item) const;
};

} // namespace vantor::directory
