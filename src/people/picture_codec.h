// IPictureCodec over QImage: the thumbnail rule, photos framed as the picture dialog frames them.
#pragma once

#include "people/picture_files.h"

#include <QImage>
#include <QRect>

namespace vantor::people {

// The thumbnail rule: the photo stretched into 139 × 115, the 115 × 115 square from 12 pixels from
// the left, scaled (bilinear) to 60 × 60, then 50 × 50, then 40 × 40.
QImage thumbnailOf(const QImage& photo);

// The photo: the picture drawn at its shown size with bilinear scaling, cut to the framed part.
QImage photoOf(const QImage& picture, QSize shown, QRect framedPart);

class PictureCodec : public IPictureCodec {
  public:
    bool decodes(const QByteArray& bytes) const override;
    bool makeThumbnail(const QString& photoPath, const QString& thumbnailPath) const override;
    std::optional<QByteArray> photoFromFile(const QString& path) const override;
};

// JPEG at quality 95.
QByteArray jpegBytes(const QImage& image);

} // namespace vantor::people
