#include "people/photo_frame.h"

#include <algorithm>
#include <cmath>

namespace vantor::people {

Placement initialPlacement(QSize picture, QSize area) {
    Placement p;
    if (picture.isEmpty() || area.isEmpty()) return p;
    if (picture.width() < area.width() && picture.height() <= area.height()) {
        p.topLeft.setX((area.width() - picture.width()) / 2);
        if (picture.height() < area.height()) p.topLeft.setY((area.height() - picture.height()) / 2);
        return p;
    }
    const double ratio =
        std::min(double(area.width()) / picture.width(), double(area.height()) / picture.height());
    p.zoom = std::clamp(int(std::lround(ratio * 100)), 1, 100);
    return p;
}

QSize shownSize(QSize picture, int zoom) {
    zoom = std::clamp(zoom, 1, 100);
    return {std::max(1, int(int64_t(picture.width()) * zoom / 100)),
            std::max(1, int(int64_t(picture.height()) * zoom / 100))};
}

QRect initialFrame(QSize area) {
    return QRect((area.width() - kFrameWidth) / 2, (area.height() - kFrameHeight) / 2, kFrameWidth,
                 kFrameHeight);
}

QRect keptInArea(QRect frame, QSize area) {
    const int w = std::clamp(frame.width(), kMinFrameSide, area.width());
    const int h = std::clamp(frame.height(), kMinFrameSide, area.height());
    const int x = std::clamp(frame.x(), 0, area.width() - w);
    const int y = std::clamp(frame.y(), 0, area.height() - h);
    return {x, y, w, h};
}

QRect framedPart(QRect frame, QPoint pictureTopLeft, QSize shown) {
    const QRect inside = frame.adjusted(1, 1, -1, -1).translated(-pictureTopLeft);
    return inside.intersected(QRect(QPoint(0, 0), shown));
}

} // namespace vantor::people
