// Draws the client's built-in pictures into a program folder: Face/<index>.gif, the placeholders and
// default pictures in SysImages/, CustomFace/FacePage1.bmp, the message sound Sound/msg.wav and the
// skins Skin/Skin1 … Skin8 with their thumbnails Skin/1.jpg … 8.jpg. Run by the
// build as
//   vantor_artgen <program folder>
#include "conversation/faces.h"
#include "faces.h"
#include "gif_writer.h"
#include "skin_art.h"
#include "sound_art.h"
#include "sys_art.h"

#include <QFile>

#include <QDir>
#include <QImage>

#include <cstdio>

namespace {

bool fail(const QString& message) {
    std::fprintf(stderr, "vantor_artgen: %s\n", qPrintable(message));
    return false;
}

bool gif(const QString& path, const std::vector<QImage>& frames, int delayCs) {
    QString error;
    return artgen::writeGif(path, frames, delayCs, &error) || fail(error);
}

bool bmp(const QString& path, const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888).save(path, "BMP") || fail("cannot write " + path);
}

bool png(const QString& path, const QImage& image) {
    return image.save(path, "PNG") || fail("cannot write " + path);
}

// Skin/Skin<n>/ with its seven pictures and Skin.ini, and the dialog's thumbnail Skin/<n>.jpg.
bool skins(const QDir& root) {
    for (int n = 1; n <= artgen::kSkinCount; ++n) {
        const QString folder = QString("Skin/Skin%1/").arg(n);
        if (!root.mkpath(folder)) return fail("cannot create " + root.filePath(folder));
        const artgen::SkinArt art = artgen::drawSkin(n);
        QFile ini(root.filePath(folder + "Skin.ini"));
        if (!(png(root.filePath(folder + "MainTop_Pic.png"), art.mainTopPic) &&
              png(root.filePath(folder + "MainTop_bg.png"), art.mainTopBg) &&
              png(root.filePath(folder + "Top_Pic.png"), art.topPic) &&
              png(root.filePath(folder + "Top_bg.png"), art.topBg) &&
              png(root.filePath(folder + "Bottom_Pic.png"), art.bottomPic) &&
              png(root.filePath(folder + "Bottom_Bg.png"), art.bottomBg) &&
              png(root.filePath(folder + "Bottom_bar.png"), art.bottomBar)))
            return false;
        if (!ini.open(QIODevice::WriteOnly) || ini.write(art.ini) != art.ini.size())
            return fail("cannot write " + ini.fileName());
        if (!art.thumbnail.save(root.filePath(QString("Skin/%1.jpg").arg(n)), "JPG", 90))
            return fail(QString("cannot write Skin/%1.jpg").arg(n));
    }
    return true;
}

bool wav(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) || fail("cannot write " + path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantor_artgen <program folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"Face", "SysImages", "CustomFace", "Sound"})
        if (!root.mkpath(sub)) return fail(QString("cannot create ") + root.filePath(sub)), 1;

    std::vector<QImage> firstFrames;
    for (int i = 0; i < vantor::conversation::kFaceCount; ++i) {
        const artgen::FaceArt art = artgen::drawFace(i);
        if (!gif(root.filePath(QString("Face/%1.gif").arg(i)), art.frames, art.delayCs)) return 1;
        firstFrames.push_back(art.frames.front());
    }
    const bool ok = gif(root.filePath("SysImages/ImageLoading.gif"), artgen::loadingFrames(), 10) &&
                    gif(root.filePath("SysImages/ImageError.gif"), {artgen::errorPicture()}, 0) &&
                    bmp(root.filePath("SysImages/DefaultHead.bmp"), artgen::defaultHead()) &&
                    bmp(root.filePath("SysImages/DefaultGroup.bmp"), artgen::defaultGroup()) &&
                    bmp(root.filePath("CustomFace/FacePage1.bmp"), artgen::facePage(firstFrames)) &&
                    wav(root.filePath("Sound/msg.wav"), artgen::messageChime()) && skins(root);
    return ok ? 0 : 1;
}
