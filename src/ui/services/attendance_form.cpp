#include "ui/services/attendance_form.h"

#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantor::ui {

TfrmAttence::TfrmAttence(services::Attendance& attendance, QWidget* parent)
    : QWidget(parent, Qt::Window), attendance_(attendance) {
    setObjectName(QStringLiteral("TfrmAttence"));
    setWindowTitle(QStringLiteral("员工考勤"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(textFont());
    setFixedSize(300, 170);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("欢迎使用在线考勤功能"), this);
    title->setObjectName(QStringLiteral("lb_Title"));
    title->setFont(textFont(14));
    layout->addWidget(title);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("今日签到时间："), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("今日签退时间："), this), 1, 0);
    signIn_ = new QLabel(this);
    signIn_->setObjectName(QStringLiteral("lb_SignInTime"));
    signOut_ = new QLabel(this);
    signOut_->setObjectName(QStringLiteral("lb_SignOutTime"));
    grid->addWidget(signIn_, 0, 1);
    grid->addWidget(signOut_, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    row->addStretch();
    sign_ = new QPushButton(this);
    sign_->setObjectName(QStringLiteral("btn_Sign"));
    sign_->setMinimumWidth(90);
    row->addWidget(sign_);
    layout->addLayout(row);
    connect(sign_, &QPushButton::clicked, this, &TfrmAttence::clicked);
    ask = [](QWidget* p, const QString& caption, const QString& text, std::function<void(bool)> done) {
        askOkCancel(p, caption, text, std::move(done));
    };
    attendance_.onChanged = [this] { refresh(); };
    refresh();
}

TfrmAttence::~TfrmAttence() {
    attendance_.onChanged = nullptr;
    attendance_.windowClosed();
}

void TfrmAttence::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
    if (!attendance_.windowOpen()) attendance_.windowOpened();
}

void TfrmAttence::closeEvent(QCloseEvent* event) {
    shown_ = false;
    attendance_.windowClosed();
    QWidget::closeEvent(event);
}

void TfrmAttence::refresh() {
    // The session ended under the open window.
    if (shown_ && !attendance_.windowOpen()) {
        close();
        return;
    }
    const services::SignButton b = attendance_.button();
    sign_->setText(QString::fromUtf8(services::signButtonText(b)));
    sign_->setEnabled(b != services::SignButton::Unknown && !asking_);
    signIn_->setText(QString::fromStdString(attendance_.signInText()));
    signOut_->setText(QString::fromStdString(attendance_.signOutText()));
}

void TfrmAttence::clicked() {
    const services::Attendance::Click c = attendance_.click();
    if (c != services::Attendance::Click::AskEarly) {
        after(c);
        return;
    }
    asking_ = true;
    refresh();
    ask(this, QStringLiteral("考勤确认"), QStringLiteral("现在还未到下班时间，确定要签退吗？"),
        [this](bool ok) {
            asking_ = false;
            refresh();
            if (ok) after(attendance_.confirmEarlySignOut());
        });
}

void TfrmAttence::after(services::Attendance::Click click) {
    switch (click) {
    case services::Attendance::Click::SentAndClose:
    case services::Attendance::Click::Close:
        close();
        break;
    case services::Attendance::Click::NotSent:
        showInformation(this, QStringLiteral("提示"), QStringLiteral("您已经离线，考勤未能发出！"));
        break;
    default:
        break;
    }
}

} // namespace vantor::ui
