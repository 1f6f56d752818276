#include "shell/window_frame.h"

namespace vantor::shell {

HitArea hitTest(int x, int y, int width, int height) {
    // Tested in this order: corners first, the bottom-right one generous for the grip.
    if (x <= 7 && y <= 7) return HitArea::TopLeft;
    if (x > width - 8 && y < 8) return HitArea::TopRight;
    if (x > width - 15 && y > height - 15) return HitArea::BottomRight;
    if (x < 8 && y > height - 10) return HitArea::BottomLeft;
    if (x <= 7) return HitArea::Left;
    if (y <= 4) return HitArea::Top;
    if (x > width - 8) return HitArea::Right;
    if (y > height - 8) return HitArea::Bottom;
    return HitArea::Client;
}

void dockWhileMoving(DockState& s, const FrameRect& r, int screenWidth) {
    if (!s.shown) return;
    if (r.top < 10 && r.left > 10 && r.right() < screenWidth - 10 && s.edges == DockNone) s.edges = DockTop;
    if (s.edges == DockTop && (r.top > 10 || r.left < 10 || r.right() > screenWidth - 10)) s.edges = DockNone;
    if (r.left < 0 && s.edges == DockNone)
        s.edges = DockLeft;
    else if (r.left > 10 && s.edges == DockLeft)
        s.edges = DockNone;
    if (r.right() > screenWidth && s.edges == DockNone)
        s.edges = DockRight;
    else if (r.right() < screenWidth && s.edges == DockRight)
        s.edges = DockNone;
}

AutoHideStep autoHideTick(DockState& s, const FrameRect& w, int cx, int cy, int screenWidth) {
    AutoHideStep step;
    if (!s.autoHideActive || s.dragging) return step;
    const bool inside = cx >= w.left && cx <= w.right() && cy >= w.top && cy <= w.bottom();
    FrameRect to = w;
    if (inside) {
        if (s.edges & DockTop) to.top = 0;
        if (s.edges & DockLeft) to.left = 0;
        if (s.edges & DockRight) to.left = screenWidth - w.width;
        s.shown = true;
    } else {
        // A window that is not docked stays where it is and counts as slid in, so that the next
        // drag to an edge still docks it.
        if (s.edges == DockNone) return step;
        if (s.edges & DockTop) to.top = kSlidOutStrip - w.height;
        if (s.edges & DockLeft) to.left = kSlidOutStrip - w.width;
        if (s.edges & DockRight) to.left = screenWidth - kSlidOutStrip;
        s.shown = false;
        if (!s.topMostForDock) {
            s.topMostForDock = true;
            step.makeTopMost = true;
        }
    }
    if (!(to == w)) step.moveTo = to;
    return step;
}

} // namespace vantor::shell
