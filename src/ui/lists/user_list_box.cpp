#include "ui/lists/user_list_box.h"

#include "directory/sectioned_model.h"
#include "directory/status_display.h"
#include "ui/kit/fonts.h"
#include "ui/lists/skin_library.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace vantor::ui {

using directory::SectionedListModel;
using lists::UserList;

namespace {

const QColor kFrameBorder(169, 169, 169);
const QColor kSecondLine(128, 128, 128);
const QColor kFlashName(Qt::red);
const QColor kFlashLine(242, 132, 72);
const QColor kHeaderBack(0xEC, 0xF1, 0xF6);

// Where the parts of an item lie, small and big.
struct ItemGeometry {
    QRect frame;
    int picture;
    QPoint badge, newMsg, name;
};
const ItemGeometry kSmall{{7, 2, 22, 22}, 20, {17, 12}, {11, 13}, {36, 7}};
const ItemGeometry kBig{{7, 3, 44, 44}, 40, {38, 34}, {9, 34}, {58, 6}};

const char* badgePicture(directory::Badge b) {
    switch (b) {
    case directory::Badge::Busy:
        return "status_busy";
    case directory::Badge::Away:
        return "status_away";
    case directory::Badge::Mute:
        return "status_mute";
    case directory::Badge::Phone:
        return "status_phone";
    case directory::Badge::None:
        break;
    }
    return nullptr;
}

} // namespace

TUserListBox::TUserListBox(const QString& name, const QString& sysImages, QWidget* parent)
    : QAbstractScrollArea(parent), skin_(&SkinLibrary::shared()) {
    setObjectName(name);
    folders_.sysImages = sysImages;
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);
    setFont(textFont(12));
    verticalScrollBar()->setSingleStep(UserList::kWheelStep);
    connect(&list_, &UserList::geometryChanged, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(&list_, &UserList::contentChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&list_, &UserList::itemClicked, this, [this](const QModelIndex& i) {
        if (OnItemClick) OnItemClick(i, i.data(SectionedListModel::IdRole));
    });
    connect(&list_, &UserList::itemDoubleClicked, this, [this](const QModelIndex& i) {
        if (OnItemDblClick) OnItemDblClick(i, i.data(SectionedListModel::IdRole));
        if (onActivate) onActivate(i.data(SectionedListModel::IdRole));
    });
    connect(&list_, &UserList::itemRightClicked, this, [this](const QModelIndex& i) {
        if (OnItemRightClick) OnItemRightClick(i, i.data(SectionedListModel::IdRole));
    });
    connect(&list_, &UserList::sectionRightClicked, this, [this](int s, const QString& caption) {
        if (OnSectionRightClick) OnSectionRightClick(s, caption);
    });
    connect(&list_, &UserList::sectionButtonClicked, this, [this](int s, const QString& caption) {
        if (OnSectionButton) OnSectionButton(s, caption);
    });
}

void TUserListBox::setModel(QAbstractItemModel* model) {
    if (QAbstractItemModel* old = list_.model()) disconnect(old, nullptr, this, nullptr);
    paths_.clear();
    scaled_.clear();
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, this, [this] { paths_.clear(); });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    if (from == to)
                        paths_.remove(UserList::keyOf(from));
                    else
                        paths_.clear();
                });
    }
    list_.setModel(model);
}

void TUserListBox::setSkin(const SkinLibrary* skin) {
    skin_ = skin ? skin : &SkinLibrary::shared();
    viewport()->update();
}

void TUserListBox::setPictureFolders(const directory::PictureFolders& folders) {
    folders_ = folders;
    paths_.clear();
    viewport()->update();
}

void TUserListBox::setGroupMode(bool on) {
    groupMode_ = on;
    viewport()->update();
}

QPixmap TUserListBox::pic(const char* name) const {
    return skin_->picture(QLatin1String(name));
}

void TUserListBox::ShowHelpPicture(bool show, bool forced) {
    helpPicture_ = show ? (forced ? 2 : 1) : 0;
    viewport()->update();
}

bool TUserListBox::helpPictureShown() const {
    if (helpPicture_ == 0) return false;
    for (int s = 0; s < list_.sectionCount(); ++s)
        if (list_.itemCount(s) > 0) return false;
    return true;
}

// ---- geometry ----

int TUserListBox::scrollTop() const {
    return verticalScrollBar()->value();
}

void TUserListBox::updateScrollBars() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, list_.contentHeight() - viewport()->height()));
}

void TUserListBox::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

UserList::Hit TUserListBox::hitAt(const QPoint& pos) const {
    return list_.hitAt(pos.x(), pos.y() + scrollTop(), viewport()->width());
}

QModelIndex TUserListBox::indexAt(const QPoint& pos) const {
    const UserList::Hit hit = hitAt(pos);
    if (hit.kind == UserList::Hit::Header) return list_.sectionIndex(hit.section);
    if (hit.kind == UserList::Hit::Item) return list_.itemIndex(hit.section, hit.item);
    return {};
}

QRect TUserListBox::visualRect(const QModelIndex& index) const {
    const UserList::Hit hit = list_.hitOf(index);
    const int w = viewport()->width();
    if (hit.kind == UserList::Hit::Header)
        return {0, list_.sectionTop(hit.section) - scrollTop(), w, UserList::kHeaderHeight};
    if (hit.kind == UserList::Hit::Item) {
        const int top = list_.itemTop(hit.section, hit.item);
        if (top >= 0) return {0, top - scrollTop(), w, list_.itemHeight()};
    }
    return {};
}

QRect TUserListBox::sectionButtonRect(int section) const {
    const QPixmap button = pic(groupMode_ ? "btn_CreateGroup" : "downbtn");
    const int w = viewport()->width();
    const int x = groupMode_ ? w - 53 : w - button.width() - 3;
    return {x, list_.sectionTop(section) - scrollTop() + 3, button.width(), button.height()};
}

bool TUserListBox::onButton(const QPoint& pos, int section) const {
    if (!list_.hasButton(section)) return false;
    // The frequent list shows its button only while the pointer is over the header.
    return sectionButtonRect(section).contains(pos);
}

void TUserListBox::setExpanded(const QModelIndex& section, bool open) {
    const UserList::Hit hit = list_.hitOf(section);
    if (hit.kind == UserList::Hit::Header) list_.setExpanded(hit.section, open);
}

bool TUserListBox::isExpanded(const QModelIndex& section) const {
    const UserList::Hit hit = list_.hitOf(section);
    return hit.kind == UserList::Hit::Header && list_.expanded(hit.section);
}

// ---- input ----

void TUserListBox::wheelEvent(QWheelEvent* e) {
    // 25 pixels per notch of 120; finer wheels add up to notches.
    wheelRemainder_ += e->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - notches * UserList::kWheelStep);
    e->accept();
}

void TUserListBox::mouseMoveEvent(QMouseEvent* e) {
    list_.setHovered(hitAt(e->position().toPoint()));
}

void TUserListBox::leaveEvent(QEvent* e) {
    list_.setHovered({});
    QAbstractScrollArea::leaveEvent(e);
}

void TUserListBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    const UserList::Hit hit = hitAt(pos);
    if (hit.kind == UserList::Hit::Header && onButton(pos, hit.section)) {
        list_.sectionButton(hit.section);
        return;
    }
    if (hit.kind == UserList::Hit::Item) setFocus(Qt::MouseFocusReason);
    list_.click(hit);
}

void TUserListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const UserList::Hit hit = hitAt(e->position().toPoint());
    // A double click on a header opens or closes it once more, as two clicks would.
    if (hit.kind == UserList::Hit::Header)
        list_.click(hit);
    else
        list_.doubleClick(hit);
}

void TUserListBox::contextMenuEvent(QContextMenuEvent* e) {
    const UserList::Hit hit = hitAt(e->pos());
    list_.rightClick(hit);
    if (!onContextMenu) return;
    const QModelIndex i = hit.kind == UserList::Hit::Item     ? list_.itemIndex(hit.section, hit.item)
                          : hit.kind == UserList::Hit::Header ? list_.sectionIndex(hit.section)
                                                              : QModelIndex();
    onContextMenu(i.data(SectionedListModel::IdRole), hit.kind == UserList::Hit::Header, e->globalPos());
}

void TUserListBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        const UserList::Hit hit = list_.hitOf(list_.selected());
        if (hit.kind == UserList::Hit::Item) list_.doubleClick(hit);
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

// ---- painting ----

void TUserListBox::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.setFont(font());
    const QRect clip = e->rect();
    const int top = scrollTop();
    p.translate(0, -top);
    list_.forEachVisible(
        top + clip.top(), clip.height(), [&](int s, int y) { paintHeader(p, s, y); },
        [&](int s, int i, int y) { paintItem(p, s, i, y); });
    p.translate(0, top);
    if (helpPictureShown()) {
        const QPixmap help = pic(helpPicture_ == 2 ? "HelpPic2" : "HelpPic1");
        p.drawPixmap((viewport()->width() - help.width()) / 2, 45 - top, help);
    }
}

void TUserListBox::paintHeader(QPainter& p, int section, int y) const {
    const int w = viewport()->width();
    p.fillRect(QRect(0, y, w, UserList::kHeaderHeight), kHeaderBack);
    const QPixmap arrow = pic(list_.expanded(section) ? "GroupDown_png" : "GroupUp_png");
    p.drawPixmap(6, y + (UserList::kHeaderHeight - arrow.height()) / 2, arrow);
    const QModelIndex index = list_.sectionIndex(section);
    const QFontMetrics fm(p.font());
    p.setPen(Qt::black);
    p.drawText(QRect(23, y + 6, w - 23 - 56, fm.height()), Qt::AlignLeft | Qt::AlignTop,
               fm.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, w - 23 - 56));
    const bool hovered = QModelIndex(list_.hovered()) == index;
    if (list_.hasButton(section) && (groupMode_ || hovered)) {
        const QRect r = sectionButtonRect(section).translated(0, scrollTop());
        p.drawPixmap(r.topLeft(), pic(groupMode_ ? "btn_CreateGroup" : "downbtn"));
    }
}

void TUserListBox::paintItem(QPainter& p, int section, int item, int y) const {
    const int w = viewport()->width();
    const bool big = list_.bigIcons();
    const ItemGeometry& g = big ? kBig : kSmall;
    const QModelIndex index = list_.itemIndex(section, item);
    const QRect row(0, y, w, list_.itemHeight());
    if (index == QModelIndex(list_.selected()))
        p.drawPixmap(row, pic("selceted_bg2"));
    else if (index == QModelIndex(list_.hovered()))
        p.drawPixmap(row, pic("selceted_bg1"));

    const bool grey = index.data(SectionedListModel::GreyRole).toBool();
    const QRect frame = g.frame.translated(0, y);
    p.setPen(kFrameBorder);
    p.setBrush(Qt::white);
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.drawPixmap(frame.left() + 1, frame.top() + 1, headPicture(index, g.picture, grey));

    const QString key = UserList::keyOf(index);
    const auto& attention = list_.attention();
    if (const char* badge = badgePicture(directory::Badge(index.data(SectionedListModel::BadgeRole).toInt())))
        if (!groupMode_) p.drawPixmap(g.badge + QPoint(0, y), pic(badge));
    if (attention.iconShown(key)) p.drawPixmap(g.newMsg + QPoint(0, y), pic("NewMsg"));

    const bool lit = attention.flashLit(key);
    const QFontMetrics fm(p.font());
    const QString name = index.data(Qt::DisplayRole).toString();
    const int nameWidth = std::min(fm.horizontalAdvance(name), w - g.name.x() - 4);
    p.setPen(lit ? kFlashName : QColor(Qt::black));
    p.drawText(QRect(g.name.x(), y + g.name.y(), std::max(0, w - g.name.x() - 4), fm.height()),
               Qt::AlignLeft | Qt::AlignTop, fm.elidedText(name, Qt::ElideRight, w - g.name.x() - 4));
    const QString second = index.data(SectionedListModel::SecondLineRole).toString();
    if (second.isEmpty()) return;
    // Big: under the name; small: right of it, up to the right edge.
    const QRect line =
        big ? QRect(58, y + 27, w - 61, fm.height())
            : QRect(g.name.x() + nameWidth + 4, y + g.name.y(), w - nameWidth - 45, fm.height());
    if (line.width() <= 0) return;
    p.setPen(lit ? kFlashLine : kSecondLine);
    p.drawText(line, Qt::AlignLeft | Qt::AlignTop, fm.elidedText(second, Qt::ElideRight, line.width()));
}

QPixmap TUserListBox::headPicture(const QModelIndex& index, int size, bool grey) const {
    QString path;
    if (groupMode_) {
        path = QDir(folders_.sysImages).filePath(QStringLiteral("DefaultGroup.bmp"));
    } else {
        const QString key = UserList::keyOf(index);
        auto it = paths_.find(key);
        if (it == paths_.end()) {
            const QByteArray name = index.data(SectionedListModel::PictureNameRole).toString().toLatin1();
            it = paths_.insert(
                key, directory::resolveHeadPicture(folders_, index.data(SectionedListModel::IdRole).toUInt(),
                                                   std::string_view(name.data(), size_t(name.size()))));
        }
        path = *it;
    }
    const QString cacheKey =
        path + QLatin1Char('|') + QString::number(size) + (grey ? QLatin1String("g") : QLatin1String());
    auto cached = scaled_.constFind(cacheKey);
    if (cached != scaled_.constEnd()) return *cached;
    QImage image(path);
    if (image.isNull()) image.load(QDir(folders_.sysImages).filePath(QStringLiteral("DefaultHead.bmp")));
    if (image.isNull()) {
        image = QImage(size, size, QImage::Format_RGB32);
        image.fill(QColor(0xC8, 0xD4, 0xE0));
    }
    image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (grey) image = image.convertToFormat(QImage::Format_Grayscale8);
    if (scaled_.size() > 512) scaled_.clear();
    return *scaled_.insert(cacheKey, QPixmap::fromImage(image));
}

} // namespace vantor::ui
