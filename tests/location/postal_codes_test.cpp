// The built-in postal code table as the generator wrote it, and the lookup over it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "location/postal_codes.h"

using namespace tintel;

namespace {

// A record that a failed lookup must leave as it is.
constexpr LocationRecord kUntouched{4242, 12.5f, -34.25f};

bool untouched(const LocationRecord& r) {
    return r.postalCode == kUntouched.postalCode && r.latitude == kUntouched.latitude &&
           r.longitude == kUntouched.longitude;
}

}  // namespace

// The binary search needs unique, ascending codes, and the generator leaves out the data set's
// unknown points, written (0, 0). Then every number up to 100,000 against a walk through the
// table: a listed code gives its own row; any other number (a code of the data set without a known
// point too) fails and leaves the record as it was.
TEST(PostalCodeLookup, AgreesWithAWalkOverEveryFiveDigitNumber) {
    const PostalCodeTable& t = kPostalCodeTable;
    ASSERT_EQ(t.count, 42249u) << "zipcodes 8.0.0: 42,555 codes, 306 of them at (0, 0)";
    for (uint32_t i = 0; i < t.count; ++i) {
        ASSERT_TRUE(i == 0 || t.codes[i - 1] < t.codes[i]) << "at index " << i;
        ASSERT_FALSE(t.latitudes[i] == 0 && t.longitudes[i] == 0) << "code " << t.codes[i];
        ASSERT_LE(std::abs(t.latitudes[i]), 90 * 32) << "code " << t.codes[i];
        ASSERT_LE(std::abs(t.longitudes[i]), 180 * 32) << "code " << t.codes[i];
    }
    uint32_t next = 0;  // the first row whose code is not below `code`
    for (uint32_t code = 0; code <= 100000; ++code) {
        while (next < t.count && t.codes[next] < code)
            ++next;
        LocationRecord r = kUntouched;
        const int32_t status = LookupPostalCode(code, &r);
        if (next < t.count && t.codes[next] == code) {
            ASSERT_EQ(status, 0) << code;
            ASSERT_EQ(r.latitude * 32.0f, float(t.latitudes[next])) << code;
            ASSERT_EQ(r.longitude * 32.0f, float(t.longitudes[next])) << code;
        } else {
            ASSERT_EQ(status, -1) << code;
            ASSERT_TRUE(untouched(r)) << code;
        }
    }
    for (const uint32_t code : {100501u, UINT32_MAX}) {  // not taken modulo five digits
        LocationRecord r = kUntouched;
        EXPECT_EQ(LookupPostalCode(code, &r), -1) << code;
        EXPECT_TRUE(untouched(r)) << code;
    }
}
