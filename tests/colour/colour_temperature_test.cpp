// Colour temperature to RGB: the reference results (which also pin Planck's law, the sRGB curve and
// matrix underneath), the white blend around 6500 K, the colour-matching table, temperatures
// without light, and the conversion's use from two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "colour/cie1931.h"
#include "colour/colour_temperature.h"

using namespace tintel;

namespace {

struct Rgb {
    float r = -1, g = -1, b = -1;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

Rgb kelvin(float k) {
    Rgb c;
    kelvinToRgb(k, c.r, c.g, c.b);
    return c;
}

Rgb blackbody(float k) {
    Rgb c;
    blackbodyRgb(k, 0, 0, c.r, c.g, c.b);
    return c;
}

}  // namespace

TEST(KelvinToRgb, ReferenceResultsAndTheWhiteBlendAround6500) {
    const float rows[][4] = {
        {1000, 1.0000f, 0.0998f, 0.0000f}, {1200, 1.0000f, 0.2721f, 0.0000f},
        {1900, 1.0000f, 0.5204f, 0.0000f}, {2300, 1.0000f, 0.6067f, 0.2199f},
        {2700, 1.0000f, 0.6748f, 0.3441f}, {3400, 1.0000f, 0.7663f, 0.5184f},
        {4200, 1.0000f, 0.8428f, 0.6790f}, {5000, 1.0000f, 0.8998f, 0.8098f},
        {5500, 1.0000f, 0.9284f, 0.8795f}, {6000, 1.0000f, 0.9656f, 0.9430f},
        {6500, 1.0000f, 1.0000f, 1.0000f}, {7000, 0.9564f, 0.9613f, 1.0018f},
        {8000, 0.8856f, 0.9045f, 1.0000f}, {10000, 0.7983f, 0.8480f, 1.0000f},
    };
    for (const auto& row : rows) {
        const Rgb c = kelvin(row[0]);
        const double tolerance = row[0] == 6500 ? 0 : 0.00005;  // neutral is exactly white
        EXPECT_NEAR(c.r, row[1], tolerance) << row[0];
        EXPECT_NEAR(c.g, row[2], tolerance) << row[0];
        EXPECT_NEAR(c.b, row[3], tolerance) << row[0];
    }
    EXPECT_EQ(kelvin(800).b, 0.0f) << "blue's linear value is negative up to 1900 K: clamped";
    // The unblended black body at 6500 K, whose reciprocal is the white reference.
    const Rgb physical = blackbody(6500);
    EXPECT_NEAR(physical.g, 0.9736, 0.00005);
    EXPECT_NEAR(physical.b, 0.9964, 0.00005);
    // The blend ends at 5500 K and 7500 K: there and beyond the black body is returned as it is.
    for (const float k : {5500.0f, 7500.0f, 5499.0f, 7501.0f, 3000.0f, 9000.0f})
        EXPECT_TRUE(kelvin(k) == blackbody(k)) << k;
    // Inside the band the correction is partial, and the result is continuous at its ends.
    EXPECT_GT(kelvin(6000).g, blackbody(6000).g);
    for (const float edge : {5500.0f, 6500.0f, 7500.0f}) {
        EXPECT_NEAR(kelvin(edge - 0.5f).g, kelvin(edge + 0.5f).g, 0.0002) << edge;
        EXPECT_NEAR(kelvin(edge - 0.5f).b, kelvin(edge + 0.5f).b, 0.0002) << edge;
    }
}

TEST(ColourPhysics, DimmingMiredShift) {
    EXPECT_EQ(dimmingMiredShift(1), 0.0);
    EXPECT_NEAR(dimmingMiredShift(0.5), 27.528, 0.001);  // 6500 K dimmed by a stop: about 5513 K
    EXPECT_NEAR(dimmingMiredShift(std::pow(2.0, -1.0 / 3)), 27.528 / 3, 0.001);
}

// The table against the CIE 1931 2-degree data as colord ships it (Debian package colord-data).
TEST(ColourPhysics, ColourMatchingTableIsThePublishedOne) {
    std::ifstream in("/usr/share/colord/cmf/CIE1931-2deg-XYZ.cmf");
    ASSERT_TRUE(in) << "colord-data is not installed (scripts/install-deps installs it)";
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const size_t begin = all.find("BEGIN_DATA\n");
    ASSERT_NE(begin, std::string::npos);
    std::istringstream data(all.substr(begin + 11));
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < kCie1931Rows; ++row) {
            std::string word;
            data >> word;
            EXPECT_EQ(kCie1931Observer[row][column], std::strtof(word.c_str(), nullptr))
                << (360 + 5 * row) << " nm, function " << column;
        }
    }
}
