#include "skin/colour_shift.h"

#include <algorithm>
#include <cstring>

namespace vantor::skin {

namespace {

int clampByte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The shift's values scaled to the byte range once for all pixels.
struct Scaled {
    int H;
    int s; // S × 255 div 100
    int k; // B × 255 div 100
};

int brighten(int v, int k) {
    return clampByte(k > 0 ? v + k * (255 - v) / 255 : v + k * v / 255);
}

void hueSaturation(int& r, int& g, int& b, const Scaled& p) {
    const int hi = std::max({r, g, b});
    const int lo = std::min({r, g, b});
    if (hi == lo) return;
    const int sum = hi + lo;
    const int delta = hi - lo;
    int e = sum > 255 ? delta * 255 / (510 - sum) : delta * 255 / sum;
    const int L = sum / 2;
    if (p.H != 0) {
        int h = p.H;
        if (r == hi)
            h += (g - b) * 60 / delta;
        else if (g == hi)
            h += (b - r) * 60 / delta + 120;
        else
            h += (r - g) * 60 / delta + 240;
        if (h < 0)
            h += 360;
        else if (h > 360)
            h -= 360;
        const int sector = h / 60;
        const int x = (sector & 1) ? 60 - h % 60 : h % 60;
        int m = (x * 255 + 30) / 60;
        m -= (m - 128) * (255 - e) / 255;
        if (L > 128)
            m += ((L - 128) * (255 - m) + 64) >> 7;
        else if (L < 128)
            m += m * (L - 128) / 128;
        m = clampByte(m);
        switch (sector) {
        case 1:
            r = m, g = hi, b = lo;
            break;
        case 2:
            r = lo, g = hi, b = m;
            break;
        case 3:
            r = lo, g = m, b = hi;
            break;
        case 4:
            r = m, g = lo, b = hi;
            break;
        case 5:
            r = hi, g = lo, b = m;
            break;
        default: // 0 and 6 (h = 360)
            r = hi, g = m, b = lo;
            break;
        }
    }
    if (p.s != 0) {
        int s = p.s;
        if (s > 0) {
            e = std::max(e, 255 - s);
            s = 65025 / e - 255;
        }
        r = clampByte(r + s * (r - L) / 255);
        g = clampByte(g + s * (g - L) / 255);
        b = clampByte(b + s * (b - L) / 255);
    }
}

uint32_t shiftOne(uint32_t argb, const Scaled& p) {
    int r = int((argb >> 16) & 0xFF);
    int g = int((argb >> 8) & 0xFF);
    int b = int(argb & 0xFF);
    const bool brightFirst = p.s > 0 && p.k != 0;
    if (brightFirst) {
        r = brighten(r, p.k);
        g = brighten(g, p.k);
        b = brighten(b, p.k);
    }
    hueSaturation(r, g, b, p);
    if (!brightFirst && p.k != 0) {
        r = brighten(r, p.k);
        g = brighten(g, p.k);
        b = brighten(b, p.k);
    }
    return (argb & 0xFF000000u) | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

Scaled scale(const ColourShift& shift) {
    const ColourShift c = shift.clamped();
    return {c.H, c.S * 255 / 100, c.B * 255 / 100};
}

} // namespace

ColourShift ColourShift::clamped() const {
    return {std::clamp(H, -180, 180), std::clamp(S, -100, 100), std::clamp(B, -100, 100)};
}

uint32_t shiftPixel(uint32_t argb, const ColourShift& shift) {
    return shiftOne(argb, scale(shift));
}

void shiftPixels(const uint32_t* from, uint32_t* to, size_t count, const ColourShift& shift) {
    if (shift.clamped().identity()) {
        if (from != to && count > 0) std::memmove(to, from, count * sizeof(uint32_t));
        return;
    }
    const Scaled p = scale(shift);
    // Bars are gradients and flat fills: runs of one colour are shifted once. Alpha is not part
    // of the computation, so the colour alone is remembered.
    uint32_t lastIn = 0, lastOut = shiftOne(0, p) & 0x00FFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t px = from[i];
        const uint32_t rgb = px & 0x00FFFFFFu;
        if (rgb != lastIn) {
            lastIn = rgb;
            lastOut = shiftOne(rgb, p) & 0x00FFFFFFu;
        }
        to[i] = (px & 0xFF000000u) | lastOut;
    }
}

} // namespace vantor::skin
