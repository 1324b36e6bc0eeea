#include "colour/local_clock.h"

namespace tintel {

platform::LocalDateTime SystemLocalClock::localDateTime() const {
    return platform::localNow();
}

platform::ZoneState SystemLocalClock::zone() const {
    return platform::currentTimeZone();
}

platform::ZoneState SetLocalClock::zone() const {
    return zone_ ? *zone_ : platform::timeZoneAt(local_);
}

}  // namespace tintel
