// Drawing kit for the face pictures: every picture is drawn on a 24-unit grid at four times its size
// and shrunk, so thin strokes keep smooth edges. One palette and one set of features (head, eyes,
// brows, mouths, drops, hearts, hands) give all faces the same simple, friendly look.
#pragma once

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>

namespace artgen {

inline constexpr int kSuper = 4;

// A transparent canvas for a picture of `size` × `size` pixels, and the painter's scale for it.
QImage canvas(int width, int height);
void begin(QPainter& p, QImage& image);
// Shrinks a canvas to its final size.
QImage shrink(const QImage& image, int width, int height);

namespace ink {
inline const QColor outline{150, 88, 10};
inline const QColor skinLight{255, 229, 120};
inline const QColor skinDark{247, 184, 46};
inline const QColor feature{84, 48, 10};
inline const QColor mouthInside{160, 40, 30};
inline const QColor tongue{245, 120, 120};
inline const QColor white{255, 255, 255};
inline const QColor water{90, 180, 245};
inline const QColor waterLine{40, 120, 200};
inline const QColor blush{255, 120, 130, 150};
inline const QColor red{228, 48, 48};
inline const QColor redLine{150, 20, 20};
inline const QColor pink{245, 80, 120};
inline const QColor green{90, 170, 60};
inline const QColor greenLine{40, 110, 30};
inline const QColor grey{150, 150, 160};
inline const QColor dark{50, 50, 55};
} // namespace ink

// A round stroke pen.
QPen line(const QColor& colour, qreal width);
// Fills `path` and strokes its outline.
void shape(QPainter& p, const QPainterPath& path, const QBrush& fill, const QColor& edge, qreal width = 0.9);
void disc(QPainter& p, QPointF c, qreal rx, qreal ry, const QBrush& fill, const QColor& edge,
          qreal width = 0.9);

// The round head, lit from the top left.
void head(QPainter& p, QColor light = ink::skinLight, QColor dark = ink::skinDark, QPointF c = {12, 12.5},
          qreal r = 10.3);

enum class Eyes {
    Normal,
    Happy,  // ^ ^
    Closed, // curved down, asleep
    Wink,   // left open, right ^
    Hearts,
    Spirals,
    Squeeze, // > <
    Wide,    // white with a small pupil
    Roll,    // pupils at the top
    Left,    // looking left
    Right,   // looking right
    HalfLid,
    Sparkle,
    Crosses,
    Dots,
    Shades, // sunglasses
    Stars,
    Tearful, // big eyes with welling tears
};
void eyes(QPainter& p, Eyes kind, QPointF shift = {});

enum class Brows { Angry, Sad, Raised, Flat, Sly };
void brows(QPainter& p, Brows kind, QPointF shift = {});

enum class Mouth {
    Smile,
    Laugh, // open, with tongue
    Frown,
    Flat,
    O,
    BigO,
    Wavy,
    Teeth,  // toothy grin
    Clench, // clenched teeth
    Tongue, // smile with the tongue out
    Smirk,
    Pout, // lopsided and turned down
    Kiss,
    Zip,
    Yawn,
    SmallSmile,
    Wobble, // trembling, about to cry
};
void mouth(QPainter& p, Mouth kind, QPointF shift = {});

// A top-to-bottom gradient between two colours.
QLinearGradient vertical(qreal top, qreal bottom, QColor a, QColor b);
// A heart of width `size` centred on `c`.
QPainterPath heartPath(QPointF c, qreal size);

// A drop with its point upwards (tears, sweat).
void drop(QPainter& p, QPointF bottom, qreal size, QColor fill = ink::water, QColor edge = ink::waterLine);
void blush(QPainter& p);
void heart(QPainter& p, QPointF c, qreal size, QColor fill = ink::red, QColor edge = ink::redLine);
// A letter "z" as strokes.
void zee(QPainter& p, QPointF topLeft, qreal size, QColor colour);
void questionMark(QPainter& p, QPointF top, qreal size, QColor colour);
void star(QPainter& p, QPointF c, qreal r, QColor fill, QColor edge);
void spiral(QPainter& p, QPointF c, qreal r, QColor colour, qreal width = 0.8);

// Hands: a finger as a rounded bar from `base` in direction `angle` (degrees, 0 = up, clockwise),
// and a palm or fist as a rounded box.
void finger(QPainter& p, QPointF base, qreal angle, qreal length, qreal width = 3.2);
void palm(QPainter& p, QRectF box, qreal radius = 2.6);
// A fist facing the viewer, fingers curled (knuckle lines on the right).
void fist(QPainter& p, QRectF box);
void sleeve(QPainter& p, QRectF box, QColor colour);

} // namespace artgen
