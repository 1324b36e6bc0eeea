// Pictures for the toolkit's tests: pixels worked out independently of the toolkit's own
// routines (whole files are read and written with files.h, included here).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "toolkit/bitmap.h"

namespace testsupport {

// Channel i of a 0xAARRGGBB pixel (0 blue ... 3 alpha).
inline uint32_t channel(uint32_t p, int i) {
    return (p >> (8 * i)) & 255;
}

// Premultiplied s at `opacity` (0..256, the product truncated) over d, as the compositing formula
// reads: s + d x (255 - alpha) / 255, rounded to nearest, in floating point.
inline uint32_t over(uint32_t s, uint32_t d, int opacity = 256) {
    uint32_t sc[4], r = 0;
    for (int i = 0; i < 4; ++i)
        sc[i] = channel(s, i) * uint32_t(opacity) / 256;
    for (int i = 0; i < 4; ++i) {
        const long v = sc[i] + std::lround(channel(d, i) * (255.0 - sc[3]) / 255.0);
        r |= uint32_t(std::min(v, 255L)) << (8 * i);
    }
    return r;
}

inline yt::ytBitmap filled(int width, int height, uint32_t colour) {
    yt::ytBitmap b(width, height);
    std::fill(b.pixels(), b.pixels() + width * height, colour);
    return b;
}

inline bool samePixels(const yt::ytBitmap& a, const yt::ytBitmap& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels(), a.pixels() + a.width() * a.height(), b.pixels());
}

}  // namespace testsupport
