#include "people/picture_codec.h"

#include "people/photo_frame.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace vantor::people {

namespace {
QImage loadPicture(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(256); // megabytes: a small file must not claim a huge canvas
    return reader.read();
}
} // namespace

QImage thumbnailOf(const QImage& photo) {
    const QImage area = photo.scaled(139, 115, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage t = area.copy(12, 0, 115, 115);
    for (int side : {60, 50, 40})
        t = t.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return t.convertToFormat(QImage::Format_RGB32);
}

QImage photoOf(const QImage& picture, QSize shown, QRect framedPart) {
    const QImage drawn = picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return drawn.copy(framedPart);
}

bool PictureCodec::decodes(const QByteArray& bytes) const {
    return !bytes.isEmpty() && !loadPicture(bytes).isNull();
}

bool PictureCodec::makeThumbnail(const QString& photoPath, const QString& thumbnailPath) const {
    QFile f(photoPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxPictureBytes) return false;
    const QImage photo = loadPicture(f.readAll());
    if (photo.isNull()) return false;
    QByteArray bmp;
    QBuffer out(&bmp);
    out.open(QIODevice::WriteOnly);
    if (!thumbnailOf(photo).save(&out, "BMP")) return false;
    return writeAtomically(thumbnailPath, bmp);
}

std::optional<QByteArray> PictureCodec::photoFromFile(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024 * 1024) return std::nullopt;
    const QImage picture = loadPicture(f.readAll());
    if (picture.isNull()) return std::nullopt;
    const Placement p = initialPlacement(picture.size());
    const QSize shown = shownSize(picture.size(), p.zoom);
    // Without a hand on the frame: the frame centred over the picture as shown.
    QRect frame = initialFrame();
    frame.moveCenter(QRect(p.topLeft, shown).center());
    const QRect part = framedPart(keptInArea(frame), p.topLeft, shown);
    if (part.isEmpty()) return std::nullopt;
    return jpegBytes(photoOf(picture, shown, part));
}

QByteArray jpegBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&out, "JPEG", 95);
    return bytes;
}

} // namespace vantor::people
