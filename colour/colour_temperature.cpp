// Colour temperature to RGB.
//
// Contents
//   1. Planck's law and the black body's chromaticity
//   2. chromaticity to display RGB (sRGB matrix and transfer curve)
//   3. the cached black body conversion and the white blend
//   4. the dimming shift
//
// The arithmetic is single precision wherever the results are floats: the radiance is computed
// in double and rounded to float per sample; the running sums, the matrix and the transfer curve
// are floats. Only the white blend is double, rounded to float at the end (see ColourState). Both
// builds (x86-64 SSE, no fused multiply-add) then agree to the last bit except where their maths
// libraries round exp and pow differently.
#include "colour/colour_temperature.h"

#include <cmath>
#include <mutex>

#include "colour/cie1931.h"

namespace tintel {

// 1. Planck's law and the black body's chromaticity -------------------------------------------

double planckRadiance(double wavelengthNm, double kelvin) {
    const double lambda = wavelengthNm * 1e-9;
    return 3.74183e-16 * std::pow(lambda, -5.0) / (std::exp(0.014388 / (lambda * kelvin)) - 1);
}

Chromaticity blackbodyChromaticity(float kelvin) {
    float x = 0;
    float y = 0;
    float z = 0;
    for (int32_t row = 0; row < kCie1931Rows; ++row) {
        const double nm = kCie1931FirstNm + kCie1931StepNm * row;
        const float radiance = static_cast<float>(planckRadiance(nm, kelvin));
        // Rectangle rule over the 5 nm step.
        x += kCie1931Observer[row][0] * radiance * 5;
        y += kCie1931Observer[row][1] * radiance * 5;
        z += kCie1931Observer[row][2] * radiance * 5;
    }
    const float sum = x + y + z;
    return {x / sum, y / sum, z / sum};
}

// 2. Chromaticity to display RGB ---------------------------------------------------------------

float srgbEncode(float linear) {
    if (linear <= 0.0031308f) return 12.92f * linear;
    return 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

void xyzToDisplayRgb(float x, float y, float z, float& red, float& green, float& blue) {
    // XYZ to linear sRGB, D65 (IEC 61966-2-1), with the coefficients rounded to four places.
    float r = 3.2406f * x - 1.5372f * y - 0.4986f * z;
    float g = -0.9689f * x + 1.8758f * y + 0.0415f * z;
    float b = 0.0557f * x - 0.2040f * y + 1.0570f * z;
    // The curve comes before the scaling, so the result depends on x + y + z = 1, not only on the
    // direction of (x, y, z): keep the order.
    r = srgbEncode(r);
    g = srgbEncode(g);
    b = srgbEncode(b);
    float largest = r;  // red wins a tie with green
    if (g > largest) largest = g;
    if (b > largest) largest = b;
    if (largest != 0) {
        r /= largest;
        g /= largest;
        b /= largest;
    }
    red = r < 0 ? 0 : r;
    green = g < 0 ? 0 : g;
    blue = b < 0 ? 0 : b;
}

// 3. The cached conversion and the white blend -------------------------------------------------

namespace {

// The process-wide state: the last result of blackbodyRgb and the white reference of
// kelvinToRgb, both initially 0 (so 0 K before any other call answers (0, 0, 0)).
struct ColourState {
    std::mutex lock;
    float cachedKelvin = 0;
    float cached[3] = {0, 0, 0};
    // The white reference, 1 / blackbodyRgb(6500), is kept in double precision: a float
    // reciprocal times its float source can round to 0.99999994, and 6500 K must give exactly 1.
    double white[3] = {0, 0, 0};
};

ColourState& state() {
    static ColourState instance;
    return instance;
}

// blackbodyRgb with the state's lock held; false when it left the outputs untouched.
bool blackbodyRgbLocked(ColourState& s, float kelvin, float whiteX, float whiteY, float& red,
                        float& green, float& blue) {
    if (kelvin == s.cachedKelvin) {
        red = s.cached[0];
        green = s.cached[1];
        blue = s.cached[2];
        return true;
    }
    Chromaticity c = blackbodyChromaticity(kelvin);
    // A component of exactly 0 has no display colour. So has no light at all (0 K, or so cold
    // that every sample underflows in float): 0 / 0 gives no number; treated the same way.
    if (c.x == 0 || c.y == 0 || c.z == 0 || std::isnan(c.x) || std::isnan(c.y) || std::isnan(c.z)) {
        return false;
    }
    if (whiteX != 0 && whiteY != 0) {
        c.x = c.x / (whiteX / whiteY);
        c.z = c.z / ((1 - whiteX - whiteY) / whiteY);
    }
    xyzToDisplayRgb(c.x, c.y, c.z, red, green, blue);
    s.cachedKelvin = kelvin;
    s.cached[0] = red;
    s.cached[1] = green;
    s.cached[2] = blue;
    return true;
}

}  // namespace

void blackbodyRgb(float kelvin, float whiteX, float whiteY, float& red, float& green, float& blue) {
    ColourState& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    blackbodyRgbLocked(s, kelvin, whiteX, whiteY, red, green, blue);
}

void kelvinToRgb(float kelvin, float& red, float& green, float& blue) {
    ColourState& s = state();
    float c[3];
    double w[3];
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.white[0] == 0) {
            float white[3];
            if (blackbodyRgbLocked(s, 6500, 0, 0, white[0], white[1], white[2])) {
                for (int i = 0; i < 3; ++i)
                    s.white[i] = 1.0 / white[i];
            }
        }
        // Nothing to blend when the black body gives no colour: the outputs keep what they held.
        if (!blackbodyRgbLocked(s, kelvin, 0, 0, c[0], c[1], c[2])) return;
        w[0] = s.white[0];
        w[1] = s.white[1];
        w[2] = s.white[2];
    }
    // Fade the white correction in from 5500 K to 6500 K and out again by 7500 K. The factor
    // 1 + (w - 1) f is w itself at 6500 K (f = 1), and c * (1 / c) in double rounds to exactly
    // 1.0f.
    double f = 0;
    if (kelvin > 5500 && kelvin <= 6500) f = (kelvin - 5500.0) / 1000.0;
    if (kelvin > 6500 && kelvin < 7500) f = (7500.0 - kelvin) / 1000.0;
    if (f != 0) {
        for (int i = 0; i < 3; ++i)
            c[i] = static_cast<float>(c[i] * (1 + (w[i] - 1) * f));
    }
    red = c[0];
    green = c[1];
    blue = c[2];
}

// 4. The dimming shift --------------------------------------------------------------------------

double dimmingMiredShift(double factor) {
    return -39.715 * std::log(factor);
}

}  // namespace tintel
