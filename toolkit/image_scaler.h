// The toolkit's picture scaling: the bilinear sampler family (16.16 fixed-point source
// coordinates, 8-bit fractions; copy, blend and multiply, each with an opacity), the high-quality
// resample a picture gets once for its size on screen, the mipmap pyramid that draws it quickly
// while the size changes, and the fit of a picture into a rectangle (crop-to-fit, scale clamp).
//
// Contents
//   1. pixel views and the destination-to-source map
//   2. the bilinear sampler family
//   3. the high-quality resample
//   4. fitting a picture into a rectangle
//   5. ytMipmap
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/rect.h"

namespace yt {

// ---- 1. pixel views and maps ------------------------------------------------------------------

// Premultiplied 0xAARRGGBB pixels, rows packed.
struct ytPixels {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    ytPixels() = default;
    ytPixels(const uint32_t* p, int w, int h) : pixels(p), width(w), height(h) {}
    ytPixels(const ytBitmap& b)
        : pixels(b.pixels()), width(b.width()), height(b.height()) {}  // NOLINT
};

// Where a destination point comes from: source = (m00 x + m01 y + m02, m10 x + m11 y + m12), in
// continuous pixel coordinates (a pixel's centre at +0.5) on both sides.
struct ytSampleMap {
    double m00 = 1, m01 = 0, m02 = 0;
    double m10 = 0, m11 = 1, m12 = 0;
    // The map of a picture drawn scaled into the destination rectangle (x, y, width, height).
    static ytSampleMap Into(const ytPixels& source, double x, double y, double width,
                            double height);
};

// ---- 2. the bilinear sampler family -----------------------------------------------------------

enum class SampleOp {
    kCopy,      // the sample replaces the pixel
    kBlend,     // premultiplied over-compositing
    kMultiply,  // the multiplying sampler: the sample darkens what lies below it
};

// For each pixel of `area` (clipped to the target) whose centre maps inside the source: the four
// source pixels around the mapped point are blended with 8-bit fractions, scaled by `opacity`
// (0 to 256, 256 for none) and combined with the pixel by `op`. Pixels whose centre maps outside
// the source are left alone.
void SampleBilinear(ytBitmap& target, const ytRect& area, const ytPixels& source,
                    const ytSampleMap& map, SampleOp op, int opacity = 256);

// ---- 3. the high-quality resample -------------------------------------------------------------

// The picture scaled to scaledWidth x scaledHeight with a separable bicubic (Catmull-Rom) filter,
// widened by the reduction factor when shrinking so every source pixel counts; only the `part`
// of the scaled picture (clipped to it) is produced. Fixed-point weights: scale 1 copies, a
// constant picture stays constant.
ytBitmap Resample(const ytPixels& source, int scaledWidth, int scaledHeight, const ytRect& part);
inline ytBitmap Resample(const ytPixels& source, int width, int height) {
    return Resample(source, width, height, ytRect{0, 0, width, height});
}

// ---- 4. fitting a picture into a rectangle ----------------------------------------------------

// The scaled picture's size and its top-left corner inside a box.
struct ytFit {
    double scale = 1;
    int width = 0, height = 0;  // the whole scaled picture
    int x = 0, y = 0;           // relative to the box; negative where crop-to-fit cuts it
    // The part of the scaled picture inside the box, in the scaled picture's coordinates.
    ytRect Visible(int boxWidth, int boxHeight) const;
};

// Crop-to-fit fills the box (the larger of the two ratios) and centres the overflow; without it
// the whole picture fits inside (the smaller ratio), centred. A clamp above 0 limits the scale.
ytFit FitPicture(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight, bool cropToFit,
                 float scaleClamp);

// ---- 5. ytMipmap ------------------------------------------------------------------------------

// Every level in one block: level 0 the picture, level k ceil(w / 2^k) x ceil(h / 2^k), each made
// from the one before by averaging 2 x 2 pixels; levels are added while both sides of the last
// exceed 1.
class ytMipmap {
public:
    static constexpr int kMostLevels = 24;

    void Build(const ytPixels& picture);
    void Clear();
    bool empty() const { return levels_ == 0; }
    int levels() const { return levels_; }
    ytPixels Level(int k) const;

    // Draws the picture scaled into (x, y, width, height) of the target, inside `area`, from the
    // largest level no more than twice the drawn size, blended with `opacity`.
    void Draw(ytBitmap& target, const ytRect& area, double x, double y, double width, double height,
              int opacity = 256) const;

private:
    std::vector<uint32_t> block_;
    int levels_ = 0;
    int width_[kMostLevels] = {}, height_[kMostLevels] = {};
    size_t offset_[kMostLevels] = {};
};

}  // namespace yt
