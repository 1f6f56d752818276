// The pictures drawn at build time: every face is there, readable, 24 × 24 and different from the
// others; the placeholders and default pictures load; the face page has one face per cell.
#include "conversation/faces.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>

#include <set>

using namespace vantor::conversation;

namespace {

QString programFile(const QString& name) {
    return QString(VANTOR_BIN_DIR) + "/" + name;
}

QByteArray pixelsDigest(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes()),
        QCryptographicHash::Md5);
}

TEST(Artwork, EveryFaceIsADistinctReadablePicture) {
    std::set<QByteArray> seen;
    int animated = 0;
    for (int i = 0; i < kFaceCount; ++i) {
        SCOPED_TRACE(i);
        QImageReader reader(programFile("Face/" + QString::fromStdString(faceFileName(i))));
        ASSERT_EQ(reader.format(), "gif");
        const QImage first = reader.read();
        ASSERT_FALSE(first.isNull()) << qPrintable(reader.errorString());
        EXPECT_EQ(first.size(), QSize(kFacePictureSize, kFacePictureSize));
        EXPECT_TRUE(seen.insert(pixelsDigest(first)).second) << "same picture as an earlier face";
        if (reader.imageCount() > 1) ++animated;
    }
    EXPECT_GT(animated, 0);
}

TEST(Artwork, PlaceholdersAndDefaults) {
    struct Case {
        const char* file;
        QSize size;
        bool animated;
    } cases[] = {
        {"SysImages/ImageLoading.gif", {32, 32}, true},
        {"SysImages/ImageError.gif", {32, 32}, false},
        {"SysImages/DefaultHead.bmp", {40, 40}, false},
        {"SysImages/DefaultGroup.bmp", {40, 40}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QImageReader reader(programFile(c.file));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << qPrintable(reader.errorString());
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(reader.imageCount() > 1, c.animated);
    }
}

TEST(Artwork, FacePageHasAFaceInEveryCell) {
    const QImage page(programFile("CustomFace/FacePage1.bmp"));
    ASSERT_FALSE(page.isNull());
    ASSERT_EQ(page.size(), QSize(kFacePageColumns * kFaceCellWidth, kFacePageRows * kFaceCellHeight));
    for (int i = 0; i < kFaceCount; ++i) {
        const int x0 = (i % kFacePageColumns) * kFaceCellWidth, y0 = (i / kFacePageColumns) * kFaceCellHeight;
        int coloured = 0;
        for (int y = y0 + 2; y < y0 + kFaceCellHeight - 2; ++y)
            for (int x = x0 + 2; x < x0 + kFaceCellWidth - 2; ++x)
                if (qGray(page.pixel(x, y)) < 200) ++coloured;
        EXPECT_GT(coloured, 40) << "cell of face " << i << " looks empty";
        EXPECT_EQ(faceAtPagePoint(x0 + kFaceCellWidth / 2, y0 + kFaceCellHeight / 2), i);
    }
}

} // namespace
