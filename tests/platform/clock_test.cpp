#include "platform/clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantor::platform {
namespace {

struct TimerPlan {
    const char* name;
    int interval;
    bool singleShot;
};

struct AdvanceCase {
    const char* what;
    std::vector<TimerPlan> timers;
    std::vector<int64_t> steps;
    std::vector<std::string> expected; // "name@time"
};

class ManualClockOrder : public ::testing::TestWithParam<AdvanceCase> {};

TEST_P(ManualClockOrder, FiresDueTimersInOrderAtTheirDueTime) {
    const AdvanceCase& c = GetParam();
    ManualClock clock;
    std::vector<std::string> fired;
    std::vector<std::unique_ptr<Timer>> timers;
    for (const auto& plan : c.timers) {
        auto t = clock.createTimer();
        t->setSingleShot(plan.singleShot);
        const std::string name = plan.name;
        t->onTimeout = [&fired, &clock, name] {
            fired.push_back(name + "@" + std::to_string(clock.nowMs()));
        };
        t->start(plan.interval);
        timers.push_back(std::move(t));
    }
    for (int64_t s : c.steps)
        clock.advance(s);
    EXPECT_EQ(fired, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ManualClockOrder,
    ::testing::Values(
        AdvanceCase{"single shot fires once", {{"a", 100, true}}, {50, 50, 500}, {"a@100"}},
        AdvanceCase{"repeating fires each interval within one step",
                    {{"a", 30, false}},
                    {100},
                    {"a@30", "a@60", "a@90"}},
        AdvanceCase{"two timers interleave by due time",
                    {{"slow", 50, false}, {"fast", 20, false}},
                    {100},
                    {"fast@20", "fast@40", "slow@50", "fast@60", "fast@80", "slow@100", "fast@100"}},
        AdvanceCase{
            "equal due times keep start order", {{"x", 10, true}, {"y", 10, true}}, {10}, {"x@10", "y@10"}},
        AdvanceCase{"nothing before the due time", {{"a", 1000, true}}, {999}, {}}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (auto& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(ManualClock, EnablingARunningTimerDoesNotRestartIt) {
    ManualClock clock;
    auto t = clock.createTimer();
    int fired = 0;
    t->onTimeout = [&] { ++fired; };
    t->setSingleShot(true);
    t->start(100);
    clock.advance(60);
    t->setEnabled(true); // like setting Enabled on a running timer: no restart
    clock.advance(40);
    EXPECT_EQ(fired, 1);
    t->start(100);
    clock.advance(60);
    t->start(); // an explicit start does restart
    clock.advance(60);
    EXPECT_EQ(fired, 1);
    clock.advance(40);
    EXPECT_EQ(fired, 2);
}

TEST(ManualClock, ChangingTheIntervalOfARunningTimerRestartsIt) {
    ManualClock clock;
    auto t = clock.createTimer();
    int fired = 0;
    t->onTimeout = [&] { ++fired; };
    t->start(100);
    clock.advance(90);
    t->setInterval(50);
    clock.advance(40);
    EXPECT_EQ(fired, 0);
    clock.advance(10);
    EXPECT_EQ(fired, 1);
}

TEST(ManualClock, ATimerMayStopOrDestroyAnotherWhileFiring) {
    ManualClock clock;
    auto a = clock.createTimer();
    auto b = clock.createTimer();
    int bFired = 0;
    a->onTimeout = [&] { b.reset(); };
    b->onTimeout = [&] { ++bFired; };
    a->start(10);
    b->start(10);
    clock.advance(100);
    EXPECT_EQ(bFired, 0);
    EXPECT_EQ(clock.activeTimers(), 1u); // `a` repeats
}

TEST(ManualClock, TimersOutliveTheirClockHarmlessly) {
    std::unique_ptr<Timer> t;
    {
        ManualClock clock;
        t = clock.createTimer();
        t->start(10);
    }
    t->start(5); // no clock any more: nothing happens
    t->stop();
    SUCCEED();
}

} // namespace
} // namespace vantor::platform
