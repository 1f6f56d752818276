// Date-times as the wire and the stores carry them: an IEEE double counting days since
// 1899-12-30 00:00 local time, the fraction being the time of day.
#pragma once

#include <chrono>
#include <cstdint>

namespace vantor::protocol {

struct LocalTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// Calendar arithmetic only: no time zone involved.
double dayCountFromLocal(const LocalTime& t);
// Rounds to the nearest millisecond. Values outside years 1..9999 (or NaN) give 1899-12-30 00:00.
LocalTime localFromDayCount(double days);

// Through the process's local time zone.
double dayCountFromTime(std::chrono::system_clock::time_point tp);
std::chrono::system_clock::time_point timeFromDayCount(double days);
inline double nowDayCount() {
    return dayCountFromTime(std::chrono::system_clock::now());
}

} // namespace vantor::protocol
