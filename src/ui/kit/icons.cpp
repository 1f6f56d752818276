#include "ui/kit/icons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace vantor::ui {

namespace {

using PaintFn = std::function<void(QPainter&, const QRectF&)>;

// An icon painted at the size asked for, so it stays sharp at any scale.
class PaintedEngine : public QIconEngine {
  public:
    explicit PaintedEngine(PaintFn fn) : fn_(std::move(fn)) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled) p->setOpacity(0.4);
        fn_(*p, QRectF(rect));
        p->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        // Rows and buttons ask again at every repaint: each size is painted once.
        const QString key =
            QStringLiteral("%1x%2@%3/%4").arg(size.width()).arg(size.height()).arg(scale).arg(int(mode));
        if (const auto it = cache_.constFind(key); it != cache_.cend()) return *it;
        // `size` is in device pixels; the painting is in the picture's own pixels.
        QPixmap pm(size);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size / scale), mode, state);
        p.end();
        if (cache_.size() < 16) cache_.insert(key, pm);
        return pm;
    }
    QIconEngine* clone() const override { return new PaintedEngine(fn_); }

  private:
    PaintFn fn_;
    QHash<QString, QPixmap> cache_;
};

QIcon painted(PaintFn fn) {
    return QIcon(new PaintedEngine(std::move(fn)));
}

QRectF inset(const QRectF& r, qreal f) {
    return r.adjusted(r.width() * f, r.height() * f, -r.width() * f, -r.height() * f);
}

void disc(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(QPen(fill.darker(130), r.width() / 14));
    p.setBrush(fill);
    p.drawEllipse(inset(r, 0.08));
}

void paintStatus(QPainter& p, const QRectF& r, directory::StatusClass s) {
    using S = directory::StatusClass;
    const qreal w = r.width();
    QPen white(Qt::white, w / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (s) {
    case S::Online: {
        disc(p, r, QColor(0x3C, 0xB3, 0x4A));
        p.setPen(white);
        QPainterPath tick;
        tick.moveTo(r.left() + w * 0.30, r.top() + w * 0.52);
        tick.lineTo(r.left() + w * 0.45, r.top() + w * 0.66);
        tick.lineTo(r.left() + w * 0.70, r.top() + w * 0.36);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case S::Busy:
        disc(p, r, QColor(0xE0, 0x4B, 0x3A));
        p.setPen(white);
        p.drawLine(QPointF(r.left() + w * 0.3, r.center().y()), QPointF(r.right() - w * 0.3, r.center().y()));
        break;
    case S::Away:
        disc(p, r, QColor(0xF2, 0xA9, 0x1E));
        p.setPen(white);
        p.drawLine(r.center(), QPointF(r.center().x(), r.top() + w * 0.28));
        p.drawLine(r.center(), QPointF(r.left() + w * 0.68, r.top() + w * 0.62));
        break;
    case S::DoNotDisturb:
        disc(p, r, QColor(0xB0, 0x22, 0x22));
        p.setPen(white);
        p.drawLine(QPointF(r.left() + w * 0.33, r.top() + w * 0.33),
                   QPointF(r.right() - w * 0.33, r.bottom() - w * 0.33));
        p.drawLine(QPointF(r.right() - w * 0.33, r.top() + w * 0.33),
                   QPointF(r.left() + w * 0.33, r.bottom() - w * 0.33));
        break;
    case S::Offline:
        p.setPen(QPen(QColor(0x9A, 0x9A, 0x9A), w / 8));
        p.setBrush(QColor(0xF0, 0xF0, 0xF0));
        p.drawEllipse(inset(r, 0.14));
        break;
    case S::Mobile: {
        const QRectF body(r.left() + w * 0.3, r.top() + w * 0.1, w * 0.4, w * 0.8);
        p.setPen(QPen(QColor(0x2A, 0x8C, 0x3A), w / 14));
        p.setBrush(QColor(0x3C, 0xB3, 0x4A));
        p.drawRoundedRect(body, w * 0.08, w * 0.08);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(body.left() + w * 0.06, body.top() + w * 0.1, body.width() - w * 0.12,
                          body.height() * 0.55));
        break;
    }
    }
}

// A head and shoulders in a colour, with a small status disc at the bottom right.
void paintPerson(QPainter& p, const QRectF& r, const QColor& c, bool hollow) {
    const qreal w = r.width();
    p.setPen(hollow ? QPen(c, w / 12) : QPen(c.darker(140), w / 24));
    p.setBrush(hollow ? QBrush(Qt::NoBrush) : QBrush(c));
    p.drawEllipse(QRectF(r.left() + w * 0.3, r.top() + w * 0.06, w * 0.4, w * 0.4));
    QPainterPath body;
    body.moveTo(r.left() + w * 0.1, r.bottom() - w * 0.04);
    body.cubicTo(r.left() + w * 0.1, r.top() + w * 0.5, r.right() - w * 0.1, r.top() + w * 0.5,
                 r.right() - w * 0.1, r.bottom() - w * 0.04);
    body.closeSubpath();
    p.drawPath(body);
}

void paintGlyph(QPainter& p, const QRectF& r0, Glyph g, bool light) {
    const QRectF r = inset(r0, 0.12);
    const qreal w = r.width();
    const QColor ink = light ? QColor(Qt::white) : QColor(0x4A, 0x5A, 0x6A);
    const QColor accent = light ? QColor(Qt::white) : QColor(0x2F, 0x6F, 0xB3);
    QPen pen(ink, std::max<qreal>(1.0, w / 10), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (g) {
    case Glyph::Close:
        p.drawLine(r.topLeft() + QPointF(w * 0.2, w * 0.2), r.bottomRight() - QPointF(w * 0.2, w * 0.2));
        p.drawLine(r.topRight() + QPointF(-w * 0.2, w * 0.2), r.bottomLeft() + QPointF(w * 0.2, -w * 0.2));
        break;
    case Glyph::Minimise:
        p.drawLine(QPointF(r.left() + w * 0.2, r.center().y() + w * 0.15),
                   QPointF(r.right() - w * 0.2, r.center().y() + w * 0.15));
        break;
    case Glyph::Menu:
        for (int i = 0; i < 3; ++i) {
            const qreal y = r.top() + w * (0.25 + 0.25 * i);
            p.drawLine(QPointF(r.left() + w * 0.15, y), QPointF(r.right() - w * 0.15, y));
        }
        break;
    case Glyph::Search:
        p.drawEllipse(QRectF(r.left() + w * 0.1, r.top() + w * 0.1, w * 0.55, w * 0.55));
        p.drawLine(QPointF(r.left() + w * 0.58, r.top() + w * 0.58),
                   QPointF(r.right() - w * 0.08, r.bottom() - w * 0.08));
        break;
    case Glyph::TabTree: {
        p.setBrush(accent);
        const qreal b = w * 0.3;
        p.drawRect(QRectF(r.center().x() - b / 2, r.top(), b, b));
        p.drawRect(QRectF(r.left(), r.bottom() - b, b, b));
        p.drawRect(QRectF(r.right() - b, r.bottom() - b, b, b));
        p.drawLine(QPointF(r.center().x(), r.top() + b), QPointF(r.center().x(), r.center().y()));
        p.drawLine(QPointF(r.left() + b / 2, r.center().y()), QPointF(r.right() - b / 2, r.center().y()));
        p.drawLine(QPointF(r.left() + b / 2, r.center().y()), QPointF(r.left() + b / 2, r.bottom() - b));
        p.drawLine(QPointF(r.right() - b / 2, r.center().y()), QPointF(r.right() - b / 2, r.bottom() - b));
        break;
    }
    case Glyph::TabContacts:
        paintPerson(p, r, accent, false);
        break;
    case Glyph::TabRecent:
        p.drawEllipse(r);
        p.drawLine(r.center(), QPointF(r.center().x(), r.top() + w * 0.2));
        p.drawLine(r.center(), QPointF(r.right() - w * 0.25, r.center().y()));
        break;
    case Glyph::TabGroups:
        paintPerson(p, QRectF(r.left(), r.top() + w * 0.15, w * 0.7, w * 0.85), accent.lighter(130), false);
        paintPerson(p, QRectF(r.left() + w * 0.3, r.top(), w * 0.7, w), accent, false);
        break;
    case Glyph::Notice: {
        QPainterPath bell;
        bell.moveTo(r.left() + w * 0.15, r.bottom() - w * 0.2);
        bell.cubicTo(r.left() + w * 0.25, r.top() + w * 0.5, r.left() + w * 0.2, r.top() + w * 0.1,
                     r.center().x(), r.top() + w * 0.1);
        bell.cubicTo(r.right() - w * 0.2, r.top() + w * 0.1, r.right() - w * 0.25, r.top() + w * 0.5,
                     r.right() - w * 0.15, r.bottom() - w * 0.2);
        bell.closeSubpath();
        p.setBrush(QColor(0xF2, 0xB0, 0x1E));
        p.drawPath(bell);
        p.drawEllipse(QRectF(r.center().x() - w * 0.08, r.bottom() - w * 0.18, w * 0.16, w * 0.16));
        break;
    }
    case Glyph::Message:
    case Glyph::MessageCentre: {
        const QRectF env(r.left(), r.top() + w * 0.18, w, w * 0.64);
        p.setBrush(g == Glyph::Message ? QColor(0xFF, 0xD8, 0x4A) : QColor(Qt::white));
        p.drawRect(env);
        p.drawLine(env.topLeft(), QPointF(env.center().x(), env.center().y()));
        p.drawLine(env.topRight(), QPointF(env.center().x(), env.center().y()));
        break;
    }
    case Glyph::NetFolder: {
        QPainterPath f;
        f.moveTo(r.left(), r.bottom() - w * 0.1);
        f.lineTo(r.left(), r.top() + w * 0.15);
        f.lineTo(r.left() + w * 0.35, r.top() + w * 0.15);
        f.lineTo(r.left() + w * 0.45, r.top() + w * 0.28);
        f.lineTo(r.right(), r.top() + w * 0.28);
        f.lineTo(r.right(), r.bottom() - w * 0.1);
        f.closeSubpath();
        p.setBrush(QColor(0xF5, 0xC8, 0x52));
        p.drawPath(f);
        break;
    }
    case Glyph::AddUser:
        paintPerson(p, QRectF(r.left(), r.top(), w * 0.75, w * 0.9), accent, false);
        p.setPen(QPen(QColor(0x3C, 0xB3, 0x4A), w / 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.right() - w * 0.2, r.top() + w * 0.45),
                   QPointF(r.right() - w * 0.2, r.top() + w * 0.85));
        p.drawLine(QPointF(r.right() - w * 0.4, r.top() + w * 0.65), QPointF(r.right(), r.top() + w * 0.65));
        break;
    case Glyph::Link:
        p.drawEllipse(r);
        p.drawEllipse(QRectF(r.center().x() - w * 0.22, r.top(), w * 0.44, w));
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        break;
    case Glyph::History:
        p.drawRect(QRectF(r.left() + w * 0.1, r.top(), w * 0.8, w));
        for (int i = 0; i < 3; ++i) {
            const qreal y = r.top() + w * (0.28 + 0.22 * i);
            p.drawLine(QPointF(r.left() + w * 0.28, y), QPointF(r.right() - w * 0.28, y));
        }
        break;
    case Glyph::Skin:
        p.setBrush(QColor(0xE0, 0x6A, 0x9A));
        p.drawEllipse(QRectF(r.left(), r.top(), w * 0.6, w * 0.6));
        p.setBrush(QColor(0x5A, 0x9B, 0xD8));
        p.drawEllipse(QRectF(r.right() - w * 0.6, r.top() + w * 0.2, w * 0.6, w * 0.6));
        p.setBrush(QColor(0x3C, 0xB3, 0x4A));
        p.drawEllipse(QRectF(r.left() + w * 0.2, r.bottom() - w * 0.6, w * 0.6, w * 0.6));
        break;
    case Glyph::ReLogin: {
        p.drawArc(r, 60 * 16, 300 * 16);
        const QPointF tip(r.center().x() + w * 0.25, r.top() + w * 0.07);
        p.drawLine(tip, tip + QPointF(-w * 0.2, -w * 0.05));
        p.drawLine(tip, tip + QPointF(-w * 0.05, w * 0.2));
        break;
    }
    case Glyph::Busy:
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * M_PI / 4;
            QColor c = accent;
            c.setAlphaF(0.25 + 0.75 * i / 7.0);
            p.setPen(QPen(c, w / 9, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(r.center() + QPointF(std::cos(a), std::sin(a)) * w * 0.25,
                       r.center() + QPointF(std::cos(a), std::sin(a)) * w * 0.45);
        }
        break;
    case Glyph::Logo: {
        p.setPen(Qt::NoPen);
        QLinearGradient grad(r0.topLeft(), r0.bottomRight());
        grad.setColorAt(0, QColor(0x5A, 0x9B, 0xD8));
        grad.setColorAt(1, QColor(0x2F, 0x6F, 0xB3));
        p.setBrush(grad);
        p.drawRoundedRect(inset(r0, 0.04), r0.width() * 0.22, r0.width() * 0.22);
        const qreal s = r0.width();
        QPainterPath bubble;
        const QRectF b(r0.left() + s * 0.18, r0.top() + s * 0.2, s * 0.64, s * 0.46);
        bubble.addRoundedRect(b, s * 0.12, s * 0.12);
        QPainterPath tail;
        tail.moveTo(b.left() + s * 0.14, b.bottom() - 1);
        tail.lineTo(b.left() + s * 0.1, b.bottom() + s * 0.16);
        tail.lineTo(b.left() + s * 0.3, b.bottom() - 1);
        tail.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(bubble.united(tail));
        p.setBrush(QColor(0x2F, 0x6F, 0xB3));
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(b.left() + b.width() * (0.28 + 0.22 * i), b.center().y()), s * 0.045,
                          s * 0.045);
        break;
    }
    }
}

} // namespace

QIcon statusIcon(directory::StatusClass status) {
    // One icon per class for the whole run (it keeps the sizes it was painted at). Never freed:
    // pixmaps must not outlive the application object at exit.
    static auto* icons = new QHash<int, QIcon>;
    auto it = icons->find(int(status));
    if (it == icons->end())
        it = icons->insert(int(status),
                           painted([status](QPainter& p, const QRectF& r) { paintStatus(p, r, status); }));
    return *it;
}

QIcon trayIcon(int index) {
    return painted([index](QPainter& p, const QRectF& r) {
        const qreal w = r.width();
        paintGlyph(p, r, Glyph::Logo, false);
        if (index == 1) return;
        // The status as a disc in the bottom-right quarter over the logo.
        using S = directory::StatusClass;
        const S s = index == 2 ? S::Away : index == 3 ? S::Busy : index == 5 ? S::DoNotDisturb : S::Offline;
        if (index == 0 || index == 4) {
            // Signed out, offline or invisible: the logo greyed.
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            p.fillRect(r, QColor(200, 200, 200, 200));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        if (index != 0) paintStatus(p, QRectF(r.left() + w * 0.5, r.top() + w * 0.5, w * 0.5, w * 0.5), s);
    });
}

QIcon blankTrayIcon() {
    static const auto* blank = new QIcon(painted([](QPainter&, const QRectF&) {}));
    return *blank;
}

QIcon trayPictureIcon(const QString& file) {
    const QImage img(file);
    if (img.isNull()) return glyphIcon(Glyph::Message);
    return QIcon(QPixmap::fromImage(img.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

QIcon glyphIcon(Glyph glyph, bool light) {
    return painted([glyph, light](QPainter& p, const QRectF& r) { paintGlyph(p, r, glyph, light); });
}

QImage logoImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintGlyph(p, QRectF(0, 0, size, size), Glyph::Logo, false);
    return img;
}

QPixmap fileTypePixmap(const QString& fileName, int size) {
    const QPixmap system = QFileIconProvider().icon(QFileInfo(fileName)).pixmap(size, size);
    if (!system.isNull()) return system;
    QPixmap page(size, size);
    page.fill(Qt::transparent);
    QPainter p(&page);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size * 0.72, left = (size - w) / 2, fold = size * 0.24;
    QPainterPath outline;
    outline.moveTo(left, 1);
    outline.lineTo(left + w - fold, 1);
    outline.lineTo(left + w, 1 + fold);
    outline.lineTo(left + w, size - 1);
    outline.lineTo(left, size - 1);
    outline.closeSubpath();
    p.setPen(QPen(QColor(120, 140, 165), 1));
    p.setBrush(Qt::white);
    p.drawPath(outline);
    p.setBrush(QColor(210, 222, 236));
    p.drawPolygon(QPolygonF{QPointF(left + w - fold, 1), QPointF(left + w - fold, 1 + fold),
                            QPointF(left + w, 1 + fold)});
    const QString ext = QFileInfo(fileName).suffix().left(4).toUpper();
    if (!ext.isEmpty()) {
        const QRectF band(0, size * 0.52, size, size * 0.3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(61, 143, 224));
        p.drawRect(band);
        QFont f = p.font();
        f.setPixelSize(std::max(6, int(size * 0.24)));
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(band, Qt::AlignCenter, ext);
    }
    return page;
}

} // namespace vantor::ui
