// Automation dates to and from calendar fields, on the proleptic Gregorian calendar.
#include "colour/automation_date.h"

#include <cmath>

namespace tintel {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date, counting in 400-year eras from 1 March
// (H. Hinnant, "chrono-Compatible Low-Level Date Algorithms", days_from_civil).
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * ((month + 9) % 12) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The date of a count of days since 1 January 1970 (the inverse: civil_from_days).
void civilFromDays(int64_t days, int32_t& year, int32_t& month, int32_t& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int32_t>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// 30 December 1899, day 0 of automation dates, counted from 1 January 1970.
constexpr int64_t kAutomationEpoch = -25569;
// Half a second in days: the rounding step of the breakdown.
constexpr double kHalfSecond = 0.5 / 86400.0;

}  // namespace

double automationDate(const platform::LocalDateTime& local) {
    const int64_t days = daysFromCivil(local.year, local.month, local.day) - kAutomationEpoch;
    const double time =
        (static_cast<double>(local.hour) * 3600.0 + local.minute * 60.0 + local.second) / 86400.0;
    const double whole = static_cast<double>(days);
    return days < 0 ? whole - time : whole + time;
}

CalendarFields breakDownAutomationDate(double date) {
    if (!std::isfinite(date)) return {};
    const double moved = date + (date < 0 ? -kHalfSecond : kHalfSecond);
    const double wholeDays = std::trunc(moved);
    if (wholeDays < kFirstAutomationDay || wholeDays > kLastAutomationDay) return {};
    const int64_t days = static_cast<int64_t>(wholeDays);
    int64_t seconds = static_cast<int64_t>(std::floor(std::fabs(moved - wholeDays) * 86400.0));
    if (seconds > 86399) seconds = 86399;

    CalendarFields fields;
    civilFromDays(days + kAutomationEpoch, fields.year, fields.month, fields.day);
    fields.hour = static_cast<int32_t>(seconds / 3600);
    fields.minute = static_cast<int32_t>(seconds / 60 % 60);
    fields.second = static_cast<int32_t>(seconds % 60);
    // Day 0 was a Saturday (6).
    fields.dayOfWeek = static_cast<int32_t>(((days + 6) % 7 + 7) % 7);
    fields.dayOfYear =
        static_cast<int32_t>(days + kAutomationEpoch - daysFromCivil(fields.year, 1, 1) + 1);
    return fields;
}

}  // namespace tintel
