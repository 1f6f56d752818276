#include "shell/window_frame.h"

#include <gtest/gtest.h>

namespace vantor::shell {
namespace {

TEST(HitTest, TheBordersOfA220By500WindowInTheirOrder) {
    struct Case {
        int x, y;
        HitArea expected;
    };
    const int w = 220, h = 500;
    const Case cases[] = {
        {0, 0, HitArea::TopLeft},         {7, 7, HitArea::TopLeft},      {8, 4, HitArea::Top},
        {8, 5, HitArea::Client},          {7, 8, HitArea::Left},         {213, 0, HitArea::TopRight},
        {212, 0, HitArea::Top},           {219, 7, HitArea::TopRight},   {219, 8, HitArea::Right},
        {206, 486, HitArea::BottomRight}, {205, 499, HitArea::Bottom},   {206, 485, HitArea::Client},
        {213, 485, HitArea::Right},       {7, 491, HitArea::BottomLeft}, {7, 490, HitArea::Left},
        {8, 495, HitArea::Bottom},        {100, 4, HitArea::Top},        {100, 5, HitArea::Client},
        {100, 492, HitArea::Client},      {100, 493, HitArea::Bottom},   {100, 491, HitArea::Client},
        {110, 250, HitArea::Client},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hitTest(c.x, c.y, w, h), c.expected) << c.x << "," << c.y;
}

TEST(Docking, RulesWhileMoving) {
    struct Case {
        const char* what;
        int startEdges;
        FrameRect moving;
        int expected;
    };
    const int sw = 1280;
    const Case cases[] = {
        {"near the top", DockNone, {100, 5, 220, 500}, DockTop},
        {"top but at the left edge", DockNone, {5, 5, 220, 500}, DockNone},
        {"top but at the right edge", DockNone, {sw - 225, 5, 220, 500}, DockNone},
        {"away from the top again", DockTop, {100, 11, 220, 500}, DockNone},
        {"docked top, still near it", DockTop, {100, 10, 220, 500}, DockTop},
        {"docked top, into the left corner", DockTop, {-5, 0, 220, 500}, DockLeft},
        {"past the left edge", DockNone, {-1, 200, 220, 500}, DockLeft},
        {"docked left, a little away", DockLeft, {10, 200, 220, 500}, DockLeft},
        {"docked left, away", DockLeft, {11, 200, 220, 500}, DockNone},
        {"past the right edge", DockNone, {sw - 219, 200, 220, 500}, DockRight},
        {"docked right, exactly at the edge", DockRight, {sw - 220, 200, 220, 500}, DockRight},
        {"docked right, away", DockRight, {sw - 221, 200, 220, 500}, DockNone},
        {"in the middle", DockNone, {500, 300, 220, 500}, DockNone},
    };
    for (const Case& c : cases) {
        DockState s;
        s.edges = c.startEdges;
        dockWhileMoving(s, c.moving, sw);
        EXPECT_EQ(s.edges, c.expected) << c.what;
    }
    // A window slid out does not dock or undock.
    DockState hidden;
    hidden.shown = false;
    dockWhileMoving(hidden, {100, 5, 220, 500}, sw);
    EXPECT_EQ(hidden.edges, DockNone);
}

TEST(Docking, AutoHideSlidesOutLeavingTwoPixelsAndBackIn) {
    struct Case {
        int edges;
        FrameRect window;
        FrameRect out;
        FrameRect in;
    };
    const int sw = 1280;
    const Case cases[] = {
        {DockTop, {300, 0, 220, 500}, {300, -498, 220, 500}, {300, 0, 220, 500}},
        {DockLeft, {0, 100, 220, 500}, {-218, 100, 220, 500}, {0, 100, 220, 500}},
        {DockRight, {sw - 220, 100, 220, 500}, {sw - 2, 100, 220, 500}, {sw - 220, 100, 220, 500}},
    };
    for (const Case& c : cases) {
        DockState s;
        s.edges = c.edges;
        s.autoHideActive = true;
        // Cursor far away: slides out, becomes top-most once.
        AutoHideStep step = autoHideTick(s, c.window, 640, 700, sw);
        ASSERT_TRUE(step.moveTo) << c.edges;
        EXPECT_EQ(*step.moveTo, c.out) << c.edges;
        EXPECT_TRUE(step.makeTopMost);
        EXPECT_FALSE(s.shown);
        step = autoHideTick(s, c.out, 640, 700, sw);
        EXPECT_FALSE(step.moveTo);
        EXPECT_FALSE(step.makeTopMost);
        // Cursor on the strip (the rectangle's edges count as inside): slides in.
        const int x = c.edges == DockRight ? sw - 1 : std::max(c.out.left + c.out.width, 0);
        const int y = c.edges == DockTop ? c.out.bottom() : 300;
        step = autoHideTick(s, c.out, x, y, sw);
        ASSERT_TRUE(step.moveTo) << c.edges;
        EXPECT_EQ(*step.moveTo, c.in) << c.edges;
        EXPECT_TRUE(s.shown);
    }
}

TEST(Docking, AutoHideIdleWhileInactiveDraggingOrUndocked) {
    const FrameRect w{300, 0, 220, 500};
    DockState inactive;
    inactive.edges = DockTop;
    EXPECT_FALSE(autoHideTick(inactive, w, 900, 900, 1280).moveTo);
    DockState dragging = inactive;
    dragging.autoHideActive = true;
    dragging.dragging = true;
    EXPECT_FALSE(autoHideTick(dragging, w, 900, 900, 1280).moveTo);
    DockState undocked;
    undocked.autoHideActive = true;
    const AutoHideStep step = autoHideTick(undocked, w, 900, 900, 1280);
    EXPECT_FALSE(step.moveTo);
    EXPECT_FALSE(step.makeTopMost);
    EXPECT_TRUE(undocked.shown);
}

} // namespace
} // namespace vantor::shell
