// Generates colour/sun_table.cpp, the SunTable of the solar schedule.
//
//   sun_table_gen OUTPUT        writes the table source to OUTPUT
//   sun_table_gen --check FILE  exits 0 if FILE is what this program writes (line ends aside),
//                               else names the first differing line and exits 1
//
// Contents
//   1. the NOAA solar calculator equations
//   2. standard sunrise and sunset at longitude 0
//   3. recorded corrections
//   4. the table source text
//   5. main
//
// The times are the standard sunrise and sunset (the centre of the Sun 0.833 degrees below the
// horizon: 0.567 degrees of refraction and a 0.266 degree semi-diameter) at longitude 0, in UTC,
// for each day of 2008 at latitudes 0, 45 and 60 degrees north, rounded to the nearest minute and
// written as HHMM. The equations are those of the NOAA Global Monitoring Laboratory's solar
// calculator, after J. Meeus, "Astronomical Algorithms" (1991), chapters 21-24: angles in
// degrees, time in Julian centuries of 36525 days from J2000.0 (JD 2451545.0).
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/generated_source.h"

namespace {

// 1. The NOAA solar calculator equations --------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}
double degrees(double radians) {
    return radians * 180.0 / kPi;
}

// Julian centuries since J2000.0 of a Julian day.
double julianCentury(double julianDay) {
    return (julianDay - 2451545.0) / 36525.0;
}

// Geometric mean longitude of the Sun, degrees, reduced to 0 .. 360.
double meanLongitude(double t) {
    double l0 = 280.46646 + t * (36000.76983 + 0.0003032 * t);
    while (l0 > 360.0)
        l0 -= 360.0;
    while (l0 < 0.0)
        l0 += 360.0;
    return l0;
}

// Geometric mean anomaly of the Sun, degrees.
double meanAnomaly(double t) {
    return 357.52911 + t * (35999.05029 - 0.0001537 * t);
}

// Eccentricity of the Earth's orbit (unitless).
double eccentricity(double t) {
    return 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
}

// The Sun's equation of centre, degrees.
double equationOfCentre(double t) {
    const double m = radians(meanAnomaly(t));
    return std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
           std::sin(2 * m) * (0.019993 - 0.000101 * t) + std::sin(3 * m) * 0.000289;
}

// Longitude of the ascending node of the Moon's orbit, degrees (for nutation and aberration).
double omega(double t) {
    return 125.04 - 1934.136 * t;
}

// The Sun's apparent longitude, degrees: true longitude less aberration and nutation.
double apparentLongitude(double t) {
    const double trueLongitude = meanLongitude(t) + equationOfCentre(t);
    return trueLongitude - 0.00569 - 0.00478 * std::sin(radians(omega(t)));
}

// Obliquity of the ecliptic corrected for nutation, degrees.
double obliquity(double t) {
    const double seconds = 21.448 - t * (46.8150 + t * (0.00059 - t * 0.001813));
    const double mean = 23.0 + (26.0 + seconds / 60.0) / 60.0;
    return mean + 0.00256 * std::cos(radians(omega(t)));
}

// The Sun's declination, degrees.
double declination(double t) {
    return degrees(
        std::asin(std::sin(radians(obliquity(t))) * std::sin(radians(apparentLongitude(t)))));
}

// The equation of time, minutes (apparent minus mean solar time).
double equationOfTime(double t) {
    const double e = eccentricity(t);
    const double l0 = radians(meanLongitude(t));
    const double m = radians(meanAnomaly(t));
    double y = std::tan(radians(obliquity(t)) / 2.0);
    y *= y;
    const double value = y * std::sin(2.0 * l0) - 2.0 * e * std::sin(m) +
                         4.0 * e * y * std::sin(m) * std::cos(2.0 * l0) -
                         0.5 * y * y * std::sin(4.0 * l0) - 1.25 * e * e * std::sin(2.0 * m);
    return degrees(value) * 4.0;
}

// The hour angle of the Sun's centre 0.833 degrees below the horizon, radians.
double sunriseHourAngle(double latitude, double declinationDegrees) {
    const double phi = radians(latitude);
    const double delta = radians(declinationDegrees);
    return std::acos(std::cos(radians(90.833)) / (std::cos(phi) * std::cos(delta)) -
                     std::tan(phi) * std::tan(delta));
}

// 2. Standard sunrise and sunset at longitude 0 -------------------------------------------------

enum class Event { Sunrise, Sunset };

// Minutes after 00:00 UTC of the event at longitude 0 on the UTC day that starts at julianDay.
// The hour angle is evaluated once at the start of the day and once more at the first estimate.
double eventMinutes(double julianDay, double latitude, Event event) {
    const double sign = event == Event::Sunrise ? 1.0 : -1.0;
    auto estimate = [&](double t) {
        const double hourAngle = sign * sunriseHourAngle(latitude, declination(t));
        return 720.0 - 4.0 * degrees(hourAngle) - equationOfTime(t);
    };
    const double t = julianCentury(julianDay);
    const double first = estimate(t);
    return estimate(julianCentury(julianDay + first / 1440.0));
}

// A time in minutes rounded to the nearest minute and written as HHMM.
int hhmm(double minutes) {
    const long total = static_cast<long>(std::floor(minutes + 0.5));
    return static_cast<int>(total / 60 * 100 + total % 60);
}

constexpr int kDays = 366;
constexpr double kFirstDay2008 = 2454466.5;  // 1 January 2008, 00:00 UTC, as a Julian day
constexpr double kLatitudes[3] = {0.0, 45.0, 60.0};
constexpr const char* kArrayNames[6] = {"sunrise at 0 degrees",    "sunrise at 45 degrees N",
                                        "sunrise at 60 degrees N", "sunset at 0 degrees",
                                        "sunset at 45 degrees N",  "sunset at 60 degrees N"};

// 3. Recorded corrections -----------------------------------------------------------------------

// The program's sun times were first published as a table that these equations reproduce to
// within a minute everywhere, but not to the last digit. Nine of its rows are reference rows that
// the program must give exactly (tests/colour/sun_schedule_test.cpp); in two entries of those
// rows the equations round to the neighbouring minute (both times lie within 0.03 minutes of a
// half minute, where any small difference in evaluation flips the rounding). The recorded values
// are kept for those two entries; every other entry is the equations' own result.
struct Correction {
    int entry;     // day of 2008 counted from 0
    int array;     // 0..5, in the table's order
    int computed;  // what the equations give, HHMM
    int recorded;  // what the table holds, HHMM
};
constexpr Correction kCorrections[] = {
    // 1 February 2008, sunset at 60 N: the equations give 16:12.51.
    {31, 5, 1613, 1612},
    // 30 April 2008, sunrise at 45 N: the equations give 04:50.47.
    {120, 1, 450, 451},
};

// The six arrays of the table, corrections applied. A correction whose computed value no longer
// matches the equations is reported and stops the generator, so a changed equation cannot
// silently keep an outdated correction.
bool buildTable(std::vector<int>& table) {
    table.assign(6 * kDays, 0);
    for (int day = 0; day < kDays; ++day) {
        const double julianDay = kFirstDay2008 + day;
        for (int i = 0; i < 3; ++i) {
            table[i * kDays + day] = hhmm(eventMinutes(julianDay, kLatitudes[i], Event::Sunrise));
            table[(3 + i) * kDays + day] =
                hhmm(eventMinutes(julianDay, kLatitudes[i], Event::Sunset));
        }
    }
    for (const Correction& c : kCorrections) {
        int& value = table[c.array * kDays + c.entry];
        if (value != c.computed) {
            std::fprintf(stderr, "sun_table_gen: entry %d of %s is %d, the correction expects %d\n",
                         c.entry, kArrayNames[c.array], value, c.computed);
            return false;
        }
        value = c.recorded;
    }
    return true;
}

// 4. The table source text ----------------------------------------------------------------------

std::string tableSource(const std::vector<int>& table) {
    std::ostringstream out;
    out << "// Generated by tools/sun_table_gen.cpp; do not edit. Regenerate with\n"
           "//   build/linux/colour/sun_table_gen colour/sun_table.cpp\n"
           "// Standard sunrise and sunset (centre of the Sun 0.833 degrees below the horizon) at\n"
           "// longitude 0, UTC, HHMM, for each day of 2008, by the NOAA solar calculator "
           "equations.\n"
           "// Recorded corrections (see the generator):";
    for (const Correction& c : kCorrections) {
        out << "\n//   entry " << c.entry << ", " << kArrayNames[c.array] << ": " << c.recorded
            << " (computed " << c.computed << ")";
    }
    out << "\n#include \"colour/sun_table.h\"\n\nnamespace tintel {\n\n"
           "// clang-format off\nconst int32_t SunTable[kSunTableArrays][kSunTableDays] = {\n";
    for (int array = 0; array < 6; ++array) {
        out << "    // " << kArrayNames[array] << "\n    {";
        for (int day = 0; day < kDays; ++day) {
            if (day % 12 == 0) out << "\n       ";
            char cell[16];
            std::snprintf(cell, sizeof cell, " %4d,", table[array * kDays + day]);
            out << cell;
        }
        out << "\n    },\n";
    }
    out << "};\n// clang-format on\n\n}  // namespace tintel\n";
    return out.str();
}

// 5. Main ---------------------------------------------------------------------------------------

}  // namespace

int main(int argc, char** argv) {
    return tools::writeOrCheck("sun_table_gen", argc, argv, [](std::string* source) {
        std::vector<int> table;
        if (!buildTable(table)) return false;
        *source = tableSource(table);
        return true;
    });
}
