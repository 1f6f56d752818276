// Placement of the main window from the stored WindowPos values, its widening after a sign-in,
// and the order in which WindowPos is saved. Pure functions of the screen metrics.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace vantor::settings {

// Width of the main window while the sign-in panel shows.
inline constexpr int kSignInWidth = 220;

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The WindowPos/Height default: the work-area height less a third of it.
inline int defaultWindowHeight(int workAreaHeight) {
    return workAreaHeight - workAreaHeight / 3;
}

// Moves the window back onto the screen: first Left to at most screen width − width, then to at
// least 0; then Top to at most work-area height − height, then to at least 0. The size is kept.
WindowRect pullOntoScreen(WindowRect window, int screenWidth, int workAreaHeight);

struct StartPlacement {
    WindowRect window;    // kSignInWidth wide, stored height, pulled onto the screen
    int widthAfterSignIn; // the stored Width, taken after a successful sign-in
};

// `stored` holds the WindowPos values (Left, Top, Width, Height) as read, defaults included.
StartPlacement startPlacement(const WindowRect& stored, int screenWidth, int workAreaHeight);

// The window after a successful sign-in: `keptWidth` wide, moved left first when it would stick
// out at the right (never beyond the left edge).
WindowRect placeAfterSignIn(WindowRect window, int keptWidth, int screenWidth);

// The WindowPos keys written when the main window is destroyed, in order: Left, Top, Width (only
// when a sign-in succeeded during this run; before that the window has its narrow sign-in width),
// Height.
std::vector<std::pair<std::string_view, int>> windowPosWrites(const WindowRect& window, bool signedInThisRun);

} // namespace vantor::settings
