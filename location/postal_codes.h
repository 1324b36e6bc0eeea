// The built-in table of United States five-digit postal codes (ZIP codes), one point each, and
// the lookup that turns a typed code into a location without any network access.
#pragma once

#include <cstdint>

#include "location/location_record.h"

namespace tintel {

// Three parallel constant arrays of `count` entries: entry i is code codes[i] at latitude
// latitudes[i] / 32 and longitude longitudes[i] / 32 degrees. Codes are strictly ascending.
struct PostalCodeTable {
    uint32_t count;
    const uint32_t* codes;
    const int16_t* latitudes;   // 1/32 degree, north positive
    const int16_t* longitudes;  // 1/32 degree, east positive
};

// The table compiled into the program (location/postal_code_table.cpp, made by
// tools/postal_codes/generate.js).
extern const PostalCodeTable kPostalCodeTable;

// Resolution of the stored coordinates: 32 steps per degree.
inline constexpr float kPostalCodeUnitsPerDegree = 32.0f;

// Finds `code` in the built-in table. 0 with *record = the code and its point in degrees; -1
// when the code is not there, with *record untouched.
int32_t LookupPostalCode(uint32_t code, LocationRecord* record);

}  // namespace tintel
