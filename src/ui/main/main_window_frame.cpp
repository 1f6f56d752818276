// The main window's frame and shell side: the tray icon, badges and toolbar buttons, hiding,
// dragging with docking, the resize borders, the quick search and the context menus.
#include "client/client_core.h"
#include "directory/sectioned_model.h"
#include "directory/status_display.h"
#include "directory/tree_model.h"
#include "protocol/text.h"
#include "shell/shell_core.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"
#include "ui/kit/palette.h"
#include "ui/lists/user_list_box.h"
#include "ui/main/main_window.h"
#include "ui/main/org_tree.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QWindow>

namespace vantor::ui {

namespace {
QString q(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
std::string g(const QString& text) {
    return protocol::toGbk(text.toStdString());
}

Qt::Edges edgesOf(shell::HitArea a) {
    switch (a) {
    case shell::HitArea::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case shell::HitArea::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case shell::HitArea::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case shell::HitArea::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case shell::HitArea::Left:
        return Qt::LeftEdge;
    case shell::HitArea::Top:
        return Qt::TopEdge;
    case shell::HitArea::Right:
        return Qt::RightEdge;
    case shell::HitArea::Bottom:
        return Qt::BottomEdge;
    case shell::HitArea::Client:
        break;
    }
    return {};
}

Qt::CursorShape cursorOf(shell::HitArea a) {
    switch (a) {
    case shell::HitArea::TopLeft:
    case shell::HitArea::BottomRight:
        return Qt::SizeFDiagCursor;
    case shell::HitArea::TopRight:
    case shell::HitArea::BottomLeft:
        return Qt::SizeBDiagCursor;
    case shell::HitArea::Left:
    case shell::HitArea::Right:
        return Qt::SizeHorCursor;
    case shell::HitArea::Top:
    case shell::HitArea::Bottom:
        return Qt::SizeVerCursor;
    case shell::HitArea::Client:
        break;
    }
    return Qt::ArrowCursor;
}
} // namespace

// ---- the tray icon ----

void MainWindow::applyTrayIcon() {
    const bool flashing = shell_ && shell_->flasher().flashing();
    if (flashing)
        tray_->setIcon(shown_.trayFlashPicture ? alertIcon_ : blankTrayIcon());
    else
        tray_->setIcon(trayIcon(trayIndex_));
}

void MainWindow::setTrayAlertPicture(const QString& path) {
    // Read and scaled once; the frames alternate every 400 ms.
    alertIcon_ = trayPictureIcon(path);
}

void MainWindow::setTrayFlashFrame(bool picture) {
    shown_.trayFlashPicture = picture;
    tray_->setIcon(picture ? alertIcon_ : blankTrayIcon());
}

void MainWindow::restoreTrayStatusIcon() {
    shown_.trayFlashPicture = false;
    tray_->setIcon(trayIcon(trayIndex_));
}

void MainWindow::showPendingCount(int count) {
    msgAlert_->setVisible(count > 0);
    msgAlertLabel_->setVisible(count > 0);
    msgAlertLabel_->setText(count > 0 ? QString::number(count) : QString());
}

void MainWindow::markInLists(const client::ConversationAlert& alert, bool marked) {
    if (!alert.groupId.isNull()) {
        // The group list names its groups by their identifier's text.
        groups_->setMarked(QString::fromStdString(alert.groupId.toString()), marked);
        if (marked && views_->currentIndex() != 3) groupAlert_->show();
        return;
    }
    frequent_->setMarked(alert.senderId, marked);
    recent_->setMarked(alert.senderId, marked);
    tree_->setMarked(alert.senderId, marked);
}

void MainWindow::requestAttention() {
    ++shown_.attentionRequests;
    QApplication::alert(this);
}

void MainWindow::showBadge(shell::BadgeKind kind, const shell::BadgeDisplay& d) {
    QLabel* picture = kind == shell::BadgeKind::Notices ? badgeNotices_ : badgeCentre_;
    QToolButton* button = kind == shell::BadgeKind::Notices ? notice_ : msgCentre_;
    auto* number = picture->findChild<QLabel*>();
    number->setText(d.text);
    number->adjustSize();
    number->move(d.offset, (picture->height() - number->height()) / 2);
    picture->setToolTip(d.text);
    picture->setFixedWidth(std::max(14, d.offset + number->width() + 3));
    picture->move(button->mapTo(topBar_, QPoint(button->width() - 10, -2)));
    picture->setVisible(d.visible);
    picture->raise();
}

void MainWindow::showToolbarButton(int button, const QString& hint) {
    if (button == 0) {
        polymerize_->setToolTip(hint);
        polymerize_->show();
        return;
    }
    if (button < 1 || button > 4) return;
    links_[size_t(button - 1)]->setToolTip(hint);
    links_[size_t(button - 1)]->show();
}

// ---- the frame ----

shell::FrameRect MainWindow::frameRect() const {
    const QRect r = geometry();
    return {r.left(), r.top(), r.width(), r.height()};
}

int MainWindow::screenWidth() const {
    if (screenWidthOverride_ > 0) return screenWidthOverride_;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1280;
}

void MainWindow::cursorPosition(int& x, int& y) const {
    const QPoint p = QCursor::pos();
    x = p.x();
    y = p.y();
}

void MainWindow::moveFrame(const shell::FrameRect& r) {
    move(r.left, r.top);
}

void MainWindow::setTopMost(bool on) {
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowStaysOnTopHint, on);
        return;
    }
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

void MainWindow::showMainWindow() {
    // Fully inside the work area, restored, in front.
    const QRect area = availableGeometry();
    QRect r = geometry();
    r.moveLeft(std::clamp(r.left(), area.left(), std::max(area.left(), area.right() - r.width() + 1)));
    r.moveTop(std::clamp(r.top(), area.top(), std::max(area.top(), area.bottom() - r.height() + 1)));
    setGeometry(r);
    showNormal();
    raise();
    activateWindow();
    openMain_->setVisible(false);
}

void MainWindow::openLink(const QUrl& url) {
    shown_.openedLink = url;
    if (linkOpener)
        linkOpener(url);
    else
        QDesktopServices::openUrl(url);
}

void MainWindow::reportProblem(const QString& title, const QString& text) {
    shown_.problems << text;
    showMessage(text, title);
}

void MainWindow::hideToTray() {
    hideSearch();
    commitSignature();
    // Without a notification area a hidden window could not be found again: it is minimised.
    const bool tray = trayAvailable ? trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (tray)
        hide();
    else
        showMinimized();
    openMain_->setVisible(true);
    if (client_) client_->messenger().WindowHidden = true;
}

void MainWindow::closeButton() {
    // Signed in, the close button hides the window unless the account asked it to end the client.
    if (client_ && client_->messenger().SignedIn() && client_->messenger().UserConfig.BtnNotClose) {
        hideToTray();
        return;
    }
    if (client_)
        client_->messenger().Exit();
    else
        closeMainWindow();
}

// ---- events ----

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintBars(p);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    applyRegion();
    hideSearch();
    if (userName_) userName_->setMaximumWidth(std::max(40, width() - 169));
}

void MainWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    commitSignature();
    const QPoint at = e->position().toPoint();
    const shell::HitArea area = shell::hitTest(at.x(), at.y(), width(), height());
    if (area != shell::HitArea::Client && !isMinimized() && !isMaximized()) {
        if (QWindow* w = windowHandle()) w->startSystemResize(edgesOf(area));
        return;
    }
    if (at.y() < topBar_->geometry().bottom()) {
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - pos();
        if (shell_) shell_->docking().dragStarted();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (dragging_) {
        const QPoint to = e->globalPosition().toPoint() - dragOffset_;
        if (shell_) shell_->docking().moving({to.x(), to.y(), width(), height()});
        move(to);
        return;
    }
    setCursor(cursorOf(shell::hitTest(at.x(), at.y(), width(), height())));
}

void MainWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    if (shell_) shell_->docking().dragEnded();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // The window's close request runs the exit; only the exit itself closes the window.
    if (closing_ || !client_) {
        e->accept();
        return;
    }
    e->ignore();
    client_->messenger().Exit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    const bool press = e->type() == QEvent::MouseButtonPress;
    if (watched == topBar_ &&
        (press || e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease)) {
        // The top bar drags the window (and answers the resize borders) like the window itself.
        auto* me = static_cast<QMouseEvent*>(e);
        QMouseEvent mapped(e->type(), mapFromGlobal(me->globalPosition().toPoint()), me->globalPosition(),
                           me->button(), me->buttons(), me->modifiers());
        if (press) mousePressEvent(&mapped);
        if (e->type() == QEvent::MouseMove) mouseMoveEvent(&mapped);
        if (e->type() == QEvent::MouseButtonRelease) mouseReleaseEvent(&mapped);
        return true;
    }
    if ((watched == myState_ || watched == statusPicture_) && press) {
        if (client_ && client_->messenger().SignedIn()) {
            const directory::User* own = client_->directory().directory().ownUser();
            if (own && own->record.status != 8)
                states_->popup(myState_->mapToGlobal(QPoint(0, myState_->height())));
        } else if (client_) {
            client_->messenger().ConnectMenuClicked();
        }
        return true;
    }
    if (watched == head_ && press) {
        if (pictureDialogOpener && client_ && client_->messenger().SignedIn()) pictureDialogOpener();
        return true;
    }
    if (watched == memo_ && press) {
        beginSignatureEdit();
        return true;
    }
    if (watched == memoEdit_ && e->type() == QEvent::FocusOut) commitSignature();
    if (watched == search_ && e->type() == QEvent::FocusOut) {
        // Leaving the box closes the drop-down, unless the focus went into it.
        if (!searchDrop_->hasFocus()) hideSearch();
    }
    if (watched == search_ && e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Down && searchDrop_->isVisible() && searchDrop_->count() > 0) {
            searchDrop_->setFocus();
            if (!searchDrop_->currentItem()) searchDrop_->setCurrentRow(0);
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            hideSearch();
            search_->clear();
            return true;
        }
    }
    if (watched == badgeNotices_ && press) {
        if (noticeOpener) noticeOpener();
        return true;
    }
    if (watched == badgeCentre_ && press) {
        if (shell_) shell_->openToolbarLink(1);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

// ---- the signature ----

void MainWindow::beginSignatureEdit() {
    if (!client_ || !client_->messenger().SignedIn()) return;
    memoEdit_->setText(signature_);
    memo_->hide();
    memoEdit_->show();
    memoEdit_->setFocus();
    memoEdit_->selectAll();
}

void MainWindow::commitSignature() {
    if (!memoEdit_->isVisible()) return;
    memoEdit_->hide();
    memo_->show();
    const QString text = memoEdit_->text().trimmed();
    if (!client_ || text == signature_) return;
    const directory::User* own = client_->directory().directory().ownUser();
    if (!own) return;
    client_->directory().presence().SetOwnStatus(own->record.status, g(text), std::nullopt, false);
}

// ---- quick search ----

void MainWindow::searchChanged(const QString& text) {
    if (!client_ || !client_->messenger().SignedIn()) return;
    if (text.isEmpty()) {
        searchDrop_->hide();
        return;
    }
    // The names are copied when the drop-down first opens.
    if (!searchSnapshot_) searchSnapshot_ = client_->directory().directory().searchSnapshot();
    searchMatches_ = directory::search(searchSnapshot_, text);
    searchDrop_->clear();
    const directory::Directory& dir = client_->directory().directory();
    for (uint32_t id : searchMatches_) {
        const directory::User* u = dir.findUser(id);
        auto* item = new QListWidgetItem(statusIcon(directory::StatusClass::Online),
                                         u ? q(u->record.name) : QString::number(id), searchDrop_);
        if (u) item->setIcon(statusIcon(directory::statusClass(u->record.status)));
        item->setData(Qt::UserRole, id);
    }
    const QRect box = search_->geometry();
    const QPoint topLeft = search_->parentWidget()->mapTo(this, box.bottomLeft() + QPoint(0, 1));
    const int itemHeight = std::max(20, searchDrop_->sizeHintForRow(0));
    const int room = std::max(itemHeight, height() - topLeft.y() - 30);
    const int h = std::min(room, itemHeight * int(searchMatches_.size()) + 4);
    searchDrop_->setGeometry(topLeft.x(), topLeft.y(), box.width(), h);
    searchDrop_->setVisible(!searchMatches_.empty());
    searchDrop_->raise();
    if (searchMatches_.size() == 1) searchDrop_->setCurrentRow(0);
}

void MainWindow::openSearchMatch() {
    if (!searchDrop_->isVisible()) return;
    QListWidgetItem* item = searchDrop_->currentItem();
    if (!item) return;
    const uint32_t id = item->data(Qt::UserRole).toUInt();
    hideSearch();
    search_->clear();
    openUser(id);
}

void MainWindow::hideSearch() {
    if (!searchDrop_) return;
    searchDrop_->hide();
    searchSnapshot_.reset();
}

// ---- conversations and menus ----

void MainWindow::openUser(uint32_t userId) {
    if (!client_) return;
    const directory::User* own = client_->directory().directory().ownUser();
    if (own && own->id() == userId) return;
    openConversation(userId);
    // Opened by hand, its waiting message is no longer pending.
    if (shell_) shell_->alerts().forgetConversationWith(userId);
}

std::string MainWindow::frequentContactGroupAt(const QPoint& globalPos) const {
    const QModelIndex i = frequent_->indexAt(frequent_->viewport()->mapFromGlobal(globalPos));
    if (!i.isValid() || i.parent().isValid()) return {};
    return g(i.data(directory::SectionedListModel::NameRole).toString());
}

std::string MainWindow::treeContactGroupAt(const QPoint& globalPos) const {
    if (!client_) return {};
    const directory::Directory& dir = client_->directory().directory();
    const QModelIndex i = tree_->indexAt(tree_->viewport()->mapFromGlobal(globalPos));
    // Only in contact-group mode are the departments the owner's contact groups.
    if (!dir.contactGroupMode() || !i.isValid() ||
        i.data(directory::TreeModel::KindRole).toInt() != directory::TreeModel::DepartmentItem)
        return {};
    const protocol::ContactGroup* cg = dir.findContactGroup(i.data(directory::TreeModel::IdRole).toUInt());
    return cg ? cg->name : std::string();
}

void MainWindow::showViewMenu(const QPoint& at, const std::string& contactGroup) {
    if (!client_ || !client_->messenger().SignedIn()) return;
    directory::DirectoryCore& d = client_->directory();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PpMenuView"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const std::string& entry : d.viewMenuEntries()) {
        const QString text = q(entry);
        QAction* a = menu->addAction(text);
        if (text == QStringLiteral("删除此分组")) a->setEnabled(!contactGroup.empty());
        connect(a, &QAction::triggered, this, [this, text, contactGroup] {
            directory::DirectoryCore& core = client_->directory();
            if (text == QStringLiteral("大图标"))
                core.SetBigIcons(true);
            else if (text == QStringLiteral("小图标"))
                core.SetBigIcons(false);
            else if (text == QStringLiteral("只显示在线用户"))
                core.SetShowAllContacts(false);
            else if (text == QStringLiteral("显示所有用户"))
                core.SetShowAllContacts(true);
            else if (text == QStringLiteral("部门/分组(&T)"))
                core.SetTreeGrouping(directory::Grouping::ByDepartment);
            else if (text == QStringLiteral("在线/离线(&L)"))
                core.SetTreeGrouping(directory::Grouping::ByPresence);
            else if (text == QStringLiteral("添加分组"))
                core.directory().AddContactGroup();
            else if (text == QStringLiteral("删除此分组"))
                core.directory().DeleteContactGroup(contactGroup);
        });
    }
    menu->popup(at);
}

void MainWindow::showTreeUserMenu(uint32_t userId, const QPoint& at) {
    if (!client_ || !client_->messenger().SignedIn()) return;
    directory::Directory& dir = client_->directory().directory();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PpMenuTreeUser"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(QStringLiteral("开始对话(&T)...")), &QAction::triggered, this,
            [this, userId] { openUser(userId); });
    QMenu* add = menu->addMenu(QStringLiteral("添加联系人至..."));
    for (const protocol::ContactGroup& cg : dir.contactGroups())
        connect(add->addAction(q(cg.name)), &QAction::triggered, this, [this, userId, id = cg.groupId] {
            client_->directory().directory().AddContactToGroup(userId, id);
        });
    connect(menu->addAction(QStringLiteral("删除联系人")), &QAction::triggered, this,
            [this, userId] { client_->directory().directory().DeleteContact(userId); });
    // Voice, video and remote assistance come with their own windows.
    for (const char* entry : {"音频对话(&M)...", "视频对话(&V)...", "远程协助(&R)..."})
        menu->addAction(QString::fromUtf8(entry))->setEnabled(false);
    connect(menu->addAction(QStringLiteral("查看历史记录(&Y)...")), &QAction::triggered, this,
            [this, userId] {
                if (windows_) windows_->openHistory(userId);
            });
    menu->popup(at);
}

void MainWindow::showListUserMenu(uint32_t userId, const QPoint& at) {
    if (!client_ || !client_->messenger().SignedIn()) return;
    directory::Directory& dir = client_->directory().directory();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PpMenuUserRight"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(QStringLiteral("开始对话(&T)...")), &QAction::triggered, this,
            [this, userId] { openUser(userId); });
    QMenu* move = menu->addMenu(QStringLiteral("移动联系人至..."));
    for (const protocol::ContactGroup& cg : dir.contactGroups())
        connect(move->addAction(q(cg.name)), &QAction::triggered, this, [this, userId, name = cg.name] {
            client_->directory().directory().MoveContact(userId, name);
        });
    connect(menu->addAction(QStringLiteral("从本组中删除(&D)")), &QAction::triggered, this,
            [this, userId] { client_->directory().directory().DeleteContact(userId); });
    connect(menu->addAction(QStringLiteral("查看历史记录(&Y)...")), &QAction::triggered, this,
            [this, userId] {
                if (windows_) windows_->openHistory(userId);
            });
    menu->popup(at);
}

} // namespace vantor::ui
