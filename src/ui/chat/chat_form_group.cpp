// A group window's side panel: the notice and the members (online ones above the others, the
// creator marked), with the member menu; and what turns a window into a group window.
#include "directory/status_display.h"
#include "protocol/text.h"
#include "ui/chat/chat_form.h"
#include "ui/chat/transfer_list.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vantor::ui {

namespace {

QString fromGbk(std::string_view s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

bool offlineLike(uint8_t status) {
    return status == conversation::kStatusOffline || status == conversation::kStatusInvisible;
}

constexpr int kIdRole = Qt::UserRole;
constexpr int kOwnRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2; // GBK name without the administrator mark

} // namespace

QWidget* TfrmChatForm::buildGroupPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel_Group"));
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* noticeCaption = new QLabel(QStringLiteral("讨论组公告"), panel);
    noticeCaption->setObjectName(QStringLiteral("Lb_GroupNotice"));
    v->addWidget(noticeCaption);
    groupNotice_ = new QTextEdit(panel);
    groupNotice_->setObjectName(QStringLiteral("RichEdit_Group"));
    groupNotice_->setReadOnly(true);
    groupNotice_->setFixedHeight(110);
    groupNotice_->setStyleSheet(QStringLiteral("background: #fffbe8"));
    v->addWidget(groupNotice_);
    auto* membersCaption = new QLabel(QStringLiteral("讨论组成员"), panel);
    membersCaption->setObjectName(QStringLiteral("Lb_GroupMembers"));
    v->addWidget(membersCaption);
    memberList_ = new QTreeWidget(panel);
    memberList_->setObjectName(QStringLiteral("TVUserList"));
    memberList_->setHeaderHidden(true);
    memberList_->setRootIsDecorated(false);
    memberList_->setIndentation(4);
    memberList_->setContextMenuPolicy(Qt::CustomContextMenu);
    v->addWidget(memberList_, 1);
    connect(memberList_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = memberList_->itemAt(at);
        if (!item) return;
        memberList_->setCurrentItem(item);
        if (QMenu* menu = memberMenu(item->data(0, kIdRole).toUInt()))
            menu->popup(memberList_->viewport()->mapToGlobal(at));
    });
    connect(memberList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item && !item->data(0, kOwnRole).toBool())
            ctx_.services->openConversationWith(item->data(0, kIdRole).toUInt());
    });
    panel->hide();
    return panel;
}

QMenu* TfrmChatForm::memberMenu(uint32_t memberId) {
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < memberList_->topLevelItemCount() && !row; ++i)
        if (memberList_->topLevelItem(i)->data(0, kIdRole).toUInt() == memberId)
            row = memberList_->topLevelItem(i);
    // On one's own entry both items are hidden: there is no menu.
    if (!row || row->data(0, kOwnRole).toBool()) return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu_ListPopup"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* send = menu->addAction(QStringLiteral("发送消息"));
    send->setObjectName(QStringLiteral("N14"));
    connect(send, &QAction::triggered, this,
            [this, memberId] { ctx_.services->openConversationWith(memberId); });
    if (groupState_.ownIsCreator) {
        QAction* remove = menu->addAction(QStringLiteral("从讨论组中删除"));
        remove->setObjectName(QStringLiteral("N15"));
        const std::string name = row->data(0, kNameRole).toByteArray().toStdString();
        connect(remove, &QAction::triggered, this, [this, memberId, name] {
            if (conversation::Conversation* c = conversation())
                ctx_.services->removeMember(*c, memberId, name);
        });
    }
    return menu;
}

bool TfrmChatForm::hasMember(uint32_t userId) const {
    return std::any_of(groupState_.members.begin(), groupState_.members.end(),
                       [userId](const groups::GroupMemberRow& r) { return r.id == userId; });
}

void TfrmChatForm::showGroup(const groups::GroupWindowState& state) {
    const bool first = !groupPanel_->isVisibleTo(this) && groupState_.guid.isNull();
    std::vector<groups::GroupMemberRow> members = state.membersRebuilt ? state.members : groupState_.members;
    groupState_ = state;
    groupState_.members = std::move(members);

    const QString name = fromGbk(state.name);
    nameLabel_->setText(name);
    setWindowTitle(name);
    memoLabel_->setText(fromGbk(state.memo));
    groupNotice_->setPlainText(fromGbk(state.notice));
    QPixmap group(ctx_.folders.sysImages + QStringLiteral("DefaultGroup.bmp"));
    if (!group.isNull()) setWindowIcon(QIcon(group));
    if (!group.isNull())
        headLabel_->setPixmap(group.scaled(chatlayout::kHeadSize, chatlayout::kHeadSize, Qt::KeepAspectRatio,
                                           Qt::SmoothTransformation));
    statusLabel_->clear();

    if (state.membersRebuilt) {
        // Online members above the others; each part keeps the slot order.
        std::vector<const groups::GroupMemberRow*> rows;
        for (const auto& r : groupState_.members)
            rows.push_back(&r);
        std::stable_sort(rows.begin(), rows.end(), [](const auto* a, const auto* b) {
            return !offlineLike(a->status) && offlineLike(b->status);
        });
        const uint32_t current =
            memberList_->currentItem() ? memberList_->currentItem()->data(0, kIdRole).toUInt() : 0;
        memberList_->clear();
        for (const auto* r : rows) {
            auto* item = new QTreeWidgetItem(memberList_);
            QString label = fromGbk(r->label);
            label.replace(QLatin1Char('\t'), QLatin1Char(' '));
            item->setText(0, label);
            item->setIcon(0, statusIcon(directory::statusClass(r->status)));
            item->setData(0, kIdRole, r->id);
            item->setData(0, kOwnRole, r->own);
            std::string plain = r->label;
            if (const size_t tab = plain.find('\t'); tab != std::string::npos) plain.resize(tab);
            item->setData(0, kNameRole, QByteArray::fromStdString(plain));
            if (offlineLike(r->status)) item->setForeground(0, QColor(128, 128, 128));
            if (r->id == current) memberList_->setCurrentItem(item);
        }
    }

    // The toolbar of a group window by role; the shake is not for groups; the card gives way to
    // the member panel.
    fillToolbar();
    userInfoWanted_ = false;
    userInfo_->hide();
    if (auto* cardToggle = findChild<QToolButton*>(QStringLiteral("Image_btn"))) cardToggle->hide();
    placeSidePanels();
    if (first && transferList_->count() == 0) showSidePanel(chatlayout::SidePanel::Members);
}

void TfrmChatForm::placeSidePanels() {
    const conversation::Conversation* c = conversation();
    const bool group = c && c->kind() == protocol::kGroupConversation;
    const bool transfers = transferList_->count() > 0;
    groupPanel_->setFixedWidth(chatlayout::panelSize(chatlayout::SidePanel::Members, true).side);
    groupPanel_->setVisible(group && !transfers);
}

} // namespace vantor::ui
