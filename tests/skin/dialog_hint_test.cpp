// The skin dialog's rules (sliders, Cancel, Reset, the grid) and the hint window's placement at the
// desktop's edges.
#include "skin/colour_dialog.h"
#include "skin/hint_placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantor::skin {
namespace {

struct Dialog : ::testing::Test {
    ColourDialog d;
    std::vector<ColourShift> applied;
    std::vector<std::string> skins;
    std::vector<int> opacities;
    void SetUp() override {
        d.apply = [this](const ColourShift& s) { applied.push_back(s); };
        d.chooseSkin = [this](const std::string& n) { skins.push_back(n); };
        d.setOpacity = [this](int o) { opacities.push_back(o); };
        d.shown("Skin2", {10, -20, 30}, 255);
    }
};

TEST_F(Dialog, SlidersApplyAllThreeBoxesAtOnce) {
    EXPECT_EQ(d.state().huePosition, 190);
    EXPECT_EQ(d.state().saturationPosition, 80);
    EXPECT_EQ(d.state().brightnessPosition, 130);
    d.setHuePosition(0);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied.back().H, -180);
    EXPECT_EQ(applied.back().S, -20);
    EXPECT_EQ(applied.back().B, 30);
    d.setSaturationPosition(999); // beyond the slider: its end
    EXPECT_EQ(applied.back().S, 100);
    d.setBrightnessPosition(0);
    EXPECT_EQ(applied.back().B, -100);
    d.setBrightnessPosition(0); // no change, nothing applied
    EXPECT_EQ(applied.size(), 3u);
}

TEST_F(Dialog, OpacityIs255LessThePosition) {
    d.setOpacityPosition(55);
    EXPECT_EQ(opacities, std::vector<int>{200});
    EXPECT_EQ(d.opacity(), 200);
}

TEST_F(Dialog, CancelRestoresWhatWasThereWhenShown) {
    d.setHuePosition(300);
    d.setOpacityPosition(100);
    d.selectCell(2, 1); // Skin7
    d.followSkin({0, 0, 0}, 255);
    EXPECT_EQ(skins, std::vector<std::string>{"Skin7"});
    EXPECT_EQ(d.state().huePosition, 180);
    d.cancel();
    EXPECT_EQ(skins.back(), "Skin2");
    EXPECT_EQ(applied.back().H, 10);
    EXPECT_EQ(applied.back().S, -20);
    EXPECT_EQ(applied.back().B, 30);
    EXPECT_EQ(opacities.back(), 255);
    EXPECT_EQ(d.state().skinName, "Skin2");
    EXPECT_EQ(d.state().huePosition, 190);
}

TEST_F(Dialog, ResetSetsTheShiftsToZeroOnly) {
    d.setOpacityPosition(10);
    d.reset();
    EXPECT_TRUE(applied.back().identity());
    EXPECT_EQ(d.state().huePosition, 180);
    EXPECT_EQ(d.state().saturationPosition, 100);
    EXPECT_EQ(d.state().brightnessPosition, 100);
    EXPECT_EQ(d.opacity(), 245);
    const size_t n = applied.size();
    d.reset(); // already zero
    EXPECT_EQ(applied.size(), n);
    // Cancel after Reset still goes back to the shift at show time.
    d.cancel();
    EXPECT_EQ(applied.back().H, 10);
}

TEST(SkinGrid, CellsAndNames) {
    EXPECT_EQ(skinNameOfCell(0, 0), "Skin1");
    EXPECT_EQ(skinNameOfCell(3, 0), "Skin4");
    EXPECT_EQ(skinNameOfCell(0, 1), "Skin5");
    EXPECT_EQ(skinNameOfCell(3, 1), "Skin8");
    int c = -1, r = -1;
    EXPECT_TRUE(cellOfSkin("Skin6", c, r));
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 1);
    for (const char* other : {"Skin0", "Skin9", "Skin", "skin1", "Skin11", "../Skin1", "Mine"})
        EXPECT_FALSE(cellOfSkin(other, c, r)) << other;
}

TEST(HintPlacement, KeptInsideTheDesktop) {
    const PixelRect desktop{0, 0, 1024, 768};
    struct Case {
        const char* what;
        PixelRect hint, placed;
    };
    const Case cases[] = {
        {"inside: only 4 taller", {100, 100, 80, 20}, {100, 100, 80, 24}},
        {"past the right edge: moved left", {1000, 100, 80, 20}, {944, 100, 80, 24}},
        {"past the bottom: moved up", {100, 750, 80, 20}, {100, 744, 80, 24}},
        {"the bottom right corner", {1020, 760, 80, 20}, {944, 744, 80, 24}},
        {"touching the bottom once taller", {10, 746, 50, 20}, {10, 744, 50, 24}},
        {"wider than the desktop: its left edge stays on it", {500, 0, 2000, 20}, {0, 0, 2000, 24}},
        {"above and left of the desktop", {-30, -10, 50, 20}, {0, 0, 50, 24}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placeHint(c.hint, desktop), c.placed) << c.what;
    // A desktop that does not start at 0 (a second screen on the right).
    EXPECT_EQ(placeHint({2000, 10, 100, 20}, {1024, 0, 1000, 700}), (PixelRect{1924, 10, 100, 24}));
}

TEST(HintPlacement, FadesOnlyWhenItMay) {
    EXPECT_EQ(hintAnimation(300, 10, true), HintAnimation::Fade);
    EXPECT_EQ(hintAnimation(250, 10, true), HintAnimation::None);
    EXPECT_EQ(hintAnimation(300, 100, true), HintAnimation::None);
    EXPECT_EQ(hintAnimation(300, 99, false), HintAnimation::None);
}

} // namespace
} // namespace vantor::skin
