#include "skin/shadow_picture.h"

#include <algorithm>
#include <array>

namespace vantor::skin {

namespace {

// The process-wide table of i × j div 255, built on first use.
const std::array<uint8_t, 256 * 256>& table() {
    static const std::array<uint8_t, 256 * 256> t = [] {
        std::array<uint8_t, 256 * 256> a{};
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                a[size_t(i * 256 + j)] = uint8_t(i * j / 255);
        return a;
    }();
    return t;
}

} // namespace

uint8_t multiplyBytes(uint8_t i, uint8_t j) {
    return table()[size_t(i) * 256 + j];
}

bool ShadowPicture::resize(int windowWidth, int windowHeight) {
    const int w = std::max(0, windowWidth) + 2 * kShadowMargin;
    const int h = std::max(0, windowHeight) + 2 * kShadowMargin;
    if (w == width_ && h == height_) return false;
    width_ = w;
    height_ = h;
    plane_.assign(size_t(w) * size_t(h), 0);
    argb_.assign(size_t(w) * size_t(h), 0);
    return true;
}

void ShadowPicture::blurPass(uint8_t* plane, int w, int h, int d) {
    const auto at = [&](int y) { return plane + size_t(std::clamp(y, 0, h - 1)) * size_t(w); };
    const int inner0 = std::min(d, w);
    const int inner1 = std::max(inner0, w - d);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = at(y);
        const uint8_t* up = at(y - d);
        const uint8_t* down = at(y + d);
        // Each write is seen by the reads that follow it, in this order: left edge, inside, right edge.
        for (int x = 0; x < inner0; ++x) {
            const int l = std::max(x - d, 0), r = std::min(x + d, w - 1);
            row[x] = uint8_t((up[l] + up[r] + down[l] + down[r]) >> 2);
        }
        for (int x = inner0; x < inner1; ++x)
            row[x] = uint8_t((up[x - d] + up[x + d] + down[x - d] + down[x + d]) >> 2);
        for (int x = inner1; x < w; ++x) {
            const int l = std::max(x - d, 0), r = std::min(x + d, w - 1);
            row[x] = uint8_t((up[l] + up[r] + down[l] + down[r]) >> 2);
        }
    }
}

void ShadowPicture::build(const std::vector<PixelRect>& shape, uint32_t colour) {
    const int w = width_, h = height_;
    std::fill(plane_.begin(), plane_.end(), uint8_t(0));
    const auto fill = [&](PixelRect r) {
        const int x0 = std::clamp(r.x + kShadowMargin, 0, w),
                  x1 = std::clamp(r.x + r.width + kShadowMargin, 0, w);
        const int y0 = std::clamp(r.y + kShadowMargin, 0, h),
                  y1 = std::clamp(r.y + r.height + kShadowMargin, 0, h);
        for (int y = y0; y < y1; ++y)
            std::fill(plane_.begin() + y * w + x0, plane_.begin() + y * w + x1, uint8_t(255));
    };
    if (shape.empty())
        fill({0, 0, w - 2 * kShadowMargin, h - 2 * kShadowMargin});
    else
        for (const PixelRect& r : shape)
            fill(r);
    // Blue, green and red start equal (black and white) and every pass treats them alike, so one
    // plane carries all three.
    if (w > 0 && h > 0)
        for (int d = 1; d <= 3; ++d)
            blurPass(plane_.data(), w, h, d);
    recolour(colour);
}

void ShadowPicture::recolour(uint32_t colour) {
    const auto& t = table();
    const uint8_t* red = &t[size_t(colour & 0xFF) * 256];
    const uint8_t* green = &t[size_t((colour >> 8) & 0xFF) * 256];
    const uint8_t* blue = &t[size_t((colour >> 16) & 0xFF) * 256];
    for (size_t i = 0; i < plane_.size(); ++i) {
        const uint8_t a = plane_[i];
        argb_[i] = uint32_t(a) << 24 | uint32_t(red[a]) << 16 | uint32_t(green[a]) << 8 | blue[a];
    }
}

std::vector<PixelRect> roundedWindowShape(int w, int h) {
    if (w < 3 || h < 3) return {{0, 0, std::max(w, 0), std::max(h, 0)}};
    return {{1, 0, w - 2, 1}, {0, 1, w, h - 2}, {1, h - 1, w - 2, 1}};
}

} // namespace vantor::skin
