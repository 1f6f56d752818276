// The shadow's picture against a naive reading of the rules on 32-bit pixels (every read clamped,
// every channel on its own), and how the shadow follows its window.
#include "skin/shadow_follow.h"
#include "skin/shadow_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vantor::skin {
namespace {

// Pixels as {blue, green, red, alpha} bytes, the whole picture rebuilt from the rules.
std::vector<uint32_t> naiveShadow(int ww, int wh, const std::vector<PixelRect>& shape, uint32_t colour) {
    const int w = ww + 32, h = wh + 32;
    std::vector<std::array<int, 4>> px(size_t(w * h), {0, 0, 0, 255}); // black
    auto white = [&](int x, int y) { px[size_t(y * w + x)] = {255, 255, 255, 255}; };
    if (shape.empty()) {
        for (int y = 16; y < 16 + wh; ++y)
            for (int x = 16; x < 16 + ww; ++x)
                white(x, y);
    } else {
        for (const PixelRect& r : shape)
            for (int y = r.y + 16; y < r.y + r.height + 16; ++y)
                for (int x = r.x + 16; x < r.x + r.width + 16; ++x)
                    if (x >= 0 && y >= 0 && x < w && y < h) white(x, y);
    }
    auto at = [&](int x, int y) -> std::array<int, 4>& {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return px[size_t(y * w + x)];
    };
    for (int d = 1; d <= 3; ++d)
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col)
                for (int c = 0; c < 3; ++c) {
                    const int sum = at(col - d, row - d)[c] + at(col + d, row - d)[c] +
                                    at(col - d, row + d)[c] + at(col + d, row + d)[c];
                    at(col, row)[c] = sum >> 2;
                }
    const int cb = int((colour >> 16) & 0xFF), cg = int((colour >> 8) & 0xFF), cr = int(colour & 0xFF);
    std::vector<uint32_t> out;
    for (auto& p : px) {
        const int a = p[0];
        out.push_back(uint32_t(a) << 24 | uint32_t(cr * a / 255) << 16 | uint32_t(cg * a / 255) << 8 |
                      uint32_t(cb * a / 255));
    }
    return out;
}

TEST(ShadowPicture, MatchesTheNaiveRulesBitForBit) {
    struct Case {
        const char* what;
        int w, h;
        std::vector<PixelRect> shape;
        uint32_t colour;
    };
    const Case cases[] = {
        {"a window", 40, 30, {}, 0x525252},
        {"a rounded window", 37, 23, roundedWindowShape(37, 23), 0x525252},
        {"coloured", 20, 50, {}, 0x00A0FF},
        {"narrower than the passes reach", 1, 2, {}, 0xFFFFFF},
        {"an empty window", 0, 0, {}, 0x525252},
        {"an L-shaped region reaching outside",
         30,
         30,
         {{0, 0, 30, 10}, {0, 10, 10, 40}, {-20, -20, 5, 5}},
         0x123456},
    };
    for (const Case& c : cases) {
        ShadowPicture p;
        EXPECT_TRUE(p.resize(c.w, c.h));
        p.build(c.shape, c.colour);
        EXPECT_EQ(p.width(), c.w + 32);
        EXPECT_EQ(p.height(), c.h + 32);
        const std::vector<uint32_t> want = naiveShadow(c.w, c.h, c.shape, c.colour);
        size_t wrong = 0;
        for (size_t i = 0; i < want.size(); ++i)
            if (p.pixels()[i] != want[i]) ++wrong;
        EXPECT_EQ(wrong, 0u) << c.what;
    }
}

TEST(ShadowPicture, InPlacePassesDifferFromASeparateCopy) {
    // The passes read pixels they have replaced: a pass over a copy gives another picture.
    ShadowPicture p;
    p.resize(20, 20);
    p.build({}, 0xFFFFFF);
    std::vector<uint8_t> plane(52 * 52, 0);
    for (int y = 16; y < 36; ++y)
        for (int x = 16; x < 36; ++x)
            plane[size_t(y * 52 + x)] = 255;
    for (int d = 1; d <= 3; ++d) {
        const std::vector<uint8_t> src = plane;
        auto at = [&](int x, int y) {
            return int(src[size_t(std::clamp(y, 0, 51) * 52 + std::clamp(x, 0, 51))]);
        };
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 52; ++x)
                plane[size_t(y * 52 + x)] =
                    uint8_t((at(x - d, y - d) + at(x + d, y - d) + at(x - d, y + d) + at(x + d, y + d)) >> 2);
    }
    EXPECT_NE(plane, p.intensity());
}

TEST(ShadowPicture, RecolourKeepsTheShape) {
    ShadowPicture p;
    p.resize(30, 20);
    p.build(roundedWindowShape(30, 20), 0x525252);
    const std::vector<uint8_t> shape = p.intensity();
    p.recolour(0x0000FF); // red
    EXPECT_EQ(p.intensity(), shape);
    EXPECT_EQ(p.pixels(), naiveShadow(30, 20, roundedWindowShape(30, 20), 0x0000FF));
    // Premultiplied: no channel above alpha.
    for (uint32_t px : p.pixels())
        EXPECT_LE((px >> 16) & 0xFF, px >> 24);
}

TEST(ShadowPicture, MultiplicationTable) {
    for (int i : {0, 1, 82, 128, 254, 255})
        for (int j : {0, 1, 100, 200, 255})
            EXPECT_EQ(multiplyBytes(uint8_t(i), uint8_t(j)), i * j / 255) << i << " " << j;
}

// ---- following the window ----

struct RecordedShadow : IShadowWindow {
    std::vector<std::string> log;
    PixelRect at;
    int pushes = 0, alpha = -1;
    bool shown = false;
    void place(int x, int y, int w, int h) override { at = {x, y, w, h}; }
    void push(const ShadowPicture&, int a) override {
        ++pushes;
        alpha = a;
    }
    void showShadow() override { shown = true; }
    void hideShadow() override { shown = false; }
};

struct Follow : ::testing::Test {
    RecordedShadow window;
    ShadowFollower shadow{window, true};
    FollowedWindow w = at(100, 200, 300, 400);
    static FollowedWindow at(int x, int y, int width, int height) {
        FollowedWindow f;
        f.left = x;
        f.top = y;
        f.width = width;
        f.height = height;
        return f;
    }
    void SetUp() override {
        shadow.setOffset(0);
        shadow.setColour(0x525252);
        shadow.setVisible(true);
    }
};

TEST_F(Follow, SitsSixteenBesideFourteenAboveEighteenBelow) {
    shadow.positionChanged(w);
    EXPECT_TRUE(window.shown);
    EXPECT_EQ(window.at, (PixelRect{100 - 16, 200 - 14, 332, 432}));
    // 16 to the left and right, 14 above, 18 below.
    EXPECT_EQ(w.left - window.at.x, 16);
    EXPECT_EQ(window.at.x + window.at.width - (w.left + w.width), 16);
    EXPECT_EQ(w.top - window.at.y, 14);
    EXPECT_EQ(window.at.y + window.at.height - (w.top + w.height), 18);
    // The white core lies 2 pixels below the window's own position.
    EXPECT_EQ(window.at.y + kShadowMargin - w.top, 2);
    shadow.setOffset(3);
    shadow.positionChanged(w);
    EXPECT_EQ(window.at, (PixelRect{100 - 13, 200 - 11, 332, 432}));
}

TEST_F(Follow, AMoveOnlyMovesAResizeRebuilds) {
    shadow.positionChanged(w);
    EXPECT_EQ(shadow.builds(), 1);
    w.left += 50;
    w.top -= 20;
    shadow.positionChanged(w);
    EXPECT_EQ(shadow.builds(), 1);
    EXPECT_EQ(window.pushes, 1);
    EXPECT_EQ(window.at.x, 150 - 16);
    w.width = 320;
    shadow.positionChanged(w);
    EXPECT_EQ(shadow.builds(), 2);
    EXPECT_EQ(shadow.picture().width(), 352);
    shadow.refresh();
    shadow.positionChanged(w);
    EXPECT_EQ(shadow.builds(), 3);
}

TEST_F(Follow, HiddenWhileMinimisedOrMaximisedBackWhenRestored) {
    shadow.positionChanged(w);
    struct Case {
        const char* what;
        bool minimised, maximised, shown;
    };
    for (const Case& c : {Case{"minimised", true, false, true}, Case{"maximised", false, true, true},
                          Case{"hidden", false, false, false}}) {
        FollowedWindow state = w;
        state.minimised = c.minimised;
        state.maximised = c.maximised;
        state.shown = c.shown;
        shadow.positionChanging(state);
        EXPECT_FALSE(window.shown) << c.what;
        shadow.positionChanged(state);
        EXPECT_FALSE(window.shown) << c.what;
        shadow.positionChanged(w);
        EXPECT_TRUE(window.shown) << c.what << ", restored";
    }
    // A maximised window never rebuilds.
    FollowedWindow big = w;
    big.maximised = true;
    big.width = 1900;
    const int before = shadow.builds();
    shadow.positionChanged(big);
    EXPECT_EQ(shadow.builds(), before);
}

TEST_F(Follow, NotVisibleOrNoCompositorShowsNothing) {
    shadow.setVisible(false);
    shadow.positionChanged(w);
    EXPECT_FALSE(window.shown);
    EXPECT_EQ(shadow.builds(), 0);
    RecordedShadow plain;
    ShadowFollower none(plain, false);
    none.setVisible(true);
    none.positionChanged(w);
    EXPECT_FALSE(plain.shown);
}

TEST_F(Follow, ColourChangeRecoloursAndPushesWithoutRebuild) {
    w.opacity = 200;
    shadow.positionChanged(w);
    const std::vector<uint8_t> shape = shadow.picture().intensity();
    shadow.setColour(0xFF0000);
    EXPECT_EQ(shadow.builds(), 1);
    EXPECT_EQ(window.pushes, 2);
    EXPECT_EQ(window.alpha, 200);
    EXPECT_EQ(shadow.picture().intensity(), shape);
    EXPECT_EQ(shadow.picture().pixels()[size_t(shadow.picture().width() * 100 + 100)] & 0xFFFF00u, 0u);
}

} // namespace
} // namespace vantor::skin
