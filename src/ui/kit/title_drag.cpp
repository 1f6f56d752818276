#include "ui/kit/title_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace vantor::ui {

bool TitleDrag::handle(QWidget& window, QEvent* event, const std::function<void()>& toggleMaximised) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        if (window.windowHandle() && window.windowHandle()->startSystemMove()) return true;
        offset_ = e->globalPosition().toPoint() - window.frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (!offset_) return false;
        window.move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - *offset_);
        return true;
    case QEvent::MouseButtonRelease:
        offset_.reset();
        return false;
    case QEvent::MouseButtonDblClick:
        toggleMaximised();
        return true;
    default:
        return false;
    }
}

} // namespace vantor::ui
