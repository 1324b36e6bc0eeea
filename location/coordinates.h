// The coordinate texts the user sees: the location dialog's status line and initial text, and the
// settings panel's location line. Texts are Windows-1252 (the degree sign is byte 0xB0).
#pragma once

#include <cstdint>
#include <string>

#include "location/location_record.h"

namespace tintel {

// Whether a rough region name such as " (North America)" follows the coordinates.
enum class RegionName { Omit, Append };

// Long: "37.8°N, 122.4°W" with one decimal and degree signs; short: "37.78N, 122.41W", the form
// the location text parser reads back.
enum class CoordinateForm { Short, Long };

// The record's coordinates as text. When the latitude is non-zero and the longitude exactly 0,
// the longitude is estimated from the zone's standard offset (minutes east of UTC, daylight
// saving not applied; 15 degrees per hour) and the text is marked as an estimate: the long form
// writes " ~" before the longitude, unless `estimateSuffix` (nullptr for none) is given, which is
// then appended instead. The region is chosen with the longitude used, estimated or not.
std::string FormatCoordinates(const LocationRecord& record, RegionName region,
                              const char* estimateSuffix, CoordinateForm form,
                              int32_t standardOffsetMinutes);

// As above, with the computer's time zone now.
std::string FormatCoordinates(const LocationRecord& record, RegionName region,
                              const char* estimateSuffix, CoordinateForm form);

// The computer's standard-time offset from UTC in minutes, positive east of Greenwich (the
// negated zone bias), daylight saving not applied. Defined in location/zone_offset.cpp.
int32_t standardOffsetMinutesNow();

}  // namespace tintel
