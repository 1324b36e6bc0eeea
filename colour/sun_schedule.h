// The solar schedule: sunrise, sunset and now in minutes of the local day, from the built-in
// SunTable interpolated in latitude and shifted by longitude, time zone and daylight saving.
#pragma once

#include <cstdint>

#include "colour/local_clock.h"
#include "platform/timezone.h"

namespace tintel {

// Sunrise, sunset and now, in minutes after local midnight. Sunrise may be negative and sunset
// may pass 1440 where the place or the extrapolation puts them in the neighbouring day.
struct SunTimes {
    double sunrise = 0;
    double sunset = 0;
    double now = 0;
};

// The time a caller hands to localSunTimes.
struct LocalTimeRecord {
    // The local date and time as an automation date (see colour/automation_date.h).
    double localDateTime = 0;
    // The daylight-saving shift in minutes, for the caller's own use; localSunTimes does not read
    // it and asks the clock's zone afresh.
    int32_t daylightShift = 0;
    // Added to the clock's minutes: lets the controller look at a time other than the present.
    double offsetMinutes = 0;
};

// Which parts of the zone's offset zoneOffsetMinutes adds up.
enum class WithStandard : bool { No, Yes };
enum class WithDaylight : bool { No, Yes };

// 60 * hours + minutes of an HHMM value: value - 40 * (value / 100), dividing toward zero.
int32_t hhmmToMinutes(int32_t value);

// Sunrise and sunset in minutes after 00:00 UTC at longitude 0 for a latitude (degrees, north
// positive) and a table entry (0 = 1 January 2008): the southern hemisphere is read half a year
// later, latitudes are interpolated between 0, 45 and 60 degrees, and extrapolated beyond 60
// along the 45-60 line without bound. An entry outside 0 .. 365 is taken as the nearest end.
void sunTimesAtLatitude(double latitude, int32_t dayIndex, double& sunrise, double& sunset);

// The zone's offset in minutes: the standard offset (positive east of UTC) if asked, plus the
// daylight shift in force (+60 for one hour of summer time) if asked.
float zoneOffsetMinutes(const platform::ZoneState& zone, WithStandard standard,
                        WithDaylight daylight);
// The same, read afresh from the platform's zone now.
float zoneOffsetMinutes(WithStandard standard, WithDaylight daylight);

// The clock's local date and time as the record localSunTimes takes, with the daylight shift in
// force filled in and the given offset in minutes.
LocalTimeRecord readLocalTime(const LocalClock& clock, double offsetMinutes);

// Sunrise, sunset and now in minutes of the local day for a place (degrees, north and east
// positive) at the record's local date and time, with the clock's time zone.
void localSunTimes(const LocalTimeRecord& time, float latitude, float longitude,
                   const LocalClock& clock, SunTimes& times);

}  // namespace tintel
