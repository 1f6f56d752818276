#include "protocol/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace vantor::protocol;

namespace {

TEST(DayCount, CalendarTable) {
    struct Case {
        LocalTime t;
        double days;
    };
    const Case cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},       {{1899, 12, 31, 12, 0, 0, 0}, 1.5},
        {{1900, 1, 1, 6, 0, 0, 0}, 2.25},        {{2000, 1, 1, 0, 0, 0, 0}, 36526.0},
        {{2026, 12, 10, 18, 0, 0, 0}, 46366.75},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(dayCountFromLocal(c.t), c.days);
        EXPECT_EQ(localFromDayCount(c.days), c.t);
    }
    const LocalTime t{2024, 2, 29, 23, 59, 59, 999};
    EXPECT_EQ(localFromDayCount(dayCountFromLocal(t)), t);
}

TEST(DayCount, GarbageFromTheWireDoesNotMisbehave) {
    for (double bad : {std::nan(""), 1e300, -1e300, 3e6})
        EXPECT_EQ(localFromDayCount(bad), LocalTime{}) << bad;
}

TEST(DayCount, ThroughTheLocalZone) {
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    // 2000-01-01 00:00 UTC is 08:00 in Shanghai.
    const auto tp = std::chrono::system_clock::from_time_t(946684800);
    EXPECT_DOUBLE_EQ(dayCountFromTime(tp), 36526.0 + 8.0 / 24.0);
    EXPECT_EQ(timeFromDayCount(36526.0 + 8.0 / 24.0), tp);
    unsetenv("TZ");
    tzset();
}

} // namespace
