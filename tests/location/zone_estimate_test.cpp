// The longitude estimate follows the computer's own zone: run once per zone, with TZ naming it
// (Wine maps TZ to its Windows zone at start) and the expected text in the environment.
#include <gtest/gtest.h>

#include <string>

#include "location/coordinates.h"
#include "platform/process.h"

TEST(ZoneEstimate, LongitudeComesFromTheComputersStandardOffset) {
    std::string expected = platform::environmentVariable("TINTEL_EXPECTED_TEXT");
    ASSERT_FALSE(expected.empty()) << "run by CTest with TZ and TINTEL_EXPECTED_TEXT set";
    for (size_t at; (at = expected.find("deg")) != std::string::npos;)
        expected.replace(at, 3, "\xB0");
    tintel::LocationRecord record{};
    record.latitude = 45.0f;
    EXPECT_EQ(tintel::FormatCoordinates(record, tintel::RegionName::Append, nullptr,
                                        tintel::CoordinateForm::Long),
              expected);
}
