// Faces 78-89: hugs and hand signs.
#include "face_helpers.h"

namespace artgen {

using namespace recipes;

namespace {

void thumb(QPainter& p, bool up) {
    p.save();
    if (!up) {
        p.translate(12, 12);
        p.rotate(180);
        p.translate(-12, -12);
    }
    finger(p, {9.4, 11.4}, -8, 8.6, 4.2);
    fist(p, QRectF(6.0, 9.8, 12.4, 9.8));
    sleeve(p, QRectF(8.0, 19.4, 8.4, 3.8), QColor(80, 130, 210));
    p.restore();
}

} // namespace

Recipe handRecipe(int index) {
    switch (index) {
    case 78: // 拥抱
        return still([](QPainter& p) {
            head(p, ink::skinLight, ink::skinDark, {12, 10.4}, 8.8);
            eyes(p, Eyes::Happy, {0, -1.6});
            blush(p);
            mouth(p, Mouth::SmallSmile, {0, -2.0});
            heart(p, {12, 19.0}, 7.0, ink::pink, ink::redLine);
            p.save();
            p.translate(5.0, 19.4);
            p.rotate(70);
            palm(p, QRectF(-1.8, -4.4, 3.6, 6.4), 1.8);
            p.restore();
            p.save();
            p.translate(19.0, 19.4);
            p.rotate(-70);
            palm(p, QRectF(-1.8, -4.4, 3.6, 6.4), 1.8);
            p.restore();
        });
    case 79: // 强
        return still([](QPainter& p) { thumb(p, true); });
    case 80: // 弱
        return still([](QPainter& p) { thumb(p, false); });
    case 81: // 握手
        return still([](QPainter& p) {
            sleeve(p, QRectF(0.4, 10.6, 3.6, 7.6), QColor(80, 130, 210));
            sleeve(p, QRectF(20.0, 7.6, 3.6, 7.6), QColor(230, 120, 60));
            palm(p, QRectF(3.4, 11.2, 12.4, 6.4), 3.0);
            palm(p, QRectF(8.4, 8.0, 12.2, 6.4), 3.0);
            // The fingers of the right hand close over the back of the left one.
            for (int i = 0; i < 3; ++i)
                finger(p, {9.8 + i * 2.1, 12.4}, 180, 3.6, 2.0);
            finger(p, {11.6, 13.0}, 50, 3.6, 2.2);
        });
    case 82: // 胜利
        return still([](QPainter& p) {
            finger(p, {10.2, 12.0}, -14, 10.6, 3.2);
            finger(p, {13.8, 12.0}, 14, 10.6, 3.2);
            fist(p, QRectF(6.6, 11.0, 11.0, 9.0));
            finger(p, {7.4, 15.0}, 80, 6.0, 2.8);
            sleeve(p, QRectF(8.0, 19.8, 8.0, 3.6), QColor(80, 130, 210));
        });
    case 83: // 抱拳
        return still([](QPainter& p) {
            sleeve(p, QRectF(1.0, 12.0, 4.0, 9.0), QColor(200, 40, 40));
            sleeve(p, QRectF(19.0, 12.0, 4.0, 9.0), QColor(200, 40, 40));
            disc(p, {14.0, 13.4}, 5.8, 5.6, vertical(8, 19, ink::skinLight, ink::skinDark), ink::outline,
                 0.8);
            p.setPen(line(ink::outline, 0.6));
            for (qreal y : {11.0, 13.4, 15.8})
                p.drawLine(QPointF(16.0, y), QPointF(19.2, y));
            palm(p, QRectF(4.0, 7.0, 8.4, 12.4), 2.8);
            finger(p, {9.6, 8.6}, 40, 3.6, 2.6);
        });
    case 84: // 勾引
        return still([](QPainter& p) {
            // The index finger raised and bent forward at the middle joint.
            finger(p, {9.4, 11.6}, 10, 6.4, 3.0);
            finger(p, {10.4, 6.0}, 120, 4.4, 3.0);
            fist(p, QRectF(5.0, 10.0, 12.0, 10.0));
            sleeve(p, QRectF(7.0, 19.6, 8.0, 3.6), QColor(80, 130, 210));
            p.setPen(line(QColor(90, 90, 200), 0.6));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(13.4, 1.4, 7.0, 7.0), -30 * 16, 100 * 16);
            p.drawArc(QRectF(13.0, -0.6, 10.0, 10.0), -20 * 16, 80 * 16);
        });
    case 85: // 拳头
        return still([](QPainter& p) {
            QPainterPath hand;
            hand.addRoundedRect(QRectF(3.6, 5.0, 16.8, 14.0), 4.0, 4.0);
            shape(p, hand, vertical(5, 19, ink::skinLight, ink::skinDark), ink::outline, 0.9);
            p.setPen(line(ink::outline, 0.7));
            for (qreal x : {7.8, 12.0, 16.2})
                p.drawLine(QPointF(x, 5.4), QPointF(x, 11.0));
            p.drawLine(QPointF(4.2, 11.4), QPointF(19.8, 11.4));
            finger(p, {4.6, 14.6}, 90, 9.0, 3.4);
            sleeve(p, QRectF(6.4, 18.6, 11.2, 4.6), QColor(80, 130, 210));
        });
    case 86: // 差劲
        return still([](QPainter& p) {
            finger(p, {15.8, 11.6}, 8, 7.0, 2.6);
            fist(p, QRectF(6.0, 10.0, 12.0, 10.0));
            finger(p, {6.8, 15.0}, 80, 5.4, 2.8);
            sleeve(p, QRectF(8.0, 19.6, 8.0, 3.6), QColor(80, 130, 210));
            p.setPen(line(QColor(90, 90, 200), 0.6));
            p.drawLine(QPointF(20.0, 3.0), QPointF(22.0, 1.4));
            p.drawLine(QPointF(20.6, 5.2), QPointF(23.0, 5.0));
        });
    case 87: // 爱你
        return still([](QPainter& p) {
            finger(p, {9.0, 11.6}, -8, 10.0, 3.0);
            finger(p, {16.2, 12.0}, 10, 7.4, 2.6);
            fist(p, QRectF(6.6, 10.6, 11.4, 9.4));
            finger(p, {7.0, 15.4}, -70, 6.4, 3.0);
            sleeve(p, QRectF(8.4, 19.6, 8.0, 3.6), QColor(80, 130, 210));
            heart(p, {19.6, 4.2}, 4.6, ink::pink, ink::redLine);
        });
    case 88: // NO
        return still([](QPainter& p) {
            p.setBrush(Qt::NoBrush);
            p.setPen(line(QColor(220, 30, 30), 2.6));
            p.drawEllipse(QPointF(12, 12), 9.2, 9.2);
            p.drawLine(QPointF(5.6, 5.6), QPointF(18.4, 18.4));
        });
    case 89: // OK
        return still([](QPainter& p) {
            finger(p, {11.8, 11.4}, -4, 9.6, 2.8);
            finger(p, {14.6, 11.6}, 8, 9.0, 2.8);
            finger(p, {17.2, 12.2}, 18, 7.2, 2.6);
            palm(p, QRectF(6.0, 10.4, 12.4, 10.0), 3.0);
            p.setBrush(Qt::NoBrush);
            p.setPen(line(ink::outline, 3.8));
            p.drawEllipse(QPointF(6.8, 9.4), 3.4, 3.4);
            p.setPen(line(ink::skinLight, 2.2));
            p.drawEllipse(QPointF(6.8, 9.4), 3.4, 3.4);
            sleeve(p, QRectF(8.4, 20.0, 8.0, 3.4), QColor(80, 130, 210));
        });
    default:
        return still([](QPainter&) {});
    }
}

} // namespace artgen
