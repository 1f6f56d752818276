// The frequent-contact, recent-contact and group views as simple lists over the directory's
// models: sections with their captions, items with a picture, the name and a grey second line;
// items waiting with a message are marked.
#pragma once

#include <QSet>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <functional>

namespace vantor::ui {

class ContactListView : public QTreeView {
    Q_OBJECT
  public:
    ContactListView(const QString& objectName, const QString& sysImages, QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;
    // An item activated (double click or Enter): its id (a user id, or a group's GUID text).
    std::function<void(const QVariant& id)> onActivate;
    std::function<void(const QVariant& id, bool onSection, const QPoint& globalPos)> onContextMenu;
    // A waiting message marks the item with this id.
    void setMarked(const QVariant& id, bool marked);
    bool isMarked(const QVariant& id) const { return marked_.contains(id.toString()); }
    void clearMarks() {
        marked_.clear();
        viewport()->update();
    }

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

  private:
    void activate(const QModelIndex& index);
    QSet<QString> marked_;
    friend class ContactListDelegate;
};

class ContactListDelegate : public QStyledItemDelegate {
  public:
    ContactListDelegate(ContactListView* view, QString sysImages);
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    ContactListView* view_;
    QPixmap head_, group_;
};

} // namespace vantor::ui
