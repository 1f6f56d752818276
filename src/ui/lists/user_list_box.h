// TUserListBox: one drawn contact list (frequent contacts, recent contacts or discussion groups)
// over a sectioned model of the directory. It paints only the rows in view: 24-pixel section
// headers with their arrow, caption and button, 27- or 51-pixel items with head frame and picture,
// presence badge, new-message icon, name and second line; hover and selection backgrounds from the
// skin. Geometry, sections, selection and the attention effects live in lists::UserList.
#pragma once

#include "directory/head_picture.h"
#include "lists/user_list.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QPixmap>

#include <functional>

namespace vantor::ui {

class SkinLibrary;

class TUserListBox : public QAbstractScrollArea {
    Q_OBJECT
  public:
    TUserListBox(const QString& objectName, const QString& sysImages, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return list_.model(); }
    lists::UserList& list() { return list_; }
    const lists::UserList& list() const { return list_; }
    void setSkin(const SkinLibrary* skin);
    void setPictureFolders(const directory::PictureFolders& folders);
    // The list holds discussion groups: the group picture, the create-group button.
    void setGroupMode(bool on);
    bool groupMode() const { return groupMode_; }

    // Callbacks to the owner (item and its id, a user id or a group's identifier text).
    std::function<void(const QModelIndex& item, const QVariant& id)> OnItemClick;
    std::function<void(const QModelIndex& item, const QVariant& id)> OnItemDblClick;
    std::function<void(const QModelIndex& item, const QVariant& id)> OnItemRightClick;
    std::function<void(int section, const QString& caption)> OnSectionRightClick;
    std::function<void(int section, const QString& caption)> OnSectionButton;
    // Opened by a double click or Enter.
    std::function<void(const QVariant& id)> onActivate;
    // A context menu asked for over an item (its id), a header (`onSection`) or the empty area.
    std::function<void(const QVariant& id, bool onSection, const QPoint& globalPos)> onContextMenu;

    // The new-message icon of the item with this id (a user id, or a group identifier text).
    void SetBlinking(const QVariant& id, bool on) { list_.SetBlinking(id.toString(), on); }
    void setMarked(const QVariant& id, bool marked) { SetBlinking(id, marked); }
    bool isMarked(const QVariant& id) const { return list_.attention().blinking(id.toString()); }
    void clearMarks() { list_.attention().stopAllBlinking(); }
    // The help picture of an empty list ("HelpPic2" when `forced`), or none.
    void ShowHelpPicture(bool show, bool forced = false);
    bool helpPictureShown() const;

    // The row at a point of the viewport, the rectangle of a row in the viewport.
    QModelIndex indexAt(const QPoint& pos) const;
    QRect visualRect(const QModelIndex& index) const;
    QRect sectionButtonRect(int section) const;
    void collapseAll() { list_.collapseAll(); }
    void setExpanded(const QModelIndex& section, bool open);
    bool isExpanded(const QModelIndex& section) const;
    QModelIndex currentIndex() const { return list_.selected(); }
    void setCurrentIndex(const QModelIndex& index) { list_.select(index); }
    int scrollTop() const;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;

  private:
    lists::UserList::Hit hitAt(const QPoint& viewportPos) const;
    bool onButton(const QPoint& viewportPos, int section) const;
    void updateScrollBars();
    void paintHeader(QPainter& p, int section, int y) const;
    void paintItem(QPainter& p, int section, int item, int y) const;
    QPixmap headPicture(const QModelIndex& item, int size, bool grey) const;
    QPixmap pic(const char* name) const;

    lists::UserList list_;
    const SkinLibrary* skin_;
    directory::PictureFolders folders_;
    bool groupMode_ = false;
    int helpPicture_ = 0; // 0 none, 1 "HelpPic1", 2 "HelpPic2"
    int wheelRemainder_ = 0;
    mutable QHash<QString, QString> paths_;  // item key → head picture file
    mutable QHash<QString, QPixmap> scaled_; // file + size + grey → picture
};

} // namespace vantor::ui
