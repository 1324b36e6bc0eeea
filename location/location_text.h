// What the location dialog reads: the user's typed text (a postal code, a pair of coordinates or a
// single latitude) and the address the map page navigates itself to once a place is chosen.
#pragma once

#include <string>
#include <string_view>

#include "location/location_record.h"

namespace tintel {

// A decimal number at the start of `text` as atof reads it, but the same everywhere (no locale,
// no "inf", "nan" or hexadecimal forms): leading blanks, a sign, digits with at most one '.', an
// exponent when digits follow the 'e'. Reading stops at the first character that cannot continue
// the number; no number, or one beyond the range of a double, reads 0.
double ReadDecimal(std::string_view text);

// Clamps a latitude beyond 65 degrees (up to 90) to 65 and answers whether the record's latitude
// is then usable: not 0 and within -65 .. 65. Latitudes beyond 90 fail.
bool CheckLatitude(LocationRecord* record);

// Reads the user's text into *record (zeroed first; zeroed again on failure):
//   - two fields (split at ",", else at " "): latitude and longitude; an "S" or "s" anywhere makes
//     the latitude south, a "W" or "w" the longitude west: "25N 32W", "37.78N, 122.41W";
//   - exactly five characters naming a code of the postal code table: that code's point;
//   - otherwise one number, the latitude ("45"), south with an "s"; the longitude stays 0.
// A field that reads 0 without being exactly "0" fails, as does a pair whose latitude fails
// CheckLatitude or whose longitude lies beyond 180 degrees.
bool ParseLocationText(std::string_view text, LocationRecord* record);

// The coordinates a map page reports by navigating to an address whose query (the text between
// the first "?" and the next) carries a "redir" key and non-zero "lat" and "lng" values (a later
// key of the same name wins; keys compare case-sensitively). Coordinates beyond the globe are
// ignored and the latitude goes through CheckLatitude. True with *record set (postal code 0).
bool ReadMapRedirect(std::string_view url, LocationRecord* record);

}  // namespace tintel
