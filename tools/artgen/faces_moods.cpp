// Faces 0-54: moods of the round head.
#include "face_helpers.h"

namespace artgen {

using namespace recipes;

Recipe moodRecipe(int index) {
    switch (index) {
    case 0: // 笑脸
        return still([](QPainter& p) { plainFace(p, Eyes::Normal, Mouth::Smile); });
    case 1: // 瞥嘴
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Normal);
            mouth(p, Mouth::Pout);
        });
    case 2: // 色
        return still([](QPainter& p) {
            plainFace(p, Eyes::Hearts, Mouth::Laugh);
            drop(p, {17.4, 21.6}, 2.6);
        });
    case 3: // 发呆
        return still([](QPainter& p) { plainFace(p, Eyes::Dots, Mouth::O); });
    case 4: // 得意
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Raised);
            eyes(p, Eyes::Happy);
            blush(p);
            mouth(p, Mouth::Smirk);
        });
    case 5: // 流泪
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Closed);
            mouth(p, Mouth::Frown);
            drop(p, {7.0, 17.0}, 3.4);
            drop(p, {17.0, 17.0}, 3.4);
        });
    case 6: // 害羞
        return still([](QPainter& p) {
            head(p);
            disc(p, {6.2, 14.0}, 2.6, 1.6, ink::blush, ink::blush, 0);
            disc(p, {17.8, 14.0}, 2.6, 1.6, ink::blush, ink::blush, 0);
            eyes(p, Eyes::Closed);
            mouth(p, Mouth::SmallSmile);
        });
    case 7: // 闭嘴
        return still([](QPainter& p) { plainFace(p, Eyes::Normal, Mouth::Zip); });
    case 8: // 睡
        return {
            2, 70, [](QPainter& p, int frame) {
                placed(p, {9.8, 14.2}, 0.82, 0, [](QPainter& q) { plainFace(q, Eyes::Closed, Mouth::O); });
                const QColor blue(40, 90, 220);
                zee(p, {16.4, 4.6}, 2.8, blue);
                if (frame >= 1) zee(p, {19.2, 0.4}, 3.6, blue);
            }};
    case 9: // 大哭
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            stream(p, {7.6, 12.0}, {6.6, 21.0});
            stream(p, {16.4, 12.0}, {17.4, 21.0});
            eyes(p, Eyes::Squeeze);
            mouth(p, Mouth::Yawn);
            drop(p, {2.4, 12.0}, 2.6);
            drop(p, {21.6, 12.0}, 2.6);
        });
    case 10: // 尴尬
        return still([](QPainter& p) {
            head(p);
            blush(p);
            eyes(p, Eyes::Left);
            mouth(p, Mouth::Clench);
            drop(p, {19.4, 8.8}, 3.2);
        });
    case 11: // 发怒
        return still([](QPainter& p) {
            head(p, QColor(255, 150, 110), QColor(222, 58, 40));
            brows(p, Brows::Angry);
            eyes(p, Eyes::Normal);
            mouth(p, Mouth::Clench);
            angerMark(p, {18.8, 5.4}, 3.6);
        });
    case 12: // 调皮
        return still([](QPainter& p) { plainFace(p, Eyes::Wink, Mouth::Tongue); });
    case 13: // 吡牙
        return still([](QPainter& p) { plainFace(p, Eyes::Happy, Mouth::Teeth); });
    case 14: // 惊讶
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Raised);
            eyes(p, Eyes::Wide);
            mouth(p, Mouth::BigO);
        });
    case 15: // 难过
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Normal);
            mouth(p, Mouth::Frown);
        });
    case 16: // 酷
        return still([](QPainter& p) { plainFace(p, Eyes::Shades, Mouth::Smirk); });
    case 17: // 冷汗
        return still([](QPainter& p) {
            head(p);
            tintTop(p, QColor(70, 120, 230, 200));
            p.setPen(line(QColor(50, 90, 200), 0.7));
            for (qreal x : {9.0, 11.0, 13.0, 15.0})
                p.drawLine(QPointF(x, 3.6), QPointF(x, 6.4));
            brows(p, Brows::Sad);
            eyes(p, Eyes::Normal);
            mouth(p, Mouth::Wavy);
            drop(p, {20.0, 10.6}, 3.6);
        });
    case 18: // 抓狂
        return still([](QPainter& p) {
            head(p, QColor(255, 200, 110), QColor(240, 120, 40));
            p.setPen(line(ink::feature, 0.9));
            p.drawPolyline(QPolygonF({{4, 6},
                                      {5.5, 1.5},
                                      {7.5, 5},
                                      {9.5, 0.6},
                                      {12, 4.2},
                                      {14.5, 0.6},
                                      {16.5, 5},
                                      {18.5, 1.5},
                                      {20, 6}}));
            brows(p, Brows::Angry);
            eyes(p, Eyes::Squeeze);
            mouth(p, Mouth::BigO);
            angerMark(p, {19.6, 9.0}, 3.0);
        });
    case 19: // 吐
        return still([](QPainter& p) {
            head(p, QColor(215, 240, 150), QColor(140, 195, 70));
            eyes(p, Eyes::Squeeze);
            QPainterPath spill;
            spill.moveTo(9.6, 16.0);
            spill.quadTo(12, 14.6, 14.4, 16.0);
            spill.quadTo(16.5, 20.0, 18.5, 24.0);
            spill.lineTo(7.5, 24.0);
            spill.quadTo(8.5, 20.0, 9.6, 16.0);
            shape(p, spill, QColor(150, 210, 70), QColor(80, 140, 30), 0.7);
        });
    case 20: // 偷笑
        return still([](QPainter& p) {
            head(p);
            blush(p);
            eyes(p, Eyes::Happy);
            mouth(p, Mouth::Smile);
            palm(p, QRectF(9.4, 14.4, 7.8, 6.0), 2.6);
            p.setPen(line(ink::outline, 0.6));
            p.drawLine(QPointF(11.4, 16.2), QPointF(15.6, 16.2));
            p.drawLine(QPointF(11.4, 18.2), QPointF(15.6, 18.2));
        });
    case 21: // 可爱
        return still([](QPainter& p) {
            head(p);
            blush(p);
            eyes(p, Eyes::Sparkle);
            mouth(p, Mouth::SmallSmile);
        });
    case 22: // 白眼
        return still([](QPainter& p) { plainFace(p, Eyes::Roll, Mouth::Flat); });
    case 23: // 傲慢
        return still([](QPainter& p) {
            placed(p, {12, 12.5}, 1.0, -14, [](QPainter& q) {
                head(q);
                brows(q, Brows::Raised);
                eyes(q, Eyes::HalfLid);
                mouth(q, Mouth::Smirk);
            });
        });
    case 24: // 饥饿
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::Sparkle);
            mouth(p, Mouth::Tongue);
            drop(p, {8.2, 20.4}, 2.6);
        });
    case 25: // 困
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::HalfLid);
            mouth(p, Mouth::Wobble);
            disc(p, {15.6, 14.6}, 2.0, 2.0, QColor(180, 220, 255, 200), ink::waterLine, 0.5);
        });
    case 26: // 惊恐
        return still([](QPainter& p) {
            head(p, QColor(220, 230, 255), QColor(150, 175, 235));
            tintTop(p, QColor(60, 80, 200, 200), 12);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Wide);
            mouth(p, Mouth::BigO);
            palm(p, QRectF(0.6, 13.0, 4.4, 7.4), 2.0);
            palm(p, QRectF(19.0, 13.0, 4.4, 7.4), 2.0);
        });
    case 27: // 流汗
        return still([](QPainter& p) {
            plainFace(p, Eyes::Happy, Mouth::Smile);
            drop(p, {19.8, 12.4}, 5.0);
        });
    case 28: // 憨笑
        return still([](QPainter& p) {
            head(p);
            blush(p);
            eyes(p, Eyes::Happy);
            mouth(p, Mouth::Laugh);
        });
    case 29: // 大兵
        return still([](QPainter& p) {
            head(p);
            QPainterPath helmet;
            helmet.moveTo(1.0, 9.6);
            helmet.quadTo(1.6, 0.4, 12, 0.6);
            helmet.quadTo(22.4, 0.4, 23.0, 9.6);
            helmet.closeSubpath();
            QLinearGradient g(0, 0, 0, 10);
            g.setColorAt(0, QColor(130, 150, 80));
            g.setColorAt(1, QColor(80, 100, 45));
            shape(p, helmet, g, QColor(50, 65, 25), 0.9);
            p.setPen(line(QColor(50, 65, 25), 0.7));
            p.drawLine(QPointF(3.6, 9.8), QPointF(6.5, 19.5));
            p.drawLine(QPointF(20.4, 9.8), QPointF(17.5, 19.5));
            eyes(p, Eyes::Normal, {0, 1.4});
            mouth(p, Mouth::Flat, {0, 0.6});
        });
    case 30: // 奋斗
        return still([](QPainter& p) {
            head(p);
            QPainterPath band;
            band.addRoundedRect(QRectF(2.0, 4.4, 20.0, 2.6), 0.8, 0.8);
            QPainterPath clip;
            clip.addEllipse(QPointF(12, 12.5), 10.3, 10.3);
            shape(p, band.intersected(clip), ink::red, ink::redLine, 0.6);
            shape(
                p,
                [] {
                    QPainterPath tails;
                    tails.moveTo(20.8, 5.0);
                    tails.lineTo(23.8, 3.0);
                    tails.lineTo(23.4, 6.0);
                    tails.closeSubpath();
                    return tails;
                }(),
                ink::red, ink::redLine, 0.6);
            brows(p, Brows::Angry, {0, 1.0});
            eyes(p, Eyes::Normal, {0, 0.8});
            mouth(p, Mouth::Clench);
        });
    case 31: // 咒骂
        return still([](QPainter& p) {
            placed(p, {10.6, 13.6}, 0.9, 0, [](QPainter& q) {
                head(q, QColor(255, 190, 120), QColor(238, 110, 50));
                brows(q, Brows::Angry);
                eyes(q, Eyes::Normal);
                mouth(q, Mouth::BigO);
            });
            QPainterPath cloud;
            cloud.addEllipse(QPointF(19.2, 4.4), 4.4, 3.6);
            shape(p, cloud, QColor(60, 60, 70), QColor(30, 30, 35), 0.6);
            p.setPen(line(QColor(255, 230, 90), 0.7));
            p.drawPolyline(
                QPolygonF({{16.0, 4.8}, {17.2, 3.0}, {18.4, 5.8}, {19.6, 3.0}, {20.8, 5.8}, {22.0, 3.6}}));
        });
    case 32: // 疑问
        return still([](QPainter& p) {
            placed(p, {10.6, 13.4}, 0.9, 0, [](QPainter& q) {
                head(q);
                brows(q, Brows::Sly);
                eyes(q, Eyes::Normal);
                mouth(q, Mouth::Flat);
            });
            questionMark(p, {20.4, 1.6}, 8.0, QColor(40, 110, 220));
        });
    case 33: // 嘘...
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::Left);
            mouth(p, Mouth::O);
            finger(p, {12.0, 23.6}, 0, 10.4, 2.8);
        });
    case 34: // 晕
        return still([](QPainter& p) {
            plainFace(p, Eyes::Spirals, Mouth::Wavy);
            star(p, {4.0, 3.2}, 2.2, QColor(255, 230, 60), QColor(200, 120, 0));
            star(p, {20.2, 2.6}, 2.0, QColor(255, 230, 60), QColor(200, 120, 0));
        });
    case 35: // 折磨
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Crosses);
            mouth(p, Mouth::Wobble);
            drop(p, {18.2, 16.0}, 3.0);
        });
    case 36: // 衰
        return still([](QPainter& p) {
            head(p, QColor(232, 222, 160), QColor(190, 165, 90));
            tintTop(p, QColor(90, 60, 150, 210), 12);
            p.setPen(line(QColor(70, 40, 120), 0.7));
            for (qreal x : {8.0, 10.6, 13.4, 16.0})
                p.drawLine(QPointF(x, 3.0), QPointF(x, 7.0));
            eyes(p, Eyes::HalfLid);
            mouth(p, Mouth::Frown);
        });
    case 37: // 骷髅
        return still([](QPainter& p) {
            QPainterPath skull;
            skull.addEllipse(QPointF(12, 10.6), 9.4, 9.0);
            skull.addRoundedRect(QRectF(7.0, 14.0, 10.0, 8.6), 2.4, 2.4);
            QLinearGradient g(0, 1, 0, 23);
            g.setColorAt(0, QColor(252, 252, 246));
            g.setColorAt(1, QColor(205, 205, 195));
            shape(p, skull.simplified(), g, QColor(90, 90, 90), 0.9);
            disc(p, {8.4, 11.0}, 2.5, 2.8, QColor(40, 40, 45), QColor(40, 40, 45), 0);
            disc(p, {15.6, 11.0}, 2.5, 2.8, QColor(40, 40, 45), QColor(40, 40, 45), 0);
            QPainterPath nose;
            nose.moveTo(12, 14.0);
            nose.lineTo(13.0, 16.2);
            nose.lineTo(11.0, 16.2);
            nose.closeSubpath();
            shape(p, nose, QColor(40, 40, 45), QColor(40, 40, 45), 0.3);
            p.setPen(line(QColor(90, 90, 90), 0.7));
            p.drawLine(QPointF(8.4, 19.4), QPointF(15.6, 19.4));
            for (qreal x : {9.6, 12.0, 14.4})
                p.drawLine(QPointF(x, 18.0), QPointF(x, 21.6));
        });
    case 38: // 敲打
        return still([](QPainter& p) {
            placed(p, {12, 13.6}, 0.92, 0, [](QPainter& q) { plainFace(q, Eyes::Squeeze, Mouth::Wavy); });
            disc(p, {10.0, 4.6}, 2.2, 1.4, QColor(255, 140, 140), ink::redLine, 0.6);
            p.save();
            p.translate(16.0, 4.0);
            p.rotate(-35);
            QPainterPath handle;
            handle.addRoundedRect(QRectF(-0.9, -1.0, 1.8, 10.0), 0.8, 0.8);
            shape(p, handle, QColor(180, 120, 60), QColor(110, 70, 30), 0.6);
            QPainterPath block;
            block.addRoundedRect(QRectF(-4.2, -3.6, 8.4, 4.2), 0.9, 0.9);
            shape(p, block, QColor(170, 175, 190), QColor(80, 85, 95), 0.7);
            p.restore();
            star(p, {4.0, 3.4}, 1.8, QColor(255, 230, 60), QColor(200, 120, 0));
        });
    case 39: // 再见
        return still([](QPainter& p) {
            placed(p, {10.0, 13.0}, 0.88, 0, [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Smile); });
            p.save();
            p.translate(19.2, 14.0);
            p.rotate(18);
            for (int i = 0; i < 4; ++i)
                finger(p, {-2.2 + i * 1.5, -2.4}, -12 + i * 8, 4.2 - (i == 3 ? 1.2 : 0), 1.6);
            palm(p, QRectF(-3.0, -3.0, 6.0, 5.6), 2.2);
            finger(p, {-2.6, 0.4}, -70, 3.0, 1.6);
            p.restore();
            p.setPen(line(ink::feature, 0.6));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(14.0, 3.0, 9.0, 9.0), 40 * 16, 60 * 16);
        });
    case 40: // 擦汗
        return still([](QPainter& p) {
            plainFace(p, Eyes::Happy, Mouth::SmallSmile);
            QPainterPath towel;
            towel.addRoundedRect(QRectF(10.0, 2.0, 11.0, 4.2), 1.2, 1.2);
            shape(p, towel, QColor(250, 250, 255), QColor(120, 140, 180), 0.7);
            p.setPen(line(QColor(120, 160, 230), 0.6));
            p.drawLine(QPointF(11.2, 4.1), QPointF(19.8, 4.1));
            drop(p, {4.0, 8.8}, 3.0);
        });
    case 41: // 抠鼻
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::HalfLid);
            disc(p, {11.2, 13.6}, 0.45, 0.45, ink::feature, ink::feature, 0);
            disc(p, {13.0, 13.6}, 0.45, 0.45, ink::feature, ink::feature, 0);
            mouth(p, Mouth::Flat, {0, 1.6});
            finger(p, {17.0, 23.6}, -28, 9.8, 2.6);
        });
    case 42: // 鼓掌
        return still([](QPainter& p) {
            placed(p, {12, 11.0}, 0.84, 0, [](QPainter& q) { plainFace(q, Eyes::Happy, Mouth::Laugh); });
            p.save();
            p.translate(8.6, 20.0);
            p.rotate(-25);
            palm(p, QRectF(-2.4, -3.6, 4.8, 7.2), 2.2);
            p.restore();
            p.save();
            p.translate(15.4, 20.0);
            p.rotate(25);
            palm(p, QRectF(-2.4, -3.6, 4.8, 7.2), 2.2);
            p.restore();
            p.setPen(line(ink::feature, 0.6));
            p.drawLine(QPointF(12, 14.8), QPointF(12, 16.2));
            p.drawLine(QPointF(10.0, 15.4), QPointF(10.6, 16.4));
            p.drawLine(QPointF(14.0, 15.4), QPointF(13.4, 16.4));
        });
    case 43: // 糗
        return still([](QPainter& p) {
            head(p);
            p.setPen(line(QColor(240, 90, 100), 0.6));
            for (qreal x : {4.4, 5.8, 7.2})
                p.drawLine(QPointF(x, 15.0), QPointF(x + 1.0, 13.2));
            for (qreal x : {16.8, 18.2, 19.6})
                p.drawLine(QPointF(x, 15.0), QPointF(x + 1.0, 13.2));
            eyes(p, Eyes::Dots);
            mouth(p, Mouth::Wavy);
            drop(p, {19.6, 8.6}, 3.0);
        });
    case 44: // 坏笑
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Angry);
            eyes(p, Eyes::Happy);
            mouth(p, Mouth::Smirk);
            disc(p, {16.6, 13.8}, 0.5, 0.5, ink::feature, ink::feature, 0);
        });
    case 45: // 左哼哼
    case 46: // 右哼哼
        return still([index](QPainter& p) {
            const qreal side = index == 45 ? -1 : 1;
            head(p);
            brows(p, Brows::Angry, {side * 1.8, 0});
            eyes(p, Eyes::HalfLid, {side * 1.8, 0});
            mouth(p, Mouth::Pout, {side * 1.8, 0});
            puff(p, {12 + side * 9.4, 17.4}, 2.2);
        });
    case 47: // 哈欠
        return still([](QPainter& p) {
            head(p);
            eyes(p, Eyes::Closed);
            mouth(p, Mouth::Yawn);
            drop(p, {18.6, 12.6}, 2.4);
        });
    case 48: // 鄙视
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Flat, {1.2, 0});
            eyes(p, Eyes::HalfLid, {1.2, 0});
            QPainterPath m;
            m.moveTo(8.6, 16.0);
            m.quadTo(12.0, 15.2, 15.6, 17.8);
            p.setBrush(Qt::NoBrush);
            p.setPen(line(ink::feature, 1.2));
            p.drawPath(m);
        });
    case 49: // 委屈
        return still([](QPainter& p) {
            head(p);
            blush(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Tearful);
            mouth(p, Mouth::Pout);
        });
    case 50: // 快哭了
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Tearful);
            mouth(p, Mouth::Wobble);
            drop(p, {17.2, 17.0}, 3.0);
        });
    case 51: // 阴险
        return still([](QPainter& p) {
            head(p);
            tintTop(p, QColor(80, 40, 110, 220), 13);
            brows(p, Brows::Angry);
            eyes(p, Eyes::HalfLid);
            mouth(p, Mouth::Smirk);
        });
    case 52: // 亲亲
        return still([](QPainter& p) {
            head(p);
            blush(p);
            eyes(p, Eyes::Closed);
            mouth(p, Mouth::Kiss);
            heart(p, {19.6, 18.8}, 4.2, ink::pink, ink::redLine);
        });
    case 53: // 吓
        return still([](QPainter& p) {
            placed(p, {12, 13.6}, 0.92, 0, [](QPainter& q) {
                head(q, QColor(230, 240, 255), QColor(160, 185, 235));
                brows(q, Brows::Raised);
                eyes(q, Eyes::Wide);
                mouth(q, Mouth::BigO);
            });
            p.setPen(line(ink::feature, 0.7));
            p.drawLine(QPointF(12, 0.4), QPointF(12, 2.2));
            p.drawLine(QPointF(6.0, 1.6), QPointF(7.2, 3.2));
            p.drawLine(QPointF(18.0, 1.6), QPointF(16.8, 3.2));
        });
    case 54: // 可怜
        return still([](QPainter& p) {
            head(p);
            brows(p, Brows::Sad);
            eyes(p, Eyes::Tearful);
            mouth(p, Mouth::O);
            palm(p, QRectF(8.6, 19.2, 6.8, 4.2), 2.0);
        });
    default:
        return still([](QPainter& p) { plainFace(p, Eyes::Normal, Mouth::Smile); });
    }
}

} // namespace artgen
