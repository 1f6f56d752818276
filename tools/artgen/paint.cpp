#include "paint.h"

#include <QRadialGradient>
#include <QtMath>

namespace artgen {

namespace {

constexpr QPointF kLeftEye{8.3, 10.2};
constexpr QPointF kRightEye{15.7, 10.2};

void eachEye(QPointF shift, const auto& draw) {
    draw(kLeftEye + shift, false);
    draw(kRightEye + shift, true);
}

} // namespace

QPainterPath heartPath(QPointF c, qreal s) {
    // A heart of width s centred on c.
    const qreal h = s * 0.5;
    QPainterPath path;
    path.moveTo(c.x(), c.y() + h * 0.95);
    path.cubicTo(c.x() - h * 1.25, c.y() + h * 0.1, c.x() - h * 0.95, c.y() - h * 1.05, c.x(),
                 c.y() - h * 0.4);
    path.cubicTo(c.x() + h * 0.95, c.y() - h * 1.05, c.x() + h * 1.25, c.y() + h * 0.1, c.x(),
                 c.y() + h * 0.95);
    return path;
}

QLinearGradient vertical(qreal top, qreal bottom, QColor a, QColor b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

QImage canvas(int width, int height) {
    QImage image(width * kSuper, height * kSuper, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter& p, QImage& image) {
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kSuper, kSuper);
}

QImage shrink(const QImage& image, int width, int height) {
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPen line(const QColor& colour, qreal width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void shape(QPainter& p, const QPainterPath& path, const QBrush& fill, const QColor& edge, qreal width) {
    p.setBrush(fill);
    p.setPen(width > 0 ? line(edge, width) : QPen(Qt::NoPen));
    p.drawPath(path);
}

void disc(QPainter& p, QPointF c, qreal rx, qreal ry, const QBrush& fill, const QColor& edge, qreal width) {
    QPainterPath path;
    path.addEllipse(c, rx, ry);
    shape(p, path, fill, edge, width);
}

void head(QPainter& p, QColor light, QColor dark, QPointF c, qreal r) {
    QRadialGradient g(c + QPointF(-r * 0.35, -r * 0.45), r * 1.45);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    disc(p, c, r, r, g, ink::outline, 1.0);
}

void eyes(QPainter& p, Eyes kind, QPointF shift) {
    p.setBrush(Qt::NoBrush);
    const QPen stroke = line(ink::feature, 1.25);
    switch (kind) {
    case Eyes::Normal:
    case Eyes::Left:
    case Eyes::Right:
        eachEye(shift, [&](QPointF e, bool) {
            const qreal look = kind == Eyes::Left ? -0.7 : kind == Eyes::Right ? 0.7 : 0;
            disc(p, e + QPointF(look, 0), 1.2, 1.75, ink::feature, ink::feature, 0);
            disc(p, e + QPointF(look - 0.35, -0.65), 0.45, 0.45, ink::white, ink::white, 0);
        });
        break;
    case Eyes::Happy:
        p.setPen(stroke);
        eachEye(shift, [&](QPointF e, bool) {
            QPainterPath path;
            path.moveTo(e + QPointF(-1.7, 0.9));
            path.quadTo(e + QPointF(0, -2.0), e + QPointF(1.7, 0.9));
            p.drawPath(path);
        });
        break;
    case Eyes::Closed:
        p.setPen(stroke);
        eachEye(shift, [&](QPointF e, bool) {
            QPainterPath path;
            path.moveTo(e + QPointF(-1.8, -0.2));
            path.quadTo(e + QPointF(0, 1.8), e + QPointF(1.8, -0.2));
            p.drawPath(path);
        });
        break;
    case Eyes::Wink:
        disc(p, kLeftEye + shift, 1.2, 1.75, ink::feature, ink::feature, 0);
        disc(p, kLeftEye + shift + QPointF(-0.35, -0.65), 0.45, 0.45, ink::white, ink::white, 0);
        p.setPen(stroke);
        {
            QPainterPath path;
            const QPointF e = kRightEye + shift;
            path.moveTo(e + QPointF(-1.7, 0.9));
            path.quadTo(e + QPointF(0, -2.0), e + QPointF(1.7, 0.9));
            p.drawPath(path);
        }
        break;
    case Eyes::Hearts:
        eachEye(shift, [&](QPointF e, bool) { heart(p, e + QPointF(0, 0.2), 4.4, ink::red, ink::redLine); });
        break;
    case Eyes::Spirals:
        eachEye(shift, [&](QPointF e, bool) {
            disc(p, e, 2.2, 2.2, Qt::NoBrush, ink::feature, 0.6);
            disc(p, e, 1.0, 1.0, Qt::NoBrush, ink::feature, 0.55);
            disc(p, e + QPointF(0.3, -0.2), 0.3, 0.3, ink::feature, ink::feature, 0);
        });
        break;
    case Eyes::Squeeze:
        p.setPen(stroke);
        eachEye(shift, [&](QPointF e, bool right) {
            const qreal d = right ? -1 : 1;
            p.drawPolyline(QPolygonF(
                {e + QPointF(-1.4 * d, -1.4), e + QPointF(1.3 * d, 0), e + QPointF(-1.4 * d, 1.4)}));
        });
        break;
    case Eyes::Wide:
    case Eyes::Roll:
        eachEye(shift, [&](QPointF e, bool) {
            disc(p, e, 2.3, 2.5, ink::white, ink::feature, 0.8);
            const QPointF pupil = kind == Eyes::Roll ? QPointF(0, -1.3) : QPointF(0, 0);
            disc(p, e + pupil, 0.85, 0.85, ink::feature, ink::feature, 0);
        });
        break;
    case Eyes::HalfLid:
        eachEye(shift, [&](QPointF e, bool) {
            QPainterPath path;
            path.moveTo(e + QPointF(-1.5, 0));
            path.quadTo(e + QPointF(0, 2.6), e + QPointF(1.5, 0));
            path.closeSubpath();
            shape(p, path, ink::feature, ink::feature, 0.4);
            p.setPen(line(ink::feature, 1.0));
            p.drawLine(e + QPointF(-2.0, -0.1), e + QPointF(2.0, -0.1));
        });
        break;
    case Eyes::Sparkle:
    case Eyes::Tearful:
        eachEye(shift, [&](QPointF e, bool) {
            disc(p, e, 1.75, 2.2, ink::feature, ink::feature, 0);
            disc(p, e + QPointF(-0.55, -0.8), 0.7, 0.7, ink::white, ink::white, 0);
            disc(p, e + QPointF(0.6, 0.85), 0.35, 0.35, ink::white, ink::white, 0);
            if (kind == Eyes::Tearful) {
                QPainterPath well;
                well.moveTo(e + QPointF(-1.9, 1.3));
                well.quadTo(e + QPointF(0, 2.9), e + QPointF(1.9, 1.3));
                p.setBrush(Qt::NoBrush);
                p.setPen(line(ink::water, 0.9));
                p.drawPath(well);
            }
        });
        break;
    case Eyes::Crosses:
        p.setPen(stroke);
        eachEye(shift, [&](QPointF e, bool) {
            p.drawLine(e + QPointF(-1.3, -1.3), e + QPointF(1.3, 1.3));
            p.drawLine(e + QPointF(-1.3, 1.3), e + QPointF(1.3, -1.3));
        });
        break;
    case Eyes::Dots:
        eachEye(shift, [&](QPointF e, bool) { disc(p, e, 0.8, 0.8, ink::feature, ink::feature, 0); });
        break;
    case Eyes::Shades: {
        QPainterPath glasses;
        for (QPointF e : {kLeftEye + shift, kRightEye + shift}) {
            QPainterPath lens;
            lens.moveTo(e + QPointF(-3.0, -1.8));
            lens.lineTo(e + QPointF(3.0, -1.8));
            lens.quadTo(e + QPointF(2.8, 2.2), e + QPointF(0, 2.0));
            lens.quadTo(e + QPointF(-2.8, 2.2), e + QPointF(-3.0, -1.8));
            glasses.addPath(lens);
        }
        shape(p, glasses, QColor(30, 30, 40), QColor(20, 20, 25), 0.6);
        p.setPen(line(QColor(20, 20, 25), 0.9));
        p.drawLine(kLeftEye + shift + QPointF(2.5, -1.5), kRightEye + shift + QPointF(-2.5, -1.5));
        p.setPen(line(QColor(255, 255, 255, 170), 0.6));
        p.drawLine(kLeftEye + shift + QPointF(-1.8, -0.9), kLeftEye + shift + QPointF(-0.6, -0.9));
        p.drawLine(kRightEye + shift + QPointF(-1.8, -0.9), kRightEye + shift + QPointF(-0.6, -0.9));
        break;
    }
    case Eyes::Stars:
        eachEye(shift, [&](QPointF e, bool) { star(p, e, 2.4, QColor(255, 240, 90), QColor(210, 120, 0)); });
        break;
    }
}

void brows(QPainter& p, Brows kind, QPointF shift) {
    p.setPen(line(ink::feature, 1.05));
    const QPointF l = kLeftEye + shift, r = kRightEye + shift;
    switch (kind) {
    case Brows::Angry:
        p.drawLine(l + QPointF(-2.0, -4.0), l + QPointF(1.8, -2.4));
        p.drawLine(r + QPointF(2.0, -4.0), r + QPointF(-1.8, -2.4));
        break;
    case Brows::Sad:
        p.drawLine(l + QPointF(-2.0, -2.7), l + QPointF(1.6, -4.1));
        p.drawLine(r + QPointF(2.0, -2.7), r + QPointF(-1.6, -4.1));
        break;
    case Brows::Raised: {
        for (QPointF e : {l, r}) {
            QPainterPath path;
            path.moveTo(e + QPointF(-1.8, -3.6));
            path.quadTo(e + QPointF(0, -5.3), e + QPointF(1.8, -3.6));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
        }
        break;
    }
    case Brows::Flat:
        p.drawLine(l + QPointF(-1.8, -3.4), l + QPointF(1.8, -3.4));
        p.drawLine(r + QPointF(-1.8, -3.4), r + QPointF(1.8, -3.4));
        break;
    case Brows::Sly:
        p.drawLine(l + QPointF(-2.0, -3.0), l + QPointF(1.8, -3.8));
        p.drawLine(r + QPointF(-1.8, -4.2), r + QPointF(2.0, -2.8));
        break;
    }
}

void mouth(QPainter& p, Mouth kind, QPointF s) {
    const QPen stroke = line(ink::feature, 1.25);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    switch (kind) {
    case Mouth::Smile:
        path.moveTo(s + QPointF(7.4, 14.4));
        path.quadTo(s + QPointF(12, 19.6), s + QPointF(16.6, 14.4));
        p.setPen(stroke);
        p.drawPath(path);
        break;
    case Mouth::SmallSmile:
        path.moveTo(s + QPointF(9.6, 15.6));
        path.quadTo(s + QPointF(12, 18.0), s + QPointF(14.4, 15.6));
        p.setPen(stroke);
        p.drawPath(path);
        break;
    case Mouth::Laugh:
    case Mouth::Yawn: {
        if (kind == Mouth::Laugh) {
            path.moveTo(s + QPointF(6.8, 13.6));
            path.quadTo(s + QPointF(12, 15.0), s + QPointF(17.2, 13.6));
            path.quadTo(s + QPointF(16.6, 21.6), s + QPointF(12, 21.4));
            path.quadTo(s + QPointF(7.4, 21.6), s + QPointF(6.8, 13.6));
        } else {
            path.addEllipse(s + QPointF(12, 17.4), 3.0, 3.8);
        }
        shape(p, path, ink::mouthInside, ink::feature, 1.0);
        p.save();
        p.setClipPath(path);
        disc(p, s + QPointF(12, kind == Mouth::Laugh ? 21.8 : 21.4), 3.4, 2.4, ink::tongue, ink::tongue, 0);
        p.restore();
        break;
    }
    case Mouth::Frown:
        path.moveTo(s + QPointF(8.2, 18.4));
        path.quadTo(s + QPointF(12, 13.8), s + QPointF(15.8, 18.4));
        p.setPen(stroke);
        p.drawPath(path);
        break;
    case Mouth::Flat:
        p.setPen(stroke);
        p.drawLine(s + QPointF(9, 16.8), s + QPointF(15, 16.8));
        break;
    case Mouth::O:
        disc(p, s + QPointF(12, 16.9), 1.6, 1.9, ink::mouthInside, ink::feature, 0.9);
        break;
    case Mouth::BigO:
        disc(p, s + QPointF(12, 17.2), 2.5, 3.1, ink::mouthInside, ink::feature, 1.0);
        break;
    case Mouth::Wavy:
    case Mouth::Wobble: {
        const qreal amp = kind == Mouth::Wavy ? 0.9 : 0.7;
        path.moveTo(s + QPointF(8, 17));
        for (int i = 1; i <= 4; ++i)
            path.lineTo(s + QPointF(8 + i * 2.0, 17 + ((i % 2) ? -amp : amp)));
        p.setPen(line(ink::feature, 1.1));
        p.drawPath(path);
        break;
    }
    case Mouth::Teeth:
    case Mouth::Clench: {
        const QRectF box = kind == Mouth::Teeth ? QRectF(6.8, 13.8, 10.4, 5.2) : QRectF(7.6, 15.0, 8.8, 3.6);
        if (kind == Mouth::Teeth) {
            path.moveTo(box.topLeft());
            path.lineTo(box.topRight());
            path.quadTo(QPointF(box.right(), box.bottom() + 1.6),
                        QPointF(box.center().x(), box.bottom() + 1.2));
            path.quadTo(QPointF(box.left(), box.bottom() + 1.6), box.topLeft());
        } else {
            path.addRoundedRect(box, 1.2, 1.2);
        }
        shape(p, path, ink::white, ink::feature, 0.9);
        p.setPen(line(ink::feature, 0.55));
        p.drawLine(QPointF(box.left() + 0.4, box.center().y()), QPointF(box.right() - 0.4, box.center().y()));
        for (int i = 1; i < 4; ++i) {
            const qreal x = box.left() + box.width() * i / 4;
            p.drawLine(QPointF(x, box.top() + 0.3), QPointF(x, box.bottom() - 0.2));
        }
        break;
    }
    case Mouth::Tongue: {
        QPainterPath t;
        t.moveTo(s + QPointF(11.4, 16.6));
        t.lineTo(s + QPointF(11.4, 18.6));
        t.quadTo(s + QPointF(13.2, 21.4), s + QPointF(15.0, 18.6));
        t.lineTo(s + QPointF(15.0, 16.2));
        t.closeSubpath();
        shape(p, t, ink::tongue, QColor(190, 60, 70), 0.7);
        path.moveTo(s + QPointF(7.6, 14.6));
        path.quadTo(s + QPointF(12, 18.8), s + QPointF(16.4, 14.6));
        p.setBrush(Qt::NoBrush);
        p.setPen(stroke);
        p.drawPath(path);
        break;
    }
    case Mouth::Smirk:
        path.moveTo(s + QPointF(8.8, 16.8));
        path.quadTo(s + QPointF(13.4, 17.8), s + QPointF(16.2, 14.4));
        p.setPen(stroke);
        p.drawPath(path);
        break;
    case Mouth::Pout:
        path.moveTo(s + QPointF(8.4, 18.2));
        path.quadTo(s + QPointF(10.4, 15.4), s + QPointF(12.6, 16.6));
        path.quadTo(s + QPointF(14.6, 17.6), s + QPointF(15.8, 16.2));
        p.setPen(stroke);
        p.drawPath(path);
        break;
    case Mouth::Kiss: {
        QPainterPath lips;
        lips.addEllipse(s + QPointF(13.0, 15.9), 1.5, 1.2);
        lips.addEllipse(s + QPointF(13.0, 18.0), 1.5, 1.2);
        shape(p, lips.simplified(), QColor(235, 70, 90), QColor(160, 30, 50), 0.7);
        break;
    }
    case Mouth::Zip:
        p.setPen(line(ink::feature, 1.1));
        p.drawLine(s + QPointF(7.8, 16.6), s + QPointF(16.2, 16.6));
        p.setPen(line(ink::feature, 0.7));
        for (int i = 0; i < 5; ++i) {
            const qreal x = 8.6 + i * 1.7;
            p.drawLine(s + QPointF(x, 15.6), s + QPointF(x, 17.6));
        }
        disc(p, s + QPointF(16.6, 16.6), 0.8, 1.2, QColor(200, 200, 210), ink::dark, 0.5);
        break;
    }
}

void drop(QPainter& p, QPointF bottom, qreal size, QColor fill, QColor edge) {
    QPainterPath path;
    const qreal r = size * 0.42;
    const QPointF c = bottom - QPointF(0, r);
    path.moveTo(c.x(), c.y() - size * 0.95);
    path.cubicTo(c.x() + r * 0.3, c.y() - size * 0.5, c.x() + r * 1.05, c.y() - r * 0.6, c.x() + r, c.y());
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 0, -180);
    path.cubicTo(c.x() - r * 1.05, c.y() - r * 0.6, c.x() - r * 0.3, c.y() - size * 0.5, c.x(),
                 c.y() - size * 0.95);
    shape(p, path, fill, edge, 0.6);
    disc(p, c + QPointF(-r * 0.35, -r * 0.15), r * 0.28, r * 0.38, QColor(255, 255, 255, 200), Qt::white, 0);
}

void blush(QPainter& p) {
    disc(p, {6.0, 14.2}, 1.9, 1.1, ink::blush, ink::blush, 0);
    disc(p, {18.0, 14.2}, 1.9, 1.1, ink::blush, ink::blush, 0);
}

void heart(QPainter& p, QPointF c, qreal size, QColor fill, QColor edge) {
    shape(p, heartPath(c, size), fill, edge, size > 6 ? 0.9 : 0.6);
}

void zee(QPainter& p, QPointF tl, qreal s, QColor colour) {
    p.setPen(line(colour, s * 0.22));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({tl, tl + QPointF(s, 0), tl + QPointF(0, s), tl + QPointF(s, s)}));
}

void questionMark(QPainter& p, QPointF top, qreal s, QColor colour) {
    QPainterPath path;
    path.moveTo(top + QPointF(-s * 0.3, s * 0.2));
    path.cubicTo(top + QPointF(-s * 0.3, -s * 0.15), top + QPointF(s * 0.35, -s * 0.15),
                 top + QPointF(s * 0.32, s * 0.25));
    path.cubicTo(top + QPointF(s * 0.3, s * 0.45), top + QPointF(0, s * 0.45), top + QPointF(0, s * 0.7));
    p.setBrush(Qt::NoBrush);
    p.setPen(line(colour, s * 0.2));
    p.drawPath(path);
    disc(p, top + QPointF(0, s * 0.98), s * 0.12, s * 0.12, colour, colour, 0);
}

void star(QPainter& p, QPointF c, qreal r, QColor fill, QColor edge) {
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const qreal a = qDegreesToRadians(-90.0 + i * 36.0);
        const qreal rr = i % 2 ? r * 0.45 : r;
        poly << c + QPointF(rr * qCos(a), rr * qSin(a));
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    shape(p, path, fill, edge, 0.5);
}

void spiral(QPainter& p, QPointF c, qreal r, QColor colour, qreal width) {
    QPainterPath path;
    path.moveTo(c);
    for (int i = 1; i <= 40; ++i) {
        const qreal t = i / 40.0;
        const qreal a = t * 3.4 * M_PI;
        path.lineTo(c + QPointF(r * t * qCos(a), r * t * qSin(a)));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(line(colour, width));
    p.drawPath(path);
}

void finger(QPainter& p, QPointF base, qreal angle, qreal length, qreal width) {
    p.save();
    p.translate(base);
    p.rotate(angle);
    QPainterPath path;
    path.addRoundedRect(QRectF(-width / 2, -length, width, length + width * 0.3), width / 2, width / 2);
    QLinearGradient g(-width / 2, 0, width / 2, 0);
    g.setColorAt(0, ink::skinLight);
    g.setColorAt(1, ink::skinDark);
    shape(p, path, g, ink::outline, 0.8);
    p.restore();
}

void palm(QPainter& p, QRectF box, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, ink::skinLight);
    g.setColorAt(1, ink::skinDark);
    shape(p, path, g, ink::outline, 0.8);
}

void fist(QPainter& p, QRectF box) {
    palm(p, box, 2.8);
    p.setPen(line(ink::outline, 0.7));
    const int rows = 3;
    for (int i = 1; i <= rows; ++i) {
        const qreal y = box.top() + box.height() * i / (rows + 1);
        p.drawLine(QPointF(box.right() - box.width() * 0.42, y), QPointF(box.right() - 0.3, y));
    }
}

void sleeve(QPainter& p, QRectF box, QColor colour) {
    QPainterPath path;
    path.addRoundedRect(box, 1.0, 1.0);
    shape(p, path, colour, colour.darker(160), 0.7);
}

} // namespace artgen
