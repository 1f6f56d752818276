// Docking the main window at the top, left or right screen edge while it is dragged, and
// Timer_AutoHide sliding a docked window out (2 pixels left visible) when the cursor leaves it and
// back in when the cursor returns.
#pragma once

#include "platform/clock.h"
#include "shell/shell_view.h"
#include "shell/window_frame.h"

#include <memory>

namespace vantor::shell {

class EdgeDocking {
  public:
    EdgeDocking(IShellView& view, platform::Clock& clock);

    // AutoHide and MainFormOnTop of the account's settings: Timer_AutoHide runs with AutoHide.
    void setOptions(bool autoHide, bool onTop);
    bool timerActive() const { return timer_->isActive(); }

    void dragStarted();
    // The window is being moved to `rect`.
    void moving(const FrameRect& rect);
    void dragEnded();
    // Shown from the tray: stays slid in until the next drag.
    void showFromTray();
    void tick();

    const DockState& state() const { return state_; }

  private:
    IShellView& view_;
    std::unique_ptr<platform::Timer> timer_;
    DockState state_;
    bool autoHide_ = false;
    bool onTop_ = false;
};

} // namespace vantor::shell
