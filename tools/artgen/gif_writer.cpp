#include "gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace artgen {

namespace {

constexpr int kTransparent = 255;
constexpr int kMaxColours = 255;
constexpr int kAlphaThreshold = 100; // below this a pixel is transparent

struct Box {
    std::vector<std::pair<QRgb, int>> colours; // colour and how many pixels have it
    int range(int channel) const {
        int lo = 255, hi = 0;
        for (const auto& [c, n] : colours) {
            const int v = (c >> (16 - 8 * channel)) & 0xFF;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo;
    }
};

// Median cut: splits the box with the widest channel until there are `limit` boxes.
std::vector<QRgb> medianCut(const std::map<QRgb, int>& histogram, size_t limit) {
    std::vector<Box> boxes(1);
    for (const auto& entry : histogram)
        boxes[0].colours.push_back(entry);
    while (boxes.size() < limit) {
        size_t best = 0;
        int bestChannel = 0, bestRange = 0;
        for (size_t i = 0; i < boxes.size(); ++i)
            for (int ch = 0; ch < 3; ++ch)
                if (boxes[i].colours.size() > 1 && boxes[i].range(ch) > bestRange) {
                    best = i;
                    bestChannel = ch;
                    bestRange = boxes[i].range(ch);
                }
        if (bestRange == 0) break;
        Box& box = boxes[best];
        const int shift = 16 - 8 * bestChannel;
        std::sort(box.colours.begin(), box.colours.end(), [shift](const auto& a, const auto& b) {
            return ((a.first >> shift) & 0xFF) < ((b.first >> shift) & 0xFF);
        });
        int total = 0;
        for (const auto& e : box.colours)
            total += e.second;
        size_t cut = 0;
        for (int seen = 0; cut + 1 < box.colours.size() && seen * 2 < total; ++cut)
            seen += box.colours[cut].second;
        cut = std::clamp<size_t>(cut, 1, box.colours.size() - 1);
        Box upper;
        upper.colours.assign(box.colours.begin() + ptrdiff_t(cut), box.colours.end());
        box.colours.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<QRgb> palette;
    for (const Box& b : boxes) {
        long r = 0, g = 0, bl = 0, n = 0;
        for (const auto& [c, count] : b.colours) {
            r += qRed(c) * count;
            g += qGreen(c) * count;
            bl += qBlue(c) * count;
            n += count;
        }
        palette.push_back(qRgb(int(r / n), int(g / n), int(bl / n)));
    }
    return palette;
}

int nearest(const std::vector<QRgb>& palette, QRgb c) {
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
                   db = qBlue(c) - qBlue(palette[i]);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            best = int(i);
            bestDistance = d;
        }
    }
    return best;
}

// The colour of a pixel laid over white, or 0 for a transparent pixel.
std::optional<QRgb> overWhite(QRgb p) {
    const int a = qAlpha(p);
    if (a < kAlphaThreshold) return std::nullopt;
    auto mix = [a](int v) { return (v * a + 255 * (255 - a)) / 255; };
    return qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
}

} // namespace

bool writeGif(const QString& path, const std::vector<QImage>& frames, int delayCs, QString* error) {
    if (frames.empty()) {
        *error = "no frames";
        return false;
    }
    const int w = frames[0].width(), h = frames[0].height();
    std::vector<QImage> images;
    std::map<QRgb, int> histogram;
    for (const QImage& f : frames) {
        images.push_back(f.convertToFormat(QImage::Format_ARGB32));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (auto c = overWhite(images.back().pixel(x, y))) ++histogram[*c];
    }
    std::vector<QRgb> palette;
    if (histogram.size() <= size_t(kMaxColours)) {
        for (const auto& entry : histogram)
            palette.push_back(entry.first);
    } else {
        palette = medianCut(histogram, kMaxColours);
    }
    std::map<QRgb, int> indexOf;
    for (const auto& entry : histogram)
        indexOf[entry.first] = nearest(palette, entry.first);

    std::array<GifColorType, 256> colours{};
    for (size_t i = 0; i < palette.size(); ++i)
        colours[i] = {GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                      GifByteType(qBlue(palette[i]))};
    colours[kTransparent] = {255, 255, 255};

    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &err);
    if (!gif) {
        *error = QString("cannot create %1: %2").arg(path, GifErrorString(err));
        return false;
    }
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, w, h, 8, kTransparent, map) == GIF_OK;
    if (ok && frames.size() > 1) {
        GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        GifByteType loop[] = {1, 0, 0}; // loop for ever
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK &&
             EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    std::vector<GifPixelType> line(size_t(w), 0);
    for (const QImage& image : images) {
        if (!ok) break;
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_BACKGROUND;
        gcb.UserInputFlag = false;
        gcb.DelayTime = frames.size() > 1 ? delayCs : 0;
        gcb.TransparentColor = kTransparent;
        GifByteType ext[4];
        const size_t extLength = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLength), ext) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const auto c = overWhite(image.pixel(x, y));
                line[size_t(x)] = GifPixelType(c ? indexOf[*c] : kTransparent);
            }
            ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
        }
    }
    GifFreeMapObject(map);
    if (!ok) *error = QString("cannot write %1: %2").arg(path, GifErrorString(gif->Error));
    if (EGifCloseFile(gif, &err) != GIF_OK && ok) {
        *error = QString("cannot close %1: %2").arg(path, GifErrorString(err));
        ok = false;
    }
    return ok;
}

} // namespace artgen
