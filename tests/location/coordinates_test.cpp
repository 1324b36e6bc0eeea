// The coordinate texts: both forms, the longitude estimated from the zone, the region names.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <string>

#include "location/coordinates.h"

using tintel::CoordinateForm;
using tintel::FormatCoordinates;
using tintel::LocationRecord;
using tintel::RegionName;

// The degree sign of Windows-1252, as a literal to splice: "45.0" DEG "N".
#define DEG "\xB0"

namespace {

constexpr const char* kClickToSet = " (Click to set Location)";

// The long form as the dialog's status line writes it (region, no suffix).
std::string statusLine(float latitude, float longitude, int32_t offsetMinutes = 0) {
    return FormatCoordinates({0, latitude, longitude}, RegionName::Append, nullptr,
                             CoordinateForm::Long, offsetMinutes);
}

// The short form as the dialog's initial text writes it (no region, no suffix).
std::string shortText(float latitude, float longitude, int32_t offsetMinutes = 0) {
    return FormatCoordinates({0, latitude, longitude}, RegionName::Omit, nullptr,
                             CoordinateForm::Short, offsetMinutes);
}

}  // namespace

TEST(CoordinateText, WritesAKnownPointInBothForms) {
    EXPECT_EQ(statusLine(37.78125f, -122.40625f), "37.8" DEG "N, 122.4" DEG "W (North America)");
    EXPECT_EQ(shortText(37.78125f, -122.40625f), "37.78N, 122.41W");
    EXPECT_EQ(shortText(-12.5f, 45.0f), "12.50S, 45.00E");
    // The settings panel: long form, no region; a known longitude never gets the suffix.
    EXPECT_EQ(FormatCoordinates({90210, 33.78125f, -118.3125f}, RegionName::Omit, kClickToSet,
                                CoordinateForm::Long, 60),
              "33.8" DEG "N, 118.3" DEG "W");
}

TEST(CoordinateText, EstimatesAMissingLongitudeFromTheZone) {
    // UTC+1: 60 minutes east is 15 degrees east.
    const LocationRecord r{0, 45.0f, 0.0f};
    EXPECT_EQ(FormatCoordinates(r, RegionName::Omit, nullptr, CoordinateForm::Long, 60),
              "45.0" DEG "N, ~15.0" DEG "E");
    EXPECT_EQ(statusLine(45.0f, 0.0f, 60), "45.0" DEG "N, ~15.0" DEG "E (Europe, Asia)");
    EXPECT_EQ(shortText(45.0f, 0.0f, 60), "45.0N ");
    // A suffix replaces the "~" mark and goes at the end, before any region.
    EXPECT_EQ(FormatCoordinates(r, RegionName::Omit, kClickToSet, CoordinateForm::Long, 60),
              "45.0" DEG "N, 15.0" DEG "E (Click to set Location)");
    EXPECT_EQ(FormatCoordinates(r, RegionName::Append, kClickToSet, CoordinateForm::Short, 60),
              "45.0N  (Click to set Location) (Europe, Asia)");
    EXPECT_EQ(FormatCoordinates(r, RegionName::Omit, "", CoordinateForm::Long, 60),
              "45.0" DEG "N, 15.0" DEG "E");

    // West of Greenwich, half-hour zones, and UTC itself (still marked as an estimate).
    EXPECT_EQ(statusLine(45.0f, 0.0f, -480), "45.0" DEG "N, ~120.0" DEG "W (North America)");
    EXPECT_EQ(statusLine(21.0f, 0.0f, 330), "21.0" DEG "N, ~82.5" DEG "E (SE Asia, Australia)");
    EXPECT_EQ(statusLine(47.5f, 0.0f, -210), "47.5" DEG "N, ~52.5" DEG "W (North America)");
    EXPECT_EQ(statusLine(-33.9f, 0.0f, 0), "33.9" DEG "S, ~0.0" DEG "E (Africa)");
    // The region follows the estimate in the short form too, though it does not show it.
    EXPECT_EQ(FormatCoordinates(r, RegionName::Append, nullptr, CoordinateForm::Short, -300),
              "45.0N  (North America)");
    // A negative zero is a zero longitude.
    EXPECT_EQ(statusLine(45.0f, -0.0f, 60), "45.0" DEG "N, ~15.0" DEG "E (Europe, Asia)");
}

TEST(CoordinateText, EstimatesNothingWithoutALatitude) {
    const LocationRecord origin{0, 0.0f, 0.0f};
    EXPECT_EQ(FormatCoordinates(origin, RegionName::Omit, kClickToSet, CoordinateForm::Long, 60),
              "0.0" DEG "N, 0.0" DEG "E");
    EXPECT_EQ(statusLine(0.0f, 0.0f, -480), "0.0" DEG "N, 0.0" DEG "E (Africa)");
    EXPECT_EQ(statusLine(0.0f, 20.0f, -480), "0.0" DEG "N, 20.0" DEG "E (Africa)");
    EXPECT_EQ(shortText(0.0f, 0.0f, 60), "0.0N ");
}

TEST(CoordinateText, NamesTheRegionsInTheirOrder) {
    EXPECT_EQ(statusLine(-33.9f, 151.2f), "33.9" DEG "S, 151.2" DEG "E (SE Asia, Australia)");
    EXPECT_EQ(statusLine(-1.3f, 36.8f), "1.3" DEG "S, 36.8" DEG "E (Africa)");
    EXPECT_EQ(statusLine(10.0f, -70.0f), "10.0" DEG "N, 70.0" DEG "W (South America)");
    EXPECT_EQ(statusLine(10.03125f, -70.0f), "10.0" DEG "N, 70.0" DEG "W (North America)");
    // Boundaries belong to the later rule: -20 is not west of -20, 30 not north of 30, 60 not
    // west of 60.
    EXPECT_EQ(statusLine(45.0f, -20.0f), "45.0" DEG "N, 20.0" DEG "W (Europe, Asia)");
    EXPECT_EQ(statusLine(30.0f, 10.0f), "30.0" DEG "N, 10.0" DEG "E (Africa)");
    EXPECT_EQ(statusLine(20.0f, 60.0f), "20.0" DEG "N, 60.0" DEG "E (SE Asia, Australia)");
    // The Americas rule comes first, even far north.
    EXPECT_EQ(statusLine(64.0f, -150.0f), "64.0" DEG "N, 150.0" DEG "W (North America)");
}

// printf's "%.1f" and "%.2f" round exact halves to even; both builds must write the same text.
TEST(CoordinateText, RoundsExactHalvesLikeCPrintfOnEveryBuild) {
    EXPECT_EQ(statusLine(40.25f, -73.75f), "40.2" DEG "N, 73.8" DEG "W (North America)");
    EXPECT_EQ(shortText(33.125f, -118.375f), "33.12N, 118.38W");
    EXPECT_EQ(shortText(0.03125f, 0.15625f), "0.03N, 0.16E");
}

// The process locale may use a decimal comma (GTK sets it from the environment); the texts must
// keep the point that the location parser reads back.
TEST(CoordinateText, IgnoresTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "fr_FR.UTF-8"};
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',') {
            chosen = name;
            break;
        }
    if (chosen == nullptr) {
        std::setlocale(LC_ALL, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const std::string longText = statusLine(37.78125f, -122.40625f);
    const std::string shortForm = shortText(37.78125f, -122.40625f);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(longText, "37.8" DEG "N, 122.4" DEG "W (North America)") << chosen;
    EXPECT_EQ(shortForm, "37.78N, 122.41W") << chosen;
}

// Values that no dialog accepts can still reach the formatter from a damaged store; they give
// text, never a crash or an overrun.
TEST(CoordinateText, WritesExtremeValuesWithoutHarm) {
    EXPECT_EQ(statusLine(FLT_MAX, -FLT_MAX),
              "340282346638528859811704183484516925440.0" DEG
              "N, "
              "340282346638528859811704183484516925440.0" DEG "W (North America)");
    EXPECT_EQ(shortText(-FLT_MAX, FLT_MAX),
              "340282346638528859811704183484516925440.00S, "
              "340282346638528859811704183484516925440.00E");
    EXPECT_EQ(shortText(INFINITY, -INFINITY), "infN, infW");
    // NaN compares false everywhere: not north, not east, and the longitude is kept.
    EXPECT_EQ(statusLine(NAN, 5.0f), "nan" DEG "S, 5.0" DEG "E (Africa)");
    EXPECT_EQ(statusLine(45.0f, NAN), "45.0" DEG "N, nan" DEG "W (Europe, Asia)");
}
