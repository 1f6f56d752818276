// The relative date of the reminder, notice and offline-file lists: today the time with the
// morning/afternoon marker ("上午9:05", "下午3:30"), then "昨天", "前天", else "n 天前". Date-times
// are day counts since 1899-12-30 local time, as the records carry them; the texts are GBK.
#pragma once

#include <string>

namespace vantor::lists {

// `now` is passed in so that lists and tests choose the clock. A date after `now` counts as
// today; a value that is no date (NaN, infinite, outside the years 1…9999) gives an empty text.
std::string relativeDate(double itemTime, double now);

// Whole days between the calendar dates of two day counts (b − a), by local calendar date.
long long calendarDaysBetween(double a, double b);

} // namespace vantor::lists
