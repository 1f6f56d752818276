// The organisation tree TrevUserList: departments with their counters, colleagues with the
// signature in grey beside the name, the selection outline, the hover underline, no horizontal
// scroll bar; a single click opens or closes a department and Enter acts as a double click.
#pragma once

#include <QSet>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <cstdint>
#include <functional>

namespace vantor::ui {

class OrgTreeDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // The signature's offset below the row's top: 2 with the sans CJK face, else 5.
    void setSignatureOffset(int px) { signatureOffset_ = px; }
    // The colleagues whose rows carry the waiting-message mark.
    void setMarked(const QSet<uint32_t>* marked) { marked_ = marked; }
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    int signatureOffset_ = 2;
    const QSet<uint32_t>* marked_ = nullptr;
};

class OrgTreeView : public QTreeView {
    Q_OBJECT
  public:
    explicit OrgTreeView(QWidget* parent = nullptr);
    // Double click or Enter on a colleague.
    std::function<void(uint32_t userId)> onOpenUser;
    // Right click: on a colleague (selected first) or elsewhere (0).
    std::function<void(uint32_t userId, const QPoint& globalPos)> onContextMenu;
    // Pointer over a colleague's picture area, 27 to 50 pixels from the left edge, with the entry's top
    // on the screen (0: off every picture area).
    std::function<void(uint32_t userId, int entryTop)> onCardHover;
    // Expands what the model asks for after a build or a move.
    void setModel(QAbstractItemModel* model) override;
    // A colleague with a waiting message is marked, as in the contact lists.
    void setMarked(uint32_t userId, bool marked);
    bool isMarked(uint32_t userId) const { return marked_.contains(userId); }

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

  private:
    void activate(const QModelIndex& index);
    // Which departments (and headings) the user left open, kept across sign-outs and rebuilds.
    static QString openKey(const QModelIndex& index);
    void restoreOpen(const QModelIndex& parent);
    uint32_t lastCard_ = 0;
    QSet<uint32_t> marked_;
    QSet<QString> open_;
    bool openKnown_ = false; // the user opened or closed something: their choice, not the default
    bool restoring_ = false;
};

} // namespace vantor::ui
