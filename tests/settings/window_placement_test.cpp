// Main window placement at start-up, after sign-in, and the WindowPos save order.
#include "settings/window_placement.h"

#include <gtest/gtest.h>

namespace vantor::settings {
namespace {

constexpr int kScreenWidth = 1920;
constexpr int kWorkHeight = 1040;

TEST(WindowPlacement, StartPlacement) {
    struct Case {
        const char* name;
        WindowRect stored; // left, top, width, height as read
        WindowRect window;
        int widthAfterSignIn;
    };
    const int h = defaultWindowHeight(kWorkHeight);
    const Case cases[] = {
        {"defaults", {0, 0, 220, h}, {0, 0, 220, 694}, 220},
        {"stored position kept", {100, 50, 300, 600}, {100, 50, 220, 600}, 300},
        {"off the right edge", {5000, 10, 300, 600}, {1700, 10, 220, 600}, 300},
        {"off the left edge", {-400, 10, 300, 600}, {0, 10, 220, 600}, 300},
        {"below the work area", {10, 2000, 300, 600}, {10, 440, 220, 600}, 300},
        {"above the screen", {10, -50, 300, 600}, {10, 0, 220, 600}, 300},
        {"taller than the work area", {10, 100, 300, 1500}, {10, 0, 220, 1500}, 300},
    };
    for (const auto& c : cases) {
        const StartPlacement p = startPlacement(c.stored, kScreenWidth, kWorkHeight);
        EXPECT_EQ(p.window, c.window) << c.name;
        EXPECT_EQ(p.widthAfterSignIn, c.widthAfterSignIn) << c.name;
    }
    EXPECT_EQ(defaultWindowHeight(1040), 694);
    EXPECT_EQ(defaultWindowHeight(1000), 667);
}

TEST(WindowPlacement, AfterSignIn) {
    struct Case {
        const char* name;
        WindowRect window;
        int kept;
        WindowRect expected;
    };
    const Case cases[] = {
        {"fits", {100, 20, 220, 600}, 300, {100, 20, 300, 600}},
        {"moved left first", {1700, 20, 220, 600}, 300, {1620, 20, 300, 600}},
        {"wider than the screen", {10, 20, 220, 600}, 2500, {0, 20, 2500, 600}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeAfterSignIn(c.window, c.kept, kScreenWidth), c.expected) << c.name;
}

TEST(WindowPlacement, SaveOrder) {
    using Writes = std::vector<std::pair<std::string_view, int>>;
    const WindowRect w{1, 2, 300, 4};
    EXPECT_EQ(windowPosWrites(w, true), (Writes{{"Left", 1}, {"Top", 2}, {"Width", 300}, {"Height", 4}}));
    EXPECT_EQ(windowPosWrites(w, false), (Writes{{"Left", 1}, {"Top", 2}, {"Height", 4}}));
}

} // namespace
} // namespace vantor::settings
