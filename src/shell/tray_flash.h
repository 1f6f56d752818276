// The notification-area icon's flashing for unread conversations: the sender's picture and a
// blank frame alternate every 400 ms until stopped, then the status icon comes back.
#pragma once

#include "platform/clock.h"
#include "shell/shell_view.h"

#include <memory>

namespace vantor::shell {

class TrayFlasher {
  public:
    static constexpr int kIntervalMs = 400;
    TrayFlasher(IShellView& view, platform::Clock& clock);

    // Flashes with this picture (a new picture while flashing replaces the old one).
    void start(const QString& picture);
    void stop();
    bool flashing() const { return flashing_; }
    bool pictureShown() const { return pictureShown_; }

  private:
    void tick();
    IShellView& view_;
    std::unique_ptr<platform::Timer> timer_;
    bool flashing_ = false;
    bool pictureShown_ = false;
};

} // namespace vantor::shell
