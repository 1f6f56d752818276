// Time for the behaviour layers: a monotonic clock and the timers made from it. Production code
// uses SystemClock; tests use ManualClock and move time forward by hand instead of sleeping.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vantor::platform {

// A timer in the manner of the window toolkit's: an interval, enabled or not, repeating unless
// single-shot. Changing the interval of a running timer restarts it.
class Timer {
  public:
    virtual ~Timer() = default;

    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;
    virtual bool isSingleShot() const = 0;
    // Starts, or restarts from now when already running.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    // Enabling a running timer leaves it alone; disabling stops it.
    void setEnabled(bool on) {
        if (!on)
            stop();
        else if (!isActive())
            start();
    }
    void start(int ms) {
        setInterval(ms);
        start();
    }

    std::function<void()> onTimeout;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary origin.
    virtual int64_t nowMs() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

// Steady time and event-loop timers (needs a running Qt event loop on the calling thread).
class SystemClock : public Clock {
  public:
    SystemClock();
    int64_t nowMs() const override;
    std::unique_ptr<Timer> createTimer() override;

  private:
    int64_t origin_;
};

// Time that moves only when advance() is called; due timers fire in order of their due time, each
// seeing nowMs() equal to its due time.
class ManualClock : public Clock {
  public:
    ManualClock() = default;
    ~ManualClock() override;
    int64_t nowMs() const override { return now_; }
    std::unique_ptr<Timer> createTimer() override;

    void advance(int64_t ms);
    // Number of timers that are running.
    size_t activeTimers() const;

  private:
    class ManualTimer;
    friend class ManualTimer;
    int64_t now_ = 0;
    uint64_t sequence_ = 0;
    std::vector<ManualTimer*> timers_;
};

} // namespace vantor::platform
