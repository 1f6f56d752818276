#include "protocol/datetime.h"

#include <cmath>
#include <ctime>

namespace vantor::protocol {

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const int64_t kEpochOffset = daysFromCivil(1899, 12, 30); // day 0 of the day count, from 1970

} // namespace

double dayCountFromLocal(const LocalTime& t) {
    const int64_t days =
        daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kEpochOffset;
    const double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
    return static_cast<double>(days) + ms / 86400000.0;
}

LocalTime localFromDayCount(double days) {
    LocalTime t;
    if (!std::isfinite(days) || days < -693593 || days > 2958465) return t;
    int64_t totalMs = static_cast<int64_t>(std::llround(days * 86400000.0));
    int64_t whole = totalMs / 86400000;
    int64_t ms = totalMs % 86400000;
    if (ms < 0) {
        // Negative day counts keep their time of day positive, as the fraction's magnitude.
        ms = -ms;
    }
    civilFromDays(whole + kEpochOffset, t.year, t.month, t.day);
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

double dayCountFromTime(std::chrono::system_clock::time_point tp) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    LocalTime t{tm.tm_year + 1900,
                tm.tm_mon + 1,
                tm.tm_mday,
                tm.tm_hour,
                tm.tm_min,
                tm.tm_sec,
                static_cast<int>(ms - int64_t(secs) * 1000)};
    return dayCountFromLocal(t);
}

std::chrono::system_clock::time_point timeFromDayCount(double days) {
    const LocalTime t = localFromDayCount(days);
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t secs = std::mktime(&tm);
    return std::chrono::system_clock::from_time_t(secs) + std::chrono::milliseconds(t.millisecond);
}

} // namespace vantor::protocol
