#include "sys_art.h"

#include "conversation/faces.h"
#include "paint.h"

#include <QLinearGradient>
#include <QtMath>

namespace artgen {

namespace {

using vantor::conversation::kFaceCellHeight;
using vantor::conversation::kFaceCellWidth;
using vantor::conversation::kFacePageColumns;
using vantor::conversation::kFacePageRows;
using vantor::conversation::kFacePictureSize;

void person(QPainter& p, QPointF c, qreal s, QColor body, QColor edge) {
    QPainterPath shoulders;
    shoulders.moveTo(c + QPointF(-9.0 * s, 10.0 * s));
    shoulders.cubicTo(c + QPointF(-9.0 * s, 2.0 * s), c + QPointF(-5.0 * s, 0.8 * s),
                      c + QPointF(0, 0.8 * s));
    shoulders.cubicTo(c + QPointF(5.0 * s, 0.8 * s), c + QPointF(9.0 * s, 2.0 * s),
                      c + QPointF(9.0 * s, 10.0 * s));
    shoulders.closeSubpath();
    shape(p, shoulders, body, edge, 0.8);
    disc(p, c + QPointF(0, -5.0 * s), 4.6 * s, 5.0 * s, body.lighter(112), edge, 0.8);
}

QImage opaque(const QImage& image, QColor background) {
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

void headBackground(QPainter& p) {
    QLinearGradient g(0, 0, 0, 40);
    g.setColorAt(0, QColor(226, 236, 248));
    g.setColorAt(1, QColor(188, 206, 230));
    p.fillRect(QRectF(0, 0, 40, 40), g);
}

} // namespace

std::vector<QImage> loadingFrames() {
    std::vector<QImage> frames;
    constexpr int kDots = 8;
    for (int frame = 0; frame < kDots; ++frame) {
        QImage image = canvas(32, 32);
        QPainter p;
        begin(p, image);
        for (int i = 0; i < kDots; ++i) {
            const qreal a = qDegreesToRadians(i * 360.0 / kDots);
            const int age = (frame - i + kDots) % kDots; // 0 = the leading dot
            const qreal t = age / qreal(kDots - 1);
            const QColor c = QColor::fromRgbF(0.20 + 0.64 * t, 0.40 + 0.48 * t, 0.90 + 0.06 * t);
            const qreal r = 2.8 - age * 0.18;
            disc(p, QPointF(16 + 10.5 * qSin(a), 16 - 10.5 * qCos(a)), r, r, c, c, 0);
        }
        p.end();
        frames.push_back(shrink(image, 32, 32));
    }
    return frames;
}

QImage errorPicture() {
    QImage image = canvas(32, 32);
    QPainter p;
    begin(p, image);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(2.5, 5.5, 25, 20), 1.5, 1.5);
    shape(p, frame, QColor(244, 246, 250), QColor(130, 140, 155), 1.0);
    QPainterPath hills;
    hills.moveTo(4.0, 24.0);
    hills.lineTo(11.0, 15.0);
    hills.lineTo(15.0, 19.0);
    hills.lineTo(19.0, 14.0);
    hills.lineTo(26.0, 24.0);
    hills.closeSubpath();
    shape(p, hills, QColor(170, 182, 198), QColor(170, 182, 198), 0);
    disc(p, {9.0, 10.5}, 2.0, 2.0, QColor(200, 208, 220), QColor(200, 208, 220), 0);
    disc(p, {24.5, 24.5}, 6.2, 6.2, QColor(222, 45, 45), QColor(150, 20, 20), 0.8);
    p.setPen(line(Qt::white, 1.6));
    p.drawLine(QPointF(22.2, 22.2), QPointF(26.8, 26.8));
    p.drawLine(QPointF(22.2, 26.8), QPointF(26.8, 22.2));
    p.end();
    return shrink(image, 32, 32);
}

QImage defaultHead() {
    QImage image = canvas(40, 40);
    QPainter p;
    begin(p, image);
    headBackground(p);
    person(p, {20, 22}, 1.7, QColor(120, 144, 178), QColor(84, 104, 136));
    p.end();
    return opaque(shrink(image, 40, 40), Qt::white);
}

QImage defaultGroup() {
    QImage image = canvas(40, 40);
    QPainter p;
    begin(p, image);
    headBackground(p);
    person(p, {10.5, 20.5}, 1.05, QColor(150, 170, 200), QColor(100, 120, 150));
    person(p, {29.5, 20.5}, 1.05, QColor(150, 170, 200), QColor(100, 120, 150));
    person(p, {20, 25}, 1.35, QColor(110, 136, 172), QColor(76, 96, 128));
    p.end();
    return opaque(shrink(image, 40, 40), Qt::white);
}

QImage facePage(const std::vector<QImage>& faces) {
    const int w = kFacePageColumns * kFaceCellWidth, h = kFacePageRows * kFaceCellHeight;
    QImage page(w, h, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setPen(QColor(222, 228, 236));
    for (int c = 0; c <= kFacePageColumns; ++c)
        p.drawLine(c * kFaceCellWidth - (c == kFacePageColumns), 0,
                   c * kFaceCellWidth - (c == kFacePageColumns), h);
    for (int r = 0; r <= kFacePageRows; ++r)
        p.drawLine(0, r * kFaceCellHeight - (r == kFacePageRows), w,
                   r * kFaceCellHeight - (r == kFacePageRows));
    for (size_t i = 0; i < faces.size(); ++i) {
        const int c = int(i) % kFacePageColumns, r = int(i) / kFacePageColumns;
        const int x = c * kFaceCellWidth + (kFaceCellWidth - kFacePictureSize + 1) / 2;
        const int y = r * kFaceCellHeight + (kFaceCellHeight - kFacePictureSize + 1) / 2;
        p.drawImage(x, y, faces[i]);
    }
    return page;
}

} // namespace artgen
