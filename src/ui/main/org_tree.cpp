#include "ui/main/org_tree.h"

#include "directory/status_display.h"
#include "directory/tree_model.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"
#include "ui/kit/palette.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vantor::ui {

using directory::TreeModel;

namespace {
bool isUser(const QModelIndex& i) {
    return i.data(TreeModel::KindRole).toInt() == TreeModel::UserItem;
}
} // namespace

void OrgTreeDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    p->setFont(option.font);
    const QFontMetrics fm(option.font);
    if (isUser(index)) {
        if (selected) {
            p->setRenderHint(QPainter::Antialiasing, false);
            p->setPen(colour::kSelOutline);
            p->setBrush(colour::kSelFill);
            p->drawRect(r.adjusted(0, 0, -1, -1));
        }
        const int status = index.data(TreeModel::StatusRole).toInt();
        const int icon = 16;
        p->setRenderHint(QPainter::Antialiasing);
        statusIcon(directory::statusClass(uint8_t(status)))
            .paint(p, QRect(r.left() + 2, r.top() + (r.height() - icon) / 2, icon, icon));
        const QString text = index.data(Qt::DisplayRole).toString();
        const int x = r.left() + icon + 6;
        const bool marked = marked_ && marked_->contains(index.data(TreeModel::IdRole).toUInt());
        if (marked)
            glyphIcon(Glyph::Message)
                .paint(p, QRect(r.right() - 20, r.top() + (r.height() - 16) / 2, 16, 16));
        const QRect textRect(x, r.top(), r.right() - x - (marked ? 22 : 0), r.height());
        p->setPen(selected ? QColor(Qt::white) : colour::kItemText);
        p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text);
        const int textWidth = fm.horizontalAdvance(text);
        if (hovered && !selected) {
            p->setPen(colour::kHoverUnderline);
            const int y = r.top() + (r.height() + fm.ascent()) / 2 + 2;
            p->drawLine(x, y, x + textWidth, y);
        }
        const QString signature = index.data(TreeModel::SignatureRole).toString();
        if (!signature.isEmpty()) {
            QFont small = option.font;
            small.setPixelSize(std::max(9, option.font.pixelSize() - 1));
            p->setFont(small);
            p->setPen(selected ? QColor(Qt::white) : colour::kSignature);
            const int sx = x + textWidth + 10;
            const QRect sigRect(sx, r.top() + signatureOffset_,
                                std::max(0, r.right() - sx - (marked ? 22 : 0)),
                                r.height() - signatureOffset_);
            p->drawText(sigRect, Qt::AlignTop | Qt::AlignLeft,
                        QFontMetrics(small).elidedText(signature, Qt::ElideRight, sigRect.width()));
        }
    } else {
        // A department keeps the background when selected.
        p->setPen(colour::kItemText);
        p->drawText(r.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                    index.data(Qt::DisplayRole).toString());
    }
    p->restore();
}

QSize OrgTreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    // One height for every row, so that a tree of many thousand colleagues lays out at once.
    s.setHeight(std::max(s.height(), 24));
    return s;
}

OrgTreeView::OrgTreeView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("TrevUserList"));
    setHeaderHidden(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setExpandsOnDoubleClick(false);
    setMouseTracking(true);
    setIndentation(14);
    setUniformRowHeights(true);
    setFrameShape(QFrame::NoFrame);
    auto* delegate = new OrgTreeDelegate(this);
    delegate->setMarked(&marked_);
    setItemDelegate(delegate);
    setEditTriggers(NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (restoring_) return;
        open_.insert(openKey(i));
        openKnown_ = true;
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        open_.remove(openKey(i));
        openKnown_ = true;
    });
    // The selection is drawn by the rows themselves; the indentation keeps the background.
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, pal.color(QPalette::Base));
    pal.setColor(QPalette::HighlightedText, colour::kItemText);
    setPalette(pal);
}

void OrgTreeView::setModel(QAbstractItemModel* model) {
    QTreeView::setModel(model);
    if (auto* tree = qobject_cast<TreeModel*>(model)) {
        connect(tree, &TreeModel::expandRequested, this, [this](const QModelIndex& i) { expand(i); });
        auto reopen = [this, tree] {
            if (openKnown_)
                restoreOpen({});
            else
                expand(tree->initiallyExpanded());
        };
        connect(tree, &QAbstractItemModel::modelReset, this, reopen);
        connect(tree, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!openKnown_) return;
                    const QAbstractItemModel* m = this->model();
                    for (int row = first; row <= last; ++row)
                        if (open_.contains(openKey(m->index(row, 0, parent)))) restoreOpen(parent);
                });
        reopen();
    }
}

QString OrgTreeView::openKey(const QModelIndex& i) {
    const int kind = i.data(TreeModel::KindRole).toInt();
    if (kind == TreeModel::UserItem) return {};
    return QStringLiteral("%1:%2").arg(kind).arg(i.data(TreeModel::IdRole).toUInt());
}

void OrgTreeView::restoreOpen(const QModelIndex& parent) {
    const QAbstractItemModel* m = model();
    if (!m) return;
    restoring_ = true;
    for (int row = 0, n = m->rowCount(parent); row < n; ++row) {
        const QModelIndex i = m->index(row, 0, parent);
        const QString key = openKey(i);
        if (key.isEmpty() || !open_.contains(key)) continue;
        expand(i);
        restoreOpen(i);
    }
    restoring_ = false;
}

void OrgTreeView::setMarked(uint32_t userId, bool marked) {
    if (marked)
        marked_.insert(userId);
    else
        marked_.remove(userId);
    viewport()->update();
}

void OrgTreeView::activate(const QModelIndex& index) {
    if (!index.isValid()) return;
    if (isUser(index)) {
        if (onOpenUser) onOpenUser(index.data(TreeModel::IdRole).toUInt());
    } else {
        setExpanded(index, !isExpanded(index));
    }
}

void OrgTreeView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        activate(currentIndex());
        return;
    }
    QTreeView::keyPressEvent(e);
}

void OrgTreeView::mouseReleaseEvent(QMouseEvent* e) {
    QTreeView::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    const QModelIndex i = indexAt(e->position().toPoint());
    // A single click on a department opens or closes it (the arrow already did, by itself).
    if (i.isValid() && !isUser(i) && e->position().x() > visualRect(i).left()) setExpanded(i, !isExpanded(i));
}

void OrgTreeView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex i = indexAt(e->position().toPoint());
    if (i.isValid() && isUser(i)) activate(i);
}

void OrgTreeView::mouseMoveEvent(QMouseEvent* e) {
    QTreeView::mouseMoveEvent(e);
    const QModelIndex i = indexAt(e->position().toPoint());
    const int x = int(e->position().x());
    const uint32_t card =
        i.isValid() && isUser(i) && x >= 27 && x <= 50 ? i.data(TreeModel::IdRole).toUInt() : 0;
    if (card != lastCard_) {
        lastCard_ = card;
        if (onCardHover) onCardHover(card, card ? viewport()->mapToGlobal(visualRect(i).topLeft()).y() : 0);
    }
}

void OrgTreeView::contextMenuEvent(QContextMenuEvent* e) {
    const QModelIndex i = indexAt(e->pos());
    uint32_t user = 0;
    if (i.isValid() && isUser(i)) {
        setCurrentIndex(i);
        user = i.data(TreeModel::IdRole).toUInt();
    }
    if (onContextMenu) onContextMenu(user, e->globalPos());
}

} // namespace vantor::ui
