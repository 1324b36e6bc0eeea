// The bitmap routines: a scalar path that defines the arithmetic (see bitmap_ops.h) and an SSE2
// path that computes the same integers four pixels at a time (16-bit lanes: every intermediate
// value stays below 65,536, so the vector's wrap-free unsigned arithmetic equals the scalar's).
#include "toolkit/bitmap_ops.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "toolkit/bitmap.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define YT_HAVE_SSE2 1
#include <emmintrin.h>
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

namespace yt {
namespace {

// Reads the processor's feature flags (CPUID leaf 1, EDX bit 26 is SSE2).
bool readSse2() {
#if !defined(YT_HAVE_SSE2)
    return false;
#elif defined(_MSC_VER)
    int info[4] = {};
    __cpuid(info, 1);
    return (info[3] & (1 << 26)) != 0;
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (d & (1u << 26)) != 0;
#else
    return false;
#endif
}

// -1 until the flags are read; then 0 scalar, 1 vector.
std::atomic<int> g_path{-1};

bool useVector() {
    int p = g_path.load(std::memory_order_relaxed);
    if (p < 0) {
        p = readSse2() ? 1 : 0;
        g_path.store(p, std::memory_order_relaxed);
    }
    return p == 1;
}

inline uint32_t mul255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

}  // namespace

bool CpuHasSse2() {
    static const bool has = readSse2();
    return has;
}

PixelPath ActivePixelPath() {
    return useVector() ? PixelPath::kVector : PixelPath::kScalar;
}

PixelPath ForcePixelPath(PixelPath path) {
    g_path.store(path == PixelPath::kVector && CpuHasSse2() ? 1 : 0);
    return ActivePixelPath();
}

// ---- scalar
// ---------------------------------------------------------------------------------------

namespace pixels {

uint32_t Scale(uint32_t c, int op) {
    if (op >= 256) return c;
    const uint32_t o = static_cast<uint32_t>(std::max(op, 0));
    return (((c >> 24) * o >> 8) << 24) | ((((c >> 16) & 255) * o >> 8) << 16) |
           ((((c >> 8) & 255) * o >> 8) << 8) | ((c & 255) * o >> 8);
}

uint32_t Over(uint32_t s, uint32_t d) {
    const uint32_t inv = 255 - (s >> 24);
    uint32_t r = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const uint32_t v = ((s >> sh) & 255) + mul255((d >> sh) & 255, inv);
        r |= std::min(v, 255u) << sh;
    }
    return r;
}

uint32_t Multiply(uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24, inv = 255 - a;
    uint32_t r = std::min(a + mul255(d >> 24, inv), 255u) << 24;
    for (int sh = 0; sh < 24; sh += 8) {
        const uint32_t f = std::min(((s >> sh) & 255) + inv, 255u);
        r |= mul255((d >> sh) & 255, f) << sh;
    }
    return r;
}

void FillRow(uint32_t* dst, int count, uint32_t colour) {
    std::fill(dst, dst + std::max(count, 0), colour);
}

void CopyRow(uint32_t* dst, const uint32_t* src, int count) {
    if (count > 0) std::memmove(dst, src, static_cast<size_t>(count) * 4);
}

namespace scalar {

void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity) {
    const uint32_t s = Scale(colour, opacity);
    for (int i = 0; i < count; ++i)
        dst[i] = Over(s, dst[i]);
}

void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    for (int i = 0; i < count; ++i)
        dst[i] = Over(Scale(src[i], opacity), dst[i]);
}

void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    for (int i = 0; i < count; ++i)
        dst[i] = Multiply(Scale(src[i], opacity), dst[i]);
}

}  // namespace scalar

// ---- SSE2
// -----------------------------------------------------------------------------------------

namespace sse2 {
#if defined(YT_HAVE_SSE2)
namespace {

// Two pixels in 16-bit lanes: (c x op) >> 8 per channel.
inline __m128i scale16(__m128i p, __m128i op) {
    return _mm_srli_epi16(_mm_mullo_epi16(p, op), 8);
}
inline __m128i alpha16(__m128i p) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 3, 3, 3)),
                               _MM_SHUFFLE(3, 3, 3, 3));
}
// (a x b + 128 + ((a x b + 128) >> 8)) >> 8 in 16-bit lanes (a, b at most 255).
inline __m128i mul255v(__m128i a, __m128i b) {
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
// Two source pixels (already scaled) over two destination pixels.
inline __m128i over16(__m128i s, __m128i d) {
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), alpha16(s));
    return _mm_add_epi16(s, mul255v(d, inv));
}
inline __m128i multiply16(__m128i s, __m128i d) {
    const __m128i a = alpha16(s);
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), a);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    const __m128i f = _mm_min_epi16(_mm_add_epi16(s, inv), _mm_set1_epi16(255));
    const __m128i factor =
        _mm_or_si128(_mm_andnot_si128(alphaLanes, f), _mm_and_si128(alphaLanes, inv));
    return _mm_add_epi16(mul255v(d, factor), _mm_and_si128(alphaLanes, a));
}

}  // namespace

void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity) {
    const uint32_t sc = Scale(colour, opacity);
    const __m128i zero = _mm_setzero_si128();
    const __m128i s = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(sc)), zero);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i lo = over16(s, _mm_unpacklo_epi8(d, zero));
        const __m128i hi = over16(s, _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < count; ++i)
        dst[i] = Over(sc, dst[i]);
}

// One source row combined into the destination four pixels at a time: the source scaled by the
// opacity (below 256), then `combine16` on each half of the unpacked pixels; `combine` finishes
// the row's tail one pixel at a time.
template <typename Combine16, typename Combine>
void combineRow(uint32_t* dst, const uint32_t* src, int count, int opacity, Combine16 combine16,
                Combine combine) {
    const __m128i zero = _mm_setzero_si128();
    const bool scale = opacity < 256;
    const __m128i op = _mm_set1_epi16(static_cast<int16_t>(std::max(opacity, 0)));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i slo = _mm_unpacklo_epi8(sp, zero), shi = _mm_unpackhi_epi8(sp, zero);
        if (scale) slo = scale16(slo, op), shi = scale16(shi, op);
        const __m128i lo = combine16(slo, _mm_unpacklo_epi8(d, zero));
        const __m128i hi = combine16(shi, _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < count; ++i)
        dst[i] = combine(Scale(src[i], opacity), dst[i]);
}

void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    combineRow(
        dst, src, count, opacity, [](__m128i s, __m128i d) { return over16(s, d); },
        [](uint32_t s, uint32_t d) { return Over(s, d); });
}

void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    combineRow(
        dst, src, count, opacity, [](__m128i s, __m128i d) { return multiply16(s, d); },
        [](uint32_t s, uint32_t d) { return Multiply(s, d); });
}
#else
void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity) {
    scalar::BlendFillRow(dst, count, colour, opacity);
}
void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    scalar::BlendRow(dst, src, count, opacity);
}
void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    scalar::MultiplyRow(dst, src, count, opacity);
}
#endif
}  // namespace sse2

void BlendFillRow(uint32_t* dst, int count, uint32_t colour, int opacity) {
    if (opacity <= 0 || count <= 0) return;
    if (opacity >= 256 && (colour >> 24) == 255) return FillRow(dst, count, colour);
    useVector() ? sse2::BlendFillRow(dst, count, colour, opacity)
                : scalar::BlendFillRow(dst, count, colour, opacity);
}

void BlendRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    if (opacity <= 0 || count <= 0) return;
    useVector() ? sse2::BlendRow(dst, src, count, opacity)
                : scalar::BlendRow(dst, src, count, opacity);
}

void MultiplyRow(uint32_t* dst, const uint32_t* src, int count, int opacity) {
    if (opacity <= 0 || count <= 0) return;
    useVector() ? sse2::MultiplyRow(dst, src, count, opacity)
                : scalar::MultiplyRow(dst, src, count, opacity);
}

}  // namespace pixels

// ---- rectangles
// -----------------------------------------------------------------------------------

ytRect Intersect(const ytRect& a, const ytRect& b) {
    ytRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (r.empty()) return {};
    return r;
}

ytRect Unite(const ytRect& a, const ytRect& b) {
    if (a.empty()) return b.empty() ? ytRect{} : b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

namespace {

ytRect clipTo(const ytBitmap& target, const ytRect& area, const ytRect* clip) {
    ytRect r = Intersect(area, ytRect{0, 0, target.width(), target.height()});
    if (clip) r = Intersect(r, *clip);
    return r;
}

using RowOp = void (*)(uint32_t*, const uint32_t*, int, int);

void placeBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, int opacity,
                 const ytRect* clip, RowOp op) {
    if (source.empty()) return;
    const ytRect r = clipTo(target, ytRect{x, y, x + source.width(), y + source.height()}, clip);
    if (r.empty()) return;
    const int count = r.right - r.left;
    for (int row = r.top; row < r.bottom; ++row)
        op(target.row(row) + r.left, source.row(row - y) + (r.left - x), count, opacity);
}

}  // namespace

void FillRect(ytBitmap& target, const ytRect& area, uint32_t colour, const ytRect* clip) {
    const ytRect r = clipTo(target, area, clip);
    for (int row = r.top; row < r.bottom; ++row)
        pixels::FillRow(target.row(row) + r.left, r.right - r.left, colour);
}

void BlendFillRect(ytBitmap& target, const ytRect& area, uint32_t colour, int opacity,
                   const ytRect* clip) {
    const ytRect r = clipTo(target, area, clip);
    for (int row = r.top; row < r.bottom; ++row)
        pixels::BlendFillRow(target.row(row) + r.left, r.right - r.left, colour, opacity);
}

void CopyBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, const ytRect* clip) {
    placeBitmap(target, x, y, source, 256, clip,
                [](uint32_t* d, const uint32_t* s, int n, int) { pixels::CopyRow(d, s, n); });
}

void BlendBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, int opacity,
                 const ytRect* clip) {
    placeBitmap(target, x, y, source, opacity, clip, pixels::BlendRow);
}

void MultiplyBitmap(ytBitmap& target, int x, int y, const ytBitmap& source, int opacity,
                    const ytRect* clip) {
    placeBitmap(target, x, y, source, opacity, clip, pixels::MultiplyRow);
}

void DitherFillRect(ytBitmap& target, const ytRect& area, uint32_t colour, int opacity,
                    const ytRect* clip) {
    static const uint8_t kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const ytRect r = clipTo(target, area, clip);
    const uint32_t o = static_cast<uint32_t>(std::clamp(opacity, 0, 256));
    const uint32_t alpha = (colour >> 24) * o >> 8;
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = target.row(y);
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t bias = kBayer[y & 3][x & 3] * 16u + 8u;
            uint32_t s = alpha << 24;
            for (int sh = 0; sh < 24; sh += 8)
                s |= std::min((((colour >> sh) & 255) * o + bias) >> 8, alpha) << sh;
            row[x] = pixels::Over(s, row[x]);
        }
    }
}

}  // namespace yt
