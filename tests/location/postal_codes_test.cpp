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

// Expected values: the data set's own point, rounded to the nearest 1/32 degree by hand.
TEST(PostalCodeLookup, GivesTheDataSetsPointsInThirtySecondsOfADegree) {
    const struct {
        uint32_t code;
        float latitude, longitude;
    } cases[] = {
        {501, 40.8125f, -73.03125f},      // 40.8154, -73.0451 (Holtsville, NY), the first code
        {544, 40.8125f, -73.03125f},      // the same point as 501
        {601, 18.15625f, -66.71875f},     // 18.16, -66.72 (Adjuntas, PR)
        {10001, 40.75f, -74.0f},          // 40.7484, -73.9967 (New York, NY)
        {90210, 34.09375f, -118.40625f},  // 34.0901, -118.4065 (Beverly Hills, CA)
        {99723, 71.25f, -156.8125f},      // 71.2346, -156.8174: north of 65, not clamped here
        {99950, 55.34375f, -131.65625f},  // 55.3422, -131.6478 (Ketchikan, AK), the last code
    };
    for (const auto& c : cases) {
        LocationRecord r = kUntouched;
        ASSERT_EQ(LookupPostalCode(c.code, &r), 0) << c.code;
        EXPECT_EQ(r.postalCode, c.code);
        EXPECT_EQ(r.latitude, c.latitude) << c.code;
        EXPECT_EQ(r.longitude, c.longitude) << c.code;
    }
}

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
