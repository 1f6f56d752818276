#include "ui/lists/skin_library.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace vantor::ui {

namespace {

QPixmap draw(int w, int h, const std::function<void(QPainter&)>& paint) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return QPixmap::fromImage(image);
}

// An 11 × 11 presence badge: a white-rimmed disc with a mark.
QPixmap badge(QColor fill, const std::function<void(QPainter&)>& mark) {
    return draw(11, 11, [&](QPainter& p) {
        p.setPen(QPen(Qt::white, 1.2));
        p.setBrush(fill);
        p.drawEllipse(QRectF(0.6, 0.6, 9.8, 9.8));
        mark(p);
    });
}

QPixmap arrow(bool down) {
    return draw(12, 12, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5A, 0x6E, 0x82));
        QPainterPath path;
        if (down) {
            path.moveTo(2, 4);
            path.lineTo(10, 4);
            path.lineTo(6, 9);
        } else {
            path.moveTo(4, 2);
            path.lineTo(9, 6);
            path.lineTo(4, 10);
        }
        path.closeSubpath();
        p.drawPath(path);
    });
}

// A background band for hovered and selected items; stretched over the item.
QPixmap band(QColor top, QColor bottom, QColor edge) {
    return draw(64, 51, [&](QPainter& p) {
        QLinearGradient g(0, 0, 0, 51);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.fillRect(QRect(0, 0, 64, 51), g);
        p.setPen(edge);
        p.drawLine(0, 0, 63, 0);
        p.drawLine(0, 50, 63, 50);
    });
}

// An envelope, the new-message icon.
QPixmap envelope(int w, int h, QColor fill) {
    return draw(w, h, [&](QPainter& p) {
        const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
        p.setPen(QPen(QColor(0x8A, 0x5A, 0x10), 1));
        p.setBrush(fill);
        p.drawRect(r);
        p.drawLine(QPointF(r.left(), r.top()), QPointF(r.center().x(), r.center().y() + 1));
        p.drawLine(QPointF(r.right(), r.top()), QPointF(r.center().x(), r.center().y() + 1));
    });
}

QPixmap cross(QColor back, QColor ink) {
    return draw(11, 11, [&](QPainter& p) {
        if (back.alpha() > 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(back);
            p.drawRoundedRect(QRectF(0, 0, 11, 11), 2, 2);
        }
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 3), QPointF(8, 8));
        p.drawLine(QPointF(8, 3), QPointF(3, 8));
    });
}

// The empty list's picture: a person with a plus, over a short underline.
QPixmap helpPicture(QColor accent) {
    return draw(120, 90, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC8, 0xD4, 0xE0));
        p.drawEllipse(QRectF(42, 12, 30, 30));
        p.drawRoundedRect(QRectF(30, 46, 54, 30), 14, 14);
        p.setBrush(accent);
        p.drawEllipse(QRectF(74, 44, 26, 26));
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(87, 50), QPointF(87, 64));
        p.drawLine(QPointF(80, 57), QPointF(94, 57));
        p.setPen(QPen(QColor(0xC8, 0xD4, 0xE0), 2));
        p.drawLine(QPointF(20, 84), QPointF(100, 84));
    });
}

} // namespace

SkinLibrary::SkinLibrary() {
    auto& m = pictures_;
    m.insert(QStringLiteral("NewMsg"), envelope(18, 11, QColor(0xFF, 0xC8, 0x3C)));
    m.insert(QStringLiteral("NewMsg1"), envelope(17, 10, QColor(0xFF, 0x8A, 0x3C)));
    m.insert(QStringLiteral("GroupUp_png"), arrow(false));
    m.insert(QStringLiteral("GroupDown_png"), arrow(true));
    m.insert(QStringLiteral("status_busy"), badge(QColor(0xE0, 0x3C, 0x31), [](QPainter& p) {
                 p.setPen(QPen(Qt::white, 1.6));
                 p.drawLine(QPointF(3, 5.5), QPointF(8, 5.5));
             }));
    m.insert(QStringLiteral("status_away"), badge(QColor(0xF2, 0xB1, 0x1B), [](QPainter& p) {
                 p.setPen(QPen(Qt::white, 1.2));
                 p.drawLine(QPointF(5.5, 2.8), QPointF(5.5, 5.8));
                 p.drawLine(QPointF(5.5, 5.8), QPointF(7.8, 7.2));
             }));
    m.insert(QStringLiteral("status_mute"), badge(QColor(0xB0, 0x2A, 0x5A), [](QPainter& p) {
                 p.setPen(QPen(Qt::white, 1.4));
                 p.drawLine(QPointF(3, 3), QPointF(8, 8));
             }));
    m.insert(QStringLiteral("status_invisible"), badge(QColor(0x9A, 0xA4, 0xAE), [](QPainter& p) {
                 p.setPen(QPen(Qt::white, 1.2));
                 p.setBrush(Qt::NoBrush);
                 p.drawEllipse(QRectF(3.5, 3.5, 4, 4));
             }));
    m.insert(QStringLiteral("status_phone"), badge(QColor(0x2E, 0x9E, 0x4F), [](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(Qt::white);
                 p.drawRoundedRect(QRectF(3.8, 2.4, 3.4, 6.2), 0.8, 0.8);
             }));
    m.insert(QStringLiteral("selceted_bg1"),
             band(QColor(0xEE, 0xF5, 0xFC), QColor(0xE1, 0xEE, 0xFA), QColor(0xD2, 0xE3, 0xF4)));
    m.insert(QStringLiteral("selceted_bg2"),
             band(QColor(0xFC, 0xEB, 0xB6), QColor(0xF8, 0xDC, 0x8C), QColor(0xE8, 0xC4, 0x68)));
    m.insert(QStringLiteral("ListBG"),
             band(QColor(0x4F, 0x9C, 0xE6), QColor(0x2F, 0x7E, 0xD0), QColor(0x2A, 0x6F, 0xB8)));
    m.insert(QStringLiteral("downbtn"), draw(16, 16, [](QPainter& p) {
                 p.setPen(QPen(QColor(0x8C, 0xA0, 0xB4), 1));
                 p.setBrush(QColor(0xF6, 0xF9, 0xFC));
                 p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0x5A, 0x6E, 0x82));
                 QPainterPath path;
                 path.moveTo(4, 6);
                 path.lineTo(12, 6);
                 path.lineTo(8, 11);
                 path.closeSubpath();
                 p.drawPath(path);
             }));
    m.insert(QStringLiteral("btn_CreateGroup"), draw(48, 18, [](QPainter& p) {
                 p.setPen(QPen(QColor(0x3A, 0x7F, 0xC8), 1));
                 p.setBrush(QColor(0xEA, 0xF3, 0xFC));
                 p.drawRoundedRect(QRectF(0.5, 0.5, 47, 17), 4, 4);
                 p.setPen(QPen(QColor(0x2F, 0x6F, 0xB3), 2, Qt::SolidLine, Qt::RoundCap));
                 p.drawLine(QPointF(24, 5), QPointF(24, 13));
                 p.drawLine(QPointF(20, 9), QPointF(28, 9));
             }));
    m.insert(QStringLiteral("HelpPic1"), helpPicture(QColor(0x3A, 0x8E, 0xE0)));
    m.insert(QStringLiteral("HelpPic2"), helpPicture(QColor(0xF0, 0x8C, 0x30)));
    m.insert(QStringLiteral("delete_normal"), cross(Qt::transparent, QColor(0x9A, 0xA4, 0xAE)));
    m.insert(QStringLiteral("delete_hover"), cross(QColor(0xE0, 0x3C, 0x31), Qt::white));
    m.insert(QStringLiteral("delete_white"), cross(Qt::transparent, Qt::white));
    m.insert(QStringLiteral("line_dot1"), draw(283, 1, [](QPainter& p) {
                 for (int x = 0; x < 283; x += 3)
                     p.fillRect(QRect(x, 0, 1, 1), QColor(0xB8, 0xC2, 0xCC));
             }));
}

SkinLibrary& SkinLibrary::shared() {
    static SkinLibrary library;
    return library;
}

QPixmap SkinLibrary::picture(const QString& name) const {
    return pictures_.value(name);
}

} // namespace vantor::ui
