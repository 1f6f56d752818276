#include "lists/relative_date.h"

#include "protocol/datetime.h"
#include "protocol/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantor::lists {

namespace {

constexpr double kFirstDay = -693593.0; // 0001-01-01
constexpr double kLastDay = 2958466.0;  // 10000-01-01

bool isDate(double t) {
    return std::isfinite(t) && t >= kFirstDay && t < kLastDay;
}

long long dayNumber(double t) {
    const protocol::LocalTime l = protocol::localFromDayCount(t);
    return static_cast<long long>(std::llround(protocol::dayCountFromLocal({l.year, l.month, l.day})));
}

} // namespace

long long calendarDaysBetween(double a, double b) {
    return dayNumber(b) - dayNumber(a);
}

std::string relativeDate(double itemTime, double now) {
    if (!isDate(itemTime) || !isDate(now)) return {};
    static const std::string am = protocol::toGbk("上午"), pm = protocol::toGbk("下午"),
                             yesterday = protocol::toGbk("昨天"), dayBefore = protocol::toGbk("前天"),
                             daysAgo = protocol::toGbk(" 天前");
    const long long days = std::max(0LL, calendarDaysBetween(itemTime, now));
    if (days == 0) {
        const protocol::LocalTime l = protocol::localFromDayCount(itemTime);
        const int hour12 = l.hour % 12 == 0 ? 12 : l.hour % 12;
        char time[16];
        std::snprintf(time, sizeof time, "%d:%02d", hour12, l.minute);
        return (l.hour < 12 ? am : pm) + time;
    }
    if (days == 1) return yesterday;
    if (days == 2) return dayBefore;
    return std::to_string(days) + daysAgo;
}

} // namespace vantor::lists
