// The picture arithmetic: whether the server's photo is newer, the names pictures from the network
// may take, where a loaded picture starts in the crop area, and the thumbnail's pixels.
#include "people/photo_frame.h"
#include "people/picture_codec.h"
#include "people/picture_files.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace vantor::testing {
namespace {

using namespace people;

TEST(PicturesTest, StalenessFollowsTheFileAndTheServersTime) {
    const struct {
        std::optional<double> file;
        double server;
        bool stale;
    } cases[] = {
        {std::nullopt, 0, false},      // no photo anywhere: nothing to fetch
        {std::nullopt, 46000.5, true}, // the server has one, we do not
        {46000.5, 46000.25, false},    // ours is newer
        {46000.5, 46000.5, false},     // the same moment
        {46000.25, 46000.5, true},     // the server's is newer
        {46000.5, 0, false},           // the server forgot it: ours stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(isPictureStale(c.file, c.server), c.stale) << (c.file ? *c.file : -1) << " " << c.server;
}

TEST(PicturesTest, NamesFromTheNetworkStayPlainBaseNames) {
    const struct {
        const char* network;
        const char* stored; // nullptr: refused
    } cases[] = {
        {"3F2A.jpg", "3F2A.jpg"},
        {"../../etc/passwd", "passwd"},
        {"..\\..\\evil.gif", "evil.gif"},
        {"/abs/pic.png", "pic.png"},
        {"..", nullptr},
        {".hidden", nullptr},
        {"dir/", nullptr},
        {"", nullptr},
        {"name with space.jpg", nullptr},
        {"\xCD\xBC.jpg", nullptr},                                   // GBK
        {"a12345678901234567890123456789012345678901.jpg", nullptr}, // beyond 40 bytes
    };
    for (const auto& c : cases) {
        const auto got = storedPictureName(c.network);
        if (!c.stored)
            EXPECT_FALSE(got) << c.network;
        else
            EXPECT_EQ(got.value_or(QString()).toStdString(), c.stored) << c.network;
    }
}

TEST(PicturesTest, ALoadedPictureStartsFittedInTheCropArea) {
    const QSize area(300, 300);
    const struct {
        QSize picture;
        QPoint topLeft;
        int zoom;
    } cases[] = {
        {{100, 80}, {100, 110}, 100}, // small: own size, centred both ways
        {{100, 300}, {100, 0}, 100},  // narrower, as high as the area: centred across only
        {{300, 600}, {0, 0}, 50},     // as wide as the area, 600 high: half
        {{600, 600}, {0, 0}, 50},
        {{4000, 300}, {0, 0}, 8},  // very wide: fitted across (not 100 by its height)
        {{100, 3000}, {0, 0}, 10}, // very tall and narrow: fitted by its height
        {{100000, 10}, {0, 0}, 1}, // never below the slider's 1
    };
    for (const auto& c : cases) {
        const Placement p = initialPlacement(c.picture, area);
        EXPECT_EQ(p.topLeft, c.topLeft) << c.picture.width() << "x" << c.picture.height();
        EXPECT_EQ(p.zoom, c.zoom) << c.picture.width() << "x" << c.picture.height();
        const QSize shown = shownSize(c.picture, p.zoom);
        if (p.zoom > 1) { // the whole picture can be seen, but for the zoom's rounding
            EXPECT_TRUE(shown.width() <= area.width() + c.picture.width() / 200 + 1 &&
                        shown.height() <= area.height() + c.picture.height() / 200 + 1)
                << c.picture.width() << "x" << c.picture.height();
        }
    }
    EXPECT_EQ(shownSize({640, 480}, 0), QSize(6, 4)); // the zoom is kept within 1–100
    EXPECT_EQ(shownSize({640, 480}, 250), QSize(640, 480));
}

TEST(PicturesTest, TheFrameKeepsInsideTheAreaAndCutsInsideItsBorder) {
    EXPECT_EQ(keptInArea(QRect(-20, 250, 141, 117)), QRect(0, 183, 141, 117));
    EXPECT_EQ(keptInArea(QRect(10, 10, 2, 900)), QRect(10, 0, kMinFrameSide, 300));
    // The inside of the frame, in the picture's own coordinates, cut to the picture.
    EXPECT_EQ(framedPart(QRect(50, 40, 141, 117), QPoint(20, 10), QSize(400, 400)), QRect(31, 31, 139, 115));
    EXPECT_EQ(framedPart(QRect(0, 0, 50, 50), QPoint(100, 100), QSize(50, 50)), QRect());
}

// A picture in four colours by quadrant, with a 12/139 wide magenta strip at the left that the
// thumbnail rule cuts away.
QImage quadrants(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    const int w = size.width(), h = size.height();
    const int strip = w * 12 / 139;
    const int midX = strip + (w - strip) / 2; // the middle of what stays after the cut, before the 115 square
    p.fillRect(0, 0, w, h, Qt::black);
    p.fillRect(strip, 0, midX - strip, h / 2, Qt::red);
    p.fillRect(midX, 0, w - midX, h / 2, Qt::green);
    p.fillRect(strip, h / 2, midX - strip, h - h / 2, Qt::blue);
    p.fillRect(midX, h / 2, w - midX, h - h / 2, Qt::yellow);
    p.fillRect(0, 0, strip, h, Qt::magenta);
    return img;
}

TEST(PicturesTest, TheThumbnailIsTheStretchedSquareAt40Pixels) {
    // Golden pixels: inside each quadrant, away from the blended seams.
    const struct {
        QPoint at;
        QRgb colour;
    } golden[] = {{{4, 8}, qRgb(255, 0, 0)},  {{14, 14}, qRgb(255, 0, 0)},   {{36, 4}, qRgb(0, 255, 0)},
                  {{4, 35}, qRgb(0, 0, 255)}, {{36, 36}, qRgb(255, 255, 0)}, {{1, 10}, qRgb(255, 0, 0)}};
    for (const QSize size : {QSize(139, 115), QSize(278, 230), QSize(695, 575), QSize(1390, 1150)}) {
        const QImage t = thumbnailOf(quadrants(size));
        ASSERT_EQ(t.size(), QSize(40, 40));
        for (const auto& g : golden) {
            const QRgb px = t.pixel(g.at);
            EXPECT_NEAR(qRed(px), qRed(g.colour), 24)
                << size.width() << " at " << g.at.x() << "," << g.at.y();
            EXPECT_NEAR(qGreen(px), qGreen(g.colour), 24)
                << size.width() << " at " << g.at.x() << "," << g.at.y();
            EXPECT_NEAR(qBlue(px), qBlue(g.colour), 24)
                << size.width() << " at " << g.at.x() << "," << g.at.y();
        }
    }
}

TEST(PicturesTest, ThePhotoIsTheFramedPartOfThePictureAsShown) {
    const QImage picture = quadrants(QSize(600, 600)); // starts at zoom 50: shown 300 × 300
    const Placement p = initialPlacement(picture.size());
    const QSize shown = shownSize(picture.size(), p.zoom);
    const QRect part = framedPart(initialFrame(), p.topLeft, shown);
    const QImage photo = photoOf(picture, shown, part);
    EXPECT_EQ(photo.size(), QSize(139, 115));
    // The frame sits in the middle: its four corners are in the four quadrants.
    EXPECT_EQ(QColor(photo.pixel(2, 2)).name().toStdString(), "#ff0000");
    EXPECT_EQ(QColor(photo.pixel(136, 112)).name().toStdString(), "#ffff00");

    PictureCodec codec;
    EXPECT_FALSE(codec.decodes(QByteArray()));
    EXPECT_FALSE(codec.decodes(QByteArray("\xFF\xD8\xFF\xE0 not really", 15)));
    EXPECT_TRUE(codec.decodes(jpegBytes(photo)));
}

} // namespace
} // namespace vantor::testing
