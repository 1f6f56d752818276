#include "ui/services/remind_form.h"

#include "directory/gbk_text.h"
#include "services/reminder.h"
#include "ui/kit/fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegion>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::ui {

namespace {
constexpr int kWidth = 220;
constexpr int kHeight = 96;
} // namespace

TfrmRemind::TfrmRemind(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TfrmRemind"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(textFont());
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#TfrmRemind { background: #EEF4FB; border: 1px solid #8DB2E3; }"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 4, 4, 6);
    auto* top = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("提醒"), this);
    title->setStyleSheet(QStringLiteral("color: #335C8C;"));
    top->addWidget(title);
    top->addStretch();
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("M_Close"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, &TfrmRemind::slideOut);
    top->addWidget(close);
    outer->addLayout(top);
    auto* body = new QHBoxLayout;
    face_ = new QLabel(this);
    face_->setObjectName(QStringLiteral("img_Face"));
    face_->setFixedSize(40, 40);
    face_->setScaledContents(true);
    body->addWidget(face_);
    auto* texts = new QVBoxLayout;
    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("lb_Name"));
    QFont bold = textFont();
    bold.setBold(true);
    name_->setFont(bold);
    text_ = new QLabel(QString::fromUtf8(services::kReminderInitialText), this);
    text_->setObjectName(QStringLiteral("lb_RemindText"));
    texts->addWidget(name_);
    texts->addWidget(text_);
    body->addLayout(texts, 1);
    outer->addLayout(body);
    open_ = new QLabel(QStringLiteral("打开对话"), this);
    open_->setObjectName(QStringLiteral("lb_OpenChat"));
    open_->setStyleSheet(QStringLiteral("color: #1D5FA8;"));
    open_->setCursor(Qt::PointingHandCursor);
    open_->setAttribute(Qt::WA_Hover);
    open_->installEventFilter(this);
    outer->addWidget(open_, 0, Qt::AlignRight);
}

void TfrmRemind::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Rounded corners, radius 3.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 3, 3);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void TfrmRemind::showReminder(const protocol::Shake& record, const std::string& nameGbk,
                              const QString& picture, const QRect& workArea) {
    record_ = record;
    closing_ = false;
    name_->setText(directory::gbkToQString(services::reminderName(nameGbk)));
    if (const auto text = services::reminderText(record.remindKind)) text_->setText(QString::fromUtf8(*text));
    QPixmap face(picture);
    face_->setPixmap(face);
    const QPoint shown(workArea.right() - width() + 1, workArea.bottom() - height() + 1);
    if (isVisible() && !slide_) return; // the text changed in place
    if (slide_) slide_->stop();
    auto* a = new QPropertyAnimation(this, "pos", this);
    a->setDuration(300);
    a->setStartValue(QPoint(shown.x(), workArea.bottom() + 1));
    a->setEndValue(shown);
    slide_ = a;
    move(a->startValue().toPoint());
    show();
    raise();
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void TfrmRemind::slideOut() {
    if (closing_) return;
    closing_ = true;
    if (slide_) slide_->stop();
    auto* a = new QPropertyAnimation(this, "pos", this);
    a->setDuration(200);
    a->setStartValue(pos());
    a->setEndValue(QPoint(x(), y() + height() + 1));
    slide_ = a;
    connect(a, &QPropertyAnimation::finished, this, &QWidget::close);
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void TfrmRemind::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !closing_) {
        if (onOpen) onOpen(record_);
        slideOut();
    }
}

bool TfrmRemind::eventFilter(QObject* watched, QEvent* event) {
    if (watched == open_) {
        // Underlined while hovered.
        if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
            QFont f = open_->font();
            f.setUnderline(event->type() == QEvent::HoverEnter);
            open_->setFont(f);
        } else if (event->type() == QEvent::MouseButtonPress) {
            if (!closing_) {
                if (onOpen) onOpen(record_);
                slideOut();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantor::ui
