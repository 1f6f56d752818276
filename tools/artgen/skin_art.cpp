#include "skin_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace artgen {

namespace {

enum class Motif { Waves, Leaves, Hills, Rays, Stars, Petals, Lines, Rings };

struct Theme {
    QColor light, dark; // the bars' gradient
    QColor accent;      // the motif
    QColor bottomLight, bottomDark;
    Motif motif;
    QColor name, memo, border, window;
};

const Theme& theme(int n) {
    static const Theme themes[kSkinCount] = {
        {{74, 144, 217},
         {31, 94, 168},
         {200, 230, 255},
         {226, 236, 247},
         {196, 214, 235},
         Motif::Waves,
         {255, 255, 255},
         {217, 232, 247},
         {31, 94, 168},
         {244, 247, 250}},
        {{58, 170, 160},
         {20, 112, 110},
         {210, 250, 230},
         {222, 242, 238},
         {188, 224, 218},
         Motif::Leaves,
         {255, 255, 255},
         {214, 242, 236},
         {20, 112, 110},
         {242, 249, 248}},
        {{120, 186, 84},
         {62, 128, 44},
         {232, 250, 200},
         {232, 244, 220},
         {204, 228, 186},
         Motif::Hills,
         {255, 255, 255},
         {228, 244, 214},
         {62, 128, 44},
         {246, 250, 242}},
        {{245, 160, 70},
         {205, 96, 30},
         {255, 236, 170},
         {250, 236, 220},
         {240, 212, 184},
         Motif::Rays,
         {255, 255, 255},
         {255, 236, 214},
         {205, 96, 30},
         {252, 248, 243}},
        {{104, 84, 170},
         {44, 34, 100},
         {255, 240, 180},
         {228, 224, 242},
         {200, 194, 226},
         Motif::Stars,
         {255, 255, 255},
         {214, 208, 240},
         {44, 34, 100},
         {245, 244, 250}},
        {{226, 120, 150},
         {176, 58, 98},
         {255, 226, 236},
         {248, 228, 234},
         {236, 200, 212},
         Motif::Petals,
         {255, 255, 255},
         {255, 222, 232},
         {176, 58, 98},
         {252, 245, 247}},
        {{112, 120, 130},
         {52, 58, 66},
         {190, 200, 210},
         {228, 230, 233},
         {200, 204, 210},
         Motif::Lines,
         {240, 240, 240},
         {200, 204, 210},
         {52, 58, 66},
         {245, 245, 246}},
        {{170, 120, 80},
         {110, 70, 40},
         {240, 214, 180},
         {240, 230, 218},
         {220, 204, 186},
         Motif::Rings,
         {255, 248, 236},
         {236, 220, 200},
         {110, 70, 40},
         {250, 247, 243}},
    };
    return themes[(n - 1) % kSkinCount];
}

// Pictures are drawn at twice their size and shrunk, for smooth edges.
constexpr int kScale = 2;

QImage draw(int w, int h, const std::function<void(QPainter&, QSizeF)>& paint) {
    QImage big(w * kScale, h * kScale, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(kScale, kScale);
        paint(p, QSizeF(w, h));
    }
    return big.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

void gradient(QPainter& p, QSizeF s, QColor top, QColor bottom) {
    QLinearGradient g(0, 0, 0, s.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(QRectF(QPointF(0, 0), s), g);
    // A thin light edge along the top.
    p.fillRect(QRectF(0, 0, s.width(), 1), QColor(255, 255, 255, 60));
}

QColor alpha(QColor c, int a) {
    c.setAlpha(a);
    return c;
}

// The motif over a rectangle; `strength` 0…255 scales its opacity.
void motif(QPainter& p, Motif m, QRectF r, QColor c, int strength) {
    p.save();
    p.setClipRect(r);
    const qreal w = r.width(), h = r.height();
    switch (m) {
    case Motif::Waves:
        for (int i = 0; i < 3; ++i) {
            QPainterPath path;
            const qreal y0 = r.top() + h * (0.45 + 0.2 * i);
            path.moveTo(r.left(), y0);
            for (qreal x = 0; x <= w; x += 4)
                path.lineTo(r.left() + x, y0 + std::sin((x + i * 17) / 14.0) * h * 0.08);
            path.lineTo(r.right(), r.bottom());
            path.lineTo(r.left(), r.bottom());
            path.closeSubpath();
            p.fillPath(path, alpha(c, strength * (40 + 20 * i) / 255));
        }
        break;
    case Motif::Leaves:
        for (int i = 0; i < 5; ++i) {
            p.save();
            p.translate(r.left() + w * (0.15 + 0.18 * i), r.top() + h * (0.3 + 0.12 * (i % 3)));
            p.rotate(-40 + 25 * i);
            QPainterPath leaf;
            const qreal len = h * 0.45;
            leaf.moveTo(0, 0);
            leaf.quadTo(len * 0.5, -len * 0.3, len, 0);
            leaf.quadTo(len * 0.5, len * 0.3, 0, 0);
            p.fillPath(leaf, alpha(c, strength * 90 / 255));
            p.setPen(QPen(alpha(c, strength * 160 / 255), 0.6));
            p.drawLine(QPointF(0, 0), QPointF(len, 0));
            p.restore();
        }
        break;
    case Motif::Hills:
        for (int i = 0; i < 3; ++i) {
            QPainterPath hill;
            const qreal cx = r.left() + w * (0.2 + 0.35 * i);
            hill.moveTo(cx - w * 0.45, r.bottom());
            hill.quadTo(cx, r.top() + h * (0.25 + 0.15 * i), cx + w * 0.45, r.bottom());
            hill.closeSubpath();
            p.fillPath(hill, alpha(c, strength * (50 + 25 * i) / 255));
        }
        break;
    case Motif::Rays: {
        const QPointF sun(r.left() + w * 0.7, r.top() + h * 0.55);
        for (int i = 0; i < 12; ++i) {
            p.save();
            p.translate(sun);
            p.rotate(i * 30);
            QPainterPath ray;
            ray.moveTo(0, 0);
            ray.lineTo(w, -h * 0.12);
            ray.lineTo(w, h * 0.12);
            ray.closeSubpath();
            p.fillPath(ray, alpha(c, strength * 36 / 255));
            p.restore();
        }
        QRadialGradient g(sun, h * 0.35);
        g.setColorAt(0, alpha(c, strength * 230 / 255));
        g.setColorAt(1, alpha(c, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(sun, h * 0.35, h * 0.35);
        break;
    }
    case Motif::Stars:
        for (int i = 0; i < 14; ++i) {
            // A fixed scatter, the same on every build.
            const qreal x = r.left() + std::fmod(i * 37.0 + 11, 100.0) / 100.0 * w;
            const qreal y = r.top() + std::fmod(i * 53.0 + 7, 100.0) / 100.0 * h;
            const qreal s = 1.0 + (i % 3) * 0.8;
            QPainterPath star;
            for (int k = 0; k < 8; ++k) {
                const qreal a = k * M_PI / 4, rad = (k % 2) ? s * 0.35 : s * 1.6;
                const QPointF pt(x + rad * std::cos(a), y + rad * std::sin(a));
                if (k == 0)
                    star.moveTo(pt);
                else
                    star.lineTo(pt);
            }
            star.closeSubpath();
            p.fillPath(star, alpha(c, strength * (120 + 40 * (i % 3)) / 255));
        }
        break;
    case Motif::Petals:
        for (int i = 0; i < 4; ++i) {
            const QPointF centre(r.left() + w * (0.2 + 0.22 * i), r.top() + h * (0.35 + 0.2 * (i % 2)));
            const qreal rad = h * (0.12 + 0.04 * (i % 2));
            for (int k = 0; k < 5; ++k) {
                p.save();
                p.translate(centre);
                p.rotate(k * 72 + i * 10);
                p.setPen(Qt::NoPen);
                p.setBrush(alpha(c, strength * 80 / 255));
                p.drawEllipse(QPointF(0, -rad), rad * 0.55, rad);
                p.restore();
            }
            p.setBrush(alpha(c, strength * 200 / 255));
            p.drawEllipse(centre, rad * 0.3, rad * 0.3);
        }
        break;
    case Motif::Lines:
        p.setPen(QPen(alpha(c, strength * 50 / 255), 1.0));
        for (qreal x = -h; x < w; x += 6)
            p.drawLine(QPointF(r.left() + x, r.bottom()), QPointF(r.left() + x + h, r.top()));
        break;
    case Motif::Rings:
        p.setBrush(Qt::NoBrush);
        for (int i = 1; i <= 6; ++i) {
            p.setPen(QPen(alpha(c, strength * (140 - 18 * i) / 255), 1.2));
            p.drawEllipse(QPointF(r.left() + w * 0.75, r.top() + h * 0.6), i * h * 0.12, i * h * 0.09);
        }
        break;
    }
    p.restore();
}

QByteArray ini(const Theme& t) {
    const auto bgr = [](QColor c) { return QByteArray::number(c.red() | c.green() << 8 | c.blue() << 16); };
    return "[Init]\r\nH=0\r\nS=0\r\nB=0\r\nALphaBlend=255\r\n[FontColor]\r\nName=" + bgr(t.name) +
           "\r\nMemo=" + bgr(t.memo) + "\r\nBorder=" + bgr(t.border) + "\r\nFormBG=" + bgr(t.window) + "\r\n";
}

} // namespace

SkinArt drawSkin(int n) {
    const Theme& t = theme(n);
    SkinArt a;
    a.mainTopBg = draw(300, 110, [&](QPainter& p, QSizeF s) {
        gradient(p, s, t.light, t.dark);
        motif(p, t.motif, QRectF(QPointF(0, 0), s), t.accent, 70);
    });
    a.mainTopPic = draw(140, 80, [&](QPainter& p, QSizeF s) {
        // Fades out to the left, so it sits on the background without an edge.
        QImage layer(int(s.width() * kScale), int(s.height() * kScale), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter q(&layer);
            q.setRenderHint(QPainter::Antialiasing);
            q.scale(kScale, kScale);
            motif(q, t.motif, QRectF(QPointF(0, 0), s), t.accent, 200);
            q.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            QLinearGradient fade(0, 0, s.width(), 0);
            fade.setColorAt(0, QColor(0, 0, 0, 0));
            fade.setColorAt(0.6, QColor(0, 0, 0, 255));
            q.fillRect(QRectF(QPointF(0, 0), s), fade);
        }
        p.drawImage(QRectF(QPointF(0, 0), s), layer);
    });
    a.topBg = draw(600, 70, [&](QPainter& p, QSizeF s) {
        gradient(p, s, t.light, t.dark);
        motif(p, t.motif, QRectF(QPointF(0, 0), s), t.accent, 50);
    });
    a.topPic = draw(
        180, 60, [&](QPainter& p, QSizeF s) { motif(p, t.motif, QRectF(QPointF(0, 0), s), t.accent, 190); });
    a.bottomBg = draw(300, 30, [&](QPainter& p, QSizeF s) {
        gradient(p, s, t.bottomLight, t.bottomDark);
        p.fillRect(QRectF(0, 0, s.width(), 1), alpha(t.dark, 120));
    });
    a.bottomPic =
        draw(90, 30, [&](QPainter& p, QSizeF s) { motif(p, t.motif, QRectF(QPointF(0, 0), s), t.dark, 90); });
    a.bottomBar = draw(600, 40, [&](QPainter& p, QSizeF s) {
        gradient(p, s, t.bottomLight, t.bottomDark);
        p.fillRect(QRectF(0, 0, s.width(), 1), alpha(t.dark, 120));
        motif(p, t.motif, QRectF(s.width() - 160, 0, 160, s.height()), t.dark, 40);
    });
    a.thumbnail = draw(24, 24, [&](QPainter& p, QSizeF s) {
                      gradient(p, s, t.light, t.dark);
                      motif(p, t.motif, QRectF(QPointF(0, 0), s), t.accent, 160);
                      p.fillRect(QRectF(0, s.height() - 6, s.width(), 6), t.bottomLight);
                  }).convertToFormat(QImage::Format_RGB32);
    a.ini = ini(t);
    return a;
}

} // namespace artgen
