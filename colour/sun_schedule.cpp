#include "colour/sun_schedule.h"

#include <cmath>

#include "colour/automation_date.h"
#include "colour/sun_table.h"

namespace tintel {
namespace {

// The whole days, in minutes, that bring a distance of more than 1440 minutes back to 1440 or
// less: one day for up to two days' distance, and so on.
double wholeDaysBeyond(double minutes) {
    if (!std::isfinite(minutes)) return 0;
    return std::ceil((minutes - 1440) / 1440) * 1440;
}

}  // namespace

int32_t hhmmToMinutes(int32_t value) {
    return value - 40 * (value / 100);
}

void sunTimesAtLatitude(double latitude, int32_t dayIndex, double& sunrise, double& sunset) {
    // Entries outside the table are never read: callers pass 0 .. 365, anything else is clamped.
    if (dayIndex < 0) dayIndex = 0;
    if (dayIndex > kSunTableDays - 1) dayIndex = kSunTableDays - 1;
    // The southern hemisphere sees the northern one's sun half a year (182 days) later.
    if (latitude < 0) {
        dayIndex += 182;
        if (dayIndex > 365) dayIndex -= 365;
        latitude = -latitude;
    }
    const double r0 = hhmmToMinutes(SunTable[kSunrise0][dayIndex]);
    const double r45 = hhmmToMinutes(SunTable[kSunrise45][dayIndex]);
    const double r60 = hhmmToMinutes(SunTable[kSunrise60][dayIndex]);
    const double s0 = hhmmToMinutes(SunTable[kSunset0][dayIndex]);
    const double s45 = hhmmToMinutes(SunTable[kSunset45][dayIndex]);
    const double s60 = hhmmToMinutes(SunTable[kSunset60][dayIndex]);
    if (latitude < 45) {
        const double f = latitude / 45;
        sunrise = r0 + (r45 - r0) * f;
        sunset = s0 + (s45 - s0) * f;
    } else {
        // No upper bound: past 60 degrees the 45-60 line goes on (no polar day or night).
        const double f = (latitude - 45) / 15;
        sunrise = r45 + (r60 - r45) * f;
        sunset = s45 + (s60 - s45) * f;
    }
}

float zoneOffsetMinutes(const platform::ZoneState& zone, WithStandard standard,
                        WithDaylight daylight) {
    float minutes = 0;
    if (standard == WithStandard::Yes) minutes = static_cast<float>(zone.standardOffsetMinutes);
    if (daylight == WithDaylight::Yes) minutes += static_cast<float>(zone.daylightShiftMinutes);
    return minutes;
}

float zoneOffsetMinutes(WithStandard standard, WithDaylight daylight) {
    return zoneOffsetMinutes(platform::currentTimeZone(), standard, daylight);
}

LocalTimeRecord readLocalTime(const LocalClock& clock, double offsetMinutes) {
    LocalTimeRecord record;
    record.localDateTime = automationDate(clock.localDateTime());
    record.daylightShift =
        static_cast<int32_t>(zoneOffsetMinutes(clock.zone(), WithStandard::No, WithDaylight::Yes));
    record.offsetMinutes = offsetMinutes;
    return record;
}

void localSunTimes(const LocalTimeRecord& time, float latitude, float longitude,
                   const LocalClock& clock, SunTimes& times) {
    const CalendarFields local = breakDownAutomationDate(time.localDateTime);
    // The table is read at the 1-based day of the year; 31 December of a leap year uses 365.
    int32_t day = local.dayOfYear;
    if (day > 365) day = 365;
    double sunrise = 0;
    double sunset = 0;
    sunTimesAtLatitude(latitude, day, sunrise, sunset);

    const platform::ZoneState zone = clock.zone();
    // 4 minutes of time per degree of longitude, east earlier. At longitude exactly 0 the table
    // times are taken as local standard times: neither the longitude nor the zone applies.
    if (longitude != 0) {
        const double shift =
            4.0 * longitude - zoneOffsetMinutes(zone, WithStandard::Yes, WithDaylight::No);
        sunrise -= shift;
        sunset -= shift;
    }
    const int32_t daylight =
        static_cast<int32_t>(zoneOffsetMinutes(zone, WithStandard::No, WithDaylight::Yes));
    double now = local.hour * 60.0 + local.minute + local.second / 60.0 + time.offsetMinutes;
    sunrise += daylight;
    sunset += daylight;
    // Keep now within a day of sunrise; only now moves. One day's step is always enough for the
    // present time; a caller's offset of several days is taken back by as many whole days, so
    // that now is never more than 1440 minutes from sunrise.
    if (now - sunrise > 1440) now -= wholeDaysBeyond(now - sunrise);
    if (sunrise - now > 1440) now += wholeDaysBeyond(sunrise - now);
    times.sunrise = sunrise;
    times.sunset = sunset;
    times.now = now;
}

}  // namespace tintel
