#include "ui/groups/sel_user_form.h"

#include "client/client_core.h"
#include "people/people_core.h"
#include "protocol/text.h"
#include "ui/kit/fonts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {

QString fromGbk(const std::string& s) {
    return QString::fromStdString(protocol::fromGbk(s));
}

} // namespace

TSelUserForm::TSelUserForm(const QString& caption, std::function<groups::PickerTree(bool)> fill, bool modes,
                           QWidget* parent)
    : QDialog(parent), fill_(std::move(fill)) {
    setObjectName(QStringLiteral("TSelUserForm"));
    setWindowTitle(caption);
    setFont(systemLineFont());
    resize(520, 430);

    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    caption_ = new QLabel(caption, this);
    caption_->setObjectName(QStringLiteral("frmCaption"));
    QFont bold = systemLineFont();
    bold.setBold(true);
    caption_->setFont(bold);
    top->addWidget(caption_, 1);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("M_Close"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    top->addWidget(close);
    root->addLayout(top);

    auto* hint = new QLabel(QStringLiteral("请勾选相应的联系人"), this);
    hint->setObjectName(QStringLiteral("Label3"));
    root->addWidget(hint);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* modeRow = new QHBoxLayout;
    auto* available = new QLabel(QStringLiteral("可选联系人："), this);
    available->setObjectName(QStringLiteral("Label1"));
    modeRow->addWidget(available);
    byDepartmentButton_ = new QToolButton(this);
    byDepartmentButton_->setObjectName(QStringLiteral("imgbtn_2"));
    byDepartmentButton_->setText(QStringLiteral("按部门"));
    byPersonButton_ = new QToolButton(this);
    byPersonButton_->setObjectName(QStringLiteral("imgbtn_4"));
    byPersonButton_->setText(QStringLiteral("按人员"));
    for (QToolButton* b : {byDepartmentButton_, byPersonButton_}) {
        b->setCheckable(true);
        b->setAutoRaise(true);
        modeRow->addWidget(b);
    }
    modeRow->addStretch(1);
    byDepartmentButton_->setChecked(true);
    connect(byDepartmentButton_, &QToolButton::clicked, this, [this] { setByPerson(false); });
    connect(byPersonButton_, &QToolButton::clicked, this, [this] { setByPerson(true); });
    // The mode buttons replace the label where the deployment shows branches.
    available->setVisible(!modes);
    byDepartmentButton_->setVisible(modes);
    byPersonButton_->setVisible(modes);
    left->addLayout(modeRow);
    view_ = new QTreeWidget(this);
    view_->setObjectName(QStringLiteral("TrevUserList"));
    view_->setHeaderHidden(true);
    view_->setColumnCount(1);
    connect(view_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { ticked(item); });
    left->addWidget(view_, 1);
    columns->addLayout(left, 3);

    auto* right = new QVBoxLayout;
    auto* selectedRow = new QHBoxLayout;
    auto* selectedLabel = new QLabel(QStringLiteral("已选联系人："), this);
    selectedLabel->setObjectName(QStringLiteral("Label2"));
    count_ = new QLabel(QStringLiteral("0"), this);
    count_->setObjectName(QStringLiteral("lb_SelectedCount"));
    selectedRow->addWidget(selectedLabel);
    selectedRow->addWidget(count_);
    selectedRow->addStretch(1);
    right->addLayout(selectedRow);
    selected_ = new QListWidget(this);
    selected_->setObjectName(QStringLiteral("LV_SelUser"));
    right->addWidget(selected_, 1);
    columns->addLayout(right, 2);
    root->addLayout(columns, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("√ 确定"), this);
    ok->setObjectName(QStringLiteral("SpeedButton2"));
    auto* cancel = new QPushButton(QStringLiteral("× 取消"), this);
    cancel->setObjectName(QStringLiteral("SpeedButton1"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    root->addLayout(buttons);

    tree_ = fill_ ? fill_(false) : groups::PickerTree();
    fillView();
}

QTreeWidgetItem* TSelUserForm::itemOf(int node) const {
    return node >= 0 && size_t(node) < items_.size() ? items_[size_t(node)] : nullptr;
}

void TSelUserForm::fillView() {
    syncing_ = true;
    view_->clear();
    items_.assign(tree_.size(), nullptr);
    // A node's parent always comes before it.
    for (size_t i = 0; i < tree_.size(); ++i) {
        const int parent = tree_.parent(int(i));
        auto* item = parent >= 0 ? new QTreeWidgetItem(items_[size_t(parent)]) : new QTreeWidgetItem(view_);
        item->setText(0, fromGbk(tree_.text(int(i))));
        item->setData(0, Qt::UserRole, int(i));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        items_[i] = item;
    }
    for (int i = 0; i < view_->topLevelItemCount(); ++i)
        view_->topLevelItem(i)->setExpanded(true);
    syncing_ = false;
    sync();
}

void TSelUserForm::ticked(QTreeWidgetItem* item) {
    if (syncing_ || !item) return;
    const int node = item->data(0, Qt::UserRole).toInt();
    const bool on = item->checkState(0) == Qt::Checked;
    if (tree_.ticked(node) == on) return;
    tree_.setTicked(node, on);
    sync();
}

void TSelUserForm::preTick(const std::vector<uint32_t>& userIds) {
    tree_.preTick(userIds);
    sync();
}

void TSelUserForm::setByPerson(bool byPerson) {
    byDepartmentButton_->setChecked(!byPerson);
    byPersonButton_->setChecked(byPerson);
    if (byPerson == byPerson_) return;
    byPerson_ = byPerson;
    tree_ = fill_ ? fill_(byPerson) : groups::PickerTree();
    fillView();
}

void TSelUserForm::sync() {
    syncing_ = true;
    for (size_t i = 0; i < items_.size(); ++i) {
        const Qt::CheckState want = tree_.ticked(int(i)) ? Qt::Checked : Qt::Unchecked;
        if (items_[i]->checkState(0) != want) items_[i]->setCheckState(0, want);
    }
    syncing_ = false;
    selected_->clear();
    const auto chosen = tree_.chosen();
    for (const auto& c : chosen) {
        auto* item = new QListWidgetItem(fromGbk(c.name), selected_);
        item->setData(Qt::UserRole, c.userId);
    }
    count_->setText(QString::number(chosen.size()));
}

TSelUserForm* pickUsers(QWidget* parent, client::ClientCore& core, const QString& caption,
                        const std::vector<uint32_t>& preselected,
                        std::function<void(const std::vector<uint32_t>& ids)> chosen) {
    // The trees are built from the directory when asked for; nothing of it is held afterwards.
    client::ClientCore* c = &core;
    auto fill = [c](bool byPerson) {
        const directory::Directory& dir = c->directory().directory();
        if (!byPerson) return groups::PickerTree::byDepartment(dir);
        return groups::PickerTree::byPerson(
            dir,
            [c](uint32_t id) {
                const protocol::UserDetail* d = c->people().detail(id);
                return d ? d->unit : std::string();
            },
            true);
    };
    auto* form = new TSelUserForm(caption, fill, core.messenger().Machine.ShowBranch, parent);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->preTick(preselected);
    QObject::connect(form, &QDialog::accepted, form,
                     [form, chosen = std::move(chosen)] { chosen(form->chosenIds()); });
    form->open();
    return form;
}

} // namespace vantor::ui
