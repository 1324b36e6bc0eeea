// The platform's time-zone service: the zone's standard offset and the daylight-saving shift in
// force, both in minutes with the signs the solar schedule uses.
#pragma once

#include <cstdint>

#include "platform/local_time.h"

namespace platform {

// What the time zone says at one moment.
struct ZoneState {
    // Standard offset from UTC in minutes, positive east of Greenwich: +60 for UTC+1, -420 for
    // UTC-7, +330 for India, -210 for Newfoundland. On Windows this is -Bias.
    int32_t standardOffsetMinutes = 0;
    // The daylight-saving shift in force at that moment, in minutes (+60 for a one-hour summer
    // time); 0 while standard time is in force or where the zone keeps none. On Windows this is
    // -DaylightBias while GetTimeZoneInformation reports daylight time, else 0.
    int32_t daylightShiftMinutes = 0;
};

// The zone's state now, read afresh from the platform on every call.
ZoneState currentTimeZone();

// The zone's state at a given local date and time, by the platform's own rules for that year.
// A local time that a clock change skips or repeats is resolved as the platform resolves it.
ZoneState timeZoneAt(const LocalDateTime& local);

}  // namespace platform
