// Colour temperature to RGB multipliers: a black body's spectrum (Planck's law) integrated against
// the CIE 1931 colour-matching functions, converted to sRGB, encoded with the sRGB transfer curve
// and scaled so that the largest channel is 1; near 6500 K blended towards white so that 6500 K
// leaves the display unchanged. Temperatures are kelvin as 32-bit floats.
//
// The last-result cache of blackbodyRgb and the white reference of kelvinToRgb are process-wide;
// every operation here may be called from any thread (one lock guards both).
#pragma once

namespace tintel {

// The chromaticity of a colour: x + y + z = 1.
struct Chromaticity {
    float x = 0;
    float y = 0;
    float z = 0;
};

// Red, green and blue multipliers for a temperature (the operation every caller uses). Between
// 5500 K and 7500 K the result is blended towards the 6500 K white, giving exactly (1, 1, 1) at
// 6500 K and up to a fraction of a percent above 1 between 6500 K and 7500 K.
void kelvinToRgb(float kelvin, float& red, float& green, float& blue);

// The black body's multipliers, the largest exactly 1, with the last-result cache. A non-zero
// white point (whiteX, whiteY) adapts the chromaticity to it. A temperature at which the black
// body gives no usable chromaticity (a component exactly 0, or no light at all in float range, as
// at 0 K) leaves red, green and blue and the cache untouched.
void blackbodyRgb(float kelvin, float whiteX, float whiteY, float& red, float& green, float& blue);

// The chromaticity of a black body at a temperature: Planck radiance at 360, 365, ..., 830 nm,
// each rounded to float, weighted by the colour-matching functions and summed in floats.
Chromaticity blackbodyChromaticity(float kelvin);

// Spectral radiance of a black body by Planck's law, W / (m^2 sr m) times pi: with lambda in
// metres, c1 / lambda^5 / (exp(c2 / (lambda T)) - 1), c1 = 3.74183e-16 W m^2 and
// c2 = 0.014388 m K (the first and second radiation constants).
double planckRadiance(double wavelengthNm, double kelvin);

// Chromaticity to display multipliers: the sRGB matrix (IEC 61966-2-1), the transfer curve,
// scaling by the largest channel, negatives to 0.
void xyzToDisplayRgb(float x, float y, float z, float& red, float& green, float& blue);

// The sRGB transfer curve (IEC 61966-2-1) in single precision.
float srgbEncode(float linear);

// The warming shift in mireds (1e6 / kelvin) that goes with a brightness factor:
// -39.715 * ln(factor). 1 gives 0; 0.5 gives about +27.5 mired.
double dimmingMiredShift(double factor);

}  // namespace tintel
