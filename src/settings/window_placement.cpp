#include "settings/window_placement.h"

namespace vantor::settings {

WindowRect pullOntoScreen(WindowRect window, int screenWidth, int workAreaHeight) {
    if (window.left > screenWidth - window.width) window.left = screenWidth - window.width;
    if (window.left < 0) window.left = 0;
    if (window.top > workAreaHeight - window.height) window.top = workAreaHeight - window.height;
    if (window.top < 0) window.top = 0;
    return window;
}

StartPlacement startPlacement(const WindowRect& stored, int screenWidth, int workAreaHeight) {
    const WindowRect window{stored.left, stored.top, kSignInWidth, stored.height};
    return {pullOntoScreen(window, screenWidth, workAreaHeight), stored.width};
}

WindowRect placeAfterSignIn(WindowRect window, int keptWidth, int screenWidth) {
    window.width = keptWidth;
    if (window.left > screenWidth - keptWidth) window.left = screenWidth - keptWidth;
    if (window.left < 0) window.left = 0;
    return window;
}

std::vector<std::pair<std::string_view, int>> windowPosWrites(const WindowRect& window,
                                                              bool signedInThisRun) {
    std::vector<std::pair<std::string_view, int>> writes{{"Left", window.left}, {"Top", window.top}};
    if (signedInThisRun) writes.emplace_back("Width", window.width);
    writes.emplace_back("Height", window.height);
    return writes;
}

} // namespace vantor::settings
