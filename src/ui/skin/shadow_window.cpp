#include "ui/skin/shadow_window.h"

#include <QEvent>
#include <QPainter>
#include <QRegion>

namespace vantor::ui {

TFormShadow::TFormShadow(bool compositing)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      follower_(*this, compositing) {
    setObjectName(QStringLiteral("TFormShadow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // The users' colour and offset.
    follower_.setColour(0x525252);
    follower_.setOffset(0);
}

TFormShadow::~TFormShadow() {
    if (form_) form_->removeEventFilter(this);
}

void TFormShadow::setForm(QWidget* window) {
    if (form_) form_->removeEventFilter(this);
    form_ = window;
    if (!form_) return;
    form_->installEventFilter(this);
    follower_.refresh();
    reapply();
}

void TFormShadow::setVisibleShadow(bool visible) {
    if (follower_.setVisible(visible)) reapply();
}

void TFormShadow::setOffset(int offset) {
    if (follower_.setOffset(offset)) reapply();
}

void TFormShadow::setColour(uint32_t bgr) {
    follower_.setColour(bgr);
}

void TFormShadow::refresh() {
    follower_.refresh();
    reapply();
}

skin::FollowedWindow TFormShadow::followedState() const {
    skin::FollowedWindow w;
    if (!form_) return w;
    const QRect g = form_->geometry();
    w.left = g.left();
    w.top = g.top();
    w.width = g.width();
    w.height = g.height();
    w.minimised = form_->isMinimized();
    w.maximised = form_->isMaximized() || form_->isFullScreen();
    w.shown = form_->isVisible();
    w.opacity = int(form_->windowOpacity() * 255 + 0.5);
    const QRegion mask = form_->mask();
    for (const QRect& r : mask)
        w.region.push_back({r.x(), r.y(), r.width(), r.height()});
    return w;
}

void TFormShadow::reapply() {
    // What a frame-changed SetWindowPos does: both position messages.
    if (!form_) return;
    const skin::FollowedWindow w = followedState();
    follower_.positionChanging(w);
    follower_.positionChanged(w);
}

void TFormShadow::place(int x, int y, int width, int height) {
    setGeometry(x, y, width, height);
}

void TFormShadow::push(const skin::ShadowPicture& picture, int constantAlpha) {
    image_ = QImage(picture.width(), picture.height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        std::copy_n(picture.pixels().data() + size_t(y) * size_t(picture.width()), picture.width(),
                    reinterpret_cast<uint32_t*>(image_.scanLine(y)));
    setWindowOpacity(constantAlpha / 255.0);
    update();
}

void TFormShadow::showShadow() {
    if (isVisible()) return;
    show();
    // Directly behind the followed window: the followed window comes back above it.
    if (form_) form_->raise();
}

void TFormShadow::hideShadow() {
    hide();
}

void TFormShadow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image_);
}

bool TFormShadow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == form_) {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::WindowStateChange:
            // After the window's own handler (which sets its region on a resize), as the position
            // messages come after the change; several changes in one turn make one update.
            if (!pending_) {
                pending_ = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        pending_ = false;
                        reapply();
                    },
                    Qt::QueuedConnection);
            }
            break;
        case QEvent::Hide:
            hideShadow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace vantor::ui
