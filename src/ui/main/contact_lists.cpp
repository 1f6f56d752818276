#include "ui/main/contact_lists.h"

#include "directory/sectioned_model.h"
#include "directory/status_display.h"
#include "ui/kit/icons.h"
#include "ui/kit/palette.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

namespace vantor::ui {

using directory::SectionedListModel;

namespace {
bool isSection(const QModelIndex& i) {
    return i.data(SectionedListModel::KindRole).toInt() == SectionedListModel::SectionItem;
}
} // namespace

ContactListView::ContactListView(const QString& name, const QString& sysImages, QWidget* parent)
    : QTreeView(parent) {
    setObjectName(name);
    setHeaderHidden(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRootIsDecorated(false);
    setIndentation(0);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setEditTriggers(NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setItemDelegate(new ContactListDelegate(this, sysImages));
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex& i) {
        if (isSection(i)) setExpanded(i, !isExpanded(i));
    });
}

void ContactListView::setModel(QAbstractItemModel* model) {
    QTreeView::setModel(model);
    auto expandAll = [this] { QTreeView::expandAll(); };
    connect(model, &QAbstractItemModel::modelReset, this, expandAll);
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (!parent.isValid()) QTreeView::expandAll();
    });
    expandAll();
}

void ContactListView::setMarked(const QVariant& id, bool marked) {
    if (marked)
        marked_.insert(id.toString());
    else
        marked_.remove(id.toString());
    viewport()->update();
}

void ContactListView::activate(const QModelIndex& i) {
    if (!i.isValid()) return;
    if (isSection(i))
        setExpanded(i, !isExpanded(i));
    else if (onActivate)
        onActivate(i.data(SectionedListModel::IdRole));
}

void ContactListView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        activate(currentIndex());
        return;
    }
    QTreeView::keyPressEvent(e);
}

void ContactListView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex i = indexAt(e->position().toPoint());
    if (i.isValid() && !isSection(i)) activate(i);
}

void ContactListView::contextMenuEvent(QContextMenuEvent* e) {
    const QModelIndex i = indexAt(e->pos());
    if (i.isValid()) setCurrentIndex(i);
    if (onContextMenu)
        onContextMenu(i.data(SectionedListModel::IdRole), i.isValid() && isSection(i), e->globalPos());
}

ContactListDelegate::ContactListDelegate(ContactListView* view, QString sysImages)
    : QStyledItemDelegate(view), view_(view), head_(sysImages + QStringLiteral("DefaultHead.bmp")),
      group_(sysImages + QStringLiteral("DefaultGroup.bmp")) {}

void ContactListDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect r = option.rect;
    p->setFont(option.font);
    if (isSection(index)) {
        p->fillRect(r, QColor(0xE9, 0xEE, 0xF3));
        const bool open = view_->isExpanded(index);
        p->setPen(colour::kItemText);
        p->drawText(r.adjusted(6, 0, 0, 0), Qt::AlignVCenter,
                    (open ? QStringLiteral("▾ ") : QStringLiteral("▸ ")) +
                        index.data(Qt::DisplayRole).toString());
        p->restore();
        return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (selected)
        p->fillRect(r, QColor(0xCF, 0xE3, 0xF6));
    else if (hovered)
        p->fillRect(r, QColor(0xE6, 0xF0, 0xFA));
    const bool isGroup = index.data(SectionedListModel::StatusRole).isNull() &&
                         index.data(SectionedListModel::MemberCountRole).isValid();
    const int size = r.height() - 8;
    QRect pic(r.left() + 6, r.top() + 4, size, size);
    QPixmap face = isGroup ? group_ : head_;
    if (!face.isNull()) {
        if (index.data(SectionedListModel::GreyRole).toBool()) {
            QImage img = face.toImage().convertToFormat(QImage::Format_Grayscale8);
            face = QPixmap::fromImage(img);
        }
        p->drawPixmap(pic, face);
    }
    if (!isGroup && !index.data(SectionedListModel::GreyRole).toBool()) {
        const int badge = index.data(SectionedListModel::StatusRole).toInt();
        const QRect b(pic.right() - 9, pic.bottom() - 9, 11, 11);
        statusIcon(directory::statusClass(uint8_t(badge))).paint(p, b);
    }
    if (view_->isMarked(index.data(SectionedListModel::IdRole)))
        glyphIcon(Glyph::Message).paint(p, QRect(r.right() - 22, r.top() + (r.height() - 16) / 2, 16, 16));
    const int x = pic.right() + 8;
    const QRect line1(x, r.top() + 3, r.right() - x - 24, r.height() / 2 - 2);
    const QRect line2(x, r.top() + r.height() / 2, r.right() - x - 24, r.height() / 2 - 3);
    p->setPen(colour::kItemText);
    p->drawText(line1, Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    QFont small = option.font;
    small.setPixelSize(std::max(9, option.font.pixelSize() - 1));
    p->setFont(small);
    p->setPen(colour::kSignature);
    p->drawText(line2, Qt::AlignLeft | Qt::AlignVCenter,
                QFontMetrics(small).elidedText(index.data(SectionedListModel::SecondLineRole).toString(),
                                               Qt::ElideRight, line2.width()));
    p->restore();
}

QSize ContactListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(isSection(index) ? 24 : 44);
    return s;
}

} // namespace vantor::ui
