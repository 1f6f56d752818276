#include "ui/history/history_form.h"

#include "conversation/action_link.h"
#include "history/history_export.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "ui/kit/dialogs.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

namespace vantor::ui {

namespace {

constexpr int kKindRole = Qt::UserRole, kIdRole = Qt::UserRole + 1, kGuidRole = Qt::UserRole + 2,
              kMemoRole = Qt::UserRole + 3, kPictureRole = Qt::UserRole + 4;

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

std::string toGbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}

QByteArray guidBytes(const wire::Guid& g) {
    QByteArray b(16, '\0');
    std::memcpy(b.data(), &g.data1, 4);
    std::memcpy(b.data() + 4, &g.data2, 2);
    std::memcpy(b.data() + 6, &g.data3, 2);
    std::memcpy(b.data() + 8, g.data4.data(), 8);
    return b;
}

} // namespace

// ---- services ----

void IHistoryServices::confirm(QWidget* parent, const QString& caption, const QString& text,
                               std::function<void(bool)> done) {
    askOkCancel(parent, caption, text, std::move(done));
}

void IHistoryServices::error(QWidget* parent, const QString& caption, const QString& text) {
    auto* box = showInformation(parent, caption, text);
    box->setIcon(QMessageBox::Critical);
}

void IHistoryServices::alert(QWidget* parent, const QString& text) {
    showInformation(parent, QStringLiteral("提示"), text);
}

void IHistoryServices::exportFileName(QWidget* parent, const QString& suggested,
                                      std::function<void(const QString&)> done) {
    chooseFile(parent, true, QStringLiteral("导出对话记录"), inDialogFolder(suggested),
               QStringLiteral("网页 (*.html);;文本 (*.txt)"), std::move(done));
}

void IHistoryServices::openPath(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void IHistoryServices::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

std::string HistorySelection::key() const {
    if (partner == kNone) return {};
    if (partner == kGroup || partner == kService) return history::GroupKey(guid);
    return history::OneToOneKey(partner);
}

// ---- the window ----

THistoryForm::THistoryForm(HistoryContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("THistoryForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(historyview::kMinWidth, historyview::kMinHeight);
    resize(760, 560);
    setMouseTracking(true);
    setWindowTitle(QStringLiteral("对话记录"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 5, 8, 8);
    root->setSpacing(4);
    root->addWidget(buildTitleArea());

    auto* body = new QHBoxLayout;
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TrevPartner"));
    tree_->header()->hide();
    tree_->setFixedWidth(190);
    body->addWidget(tree_);

    auto* right = new QVBoxLayout;
    auto* header = new QHBoxLayout;
    head_ = new QLabel(this);
    head_->setObjectName(QStringLiteral("Image_Head"));
    head_->setFixedSize(28, 28);
    auto* names = new QVBoxLayout;
    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("Lb_Name"));
    memo_ = new QLabel(this);
    memo_->setObjectName(QStringLiteral("Lb_Memo"));
    memo_->setStyleSheet(QStringLiteral("color: #666"));
    names->addWidget(name_);
    names->addWidget(memo_);
    deleteButton_ = new QPushButton(QStringLiteral("删除记录"), this);
    deleteButton_->setObjectName(QStringLiteral("Btn_Delete"));
    deleteButton_->hide();
    header->addWidget(head_);
    header->addLayout(names, 1);
    header->addWidget(deleteButton_);
    right->addLayout(header);
    right->addWidget(buildSearchBar());
    hits_ = new QListWidget(this);
    hits_->setObjectName(QStringLiteral("List_Hits"));
    hits_->setMaximumHeight(110);
    hits_->hide();
    right->addWidget(hits_);
    view_ = new DisplayBox(ctx_.folders, this);
    view_->setObjectName(QStringLiteral("Re_History"));
    right->addWidget(view_, 1);
    right->addWidget(buildPageBar());
    body->addLayout(right, 1);
    root->addLayout(body, 1);

    connect(deleteButton_, &QPushButton::clicked, this, &THistoryForm::deleteConversation);
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const auto kind = HistoryPartner::Kind(item->data(0, kKindRole).toInt());
        if (!item->data(0, kKindRole).isValid()) return;
        if (kind == HistoryPartner::Kind::Department) {
            item->setExpanded(!item->isExpanded());
            return;
        }
        HistorySelection s;
        s.name = item->text(0);
        s.signature = item->data(0, kMemoRole).toString();
        s.picture = item->data(0, kPictureRole).toString();
        if (kind == HistoryPartner::Kind::Colleague) {
            s.partner = int32_t(item->data(0, kIdRole).toUInt());
        } else {
            s.partner =
                kind == HistoryPartner::Kind::Group ? HistorySelection::kGroup : HistorySelection::kService;
            s.guid = wire::Guid::fromBytes(
                reinterpret_cast<const uint8_t*>(item->data(0, kGuidRole).toByteArray().constData()));
        }
        if (s.partner == selection_.partner && s.key() == selection_.key()) return;
        selectPartner(s);
    });
    connect(hits_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int row = hits_->row(item);
        if (row >= 0 && size_t(row) < lastHits_.size()) showHit(lastHits_[size_t(row)]);
    });
    connect(hits_, &QListWidget::itemClicked, hits_, &QListWidget::itemActivated);
    view_->onLink = [this](const QString& link) { linkClicked(link); };
    view_->onOpenPicture = [this](const QString& path) { ctx_.services->openPath(path); };

    searchTimer_ = new QTimer(this);
    searchTimer_->setInterval(0);
    connect(searchTimer_, &QTimer::timeout, this, [this] { searchStep(); });

    fillTree();
    // No partner yet: the caption, the head picture of that state and an empty page area.
    selectPartner(HistorySelection{});
}

void THistoryForm::fillTree() {
    std::function<QTreeWidgetItem*(const HistoryPartner&, int)> add = [&](const HistoryPartner& p,
                                                                          int depth) {
        auto* item = new QTreeWidgetItem(QStringList{p.name});
        item->setData(0, kKindRole, int(p.kind));
        item->setData(0, kIdRole, p.id);
        item->setData(0, kGuidRole, guidBytes(p.guid));
        item->setData(0, kMemoRole, p.signature);
        item->setData(0, kPictureRole, p.picture);
        if (depth < 64)
            for (const HistoryPartner& c : p.children)
                item->addChild(add(c, depth + 1));
        return item;
    };
    for (const HistoryPartner& p : ctx_.directory->organisation())
        tree_->addTopLevelItem(add(p, 0));
    auto* groups = new QTreeWidgetItem(QStringList{QStringLiteral("讨论组（群）")});
    for (const HistoryPartner& g : ctx_.directory->groups())
        groups->addChild(add(g, 0));
    tree_->addTopLevelItem(groups);
    groups->setExpanded(true);
    if (auto services = ctx_.directory->services()) {
        auto* root = new QTreeWidgetItem(QStringList{QStringLiteral("客服中心")});
        for (const HistoryPartner& s : *services)
            root->addChild(add(s, 0));
        tree_->addTopLevelItem(root);
        root->setExpanded(true);
    }
    if (tree_->topLevelItemCount() > 0) tree_->topLevelItem(0)->setExpanded(false);
}

QTreeWidgetItem* THistoryForm::findItem(const HistorySelection& s) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (!item->data(0, kKindRole).isValid()) continue;
        const auto kind = HistoryPartner::Kind(item->data(0, kKindRole).toInt());
        if (s.partner >= 0 && kind == HistoryPartner::Kind::Colleague &&
            item->data(0, kIdRole).toUInt() == uint32_t(s.partner))
            return item;
        if ((s.partner == HistorySelection::kGroup && kind == HistoryPartner::Kind::Group) ||
            (s.partner == HistorySelection::kService && kind == HistoryPartner::Kind::Service))
            if (item->data(0, kGuidRole).toByteArray() == guidBytes(s.guid)) return item;
    }
    return nullptr;
}

void THistoryForm::selectColleague(uint32_t userId) {
    HistorySelection s;
    s.partner = int32_t(userId);
    if (QTreeWidgetItem* item = findItem(s)) {
        s.name = item->text(0);
        s.signature = item->data(0, kMemoRole).toString();
        s.picture = item->data(0, kPictureRole).toString();
    } else {
        s.name = ctx_.directory->nameOf(userId);
        if (s.name.isEmpty()) s.name = QString::number(userId);
    }
    selectPartner(s);
}

void THistoryForm::selectGroup(const wire::Guid& guid, bool service) {
    HistorySelection s;
    s.partner = service ? HistorySelection::kService : HistorySelection::kGroup;
    s.guid = guid;
    if (QTreeWidgetItem* item = findItem(s)) {
        s.name = item->text(0);
        s.signature = item->data(0, kMemoRole).toString();
    } else {
        s.name = QString::fromStdString(history::GroupKey(guid));
    }
    selectPartner(s);
}

void THistoryForm::resetPageArea() {
    bar_ = historyview::PageBar{};
    applyBar();
}

void THistoryForm::applyBar() {
    firstButton_->setEnabled(bar_.first);
    previousButton_->setEnabled(bar_.previous);
    nextButton_->setEnabled(bar_.next);
    lastButton_->setEnabled(bar_.last);
    pageBox_->setText(bar_.box);
    pageLabel_->setText(bar_.label);
    exportButton_->setEnabled(selection_.partner != HistorySelection::kNone && bar_.pages > 0);
}

void THistoryForm::selectPartner(const HistorySelection& s) {
    resetPageArea();
    selection_ = s;
    caption_->setText(QStringLiteral("对话记录"));
    setWindowTitle(caption_->text());
    view_->clear();
    deleteButton_->setVisible(s.partner != HistorySelection::kNone);
    if (QTreeWidgetItem* item = findItem(s)) tree_->setCurrentItem(item);
    QString picture;
    if (s.partner == HistorySelection::kNone) {
        picture = ctx_.headFolder + QStringLiteral("51.bmp");
        if (ctx_.headFolder.isEmpty() || !QFileInfo::exists(picture))
            picture = ctx_.folders.sysImages + QStringLiteral("DefaultHead.bmp");
    } else if (s.partner >= 0) {
        picture = ctx_.userPicFolder + QStringLiteral("%1.bmp").arg(s.partner);
        if (!QFileInfo::exists(picture)) picture = s.picture;
        if (!QFileInfo::exists(picture)) picture = ctx_.folders.sysImages + QStringLiteral("DefaultHead.bmp");
    } else {
        picture = ctx_.folders.sysImages + (s.partner == HistorySelection::kGroup
                                                ? QStringLiteral("DefaultGroup.bmp")
                                                : QStringLiteral("Customs.bmp"));
    }
    const QPixmap pixmap(picture);
    head_->setPixmap(
        pixmap.isNull() ? QPixmap() : pixmap.scaled(28, 28, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (s.partner == HistorySelection::kNone) {
        name_->clear();
        memo_->clear();
        return;
    }
    caption_->setText(s.name + QStringLiteral(" 的对话记录"));
    setWindowTitle(caption_->text());
    name_->setText(s.name);
    memo_->setText(s.signature);
    // The last page, at its newest message.
    if (showPage(0)) scrollToNewest();
}

void THistoryForm::scrollToNewest() {
    view_->moveCursor(QTextCursor::End);
    view_->ensureCursorVisible();
    // Once laid out (the window may not be shown yet), the view is at its end too.
    QTimer::singleShot(0, view_, [view = view_] {
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    });
}

void THistoryForm::typedPage() {
    bool ok = false;
    const int page = pageBox_->text().toInt(&ok);
    // Page 0 would mean the last page; a page that does not exist changes nothing.
    if (!ok || page < 1 || !showPage(page)) applyBar();
}

bool THistoryForm::showPage(int page) {
    if (selection_.partner == HistorySelection::kNone) return false;
    const history::HistoryPage p = history::ReadHistoryPage(ctx_.store, selection_.key(), page);
    if (p.status.error == history::StoreError::PageOutOfRange || !p.status.ok() || p.pageCount == 0)
        return false;
    bar_ = historyview::pageBarFor(p.page, p.pageCount);
    applyBar();
    historyview::RenderNames names;
    names.ownId = ctx_.store.accountId;
    names.nameOf = [this](uint32_t id) { return ctx_.directory->nameOf(id); };
    historyview::renderPage(*view_, p.records, names);
    return true;
}

void THistoryForm::previousPage() {
    bool ok = false;
    const int page = pageBox_->text().toInt(&ok) - 1;
    if (ok && page >= 1) showPage(page); // page 0 would mean the last page
}

void THistoryForm::nextPage() {
    bool ok = false;
    const int page = pageBox_->text().toInt(&ok) + 1;
    if (ok && page >= 1) showPage(page);
}

void THistoryForm::deleteConversation() {
    if (selection_.partner == HistorySelection::kNone) return;
    const history::HistoryPage p = history::ReadHistoryPage(ctx_.store, selection_.key(), 1);
    if (!p.status.ok() || p.pageCount == 0) return;
    // The answer deletes the conversation asked about, whatever is selected by then.
    const auto key = selection_.key();
    ctx_.services->confirm(
        this, QStringLiteral("确认删除"),
        QStringLiteral("确定要删除与 %1 对话的历史记录吗？").arg(selection_.name), [this, key](bool ok) {
            if (!ok) return;
            if (!history::DeleteConversation(ctx_.store, key).ok()) {
                ctx_.services->error(this, QStringLiteral("错误"), QStringLiteral("未能删除历史记录！"));
                return;
            }
            if (selection_.key() != key) return;
            view_->clear();
            resetPageArea();
        });
}

void THistoryForm::linkClicked(const QString& link) {
    const auto parsed = conversation::parseActionLink(toGbk(link));
    if (!parsed) {
        const QUrl url(link);
        if (url.isValid() &&
            (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
            ctx_.services->openUrl(url);
        return;
    }
    const bool file = parsed->action == conversation::kActionOpenFile;
    if (!file && parsed->action != conversation::kActionOpenDir) return;
    const QString argument = fromGbk(parsed->argument);
    const QFileInfo info(argument);
    if (file ? info.isFile() : info.isDir()) {
        ctx_.services->openPath(argument);
        return;
    }
    view_->disableLink(link);
    ctx_.services->alert(this, file ? QStringLiteral("无法打开此文件，文件已经删除或转移。")
                                    : QStringLiteral("不存在此目录，可能已经删除或转移。"));
}

} // namespace vantor::ui
