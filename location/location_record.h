// The user's location as the controller, the location dialog and the coordinate texts share it.
#pragma once

#include <cstdint>

namespace tintel {

struct LocationRecord {
    uint32_t postalCode = 0;  // a five-digit code as a number (501 is "00501"); 0 = none
    float latitude = 0.0f;    // degrees, north positive
    float longitude = 0.0f;   // degrees, east positive (west negative)
};

}  // namespace tintel
