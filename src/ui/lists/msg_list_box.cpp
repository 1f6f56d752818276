#include "ui/lists/msg_list_box.h"

#include "directory/gbk_text.h"
#include "lists/relative_date.h"
#include "protocol/datetime.h"
#include "ui/kit/fonts.h"
#include "ui/lists/skin_library.h"

#include <QDesktopServices>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace vantor::ui {

using directory::gbkToQString;

namespace {
const QColor kLink(182, 206, 227);
const QColor kLinkHover(170, 206, 255);
constexpr int kExtra = 33; // an item is its text's height plus this
} // namespace

TMsgListBox::TMsgListBox(QWidget* parent) : QAbstractScrollArea(parent), skin_(&SkinLibrary::shared()) {
    setObjectName(QStringLiteral("TMsgListBox"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    setFont(textFont(12));
    verticalScrollBar()->setSingleStep(25);
    now = [] { return protocol::nowDayCount(); };
    openLink = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    tops_.push_back(0);
}

bool TMsgListBox::AddItem(const std::string& record) {
    if (!list_.AddItem(record)) return false;
    relayout();
    return true;
}

void TMsgListBox::Clear() {
    list_.Clear();
    hovered_ = -1;
    relayout();
}

size_t TMsgListBox::RemoveItems(const wire::Guid& itemGuid) {
    const size_t n = list_.RemoveItems(itemGuid);
    if (n > 0) {
        hovered_ = -1;
        relayout();
    }
    return n;
}

QString TMsgListBox::timeText(int row) const {
    return gbkToQString(lists::relativeDate(list_.items()[size_t(row)].itemTime, now()));
}

QString TMsgListBox::shownText(int row) const {
    return gbkToQString(list_.items()[size_t(row)].shownText());
}

QString TMsgListBox::hintText(int row) const {
    return gbkToQString(list_.items()[size_t(row)].hint());
}

int TMsgListBox::textHeight(int row) const {
    const QFontMetrics fm(font());
    const int w = std::max(1, viewport()->width() - 10);
    return fm.boundingRect(QRect(0, 0, w, 100000), Qt::TextWordWrap | Qt::TextWrapAnywhere, shownText(row))
        .height();
}

void TMsgListBox::relayout() {
    tops_.assign(1, 0);
    for (int r = 0; r < itemCount(); ++r)
        tops_.push_back(tops_.back() + textHeight(r) + kExtra);
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, tops_.back() - viewport()->height()));
    viewport()->update();
}

void TMsgListBox::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    relayout();
}

QRect TMsgListBox::itemRect(int row) const {
    return {0, tops_[size_t(row)] - verticalScrollBar()->value(), viewport()->width(),
            tops_[size_t(row) + 1] - tops_[size_t(row)]};
}

QRect TMsgListBox::textRect(int row) const {
    const QRect item = itemRect(row);
    return {9, item.top() + 22, item.width() - 10, item.height() - kExtra};
}

QRect TMsgListBox::deleteRect(int row) const {
    const QRect item = itemRect(row);
    return {item.width() - 16, item.top() + 4, 11, 11};
}

int TMsgListBox::rowAt(const QPoint& pos) const {
    const int y = pos.y() + verticalScrollBar()->value();
    if (y < 0 || y >= tops_.back()) return -1;
    const auto it = std::upper_bound(tops_.begin(), tops_.end(), y);
    return int(it - tops_.begin()) - 1;
}

void TMsgListBox::wheelEvent(QWheelEvent* e) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - e->angleDelta().y() / 120 * 25);
    e->accept();
}

void TMsgListBox::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int row = rowAt(pos);
    const bool link = row >= 0 && !list_.items()[size_t(row)].link.empty() && textRect(row).contains(pos);
    if (row != hovered_ || link != overLink_) {
        hovered_ = row;
        overLink_ = link;
        viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
        viewport()->update();
    }
}

void TMsgListBox::leaveEvent(QEvent* e) {
    hovered_ = -1;
    overLink_ = false;
    viewport()->update();
    QAbstractScrollArea::leaveEvent(e);
}

void TMsgListBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    const int row = rowAt(pos);
    if (row < 0) return;
    const lists::Reminder& r = list_.items()[size_t(row)];
    if (deleteRect(row).contains(pos)) {
        // The owner sends the read record; the item goes when the server confirms it.
        if (OnDelete) OnDelete(r.readRecord());
        return;
    }
    if (!r.link.empty() && textRect(row).contains(pos) && lists::linkMayOpen(r.link) && openLink)
        openLink(QUrl(QString::fromLatin1(r.link.data(), qsizetype(r.link.size())), QUrl::StrictMode));
}

bool TMsgListBox::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int row = rowAt(help->pos());
        const QString hint = row >= 0 ? hintText(row) : QString();
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TMsgListBox::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const QFontMetrics fm(font());
    const int h = viewport()->height();
    for (int row = std::max(0, rowAt(QPoint(0, 0))); row >= 0 && row < itemCount(); ++row) {
        const QRect item = itemRect(row);
        if (item.top() >= h) break;
        const lists::Reminder& r = list_.items()[size_t(row)];
        p.setPen(Qt::black);
        p.drawText(QRect(9, item.top() + 3, item.width() - 130, fm.height()), Qt::AlignLeft | Qt::AlignTop,
                   gbkToQString(r.sourceText()));
        if (row == hovered_)
            p.drawPixmap(deleteRect(row).topLeft(),
                         skin_->picture(deleteRect(row).contains(viewport()->mapFromGlobal(QCursor::pos()))
                                            ? QStringLiteral("delete_hover")
                                            : QStringLiteral("delete_normal")));
        else
            p.drawText(QRect(item.width() - 116, item.top() + 3, 110, fm.height()),
                       Qt::AlignRight | Qt::AlignTop, timeText(row));
        QFont textFont = font();
        if (!r.link.empty()) {
            const bool hover = row == hovered_ && overLink_;
            textFont.setUnderline(hover);
            p.setPen(hover ? kLinkHover : kLink);
        } else {
            p.setPen(QColor(0x33, 0x33, 0x33));
        }
        p.setFont(textFont);
        p.drawText(textRect(row), Qt::TextWordWrap | Qt::TextWrapAnywhere, shownText(row));
        p.setFont(font());
        p.drawTiledPixmap(QRect(0, item.bottom(), item.width(), 1),
                          skin_->picture(QStringLiteral("line_dot1")));
    }
}

} // namespace vantor::ui
