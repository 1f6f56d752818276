#include "ui/skin/hint_window.h"

#include "skin/hint_placement.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace vantor::ui {

THintWindowEx::THintWindowEx()
    : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("THintWindowEx"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMargin(3);
    setWordWrap(false);
    fade_ = new QPropertyAnimation(this, "windowOpacity", this);
    fade_->setDuration(skin::kHintAnimationMs);
    fade_->setStartValue(0.0);
    fade_->setEndValue(1.0);
    hideTimer_ = new QTimer(this);
    hideTimer_->setSingleShot(true);
    hideTimer_->setInterval(10000);
    connect(hideTimer_, &QTimer::timeout, this, &THintWindowEx::hideHint);
}

THintWindowEx::~THintWindowEx() {
    if (qApp) qApp->removeEventFilter(this);
}

void THintWindowEx::install() {
    qApp->installEventFilter(this);
}

bool THintWindowEx::fading() const {
    return fade_->state() == QAbstractAnimation::Running;
}

void THintWindowEx::showHint(const QString& text, const QPoint& globalPos, const QRect& desktop) {
    if (text.isEmpty()) {
        hideHint();
        return;
    }
    setText(text);
    const QSize size = sizeHint();
    // Below the pointer, as the desktop's own hints.
    const skin::PixelRect placed =
        skin::placeHint({globalPos.x(), globalPos.y() + 20, size.width(), size.height()},
                        {desktop.x(), desktop.y(), desktop.width(), desktop.height()});
    setGeometry(placed.x, placed.y, placed.width, placed.height);
    const long long since = sinceLast_.isValid() ? sinceLast_.elapsed() : 1000000;
    sinceLast_.start();
    const bool animates = QApplication::isEffectEnabled(Qt::UI_FadeTooltip) ||
                          QApplication::isEffectEnabled(Qt::UI_AnimateTooltip);
    fade_->stop();
    if (skin::hintAnimation(since, int(text.size()), animates) == skin::HintAnimation::Fade) {
        setWindowOpacity(0.0);
        show();
        fade_->start();
    } else {
        setWindowOpacity(1.0);
        show();
    }
    raise();
    hideTimer_->start();
}

void THintWindowEx::hideHint() {
    fade_->stop();
    hideTimer_->stop();
    owner_ = nullptr;
    hide();
}

bool THintWindowEx::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::ToolTip: {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || w == this) break;
        auto* help = static_cast<QHelpEvent*>(e);
        // The nearest hint up the parents, as the standard tooltip finds it.
        QWidget* owner = w;
        while (owner && owner->toolTip().isEmpty() && !owner->isWindow())
            owner = owner->parentWidget();
        const QString text = owner ? owner->toolTip() : QString();
        if (text.isEmpty()) {
            hideHint();
            return false;
        }
        const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        showHint(text, help->globalPos(), screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080));
        owner_ = owner;
        return true;
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        if (owner_ && watched == owner_) hideHint();
        break;
    default:
        break;
    }
    return QLabel::eventFilter(watched, e);
}

void THintWindowEx::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xFF, 0xFF, 0xE8));
    p.setPen(QColor(0x8F, 0x8F, 0x8F));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.end();
    QLabel::paintEvent(e);
}

} // namespace vantor::ui
