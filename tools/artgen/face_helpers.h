// Helpers shared by the face recipes of moods and scenes.
#pragma once

#include "faces.h"
#include "paint.h"

#include <QLinearGradient>

namespace artgen::recipes {

using Draw = std::function<void(QPainter&)>;

inline Recipe still(Draw d) {
    return {1, 0, [d](QPainter& p, int) { d(p); }};
}

// Draws the standard face scaled around a new centre (for smaller faces in scenes).
inline void placed(QPainter& p, QPointF centre, qreal scale, qreal angle, const Draw& d) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    p.translate(-12, -12.5);
    d(p);
    p.restore();
}

// Lays a colour over the top of the head, fading out towards the eyes.
inline void tintTop(QPainter& p, QColor colour, qreal to = 11) {
    QPainterPath clip;
    clip.addEllipse(QPointF(12, 12.5), 9.8, 9.8);
    p.save();
    p.setClipPath(clip);
    QLinearGradient g(0, 2, 0, to);
    g.setColorAt(0, colour);
    QColor clear = colour;
    clear.setAlpha(0);
    g.setColorAt(1, clear);
    p.fillRect(QRectF(0, 0, 24, 24), g);
    p.restore();
}

inline void angerMark(QPainter& p, QPointF c, qreal s) {
    p.setPen(line(ink::red, s * 0.28));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45 + i * 90);
        QPainterPath path;
        path.moveTo(s * 0.25, -s * 0.55);
        path.quadTo(s * 0.25, -s * 0.25, s * 0.55, -s * 0.25);
        p.drawPath(path);
        p.restore();
    }
}

inline void puff(QPainter& p, QPointF c, qreal s) {
    QPainterPath cloud;
    cloud.addEllipse(c, s, s * 0.8);
    cloud.addEllipse(c + QPointF(s * 0.8, -s * 0.3), s * 0.7, s * 0.6);
    cloud.addEllipse(c + QPointF(-s * 0.7, -s * 0.35), s * 0.6, s * 0.5);
    shape(p, cloud.simplified(), QColor(240, 244, 250), QColor(140, 150, 170), 0.6);
}

inline void stream(QPainter& p, QPointF from, QPointF to) {
    p.setPen(line(ink::water, 1.6));
    p.drawLine(from, to);
}

inline void plainFace(QPainter& p, Eyes e, Mouth m) {
    head(p);
    eyes(p, e);
    mouth(p, m);
}

inline void yinYang(QPainter& p, qreal angle) {
    p.save();
    p.translate(12, 12);
    p.rotate(angle);
    const qreal r = 10;
    const QColor dark(45, 55, 95), light(250, 250, 245);
    disc(p, {0, 0}, r, r, light, dark, 1.0);
    // The dark half: the left half of the disc, with the lower small disc added and the upper one
    // taken away.
    QPainterPath disk, leftHalf, upper, lower;
    disk.addEllipse(QPointF(0, 0), r, r);
    leftHalf.addRect(QRectF(-r - 1, -r - 1, r + 1, 2 * r + 2));
    upper.addEllipse(QPointF(0, -r / 2), r / 2, r / 2);
    lower.addEllipse(QPointF(0, r / 2), r / 2, r / 2);
    const QPainterPath half = disk.intersected(leftHalf).united(lower).subtracted(upper);
    shape(p, half, dark, dark, 0);
    disc(p, {0, -r / 2}, 1.6, 1.6, dark, dark, 0);
    disc(p, {0, r / 2}, 1.6, 1.6, light, light, 0);
    disc(p, {0, 0}, r, r, Qt::NoBrush, dark, 1.0);
    p.restore();
}
} // namespace artgen::recipes
