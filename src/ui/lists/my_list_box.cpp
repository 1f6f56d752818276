#include "ui/lists/my_list_box.h"

#include "directory/gbk_text.h"
#include "ui/kit/fonts.h"
#include "ui/lists/skin_library.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace vantor::ui {

using directory::gbkToQString;

namespace {
const QColor kPlain(237, 239, 241);
const QColor kHover(234, 239, 251);
const QColor kSelected(221, 244, 255);
const QColor kSelectedText(234, 234, 234);
const QColor kLine(183, 183, 183);
const QColor kRightText(29, 138, 250);
const QColor kSecond(137, 135, 135);
} // namespace

TMyListBox::TMyListBox(QWidget* parent) : QAbstractScrollArea(parent), skin_(&SkinLibrary::shared()) {
    setObjectName(QStringLiteral("TMyListBox"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    setFont(textFont(12));
    verticalScrollBar()->setSingleStep(25);
}

void TMyListBox::AddNotice(const std::string& title, const std::string& rightText, int value, bool read,
                           bool deletable, const wire::Guid& id, const std::string& secondLine) {
    lists::Notice n;
    n.title = title;
    n.rightText = rightText;
    n.value = value;
    n.read = read;
    n.deletable = deletable;
    n.id = id;
    n.secondLine = secondLine;
    list_.AddNotice(std::move(n));
    if (hovered_ >= 0) ++hovered_;
    updateScrollBars();
}

void TMyListBox::Clear() {
    list_.Clear();
    hovered_ = -1;
    updateScrollBars();
}

void TMyListBox::select(int row) {
    list_.select(row);
    viewport()->update();
}

void TMyListBox::MarkRead(int row) {
    list_.MarkRead(row);
    viewport()->update();
}

void TMyListBox::removeRow(int row) {
    list_.remove(row);
    hovered_ = -1;
    updateScrollBars();
}

void TMyListBox::updateScrollBars() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, int(list_.items().size()) * kItemHeight - viewport()->height()));
    viewport()->update();
}

void TMyListBox::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars(); // the second lines are cut again for the new width
}

QRect TMyListBox::itemRect(int row) const {
    return {0, row * kItemHeight - verticalScrollBar()->value(), viewport()->width(), kItemHeight};
}

QRect TMyListBox::deleteRect(int row) const {
    const QRect item = itemRect(row);
    // Under the unread mark, on the second line's row.
    return {item.width() - 15, item.top() + 29, 11, 11};
}

QRect TMyListBox::rightTextRect(int row) const {
    const QRect item = itemRect(row);
    const bool read = list_.items()[size_t(row)].read;
    const int x = item.width() - (read ? 67 : 87);
    return {x, item.top() + 9, std::max(0, item.width() - x - (read ? 4 : 26)),
            QFontMetrics(font()).height()};
}

int TMyListBox::rowAt(const QPoint& pos) const {
    const int y = pos.y() + verticalScrollBar()->value();
    const int row = y >= 0 ? y / kItemHeight : -1;
    return row >= 0 && row < int(list_.items().size()) ? row : -1;
}

QString TMyListBox::shownTitle(int row) const {
    return gbkToQString(list_.items()[size_t(row)].shownTitle());
}

QString TMyListBox::shownSecondLine(int row) const {
    return gbkToQString(list_.items()[size_t(row)].shownSecondLine(viewport()->width()));
}

void TMyListBox::wheelEvent(QWheelEvent* e) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - e->angleDelta().y() / 120 * 25);
    e->accept();
}

void TMyListBox::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int row = rowAt(pos);
    const bool overDelete = row >= 0 && list_.showsDelete(row) && deleteRect(row).contains(pos);
    if (row == hovered_ && overDelete == overDelete_) return;
    hovered_ = row;
    overDelete_ = overDelete;
    viewport()->update();
}

void TMyListBox::leaveEvent(QEvent* e) {
    hovered_ = -1;
    overDelete_ = false;
    viewport()->update();
    QAbstractScrollArea::leaveEvent(e);
}

void TMyListBox::report(const std::function<void(int, const wire::Guid&, int)>& callback, int row) const {
    if (!callback || row < 0) return;
    const lists::Notice& n = list_.items()[size_t(row)];
    callback(row, n.id, n.value);
}

void TMyListBox::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int row = rowAt(pos);
    if (row < 0 || (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)) return;
    if (e->button() == Qt::LeftButton && list_.showsDelete(row) && deleteRect(row).contains(pos)) {
        report(OnItemDelete, row);
        return;
    }
    // A right-button release acts as a click.
    list_.select(row);
    viewport()->update();
    report(OnItemClick, row);
}

void TMyListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    const int row = rowAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && row >= 0 && !deleteRect(row).contains(e->position().toPoint()))
        report(OnItemDblClick, row);
}

void TMyListBox::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const QFontMetrics fm(font());
    const int count = int(list_.items().size());
    const int first = std::max(0, verticalScrollBar()->value() / kItemHeight);
    for (int row = first; row < count; ++row) {
        const QRect item = itemRect(row);
        if (item.top() >= viewport()->height()) break;
        const lists::Notice& n = list_.items()[size_t(row)];
        const bool selected = row == list_.selected();
        p.fillRect(item, selected ? kSelected : row == hovered_ ? kHover : kPlain);
        if (selected) p.drawPixmap(item, skin_->picture(QStringLiteral("ListBG")));
        p.fillRect(QRect(0, item.bottom(), item.width(), 1), kLine);
        p.setPen(selected ? kSelectedText : QColor(Qt::black));
        p.drawText(QRect(10, item.top() + 9, rightTextRect(row).left() - 14, fm.height()),
                   Qt::AlignLeft | Qt::AlignTop, shownTitle(row));
        p.setPen(selected ? kSelectedText : kRightText);
        p.drawText(rightTextRect(row), Qt::AlignLeft | Qt::AlignTop, gbkToQString(n.rightText));
        p.setPen(selected ? kSelectedText : kSecond);
        p.drawText(QRect(10, item.top() + 27, item.width() - 18, fm.height()), Qt::AlignLeft | Qt::AlignTop,
                   shownSecondLine(row));
        if (!n.read)
            p.drawPixmap(item.width() - 24, item.top() + 10, skin_->picture(QStringLiteral("NewMsg1")));
        if (list_.showsDelete(row))
            p.drawPixmap(deleteRect(row).topLeft(),
                         skin_->picture(row == hovered_ && overDelete_ ? QStringLiteral("delete_hover")
                                                                       : QStringLiteral("delete_white")));
    }
}

} // namespace vantor::ui
