// Head-picture files of the `UserPic` folder: "<user id>.jpg" (the photo) and "<user id>.bmp" (its
// 40 × 40 thumbnail); whether the server's copy is newer; the names pictures from the network may
// take; and the picture work that needs pixels (IPictureCodec, implemented over Qt Gui).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::people {

// The largest picture taken from the server or uploaded.
inline constexpr qint64 kMaxPictureBytes = 1000000;

QString photoName(uint32_t userId);     // "<id>.jpg"
QString thumbnailName(uint32_t userId); // "<id>.bmp"

// The picture time is newer than the local photo: with no photo file, exactly when the time is not
// 0; with one, when the time is later than the file's modification time (both day counts).
bool isPictureStale(std::optional<double> fileModified, double pictureTime);
// The same for the photo of `userId` in `userPicFolder`.
bool IsPictureStale(const QString& userPicFolder, uint32_t userId, double pictureTime);

// The name a conversation picture from the network is stored under: its base name (after the last
// '/' or '\') when it is 1 to 40 bytes of [A-Za-z0-9._-] not starting with '.'; nothing otherwise.
std::optional<QString> storedPictureName(std::string_view networkName);

// Writes through a temporary file renamed into place: a reader never sees half a picture.
bool writeAtomically(const QString& path, const QByteArray& bytes);

// What needs pixels.
class IPictureCodec {
  public:
    virtual ~IPictureCodec() = default;
    // Whether the bytes are a picture that loads (never keep an empty or broken one).
    virtual bool decodes(const QByteArray& bytes) const = 0;
    // The thumbnail of a photo file, written as the 40 × 40 .bmp of the same name.
    virtual bool makeThumbnail(const QString& photoPath, const QString& thumbnailPath) const = 0;
    // A photo from any picture file, placed as the picture dialog places it when it opens, with the
    // frame centred over it, as JPEG (quality 95). Nothing when the file does not load.
    virtual std::optional<QByteArray> photoFromFile(const QString& path) const = 0;
};

// Without pixels (tests of the wire): JPEG files count as pictures, thumbnails are not made, files
// are taken as they are.
class PlainPictureCodec : public IPictureCodec {
  public:
    bool decodes(const QByteArray& bytes) const override;
    bool makeThumbnail(const QString&, const QString&) const override { return false; }
    std::optional<QByteArray> photoFromFile(const QString& path) const override;
};

} // namespace vantor::people
