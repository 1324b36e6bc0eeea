// The bitmap routines every node draws with: fill, copy, premultiplied over-compositing, blend
// with an opacity, multiply, and masked fills of a coverage map. Pixels are premultiplied
// 0xAARRGGBB; opacities run from 0 to 256 (256: none).
//
// The arithmetic, exact on every path:
//   scale(c, o)   = (c x o) >> 8                          a channel at an opacity (0 to 256)
//   mul255(a, b)  = t = a x b + 128; (t + (t >> 8)) >> 8  a x b / 255, rounded to nearest
//   over(s, d)    = s + mul255(d, 255 - alpha(s))         per channel, alpha included
//   multiply(s,d) = colour: mul255(d, s + 255 - alpha(s)); alpha: as over
// Blend at opacity o is over(scale(s, o), d); a fill is a blend of one colour.
//
// The processor's features are read once (the first call); SSE2 takes the vector path when
// present. Both paths give the same bytes; the scalar one stays callable for comparison.
#pragma once

#include <cstdint>

#include "toolkit/rect.h"

namespace yt {

class ytBitmap;

enum class PixelPath { kScalar, kVector };

// The path the routines take: the vector one when the processor has SSE2, unless forced.
PixelPath ActivePixelPath();
// Forces a path (kVector falls back to scalar on a processor without SSE2); for benchmarks and
// tests. Answers the path now in force.
PixelPath ForcePixelPath(PixelPath path);
bool CpuHasSse2();

// Row routines: `count` pixels. Exposed per path for tests and benchmarks.
namespace pixels {
void FillRow(uint32_t* dst, int count, uint32_t colour);
void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity);
void CopyRow(uint32_t* dst, const uint32_t* src, int count);
void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
namespace scalar {
void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity);
void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
}  // namespace scalar
namespace sse2 {
void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity);
void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity);
}  // namespace sse2
// One pixel, the reference of both paths.
uint32_t Over(uint32_t src, uint32_t dst);
uint32_t Scale(uint32_t colour, int opacity);
uint32_t Multiply(uint32_t src, uint32_t dst);
}  // namespace pixels

// Rectangle routines, clipped to the target and to `clip` (when given).
// Sets every pixel of `area` to `colour`.
void FillRect(ytBitmap& target, const ytRect& area, uint32_t colour, const ytRect* clip = nullptr);
// Composites `colour` at `opacity` over `area`.
void BlendFillRect(ytBitmap& target, const ytRect& area, uint32_t colour, int opacity,
                   const ytRect* clip = nullptr);
// Places `source` with its top-left pixel at (x, y): copied, blended at an opacity, or
// multiplied.
void CopyBitmap(ytBitmap& target, int x, int y, const ytBitmap& source,
                const ytRect* clip = nullptr);
void BlendBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, int opacity,
                 const ytRect* clip = nullptr);
void MultiplyBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, int opacity,
                    const ytRect* clip = nullptr);
// The dithered fill: `colour` at `opacity` with each channel offset by an ordered 4 x 4 pattern
// (positions fixed to the target's pixels) before rounding, so gradients of flat fills band less.
void DitherFillRect(ytBitmap& target, const ytRect& area, uint32_t colour, int opacity,
                    const ytRect* clip = nullptr);

// The intersection of two rectangles (empty when they do not meet) and the smallest holding both
// (an empty one is ignored).
ytRect Intersect(const ytRect& a, const ytRect& b);
ytRect Unite(const ytRect& a, const ytRect& b);

}  // namespace yt
