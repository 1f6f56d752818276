// Faces 90-104: small scenes and animations.
#include "face_helpers.h"

namespace artgen {

using namespace recipes;

Recipe sceneRecipe(int index) {
    switch (index) {
    case 90: // 爱情
        return still([](QPainter& p) {
            heart(p, {8.6, 9.4}, 13.0, ink::pink, QColor(170, 30, 70));
            heart(p, {15.4, 14.4}, 13.0, ink::red, ink::redLine);
            star(p, {20.4, 3.6}, 1.8, QColor(255, 240, 120), QColor(220, 150, 0));
        });
    case 91: // 飞吻
        return {2, 40, [](QPainter& p, int frame) {
                    placed(p, {10.2, 13.0}, 0.88, 0, [](QPainter& q) {
                        head(q);
                        eyes(q, Eyes::Wink);
                        mouth(q, Mouth::Kiss);
                    });
                    if (frame == 0)
                        heart(p, {18.6, 14.6}, 4.0, ink::pink, ink::redLine);
                    else
                        heart(p, {20.2, 7.6}, 5.6, ink::red, ink::redLine);
                }};
    case 92: // 跳跳
        return {2, 30, [](QPainter& p, int frame) {
                    p.setPen(line(ink::grey, 0.8));
                    p.drawLine(QPointF(3, 23.2), QPointF(21, 23.2));
                    if (frame == 0) {
                        p.save();
                        p.translate(12, 23);
                        p.scale(1.1, 0.88);
                        p.translate(-12, -23);
                        placed(p, {12, 14.4}, 0.8, 0,
                               [](QPainter& q) { plainFace(q, Eyes::Closed, Mouth::Smile); });
                        p.restore();
                    } else {
                        placed(p, {12, 9.0}, 0.8, 0,
                               [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Laugh); });
                        p.setPen(line(ink::grey, 0.6));
                        for (qreal x : {8.0, 12.0, 16.0})
                            p.drawLine(QPointF(x, 19.0), QPointF(x, 21.4));
                    }
                }};
    case 93: // 发抖
        return {2, 10, [](QPainter& p, int frame) {
                    const qreal dx = frame == 0 ? -0.9 : 0.9;
                    placed(p, {12 + dx, 12.5}, 0.9, 0, [](QPainter& q) {
                        head(q, QColor(215, 235, 255), QColor(130, 170, 235));
                        brows(q, Brows::Sad);
                        eyes(q, Eyes::Wide);
                        mouth(q, Mouth::Clench);
                    });
                    p.setPen(line(QColor(60, 110, 220), 0.6));
                    const qreal side = frame == 0 ? 0.8 : -0.8;
                    for (qreal y : {9.0, 12.5, 16.0}) {
                        p.drawLine(QPointF(1.0 + side, y - 1), QPointF(1.0 + side, y + 1));
                        p.drawLine(QPointF(23.0 + side, y - 1), QPointF(23.0 + side, y + 1));
                    }
                }};
    case 94: // 怄火
        return still([](QPainter& p) {
            placed(p, {12, 14.0}, 0.9, 0, [](QPainter& q) {
                head(q, QColor(255, 150, 110), QColor(222, 58, 40));
                brows(q, Brows::Angry);
                eyes(q, Eyes::HalfLid);
                mouth(q, Mouth::Frown);
            });
            puff(p, {4.6, 3.6}, 2.4);
            puff(p, {19.4, 3.6}, 2.4);
        });
    case 95: // 转圈
        return {4, 15, [](QPainter& p, int frame) {
                    placed(p, {12, 12}, 0.96, frame * 90.0,
                           [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Laugh); });
                }};
    case 96: // 磕头
        return {2, 50, [](QPainter& p, int frame) {
                    p.setPen(line(ink::grey, 0.8));
                    p.drawLine(QPointF(2, 23.2), QPointF(22, 23.2));
                    if (frame == 0) {
                        placed(p, {12, 12.6}, 0.86, 0,
                               [](QPainter& q) { plainFace(q, Eyes::Normal, Mouth::SmallSmile); });
                    } else {
                        placed(p, {12, 14.2}, 0.86, 0, [](QPainter& q) {
                            head(q);
                            eyes(q, Eyes::Closed, {0, 6.0});
                            mouth(q, Mouth::Flat, {0, 4.4});
                        });
                        p.setPen(line(ink::feature, 0.6));
                        p.drawLine(QPointF(3.0, 20.0), QPointF(1.4, 19.0));
                        p.drawLine(QPointF(21.0, 20.0), QPointF(22.6, 19.0));
                    }
                }};
    case 97: // 回头
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::Left, {-3.2, 0});
            mouth(p, Mouth::SmallSmile, {-3.6, 0});
            p.setPen(line(ink::outline, 0.7));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(14.0, 6.0, 7.0, 13.0), -60 * 16, 120 * 16);
            p.setPen(line(ink::grey, 0.6));
            p.drawArc(QRectF(17.0, 4.0, 7.0, 17.0), -50 * 16, 100 * 16);
        });
    case 98: // 跳绳
        return {2, 35, [](QPainter& p, int frame) {
                    const QColor rope(200, 60, 140);
                    p.setBrush(Qt::NoBrush);
                    p.setPen(line(rope, 0.8));
                    if (frame == 0) {
                        p.drawArc(QRectF(2.0, 1.0, 20.0, 26.0), 0, 180 * 16);
                        placed(p, {12, 14.6}, 0.66, 0,
                               [](QPainter& q) { plainFace(q, Eyes::Normal, Mouth::Smile); });
                    } else {
                        placed(p, {12, 10.2}, 0.66, 0,
                               [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Laugh); });
                        p.setPen(line(rope, 0.8));
                        p.drawArc(QRectF(2.0, 4.0, 20.0, 19.4), 180 * 16, 180 * 16);
                    }
                    disc(p, {2.2, 14.0}, 1.2, 1.2, ink::skinDark, ink::outline, 0.6);
                    disc(p, {21.8, 14.0}, 1.2, 1.2, ink::skinDark, ink::outline, 0.6);
                }};
    case 99: // 挥手
        return {3, 20, [](QPainter& p, int frame) {
                    placed(p, {10.0, 13.0}, 0.88, 0,
                           [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Smile); });
                    p.save();
                    p.translate(19.4, 18.6);
                    p.rotate(-20.0 + frame * 20.0);
                    for (int i = 0; i < 4; ++i)
                        finger(p, {-2.2 + i * 1.5, -6.8}, -10 + i * 7, 3.8 - (i == 3 ? 1.0 : 0), 1.5);
                    palm(p, QRectF(-2.9, -7.6, 5.8, 5.4), 2.2);
                    finger(p, {-2.6, -4.0}, -70, 2.8, 1.5);
                    sleeve(p, QRectF(-1.6, -2.4, 3.2, 4.4), QColor(90, 140, 220));
                    p.restore();
                }};
    case 100: // 激动
        return still([](QPainter& p) {
            placed(p, {12, 13.2}, 0.9, 0, [](QPainter& q) {
                head(q);
                blush(q);
                eyes(q, Eyes::Stars);
                mouth(q, Mouth::Laugh);
            });
            p.setPen(line(ink::red, 0.8));
            p.drawLine(QPointF(1.2, 5.0), QPointF(3.4, 6.6));
            p.drawLine(QPointF(3.6, 1.8), QPointF(5.0, 4.2));
            p.drawLine(QPointF(22.8, 5.0), QPointF(20.6, 6.6));
            p.drawLine(QPointF(20.4, 1.8), QPointF(19.0, 4.2));
        });
    case 101: // 街舞
        return {2, 30, [](QPainter& p, int frame) {
                    placed(p, {11.0, 13.6}, 0.86, frame == 0 ? -10 : 10, [](QPainter& q) {
                        plainFace(q, Eyes::Happy, Mouth::Smile);
                        QPainterPath cap;
                        cap.moveTo(2.2, 8.6);
                        cap.quadTo(3.0, 1.2, 12, 1.4);
                        cap.quadTo(21.0, 1.2, 21.8, 8.6);
                        cap.closeSubpath();
                        shape(q, cap, QColor(60, 120, 220), QColor(25, 60, 140), 0.8);
                        QPainterPath brim;
                        brim.moveTo(2.6, 7.6);
                        brim.quadTo(-2.0, 6.0, -1.6, 9.6);
                        brim.lineTo(3.4, 9.4);
                        brim.closeSubpath();
                        shape(q, brim, QColor(40, 90, 190), QColor(25, 60, 140), 0.7);
                    });
                    const QPointF n = frame == 0 ? QPointF(20.4, 5.0) : QPointF(21.0, 3.0);
                    disc(p, n + QPointF(-1.0, 3.6), 1.4, 1.1, ink::dark, ink::dark, 0);
                    p.setPen(line(ink::dark, 0.7));
                    p.drawLine(n + QPointF(0.3, 3.4), n + QPointF(0.3, -1.6));
                    p.drawLine(n + QPointF(0.3, -1.6), n + QPointF(2.2, -0.6));
                }};
    case 102: // 献吻
        return still([](QPainter& p) {
            placed(p, {10.4, 12.0}, 0.86, 0, [](QPainter& q) {
                head(q);
                blush(q);
                eyes(q, Eyes::Closed);
                mouth(q, Mouth::Kiss);
            });
            // A kiss mark: a pair of red lips.
            QPainterPath lips;
            lips.moveTo(14.0, 18.6);
            lips.cubicTo(15.6, 15.8, 17.4, 15.6, 18.6, 17.0);
            lips.cubicTo(19.8, 15.6, 21.6, 15.8, 23.2, 18.6);
            lips.cubicTo(21.0, 22.6, 16.2, 22.6, 14.0, 18.6);
            shape(p, lips, QColor(230, 40, 70), QColor(140, 10, 40), 0.7);
            p.setPen(line(QColor(140, 10, 40), 0.6));
            p.drawLine(QPointF(14.6, 18.6), QPointF(22.6, 18.6));
        });
    case 103: // 左太极
        return {4, 20, [](QPainter& p, int frame) { yinYang(p, -frame * 90.0); }};
    case 104: // 右太极
        return {4, 20, [](QPainter& p, int frame) {
                    p.save();
                    p.translate(24, 0);
                    p.scale(-1, 1);
                    yinYang(p, -frame * 90.0);
                    p.restore();
                }};
    default:
        return still([](QPainter& p) { plainFace(p, Eyes::Normal, Mouth::Smile); });
    }
}

} // namespace artgen
