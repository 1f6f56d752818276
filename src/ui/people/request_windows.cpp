#include "ui/people/request_windows.h"

#include "directory/gbk_text.h"
#include "protocol/text.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {
QString text(const std::string& gbk) {
    return QString::fromStdString(protocol::fromGbk(gbk));
}
} // namespace

RequestWindow::RequestWindow(client::ClientCore& core, bool contacts, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), contacts_(contacts) {
    setObjectName(contacts ? QStringLiteral("TfrmAddFriendRequest") : QStringLiteral("TfrmAddGroupRequest"));
    setWindowTitle(contacts ? QStringLiteral("添加联系人") : QStringLiteral("群组管理"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(textFont());
    resize(300, contacts ? 160 : 180);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    userName_ = new QLabel(this);
    userName_->setObjectName(QStringLiteral("Label_UserName"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("Label_Count"));
    next_ = new QPushButton(QStringLiteral(">"), this);
    next_->setObjectName(QStringLiteral("btn_Next"));
    next_->setToolTip(QStringLiteral("切换下一条"));
    next_->setFixedWidth(28);
    top->addWidget(userName_, 1);
    top->addWidget(count_);
    top->addWidget(next_);
    layout->addLayout(top);
    if (contacts) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("添加到："), this));
        addTo_ = new QComboBox(this);
        addTo_->setObjectName(QStringLiteral("ComboBox_Group"));
        row->addWidget(addTo_, 1);
        layout->addLayout(row);
        for (const auto& g : core_.directory().directory().contactGroups())
            addTo_->addItem(text(g.name));
    } else {
        groupLine_ = new QLabel(this);
        groupLine_->setObjectName(QStringLiteral("Label7"));
        groupLine_->setWordWrap(true);
        layout->addWidget(groupLine_);
    }
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* accept = new QPushButton(QStringLiteral("同 意"), this);
    accept->setObjectName(QStringLiteral("btn_Accept"));
    auto* decline = new QPushButton(QStringLiteral("拒 绝"), this);
    decline->setObjectName(QStringLiteral("btn_Refuse"));
    buttons->addWidget(accept);
    buttons->addWidget(decline);
    layout->addLayout(buttons);
    connect(next_, &QPushButton::clicked, this, [this] {
        if (contacts_)
            core_.people().contactRequests().next();
        else
            core_.people().joinRequests().next();
        refresh();
    });
    connect(accept, &QPushButton::clicked, this, [this] { answer(true); });
    connect(decline, &QPushButton::clicked, this, [this] { answer(false); });
    core_.people().addListener(this);
    refresh();
}

RequestWindow::~RequestWindow() {
    core_.people().removeListener(this);
    // Closing with requests pending drops them unanswered.
    if (contacts_)
        core_.people().contactRequests().clear();
    else
        core_.people().joinRequests().clear();
}

void RequestWindow::place(const QRect& workArea, int screenWidth) {
    const int below = contacts_ ? 30 : 209;
    move(screenWidth - width() - 300, workArea.height() - height() - below);
}

void RequestWindow::refresh() {
    people::PeopleCore& p = core_.people();
    size_t count = 0;
    bool several = false;
    if (contacts_) {
        const auto& q = p.contactRequests();
        count = q.count();
        several = q.showCount();
        if (const auto* r = q.current()) userName_->setText(text(people::requesterLabel(r->requesterName)));
    } else {
        const auto& q = p.joinRequests();
        count = q.count();
        several = q.showCount();
        if (const auto* r = q.current()) {
            userName_->setText(text(people::requesterLabel(r->requesterName)));
            groupLine_->setText(text(people::joinGroupLabel(*r)));
        }
    }
    if (count == 0) {
        close();
        return;
    }
    count_->setText(text(people::countLabel(count)));
    count_->setVisible(several);
    next_->setVisible(several);
}

void RequestWindow::contactRequestsChanged() {
    if (contacts_) refresh();
}

void RequestWindow::joinRequestsChanged() {
    if (!contacts_) refresh();
}

void RequestWindow::answer(bool accept) {
    const bool sent =
        contacts_ ? core_.people().answerContactRequest(
                        accept, addTo_ ? directory::qstringToGbk(addTo_->currentText()) : std::string())
                  : core_.people().answerJoinRequest(accept);
    if (!sent) showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，请求未能发出！"));
}

} // namespace vantor::ui
