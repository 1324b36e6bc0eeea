// The coordinate texts: long and short forms, the longitude estimated from the time zone, and the
// rough region names.
//
// Numbers are written with std::to_chars, not printf: the result is the same as printf's "%.1f"
// and "%.2f" in the C locale (correctly rounded, exact halves to even), but it ignores the
// process locale (GTK sets it from the environment, which would write "37,8") and does not vary
// with the C runtime (older Windows runtimes round exact halves such as 40.25 away from zero).
#include "location/coordinates.h"

#include <charconv>
#include <cmath>

namespace tintel {
namespace {

constexpr char kDegreeSign = '\xB0';  // Windows-1252

// Appends |value| in fixed notation with `decimals` decimals.
void appendMagnitude(std::string& text, float value, int decimals) {
    // Room for any double in fixed notation (at most 309 integer digits) and the decimals.
    char buffer[400];
    const double magnitude = std::fabs(static_cast<double>(value));
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::fixed, decimals);
    if (result.ec == std::errc()) text.append(buffer, result.ptr);
}

// The rough region of a point, tested in this order: west of -20 degrees is the Americas, split
// at latitude 10; then north of 30 is Europe and Asia; then west of 60 is Africa.
const char* regionName(float latitude, float longitude) {
    if (longitude < -20.0f) return latitude > 10.0f ? " (North America)" : " (South America)";
    if (latitude > 30.0f) return " (Europe, Asia)";
    if (longitude < 60.0f) return " (Africa)";
    return " (SE Asia, Australia)";
}

}  // namespace

// Builds the text from the record and the zone offset used for a missing longitude.
std::string FormatCoordinates(const LocationRecord& record, RegionName region,
                              const char* estimateSuffix, CoordinateForm form,
                              int32_t standardOffsetMinutes) {
    const float latitude = record.latitude;
    float longitude = record.longitude;
    const bool estimated = latitude != 0.0f && longitude == 0.0f;
    // The sun moves 15 degrees of longitude per hour: 0.25 degree per minute of offset.
    if (estimated) longitude = static_cast<float>(standardOffsetMinutes) * 0.25f;
    const char northSouth = latitude >= 0.0f ? 'N' : 'S';
    const char eastWest = longitude >= 0.0f ? 'E' : 'W';

    std::string text;
    if (form == CoordinateForm::Long) {
        appendMagnitude(text, latitude, 1);
        text += kDegreeSign;
        text += northSouth;
        text += ',';
        text += estimated && estimateSuffix == nullptr ? " ~" : " ";
        appendMagnitude(text, longitude, 1);
        text += kDegreeSign;
        text += eastWest;
    } else if (record.longitude != 0.0f) {
        appendMagnitude(text, latitude, 2);
        text += northSouth;
        text += ", ";
        appendMagnitude(text, longitude, 2);
        text += eastWest;
    } else {
        // Only the latitude is known; the trailing blank is part of the form.
        appendMagnitude(text, latitude, 1);
        text += northSouth;
        text += ' ';
    }
    if (estimated && estimateSuffix != nullptr) text += estimateSuffix;
    if (region == RegionName::Append) text += regionName(latitude, longitude);
    return text;
}

// Builds the text with the computer's zone offset now.
std::string FormatCoordinates(const LocationRecord& record, RegionName region,
                              const char* estimateSuffix, CoordinateForm form) {
    return FormatCoordinates(record, region, estimateSuffix, form, standardOffsetMinutesNow());
}

}  // namespace tintel
