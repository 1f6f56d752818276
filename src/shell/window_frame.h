// The main window's own frame: which resize border a point of the borderless window hits, and the
// docking at the top, left and right screen edges with the sliding of Timer_AutoHide. Pure
// geometry, so the widgets only feed in rectangles and the cursor.
#pragma once

#include <optional>

namespace vantor::shell {

// Where a point of the window lies for resizing (what the window answers to a hit test).
enum class HitArea { TopLeft, TopRight, BottomRight, BottomLeft, Left, Top, Right, Bottom, Client };

// `x`, `y` relative to the window's top-left corner.
HitArea hitTest(int x, int y, int width, int height);

struct FrameRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const FrameRect&, const FrameRect&) = default;
};

// DockEdges bits.
enum DockEdge : int { DockNone = 0, DockLeft = 1, DockTop = 2, DockRight = 4 };

struct DockState {
    int edges = DockNone;        // DockEdges
    bool shown = true;           // Shown: a docked window is slid in
    bool autoHideActive = false; // AutoHideActive
    bool dragging = false;       // Dragging
    bool topMostForDock = false; // TopMostForDock: made top-most because it docked
};

// The window is being moved to `moving`: docks or undocks it (only while it is slid in).
void dockWhileMoving(DockState& state, const FrameRect& moving, int screenWidth);

// One tick of Timer_AutoHide: where the window goes, and whether it must become top-most now.
struct AutoHideStep {
    std::optional<FrameRect> moveTo;
    bool makeTopMost = false;
};
inline constexpr int kAutoHideIntervalMs = 300;
inline constexpr int kSlidOutStrip = 2; // pixels left visible at the edge
AutoHideStep autoHideTick(DockState& state, const FrameRect& window, int cursorX, int cursorY,
                          int screenWidth);

} // namespace vantor::shell
