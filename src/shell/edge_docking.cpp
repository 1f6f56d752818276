#include "shell/edge_docking.h"

namespace vantor::shell {

EdgeDocking::EdgeDocking(IShellView& view, platform::Clock& clock)
    : view_(view), timer_(clock.createTimer()) {
    timer_->setInterval(kAutoHideIntervalMs);
    timer_->onTimeout = [this] { tick(); };
}

void EdgeDocking::setOptions(bool autoHide, bool onTop) {
    autoHide_ = autoHide;
    onTop_ = onTop;
    timer_->setEnabled(autoHide);
    if (!autoHide && state_.topMostForDock) {
        state_.topMostForDock = false;
        if (!onTop_) view_.setTopMost(false);
    }
}

void EdgeDocking::dragStarted() {
    state_.dragging = true;
}

void EdgeDocking::moving(const FrameRect& rect) {
    if (!autoHide_) return;
    dockWhileMoving(state_, rect, view_.screenWidth());
}

void EdgeDocking::dragEnded() {
    state_.dragging = false;
    if (!autoHide_) return;
    if (state_.edges == DockNone && state_.topMostForDock) {
        if (!onTop_) view_.setTopMost(false);
        state_.topMostForDock = false;
    }
    state_.autoHideActive = true;
}

void EdgeDocking::showFromTray() {
    state_.autoHideActive = false;
    state_.shown = true;
}

void EdgeDocking::tick() {
    int x = 0, y = 0;
    view_.cursorPosition(x, y);
    const AutoHideStep step = autoHideTick(state_, view_.frameRect(), x, y, view_.screenWidth());
    if (step.makeTopMost) view_.setTopMost(true);
    if (step.moveTo) view_.moveFrame(*step.moveTo);
}

} // namespace vantor::shell
