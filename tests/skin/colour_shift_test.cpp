// The colour shift against a reference written straight from the rules, on hand-picked pixels with
// known results and on random pictures for many shifts, bit for bit.
#include "skin/colour_shift.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace vantor::skin {
namespace {

// The rules, one step after the other, on an array of channels {blue, green, red}.
struct Ref {
    static int clamp(int v) { return std::min(255, std::max(0, v)); }
    static void brightness(std::array<int, 3>& c, int k) {
        for (int& v : c) {
            if (k > 0) v = v + k * (255 - v) / 255;
            if (k < 0) v = v + k * v / 255;
            v = clamp(v);
        }
    }
    static void hueSat(std::array<int, 3>& c, int H, int s) {
        const int blue = c[0], green = c[1], red = c[2];
        std::array<int, 3> sorted = c;
        std::sort(sorted.begin(), sorted.end());
        const int mn = sorted[0], mx = sorted[2];
        if (mx == mn) return;
        const int sum = mx + mn, delta = mx - mn;
        int e;
        if (sum > 255)
            e = delta * 255 / (510 - sum);
        else
            e = delta * 255 / sum;
        const int L = sum / 2;
        if (H != 0) {
            int h;
            if (red == mx)
                h = H + (green - blue) * 60 / delta;
            else if (green == mx)
                h = H + (blue - red) * 60 / delta + 120;
            else
                h = H + (red - green) * 60 / delta + 240;
            if (h < 0)
                h += 360;
            else if (h > 360)
                h -= 360;
            const int sector = h / 60;
            int x = h % 60;
            if (sector % 2 == 1) x = 60 - h % 60;
            int m = (x * 255 + 30) / 60;
            m = m - (m - 128) * (255 - e) / 255;
            if (L > 128) m = m + (((L - 128) * (255 - m) + 64) >> 7);
            if (L < 128) m = m + (m * (L - 128)) / 128;
            m = clamp(m);
            // {red, green, blue} by sector
            const int table[7][3] = {{mx, m, mn}, {m, mx, mn}, {mn, mx, m}, {mn, m, mx},
                                     {m, mn, mx}, {mx, mn, m}, {mx, m, mn}};
            c = {table[sector][2], table[sector][1], table[sector][0]};
        }
        if (s != 0) {
            if (s > 0) {
                e = std::max(e, 255 - s);
                s = 65025 / e - 255;
            }
            for (int& v : c)
                v = clamp(v + s * (v - L) / 255);
        }
    }
    static uint32_t shift(uint32_t px, int H, int S, int B) {
        const int s = S * 255 / 100, k = B * 255 / 100;
        std::array<int, 3> c = {int(px & 0xFF), int((px >> 8) & 0xFF), int((px >> 16) & 0xFF)};
        if (s > 0 && k != 0) brightness(c, k);
        hueSat(c, H, s);
        if (s <= 0 && k != 0) brightness(c, k);
        return (px & 0xFF000000u) | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[0]);
    }
};

TEST(ColourShift, KnownPixels) {
    struct Case {
        const char* what;
        uint32_t in;
        ColourShift shift;
        uint32_t out;
    };
    const Case cases[] = {
        {"no shift keeps the pixel", 0x80123456, {0, 0, 0}, 0x80123456},
        {"hue half way round pure red, lightness 127 pulls the middle down one",
         0xFFFF0000,
         {180, 0, 0},
         0xFF00FEFF},
        {"full brightness", 0x7F102030, {37, -20, 100}, 0x7FFFFFFF},
        {"no brightness", 0x01A0B0C0, {-90, 60, -100}, 0x01000000},
        {"grey: hue does nothing", 0xFF808080, {120, 0, 0}, 0xFF808080},
        {"grey: saturation does nothing", 0xFF404040, {0, 100, 0}, 0xFF404040},
        {"grey: brightness up, 128 + 127 × 127 div 255", 0xFF808080, {0, 0, 50}, 0xFFBFBFBF},
        {"alpha untouched", 0x00FF0000, {180, 0, 0}, 0x0000FEFF},
        {"full desaturation leaves lightness", 0xFFFF0000, {0, -100, 0}, 0xFF7F7F7F},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ref::shift(c.in, c.shift.H, c.shift.S, c.shift.B), c.out) << c.what << " (reference)";
        EXPECT_EQ(shiftPixel(c.in, c.shift), c.out) << c.what;
    }
}

TEST(ColourShift, EveryPixelOfRandomPicturesMatchesTheReference) {
    std::mt19937 rng(20261211);
    std::uniform_int_distribution<uint32_t> pixel;
    std::vector<uint32_t> picture(64 * 48);
    for (uint32_t& p : picture)
        p = pixel(rng);
    // Runs of one colour (as in bars) go through the shortcut for repeated colours.
    std::fill(picture.begin() + 100, picture.begin() + 200, 0xFF3366CCu);
    std::vector<ColourShift> shifts = {{0, 0, 0},      {180, 0, 0},    {-180, 0, 0},   {0, 100, 0},
                                       {0, -100, 0},   {0, 0, 100},    {0, 0, -100},   {1, 1, 1},
                                       {-1, -1, -1},   {60, 50, 20},   {-60, 50, -20}, {120, -50, 20},
                                       {179, 99, -99}, {-179, -99, 99}};
    std::uniform_int_distribution<int> h(-180, 180), sb(-100, 100);
    for (int i = 0; i < 40; ++i)
        shifts.push_back({h(rng), sb(rng), sb(rng)});
    std::vector<uint32_t> out(picture.size());
    for (const ColourShift& s : shifts) {
        shiftPixels(picture.data(), out.data(), picture.size(), s);
        size_t wrong = 0;
        for (size_t i = 0; i < picture.size(); ++i)
            if (out[i] != Ref::shift(picture[i], s.H, s.S, s.B)) ++wrong;
        EXPECT_EQ(wrong, 0u) << "H=" << s.H << " S=" << s.S << " B=" << s.B;
    }
}

TEST(ColourShift, EveryColourOfOneChannelPlaneMatches) {
    // All red/green combinations with a few blues, for the shifts at the ends of the ranges.
    for (ColourShift s : {ColourShift{180, 100, 100}, ColourShift{-180, -100, -100},
                          ColourShift{90, 100, -50}, ColourShift{-30, 10, 0}}) {
        size_t wrong = 0;
        for (uint32_t b : {0u, 1u, 127u, 128u, 254u, 255u})
            for (uint32_t g = 0; g < 256; ++g)
                for (uint32_t r = 0; r < 256; ++r) {
                    const uint32_t px = 0xFF000000u | r << 16 | g << 8 | b;
                    if (shiftPixel(px, s) != Ref::shift(px, s.H, s.S, s.B)) ++wrong;
                }
        EXPECT_EQ(wrong, 0u) << "H=" << s.H << " S=" << s.S << " B=" << s.B;
    }
}

TEST(ColourShift, ValuesOutsideTheirRangesAreClamped) {
    const uint32_t px = 0xFF2080C0;
    EXPECT_EQ(shiftPixel(px, {500, 300, -300}), shiftPixel(px, {180, 100, -100}));
    std::vector<uint32_t> in = {px, px}, out(2);
    shiftPixels(in.data(), out.data(), 2, {-999, 0, 0});
    EXPECT_EQ(out[0], shiftPixel(px, {-180, 0, 0}));
}

TEST(ColourShift, InPlace) {
    std::vector<uint32_t> a = {0xFF102030, 0x80FF0000, 0xFF102030};
    const std::vector<uint32_t> before = a;
    shiftPixels(a.data(), a.data(), a.size(), {45, 20, 10});
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i], Ref::shift(before[i], 45, 20, 10));
}

} // namespace
} // namespace vantor::skin
