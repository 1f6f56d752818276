// The geometry of the picture dialog's photo cropping: where a loaded picture is placed in the
// crop area and at which zoom, its shown size at a zoom, and the crop frame whose inside (one
// pixel in from its border) becomes the photo.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vantor::people {

// The crop area of the picture dialog, and the crop frame it starts with (its inside is the
// 139 × 115 of the thumbnail rule).
inline constexpr int kCropAreaWidth = 300;
inline constexpr int kCropAreaHeight = 300;
inline constexpr int kFrameWidth = 141;
inline constexpr int kFrameHeight = 117;
inline constexpr int kMinFrameSide = 12;

struct Placement {
    QPoint topLeft;
    int zoom = 100; // the slider, 1–100
};

// A picture narrower than the area and no higher than it is shown at its own size, centred
// (vertically as well when it is lower than the area), zoom 100. Any other is fitted by the smaller
// of the two ratios and placed at the top left; the zoom is that ratio in per cent, kept in 1–100,
// so that a very wide or very tall picture never starts beyond the slider.
Placement initialPlacement(QSize picture, QSize area = {kCropAreaWidth, kCropAreaHeight});

// The picture's shown size at a zoom (clamped to 1–100): its size × zoom / 100, at least 1 × 1.
QSize shownSize(QSize picture, int zoom);

// The crop frame the dialog starts with: centred in the area.
QRect initialFrame(QSize area = {kCropAreaWidth, kCropAreaHeight});
// A frame moved or resized by the user, kept inside the area and at least kMinFrameSide wide/high.
QRect keptInArea(QRect frame, QSize area = {kCropAreaWidth, kCropAreaHeight});
// The part of the shown picture that becomes the photo: the inside of the frame (one pixel in
// from its border), in the coordinates of the shown picture placed at `pictureTopLeft`, cut to
// the picture. Empty when the frame lies outside the picture.
QRect framedPart(QRect frame, QPoint pictureTopLeft, QSize shown);

} // namespace vantor::people
