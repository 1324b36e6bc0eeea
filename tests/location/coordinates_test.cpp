// The coordinate texts: both forms, the longitude estimated from the zone, the region names, the
// rounding of exact halves and extreme values, in the C locale and in one with a decimal comma.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "location/coordinates.h"

using tintel::CoordinateForm;
using tintel::FormatCoordinates;
using tintel::RegionName;

// The degree sign of Windows-1252, as a literal to splice: "45.0" DEG "N".
#define DEG "\xB0"

namespace {

constexpr const char* kClick = " (Click to set Location)";
constexpr CoordinateForm kLong = CoordinateForm::Long, kShort = CoordinateForm::Short;
constexpr RegionName kRegion = RegionName::Append, kNone = RegionName::Omit;
const std::string kMax = "340282346638528859811704183484516925440.0";

struct Row {
    float latitude, longitude;
    int32_t zoneMinutes;  // the zone's offset east of UTC, for a missing longitude
    CoordinateForm form;
    RegionName region;
    const char* suffix;  // replaces the estimate's "~" mark
    std::string text;
};

const Row kRows[] = {
    // The dialog's initial text (short, no region; its status lines are the lookup test's).
    {37.78125f, -122.40625f, 0, kShort, kNone, nullptr, "37.78N, 122.41W"},
    {-12.5f, 45.0f, 0, kShort, kNone, nullptr, "12.50S, 45.00E"},
    // A known longitude never gets the suffix.
    {33.78125f, -118.3125f, 60, kLong, kNone, kClick, "33.8" DEG "N, 118.3" DEG "W"},
    // A missing longitude is estimated from the zone: UTC+1 is 15 degrees east.
    {45.0f, 0.0f, 60, kLong, kNone, nullptr, "45.0" DEG "N, ~15.0" DEG "E"},
    {45.0f, 0.0f, 60, kShort, kNone, nullptr, "45.0N "},
    {45.0f, 0.0f, 60, kLong, kNone, kClick, "45.0" DEG "N, 15.0" DEG "E (Click to set Location)"},
    {45.0f, 0.0f, 60, kShort, kRegion, kClick, "45.0N  (Click to set Location) (Europe, Asia)"},
    {45.0f, 0.0f, 60, kLong, kNone, "", "45.0" DEG "N, 15.0" DEG "E"},
    {45.0f, 0.0f, -480, kLong, kRegion, nullptr, "45.0" DEG "N, ~120.0" DEG "W (North America)"},
    {21.0f, 0.0f, 330, kLong, kRegion, nullptr, "21.0" DEG "N, ~82.5" DEG "E (SE Asia, Australia)"},
    {47.5f, 0.0f, -210, kLong, kRegion, nullptr, "47.5" DEG "N, ~52.5" DEG "W (North America)"},
    {-33.9f, 0.0f, 0, kLong, kRegion, nullptr, "33.9" DEG "S, ~0.0" DEG "E (Africa)"},
    {45.0f, 0.0f, -300, kShort, kRegion, nullptr,
     "45.0N  (North America)"},  // region of the estimate
    {45.0f, -0.0f, 60, kLong, kRegion, nullptr, "45.0" DEG "N, ~15.0" DEG "E (Europe, Asia)"},
    // Without a latitude nothing is estimated.
    {0.0f, 0.0f, 60, kLong, kNone, kClick, "0.0" DEG "N, 0.0" DEG "E"},
    {0.0f, 0.0f, -480, kLong, kRegion, nullptr, "0.0" DEG "N, 0.0" DEG "E (Africa)"},
    {0.0f, 20.0f, -480, kLong, kRegion, nullptr, "0.0" DEG "N, 20.0" DEG "E (Africa)"},
    {0.0f, 0.0f, 60, kShort, kNone, nullptr, "0.0N "},
    // The regions in their order; a boundary belongs to the later rule (-20 is not west of -20,
    // 30 not north of 30, 60 not west of 60); the Americas come first, even far north.
    {10.0f, -70.0f, 0, kLong, kRegion, nullptr, "10.0" DEG "N, 70.0" DEG "W (South America)"},
    {10.03125f, -70.0f, 0, kLong, kRegion, nullptr, "10.0" DEG "N, 70.0" DEG "W (North America)"},
    {45.0f, -20.0f, 0, kLong, kRegion, nullptr, "45.0" DEG "N, 20.0" DEG "W (Europe, Asia)"},
    {30.0f, 10.0f, 0, kLong, kRegion, nullptr, "30.0" DEG "N, 10.0" DEG "E (Africa)"},
    {20.0f, 60.0f, 0, kLong, kRegion, nullptr, "20.0" DEG "N, 60.0" DEG "E (SE Asia, Australia)"},
    {64.0f, -150.0f, 0, kLong, kRegion, nullptr, "64.0" DEG "N, 150.0" DEG "W (North America)"},
    // Exact halves round to even, as printf does, on every build.
    {40.25f, -73.75f, 0, kLong, kRegion, nullptr, "40.2" DEG "N, 73.8" DEG "W (North America)"},
    {33.125f, -118.375f, 0, kShort, kNone, nullptr, "33.12N, 118.38W"},
    {0.03125f, 0.15625f, 0, kShort, kNone, nullptr, "0.03N, 0.16E"},
    // Values no dialog accepts can still come from a damaged store: text, never an overrun. NaN
    // compares false everywhere: not north, not east, and the longitude is kept.
    {FLT_MAX, -FLT_MAX, 0, kLong, kRegion, nullptr,
     kMax + DEG "N, " + kMax + DEG "W (North America)"},
    {-FLT_MAX, FLT_MAX, 0, kShort, kNone, nullptr, kMax + "0S, " + kMax + "0E"},
    {INFINITY, -INFINITY, 0, kShort, kNone, nullptr, "infN, infW"},
    {NAN, 5.0f, 0, kLong, kRegion, nullptr, "nan" DEG "S, 5.0" DEG "E (Africa)"},
    {45.0f, NAN, 0, kLong, kRegion, nullptr, "45.0" DEG "N, nan" DEG "W (Europe, Asia)"},
};

}  // namespace

// The process locale may use a decimal comma (GTK sets it from the environment); the texts keep
// the point that the location parser reads back.
TEST(CoordinateText, WritesEveryFormWhateverTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::vector<std::string> locales = {saved};
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "fr_FR.UTF-8"})
        if (locales.size() == 1 && std::setlocale(LC_ALL, name) &&
            *std::localeconv()->decimal_point == ',')
            locales.push_back(name);
    if (locales.size() == 1) std::printf("no locale with a decimal comma is installed\n");
    for (const std::string& locale : locales) {
        std::setlocale(LC_ALL, locale.c_str());
        for (const Row& row : kRows)
            EXPECT_EQ(FormatCoordinates({0, row.latitude, row.longitude}, row.region, row.suffix,
                                        row.form, row.zoneMinutes),
                      row.text)
                << "row " << &row - kRows << ", locale " << locale;
    }
    std::setlocale(LC_ALL, saved.c_str());
}
