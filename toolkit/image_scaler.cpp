#include "toolkit/image_scaler.h"

#include <algorithm>
#include <cmath>

namespace yt {
namespace {

inline uint32_t channel(uint32_t p, int shift) {
    return (p >> shift) & 255;
}

// a x b / 255, rounded, for bytes.
inline uint32_t mul255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

inline int32_t toFixed(double v) {
    return static_cast<int32_t>(std::lround(v * 65536.0));
}

// The bilinear sample at 16.16 position (u, v) of the sample grid (pixel centres at integers).
inline uint32_t bilinear(const ytPixels& s, int32_t u, int32_t v) {
    const int ix = u >> 16, iy = v >> 16;
    const uint32_t fx = (static_cast<uint32_t>(u) >> 8) & 255,
                   fy = (static_cast<uint32_t>(v) >> 8) & 255;
    const int x0 = std::clamp(ix, 0, s.width - 1), x1 = std::clamp(ix + 1, 0, s.width - 1);
    const int y0 = std::clamp(iy, 0, s.height - 1), y1 = std::clamp(iy + 1, 0, s.height - 1);
    const uint32_t* r0 = s.pixels + static_cast<size_t>(y0) * s.width;
    const uint32_t* r1 = s.pixels + static_cast<size_t>(y1) * s.width;
    const uint32_t a = r0[x0], b = r0[x1], c = r1[x0], d = r1[x1];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t top = channel(a, shift) * (256 - fx) + channel(b, shift) * fx;
        const uint32_t bottom = channel(c, shift) * (256 - fx) + channel(d, shift) * fx;
        const uint32_t v8 = (top * (256 - fy) + bottom * fy + 32768) >> 16;
        out |= std::min(v8, 255u) << shift;
    }
    return out;
}

inline uint32_t withOpacity(uint32_t p, int opacity) {
    if (opacity >= 256) return p;
    const auto o = static_cast<uint32_t>(opacity);
    return (((p >> 24) * o >> 8) << 24) | ((channel(p, 16) * o >> 8) << 16) |
           ((channel(p, 8) * o >> 8) << 8) | (channel(p, 0) * o >> 8);
}

inline uint32_t over(uint32_t s, uint32_t d) {
    const uint32_t keep = 255 - (s >> 24);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min(channel(s, shift) + mul255(channel(d, shift), keep), 255u) << shift;
    return out;
}

// Premultiplied multiply: cs x cd + cs x (1 - ad) + cd x (1 - as); alpha as plain over.
inline uint32_t multiply(uint32_t s, uint32_t d) {
    const uint32_t as = s >> 24, ad = d >> 24;
    uint32_t out = std::min(as + mul255(ad, 255 - as), 255u) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t cs = channel(s, shift), cd = channel(d, shift);
        out |= std::min(mul255(cs, cd) + mul255(cs, 255 - ad) + mul255(cd, 255 - as), 255u)
               << shift;
    }
    return out;
}

// ---- the resample's filter weights ------------------------------------------------------------

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// Catmull-Rom: the cubic through the samples with a = -0.5.
double cubic(double x) {
    x = std::fabs(x);
    if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
    if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
    return 0;
}

// The weights of one axis: for each output position, the first source index and its weights
// (edge pixels repeat, folded into the first and last taps), summing to exactly kWeightOne.
struct AxisWeights {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int32_t> weights;  // count[i] entries per output, at stride `taps`
    int taps = 0;
};

AxisWeights axisWeights(int sourceLength, int scaledLength, int start, int length) {
    AxisWeights w;
    const double ratio = static_cast<double>(sourceLength) / scaledLength;  // source per output
    const double widen = std::max(1.0, ratio);
    const double reach = 2.0 * widen;
    w.taps = static_cast<int>(std::ceil(reach)) * 2 + 1;
    w.first.resize(length);
    w.count.resize(length);
    w.weights.assign(static_cast<size_t>(length) * w.taps, 0);
    std::vector<double> raw(w.taps);
    for (int i = 0; i < length; ++i) {
        const double centre = (start + i + 0.5) * ratio - 0.5;
        int lo = static_cast<int>(std::ceil(centre - reach));
        int hi = static_cast<int>(std::floor(centre + reach));
        if (hi - lo + 1 > w.taps) hi = lo + w.taps - 1;
        // Fold indices outside the picture onto its edges.
        const int first = std::clamp(lo, 0, sourceLength - 1);
        const int last = std::clamp(hi, 0, sourceLength - 1);
        const int n = last - first + 1;
        std::fill(raw.begin(), raw.end(), 0.0);
        double total = 0;
        for (int s = lo; s <= hi; ++s) {
            const double weight = cubic((s - centre) / widen);
            raw[std::clamp(s, 0, sourceLength - 1) - first] += weight;
            total += weight;
        }
        int32_t* out = &w.weights[static_cast<size_t>(i) * w.taps];
        int32_t sum = 0, largest = 0;
        for (int k = 0; k < n; ++k) {
            out[k] = static_cast<int32_t>(std::lround(raw[k] / total * kWeightOne));
            sum += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] += kWeightOne - sum;  // exactly one in fixed point
        w.first[i] = first;
        w.count[i] = n;
    }
    return w;
}

}  // namespace

// ---- maps and the sampler family ---------------------------------------------------------------

ytSampleMap ytSampleMap::Into(const ytPixels& source, double x, double y, double width,
                              double height) {
    ytSampleMap m;
    m.m00 = width > 0 ? source.width / width : 0;
    m.m11 = height > 0 ? source.height / height : 0;
    m.m02 = -x * m.m00;
    m.m12 = -y * m.m11;
    return m;
}

void SampleBilinear(ytBitmap& target, const ytRect& area, const ytPixels& source,
                    const ytSampleMap& map, SampleOp op, int opacity) {
    if (target.empty() || !source.pixels || source.width <= 0 || source.height <= 0 || opacity <= 0)
        return;
    const int left = std::max(area.left, 0), right = std::min(area.right, target.width());
    const int top = std::max(area.top, 0), bottom = std::min(area.bottom, target.height());
    if (left >= right || top >= bottom) return;
    // Mapped centres are inside the source when 0 <= u < width: in the sample grid (centres at
    // integers) that is -0.5 <= u - 0.5 < width - 0.5.
    const int64_t uLow = -32768, uHigh = (int64_t{source.width} << 16) - 32768;
    const int64_t vLow = -32768, vHigh = (int64_t{source.height} << 16) - 32768;
    const int32_t du = toFixed(map.m00), dv = toFixed(map.m10);
    for (int y = top; y < bottom; ++y) {
        const double cy = y + 0.5, cx = left + 0.5;
        int64_t u = toFixed(map.m00 * cx + map.m01 * cy + map.m02 - 0.5);
        int64_t v = toFixed(map.m10 * cx + map.m11 * cy + map.m12 - 0.5);
        uint32_t* row = target.row(y);
        for (int x = left; x < right; ++x, u += du, v += dv) {
            if (u < uLow || u >= uHigh || v < vLow || v >= vHigh) continue;
            const uint32_t s = withOpacity(
                bilinear(source, static_cast<int32_t>(u), static_cast<int32_t>(v)), opacity);
            switch (op) {
                case SampleOp::kCopy:
                    row[x] = s;
                    break;
                case SampleOp::kBlend:
                    row[x] = over(s, row[x]);
                    break;
                case SampleOp::kMultiply:
                    row[x] = multiply(s, row[x]);
                    break;
            }
        }
    }
}

// ---- the high-quality resample -----------------------------------------------------------------

ytBitmap Resample(const ytPixels& source, int scaledWidth, int scaledHeight, const ytRect& part) {
    const int left = std::max(part.left, 0), right = std::min(part.right, scaledWidth);
    const int top = std::max(part.top, 0), bottom = std::min(part.bottom, scaledHeight);
    if (!source.pixels || source.width <= 0 || source.height <= 0 || left >= right || top >= bottom)
        return ytBitmap();
    const int width = right - left, height = bottom - top;
    const AxisWeights h = axisWeights(source.width, scaledWidth, left, width);
    const AxisWeights v = axisWeights(source.height, scaledHeight, top, height);
    // Source rows the vertical pass needs.
    const int rowFirst = v.first.front();
    int rowLast = rowFirst;
    for (int i = 0; i < height; ++i)
        rowLast = std::max(rowLast, v.first[i] + v.count[i] - 1);
    const int rows = rowLast - rowFirst + 1;
    // Horizontal pass, kept with 7 extra bits: four channels per pixel.
    std::vector<int32_t> across(static_cast<size_t>(rows) * width * 4);
    for (int r = 0; r < rows; ++r) {
        const uint32_t* in = source.pixels + static_cast<size_t>(rowFirst + r) * source.width;
        int32_t* out = &across[static_cast<size_t>(r) * width * 4];
        for (int i = 0; i < width; ++i) {
            const int32_t* w = &h.weights[static_cast<size_t>(i) * h.taps];
            const uint32_t* p = in + h.first[i];
            int32_t sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < h.count[i]; ++k)
                for (int c = 0; c < 4; ++c)
                    sum[c] += static_cast<int32_t>(channel(p[k], 8 * c)) * w[k];
            for (int c = 0; c < 4; ++c)
                out[4 * i + c] = (sum[c] + (1 << (kWeightBits - 8))) >> (kWeightBits - 7);
        }
    }
    ytBitmap result(width, height);
    for (int j = 0; j < height; ++j) {
        const int32_t* w = &v.weights[static_cast<size_t>(j) * v.taps];
        uint32_t* out = result.row(j);
        for (int i = 0; i < width; ++i) {
            int32_t sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < v.count[j]; ++k) {
                const int32_t* p =
                    &across[(static_cast<size_t>(v.first[j] - rowFirst + k) * width + i) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += p[c] * w[k];
            }
            int32_t value[4];
            for (int c = 0; c < 4; ++c)
                value[c] =
                    std::clamp((sum[c] + (1 << (kWeightBits + 6))) >> (kWeightBits + 7), 0, 255);
            // The filter's overshoot must not leave a colour above its alpha (premultiplied).
            const int32_t alpha = value[3];
            out[i] = (static_cast<uint32_t>(alpha) << 24) |
                     (static_cast<uint32_t>(std::min(value[2], alpha)) << 16) |
                     (static_cast<uint32_t>(std::min(value[1], alpha)) << 8) |
                     static_cast<uint32_t>(std::min(value[0], alpha));
        }
    }
    return result;
}

// ---- fitting
// -------------------------------------------------------------------------------------

ytRect ytFit::Visible(int boxWidth, int boxHeight) const {
    return ytRect{std::max(0, -x), std::max(0, -y), std::min(width, boxWidth - x),
                  std::min(height, boxHeight - y)};
}

ytFit FitPicture(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight, bool cropToFit,
                 float scaleClamp) {
    ytFit fit;
    if (sourceWidth <= 0 || sourceHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) return fit;
    const double rx = static_cast<double>(boxWidth) / sourceWidth;
    const double ry = static_cast<double>(boxHeight) / sourceHeight;
    fit.scale = cropToFit ? std::max(rx, ry) : std::min(rx, ry);
    if (scaleClamp > 0) fit.scale = std::min(fit.scale, static_cast<double>(scaleClamp));
    fit.width = std::max(1, static_cast<int>(std::lround(sourceWidth * fit.scale)));
    fit.height = std::max(1, static_cast<int>(std::lround(sourceHeight * fit.scale)));
    // The side the ratio came from fills the box exactly, whatever the rounding of the other.
    if (scaleClamp <= 0 || fit.scale < scaleClamp) {
        if (fit.scale == rx) fit.width = boxWidth;
        if (fit.scale == ry) fit.height = boxHeight;
    }
    fit.x = (boxWidth - fit.width) / 2;
    fit.y = (boxHeight - fit.height) / 2;
    return fit;
}

// ---- ytMipmap
// ------------------------------------------------------------------------------------

void ytMipmap::Clear() {
    block_.clear();
    block_.shrink_to_fit();
    levels_ = 0;
}

void ytMipmap::Build(const ytPixels& picture) {
    Clear();
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0) return;
    // Sizes and offsets first, so the block is allocated once.
    size_t total = 0;
    int w = picture.width, h = picture.height;
    for (;;) {
        width_[levels_] = w, height_[levels_] = h, offset_[levels_] = total;
        total += static_cast<size_t>(w) * h;
        ++levels_;
        if (w <= 1 || h <= 1 || levels_ == kMostLevels) break;
        w = (w + 1) / 2, h = (h + 1) / 2;
    }
    block_.resize(total);
    std::copy(picture.pixels, picture.pixels + static_cast<size_t>(picture.width) * picture.height,
              block_.begin());
    for (int k = 1; k < levels_; ++k) {
        const uint32_t* in = &block_[offset_[k - 1]];
        uint32_t* out = &block_[offset_[k]];
        const int pw = width_[k - 1], ph = height_[k - 1];
        for (int y = 0; y < height_[k]; ++y)
            for (int x = 0; x < width_[k]; ++x) {
                // An odd last row or column averages with itself.
                const int x0 = 2 * x, x1 = std::min(2 * x + 1, pw - 1);
                const int y0 = 2 * y, y1 = std::min(2 * y + 1, ph - 1);
                const uint32_t a = in[static_cast<size_t>(y0) * pw + x0],
                               b = in[static_cast<size_t>(y0) * pw + x1];
                const uint32_t c = in[static_cast<size_t>(y1) * pw + x0],
                               d = in[static_cast<size_t>(y1) * pw + x1];
                uint32_t p = 0;
                for (int shift = 0; shift < 32; shift += 8)
                    p |= ((channel(a, shift) + channel(b, shift) + channel(c, shift) +
                           channel(d, shift) + 2) /
                          4)
                         << shift;
                out[static_cast<size_t>(y) * width_[k] + x] = p;
            }
    }
}

ytPixels ytMipmap::Level(int k) const {
    if (k < 0 || k >= levels_) return ytPixels();
    return ytPixels(&block_[offset_[k]], width_[k], height_[k]);
}

void ytMipmap::Draw(ytBitmap& target, const ytRect& area, double x, double y, double width,
                    double height, int opacity) const {
    if (levels_ == 0 || width <= 0 || height <= 0) return;
    int k = 0;
    while (k + 1 < levels_ && width * 2 <= width_[0] / static_cast<double>(1 << k) &&
           height * 2 <= height_[0] / static_cast<double>(1 << k))
        ++k;
    const ytPixels level = Level(k);
    const ytRect box{std::max(area.left, static_cast<int32_t>(std::floor(x))),
                     std::max(area.top, static_cast<int32_t>(std::floor(y))),
                     std::min(area.right, static_cast<int32_t>(std::ceil(x + width))),
                     std::min(area.bottom, static_cast<int32_t>(std::ceil(y + height)))};
    SampleBilinear(target, box, level, ytSampleMap::Into(level, x, y, width, height),
                   SampleOp::kBlend, opacity);
}

}  // namespace yt
