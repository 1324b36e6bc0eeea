// Lookups in the built-in postal code table.
#include "location/postal_codes.h"

#include <algorithm>

namespace tintel {

// A binary search: the codes are unique and ascending, so the first equal entry it finds is the
// one a walk from the start would stop at.
int32_t LookupPostalCode(uint32_t code, LocationRecord* record) {
    const PostalCodeTable& table = kPostalCodeTable;
    const uint32_t* end = table.codes + table.count;
    const uint32_t* found = std::lower_bound(table.codes, end, code);
    if (found == end || *found != code) return -1;
    const size_t i = static_cast<size_t>(found - table.codes);
    record->postalCode = code;
    record->latitude = static_cast<float>(table.latitudes[i]) / kPostalCodeUnitsPerDegree;
    record->longitude = static_cast<float>(table.longitudes[i]) / kPostalCodeUnitsPerDegree;
    return 0;
}

}  // namespace tintel
