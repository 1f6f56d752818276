// Faces 55-77: objects, food, hearts and weather, drawn as simple icons.
#include "face_helpers.h"

#include <QtMath>

namespace artgen {

using namespace recipes;

namespace {

void rose(QPainter& p, bool wilted) {
    const QColor petal = wilted ? QColor(150, 80, 70) : QColor(225, 30, 60);
    const QColor edge = wilted ? QColor(90, 45, 35) : QColor(140, 10, 30);
    const QColor stem = wilted ? QColor(130, 120, 60) : ink::green;
    p.setBrush(Qt::NoBrush);
    p.setPen(line(stem.darker(130), 1.4));
    QPainterPath s;
    if (wilted) {
        s.moveTo(8.0, 23.0);
        s.quadTo(10.0, 8.0, 16.0, 6.0);
        s.quadTo(19.0, 6.0, 19.0, 10.0);
    } else {
        s.moveTo(12.0, 23.0);
        s.quadTo(11.0, 16.0, 12.0, 10.0);
    }
    p.drawPath(s);
    QPainterPath leaf;
    const QPointF at = wilted ? QPointF(9.4, 15.0) : QPointF(11.6, 17.0);
    leaf.moveTo(at);
    leaf.quadTo(at + QPointF(wilted ? -5.0 : 5.0, -3.6),
                at + QPointF(wilted ? -6.0 : 6.4, wilted ? 2.0 : -1.0));
    leaf.quadTo(at + QPointF(wilted ? -2.6 : 3.0, wilted ? 2.6 : 1.4), at);
    shape(p, leaf, stem, stem.darker(140), 0.6);
    const QPointF bloom = wilted ? QPointF(19.0, 13.0) : QPointF(12.0, 7.0);
    p.save();
    p.translate(bloom);
    if (wilted) p.rotate(160);
    QPainterPath cup;
    cup.moveTo(-5.0, -3.0);
    cup.quadTo(-5.0, 4.6, 0, 4.6);
    cup.quadTo(5.0, 4.6, 5.0, -3.0);
    cup.quadTo(2.5, -1.0, 0, -4.4);
    cup.quadTo(-2.5, -1.0, -5.0, -3.0);
    shape(p, cup, petal, edge, 0.8);
    p.setPen(line(edge, 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-2.6, -2.4, 5.2, 4.4), 200 * 16, 220 * 16);
    p.drawArc(QRectF(-1.2, -1.4, 2.4, 2.2), 0, 270 * 16);
    p.restore();
    if (wilted) {
        QPainterPath fallen;
        fallen.addEllipse(QPointF(16.0, 21.4), 1.8, 1.0);
        shape(p, fallen, petal, edge, 0.5);
    }
}

} // namespace

Recipe objectRecipe(int index) {
    switch (index) {
    case 55: // 菜刀
        return still([](QPainter& p) {
            p.save();
            p.translate(12, 12);
            p.rotate(-35);
            QPainterPath blade;
            blade.addRoundedRect(QRectF(-7.0, -5.0, 11.0, 9.0), 1.2, 1.2);
            blade.addEllipse(QPointF(-4.6, -2.6), 1.0, 1.0);
            blade.setFillRule(Qt::OddEvenFill);
            QLinearGradient g(0, -5, 0, 4);
            g.setColorAt(0, QColor(230, 235, 242));
            g.setColorAt(1, QColor(150, 158, 170));
            shape(p, blade, g, QColor(70, 75, 85), 0.8);
            QPainterPath handle;
            handle.addRoundedRect(QRectF(3.6, -3.4, 8.0, 3.2), 1.4, 1.4);
            shape(p, handle, QColor(150, 90, 40), QColor(90, 50, 20), 0.7);
            p.restore();
        });
    case 56: // 西瓜
        return still([](QPainter& p) {
            QPainterPath rind;
            rind.moveTo(1.0, 8.0);
            rind.arcTo(QRectF(1.0, -3.0, 22.0, 22.0), 180, 180);
            rind.closeSubpath();
            shape(p, rind, QColor(60, 150, 50), QColor(30, 90, 25), 0.9);
            QPainterPath white;
            white.moveTo(2.6, 8.0);
            white.arcTo(QRectF(2.6, -1.4, 18.8, 18.8), 180, 180);
            white.closeSubpath();
            shape(p, white, QColor(235, 245, 215), QColor(235, 245, 215), 0);
            QPainterPath flesh;
            flesh.moveTo(3.8, 8.0);
            flesh.arcTo(QRectF(3.8, -0.2, 16.4, 16.4), 180, 180);
            flesh.closeSubpath();
            shape(p, flesh, QColor(240, 60, 60), QColor(240, 60, 60), 0);
            for (QPointF s : {QPointF(8.0, 10.6), QPointF(12.0, 12.6), QPointF(16.0, 10.6),
                              QPointF(10.0, 9.0), QPointF(14.0, 9.0)})
                disc(p, s, 0.55, 0.85, QColor(40, 30, 30), QColor(40, 30, 30), 0);
        });
    case 57: // 啤酒
        return still([](QPainter& p) {
            p.setBrush(Qt::NoBrush);
            p.setPen(line(QColor(150, 100, 20), 1.6));
            p.drawRoundedRect(QRectF(15.0, 9.0, 5.6, 8.0), 2.4, 2.4);
            QPainterPath mug;
            mug.addRoundedRect(QRectF(4.6, 6.0, 11.4, 16.0), 1.6, 1.6);
            shape(p, mug, vertical(6, 22, QColor(255, 210, 70), QColor(235, 150, 20)), QColor(150, 100, 20),
                  0.9);
            QPainterPath foam;
            foam.addEllipse(QPointF(6.6, 6.2), 2.6, 2.4);
            foam.addEllipse(QPointF(10.4, 4.8), 3.0, 2.8);
            foam.addEllipse(QPointF(14.2, 6.0), 2.6, 2.4);
            foam.addRect(QRectF(4.6, 6.0, 11.4, 2.6));
            shape(p, foam.simplified(), QColor(255, 255, 250), QColor(190, 180, 160), 0.7);
            p.setPen(line(QColor(255, 240, 190), 0.9));
            p.drawLine(QPointF(7.4, 11.0), QPointF(7.4, 19.4));
        });
    case 58: // 篮球
        return still([](QPainter& p) {
            disc(p, {12, 12}, 10.2, 10.2, vertical(2, 22, QColor(250, 150, 60), QColor(210, 90, 20)),
                 QColor(90, 40, 10), 1.0);
            p.setBrush(Qt::NoBrush);
            p.setPen(line(QColor(90, 40, 10), 0.8));
            p.drawLine(QPointF(12, 1.8), QPointF(12, 22.2));
            p.drawLine(QPointF(1.8, 12), QPointF(22.2, 12));
            p.drawArc(QRectF(-5.0, 3.0, 11.0, 18.0), -70 * 16, 140 * 16);
            p.drawArc(QRectF(18.0, 3.0, 11.0, 18.0), 110 * 16, 140 * 16);
        });
    case 59: // 乒乓
        return still([](QPainter& p) {
            p.save();
            p.translate(10.4, 10.0);
            p.rotate(35);
            QPainterPath handle;
            handle.addRoundedRect(QRectF(-1.7, 5.6, 3.4, 8.0), 1.2, 1.2);
            shape(p, handle, QColor(200, 140, 80), QColor(110, 70, 30), 0.7);
            disc(p, {0, 0}, 7.0, 7.6, vertical(-7, 7, QColor(240, 70, 60), QColor(190, 30, 30)), ink::redLine,
                 0.9);
            p.restore();
            disc(p, {19.8, 4.6}, 2.8, 2.8, QColor(255, 252, 245), QColor(170, 140, 100), 0.7);
        });
    case 60: // 咖啡
        return still([](QPainter& p) {
            p.setBrush(Qt::NoBrush);
            p.setPen(line(QColor(170, 170, 180), 0.8));
            for (qreal x : {8.4, 12.0}) {
                QPainterPath steam;
                steam.moveTo(x, 8.0);
                steam.cubicTo(x - 1.6, 6.4, x + 1.6, 4.4, x, 2.0);
                p.drawPath(steam);
            }
            disc(p, {11.2, 20.8}, 10.0, 2.2, QColor(240, 240, 245), QColor(120, 120, 135), 0.8);
            p.setPen(line(QColor(120, 120, 135), 1.4));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(16.2, 11.2, 5.0, 5.2));
            QPainterPath cup;
            cup.moveTo(3.6, 9.6);
            cup.lineTo(18.4, 9.6);
            cup.quadTo(18.0, 19.6, 11.0, 19.8);
            cup.quadTo(4.0, 19.6, 3.6, 9.6);
            shape(p, cup, vertical(9, 20, QColor(255, 255, 255), QColor(215, 215, 225)),
                  QColor(120, 120, 135), 0.9);
            disc(p, {11.0, 10.0}, 7.0, 1.2, QColor(120, 70, 35), QColor(90, 50, 25), 0.5);
        });
    case 61: // 饭
        return still([](QPainter& p) {
            p.setPen(line(QColor(150, 90, 40), 1.0));
            p.drawLine(QPointF(13.0, 1.0), QPointF(20.0, 12.0));
            p.drawLine(QPointF(15.4, 0.6), QPointF(21.4, 11.2));
            QPainterPath rice;
            rice.addEllipse(QPointF(8.6, 11.4), 4.0, 3.4);
            rice.addEllipse(QPointF(12.0, 10.0), 4.4, 3.8);
            rice.addEllipse(QPointF(15.4, 11.4), 4.0, 3.4);
            shape(p, rice.simplified(), QColor(255, 255, 252), QColor(180, 175, 160), 0.7);
            QPainterPath bowl;
            bowl.moveTo(1.6, 12.0);
            bowl.lineTo(22.4, 12.0);
            bowl.quadTo(22.0, 21.8, 12.0, 22.0);
            bowl.quadTo(2.0, 21.8, 1.6, 12.0);
            shape(p, bowl, vertical(12, 22, QColor(110, 160, 230), QColor(40, 80, 170)), QColor(25, 50, 120),
                  0.9);
            p.setPen(line(QColor(255, 255, 255, 200), 0.8));
            p.drawLine(QPointF(4.4, 15.0), QPointF(19.6, 15.0));
        });
    case 62: // 猪头
        return still([](QPainter& p) {
            const QColor skin(255, 175, 190), edge(190, 80, 110);
            for (qreal s : {-1.0, 1.0}) {
                QPainterPath ear;
                ear.moveTo(12 + s * 4.0, 4.0);
                ear.lineTo(12 + s * 10.0, 1.0);
                ear.lineTo(12 + s * 9.0, 8.0);
                ear.closeSubpath();
                shape(p, ear, skin.darker(108), edge, 0.8);
            }
            disc(p, {12, 13}, 10.0, 9.4, vertical(3, 22, QColor(255, 205, 215), skin), edge, 1.0);
            disc(p, {12, 16.0}, 4.4, 3.2, QColor(255, 140, 165), edge, 0.8);
            disc(p, {10.4, 16.0}, 0.9, 1.2, QColor(150, 50, 80), QColor(150, 50, 80), 0);
            disc(p, {13.6, 16.0}, 0.9, 1.2, QColor(150, 50, 80), QColor(150, 50, 80), 0);
            disc(p, {7.4, 10.4}, 1.1, 1.4, ink::dark, ink::dark, 0);
            disc(p, {16.6, 10.4}, 1.1, 1.4, ink::dark, ink::dark, 0);
        });
    case 63: // 玫瑰
        return still([](QPainter& p) { rose(p, false); });
    case 64: // 凋谢
        return still([](QPainter& p) { rose(p, true); });
    case 65: // 示爱
        return still([](QPainter& p) {
            QPainterPath upper;
            upper.moveTo(1.6, 12.0);
            upper.cubicTo(5.0, 6.0, 9.0, 5.4, 12.0, 8.0);
            upper.cubicTo(15.0, 5.4, 19.0, 6.0, 22.4, 12.0);
            upper.cubicTo(16.0, 12.4, 8.0, 12.4, 1.6, 12.0);
            QPainterPath lower;
            lower.moveTo(1.6, 12.0);
            lower.cubicTo(8.0, 13.0, 16.0, 13.0, 22.4, 12.0);
            lower.cubicTo(18.0, 20.0, 6.0, 20.0, 1.6, 12.0);
            shape(p, upper, QColor(230, 40, 70), QColor(140, 10, 40), 0.9);
            shape(p, lower, QColor(210, 25, 55), QColor(140, 10, 40), 0.9);
            p.setPen(line(QColor(255, 200, 210, 220), 0.8));
            p.drawLine(QPointF(9.0, 15.4), QPointF(13.0, 15.4));
        });
    case 66: // 爱心
        return still([](QPainter& p) {
            shape(p, heartPath({12, 12.4}, 21.0), vertical(3, 22, QColor(255, 90, 110), QColor(200, 20, 40)),
                  ink::redLine, 1.0);
            disc(p, {7.6, 8.0}, 1.6, 1.2, QColor(255, 255, 255, 170), Qt::white, 0);
        });
    case 67: // 心碎
        return still([](QPainter& p) {
            const QPainterPath whole = heartPath({12, 12.4}, 21.0);
            QPainterPath crack;
            crack.moveTo(12.0, 3.0);
            crack.lineTo(10.0, 8.0);
            crack.lineTo(13.6, 11.6);
            crack.lineTo(10.4, 16.0);
            crack.lineTo(12.0, 24.0);
            QPainterPath left = crack;
            left.lineTo(-1, 24);
            left.lineTo(-1, 0);
            left.closeSubpath();
            QPainterPath right = crack;
            right.lineTo(25, 24);
            right.lineTo(25, 0);
            right.closeSubpath();
            const QBrush fill = vertical(3, 22, QColor(255, 90, 110), QColor(200, 20, 40));
            p.save();
            p.translate(-1.2, 0.4);
            p.rotate(-4);
            shape(p, whole.intersected(left), fill, ink::redLine, 0.9);
            p.restore();
            p.save();
            p.translate(1.6, -0.4);
            p.rotate(4);
            shape(p, whole.intersected(right), fill, ink::redLine, 0.9);
            p.restore();
        });
    case 68: // 蛋糕
        return still([](QPainter& p) {
            QPainterPath body;
            body.addRoundedRect(QRectF(3.0, 11.0, 18.0, 11.0), 1.6, 1.6);
            shape(p, body, vertical(11, 22, QColor(255, 235, 200), QColor(235, 195, 140)),
                  QColor(160, 110, 60), 0.9);
            QPainterPath icing;
            icing.moveTo(3.0, 11.8);
            icing.lineTo(21.0, 11.8);
            icing.lineTo(21.0, 14.4);
            for (int i = 0; i < 4; ++i) {
                const qreal x = 21.0 - i * 4.5;
                icing.quadTo(x - 2.25, 18.0, x - 4.5, 14.4);
            }
            icing.closeSubpath();
            shape(p, icing, QColor(250, 150, 190), QColor(200, 80, 130), 0.6);
            QPainterPath candle;
            candle.addRoundedRect(QRectF(10.8, 4.6, 2.4, 7.2), 0.6, 0.6);
            shape(p, candle, QColor(110, 170, 240), QColor(40, 90, 170), 0.6);
            QPainterPath flame;
            flame.moveTo(12.0, 0.6);
            flame.quadTo(14.2, 3.0, 12.0, 4.4);
            flame.quadTo(9.8, 3.0, 12.0, 0.6);
            shape(p, flame, QColor(255, 200, 40), QColor(230, 100, 20), 0.5);
            for (QPointF s : {QPointF(6.0, 19.0), QPointF(12.0, 20.0), QPointF(18.0, 19.0)})
                disc(p, s, 0.8, 0.8, ink::red, ink::red, 0);
        });
    case 69: // 闪电
        return still([](QPainter& p) {
            QPainterPath bolt;
            bolt.moveTo(14.0, 0.8);
            bolt.lineTo(4.6, 13.4);
            bolt.lineTo(11.0, 13.4);
            bolt.lineTo(8.4, 23.2);
            bolt.lineTo(19.4, 9.0);
            bolt.lineTo(12.8, 9.0);
            bolt.closeSubpath();
            shape(p, bolt, vertical(1, 23, QColor(255, 240, 90), QColor(250, 170, 20)), QColor(170, 100, 0),
                  0.9);
        });
    case 70: // 炸弹
        return still([](QPainter& p) {
            p.setBrush(Qt::NoBrush);
            p.setPen(line(QColor(150, 110, 70), 1.0));
            QPainterPath fuse;
            fuse.moveTo(15.6, 6.0);
            fuse.quadTo(17.0, 2.0, 20.0, 3.0);
            p.drawPath(fuse);
            star(p, {20.6, 2.8}, 2.6, QColor(255, 220, 60), QColor(240, 90, 20));
            QPainterPath cap;
            cap.addRoundedRect(QRectF(12.0, 5.0, 4.6, 3.4), 0.8, 0.8);
            p.save();
            p.translate(14.3, 6.7);
            p.rotate(40);
            p.translate(-14.3, -6.7);
            shape(p, cap, QColor(120, 120, 130), QColor(40, 40, 45), 0.6);
            p.restore();
            QRadialGradient g(QPointF(8.0, 11.0), 11.0);
            g.setColorAt(0, QColor(110, 110, 125));
            g.setColorAt(1, QColor(25, 25, 30));
            disc(p, {10.6, 14.4}, 8.6, 8.6, g, QColor(15, 15, 18), 0.9);
            disc(p, {7.6, 11.4}, 1.6, 1.2, QColor(255, 255, 255, 150), Qt::white, 0);
        });
    case 71: // 刀
        return still([](QPainter& p) {
            p.save();
            p.translate(12, 12);
            p.rotate(45);
            QPainterPath blade;
            blade.moveTo(0, -11.4);
            blade.lineTo(2.2, -7.0);
            blade.lineTo(2.2, 3.0);
            blade.lineTo(-2.2, 3.0);
            blade.lineTo(-2.2, -7.0);
            blade.closeSubpath();
            QLinearGradient g(-2.2, 0, 2.2, 0);
            g.setColorAt(0, QColor(240, 244, 250));
            g.setColorAt(1, QColor(150, 158, 172));
            shape(p, blade, g, QColor(70, 75, 85), 0.8);
            QPainterPath guard;
            guard.addRoundedRect(QRectF(-4.6, 3.0, 9.2, 2.0), 0.8, 0.8);
            shape(p, guard, QColor(210, 170, 60), QColor(120, 90, 20), 0.6);
            QPainterPath grip;
            grip.addRoundedRect(QRectF(-1.5, 5.0, 3.0, 6.4), 1.0, 1.0);
            shape(p, grip, QColor(120, 60, 30), QColor(70, 35, 15), 0.6);
            p.restore();
        });
    case 72: // 足球
        return still([](QPainter& p) {
            disc(p, {12, 12}, 10.2, 10.2, vertical(2, 22, QColor(255, 255, 255), QColor(215, 215, 222)),
                 QColor(40, 40, 45), 1.0);
            QPainterPath clip;
            clip.addEllipse(QPointF(12, 12), 10.0, 10.0);
            p.save();
            p.setClipPath(clip);
            auto pentagon = [&](QPointF c, qreal r, qreal rot) {
                QPolygonF poly;
                for (int i = 0; i < 5; ++i) {
                    const qreal a = qDegreesToRadians(rot + i * 72.0);
                    poly << c + QPointF(r * qSin(a), -r * qCos(a));
                }
                QPainterPath path;
                path.addPolygon(poly);
                path.closeSubpath();
                shape(p, path, QColor(40, 40, 45), QColor(40, 40, 45), 0.3);
                p.setPen(line(QColor(40, 40, 45), 0.6));
                for (const QPointF& v : poly)
                    p.drawLine(v, c + (v - c) * 1.9);
            };
            pentagon({12, 12}, 3.4, 0);
            for (int i = 0; i < 5; ++i) {
                const qreal a = qDegreesToRadians(36.0 + i * 72.0);
                pentagon(QPointF(12, 12) + QPointF(10.6 * qSin(a), -10.6 * qCos(a)), 3.2, 180);
            }
            p.restore();
            disc(p, {12, 12}, 10.2, 10.2, Qt::NoBrush, QColor(40, 40, 45), 1.0);
        });
    case 73: // 瓢虫
        return still([](QPainter& p) {
            p.setPen(line(ink::dark, 0.7));
            for (qreal s : {-1.0, 1.0}) {
                p.drawLine(QPointF(12 + s * 2, 5.0), QPointF(12 + s * 4.4, 1.4));
                for (qreal y : {10.0, 14.0, 18.0})
                    p.drawLine(QPointF(12 + s * 7, y), QPointF(12 + s * 10.6, y + 1.6));
            }
            disc(p, {12, 6.4}, 4.0, 3.2, ink::dark, ink::dark, 0);
            disc(p, {10.6, 5.6}, 0.7, 0.7, ink::white, ink::white, 0);
            disc(p, {13.4, 5.6}, 0.7, 0.7, ink::white, ink::white, 0);
            disc(p, {12, 14.4}, 8.4, 8.2, vertical(6, 22, QColor(250, 70, 50), QColor(200, 25, 20)),
                 QColor(60, 10, 10), 0.9);
            p.setPen(line(QColor(40, 10, 10), 0.8));
            p.drawLine(QPointF(12, 6.4), QPointF(12, 22.4));
            for (QPointF s : {QPointF(8.2, 11.4), QPointF(15.8, 11.4), QPointF(7.6, 16.8),
                              QPointF(16.4, 16.8), QPointF(10.2, 19.8), QPointF(13.8, 19.8)})
                disc(p, s, 1.4, 1.4, QColor(30, 20, 20), QColor(30, 20, 20), 0);
        });
    case 74: // 便便
        return still([](QPainter& p) {
            const QColor edge(80, 45, 15);
            const QBrush fill = vertical(2, 23, QColor(190, 120, 60), QColor(130, 75, 30));
            QPainterPath pile;
            pile.addRoundedRect(QRectF(2.0, 16.0, 20.0, 7.0), 3.4, 3.4);
            pile.addRoundedRect(QRectF(4.6, 10.6, 14.8, 6.6), 3.2, 3.2);
            pile.addRoundedRect(QRectF(7.4, 5.8, 9.2, 5.8), 2.8, 2.8);
            QPainterPath tip;
            tip.moveTo(9.0, 6.6);
            tip.quadTo(12.6, 5.6, 13.6, 1.0);
            tip.quadTo(16.2, 4.0, 15.0, 6.6);
            tip.closeSubpath();
            pile.addPath(tip);
            shape(p, pile.simplified(), fill, edge, 0.9);
            p.setPen(line(edge, 0.6));
            p.drawLine(QPointF(5.4, 16.6), QPointF(18.6, 16.6));
            p.drawLine(QPointF(8.2, 11.2), QPointF(15.8, 11.2));
            disc(p, {9.6, 19.6}, 1.0, 1.2, ink::white, edge, 0.5);
            disc(p, {14.4, 19.6}, 1.0, 1.2, ink::white, edge, 0.5);
        });
    case 75: // 月亮
        return still([](QPainter& p) {
            QPainterPath moon;
            moon.addEllipse(QPointF(11.0, 12.0), 9.6, 9.6);
            QPainterPath bite;
            bite.addEllipse(QPointF(16.4, 8.6), 8.4, 8.4);
            shape(p, moon.subtracted(bite), vertical(2, 22, QColor(255, 245, 150), QColor(245, 200, 50)),
                  QColor(180, 130, 0), 0.9);
            star(p, {19.6, 17.4}, 2.0, QColor(255, 245, 150), QColor(200, 150, 0));
        });
    case 76: // 太阳
        return still([](QPainter& p) {
            p.setPen(line(QColor(240, 140, 20), 1.4));
            for (int i = 0; i < 8; ++i) {
                const qreal a = qDegreesToRadians(i * 45.0);
                p.drawLine(QPointF(12 + 8.4 * qSin(a), 12 - 8.4 * qCos(a)),
                           QPointF(12 + 10.8 * qSin(a), 12 - 10.8 * qCos(a)));
            }
            QRadialGradient g(QPointF(10.0, 10.0), 8.0);
            g.setColorAt(0, QColor(255, 240, 120));
            g.setColorAt(1, QColor(250, 160, 20));
            disc(p, {12, 12}, 6.6, 6.6, g, QColor(200, 100, 0), 0.9);
        });
    case 77: // 礼物
        return still([](QPainter& p) {
            const QColor ribbon(240, 200, 40), ribbonEdge(170, 120, 0);
            for (qreal s : {-1.0, 1.0}) {
                QPainterPath loop;
                loop.moveTo(12, 7.6);
                loop.cubicTo(12 + s * 2.0, 1.0, 12 + s * 8.0, 2.0, 12 + s * 5.0, 7.6);
                loop.closeSubpath();
                shape(p, loop, ribbon, ribbonEdge, 0.7);
            }
            QPainterPath box;
            box.addRect(QRectF(3.4, 11.4, 17.2, 11.0));
            shape(p, box, vertical(11, 22, QColor(240, 80, 90), QColor(190, 30, 50)), ink::redLine, 0.9);
            QPainterPath lid;
            lid.addRect(QRectF(2.4, 7.6, 19.2, 4.2));
            shape(p, lid, vertical(7, 12, QColor(250, 110, 120), QColor(215, 50, 70)), ink::redLine, 0.9);
            QPainterPath band;
            band.addRect(QRectF(10.6, 7.6, 2.8, 14.8));
            shape(p, band, ribbon, ribbonEdge, 0.6);
        });
    default:
        return still([](QPainter&) {});
    }
}

} // namespace artgen
