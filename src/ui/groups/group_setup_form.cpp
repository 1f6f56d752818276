#include "ui/groups/group_setup_form.h"

#include "client/client_core.h"
#include "groups/texts.h"
#include "protocol/text.h"
#include "ui/groups/sel_user_form.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

std::string toGbk(const QString& s) {
    return protocol::toGbk(s.toStdString());
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

TfrmGroupSetup::TfrmGroupSetup(client::ClientCore& core, QWidget* parent)
    : QDialog(parent), core_(core), mode_(Mode::Create) {
    build();
}

TfrmGroupSetup::TfrmGroupSetup(client::ClientCore& core, int conversationId, QWidget* parent)
    : QDialog(parent), core_(core), mode_(Mode::Manage), conversationId_(conversationId) {
    build();
    const conversation::Conversation* c = core_.conversations().byId(conversationId_);
    if (const protocol::Group* g = c ? core_.groups().FindGroup(c->key.groupId) : nullptr) {
        name_->setText(fromGbk(g->name));
        memo_->setText(fromGbk(g->topic));
        notice_->setPlainText(fromGbk(g->notice));
        hidden_->setChecked(g->hidden);
    }
}

void TfrmGroupSetup::build() {
    const bool create = mode_ == Mode::Create;
    setObjectName(QStringLiteral("TfrmGroupSetup"));
    setWindowTitle(create ? QStringLiteral("创建讨论组") : QStringLiteral("讨论组管理"));
    setFont(systemLineFont());
    resize(400, 420);
    auto* root = new QVBoxLayout(this);
    auto* title = new QLabel(windowTitle(), this);
    title->setObjectName(QStringLiteral("lb_Caption"));
    QFont bold = systemLineFont();
    bold.setBold(true);
    title->setFont(bold);
    root->addWidget(title);

    auto* form = new QFormLayout;
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("edt_GroupName"));
    memo_ = new QLineEdit(this);
    memo_->setObjectName(QStringLiteral("edt_GroupMemo"));
    form->addRow(QStringLiteral("讨论组名称："), name_);
    form->addRow(QStringLiteral("主题或备注："), memo_);
    root->addLayout(form);
    hidden_ = new QCheckBox(QStringLiteral("不显示在添加讨论组的查询列表中"), this);
    hidden_->setObjectName(QStringLiteral("cb_HideGroup"));
    root->addWidget(hidden_);

    listLabel_ = new QLabel(create ? QStringLiteral("讨论组人员：") : QStringLiteral("讨论组公告："), this);
    listLabel_->setObjectName(QStringLiteral("Label_Text"));
    root->addWidget(listLabel_);
    selected_ = new QListWidget(this);
    selected_->setObjectName(QStringLiteral("LV_SelUser"));
    notice_ = new QTextEdit(this);
    notice_->setObjectName(QStringLiteral("Memo_GroupMsg"));
    notice_->setAcceptRichText(false);
    root->addWidget(selected_, 1);
    root->addWidget(notice_, 1);
    selected_->setVisible(create);
    notice_->setVisible(!create);

    auto* buttons = new QHBoxLayout;
    if (create) {
        auto* choose = button(this, "btn_SelUser", QStringLiteral("选择人员"));
        connect(choose, &QPushButton::clicked, this, [this] { selectUsers(); });
        buttons->addWidget(choose);
        buttons->addStretch(1);
        auto* make = button(this, "btn_CreateGroup", QStringLiteral("创建讨论组"));
        connect(make, &QPushButton::clicked, this, &TfrmGroupSetup::createClick);
        buttons->addWidget(make);
    } else {
        auto* destroy = button(this, "btn_Destroy", QStringLiteral("解散群"));
        connect(destroy, &QPushButton::clicked, this, &TfrmGroupSetup::destroyClick);
        buttons->addWidget(destroy);
        buttons->addStretch(1);
        auto* update = button(this, "btn_Update", QStringLiteral("更新信息"));
        connect(update, &QPushButton::clicked, this, &TfrmGroupSetup::updateClick);
        buttons->addWidget(update);
    }
    auto* cancel = button(this, "btn_Cancle", QStringLiteral("取 消"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    root->addLayout(buttons);
}

void TfrmGroupSetup::tell(QWidget* over, const std::string& gbkText) {
    box_ = showInformation(over, fromGbk(groups::texts::hintTitle()), fromGbk(gbkText));
}

TSelUserForm* TfrmGroupSetup::selectUsers() {
    if (picker_) return picker_;
    picker_ = pickUsers(this, core_, fromGbk(groups::texts::pickerCreateCaption()), selectedIds(),
                        [this](const std::vector<uint32_t>& ids) { setSelected(ids); });
    return picker_;
}

void TfrmGroupSetup::setSelected(const std::vector<uint32_t>& ids) {
    selected_->clear();
    const auto& own = core_.messenger().OwnUser;
    const directory::Directory& dir = core_.directory().directory();
    for (uint32_t id : ids) {
        if (own && id == own->userId) continue;
        const directory::User* u = dir.findUser(id);
        auto* item = new QListWidgetItem(u ? fromGbk(u->record.name) : QString::number(id), selected_);
        item->setData(Qt::UserRole, id);
    }
}

std::vector<uint32_t> TfrmGroupSetup::selectedIds() const {
    std::vector<uint32_t> ids;
    for (int i = 0; i < selected_->count(); ++i)
        ids.push_back(selected_->item(i)->data(Qt::UserRole).toUInt());
    return ids;
}

void TfrmGroupSetup::createClick() {
    if (name_->text().trimmed().isEmpty()) {
        tell(this, groups::texts::enterGroupName());
        name_->setFocus();
        return;
    }
    if (selected_->count() == 0) {
        tell(this, groups::texts::chooseMembers());
        selectUsers();
        return;
    }
    const groups::GroupOutcome o = core_.groups().CreateGroupFromDialog(
        toGbk(name_->text()), toGbk(memo_->text()), hidden_->isChecked(), selectedIds());
    if (!o.done) {
        tell(this, o.text);
        return;
    }
    tell(parentWidget(), o.text);
    close();
}

void TfrmGroupSetup::updateClick() {
    conversation::Conversation* c = core_.conversations().byId(conversationId_);
    if (!c) {
        close();
        return;
    }
    const groups::GroupOutcome o = core_.groups().UpdateGroupInfo(
        *c, toGbk(name_->text()), toGbk(memo_->text()), toGbk(notice_->toPlainText()), hidden_->isChecked());
    if (!o.done && !o.text.empty()) {
        tell(this, o.text);
        return;
    }
    close();
}

void TfrmGroupSetup::destroyClick() {
    auto* ask =
        new QMessageBox(QMessageBox::Question, fromGbk(groups::texts::confirmTitle()),
                        fromGbk(groups::texts::askDismiss()), QMessageBox::Ok | QMessageBox::Cancel, this);
    ask->setObjectName(QStringLiteral("ConfirmDismissBox"));
    ask->setAttribute(Qt::WA_DeleteOnClose);
    box_ = ask;
    connect(ask, &QMessageBox::finished, this, [this](int result) {
        if (result != QMessageBox::Ok) return;
        conversation::Conversation* c = core_.conversations().byId(conversationId_);
        if (!c) {
            close();
            return;
        }
        const groups::GroupOutcome o = core_.groups().DismissGroup(*c);
        if (!o.done && !o.text.empty()) {
            tell(this, o.text);
            return;
        }
        close();
    });
    ask->open();
}

} // namespace vantor::ui
