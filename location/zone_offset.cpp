// The computer's standard-time offset for the coordinate texts' longitude estimate, from the
// time-zone service (daylight saving not applied).
#include "location/coordinates.h"
#include "platform/timezone.h"

namespace tintel {

// Returns the zone's standard offset in minutes east of UTC.
int32_t standardOffsetMinutesNow() {
    return platform::currentTimeZone().standardOffsetMinutes;
}

}  // namespace tintel
