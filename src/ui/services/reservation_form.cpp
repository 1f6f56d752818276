#include "ui/services/reservation_form.h"

#include "directory/gbk_text.h"
#include "protocol/datetime.h"
#include "protocol/text.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/fonts.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace vantor::ui {

using services::ServiceDesk;

namespace {

QDateTime dateTimeOf(double dayCount) {
    const protocol::LocalTime t = protocol::localFromDayCount(dayCount);
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

const QString kTooEarly = QStringLiteral("所选日期不能早于当前日期！");

} // namespace

TfrmReservation::TfrmReservation(client::ClientCore& core, int conversationId, QWidget* parent)
    : QWidget(parent, Qt::Dialog), core_(core), conversationId_(conversationId) {
    build(QStringLiteral("请设置您的预约服务："));
    // Tomorrow at this time.
    const QDateTime tomorrow = dateTimeOf(core_.serviceDesk().now() + 1);
    date_->setDate(tomorrow.date());
    time_->setTime(QTime(tomorrow.time().hour(), tomorrow.time().minute()));
    matter_->setText(kPlaceholder);
    matter_->installEventFilter(this);
    ok_->setText(QStringLiteral("提交申请"));
    ok_->setObjectName(QStringLiteral("btn_Submit"));
    cancel_->setText(QStringLiteral("取 消"));
    cancel_->setObjectName(QStringLiteral("btn_Cancel"));
    connect(ok_, &QPushButton::clicked, this, &TfrmReservation::submit);
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
}

TfrmReservation::TfrmReservation(client::ClientCore& core, int conversationId, const protocol::Reservation& r,
                                 QWidget* parent)
    : QWidget(parent, Qt::Dialog), core_(core), conversationId_(conversationId), review_(true) {
    build(QStringLiteral("收到 ") + directory::gbkToQString(r.customerName) +
          QStringLiteral(" 的预约服务请求："));
    const QDateTime at = dateTimeOf(r.appointmentTime);
    date_->setDate(at.date());
    time_->setTime(at.time());
    matter_->setText(directory::gbkToQString(r.matter));
    matter_->setReadOnly(true);
    ok_->setText(QStringLiteral("同意"));
    ok_->setObjectName(QStringLiteral("btn_Agree"));
    cancel_->setText(QStringLiteral("不同意"));
    cancel_->setObjectName(QStringLiteral("btn_Refuse"));
    connect(ok_, &QPushButton::clicked, this, [this] { answer(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { answer(false); });
}

void TfrmReservation::build(const QString& heading) {
    setObjectName(QStringLiteral("TfrmReservation"));
    setWindowTitle(QStringLiteral("办事预约"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFont(textFont());
    setFixedSize(380, 200);
    auto* layout = new QVBoxLayout(this);
    heading_ = new QLabel(heading, this);
    heading_->setObjectName(QStringLiteral("lb_Caption"));
    layout->addWidget(heading_);
    auto* when = new QHBoxLayout;
    date_ = new QDateEdit(this);
    date_->setObjectName(QStringLiteral("DatePicker"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    time_ = new QTimeEdit(this);
    time_->setObjectName(QStringLiteral("TimePicker"));
    time_->setDisplayFormat(QStringLiteral("HH:mm"));
    when->addWidget(date_, 1);
    when->addWidget(time_, 1);
    layout->addLayout(when);
    matter_ = new QLineEdit(this);
    matter_->setObjectName(QStringLiteral("edt_Matter"));
    matter_->setMaxLength(120);
    layout->addWidget(matter_);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok_ = new QPushButton(this);
    cancel_ = new QPushButton(this);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    layout->addLayout(row);
    inform = [](QWidget* p, const QString& caption, const QString& text) {
        showInformation(p, caption, text);
    };
}

void TfrmReservation::placeOver(const QWidget* conversation) {
    if (!conversation) return;
    const QPoint centre = conversation->frameGeometry().center();
    move(centre.x() - 190, centre.y() - 100);
}

bool TfrmReservation::eventFilter(QObject* watched, QEvent* event) {
    // The placeholder goes when the field is entered.
    if (watched == matter_ && event->type() == QEvent::FocusIn && matter_->text() == kPlaceholder)
        matter_->clear();
    return QWidget::eventFilter(watched, event);
}

double TfrmReservation::picked() const {
    const QDate d = date_->date();
    const QTime t = time_->time();
    return protocol::dayCountFromLocal({d.year(), d.month(), d.day(), t.hour(), t.minute(), 0, 0});
}

void TfrmReservation::submit() {
    conversation::Conversation* c = core_.conversations().byId(conversationId_);
    if (!c) {
        close();
        return;
    }
    const QString text = matter_->text().trimmed();
    const std::string matter = text == kPlaceholder ? std::string() : directory::qstringToGbk(text);
    switch (core_.serviceDesk().propose(*c, picked(), matter)) {
    case ServiceDesk::Proposal::Sent:
        close();
        return;
    case ServiceDesk::Proposal::TooEarly:
        inform(this, QStringLiteral("错误"), kTooEarly);
        return;
    case ServiceDesk::Proposal::NoMatter:
        inform(this, QStringLiteral("提示"), QStringLiteral("请输入预约办理的具体事项！"));
        matter_->setFocus();
        return;
    case ServiceDesk::Proposal::NothingSentYet:
        inform(this, QStringLiteral("提示"), QStringLiteral("请先与工作人员沟通后再设置预约时间！"));
        return;
    case ServiceDesk::Proposal::NotSent:
        inform(this, QStringLiteral("提示"), QStringLiteral("您已经离线，预约请求未能发出！"));
        return;
    }
}

void TfrmReservation::answer(bool agree) {
    const ServiceDesk::Proposal result =
        agree ? core_.serviceDesk().confirm(picked()) : core_.serviceDesk().refuse();
    if (result == ServiceDesk::Proposal::TooEarly) {
        inform(this, QStringLiteral("错误"), kTooEarly);
        return;
    }
    answered_ = true;
    close();
}

void TfrmReservation::closeEvent(QCloseEvent* event) {
    // A review closed without an answer leaves the proposal waiting in the queue: it comes back
    // with the next one.
    if (review_ && !answered_) core_.serviceDesk().reviewDismissed();
    QWidget::closeEvent(event);
}

} // namespace vantor::ui
