#include "ui/kit/palette.h"

#include "ui/kit/fonts.h"

#include <QLinearGradient>

namespace vantor::ui {

void drawBadge(QPainter& p, const QPoint& at, int offset, const QString& text) {
    p.save();
    QFont f = textFont(10);
    f.setBold(true);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int w = std::max(14, fm.horizontalAdvance(text) + 6);
    const QRect r(at.x() + offset, at.y(), w, 14);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::kBadge);
    p.drawRoundedRect(r, 7, 7);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void paintTopBar(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, colour::kTopBarLight);
    g.setColorAt(1, colour::kTopBar);
    p.fillRect(r, g);
}

} // namespace vantor::ui
