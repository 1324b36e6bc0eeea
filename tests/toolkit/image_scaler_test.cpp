// The scaler's fixed arithmetic: samplers and the resample at scale 1 copy, constant pictures
// stay constant, a 2x reduction averages 2 x 2 blocks, opacity and compositing products, mipmap
// levels, and the fit of a picture into a rectangle.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/pixels.h"
#include "toolkit/image_scaler.h"

namespace yt {
namespace {

ytBitmap randomPicture(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    ytBitmap b(width, height);
    for (int i = 0; i < width * height; ++i) {
        // Premultiplied: no colour above its alpha.
        const uint32_t a = random() & 255;
        const uint32_t r = a ? random() % (a + 1) : 0, g = a ? random() % (a + 1) : 0,
                       bl = a ? random() % (a + 1) : 0;
        b.pixels()[i] = (a << 24) | (r << 16) | (g << 8) | bl;
    }
    return b;
}

using testsupport::channel;
using testsupport::filled;

TEST(ImageScalerTest, HalvingAveragesBlocksAndOpacityAndCompositingMultiply) {
    const ytBitmap picture = randomPicture(16, 10, 2);
    ytBitmap half(8, 5);
    SampleBilinear(half, ytRect{0, 0, 8, 5}, picture, ytSampleMap::Into(picture, 0, 0, 8, 5),
                   SampleOp::kCopy);
    ytMipmap mipmap;
    mipmap.Build(picture);
    const ytPixels level1 = mipmap.Level(1);
    ASSERT_EQ(level1.width, 8);
    ASSERT_EQ(level1.height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            for (int c = 0; c < 4; ++c) {
                const uint32_t sum = channel(picture.at(2 * x, 2 * y), c) +
                                     channel(picture.at(2 * x + 1, 2 * y), c) +
                                     channel(picture.at(2 * x, 2 * y + 1), c) +
                                     channel(picture.at(2 * x + 1, 2 * y + 1), c);
                ASSERT_EQ(channel(half.at(x, y), c), (sum + 2) / 4) << x << "," << y;
                ASSERT_EQ(channel(level1.pixels[y * 8 + x], c), (sum + 2) / 4) << x << "," << y;
            }

    // One source pixel, 0x80 grey at alpha 0x80, over a 0xFF202020 pixel at opacity 128: the
    // sample becomes 0x40404040; over leaves 0x40 + 0x20 x 0xBF / 255 = 0x58 per colour.
    const ytBitmap dot = filled(1, 1, 0x80808080u);
    const struct {
        SampleOp op;
        int opacity;
        uint32_t expected;
    } cases[] = {
        {SampleOp::kCopy, 256, 0x80808080u},
        {SampleOp::kCopy, 128, 0x40404040u},
        {SampleOp::kBlend, 128, 0xFF585858u},
        {SampleOp::kBlend, 256, 0xFF909090u},
        // Multiply: 0x80 x 0x20 / 255 + 0x20 x 0x7F / 255 = 16 + 16 = 0x20, alpha stays full.
        {SampleOp::kMultiply, 256, 0xFF202020u},
        {SampleOp::kCopy, 0, 0xFF202020u},
    };
    for (const auto& c : cases) {
        ytBitmap target = filled(3, 3, 0xFF202020u);
        SampleBilinear(target, ytRect{0, 0, 3, 3}, dot, ytSampleMap::Into(dot, 1, 1, 1, 1), c.op,
                       c.opacity);
        EXPECT_EQ(target.at(1, 1), c.expected) << static_cast<int>(c.op) << " at " << c.opacity;
        EXPECT_EQ(target.at(0, 0), 0xFF202020u) << "outside the mapped picture";
        EXPECT_EQ(target.at(2, 1), 0xFF202020u) << "outside the mapped picture";
    }
}

TEST(ImageScalerTest, MipmapLevelsHalveUntilOneSideIsOne) {
    const struct {
        int width, height;
        std::vector<std::pair<int, int>> levels;
    } cases[] = {
        {1, 9, {{1, 9}}},
        {9, 1, {{9, 1}}},
        {5, 3, {{5, 3}, {3, 2}, {2, 1}}},
        {8, 8, {{8, 8}, {4, 4}, {2, 2}, {1, 1}}},
        {1920,
         1080,
         {{1920, 1080},
          {960, 540},
          {480, 270},
          {240, 135},
          {120, 68},
          {60, 34},
          {30, 17},
          {15, 9},
          {8, 5},
          {4, 3},
          {2, 2},
          {1, 1}}},
    };
    for (const auto& c : cases) {
        ytMipmap mipmap;
        mipmap.Build(randomPicture(c.width, c.height, 3));
        ASSERT_EQ(mipmap.levels(), static_cast<int>(c.levels.size())) << c.width << "x" << c.height;
        for (size_t k = 0; k < c.levels.size(); ++k) {
            EXPECT_EQ(mipmap.Level(static_cast<int>(k)).width, c.levels[k].first);
            EXPECT_EQ(mipmap.Level(static_cast<int>(k)).height, c.levels[k].second);
        }
    }
    // An odd edge averages with itself: a 3 x 1 column pair (10, 20, 30) -> (15, 30).
    ytBitmap row(3, 2);
    const uint32_t values[] = {10, 20, 30};
    for (int x = 0; x < 3; ++x)
        row.row(0)[x] = row.row(1)[x] = values[x] * 0x01010101u;
    ytMipmap odd;
    odd.Build(row);
    ASSERT_EQ(odd.levels(), 2);
    EXPECT_EQ(odd.Level(1).pixels[0], 15u * 0x01010101u);
    EXPECT_EQ(odd.Level(1).pixels[1], 30u * 0x01010101u);
}

TEST(ImageScalerTest, PicturesFillOrFitTheirRectangleWithinTheScaleClamp) {
    const struct {
        const char* what;
        int sw, sh, bw, bh;
        bool crop;
        float clamp;
        int width, height, x, y;
    } cases[] = {
        // Twice as wide as the box: filling crops left and right, fitting leaves bands.
        {"wide, crop", 200, 100, 100, 100, true, 0, 200, 100, -50, 0},
        {"wide, fit", 200, 100, 100, 100, false, 0, 100, 50, 0, 25},
        {"tall, crop", 100, 300, 150, 150, true, 0, 150, 450, 0, -150},
        {"tall, fit", 100, 300, 150, 150, false, 0, 50, 150, 50, 0},
        // A small picture with clamp 1 is not enlarged, and stays centred.
        {"small, clamp 1", 50, 40, 100, 100, true, 1.0f, 50, 40, 25, 30},
        {"small, clamp 1.5", 50, 40, 100, 100, false, 1.5f, 75, 60, 12, 20},
        {"small, no clamp", 50, 40, 100, 100, false, 0, 100, 80, 0, 10},
        {"large, clamp 1", 1920, 1080, 554, 243, true, 1.0f, 554, 312, 0, -34},
    };
    for (const auto& c : cases) {
        const ytFit fit = FitPicture(c.sw, c.sh, c.bw, c.bh, c.crop, c.clamp);
        EXPECT_EQ(fit.width, c.width) << c.what;
        EXPECT_EQ(fit.height, c.height) << c.what;
        EXPECT_EQ(fit.x, c.x) << c.what;
        EXPECT_EQ(fit.y, c.y) << c.what;
        const ytRect visible = fit.Visible(c.bw, c.bh);
        EXPECT_EQ(visible.width(), std::min(c.bw, c.width)) << c.what;
        EXPECT_EQ(visible.height(), std::min(c.bh, c.height)) << c.what;
    }
}

}  // namespace
}  // namespace yt
