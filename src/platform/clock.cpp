#include "platform/clock.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace vantor::platform {

namespace {

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class QtTimer : public Timer {
  public:
    QtTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout) onTimeout();
        });
    }
    void setInterval(int ms) override {
        if (ms == timer_.interval()) return;
        timer_.setInterval(ms);
    }
    int interval() const override { return timer_.interval(); }
    void setSingleShot(bool s) override { timer_.setSingleShot(s); }
    bool isSingleShot() const override { return timer_.isSingleShot(); }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

} // namespace

SystemClock::SystemClock() : origin_(steadyMs()) {}

int64_t SystemClock::nowMs() const {
    return steadyMs() - origin_;
}

std::unique_ptr<Timer> SystemClock::createTimer() {
    return std::make_unique<QtTimer>();
}

// ---- manual time ----

class ManualClock::ManualTimer : public Timer {
  public:
    explicit ManualTimer(ManualClock* clock) : clock_(clock) { clock_->timers_.push_back(this); }
    ~ManualTimer() override {
        if (!clock_) return;
        auto& v = clock_->timers_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    void setInterval(int ms) override {
        if (ms == interval_) return;
        interval_ = ms;
        if (active_) start();
    }
    int interval() const override { return interval_; }
    void setSingleShot(bool s) override { singleShot_ = s; }
    bool isSingleShot() const override { return singleShot_; }
    void start() override {
        if (!clock_) return;
        active_ = true;
        due_ = clock_->now_ + std::max(interval_, 0);
        order_ = ++clock_->sequence_;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    ManualClock* clock_;
    int interval_ = 0;
    bool singleShot_ = false;
    bool active_ = false;
    int64_t due_ = 0;
    uint64_t order_ = 0;
};

ManualClock::~ManualClock() {
    for (auto* t : timers_)
        t->clock_ = nullptr;
}

std::unique_ptr<Timer> ManualClock::createTimer() {
    return std::make_unique<ManualTimer>(this);
}

size_t ManualClock::activeTimers() const {
    return size_t(std::count_if(timers_.begin(), timers_.end(), [](auto* t) { return t->active_; }));
}

void ManualClock::advance(int64_t ms) {
    const int64_t target = now_ + std::max<int64_t>(ms, 0);
    for (;;) {
        // The earliest due timer; among equals the one started first.
        ManualTimer* next = nullptr;
        for (auto* t : timers_) {
            if (!t->active_ || t->due_ > target) continue;
            if (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_))
                next = t;
        }
        if (!next) break;
        now_ = std::max(now_, next->due_);
        if (next->singleShot_) {
            next->active_ = false;
        } else {
            next->due_ = now_ + std::max(next->interval_, 1);
            next->order_ = ++sequence_;
        }
        if (next->onTimeout) next->onTimeout(); // may destroy or restart any timer
    }
    now_ = target;
}

} // namespace vantor::platform
