// The computer's standard-time offset for the coordinate texts' longitude estimate.
//
// It is to come from the time-zone service (platform/timezone.h), which is not part of this build
// yet; until it is, the estimate is made as for a computer on UTC.
#include "location/coordinates.h"

namespace tintel {

// Offset used while the time-zone service is not linked in: UTC.
constexpr int32_t kUtcUntilZoneServiceIsLinked = 0;

// Returns the zone's standard offset in minutes east of UTC.
int32_t standardOffsetMinutesNow() {
    return kUtcUntilZoneServiceIsLinked;
}

}  // namespace tintel
