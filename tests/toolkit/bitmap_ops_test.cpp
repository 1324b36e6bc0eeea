// The bitmap routines: exact results of fills, over-compositing and opacities against arithmetic
// done here in floating point, and the SSE2 path against the scalar one on random pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "tests/support/pixels.h"
#include "toolkit/bitmap.h"
#include "toolkit/bitmap_ops.h"

namespace yt {
namespace {

using testsupport::channel;
using testsupport::over;

TEST(BitmapOps, BlendsAndFillsMatchTheFormula) {
    struct Case {
        uint32_t src, dst;
        int opacity;
    } cases[] = {
        {0xFFFF0000u, 0xFF0000FFu, 256},  // opaque replaces
        {0x80400000u, 0xFFFFFFFFu, 256},  // half-transparent over white
        {0xFFFF0000u, 0xFF000000u, 64},   // an opacity product of 1/4
        {0x00000000u, 0x12345678u, 256},  // nothing over something
        {0xFF102030u, 0x00000000u, 1},    // the smallest opacity
        {0x7F7F7F7Fu, 0x80808080u, 200},
    };
    for (const Case& c : cases) {
        for (PixelPath path : {PixelPath::kScalar, PixelPath::kVector}) {
            ForcePixelPath(path);
            ytBitmap target(5, 3);
            FillRect(target, ytRect{0, 0, 5, 3}, c.dst);
            BlendFillRect(target, ytRect{1, 1, 5, 2}, c.src, c.opacity);
            SCOPED_TRACE(::testing::Message() << std::hex << c.src << " over " << c.dst << " at "
                                              << std::dec << c.opacity);
            EXPECT_EQ(target.at(0, 1), c.dst);  // outside the area
            for (int x = 1; x < 5; ++x)
                EXPECT_EQ(target.at(x, 1), over(c.src, c.dst, c.opacity));
            ytBitmap picture(2, 1);
            picture.row(0)[0] = picture.row(0)[1] = c.src;
            BlendBitmap(target, 3, 2, picture, c.opacity);  // one pixel falls off the edge
            EXPECT_EQ(target.at(3, 2), over(c.src, c.dst, c.opacity));
            EXPECT_EQ(target.at(2, 2), c.dst);
        }
    }
    ForcePixelPath(PixelPath::kVector);
}

TEST(BitmapOps, VectorAndScalarPathsGiveTheSameBytes) {
    if (!CpuHasSse2()) GTEST_SKIP() << "no SSE2";
    std::mt19937 random(1234);
    const auto premultiplied = [&] {
        const uint32_t a = random() % 256;
        uint32_t p = a << 24;
        for (int i = 0; i < 3; ++i)
            p |= (a ? random() % (a + 1) : 0) << (8 * i);
        return p;
    };
    for (int round = 0; round < 400; ++round) {
        const int count = int(random() % 37);  // tails of every length
        const int opacity = round % 5 == 0 ? 256 : int(random() % 257);
        std::vector<uint32_t> src(count), dst(count);
        for (int i = 0; i < count; ++i) {
            // Now and then a pixel that is not premultiplied: both paths must still agree.
            src[i] = round % 7 == 0 ? uint32_t(random()) : premultiplied();
            dst[i] = premultiplied();
        }
        std::vector<uint32_t> a = dst, b = dst;
        pixels::scalar::BlendRow(a.data(), src.data(), count, opacity);
        pixels::sse2::BlendRow(b.data(), src.data(), count, opacity);
        ASSERT_EQ(a, b) << "blend, round " << round;
        a = b = dst;
        pixels::scalar::MultiplyRow(a.data(), src.data(), count, opacity);
        pixels::sse2::MultiplyRow(b.data(), src.data(), count, opacity);
        ASSERT_EQ(a, b) << "multiply, round " << round;
        a = b = dst;
        const uint32_t colour = src.empty() ? 0x80402010u : src[0];
        pixels::scalar::BlendFillRow(a.data(), count, colour, opacity);
        pixels::sse2::BlendFillRow(b.data(), count, colour, opacity);
        ASSERT_EQ(a, b) << "fill, round " << round;
    }
}

TEST(BitmapOps, MultiplyDarkensByTheSourceOverWhite) {
    // White multiplied by a colour gives the colour; a transparent source leaves the pixel.
    EXPECT_EQ(pixels::Multiply(0xFF804020u, 0xFFFFFFFFu), 0xFF804020u);
    EXPECT_EQ(pixels::Multiply(0x00000000u, 0xFF336699u), 0xFF336699u);
    // Half grey multiplies every channel by 128 / 255.
    const uint32_t r = pixels::Multiply(0xFF808080u, 0xFF40C0FFu);
    EXPECT_EQ(channel(r, 2), uint32_t(std::lround(0x40 * 128 / 255.0)));
    EXPECT_EQ(channel(r, 0), uint32_t(std::lround(0xFF * 128 / 255.0)));
}

}  // namespace
}  // namespace yt
