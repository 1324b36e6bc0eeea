// Automation dates: the platform's date form of a double counting days since 30 December 1899,
// the fraction being the time of day (0.25 is 06:00). Before that day the whole part counts back
// and the fraction still counts forward in time of day: -1.25 is 29 December 1899, 06:00.
#pragma once

#include <cstdint>

#include "platform/local_time.h"

namespace tintel {

// The first and last days an automation date can hold: 1 January 100 and 31 December 9999.
inline constexpr int32_t kFirstAutomationDay = -657434;
inline constexpr int32_t kLastAutomationDay = 2958465;

// The calendar fields of an automation date; all 0 when the date cannot be converted.
struct CalendarFields {
    int32_t year = 0;
    int32_t month = 0;      // 1 = January
    int32_t day = 0;        // 1 .. 31
    int32_t hour = 0;       // 0 .. 23
    int32_t minute = 0;     // 0 .. 59
    int32_t second = 0;     // 0 .. 59
    int32_t dayOfWeek = 0;  // 0 = Sunday
    int32_t dayOfYear = 0;  // 1 = 1 January
};

// The automation date of a local date and time. Milliseconds are dropped, as
// SystemTimeToVariantTime drops them.
double automationDate(const platform::LocalDateTime& local);

// Breaks an automation date into calendar fields, rounded to the nearest second (the value is
// first moved half a second away from zero). A date whose day lies outside
// kFirstAutomationDay .. kLastAutomationDay, or that is not a number, gives all fields 0.
CalendarFields breakDownAutomationDate(double date);

}  // namespace tintel
