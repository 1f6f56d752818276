// Idle time and the window in front on an X11 desktop: the XScreenSaver extension counts the
// milliseconds since the last keyboard or mouse input anywhere; the active window (as the window
// manager announces it) is full-screen when it asks to be, or when its rectangle clipped to the
// screen is the whole screen. Without a display both answers are the null ones.
#pragma once

#include "directory/interfaces.h"

#include <memory>

namespace vantor::directory {

class X11IdleSource : public IIdleSource {
  public:
    // Opens its own connection to `display` (nullptr: $DISPLAY).
    explicit X11IdleSource(const char* display = nullptr);
    ~X11IdleSource() override;
    X11IdleSource(const X11IdleSource&) = delete;
    X11IdleSource& operator=(const X11IdleSource&) = delete;

    bool connected() const;
    int64_t idleMilliseconds() override;
    Foreground foreground() override;

  private:
    struct State;
    std::unique_ptr<State> s_;
};

} // namespace vantor::directory
