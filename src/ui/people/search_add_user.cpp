#include "ui/people/search_add_user.h"

#include "directory/gbk_text.h"
#include "people/search_pages.h"
#include "protocol/text.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"
#include "ui/kit/icons.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {
QString text(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
std::string gbk(const QString& s) {
    return directory::qstringToGbk(s);
}
QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}
QLabel* hint(const QString& t, QWidget* parent) {
    auto* l = new QLabel(t, parent);
    l->setWordWrap(true);
    return l;
}
// The status icon of a result row, by the result list's icon number.
QIcon rowIcon(int icon) {
    switch (icon) {
    case 1:
        return statusIcon(directory::StatusClass::Online);
    case 2:
        return statusIcon(directory::StatusClass::Away);
    case 3:
        return statusIcon(directory::StatusClass::Busy);
    case 5:
        return statusIcon(directory::StatusClass::DoNotDisturb);
    default:
        return statusIcon(directory::StatusClass::Offline);
    }
}
} // namespace

TfrmSearchAddUser::TfrmSearchAddUser(client::ClientCore& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core) {
    setObjectName(QStringLiteral("TfrmSearchAddUser"));
    setWindowTitle(QStringLiteral("查找添加联系人"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(textFont());
    resize(520, 400);
    auto* top = new QHBoxLayout;
    auto* userTab = button(QStringLiteral("btn_User"), QStringLiteral("查找联系人"), this);
    auto* groupTab = button(QStringLiteral("btn_Group"), QStringLiteral("查找讨论组（群）"), this);
    top->addWidget(userTab);
    top->addWidget(groupTab);
    top->addStretch();
    pages_ = new QStackedWidget(this);
    pages_->addWidget(buildUserStart());
    pages_->addWidget(buildUserResults());
    pages_->addWidget(buildUserConfirm());
    pages_->addWidget(buildUserSent());
    pages_->addWidget(buildGroupStart());
    pages_->addWidget(buildGroupResults());
    pages_->addWidget(buildGroupConfirm());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(pages_);
    connect(userTab, &QPushButton::clicked, this, [this] { showPage(UserStart); });
    connect(groupTab, &QPushButton::clicked, this, [this] { showPage(GroupStart); });
    core_.people().addListener(this);
    core_.people().setSearchOpen(true);
    showPage(UserStart);
}

TfrmSearchAddUser::~TfrmSearchAddUser() {
    core_.people().setSearchOpen(false);
    core_.people().removeListener(this);
}

int TfrmSearchAddUser::page() const {
    return pages_->currentIndex();
}

void TfrmSearchAddUser::showPage(Page p) {
    pages_->setCurrentIndex(p);
    if (p == UserStart) userName_->setFocus();
    if (p == GroupStart) groupName_->setFocus();
}

QWidget* TfrmSearchAddUser::buildUserStart() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(hint(QStringLiteral("请选择输入查找条件。"), w));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("姓名："), w));
    userName_ = new QLineEdit(w);
    userName_->setObjectName(QStringLiteral("Edit_UserName"));
    row->addWidget(userName_);
    row->addWidget(new QLabel(QStringLiteral("部门："), w));
    department_ = new QLineEdit(w);
    department_->setObjectName(QStringLiteral("Edit_DepartMent"));
    row->addWidget(department_);
    l->addLayout(row);
    l->addWidget(hint(QStringLiteral("如不设定查找条件，系统将分页读取用户以供选择。"), w));
    l->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* next = button(QStringLiteral("btn_SearchUser"), QStringLiteral("下一步"), w);
    auto* cancel = button(QStringLiteral("btn_Cancel"), QStringLiteral("取 消"), w);
    buttons->addWidget(next);
    buttons->addWidget(cancel);
    l->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, [this] { searchUsers(1); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    return w;
}

QWidget* TfrmSearchAddUser::buildUserResults() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    users_ = new QTreeWidget(w);
    users_->setObjectName(QStringLiteral("ListView_User"));
    users_->setRootIsDecorated(false);
    users_->setHeaderLabels({QStringLiteral("姓名"), QStringLiteral("部门"), QStringLiteral("签名")});
    l->addWidget(users_);
    auto* buttons = new QHBoxLayout;
    userPrevious_ = button(QStringLiteral("btn_PrevPage"), QStringLiteral("< 上一页"), w);
    userNext_ = button(QStringLiteral("btn_NextPage"), QStringLiteral("下一页 >"), w);
    auto* back = button(QStringLiteral("btn_Back"), QStringLiteral("上一步"), w);
    auto* add = button(QStringLiteral("btn_AddUser"), QStringLiteral("下一步"), w);
    buttons->addWidget(userPrevious_);
    buttons->addWidget(userNext_);
    buttons->addStretch();
    buttons->addWidget(back);
    buttons->addWidget(add);
    l->addLayout(buttons);
    connect(userPrevious_, &QPushButton::clicked, this,
            [this] { searchUsers(std::max<uint32_t>(1, core_.people().userPages().page() - 1)); });
    connect(userNext_, &QPushButton::clicked, this,
            [this] { searchUsers(core_.people().userPages().page() + 1); });
    connect(back, &QPushButton::clicked, this, [this] { showPage(UserStart); });
    connect(add, &QPushButton::clicked, this, [this] { addUser(); });
    return w;
}

QWidget* TfrmSearchAddUser::buildUserConfirm() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    confirmName_ = new QLabel(w);
    confirmDepartment_ = new QLabel(w);
    confirmSignature_ = new QLabel(w);
    l->addWidget(confirmName_);
    l->addWidget(confirmDepartment_);
    l->addWidget(confirmSignature_);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("添加到："), w));
    addTo_ = new QComboBox(w);
    addTo_->setObjectName(QStringLiteral("ComboBox_Group"));
    row->addWidget(addTo_, 1);
    l->addLayout(row);
    l->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* back = button(QStringLiteral("btn_Back2"), QStringLiteral("上一步"), w);
    auto* send = button(QStringLiteral("btn_Send"), QStringLiteral("添 加"), w);
    buttons->addWidget(back);
    buttons->addWidget(send);
    l->addLayout(buttons);
    connect(back, &QPushButton::clicked, this, [this] { showPage(UserResults); });
    connect(send, &QPushButton::clicked, this, [this] { sendUser(); });
    return w;
}

QWidget* TfrmSearchAddUser::buildUserSent() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(hint(QStringLiteral("添加联系人请求已发出，请等待对方确认。"), w));
    l->addWidget(hint(QStringLiteral("您可以关闭本窗口，或者选择继续添加联系人。"), w));
    l->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* again = button(QStringLiteral("btn_Again"), QStringLiteral("继续添加"), w);
    auto* close = button(QStringLiteral("btn_Close"), QStringLiteral("关 闭"), w);
    buttons->addWidget(again);
    buttons->addWidget(close);
    l->addLayout(buttons);
    connect(again, &QPushButton::clicked, this, [this] { showPage(UserStart); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    return w;
}

QWidget* TfrmSearchAddUser::buildGroupStart() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(hint(QStringLiteral("请选择输入查找条件。"), w));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("讨论组（群）关键字："), w));
    groupName_ = new QLineEdit(w);
    groupName_->setObjectName(QStringLiteral("Edit_GroupName"));
    row->addWidget(groupName_);
    l->addLayout(row);
    l->addWidget(hint(QStringLiteral("如不设定查找条件，系统将分页读取列表以供选择。"), w));
    l->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* next = button(QStringLiteral("btn_SearchGroup"), QStringLiteral("下一步"), w);
    auto* cancel = button(QStringLiteral("btn_Cancel2"), QStringLiteral("取 消"), w);
    buttons->addWidget(next);
    buttons->addWidget(cancel);
    l->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, [this] { searchGroups(1); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    return w;
}

QWidget* TfrmSearchAddUser::buildGroupResults() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    groups_ = new QTreeWidget(w);
    groups_->setObjectName(QStringLiteral("ListView_Group"));
    groups_->setRootIsDecorated(false);
    groups_->setHeaderLabels({QStringLiteral("讨论组名称"), QStringLiteral("备注")});
    l->addWidget(groups_);
    auto* buttons = new QHBoxLayout;
    groupPrevious_ = button(QStringLiteral("btn_PrevPage2"), QStringLiteral("< 上一页"), w);
    groupNext_ = button(QStringLiteral("btn_NextPage2"), QStringLiteral("下一页 >"), w);
    auto* back = button(QStringLiteral("btn_Back3"), QStringLiteral("上一步"), w);
    auto* next = button(QStringLiteral("btn_Next4"), QStringLiteral("下一步"), w);
    buttons->addWidget(groupPrevious_);
    buttons->addWidget(groupNext_);
    buttons->addStretch();
    buttons->addWidget(back);
    buttons->addWidget(next);
    l->addLayout(buttons);
    connect(groupPrevious_, &QPushButton::clicked, this,
            [this] { searchGroups(std::max<uint32_t>(1, core_.people().groupPages().page() - 1)); });
    connect(groupNext_, &QPushButton::clicked, this,
            [this] { searchGroups(core_.people().groupPages().page() + 1); });
    connect(back, &QPushButton::clicked, this, [this] { showPage(GroupStart); });
    connect(next, &QPushButton::clicked, this, [this] { nextGroup(); });
    return w;
}

QWidget* TfrmSearchAddUser::buildGroupConfirm() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    groupLabel_ = new QLabel(w);
    groupTopic_ = new QLabel(w);
    l->addWidget(groupLabel_);
    l->addWidget(groupTopic_);
    l->addWidget(new QLabel(QStringLiteral("申请加入的说明（选填）："), w));
    applyMsg_ = new QPlainTextEdit(w);
    applyMsg_->setObjectName(QStringLiteral("ApplyMsg"));
    l->addWidget(applyMsg_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* back = button(QStringLiteral("btn_Back4"), QStringLiteral("上一步"), w);
    auto* send = button(QStringLiteral("btn_Send2"), QStringLiteral("添 加"), w);
    buttons->addWidget(back);
    buttons->addWidget(send);
    l->addLayout(buttons);
    connect(back, &QPushButton::clicked, this, [this] { showPage(GroupResults); });
    connect(send, &QPushButton::clicked, this, [this] { sendGroup(); });
    return w;
}

void TfrmSearchAddUser::searchUsers(uint32_t page) {
    if (!core_.people().searchUsers(gbk(userName_->text()), gbk(department_->text()), page)) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请重新登录后查找！"));
        return;
    }
    showPage(UserResults);
}

void TfrmSearchAddUser::searchGroups(uint32_t page) {
    if (!core_.people().searchGroups(gbk(groupName_->text()), page)) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请重新登录后查找！"));
        return;
    }
    showPage(GroupResults);
}

void TfrmSearchAddUser::userResultsChanged() {
    const people::PeopleCore& p = core_.people();
    users_->clear();
    for (const auto& r : p.userPages().rows()) {
        auto* item = new QTreeWidgetItem(
            users_, {QStringLiteral(" ") + text(r.name), text(r.department), text(r.signature)});
        item->setIcon(0, rowIcon(people::searchStatusIcon(r.status)));
        item->setData(0, Qt::UserRole, r.userId);
    }
    const people::UserColumns& c = p.userColumns();
    users_->setColumnWidth(0, c.name);
    users_->setColumnWidth(1, c.department);
    users_->setColumnWidth(2, c.signature);
    if (users_->topLevelItemCount() > 0) users_->setCurrentItem(users_->topLevelItem(0));
    userPrevious_->setEnabled(p.userPages().previousEnabled());
    userNext_->setEnabled(p.userPages().nextEnabled());
}

void TfrmSearchAddUser::groupResultsChanged() {
    const people::PeopleCore& p = core_.people();
    groups_->clear();
    for (const auto& r : p.groupPages().rows())
        new QTreeWidgetItem(groups_, {QStringLiteral(" ") + text(r.name), text(r.topic)});
    if (groups_->topLevelItemCount() > 0) groups_->setCurrentItem(groups_->topLevelItem(0));
    groupPrevious_->setEnabled(p.groupPages().previousEnabled());
    groupNext_->setEnabled(p.groupPages().nextEnabled());
}

void TfrmSearchAddUser::addUser() {
    const int row = users_->currentItem() ? users_->indexOfTopLevelItem(users_->currentItem()) : -1;
    const auto& rows = core_.people().userPages().rows();
    if (row < 0 || row >= int(rows.size())) return;
    const protocol::UserSearchResult& r = rows[size_t(row)];
    if (core_.people().alreadyContact(r.userId)) {
        showInformation(this, QStringLiteral("提示"),
                        text(r.name) + QStringLiteral(" 已经是您的联系人，请重新选择。"));
        return;
    }
    chosenUser_ = r.userId;
    confirmName_->setText(QStringLiteral("姓名：") + text(r.name));
    confirmDepartment_->setText(QStringLiteral("部门：") + text(r.department));
    confirmSignature_->setText(text(r.signature));
    addTo_->clear();
    for (const auto& g : core_.directory().directory().contactGroups())
        addTo_->addItem(text(g.name));
    showPage(UserConfirm);
}

void TfrmSearchAddUser::sendUser() {
    if (!core_.people().sendContactRequest(chosenUser_, gbk(addTo_->currentText()))) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请求未能发出！"));
        return;
    }
    showPage(UserSent);
}

void TfrmSearchAddUser::nextGroup() {
    const int row = groups_->currentItem() ? groups_->indexOfTopLevelItem(groups_->currentItem()) : -1;
    const auto& rows = core_.people().groupPages().rows();
    if (row < 0 || row >= int(rows.size())) return;
    const protocol::GroupSearchResult& r = rows[size_t(row)];
    if (core_.directory().directory().findGroup(r.guid)) {
        showInformation(this, QStringLiteral("提示"),
                        QStringLiteral("您已经加入 ") + text(r.name) + QStringLiteral("，请重新选择。"));
        return;
    }
    chosenGroup_ = r;
    groupLabel_->setText(QStringLiteral("讨论组（群）：") + text(r.name));
    groupTopic_->setText(text(r.topic));
    applyMsg_->clear();
    showPage(GroupConfirm);
}

void TfrmSearchAddUser::sendGroup() {
    if (!core_.people().sendJoinRequest(chosenGroup_, gbk(applyMsg_->toPlainText()))) {
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请求未能发出！"));
        return;
    }
    auto* box = showInformation(parentWidget(), QStringLiteral("提示"),
                                QStringLiteral("添加讨论组（群）请求已发出，请等待确认！"));
    (void)box;
    close();
}

} // namespace vantor::ui
